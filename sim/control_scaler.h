#pragma once
// "scaler": what the simulated scaler holds, one "name value" line each.
#include <QStringList>

namespace sim {

// The lines "scaler" prints, e.g. "scaler.win0.source 2" (tests read them here).
QStringList scaler_report();
// Registers "scaler" on the control channel (install() does it).
void register_scaler_commands();

} // namespace sim
