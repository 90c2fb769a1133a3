// The screen kit: key roles, language choice, stand-ins closed by back only, the page
// pointers, source tables and icons for ids outside them; the settings menu's openers, the
// mode key from a nested chain, the stick-mounted close and keys routed to nested screens.
#include "shellsupport.h"

#include "core/image_edit.h"
#include "core/panel_bridge.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/panelrequests.h"
#include "ui/shell/sourceinfo.h"
#include "ui/system/option.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
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

class TstShellKit : public QObject
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

    // A language switched off or unknown shows English, even with English's own bit clear.
    void language_choice()
    {
        const char *zh = "中", *en = "en", *ru = "ru", *vn = "vn", *tn = "tn";
        g_lcd_lang_valid = 0x1F & ~0x04 & ~0x02;
        g_language = 2;
        QCOMPARE(kit::text(zh, en, ru, vn, tn), QStringLiteral("en"));
        g_language = 7;
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/en_a.png"));
    }

    void screen_runs_modal_and_closes_by_back_only()
    {
        bool stayed = false;
        in_screen(page::Option, [&stayed] {
            QWidget* s = kit::instance(page::Option);
            QTest::keyClick(s, Qt::Key_Escape); // QDialog would reject
            static_cast<QDialog*>(s)->reject();
            QCloseEvent wm;
            QCoreApplication::sendEvent(s, &wm);
            stayed = s->isVisible() && g_page_focus == page::Option;
            release(s, Qt::Key_PowerOff);
        });
        QVERIFY(stayed);
        QVERIFY(!kit::instance(page::Option));
    }

    // A built page's pointer is set while it is open and null once the kit closed it, and
    // after it was deleted by any other way.
    void page_pointer_follows_the_screen()
    {
        struct Probe : PanelDialog
        {
            Probe() : PanelDialog(page::ledset) {}
            void retext() override {}
            void back() override { kit::close_by_back(this); }
        };
        kit::set_factory(page::ledset, []() -> ScreenBase* { return new Probe; });
        QTimer::singleShot(0, [] {
            auto* p = static_cast<Probe*>(kit::screen(page::ledset));
            QVERIFY(p && g_ledset && kit::instance(page::ledset) == p);
            QTest::keyRelease(p, 'O'); // back: closed, pointer cleared at once
            QVERIFY(!g_ledset);
        });
        kit::open(page::ledset);
        // An older screen deleted late leaves the newer one's pointer alone.
        auto* old = new Probe;
        auto* fresh = new Probe;
        delete old;
        QCOMPARE(kit::instance(page::ledset), static_cast<QWidget*>(fresh));
        delete fresh;
        QVERIFY(!g_ledset);
        kit::request(page::ledset, kit::ReqProgress, 5); // nothing open: no-op
    }

    // A language written while the front screen's refresh runs (a control line comes from
    // another thread) re-texts that screen in it, though the screen's refresh never looked.
    void language_written_during_a_refresh_retexts_the_front()
    {
        struct Probe : PanelDialog
        {
            int texted = -1;
            Probe() : PanelDialog(page::ledset) {}
            void retext() override { texted = g_language; }
            void back() override {}
            void refresh(kit::Refresh) override
            {
                ImageEdit e(0);
                e.set(img::Language, uint16_t(e.byte(img::Language) ^ 1));
            }
        };
        Probe probe;
        const uint8_t before = g_page_focus;
        g_page_focus = page::ledset;
        SyncUpdate::pInstance()->refresh_front(code_of(kit::Refresh::Applied));
        g_page_focus = before;
        QCOMPARE((QList<int>{probe.texted, g_language}),
                 (QList<int>{YuqRamPara::p_yuqrampara_config->image8(img::Language), probe.texted}));
    }

    // What the source tables do not hold falls back; an unknown source's icon leaves the
    // label alone.
    void source_tables_fall_back()
    {
        QCOMPARE(int(sourceinfo::get_source_id_by_listseq(200)), 0);
        QCOMPARE(int(sourceinfo::get_listseq_by_source_id(6)), 0);
        QCOMPARE(sourceinfo::get_source_name_by_listseq(6), QString());
        QCOMPARE(sourceinfo::get_source_specialstyle1_by_sourceid(6, "x", 1), QString());
        QLabel l;
        sourceinfo::set_source_pixmap(&l, 0);
        sourceinfo::set_source_pixmap(&l, 6);
        sourceinfo::set_sourceonline_pixmap(&l, 9, 1);
        QCOMPARE(l.property("png").toString(), QStringLiteral(":/png/HDMI.png"));
    }

    // The walk wraps: left of the first item is the last, the advanced menu; back from it
    // returns with the focus kept.
    void menu_wraps_and_keeps_the_focus()
    {
        int opened = 0;
        in_screen(page::Option, [&opened] {
            QTimer::singleShot(0, [&opened] {
                opened = g_page_focus;
                QTest::keyRelease(kit::instance(g_page_focus), 'O');
            });
            QTest::keyRelease(g_option, 'S');
            QTest::keyRelease(g_option, 'Q');
            QCOMPARE(int(g_option->focus_index()), 7);
            QTest::keyRelease(g_option, 'O');
        });
        QCOMPARE(opened, int(page::AdvancedOption));
    }

    // menu -> output settings -> LED size, then the mode key there: every screen closes.
    // Pop-ups are no pages: the close-all never reaches them.
    void mode_key_from_a_three_deep_chain()
    {
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

QTEST_MAIN(TstShellKit)
#include "tst_shell_kit.moc"
