#include "sim_device.h"
#include "control_scaler.h"

#include "control.h"
#include "platform/buses.h"

#include <cmath>
#include <cstdio>

namespace sim {

using Clock = std::chrono::steady_clock;

// ---- FPGA ----

std::atomic<int> SimFpga::boot_ms{3000};

namespace {
// Register 42 grows by these steps, one per read, so every band of the aging log fills.
const uint8_t kAgeSteps[] = {1, 2, 3, 4, 6, 9, 12, 19, 25, 0};
const uint8_t kVersion[2][4] = {{0x05, 0x12, 0x03, 0x24}, {0x06, 0x20, 0x01, 0x25}};
const uint16_t kDeliveryLinks[2] = {0x0107, 0x0003}; // ports 1-3 and 9; ports 11, 12
} // namespace

SimFpga::SimFpga(int index) : m_index(index) { restore(); }

void SimFpga::restore()
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_powered = true;
    m_held = false;
    m_links = kDeliveryLinks[m_index];
    m_age_reads = 0;
    m_boot_at = Clock::now() + std::chrono::milliseconds(boot_ms.load());
    std::fill(std::begin(m_writes), std::end(m_writes), 0);
    std::fill(std::begin(m_regs), std::end(m_regs), 0);
    load_defaults_locked();
}

void SimFpga::load_defaults_locked()
{
    m_regs[fpgawire::RegControl] = 0;
    m_regs[fpgawire::RegOutput] = 0x20;
    m_regs[fpgawire::RegBrightness] = 255;
    for (int i = 0; i < 4; ++i)
        m_regs[fpgawire::RegVersion + i] = kVersion[m_index][i];
    m_regs[fpgawire::RegAgeStatus] = 0x1F;
    m_regs[fpgawire::RegAgeCount] = 0;
    m_regs[fpgawire::RegAgeValue] = 40;
    // Port areas: the twenty ports tile the canvas 4 across, 480 x 216 each.
    std::fill(std::begin(m_ram), std::end(m_ram), 0);
    for (int k = 0; k < 10; ++k) {
        const int p = m_index * 10 + k;
        const int v[4] = {(p % 4) * 480, (p / 4) * 216, 480, 216};
        const int off = fpgawire::port_area_offset(k);
        for (int i = 0; i < 4; ++i) {
            m_ram[off + 2 * i] = uint8_t(v[i]);
            m_ram[off + 2 * i + 1] = uint8_t(v[i] >> 8);
        }
    }
}

bool SimFpga::running_locked() const
{
    return m_powered && !m_held && Clock::now() >= m_boot_at;
}

void SimFpga::hold_reset(bool held)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (m_held && !held) {
        m_boot_at = Clock::now() + std::chrono::milliseconds(boot_ms.load());
        load_defaults_locked();
    }
    m_held = held;
}

bool SimFpga::done() const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return running_locked();
}

void SimFpga::set_power(bool on)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (on && !m_powered) {
        m_boot_at = Clock::now() + std::chrono::milliseconds(boot_ms.load());
        load_defaults_locked();
    }
    m_powered = on;
}

void SimFpga::set_link(int port, bool on)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (port < 0 || port > 9)
        return;
    if (on)
        m_links |= uint16_t(1u << port);
    else
        m_links &= uint16_t(~(1u << port));
}

bool SimFpga::read_reg(int reg, uint8_t* value)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (!running_locked() || !fpgawire::reg_exists(reg))
        return false;
    if (reg == fpgawire::RegLinkLow) {
        *value = uint8_t(m_links & 0xFF);
        return true;
    }
    if (reg == fpgawire::RegLinkHigh) {
        *value = uint8_t((m_links >> 8) & 0x03);
        return true;
    }
    if (reg == fpgawire::RegAgeCount) {
        m_regs[reg] = uint8_t(m_regs[reg] + kAgeSteps[m_age_reads++ % sizeof kAgeSteps]);
    } else if (reg == fpgawire::RegAgeStatus) {
        // Now and then the HS check fails.
        m_regs[reg] = (m_age_reads % 7 == 6) ? 0x17 : 0x1F;
    } else if (reg == fpgawire::RegAgeValue) {
        m_regs[reg] = uint8_t(40 + m_age_reads % 8);
    }
    *value = m_regs[reg];
    return true;
}

bool SimFpga::write_reg(int reg, uint8_t value)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (!running_locked() || !fpgawire::reg_exists(reg))
        return false;
    if (reg == fpgawire::RegLinkLow || reg == fpgawire::RegLinkHigh)
        return true; // read-only status
    m_regs[reg] = value;
    ++m_writes[reg];
    return true;
}

bool SimFpga::read_ram(int offset, uint8_t* buf, int len)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (!running_locked() || offset < 0 || len < 0 || offset + len > fpgawire::RamSize)
        return false;
    std::memcpy(buf, m_ram + offset, size_t(len));
    return true;
}

bool SimFpga::write_ram(int offset, const uint8_t* buf, int len)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (!running_locked() || offset < 0 || len < 0 || offset + len > fpgawire::RamSize)
        return false;
    std::memcpy(m_ram + offset, buf, size_t(len));
    return true;
}

uint8_t SimFpga::peek_reg(int reg) const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return (reg >= 0 && reg < 256) ? m_regs[reg] : 0;
}

uint8_t SimFpga::peek_ram(int offset) const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return (offset >= 0 && offset < fpgawire::RamSize) ? m_ram[offset] : 0;
}

int SimFpga::reg_writes(int reg) const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return (reg >= 0 && reg < 256) ? m_writes[reg] : 0;
}

// ---- scaler ----

void SimScaler::restore()
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_state = ScalerState();
    std::fill(m_counts.begin(), m_counts.end(), 0);
    m_held = false;
    fonts = 0xF;
}

void SimScaler::hold_reset(bool held)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (held)
        m_state = ScalerState();
    m_held = held;
}

int SimScaler::transfer(const uint8_t* tx, uint8_t* rx, size_t len)
{
    using namespace scalerwire;
    if (len < 2 || !tx)
        return -1;
    const int n = tx[1];
    if (n > MaxArgs || len < size_t(2 + 4 * n))
        return -1;
    int a[MaxArgs] = {};
    for (int i = 0; i < n; ++i)
        a[i] = get32(tx + 2 + 4 * i);
    std::lock_guard<std::mutex> l(m_mutex);
    if (m_held)
        return -1;
    const int op = tx[0];
    if (op < int(m_counts.size()))
        ++m_counts[size_t(op)];
    ++m_state.ops;
    ScalerState& s = m_state;
    auto win = [&s](int w) -> ScalerWindow* { return (w >= 0 && w < 6) ? &s.win[w] : nullptr; };
    switch (op) {
    case OpInit: s.init_stage = a[0]; break;
    case OpReadFont:
        if (rx && len > 2)
            rx[2] = (a[0] >= 0 && a[0] < 4 && (fonts.load() & (1u << a[0]))) ? 1 : 0;
        break;
    case OpPanelInit:
        for (int i = 0; i < 5; ++i)
            s.panel[i] = a[i];
        ++s.panel_inits;
        break;
    case OpWindow:
        if (ScalerWindow* w = win(a[0])) {
            w->enabled = a[1]; w->x = a[2]; w->y = a[3]; w->w = a[4]; w->h = a[5]; w->mirror = a[6];
        }
        break;
    case OpWindowInput:
        if (ScalerWindow* w = win(a[0])) {
            w->source = a[1]; w->cx = a[2]; w->cy = a[3]; w->cw = a[4]; w->ch = a[5];
        }
        break;
    case OpWindowMode:
        if (ScalerWindow* w = win(a[0])) {
            w->mode = a[1]; w->dot_mode = a[2];
        }
        break;
    case OpAllWindows: s.all_windows = a[0]; break;
    case OpPattern: s.pattern = a[0]; break;
    case OpColourGains:
        s.colour_word = a[0]; s.gains[0] = a[1]; s.gains[1] = a[2]; s.gains[2] = a[3];
        break;
    case OpPicture:
        if (a[0] >= 0 && a[0] < 4)
            s.picture[a[0]] = a[1];
        break;
    case OpCurrentWindow: s.current_window = a[0]; break;
    case OpDotByDot: s.dot_by_dot = a[0]; break;
    case OpSwitchEffect: s.switch_effect = a[0]; break;
    case OpVolume:
        if (ScalerWindow* w = win(a[0]))
            w->volume = a[1];
        break;
    case OpFade:
        if (ScalerWindow* w = win(a[0])) {
            w->fade1 = a[1]; w->fade2 = a[2];
        }
        break;
    case OpOsdReload: ++s.osd_reloads; break;
    case OpInputTiming:
        if (a[0] >= 0 && a[0] < 6) {
            s.timing[a[0]][0] = a[1]; s.timing[a[0]][1] = a[2]; s.timing[a[0]][2] = a[3];
        }
        break;
    default: return -1;
    }
    return 0;
}

ScalerState SimScaler::state() const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return m_state;
}

int SimScaler::count(int op) const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return (op >= 0 && op < int(m_counts.size())) ? m_counts[size_t(op)] : 0;
}

// ---- receivers ----

void SimReceivers::restore()
{
    std::lock_guard<std::mutex> l(m_mutex);
    const ReceiverTiming start[6] = {
        {false, 0, 0, 0},      // EXT: no signal
        {true, 1920, 1080, 60}, // DVI
        {true, 1920, 1080, 60}, // HDMI1
        {true, 1280, 720, 50},  // HDMI2
        {true, 3840, 2160, 30}, // HDMI3
        {true, 1920, 1080, 0},  // HDMI4: rate not measured
    };
    for (int s = 0; s < 6; ++s)
        m_in[s] = start[s];
    std::memset(m_edid, 0, sizeof m_edid);
    std::memset(m_edid_writes, 0, sizeof m_edid_writes);
}

void SimReceivers::set_input(int s, int width, int height, int rate)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (s >= 0 && s < 6)
        m_in[s] = {true, width, height, rate};
}

void SimReceivers::set_off(int s)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (s >= 0 && s < 6)
        m_in[s] = {false, 0, 0, 0};
}

int SimReceivers::rdwr(uint8_t addr, const uint8_t* wr, size_t wlen, uint8_t* rd, size_t rlen)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (addr >= rxwire::ReceiverBase && addr < rxwire::ReceiverBase + 6) {
        const int s = addr - rxwire::ReceiverBase;
        if (wlen < 1 || wr[0] != 0 || rlen < size_t(4 * rxwire::RecordWords))
            return -1;
        uint32_t w[rxwire::RecordWords] = {};
        const ReceiverTiming& t = m_in[s];
        if (t.signal) {
            w[rxwire::Hact] = uint32_t(t.width);
            w[rxwire::Htotal] = uint32_t(t.width + 280);
            w[rxwire::Hsync] = 44;
            w[rxwire::Hback] = 148;
            w[rxwire::Vact] = uint32_t(t.height);
            w[rxwire::Vtotal] = uint32_t(t.height + 45);
            w[rxwire::Vsync] = 5;
            w[rxwire::Vback] = 36;
            w[rxwire::PixelKHz] = uint32_t(std::llround(double(t.rate) * (t.width + 280) * (t.height + 45) / 1000.0));
            w[rxwire::Type] = s >= 4 ? 2 : 1;
            w[rxwire::Lanes] = s >= 4 ? 8 : 0;
            w[rxwire::Valid] = 1;
        } else {
            w[rxwire::NoSignal] = 1;
        }
        for (int i = 0; i < rxwire::RecordWords; ++i)
            scalerwire::put32(rd + 4 * i, int32_t(w[i]));
        return 0;
    }
    if (addr >= rxwire::EdidBase && addr < rxwire::EdidBase + 6) {
        const int s = addr - rxwire::EdidBase;
        if (wlen >= 7 && wr[0] == 0) {
            for (int i = 0; i < 3; ++i)
                m_edid[s][i] = wr[1 + 2 * i] | (wr[2 + 2 * i] << 8);
            ++m_edid_writes[s];
        }
        if (rlen && rd)
            std::memset(rd, 0, rlen);
        return 0;
    }
    return -1;
}

void SimReceivers::edid(int s, int* width, int* height, int* rate, int* writes) const
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (s < 0 || s >= 6)
        return;
    *width = m_edid[s][0];
    *height = m_edid[s][1];
    *rate = m_edid[s][2];
    *writes = m_edid_writes[s];
}

// ---- the buses ----

namespace {

SimFpga g_fpga0(0), g_fpga1(1);
SimScaler g_scaler;
SimReceivers g_receivers;
bool g_receivers_ready = (g_receivers.restore(), true);

class SimSpi : public platform::SpiBus
{
public:
    int transfer(int device, const uint8_t* tx, uint8_t* rx, size_t len) override
    {
        if (device == platform::SpiScaler)
            return g_scaler.transfer(tx, rx, len);
        if (device != platform::SpiFpga0 && device != platform::SpiFpga1)
            return -1; // the configuration flashes are not simulated
        SimFpga& f = fpga(device - platform::SpiFpga0);
        if (len < 3 || !tx)
            return -1;
        switch (tx[0]) {
        case fpgawire::CmdReadReg: {
            uint8_t v = 0;
            if (!f.read_reg(tx[1], &v))
                return -1;
            if (rx)
                rx[2] = v;
            return 0;
        }
        case fpgawire::CmdWriteReg: return f.write_reg(tx[1], tx[2]) ? 0 : -1;
        case fpgawire::CmdReadRam:
            return (rx && f.read_ram(tx[1] | tx[2] << 8, rx + fpgawire::RamHeader,
                                     int(len) - fpgawire::RamHeader)) ? 0 : -1;
        case fpgawire::CmdWriteRam:
            return f.write_ram(tx[1] | tx[2] << 8, tx + fpgawire::RamHeader,
                               int(len) - fpgawire::RamHeader) ? 0 : -1;
        default: return -1;
        }
    }
};

class SimI2c : public platform::I2cBus
{
public:
    int rdwr(uint8_t addr, const uint8_t* wr, size_t wlen, uint8_t* rd, size_t rlen) override
    {
        return g_receivers.rdwr(addr, wr, wlen, rd, rlen);
    }
};

class SimGpio : public platform::GpioBlock
{
public:
    int read(int line) override
    {
        switch (line) {
        case platform::GpioFpga0Done: return g_fpga0.done() ? 1 : 0;
        case platform::GpioFpga1Done: return g_fpga1.done() ? 1 : 0;
        case platform::GpioScalerReset:
        case platform::GpioFpga0Reset:
        case platform::GpioFpga1Reset: return m_out[line].load();
        default: return -1;
        }
    }
    void write(int line, int value) override
    {
        switch (line) {
        case platform::GpioScalerReset: g_scaler.hold_reset(value == 0); break;
        case platform::GpioFpga0Reset: g_fpga0.hold_reset(value == 0); break;
        case platform::GpioFpga1Reset: g_fpga1.hold_reset(value == 0); break;
        default: return;
        }
        m_out[line] = value ? 1 : 0;
    }

private:
    std::atomic<int> m_out[platform::GpioLineCount] = {{1}, {1}, {1}, {0}, {0}};
};

SimSpi g_spi;
SimI2c g_i2c;
SimGpio g_gpio;

} // namespace

SimFpga& fpga(int index) { return index == 1 ? g_fpga1 : g_fpga0; }
SimScaler& scaler() { return g_scaler; }
SimReceivers& receivers()
{
    (void)g_receivers_ready;
    return g_receivers;
}

void install()
{
    platform::install_buses(&g_spi, &g_i2c, &g_gpio);
    register_hardware_commands();
    register_scaler_commands();
    register_edid_commands();
    register_card_commands();
}

void restore_all()
{
    g_fpga0.restore();
    g_fpga1.restore();
    g_scaler.restore();
    g_receivers.restore();
    for (int l : {platform::GpioScalerReset, platform::GpioFpga0Reset, platform::GpioFpga1Reset})
        g_gpio.write(l, 1);
}

} // namespace sim
