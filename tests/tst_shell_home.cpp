// The home screen: tools, the user-mode strip; the tick and the aging log. The refresh of
// every applied change: screen in front, user-mode requests, write-back. The USB keypad:
// its LED report, when it is sent, and the shortcut keys every screen hands on.
#include "shellsupport.h"
#include "fpga/aging_log.h"
#include "platform/hid.h"
#include "sim/sim_keypad.h"
#include "ui/shell/lockwindow.h"
#include "ui/shell/tip.h"
#include "ui/shell/yuq_keys.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
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

// Windows 0, 1, 3 enabled (2, 4, 5 not), window 0 shows HDMI1, every input has a signal,
// nothing frozen or black; the keypad present and nothing sent yet.
void keypad_panel()
{
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        P->set_image16(win(w, img::WinFlags), (w == 0 || w == 1 || w == 3) ? 1 : 0);
        P->set_image16(win(w, img::WinInput), 2);
        P->set_image16(win(w, img::WinMode), 0);
    }
    for (int s = 0; s < 6; ++s)
        set_timing(P, s, 1920, 1080, 60);
    P->set_image16(img::KeyLock, 0);
    settled(P);
    sim::keypad().restore();
    platform::install_hid(&sim::keypad());
    g_yuq_keys = 1;
    g_update_flag = 0;
    std::memset(SyncUpdate::pInstance()->last_key_report, 0, KEY_REPORT_SIZE);
}

QByteArray last_sent()
{
    return sim::keypad().last_report().toHex();
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
        key('R');
        key('Q', 2);
        QCOMPARE(P->image16(img::Window + img::WinVolume), uint16_t(0x80FF));
        // The picture follows the current window; one out of range reads window 0.
        P->set_image16(win(1, img::WinVolume), 0);
        P->set_image16(img::CurrentWindow, 9);
        P->test_signal(1);
        QCOMPARE(g_mainwindow->tool(1)->property("png").toString(), QStringLiteral(":/png/en_unslience.png"));
    }

    void empty_slot_calls_nothing()
    {
        to_tool(2);
        key('Q');
        key('Q'); // empty slot: nothing but frame colours
        QVERIFY(!g_mainwindow->l_tip_request);
    }

    // A saved slot is applied and written back, the tip after it.
    void call_user_mode()
    {
        save_slot(P, 3, 0x11);
        save_slot(P, 7, 0x22);
        to_tool(2);
        key('Q');
        key('R', 2);
        key('S'); // saved slots only, wrapping: 3, 7, 3, 7
        key('Q');
        QCOMPARE(P->image16(img::CurrentMode), uint16_t(8));
        // The engine's refresh: written back, the tip comes after.
        P->test_signal(1);
        QCOMPARE(uchar(get_file("/data/ram_device_info")[2 + 0x600 - 0x300]), uchar(0x22));
        bool shown = false;
        QTimer::singleShot(0, [&shown] {
            shown = g_tip_flag == 1 && g_tip->isVisible();
            ticks(300);
        });
        QCoreApplication::processEvents(); // runs the tip, which returns once hidden
        QVERIFY(shown);
    }

    // A language change while the strip is open (calling or saving) reaches its title, its
    // "in use" badge and the tools' pictures, as on a home screen built anew.
    void language_change_reaches_the_open_strip()
    {
        // The strip of `tool` opened in language `from`, then shown in Russian.
        const auto strip = [](int tool, int from) {
            P = fresh_panel();
            save_slot(P, 2, 0x11);
            P->set_image16(img::CurrentMode, 3);
            switch_language(P, from);
            to_tool(tool);
            key('Q');
            switch_language(P, 2);
            return shown_texts(g_mainwindow);
        };
        for (int tool : {2, 3})
            QCOMPARE(strip(tool, 0), strip(tool, 2));
    }

    // Leaving the open strip for another screen (the mode key) closes it: the home screen
    // shown again (re-texted) has no tool lit.
    void leaving_the_strip_puts_its_tool_out()
    {
        save_slot(P, 2, 0x11);
        to_tool(2);
        key('Q');
        const auto png = [] { return g_mainwindow->tool(2)->property("png").toString(); };
        QCOMPARE(png(), kit::lang_pic("call.png"));
        key('M');
        kit::close_page(page::CustomMode);
        g_mainwindow->retext();
        QCOMPARE(png(), kit::lang_pic("uncall.png"));
    }

    void save_user_mode()
    {
        std::memset(P->ram_para + 0x700, 0x5D, 4);
        to_tool(3);
        key('Q');
        key('R', 5);
        key('Q');
        QCOMPARE(P->image16(img::SaveRequest), uint16_t(6));
        // OK again on the slot the pending request names: nothing new, strip and tip again.
        EngineHandshake::instance().reapply = 0;
        g_mainwindow->l_tip_request = false;
        g_mainwindow->mode_button(5)->click();
        QCOMPARE(int(EngineHandshake::instance().reapply), 0);
        QVERIFY(g_mainwindow->l_tip_request);
        P->test_signal(1);
        QCOMPARE(uchar(get_file("/data/modes/custom_mode6")[2 + 0x700 - USER_MODE_IMAGE_BASE]), uchar(0x5D));
    }

    void tick_schedule()
    {
        G_factoryage_ticks = 0;
        AgingLog& log = AgingLog::instance();
        log.clear();
        const AgingSource fpgaSide = log.source;
        log.source.ready = [] { return true; };
        log.source.read = [](int reg, int fpga) { return reg + fpga; };
        ticks(18000);
        pc_cmd_valid = 1; // skipped, not retried
        ticks(18000);
        pc_cmd_valid = 0;
        ticks(17999);
        QCOMPARE(log.factoryage_log.size(), 1);
        ticks(1);
        QCOMPARE(log.factoryage_log.size(), 2);
        // Registers 40, 42, 43 of each FPGA, in the order the aging screen reads them.
        QVERIFY2(log.factoryage_log.last().endsWith(" 42 40 43 43 41 44"), qPrintable(log.factoryage_log.last()));
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

    // A change below 0x300 writes nothing; a failed write-back is owed until it succeeds.
    void write_back()
    {
        QFile::remove(platform::dev_path("/data/ram_device_info"));
        P->ram_para[0x100] = 0x80;
        P->test_signal(12);
        QVERIFY(!testsupport::exists("/data/ram_device_info"));

        // A folder where the temporary file goes makes the write fail, even for root.
        QVERIFY(QDir().mkpath(platform::dev_path("/data/ram_device_info.tmp")));
        P->ram_para[0x500] = 0x42;
        P->test_signal(1);
        QVERIFY(!testsupport::exists("/data/ram_device_info"));
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
    // the lowest enabled one takes its place, a current window that is off gives way to
    // window 0, and with nothing open on the page in front no call goes through a null
    // screen. The layout screen keeps its choice of window.
    void refresh_codes_language_and_window()
    {
        g_lcd_lang_valid = 0x0C;
        P->ram_para[img::Language] = 4;
        P->set_image16(img::SaveRequest, 2);
        for (int code : {105, 106})
            P->test_signal(code);
        QCOMPARE(int(g_language), 1);
        QVERIFY(!P->YuqUserModeSaved(1));
        g_page_focus = page::EDIDset;
        g_image_current = 2; // window 2 is off in the factory image
        P->test_signal(1);
        QCOMPARE(int(g_language), 2);
        QCOMPARE(int(g_image_current), 0);
        g_image_current = 2;
        g_page_focus = page::ImageLayout;
        P->test_signal(1);
        QCOMPARE(int(g_image_current), 2);
    }

    // The bytes the keypad's firmware reads: current window, its source and signal, mode.
    void report_table_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("input"); // 0x8007: crop table entry 7, a crop of HDMI2
        QTest::addColumn<int>("rate");  // -1 no timing at all
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("window 2 disabled: input only") << 2 << 2 << 60 << QByteArray("a500001000");
        QTest::newRow("DVI no signal") << 0 << 1 << -1 << QByteArray("a501800000");
        QTest::newRow("HDMI4 rate 0 is no signal") << 0 << 5 << 0 << QByteArray("a501000800");
        QTest::newRow("crop of HDMI2") << 0 << 0x8007 << 60 << QByteArray("a501004000");
        QTest::newRow("no such window") << 9 << 2 << 60 << QByteArray("a500000000");
    }

    void report_table()
    {
        QFETCH(int, window);
        QFETCH(int, input);
        QFETCH(int, rate);
        QFETCH(QByteArray, report);
        keypad_panel();
        const int rec = window < WINDOW_COUNT ? window : 0;
        P->set_image16(img::CropTable + 10 * 7, 0x8003);
        P->set_image16(win(rec, img::WinInput), uint16_t(input));
        if (rate <= 0)
            set_timing(P, input, rate ? 0 : 1920, rate ? 0 : 1080, 0);
        unsigned char r[KEY_REPORT_SIZE];
        key_led_report(P->ram_para, window, false, r);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r), KEY_REPORT_SIZE).toHex(), report);
    }

    void report_sending_and_presence()
    {
        keypad_panel();
        sim::SimKeypad& k = sim::keypad();
        // The first report after start-up always goes out; the same one not again.
        SyncUpdate::pInstance()->update_usb_keyLed();
        P->test_signal(1);
        // An update starting is sent by the overlay's code too.
        g_update_flag = 1;
        SyncUpdate::pInstance()->para_sync(105);
        QCOMPARE(last_sent(), QByteArray("5a01001000"));
        g_update_flag = 0;

        // A failed write is not taken for sent: the next refresh sends it.
        k.set_write_fails(true);
        P->set_image16(win(0, img::WinMode), 2);
        P->test_signal(1);
        k.set_write_fails(false);
        P->test_signal(1);
        QCOMPARE(k.reports().size(), 3);
        QCOMPARE(last_sent(), QByteArray("a501001001"));

        // Without the keypad found at start-up nothing is sent.
        g_yuq_keys = 0;
        g_image_current = 1;
        P->test_signal(1);
        QCOMPARE(k.reports().size(), 3);

        platform::install_hid(nullptr);
        QCOMPARE(check_hiddev(), 0); // host without the simulated keypad
        sim::install_keypad();
        QCOMPARE(check_hiddev(), 1);
        k.set_init_fails(true);
        QCOMPARE(check_hiddev(), 0);
    }

    void window_keys_on_every_screen()
    {
        keypad_panel();
        StandInScreen option(page::Option);
        QSignalSpy refresh(P, &YuqRamPara::sig_update_para);
        // The home screen and any other screen hand the letters on alike.
        for (QWidget* screen : {static_cast<QWidget*>(g_mainwindow), static_cast<QWidget*>(&option)}) {
            g_image_current = 0;
            refresh.clear();
            release(screen, 'C'); // window 2 disabled
            QCOMPARE(int(g_image_current), 0);
            release(screen, 'D'); // enabled: current, refreshed at once
            release(screen, 'D'); // already current: no refresh
            QCOMPARE(int(g_image_current), 3);
            QCOMPARE(refresh.size(), 1);
            QCOMPARE(last_sent(), QByteArray("a540001000"));
        }
        // 'A' selects window 0 even when it is disabled.
        P->set_image16(win(0, img::WinFlags), 0);
        release(g_mainwindow, 'A');
        QCOMPARE(int(g_image_current), 0);
    }

    void input_freeze_and_black_keys()
    {
        keypad_panel();
        g_image_current = 1;
        const std::pair<int, int> inputs[] = {{'G', 0}, {'H', 1}, {'I', 4}, {'J', 5}, {'K', 2}, {'L', 3}};
        for (const auto& [key, source] : inputs) {
            release(g_mainwindow, key);
            QCOMPARE(int(P->image16(win(1, img::WinInput))), source);
        }
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);

        // Freeze and black toggle the current window's output mode.
        keys(g_mainwindow, "NPN");
        P->test_signal(1); // the engine's refresh after applying
        QCOMPARE(last_sent(), QByteArray("a504004004"));
    }

    // The address comes from the configuration file: home and standby show it as it is.
    void address_shown_as_plain_text()
    {
        g_str_ip = QStringLiteral("<b>1.2.3.4</b>");
        g_mainwindow->ip_changed();
        QVERIFY(shown_plain(g_mainwindow, "<b>1.2.3.4</b>"));
        kit::open(page::LockWindow);
        QVERIFY(shown_plain(g_lockwindow, "<b>1.2.3.4</b>"));
        kit::close_page(page::LockWindow);
        g_str_ip = QStringLiteral("192.168.1.199");
    }

    // No engine pass follows the lock, so it reaches the file itself: a restart keeps it.
    void key_lock_is_kept_at_once()
    {
        keypad_panel();
        QSignalSpy refresh(P, &YuqRamPara::sig_update_para);
        P->set_image16(img::Brightness, 7); // a change the engine has not applied yet
        EngineHandshake::instance().reapply = 0;
        const auto stored = [] { return int(uchar(get_file("/data/ram_device_info")[2 + img::KeyLock - 0x300])); };
        key('R', 4);
        for (int locked : {1, 0, 1}) {
            key('Q');
            QCOMPARE(stored(), locked);
        }
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
        QVERIFY(refresh.isEmpty());
        QVERIFY(uchar(get_file("/data/ram_device_info")[2 + img::Brightness - 0x300]) != 7);
        P = YuqRamPara::reset_for_test();
        QCOMPARE(int(P->image16(img::KeyLock)), 1);
    }

    // A lock whose own write fails is not lost: the next write-back stores it, locking and
    // unlocking alike, and a restart keeps it.
    void key_lock_kept_by_the_write_back_after_its_write_failed()
    {
        keypad_panel();
        const auto stored = [] { return int(uchar(get_file("/data/ram_device_info")[2 + img::KeyLock - 0x300])); };
        const QString blocker = platform::dev_path("/data/ram_device_info.tmp"); // no temp file, no write
        key('R', 4);
        for (int locked : {1, 0, 1}) {
            QVERIFY(QDir().mkpath(blocker));
            key('Q');
            QCOMPARE((QList<int>{P->image16(img::KeyLock), stored()}), (QList<int>{locked, 1 - locked}));
            QVERIFY(QDir(blocker).removeRecursively());
            P->test_signal(1); // the next refresh writes back
            QCOMPARE(stored(), locked);
        }
        P = YuqRamPara::reset_for_test();
        QCOMPARE(int(P->image16(img::KeyLock)), 1);
    }

    // A save and a language change on a full disk (no temp file can be made): the slot
    // keeps what its file holds and the current mode stays; once files can be written the
    // tick writes the parameters a second later, with no refresh, and a restart shows the
    // panel as it was.
    void full_disk_save_and_language_kept_consistently()
    {
        save_slot(P, 0, 0x11);
        QVERIFY(P->mode_file_write(0, 2));
        settled(P);
        const QByteArray slot(reinterpret_cast<const char*>(P->user_mode[0]), RAM_PARA_SIZE);
        const auto stored = [] { return int(uchar(get_file("/data/ram_device_info")[2])); };
        const QStringList blockers = {"/data/ram_device_info.tmp", "/data/modes/custom_mode1.tmp"};
        for (const QString& b : blockers)
            QVERIFY(QDir().mkpath(platform::dev_path(b)));
        P->set_image16(img::Language, 2);
        P->set_image16(img::Brightness, 33);
        P->set_image16(img::SaveRequest, 1);
        P->test_signal(1);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(P->user_mode[0]), RAM_PARA_SIZE), slot);
        QCOMPARE((QList<int>{P->image16(img::CurrentMode), P->image16(img::SaveRequest), g_language}),
                 (QList<int>{0, 0, 2}));
        for (const QString& b : blockers)
            QVERIFY(QDir(platform::dev_path(b)).removeRecursively());
        ticks(99);
        QCOMPARE(stored(), 0); // no try sooner than a second after the last
        ticks(1);
        QCOMPARE(stored(), 2);
        P = YuqRamPara::reset_for_test();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(P->user_mode[0]), RAM_PARA_SIZE), slot);
        QCOMPARE(int(P->image16(img::Language)), 2);
    }

    // A save from the home screen's strip on a full disk: no check mark, the slot not in use.
    void full_disk_save_from_home_shows_no_check_mark()
    {
        const auto tip_shown = [] {
            bool shown = false;
            QTimer::singleShot(0, [&shown] {
                shown = g_tip_flag == 1;
                ticks(300);
            });
            QCoreApplication::processEvents(); // runs a tip asked for, which returns once hidden
            return shown;
        };
        tip_shown(); // one an earlier test left asked for
        QVERIFY(QDir().mkpath(platform::dev_path("/data/modes/custom_mode2.tmp")));
        to_tool(3);
        key('Q');
        key('R');
        key('Q');
        QVERIFY(g_mainwindow->l_tip_request);
        P->test_signal(1);
        QVERIFY(!tip_shown());
        QCOMPARE(int(P->image16(img::CurrentMode)), 0);
    }

    void lock_function_keys_and_a_bad_window_change_nothing()
    {
        keypad_panel();
        QSignalSpy refresh(P, &YuqRamPara::sig_update_para);
        const QByteArray before(reinterpret_cast<const char*>(P->ram_para), RAM_PARA_SIZE);
        g_image_current = 1;
        // Function keys whose low byte is a letter ('A'..'P' are F18..F33).
        for (int key = Qt::Key_F18; key <= Qt::Key_F33; ++key)
            release(g_mainwindow, key);
        // The key lock (any non-zero word) refuses every shortcut and the mode key; the
        // panel keys still work on the screen and reach the lock item, which unlocks.
        P->set_image16(img::KeyLock, 2);
        for (int key = 'A'; key <= 'P'; ++key)
            if (kit::key_role(key) == kit::Key::None || key == 'M')
                release(g_mainwindow, key);
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        key('R', 4);
        key('Q');
        // A current window out of range reaches no window record.
        g_image_current = 9;
        for (int key : {'G', 'N', 'P'})
            release(g_mainwindow, key);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(P->ram_para), RAM_PARA_SIZE), before);
        QVERIFY(refresh.isEmpty());
        key('M'); // unlocked: the user modes
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        kit::close_page(page::CustomMode);
    }
};

QTEST_MAIN(TstShellHome)
#include "tst_shell_home.moc"
