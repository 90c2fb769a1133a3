// The home screen: tools, the user-mode strip; the tick and the aging log.
#include "shellsupport.h"
#include "fpga/aging_log.h"

#include <QPointer>
#include <QPushButton>
#include <QtTest>

using namespace shellsupport;
using testsupport::get_file;

namespace {

void key(char c, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::keyRelease(g_mainwindow, c);
}

// From a fresh home screen: the tools panel with tool `t` focused.
void to_tool(int t)
{
    key('S'); // machinestate -> tools
    key('Q');
    key('R', t);
}
} // namespace

class TstShellHome : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }

    void black_out_and_mute_tools()
    {
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        to_tool(0);
        key('Q');
        QCOMPARE(p->image16(img::AllWindowsState), uint16_t(1));
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        key('R');
        key('Q', 2);
        QCOMPARE(p->image16(img::Window + img::WinVolume), uint16_t(0x80FF));
        // The picture follows the current window; one out of range reads window 0.
        p->set_image16(win(1, img::WinVolume), 0);
        p->set_image16(img::CurrentWindow, 9);
        p->test_signal(1);
        QCOMPARE(g_mainwindow->tool(1)->property("png").toString(), QStringLiteral(":/png/en_unslience.png"));
    }

    void key_lock()
    {
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        p->set_image16(img::KeyLock, 2); // any non-zero word locks
        p->test_signal(1);
        key('M');
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        key('R', 4);
        key('Q'); // unlock through the lock item
        QCOMPARE(p->image16(img::KeyLock), uint16_t(0));
        key('M'); // unlocked: the user modes
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        kit::close_page(page::CustomMode);
    }

    void empty_slot_calls_nothing()
    {
        to_tool(2);
        key('Q');
        key('Q'); // empty slot: nothing but frame colours
        QCOMPARE(int(EngineHandshake::instance().reapply), 0);
        QVERIFY(!g_mainwindow->l_tip_request);
    }

    void call_user_mode()
    {
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        MainWindow* m = g_mainwindow;
        save_slot(p, 3, 0x11);
        save_slot(p, 7, 0x22);
        to_tool(2);
        key('Q');
        key('R', 2);
        key('S'); // saved slots only, wrapping: 3, 7, 3, 7
        QPointer<QPushButton> clicked = m->mode_button(7);
        key('Q');
        QCOMPARE(m->mode_button(7), clicked.data()); // the strip is filled in place
        QCOMPARE(p->image16(img::CurrentMode), uint16_t(8));
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        QVERIFY(m->l_tip_request);
        // The engine's refresh: written back, the tip comes after.
        p->test_signal(1);
        QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + 0x600 - 0x300]), uchar(0x22));
        QVERIFY(!m->l_tip_request);
    }

    void save_user_mode()
    {
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        MainWindow* m = g_mainwindow;
        std::memset(p->ram_para + 0x700, 0x5D, 4);
        to_tool(3);
        key('Q');
        key('R', 5);
        key('Q');
        QCOMPARE(p->image16(img::SaveRequest), uint16_t(6));
        // OK again on the slot the pending request names: nothing new, strip and tip again.
        EngineHandshake::instance().reapply = 0;
        m->l_tip_request = false;
        m->mode_button(5)->click();
        QCOMPARE(int(EngineHandshake::instance().reapply), 0);
        QVERIFY(m->l_tip_request);
        p->test_signal(1);
        const QByteArray f = get_file("/data/modes/custom_mode6");
        QCOMPARE(f.size(), RAM_PARA_SIZE);
        QCOMPARE(uchar(f[2 + 0x700 - USER_MODE_IMAGE_BASE]), uchar(0x5D));
        QCOMPARE(p->applied16(img::CurrentMode), uint16_t(6));
    }

    void tick_schedule()
    {
        g_delay_usbserver = 0;
        G_factoryage_ticks = 0;
        AgingLog& log = AgingLog::instance();
        log.clear();
        const AgingSource fpgaSide = log.source;
        log.source.ready = [] { return true; };
        log.source.read = [](int reg, int fpga) { return reg + fpga; };
        ticks(999);
        QCOMPARE(int(g_delay_usbserver), 0);
        ticks(1);
        QCOMPARE(int(g_delay_usbserver), 1);
        ticks(16999);
        QCOMPARE(log.factoryage_log.size(), 0);
        ticks(1);
        QCOMPARE(log.factoryage_log.size(), 1);
        pc_cmd_valid = 1; // skipped, not retried
        ticks(18000);
        pc_cmd_valid = 0;
        ticks(18000);
        QCOMPARE(log.factoryage_log.size(), 2);
        log.source = fpgaSide; // without the FPGA manager: skipped
        ticks(18000);
        QCOMPARE(log.factoryage_log.size(), 2);

        // The reboot is asked every 300 ticks, not before; the gate records it.
        platform::shell_clear_recorded();
        G_reboot_tickTicks = G_timeTicks.load();
        g_app_reset_flag = 1;
        ticks(299);
        QCOMPARE(recorded("reboot"), 0);
        ticks(301);
        QCOMPARE(recorded("reboot"), 2);
        g_app_reset_flag = 0;
    }

    // Bands are counted on the aging screen's test; here the line's order and the cap.
    void aging_line_and_cap()
    {
        AgingLog& log = AgingLog::instance();
        log.clear();
        const int first[6] = {7, 250, 9, 17, 100, 19}; // FPGA 0: 40, 42, 43; FPGA 1: 40, 42, 43
        log.append(QStringLiteral("03-04 05:06"), first);
        QCOMPARE(log.factoryage_log.last(), QStringLiteral("03-04 05:06 250 7 9 100 17 19"));
        const int next[6] = {0, 30, 0, 0, 101, 0};
        for (int i = 0; i < 3400; ++i)
            log.append(QStringLiteral("03-04 05:15"), next);
        QCOMPARE(log.factoryage_log.size(), 3360);
        QCOMPARE(log.factoryage_log.first(), QStringLiteral("03-04 05:15 30 0 0 101 0 0"));
    }
};

QTEST_MAIN(TstShellHome)
#include "tst_shell_home.moc"
