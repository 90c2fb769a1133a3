// LCD timers: the choices stored in the two times and shown again on reopening, edit mode
// left with back (nothing applied) or ended by a language change.
#include "shellsupport.h"

#include "ui/system/lcdshow.h"

#include <QComboBox>
#include <QtTest>

using namespace shellsupport;

class TstSystemLcdshow : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fresh_panel();
        g_back_to_mainwindow_time = 3000;
        g_auto_lock_time = 30000;
    }

    void choices_data()
    {
        QTest::addColumn<QByteArray>("keys"); QTest::addColumn<uint>("back"); QTest::addColumn<uint>("lock");
        QTest::addColumn<QStringList>("shown"); // on reopening
        QTest::newRow("back: never (left from 30)") << QByteArray("QSQ") << 120000u << 30000u
                                                    << QStringList{"Never", "5min"};
        QTest::newRow("lock: never") << QByteArray("SQRRQ") << 3000u << 120000u << QStringList{"30", "Never"};
        QTest::newRow("back leaves edit unapplied") << QByteArray("QRO") << 3000u << 30000u
                                                    << QStringList{"30", "5min"};
    }
    void choices()
    {
        QFETCH(QByteArray, keys); QFETCH(uint, back); QFETCH(uint, lock); QFETCH(QStringList, shown);
        run_screen<lcdshow>(page::lcdshow, [&](lcdshow* s) { ::shellsupport::keys(s, keys.constData()); });
        QCOMPARE(g_back_to_mainwindow_time, back);
        QCOMPARE(g_auto_lock_time, lock);
        run_screen<lcdshow>(page::lcdshow, [&](lcdshow* s) {
            QCOMPARE((QStringList{s->box(0)->currentText(), s->box(1)->currentText()}), shown);
        });
    }

    // A language from the PC while a box is edited: edit mode ends, the boxes come back
    // from the times in the new language, the choice under the cursor is dropped.
    void language_change_while_editing()
    {
        g_auto_lock_time = 60000;
        run_screen<lcdshow>(page::lcdshow, [](lcdshow* s) {
            keys(s, "RQR");
            QVERIFY(s->editing());
            QCOMPARE(s->box(1)->currentIndex(), 2);
            YuqRamPara::p_yuqrampara_config->set_image16(img::Language, 2);
            s->refresh(kit::Refresh::Applied);
            QVERIFY(!s->editing());
            QCOMPARE(s->box(1)->currentIndex(), 1); // the stored 10 min, not the browsed choice
            keys(s, "Q");
            QVERIFY(s->editing()); // OK starts a new edit: the old one was over
        });
        QCOMPARE(g_auto_lock_time, 60000u);
    }
};

QTEST_MAIN(TstSystemLcdshow)
#include "tst_system_lcdshow.moc"
