// The communication menu: focus with wrap-around, the three openers, and the page, focus
// and language after a child goes back.
#include "shellsupport.h"

#include "ui/system/linkoption.h"

#include <QLabel>
#include <QtTest>

using namespace shellsupport;

class TstSystemLinkOption : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }

    void ok_opens_the_item_and_back_returns_data()
    {
        QTest::addColumn<QByteArray>("moves"); QTest::addColumn<int>("focus"); QTest::addColumn<int>("child");
        QTest::newRow("serial") << QByteArray("RRR") << 0 << int(page::linkcom); // right wraps
        QTest::newRow("usb upgrade") << QByteArray("S") << 2 << int(page::firmware_usbgrade); // left wraps
    }
    void ok_opens_the_item_and_back_returns()
    {
        QFETCH(QByteArray, moves); QFETCH(int, focus); QFETCH(int, child);
        run_screen<LinkOption>(page::LinkOption, [&](LinkOption* m) {
            keys(m, moves.constData());
            QCOMPARE(int(m->focus_index()), focus);
            int seen = -1;
            QTimer::singleShot(0, [&] {
                seen = g_page_focus;
                g_language = 2; // changed while the child is open
                kit::back(uint8_t(child));
            });
            release(m, 'Q');
            QCOMPARE(seen, child);
            QVERIFY(kit::still_open(m));
            QCOMPARE(int(g_page_focus), int(page::LinkOption));
            QCOMPARE(int(m->focus_index()), focus);
            QCOMPARE(m->findChild<QLabel*>("label_title")->text(), QString::fromUtf8("Подключение"));
        });
    }
};

QTEST_MAIN(TstSystemLinkOption)
#include "tst_system_linkoption.moc"
