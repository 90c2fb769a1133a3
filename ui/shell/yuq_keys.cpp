#include "yuq_keys.h"

#include "syncupdate.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "comm/keypad_link.h"

#include <cstring>

int check_hiddev()
{
    return keypad_listed() ? 1 : 0;
}

void key_led_report(const unsigned char* image, int window, bool updating,
                    unsigned char out[KEY_REPORT_SIZE])
{
    std::memset(out, 0, KEY_REPORT_SIZE);
    out[0] = updating ? 0x5A : 0xA5;
    if (window < 0 || window >= WINDOW_COUNT)
        return; // no window record to read
    const int base = img::Window + img::WindowSize * window;
    // Window LEDs: 0-3 in byte 1, 4-5 in byte 2, every other bit.
    static const uint8_t windowBit[WINDOW_COUNT][2] = {{1, 0x01}, {1, 0x04}, {1, 0x10},
                                                       {1, 0x40}, {2, 0x01}, {2, 0x04}};
    if (rd16(image, base + img::WinFlags) & 1)
        out[windowBit[window][0]] |= windowBit[window][1];

    // Input LEDs by input id: byte, with-signal bit (the no-signal bit is the next one up).
    static const uint8_t inputBit[6][2] = {{2, 0x10}, {2, 0x40}, {3, 0x10},
                                           {3, 0x40}, {3, 0x01}, {3, 0x04}};
    short crop = 0;
    char index = 0;
    const int s = YuqRamPara::p_yuqrampara_config->YuqGetImageSource(
        const_cast<unsigned char*>(image), uchar(window), &crop, &index, 0);
    if (s >= 0 && s < 6) {
        const int t = img::SourceTiming + 6 * s;
        const bool signal = rd16(image, t) && rd16(image, t + 2) && rd16(image, t + 4);
        out[inputBit[s][0]] |= signal ? inputBit[s][1] : uint8_t(inputBit[s][1] << 1);
    }

    const uint16_t mode = rd16(image, base + img::WinMode);
    if (mode & 0x2)
        out[4] |= 0x01; // frozen
    if (mode & 0x1)
        out[4] |= 0x04; // black
}

void SyncUpdate::update_usb_keyLed()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p)
        return;
    unsigned char report[KEY_REPORT_SIZE];
    key_led_report(p->ram_para, g_image_current.load(), g_update_flag.load() != 0, report);
    if (std::memcmp(report, last_key_report, KEY_REPORT_SIZE) == 0)
        return;
    if (!keypad_send(report, KEY_REPORT_SIZE))
        return; // not sent: the next refresh tries again
    // Only a report the keypad took counts as sent.
    std::memcpy(last_key_report, report, KEY_REPORT_SIZE);
}
