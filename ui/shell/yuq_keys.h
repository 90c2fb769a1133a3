#pragma once
// The USB keypad: presence check at start-up (the LED report is SyncUpdate::update_usb_keyLed).
int check_hiddev();
