// The USB keypad: presence check, the LED report and when it is sent, and the shortcut
// keys every screen hands on (checked on the image and on the report the keypad records).
#include "shellsupport.h"

#include "platform/hid.h"
#include "sim/control.h"
#include "sim/sim_keypad.h"
#include "ui/shell/yuq_keys.h"

#include <QSignalSpy>
#include <QtTest>
#include <cstring>

using namespace shellsupport;

namespace {

// Windows 0, 1, 3 enabled (2, 4, 5 not), window 0 shows HDMI1, every input has a signal,
// nothing frozen or black; the keypad present and nothing sent yet.
YuqRamPara* keypad_panel()
{
    YuqRamPara* p = fresh_panel();
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        p->set_image16(win(w, img::WinFlags), (w == 0 || w == 1 || w == 3) ? 1 : 0);
        p->set_image16(win(w, img::WinInput), 2);
        p->set_image16(win(w, img::WinMode), 0);
    }
    for (int s = 0; s < 6; ++s)
        set_timing(p, s, 1920, 1080, 60);
    p->set_image16(img::KeyLock, 0);
    std::memcpy(p->ram_para_old, p->ram_para, RAM_PARA_SIZE);
    sim::keypad().restore();
    platform::install_hid(&sim::keypad());
    g_yuq_keys = 1;
    g_update_flag = 0;
    std::memset(SyncUpdate::pInstance()->last_key_report, 0, KEY_REPORT_SIZE);
    return p;
}

QByteArray report_of(YuqRamPara* p, int window, bool updating = false)
{
    unsigned char r[KEY_REPORT_SIZE];
    key_led_report(p->ram_para, window, updating, r);
    return QByteArray(reinterpret_cast<const char*>(r), KEY_REPORT_SIZE);
}

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

} // namespace

class TstShellKeypad : public QObject
{
    Q_OBJECT
private slots:
    void presence_check()
    {
        keypad_panel();
        platform::install_hid(nullptr);
        QCOMPARE(check_hiddev(), 0); // host without the simulated keypad
        sim::install_keypad();
        QCOMPARE(check_hiddev(), 1);
        sim::keypad().set_present(false);
        QCOMPARE(check_hiddev(), 0);
        sim::keypad().set_present(true);
        sim::keypad().set_init_fails(true);
        QCOMPARE(check_hiddev(), 0);
        sim::keypad().restore();
        QVERIFY(sim::run_control_line(QStringLiteral("keypad")));
    }

    void report_table_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("window");
        QTest::addColumn<bool>("updating");
        QTest::addColumn<QByteArray>("report");
        // setup: "input S" (window's input), "nosignal S", "rateless S", "crop S",
        // "off" (window disabled), "freeze", "black"
        QTest::newRow("window 0, HDMI1") << "" << 0 << false << bytes("a501001000");
        QTest::newRow("window 1") << "" << 1 << false << bytes("a504001000");
        QTest::newRow("window 3") << "" << 3 << false << bytes("a540001000");
        QTest::newRow("window 2 disabled: input only") << "" << 2 << false << bytes("a500001000");
        QTest::newRow("window 4 enabled") << "on" << 4 << false << bytes("a500011000");
        QTest::newRow("window 5 enabled") << "on" << 5 << false << bytes("a500041000");
        QTest::newRow("EXT") << "input 0" << 0 << false << bytes("a501100000");
        QTest::newRow("EXT no signal") << "nosignal 0" << 0 << false << bytes("a501200000");
        QTest::newRow("DVI") << "input 1" << 0 << false << bytes("a501400000");
        QTest::newRow("DVI no signal") << "nosignal 1" << 0 << false << bytes("a501800000");
        QTest::newRow("HDMI1 no signal") << "nosignal 2" << 0 << false << bytes("a501002000");
        QTest::newRow("HDMI2") << "input 3" << 0 << false << bytes("a501004000");
        QTest::newRow("HDMI2 no signal") << "nosignal 3" << 0 << false << bytes("a501008000");
        QTest::newRow("HDMI3") << "input 4" << 0 << false << bytes("a501000100");
        QTest::newRow("HDMI3 no signal") << "nosignal 4" << 0 << false << bytes("a501000200");
        QTest::newRow("HDMI4") << "input 5" << 0 << false << bytes("a501000400");
        QTest::newRow("HDMI4 rate 0 is no signal") << "rateless 5" << 0 << false << bytes("a501000800");
        QTest::newRow("crop of HDMI2") << "crop 3" << 0 << false << bytes("a501004000");
        QTest::newRow("frozen") << "freeze" << 0 << false << bytes("a501001001");
        QTest::newRow("black") << "black" << 0 << false << bytes("a501001004");
        QTest::newRow("frozen and black") << "freeze black" << 0 << false << bytes("a501001005");
        QTest::newRow("updating") << "" << 0 << true << bytes("5a01001000");
        QTest::newRow("no such window") << "" << 9 << false << bytes("a500000000");
    }

    void report_table()
    {
        QFETCH(QString, setup);
        QFETCH(int, window);
        QFETCH(bool, updating);
        QFETCH(QByteArray, report);
        YuqRamPara* p = keypad_panel();
        const QStringList w = setup.split(' ', Qt::SkipEmptyParts);
        const QString what = w.value(0);
        const int s = w.value(1).toInt();
        const int rec = window < WINDOW_COUNT ? window : 0;
        if (what == "on")
            p->set_image16(win(window, img::WinFlags), 1);
        if (what == "input" || what == "nosignal" || what == "rateless")
            p->set_image16(win(rec, img::WinInput), uint16_t(s));
        if (what == "nosignal" || what == "rateless")
            set_timing(p, s, what == "rateless" ? 1920 : 0, what == "rateless" ? 1080 : 0, 0);
        if (what == "crop") {
            p->set_image16(img::CropTable + 10 * 7, uint16_t(0x8000 | s)); // entry 7: crop 1 of s
            p->set_image16(win(rec, img::WinInput), 0x8007);
        }
        uint16_t mode = 0;
        if (w.contains("freeze"))
            mode |= 2;
        if (w.contains("black"))
            mode |= 1;
        p->set_image16(win(rec, img::WinMode), mode);
        QCOMPARE(report_of(p, window, updating).toHex(), report.toHex());
    }

    void report_sent_on_change_and_retried_after_a_failure()
    {
        YuqRamPara* p = keypad_panel();
        sim::SimKeypad& k = sim::keypad();
        // The first report after start-up always goes out.
        SyncUpdate::pInstance()->update_usb_keyLed();
        QCOMPARE(k.reports().size(), 1);
        QCOMPARE(k.last_report().toHex(), QByteArray("a501001000"));
        // The same report is not sent again, by any refresh.
        p->test_signal(1);
        SyncUpdate::pInstance()->para_sync(12);
        QCOMPARE(k.reports().size(), 1);
        // An update starting changes byte 0 alone: sent, by the overlay's code too.
        g_update_flag = 1;
        SyncUpdate::pInstance()->para_sync(105);
        QCOMPARE(k.last_report().toHex(), QByteArray("5a01001000"));
        g_update_flag = 0;
        SyncUpdate::pInstance()->para_sync(106);
        QCOMPARE(k.reports().size(), 3);

        // A failed write is not taken for sent: the next refresh sends it.
        k.set_write_fails(true);
        p->set_image16(win(0, img::WinMode), 2);
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 3);
        k.set_write_fails(false);
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 4);
        QCOMPARE(k.last_report().toHex(), QByteArray("a501001001"));

        // Unplugged: every refresh tries again until it is back.
        k.set_present(false);
        p->set_image16(win(0, img::WinMode), 0);
        p->test_signal(1);
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 4);
        k.set_present(true);
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 5);
        QCOMPARE(k.last_report().toHex(), QByteArray("a501001000"));

        // Without the keypad found at start-up nothing is sent.
        g_yuq_keys = 0;
        g_image_current = 1;
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 5);
    }

    void window_keys_on_every_screen()
    {
        YuqRamPara* p = keypad_panel();
        SyncUpdate::pInstance()->update_usb_keyLed();
        StandInScreen option(page::Option);
        QSignalSpy refresh(p, &YuqRamPara::sig_update_para);
        // The home screen and any other screen hand the letters on alike.
        for (QWidget* screen : {static_cast<QWidget*>(g_mainwindow), static_cast<QWidget*>(&option)}) {
            g_image_current = 0;
            refresh.clear();
            release(screen, 'B'); // window 1 enabled: current, refreshed at once
            QCOMPARE(int(g_image_current), 1);
            QCOMPARE(refresh.count(), 1);
            QCOMPARE(sim::keypad().last_report().toHex(), QByteArray("a504001000"));
            release(screen, 'C'); // window 2 disabled
            release(screen, 'E'); // window 4 disabled
            QCOMPARE(int(g_image_current), 1);
            QCOMPARE(refresh.count(), 1);
            release(screen, 'D');
            QCOMPARE(int(g_image_current), 3);
            QCOMPARE(sim::keypad().last_report().toHex(), QByteArray("a540001000"));
            release(screen, 'D'); // already current: no refresh
            QCOMPARE(refresh.count(), 2);
            release(screen, 'A');
            QCOMPARE(int(g_image_current), 0);
            QCOMPARE(sim::keypad().last_report().toHex(), QByteArray("a501001000"));
            release(screen, 'A');
            QCOMPARE(refresh.count(), 3);
        }
        // 'A' selects window 0 even when it is disabled.
        p->set_image16(win(0, img::WinFlags), 0);
        g_image_current = 1;
        release(g_mainwindow, 'A');
        QCOMPARE(int(g_image_current), 0);
    }

    void input_freeze_and_black_keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("source");
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("G EXT") << int('G') << 0 << bytes("a504100000");
        QTest::newRow("H DVI") << int('H') << 1 << bytes("a504400000");
        QTest::newRow("I HDMI3") << int('I') << 4 << bytes("a504000100");
        QTest::newRow("J HDMI4") << int('J') << 5 << bytes("a504000400");
        QTest::newRow("K HDMI1") << int('K') << 2 << bytes("a504001000");
        QTest::newRow("L HDMI2") << int('L') << 3 << bytes("a504004000");
    }

    void input_freeze_and_black_keys()
    {
        QFETCH(int, key);
        QFETCH(int, source);
        QFETCH(QByteArray, report);
        YuqRamPara* p = keypad_panel();
        g_image_current = 1;
        p->set_image16(win(1, img::WinInput), 0x0005);
        EngineHandshake::instance().reapply = 0;
        release(g_mainwindow, key);
        QCOMPARE(int(p->image16(win(1, img::WinInput))), source);
        QCOMPARE(int(p->image16(win(0, img::WinInput))), 2); // other windows untouched
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);
        p->test_signal(1); // the engine's refresh after applying
        QCOMPARE(sim::keypad().last_report().toHex(), report.toHex());

        // Freeze and black toggle the current window's output mode.
        release(g_mainwindow, 'N');
        QCOMPARE(int(p->image16(win(1, img::WinMode))), 2);
        p->test_signal(1);
        QCOMPARE(uchar(sim::keypad().last_report()[4]), uchar(0x01));
        release(g_mainwindow, 'P');
        QCOMPARE(int(p->image16(win(1, img::WinMode))), 3);
        p->test_signal(1);
        QCOMPARE(uchar(sim::keypad().last_report()[4]), uchar(0x05));
        release(g_mainwindow, 'N');
        release(g_mainwindow, 'P');
        QCOMPARE(int(p->image16(win(1, img::WinMode))), 0);
        QCOMPARE(int(p->image16(win(0, img::WinMode))), 0);
    }

    void lock_function_keys_and_a_bad_window_change_nothing()
    {
        YuqRamPara* p = keypad_panel();
        SyncUpdate::pInstance()->update_usb_keyLed();
        const int sent = sim::keypad().reports().size();
        QSignalSpy refresh(p, &YuqRamPara::sig_update_para);
        auto unchanged = [&](int key) {
            const QByteArray before(reinterpret_cast<const char*>(p->ram_para), RAM_PARA_SIZE);
            const int cur = g_image_current;
            release(g_mainwindow, key);
            return before == QByteArray(reinterpret_cast<const char*>(p->ram_para), RAM_PARA_SIZE)
                   && cur == g_image_current && refresh.isEmpty();
        };
        g_image_current = 1;
        // Function keys whose low byte is a letter ('A'..'P' are F18..F33).
        for (int key = Qt::Key_F18; key <= Qt::Key_F33; ++key)
            QVERIFY2(unchanged(key), qPrintable(QString::number(key, 16)));
        // The key lock refuses every shortcut; the panel keys still work on the screen.
        p->set_image16(img::KeyLock, 1);
        for (int key = 'A'; key <= 'P'; ++key)
            if (kit::key_role(key) == kit::Key::None)
                QVERIFY2(unchanged(key), qPrintable(QString(QChar(key))));
        release(g_mainwindow, 'R');
        QCOMPARE(int(g_mainwindow->focus_index()), 1);
        p->set_image16(img::KeyLock, 0);
        // A current window out of range reaches no window record.
        g_image_current = 9;
        for (int key : {'G', 'K', 'N', 'P'}) {
            release(g_mainwindow, key);
            for (int w = 0; w < WINDOW_COUNT; ++w)
                QCOMPARE(int(p->image16(win(w, img::WinMode))), 0);
        }
        QCOMPARE(int(p->image16(win(1, img::WinInput))), 2);
        QCOMPARE(sim::keypad().reports().size(), sent);
    }
};

QTEST_MAIN(TstShellKeypad)
#include "tst_shell_keypad.moc"
