#pragma once
// Hands a new LED size or splice mode to the FPGA side: the FPGA thread blanks the output and
// holds the engine's panel re-initialisation until it has stepped through its sequence.
// Only while both FPGAs run; otherwise the engine re-initialises the panel at once.

// Call with the engine mutex held (inside an ImageEdit): the LED mutex nests inside it.
// Returns true when the handshake was raised.
bool fpga_led_handoff();
