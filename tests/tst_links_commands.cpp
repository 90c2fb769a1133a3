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
        QVERIFY(sim::run_control_line("pc busy off"));
        QCOMPARE(int(pc_cmd_valid.load()), 0);
        unsigned char before[RAM_PARA_SIZE];
        std::memcpy(before, p->ram_para, sizeof before);
        for (const char* line : {"pc image 0xFFF 0102", "pc image 0x10 zz", "pc image 0x10 123",
                                 "pc image 4096 00", "pc image -1 00", "pc lang-mask",
                                 "pc lang-mask xyz", "pc busy"})
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

    void stick_in_and_out()
    {
        QTemporaryDir stick;
        QDir(stick.path()).mkpath("YUQ-K64");
        host_file(stick, "YUQ-K64/app.YUQ", "pkg");
        QVERIFY(QFile::link(stick.filePath("YUQ-K64/app.YUQ"), stick.filePath("link.YUQ")));
        QSignalSpy spy(UsbServer::p_usbserver, &UsbServer::sig_usb_update);
        QVERIFY(!sim::run_control_line("stick in " + stick.path() + "/nothing"));
        QVERIFY(sim::run_control_line("stick in " + stick.path()));
        SimUsbStick::instance()->wait_idle();
        QCOMPARE(testsupport::get_file("/mnt/usb1/YUQ-K64/app.YUQ"), QByteArray("pkg"));
        QVERIFY(!testsupport::exists("/mnt/usb1/link.YUQ")); // links are not copied
        drain_stick();
        G_timeTicks += 301;
        UsbServer::p_usbserver->poll_mount();
        QCOMPARE(testsupport::spy_ints(spy), (QList<int>{100, 102}));
        QVERIFY(!sim::run_control_line("stick out now"));
        QVERIFY(sim::run_control_line("stick out"));
        SimUsbStick::instance()->wait_idle();
        drain_stick();
        QCOMPARE(testsupport::spy_ints(spy), (QList<int>{100, 102, 101}));
        QVERIFY(!testsupport::exists("/mnt/usb1/YUQ-K64/app.YUQ"));
        QVERIFY(!testsupport::exists("/proc/scsi/usb-storage"));
    }

    // Folders that cannot be a stick are refused on the line; a tree over the limits is
    // refused by the copy. Either way the stick stays out and /mnt/usb1 as it was.
    void stick_in_refusals_data()
    {
        QTest::addColumn<QString>("folder"); // "@root" etc. name folders made here
        QTest::addColumn<bool>("accepted");  // by the line (the copy may still refuse)
        QTest::newRow("device root's parent") << "@parent" << false;
        QTest::newRow("device root") << "@root" << false;
        QTest::newRow("filesystem root") << "/" << false;
        QTest::newRow("proc") << "/proc/self" << false;
        QTest::newRow("the stick's own folder") << "@mnt" << false;
        QTest::newRow("a folder holding it") << "@mntparent" << false;
        QTest::newRow("a file") << "@file" << false;
        QTest::newRow("too deep") << "@deep" << true;
        QTest::newRow("too many entries") << "@many" << true;
        QTest::newRow("too large") << "@large" << true;
    }
    void stick_in_refusals()
    {
        QFETCH(QString, folder);
        QFETCH(bool, accepted);
        QTemporaryDir host;
        const QString root = testsupport::fresh_device_root();
        testsupport::put_file("/mnt/usb1/kept", "k");
        if (folder == "@parent") folder = QFileInfo(root).path();
        else if (folder == "@root") folder = root;
        else if (folder == "@mnt") folder = platform::dev_path("/mnt/usb1");
        else if (folder == "@mntparent") folder = platform::dev_path("/mnt");
        else if (folder == "@file") folder = host_file(host, "f", "x");
        else if (folder == "@deep") {
            QString d = host.path();
            for (int i = 0; i <= SimUsbStick::kMaxDepth; ++i)
                d += "/d";
            QDir().mkpath(d);
            folder = host.path();
        } else if (folder == "@many") {
            for (int i = 0; i <= SimUsbStick::kMaxEntries; ++i)
                host_file(host, QString::number(i), QByteArray());
            folder = host.path();
        } else if (folder == "@large") {
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

    void pc_file_written_and_deleted()
    {
        QTemporaryDir host;
        fpga_manage::pInstance();
        QSignalSpy written(PanelBridge::instance(), &PanelBridge::sig_file_written);
        QSignalSpy deleted(PanelBridge::instance(), &PanelBridge::sig_file_deleted);
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        g_page_focus = 24;
        const QString scan = host_file(host, "wall.wzfile", "scan");
        QVERIFY(sim::run_control_line("pc file-written 13 " + scan));
        QCOMPARE(testsupport::get_file("/data/smartmapping/wall.wzfile"), QByteArray("scan"));
        QCOMPARE(written.size(), 1);
        QVERIFY(sim::run_control_line("pc file-written 5 " + host_file(host, "names.json", "{}")));
        QCOMPARE(testsupport::get_file("/data/configs/alias.json"), QByteArray("{}"));
        QCOMPARE(testsupport::spy_ints(refresh), QList<int>{103});
        // A kind without a place, a folder, no kind.
        for (const QString& bad : {"7 " + scan, "13 " + host.path(), "x " + scan})
            QVERIFY2(!sim::run_control_line("pc file-written " + bad), qPrintable(bad));

        QVERIFY(!sim::run_control_line("pc file-deleted /data/configs/alias.json"));
        QVERIFY(testsupport::exists("/data/configs/alias.json"));
        QVERIFY(sim::run_control_line("pc file-deleted /data/smartmapping/wall.wzfile"));
        QVERIFY(!testsupport::exists("/data/smartmapping/wall.wzfile"));
        QCOMPARE(deleted.size(), 1);
    }

    void pc_update_and_cards_noreply()
    {
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        for (const char* c : {"start", "end"}) {
            QVERIFY(sim::run_control_line(QStringLiteral("pc update ") + c));
            QCOMPARE(g_update_flag.load(), uint8_t(c[0] == 's'));
        }
        QVERIFY(!sim::run_control_line("pc update soon"));
        QCOMPARE(testsupport::spy_ints(refresh), (QList<int>{105, 106}));

        auto cards = SimCards::instance();
        cards->set_port_alive(nullptr);
        QByteArray reply;
        for (const char* c : {"on", "off"}) {
            QVERIFY(sim::run_control_line(QStringLiteral("cards noreply ") + c));
            cards->send(0, cardwire::frame(cardwire::Query));
            QCOMPARE(cards->reply(0, &reply), c[1] == 'f');
        }
        QVERIFY(!sim::run_control_line("cards noreply maybe"));
    }
};

QTEST_MAIN(TstLinksCommands)
#include "tst_links_commands.moc"
