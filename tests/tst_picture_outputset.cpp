// The output menu: focus walk, the openers of its two screens, and the LED-size line
// re-texted when one of them closes.
#include "shellsupport.h"

#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/picture/outputset.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void run(const std::function<void(OutputSet*)>& body)
{
    QVERIFY(in_screen<OutputSet>(page::OutputSet, body));
}

QString info(OutputSet* s)
{
    return s->findChild<QLabel*>(QStringLiteral("label_info"))->text();
}
} // namespace

class TstPictureOutputSet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { sim::install(); }
    void init() { P = fresh_panel(); }

    void focus_walk_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("focus");
        QTest::newRow("start") << QByteArray() << 0;
        QTest::newRow("left wraps") << QByteArray("S") << 1;
        QTest::newRow("right twice comes back") << QByteArray("RR") << 0;
        QTest::newRow("function keys") << QByteArray("\x05") << 1; // F5 stands for right
    }
    void focus_walk()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, focus);
        run([&](OutputSet* s) {
            for (char k : keys)
                release(s, k == '\x05' ? int(Qt::Key_F5) : int(k));
            QCOMPARE(int(s->focus_index()), focus);
            QCOMPARE(s->item(focus)->styleSheet(), QString::fromLatin1(kit::sheet::sub_menu_focus));
            QCOMPARE(s->item(1 - focus)->styleSheet(), QString::fromLatin1(kit::sheet::sub_menu));
        });
    }

    // OK opens page 13 or 14; back from it returns to page 6 with the size line re-read.
    void openers_and_size_line_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("opened");
        QTest::newRow("LED size") << QByteArray("Q") << int(page::ledset);
        QTest::newRow("ports") << QByteArray("RQ") << int(page::netset);
    }
    void openers_and_size_line()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, opened);
        run([&](OutputSet* s) {
            QCOMPARE(info(s), QStringLiteral("LED Screen can be set:1920x1080"));
            int seen = -1;
            QTimer::singleShot(0, [&] {
                seen = g_page_focus;
                // The PC stores a new size while the child is open.
                sim::run_control_line(QStringLiteral("pc image 0x562 000F7008"));
                kit::back(uint8_t(opened));
            });
            for (char k : keys)
                release(s, k);
            QCOMPARE(seen, opened);
            QCOMPARE(int(g_page_focus), int(page::OutputSet));
            QCOMPARE(info(s), QStringLiteral("LED Screen can be set:3840x2160"));
        });
    }

    void texts_follow_the_language()
    {
        run([](OutputSet* s) {
            g_language = 2;
            s->retext();
            QCOMPARE(s->item(0)->text(), QString::fromUtf8("Настройки\nLED"));
            QCOMPARE(info(s), QString::fromUtf8("Текущий размер LED (px): 1920x1080"));
            g_lcd_lang_valid = 0x1B; // Russian off: English
            s->retext();
            QCOMPARE(s->findChild<QLabel*>(QStringLiteral("label_title"))->text(), QStringLiteral("Output Seeting"));
        });
    }
};

QTEST_MAIN(TstPictureOutputSet)
#include "tst_picture_outputset.moc"
