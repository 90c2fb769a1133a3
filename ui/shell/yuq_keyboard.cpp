#include "yuq_keyboard.h"

// The shortcuts come with the keypad; until then every key is ignored here.
void yuq_keyboard::update_usb_keyEvent(int key)
{
    (void)key;
}
