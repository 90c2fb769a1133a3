#pragma once
// The GUI side of the services' requests (core/panel_bridge.h): connected queued, and each
// looks the screen up again when it runs, since it may have closed meanwhile.
void connect_panel_requests();
