// The home screen: tools, the user-mode strip; the tick and the aging log. The refresh of
// every applied change: screen in front, user-mode requests, write-back.
#include "shellsupport.h"
#include "fpga/aging_log.h"
#include "ui/shell/tip.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstring>

using namespace shellsupport;
using testsupport::get_file;
using testsupport::put_file;

namespace {
YuqRamPara* P;

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
    void init() { P = fresh_panel(); }

    void black_out_and_mute_tools()
    {
        to_tool(0);
        key('Q');
        QCOMPARE(P->image16(img::AllWindowsState), uint16_t(1));
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        key('R');
        key('Q', 2);
        QCOMPARE(P->image16(img::Window + img::WinVolume), uint16_t(0x80FF));
        // The picture follows the current window; one out of range reads window 0.
        P->set_image16(win(1, img::WinVolume), 0);
        P->set_image16(img::CurrentWindow, 9);
        P->test_signal(1);
        QCOMPARE(g_mainwindow->tool(1)->property("png").toString(), QStringLiteral(":/png/en_unslience.png"));
    }

    void key_lock()
    {
        P->set_image16(img::KeyLock, 2); // any non-zero word locks
        P->test_signal(1);
        key('M');
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        key('R', 4);
        key('Q'); // unlock through the lock item
        QCOMPARE(P->image16(img::KeyLock), uint16_t(0));
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
        MainWindow* m = g_mainwindow;
        save_slot(P, 3, 0x11);
        save_slot(P, 7, 0x22);
        to_tool(2);
        key('Q');
        key('R', 2);
        key('S'); // saved slots only, wrapping: 3, 7, 3, 7
        key('Q');
        QCOMPARE(P->image16(img::CurrentMode), uint16_t(8));
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        QVERIFY(m->l_tip_request);
        // The engine's refresh: written back, the tip comes after.
        P->test_signal(1);
        QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + 0x600 - 0x300]), uchar(0x22));
        QVERIFY(!m->l_tip_request);
        QCOMPARE(int(g_tip_flag), 0);
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            shown = g_tip_flag == 1 && g_tip->isVisible();
            ticks(300);
        });
        QCoreApplication::processEvents(); // runs the tip, which returns once hidden
        QVERIFY(shown);
    }

    void save_user_mode()
    {
        MainWindow* m = g_mainwindow;
        std::memset(P->ram_para + 0x700, 0x5D, 4);
        to_tool(3);
        key('Q');
        key('R', 5);
        key('Q');
        QCOMPARE(P->image16(img::SaveRequest), uint16_t(6));
        // OK again on the slot the pending request names: nothing new, strip and tip again.
        EngineHandshake::instance().reapply = 0;
        m->l_tip_request = false;
        m->mode_button(5)->click();
        QCOMPARE(int(EngineHandshake::instance().reapply), 0);
        QVERIFY(m->l_tip_request);
        P->test_signal(1);
        const QByteArray f = get_file("/data/modes/custom_mode6");
        QCOMPARE(f.size(), RAM_PARA_SIZE);
        QCOMPARE(uchar(f[2 + 0x700 - USER_MODE_IMAGE_BASE]), uchar(0x5D));
        QCOMPARE(P->applied16(img::CurrentMode), uint16_t(6));
    }

    void tick_schedule()
    {
        G_factoryage_ticks = 0;
        AgingLog& log = AgingLog::instance();
        log.clear();
        const AgingSource fpgaSide = log.source;
        log.source.ready = [] { return true; };
        log.source.read = [](int reg, int fpga) { return reg + fpga; };
        ticks(17999);
        QCOMPARE(log.factoryage_log.size(), 0);
        ticks(1);
        QCOMPARE(log.factoryage_log.size(), 1);
        pc_cmd_valid = 1; // skipped, not retried
        ticks(18000);
        pc_cmd_valid = 0;
        ticks(18000);
        QCOMPARE(log.factoryage_log.size(), 2);
        log.source = fpgaSide;

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

    // Bands and the cap are counted on the aging screen's test; here the line's order.
    void aging_line()
    {
        AgingLog& log = AgingLog::instance();
        log.clear();
        const int regs[6] = {7, 250, 9, 17, 100, 19}; // FPGA 0: 40, 42, 43; FPGA 1: 40, 42, 43
        log.append(QStringLiteral("03-04 05:06"), regs);
        QCOMPARE(log.factoryage_log.last(), QStringLiteral("03-04 05:06 250 7 9 100 17 19"));
    }

    // The refresh writes the image back (its file format is the parameter test's) and takes
    // it as applied; a change below 0x300 writes nothing.
    void write_back()
    {
        P->ram_para[0x400] = 0x5A;
        P->test_signal(1);
        QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + 0x400 - 0x300]), uchar(0x5A));
        QCOMPARE(std::memcmp(P->ram_para, P->ram_para_old, RAM_PARA_SIZE), 0);

        QFile::remove(platform::dev_path("/data/ram_device_info"));
        P->ram_para[0x100] = 0x80;
        P->test_signal(12);
        QVERIFY(!testsupport::exists("/data/ram_device_info"));
    }

    void failed_write_back_is_retried()
    {
        const QByteArray before = get_file("/data/ram_device_info");
        // A folder where the temporary file goes makes the write fail, even for root.
        QVERIFY(QDir().mkpath(platform::dev_path("/data/ram_device_info.tmp")));
        P->ram_para[0x500] = 0x42;
        P->test_signal(1);
        QCOMPARE(get_file("/data/ram_device_info"), before);
        QVERIFY(QDir(platform::dev_path("/data/ram_device_info.tmp")).removeRecursively());
        P->test_signal(1); // nothing changed since, but the write is still owed
        QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + 0x500 - 0x300]), uchar(0x42));
    }

    // A request names slot 1..16; one above names none, one equal to the applied copy's
    // value is not carried out again. Either way the request is cleared and written.
    void save_request_data()
    {
        QTest::addColumn<int>("request");
        QTest::addColumn<int>("applied");
        QTest::addColumn<int>("saved"); // slot file number, 0 for none
        QTest::newRow("slot 16") << 16 << 0 << 16;
        QTest::newRow("17") << 17 << 0 << 0;
        QTest::newRow("already applied") << 5 << 5 << 0;
    }
    void save_request()
    {
        QFETCH(int, request);
        QFETCH(int, applied);
        QFETCH(int, saved);
        wr16(P->ram_para_old, img::SaveRequest, uint16_t(applied));
        P->set_image16(img::SaveRequest, uint16_t(request));
        P->test_signal(1);
        const QStringList files = QDir(platform::dev_path("/data/modes")).entryList(QDir::Files);
        QCOMPARE(files, saved ? QStringList{QStringLiteral("custom_mode%1").arg(saved)} : QStringList());
        if (request != applied)
            QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + img::SaveRequest - 0x300]), uchar(0));
    }

    // Code 2: a slot marked 0xFF loses its file, one marked 0xAA is written.
    void code_2_deletes_and_writes_slot_files()
    {
        put_file("/data/modes/custom_mode2", QByteArray(RAM_PARA_SIZE, char(0xAA)));
        P->user_mode[1][0] = 0xFF; // 0xFF wins over 0xAA
        P->user_mode[1][1] = 0xAA;
        P->user_mode[2][0] = 0xAA;
        P->user_mode[2][1] = 0x00;
        P->test_signal(2);
        QVERIFY(!testsupport::exists("/data/modes/custom_mode2"));
        QVERIFY(testsupport::exists("/data/modes/custom_mode3"));
    }

    // Codes 105 and 106 (the overlay's) refresh nothing. Then a language with its bit clear:
    // the lowest enabled one takes its place; with nothing open on the page in front no
    // call goes through a null screen.
    void refresh_codes_and_language()
    {
        QFile::remove(platform::dev_path("/data/ram_device_info"));
        g_lcd_lang_valid = 0x0C;
        P->ram_para[img::Language] = 4;
        P->set_image16(img::SaveRequest, 2);
        for (int code : {105, 106})
            P->test_signal(code);
        QCOMPARE(int(g_language), 1);
        QVERIFY(!testsupport::exists("/data/ram_device_info"));
        QVERIFY(!P->YuqUserModeSaved(1));
        g_page_focus = page::EDIDset;
        P->test_signal(1);
        QCOMPARE(int(g_language), 2);
        QCOMPARE(P->ram_para[img::Language], uchar(2));
    }

    void current_window_check()
    {
        g_image_current = 2; // window 2 is off in the factory image
        P->test_signal(1);
        QCOMPARE(int(g_image_current), 0);
        g_image_current = 2;
        g_page_focus = page::ImageLayout; // the layout screen keeps its choice
        P->test_signal(1);
        QCOMPARE(int(g_image_current), 2);
    }
};

QTEST_MAIN(TstShellHome)
#include "tst_shell_home.moc"
