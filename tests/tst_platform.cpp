// Device-path rooting and the shell gate.
#include "testsupport.h"

#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace platform;

class TstPlatform : public QObject
{
    Q_OBJECT
private slots:
    void init() { testsupport::fresh_device_root(); }

    void paths_are_rooted()
    {
        const QString root = device_root();
        QCOMPARE(dev_path("/data/ram_device_info"), root + "/data/ram_device_info");
        QCOMPARE(dev_path("/mnt/usb1/"), root + "/mnt/usb1/");
        QCOMPARE(dev_path("/data/modes/../configs/x"), root + "/data/configs/x");
        QVERIFY(dev_path("/../etc/passwd").isEmpty());
        QVERIFY(dev_path("/mnt/usb1/../../../etc").isEmpty());
    }

    void gate_records_exactly_and_runs_no_device_command()
    {
        const QStringList cmds = {"reboot", "ifconfig eth0 192.168.1.5 netmask 255.255.255.0", "kill -9 1",
                                  "rm  -rf  /data/modes/custom_mode3"};
        for (const QString& c : cmds)
            QCOMPARE(shell_run(c), 0);
        QCOMPARE(shell_recorded(), cmds);
    }

    // File commands act inside the root only; a quoted name is one file, and unquoted
    // metacharacters are recorded, never carried out.
    void file_commands_act_only_inside_the_root()
    {
        testsupport::put_file("/data/configs/omenu.json", "{}");
        QCOMPARE(shell_run("cp /data/configs/omenu.json /data/modes/MO01.json"), 0);
        QCOMPARE(shell_run("mv /data/modes/MO01.json /data/modes/MO02.json"), 0);
        QVERIFY(!testsupport::exists("/data/modes/MO01.json"));
        QCOMPARE(testsupport::get_file("/data/modes/MO02.json"), QByteArray("{}"));

        QTemporaryDir outside;
        QFile f(outside.path() + "/keep");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString rel = QDir(device_root()).relativeFilePath(outside.path() + "/keep");
        shell_run("rm -rf /" + rel);
        QVERIFY(QFile::exists(outside.path() + "/keep"));

        testsupport::put_file("/mnt/usb1/a", "x");
        testsupport::put_file("/mnt/usb1/my file;x", "y");
        shell_run("rm -rf /data/none; rm -rf /mnt/usb1/a");
        QCOMPARE(shell_run("rm -f " + shell_quote("/mnt/usb1/my file;x")), 0);
        QVERIFY(!testsupport::exists("/mnt/usb1/my file;x"));
        QVERIFY(testsupport::exists("/mnt/usb1/a"));
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
