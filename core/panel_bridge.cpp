#include "panel_bridge.h"

PanelBridge* PanelBridge::instance()
{
    static PanelBridge* b = new PanelBridge;
    return b;
}
