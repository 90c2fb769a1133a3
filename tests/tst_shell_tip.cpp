// The pop-ups: the tip (300 ticks while its caller waits, only the tick hides it), the
// update overlay (its animation, which stands while the device's clock does, start/over/
// start), the number pad and its fields (a confirmation reaches only the screen that asked)
// and the progress wheel's lifetime.
#include "shellsupport.h"

#include "core/update_overlay.h"
#include "platform/clock.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/firmwareupdate.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberfields.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"
#include "ui/shell/tip.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
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


constexpr int kDigit0 = 9, kClear = 10, kBackspace = 11, kClose = 12, kOkKey = 13;

// A key on the pad on show (keys go to the screen in front while it is hidden).
void pad_key(int code)
{
    if (!number_pad()->isVisible())
        number_pad()->show();
    release(number_pad(), code);
}

// Presses OK on each key index in turn, moving the focus there with right keys.
void press(std::initializer_list<int> keys)
{
    for (int k : keys) {
        while (number_pad()->focus_index() != k)
            pad_key('R');
        pad_key('Q');
    }
}

int digit(int d) { return d == 0 ? kDigit0 : d - 1; }

// A screen with one number field, for pages 24 and 25: the value is corrected to at most
// 3840 when applied.
class NumberScreen : public PanelDialog
{
    Q_OBJECT
public:
    explicit NumberScreen(uint8_t pageId) : PanelDialog(pageId)
    {
        field = new My_lineEdit(this);
        field->setText(QStringLiteral("1920"));
        auto* numbers = new kit::NumberFields(
            this, [](const QLineEdit*) { return QStringLiteral("Width"); },
            [this](QLineEdit* f, const QString& v) {
                const QString shown = v.toLongLong() > 3840 ? QStringLiteral("3840") : v;
                f->setText(shown);
                applied << shown;
            });
        numbers->add(field);
    }
    void retext() override {}
    void back() override { kit::close_by_back(this); }

    My_lineEdit* field;
    QStringList applied;

protected:
    void key_ok() override
    {
        emit field->send_show(field->text()); // may return after this screen closed: touch nothing
    }
};

} // namespace

class TstShellTip : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        fresh_panel();
        kit::install_panel_rules(qApp);
        connect_panel_requests();
    }
    void init()
    {
        fresh_panel();
        kit::set_factory(page::SmartMapping, []() -> ScreenBase* { return new NumberScreen(page::SmartMapping); });
        kit::set_factory(page::rcv_recovery, []() -> ScreenBase* { return new NumberScreen(page::rcv_recovery); });
        number_pad()->hide();
        g_lineedit = nullptr;
    }
    void cleanup()
    {
        delete g_qround_bar;
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
        for (int n : {0, 2, 6, -1}) { // other numbers show nothing
            g_tip->tip_create(n);
            QVERIFY(!g_tip->isVisible());
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
    // dot each second, centred at 13 pixels a character. Russian shows English.
    void overlay_animation()
    {
        QVERIFY(!fresh_overlay()->isModal());
        ticks(1);
        QCOMPARE(picture_y(), 60); // odd tick: no step
        ticks(113);
        QCOMPARE(picture_y(), 115); // 56 steps down, turned
        ticks(110);
        QCOMPARE(picture_y(), 60);
        fresh_overlay();
        ticks(300);
        QCOMPARE(text(), QStringLiteral("Updating ..."));
        QCOMPARE(g_move_update->text()->geometry(), QRect(82, 200, 156, 17));
        ticks(100); // three dots, then one again
        QCOMPARE(text(), QStringLiteral("Updating ."));
        g_update_flag = 0; // without the flag the tick leaves it alone
        ticks(100);
        QCOMPARE(text(), QStringLiteral("Updating ."));

        fresh_overlay(2);
        QCOMPARE(text(), QStringLiteral("Updating "));

        // While the device's clock stands (the gallery's), the overlay stands at its start.
        platform::set_device_clock(QDateTime(QDate(2025, 6, 1), QTime(10, 25, 36)));
        fresh_overlay();
        ticks(150);
        platform::set_device_clock(QDateTime());
        QCOMPARE(picture_y(), 60);
        QCOMPARE(text(), QStringLiteral("Updating "));
    }

    void start_over_start_and_the_service_requests()
    {
        QPointer<FirmwareUpdate> first = fresh_overlay();
        try_to_close(first); // only "over" closes it
        ticks(150);
        firmware_update_start(); // shown already: the same one, animation kept
        QCOMPARE(picture_y(), 60 + 56 - 19);
        firmware_update_over();
        firmware_update_over(); // nothing left to close
        firmware_update_start();
        FirmwareUpdate* second = g_move_update;
        QCOMPARE(picture_y(), 60); // a new one, animation from the start
        // The closed one is destroyed now; it must not take the new one's global with it.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(g_move_update, second);

        // The services' requests are carried out on the GUI thread's next pass.
        QVERIFY(overlay_update_over());
        QCoreApplication::processEvents();
        QVERIFY(!g_move_update);
        QVERIFY(overlay_update_start());
        QCoreApplication::processEvents();
        QVERIFY(g_move_update);
    }

    // Digits (the first replaces the value), C clears to 0, B takes the last digit off. OK
    // sends the value; a reopened pad starts over from the field's value. Close sends
    // nothing; the mode key does nothing on the pad.
    void editing_and_sending()
    {
        auto typed = [](const QString& start, const QString& keys) {
            number_pad()->label_show(QString(), start);
            for (QChar c : keys)
                press({c == 'C' ? kClear : c == 'B' ? kBackspace : digit(c.digitValue())});
            return number_pad()->shown_value();
        };
        QCOMPARE(typed("1920", "507"), QStringLiteral("507"));
        QCOMPARE(typed("1920", "C3"), QStringLiteral("3"));
        QCOMPARE(typed("1920", "B5"), QStringLiteral("1925"));
        QCOMPARE(typed("", "BB4"), QStringLiteral("4")); // backspace on empty

        QSignalSpy sent(number_pad(), &NumberKeyboard::sendKeyBoardUIDataToLineEdit);
        typed("1920", "51");
        press({kOkKey});
        number_pad()->label_show(QString(), QStringLiteral("1920"));
        pad_key(Qt::Key_F6); // focus still on OK
        pad_key('M');
        QVERIFY(number_pad()->isVisible());
        press({kClose});
        QVERIFY(!number_pad()->isVisible());
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("51"));
        QCOMPARE(sent.at(1).at(0).toString(), QStringLiteral("1920"));
    }

    // Page 25 underneath has used its pad, page 24 in front: keys to the screen in front
    // reach the pad while it is up, the value only the field that asked, and a
    // confirmation nobody asked for changes nothing.
    void field_through_the_pad_reaches_only_the_screen_that_asked()
    {
        run_screen<NumberScreen>(page::rcv_recovery, [](NumberScreen* under) {
            QTimer::singleShot(0, [] { press({kOkKey}); });
            QTest::keyRelease(under, 'Q');
            run_screen<NumberScreen>(page::SmartMapping, [under](NumberScreen* a) {
                QTimer::singleShot(0, [a] {
                    for (int d : {9, 0, 0, 0, 0}) {
                        while (number_pad()->focus_index() != digit(d))
                            QTest::keyRelease(a, 'R');
                        QTest::keyRelease(a, 'Q');
                    }
                    press({kOkKey});
                });
                QTest::keyRelease(a, 'Q'); // the pad runs modally
                QCOMPARE(a->applied, QStringList{QStringLiteral("3840")}); // 90000 corrected by the screen
                QVERIFY(!g_lineedit);
                QCOMPARE(under->applied, QStringList{QStringLiteral("1920")});
                g_lineedit = a->field;
                emit number_pad()->sendKeyBoardUIDataToLineEdit(QStringLiteral("77"));
                g_lineedit = nullptr;
                QCOMPARE(a->field->text(), QStringLiteral("3840"));
            });
        });
    }

    // The PC deletes the mapping files while the pad is up: the screen closes, the pad with
    // it, and nothing is left pointing at the field.
    void closed_under_the_pad()
    {
        bool padShown = false;
        run_screen<NumberScreen>(page::SmartMapping, [&padShown](NumberScreen* s) {
            QTimer::singleShot(0, [&padShown] {
                padShown = number_pad()->isVisible();
                kit::back(page::SmartMapping);
            });
            QTest::keyRelease(s, 'Q');
        });
        QVERIFY(padShown);
        QVERIFY(!number_pad()->isVisible());
        QVERIFY(!g_lineedit);
    }

    // A closed wheel deleted later forgets only itself, not the next job's wheel.
    void closed_wheel_forgets_only_itself()
    {
        QDialog d;
        QRoundProgressBar::create_qround_bar(&d);
        QPointer<QRoundProgressBar> first = g_qround_bar;
        first->para_sync(150);
        QRoundProgressBar::create_qround_bar(&d); // the next job's wheel
        QRoundProgressBar* second = g_qround_bar;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(g_qround_bar, second);
        delete second; // its dialog goes: nothing left pointing at it
        QVERIFY(!g_qround_bar);
    }
};

QTEST_MAIN(TstShellTip)
#include "tst_shell_tip.moc"
