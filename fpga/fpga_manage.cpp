#include "fpga_manage.h"

#include "fpga_drv.h"
#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "platform/wire.h"

#include "platform/clock.h"

#include <QDateTime>
#include <QMutexLocker>
#include <chrono>
#include <cstring>
#include <thread>

fpga_manage* fpga_manage::p_fpga_manage = nullptr;

namespace {
void raise_refresh(int code)
{
    if (YuqRamPara* p = YuqRamPara::p_yuqrampara_config)
        p->test_signal(code);
}
} // namespace

fpga_manage* fpga_manage::pInstance()
{
    if (!p_fpga_manage)
        p_fpga_manage = new fpga_manage;
    return p_fpga_manage;
}

void fpga_manage::destroy_for_test()
{
    if (!p_fpga_manage)
        return;
    p_fpga_manage->stop_for_test();
    delete p_fpga_manage;
    p_fpga_manage = nullptr;
}

fpga_manage::fpga_manage()
{
    for (auto& f : MCU_REG_func)
        for (auto& b : f)
            b.store(0, std::memory_order_relaxed);
    std::memset(m_ram, 0, sizeof m_ram);
    MCU_RAM_PARA_func[0] = m_ram[0];
    MCU_RAM_PARA_func[1] = m_ram[1];
}

// ---- registers ----

int fpga_manage::read_from_register(unsigned char reg, unsigned char fpga)
{
    if (fpga > 1 || !fpgawire::reg_exists(reg))
        return -1;
    uint8_t v = 0;
    if (fpga_drv::read_reg(fpga, reg, &v) != 0)
        return -1;
    QMutexLocker l(&m_reg_mutex);
    MCU_REG_func[fpga][reg] = v;
    return 0;
}

int fpga_manage::write_to_register(unsigned char reg, unsigned char mask, unsigned char value,
                                   unsigned char fpga)
{
    if (fpga > 1 || !fpgawire::reg_exists(reg))
        return -1;
    read_from_register(reg, fpga);
    uint8_t v;
    {
        QMutexLocker l(&m_reg_mutex);
        v = uint8_t((MCU_REG_func[fpga][reg] & ~mask) | (value & mask));
        MCU_REG_func[fpga][reg] = v;
    }
    if (reg == fpgawire::RegControl)
        output_off[fpga] = (v & 0x04) ? 1 : 0;
    return fpga_drv::write_reg(fpga, reg, v);
}

int fpga_manage::get_fpga_status()
{
    for (int f = 0; f < 2; ++f) {
        if (MCU_REG_func[f][StartState] != 3 || (MCU_REG_func[f][fpgawire::RegControl] & 0x08))
            return 0;
    }
    return 1;
}

uint32_t fpga_manage::get_wlan_state()
{
    uint32_t map = 0;
    for (int f = 0; f < 2; ++f) {
        if (MCU_REG_func[f][StartState] != 3)
            continue;
        // A register that does not answer counts as no link, not as the last value seen.
        if (read_from_register(fpgawire::RegLinkLow, uint8_t(f)) != 0
            || read_from_register(fpgawire::RegLinkHigh, uint8_t(f)) != 0)
            continue;
        const uint32_t bits = (MCU_REG_func[f][fpgawire::RegLinkLow] | MCU_REG_func[f][fpgawire::RegLinkHigh] << 8) & 0x3FF;
        map |= bits << (10 * f);
    }
    return map;
}

int fpga_manage::get_eth_param_addr(unsigned char index, unsigned short* x, unsigned short* y,
                                    unsigned short* w, unsigned short* h)
{
    const int off = fpgawire::port_area_offset(index);
    *x = uint16_t(off);
    *y = uint16_t(off + 2);
    *w = uint16_t(off + 4);
    *h = uint16_t(off + 6);
    return 0;
}

bool fpga_manage::port_area(int p, uint16_t area[4])
{
    if (p < 0 || p >= 20)
        return false;
    const int fpga = p > 9 ? 1 : 0;
    unsigned short off[4];
    get_eth_param_addr(uint8_t(p - 10 * fpga), &off[0], &off[1], &off[2], &off[3]);
    QMutexLocker l(&m_ram_mutex);
    // Two single bytes, low first: some of the offsets are odd.
    for (int i = 0; i < 4; ++i)
        area[i] = uint16_t(m_ram[fpga][off[i]] | m_ram[fpga][off[i] + 1] << 8);
    return true;
}

int fpga_manage::IT8563WE_Get(TimeRealType* t)
{
    const QDateTime now = platform::device_now();
    t->second = uint8_t(now.time().second());
    t->minute = uint8_t(now.time().minute());
    t->hour = uint8_t(now.time().hour());
    t->day = uint8_t(now.date().day());
    t->weekday = uint8_t(now.date().dayOfWeek() % 7);
    t->month = uint8_t(now.date().month());
    t->year = uint16_t(now.date().year());
    return 0;
}

// ---- start-up ----

void fpga_manage::reset_fpga_rst(int fpga)
{
    if (fpga < 0 || fpga > 1)
        return;
    MCU_REG_func[fpga][StartState] = 0;
    fpga_drv::hold_reset(fpga, true);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    fpga_drv::hold_reset(fpga, false);
    MCU_REG_func[fpga][StartState] = 1;
}

int fpga_manage::load_fpga_para(int fpga)
{
    for (int r = 0; r < MirrorSize; ++r) {
        if (fpgawire::reg_exists(r) && read_from_register(uint8_t(r), uint8_t(fpga)) != 0)
            return -1;
    }
    unsigned char ram[RamSize];
    if (fpga_drv::read_ram(fpga, 0, ram, RamSize) != 0)
        return -1;
    QMutexLocker l(&m_ram_mutex);
    std::memcpy(m_ram[fpga], ram, RamSize);
    return 0;
}

void fpga_manage::startup_step(int fpga)
{
    switch (MCU_REG_func[fpga][StartState]) {
    case 0:
        reset_fpga_rst(fpga);
        break;
    case 1:
        if (fpga_drv::done(fpga))
            MCU_REG_func[fpga][StartState] = 2;
        break;
    case 2:
        if (load_fpga_para(fpga) == 0) {
            MCU_REG_func[fpga][StartState] = 3;
            brightness_flag = 1; // a restarted FPGA starts at full brightness: drive it again
            YUQ_TRACE("fpga %d running\n", fpga);
            raise_refresh(12);
        } else if (!fpga_drv::done(fpga)) {
            MCU_REG_func[fpga][StartState] = 1;
        }
        break;
    default:
        break;
    }
}

void fpga_manage::status_poll()
{
    for (int f = 0; f < 2; ++f) {
        if (MCU_REG_func[f][StartState] != 3)
            continue;
        if (!fpga_drv::done(f) || read_from_register(fpgawire::RegControl, uint8_t(f)) != 0) {
            // Lost: start it again from its reset line.
            YUQ_TRACE("fpga %d stopped\n", f);
            MCU_REG_func[f][StartState] = 0;
        }
    }
}

// ---- the pass ----

void fpga_manage::set_brightness_pending(int percent)
{
    QMutexLocker l(&Utils::_brightness_mutex);
    m_brightness = percent < 0 ? 0 : (percent > 100 ? 100 : percent);
    brightness_flag = 1;
}

void fpga_manage::brightness_deal()
{
    int percent;
    {
        QMutexLocker l(&Utils::_brightness_mutex);
        // Kept pending while no FPGA runs, so the value is not lost.
        if (!brightness_flag || (MCU_REG_func[0][StartState] != 3 && MCU_REG_func[1][StartState] != 3))
            return;
        brightness_flag = 0;
        percent = m_brightness;
    }
    const uint8_t v = uint8_t(percent * 255 / 100);
    for (int f = 0; f < 2; ++f)
        if (MCU_REG_func[f][StartState] == 3)
            write_to_register(fpgawire::RegBrightness, 0xFF, v, uint8_t(f));
    raise_refresh(1);
}

void fpga_manage::set_led_para_deal()
{
    uint8_t para, setup;
    {
        QMutexLocker l(&Utils::_led_para_init_mutex);
        para = g_set_led_para;
        setup = g_set_led_setup;
    }
    if (para == 2) {
        {
            QMutexLocker l(&Utils::_led_para_init_mutex);
            g_set_led_para = 0;
            g_set_led_setup = 0;
        }
        reset_fpga_rst(0);
        reset_fpga_rst(1);
        return;
    }
    if (para != 1)
        return;
    // Each step's new value is set only if no new request restarted the sequence meanwhile.
    auto advance = [](uint8_t from, uint8_t to) {
        QMutexLocker l(&Utils::_led_para_init_mutex);
        if (g_set_led_para == 1 && g_set_led_setup == from)
            g_set_led_setup = to;
    };
    switch (setup) {
    case 0:
        for (int f = 0; f < 2; ++f)
            write_to_register(fpgawire::RegControl, 0x04, 0x04, uint8_t(f)); // output state 0: blank
        m_led_step_tick = G_timeTicks.load();
        advance(0, 1);
        break;
    case 1:
        if (Utils::getTimeSpace(m_led_step_tick) < 11)
            break;
        for (int f = 0; f < 2; ++f)
            write_to_register(fpgawire::RegOutput, 0x20, 0x00, uint8_t(f)); // state 5
        m_led_step_tick = G_timeTicks.load();
        advance(1, 2);
        break;
    case 2:
        if (Utils::getTimeSpace(m_led_step_tick) < 31)
            break;
        {
            // A request raised meanwhile (setup back to 0) starts over instead of ending here.
            QMutexLocker l(&Utils::_led_para_init_mutex);
            if (g_set_led_para == 1 && g_set_led_setup == 2) {
                g_set_led_setup = 0;
                g_set_led_para = 0;
            }
        }
        break;
    default: // no such step: start over
        advance(setup, 0);
        break;
    }
}

void fpga_manage::pc_cmd_deal()
{
    // A PC command counts as finished 80 ticks after the last one arrived.
    if (pc_cmd_valid && Utils::getTimeSpace(pc_cmd_time) > 80)
        pc_cmd_valid = 0;
}

void fpga_manage::fpga_manage_deal()
{
    startup_step(0);
    startup_step(1);
    // Status and links every tenth pass (about 100 ms).
    if (m_pass++ % 10 == 0) {
        status_poll();
        const uint32_t links = get_wlan_state();
        if (links != m_last_links) {
            m_last_links = links;
            raise_refresh(11);
        }
    }
    brightness_deal();
    set_led_para_deal();
    pc_cmd_deal();
    run_card_job_step();
    clock_record.run();
}

void fpga_manage::run_pass()
{
    if (g_usb_grade)
        usb_upgrade_manage_deal();
    else
        fpga_manage_deal();
}

void fpga_manage::initialize_start()
{
    m_thread.start("fpga_manage", [this] { run_pass(); }, 10);
}

void fpga_manage::stop_for_test()
{
    m_thread.stop();
}
