// The FPGA side: start-up, registers, link map and its refresh codes, the LED-size steps,
// PC activity, the port-area index, and the card jobs and upgrade run by its pass.
#include "hwtest.h"
#include "recoverysupport.h"

#include "core/utils.h"
#include "platform/wire.h"
#include "sim/control.h"

#include <QtTest>

using namespace hwtest;

namespace {
// Passes of the FPGA thread, one tick each, until the job word and the upgrade clear.
int run_job()
{
    for (int i = 1; i <= 3000; ++i) {
        fpga_manage::p_fpga_manage->run_pass();
        G_timeTicks += 1;
        if (g_send_para.word.load() == 0 && g_usb_grade.load() == 0)
            return i;
    }
    return -1;
}
} // namespace

class TstFpgaManage : public QObject
{
    Q_OBJECT
    std::unique_ptr<Codes> codes;
    fpga_manage* f = nullptr;
private slots:
    // FPGAs running, links read.
    void init()
    {
        fresh();
        recoverysupport::idle_cards();
        g_update_flag = 0;
        codes = std::make_unique<Codes>();
        f = fpga_manage::pInstance();
        run_fpga_passes(20);
    }
    void cleanup() { fpga_manage::destroy_for_test(); }

    // Start-up reads the versions and raises 12 for each FPGA; the link map follows the
    // cables and the running FPGAs, one code 11 for each change.
    void start_up_and_link_map()
    {
        QCOMPARE(int(f->MCU_REG_func[1][31]), 0x25);
        QCOMPARE(codes->count(12), 2);
        QVERIFY(sim::run_control_line("port 2 off"));
        QVERIFY(sim::run_control_line("port 20 on"));
        const int before = codes->count(11);
        run_fpga_passes(20);
        QCOMPARE(codes->count(11), before + 1);
        QCOMPARE(f->get_wlan_state(), 0x105u | 0x3u << 10 | 1u << 19);
        QVERIFY(sim::run_control_line("fpga 1 down"));
        run_fpga_passes(20);
        QCOMPARE(f->get_fpga_status(), 0);
        QCOMPARE(f->get_wlan_state(), 0x105u);
    }

    void registers_range_and_masked_writes()
    {
        for (const auto& c : {QList<int>{64, 0}, QList<int>{127, 0}, QList<int>{10, 2}})
            QCOMPARE(f->read_from_register(c[0], c[1]), -1);
        f->write_to_register(3, 0x21, 0x01, 0); // bit 5 off, bit 0 on
        QCOMPARE(int(sim::fpga(0).peek_reg(3)), 0x01);
        // A fault bit makes the status false.
        f->MCU_REG_func[0][0] = 0x08;
        QCOMPARE(f->get_fpga_status(), 0);
    }

    void led_size_steps_follow_the_ticks()
    {
        {
            QMutexLocker l(&Utils::_led_para_init_mutex);
            g_set_led_para = 1;
            g_set_led_setup = 0;
        }
        f->set_led_para_deal();
        QVERIFY(sim::fpga(1).peek_reg(0) & 0x04); // outputs blanked
        G_timeTicks += 11;
        f->set_led_para_deal();
        // A writer raising again during the last step starts the steps over.
        g_set_led_setup = 0;
        G_timeTicks += 31;
        f->set_led_para_deal();
        QCOMPARE((QList<int>{g_set_led_para.load(), g_set_led_setup.load()}), (QList<int>{1, 1}));
        G_timeTicks += 11;
        f->set_led_para_deal();
        G_timeTicks += 31;
        f->set_led_para_deal();
        QCOMPARE((QList<int>{g_set_led_para.load(), g_set_led_setup.load()}), (QList<int>{0, 0}));
    }

    void pc_activity_ends_80_ticks_after_the_last_command()
    {
        pc_cmd_time = G_timeTicks.load(); // a PC command just now
        pc_cmd_valid = 1;
        G_timeTicks += 80;
        run_fpga_passes(1);
        QCOMPARE(int(pc_cmd_valid.load()), 1);
        G_timeTicks += 1;
        run_fpga_passes(1);
        QCOMPARE(int(pc_cmd_valid.load()), 0);
    }

    // An index beyond the table reads the first port's area, never past the image.
    void port_area_index_out_of_range()
    {
        unsigned short x, y, w, h;
        fpga_manage::get_eth_param_addr(200, &x, &y, &w, &h);
        QCOMPARE((QList<int>{x, h}), (QList<int>{8, 14}));
    }

    // The pass runs the query; the cards are asked only on linked ports of running FPGAs.
    void query_through_the_pass_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("index");
        QTest::newRow("all linked") << "" << 4;
        QTest::newRow("port without link") << "port 3 off" << 0x00FF;
        QTest::newRow("fpga down") << "fpga 0 down" << 0xFFFF;
    }
    void query_through_the_pass()
    {
        QFETCH(QString, line);
        QFETCH(int, index);
        recoverysupport::put_recovery_file();
        QVERIFY(line.isEmpty() || sim::run_control_line(line));
        run_fpga_passes(5);
        QVERIFY(post_card_job(JobQuery));
        QVERIFY(run_job() > 0);
        QCOMPARE(int(g_send_para.card_index.load()), index);
    }

    void an_upgrade_asked_for_during_a_job_waits_for_it()
    {
        QVERIFY(post_card_job(JobCure));
        fpga_manage::p_fpga_manage->run_pass();
        g_usb_grade = 1; // written straight, as the upgrade screen does
        QVERIFY(run_job() > 0);
        QCOMPARE(SimCards::instance()->received(0, cardwire::Cure), 1); // the job ran whole
        QCOMPARE(codes->count(104), 1);
    }
};

QTEST_GUILESS_MAIN(TstFpgaManage)
#include "tst_fpga_manage.moc"
