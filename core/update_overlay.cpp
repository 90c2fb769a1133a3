#include "update_overlay.h"

#include "global.h"
#include "panel_bridge.h"
#include "platform/clock.h"

bool overlay_update_start()
{
    // One exchange, so two threads starting at once ask for one overlay.
    if (g_update_flag.exchange(1) != 0)
        return false;
    emit PanelBridge::instance()->sig_update_start();
    return true;
}

bool overlay_update_over()
{
    if (g_update_flag.exchange(0) == 0)
        return false;
    emit PanelBridge::instance()->sig_update_over();
    return true;
}

bool overlay_update_animates()
{
    return !platform::device_clock_stands();
}
