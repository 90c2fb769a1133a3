// The number pad (editing, keys), the number fields of the kit (a confirmation reaches only
// the screen that asked) and the progress wheel's lifetime.
#include "shellsupport.h"
#include "ui/shell/numberfields.h"

#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace shellsupport;

namespace {
constexpr int kDigit0 = 9, kClear = 10, kBackspace = 11, kClose = 12, kOkKey = 13;

NumberKeyboard* pad() { return number_pad(); }

// A key on the pad on show (keys go to the screen in front while it is hidden).
void pad_key(int code)
{
    if (!pad()->isVisible())
        pad()->show();
    release(pad(), code);
}

// Presses OK on each key index in turn, moving the focus there with right keys.
void press(std::initializer_list<int> keys)
{
    for (int k : keys) {
        while (pad()->focus_index() != k)
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

kit::ScreenPtr<NumberScreen> g_screen24(page::SmartMapping);
kit::ScreenPtr<NumberScreen> g_screen25(page::rcv_recovery);
} // namespace

class TstShellNumpad : public QObject
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
        pad()->hide();
        g_lineedit = nullptr;
    }

    void cleanup()
    {
        delete g_qround_bar;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Digits (the first replaces the value), C clears to 0, B takes the last digit off. OK
    // sends the value; a reopened pad starts over from the field's value. Close sends
    // nothing; the mode key does nothing on the pad.
    void editing_and_sending()
    {
        auto typed = [](const QString& start, const QString& keys) {
            pad()->label_show(QString(), start);
            for (QChar c : keys)
                press({c == 'C' ? kClear : c == 'B' ? kBackspace : digit(c.digitValue())});
            return pad()->shown_value();
        };
        QCOMPARE(typed("1920", "507"), QStringLiteral("507"));
        QCOMPARE(typed("1920", "C3"), QStringLiteral("3"));
        QCOMPARE(typed("1920", "B5"), QStringLiteral("1925"));
        QCOMPARE(typed("", "BB4"), QStringLiteral("4")); // backspace on empty

        QSignalSpy sent(pad(), &NumberKeyboard::sendKeyBoardUIDataToLineEdit);
        typed("1920", "51");
        press({kOkKey});
        QVERIFY(!pad()->isVisible());
        pad()->label_show(QString(), QStringLiteral("1920"));
        pad_key(Qt::Key_F6); // focus still on OK
        pad_key('M');
        QVERIFY(pad()->isVisible());
        press({kClose});
        QVERIFY(!pad()->isVisible());
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("51"));
        QCOMPARE(sent.at(1).at(0).toString(), QStringLiteral("1920"));
    }

    void field_through_the_pad_reaches_only_the_screen_that_asked()
    {
        // Page 25 underneath with its own field, page 24 in front. Keys to the screen in
        // front reach the pad while it is up.
        QTimer::singleShot(0, [] {
            QTimer::singleShot(0, [] {
                NumberScreen* a = g_screen24;
                QTimer::singleShot(0, [a] {
                    for (int d : {9, 0, 0, 0, 0}) {
                        while (pad()->focus_index() != digit(d))
                            QTest::keyRelease(a, 'R');
                        QTest::keyRelease(a, 'Q');
                    }
                    press({kOkKey});
                });
                QTest::keyRelease(a, 'Q'); // the pad runs modally
                QCOMPARE(a->applied, QStringList{QStringLiteral("3840")}); // 90000 corrected by the screen
                QVERIFY(!g_lineedit);
                QVERIFY(g_screen25->applied.isEmpty());
                // A confirmation nobody asked for changes nothing either.
                g_lineedit = g_screen25->field;
                emit pad()->sendKeyBoardUIDataToLineEdit(QStringLiteral("77"));
                g_lineedit = nullptr;
                QCOMPARE(g_screen25->field->text(), QStringLiteral("1920"));
                QCOMPARE(a->field->text(), QStringLiteral("3840"));
                QTest::keyRelease(a, 'O');
            });
            kit::open(page::SmartMapping);
            QTest::keyRelease(g_screen25, 'O');
        });
        kit::open(page::rcv_recovery);
        QCOMPARE(int(g_page_focus), int(page::AdvancedOption));
    }

    void closed_under_the_pad()
    {
        // The PC deletes the mapping files while the pad is up: the screen closes, the pad
        // with it, and nothing is left pointing at the field.
        QPointer<NumberScreen> screen;
        bool padShown = false;
        QTimer::singleShot(0, [&] {
            screen = g_screen24;
            QTimer::singleShot(0, [&padShown] {
                padShown = pad()->isVisible();
                kit::back(page::SmartMapping);
            });
            QTest::keyRelease(screen, 'Q');
        });
        kit::open(page::SmartMapping);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(padShown);
        QVERIFY(!screen);
        QVERIFY(!pad()->isVisible());
        QVERIFY(!g_lineedit);
    }

    // A closed wheel deleted later forgets only itself, not the next job's wheel.
    void closed_wheel_forgets_only_itself()
    {
        QDialog d;
        QRoundProgressBar::create_qround_bar(&d);
        QPointer<QRoundProgressBar> first = g_qround_bar;
        first->para_sync(150);
        QVERIFY(!g_qround_bar && !first->isVisible());
        QRoundProgressBar::create_qround_bar(&d); // the next job's wheel
        QRoundProgressBar* second = g_qround_bar;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(g_qround_bar, second);
        delete second; // its dialog goes: nothing left pointing at it
        QVERIFY(!g_qround_bar);
    }
};

QTEST_MAIN(TstShellNumpad)
#include "tst_shell_numpad.moc"
