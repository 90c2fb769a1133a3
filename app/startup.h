#pragma once
// The process start-up, in the device's order. A library so tests and benchmarks can
// start the panel.
#include <QString>
class QApplication;

struct PanelStart
{
    int pause_ms = 4000;    // the wait for the hardware threads before the first screen
    bool tick_timer = true; // the 10 ms tick on a timer (tests and the walk drive it)
};

// Before the application object: device tree, simulated device, keypad, configuration,
// parameter block. Returns what keeps the panel from running, empty when nothing does.
QString panel_prepare();
// The rest, up to the standby screen shown over the home screen, and the links.
void panel_start(QApplication* app, const PanelStart& how);
int yuq_main(int argc, char* argv[]);
