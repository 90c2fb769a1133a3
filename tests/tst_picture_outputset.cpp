// The output menu: the openers of its two screens, and the LED-size line re-texted when
// one of them closes.
#include "shellsupport.h"

#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/picture/outputset.h"

#include <QLabel>

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
            QVERIFY(info(s).endsWith("1920x1080"));
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
            QVERIFY(info(s).endsWith("3840x2160"));
        });
    }
};

QTEST_MAIN(TstPictureOutputSet)
#include "tst_picture_outputset.moc"
