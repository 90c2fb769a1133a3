#pragma once
// The operating-time record: minutes the device has run, counted from the 10 ms ticks.
// The record in the FPGA flash is not kept on the host build.
#include <atomic>
#include <cstdint>

class clock_record_run
{
public:
    // Called on every FPGA pass.
    void run();
    uint32_t minutes() const { return m_minutes.load(); }

private:
    uint32_t m_stamp = 0;
    bool m_started = false;
    std::atomic<uint32_t> m_minutes{0};
};
