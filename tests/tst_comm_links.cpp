// The control link's hooks (overlay, file transfers and deletes), the USB-stick watcher
// (uevents, the codes for stick in/out, the mounted rule) and the WiFi manager's commands.
#include "testsupport.h"

#include "comm/k87_wifi_config.h"
#include "comm/message_deal.h"
#include "comm/usbserver.h"
#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"
#include "sim/sim_usb_stick.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray msg(const char* action, const char* name, bool partition)
{
    return SimUsbStick::uevent(QString::fromLatin1(action), QString::fromLatin1(name), partition);
}
} // namespace

class TstCommLinks : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        testsupport::fresh_core();
        UsbServer::reset_for_test();
        G_timeTicks = 5000;
        g_delay_usbserver = 1;
        g_update_flag = 0;
        g_page_focus = 0;
    }
    void cleanupTestCase()
    {
        K87_WIFI_CONFIG::p_wifi->stop_for_test();
        UsbServer::p_usbserver->stop_for_test();
    }

    // The update overlay opens once, on an application or kernel transfer or the register
    // flag, and closes once. The screens hear of a written or deleted file only with the
    // FPGA manager there and their page in front; the settings menu is retexted on every
    // delete.
    void link_hooks()
    {
        auto* bridge = PanelBridge::instance();
        QSignalSpy start(bridge, &PanelBridge::sig_update_start);
        QSignalSpy over(bridge, &PanelBridge::sig_update_over);
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        message_deal::write_file_start("ALIS"); // no update
        message_deal::write_file_start("FKRN");
        message_deal::REG_comm_flag(true); // already shown: no second overlay
        message_deal::REG_comm_flag(false);
        message_deal::REG_comm_flag(false);
        QCOMPARE(g_update_flag.load(), uint8_t(0));
        QCOMPARE(start.size(), 1);
        QCOMPARE(over.size(), 1);
        QCOMPARE(testsupport::spy_ints(refresh), (QList<int>{105, 105, 106, 106}));

        QSignalSpy written(bridge, &PanelBridge::sig_file_written);
        QSignalSpy deleted(bridge, &PanelBridge::sig_file_deleted);
        QSignalSpy retext(bridge, &PanelBridge::sig_option_retext);
        g_page_focus = 24;
        message_deal::write_file_end(13); // no FPGA manager: nothing for the screens
        fpga_manage::pInstance();
        message_deal::write_file_end(13);
        message_deal::write_file_end(9); // page 24 is not the advanced menu
        QCOMPARE(testsupport::spy_ints(written), QList<int>{13});
        message_deal::delete_file_name("/data/smartmapping/m.wzfile");
        g_page_focus = 4; // nothing of these in front: no request
        message_deal::delete_file_name("/data/rcvrecovery/a.rcv");
        QCOMPARE(testsupport::spy_ints(deleted), QList<int>{1});
        QCOMPARE(retext.size(), 2);
        fpga_manage::destroy_for_test();
    }

    // The access point's set-up goes to the gate (recorded, never run): once from the
    // thread at start, again on a reset, not when the access point is off.
    void wifi_setup_recorded_never_run()
    {
        auto* w = K87_WIFI_CONFIG::reset_for_test();
        platform::shell_clear_recorded();
        const QStringList ap = {"/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B",
                                "udhcpd -fS /etc/udhcpd.conf &"};
        QVERIFY(w->start());
        QTRY_COMPARE(platform::shell_recorded(), ap);
        w->stop_for_test();
        w->wifi_deal(); // nothing asked: nothing again
        w->set_wifi_reset_flag();
        w->wifi_deal();
        QCOMPARE(platform::shell_recorded(), ap + ap);

        YuqRamPara::p_yuqrampara_config->ram_para[img::ApOff] = 1;
        w->set_wifi_reset_flag();
        w->wifi_deal();
        QCOMPARE(platform::shell_recorded(), ap + ap);
    }

    // Not a stick: other subsystems, names with more digits, other disks; a header-only
    // message names the device in its path.
    void parses_kernel_messages()
    {
        QVERIFY(!UsbServer::is_stick_partition(UsbServer::parse_uevent(
            QByteArray("add@/devices/usb1/1-1\0ACTION=add\0SUBSYSTEM=usb\0DEVNAME=sda1\0", 46))));
        QVERIFY(!UsbServer::is_stick_partition(UsbServer::parse_uevent("add@/devices/block/sda/sda12")));
        QVERIFY(!UsbServer::is_stick_disk(UsbServer::parse_uevent("add@/devices/block/mmcblk0")));
        QVERIFY(UsbServer::is_stick_partition(UsbServer::parse_uevent("add@/devices/x/block/sda/sda2")));
    }

    // Events in turn: "+sda" / "-sda1" (disk or partition added / removed), "t N" (the
    // tick), "poll" (the mount check), "storage" (usb-storage appears), "nodelay" (the
    // start-up delay still running), "p N" (page N in front), "=N" (N codes so far),
    // "closedN" (the settings menu closed N times).
    void stick_reports_data()
    {
        QTest::addColumn<QString>("events");
        QTest::addColumn<QList<int>>("codes");
        QTest::newRow("in, mounted, out") << "p 5 storage +sda +sda1 =1 t 5300 poll =1 t 5301 poll poll =2 closed1 -sda1 -sda"
                                          << QList<int>{100, 102, 101};
        QTest::newRow("mounted needs usb-storage, across the tick wrap")
            << "t 4294967040 +sda1 t 256 poll storage poll closed0" << QList<int>{102};
        QTest::newRow("removed partition cancels the mount") << "storage +sda1 -sda1 t 6000 poll" << QList<int>{};
        QTest::newRow("nothing before the delay ends") << "nodelay storage +sda +sda1 t 6000 poll" << QList<int>{};
    }
    void stick_reports()
    {
        QFETCH(QString, events);
        QFETCH(QList<int>, codes);
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy spy(u, &UsbServer::sig_usb_update);
        QSignalSpy closed(PanelBridge::instance(), &PanelBridge::sig_option_close);
        const QStringList e = events.split(' ');
        for (int i = 0; i < e.size(); ++i) {
            const QString& w = e[i];
            if (w == "t")
                G_timeTicks = e[++i].toUInt();
            else if (w == "poll")
                u->poll_mount();
            else if (w == "storage")
                QDir().mkpath(platform::device_root() + "/proc/scsi/usb-storage");
            else if (w == "p")
                g_page_focus = uint8_t(e[++i].toUInt());
            else if (w.startsWith('='))
                QCOMPARE(spy.size(), w.mid(1).toInt());
            else if (w.startsWith("closed"))
                QCOMPARE(closed.size(), w.mid(6).toInt());
            else if (w == "nodelay")
                g_delay_usbserver = 0;
            else
                u->deal_uevent(msg(w.startsWith('+') ? "add" : "remove", qPrintable(w.mid(1)), w.endsWith('1')));
        }
        QCOMPARE(testsupport::spy_ints(spy), codes);
    }

    void thread_reads_the_installed_source()
    {
        // The one test that runs the thread: it must take the stick's events by itself.
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy spy(u, &UsbServer::sig_usb_update);
        auto sim = SimUsbStick::instance();
        QTemporaryDir stick;
        QVERIFY(u->start());
        sim->insert(stick.path());
        QTRY_VERIFY(u->mount_pending());
        u->stop_for_test();
        QCOMPARE(testsupport::spy_ints(spy), QList<int>{100});
        sim->remove();
    }
};

QTEST_MAIN(TstCommLinks)
#include "tst_comm_links.moc"
