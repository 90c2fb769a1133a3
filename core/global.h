#pragma once
// Globals shared across threads, each defined once in global.cpp.
// Flags that threads share are std::atomic of the documented width.
#include <QMutex>
#include <QString>
#include <QVector>
#include <atomic>
#include <cstdint>
#include <cstdio>

// A QString that several threads read and write: always copied under its lock.
class SharedString
{
public:
    explicit SharedString(const QString& v = QString()) : m_value(v) {}
    QString get() const
    {
        QMutexLocker l(&m_mutex);
        return m_value;
    }
    void set(const QString& v)
    {
        QMutexLocker l(&m_mutex);
        m_value = v;
    }
    operator QString() const { return get(); }
    SharedString& operator=(const QString& v)
    {
        set(v);
        return *this;
    }

private:
    mutable QMutex m_mutex;
    QString m_value;
};

// Time: 10 ms ticks, advanced only by the GUI tick.
extern std::atomic<uint32_t> G_timeTicks;
extern std::atomic<uint32_t> G_reboot_tickTicks;
extern std::atomic<uint32_t> G_factoryage_ticks;

// Panel state.
extern std::atomic<uint8_t> g_language;        // 0 zh, 1 en, 2 ru, 3 vn, 4 zh-TW
extern std::atomic<uint32_t> g_lcd_lang_valid; // bit (1 << language)
// A language 0..4 whose bit of g_lcd_lang_valid is set; any other number is never enabled,
// whatever bits the mask carries above 4.
inline bool language_enabled(int language)
{
    return language >= 0 && language <= 4 && (g_lcd_lang_valid.load() & (1u << language));
}
extern std::atomic<uint8_t> g_image_current;   // current window 0..5
extern std::atomic<uint8_t> g_page_focus;      // page id of the screen in front
extern std::atomic<uint8_t> g_update_flag;     // update overlay shown
extern std::atomic<uint8_t> g_yuq_keys;        // keypad present
extern std::atomic<uint8_t> g_debugSwitch;     // 254 = diagnostic lines on
extern std::atomic<uint8_t> g_mode_select;     // user-mode slot chosen last 0..15
extern std::atomic<uint8_t> g_mode_shortcut_key;

// Cross-thread requests.
extern std::atomic<uint8_t> g_app_reset_flag;  // reboot requested
extern std::atomic<uint32_t> g_delay_usbserver; // USB-storage reports enabled
extern std::atomic<uint8_t> pc_cmd_valid;      // PC command to the cards in progress
extern std::atomic<uint32_t> pc_cmd_time;      // tick of the last PC command
extern std::atomic<uint32_t> g_usb_grade;      // USB-stick upgrade requested/running
extern std::atomic<uint8_t> g_set_led_para;    // LED-size handshake (Utils::_led_para_init_mutex)
extern std::atomic<uint8_t> g_set_led_setup;   // step of the FPGA side's LED change
extern std::atomic<uint8_t> g_wifi_reset_flag;

// Network and device texts from the configuration.
extern SharedString g_str_ip;
extern SharedString g_srt_mask;
extern SharedString g_str_gateway;
extern SharedString g_str_barcode;
extern SharedString g_usb_grade_path;
extern std::atomic<uint32_t> g_tcp_port;
extern std::atomic<uint32_t> g_max_pixel;

// Crop bitmap per source: 5 bytes (40 bits) per source id 0..5.
extern uint8_t g_cut_source_state[30];

// Diagnostic printf, shown while g_debugSwitch is 254.
#define YUQ_TRACE(...)                                                                            \
    do {                                                                                          \
        if (g_debugSwitch.load(std::memory_order_relaxed) == 254) {                               \
            std::printf(__VA_ARGS__);                                                             \
            std::fflush(stdout);                                                                  \
        }                                                                                         \
    } while (0)
