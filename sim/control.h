#pragma once
// The control channel of the simulated device: the FIFO "/sim/control" under the device
// root, one command a line. Other folders add their own commands with
// register_control_command; a line runs the command whose words it starts with (the
// longest such), and a handler that refuses its arguments leaves everything unchanged.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

namespace sim {

// args: the words after the command's own words. Return false for malformed arguments.
using ControlHandler = std::function<bool(const QStringList& args)>;
void register_control_command(const QString& words, const QString& usage, ControlHandler handler);

// The complete non-empty lines (trimmed) at the front of what the FIFO delivered so far,
// taken out of `pending`; a remainder of more than 4096 bytes without a newline is dropped.
QStringList take_control_lines(QByteArray* pending);
// Runs one line as the FIFO reader would; false when no command took it.
bool run_control_line(const QString& line);

// Creates the FIFO and starts its reader thread (once). Test-only stop.
void start_control_fifo();
void stop_control_fifo();

// "screenshot PATH": the panel composes its visible windows into a 320 x 240 PNG at the
// given host path. Registered by the application, which owns the windows.
using ScreenshotHook = std::function<bool(const QString& hostPath)>;
void set_screenshot_hook(ScreenshotHook hook);

// The commands of the simulated hardware and the PC stand-ins (install() registers them).
void register_hardware_commands();
// "edid N": the last EDID the receiver of input N got and its write count.
void register_edid_commands();
QString edid_report(int input);

} // namespace sim
