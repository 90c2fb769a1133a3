// Language and factory reset (with the font lines), and the Ethernet settings.
#include "shellsupport.h"

#include "app/control_commands.h"
#include "comm/k87_wifi_config.h"
#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/system/factory.h"
#include "ui/system/linkwlan.h"
#include "ui/system/othersetup.h"

#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void run(const std::function<void(factory*)>& body) { QVERIFY(in_screen<factory>(page::factory, body)); }

// The colours of a font line's three width words: "g" green, "r" red.
QString colours(const QLabel* l)
{
    QString out;
    static const QRegularExpression word(QStringLiteral("color = #(\\w+) >(\\d+)"));
    for (auto m = word.globalMatch(l->property("html").toString()); m.hasNext();)
        out += m.next().captured(1) == QLatin1String("00ff00") ? 'g' : 'r';
    return out;
}

bool image_is_default(int from, int to)
{
    return std::memcmp(P->ram_para + from, default_para_ramlist + 2 + (from - img::Language), size_t(to - from)) == 0;
}

void run_net(const std::function<void(linkwlan*)>& body) { QVERIFY(in_screen<linkwlan>(page::linkwlan, body)); }

const int kApply = 12;

// Right to item `index` and OK; `digits` confirmed on the pad a field opens.
void type(linkwlan* s, int index, const QString& digits = QString())
{
    while (s->focus_index() != index)
        release(s, 'R');
    if (!digits.isNull())
        QTimer::singleShot(0, [digits] {
            emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(digits);
            g_numberkeyboard->hide();
        });
    release(s, 'Q');
}
} // namespace

class TstSystemFactory : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        g_set_led_para = 0;
        g_set_led_setup = 0;
        settled(P);
    }
    void cleanup()
    {
        g_lcd_lang_valid = 0x1F;
        g_language = 1;
        platform::shell_set_responder(nullptr);
        c331_manage::destroy_for_test();
        fpga_manage::destroy_for_test();
        zarvosource::destroy_for_test();
    }

    // The cursor opens and moves over enabled languages only, never leaving 0..4.
    void language_cursor_data()
    {
        QTest::addColumn<uint>("mask"); QTest::addColumn<int>("language"); // g_language at opening
        QTest::addColumn<int>("opened");   // cursor at opening
        QTest::addColumn<QByteArray>("keys"); // after OK on the box
        QTest::addColumn<int>("cursor");
        QTest::newRow("gaps, both ways") << 0x15u << 2 << 2 << QByteArray("RRRSS") << 4;
        QTest::newRow("disabled language opens on English") << 0x03u << 3 << 1 << QByteArray("R") << 0;
        QTest::newRow("none enabled") << 0x00u << 0 << 1 << QByteArray("RRS") << 1;
        QTest::newRow("above 4 with its bit") << 0xFFu << 7 << 1 << QByteArray("RRRR") << 0;
    }
    void language_cursor()
    {
        QFETCH(uint, mask); QFETCH(int, language); QFETCH(int, opened); QFETCH(QByteArray, keys);
        QFETCH(int, cursor);
        g_lcd_lang_valid = mask;
        g_language = uint8_t(language);
        run([&](factory* s) {
            QCOMPARE(s->language_cursor(), opened);
            ::shellsupport::keys(s, ("Q" + keys).constData());
            QCOMPARE(s->language_cursor(), cursor);
        });
    }

    // OK in edit mode stores the language chosen and re-texts.
    void language_choice()
    {
        run([&](factory* s) {
            EngineHandshake::instance().reapply = 0;
            keys(s, "QRQ");
            QCOMPARE(int(P->image8(img::Language)), 2);
            QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
            QCOMPARE(s->findChild<QLabel*>("label_factory")->text(), QString::fromUtf8("Системные настройки"));
        });
    }

    // Each level's image, EDID requests, LED-size hand-off and network items.
    void reset_levels_data()
    {
        QTest::addColumn<int>("level"); QTest::addColumn<QString>("network"); // ip mask gateway before
        QTest::addColumn<bool>("newSize"); // stored LED size differs from the defaults: hand-off
        QTest::addColumn<bool>("edidKept"); QTest::addColumn<bool>("networkReset");
        const QString other = "10.0.0.5 255.0.0.0 10.0.0.1";
        QTest::newRow("keep IP and EDID") << 2 << other << true << true << false;
        QTest::newRow("all") << 3 << other << true << false << true;
        QTest::newRow("all, factory network") << 3 << "192.168.1.199 255.255.255.0 192.168.1.1" << false << false << false;
        QTest::newRow("all, only the gateway differs") << 3 << "192.168.1.199 255.255.255.0 192.168.1.254" << false
                                                       << false << true;
    }
    void reset_levels()
    {
        QFETCH(int, level); QFETCH(QString, network); QFETCH(bool, newSize); QFETCH(bool, edidKept);
        QFETCH(bool, networkReset);
        const QStringList net = network.split(' ');
        store_network(net[0], net[1], net[2]);
        // A panel that is not the factory one: language, EDID, size, fades, a window.
        P->set_image16(img::Language, 2);
        P->set_image16(img::Edid + 6, 1280);
        P->set_image16(img::FadeWords + 8, 7);
        P->set_image16(img::Brightness, 3);
        if (newSize)
            P->set_image16(img::LedWidth, 3840);
        settled(P);
        fpgas_running(true);
        zarvosource* z = zarvosource::pInstance(); // no EDID rewrite asked yet
        platform::shell_clear_recorded();
        run([&](factory* s) {
            EngineHandshake::instance().reapply = 0;
            keys(s, (QByteArray(level, 'R') + 'Q').constData());
        });
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
        QVERIFY(image_is_default(img::Language, img::Edid) && image_is_default(img::SpliceMode, img::FadeWords)
                && image_is_default(img::FadeWords + 64, RAM_PARA_SIZE));
        QCOMPARE(int(P->image16(img::Edid + 6)), edidKept ? 1280 : int(rd16(default_para_ramlist + 2, img::Edid + 6 - img::Language)));
        QCOMPARE(int(P->image16(img::FadeWords + 8)), 60); // not the stored default
        QCOMPARE(int(g_set_led_para), int(newSize));
        for (const auto& r : z->source_edid_rewrite)
            QCOMPARE(int(r), edidKept ? 0 : 1);

        const QString expect = networkReset ? QStringLiteral("192.168.1.199 255.255.255.0 192.168.1.1") : network;
        QCOMPARE(stored_network(), expect);
        const QStringList cmds = platform::shell_recorded();
        QVERIFY2(networkReset ? ran_network(expect) : !cmds.contains("sync") && !cmds.join(' ').contains("ifconfig"),
                 qPrintable(cmds.join("; ")));
    }

    // A reset that turns the access point back on starts it, as other settings' ON does; one
    // that leaves it as it was starts no second one.
    void reset_applies_the_access_point_data()
    {
        QTest::addColumn<int>("level"); QTest::addColumn<bool>("offBefore");
        QTest::newRow("all, after WiFi OFF") << 3 << true;
        QTest::newRow("keep IP and EDID, after WiFi OFF") << 2 << true;
        QTest::newRow("all, access point on") << 3 << false;
    }
    void reset_applies_the_access_point()
    {
        QFETCH(int, level); QFETCH(bool, offBefore);
        const QString start = QStringLiteral("/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B");
        store_network("192.168.1.199", "255.255.255.0", "192.168.1.1");
        K87_WIFI_CONFIG* wifi = K87_WIFI_CONFIG::reset_for_test();
        wifi->wifi_deal(); // the start's set-up: on
        if (offBefore) // Other settings, WiFi OFF
            QVERIFY(in_screen<othersetup>(page::othersetup, [](othersetup* s) { keys(s, "RRRRQRQ"); }));
        QCOMPARE(int(P->image8(img::ApOff)), offBefore ? 1 : 0);
        platform::shell_clear_recorded();
        run([&](factory* s) { keys(s, (QByteArray(level, 'R') + 'Q').constData()); });
        wifi->wifi_deal(); // the WiFi thread's next pass
        QCOMPARE(int(P->image8(img::ApOff)), 0);
        QCOMPARE(platform::shell_recorded().count(start), offBefore ? 1 : 0);
        wifi->stop_for_test();
    }

    // The hand-off is raised inside the image edit: no engine pass takes the size between.
    void handoff_inside_the_image_edit()
    {
        P->set_image16(img::LedWidth, 3840);
        settled(P);
        fpgas_running(true);
        QMutex& led = Utils::_led_para_init_mutex;
        led.lock();
        std::atomic<int> engineFree{-1};
        std::thread watcher([&] {
            // Wait for the reset's copy, give the screen time to reach the LED mutex, look.
            for (int i = 0; i < 2000 && P->image16(img::LedWidth) == 3840; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            const bool free = pthread_mutex_trylock(&EngineHandshake::instance().mutex) == 0;
            if (free)
                pthread_mutex_unlock(&EngineHandshake::instance().mutex);
            engineFree = free ? 1 : 0;
            led.unlock();
        });
        run([](factory* s) { s->on_Button_reset1_clicked(); });
        watcher.join();
        QCOMPARE(engineFree.load(), 0);
        QCOMPARE(int(g_set_led_para), 1);
    }

    // Green for a font the flash holds; the line's picture redrawn only when fonts or language change.
    void font_lines_data()
    {
        QTest::addColumn<uint>("bits"); QTest::addColumn<int>("language"); QTest::addColumn<QString>("cn");
        QTest::addColumn<QString>("en");
        QTest::newRow("Chinese only") << 0x5u << 0 << "ggg" << "rrr";
        QTest::newRow("32-dot only") << 0x3u << 4 << "grr" << "grr";
    }
    void font_lines()
    {
        QFETCH(uint, bits); QFETCH(int, language); QFETCH(QString, cn); QFETCH(QString, en);
        register_control_commands();
        sim::install();
        sim::restore_all();
        c331_manage::pInstance();
        // As the control channel changes the simulated chip's flash (a bad word changes nothing).
        QVERIFY(!sim::run_control_line(QStringLiteral("scaler fonts 10")));
        QVERIFY(sim::run_control_line(QStringLiteral("scaler fonts %1").arg(bits, 0, 16)));
        QString colourText;
        auto shown = [&colourText](uint b, int l) {
            c331_manage::p_c331_manage->c331_font_valid = b;
            g_language = uint8_t(l);
            QImage out;
            run([&](factory* s) {
                QCoreApplication::sendPostedEvents(s, QEvent::MetaCall); // the line's picture is taken
                const auto* line = s->findChild<QLabel*>("FontCN");
                colourText = colours(line) + ' ' + colours(s->findChild<QLabel*>("FontEN"));
                // The whole screen drawn, as the screenshot draws it.
                out = s->grab().copy(QRect(line->mapTo(s, QPoint(0, 0)), line->size())).toImage();
            });
            return out;
        };
        const QImage first = shown(bits, language);
        QCOMPARE(colourText, cn + ' ' + en);
        QCOMPARE(shown(bits, language), first);
        QVERIFY(shown(0, language) != first);
        QVERIFY(shown(bits, 1 - language % 2) != first);
    }

    // ---- Ethernet settings ----

    // Parts 0..3 of the stored address; a short one leaves the rest empty.
    void fields_show_the_stored_texts_data()
    {
        QTest::addColumn<QString>("ip"); QTest::addColumn<QString>("shown");
        QTest::newRow("three parts") << "10.0.7" << "10.0.7.";
        QTest::newRow("five parts") << "1.2.3.4.5" << "1.2.3.4";
    }
    void fields_show_the_stored_texts()
    {
        QFETCH(QString, ip); QFETCH(QString, shown);
        store_network(ip, "255.255.0.0", "10.0.0.1");
        run_net([&](linkwlan* s) {
            QStringList ip;
            for (int i = 1; i <= 4; ++i)
                ip << s->findChild<QLineEdit*>(QString("lineEditIp%1").arg(i))->text();
            QCOMPARE(ip.join('.'), shown);
        });
    }

    // Apply stores only the rows the operator edited, normalised; refuses bad octets.
    void network_apply_data()
    {
        QTest::addColumn<int>("index"); QTest::addColumn<QString>("typed"); // field typed into, digits
        QTest::addColumn<QString>("pcIp");   // address the PC stores while the screen is open
        QTest::addColumn<QString>("stored"); // ini: ip mask gateway
        QTest::addColumn<bool>("ran");      // sync and the interface commands
        QTest::addColumn<int>("marked");    // the field marked, -1 none
        const QString factoryNet = "192.168.1.199 255.255.255.0 192.168.1.1";
        QTest::newRow("same value again") << 3 << "199" << "" << factoryNet << false << -1;
        QTest::newRow("leading zero, not octal") << 3 << "010" << "" << "192.168.1.10 255.255.255.0 192.168.1.1" << true
                                                 << -1;
        QTest::newRow("mask only keeps the PC's address")
            << 6 << "0" << "10.1.1.1" << "10.1.1.1 255.255.0.0 192.168.1.1" << true << -1;
        QTest::newRow("above 255") << 1 << "256" << "" << factoryNet << false << 1;
        QTest::newRow("longer than a number") << 2 << "99999999999999999999" << "" << factoryNet << false << 2;
        QTest::newRow("sign") << 0 << "-1" << "" << factoryNet << false << 0;
        QTest::newRow("emptied") << 9 << "" << "" << factoryNet << false << 9;
    }
    void network_apply()
    {
        QFETCH(int, index); QFETCH(QString, typed); QFETCH(QString, pcIp); QFETCH(QString, stored);
        QFETCH(bool, ran); QFETCH(int, marked);
        QSignalSpy refresh(P, &YuqRamPara::sig_update_para);
        run_net([&](linkwlan* s) {
            type(s, index, typed);
            if (!pcIp.isEmpty())
                store_network(pcIp, g_srt_mask, g_str_gateway);
            platform::shell_clear_recorded();
            type(s, kApply);
            for (int i = 0; i < linkwlan::FieldCount; ++i)
                QCOMPARE(s->marked(i), i == marked);
            if (marked >= 0) {
                type(s, marked, "1"); // a new value on the pad takes the mark away
                QVERIFY(!s->marked(marked));
            }
        });
        QCOMPARE(stored_network(), stored);
        const QStringList cmds = platform::shell_recorded();
        const bool probed = cmds.value(1) == QLatin1String("ifconfig eth0 &>/dev/null");
        QVERIFY2(ran ? ran_network(stored) && probed : cmds.isEmpty(), qPrintable(cmds.join("; ")));
        if (ran)
            QVERIFY(testsupport::spy_ints(refresh).contains(1));
    }

    // Without eth0 the configuration is still written and the globals follow it.
    void failed_probe_still_reloads_the_globals()
    {
        platform::shell_set_responder([](const QString& cmd, int* status, QByteArray*) {
            if (cmd != QLatin1String("ifconfig eth0 &>/dev/null"))
                return false;
            *status = 1 << 8;
            return true;
        });
        run_net([](linkwlan* s) {
            type(s, 3, "77");
            type(s, kApply);
        });
        QCOMPARE(stored_network(), QStringLiteral("192.168.1.77 255.255.255.0 192.168.1.1"));
        QVERIFY(!platform::shell_recorded().join(' ').contains("netmask"));
    }

    // The focus ring wraps both ways; Cancel drops an edit and goes back.
    void focus_ring_and_cancel()
    {
        run_net([](linkwlan* s) {
            keys(s, "S"); // Cancel, left from the first
            type(s, 3, "5"); // right from Cancel wraps to the first
            keys(s, "SSSSQ");
            QVERIFY(!g_linkwlan);
        });
        QCOMPARE(stored_network(), QStringLiteral("192.168.1.199 255.255.255.0 192.168.1.1"));
    }
};

QTEST_MAIN(TstSystemFactory)
#include "tst_system_factory.moc"
