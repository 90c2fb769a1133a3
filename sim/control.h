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
// A command that needs the panel (a key, a screenshot) waits until set_panel_ready.
void register_control_command(const QString& words, const QString& usage, ControlHandler handler,
                              bool needsPanel = false);

// A handler's word on the line it runs: added to the echo, or said instead of the usage
// when the handler refuses the line.
void control_note(const QString& note);
// A trace of the control channel ("sim control: ...").
void control_trace(const QString& text);

// The panel exists (its windows, the event loop about to run); commands that need it wait
// for this.
void set_panel_ready(bool ready);

constexpr int kControlLineMax = 4096;
// Splits what the FIFO delivers into lines: the complete non-empty lines (trimmed) so far.
// A line longer than kControlLineMax bytes is dropped whole, with one trace, however it
// arrives: no part of it runs.
class ControlLines
{
public:
    ControlLines() = default;
    // Reads on where the splitter that gave `state` left off (the simulated reboot's
    // hand-over): its unfinished line, or inside an overlong line, dropped up to its newline.
    explicit ControlLines(const QByteArray& state);
    QStringList take(const QByteArray& bytes);
    const QByteArray& pending() const { return m_pending; }
    // Where it is, as text for the environment: the unfinished line in hex, "-" inside an
    // overlong line.
    QByteArray state() const;

private:
    QByteArray m_pending;
    bool m_dropping = false; // inside an overlong line: everything up to its newline goes
};
// Runs one line as the FIFO reader would; false when no command took it.
bool run_control_line(const QString& line);
// The panel ends (its window closed, its display gone): no line taken from now on runs,
// and the channel says nothing more, so the panel's last line is the one saying it ends.
void end_control_lines();

// A command argument as a number within lo..hi.
bool to_int(const QString& s, int lo, int hi, int* out, int base = 10);

// Opens the FIFO and starts its reader thread (once): an existing FIFO that is this user's,
// mode 0600 and no link is kept, so what was written to it before the start runs; anything
// else there is replaced by a fresh one. Returns why it could not, empty when it runs.
// Test-only stop.
QString start_control_fifo();
void stop_control_fifo();

// The simulated reboot hands the reader to the next program: ask, wait until ready (the
// reader stopped at a line boundary; lines it runs may need the GUI thread meanwhile),
// then take its descriptor (left open) and where its line splitter was
// (`ControlLines::state`); -1 when not ready. The next program passes both to
// hold_control_fifo before start_control_fifo, which reads on where they left off if the
// FIFO is still the one at its path.
void ask_control_handover();
bool control_handover_ready();
int take_control_handover(QByteArray* state);
void hold_control_fifo(int fd, const QByteArray& state);

// "screenshot PATH": the panel composes its visible windows into a 320 x 240 PNG at the
// given host path, writing only a new or existing regular file. Returns the error, empty
// when written. Registered by the application, which owns the windows.
using ScreenshotHook = std::function<QString(const QString& hostPath)>;
void set_screenshot_hook(ScreenshotHook hook);

// The commands of the simulated hardware and the PC stand-ins (install() registers them).
void register_hardware_commands();
// "edid N": the last EDID the receiver of input N got and its write count.
void register_edid_commands();
QString edid_report(int input);
// "cards" and "cards bad PORT CARD": the simulated receiving cards (control_cards.cpp).
void register_card_commands();

} // namespace sim
