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
        const QStringList cmds = {"reboot", "ifconfig eth0 192.168.1.5 netmask 255.255.255.0",
                                  "route add default gw 1.2.3.4 metric 100", "kill -9 1",
                                  "hwclock -w", "date -s \"2020-01-01 00:00:00\"",
                                  "rm  -rf  /data/modes/custom_mode3"};
        for (const QString& c : cmds)
            QCOMPARE(shell_run(c), 0);
        QCOMPARE(shell_recorded(), cmds);
    }

    void file_commands_act_only_inside_the_root()
    {
        testsupport::put_file("/data/configs/omenu.json", "{}");
        QCOMPARE(shell_run("cp /data/configs/omenu.json /data/modes/MO01.json"), 0);
        QCOMPARE(testsupport::get_file("/data/modes/MO01.json"), QByteArray("{}"));
        QCOMPARE(shell_run("mv /data/modes/MO01.json /data/modes/MO02.json"), 0);
        QVERIFY(!testsupport::exists("/data/modes/MO01.json"));
        QVERIFY(testsupport::exists("/data/modes/MO02.json"));
        QCOMPARE(shell_run("rm  -rf  /data/modes/MO02.json"), 0);
        QVERIFY(!testsupport::exists("/data/modes/MO02.json"));
        QCOMPARE(shell_run("mkdir -p /data/a/b"), 0);
        QVERIFY(QDir(dev_path("/data/a/b")).exists());

        // A path that climbs out of the root is never acted on.
        QTemporaryDir outside;
        QFile f(outside.path() + "/keep");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString rel = QDir(device_root()).relativeFilePath(outside.path() + "/keep");
        shell_run("rm -rf /" + rel);
        QVERIFY(QFile::exists(outside.path() + "/keep"));
    }

    void outside_words_never_become_code()
    {
        testsupport::put_file("/mnt/usb1/a", "x");
        const QStringList hostile = {"x; rm -rf /mnt/usb1/a", "$(rm -rf /mnt/usb1/a)",
                                     "`rm -rf /mnt/usb1/a`", "it's \"quoted\"", "line\nrm -rf /mnt/usb1/a",
                                     "../../a"};
        for (const QString& h : hostile) {
            QStringList words;
            QVERIFY(shell_split("echo " + shell_quote(h), &words));
            QCOMPARE(words, QStringList({"echo", h}));
        }
        // Unquoted metacharacters: recorded, never carried out.
        shell_run("rm -rf /data/none; rm -rf /mnt/usb1/a");
        QVERIFY(testsupport::exists("/mnt/usb1/a"));
        // A quoted name with spaces is one file.
        testsupport::put_file("/mnt/usb1/my file;x", "y");
        QCOMPARE(shell_run("rm -f " + shell_quote("/mnt/usb1/my file;x")), 0);
        QVERIFY(!testsupport::exists("/mnt/usb1/my file;x"));
        QVERIFY(testsupport::exists("/mnt/usb1/a"));
    }
};

QTEST_GUILESS_MAIN(TstPlatform)
#include "tst_platform.moc"
