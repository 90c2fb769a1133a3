#pragma once
// The "Updating" overlay as the service threads ask for it: g_update_flag says whether it
// is shown; the open and close themselves run on the GUI thread through PanelBridge.

// Sets g_update_flag and asks for the overlay unless it was already set.
// True when this call asked for it.
bool overlay_update_start();
// Clears g_update_flag and asks for the overlay to close when it was set.
// True when this call asked for it.
bool overlay_update_over();
// Whether the overlay's animation moves: not while the device's clock stands, so that a
// picture of the overlay comes out alike whenever it is taken.
bool overlay_update_animates();
