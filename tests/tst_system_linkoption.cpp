// The communication menu: focus with wrap-around, the three openers and the page and
// focus after a child goes back, the texts and the language fallback.
#include "shellsupport.h"

#include "ui/system/linkoption.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace shellsupport;

class TstSystemLinkOption : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }

    void focus_wraps_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("focus");
        QTest::newRow("left from the first") << QByteArray("S") << 2;
        QTest::newRow("right from the last") << QByteArray("RRR") << 0;
        QTest::newRow("right once") << QByteArray("R") << 1;
    }
    void focus_wraps()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, focus);
        run_screen<LinkOption>(page::LinkOption, [&](LinkOption* m) {
            shellsupport::keys(m, keys.constData());
            QCOMPARE(int(m->focus_index()), focus);
            for (int i = 0; i < LinkOption::ItemCount; ++i)
                QCOMPARE(m->item(i)->styleSheet() == QString::fromLatin1(kit::sheet::sub_menu_focus), i == focus);
        });
    }

    void ok_opens_the_item_and_back_returns_data()
    {
        QTest::addColumn<int>("rights");
        QTest::addColumn<int>("child");
        QTest::newRow("serial") << 0 << int(page::linkcom);
        QTest::newRow("ethernet") << 1 << int(page::linkwlan);
        QTest::newRow("usb upgrade") << 2 << int(page::firmware_usbgrade);
    }
    void ok_opens_the_item_and_back_returns()
    {
        QFETCH(int, rights);
        QFETCH(int, child);
        run_screen<LinkOption>(page::LinkOption, [&](LinkOption* m) {
            for (int i = 0; i < rights; ++i)
                release(m, 'R');
            int seen = -1;
            g_language = 1;
            QTimer::singleShot(0, [&] {
                seen = g_page_focus;
                g_language = 2; // changed while the child is open
                kit::back(uint8_t(child));
            });
            release(m, 'Q');
            QCOMPARE(seen, child);
            QVERIFY(kit::still_open(m));
            QCOMPARE(int(g_page_focus), int(page::LinkOption));
            QCOMPARE(int(m->focus_index()), rights);
            QCOMPARE(m->findChild<QLabel*>("label_title")->text(), QString::fromUtf8("Подключение"));
        });
    }

    void texts_per_language_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<uint>("mask");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("usb");
        QTest::newRow("zh") << 0 << 0x1Fu << QString::fromUtf8("通讯设置") << QString::fromUtf8("USB升级");
        QTest::newRow("ru") << 2 << 0x1Fu << QString::fromUtf8("Подключение") << QString::fromUtf8("Обновление\nчерез USB");
        QTest::newRow("vn cleared") << 3 << 0x17u << QString("Communication") << QString("USB UPDATE");
    }
    void texts_per_language()
    {
        QFETCH(int, language);
        QFETCH(uint, mask);
        QFETCH(QString, title);
        QFETCH(QString, usb);
        g_language = uint8_t(language);
        g_lcd_lang_valid = mask;
        run_screen<LinkOption>(page::LinkOption, [&](LinkOption* m) {
            QCOMPARE(m->findChild<QLabel*>("label_title")->text(), title);
            QCOMPARE(m->item(2)->text(), usb);
        });
    }

    void mode_key_under_key_lock_keeps_the_menu()
    {
        run_screen<LinkOption>(page::LinkOption, [](LinkOption* m) {
            YuqRamPara::p_yuqrampara_config->set_image16(img::KeyLock, 1);
            release(m, 'M');
            QVERIFY(g_linkoption);
            QCOMPARE(int(g_page_focus), int(page::LinkOption));
            YuqRamPara::p_yuqrampara_config->set_image16(img::KeyLock, 0);
            release(m, 'M');
            QVERIFY(!g_linkoption);
            QCOMPARE(int(g_page_focus), int(page::CustomMode));
        });
    }
};

QTEST_MAIN(TstSystemLinkOption)
#include "tst_system_linkoption.moc"
