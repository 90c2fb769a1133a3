#include "yuq_keys.h"

#include "syncupdate.h"

// Presence and LED report come with the keypad; until then no keypad is found.
int check_hiddev()
{
    return 0;
}

void SyncUpdate::update_usb_keyLed() {}
