#pragma once
// The simulated device: two FPGAs at their register numbers and parameter images, the
// scaler at the level of its driver's operations, six receivers at their timing records,
// behind the platform's SPI bus, I2C bus and GPIO block. Tests read what each part was
// told and change what it reports.
#include "platform/wire.h"

#include <QString>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <vector>

namespace sim {

class SimFpga
{
public:
    explicit SimFpga(int index);
    void restore();                 // the state after power-on, cables as at delivery

    // Reset line (GPIO): low holds the FPGA; releasing it starts the boot.
    void hold_reset(bool held);
    bool done() const;              // configured and running
    void set_power(bool on);        // "fpga N down|up"
    void set_link(int port, bool on); // port 0..9 of this FPGA

    // SPI side; false when the FPGA does not answer.
    bool read_reg(int reg, uint8_t* value);
    bool write_reg(int reg, uint8_t value);
    bool read_ram(int offset, uint8_t* buf, int len);
    bool write_ram(int offset, const uint8_t* buf, int len);

    // Tests: what the FPGA holds now.
    uint8_t peek_reg(int reg) const;
    uint8_t peek_ram(int offset) const;
    int reg_writes(int reg) const;

    // Boot time after reset release or power-up (a few seconds; tests use 0).
    static std::atomic<int> boot_ms;

private:
    bool running_locked() const;
    void load_defaults_locked();

    const int m_index;
    mutable std::mutex m_mutex;
    bool m_powered = true;
    bool m_held = false;
    std::chrono::steady_clock::time_point m_boot_at;
    uint16_t m_links = 0;
    uint8_t m_regs[256] = {};
    uint8_t m_ram[fpgawire::RamSize] = {};
    int m_writes[256] = {};
    unsigned m_age_reads = 0;
};

struct ScalerWindow
{
    int enabled = 0, x = 0, y = 0, w = 0, h = 0, mirror = 0;
    int source = -1, cx = 0, cy = 0, cw = 0, ch = 0;
    int mode = 0, dot_mode = 0, volume = 0, fade1 = 0, fade2 = 0;
};

// Everything the scaler was told, as it holds it now.
struct ScalerState
{
    int init_stage = -1;
    int panel[5] = {};      // LED w, h, output-1 w, h, splice mode
    int panel_inits = 0;
    ScalerWindow win[6];
    int all_windows = 0;
    int pattern = 0;
    int colour_word = 0;
    int gains[3] = {};
    int picture[4] = {};    // brightness, contrast, sharpness, saturation
    int current_window = 0;
    int dot_by_dot = 0;
    int switch_effect = 0;
    int osd_reloads = 0;
    int timing[6][3] = {};  // per input: width, height, rate
    int ops = 0;
};

class SimScaler
{
public:
    void restore();
    void hold_reset(bool held);
    int transfer(const uint8_t* tx, uint8_t* rx, size_t len);
    ScalerState state() const;
    int count(int op) const;        // operations of that kind received
    std::atomic<uint32_t> fonts{0xF}; // fonts present in its flash, bit per font

private:
    mutable std::mutex m_mutex;
    ScalerState m_state;
    std::vector<int> m_counts = std::vector<int>(32, 0);
    bool m_held = false;
};

struct ReceiverTiming
{
    bool signal = false;
    int width = 0, height = 0, rate = 0;
};

class SimReceivers
{
public:
    void restore();
    void set_input(int s, int width, int height, int rate);
    void set_off(int s);
    int rdwr(uint8_t addr, const uint8_t* wr, size_t wlen, uint8_t* rd, size_t rlen);
    // Tests: the EDID last written to input s (width, height, rate) and how often.
    void edid(int s, int* width, int* height, int* rate, int* writes) const;

private:
    mutable std::mutex m_mutex;
    ReceiverTiming m_in[6];
    int m_edid[6][3] = {};
    int m_edid_writes[6] = {};
};

SimFpga& fpga(int index);
SimScaler& scaler();
SimReceivers& receivers();

// Installs the simulated buses behind the platform seams (once) and registers the
// control commands of the simulated hardware.
void install();
// Tests: every part back to its power-on state.
void restore_all();

} // namespace sim
