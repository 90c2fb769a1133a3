// The pop-ups the tick drives. The tip: shown for exactly 300 ticks while its caller waits,
// a second tip during the first, the texts fit in every language, nothing but the tick
// hides it. The update overlay: picture and text at the ticks that move them,
// start/over/start, the service requests, nothing but "over" closes it.
#include "shellsupport.h"

#include "core/update_overlay.h"
#include "ui/shell/firmwareupdate.h"
#include "ui/shell/panelrequests.h"
#include "ui/shell/tip.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace shellsupport;

namespace {

// Runs tip_create(n) with `during` running inside the tip's own loop, then the tick until
// the tip hides; true when tip_create returned only after that.
bool run_tip(int n, const std::function<void()>& during)
{
    bool ran = false, returned = false, ranInside = false;
    QTimer::singleShot(0, [&] {
        ran = true;
        ranInside = !returned;
        during();
        for (int i = 0; i < 600 && g_tip->isVisible(); ++i)
            ticks(1);
    });
    g_tip->tip_create(n);
    returned = true;
    if (!ran)
        QCoreApplication::processEvents(); // the tip ran no loop
    return ranInside && !g_tip->isVisible();
}

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

// What would close a plain dialog: Escape, Return, a window manager's close.
void try_to_close(QWidget* w)
{
    QTest::keyClick(w, Qt::Key_Escape);
    QTest::keyClick(w, Qt::Key_Return);
    QCloseEvent spontaneous;
    QCoreApplication::sendEvent(w, &spontaneous);
}

} // namespace

class TstShellTip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { connect_panel_requests(); }
    void init() { fresh_panel(); }
    void cleanup()
    {
        g_update_flag = 0;
        firmware_update_over();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The caller waits until the tip hides, 300 ticks after it came up, and nothing but the
    // tick hides it: a second tip during the first replaces the content but not the time.
    void second_tip_replaces_the_content_but_not_the_time()
    {
        int hiddenAfter = 0;
        QString text;
        const bool waited = run_tip(1, [&] {
            try_to_close(g_tip);
            ticks(100);
            g_tip->tip_create(4); // runs no loop of its own
            text = g_tip->content_label()->text();
            ticks(150);
            g_tip->tip_create(2); // removes the content; the empty tip stays
            QVERIFY(!g_tip->content());
            while (g_tip->isVisible()) {
                ticks(1);
                ++hiddenAfter;
            }
        });
        QVERIFY(waited);
        QCOMPARE(text, QStringLiteral("USB drive is unplugged."));
        QCOMPARE(hiddenAfter, 50);
        QCOMPARE(int(g_tip_flag), 0);
    }

    void other_numbers_show_nothing()
    {
        for (int n : {0, 2, 6, -1}) {
            g_tip->tip_create(n);
            QVERIFY(!g_tip->isVisible());
            QCOMPARE(int(g_tip_flag), 0);
        }
    }

    // Each USB text fits its box in every language.
    void usb_texts_fit()
    {
        for (int n : {3, 4, 5}) {
            for (int lang = 0; lang < 5; ++lang) {
                g_language = uint8_t(lang);
                QString text;
                bool fits = false;
                run_tip(n, [&] {
                    QLabel* l = g_tip->content_label();
                    text = l->text();
                    l->ensurePolished();
                    const int flags = int(l->alignment()) | (l->wordWrap() ? Qt::TextWordWrap : 0);
                    const QRect need = QFontMetrics(l->font()).boundingRect(QRect(QPoint(), l->size()), flags, text);
                    fits = need.width() <= l->width() && need.height() <= l->height();
                });
                QVERIFY2(fits && !text.isEmpty(), qPrintable(text));
            }
        }
    }

    void destructor_clears_only_its_own_global()
    {
        TIP* current = g_tip;
        delete new TIP(nullptr);
        QCOMPARE(g_tip, current);
        delete current;
        QVERIFY(!g_tip);
        g_tip = new TIP(nullptr);
    }

    // The picture steps a pixel every second tick over 56 pixels and back; the text gains a
    // dot each second, centred at 13 pixels a character in either script. Russian shows English.
    void overlay_animation()
    {
        FirmwareUpdate* u = fresh_overlay();
        QVERIFY(u->isVisible() && !u->isModal());
        ticks(1);
        QCOMPARE(picture_y(), 60); // odd tick: no step
        ticks(113);
        QCOMPARE(picture_y(), 115); // 56 steps down, turned
        ticks(110);
        QCOMPARE(picture_y(), 60);
        fresh_overlay();
        const QRect steps[4] = {{95, 200, 130, 17}, {88, 200, 143, 17}, {82, 200, 156, 17}, {95, 200, 130, 17}};
        const char* const texts[4] = {"Updating .", "Updating ..", "Updating ...", "Updating ."};
        for (int i = 0; i < 4; ++i) {
            ticks(100);
            QCOMPARE(text(), QString::fromLatin1(texts[i]));
            QCOMPARE(g_move_update->text()->geometry(), steps[i]);
        }
        g_update_flag = 0; // without the flag the tick leaves it alone
        ticks(100);
        QCOMPARE(text(), QStringLiteral("Updating ."));

        fresh_overlay(0);
        ticks(100);
        QCOMPARE(text(), QString::fromUtf8("升级中，请勿断电 ."));
        QCOMPARE(g_move_update->text()->geometry(), QRect(95, 200, 130, 17));
        fresh_overlay(2);
        QCOMPARE(text(), QStringLiteral("Updating "));
    }

    void start_over_start_and_the_service_requests()
    {
        QPointer<FirmwareUpdate> first = fresh_overlay();
        try_to_close(first); // only "over" closes it
        ticks(150);
        firmware_update_start(); // shown already: the same one, animation kept
        QVERIFY(g_move_update == first && first->isVisible());
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

        // The services' requests are carried out on the GUI thread's next pass.
        QVERIFY(overlay_update_over());
        QVERIFY(g_move_update);
        QCoreApplication::processEvents();
        QVERIFY(!g_move_update);
        QCOMPARE(int(g_update_flag), 0);
        QVERIFY(overlay_update_start());
        QCoreApplication::processEvents();
        QVERIFY(g_move_update && g_move_update->isVisible());
    }
};

QTEST_MAIN(TstShellTip)
#include "tst_shell_tip.moc"
