#pragma once
// The panel in one X window (host build): the picture the VNC viewers get, the composed
// panel drawn offscreen, shown in a window of its own on an X display; what is typed and
// clicked there goes where a viewer's keys and clicks go.
#include <QByteArray>
#include <QString>
#include <functional>

namespace host {

// Before the application object: the X display `display` connected (within 30 s,
// as a loaded machine may need) and the window made, not yet shown. Empty when done, else a line saying why
// not, ending in ": the panel is served over VNC."
QString x_window_open(const QByteArray& display);

// GUI thread, once the panel exists: the window shown and served on a thread of its own.
// `ended` is called on that thread, once, with a line saying why, when the window is closed
// or the display goes; nothing of the window runs after it.
void x_window_serve(std::function<void(const QString&)> ended);

} // namespace host
