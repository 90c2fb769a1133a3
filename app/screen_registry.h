#pragma once
// Fills the screen kit's registry with every screen that is built; pages without one open
// the kit's stand-in.
void register_screens();
