// Test patterns on the simulated chip: first and last, refused with several windows in use,
// taken off by back and Close, left on by the mode key. The output menu's openers.
#include "shellsupport.h"

#include "core/image_edit.h"
#include "engine/c331_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/picture/outputset.h"
#include "ui/picture/test_chart.h"

#include <QLabel>

using namespace shellsupport;

namespace {
YuqRamPara* P;
c331_manage* E;

void run(const std::function<void(test_chart*)>& body) { QVERIFY(in_screen<test_chart>(page::test_chart, body)); }

void focus(test_chart* s, int index)
{
    while (s->focus_index() != index)
        release(s, 'R');
}

// One engine pass; what the chip shows then.
int chip_pattern()
{
    E->c331managerdeal();
    return sim::scaler().state().pattern;
}
} // namespace

class TstPictureTestChart : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        sim::install();
        sim::restore_all();
        E = c331_manage::pInstance();
        E->bring_up();
        g_page_focus = page::Option;
    }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        zarvosource::destroy_for_test();
    }

    // Each pattern reaches the chip and stays while the screen is open; back and Close take
    // it off.
    void each_pattern_and_off_data()
    {
        QTest::addColumn<int>("pattern");
        QTest::addColumn<QString>("leave");
        QTest::newRow("pattern 8, back") << 8 << "O";
        QTest::newRow("pattern 1, Close by wrapping left") << 1 << "SQ";
    }
    void each_pattern_and_off()
    {
        QFETCH(int, pattern);
        QFETCH(QString, leave);
        run([&](test_chart* s) {
            focus(s, pattern - 1);
            QCOMPARE(chip_pattern(), 0); // opening and moving show nothing
            release(s, 'Q');
            QCOMPARE(chip_pattern(), pattern);
            keys(s, leave.toLatin1().constData());
            QCOMPARE(chip_pattern(), 0);
        });
    }

    // Two windows in use: the chip refuses and the refused pattern is not recorded as
    // shown, so input timings still reach the chip; the pattern appears once one window
    // is left.
    void refused_with_two_windows()
    {
        {
            ImageEdit e;
            e.set(win(3, img::WinFlags), 1);
        }
        run([](test_chart* s) {
            focus(s, 5);
            release(s, 'Q');
            QCOMPARE(chip_pattern(), 0);
            QCOMPARE(int(E->chip_record()[img::TestPattern]), 0);
            zarvosource::pInstance()->source_manage_deal();
            E->input_timing_deal();
            QCOMPARE(sim::scaler().state().timing[2][0], 1920);
            {
                ImageEdit e;
                e.set(win(3, img::WinFlags), 0);
            }
            QCOMPARE(chip_pattern(), 6);
        });
    }

    void mode_key_leaves_the_pattern_on()
    {
        run([](test_chart* s) {
            keys(s, "RQ");
            release(s, 'M');
            QCOMPARE(int(g_page_focus), int(page::CustomMode));
        });
        QCOMPARE(chip_pattern(), 2);
        kit::close_page(page::CustomMode);
        // Opening again shows nothing new; back takes the left-on pattern off.
        run([](test_chart* s) { release(s, 'O'); });
        QCOMPARE(chip_pattern(), 0);
    }

    // OK opens the LED-size or the port screen; back from it shows the size line re-read.
    void output_menu_openers_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("opened");
        QTest::newRow("LED size") << QByteArray("Q") << int(page::ledset);
        QTest::newRow("ports") << QByteArray("RQ") << int(page::netset);
    }
    void output_menu_openers()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, opened);
        run_screen<OutputSet>(page::OutputSet, [&](OutputSet* s) {
            int seen = -1;
            QTimer::singleShot(0, [&] {
                seen = g_page_focus;
                // The PC stores a new size while the child is open.
                sim::run_control_line(QStringLiteral("pc image 0x562 000F7008"));
                kit::back(uint8_t(opened));
            });
            ::keys(s, keys.constData());
            QCOMPARE(seen, opened);
            QVERIFY(s->findChild<QLabel*>(QStringLiteral("label_info"))->text().endsWith("3840x2160"));
        });
    }
};

QTEST_MAIN(TstPictureTestChart)
#include "tst_picture_testchart.moc"
