#pragma once
// The USB keypad as the panel reaches it: found among the HID devices, sent LED reports.
// Through platform's HID seam (hidapi on the device, the simulated keypad on the host).
#include <cstdint>

constexpr uint16_t KEYPAD_VENDOR = 0x28E9;
constexpr uint16_t KEYPAD_PRODUCT = 0x0380;

// True when the keypad is listed (false too when the HID layer does not initialise).
bool keypad_listed();
// Sends one output report; false when the keypad is not there or refused it.
bool keypad_send(const unsigned char* report, int size);
