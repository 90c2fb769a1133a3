// The USB-stick watcher: uevent parsing, the codes for stick in/out, the mounted rule,
// and the simulated stick's messages and files.
#include "testsupport.h"

#include "comm/usbserver.h"
#include "core/global.h"
#include "core/panel_bridge.h"
#include "platform/devpath.h"
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

QString platform_root()
{
    return platform::device_root();
}
} // namespace

class TstCommUsbServer : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        testsupport::fresh_device_root();
        UsbServer::reset_for_test();
        G_timeTicks = 5000;
        g_delay_usbserver = 1;
        g_page_focus = 0;
    }
    void cleanupTestCase() { UsbServer::p_usbserver->stop_for_test(); }

    void parses_kernel_messages()
    {
        const auto e = UsbServer::parse_uevent(msg("add", "sda1", true));
        QCOMPARE(e.action, QString("add"));
        QCOMPARE(e.subsystem, QString("block"));
        QCOMPARE(e.devname, QString("sda1"));
        QVERIFY(UsbServer::is_stick_partition(e));
        QVERIFY(!UsbServer::is_stick_disk(e));
        QVERIFY(UsbServer::is_stick_disk(UsbServer::parse_uevent(msg("remove", "sda", false))));

        // Header-only message: the device comes from the path.
        const auto bare = UsbServer::parse_uevent("add@/devices/x/block/sda/sda2");
        QVERIFY(UsbServer::is_stick_partition(bare));

        // Not a stick: other subsystems, names with more digits, garbage.
        QVERIFY(!UsbServer::is_stick_partition(UsbServer::parse_uevent(
            QByteArray("add@/devices/usb1/1-1\0ACTION=add\0SUBSYSTEM=usb\0DEVNAME=sda1\0", 46))));
        QVERIFY(!UsbServer::is_stick_partition(UsbServer::parse_uevent("add@/devices/block/sda/sda12")));
        QVERIFY(!UsbServer::is_stick_disk(UsbServer::parse_uevent("add@/devices/block/mmcblk0")));
        QVERIFY(!UsbServer::parse_uevent(QByteArray()).valid);
        QVERIFY(!UsbServer::parse_uevent("libudev\0\0\0garbage").valid);
    }

    void stick_in_mounted_out()
    {
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy spy(u, &UsbServer::sig_usb_update);
        QDir().mkpath(platform_root() + "/proc/scsi/usb-storage");

        u->deal_uevent(msg("add", "sda", false));
        u->deal_uevent(msg("add", "sda1", true));
        QCOMPARE(testsupport::spy_ints(spy), QList<int>{100});
        QVERIFY(u->mount_pending());

        G_timeTicks = 5300; // exactly 300: not yet
        u->poll_mount();
        QCOMPARE(spy.size(), 1);
        G_timeTicks = 5301;
        u->poll_mount();
        QCOMPARE(testsupport::spy_ints(spy), (QList<int>{100, 102}));
        u->poll_mount();
        QCOMPARE(spy.size(), 2); // reported once

        u->deal_uevent(msg("remove", "sda1", true));
        u->deal_uevent(msg("remove", "sda", false));
        QCOMPARE(testsupport::spy_ints(spy), (QList<int>{100, 102, 101}));
    }

    void mounted_needs_usb_storage_and_survives_tick_wrap()
    {
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy spy(u, &UsbServer::sig_usb_update);
        G_timeTicks = 0xFFFFFF00u;
        u->deal_uevent(msg("add", "sda1", true));
        G_timeTicks = 0x100; // wrapped, well past 300
        u->poll_mount();
        QCOMPARE(spy.size(), 0); // no /proc/scsi/usb-storage yet
        QDir().mkpath(platform_root() + "/proc/scsi/usb-storage");
        u->poll_mount();
        QCOMPARE(testsupport::spy_ints(spy), QList<int>{102});
    }

    void removed_partition_cancels_the_mount()
    {
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy spy(u, &UsbServer::sig_usb_update);
        QDir().mkpath(platform_root() + "/proc/scsi/usb-storage");
        u->deal_uevent(msg("add", "sda1", true));
        u->deal_uevent(msg("remove", "sda1", true));
        G_timeTicks += 1000;
        u->poll_mount();
        QCOMPARE(spy.size(), 0);
    }

    void nothing_reported_before_the_delay_ends()
    {
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy spy(u, &UsbServer::sig_usb_update);
        g_delay_usbserver = 0;
        u->deal_uevent(msg("add", "sda", false));
        u->deal_uevent(msg("add", "sda1", true));
        QVERIFY(!u->mount_pending());
        QCOMPARE(spy.size(), 0);
    }

    void mounted_closes_the_settings_menu_only_on_page_5()
    {
        UsbServer* u = UsbServer::p_usbserver;
        QSignalSpy close(PanelBridge::instance(), &PanelBridge::sig_option_close);
        QDir().mkpath(platform_root() + "/proc/scsi/usb-storage");
        for (uint8_t page : {uint8_t(24), uint8_t(5)}) {
            g_page_focus = page;
            u->deal_uevent(msg("add", "sda1", true));
            G_timeTicks += 301;
            u->poll_mount();
        }
        QCOMPARE(close.size(), 1);
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

QTEST_MAIN(TstCommUsbServer)
#include "tst_comm_usbserver.moc"
