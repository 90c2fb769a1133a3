// The shell gate's stand-ins for cp and mv: what they copy and how a move lands.
#include "testsupport.h"

#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/ptrace.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::get_file;
using testsupport::put_file;

namespace {
// Runs `command` through the gate in a child stopped at every system call and killed -9 at
// stop `k`. Returns the stops of a whole run when k is out of reach, -1 when this machine
// cannot trace a child.
int run_killed_at(const QString& command, int k)
{
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
            ::_exit(3);
        ::raise(SIGSTOP);
        platform::shell_run(command);
        ::_exit(0);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFSTOPPED(status))
        return -1;
    ::ptrace(PTRACE_SETOPTIONS, child, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL));
    int stops = 0, pass = 0;
    for (;;) {
        ::ptrace(PTRACE_SYSCALL, child, nullptr, reinterpret_cast<void*>(intptr_t(pass)));
        if (::waitpid(child, &status, 0) != child || !WIFSTOPPED(status))
            return stops;
        pass = WSTOPSIG(status) == (SIGTRAP | 0x80) ? 0 : WSTOPSIG(status);
        if (pass == 0 && stops++ == k) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            return stops;
        }
    }
}

bool regular(const QString& devicePath)
{
    const QFileInfo fi(platform::dev_path(devicePath));
    return fi.isFile() && !fi.isSymLink();
}
} // namespace

class TstPlatformShellGate : public QObject
{
    Q_OBJECT
private slots:
    void init() { testsupport::fresh_device_root(); }

    // The upgrade's last step, killed between any two system calls: the application is
    // always there, the old one or the new one. Within one file system and across two (the
    // new one arrives under a temp name first).
    void move_leaves_old_or_new_at_every_kill()
    {
        QTemporaryDir other("/dev/shm/gate-XXXXXX");
        struct stat a, b;
        const bool across = other.isValid() && ::stat(QFile::encodeName(platform::device_root()).constData(), &a) == 0
                            && ::stat(QFile::encodeName(other.path()).constData(), &b) == 0 && a.st_dev != b.st_dev;
        if (across) {
            QDir(platform::dev_path("/mnt")).removeRecursively();
            QVERIFY(QFile::link(other.path(), platform::dev_path("/mnt")));
        } else {
            qWarning("no second file system under /dev/shm: the move across file systems is not tried");
        }
        const QByteArray old(100000, 'o'), fresh(100000, 'n');
        for (const char* from : {"/data/app/yuqK87N2", "/mnt/yuqK87N2"}) {
            if (!across && from[1] == 'm')
                continue;
            const QString command = QStringLiteral("mv %1 /data/app/yuqK87N").arg(from);
            const auto reset = [&] {
                put_file("/data/app/yuqK87N", old);
                put_file(from, fresh);
            };
            reset();
            const int stops = run_killed_at(command, -1);
            if (stops < 0)
                QSKIP("this machine cannot trace a child process");
            QCOMPARE(get_file("/data/app/yuqK87N"), fresh);
            QVERIFY(!testsupport::exists(from));
            for (int k = 0; k < stops; ++k) {
                reset();
                run_killed_at(command, k);
                const QByteArray app = get_file("/data/app/yuqK87N");
                QVERIFY2(regular("/data/app/yuqK87N") && (app == old || app == fresh),
                         qPrintable(QStringLiteral("%1, killed at stop %2 of %3").arg(command).arg(k).arg(stops)));
                // Nothing lost: the new application is in place or still where it came from.
                QVERIFY(app == fresh || get_file(from) == fresh);
            }
        }
    }

    // cp takes regular files only and writes nothing through a link, a source or one
    // planted at its temp name; the folders of the program's own files take nothing over
    // their bound, the application's folder does.
    void copy_takes_regular_files_only()
    {
        QTemporaryDir outside;
        const QString victim = testsupport::host_file(outside.filePath("victim"), "outside");
        QVERIFY(QFile::link(victim, platform::dev_path("/data/configs/omenu.json")));
        QCOMPARE(platform::shell_run("cp /data/configs/omenu.json /data/modes/MO01.json"), 1 << 8);
        QVERIFY(!QFileInfo::exists(platform::dev_path("/data/modes/MO01.json")));
        // A name found a file and swapped for a link before the copy (a stick's file between
        // its listing and its copy): the copy itself does not follow it.
        QVERIFY(!platform::copy_file(platform::dev_path("/data/configs/omenu.json"),
                                     platform::dev_path("/data/modes/MO03.json"), platform::kCopyMax));
        QVERIFY(!QFileInfo::exists(platform::dev_path("/data/modes/MO03.json")));

        put_file("/data/configs/alias.json", "{}");
        QVERIFY(QFile::link(outside.filePath("absent"), platform::dev_path("/data/modes/MO02.json.tmp")));
        QCOMPARE(platform::shell_run("cp /data/configs/alias.json /data/modes/MO02.json"), 0);
        QVERIFY(regular("/data/modes/MO02.json") && get_file("/data/modes/MO02.json") == "{}");
        QVERIFY(!QFileInfo::exists(outside.filePath("absent")) && testsupport::host_bytes(victim) == "outside");

        const QByteArray big(platform::kOwnFileCopyMax + 1, 'x');
        put_file("/mnt/usb1/big", big);
        QCOMPARE(platform::shell_run("cp /mnt/usb1/big /data/configs/big.json"), 1 << 8);
        QCOMPARE(platform::shell_run("cp /mnt/usb1/big /data/app/yuqK87N2"), 0);
        QCOMPARE(get_file("/data/app/yuqK87N2"), big);
    }
};

QTEST_GUILESS_MAIN(TstPlatformShellGate)
#include "tst_platform_shell_gate.moc"
