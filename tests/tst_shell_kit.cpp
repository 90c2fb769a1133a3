// The screen kit: key roles, language choice, stand-ins opened, closed by back only, the
// page pointers; source tables and icons for ids outside them.
#include "shellsupport.h"
#include "ui/shell/sourceinfo.h"

#include <QCloseEvent>
#include <QLabel>
#include <QTimer>
#include <QtTest>

using namespace shellsupport;

class TstShellKit : public QObject
{
    Q_OBJECT
private slots:
    void init() { fresh_panel(); }

    // The keypad's function keys beside the letters; a letter without a role.
    void key_roles()
    {
        QCOMPARE(kit::key_role(Qt::Key_F4), kit::Key::Left);
        QCOMPARE(kit::key_role(Qt::Key_Stop), kit::Key::Mode);
        QCOMPARE(kit::key_role('C'), kit::Key::None);
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
        g_language = 0;
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/a.png"));
        g_language = 4;
        QCOMPARE(kit::lang_pic("a.png"), QStringLiteral(":/png/tn_a.png"));
    }

    void stand_in_runs_modal_and_closes_by_back_only()
    {
        bool stayed = false;
        QTimer::singleShot(0, [&stayed] {
            QWidget* s = kit::instance(page::Option);
            QTest::keyClick(s, Qt::Key_Escape); // QDialog would reject
            static_cast<QDialog*>(s)->reject();
            QCloseEvent wm;
            QCoreApplication::sendEvent(s, &wm);
            stayed = s->isVisible() && g_page_focus == page::Option;
            release(s, Qt::Key_PowerOff);
        });
        kit::open(page::Option); // returns when the stand-in closed
        QVERIFY(stayed);
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
        QVERIFY(!kit::instance(page::Option));
    }

    void page_pointer_follows_the_screen()
    {
        // A built page's pointer is set while it is open and null once the kit closed it,
        // and after it was deleted by any other way.
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

    // The list order and the source ids are inverse tables; what neither holds falls back.
    void source_tables_fall_back()
    {
        for (int n = 0; n < 6; ++n)
            QCOMPARE(int(sourceinfo::get_listseq_by_source_id(sourceinfo::get_source_id_by_listseq(uchar(n)))), n);
        QCOMPARE(int(sourceinfo::get_source_id_by_listseq(200)), 0);
        QCOMPARE(int(sourceinfo::get_listseq_by_source_id(6)), 0);
        QCOMPARE(sourceinfo::get_source_name_by_listseq(6), QString());
        QCOMPARE(sourceinfo::get_source_specialstyle1_by_sourceid(6, "x", 1), QString());
    }

    void icon_of_an_unknown_source_leaves_the_label_alone()
    {
        QLabel l;
        sourceinfo::set_source_pixmap(&l, 0);
        sourceinfo::set_source_pixmap(&l, 6);
        sourceinfo::set_sourceonline_pixmap(&l, 9, 1);
        QCOMPARE(l.property("png").toString(), QStringLiteral(":/png/HDMI.png"));
    }
};

QTEST_MAIN(TstShellKit)
#include "tst_shell_kit.moc"
