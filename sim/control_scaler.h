#pragma once
// "scaler": what the simulated scaler holds, one "name value" line each.
// "scaler fonts HEX": the fonts its flash holds from now on (bit 0 32-dot Chinese, 1 32-dot
// English, 2 64-dot Chinese, 3 64-dot English).
#include <QStringList>
#include <functional>

namespace sim {

// The lines "scaler" prints, e.g. "scaler.win0.source 2" (tests read them here).
QStringList scaler_report();
// Registers "scaler" on the control channel (install() does it).
void register_scaler_commands();
// Reads the chip's fonts again after "scaler fonts" changed them (the application hands in
// the engine's reader: the engine reads them only at bring-up otherwise).
void set_font_reader(std::function<void()> reader);

} // namespace sim
