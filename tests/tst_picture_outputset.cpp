// The output menu: the openers of its two screens, and the LED-size line re-read when one
// of them closes.
#include "shellsupport.h"

#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/picture/outputset.h"

#include <QLabel>

using namespace shellsupport;

class TstPictureOutputSet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { sim::install(); }
    void init() { fresh_panel(); }

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
        run_screen<OutputSet>(page::OutputSet, [&](OutputSet* s) {
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
            QVERIFY(s->findChild<QLabel*>(QStringLiteral("label_info"))->text().endsWith("3840x2160"));
        });
    }
};

QTEST_MAIN(TstPictureOutputSet)
#include "tst_picture_outputset.moc"
