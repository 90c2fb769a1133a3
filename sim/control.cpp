#include "control.h"

#include "sim_device.h"
#include "core/engine_handshake.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"

#include <QMutex>
#include <QVector>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
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
};

QMutex g_mutex;
QVector<Command>& commands()
{
    static QVector<Command> c;
    return c;
}
ScreenshotHook g_screenshot;

std::thread g_reader;
std::atomic<bool> g_stop{false};
std::atomic<bool> g_running{false};

void trace_bad(const QString& line, const QString& why)
{
    std::printf("sim control: %s: \"%s\"\n", why.toLocal8Bit().constData(), line.toLocal8Bit().constData());
    std::fflush(stdout);
}

bool to_int(const QString& s, int lo, int hi, int* out, int base = 10)
{
    bool ok = false;
    const int v = s.toInt(&ok, base);
    if (!ok || v < lo || v > hi)
        return false;
    *out = v;
    return true;
}

void reader_loop(int fd)
{
    QByteArray pending;
    while (!g_stop.load()) {
        pollfd pfd{fd, POLLIN, 0};
        const int r = ::poll(&pfd, 1, 200);
        if (r <= 0)
            continue;
        char buf[512];
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0)
            continue;
        pending.append(buf, int(n));
        for (const QString& line : take_control_lines(&pending))
            run_control_line(line);
    }
    ::close(fd);
}

} // namespace

void register_control_command(const QString& words, const QString& usage, ControlHandler handler)
{
    QMutexLocker l(&g_mutex);
    const QStringList w = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (Command& c : commands()) {
        if (c.words == w) {
            c.usage = usage;
            c.handler = std::move(handler);
            return;
        }
    }
    commands().push_back({w, usage, std::move(handler)});
}

QStringList take_control_lines(QByteArray* pending)
{
    QStringList lines;
    int nl;
    while ((nl = pending->indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(pending->left(nl)).trimmed();
        pending->remove(0, nl + 1);
        if (!line.isEmpty())
            lines << line;
    }
    if (pending->size() > 4096)
        pending->clear(); // no newline in sight: drop the garbage
    return lines;
}

bool run_control_line(const QString& line)
{
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
        trace_bad(line, QStringLiteral("unknown command"));
        return false;
    }
    if (!best.handler(words.mid(best.words.size()))) {
        trace_bad(line, QStringLiteral("malformed, usage: ") + best.usage);
        return false;
    }
    std::printf("sim control: %s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
    return true;
}

void start_control_fifo()
{
    if (g_running.exchange(true))
        return;
    const QString path = platform::dev_path(QStringLiteral("/sim/control"));
    const QByteArray p = path.toLocal8Bit();
    struct stat st;
    if (::stat(p.constData(), &st) == 0 && !S_ISFIFO(st.st_mode))
        ::unlink(p.constData());
    if (::mkfifo(p.constData(), 0600) != 0 && errno != EEXIST) {
        std::perror("sim control mkfifo");
        g_running = false;
        return;
    }
    // Opened here, read and write: writers find a reader as soon as this returns, and the
    // FIFO never reports end-of-file when a writer goes away.
    const int fd = ::open(p.constData(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        std::perror("sim control open");
        g_running = false;
        return;
    }
    g_stop = false;
    g_reader = std::thread(reader_loop, fd);
}

void stop_control_fifo()
{
    if (!g_running.exchange(false))
        return;
    g_stop = true;
    if (g_reader.joinable())
        g_reader.join();
}

void set_screenshot_hook(ScreenshotHook hook)
{
    QMutexLocker l(&g_mutex);
    g_screenshot = std::move(hook);
}

void register_hardware_commands()
{
    register_output_commands();
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
    register_control_command(QStringLiteral("pc image"), QStringLiteral("pc image OFFSET HEXBYTES"),
                             [](const QStringList& a) {
        int off;
        if (a.size() != 2 || !to_int(a[0], 0, RAM_PARA_SIZE - 1, &off, 0))
            return false;
        const QByteArray hex = a[1].toLatin1();
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (hex.size() % 2 || bytes.size() * 2 != hex.size() || bytes.isEmpty()
            || off + bytes.size() > RAM_PARA_SIZE)
            return false;
        for (char c : hex)
            if (!std::isxdigit(uchar(c)))
                return false;
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        if (!p)
            return false;
        EngineLock lock;
        std::memcpy(p->ram_para + off, bytes.constData(), size_t(bytes.size()));
        EngineHandshake::instance().raise(1);
        return true;
    });
    register_control_command(QStringLiteral("pc lang-mask"), QStringLiteral("pc lang-mask HEX"),
                             [](const QStringList& a) {
        bool ok = false;
        const uint v = a.size() == 1 ? a[0].toUInt(&ok, 16) : 0;
        if (!ok)
            return false;
        g_lcd_lang_valid = v;
        return true;
    });
    register_control_command(QStringLiteral("pc busy"), QStringLiteral("pc busy on|off"),
                             [](const QStringList& a) {
        if (a.size() != 1 || (a[0] != QLatin1String("on") && a[0] != QLatin1String("off")))
            return false;
        if (a[0] == QLatin1String("on")) {
            pc_cmd_time = G_timeTicks.load();
            pc_cmd_valid = 1;
        } else {
            pc_cmd_valid = 0;
        }
        return true;
    });
    register_control_command(QStringLiteral("screenshot"), QStringLiteral("screenshot PATH (a device path)"),
                             [](const QStringList& a) {
        if (a.size() != 1)
            return false;
        const QString host = platform::dev_path(a[0]);
        ScreenshotHook hook;
        {
            QMutexLocker l(&g_mutex);
            hook = g_screenshot;
        }
        if (host.isEmpty() || !hook)
            return false;
        return hook(host);
    });
}

} // namespace sim
