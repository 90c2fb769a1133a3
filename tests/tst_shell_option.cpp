// The settings menu: focus walk, pictures per language, the openers of its screens, the
// mode key from a nested chain, and the stick-mounted close.
#include "shellsupport.h"

#include "core/panel_bridge.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/system/option.h"
#include "ui/shell/panelrequests.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace shellsupport;

namespace {

// Opens the settings menu and runs `body` inside it; returns when the menu closed.
void in_menu(const std::function<void(Option*)>& body)
{
    QTimer::singleShot(0, [body] { body(g_option); });
    kit::open(page::Option);
}

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

void flush()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
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
        flush();
    }

    // Each item opens its screen; back returns with the focus kept, and the walk wraps.
    void openers_and_return_keep_the_focus()
    {
        const int pages[8] = {page::OutputSet, page::InputCut,   page::ImageLayout,  page::LinkOption,
                              page::ImageQuality, page::test_chart, page::SmartMapping, page::AdvancedOption};
        QList<int> opened;
        in_menu([&](Option* o) {
            for (int i = 0; i < 8; ++i) {
                QTimer::singleShot(0, [&opened] {
                    opened << g_page_focus;
                    QTest::keyRelease(kit::instance(g_page_focus), 'O');
                });
                QTest::keyRelease(o, 'Q');
                QCOMPARE(int(g_page_focus), int(page::Option));
                QCOMPARE(int(o->focus_index()), i);
                QTest::keyRelease(o, 'R');
            }
            QCOMPARE(int(o->focus_index()), 0); // wrapped
            release(o, Qt::Key_F4);
            QCOMPARE(int(o->focus_index()), 7);
            QTest::keyRelease(o, 'O');
        });
        QCOMPARE(opened, (QList<int>(pages, pages + 8)));
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!g_option);
    }

    void mode_key_from_a_three_deep_chain()
    {
        QPointer<Option> menu;
        in_menu([&menu](Option* o) {
            menu = o;
            // menu -> output settings -> LED size, then the mode key there.
            in_screen(page::OutputSet, [] {
                in_screen(page::ledset, [] {
                    QCOMPARE(open_pages(), (QList<int>{page::Option, page::OutputSet, page::ledset}));
                    QTest::keyRelease(kit::instance(page::ledset), 'M');
                });
                QCOMPARE(int(g_page_focus), int(page::CustomMode)); // the opener left it alone
            });
            QCOMPARE(int(g_page_focus), int(page::CustomMode));
        });
        flush();
        QVERIFY(!menu);
        QCOMPARE(open_pages(), QList<int>{page::CustomMode});
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QCOMPARE(int(g_mode_shortcut_key), 1);
        QVERIFY(!g_option);
        QVERIFY(QApplication::activeModalWidget() == nullptr);
        QList<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible())
                shown << w;
        QCOMPARE(shown.size(), 1); // the user-mode screen (the home screen is not shown in tests)
        QCOMPARE(shown.first(), static_cast<QWidget*>(kit::instance(page::CustomMode)));
    }

    void mode_key_refusals()
    {
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        in_menu([p](Option* o) {
            p->set_image16(img::KeyLock, 1);
            QTest::keyRelease(o, 'M');
            QCOMPARE(int(g_page_focus), int(page::Option));
            p->set_image16(img::KeyLock, 0);
            // The mapping wizard keeps the key while a card job's wheel is up.
            in_screen(page::SmartMapping, [] {
                QWidget* m = kit::instance(page::SmartMapping);
                g_qround_bar = new QRoundProgressBar(m);
                QTest::keyRelease(m, 'M');
                QCOMPARE(int(g_page_focus), int(page::SmartMapping));
                QVERIFY(!kit::instance(page::CustomMode));
                delete g_qround_bar;
                g_qround_bar = nullptr;
                QTest::keyRelease(m, 'M');
            });
        });
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QCOMPARE(open_pages(), QList<int>{page::CustomMode});
    }

    void mode_key_leaves_the_pop_ups()
    {
        // Pop-ups are no pages: the close-all never reaches them.
        QWidget pad;
        g_numberkeyboard = reinterpret_cast<NumberKeyboard*>(&pad);
        in_menu([](Option* o) { QTest::keyRelease(o, 'M'); });
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        g_numberkeyboard = nullptr;
    }

    void stick_mount_closes_only_the_menu_in_front()
    {
        // A sub-screen in front: nothing closes.
        in_menu([](Option*) {
            in_screen(page::test_chart, [] {
                emit PanelBridge::instance()->sig_option_close();
                emit PanelBridge::instance()->sig_option_retext();
                QCoreApplication::sendPostedEvents();
                QCOMPARE(int(g_page_focus), int(page::test_chart));
                QVERIFY(g_option);
                QTest::keyRelease(kit::instance(page::test_chart), 'O');
            });
            QCOMPARE(int(g_page_focus), int(page::Option));
            // The menu in front: it closes towards the home screen.
            emit PanelBridge::instance()->sig_option_close();
            QCOMPARE(int(g_page_focus), int(page::Option)); // queued: not yet
            QCoreApplication::sendPostedEvents();
        });
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!g_option);
        // Nothing open: no call into a null menu.
        emit PanelBridge::instance()->sig_option_close();
        emit PanelBridge::instance()->sig_option_retext();
        QCoreApplication::sendPostedEvents();
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
    }

    // Last: the panel rules stay installed. Keys sent anywhere reach the screen in front,
    // also while an earlier routed key is still running a nested screen.
    void routed_keys_reach_nested_screens()
    {
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        QTimer::singleShot(0, [] {
            QTimer::singleShot(0, [] {
                QCOMPARE(int(g_page_focus), int(page::OutputSet));
                release(g_mainwindow, 'M');
            });
            release(g_mainwindow, 'Q'); // to the menu: opens the output settings
        });
        kit::open(page::Option);
        QCOMPARE(int(g_page_focus), int(page::CustomMode));
        QCOMPARE(open_pages(), QList<int>{page::CustomMode});
    }
};

QTEST_MAIN(TstShellOption)
#include "tst_shell_option.moc"
