// The advanced-settings and communication menus, the USB upgrade screen and the aging log.
#include "shellsupport.h"

#include "fpga/aging_log.h"
#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/usb_upgrade.h"
#include "ui/shell/firmwareupdate.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"
#include "ui/system/advancedoption.h"
#include "ui/system/factoryage.h"
#include "ui/system/firmware_usbgrade.h"
#include "ui/system/linkoption.h"
#include "yuq_texts.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QTextDocument>
#include <QtTest>

using namespace shellsupport;

namespace {
void run(const std::function<void(AdvancedOption*)>& body)
{
    run_screen<AdvancedOption>(page::AdvancedOption, body);
}

void recovery_files(int n)
{
    QDir(platform::dev_path("/data/rcvrecovery")).removeRecursively();
    QDir().mkpath(platform::dev_path("/data/rcvrecovery"));
    for (int i = 0; i < n; ++i)
        testsupport::put_file(QString("/data/rcvrecovery/%1.rcv").arg(i), "r");
}

// OK on a menu's item: the page that opened (-1 none), `meanwhile` run there before back.
int open_child(QWidget* menu, int menuPage, const std::function<void()>& meanwhile = {})
{
    int seen = -1;
    QTimer::singleShot(0, [&] {
        if (g_page_focus != menuPage) {
            seen = g_page_focus;
            if (meanwhile)
                meanwhile();
            kit::back(uint8_t(seen));
        }
    });
    release(menu, 'Q');
    QCoreApplication::processEvents();
    return seen;
}

AgingLog& LOG() { return AgingLog::instance(); }

void run_upgrade(const std::function<void(firmware_usbgrade*)>& body)
{
    run_screen<firmware_usbgrade>(page::firmware_usbgrade, body);
}

// The rows of the page shown; a row shown as markup is left out.
QStringList shown_rows(firmware_usbgrade* s)
{
    QStringList rows;
    for (int r = 0; r < firmware_usbgrade::RowsPerPage; ++r)
        if (QLabel* l = s->row_label(r); l && l->textFormat() == Qt::PlainText)
            rows << l->text();
    return rows;
}

// The upgrade of the stick's upgrade folder as it holds `packages` now (the FPGA thread's
// steps run here); what the screen shows at its end.
QString upgrade_end(firmware_usbgrade* s)
{
    release(s, 'Q');
    for (int pass = 0; pass < 10 && g_usb_grade.load() != 0; ++pass)
        fpga_manage::p_fpga_manage->usb_upgrade_deal();
    s->syncUpdate(code_of(Refresh::UpgradeEnd));
    return s->log_label()->text();
}

void stick_holds(const QStringList& packages)
{
    QDir(platform::dev_path("/mnt/usb1")).removeRecursively();
    for (const QString& p : packages)
        testsupport::put_file("/mnt/usb1/YUQ-K64/" + p, "package " + p.toUtf8());
}

} // namespace

class TstSystemAdvancedOption : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { connect_panel_requests(); }
    void init()
    {
        fresh_panel();
        fpga_manage::pInstance();
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        g_update_flag = 0;
        g_app_reset_flag = 0;
        LOG().clear();
    }
    void cleanup()
    {
        platform::shell_set_responder(nullptr);
        g_usb_grade = 0;
        g_send_para.clear();
        firmware_update_over();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        fpga_manage::destroy_for_test();
    }

    // The recovery item opens only with a file (the count never wraps), recounted on return.
    void recovery_item_data()
    {
        QTest::addColumn<int>("files"); QTest::addColumn<int>("opened"); // page OK opens, -1 none
        QTest::newRow("none") << 0 << -1;
        QTest::newRow("256") << 256 << int(page::rcv_recovery);
    }
    void recovery_item()
    {
        QFETCH(int, files); QFETCH(int, opened);
        recovery_files(files);
        run([&](AdvancedOption* m) {
            keys(m, "SSS"); // left wraps round to the recovery item
            QCOMPARE(open_child(m, page::AdvancedOption, [] { recovery_files(0); }), opened);
            const QString sheet = m->item(2)->styleSheet(); // greyed again
            QVERIFY(sheet == kit::sheet::disabled_menu || sheet == kit::sheet::disabled_menu_focus);
        });
    }

    // Each item names the screen it opens: no two read alike in any language (line breaks
    // and spaces aside), and the two that named another action do not any more.
    void items_name_what_they_open()
    {
        const Txt items[] = {Txt::advancedoption_lcd, Txt::advancedoption_other, Txt::advancedoption_recovery,
                             Txt::advancedoption_factory, Txt::advancedoption_age};
        for (int lang = 0; lang < 5; ++lang) {
            QSet<QString> seen;
            for (Txt t : items)
                seen << QString::fromUtf8(yuq_text(t, lang)).remove(QRegularExpression("\\s")).toLower();
            QCOMPARE(seen.size(), 5);
        }
        QCOMPARE(QString::fromUtf8(yuq_text(Txt::advancedoption_other, 3)), QString::fromUtf8("Cài đặt\nkhác"));
        QCOMPARE(QString::fromUtf8(yuq_text(Txt::advancedoption_age, 2)), QString::fromUtf8("Заводской\nпрогон"));
    }

    // Focus and language are right after a child went back (the language changed there).
    void communication_menu()
    {
        run_screen<LinkOption>(page::LinkOption, [&](LinkOption* m) {
            keys(m, "S");
            QCOMPARE(open_child(m, page::LinkOption, [] { g_language = 2; }), int(page::firmware_usbgrade));
            QCOMPARE(int(m->focus_index()), 2);
            QCOMPARE(m->findChild<QLabel*>("label_title")->text(), QString::fromUtf8("Подключение"));
        });
    }

    // The code acts only on its own pad request; the aging log opens after the pad hid.
    void access_code_data()
    {
        QTest::addColumn<QString>("code"); QTest::addColumn<bool>("asked"); QTest::addColumn<bool>("opens");
        QTest::newRow("right") << "5914" << true << true;
        QTest::newRow("longer") << "59140" << true << false;
        QTest::newRow("untouched") << "**********" << true << false;
        QTest::newRow("not asked") << "5914" << false << false;
    }
    void access_code()
    {
        QFETCH(QString, code); QFETCH(bool, asked); QFETCH(bool, opens);
        run([&](AdvancedOption* m) {
            keys(m, "S"); // the aging item
            bool opened = false;
            QTimer::singleShot(0, [&] { // the pad's OK, then a look after the pad hid
                emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(code);
                g_numberkeyboard->hide();
                QTimer::singleShot(0, [&] {
                    opened = g_page_focus == page::factoryage && !g_numberkeyboard->isVisible();
                    if (g_page_focus == page::factoryage)
                        kit::back(page::factoryage);
                });
            });
            if (asked)
                release(m, 'Q');
            QCoreApplication::processEvents();
            QCOMPARE(opened, opens);
        });
    }

    // The mode key in a child closes the menu beneath; the menu must not touch itself after.
    void a_child_closing_the_menu_leaves_it_untouched()
    {
        run([](AdvancedOption* m) {
            QTimer::singleShot(0, [] { release(kit::instance(page::factory), 'M'); });
            keys(m, "RRRQ"); // factory settings, closed there by the mode key
            QVERIFY(!g_advancedoption);
        });
        kit::close_page(page::CustomMode);
    }

    // ---- the USB upgrade screen ----

    // Only plain package files (no links, at most 100), names never as markup, the marks, pages.
    void rows_marks_and_pages()
    {
        const QString dir = "/mnt/usb1/YUQ-K64/";
        for (const char* n : {"a.YUQ", "b.YUQ", "<i>c.YUQZK", "d.YUQZK", "f.YUQZK", "g.YUQZK", "x.yuq", "notes.txt"})
            testsupport::put_file(dir + n, "package");
        QDir().mkpath(platform::dev_path(dir + "e.YUQ"));
        QFile::link(platform::dev_path(dir + "a.YUQ"), platform::dev_path(dir + "l.YUQ"));
        run_upgrade([](firmware_usbgrade* s) {
            int on = 0, fonts = 0;
            for (int i = 0; i < s->files().size(); ++i) {
                on += s->marked(i);
                fonts += s->marked(i) && s->files()[i].endsWith(".YUQZK");
            }
            QCOMPARE((QList<int>{on, fonts}), (QList<int>{5, 4}));
            QStringList rows = shown_rows(s);
            s->row_button(3)->click();
            s->next_button()->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            rows << shown_rows(s);
            rows.sort();
            QCOMPARE(rows, (QStringList{"<i>c.YUQZK", "a.YUQ", "b.YUQ", "d.YUQZK", "f.YUQZK", "g.YUQZK"}));
            s->row_button(0)->click();
            s->previous_button()->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(s->findChildren<QFrame*>("frame_file").size(), 1);
        });
        for (int i = 0; i < 120; ++i)
            testsupport::put_file(QString("%1%2.YUQZK").arg(dir).arg(i), "p");
        run_upgrade([](firmware_usbgrade* s) { QCOMPARE(s->files().size(), 100); });
    }

    void ok_is_refused_data()
    {
        QTest::addColumn<bool>("package"); QTest::addColumn<int>("job"); QTest::addColumn<uint>("upgrade");
        QTest::addColumn<QString>("log");
        QTest::newRow("nothing listed") << false << 0 << 0u << "Nothing to upgrade!";
        QTest::newRow("card job pending") << true << int(JobQuery) << 0u << "";
        QTest::newRow("upgrade running") << true << 0 << 1u << "";
    }
    void ok_is_refused()
    {
        QFETCH(bool, package); QFETCH(int, job); QFETCH(uint, upgrade); QFETCH(QString, log);
        if (package)
            testsupport::put_file("/mnt/usb1/YUQ-K64/a.YUQ", "package");
        run_upgrade([&](firmware_usbgrade* s) {
            if (job)
                g_send_para.post(uint8_t(job));
            g_usb_grade = upgrade;
            release(s, 'Q');
            QVERIFY(!s->started());
            QVERIFY(s->log_label()->text().contains(log));
        });
    }

    void upgrade_runs_under_the_overlay_and_ends_with_104()
    {
        testsupport::put_file("/mnt/usb1/YUQ-K64/app.YUQ", "new application");
        testsupport::put_file("/data/app/yuqK87N", "old application");
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        run_upgrade([](firmware_usbgrade* s) {
            g_send_para.set_step(3); // a stale step: the upgrade still starts at its first
            keys(s, "QQM"); // the second OK and the mode key refused while its upgrade runs
            QCOMPARE(int(g_send_para.step()), 0);
            int overlaySteps = 0;
            for (int pass = 0; pass < 10 && g_usb_grade.load() != 0; ++pass) { // as the FPGA side's thread
                fpga_manage::p_fpga_manage->usb_upgrade_deal();
                QCoreApplication::processEvents();
                if (g_move_update && g_move_update->isVisible()) {
                    ++overlaySteps;
                    keys(g_mainwindow, "OM"); // moves nothing beneath the overlay
                }
            }
            QVERIFY(overlaySteps >= 2);
            QCOMPARE(int(g_page_focus), int(page::firmware_usbgrade));
            QCoreApplication::processEvents(); // the overlay's close and code 104
            const QString time = fpga_manage::p_fpga_manage->usb_upgrade_time_text();
            QVERIFY(QRegularExpression("^\\d+:\\d+:\\d+    \\d+:\\d+:\\d+$").match(time).hasMatch());
            s->syncUpdate(code_of(Refresh::UpgradeEnd));
            QVERIFY(s->log_label()->text().contains("downing over<br>" + time));
            QCOMPARE(recorded("sync"), 1);
            QVERIFY(g_app_reset_flag.load() != 0);
        });
    }

    // A failed upgrade says so in red, with the package and why; nothing half-copied stays.
    void failed_upgrade_shows_why_data()
    {
        QTest::addColumn<QString>("package");
        QTest::addColumn<int>("pulledAt"); // the step before which the stick goes, -1 never
        QTest::addColumn<bool>("cutShort"); // the copy stops half-way
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("copy cut short") << "app.YUQ" << -1 << true
                                        << QStringList{"Upgrade failed: app.YUQ", "File could not be copied"};
        QTest::newRow("stick pulled before the copy") << "app.YUQ" << 2 << false
                                                      << QStringList{"Upgrade failed: app.YUQ", "File could not be copied"};
        QTest::newRow("name the shell cannot carry")
            << QString::fromUtf8("\xe5\x8d\x87\xe7\xba\xa7.YUQ") << -1 << false
            << QStringList{QString::fromUtf8("Upgrade failed: \xe5\x8d\x87\xe7\xba\xa7.YUQ"),
                           "Name has unusable characters"};
        QTest::newRow("stick pulled before the list") << "app.YUQ" << 1 << false << QStringList{"Nothing to upgrade!"};
    }
    void failed_upgrade_shows_why()
    {
        QFETCH(QString, package); QFETCH(int, pulledAt); QFETCH(bool, cutShort); QFETCH(QStringList, shown);
        const QString path = "/mnt/usb1/YUQ-K64/" + package;
        testsupport::put_file(path, "new application");
        testsupport::put_file("/data/app/yuqK87N", "old application");
        if (cutShort) // as a device's cp that fails half-way
            platform::shell_set_responder([](const QString& c, int* status, QByteArray*) {
                if (!c.startsWith("cp "))
                    return false;
                testsupport::put_file("/data/app/yuqK87N2", "new appl");
                *status = 1 << 8;
                return true;
            });
        run_upgrade([&](firmware_usbgrade* s) {
            release(s, 'Q');
            QVERIFY(s->started());
            for (int pass = 0; pass < 10 && g_usb_grade.load() != 0; ++pass) {
                if (g_send_para.step() == pulledAt)
                    QFile::remove(platform::dev_path(path));
                fpga_manage::p_fpga_manage->usb_upgrade_deal();
            }
            s->syncUpdate(code_of(Refresh::UpgradeEnd));
            const QString log = s->log_label()->text();
            QVERIFY2(log.contains("#FF0000") && !log.contains("downing over"), qPrintable(log));
            for (const QString& t : shown)
                QVERIFY2(log.contains(t.toHtmlEscaped()), qPrintable(log));
        });
        platform::shell_set_responder(nullptr);
        QCOMPARE(testsupport::get_file("/data/app/yuqK87N"), QByteArray("old application"));
        QVERIFY(!testsupport::exists("/data/app/yuqK87N2"));
        QCOMPARE(int(g_app_reset_flag.load()), 0);
        const QStringList commands = platform::shell_recorded();
        QCOMPARE(commands.filter(QRegularExpression("^cp ")).size(), int(pulledAt != 1 && (pulledAt == 2 || cutShort)));
    }

    // Green is for what went in: a stick of packages this build does not install fails
    // naming them; the sample stick's application goes in and its other packages are named
    // as left out. In every language both lines fit the label.
    void upgrade_end_names_what_was_not_installed_data()
    {
        QTest::addColumn<QStringList>("packages");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("nothing this build installs")
            << QStringList{"fpga_b.YUQZK", "mcu.YUQZK"} << false
            << QStringList{"#FF0000", "Upgrade failed: ", "Package type not supported"};
        QStringList sample = QDir(YUQ_SOURCE_DIR "/sim/samples/upgrade_stick/YUQ-K64").entryList(QDir::Files);
        QTest::newRow("the sample upgrade stick")
            << sample << true << QStringList{"#51BB28", "downing over", "#FF0000", "Not installed: "};
    }
    void upgrade_end_names_what_was_not_installed()
    {
        QFETCH(QStringList, packages); QFETCH(bool, installed); QFETCH(QStringList, shown);
        stick_holds(packages);
        testsupport::put_file("/data/app/yuqK87N", "old application");
        run_upgrade([&](firmware_usbgrade* s) {
            const QString log = upgrade_end(s);
            for (const QString& t : shown)
                QVERIFY2(log.contains(t), qPrintable(log));
            QCOMPARE(log.contains("downing over"), installed);
            for (const QString& p : packages) // each package left out is named, the one installed not
                QVERIFY2(log.contains(p) == !p.endsWith(".YUQ"), qPrintable(log));
            for (int language = 0; language < 5; ++language) {
                switch_language(YuqRamPara::p_yuqrampara_config, language);
                QLabel* l = s->log_label();
                QTextDocument doc;
                doc.setDocumentMargin(0);
                doc.setDefaultFont(l->font());
                doc.setHtml(l->text());
                QVERIFY2(doc.idealWidth() <= l->width() && doc.size().height() <= l->height(), qPrintable(l->text()));
            }
        });
        QCOMPARE(testsupport::get_file("/data/app/yuqK87N") != "old application", installed);
        QCOMPARE(g_app_reset_flag.load() != 0, installed);
    }

    // Each upgrade shows its own end, never an earlier one's, the stick changed on the
    // screen in between: a refused name, then a stick whose move over the application fails
    // (why is the install, not the copy), then one of fonts only, then one that goes in.
    void upgrade_ends_in_sequence()
    {
        const struct
        {
            QStringList packages;
            bool moveFails;
            QString shown;
        } runs[] = {
            {{QString::fromUtf8("\xe5\x8d\x87\xe7\xba\xa7.YUQ")}, false, "Name has unusable characters"},
            {{"app.YUQ"}, true, "Application not installed"},
            {{"fonts.YUQZK"}, false, "Package type not supported"},
            {{"app.YUQ"}, false, "downing over"},
        };
        const QStringList every{"Name has unusable characters", "Application not installed", "File could not be copied",
                                "Package type not supported", "downing over"};
        testsupport::put_file("/data/app/yuqK87N", "old application");
        run_upgrade([&](firmware_usbgrade* s) {
            for (const auto& run : runs) {
                stick_holds(run.packages);
                s->syncUpdate(code_of(Refresh::StickRemoved));
                s->syncUpdate(code_of(Refresh::StickMounted));
                for (int language : {2, 1}) // nor does the last end come back with the language
                    switch_language(YuqRamPara::p_yuqrampara_config, language);
                QCOMPARE(s->log_label()->text(), QString());
                platform::shell_set_responder([&run](const QString& c, int* status, QByteArray*) {
                    if (!run.moveFails || !c.startsWith("mv "))
                        return false;
                    *status = 1 << 8;
                    return true;
                });
                const QString log = upgrade_end(s);
                for (const QString& t : every)
                    QVERIFY2(log.contains(t) == (t == run.shown), qPrintable(run.shown + ": " + log));
                QCOMPARE(s->started(), run.shown == "downing over"); // a restart follows only an install
                g_send_para.clear();
                firmware_update_over();
            }
        });
        platform::shell_set_responder(nullptr);
        QCOMPARE(testsupport::get_file("/data/app/yuqK87N"), QByteArray("package app.YUQ"));
    }

    // Any stick event takes back the refusal OK gave for the stick before.
    void stick_event_clears_the_refusal_data()
    {
        QTest::addColumn<int>("code");
        QTest::newRow("inserted") << code_of(Refresh::StickInserted);
        QTest::newRow("removed") << code_of(Refresh::StickRemoved);
        QTest::newRow("mounted") << code_of(Refresh::StickMounted);
    }
    void stick_event_clears_the_refusal()
    {
        QFETCH(int, code);
        run_upgrade([&](firmware_usbgrade* s) {
            release(s, 'Q');
            QVERIFY(s->log_label()->text().contains("Nothing to upgrade!"));
            testsupport::put_file("/mnt/usb1/YUQ-K64/a.YUQ", "package");
            s->syncUpdate(code);
            QCOMPARE(s->log_label()->text(), QString());
        });
    }

    // OK's refusal of an empty list follows a language change, as the upgrade's end does.
    void refusal_follows_the_language()
    {
        run_upgrade([](firmware_usbgrade* s) {
            release(s, 'Q');
            switch_language(YuqRamPara::p_yuqrampara_config, 2); // Russian
            QVERIFY2(s->log_label()->text().contains(QStringLiteral("Нечего обновлять!")), qPrintable(s->log_label()->text()));
        });
    }

    // The standby screen wakes on any key, but not through the overlay.
    void keys_on_standby_under_the_overlay_do_nothing()
    {
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        kit::open(page::LockWindow);
        g_update_flag = 1;
        firmware_update_start();
        keys(g_mainwindow, "QQ");
        QCOMPARE(int(g_page_focus), int(page::LockWindow));
        g_update_flag = 0;
        firmware_update_over();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        release(g_mainwindow, 'Q'); // the overlay gone, keys act again
        QCOMPARE(int(g_page_focus), int(page::MainWindow));
    }
    // ---- the aging log ----

    // Every page draws its rows, in list order, and its arrow inside the list's frame, no
    // row over another: the fourth row was half under the frame's bottom edge.
    void rows_inside_the_frame()
    {
        stick_holds({"0.YUQZK", "1.YUQZK", "2.YUQZK", "3.YUQZK", "4.YUQZK", "5.YUQZK"});
        run_upgrade([](firmware_usbgrade* s) {
            for (int page = 0; page < 2; ++page) {
                const QRect inside = s->row_label(0)->parentWidget()->rect().adjusted(1, 1, -1, -1); // its border
                int below = inside.top();
                for (int r = 0; r < firmware_usbgrade::RowsPerPage && 4 * page + r < s->files().size(); ++r) {
                    const QLabel* l = s->row_label(r);
                    QCOMPARE(l->text(), QFileInfo(s->files()[4 * page + r]).fileName());
                    QVERIFY2(inside.contains(l->geometry()) && l->y() >= below, qPrintable(l->text()));
                    below = l->geometry().bottom() + 1;
                }
                QVERIFY(inside.contains((page == 0 ? s->next_button() : s->previous_button())->geometry()));
                if (page == 0)
                    s->next_button()->click();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            }
        });
    }

    // Fields that are no numbers show as 0, each flag in its colour; a short line shows nothing.
    void line_text()
    {
        QString t = factoryage::line_text(QStringLiteral("01-01 00:00 x y z 1 2 3"));
        t.replace(QLatin1String("<font color = #00FF00 >"), QLatin1String("+"));
        t.replace(QLatin1String("<font color = #FF0000 >"), QLatin1String("-")).remove(QLatin1String("</font>"));
        QCOMPARE(t, QStringLiteral("<br>01-01 00:00 000 -DDR0 -DDR1 -DE -HS -VS000<br>001 -DDR0 +DDR1 -DE -HS -VS003"));
        QVERIFY(factoryage::line_text(QStringLiteral("12-05 10:30 5 31 0 7 30")).isEmpty());
    }

    // The last page, and past it the first again.
    void paging_data()
    {
        QTest::addColumn<int>("lines"); QTest::addColumn<QByteArray>("keys"); QTest::addColumn<QString>("label");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("next: the ninth alone") << 9 << QByteArray("Q") << "2/2" << QStringList{"008"};
        QTest::newRow("empty: OK does nothing") << 0 << QByteArray("QRQ") << "0/0" << QStringList();
        // Full: the oldest five dropped, pages through to the last and wraps.
        QTest::newRow("full, wraps") << AgingLog::Max + 5 << QByteArray(420, 'Q') << "1/420"
                                     << QStringList{"005", "006", "007", "008", "009", "010", "011", "012"};
    }
    void paging()
    {
        QFETCH(int, lines); QFETCH(QByteArray, keys); QFETCH(QString, label); QFETCH(QStringList, shown);
        for (int i = 0; i < lines; ++i) { // register 42 of FPGA 0 is the line number
            const int regs[6] = {31, i % 256, 0, 30, 7, 2};
            LOG().append(QStringLiteral("12-05 10:30"), regs);
        }
        run_screen<factoryage>(page::factoryage, [&](factoryage* s) {
            ::shellsupport::keys(s, keys.constData());
            QCOMPARE(s->page_label()->text(), label);
            QStringList numbers; // the three-digit numbers after the times
            for (const QString& l : s->list()->text().split(QStringLiteral("<br>")))
                if (l.startsWith(QLatin1String("12-05")))
                    numbers << l.section(QLatin1Char(' '), 2, 2);
            QCOMPARE(numbers, shown);
        });
    }

    // Band counts: 250 -> 3 is a growth of 9; an unchanged value counts nowhere.
    void bands()
    {
        run_screen<factoryage>(page::factoryage, [](factoryage* s) {
            const int r42[5] = {250, 3, 3, 4, 40}; // FPGA 0: +9, 0, +1, +36
            for (int v : r42) {
                const int regs[6] = {0, v, 0, 0, (v * 2) % 256, 0}; // FPGA 1: +18 (244 -> 6), 0, +2, +72
                LOG().append(QStringLiteral("12-05 10:30"), regs);
            }
            s->request(kit::ReqUpdateAgeLog, 0, QString());
            QStringList counts;
            for (int b = 0; b < 5; ++b)
                counts << s->band_label(b)->text();
            QCOMPARE(counts.join(' '), QStringLiteral("1<3,1<3 0<5,0<5 1<10,0<10 0<20,1<20 1>20,1>20"));
        });
    }
};

QTEST_MAIN(TstSystemAdvancedOption)
#include "tst_system_advancedoption.moc"
