#pragma once
// Control-FIFO commands a user types while trying the panel (host build).

// "language zh|en|ru|vn|tn": the panel language, written as the PC link writes it.
// "age sample [N]": N aging-log samples now (the first otherwise comes 180 s after start).
void register_control_commands();
