// The VNC path of the real program (build/app/yuqK87N, -platform vnc on a free local port,
// a fresh device root), seen from a raw RFB 3.3 viewer:
// - a key line written to the control FIFO to the first frame update after it, with the
//   viewer keeping three incremental requests outstanding (focus moves, a screen opened
//   and closed);
// - full raw frames asked for and read back to back;
// - the panel's CPU time (/proc/PID/stat) with no viewer, and with one viewer whose
//   incremental request waits while nothing changes;
// - beside it, the same key lines to a second panel shown in its X window (no platform
//   chosen, an Xvfb of its own): the line to the window's picture changing, watched by
//   reading the picture back every 0.2 ms (skipped without Xvfb);
// - a burst of 100 keys in one viewer write to the last frame update it brings, and the
//   updates per burst (each a grab of the panel that changed something).
//
//   build/bench/bench_vnc   (BENCH_PROGRAM=PATH measures another build's program)
#include "panelprocess.h"

#ifdef BENCH_X_WINDOW
#include <xcb/xcb.h>
#endif

#include <QCoreApplication>
#include <QProcess>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kRounds = 30; // of four keys each
constexpr int kOutstanding = 3;
constexpr int kSlowMs = 20;
constexpr int kQuietMs = 150; // no update this long: the last key's painting is over
constexpr int kFullSeconds = 3;
constexpr int kCpuSeconds = 10;
constexpr int kSettleMs = 8000; // start-up over (the FPGAs come up at about 3 s)
constexpr int kBursts = 12;
constexpr int kBurstKeys = 100;

struct Viewer
{
    QTcpSocket s;
    QByteArray buf;
    int outstanding = 0; // incremental requests the viewer keeps waiting; 0: none
    qint64 pixels = 0;   // of the last update

    QByteArray read(int n)
    {
        QByteArray b;
        while (b.size() < n && (s.bytesAvailable() > 0 || s.waitForReadyRead(5000)))
            b += s.read(n - b.size());
        return b;
    }
    // RFB 3.3 without security, shared, the server's pixel format, raw pixels only.
    bool open(quint16 port)
    {
        s.connectToHost(QHostAddress::LocalHost, port);
        s.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (!s.waitForConnected(3000) || !read(12).startsWith("RFB 003."))
            return false;
        s.write("RFB 003.003\n");
        if (read(4) != QByteArray("\0\0\0\1", 4))
            return false;
        s.write("\1", 1);
        const QByteArray init = read(24);
        if (init.size() != 24 || quint8(init[4]) != 32)
            return false;
        read(int(qFromBigEndian<quint32>(init.constData() + 20)));
        s.write(QByteArray::fromHex("0200000100000000"));
        return s.flush() || s.bytesToWrite() == 0;
    }
    void request(bool incremental)
    {
        QByteArray r = QByteArray::fromHex("030000000000014000f0");
        r[1] = incremental;
        s.write(r);
        s.flush();
    }
    // Length of the whole message at the head of the buffer (an update's pixels counted);
    // 0 while incomplete, -1 for one this viewer does not know.
    qint64 whole()
    {
        if (buf.isEmpty())
            return 0;
        switch (quint8(buf[0])) {
        case 0: {
            if (buf.size() < 4)
                return 0;
            qint64 at = 4, n = 0;
            for (int r = qFromBigEndian<quint16>(buf.constData() + 2); r > 0; --r) {
                if (buf.size() < at + 12)
                    return 0;
                const char* h = buf.constData() + at;
                if (qFromBigEndian<qint32>(h + 8) != 0)
                    return -1;
                const qint64 area = qint64(qFromBigEndian<quint16>(h + 4)) * qFromBigEndian<quint16>(h + 6);
                n += area;
                at += 12 + 4 * area;
            }
            pixels = n;
            return buf.size() >= at ? at : 0;
        }
        case 2:
            return 1;
        default:
            return -1;
        }
    }
    // True once a whole frame update came within `ms`; an incremental request follows it
    // where the viewer keeps some outstanding.
    bool update(int ms)
    {
        QElapsedTimer t;
        t.start();
        for (;;) {
            const qint64 n = whole();
            if (n < 0)
                return false;
            if (n > 0) {
                const bool frame = buf.at(0) == 0;
                buf.remove(0, int(n));
                if (!frame)
                    continue;
                if (outstanding > 0)
                    request(true);
                return true;
            }
            const qint64 left = ms - t.elapsed();
            if (s.bytesAvailable() == 0 && (left <= 0 || !s.waitForReadyRead(int(left))))
                return false;
            buf += s.readAll();
        }
    }
    // Presses and releases of `keysyms`, in one write.
    void keys(const std::vector<quint32>& keysyms)
    {
        QByteArray b;
        for (const quint32 k : keysyms)
            for (const char down : {1, 0}) {
                char m[8] = {4, down, 0, 0};
                qToBigEndian(k, m + 4);
                b.append(m, 8);
            }
        s.write(b);
        s.flush();
    }
    void keep_outstanding(int n)
    {
        outstanding = n;
        for (int i = 0; i < n; ++i)
            request(true);
    }
};

#ifdef BENCH_X_WINDOW
// The panel's X window on a display of its own, its picture read back.
struct WindowWatch
{
    xcb_connection_t* c = nullptr;
    xcb_window_t win = 0;
    QByteArray last;

    ~WindowWatch()
    {
        if (c)
            xcb_disconnect(c);
    }
    bool connect(const QByteArray& display)
    {
        c = xcb_connect(display.constData(), nullptr);
        return !xcb_connection_has_error(c);
    }
    // The mapped top-level window named yuqK87N (no window manager: a child of the root).
    bool find()
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        if (!tree)
            return false;
        const xcb_window_t* kids = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !win; ++i) {
            xcb_get_property_reply_t* name = xcb_get_property_reply(
                c, xcb_get_property(c, 0, kids[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 16), nullptr);
            xcb_get_window_attributes_reply_t* a = xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[i]), nullptr);
            if (name && a && a->map_state == XCB_MAP_STATE_VIEWABLE
                && QByteArray(static_cast<const char*>(xcb_get_property_value(name)), xcb_get_property_value_length(name)) == "yuqK87N")
                win = kids[i];
            std::free(name);
            std::free(a);
        }
        std::free(tree);
        return win != 0;
    }
    QByteArray picture()
    {
        xcb_get_image_reply_t* r = xcb_get_image_reply(
            c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, win, 0, 0, 320, 240, ~0u), nullptr);
        QByteArray p = r ? QByteArray(reinterpret_cast<const char*>(xcb_get_image_data(r)), xcb_get_image_data_length(r)) : QByteArray();
        std::free(r);
        return p;
    }
    // True once the picture differs from the last one within `ms` (then it is the last).
    bool changed(int ms)
    {
        QElapsedTimer t;
        t.start();
        do {
            const QByteArray now = picture();
            if (!now.isEmpty() && now != last) {
                last = now;
                return true;
            }
            QThread::usleep(200);
        } while (t.elapsed() < ms);
        return false;
    }
};
#else
// A build without the X window (the board's).
struct WindowWatch
{
    unsigned win = 0;
    bool connect(const QByteArray&) { return false; }
    bool find() { return false; }
    bool changed(int) { return false; }
};
#endif

double cpu_seconds(qint64 pid)
{
    const QByteArray stat = file_bytes(QStringLiteral("/proc/%1/stat").arg(pid));
    const QList<QByteArray> f = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    // utime and stime: the stat line's fields 14 and 15, the state being field 3.
    return f.size() > 12 ? double(f[11].toLongLong() + f[12].toLongLong()) / double(sysconf(_SC_CLK_TCK)) : 0;
}

// Milliseconds of CPU per second the panel takes over `seconds`.
double cpu_ms_per_s(qint64 pid, int seconds)
{
    QElapsedTimer t;
    t.start();
    const double from = cpu_seconds(pid);
    QThread::sleep(unsigned(seconds));
    return (cpu_seconds(pid) - from) * 1e3 / (double(t.nsecsElapsed()) / 1e9);
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[size_t(p * double(v.size() - 1) + 0.5)];
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const quint16 port = free_local_port();
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("root"));
    const QString program = qEnvironmentVariableIsSet("BENCH_PROGRAM") ? qEnvironmentVariable("BENCH_PROGRAM")
                                                                        : QStringLiteral(YUQK87N);
    Panel panel;
    QElapsedTimer since_start;
    since_start.start();
    panel.start(root, {QStringLiteral("-platform"), QStringLiteral("vnc:size=320x240:port=%1").arg(port)}, program);
    if (!Panel::answers(root) || !Panel::write_line(root, "key ok\n") || !Panel::answers(root)) {
        std::fprintf(stderr, "bench_vnc: the panel did not start:\n%s\n", panel.out.constData());
        return 1;
    }
    const qint64 pid = panel.proc.processId();

    // The second panel in its X window, on an Xvfb of its own.
    int n = 90;
    while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
        ++n;
    const QByteArray display = ":" + QByteArray::number(n);
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QString::fromLatin1(display), QStringLiteral("-screen"), QStringLiteral("0"),
                                        QStringLiteral("320x240x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                        QStringLiteral("-noreset")});
    WindowWatch x;
    const QString xroot = dir.filePath(QStringLiteral("xroot"));
    Panel xpanel;
    bool windowed = xvfb.waitForStarted();
    if (windowed) {
        for (int i = 0; i < 100 && !QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); ++i)
            QThread::msleep(50);
        windowed = x.connect(display);
    }
    if (windowed) {
        qputenv("DISPLAY", display);
        xpanel.start(xroot, {}, program);
        windowed = Panel::answers(xroot) && Panel::write_line(xroot, "key ok\n") && Panel::answers(xroot);
        for (int i = 0; windowed && i < 100 && !x.find(); ++i)
            QThread::msleep(50);
        windowed = windowed && x.win;
    }
    if (!windowed)
        std::fprintf(stderr, "bench_vnc: no panel in an X window (no Xvfb, or a build without the X window): its rows are left out\n");
    QThread::msleep(ulong(std::max<qint64>(0, kSettleMs - since_start.elapsed())));

    // CPU: no viewer, then one whose incremental request waits.
    const double cpu_none = cpu_ms_per_s(pid, kCpuSeconds);
    double cpu_one = 0;
    int idle_updates = 0;
    {
        Viewer v;
        if (!v.open(port) || (v.request(false), !v.update(5000))) {
            std::fprintf(stderr, "bench_vnc: no first frame\n");
            return 1;
        }
        v.request(true);
        QThread::msleep(1000);
        cpu_one = cpu_ms_per_s(pid, kCpuSeconds);
        while (v.update(0))
            ++idle_updates;
    }

    // Keys to their frames: on the home screen's first tile, a focus move there and back,
    // its screen opened and closed.
    struct Kind
    {
        const char* what;
        QByteArray lines[2];
        std::vector<double> ms;
        int missed = 0;
    };
    // The rounds' lines to `into`, each to the first update `updated(ms)` sees after it,
    // once the last line's updates are over.
    const auto measure = [](const QString& into, Kind (&kinds)[3], std::vector<double>& all, const auto& updated) {
        const std::pair<Kind*, int> round[] = {{&kinds[0], 0}, {&kinds[0], 1}, {&kinds[1], 0}, {&kinds[2], 0}};
        QElapsedTimer t;
        for (int i = 0; i < kRounds; ++i)
            for (const auto& [kind, line] : round) {
                while (updated(kQuietMs)) {
                }
                t.start();
                Panel::write_line(into, kind->lines[line]);
                if (updated(2000)) {
                    kind->ms.push_back(double(t.nsecsElapsed()) / 1e6);
                    all.push_back(kind->ms.back());
                } else {
                    ++kind->missed;
                }
            }
    };
    Kind kinds[] = {
        {"`key right`/`key left` (focus moves)", {"key right\n", "key left\n"}, {}, 0},
        {"`key ok` (a screen opens)", {"key ok\n"}, {}, 0},
        {"`key back` (the screen closes)", {"key back\n"}, {}, 0},
    };
    std::vector<double> all;
    {
        Viewer v;
        if (!v.open(port) || (v.request(false), !v.update(5000))) {
            std::fprintf(stderr, "bench_vnc: no first frame\n");
            return 1;
        }
        v.keep_outstanding(kOutstanding);
        measure(root, kinds, all, [&v](int ms) { return v.update(ms); });
    }

    // Bursts of keys on the home screen (focus moves, right and left taking turns, two right
    // more in all), each in one write: to the last update, once they have stopped.
    std::vector<double> burst_ms, burst_updates;
    {
        Viewer v;
        if (!v.open(port) || (v.request(false), !v.update(5000))) {
            std::fprintf(stderr, "bench_vnc: no first frame\n");
            return 1;
        }
        v.keep_outstanding(kOutstanding);
        std::vector<quint32> keys;
        for (int i = 0; i < kBurstKeys; ++i)
            keys.push_back(i % 2 == 0 || i >= kBurstKeys - 2 ? 'r' : 's');
        QElapsedTimer t;
        for (int i = 0; i < kBursts; ++i) {
            while (v.update(kQuietMs)) {
            }
            // The panel logs every key: its pipe read, or its writes would wait.
            while (panel.proc.waitForReadyRead(0))
                panel.proc.readAll();
            t.start();
            v.keys(keys);
            double last = -1;
            int updates = 0;
            while (v.update(updates ? kQuietMs : 2000)) {
                last = double(t.nsecsElapsed()) / 1e6;
                ++updates;
            }
            if (updates) {
                burst_ms.push_back(last);
                burst_updates.push_back(updates);
            }
        }
    }

    // The same lines to the panel in its window, to its picture's change.
    Kind xkinds[] = {
        {"X window: `key right`/`key left`", {"key right\n", "key left\n"}, {}, 0},
        {"X window: `key ok`", {"key ok\n"}, {}, 0},
        {"X window: `key back`", {"key back\n"}, {}, 0},
    };
    std::vector<double> xall;
    if (windowed)
        measure(xroot, xkinds, xall, [&x](int ms) { return x.changed(ms); });

    // Full raw frames back to back.
    int full = 0;
    double full_s = 0;
    {
        Viewer v;
        if (!v.open(port)) {
            std::fprintf(stderr, "bench_vnc: no viewer served\n");
            return 1;
        }
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < kFullSeconds * 1000) {
            v.request(false);
            if (!v.update(5000) || v.pixels != 320 * 240)
                break;
            ++full;
        }
        full_s = double(t.nsecsElapsed()) / 1e9;
    }
    const bool alive = Panel::answers(root);

    std::printf("| key line to its frame update (%d incremental requests outstanding), or to the X window's picture | samples | median ms | p90 ms | max ms | over %d ms | no update in 2 s |\n",
                kOutstanding, kSlowMs);
    std::printf("|---|---|---|---|---|---|---|\n");
    const auto row = [](const char* what, const std::vector<double>& ms, int missed) {
        std::printf("| %s | %zu | %.1f | %.1f | %.1f | %ld | %d |\n", what, ms.size(), percentile(ms, 0.5), percentile(ms, 0.9),
                    ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()),
                    long(std::count_if(ms.begin(), ms.end(), [](double m) { return m > kSlowMs; })), missed);
    };
    int missed = 0;
    for (const Kind& k : kinds) {
        row(k.what, k.ms, k.missed);
        missed += k.missed;
    }
    row("all", all, missed);
    if (windowed) {
        int xmissed = 0;
        for (const Kind& k : xkinds) {
            row(k.what, k.ms, k.missed);
            xmissed += k.missed;
        }
        row("X window: all", xall, xmissed);
    }
    std::printf("\n| burst of %d keys in one viewer write | bursts | median | p90 | max |\n|---|---|---|---|---|\n", kBurstKeys);
    const auto figures = [](const char* what, const std::vector<double>& v, const char* format) {
        std::printf("| %s | %zu | ", what, v.size());
        for (const double f : {percentile(v, 0.5), percentile(v, 0.9), v.empty() ? 0.0 : *std::max_element(v.begin(), v.end())})
            std::printf(format, f);
        std::printf("\n");
    };
    figures("to its last frame update, ms", burst_ms, "%.1f | ");
    figures("frame updates (grabs that changed the picture)", burst_updates, "%.0f | ");
    std::printf("\n| VNC | figure |\n|---|---|\n");
    std::printf("| full raw frames back to back | %.0f frames/s (%.1f MB/s) |\n", full / full_s, full / full_s * 320 * 240 * 4 / 1e6);
    std::printf("| panel CPU, no viewer | %.1f ms/s |\n", cpu_none);
    std::printf("| panel CPU, one viewer, an incremental request waiting | %.1f ms/s (%d updates meanwhile) |\n", cpu_one, idle_updates);
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished(3000);
    }
    if (!alive) {
        std::fprintf(stderr, "bench_vnc: the panel stopped answering\n");
        return 1;
    }
    return 0;
}
