#pragma once
// What the program checks and sets up on this machine before the panel starts, so that a
// user who starts it gets a message to act on instead of a panel that runs unseen or half
// working. Each check returns an empty string, else the message.
#include <QString>

class QApplication;

namespace host {

// The program file and the arguments as given (before Qt takes its own out of them), for
// the simulated reboot.
void keep_arguments(int argc, char* argv[]);

// The device root can be written (every folder the program uses) and no other panel runs
// on it: the lock file "/sim/panel.lock" under the root is held until the process ends,
// however it ends.
QString claim_device_root();

// Before the application object: one fixed font DPI on every platform, a private runtime
// folder when none is set, and Qt's notes that say nothing to a user filtered out.
void prepare_environment();

// Where no platform is chosen: the panel in one window on the X display ($DISPLAY) when
// one answers and can show it (drawn offscreen), else served over VNC (VNC_PORT, VNC_ADDR),
// said in one line as run.sh says it. The platform xcb is refused.
QString choose_display(int argc, char* argv[]);

// With the VNC platform: the port is opened here, on localhost unless the platform's
// "addr=" option names another address, and the platform becomes offscreen: the program
// serves the panel on that port itself once the application object exists.
// A taken port is reported before anything starts.
QString open_vnc_port(int argc, char* argv[]);

// After the application object: the VNC server or the X window, and the simulated reboot: the shell
// gate's "reboot" (recorded, never run on this machine) ends the process and starts the
// panel again, the same program with the same arguments on the same device root.
void application_created(QApplication* app);

// The look Qt gives the device's linuxfb, on every platform: the style of a platform without
// a theme ("Windows"; offscreen and X would pick Fusion), and the application font named:
// the families the pictures are painted with at the size such a platform gives, so that
// another machine's font defaults cannot change text widths.
void device_look();

} // namespace host
