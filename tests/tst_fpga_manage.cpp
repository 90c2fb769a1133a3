// The FPGA side: start-up, registers, status, link map and its refresh codes, the
// LED-size steps, PC activity and the port areas.
#include "hwtest.h"

#include "core/utils.h"
#include "platform/wire.h"
#include "sim/control.h"

#include <QtTest>

using namespace hwtest;

namespace {
fpga_manage* running_fpgas()
{
    fpga_manage* f = fpga_manage::pInstance();
    run_fpga_passes(4);
    return f;
}
} // namespace

class TstFpgaManage : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { fpga_manage::destroy_for_test(); }

    void start_up_loads_versions_and_raises_12()
    {
        fresh();
        Codes codes;
        fpga_manage* f = fpga_manage::pInstance();
        QCOMPARE(f->get_fpga_status(), 0);
        run_fpga_passes(4);
        QCOMPARE(int(f->MCU_REG_func[0][80]), 3);
        QCOMPARE(int(f->MCU_REG_func[1][80]), 3);
        QVERIFY(f->get_fpga_status());
        QCOMPARE(int(f->MCU_REG_func[0][31]), 0x24); // the versions were read
        QCOMPARE(int(f->MCU_REG_func[1][31]), 0x25);
        QCOMPARE(codes.count(12), 2);
        run_fpga_passes(10);
        QCOMPARE(codes.count(11), 1); // the links appeared
    }

    void registers_range_and_masked_writes()
    {
        fresh();
        fpga_manage* f = running_fpgas();
        QCOMPARE(f->read_from_register(170, 1), 0);
        QCOMPARE(f->read_from_register(64, 0), -1);
        QCOMPARE(f->read_from_register(127, 0), -1);
        QCOMPARE(f->read_from_register(10, 2), -1);
        QCOMPARE(f->write_to_register(3, 0x21, 0x01, 0), 0); // bit 5 off, bit 0 on
        QCOMPARE(int(sim::fpga(0).peek_reg(3)), 0x01);
        QCOMPARE(int(f->MCU_REG_func[0][3]), 0x01);
        f->write_to_register(0, 0x04, 0x04, 1);
        QCOMPARE(int(f->output_off[1].load()), 1);
        f->write_to_register(0, 0x04, 0x00, 1);
        QCOMPARE(int(f->output_off[1].load()), 0);
        // A fault bit makes the status false.
        f->MCU_REG_func[0][0] = 0x08;
        QCOMPARE(f->get_fpga_status(), 0);
    }

    void link_map_and_code_11()
    {
        fresh();
        Codes codes;
        fpga_manage* f = running_fpgas();
        // Delivery cables: ports 1-3 and 9 on FPGA 0, ports 11 and 12 on FPGA 1.
        QCOMPARE(f->get_wlan_state(), 0x107u | 0x3u << 10);
        QVERIFY(sim::run_control_line("port 2 off"));
        QVERIFY(sim::run_control_line("port 20 on"));
        const int before = codes.count(11);
        run_fpga_passes(10);
        QCOMPARE(codes.count(11), before + 1);
        QCOMPARE(f->get_wlan_state(), 0x105u | 0x3u << 10 | 1u << 19);
        run_fpga_passes(10);
        QCOMPARE(codes.count(11), before + 1); // no change, no code
    }

    void fpga_down_and_up()
    {
        fresh();
        Codes codes;
        fpga_manage* f = running_fpgas();
        QVERIFY(sim::run_control_line("fpga 1 down"));
        const int c11 = codes.count(11), c12 = codes.count(12);
        run_fpga_passes(10);
        QVERIFY(f->MCU_REG_func[1][80] != 3);
        QCOMPARE(int(f->MCU_REG_func[0][80]), 3);
        QCOMPARE(f->get_fpga_status(), 0);
        QCOMPARE(f->get_wlan_state(), 0x107u); // FPGA 1 contributes nothing
        QCOMPARE(codes.count(11), c11 + 1);
        run_fpga_passes(10);
        QVERIFY(f->MCU_REG_func[1][80] != 3); // stays down until powered
        QVERIFY(sim::run_control_line("fpga 1 up"));
        run_fpga_passes(10);
        QVERIFY(f->get_fpga_status());
        QCOMPARE(codes.count(12), c12 + 1);
        QCOMPARE(f->get_wlan_state(), 0x107u | 0x3u << 10);
    }

    void led_size_steps_follow_the_ticks()
    {
        fresh();
        fpga_manage* f = running_fpgas();
        {
            QMutexLocker l(&Utils::_led_para_init_mutex);
            g_set_led_para = 1;
            g_set_led_setup = 0;
        }
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_setup.load()), 1);
        QVERIFY(sim::fpga(0).peek_reg(0) & 0x04);
        QVERIFY(sim::fpga(1).peek_reg(0) & 0x04);
        G_timeTicks += 10;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_setup.load()), 1);
        G_timeTicks += 1;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_setup.load()), 2);
        QCOMPARE(sim::fpga(1).peek_reg(3) & 0x20, 0);
        G_timeTicks += 30;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_para.load()), 1);
        G_timeTicks += 1;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_para.load()), 0);
        QCOMPARE(int(g_set_led_setup.load()), 0);
        // The engine's 2: both FPGAs restart and come back with their output on.
        g_set_led_para = 2;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_para.load()), 0);
        QVERIFY(f->MCU_REG_func[0][80] != 3 && f->MCU_REG_func[1][80] != 3);
        run_fpga_passes(4);
        QVERIFY(f->get_fpga_status());
        QCOMPARE(sim::fpga(0).peek_reg(0) & 0x04, 0);
    }

    void a_new_request_during_the_last_step_starts_over()
    {
        fresh();
        fpga_manage* f = running_fpgas();
        g_set_led_para = 1;
        g_set_led_setup = 0;
        f->set_led_para_deal();
        G_timeTicks += 11;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_setup.load()), 2);
        g_set_led_setup = 0; // a writer raises again
        G_timeTicks += 31;
        f->set_led_para_deal();
        QCOMPARE(int(g_set_led_para.load()), 1);
        QCOMPARE(int(g_set_led_setup.load()), 1);
    }

    void pc_activity_ends_80_ticks_after_the_last_command()
    {
        fresh();
        running_fpgas();
        pc_cmd_time = G_timeTicks.load(); // a PC command just now
        pc_cmd_valid = 1;
        G_timeTicks += 80;
        run_fpga_passes(1);
        QCOMPARE(int(pc_cmd_valid.load()), 1);
        G_timeTicks += 1;
        run_fpga_passes(1);
        QCOMPARE(int(pc_cmd_valid.load()), 0);
    }

    void port_areas()
    {
        fresh();
        fpga_manage* f = running_fpgas();
        unsigned short x, y, w, h;
        QCOMPARE(fpga_manage::get_eth_param_addr(1, &x, &y, &w, &h), 0);
        QCOMPARE(int(x), 19);
        QCOMPARE(int(h), 25);
        fpga_manage::get_eth_param_addr(200, &x, &y, &w, &h);
        QCOMPARE(int(x), 8);
        // Port 12 (FPGA 1, index 1): fourth column, third row of the delivery layout.
        fpga_manage::get_eth_param_addr(1, &x, &y, &w, &h);
        const unsigned char* ram = f->MCU_RAM_PARA_func[1];
        QCOMPARE(ram[x] | ram[x + 1] << 8, 1440);
        QCOMPARE(ram[y] | ram[y + 1] << 8, 432);
        QCOMPARE(ram[w] | ram[w + 1] << 8, 480);
    }
};

QTEST_GUILESS_MAIN(TstFpgaManage)
#include "tst_fpga_manage.moc"
