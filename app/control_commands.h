#pragma once
// Control-FIFO commands a user types while trying the panel (host build).

// "language zh|en|ru|vn|tn": the panel language, written as the PC link writes it.
void register_control_commands();
