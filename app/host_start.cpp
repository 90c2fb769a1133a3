#include "host_start.h"

#include "platform/devpath.h"
#include "platform/shell_gate.h"
#include "sim/control.h"
#ifdef YUQ_VNC_SERVER
#include "vnc_server.h"
#endif
#ifdef YUQ_X_WINDOW
#include "x_window.h"
#endif

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFont>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QPointer>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <functional>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

namespace host {

namespace {

// Qt's linuxfb takes 100 dpi when the frame buffer gives no physical size, and offscreen
// is 100 dpi; the VNC plugin and X servers report their own. One value for all keeps the
// forms' point sizes at the same pixels everywhere.
const char* const kFontDpi = "100";

int g_lock_fd = -1;
int g_vnc_fd = -1;
// The lock, the VNC port and the control FIFO the panel before a simulated reboot handed
// over (-1: none), in the environment under kHeldName, so that the root is never without
// its lock, the port never closed to a viewer and no control line lost; kPendingName holds
// where the FIFO's line splitter was (a line begun but not ended, or one being dropped).
const char* const kHeldName = "YUQ_REBOOT_HELD";
const char* const kPendingName = "YUQ_REBOOT_CONTROL";
// $QT_QPA_PLATFORM as given (or unset), for the next program: it is replaced here by
// offscreen for VNC and the X window, by the VNC platform where no X window can be opened.
QByteArray g_platform_env;
bool g_platform_env_kept = false;
bool g_platform_env_given = false;
// The panel is shown in a window of its own on the X display.
bool g_x_window = false;
int g_held_lock = -1;
int g_held_vnc = -1;
// The program and its arguments as started, for the simulated reboot.
std::string g_program;
std::vector<std::string> g_arguments;
QtMessageHandler g_qt_handler = nullptr;

QString errno_text(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

void filter_messages(QtMsgType type, const QMessageLogContext& ctx, const QString& msg)
{
    // A note that asks nothing of the user: widgets raise themselves on every platform.
    if (msg == QLatin1String("This plugin does not support raise()"))
        return;
    if (g_qt_handler)
        g_qt_handler(type, ctx, msg);
}

// The value of -platform, else $QT_QPA_PLATFORM.
QString platform_spec(int argc, char* argv[])
{
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "-platform") || !std::strcmp(argv[i], "--platform"))
            return QString::fromLocal8Bit(argv[i + 1]);
    return QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM"));
}

// A listening TCP socket on a numeric address and port; -1 with *err (the system's) or
// *why (the address or port itself is unusable) set.
int listen_on(const QString& addr, const QString& port, int* err, QString* why)
{
    // Connections the system completed wait here for the panel to take them: a crowd of all
    // the viewers it serves at once (64), twice over. A connection past it would be taken
    // by the system and then dropped, and its viewer would wait for a greeting for good.
    constexpr int kListenBacklog = 128;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* ai = nullptr;
    const int gai = ::getaddrinfo(addr.toLatin1().constData(), port.toLatin1().constData(), &hints, &ai);
    if (gai != 0) {
        *why = QString::fromLocal8Bit(::gai_strerror(gai));
        return -1;
    }
    int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_CLOEXEC, ai->ai_protocol);
    const int one = 1;
    *err = 0;
    if (fd < 0 || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0
        || ::bind(fd, ai->ai_addr, ai->ai_addrlen) != 0 || ::listen(fd, kListenBacklog) != 0) {
        *err = errno;
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    ::freeaddrinfo(ai);
    return fd;
}

// Where a viewer finds the panel. An address that stands for every address of this
// machine is no use to a viewer: one of the machine's own is named instead.
QString vnc_where(const QString& addr, const QString& port)
{
    const QHostAddress a(addr);
    if (!a.isEqual(QHostAddress::AnyIPv4) && !a.isEqual(QHostAddress::AnyIPv6))
        return QStringLiteral("at %1 port %2: connect a viewer, e.g. vncviewer %1::%2").arg(addr, port);
    QString mine;
    for (const QHostAddress& h : QNetworkInterface::allAddresses()) {
        if (!h.isLoopback() && h.protocol() == QAbstractSocket::IPv4Protocol) {
            mine = h.toString();
            break;
        }
    }
    if (mine.isEmpty())
        return QStringLiteral("on every address of this machine, port %1: connect a viewer to this "
                              "machine's address, e.g. vncviewer ADDRESS::%1").arg(port);
    return QStringLiteral("on every address of this machine, port %1: connect a viewer, e.g. vncviewer "
                          "%2::%1 (this machine's address)").arg(port, mine);
}

// The board's reboot, as this machine can carry it out: the process ends and the panel
// starts again from its program file with the same arguments and environment, on the same
// device root. The root's lock, the VNC port and the control FIFO's reader are handed over
// open (another panel never gets the root in between, a viewer is never refused, a line
// written meanwhile runs in the new program). The parameter files are whole: they are
// written on this thread, and this runs between two of its events.
void restart_panel()
{
    // The FIFO's reader stops once the lines it took have run; some need this thread.
    sim::ask_control_handover();
    QElapsedTimer waited;
    waited.start();
    while (!sim::control_handover_ready() && waited.elapsed() < 15000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    if (!sim::control_handover_ready())
        std::fprintf(stderr, "yuqK87N: reboot: the control FIFO's reader is still at a line after "
                     "15 s: the next panel opens the FIFO again\n");
    QByteArray pending;
    const int control = sim::take_control_handover(&pending);
    // Kept open over the exec, and named to the new program.
    for (const int fd : {g_lock_fd, g_vnc_fd, control})
        if (fd >= 0)
            ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) & ~FD_CLOEXEC);
    ::setenv(kHeldName, QByteArray::number(g_lock_fd).append(' ').append(QByteArray::number(g_vnc_fd))
                            .append(' ').append(QByteArray::number(control)).constData(), 1);
    if (!pending.isEmpty())
        ::setenv(kPendingName, pending.constData(), 1);
    if (g_platform_env_kept && g_platform_env_given)
        ::setenv("QT_QPA_PLATFORM", g_platform_env.constData(), 1);
    else if (g_platform_env_kept)
        ::unsetenv("QT_QPA_PLATFORM");
    std::printf("reboot: the simulated device reboots: this panel ends and %s starts again "
                "on the device root %s\n",
                g_program.c_str(), platform::device_root().toLocal8Bit().constData());
    std::fflush(stdout);
    std::fflush(stderr);
    std::vector<char*> argv;
    for (std::string& a : g_arguments)
        argv.push_back(&a[0]);
    argv.push_back(nullptr);
    ::execv(g_program.c_str(), argv.data());
    // A board that cannot start its application is down. Nothing more is written: the root
    // stays as it is now, and the kernel lets go of the lock.
    std::fprintf(stderr, "yuqK87N: reboot: %s cannot be started again (%s): the simulated device "
                 "is down and this panel ends (exit status 1); put a program there and start "
                 "the panel again.\n", g_program.c_str(), std::strerror(errno));
    std::fflush(stderr);
    ::_exit(1);
}

// The window closed or its display gone: the panel ends as TERM ends it, at once, on the
// calling thread. The GUI thread may be held for as long as a PC writes (each write-back
// a sync and a pause); the files it keeps are whole at every moment. No control line
// taken after the saying runs.
void end_panel(const QString& why)
{
    sim::end_control_lines();
    std::printf("%s\n", why.toLocal8Bit().constData());
    std::fflush(stdout);
    std::fflush(stderr);
    ::_exit(0);
}

void keep_platform_env()
{
    if (g_platform_env_kept)
        return;
    g_platform_env_kept = true;
    g_platform_env_given = qEnvironmentVariableIsSet("QT_QPA_PLATFORM");
    g_platform_env = qgetenv("QT_QPA_PLATFORM");
}

// A descriptor handed over, closed again with the next exec; -1 when `same` says it is
// not what it should be (then it is closed).
int take_held(int* held, const std::function<bool(int)>& same)
{
    const int fd = *held;
    *held = -1;
    if (fd <= STDERR_FILENO) // none, or a number that was never handed over
        return -1;
    if (!same(fd)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    return fd;
}

} // namespace

void keep_arguments(int argc, char* argv[])
{
    // The file that runs, not argv[0]: the start may have gone through $PATH or another
    // working folder.
    char exe[4096];
    const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    g_program = n > 0 ? std::string(exe, size_t(n)) : std::string(argv[0]);
    g_arguments.assign(argv, argv + argc);
    const QList<QByteArray> held = qgetenv(kHeldName).split(' ');
    if (held.size() == 3) {
        g_held_lock = held[0].toInt();
        g_held_vnc = held[1].toInt();
        // Checked against the FIFO at its path when the channel opens.
        const int control = held[2].toInt();
        if (control > STDERR_FILENO)
            sim::hold_control_fifo(control, qgetenv(kPendingName));
    }
    ::unsetenv(kHeldName);
    ::unsetenv(kPendingName);
}

QString claim_device_root()
{
    const QString root = platform::device_root();
    const QString unusable = platform::ensure_device_tree();
    if (!unusable.isEmpty())
        return QStringLiteral("the device root %1 cannot be written (%2).\n"
                              "Set DEVICE_ROOT to a folder this user can write.")
            .arg(root, unusable);

    const QString path = platform::dev_path(QStringLiteral("/sim/panel.lock"));
    const QByteArray p = QFile::encodeName(path);
    // The process id is written into it: never through a link, nor into a fifo. What lies
    // there that is no regular file goes (a running panel's lock always is one).
    struct stat st;
    int fd = take_held(&g_held_lock, [&](int h) {
        struct stat hs;
        return ::fstat(h, &hs) == 0 && ::lstat(p.constData(), &st) == 0 && S_ISREG(hs.st_mode)
               && hs.st_dev == st.st_dev && hs.st_ino == st.st_ino;
    });
    if (fd < 0 && ::lstat(p.constData(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))
        ::unlink(p.constData());
    if (fd < 0)
        fd = ::open(p.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0)
        return QStringLiteral("the lock file %1 cannot be opened (%2)").arg(path, errno_text(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return QStringLiteral("the lock file %1 is not a regular file").arg(path);
    }
    // The kernel drops the lock with the descriptor: on exit, on a crash, on kill -9.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        char buf[32] = {};
        const ssize_t n = ::pread(fd, buf, sizeof buf - 1, 0);
        ::close(fd);
        const QString pid = n > 0 ? QString::fromLatin1(buf).trimmed() : QStringLiteral("?");
        if (err != EWOULDBLOCK)
            return QStringLiteral("the lock file %1 cannot be locked (%2)").arg(path, errno_text(err));
        return QStringLiteral("another panel (process %1) already runs on the device root %2 "
                              "(it holds %3).\nStop it first, or set DEVICE_ROOT to another folder.")
            .arg(pid, root, path);
    }
    // The process id is written in place: a second name for the file (a hard link, maybe
    // outside the root) would be written too. Not removed: a running panel's lock must stay.
    if (::fstat(fd, &st) != 0 || st.st_nlink > 1) {
        ::close(fd);
        return QStringLiteral("the lock file %1 has %2 names (hard links): the process id would be "
                              "written into a file elsewhere too. Remove it and start again.").arg(path).arg(st.st_nlink);
    }
    const QByteArray pid = QByteArray::number(qint64(::getpid())) + '\n';
    if (::ftruncate(fd, 0) != 0 || ::pwrite(fd, pid.constData(), size_t(pid.size()), 0) != pid.size())
        std::fprintf(stderr, "yuqK87N: %s: process id not written\n", p.constData());
    g_lock_fd = fd;
    return QString();
}

void prepare_environment()
{
    qputenv("QT_FONT_DPI", kFontDpi);
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // Qt wants one (mode 0700) and warns at every start without it.
        const QString dir = platform::dev_path(QStringLiteral("/sim/runtime"));
        QDir().mkpath(dir);
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(dir));
    }
    g_qt_handler = qInstallMessageHandler(filter_messages);
}

QString choose_display(int argc, char* argv[])
{
    const QString spec = platform_spec(argc, argv);
    if (spec.section(QLatin1Char(':'), 0, 0) == QLatin1String("xcb"))
        return QStringLiteral("the platform xcb is not supported (each screen would be an X window of "
                              "its own). For the panel in one window, start without -platform and "
                              "without QT_QPA_PLATFORM, with DISPLAY set; or choose -platform "
                              "vnc:size=320x240 or -platform offscreen.");
#ifdef YUQ_X_WINDOW
    if (!spec.isEmpty())
        return QString();
    // Before any thread (the connection's is the first): see open_vnc_port.
    ::mallopt(M_ARENA_MAX, 1);
    keep_platform_env();
    const QByteArray display = qgetenv("DISPLAY");
    const QString why = display.isEmpty() ? QStringLiteral("No X display: the panel is served over VNC.")
                                          : x_window_open(display);
    if (why.isEmpty()) {
        g_x_window = true;
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return QString();
    }
    // As run.sh chooses when no X display answers.
    std::printf("%s\n", why.toLocal8Bit().constData());
    const QByteArray port = qEnvironmentVariableIsEmpty("VNC_PORT") ? QByteArray("5900") : qgetenv("VNC_PORT");
    const QByteArray addr = qEnvironmentVariableIsEmpty("VNC_ADDR") ? QByteArray("127.0.0.1") : qgetenv("VNC_ADDR");
    qputenv("QT_QPA_PLATFORM", "vnc:size=320x240:port=" + port + ":addr=" + addr);
#endif
    return QString();
}

QString open_vnc_port(int argc, char* argv[])
{
    const QStringList opts = platform_spec(argc, argv).split(QLatin1Char(':'));
    if (opts.value(0) != QLatin1String("vnc")) {
        take_held(&g_held_vnc, [](int) { return false; });
        return QString();
    }
#ifndef YUQ_VNC_SERVER
    return QStringLiteral("this build has no VNC server: choose another platform, e.g. -platform offscreen");
#endif
    // Before any thread: each viewer's thread would get an allocator arena of its own, and
    // glibc gives back the free top of none but the main one. With one arena the encoders'
    // buffers of a viewer that left go back to the system at the trim.
    ::mallopt(M_ARENA_MAX, 1);
    QString port = QStringLiteral("5900");
    QString addr = QStringLiteral("127.0.0.1");
    for (int i = 0; i < opts.size(); ++i) {
        if (opts[i].startsWith(QLatin1String("port="))) {
            port = opts[i].mid(5);
        } else if (opts[i].startsWith(QLatin1String("addr="))) {
            // The options are split at ':', so an IPv6 address falls apart: the pieces that
            // name no option belong to it, and it is refused as given.
            QStringList given{opts[i].mid(5)};
            while (i + 1 < opts.size() && !opts[i + 1].contains(QLatin1Char('=')))
                given << opts[++i];
            addr = given.join(QLatin1Char(':'));
            if (given.size() > 1)
                return QStringLiteral("the VNC address %1 cannot be given: the platform's options are "
                                      "split at ':', so addr= takes an IPv4 address such as 127.0.0.1 "
                                      "or 0.0.0.0 (for IPv6, tunnel the port)").arg(addr);
        }
    }
    const QString choose_any = QStringLiteral("Choose another port: VNC_PORT=PORT ./run.sh, or port=PORT in -platform vnc:...");
    // Checked here: the system would take 0 for "any port" and 70000 for 4464.
    bool number = !port.isEmpty() && port.size() <= 5;
    for (const QChar c : port)
        number = number && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    if (!number || port.toUInt() < 1 || port.toUInt() > 65535)
        return QStringLiteral("the VNC port %1 cannot be opened (a port is a number from 1 to 65535).\n%2")
            .arg(port, choose_any);
    int err = 0;
    QString why;
    // The port the panel before a reboot listened on, still listening.
    int fd = take_held(&g_held_vnc, [&port](int h) {
        sockaddr_storage sa{};
        socklen_t len = sizeof sa;
        int listening = 0;
        socklen_t size = sizeof listening;
        if (::getsockname(h, reinterpret_cast<sockaddr*>(&sa), &len) != 0
            || ::getsockopt(h, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening)
            return false;
        const in_port_t p = sa.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&sa)->sin6_port
                                                     : reinterpret_cast<sockaddr_in*>(&sa)->sin_port;
        return ntohs(p) == port.toUInt();
    });
    if (fd < 0)
        fd = listen_on(addr, port, &err, &why);
    if (!why.isEmpty())
        return QStringLiteral("the VNC address %1 port %2 is not usable (%3); addr= takes a numeric "
                              "address such as 127.0.0.1 or 0.0.0.0")
            .arg(addr, port, why);
    if (fd < 0 && err == EADDRNOTAVAIL)
        return QStringLiteral("the VNC address %1 is not one of this machine's addresses (%2); addr= "
                              "takes one of them, 127.0.0.1 (the default) or 0.0.0.0 (every one)")
            .arg(addr, errno_text(err));
    if (fd < 0) {
        // A proposal that is itself taken helps nobody: the first port that opens now.
        QString other;
        for (int p = port.toInt() + 1; other.isEmpty() && p > 1 && p <= 65535 && p <= port.toInt() + 100; ++p) {
            int e;
            QString w;
            const int probe = listen_on(addr, QString::number(p), &e, &w);
            if (probe >= 0) {
                ::close(probe);
                other = QString::number(p);
            }
        }
        const QString choose = other.isEmpty()
            ? choose_any
            : QStringLiteral("Choose another port (%1 is free now): VNC_PORT=%1 ./run.sh, or port=%1 in "
                             "-platform vnc:...").arg(other);
        return QStringLiteral("the VNC port %1 on %2 cannot be opened (%3): another panel or VNC "
                              "server may use it.\n%4")
            .arg(port, addr, errno_text(err), choose);
    }
    g_vnc_fd = fd;
    // The panel draws offscreen and the program serves it: Qt must not load its own VNC
    // plugin, so the option is rewritten before the application object reads it.
    static char offscreen[] = "offscreen";
    bool given = false;
    for (int i = 1; i + 1 < argc; ++i)
        if (!std::strcmp(argv[i], "-platform") || !std::strcmp(argv[i], "--platform")) {
            argv[i + 1] = offscreen;
            given = true;
        }
    if (!given) {
        keep_platform_env();
        qputenv("QT_QPA_PLATFORM", offscreen);
    }
    // Viewers that come now wait in the port's queue until the panel accepts them.
    std::printf("VNC: the panel is served %s\n", vnc_where(addr, port).toLocal8Bit().constData());
    std::fflush(stdout);
    return QString();
}

void application_created(QApplication*)
{
    // The shell gate records "reboot" and runs nothing; the simulated device answers it by
    // starting the panel again, once the tick that asked has returned.
    platform::shell_set_responder([](const QString& command, int* status, QByteArray*) {
        if (command.trimmed() != QLatin1String("reboot"))
            return false;
        static std::atomic<bool> asked{false};
        if (!asked.exchange(true))
            QMetaObject::invokeMethod(qApp, restart_panel, Qt::QueuedConnection);
        *status = 0;
        return true;
    });
#ifdef YUQ_VNC_SERVER
    if (g_vnc_fd >= 0)
        vnc_serve(g_vnc_fd);
#endif
#ifdef YUQ_X_WINDOW
    // Once the panel exists, as a viewer is served once it shows.
    if (g_x_window)
        QTimer::singleShot(0, [] { x_window_serve(end_panel); });
#endif
}

void device_look()
{
    QApplication::setStyle(QStringLiteral("Windows"));
    QFont f = QApplication::font();
    f.setFamily(QStringLiteral("DejaVu Sans"));
    f.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPointSize(12);
    QApplication::setFont(f);
}

} // namespace host
