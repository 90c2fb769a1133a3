// The settings menu: the openers of its screens, the mode key from a nested chain, and the
// stick-mounted close.
#include "shellsupport.h"

#include "core/panel_bridge.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/system/option.h"
#include "ui/shell/panelrequests.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QtTest>

using namespace shellsupport;

namespace {

// Opens `pageId` from the screen in front and runs `body` inside it.
void in_screen(uint8_t pageId, const std::function<void()>& body)
{
    QTimer::singleShot(0, body);
    kit::open(pageId);
}

// Every page with an open screen, the home screen left out.
QList<int> open_pages()
{
    QList<int> l;
    for (int p = 0; p < page::Count; ++p)
        if (p != page::MainWindow && kit::instance(uint8_t(p)))
            l << p;
    return l;
}
} // namespace

class TstShellOption : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { connect_panel_requests(); }
    void init() { fresh_panel(); }
    void cleanup()
    {
        for (int p : open_pages())
            kit::close_page(uint8_t(p));
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Each item opens its screen; back returns with the focus kept, and the walk wraps.
    void openers_and_return_keep_the_focus()
    {
        const QList<int> pages{page::OutputSet,    page::InputCut,   page::ImageLayout,  page::LinkOption,
                               page::ImageQuality, page::test_chart, page::SmartMapping, page::AdvancedOption};
        QList<int> opened;
        in_screen(page::Option, [&opened] {
            for (int i = 0; i < 8; ++i) {
                QTimer::singleShot(0, [&opened] {
                    opened << g_page_focus;
                    QTest::keyRelease(kit::instance(g_page_focus), 'O');
                });
                QTest::keyRelease(g_option, 'Q');
                QTest::keyRelease(g_option, 'R');
            }
            QCOMPARE(int(g_option->focus_index()), 0); // wrapped
            QTest::keyRelease(g_option, 'O');
        });
        QCOMPARE(opened, pages);
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
    }

    void mode_key_from_a_three_deep_chain()
    {
        // menu -> output settings -> LED size, then the mode key there: every screen closes.
        // Pop-ups are no pages: the close-all never reaches them.
        QWidget pad;
        g_numberkeyboard = reinterpret_cast<NumberKeyboard*>(&pad);
        in_screen(page::Option, [] {
            in_screen(page::OutputSet, [] {
                in_screen(page::ledset, [] { QTest::keyRelease(kit::instance(page::ledset), 'M'); });
                QCOMPARE(int(g_page_focus), int(page::CustomMode)); // the opener left it alone
            });
        });
        g_numberkeyboard = nullptr;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(open_pages(), QList<int>{page::CustomMode});
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    // The mapping wizard keeps the key while a card job's wheel is up.
    void mode_key_refused_under_a_wheel()
    {
        in_screen(page::Option, [] {
            in_screen(page::SmartMapping, [] {
                QWidget* m = kit::instance(page::SmartMapping);
                g_qround_bar = new QRoundProgressBar(m);
                QTest::keyRelease(m, 'M');
                QCOMPARE(int(g_page_focus), int(page::SmartMapping));
                delete g_qround_bar;
                QTest::keyRelease(m, 'M');
            });
        });
        QCOMPARE(open_pages(), QList<int>{page::CustomMode});
    }

    void stick_mount_closes_only_the_menu_in_front()
    {
        in_screen(page::Option, [] {
            // A sub-screen in front: nothing closes.
            in_screen(page::test_chart, [] {
                emit PanelBridge::instance()->sig_option_close();
                emit PanelBridge::instance()->sig_option_retext();
                QCoreApplication::sendPostedEvents();
                QCOMPARE(int(g_page_focus), int(page::test_chart));
                QTest::keyRelease(kit::instance(page::test_chart), 'O');
            });
            // The menu in front: it closes towards the home screen.
            emit PanelBridge::instance()->sig_option_close();
            QCoreApplication::sendPostedEvents();
        });
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!g_option);
        // Nothing open: no call into a null menu.
        emit PanelBridge::instance()->sig_option_close();
        emit PanelBridge::instance()->sig_option_retext();
        QCoreApplication::sendPostedEvents();
    }

    // Last: the panel rules stay installed. Keys sent anywhere reach the screen in front,
    // also while an earlier routed key is still running a nested screen.
    void routed_keys_reach_nested_screens()
    {
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        in_screen(page::Option, [] {
            QTimer::singleShot(0, [] {
                QCOMPARE(int(g_page_focus), int(page::OutputSet));
                release(g_mainwindow, 'M');
            });
            release(g_mainwindow, 'Q'); // to the menu: opens the output settings
        });
        QCOMPARE(open_pages(), QList<int>{page::CustomMode});
    }
};

QTEST_MAIN(TstShellOption)
#include "tst_shell_option.moc"
