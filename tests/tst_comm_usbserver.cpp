// The USB-stick watcher: uevent parsing, the codes for stick in/out and the mounted rule.
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
        QVERIFY(UsbServer::is_stick_partition(UsbServer::parse_uevent(msg("add", "sda1", true))));
        QVERIFY(UsbServer::is_stick_disk(UsbServer::parse_uevent(msg("remove", "sda", false))));
        // Header-only message: the device comes from the path.
        QVERIFY(UsbServer::is_stick_partition(UsbServer::parse_uevent("add@/devices/x/block/sda/sda2")));

        // Not a stick: other subsystems, names with more digits, other disks.
        QVERIFY(!UsbServer::is_stick_partition(UsbServer::parse_uevent(
            QByteArray("add@/devices/usb1/1-1\0ACTION=add\0SUBSYSTEM=usb\0DEVNAME=sda1\0", 46))));
        QVERIFY(!UsbServer::is_stick_partition(UsbServer::parse_uevent("add@/devices/block/sda/sda12")));
        QVERIFY(!UsbServer::is_stick_disk(UsbServer::parse_uevent("add@/devices/block/mmcblk0")));
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

QTEST_MAIN(TstCommUsbServer)
#include "tst_comm_usbserver.moc"
