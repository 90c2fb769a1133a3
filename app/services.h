#pragma once
// Start-up steps of the services, called by yuq_main in the device's order.
// Each step reports a thread that fails to start and goes on.
#include <QList>
#include <QString>
#include <functional>
#include <qnamespace.h>

class QImage;
class QWidget;

// The simulated device behind the platform seams (host build only).
void install_simulated_device();
// The panel's windows exist: the control channel's key and screenshot commands, held
// until now, go ahead.
void panel_ready();
// Runs `fn` on the GUI thread as an event of its own, which the GUI thread alone deletes
// (a queued functor call would share its reference count with the poster). False before
// panel_ready().
bool on_gui_thread(std::function<void()> fn);
// A key pressed or released on the panel (on the GUI thread), at the home window: the panel
// rules hand it to the screen in front or the pop-up, as they do the keypad's keys.
void panel_key_event(bool down, int key, Qt::KeyboardModifiers modifiers, const QString& text);
// The panel's windows that can be seen, lowest first (on the GUI thread).
QList<QWidget*> panel_windows();
// The panel as shown, 320x240 RGB32: what the screenshot and the VNC viewers see.
QImage panel_image();
// zarvosource, fpga_manage, c331_manage: created, engine thread started.
void create_hardware_services();
// The FPGA thread and the input-source thread.
void start_hardware_threads();
// UsbServer and the link threads, K87_WIFI_CONFIG.
void create_links();
// The control channel's commands of the links, the stick and the cards (host build).
void register_link_commands();
// From now on a `stick in` waits until the USB watcher listens (only with a tick that
// runs on its own: the watcher listens from tick 1000 on).
void sticks_wait_for_the_watcher();
// The PC link's stand-ins (pc image, pc lang-mask, pc busy) on the control channel.
void register_pc_commands();
