// Device paths stay under the root; the gate records device commands, runs none. Hostile
// names from a stick or the PC are listed exactly or refused, never code, never outside.
#include "testsupport.h"

#include "comm/message_deal.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "fpga/rcv_recovery_file.h"
#include "fpga/usb_upgrade.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::exists;
using testsupport::get_file;
using testsupport::put_file;

namespace {
const QStringList kHostile = {
    QStringLiteral("a b.YUQ"),         QStringLiteral("it's \"hi\".YUQ"),
    QStringLiteral("x;$(reboot)`r`.YUQ"), QStringLiteral("line\nbreak.YUQ"),
    QStringLiteral("-rf .YUQ"),        QStringLiteral("a|b&c>d\\e.YUQ"),
};
} // namespace

class TstHostileNames : public QObject
{
    Q_OBJECT
private slots:
    void init() { testsupport::fresh_core(); }

    void stick_upgrade_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("package");
        for (const QString& name : kHostile)
            QTest::newRow(qPrintable(name)) << "YUQ-K64" << "/mnt/usb1/YUQ-K64/" + name;
        QTest::newRow("top folder") << " " << "/mnt/usb1/x.YUQ";
        for (const char* bad : {"../etc", "a/../../etc", ""})
            QTest::newRow(bad) << bad << QString();
    }
    // A hostile package alone on the stick is copied over the application as one word; a
    // folder that would leave the stick lists nothing and runs nothing.
    void stick_upgrade()
    {
        QFETCH(QString, folder);
        QFETCH(QString, package);
        g_usb_grade_path = folder;
        put_file("/etc/x.YUQ", "outside");
        put_file("/mnt/usb1/x.YUQ", "/mnt/usb1/x.YUQ");
        put_file("/mnt/usb1/YUQ-K64/notes.txt", "not a package");
        if (!package.isEmpty())
            put_file(package, package.toUtf8());
        UsbUpgrade up;
        up.clock = [] { return QStringLiteral("1:2:3"); };
        QCOMPARE(up.get_usb_file_list_path(), int(!package.isEmpty()));
        up.usb_upgrade_main_deal();
        QStringList words;
        platform::shell_split(platform::shell_recorded().value(0), &words);
        if (package.isEmpty())
            QVERIFY(words.isEmpty());
        else
            QCOMPARE(words, (QStringList{"cp", package, ConfigEngine::app_path() + "2"}));
        QCOMPARE(get_file(ConfigEngine::app_path()), package.toUtf8());
    }

    // A NUL (a damaged tcpip.ini) would cut the device shell's C string inside the quotes.
    void quoted_word_with_a_nul_keeps_the_command_whole()
    {
        const QString word = QStringLiteral("10.0.0.1") + QChar(0) + QStringLiteral("'; reboot");
        const QString cmd = "ifconfig eth0 " + platform::shell_quote(word) + " netmask 255.0.0.0";
        const QString sent = QString::fromLatin1(cmd.toLatin1()); // what a C string carries
        QStringList words;
        QVERIFY(platform::shell_split(sent, &words));
        QCOMPARE(words, (QStringList{"ifconfig", "eth0", "10.0.0.1'; reboot", "netmask", "255.0.0.0"}));
    }

    // Files the PC sends are stored under their folder by their exact name, or refused.
    void pc_files_stored_in_their_folder_or_refused()
    {
        for (const QString& name : kHostile)
            QVERIFY(message_deal::store_transfer_file(message_deal::FileRecovery, name, name.toUtf8()));
        rcvRecovery lister;
        QCOMPARE(lister.get_dir_file("/data/rcvrecovery"), 0);
        QStringList listed = lister.file_list(rcvRecovery::RecoveryFiles);
        for (const QString& name : kHostile)
            QVERIFY2(listed.removeOne(name), qPrintable(name));
        QVERIFY(listed.isEmpty());

        const QByteArray ini = get_file("/data/configs/tcpip.ini");
        for (const QString& bad : {QStringLiteral("../configs/tcpip.ini"), QStringLiteral(".."), QStringLiteral("a/b"),
                                   QStringLiteral("/data/configs/tcpip.ini")})
            QVERIFY2(!message_deal::store_transfer_file(message_deal::FileSmartMapping, bad, "evil"), qPrintable(bad));
        QCOMPARE(get_file("/data/configs/tcpip.ini"), ini);

        // Deletes: only a file directly in one of the two folders.
        put_file("/data/keep", "keep");
        for (const QString& bad : {QStringLiteral("/data/rcvrecovery/../keep"), QStringLiteral("/data/keep")})
            QVERIFY2(!message_deal::delete_transfer_file(bad), qPrintable(bad));
        QVERIFY(exists("/data/keep"));
        for (const QString& name : kHostile)
            message_deal::delete_transfer_file("/data/rcvrecovery/" + name);
        QVERIFY(QDir(platform::dev_path("/data/rcvrecovery")).isEmpty());
        QVERIFY(platform::shell_recorded().isEmpty());
    }

    void paths_are_rooted()
    {
        const QString root = platform::device_root();
        QCOMPARE(platform::dev_path("/mnt/usb1/"), root + "/mnt/usb1/");
        QCOMPARE(platform::dev_path("/data/modes/../configs/x"), root + "/data/configs/x");
        QVERIFY(platform::dev_path("/../etc/passwd").isEmpty());
        QVERIFY(platform::dev_path("/mnt/usb1/../../../etc").isEmpty());
    }

    void gate_records_device_commands_and_keeps_file_commands_inside()
    {
        const QStringList cmds = {"reboot", "ifconfig eth0 192.168.1.5 netmask 255.255.255.0", "kill -9 1",
                                  "rm  -rf  /data/modes/custom_mode3"};
        for (const QString& c : cmds)
            QCOMPARE(platform::shell_run(c), 0);
        QCOMPARE(platform::shell_recorded(), cmds);

        // File commands act inside the root; unquoted metacharacters are never carried out.
        QTemporaryDir outside;
        QFile f(outside.path() + "/keep");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        const QString rel = QDir(platform::device_root()).relativeFilePath(outside.path() + "/keep");
        platform::shell_run("rm -rf /" + rel);
        QVERIFY(QFile::exists(outside.path() + "/keep"));

        testsupport::put_file("/mnt/usb1/a", "x");
        testsupport::put_file("/mnt/usb1/my file;x", "y");
        platform::shell_run("rm -rf /data/none; rm -rf /mnt/usb1/a");
        QCOMPARE(platform::shell_run("rm -f " + platform::shell_quote("/mnt/usb1/my file;x")), 0);
        QVERIFY(!testsupport::exists("/mnt/usb1/my file;x"));
        QVERIFY(testsupport::exists("/mnt/usb1/a"));
    }

    // '*' and '?' are patterns only where the device's shell sees them bare: quoted (a
    // package's name) they are plain characters. The files left in /mnt/usb1 after each.
    void stand_in_globs_bare_words_only_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("left");
        const QStringList all = {"*.YUQ", ".h.YUQ", "a.YUQ", "b.YUQ"};
        QTest::newRow("quoted *") << "rm -f '/mnt/usb1/*.YUQ'" << 0 << QStringList{".h.YUQ", "a.YUQ", "b.YUQ"};
        QTest::newRow("quoted ?") << "rm -f \"/mnt/usb1/?.YUQ\"" << 0 << all;
        QTest::newRow("escaped *") << "rm -f /mnt/usb1/\\*.YUQ" << 0 << QStringList{".h.YUQ", "a.YUQ", "b.YUQ"};
        QTest::newRow("bare ?, no dot file") << "rm -f /mnt/usb1/?.YUQ" << 0 << QStringList{".h.YUQ"};
        QTest::newRow("quoted * then a bare one") << "rm -f /mnt/usb1/'*'*" << 0 << QStringList{".h.YUQ", "a.YUQ", "b.YUQ"};
        QTest::newRow("copy of a quoted pattern, no such file") << "cp '/mnt/usb1/?.YUQ' /mnt/usb1/x" << (1 << 8) << all;
        QTest::newRow("bare pattern, nothing matches") << "cp /mnt/usb1/*.zip /mnt/usb1/x" << (1 << 8) << all;
    }
    void stand_in_globs_bare_words_only()
    {
        QFETCH(QString, command); QFETCH(int, status); QFETCH(QStringList, left);
        for (const char* name : {"*.YUQ", ".h.YUQ", "a.YUQ", "b.YUQ"})
            put_file(QStringLiteral("/mnt/usb1/") + name, name);
        QCOMPARE(platform::shell_run(command), status);
        QStringList names = QDir(platform::dev_path("/mnt/usb1")).entryList(QDir::Files | QDir::Hidden);
        names.sort();
        QCOMPARE(names, left);
    }
};

QTEST_MAIN(TstHostileNames)
#include "tst_hostile_names.moc"
