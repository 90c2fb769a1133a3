// The screen kit: key roles, language choice, stand-ins opened, closed by back and by the
// mode key, and QDialog's own closing paths refused.
#include "shellsupport.h"

#include <QCloseEvent>
#include <QTimer>
#include <QtTest>

using namespace shellsupport;

class TstShellKit : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }

    void key_roles()
    {
        const QList<std::pair<int, kit::Key>> roles = {
            {'S', kit::Key::Left}, {Qt::Key_F4, kit::Key::Left},   {'R', kit::Key::Right},
            {Qt::Key_F5, kit::Key::Right}, {'Q', kit::Key::Ok},     {Qt::Key_F6, kit::Key::Ok},
            {'M', kit::Key::Mode}, {Qt::Key_Stop, kit::Key::Mode}, {'O', kit::Key::Back},
            {Qt::Key_PowerOff, kit::Key::Back}, {'C', kit::Key::None}};
        for (const auto& r : roles)
            QCOMPARE(kit::key_role(r.first), r.second);
    }

    void language_choice()
    {
        const char* zh = "中", *en = "en", *ru = "ru", *vn = "vn", *tn = "tn";
        g_lcd_lang_valid = 0x1D; // English's bit clear: English still shows
        g_language = 1;
        QCOMPARE(kit::text(zh, en, ru, vn, tn), QStringLiteral("en"));
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/en_a.png"));
        g_language = 0;
        QCOMPARE(kit::text(zh, en, ru, vn, tn), QString::fromUtf8("中"));
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/a.png"));
        g_language = 4;
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/tn_a.png"));
        g_language = 3;
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/vn_a.png"));
        g_lcd_lang_valid = 0x1F & ~0x04;
        g_language = 2;
        QCOMPARE(kit::text(zh, en, ru, vn, tn), QStringLiteral("en"));
        QCOMPARE(kit::pic_prefix(), QStringLiteral("en_"));
        g_language = 7;
        QCOMPARE(kit::pic_prefix(), QStringLiteral("en_"));
    }

    void stand_in_runs_modal_and_closes_by_back_only()
    {
        bool checked = false;
        QTimer::singleShot(0, [&checked] {
            QWidget* s = kit::instance(page::Option);
            QVERIFY(s && s->isVisible());
            QCOMPARE(int(g_page_focus), int(page::Option));
            QCOMPARE(s->size(), QSize(320, 240));
            QTest::keyClick(s, Qt::Key_Escape); // QDialog would reject
            QTest::keyClick(s, Qt::Key_Return);
            static_cast<QDialog*>(s)->reject();
            QCloseEvent wm;
            QCoreApplication::sendEvent(s, &wm);
            QVERIFY(s->isVisible());
            QTest::keyRelease(s, 'C'); // no role: only handed on
            QVERIFY(s->isVisible());
            checked = true;
            release(s, Qt::Key_PowerOff);
        });
        kit::open(page::Option); // returns when the stand-in closed
        QVERIFY(checked);
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!kit::instance(page::Option));
    }

    void nested_stand_ins_restore_their_parents()
    {
        QList<int> pages;
        QTimer::singleShot(0, [&pages] {
            pages << g_page_focus;
            QTimer::singleShot(0, [&pages] {
                pages << g_page_focus;
                QCOMPARE(int(kit::parent_page(page::InputCut)), int(page::InputChoose));
                QTest::keyRelease(kit::instance(page::InputCut), 'O');
                pages << g_page_focus;
                QTest::keyRelease(kit::instance(page::InputChoose), 'O');
            });
            kit::open(page::InputCut);
        });
        kit::open(page::InputChoose);
        QCOMPARE(pages, (QList<int>{page::InputChoose, page::InputCut, page::InputChoose}));
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QCOMPARE(int(kit::parent_page(page::InputCut)), int(page::Option)); // the table's parent again
    }

    void page_pointer_follows_the_screen()
    {
        // A built page opens through its factory; its pointer is set while it is open and
        // null once the kit closed it, and after it was deleted by any other way.
        struct Probe : PanelDialog
        {
            Probe() : PanelDialog(page::ledset) {}
            void retext() override { ++retexted; }
            void back() override { kit::close_by_back(this); }
            int retexted = 0;
        };
        kit::set_factory(page::ledset, []() -> ScreenBase* { return new Probe; });
        QVERIFY(kit::is_registered(page::ledset));
        QTimer::singleShot(0, [] {
            auto* p = static_cast<Probe*>(kit::screen(page::ledset));
            QVERIFY(p && g_ledset && kit::instance(page::ledset) == p);
            QCOMPARE(int(g_page_focus), int(page::ledset));
            kit::retext(page::ledset);
            QCOMPARE(p->retexted, 1);
            QTest::keyRelease(p, 'O'); // back: closed, pointer cleared at once
            QVERIFY(!g_ledset);
            QCOMPARE(int(g_page_focus), int(page::OutputSet));
        });
        kit::open(page::ledset);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!kit::instance(page::ledset));
        auto* q = new Probe;
        QVERIFY(g_ledset);
        delete q;
        QVERIFY(!g_ledset);
        kit::request(page::ledset, kit::ReqProgress, 5); // nothing open: no-op
    }
};

QTEST_MAIN(TstShellKit)
#include "tst_shell_kit.moc"
