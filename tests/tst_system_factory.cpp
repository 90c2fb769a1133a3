// Language and factory reset: the language cursor over the enabled languages, choosing a
// language, what each reset level does to the image, the files and the requests (EDID
// rewrites, LED-size hand-off, network), the hand-off inside the image edit, the font lines
// and their pictures.
#include "shellsupport.h"

#include "app/control_commands.h"
#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/system/factory.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void run(const std::function<void(factory*)>& body) { QVERIFY(in_screen<factory>(page::factory, body)); }

// The colours of the three width words of a font line (the label shows it as a picture),
// "g" green and "r" red.
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
        platform::shell_clear_recorded();
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

    // Opening position and browsing in edit mode over the enabled languages; the cursor
    // never leaves 0..4.
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
            QCOMPARE((QList<int>{s->language_cursor(), s->findChild<QComboBox*>("Box_lang_2")->currentIndex()}),
                     (QList<int>{cursor, cursor}));
        });
    }

    // OK in edit mode stores an enabled language other than the stored one, re-texts and
    // leaves edit mode; anything else leaves the image and the engine alone.
    void language_choice_data()
    {
        QTest::addColumn<uint>("mask"); QTest::addColumn<QByteArray>("seq"); QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("title");
        QTest::newRow("to Russian") << 0x1Fu << QByteArray("QRQ") << 2 << QString::fromUtf8("Системные настройки");
        QTest::newRow("only English") << 0x02u << QByteArray("QRQ") << 1 << "Factory setup";
    }
    void language_choice()
    {
        QFETCH(uint, mask); QFETCH(QByteArray, seq); QFETCH(int, stored); QFETCH(QString, title);
        g_lcd_lang_valid = mask;
        P->set_image16(img::Language, 1);
        settled(P);
        run([&](factory* s) {
            EngineHandshake::instance().reapply = 0;
            keys(s, seq.constData());
            QVERIFY(!s->editing());
            QCOMPARE(int(P->image8(img::Language)), stored);
            QCOMPARE(int(EngineHandshake::instance().reapply.load()), stored != 1 ? 1 : 0);
            QCOMPARE(s->findChild<QLabel*>("label_factory")->text(), title);
        });
    }

    // Each level's image, EDID requests, LED-size hand-off and network items.
    void reset_levels_data()
    {
        QTest::addColumn<int>("level"); QTest::addColumn<QString>("network"); // ip mask gateway before
        QTest::addColumn<bool>("newSize");    // stored LED size differs from the defaults
        QTest::addColumn<bool>("bothFpgas"); QTest::addColumn<bool>("edidKept"); QTest::addColumn<int>("handoff");
        QTest::addColumn<bool>("networkReset");
        const QString other = "10.0.0.5 255.0.0.0 10.0.0.1";
        const QString factoryNet = "192.168.1.199 255.255.255.0 192.168.1.1";
        QTest::newRow("keep IP") << 1 << other << true << true << false << 1 << false;
        QTest::newRow("keep IP and EDID") << 2 << other << true << true << true << 1 << false;
        QTest::newRow("all") << 3 << other << true << true << false << 1 << true;
        QTest::newRow("all, factory network") << 3 << factoryNet << false << true << false << 0 << false;
        QTest::newRow("all, only the gateway differs") << 3 << "192.168.1.199 255.255.255.0 192.168.1.254"
                                                       << false << true << false << 0 << true;
    }
    void reset_levels()
    {
        QFETCH(int, level); QFETCH(QString, network); QFETCH(bool, newSize); QFETCH(bool, bothFpgas);
        QFETCH(bool, edidKept); QFETCH(int, handoff); QFETCH(bool, networkReset);
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
        fpgas_running(bothFpgas);
        zarvosource* z = zarvosource::pInstance();
        for (auto& r : z->source_edid_rewrite)
            r = 0;
        platform::shell_clear_recorded();
        run([&](factory* s) {
            EngineHandshake::instance().reapply = 0;
            keys(s, (QByteArray(level, 'R') + 'Q').constData());
        });
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
        QVERIFY(image_is_default(img::Language, img::Edid) && image_is_default(img::SpliceMode, img::FadeWords)
                && image_is_default(img::FadeWords + 64, RAM_PARA_SIZE));
        QCOMPARE(int(P->image16(img::Edid + 6)), edidKept ? 1280 : int(rd16(default_para_ramlist + 2, img::Edid + 6 - img::Language)));
        for (int i = 0; i < 32; ++i) // fade words: 60, not the stored defaults
            QCOMPARE(int(P->image16(img::FadeWords + 2 * i)), 60);
        QCOMPARE(int(g_set_led_para), handoff);
        for (const auto& r : z->source_edid_rewrite)
            QCOMPARE(int(r), edidKept ? 0 : 1);

        const QString expect = networkReset ? QStringLiteral("192.168.1.199 255.255.255.0 192.168.1.1") : network;
        QCOMPARE(stored_network(), expect);
        const QStringList cmds = platform::shell_recorded();
        QVERIFY2(networkReset ? ran_network(expect) : !cmds.contains("sync") && !cmds.join(' ').contains("ifconfig"),
                 qPrintable(cmds.join("; ")));
    }

    // The LED-size hand-off is raised while the image edit still holds the engine mutex:
    // no engine pass can take the new size between the two.
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

    // Green for a font the flash holds, red for one it lacks. A line is drawn once per text
    // and then shown as that picture: opened again the same pixels; other fonts in the
    // flash or another language, a new line.
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
        QCOMPARE(uint(c331_manage::p_c331_manage->c331_font_valid.load()), bits);
        auto shown = [](uint b, int l, QString* colourText = nullptr) {
            c331_manage::p_c331_manage->c331_font_valid = b;
            g_language = uint8_t(l);
            QImage out;
            run([&](factory* s) {
                QCoreApplication::sendPostedEvents(s, QEvent::MetaCall); // the line's picture is taken
                const auto* line = s->findChild<QLabel*>("FontCN");
                if (colourText)
                    *colourText = colours(line) + ' ' + colours(s->findChild<QLabel*>("FontEN"));
                // The whole screen drawn, as the screenshot draws it.
                out = s->grab().copy(QRect(line->mapTo(s, QPoint(0, 0)), line->size())).toImage();
            });
            return out;
        };
        QString colourText;
        const QImage first = shown(bits, language, &colourText);
        QCOMPARE(colourText, cn + ' ' + en);
        QCOMPARE(shown(bits, language), first);
        QVERIFY(shown(0, language) != first);
        QVERIFY(shown(bits, 1 - language % 2) != first);
    }
};

QTEST_MAIN(TstSystemFactory)
#include "tst_system_factory.moc"
