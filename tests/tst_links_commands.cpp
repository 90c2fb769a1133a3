// The control channel: its lines and refusals, and the commands of the PC, the links
// and the stick.
#include "hwtest.h"

#include "app/services.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"
#include "sim/control.h"
#include "fpga/usb_upgrade.h"
#include "sim/sim_usb_stick.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <functional>
#include <future>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

using namespace hwtest;
using testsupport::printed;

namespace {
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
    void init()
    {
        fresh();
        sim::set_panel_ready(true);
    }
    void cleanup()
    {
        sim::set_screenshot_hook(nullptr);
        SimUsbStick::before_folder_open = nullptr;
        fpga_manage::destroy_for_test();
    }

    // The PC's stand-ins: a refused line changes nothing, an accepted one writes the
    // image and raises the re-apply byte.
    void pc_lines()
    {
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        unsigned char before[RAM_PARA_SIZE];
        std::memcpy(before, p->ram_para, sizeof before);
        for (const char* line : {"hello", "input 6 off", "input 1 0 1080 60", "port 21 off", "fpga 2 down",
                                 "pc image 0xFFF 0102", "pc image 0x10 zz", "pc image -1 00", "pc busy"})
            QVERIFY2(!sim::run_control_line(QString::fromLatin1(line)), line);
        QVERIFY(std::memcmp(before, p->ram_para, sizeof before) == 0);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
        QVERIFY(sim::fpga(0).done());

        QVERIFY(sim::run_control_line("pc image 0x880 2800"));
        QCOMPARE(int(p->image16(img::Brightness)), 40);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 1);
    }

    // However an overlong line arrives, it is dropped whole, held no longer than the limit,
    // and the line after it runs; a line at the limit runs.
    void overlong_lines_dropped_whole()
    {
        const QByteArray big(sim::kControlLineMax + 1, 'x');
        const QByteArray fits = QByteArray(sim::kControlLineMax - 4, ' ') + "pc x\n";
        sim::ControlLines reader;
        QStringList got;
        for (const QByteArray& p : {big, QByteArray("fpga 0"), QByteArray(" down\nport 1 off\n"), fits, QByteArray("a\nb")}) {
            got << reader.take(p);
            QVERIFY(reader.pending().size() <= sim::kControlLineMax);
        }
        QCOMPARE(got, (QStringList{"port 1 off", "pc x", "a"}));
    }

    // A screenshot that fails to write says so, with the host path; binary from the FIFO
    // does not reach the terminal raw.
    void printed_errors_and_echo()
    {
        sim::set_screenshot_hook([](const QString&) { return QStringLiteral("No space left on device"); });
        const QString out = printed([] { QVERIFY(!sim::run_control_line("screenshot /shots/a.png")); });
        const QString host = platform::dev_path("/shots/a.png");
        QVERIFY2(out.contains("screenshot /shots/a.png (host " + host + "): No space left on device"), qPrintable(out));
        const QByteArray echo = printed([] { sim::run_control_line(QString::fromUtf8("ab\x01\x1b[2J\xff")); }).toUtf8();
        QVERIFY2(echo.contains("\"ab\\x01\\x1b[2J\\ufffd\""), echo.constData());
        for (char c : echo)
            QVERIFY2(c == '\n' || (uchar(c) >= 0x20 && uchar(c) < 0x7f), echo.constData());
    }

    // Key and screenshot lines that come before the panel wait for it, in order, instead of
    // being refused; other commands are not held for them once they run.
    void panel_commands_wait_for_the_panel()
    {
        sim::set_panel_ready(false);
        std::atomic<int> ran{0};
        sim::register_control_command("test panel", "test panel", [&](const QStringList&) {
            ++ran;
            return true;
        }, true);
        std::atomic<bool> ok{false};
        std::thread reader([&] { ok = sim::run_control_line("test panel"); });
        QTest::qWait(100);
        QCOMPARE(ran.load(), 0);
        QVERIFY(sim::run_control_line("port 1 off")); // a command without the panel runs
        sim::set_panel_ready(true);
        reader.join();
        QVERIFY(ok.load());
        QCOMPARE(ran.load(), 1);
    }

    // The copy runs on the stick's thread: the channel goes on with other lines meanwhile
    // ("cards noreply" also shows that the longer of two commands takes the line). A hostile
    // name is copied as it is, a link on the stick is not followed; out removes the copy.
    void stick_in_and_out()
    {
        QTemporaryDir stick;
        QDir(stick.path()).mkpath("YUQ-K64");
        host_file(stick, "YUQ-K64/a;b `c`.YUQ", "pkg");
        QVERIFY(QFile::link(stick.filePath("YUQ-K64/a;b `c`.YUQ"), stick.filePath("link.YUQ")));
        std::promise<void> release;
        std::shared_future<void> gate = release.get_future().share();
        SimUsbStick::instance()->post([gate] { gate.wait(); });
        QVERIFY(sim::run_control_line("stick in " + stick.path()));
        QVERIFY(sim::run_control_line("cards noreply off"));
        QVERIFY(!testsupport::exists("/mnt/usb1/YUQ-K64"));
        release.set_value();
        SimUsbStick::instance()->wait_idle();
        QCOMPARE(testsupport::get_file("/mnt/usb1/YUQ-K64/a;b `c`.YUQ"), QByteArray("pkg"));
        QVERIFY(!testsupport::exists("/mnt/usb1/link.YUQ"));
        QVERIFY(sim::run_control_line("stick out"));
        SimUsbStick::instance()->wait_idle();
        QVERIFY(!testsupport::exists("/mnt/usb1/YUQ-K64"));
        QVERIFY(platform::shell_recorded().isEmpty());
    }

    // A package of some hundred KiB is copied whole and listed for the upgrade.
    void stick_package_of_300_kib_listed()
    {
        QTemporaryDir stick;
        QDir(stick.path()).mkpath("YUQ-K64");
        const QByteArray pkg(300 * 1024, 'p');
        host_file(stick, "YUQ-K64/big.YUQ", pkg);
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        QVERIFY(sim::run_control_line("stick in " + stick.path()));
        SimUsbStick::instance()->wait_idle();
        QCOMPARE(testsupport::get_file("/mnt/usb1/YUQ-K64/big.YUQ").size(), pkg.size());
        QCOMPARE(UsbUpgrade::list_packages(UsbUpgrade::upgrade_folder()), QStringList{"/mnt/usb1/YUQ-K64/big.YUQ"});
        QVERIFY(sim::run_control_line("stick out"));
        SimUsbStick::instance()->wait_idle();
    }

    // A link planted at the root's /mnt/usb1 (or /mnt) is replaced by a folder of the root's
    // own: the stick's copy and its removal never reach the folder it pointed at.
    void stick_folder_link_replaced()
    {
        QTemporaryDir stick, outside;
        host_file(stick, "pkg.YUQ", "pkg");
        QDir(outside.path()).mkpath("sub");
        host_file(outside, "sub/keep", "keep");
        host_file(outside, "keep", "keep");
        const QString mnt = platform::dev_path("/mnt/usb1");
        const QStringList before = QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        for (const QString& at : {mnt, QFileInfo(mnt).path()}) {
            for (const QString& line : {"stick in " + stick.path(), QStringLiteral("stick out")}) {
                if (!QFile::remove(at))
                    QDir(at).removeRecursively();
                QVERIFY(QDir().mkpath(QFileInfo(at).path()));
                QVERIFY(QFile::link(outside.path(), at));
                QVERIFY(sim::run_control_line(line));
                SimUsbStick::instance()->wait_idle();
                QCOMPARE(QDir(outside.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
                QCOMPARE(testsupport::host_bytes(outside.filePath("sub/keep")), QByteArray("keep"));
                QVERIFY(QFileInfo(mnt).isDir() && !QFileInfo(mnt).isSymLink());
            }
        }
        QVERIFY(!SimUsbStick::instance()->inserted());
    }

    // Links planted inside the stick's folder go with it; the folder they point at stays.
    void stick_out_removes_links_inside()
    {
        QTemporaryDir outside;
        host_file(outside, "keep", "keep");
        const QString mnt = platform::dev_path("/mnt/usb1");
        QVERIFY(QDir().mkpath(mnt + "/d"));
        QVERIFY(QFile::link(outside.path(), mnt + "/link"));
        QVERIFY(QFile::link(outside.path(), mnt + "/d/link"));
        QVERIFY(sim::run_control_line("stick out"));
        SimUsbStick::instance()->wait_idle();
        QCOMPARE(testsupport::host_bytes(outside.filePath("keep")), QByteArray("keep"));
        QVERIFY(QDir(mnt).isEmpty());
    }

    // A folder swapped for a link to an outside folder after the stick's walk looked at it
    // leads neither the copy (its source or its target) nor the emptying there: nothing
    // outside is read onto the stick, written or deleted.
    void stick_walk_swap_not_followed_data()
    {
        QTest::addColumn<bool>("onSource");
        QTest::addColumn<QString>("line");
        QTest::newRow("copy's source") << true << "stick in";
        QTest::newRow("copy's target") << false << "stick in";
        QTest::newRow("emptying") << false << "stick out";
    }
    void stick_walk_swap_not_followed()
    {
        QFETCH(bool, onSource);
        QFETCH(QString, line);
        QTemporaryDir stick, outside;
        QDir(stick.path()).mkpath("d/sub");
        host_file(stick, "d/sub/f", "f");
        QDir(outside.path()).mkpath("sub");
        host_file(outside, "secret", "s");
        host_file(outside, "sub/secret", "s");
        const auto held = [](const QString& root) {
            QStringList all;
            QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            while (it.hasNext())
                all << it.next().mid(root.size());
            all.sort();
            return all;
        };
        const QStringList before = held(outside.path());
        const QString mnt = platform::dev_path("/mnt/usb1");
        const std::shared_ptr<SimUsbStick> usb = SimUsbStick::instance();
        if (line == "stick out") {
            QVERIFY(sim::run_control_line("stick in " + stick.path()));
            usb->wait_idle();
        }
        const QString at = (onSource ? stick.path() : mnt) + "/d";
        bool swapped = false;
        SimUsbStick::before_folder_open = [&](const QString& path) {
            if (path == at && !swapped) {
                swapped = QDir(path).removeRecursively() && QFile::link(outside.path(), path);
            }
        };
        QVERIFY(sim::run_control_line(line == "stick in" ? line + " " + stick.path() : line));
        usb->wait_idle();
        QVERIFY(swapped);
        QCOMPARE(held(outside.path()), before);
        QCOMPARE(testsupport::host_bytes(outside.filePath("sub/secret")), QByteArray("s"));
        QVERIFY(!held(mnt).join(' ').contains("secret"));
    }

    // The removal is reported once the stick's files are gone: whoever lists on the report
    // (the upgrade screen on code 101) finds no package left.
    void stick_out_reported_once_empty()
    {
        QTemporaryDir stick;
        QDir(stick.path()).mkpath("YUQ-K64");
        for (int i = 0; i < 300; ++i) // emptied over a while
            host_file(stick, QString("YUQ-K64/%1.YUQZK").arg(i), "pkg");
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        const std::shared_ptr<SimUsbStick> usb = SimUsbStick::instance();
        QVERIFY(sim::run_control_line("stick in " + stick.path()));
        usb->wait_idle();
        QByteArray msg;
        while (usb->receive(&msg, 0)) {
        }
        QCOMPARE(UsbUpgrade::list_packages(UsbUpgrade::upgrade_folder()).size(), 100);
        QVERIFY(sim::run_control_line("stick out"));
        for (int event = 0; event < 2; ++event) { // partition, then disk
            QVERIFY(usb->receive(&msg, 5000));
            QCOMPARE(UsbUpgrade::list_packages(UsbUpgrade::upgrade_folder()), QStringList());
        }
        usb->wait_idle();
    }

    // A folder holding the device root or the stick's own folder is refused on the line; a
    // tree over the limits by the copy. Either way the stick stays out and /mnt/usb1 as it was.
    void stick_in_refusals()
    {
        QTemporaryDir host;
        QFile big(host_file(host, "big.YUQ", "x"));
        QVERIFY(big.resize(SimUsbStick::kMaxBytes + 1)); // sparse: costs no disk
        testsupport::put_file("/mnt/usb1/kept", "k");
        QVERIFY(!sim::run_control_line("stick in " + QFileInfo(platform::device_root()).path()));
        QVERIFY(!sim::run_control_line("stick in " + platform::dev_path("/mnt/usb1")));
        QVERIFY(sim::run_control_line("stick in " + host.path()));
        SimUsbStick::instance()->wait_idle();
        QVERIFY(!SimUsbStick::instance()->inserted());
        QCOMPARE(testsupport::get_file("/mnt/usb1/kept"), QByteArray("k"));
    }

    // Files as the PC sends them: stored under their folder by their exact name, only
    // deleted from the two transfer folders.
    void pc_file_written_and_deleted()
    {
        QTemporaryDir host;
        fpga_manage::pInstance();
        Codes codes;
        const QString name = QStringLiteral("it's $(reboot).rcv");
        const QString rcv = host_file(host, name, "rcv");
        QVERIFY(sim::run_control_line("pc file-written 9 " + rcv));
        QCOMPARE(testsupport::get_file("/data/rcvrecovery/" + name), QByteArray("rcv"));
        QVERIFY(sim::run_control_line("pc file-written 5 " + host_file(host, "names.json", "{}")));
        QCOMPARE(testsupport::get_file("/data/configs/alias.json"), QByteArray("{}"));
        QCOMPARE(codes.codes, QVector<int>{103});
        // A host file only its owner reads is stored for its owner only, made anew or
        // written over a copy everyone may read.
        const QString secret = host_file(host, "secret.wzfile", "s");
        const QByteArray stored = QFile::encodeName(platform::dev_path("/data/smartmapping/secret.wzfile"));
        QCOMPARE(::chmod(QFile::encodeName(secret).constData(), 0600), 0);
        for (int round = 0; round < 2; ++round) {
            QVERIFY(sim::run_control_line("pc file-written 13 " + secret));
            struct stat st;
            QCOMPARE(::stat(stored.constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, 0600u);
            QCOMPARE(::chmod(stored.constData(), 0644), 0);
        }
        // A kind without a place, a folder.
        for (const QString& bad : {"7 " + rcv, "13 " + host.path()})
            QVERIFY2(!sim::run_control_line("pc file-written " + bad), qPrintable(bad));
        // A well-formed line naming no file says so, not how the line is formed.
        const QString said = testsupport::printed([] { sim::run_control_line("pc file-written 9 /nonexistent.rcv"); });
        QVERIFY2(said.contains("there is no file /nonexistent.rcv") && !said.contains("malformed"), qPrintable(said));

        QVERIFY(!sim::run_control_line("pc file-deleted /data/configs/alias.json"));
        QVERIFY(testsupport::exists("/data/configs/alias.json"));
        QVERIFY(sim::run_control_line("pc file-deleted /data/rcvrecovery/" + name));
        QVERIFY(!testsupport::exists("/data/rcvrecovery/" + name));
        QVERIFY(platform::shell_recorded().isEmpty());
    }
};

QTEST_MAIN(TstLinksCommands)
#include "tst_links_commands.moc"
