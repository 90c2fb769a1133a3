#pragma once
// The keypad shortcuts every screen hands its released keys to ('A'..'L', 'N', 'P').
class yuq_keyboard
{
public:
    yuq_keyboard() {}
    void update_usb_keyEvent(int key);
};
