// Other settings (windows, volume, effects, access point) and the LCD timers.
#include "shellsupport.h"

#include "comm/k87_wifi_config.h"
#include "core/engine_handshake.h"
#include "core/image_edit.h"
#include "engine/c331_manage.h"
#include "sim/sim_device.h"
#include "ui/system/lcdshow.h"
#include "ui/system/othersetup.h"

#include <QComboBox>
#include <QThread>
#include <QtTest>
#include <thread>

using namespace shellsupport;

namespace {
YuqRamPara* P() { return YuqRamPara::p_yuqrampara_config; }

// Windows enabled by bit mask (0..5), volume off, and the current window.
void set_windows(int mask, int current)
{
    for (int w = 0; w < 6; ++w) {
        P()->set_image16(win(w, img::WinFlags), (mask >> w) & 1);
        P()->set_image16(win(w, img::WinVolume), 0);
    }
    P()->set_image16(img::CurrentWindow, uint16_t(current));
    EngineHandshake::instance().reapply = 0;
}

void run(const std::function<void(othersetup*)>& body) { run_screen<othersetup>(page::othersetup, body); }

int reapplied() { return int(EngineHandshake::instance().reapply.load()); }

const QString kOff = QStringLiteral("kill -9 `pidof /usr/bin/hostapd /etc/rtl_hostapd_2G.conf`");
const QString kOff2 = QStringLiteral("kill -9 `pidof /usr/sbin/udhcpd  /etc/udhcpd.conf`");
const QString kStart = QStringLiteral("/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B");
} // namespace

class TstSystemOthersetup : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fresh_panel();
        sim::install();
        sim::restore_all();
        K87_WIFI_CONFIG::reset_for_test();
    }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        if (K87_WIFI_CONFIG::p_wifi)
            K87_WIFI_CONFIG::p_wifi->stop_for_test();
    }

    void window_list_data()
    {
        QTest::addColumn<int>("mask"); QTest::addColumn<int>("current"); QTest::addColumn<QStringList>("listed");
        QTest::addColumn<int>("selected");
        QTest::newRow("current out of range") << 0b100001 << 7 << QStringList{"image1", "image6"} << 0;
        QTest::newRow("none enabled") << 0 << 3 << QStringList{} << -1;
    }
    void window_list()
    {
        QFETCH(int, mask); QFETCH(int, current); QFETCH(QStringList, listed); QFETCH(int, selected);
        set_windows(mask, current);
        run([&](othersetup* s) {
            QComboBox* box = s->field(othersetup::Window);
            QStringList items;
            for (int i = 0; i < box->count(); ++i)
                items << box->itemText(i);
            QCOMPARE(items, listed);
            QCOMPARE(box->currentIndex(), selected);
            // The current window corrected to the first, with no re-apply.
            QCOMPARE((QList<int>{P()->image16(img::CurrentWindow), reapplied()}), (QList<int>{0, 0}));
            keys(s, "QRQ"); // an empty list steps nowhere
        });
    }

    // The chosen item's window gets the volume, none when the PC switched it off meanwhile.
    void volume_data()
    {
        QTest::addColumn<bool>("disable");
        QTest::newRow("on") << false;
        QTest::newRow("window gone meanwhile") << true;
    }
    void volume()
    {
        QFETCH(bool, disable);
        set_windows(0b101, 0); // windows 1 and 3 listed
        run([&](othersetup* s) {
            keys(s, "QRQR"); // window field: second item (window 3); the volume field
            if (disable)
                P()->set_image16(win(2, img::WinFlags), 0);
            keys(s, "QRQ");
            QCOMPARE((QList<int>{P()->image16(img::CurrentWindow), P()->image16(win(2, img::WinVolume)),
                                 P()->image16(win(0, img::WinVolume)), reapplied() != 0}),
                     (disable ? QList<int>{0, 0, 0, 0} : QList<int>{2, 0x80FF, 0, 1}));
        });
    }

    // Every window slot saved, and the scaler told although the write-back equalled the copy.
    void switch_and_dot_by_dot_data()
    {
        QTest::addColumn<int>("field");
        QTest::newRow("fade on") << int(othersetup::Switch);
        QTest::newRow("dot-by-dot off") << int(othersetup::Dbd);
    }
    void switch_and_dot_by_dot()
    {
        QFETCH(int, field);
        const bool fade = field == othersetup::Switch;
        const int word = fade ? img::SwitchEffect : img::DotByDot;
        for (int w = 0; w < 16; ++w) {
            P()->set_image16(win(w, img::WinMode), fade ? 0x0001 : 0x0105);
            P()->set_image16(img::FadeWords + 4 * w, 7);
            P()->set_image16(img::FadeWords + 4 * w + 2, 7);
        }
        P()->set_image16(word, fade ? 0 : 1);
        c331_manage* engine = c331_manage::pInstance();
        engine->bring_up();
        run([&](othersetup* s) { keys(s, (QByteArray(field, 'R') + "QRQ").constData()); });
        for (int w = 0; w < 16; ++w) {
            const int fades = P()->image16(img::FadeWords + 4 * w) + P()->image16(img::FadeWords + 4 * w + 2);
            QCOMPARE((QList<int>{P()->image8(win(w, img::WinMode)), P()->image8(win(w, img::WinMode + 1)), fades}),
                     (QList<int>{5, 0, fade ? 120 : 14}));
        }
        QVERIFY(engine->c331managerdeal() != 0);
        const sim::ScalerState chip = sim::scaler().state();
        if (fade)
            QCOMPARE((QList<int>{chip.switch_effect, chip.win[0].fade1}), (QList<int>{1, 60}));
        else
            QCOMPARE(chip.dot_by_dot, 0);
    }

    // Off stops hostapd then udhcpd; on leaves the start to the WiFi thread, if any.
    void wifi_data()
    {
        QTest::addColumn<int>("apOff"); QTest::addColumn<bool>("manager"); QTest::addColumn<int>("resetFlag");
        QTest::newRow("off") << 0 << true << 0;
        QTest::newRow("on") << 1 << true << 1;
        QTest::newRow("on without a manager") << 1 << false << 0;
    }
    void wifi()
    {
        QFETCH(int, apOff); QFETCH(bool, manager); QFETCH(int, resetFlag);
        if (!manager) {
            delete K87_WIFI_CONFIG::p_wifi;
            K87_WIFI_CONFIG::p_wifi = nullptr;
        }
        P()->set_image16(img::ApOff, uint16_t(apOff));
        run([&](othersetup* s) { keys(s, "RRRRQRQ"); });
        QCOMPARE(int(P()->image8(img::ApOff)), 1 - apOff);
        QCOMPARE(platform::shell_recorded(), apOff ? QStringList() : QStringList({kOff, kOff2}));
        QCOMPARE(int(g_wifi_reset_flag.load()), resetFlag);
    }

    // On then off before the WiFi thread came round: its set-up starts nothing.
    void wifi_off_right_after_on()
    {
        K87_WIFI_CONFIG* wifi = K87_WIFI_CONFIG::p_wifi;
        wifi->wifi_deal(); // the start's set-up: access point on
        QCOMPARE(recorded(kStart), 1);
        platform::shell_clear_recorded();
        P()->set_image16(img::ApOff, 1);
        run([](othersetup* s) {
            keys(s, "RRRRQSQ"); // on
            keys(s, "QRQ");     // off
        });
        wifi->wifi_deal();
        QCOMPARE(recorded(kStart), 0);

        // Off during the thread's start: the stop waits for the whole start, then stops both.
        platform::shell_clear_recorded();
        P()->set_image16(img::ApOff, 0);
        wifi->set_wifi_reset_flag();
        std::thread off;
        platform::shell_set_responder([&off](const QString& c, int*, QByteArray*) {
            if (c == kStart && !off.joinable()) {
                off = std::thread([] {
                    ImageEdit().set_byte(img::ApOff, 1);
                    K87_WIFI_CONFIG::stop_access_point();
                });
                // The shell free for a moment: a stop not waiting for the start would run now.
                Utils::_system_mutex.unlock();
                QThread::msleep(20);
                Utils::_system_mutex.lock();
            }
            return false;
        });
        wifi->wifi_deal();
        off.join();
        platform::shell_set_responder(nullptr);
        const QStringList done = platform::shell_recorded(); // the kills after udhcpd's start
        QCOMPARE((QList<int>{done.size(), done.indexOf(kStart), done.indexOf(kOff), done.indexOf(kOff2)}),
                 (QList<int>{4, 0, 2, 3}));
    }

    // A timer choice stored and shown again; back leaves an edit unapplied.
    void lcd_timers()
    {
        g_back_to_mainwindow_time = 3000;
        g_auto_lock_time = 30000;
        run_screen<lcdshow>(page::lcdshow, [](lcdshow* s) { keys(s, "QSQRQRO"); }); // never (left from 30)
        QCOMPARE((QList<uint>{g_back_to_mainwindow_time, g_auto_lock_time}), (QList<uint>{120000u, 30000u}));
        run_screen<lcdshow>(page::lcdshow, [](lcdshow* s) {
            QCOMPARE((QStringList{s->box(0)->currentText(), s->box(1)->currentText()}), (QStringList{"Never", "5min"}));
        });
    }

    // Each box stores the time of its own table and shows that choice again on reopening,
    // in the language then shown: 10 min is 60000 for the lock, 60 is 6000 for the return.
    void lcd_timer_choices_from_their_own_tables()
    {
        g_back_to_mainwindow_time = 3000;
        g_auto_lock_time = 30000;
        const auto shown = [] {
            QStringList l;
            run_screen<lcdshow>(page::lcdshow, [&l](lcdshow* s) { l << s->box(0)->currentText() << s->box(1)->currentText(); });
            return l;
        };
        run_screen<lcdshow>(page::lcdshow, [](lcdshow* s) { keys(s, "RQRQO"); }); // lock: 10 min
        QCOMPARE((QList<uint>{g_back_to_mainwindow_time, g_auto_lock_time}), (QList<uint>{3000u, 60000u}));
        QCOMPARE(shown(), (QStringList{"30", "10min"}));
        run_screen<lcdshow>(page::lcdshow, [](lcdshow* s) { keys(s, "QRQO"); }); // return: 60
        QCOMPARE((QList<uint>{g_back_to_mainwindow_time, g_auto_lock_time}), (QList<uint>{6000u, 60000u}));
        switch_language(P(), 2);
        QCOMPARE(shown(), (QStringList{"60", "10 мин"}));
        g_back_to_mainwindow_time = 3000;
        g_auto_lock_time = 30000;
    }

    // A language from the PC ends an edit unapplied, the stored value shown again.
    void language_change_ends_an_edit()
    {
        set_windows(0b11, 1);
        g_auto_lock_time = 60000;
        run([](othersetup* s) {
            keys(s, "RRQR");
            P()->set_image16(img::Language, 2);
            s->refresh(kit::Refresh::Applied);
            QVERIFY(!s->editing());
            QCOMPARE(s->field(othersetup::Switch)->currentIndex(), 0);
        });
        run_screen<lcdshow>(page::lcdshow, [](lcdshow* s) {
            keys(s, "RQR");
            P()->set_image16(img::Language, 3);
            s->refresh(kit::Refresh::Applied);
            QVERIFY(!s->editing());
            QCOMPARE(s->box(1)->currentIndex(), 1); // the stored 10 min
            keys(s, "Q");
            QVERIFY(s->editing());
        });
        QCOMPARE((QList<int>{P()->image16(img::SwitchEffect), int(g_auto_lock_time)}), (QList<int>{0, 60000}));
    }
};

QTEST_MAIN(TstSystemOthersetup)
#include "tst_system_othersetup.moc"
