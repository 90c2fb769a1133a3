#pragma once
// Shared set-up of the service tests: a fresh device root and parameter block, the
// simulated device at power-on, FPGAs that boot at once, no service objects left over.
#include "testsupport.h"

#include "core/config_engine.h"
#include "core/engine_handshake.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"
#include "sim/sim_device.h"

#include <QCoreApplication>
#include <QObject>
#include <QVector>
#include <algorithm>

namespace hwtest {

inline YuqRamPara* fresh()
{
    c331_manage::destroy_for_test();
    fpga_manage::destroy_for_test();
    zarvosource::destroy_for_test();
    testsupport::fresh_device_root();
    ConfigEngine::reset_for_test();
    YuqRamPara::write_pause_us = 0;
    EngineHandshake::instance().reapply = 0;
    g_set_led_para = 0;
    g_set_led_setup = 0;
    pc_cmd_valid = 0;
    G_timeTicks = 1000;
    sim::SimFpga::boot_ms = 0;
    sim::install();
    sim::restore_all();
    return YuqRamPara::reset_for_test();
}

// Collects the refresh codes raised, on whichever thread, as the GUI would see them.
class Codes : public QObject
{
public:
    Codes()
    {
        QObject::connect(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para, this,
                         [this](int c) { codes.push_back(c); });
    }
    int count(int code) const { return int(std::count(codes.begin(), codes.end(), code)); }
    QVector<int> codes;
};

// Writes a 16-bit image field as a panel screen does: under the engine mutex, raising
// the re-apply byte.
inline void screen_write16(int off, uint16_t v)
{
    EngineLock lock;
    EngineHandshake::instance().raise(1);
    YuqRamPara::p_yuqrampara_config->set_image16(off, v);
}

inline void run_fpga_passes(int n)
{
    for (int i = 0; i < n; ++i)
        fpga_manage::p_fpga_manage->run_pass();
}

} // namespace hwtest
