#include "control.h"

#include "sim_device.h"
#include "platform/devpath.h"

#include <QDir>
#include <QMutex>
#include <QVector>
#include <QWaitCondition>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace sim {

namespace {

struct Command
{
    QStringList words;
    QString usage;
    ControlHandler handler;
    bool needsPanel = false;
};

QMutex g_mutex;
QWaitCondition g_panelReady;
bool g_panel = false; // under g_mutex
thread_local QString t_note;
QVector<Command>& commands()
{
    static QVector<Command> c;
    return c;
}
ScreenshotHook g_screenshot;

std::thread g_reader;
std::atomic<bool> g_stop{false};
int g_wake = -1; // an eventfd: stopping wakes the reader, which otherwise sleeps until a line comes
std::atomic<bool> g_running{false};
std::atomic<bool> g_ended{false};

// A line as it can be shown on a terminal: control characters and undecodable bytes escaped.
QByteArray printable(const QString& line)
{
    QString out;
    for (const QChar c : line) {
        if (c.isPrint() && c.unicode() != 0xFFFD)
            out += c;
        else if (c.unicode() < 0x100)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    return out.toLocal8Bit();
}

void trace_bad(const QString& line, const QString& why)
{
    if (g_ended.load())
        return;
    std::printf("sim control: %s: \"%s\"\n", why.toLocal8Bit().constData(), printable(line).constData());
    std::fflush(stdout);
}

// Until the panel exists; false when the channel is stopped meanwhile.
bool wait_for_panel()
{
    QMutexLocker l(&g_mutex);
    while (!g_panel) {
        if (g_stop.load())
            return false;
        g_panelReady.wait(&g_mutex, 200);
    }
    return true;
}

// Handed to the next program at a simulated reboot: the reader stops at a line boundary
// (every line it took has run) and leaves its descriptor open with its splitter's state
// (a line begun but not ended, or one being dropped).
std::atomic<bool> g_handover{false};
std::atomic<bool> g_reader_done{false};
int g_fd = -1;
QByteArray g_state; // written by the reader before g_reader_done, read after it
// The FIFO the program before a reboot read, and where its splitter was.
int g_held_fd = -1;
QByteArray g_held_state;

void reader_loop(int fd, ControlLines lines)
{
    while (!g_stop.load() && !g_handover.load()) {
        pollfd pfd[2] = {{fd, POLLIN, 0}, {g_wake, POLLIN, 0}};
        const int r = ::poll(pfd, 2, g_wake >= 0 ? -1 : 200);
        if (r <= 0 || !(pfd[0].revents & POLLIN))
            continue;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            continue;
        for (const QString& line : lines.take(QByteArray::fromRawData(buf, int(n))))
            run_control_line(line);
    }
    if (g_handover.load()) {
        g_state = lines.state();
        g_reader_done = true;
        return;
    }
    ::close(fd);
}

// The FIFO at p opened for reading (and writing, so it never reports end-of-file), or -1.
// `keep`: an existing FIFO that is this user's, mode 0600 and not a link is read as it
// is, so what was written before the start runs; anything else there is replaced.
int open_fifo(const QByteArray& p, QString* why)
{
    const auto fail = [why](const QString& what) {
        *why = what.arg(QString::fromLocal8Bit(std::strerror(errno)));
        return -1;
    };
    const uid_t me = ::geteuid();
    struct stat st;
    const bool keep = ::lstat(p.constData(), &st) == 0 && S_ISFIFO(st.st_mode) && st.st_uid == me
                      && (st.st_mode & 07777) == 0600;
    if (!keep) {
        // A writer that opened what lies there (open to others, or another user's) keeps
        // its descriptor and would go on driving the panel: a fresh FIFO takes its place.
        if (::unlink(p.constData()) != 0 && errno != ENOENT)
            return fail(QStringLiteral("cannot be removed (%1): remove it"));
        if (::mkfifo(p.constData(), 0600) != 0)
            return fail(QStringLiteral("cannot be made (%1)"));
    }
    // Opened here, read and write: writers find a reader as soon as this returns.
    const int fd = ::open(p.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return fail(QStringLiteral("cannot be opened (%1)"));
    // Whoever may write it drives the panel and has files read into the root: this user
    // alone, even when another put a FIFO of its own there meanwhile.
    if (::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode) || st.st_uid != me) {
        ::close(fd);
        *why = QStringLiteral("is not a FIFO of this user (uid %1): remove it").arg(me);
        return -1;
    }
    if ((st.st_mode & 07777) != 0600 && ::fchmod(fd, 0600) != 0) {
        const int err = errno;
        ::close(fd);
        *why = QStringLiteral("has mode %1 and cannot be made 0600 (%2): remove it")
                   .arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'))
                   .arg(QString::fromLocal8Bit(std::strerror(err)));
        return -1;
    }
    return fd;
}

// The FIFO handed over by the program before a reboot, when it still is the one at p and
// as a kept FIFO must be; -1 otherwise (then closed).
int take_held_fifo(const QByteArray& p)
{
    const int fd = g_held_fd;
    g_held_fd = -1;
    if (fd < 0)
        return -1;
    struct stat held, at;
    if (::fstat(fd, &held) == 0 && ::lstat(p.constData(), &at) == 0 && S_ISFIFO(held.st_mode)
        && held.st_dev == at.st_dev && held.st_ino == at.st_ino && held.st_uid == ::geteuid()
        && (held.st_mode & 07777) == 0600) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        return fd;
    }
    ::close(fd);
    g_held_state.clear();
    return -1;
}

} // namespace

bool to_int(const QString& s, int lo, int hi, int* out, int base)
{
    bool ok = false;
    const int v = s.toInt(&ok, base);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

void register_control_command(const QString& words, const QString& usage, ControlHandler handler,
                              bool needsPanel)
{
    QMutexLocker l(&g_mutex);
    const QStringList w = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (Command& c : commands()) {
        if (c.words == w) {
            c.usage = usage;
            c.handler = std::move(handler);
            c.needsPanel = needsPanel;
            return;
        }
    }
    commands().push_back({w, usage, std::move(handler), needsPanel});
}

void control_note(const QString& note)
{
    t_note = note;
}

void control_trace(const QString& text)
{
    if (g_ended.load())
        return;
    std::printf("sim control: %s\n", printable(text).constData());
    std::fflush(stdout);
}

void set_panel_ready(bool ready)
{
    QMutexLocker l(&g_mutex);
    g_panel = ready;
    g_panelReady.wakeAll();
}

ControlLines::ControlLines(const QByteArray& state)
    : m_pending(state == "-" ? QByteArray() : QByteArray::fromHex(state).left(kControlLineMax)),
      m_dropping(state == "-")
{
}

QByteArray ControlLines::state() const
{
    return m_dropping ? QByteArrayLiteral("-") : m_pending.toHex();
}

QStringList ControlLines::take(const QByteArray& bytes)
{
    QStringList lines;
    m_pending.append(bytes);
    int nl;
    while ((nl = m_pending.indexOf('\n')) >= 0) {
        const bool drop = m_dropping || nl > kControlLineMax;
        if (drop && !m_dropping)
            control_trace(QStringLiteral("line over %1 bytes dropped").arg(kControlLineMax));
        m_dropping = false;
        const QString line = drop ? QString() : QString::fromUtf8(m_pending.left(nl)).trimmed();
        m_pending.remove(0, nl + 1);
        if (!line.isEmpty())
            lines << line;
    }
    if (m_pending.size() > kControlLineMax) {
        // No newline in sight: the line is dropped up to the newline that ends it.
        if (!m_dropping)
            control_trace(QStringLiteral("line over %1 bytes dropped").arg(kControlLineMax));
        m_dropping = true;
    }
    if (m_dropping)
        m_pending.clear();
    return lines;
}

void end_control_lines()
{
    g_ended = true;
}

bool run_control_line(const QString& line)
{
    if (g_ended.load())
        return false;
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    Command best;
    {
        QMutexLocker l(&g_mutex);
        for (const Command& c : commands()) {
            if (c.words.size() > words.size() || c.words.size() <= best.words.size())
                continue;
            if (words.mid(0, c.words.size()) == c.words)
                best = c;
        }
    }
    if (!best.handler) {
        trace_bad(line, QStringLiteral("unknown command, the commands are listed in README.md (Simulated device)"));
        return false;
    }
    if (best.needsPanel && !wait_for_panel()) {
        trace_bad(line, QStringLiteral("no panel"));
        return false;
    }
    t_note.clear();
    const bool ok = best.handler(words.mid(best.words.size()));
    const QString note = t_note;
    t_note.clear();
    if (!ok) {
        trace_bad(line, note.isEmpty() ? QStringLiteral("malformed, usage: ") + best.usage : note);
        return false;
    }
    control_trace(note.isEmpty() ? line : line + QStringLiteral(" (") + note + QLatin1Char(')'));
    return true;
}

QString start_control_fifo()
{
    if (g_running.exchange(true))
        return QString();
    const QString path = platform::dev_path(QStringLiteral("/sim/control"));
    const QByteArray p = path.toLocal8Bit();
    int fd = take_held_fifo(p);
    QString why;
    if (fd < 0)
        fd = open_fifo(p, &why);
    if (fd < 0) {
        g_running = false;
        return QStringLiteral("the control FIFO %1 %2").arg(path, why);
    }
    g_stop = false;
    g_handover = false;
    g_reader_done = false;
    if (g_wake < 0)
        g_wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    g_fd = fd;
    g_reader = std::thread(reader_loop, fd, ControlLines(g_held_state));
    g_held_state.clear();
    return QString();
}

void hold_control_fifo(int fd, const QByteArray& state)
{
    if (g_held_fd >= 0 && g_held_fd != fd)
        ::close(g_held_fd);
    g_held_fd = fd;
    g_held_state = state;
}

void ask_control_handover()
{
    if (!g_running.load() || g_handover.exchange(true))
        return;
    const uint64_t one = 1;
    if (g_wake >= 0 && ::write(g_wake, &one, sizeof one) < 0)
        std::perror("sim control wake");
}

bool control_handover_ready()
{
    return !g_running.load() || g_reader_done.load();
}

int take_control_handover(QByteArray* state)
{
    if (!g_running.load() || !g_reader_done.load())
        return -1;
    if (g_reader.joinable())
        g_reader.join();
    g_running = false;
    *state = g_state;
    const int fd = g_fd;
    g_fd = -1;
    return fd;
}

void stop_control_fifo()
{
    if (!g_running.exchange(false))
        return;
    g_stop = true;
    const uint64_t one = 1;
    if (g_wake >= 0 && ::write(g_wake, &one, sizeof one) < 0)
        std::perror("sim control wake");
    g_panelReady.wakeAll();
    if (g_reader.joinable())
        g_reader.join();
    uint64_t drained;
    if (g_wake >= 0 && ::read(g_wake, &drained, sizeof drained) < 0 && errno != EAGAIN)
        std::perror("sim control wake");
    g_stop = false; // only the reader gives up its wait for the panel
}

void set_screenshot_hook(ScreenshotHook hook)
{
    QMutexLocker l(&g_mutex);
    g_screenshot = std::move(hook);
}

void register_hardware_commands()
{
    register_control_command(QStringLiteral("input"), QStringLiteral("input N off | input N W H HZ"),
                             [](const QStringList& a) {
        int s, w, h, hz;
        if (a.size() == 2 && a[1] == QLatin1String("off") && to_int(a[0], 0, 5, &s)) {
            receivers().set_off(s);
            return true;
        }
        if (a.size() == 4 && to_int(a[0], 0, 5, &s) && to_int(a[1], 1, 16384, &w)
            && to_int(a[2], 1, 16384, &h) && to_int(a[3], 0, 240, &hz)) {
            receivers().set_input(s, w, h, hz);
            return true;
        }
        return false;
    });
    register_control_command(QStringLiteral("port"), QStringLiteral("port N on|off (N 1..20)"),
                             [](const QStringList& a) {
        int n;
        if (a.size() != 2 || !to_int(a[0], 1, 20, &n) || (a[1] != QLatin1String("on") && a[1] != QLatin1String("off")))
            return false;
        fpga((n - 1) / 10).set_link((n - 1) % 10, a[1] == QLatin1String("on"));
        return true;
    });
    register_control_command(QStringLiteral("fpga"), QStringLiteral("fpga N down|up (N 0..1)"),
                             [](const QStringList& a) {
        int n;
        if (a.size() != 2 || !to_int(a[0], 0, 1, &n) || (a[1] != QLatin1String("down") && a[1] != QLatin1String("up")))
            return false;
        fpga(n).set_power(a[1] == QLatin1String("up"));
        return true;
    });
    register_control_command(QStringLiteral("screenshot"), QStringLiteral("screenshot PATH (a device path ending in .png)"),
                             [](const QStringList& a) {
        if (a.size() != 1)
            return false;
        const QString device = QDir::cleanPath(a[0].startsWith(QLatin1Char('/')) ? a[0] : QLatin1Char('/') + a[0]);
        const QString host = platform::dev_path(device);
        auto refuse = [&](const QString& why) {
            control_note(QStringLiteral("screenshot %1 (host %2): %3").arg(a[0], host.isEmpty() ? QStringLiteral("-") : host, why));
            return false;
        };
        if (host.isEmpty())
            return refuse(QStringLiteral("outside the device root"));
        // The device's own files are never overwritten; only PNG data is written, so only
        // under a .png name.
        if (device == QLatin1String("/data") || device.startsWith(QLatin1String("/data/")))
            return refuse(QStringLiteral("/data holds the device's own files"));
        if (!device.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
            return refuse(QStringLiteral("only .png files are written"));
        ScreenshotHook hook;
        {
            QMutexLocker l(&g_mutex);
            hook = g_screenshot;
        }
        if (!hook)
            return refuse(QStringLiteral("no panel"));
        const QString error = hook(host);
        if (!error.isEmpty())
            return refuse(error);
        control_note(QStringLiteral("host ") + host);
        return true;
    }, true);
}

} // namespace sim
