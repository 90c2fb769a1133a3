// The update overlay: picture and text at the ticks that move them, the texts per
// language, start/over/start, the service requests, and nothing else closing it.
#include "shellsupport.h"

#include "core/update_overlay.h"
#include "ui/shell/firmwareupdate.h"
#include "ui/shell/panelrequests.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QtTest>

using namespace shellsupport;

namespace {

FirmwareUpdate* fresh_overlay(int language = 1)
{
    fresh_panel();
    firmware_update_over();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    g_language = uint8_t(language);
    g_update_flag = 1;
    firmware_update_start();
    return g_move_update;
}

int picture_y()
{
    return g_move_update->picture()->y();
}

QString text()
{
    return g_move_update->text()->text();
}

} // namespace

class TstShellOverlay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { connect_panel_requests(); }

    void cleanup()
    {
        g_update_flag = 0;
        firmware_update_over();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void first_text_per_language_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("text");
        QTest::newRow("en") << 1 << "Updating ";
        QTest::newRow("zh") << 0 << QString::fromUtf8("升级中，请勿断电 ");
        QTest::newRow("ru: en") << 2 << "Updating ";
    }

    void first_text_per_language()
    {
        QFETCH(int, language);
        QFETCH(QString, text);
        FirmwareUpdate* u = fresh_overlay(language);
        QVERIFY(u && u->isVisible() && !u->isModal());
        QCOMPARE(u->text()->text(), text);
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
    }

    void picture_bounces_one_pixel_every_second_tick()
    {
        fresh_overlay();
        ticks(1);
        QCOMPARE(picture_y(), 60); // odd tick: no step
        ticks(111);
        QCOMPARE(picture_y(), 116); // 56 steps down
        ticks(2);
        QCOMPARE(picture_y(), 115); // turned
        ticks(110);
        QCOMPARE(picture_y(), 60); // 56 steps up: a full cycle of 224 ticks
        // Without the flag the tick leaves it alone.
        g_update_flag = 0;
        ticks(20);
        QCOMPARE(picture_y(), 60);
    }

    // One dot more each second, centred at 13 pixels a character in either script.
    void dots_cycle_once_a_second()
    {
        fresh_overlay();
        ticks(99);
        QCOMPARE(text(), QStringLiteral("Updating "));
        const QRect steps[4] = {{95, 200, 130, 17}, {88, 200, 143, 17}, {82, 200, 156, 17}, {95, 200, 130, 17}};
        const char* const texts[4] = {"Updating .", "Updating ..", "Updating ...", "Updating ."};
        for (int i = 0; i < 4; ++i) {
            ticks(i == 0 ? 1 : 100);
            QCOMPARE(text(), QString::fromLatin1(texts[i]));
            QCOMPARE(g_move_update->text()->geometry(), steps[i]);
        }
        fresh_overlay(0);
        ticks(100);
        QCOMPARE(g_move_update->text()->geometry(), QRect(95, 200, 130, 17));
    }

    void start_over_start_gives_a_fresh_overlay()
    {
        QPointer<FirmwareUpdate> first = fresh_overlay();
        ticks(150);
        firmware_update_start(); // shown already: the same one, animation kept
        QCOMPARE(g_move_update, first.data());
        QCOMPARE(picture_y(), 60 + 56 - 19);
        firmware_update_over();
        firmware_update_over(); // nothing left to close
        firmware_update_start();
        FirmwareUpdate* second = g_move_update;
        QVERIFY(second && second != first.data() && second->isVisible());
        QCOMPARE(picture_y(), 60);
        QCOMPARE(text(), QStringLiteral("Updating "));
        // The closed one is destroyed now; it must not take the new one's global with it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(g_move_update, second);
    }

    void nothing_but_over_closes_it()
    {
        FirmwareUpdate* u = fresh_overlay();
        QTest::keyClick(u, Qt::Key_Escape);
        QTest::keyClick(u, Qt::Key_Return);
        QCloseEvent spontaneous;
        QCoreApplication::sendEvent(u, &spontaneous);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(g_move_update, u);
        QVERIFY(u->isVisible());
    }

    void service_requests_open_and_close_it()
    {
        fresh_panel();
        g_update_flag = 0;
        QVERIFY(overlay_update_start());
        QVERIFY(!g_move_update); // carried out on the GUI thread's next pass
        QCoreApplication::processEvents();
        QVERIFY(g_move_update && g_move_update->isVisible());
        QVERIFY(overlay_update_over());
        QCoreApplication::processEvents();
        QVERIFY(!g_move_update);
        QCOMPARE(int(g_update_flag), 0);
    }
};

QTEST_MAIN(TstShellOverlay)
#include "tst_shell_overlay.moc"
