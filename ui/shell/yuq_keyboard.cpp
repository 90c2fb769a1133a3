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
    case 'H':
    case 'I':
    case 'J':
    case 'K':
    case 'L': {
        // EXT, DVI, HDMI3, HDMI4, HDMI1, HDMI2
        static const int kInputs[6] = {0, 1, 4, 5, 2, 3};
        put_input(p, kInputs[key - 'G']);
        break;
    }
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
