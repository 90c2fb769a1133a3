#include "yuq_keyboard.h"

#include "screenkit.h"
#include "core/global.h"
#include "core/yuqrampara.h"

#include <QtDebug>

namespace {

bool window_enabled(YuqRamPara* p, int w)
{
    return p->image16(img::Window + img::WindowSize * w + img::WinFlags) & 1;
}

void select_window(YuqRamPara* p, int w)
{
    if (g_image_current.load() == w)
        return;
    g_image_current = uint8_t(w);
    p->test_signal(1);
}

void put_input(YuqRamPara* p, int source)
{
    // The setter refuses a current window out of range.
    p->YuqSetImageSource(0, char(source), char(g_image_current.load()));
}

} // namespace

void yuq_keyboard::update_usb_keyEvent(int key)
{
    qDebug("update_usb_keyEvent key=%#x", key);
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p || kit::key_locked())
        return;
    // Whole codes: a function key whose low byte is a letter is not that letter.
    switch (key) {
    case 'A':
        select_window(p, 0); // window 0 is always there
        break;
    case 'B':
    case 'C':
    case 'D':
    case 'E':
    case 'F': {
        const int w = key - 'A';
        if (window_enabled(p, w))
            select_window(p, w);
        break;
    }
    case 'G':
        put_input(p, 0); // EXT
        break;
    case 'H':
        put_input(p, 1); // DVI
        break;
    case 'I':
        put_input(p, 4); // HDMI3
        break;
    case 'J':
        put_input(p, 5); // HDMI4
        break;
    case 'K':
        put_input(p, 2); // HDMI1
        break;
    case 'L':
        put_input(p, 3); // HDMI2
        break;
    case 'N':
        p->YuqSetImageFreeze();
        break;
    case 'P':
        p->YuqSetImageBlack();
        break;
    default:
        break;
    }
}
