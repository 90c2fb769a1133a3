#pragma once
// The scaler engine: brings the chip up, then on every re-apply request takes a snapshot
// of the live image and programs the chip with what differs from what the chip has.
#include "core/engine_handshake.h"
#include "core/service_thread.h"
#include "core/yuqrampara.h"

#include <pthread.h>
#include <atomic>
#include <cstdint>

class c331_manage
{
public:
    static c331_manage* pInstance();
    static c331_manage* p_c331_manage;
    static void destroy_for_test();

    // The re-apply handshake under the engine's names. Writers: lock c331_mutex, raise
    // (never lowering 2 to 1) with request_update, write the image, unlock.
    pthread_mutex_t& c331_mutex;
    std::atomic<uint8_t>& c331_update;
    void lock() { pthread_mutex_lock(&c331_mutex); }
    void unlock() { pthread_mutex_unlock(&c331_mutex); }
    void request_update(uint8_t value = 1) { EngineHandshake::instance().raise(value); }

    // Fonts present in the scaler's flash: bit 0 32-dot Chinese, 1 32-dot English,
    // 2 64-dot Chinese, 3 64-dot English.
    std::atomic<uint32_t> c331_font_valid{0};
    int read_c331_font();

    int c331_SetPattern(int n);
    int c331_SetColorTemp(int value);
    int yuqApi_PnlInit2(int ledW, int ledH, int out1W, int out1H, int splice);

    // The engine thread: bring-up, then a pass every 10 ms.
    void start_thread();
    void stop_for_test();
    // Chip bring-up; the chip's record starts as the image it was brought up with.
    void bring_up();
    // One pass: when the re-apply byte is set, snapshot, apply, record, refresh. Returns
    // the refresh code raised, 0 when there was nothing to do.
    int c331managerdeal();
    // Input timings while no test pattern is shown.
    void input_timing_deal();

    // Tests: what the engine believes the chip holds.
    const unsigned char* chip_record() const { return m_chip; }
    // Tests: the engine thread's bring-up is done (its own first panel init included).
    bool brought_up() const { return m_up.load(); }

private:
    c331_manage();
    void apply(const unsigned char* snap, bool all);
    void apply_window(const unsigned char* snap, int w, bool all);
    void wait_led_steps();
    // The chip's record becomes the applied snapshot, with the pattern the chip took.
    void record(const unsigned char* snap);

    unsigned char m_chip[RAM_PARA_SIZE];
    const unsigned char* m_view = m_chip; // the image being applied
    uint16_t m_timing[6][3] = {};
    uint8_t m_pattern = 0; // the pattern the chip shows (set by apply)

    ServiceThread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_up{false}; // brought up (set by the engine thread)
};
