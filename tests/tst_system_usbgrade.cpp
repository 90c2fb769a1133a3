// The USB upgrade screen: the packages' rows, marks and pages, names shown as they are,
// the start (refusals included), the upgrade's steps under
// the overlay with keys ignored there, code 104 and the time text.
#include "shellsupport.h"

#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/usb_upgrade.h"
#include "ui/shell/firmwareupdate.h"
#include "ui/shell/panelrequests.h"
#include "ui/system/firmware_usbgrade.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

using namespace shellsupport;

namespace {
void run(const std::function<void(firmware_usbgrade*)>& body)
{
    run_screen<firmware_usbgrade>(page::firmware_usbgrade, body);
}

QStringList shown_rows(firmware_usbgrade* s)
{
    QStringList rows;
    for (int r = 0; r < firmware_usbgrade::RowsPerPage; ++r)
        if (QLabel* l = s->row_label(r))
            rows << l->text();
    return rows;
}

void put_packages(const QString& folder, const QStringList& names)
{
    for (const QString& n : names)
        testsupport::put_file(folder + n, "package");
}

// Runs the FPGA side's upgrade steps as its thread does, with the GUI's queue between them.
void run_upgrade_steps(const std::function<void()>& between)
{
    for (int pass = 0; pass < 10 && g_usb_grade.load() != 0; ++pass) {
        fpga_manage::p_fpga_manage->usb_upgrade_deal();
        QCoreApplication::processEvents();
        between();
    }
}
} // namespace

class TstSystemUsbgrade : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { connect_panel_requests(); }

    void init()
    {
        fresh_panel();
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        g_usb_grade = 0;
        g_update_flag = 0;
        g_app_reset_flag = 0;
        g_send_para.clear();
        QDir(platform::dev_path("/mnt/usb1")).removeRecursively();
        platform::shell_clear_recorded();
    }

    void cleanup()
    {
        g_usb_grade = 0;
        g_send_para.clear();
        firmware_update_over();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Names shown as they are, never as markup; every font package and exactly one
    // application package marked.
    void rows_and_marks()
    {
        put_packages("/mnt/usb1/YUQ-K64/", {"a.YUQ", "b.YUQ", "<i>c.YUQZK", "d.YUQZK"});
        run([](firmware_usbgrade* s) {
            QVERIFY(shown_rows(s).contains("<i>c.YUQZK"));
            for (int r = 0; r < 4; ++r)
                QCOMPARE(s->row_label(r)->textFormat(), Qt::PlainText);
            QStringList on;
            for (int i = 0; i < s->files().size(); ++i)
                if (s->marked(i))
                    on << QFileInfo(s->files()[i]).fileName();
            QCOMPARE(on.size(), 3);
            QCOMPARE(on.filter(".YUQZK").size(), 2);
        });
    }

    void pages_of_four_and_touch_on_a_shorter_page()
    {
        put_packages("/mnt/usb1/YUQ-K64/", {"1.YUQZK", "2.YUQZK", "3.YUQZK", "4.YUQZK", "5.YUQZK", "6.YUQZK"});
        run([](firmware_usbgrade* s) {
            s->row_button(3)->click();
            s->next_button()->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(shown_rows(s).size(), 2);
            QVERIFY(!s->next_button());
            s->row_button(0)->click(); // the row touched before is not on this page
            s->previous_button()->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QCOMPARE(shown_rows(s).size(), 4);
            QCOMPARE(s->findChildren<QFrame*>("frame_file").size(), 1);
        });
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
            put_packages("/mnt/usb1/YUQ-K64/", {"a.YUQ"});
        run([&](firmware_usbgrade* s) {
            if (job)
                g_send_para.post(uint8_t(job));
            g_usb_grade = upgrade;
            release(s, 'Q');
            QVERIFY(!s->started());
            QCOMPARE(g_usb_grade.load(), upgrade);
            QCOMPARE(int(g_send_para.job()), job);
            QVERIFY(s->log_label()->text().contains(log));
            g_usb_grade = 0; // not started: the mode key still leaves
            g_send_para.clear();
            release(s, 'M');
            QVERIFY(!g_firmware_usbgrade);
        });
    }

    void upgrade_runs_under_the_overlay_and_ends_with_104()
    {
        testsupport::put_file("/mnt/usb1/YUQ-K64/app.YUQ", "new application");
        testsupport::put_file("/data/app/yuqK87N", "old application");
        fpga_manage::pInstance();
        kit::install_panel_rules(qobject_cast<QApplication*>(QCoreApplication::instance()));
        run([](firmware_usbgrade* s) {
            g_send_para.set_step(3); // a stale step: the upgrade still starts at its first
            keys(s, "QQM"); // the second OK and the mode key refused while its upgrade runs
            QCOMPARE(int(g_send_para.step()), 0);
            QVERIFY(g_firmware_usbgrade);
            int overlaySteps = 0;
            run_upgrade_steps([&] {
                if (!g_move_update || !g_move_update->isVisible())
                    return;
                ++overlaySteps;
                // Keys while the overlay shows move nothing beneath it.
                keys(g_mainwindow, "OM");
                QCOMPARE(int(g_page_focus), int(page::firmware_usbgrade));
            });
            QVERIFY(overlaySteps >= 2);
            QCoreApplication::processEvents(); // the overlay's close and code 104
            const QString time = fpga_manage::p_fpga_manage->usb_upgrade_time_text();
            QVERIFY(QRegularExpression("^\\d+:\\d+:\\d+    \\d+:\\d+:\\d+$").match(time).hasMatch());
            s->syncUpdate(code_of(Refresh::UpgradeEnd));
            QVERIFY(s->log_label()->text().contains("downing over<br>" + time));
            QCOMPARE(recorded("sync"), 1);
            QVERIFY(g_app_reset_flag.load() != 0);
        });
    }

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
};

QTEST_MAIN(TstSystemUsbgrade)
#include "tst_system_usbgrade.moc"
