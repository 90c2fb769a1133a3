// The program as a user starts it: what stops it says why and exits non-zero; a running
// panel keeps its device root and its VNC port to itself.
#include "panelprocess.h"
#include "vncviewer.h"

#include <QNetworkInterface>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QSettings>
#include <QtEndian>
#include <QtTest>
#include <arpa/inet.h>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

const QStringList kOffscreen{QStringLiteral("-platform"), QStringLiteral("offscreen")};

// An X server of the test's own at 127.0.0.1:N (`display`, port 6000+N): one that takes
// connections and never answers, or one that answers each with `answer`.
struct FakeX
{
    int fd = -1;
    QByteArray display;
    std::thread thread;
    std::vector<int> clients;

    explicit FakeX(const QByteArray& answer = QByteArray())
    {
        for (int n = 160; n < 400 && display.isEmpty(); ++n) {
            fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
            sockaddr_in a{};
            a.sin_family = AF_INET;
            a.sin_port = htons(quint16(6000 + n));
            a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd, 8) == 0) {
                display = "127.0.0.1:" + QByteArray::number(n);
                break;
            }
            ::close(fd);
            fd = -1;
        }
        // Silent: the kernel completes the connection, nobody reads its request.
        if (fd >= 0 && !answer.isEmpty())
            thread = std::thread([this, answer] {
                for (int c; (c = ::accept(fd, nullptr, nullptr)) >= 0;) {
                    char request[64];
                    if (::recv(c, request, sizeof request, 0) > 0)
                        (void)!::send(c, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL);
                    clients.push_back(c);
                }
            });
    }
    ~FakeX()
    {
        ::shutdown(fd, SHUT_RDWR); // ends the accept
        if (thread.joinable())
            thread.join();
        for (int c : clients)
            ::close(c);
        ::close(fd);
    }
};

// A connection setup whose counts promise more than it holds: one 24-bit format, one
// screen of `depths` depths whose first claims `visuals` visuals, and nothing after it.
QByteArray setup_promising(quint8 depths, quint16 visuals)
{
    uchar d[96] = {};
    d[0] = 1;                     // success
    qToLittleEndian<quint16>(11, d + 2);
    qToLittleEndian<quint16>(22, d + 6); // (96 - 8) / 4
    d[28] = 1;                    // one screen
    d[29] = 1;                    // one pixmap format
    d[40] = 24, d[41] = 32, d[42] = 32;
    qToLittleEndian<quint32>(0x21, d + 48 + 32); // a root visual no depth lists
    d[48 + 38] = 24;
    d[48 + 39] = depths;
    d[88] = 24;
    qToLittleEndian<quint16>(visuals, d + 90);
    return QByteArray(reinterpret_cast<const char*>(d), sizeof d);
}

// The panel started with no platform chosen, DISPLAY and VNC_PORT as given (this process's
// own left as they were).
void start_on_display(Panel& p, const QString& root, const QByteArray& display, quint16 port)
{
    const bool had_display = qEnvironmentVariableIsSet("DISPLAY"), had_port = qEnvironmentVariableIsSet("VNC_PORT");
    const QByteArray was_display = qgetenv("DISPLAY"), was_port = qgetenv("VNC_PORT");
    qputenv("DISPLAY", display);
    qputenv("VNC_PORT", QByteArray::number(port));
    p.start(root, {});
    had_display ? void(qputenv("DISPLAY", was_display)) : void(qunsetenv("DISPLAY"));
    had_port ? void(qputenv("VNC_PORT", was_port)) : void(qunsetenv("VNC_PORT"));
}

} // namespace

class TstAppStart : public QObject
{
    Q_OBJECT
private slots:
    // A root that cannot be a folder, a taken VNC port or the platform xcb (each screen an X
    // window of its own) stops the panel with a message naming it (not a bare "No such
    // file") and exit status 1; for xcb, how to get the panel's window.
    void refused_with_a_reason()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("file")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QTcpServer taken;
        QVERIFY(taken.listen(QHostAddress::LocalHost));
        const QString port = QString::number(taken.serverPort());
        const struct
        {
            QString root;
            QStringList args, says;
        } cases[] = {
            {dir.filePath(QStringLiteral("file/root")), kOffscreen, {QStringLiteral("not a folder"), file.fileName()}},
            {dir.filePath(QStringLiteral("root")), {QStringLiteral("-platform"), "vnc:size=320x240:port=" + port},
             {QStringLiteral("cannot be opened (Address already in use)"), port}},
            {dir.filePath(QStringLiteral("root")), {QStringLiteral("-platform"), QStringLiteral("xcb")},
             {QStringLiteral("xcb is not supported"), QStringLiteral("start without -platform")}},
        };
        for (const auto& c : cases) {
            Panel p;
            p.start(c.root, c.args);
            QCOMPARE(p.finish(), 1);
            const QString out = QString::fromLocal8Bit(p.out);
            for (const QString& says : c.says)
                QVERIFY2(out.contains(says), qPrintable(out));
            QVERIFY2(!out.contains(QStringLiteral("No such file")), qPrintable(out));
        }
    }

    // One panel per device root; the lock goes with a killed panel.
    void one_panel_per_root_until_it_dies()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        {
            Panel first;
            first.start(root, kOffscreen);
            QVERIFY(first.wait_for("device root:"));
            Panel second;
            second.start(root, kOffscreen);
            QCOMPARE(second.finish(), 1);
            QVERIFY2(second.out.contains("another panel (process "), second.out.constData());
            // A pid of 0 would be this test's whole process group.
            const qint64 pid = first.proc.processId();
            QVERIFY(pid > 0);
            ::kill(pid_t(pid), SIGKILL);
            first.finish();
        }
        Panel again;
        again.start(root, kOffscreen);
        QVERIFY2(again.wait_for("device root:"), again.out.constData());
    }

    // The lock file takes the process id: a symbolic link planted at its name is replaced;
    // a hard link (a second name for a file outside the root) is refused, saying why. The
    // file outside keeps what it held.
    void lock_file_never_written_through_a_link()
    {
        for (const bool hard : {false, true}) {
            QTemporaryDir dir;
            const QString root = dir.filePath(QStringLiteral("root")), victim = dir.filePath(QStringLiteral("victim"));
            QVERIFY(QDir().mkpath(root + QStringLiteral("/sim")));
            QFile v(victim);
            QVERIFY(v.open(QIODevice::WriteOnly) && v.write("outside") == 7);
            v.close();
            const QString lock = root + QStringLiteral("/sim/panel.lock");
            if (hard)
                QCOMPARE(::link(QFile::encodeName(victim).constData(), QFile::encodeName(lock).constData()), 0);
            else
                QVERIFY(QFile::link(victim, lock));
            Panel p;
            p.start(root, kOffscreen);
            if (hard) {
                QCOMPARE(p.finish(), 1);
                QVERIFY2(p.out.contains("has 2 names (hard links)"), p.out.constData());
            } else {
                QVERIFY2(p.wait_for("device root:"), p.out.constData());
                QVERIFY(QFileInfo(lock).isFile() && !QFileInfo(lock).isSymLink());
            }
            QCOMPARE(file_bytes(victim), QByteArray("outside"));
        }
    }

    // Hostile files from the PC or left on the device do not stop the start: a fifo or an
    // endless device as the parameter file and the configuration, an alias file nested
    // 200,000 deep or over the size bound. The panel keeps the parameter file and the
    // configuration aside, removes the alias file, says so, and starts on its defaults.
    void hostile_files_at_start()
    {
        const QByteArray huge = "{\"namelist\": {\"source\": [{\"id\": 0, \"valid\": \"on\", \"name\": \""
                                + QByteArray(300 * 1024, 'x') + "\"}]}}";
        const struct
        {
            const char* ram;
            QByteArray alias;
            const char* says;
        } cases[] = {
            {"fifo", QByteArray(200000, '['), "json error: /data/configs/alias.json: nested deeper than"},
            {"/dev/zero", huge, "json error: /data/configs/alias.json: not a regular file of at most"},
        };
        for (const auto& c : cases) {
            QTemporaryDir dir;
            const QString root = dir.filePath(QStringLiteral("root"));
            QVERIFY(QDir().mkpath(root + QStringLiteral("/data/configs")));
            QFile alias(root + QStringLiteral("/data/configs/alias.json"));
            QVERIFY(alias.open(QIODevice::WriteOnly));
            alias.write(c.alias);
            alias.close();
            const QString ram = root + QStringLiteral("/data/ram_device_info");
            const QString ini = root + QStringLiteral("/data/configs/tcpip.ini");
            for (const QString& f : {ram, ini}) {
                if (qstrcmp(c.ram, "fifo") == 0)
                    QCOMPARE(::mkfifo(QFile::encodeName(f).constData(), 0600), 0);
                else
                    QVERIFY(QFile::link(QString::fromLatin1(c.ram), f));
            }
            Panel p;
            p.start(root, kOffscreen);
            QVERIFY2(p.wait_for(c.says), p.out.constData());
            QVERIFY2(Panel::answers(root), p.out.constData());
            QVERIFY(p.wait_for("ram_device_info not a regular file"));
            QVERIFY(p.wait_for("tcpip.ini not a regular file"));
            QVERIFY(!alias.exists());
            QVERIFY(QFileInfo(ram).isFile() && !QFileInfo(ram).isSymLink());
            QCOMPARE(QFileInfo(ram).size(), qint64(4096));
            QVERIFY(QFileInfo(ini).isFile() && !QFileInfo(ini).isSymLink());
            QCOMPARE(QSettings(ini, QSettings::IniFormat).value("config/IPAddress").toString(),
                     QStringLiteral("192.168.1.199"));
            QVERIFY(QFileInfo::exists(ini + QStringLiteral(".bad")));
        }
    }

    // Every line reaches the output when it is printed, into a pipe too: a panel ended with
    // TERM right after it set a damaged parameter file aside has said so.
    void damaged_parameter_file_said_before_term()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        QVERIFY(QDir().mkpath(root + QStringLiteral("/data")));
        QFile ram(root + QStringLiteral("/data/ram_device_info"));
        QVERIFY(ram.open(QIODevice::WriteOnly) && ram.write(QByteArray(50, 'x')) == 50);
        ram.close();
        Panel p;
        p.start(root, kOffscreen);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(ram.fileName() + QStringLiteral(".bad")), 20000);
        ::kill(pid_t(p.proc.processId()), SIGTERM);
        p.finish();
        QVERIFY2(p.out.contains("ram_device_info damaged (50 bytes): kept as"), p.out.constData());
    }

    // What a VNC start says: the line as soon as the port is open (before the 4 s of the
    // start), a viewer's address for one that stands for every address, and for a taken
    // port another one that is free.
    void vnc_messages()
    {
        QTcpServer taken, next; // two taken ports side by side
        do {
            taken.close();
            QVERIFY(taken.listen(QHostAddress::LocalHost));
        } while (!next.listen(QHostAddress::LocalHost, quint16(taken.serverPort() + 1)));
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        {
            Panel p;
            p.start(root, {QStringLiteral("-platform"), QStringLiteral("vnc:size=320x240:port=%1").arg(taken.serverPort())});
            QCOMPARE(p.finish(), 1);
            const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("\\((\\d+) is free now\\): VNC_PORT=\\1 "))
                                                  .match(QString::fromLocal8Bit(p.out));
            QVERIFY2(m.hasMatch(), p.out.constData());
            const quint16 proposed = quint16(m.captured(1).toUInt());
            QVERIFY(proposed != taken.serverPort() && proposed != next.serverPort());
            QTcpServer free;
            QVERIFY2(free.listen(QHostAddress::LocalHost, proposed), p.out.constData());
        }
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::AnyIPv4));
        const quint16 port = probe.serverPort();
        probe.close();
        Panel p;
        p.start(root, {QStringLiteral("-platform"), QStringLiteral("vnc:size=320x240:port=%1:addr=0.0.0.0").arg(port)});
        QVERIFY2(p.wait_for("device root:"), p.out.constData());
        // Stopped before the panel runs: nothing is served on the open address.
        p.proc.kill();
        p.finish();
        const QString out = QString::fromLocal8Bit(p.out);
        const int line = out.indexOf(QStringLiteral("VNC: the panel is served on every address of this machine"));
        QVERIFY2(line >= 0 && line < out.indexOf(QStringLiteral("device root:")), qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("0.0.0.0::")), qPrintable(out));
        bool named = out.contains(QStringLiteral("connect a viewer to this machine's address"));
        for (const QHostAddress& a : QNetworkInterface::allAddresses())
            named = named || (!a.isLoopback() && out.contains(QStringLiteral("vncviewer %1::%2 (this machine's address)").arg(a.toString()).arg(port)));
        QVERIFY2(named, qPrintable(out));
    }

    // No platform chosen and no X display, one where no X server answers, or one whose
    // connection setup does not add up (its counts run past its length): the program says
    // so as run.sh does and serves the panel over VNC at VNC_PORT on localhost.
    void no_x_display_serves_vnc()
    {
        int n = 77;
        while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
            ++n;
        }
        const QByteArray dead = ":" + QByteArray::number(n);
        QTcpSocket x11;
        x11.connectToHost(QHostAddress::LocalHost, quint16(6000 + n));
        QVERIFY(!x11.waitForConnected(1000));
        const QByteArray vnc = ": the panel is served over VNC.";
        QList<QPair<QByteArray, QByteArray>> cases{{QByteArray(), "No X display" + vnc},
                                                  {dead, "The X display " + dead + " does not answer" + vnc}};
        // Setups whose nested counts run past their length: walked as counted, the
        // depths and visuals are read from beyond the setup.
        std::vector<std::unique_ptr<FakeX>> malformed;
        for (const QByteArray& bytes : {setup_promising(255, 65535), setup_promising(1, 4096)}) {
            malformed.push_back(std::make_unique<FakeX>(bytes));
            const QByteArray at = malformed.back()->display;
            QVERIFY(!at.isEmpty());
            cases.append({at, "The X display " + at + " cannot show the panel (its connection setup does not add up)" + vnc});
        }
        for (const auto& [given, why] : cases) {
            const quint16 port = free_local_port();
            QTemporaryDir dir;
            const QString root = dir.filePath(QStringLiteral("root"));
            Panel p;
            start_on_display(p, root, given, port);
            QVERIFY2(p.wait_for(why), p.out.constData());
            QVERIFY2(p.wait_for("VNC: the panel is served at 127.0.0.1 port " + QByteArray::number(port)), p.out.constData());
            QTcpSocket viewer;
            viewer.connectToHost(QHostAddress::LocalHost, port);
            QVERIFY(viewer.waitForConnected(3000));
            QVERIFY(Panel::answers(root));
            QTRY_VERIFY_WITH_TIMEOUT(viewer.bytesAvailable() > 0 || viewer.waitForReadyRead(100), 10000);
            QVERIFY(viewer.readAll().startsWith("RFB 003."));
        }
    }

    // An X server that takes the connection and never answers (a stopped one): the panel
    // waits for it a while (the full wait, so this is one case alone), then says so and is
    // served over VNC and answers its FIFO, well before minutes have gone.
    void silent_x_display_served_over_vnc_after_the_wait()
    {
        FakeX silent;
        QVERIFY(!silent.display.isEmpty());
        const quint16 port = free_local_port();
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        Panel p;
        start_on_display(p, root, silent.display, port);
        QVERIFY2(p.wait_for("The X display " + silent.display + " does not answer: the panel is served over VNC.", 1, 80000),
                 p.out.constData());
        QVERIFY2(p.wait_for("VNC: the panel is served at 127.0.0.1 port " + QByteArray::number(port)), p.out.constData());
        QVERIFY(Panel::answers(root));
    }

    // An application installed from a stick reboots the device: the panel ends and the same
    // program starts again on the same root, in the same process (a terminal or run.sh
    // keeps it). Its VNC port never refuses a viewer meanwhile; it answers its FIFO and
    // finds its parameter file as it was.
    void restarts_after_an_application_upgrade()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        const quint16 port = free_local_port();
        Panel p;
        p.start(root, vnc_args(port));
        // Home, Settings, Communication, USB upgrade.
        const QString ram = root + QStringLiteral("/data/ram_device_info");
        QByteArray before;
        install_sample_application(p, root, &before);
        if (QTest::currentTestFailed())
            return;
        // From the install (the reboot follows 3 s later) until the new program stands: a
        // refusal would show the port closed for a moment (a full queue only delays one).
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int refused = 0;
        QElapsedTimer t;
        t.start();
        qint64 read = 0;
        while (p.out.count("device root:") < 2 && t.elapsed() < 40000 && p.proc.state() == QProcess::Running) {
            const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to);
            pollfd pfd{fd, POLLOUT, 0};
            int error = 0;
            socklen_t size = sizeof error;
            if (::poll(&pfd, 1, 2) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0
                && error == ECONNREFUSED)
                ++refused;
            ::close(fd);
            QThread::usleep(300);
            if (t.elapsed() - read >= 10) {
                read = t.elapsed();
                p.proc.waitForReadyRead(0);
                p.out += p.proc.readAll();
            }
        }
        QVERIFY(p.out.contains("reboot: the simulated device reboots"));
        QVERIFY(p.wait_for("device root:", 2));
        QCOMPARE(refused, 0);
        QVERIFY2(Panel::answers(root), p.out.right(2000).constData());
        QCOMPARE(p.proc.state(), QProcess::Running);
        QCOMPARE(file_bytes(ram), before);
    }

    // A stick put in while the panel still starts goes in once the USB watcher listens, and
    // is reported as one put in then.
    void stick_put_in_during_start_up_is_reported()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        Panel p;
        p.start(root, kOffscreen);
        QElapsedTimer t;
        t.start();
        while (!Panel::write_line(root, "stick in " YUQ_SOURCE_DIR "/sim/samples/upgrade_stick\n") && t.elapsed() < 20000)
            QThread::msleep(20);
        QVERIFY(p.wait_for("stick in ")); // echoed once the panel stands
        QVERIFY2(p.wait_for("usb: sda in"), p.out.constData());
        QVERIFY2(p.wait_for("usb: mounted"), p.out.constData());
        QVERIFY(QFileInfo::exists(root + QStringLiteral("/mnt/usb1/YUQ-K64/mcu.YUQZK")));
    }

    // A user-mode save and a language change on a full disk (a 3 MiB tmpfs), the space back,
    // then the power cut: the panel started again shows the user-mode screen as it was.
    void full_disk_changes_kept_once_space_is_back()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        QVERIFY(QDir().mkpath(root));
        if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", "size=3m", "tmpfs", root}) != 0)
            QSKIP("no small tmpfs can be mounted here (needs root): a full disk is not tried");
        struct Unmount
        {
            QString root;
            ~Unmount() { QProcess::execute(QStringLiteral("umount"), {root}); }
        } unmount{root};
        const QString shot = root + QStringLiteral("/tmp/ready.png");
        const QByteArray toUserModes = "key ok\nkey right\nkey right\nkey ok\n";
        Panel p;
        p.start(root, kOffscreen);
        QVERIFY2(Panel::answers(root) && Panel::write_line(root, "language en\n"), p.out.constData());
        const QString ram = root + QStringLiteral("/data/ram_device_info");
        QTRY_COMPARE_WITH_TIMEOUT(file_bytes(ram).mid(2, 1), QByteArray(1, 1), 20000);
        const QByteArray filler = QFile::encodeName(root + QStringLiteral("/filler"));
        const int fd = ::open(filler.constData(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
        const QByteArray block(4096, '\0');
        while (fd >= 0 && ::write(fd, block.constData(), size_t(block.size())) == block.size()) {
        }
        ::close(fd);
        QVERIFY(Panel::write_line(root, "language ru\npc image 0x364 0100\n"));
        QVERIFY2(p.wait_for("custom_mode1: No space left on device"), p.out.constData());
        QVERIFY(QFile::remove(QString::fromLocal8Bit(filler)));
        // No refresh comes: the panel writes the language on its own.
        QTRY_COMPARE_WITH_TIMEOUT(file_bytes(ram).mid(2, 1), QByteArray(1, 2), 20000);
        QVERIFY(Panel::write_line(root, toUserModes) && Panel::answers(root));
        const QImage before(shot);
        p.proc.kill();
        QVERIFY(p.proc.waitForFinished());
        Panel again;
        again.start(root, kOffscreen);
        QVERIFY2(Panel::answers(root) && Panel::write_line(root, toUserModes) && Panel::answers(root),
                 again.out.constData());
        QVERIFY(QImage(shot) == before);
    }

    // A line written between one panel's end (TERM or kill -9) and the next one's start
    // waits for the next panel and runs: the FIFO the first left is this user's own and kept.
    void line_written_before_the_start_runs_on_a_used_root()
    {
        for (const int sig : {SIGTERM, SIGKILL}) {
            QTemporaryDir dir;
            const QString root = dir.filePath(QStringLiteral("root"));
            {
                Panel first;
                first.start(root, kOffscreen);
                QVERIFY2(Panel::answers(root), first.out.constData());
                ::kill(pid_t(first.proc.processId()), sig);
                first.finish();
            }
            QVERIFY(QFileInfo(root + QStringLiteral("/sim/control")).exists());
            QProcess writer; // blocks in its open until a reader comes
            writer.start(QStringLiteral("sh"), {QStringLiteral("-c"), QStringLiteral("echo 'language en' > '%1/sim/control'").arg(root)});
            QVERIFY(writer.waitForStarted());
            QThread::msleep(200);
            Panel next;
            next.start(root, kOffscreen);
            QVERIFY2(next.wait_for("sim control: language en"), next.out.constData());
            QVERIFY(writer.waitForFinished(5000));
        }
    }

    // Lines run in order, each seeing what those before it did: a screenshot written right
    // after `language` shows the new language, as one taken once the refresh has written the
    // language back does, after two language lines too.
    void line_after_language_sees_it()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        Panel p;
        p.start(root, kOffscreen);
        QVERIFY2(Panel::answers(root), p.out.constData());
        QVERIFY(Panel::write_line(root, "key ok\nlanguage en\nscreenshot /tmp/at_once.png\n"));
        const QString ram = root + QStringLiteral("/data/ram_device_info");
        QTRY_COMPARE_WITH_TIMEOUT(file_bytes(ram).mid(2, 1), QByteArray(1, '\1'), 20000);
        QVERIFY2(Panel::answers(root), p.out.constData());
        const QImage atOnce(root + QStringLiteral("/tmp/at_once.png"));
        QVERIFY(!atOnce.isNull());
        QVERIFY(atOnce == QImage(root + QStringLiteral("/tmp/ready.png")));
        // Two language lines, with a screenshot between them or none: the second one's
        // language is shown, whatever the engine's pass and the screen did meanwhile.
        for (int i = 0; i < 12; ++i) {
            QVERIFY(Panel::write_line(root, i % 2 ? "language zh\nlanguage en\nscreenshot /tmp/twice.png\n"
                                                  : "language zh\nscreenshot /tmp/zh.png\nlanguage en\nscreenshot /tmp/twice.png\n"));
            QVERIFY(Panel::answers(root));
            QVERIFY2(QImage(root + QStringLiteral("/tmp/twice.png")) == atOnce, qPrintable(QString::number(i)));
        }
    }

    // Keys typed ahead act as the same keys sent one by one: on LED size the number pad
    // closed and opened again key after key, in one write, ends where the keys sent one at a
    // time (each followed by a screenshot) end; no pad is opened inside a closing one, and
    // a closed pad opens again.
    void keys_typed_ahead_act_as_sent_one_by_one()
    {
        QList<QByteArray> keys{"ok", "right", "right", "right", "ok", "ok", "ok", "ok"};
        for (int i = 0; i < 20; ++i)
            keys << "back" << "back" << "back" << "ok" << "ok" << "ok";
        keys << "right" << "ok" << "back"; // the pad closed at the end: its caret blinks
        QTemporaryDir dir;
        const QString batch = dir.filePath(QStringLiteral("batch")), single = dir.filePath(QStringLiteral("single"));
        Panel a, b;
        a.start(batch, kOffscreen);
        b.start(single, kOffscreen);
        QByteArray toLedSize;
        for (const char* k : {"ok", "right", "right", "right", "ok", "ok", "ok"})
            toLedSize += QByteArray("key ") + k + '\n';
        // The pad opens, closes and opens again (its picture is not the closed one's).
        const QByteArray closeOpen = "key ok\nscreenshot /tmp/open.png\nkey back\nscreenshot /tmp/closed.png\n"
                                     "key ok\nscreenshot /tmp/again.png\nkey back\n";
        for (const QString& root : {batch, single}) {
            QVERIFY(Panel::answers(root));
            QVERIFY(Panel::write_line(root, toLedSize + closeOpen));
            QVERIFY(Panel::answers(root));
            const QImage closed(root + QStringLiteral("/tmp/closed.png"));
            QVERIFY(!closed.isNull());
            QVERIFY(QImage(root + QStringLiteral("/tmp/open.png")) != closed);
            QVERIFY2(QImage(root + QStringLiteral("/tmp/again.png")) != closed, "the pad did not open again");
        }
        QByteArray lines;
        for (const QByteArray& k : keys)
            lines += "key " + k + '\n';
        QVERIFY(Panel::write_line(batch, lines + "screenshot /tmp/end.png\n"));
        for (const QByteArray& k : keys) {
            QVERIFY(Panel::write_line(single, "key " + k + '\n'));
            QVERIFY(Panel::answers(single));
        }
        QVERIFY(Panel::write_line(single, "screenshot /tmp/end.png\n"));
        for (const QString& root : {batch, single})
            QVERIFY(Panel::answers(root)); // after the end's picture is written
        const QImage end(batch + QStringLiteral("/tmp/end.png"));
        QVERIFY(!end.isNull());
        QVERIFY(end == QImage(single + QStringLiteral("/tmp/end.png")));
        a.wait_for("\x01", 1, 300);
        QVERIFY2(!a.out.contains("Recursive call"), a.out.right(2000).constData());
    }

    // A click lands on the window on top: the number pad's Cancel, over LED size, closes the
    // pad.
    void click_lands_on_the_window_on_top()
    {
        VncPanel panel;
        QVERIFY2(panel.start(), panel.p.out.constData());
        QVERIFY(Panel::write_line(panel.root, "key ok\nkey right\nkey right\nkey right\nkey ok\nkey ok\nkey ok\n"
                                              "screenshot /tmp/closed.png\nkey ok\nscreenshot /tmp/open.png\n"));
        QVERIFY(Panel::answers(panel.root));
        const QImage closed(panel.root + QStringLiteral("/tmp/closed.png"));
        QVERIFY(!closed.isNull());
        QVERIFY(QImage(panel.root + QStringLiteral("/tmp/open.png")) != closed);
        RawViewer v;
        QVERIFY(v.open(panel.port));
        v.s.write(QByteArray::fromHex("050000c800dc050100c800dc050000c800dc")); // a click at (200, 220)
        v.s.flush();
        bool shut = false;
        for (int i = 0; i < 50 && !shut; ++i) {
            QVERIFY(Panel::answers(panel.root));
            shut = QImage(panel.root + QStringLiteral("/tmp/ready.png")) == closed;
            if (!shut)
                QThread::msleep(100);
        }
        QVERIFY2(shut, "the click on Cancel left the pad open");
    }

    // A viewer may keep the server's pixel format (it sends none): it gets whole frames of
    // it, and the panel lives on, viewer after viewer and start after start.
    void viewer_without_a_pixel_format_gets_frames()
    {
        for (int start = 0; start < 3; ++start) {
            VncPanel panel;
            QVERIFY2(panel.start(), panel.p.out.constData());
            for (int viewer = 0; viewer < 3; ++viewer) {
                RawViewer v;
                QVERIFY(v.open(panel.port));
                QCOMPARE(v.frame().size(), QSize(320, 240));
            }
            QVERIFY2(Panel::answers(panel.root), panel.p.out.constData());
            QCOMPARE(panel.p.proc.state(), QProcess::Running);
        }
    }

    // Viewers that asked for the cursor as a pseudo-encoding (as TigerVNC's does) and left
    // are no cursor clients of Qt's server: dialogs opened and closed afterwards neither stop
    // the panel nor draw a cursor into the frames, a remaining viewer's or a new one's.
    void viewers_that_asked_for_the_cursor_and_left()
    {
        for (int start = 0; start < 3; ++start) {
            VncPanel panel;
            QVERIFY2(panel.start(), panel.p.out.constData());
            RawViewer viewers[5];
            for (RawViewer& v : viewers) {
                QVERIFY(v.open(panel.port, {0, -239}));
                v.frame(); // answered: the encodings are taken
            }
            for (int i = 0; i < 4; ++i)
                viewers[i].s.abort();
            // Standby to home (a dialog), back, and the dialogs of home.
            QVERIFY(Panel::write_line(panel.root, "key ok\nkey back\nkey ok\nkey ok\nkey ok\n"));
            QVERIFY2(viewers[4].shows_the_screenshot(panel.root), panel.p.out.right(2000).constData());
            viewers[4].s.abort();
            QVERIFY(Panel::write_line(panel.root, "key back\nkey back\nkey ok\n"));
            RawViewer late;
            QVERIFY(late.open(panel.port));
            QVERIFY2(late.shows_the_screenshot(panel.root), panel.p.out.right(2000).constData());
            QCOMPARE(panel.p.proc.state(), QProcess::Running);
        }
    }

    // A viewer that asks for full frames and never reads them is held back, not served into
    // the panel's memory: another viewer and the control channel are served meanwhile. A
    // viewer that sends an overlong colour map is closed. Either's end is seen: the panel's
    // descriptors come back.
    void hostile_viewers_held_back_or_refused()
    {
        VncPanel panel;
        QVERIFY2(panel.start(), panel.p.out.constData());
        const qint64 pid = panel.p.proc.processId();
        const int fds = descriptors(pid);
        const qint64 rss = rss_kb(pid);
        RawViewer hog;
        QVERIFY(hog.open(panel.port));
        const QByteArray requests = kFullRequest.repeated(1000);
        qint64 peak = rss;
        for (int i = 0; i < 40 && peak < rss + 100 * 1024; ++i) {
            if (hog.s.bytesToWrite() < requests.size())
                hog.s.write(requests);
            hog.s.flush();
            QThread::msleep(50);
            peak = qMax(peak, rss_kb(pid));
        }
        QVERIFY2(peak < rss + 100 * 1024, qPrintable(QStringLiteral("VmRSS %1 kB from %2 kB").arg(peak).arg(rss)));
        RawViewer other;
        QVERIFY(other.open(panel.port));
        QCOMPARE(other.frame().size(), QSize(320, 240));
        QVERIFY2(Panel::answers(panel.root), panel.p.out.right(2000).constData());
        hog.s.abort();
        other.s.abort();
        QVERIFY(descriptors_back_to(pid, fds));

        RawViewer colours;
        QVERIFY(colours.open(panel.port));
        colours.s.write(QByteArray::fromHex("01000000ffff") + QByteArray(6 * 65535, '\0'));
        while (colours.s.bytesToWrite() > 0 && colours.s.waitForBytesWritten(2000)) {
        }
        colours.s.abort();
        QVERIFY(descriptors_back_to(pid, fds));
    }

    // A frame equals the screenshot in each true-colour format a viewer may set: the browser
    // viewer's (32 bits, little-endian, red at 0), red at 24, 16-bit 5-6-5 and 5-5-5 of
    // either byte order, 8-bit 3-3-2.
    void frames_in_the_viewers_pixel_formats()
    {
        VncPanel panel;
        QVERIFY2(panel.start(), panel.p.out.constData());
        QVERIFY(Panel::write_line(panel.root, "key ok\n")); // the home screen's colours
        const RawViewer::Format formats[] = {
            {32, false, {255, 255, 255}, {0, 8, 16}}, {32, true, {255, 255, 255}, {24, 16, 8}},
            {16, true, {31, 63, 31}, {11, 5, 0}},     {16, true, {31, 31, 31}, {10, 5, 0}},
            {16, false, {31, 63, 31}, {11, 5, 0}},    {8, false, {7, 7, 3}, {0, 3, 6}},
        };
        for (const RawViewer::Format& f : formats) {
            RawViewer v;
            QVERIFY(v.open(panel.port));
            v.set_format(f);
            QVERIFY2(v.shows_the_screenshot_in_its_format(panel.root),
                     qPrintable(QStringLiteral("%1 bits, %2-endian, red at %3").arg(f.bpp).arg(f.big ? "big" : "little").arg(f.shift[0])));
        }
    }

    // A viewer that asks for the lossy ZYWRLE at the lowest quality gets ZRLE, lossless:
    // its frame equals the screenshot.
    void lossy_encodings_asked_for_frames_stay_lossless()
    {
        VncPanel panel;
        QVERIFY2(panel.start(), panel.p.out.constData());
        QVERIFY(Panel::write_line(panel.root, "key ok\n"));
        RawViewer v;
        QVERIFY(v.open(panel.port, {17, 16, -32}));
        bool same = false;
        for (int i = 0; i < 50 && !same && Panel::answers(panel.root); ++i) {
            const QImage frame = v.zrle_frame();
            QVERIFY2(!frame.isNull(), "not a whole ZRLE frame");
            same = frame == QImage(panel.root + QStringLiteral("/tmp/ready.png")).convertToFormat(QImage::Format_RGB32);
        }
        QVERIFY(same);
    }

    // A viewer that sends its ClientInit with its version is served; twenty that then send
    // 400,000 bytes and close (by FIN or RST) give their descriptors back. Two that each ask
    // for the panel alone both stay served. A viewer's keys and clicks reach the panel.
    void viewers_served_and_let_go()
    {
        VncPanel panel;
        QVERIFY2(panel.start(), panel.p.out.constData());
        const qint64 pid = panel.p.proc.processId();
        const int fds = descriptors(pid);
        {
            RawViewer eager[20];
            for (RawViewer& v : eager) {
                QVERIFY(v.open(panel.port, {0}, 1, true));
                QCOMPARE(v.frame().size(), QSize(320, 240));
                v.s.write(QByteArray(400000, '\0'));
            }
            for (int i = 0; i < 20; ++i) {
                eager[i].s.waitForBytesWritten(1000);
                if (i % 2)
                    eager[i].s.abort();
                else
                    eager[i].s.close();
            }
        }
        QVERIFY2(descriptors_back_to(pid, fds), qPrintable(QString::number(descriptors(pid) - fds)));
#ifndef __SANITIZE_ADDRESS__ // its allocator keeps what is freed a while
        // 20 viewers at once with an encoder's buffers: the memory comes back once they left.
        const qint64 rss = rss_kb(pid);
        {
            RawViewer zrle[20];
            for (RawViewer& v : zrle) {
                QVERIFY(v.open(panel.port, {16}));
                QCOMPARE(v.zrle_frame().size(), QSize(320, 240));
            }
        }
        QVERIFY(descriptors_back_to(pid, fds));
        for (int i = 0; i < 50 && rss_kb(pid) > rss + 2048; ++i)
            QThread::msleep(100);
        QVERIFY2(rss_kb(pid) <= rss + 2048, qPrintable(QStringLiteral("VmRSS %1 kB from %2 kB").arg(rss_kb(pid)).arg(rss)));
#endif

        RawViewer alone[2];
        for (RawViewer& v : alone) {
            QVERIFY(v.open(panel.port, {0}, 0));
            QCOMPARE(v.frame().size(), QSize(320, 240));
        }
        QCOMPARE(alone[0].frame().size(), QSize(320, 240));

        RawViewer& v = alone[1];
        const QImage standby = v.frame();
        v.s.write(QByteArray::fromHex("050100a00078") + QByteArray::fromHex("050000a00078")); // click mid-panel
        QImage shown;
        for (int i = 0; i < 50 && (shown = v.frame()) == standby; ++i)
            QThread::msleep(100);
        QVERIFY2(shown != standby && !shown.isNull(), "a click did not leave the standby screen");
        v.s.write(QByteArray::fromHex("0401000000000072") + QByteArray::fromHex("0400000000000072")); // 'r'
        v.s.flush();
        QVERIFY2(panel.p.wait_for("this is right-code"), panel.p.out.right(2000).constData());
        QVERIFY2(v.shows_the_screenshot(panel.root), panel.p.out.right(2000).constData());
    }

    // An address that is not this machine's, and one the platform's options cannot carry,
    // are named as given and refused for what they are.
    void vnc_address_refused_for_what_it_is()
    {
        const struct
        {
            const char* addr;
            const char* says;
        } cases[] = {
            {"192.0.2.1", "the VNC address 192.0.2.1 is not one of this machine's addresses"},
            {"::1", "the VNC address ::1 cannot be given: the platform's options are split at ':'"},
        };
        for (const auto& c : cases) {
            QTemporaryDir dir;
            Panel p;
            p.start(dir.filePath(QStringLiteral("root")),
                    {QStringLiteral("-platform"), QStringLiteral("vnc:size=320x240:port=5905:addr=%1").arg(QLatin1String(c.addr))});
            QCOMPARE(p.finish(), 1);
            QVERIFY2(p.out.contains(c.says), p.out.constData());
            QVERIFY2(!p.out.contains("another panel"), p.out.constData());
        }
    }

    void vnc_on_localhost_only()
    {
        const quint16 port = free_local_port();
        QTemporaryDir dir;
        Panel p;
        p.start(dir.filePath(QStringLiteral("root")), vnc_args(port));
        QVERIFY2(p.wait_for("VNC: the panel is served at 127.0.0.1 port"), p.out.constData());
        QTcpSocket local;
        local.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(local.waitForConnected(3000));
        for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
            if (a.isLoopback() || a.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            QTcpSocket outside;
            outside.connectToHost(a, port);
            QVERIFY2(!outside.waitForConnected(1000), qPrintable(a.toString()));
        }
    }
};

QTEST_GUILESS_MAIN(TstAppStart)
#include "tst_app_start.moc"
