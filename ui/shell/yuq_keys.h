#pragma once
// The USB keypad: presence check at start-up and its LED output report (sent by
// SyncUpdate::update_usb_keyLed).
#include <cstdint>

#include "comm/keypad_link.h"

constexpr int KEY_REPORT_SIZE = 5;

// 1 when the keypad is listed among the HID devices, else 0.
int check_hiddev();

// The LED report for parameter image `image` with window `window` current: byte 0 0xA5
// (0x5A while updating), the window's LED if it is enabled, its input's LED with or
// without signal, its freeze and black LEDs. A window above 5 lights nothing.
void key_led_report(const unsigned char* image, int window, bool updating,
                    unsigned char out[KEY_REPORT_SIZE]);
