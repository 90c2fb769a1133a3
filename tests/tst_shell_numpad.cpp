// The number pad (editing, keys, focus), the number fields of the kit (a test screen drives a
// field through the pad; confirmations reach only the screen that asked), and the progress
// wheel (values, closing, lifetime, job progress relayed from a thread).
#include "shellsupport.h"
#include "ui/shell/numberfields.h"

#include "core/panel_bridge.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"

#include <QApplication>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <thread>

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

// Moves the pad's focus to `index` with right keys.
void focus(int index)
{
    while (pad()->focus_index() != index)
        pad_key('R');
}

// Presses OK on each key index in turn.
void press(std::initializer_list<int> keys)
{
    for (int k : keys) {
        focus(k);
        pad_key('Q');
    }
}

int digit(int d) { return d == 0 ? kDigit0 : d - 1; }

// A screen with two number fields, for pages 24 and 25: the width field is corrected to at
// most 3840 when applied; it posts a card job under a progress wheel.
class NumberScreen : public PanelDialog
{
    Q_OBJECT
public:
    explicit NumberScreen(uint8_t pageId) : PanelDialog(pageId)
    {
        setFixedSize(320, 240);
        width_field = new My_lineEdit(this);
        width_field->setObjectName(QStringLiteral("lineEdit_width"));
        width_field->setGeometry(10, 10, 80, 30);
        width_field->setText(QStringLiteral("1920"));
        height_field = new My_lineEdit(this);
        height_field->setObjectName(QStringLiteral("lineEdit_height"));
        height_field->setGeometry(10, 50, 80, 30);
        height_field->setText(QStringLiteral("1080"));
        numbers = new kit::NumberFields(
            this,
            [](const QLineEdit* f) {
                return f->objectName() == QLatin1String("lineEdit_width")
                           ? kit::text("宽", "Width", "Ширина", "Rộng", "寬")
                           : kit::text("高", "Height", "Высота", "Cao", "高");
            },
            [this](QLineEdit* f, const QString& v) {
                QString shown = v;
                if (f == width_field && v.toLongLong() > 3840)
                    shown = QStringLiteral("3840");
                f->setText(shown);
                applied << shown;
            });
        numbers->add(width_field);
        numbers->add(height_field);
    }
    ~NumberScreen() override { ++destroyed; }

    void retext() override {}
    void back() override { kit::close_by_back(this); }
    void post_job()
    {
        if (g_qround_bar)
            return;
        QRoundProgressBar::create_qround_bar(this);
        connect(this, &NumberScreen::sig_qround_bar_update, g_qround_bar,
                &QRoundProgressBar::para_sync);
    }

    My_lineEdit* width_field;
    My_lineEdit* height_field;
    kit::NumberFields* numbers;
    QStringList applied;
    static int destroyed;

protected:
    void key_ok() override
    {
        My_lineEdit* f = ui_select ? height_field : width_field;
        emit f->send_show(f->text()); // may return after this screen closed: touch nothing
    }
    void key_right() override { ui_select ^= 1; }

private:
    int ui_select = 0;
};
int NumberScreen::destroyed = 0;

// The two test pages' open screens.
kit::ScreenPtr<NumberScreen> g_screen24(page::SmartMapping);
kit::ScreenPtr<NumberScreen> g_screen25(page::rcv_recovery);

void register_test_screens()
{
    kit::set_factory(page::SmartMapping, []() -> ScreenBase* { return new NumberScreen(page::SmartMapping); });
    kit::set_factory(page::rcv_recovery, []() -> ScreenBase* { return new NumberScreen(page::rcv_recovery); });
}
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
        register_test_screens();
        pad()->hide();
        g_lineedit = nullptr;
    }

    void cleanup()
    {
        delete g_qround_bar;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // ---- the pad ----

    // Keys: digits, C clear, B backspace.
    void editing_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("first digit replaces, then appends") << "1920" << "512" << "512";
        QTest::newRow("zero appends") << "1920" << "9001" << "9001";
        QTest::newRow("no form rule") << "1920" << "07" << "07";
        QTest::newRow("clear") << "1920" << "C" << "0";
        QTest::newRow("digit replaces the cleared 0") << "1920" << "C3" << "3";
        QTest::newRow("backspace keeps the rest") << "1920" << "B5" << "1925";
        QTest::newRow("backspace on empty") << "" << "BB4" << "4";
    }
    void editing()
    {
        QFETCH(QString, start);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        pad()->label_show(QString(), start);
        for (QChar c : typed)
            press({c == 'C' ? kClear : c == 'B' ? kBackspace : digit(c.digitValue())});
        QCOMPARE(pad()->shown_value(), shown);
    }

    void ok_sends_and_a_reopened_pad_starts_over()
    {
        QSignalSpy sent(pad(), &NumberKeyboard::sendKeyBoardUIDataToLineEdit);
        pad()->show();
        pad()->label_show(QStringLiteral("Width"), QStringLiteral("1920"));
        press({digit(5), digit(1)});
        QCOMPARE(sent.count(), 0);
        press({kOkKey});
        QCOMPARE(sent.count(), 1);
        QCOMPARE(sent.at(0).at(0).toString(), QStringLiteral("51"));
        QVERIFY(!pad()->isVisible());
        pad()->show();
        pad()->label_show(QStringLiteral("Width"), QStringLiteral("1920"));
        pad_key(Qt::Key_F6); // focus still on OK
        QCOMPARE(sent.at(1).at(0).toString(), QStringLiteral("1920"));
    }

    void close_back_and_mode_send_nothing()
    {
        QSignalSpy sent(pad(), &NumberKeyboard::sendKeyBoardUIDataToLineEdit);
        pad()->show();
        pad()->label_show(QString(), QStringLiteral("1920"));
        press({digit(7)});
        pad_key('M');
        pad_key(Qt::Key_Stop);
        QVERIFY(pad()->isVisible());
        QCOMPARE(pad()->shown_value(), QStringLiteral("7"));
        press({kClose});
        QVERIFY(!pad()->isVisible());
        for (int k : {int(Qt::Key_PowerOff), int('O')}) {
            pad()->show();
            pad_key(k);
            QVERIFY(!pad()->isVisible());
        }
        QCOMPARE(sent.count(), 0);
    }

    void focus_wraps()
    {
        focus(kOkKey);
        pad_key('R');
        QCOMPARE(int(pad()->focus_index()), 0);
        pad_key(Qt::Key_F4);
        QCOMPARE(int(pad()->focus_index()), kOkKey);
        pad_key('S');
        QCOMPARE(int(pad()->focus_index()), kClose);
        pad_key('P'); // a keypad shortcut letter: nothing on the pad
        QCOMPARE(int(pad()->focus_index()), kClose);
    }

    // ---- number fields through the kit ----

    void field_through_the_pad_reaches_only_the_screen_that_asked()
    {
        // Page 25 underneath with its own fields, page 24 in front; keys go to the
        // screen in front and, while the pad is up, to the pad. Both screens are
        // connected to the one pad.
        QTimer::singleShot(0, [] {
            QTimer::singleShot(0, [] {
                NumberScreen* a = g_screen24;
                QTimer::singleShot(0, [a] {
                    QCOMPARE(pad()->title(), QStringLiteral("Width"));
                    QCOMPARE(pad()->shown_value(), QStringLiteral("1920"));
                    QCOMPARE(g_lineedit, a->width_field);
                    QTest::keyRelease(a, 'M'); // to the pad, which ignores it
                    QVERIFY(pad()->isVisible() && g_page_focus == page::SmartMapping);
                    for (int d : {9, 0, 0, 0, 0}) {
                        while (pad()->focus_index() != digit(d))
                            QTest::keyRelease(a, 'R');
                        QTest::keyRelease(a, 'Q');
                    }
                    while (pad()->focus_index() != kOkKey)
                        QTest::keyRelease(a, 'S');
                    QTest::keyRelease(a, Qt::Key_F6);
                });
                QTest::keyRelease(a, 'Q'); // the width field: the pad runs modally
                QCOMPARE(a->applied, QStringList{QStringLiteral("3840")}); // 90000 corrected by the screen
                QCOMPARE(a->width_field->text(), QStringLiteral("3840"));
                QVERIFY(!g_lineedit);
                QCOMPARE(g_screen25->width_field->text(), QStringLiteral("1920"));
                QVERIFY(g_screen25->applied.isEmpty());
                // A confirmation nobody asked for changes nothing either.
                g_lineedit = g_screen25->width_field;
                emit pad()->sendKeyBoardUIDataToLineEdit(QStringLiteral("77"));
                QCOMPARE(g_screen25->width_field->text(), QStringLiteral("1920"));
                QCOMPARE(a->width_field->text(), QStringLiteral("3840"));
                g_lineedit = nullptr;
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
        const int before = NumberScreen::destroyed;
        bool padShown = false;
        QTimer::singleShot(0, [&padShown] {
            NumberScreen* a = g_screen24;
            QTimer::singleShot(0, [&padShown] {
                padShown = pad()->isVisible();
                kit::back(page::SmartMapping);
            });
            QTest::keyRelease(a, 'R');
            QTest::keyRelease(a, 'Q'); // the height field
        });
        kit::open(page::SmartMapping);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(padShown);
        QCOMPARE(NumberScreen::destroyed, before + 1);
        QVERIFY(!pad()->isVisible());
        QVERIFY(!g_lineedit);
        QVERIFY(!g_screen24);
        QCOMPARE(int(g_page_focus), int(page::Option));
    }

    void my_lineedit_press_asks_for_the_pad()
    {
        My_lineEdit f;
        f.setText(QStringLiteral("640"));
        QSignalSpy asked(&f, &My_lineEdit::send_show);
        QTest::mouseClick(&f, Qt::LeftButton);
        QCOMPARE(asked.count(), 1);
        QCOMPARE(asked.at(0).at(0).toString(), QStringLiteral("640"));
    }

    // ---- the progress wheel ----

    void wheel_created_once_with_its_values()
    {
        QDialog d;
        QRoundProgressBar::create_qround_bar(&d);
        QPointer<QRoundProgressBar> w = g_qround_bar;
        QVERIFY(w);
        QRoundProgressBar::create_qround_bar(&d);
        QCOMPARE(g_qround_bar, w.data());
        QCOMPARE(d.findChildren<QRoundProgressBar*>().size(), 1);
        for (auto v : {std::make_pair(42, 42.0), std::make_pair(-5, 0.0), std::make_pair(99, 99.0)}) {
            w->para_sync(v.first);
            QCOMPARE(w->value(), v.second);
        }
        w->setValue(250.0);
        QCOMPARE(w->value(), 100.0);

        // Any wheel's slot acts on the wheel on show.
        QRoundProgressBar other(&d);
        other.para_sync(30);
        QCOMPARE(w->value(), 30.0);
        QCOMPARE(other.value(), 0.0);

        w->para_sync(100);
        QVERIFY(!g_qround_bar);
        QVERIFY(w && !w->isVisible()); // deleted once the event loop is back
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!w);
        other.para_sync(50); // no wheel: nothing
        QVERIFY(!g_qround_bar);
    }

    void closed_wheel_forgets_only_itself()
    {
        QDialog d;
        QRoundProgressBar::create_qround_bar(&d);
        QPointer<QRoundProgressBar> first = g_qround_bar;
        first->para_sync(150);
        QRoundProgressBar::create_qround_bar(&d); // the next job's wheel
        QRoundProgressBar* second = g_qround_bar;
        QVERIFY(second && second != first.data());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!first);
        QCOMPARE(g_qround_bar, second);
        delete second; // its dialog goes: nothing left pointing at it
        QVERIFY(!g_qround_bar);
    }

    void job_progress_from_the_fpga_thread_reaches_the_wheel()
    {
        // The FPGA thread reports; the shell relays to the open screen of the job's page,
        // whose sig_qround_bar_update drives its wheel.
        QList<double> values;
        bool closed = false;
        auto report = [](int job, int value) {
            std::thread([job, value] { emit PanelBridge::instance()->sig_job_progress(job, value); })
                .join();
            QCoreApplication::sendPostedEvents();
        };
        QTimer::singleShot(0, [&] {
            NumberScreen* s = g_screen24;
            s->post_job();
            QRoundProgressBar* w = g_qround_bar;
            report(1, 37);
            values << w->value();
            report(5, 80); // card recovery's job: page 25 is not open
            values << w->value();
            report(3, -4);
            values << w->value();
            report(2, 100);
            closed = !g_qround_bar;
            QTest::keyRelease(s, 'O');
        });
        kit::open(page::SmartMapping);
        QCOMPARE(values, (QList<double>{37.0, 37.0, 0.0}));
        QVERIFY(closed);
    }
};

QTEST_MAIN(TstShellNumpad)
#include "tst_shell_numpad.moc"
