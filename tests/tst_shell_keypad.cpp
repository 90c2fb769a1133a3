// The USB keypad: the LED report, when it is sent and the presence check, and the shortcut
// keys every screen hands on (checked on the image and on the report the keypad records).
#include "shellsupport.h"

#include "platform/hid.h"
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
    settled(p);
    sim::keypad().restore();
    platform::install_hid(&sim::keypad());
    g_yuq_keys = 1;
    g_update_flag = 0;
    std::memset(SyncUpdate::pInstance()->last_key_report, 0, KEY_REPORT_SIZE);
    return p;
}

QByteArray last_sent()
{
    return sim::keypad().last_report().toHex();
}

} // namespace

class TstShellKeypad : public QObject
{
    Q_OBJECT
private slots:
    // The bytes the keypad's firmware reads: current window, its source and signal, mode.
    void report_table_data()
    {
        QTest::addColumn<int>("window");
        QTest::addColumn<int>("input"); // 0x8007: crop table entry 7, a crop of HDMI2
        QTest::addColumn<int>("rate");  // -1 no timing at all
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("report");
        QTest::newRow("window 0, HDMI1") << 0 << 2 << 60 << 0 << QByteArray("a501001000");
        QTest::newRow("window 3") << 3 << 2 << 60 << 0 << QByteArray("a540001000");
        QTest::newRow("window 2 disabled: input only") << 2 << 2 << 60 << 0 << QByteArray("a500001000");
        QTest::newRow("DVI no signal") << 0 << 1 << -1 << 0 << QByteArray("a501800000");
        QTest::newRow("HDMI4 rate 0 is no signal") << 0 << 5 << 0 << 0 << QByteArray("a501000800");
        QTest::newRow("crop of HDMI2") << 0 << 0x8007 << 60 << 0 << QByteArray("a501004000");
        QTest::newRow("no such window") << 9 << 2 << 60 << 0 << QByteArray("a500000000");
    }

    void report_table()
    {
        QFETCH(int, window);
        QFETCH(int, input);
        QFETCH(int, rate);
        QFETCH(int, mode);
        QFETCH(QByteArray, report);
        YuqRamPara* p = keypad_panel();
        const int rec = window < WINDOW_COUNT ? window : 0;
        p->set_image16(img::CropTable + 10 * 7, 0x8003);
        p->set_image16(win(rec, img::WinInput), uint16_t(input));
        if (rate <= 0)
            set_timing(p, input, rate ? 0 : 1920, rate ? 0 : 1080, 0);
        p->set_image16(win(rec, img::WinMode), uint16_t(mode));
        unsigned char r[KEY_REPORT_SIZE];
        key_led_report(p->ram_para, window, false, r);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(r), KEY_REPORT_SIZE).toHex(), report);
    }

    void report_sending_and_presence()
    {
        YuqRamPara* p = keypad_panel();
        sim::SimKeypad& k = sim::keypad();
        // The first report after start-up always goes out; the same one not again.
        SyncUpdate::pInstance()->update_usb_keyLed();
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 1);
        // An update starting is sent by the overlay's code too.
        g_update_flag = 1;
        SyncUpdate::pInstance()->para_sync(105);
        QCOMPARE(last_sent(), QByteArray("5a01001000"));
        g_update_flag = 0;

        // A failed write is not taken for sent: the next refresh sends it.
        k.set_write_fails(true);
        p->set_image16(win(0, img::WinMode), 2);
        p->test_signal(1);
        k.set_write_fails(false);
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 3);
        QCOMPARE(last_sent(), QByteArray("a501001001"));

        // Without the keypad found at start-up nothing is sent.
        g_yuq_keys = 0;
        g_image_current = 1;
        p->test_signal(1);
        QCOMPARE(k.reports().size(), 3);

        // The presence check at start-up.
        platform::install_hid(nullptr);
        QCOMPARE(check_hiddev(), 0); // host without the simulated keypad
        sim::install_keypad();
        QCOMPARE(check_hiddev(), 1);
        k.set_init_fails(true);
        QCOMPARE(check_hiddev(), 0);
    }

    void window_keys_on_every_screen()
    {
        YuqRamPara* p = keypad_panel();
        StandInScreen option(page::Option);
        QSignalSpy refresh(p, &YuqRamPara::sig_update_para);
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
        p->set_image16(win(0, img::WinFlags), 0);
        release(g_mainwindow, 'A');
        QCOMPARE(int(g_image_current), 0);
    }

    void input_freeze_and_black_keys()
    {
        YuqRamPara* p = keypad_panel();
        g_image_current = 1;
        const std::pair<int, int> inputs[] = {{'G', 0}, {'H', 1}, {'I', 4}, {'J', 5}, {'K', 2}, {'L', 3}};
        for (const auto& [key, source] : inputs) {
            release(g_mainwindow, key);
            QCOMPARE(int(p->image16(win(1, img::WinInput))), source);
        }
        QCOMPARE(int(p->image16(win(0, img::WinInput))), 2); // other windows untouched
        QCOMPARE(int(EngineHandshake::instance().reapply), 1);

        // Freeze and black toggle the current window's output mode.
        keys(g_mainwindow, "NPN");
        QCOMPARE(int(p->image16(win(1, img::WinMode))), 1);
        p->test_signal(1); // the engine's refresh after applying
        QCOMPARE(last_sent(), QByteArray("a504004004"));
    }

    void lock_function_keys_and_a_bad_window_change_nothing()
    {
        YuqRamPara* p = keypad_panel();
        SyncUpdate::pInstance()->update_usb_keyLed();
        const int sent = sim::keypad().reports().size();
        QSignalSpy refresh(p, &YuqRamPara::sig_update_para);
        const QByteArray before(reinterpret_cast<const char*>(p->ram_para), RAM_PARA_SIZE);
        g_image_current = 1;
        // Function keys whose low byte is a letter ('A'..'P' are F18..F33).
        for (int key = Qt::Key_F18; key <= Qt::Key_F33; ++key)
            release(g_mainwindow, key);
        // The key lock refuses every shortcut; the panel keys still work on the screen.
        p->set_image16(img::KeyLock, 1);
        for (int key = 'A'; key <= 'P'; ++key)
            if (kit::key_role(key) == kit::Key::None)
                release(g_mainwindow, key);
        release(g_mainwindow, 'R');
        QCOMPARE(int(g_mainwindow->focus_index()), 1);
        p->set_image16(img::KeyLock, 0);
        // A current window out of range reaches no window record.
        g_image_current = 9;
        for (int key : {'G', 'N', 'P'})
            release(g_mainwindow, key);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(p->ram_para), RAM_PARA_SIZE), before);
        QVERIFY(refresh.isEmpty());
        QCOMPARE(sim::keypad().reports().size(), sent);
    }
};

QTEST_MAIN(TstShellKeypad)
#include "tst_shell_keypad.moc"
