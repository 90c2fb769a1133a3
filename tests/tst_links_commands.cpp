// The control channel's commands of the links, the stick and the cards.
#include "testsupport.h"

#include "app/services.h"
#include "comm/usbserver.h"
#include "core/config_engine.h"
#include "core/engine_handshake.h"
#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"
#include "sim/control.h"
#include "sim/sim_cards.h"
#include "sim/sim_usb_stick.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>
#include <future>

namespace {
void drain_stick()
{
    QByteArray m;
    while (SimUsbStick::instance()->receive(&m, 0))
        UsbServer::p_usbserver->deal_uevent(m);
}

QString host_file(QTemporaryDir& dir, const QString& name, const QByteArray& data)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(data);
    return f.fileName();
}
} // namespace

class TstLinksCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        register_link_commands();
        register_pc_commands();
    }

    void pc_commands()
    {
        YuqRamPara* p = testsupport::fresh_core();
        QVERIFY(sim::run_control_line("pc image 0x880 2800"));
        QCOMPARE(int(p->image16(img::Brightness)), 40);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
        EngineHandshake::instance().reapply = 0;
        QVERIFY(sim::run_control_line("pc lang-mask 3"));
        QCOMPARE(g_lcd_lang_valid.load(), 3u);
        G_timeTicks = 4321;
        QVERIFY(sim::run_control_line("  pc   busy on "));
        QCOMPARE(int(pc_cmd_valid.load()), 1);
        QCOMPARE(pc_cmd_time.load(), 4321u);
        unsigned char before[RAM_PARA_SIZE];
        std::memcpy(before, p->ram_para, sizeof before);
        for (const char* line : {"pc image 0xFFF 0102", "pc image 0x10 zz", "pc image -1 00", "pc lang-mask xyz"})
            QVERIFY2(!sim::run_control_line(QString::fromLatin1(line)), line);
        QVERIFY(std::memcmp(before, p->ram_para, sizeof before) == 0);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
        QCOMPARE(g_lcd_lang_valid.load(), 3u);
        g_lcd_lang_valid = 0x1F;
    }
    void init()
    {
        testsupport::fresh_core();
        UsbServer::reset_for_test();
        g_delay_usbserver = 1;
        g_update_flag = 0;
        g_page_focus = 0;
        G_timeTicks = 2000;
        drain_stick();
    }
    void cleanup() { fpga_manage::destroy_for_test(); }

    // A hostile name is copied as it is; a link on the stick is not followed.
    void stick_in_and_out()
    {
        QTemporaryDir stick;
        QDir(stick.path()).mkpath("YUQ-K64");
        host_file(stick, "YUQ-K64/a;b `c`.YUQ", "pkg");
        QVERIFY(QFile::link(stick.filePath("YUQ-K64/a;b `c`.YUQ"), stick.filePath("link.YUQ")));
        QSignalSpy spy(UsbServer::p_usbserver, &UsbServer::sig_usb_update);
        QVERIFY(sim::run_control_line("stick in " + stick.path()));
        SimUsbStick::instance()->wait_idle();
        QCOMPARE(testsupport::get_file("/mnt/usb1/YUQ-K64/a;b `c`.YUQ"), QByteArray("pkg"));
        QVERIFY(!testsupport::exists("/mnt/usb1/link.YUQ"));
        drain_stick();
        G_timeTicks += 301;
        UsbServer::p_usbserver->poll_mount();
        QVERIFY(sim::run_control_line("stick out"));
        SimUsbStick::instance()->wait_idle();
        drain_stick();
        QCOMPARE(testsupport::spy_ints(spy), (QList<int>{100, 102, 101}));
        QVERIFY(!testsupport::exists("/mnt/usb1/YUQ-K64"));
        QVERIFY(platform::shell_recorded().isEmpty());
    }

    // A folder holding the device root or the stick's own folder is refused on the line; a
    // tree over the limits by the copy. Either way the stick stays out and /mnt/usb1 as it was.
    void stick_in_refusals_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("accepted"); // by the line (the copy may still refuse)
        QTest::newRow("device root's parent") << "@parent" << false;
        QTest::newRow("the stick's own folder") << "@mnt" << false;
        QTest::newRow("too large") << "@large" << true;
    }
    void stick_in_refusals()
    {
        QFETCH(QString, folder);
        QFETCH(bool, accepted);
        QTemporaryDir host;
        const QString root = testsupport::fresh_device_root();
        testsupport::put_file("/mnt/usb1/kept", "k");
        if (folder == "@parent") {
            folder = QFileInfo(root).path();
        } else if (folder == "@mnt") {
            folder = platform::dev_path("/mnt/usb1");
        } else {
            QFile f(host_file(host, "big.YUQ", "x"));
            QVERIFY(f.resize(SimUsbStick::kMaxBytes + 1)); // sparse: costs no disk
            folder = host.path();
        }
        QCOMPARE(sim::run_control_line("stick in " + folder), accepted);
        SimUsbStick::instance()->wait_idle();
        QVERIFY(!SimUsbStick::instance()->inserted());
        QCOMPARE(testsupport::get_file("/mnt/usb1/kept"), QByteArray("k"));
    }

    // The copy runs on the stick's thread: the channel goes on with other lines meanwhile,
    // and "stick out" waits its turn behind the copy.
    void stick_copy_runs_off_the_channel()
    {
        QTemporaryDir stick;
        host_file(stick, "app.YUQ", "pkg");
        std::promise<void> release;
        std::shared_future<void> gate = release.get_future().share();
        SimUsbStick::instance()->post([gate] { gate.wait(); });
        QVERIFY(sim::run_control_line("stick in " + stick.path()));
        QVERIFY(sim::run_control_line("stick out"));
        QVERIFY(sim::run_control_line("cards noreply off"));
        QVERIFY(!testsupport::exists("/mnt/usb1/app.YUQ"));
        release.set_value();
        SimUsbStick::instance()->wait_idle();
        QVERIFY(!SimUsbStick::instance()->inserted());
        drain_stick();
    }

    // Files as the PC sends them: stored under their folder by their exact name, only
    // deleted from the two transfer folders.
    void pc_file_written_and_deleted()
    {
        QTemporaryDir host;
        fpga_manage::pInstance();
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        const QString name = QStringLiteral("it's $(reboot).rcv");
        const QString rcv = host_file(host, name, "rcv");
        QVERIFY(sim::run_control_line("pc file-written 9 " + rcv));
        QCOMPARE(testsupport::get_file("/data/rcvrecovery/" + name), QByteArray("rcv"));
        QVERIFY(sim::run_control_line("pc file-written 5 " + host_file(host, "names.json", "{}")));
        QCOMPARE(testsupport::get_file("/data/configs/alias.json"), QByteArray("{}"));
        QCOMPARE(testsupport::spy_ints(refresh), QList<int>{103});
        // A kind without a place, a folder.
        for (const QString& bad : {"7 " + rcv, "13 " + host.path()})
            QVERIFY2(!sim::run_control_line("pc file-written " + bad), qPrintable(bad));

        QVERIFY(!sim::run_control_line("pc file-deleted /data/configs/alias.json"));
        QVERIFY(!sim::run_control_line("pc file-deleted /data/rcvrecovery/../configs/alias.json"));
        QVERIFY(testsupport::exists("/data/configs/alias.json"));
        QVERIFY(sim::run_control_line("pc file-deleted /data/rcvrecovery/" + name));
        QVERIFY(!testsupport::exists("/data/rcvrecovery/" + name));
        QVERIFY(platform::shell_recorded().isEmpty());
    }

    void pc_update_and_cards_noreply()
    {
        QVERIFY(sim::run_control_line("pc update start"));
        QCOMPARE(g_update_flag.load(), uint8_t(1));
        QVERIFY(!sim::run_control_line("pc update soon"));

        auto cards = SimCards::instance();
        cards->set_port_alive(nullptr);
        QByteArray reply;
        QVERIFY(sim::run_control_line("cards noreply on"));
        cards->send(0, cardwire::frame(cardwire::Query));
        QVERIFY(!cards->reply(0, &reply));
        QVERIFY(sim::run_control_line("cards noreply off"));
    }
};

QTEST_MAIN(TstLinksCommands)
#include "tst_links_commands.moc"
