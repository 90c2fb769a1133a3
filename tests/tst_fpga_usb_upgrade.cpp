// The USB-stick upgrade: its package list, steps, overlay requests, time text, code 104
// and the commands the gate recorded (hostile names and folders: tst_hostile_names).
#include "testsupport.h"

#include "core/config_engine.h"
#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/yuqrampara.h"
#include "fpga/card_jobs.h"
#include "fpga/usb_upgrade.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QSignalSpy>
#include <QtTest>

namespace {
// Runs the upgrade's steps as the FPGA thread does; the number of passes.
int run(UsbUpgrade& u)
{
    int passes = 0;
    while (g_usb_grade.load() != 0 && passes < 10) {
        u.usb_upgrade_deal();
        ++passes;
    }
    return passes;
}
} // namespace

class TstFpgaUsbUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        testsupport::fresh_core();
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        g_update_flag = 0;
        g_app_reset_flag = 0;
        G_reboot_tickTicks = 0;
        G_timeTicks = 777;
        g_send_para.clear();
        platform::shell_clear_recorded();
    }

    void lists_plain_yuq_and_yuqzk_files_only()
    {
        for (const char* f : {"a.YUQ", "b.YUQ", "c.YUQZK", "x.yuq", "notes.txt"})
            testsupport::put_file(QString("/mnt/usb1/YUQ-K64/") + f, "p");
        QDir().mkpath(platform::dev_path("/mnt/usb1/YUQ-K64/d.YUQ"));
        QFile::link(platform::dev_path("/mnt/usb1/YUQ-K64/a.YUQ"), platform::dev_path("/mnt/usb1/YUQ-K64/l.YUQ"));
        testsupport::put_file("/mnt/usb1/top.YUQ", "p");

        QStringList got = UsbUpgrade::list_packages(UsbUpgrade::upgrade_folder());
        got.sort();
        QCOMPARE(got, (QStringList{"/mnt/usb1/YUQ-K64/a.YUQ", "/mnt/usb1/YUQ-K64/b.YUQ", "/mnt/usb1/YUQ-K64/c.YUQZK"}));
        g_usb_grade_path = QStringLiteral(" ");
        QCOMPARE(UsbUpgrade::list_packages(UsbUpgrade::upgrade_folder()), QStringList{"/mnt/usb1/top.YUQ"});

        for (int i = 0; i < 120; ++i)
            testsupport::put_file(QString("/mnt/usb1/many/%1.YUQZK").arg(i), "p");
        QCOMPARE(UsbUpgrade::list_packages("/mnt/usb1/many").size(), 100);
    }

    void upgrade_installs_the_application_and_asks_for_a_reboot()
    {
        testsupport::put_file("/mnt/usb1/YUQ-K64/app.YUQ", "new application");
        testsupport::put_file("/data/app/yuqK87N", "old application");
        auto* bridge = PanelBridge::instance();
        QSignalSpy start(bridge, &PanelBridge::sig_update_start);
        QSignalSpy over(bridge, &PanelBridge::sig_update_over);
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);

        UsbUpgrade u;
        QStringList times = {"9:5:7", "9:6:0"};
        u.clock = [&times] { return times.takeFirst(); };
        QVERIFY(post_usb_upgrade());
        QCOMPARE(run(u), 4);

        QCOMPARE(start.size(), 1);
        QCOMPARE(over.size(), 1);
        QCOMPARE(testsupport::spy_ints(refresh), QList<int>{104});
        QCOMPARE(u.time_text(), QString("9:5:7    9:6:0"));
        QCOMPARE(u.package_count(), 1);
        QCOMPARE(g_update_flag.load(), uint8_t(0));
        QCOMPARE(g_usb_grade.load(), 0u);
        QCOMPARE(g_send_para.step(), uint8_t(0));
        QCOMPARE(platform::shell_recorded(),
                 (QStringList{"cp '/mnt/usb1/YUQ-K64/app.YUQ' /data/app/yuqK87N2", "chmod 777 -R /data/app",
                              "mv /data/app/yuqK87N2 /data/app/yuqK87N", "sync"}));
        QCOMPARE(testsupport::get_file("/data/app/yuqK87N"), QByteArray("new application"));
        QVERIFY(!testsupport::exists("/data/app/yuqK87N2"));
        QCOMPARE(g_app_reset_flag.load(), uint8_t(1));
        QCOMPARE(G_reboot_tickTicks.load(), 777u);
    }

    void nothing_to_install_still_reports_104()
    {
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        QSignalSpy start(PanelBridge::instance(), &PanelBridge::sig_update_start);
        g_update_flag = 1; // an overlay already shown is not opened again
        testsupport::put_file("/mnt/usb1/YUQ-K64/fonts.YUQZK", "z");
        UsbUpgrade u;
        QVERIFY(post_usb_upgrade());
        QCOMPARE(run(u), 4);
        QCOMPARE(start.size(), 0);
        QCOMPARE(testsupport::spy_ints(refresh), QList<int>{104});
        QVERIFY(platform::shell_recorded().isEmpty());
        QCOMPARE(g_app_reset_flag.load(), uint8_t(0));
        QVERIFY(QRegularExpression("^\\d{1,2}:\\d{1,2}:\\d{1,2}    \\d{1,2}:\\d{1,2}:\\d{1,2}$")
                    .match(u.time_text())
                    .hasMatch());
    }

    void a_step_above_3_starts_over()
    {
        UsbUpgrade u;
        g_usb_grade = 1;
        g_send_para.set_step(9);
        u.usb_upgrade_deal();
        QCOMPARE(g_send_para.step(), uint8_t(1));
        QCOMPARE(g_update_flag.load(), uint8_t(1));
        run(u);
        QCOMPARE(g_update_flag.load(), uint8_t(0));
    }
};

QTEST_MAIN(TstFpgaUsbUpgrade)
#include "tst_fpga_usb_upgrade.moc"
