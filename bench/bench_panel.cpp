// The panel's speed against the floor a bare Qt Widgets 320x240 dialog sets, both measured
// in the same run: start-up to the first shown screen (the 4 s wait for the hardware
// threads left out), key release to repaint on the home screen and on the busiest screen,
// opening and closing each registered screen, one para_sync write-back, idle CPU share of
// the whole process over 10 s and peak resident memory. Each figure is a median of
// repeated runs. Start-up, idle CPU and memory are measured in child processes of this
// program (--child MODE), the rest in this process.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_panel
//
// Exits non-zero when the idle panel takes 2 % of a core or more.
#include "startup.h"

#include "core/engine_handshake.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"
#include "ui/shell/syncupdate.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStartups = 5;
constexpr int kKeys = 40;
constexpr int kOpens = 8;
constexpr int kWriteBacks = 20;
constexpr int kIdleSeconds = 10;

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

long peak_rss_kib()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

// The bare dialog: six buttons, the focus moved by a style sheet on key release as the
// panel screens move theirs.
class BareDialog : public QDialog
{
public:
    BareDialog()
    {
        setFixedSize(320, 240);
        for (int i = 0; i < 6; ++i) {
            auto* b = new QPushButton(QStringLiteral("Item %1").arg(i + 1), this);
            b->setGeometry(10 + 100 * (i % 3), 20 + 100 * (i / 3), 90, 80);
            b->setFocusPolicy(Qt::NoFocus);
            m_items.push_back(b);
        }
        m_items[0]->setStyleSheet(kit::sheet::large_menu_focus);
    }

protected:
    void keyReleaseEvent(QKeyEvent*) override
    {
        const int n = kit::step(m_focus, int(m_items.size()), 1);
        kit::move_focus(m_items[size_t(m_focus)], kit::sheet::large_menu, m_items[size_t(n)],
                        kit::sheet::large_menu_focus);
        m_focus = n;
    }

private:
    std::vector<QPushButton*> m_items;
    int m_focus = 0;
};

// Processes events until a widget of `window` was painted (or a second passed).
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget* window) : m_window(window) { qApp->installEventFilter(this); }
    ~PaintWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() == QEvent::Paint) {
            auto* w = qobject_cast<QWidget*>(o);
            if (w && w->window() == m_window)
                m_painted = true;
        }
        return false;
    }
    bool wait()
    {
        QElapsedTimer t;
        t.start();
        while (!m_painted && t.elapsed() < 200)
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        return m_painted;
    }

private:
    QWidget* m_window;
    bool m_painted = false;
};

// Milliseconds from a key release to the repaint it causes; negative when nothing repainted.
double key_to_repaint(QWidget* receiver, int code)
{
    PaintWatch watch(receiver->window());
    QElapsedTimer t;
    t.start();
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier);
    QCoreApplication::sendEvent(receiver, &release);
    return watch.wait() ? ms(t) : -1;
}

void show_and_paint(QWidget* w)
{
    w->show();
    QElapsedTimer t;
    t.start();
    while (!(w->windowHandle() && w->windowHandle()->isExposed()) && t.elapsed() < 2000)
        QCoreApplication::processEvents();
    w->repaint();
}

// ---- child processes ----

void start_panel_child(QApplication* app, QTemporaryDir* root)
{
    platform::set_device_root(root->path());
    YuqRamPara::write_pause_us = 0;
    g_debugSwitch = 0;
    panel_start(app, PanelStart{0, true});
}

int child(const QString& mode, int argc, char* argv[])
{
    QElapsedTimer since;
    since.start();
    QTemporaryDir root;
    const bool panel = mode.endsWith(QLatin1String("panel"));
    if (panel) {
        platform::set_device_root(root.path());
        panel_prepare();
    }
    QApplication app(argc, argv);
    std::unique_ptr<BareDialog> bare;
    QWidget* first = nullptr;
    if (panel) {
        start_panel_child(&app, &root);
        first = kit::instance(page::LockWindow);
    } else {
        bare = std::make_unique<BareDialog>();
        first = bare.get();
    }
    show_and_paint(first);
    if (mode.startsWith(QLatin1String("startup"))) {
        std::printf("startup %.3f\n", ms(since));
        std::fflush(stdout);
        std::_Exit(0);
    }
    // Idle: settle, then the whole process's CPU time over the period.
    double c0 = 0;
    QElapsedTimer wall;
    QTimer::singleShot(2000, [&] {
        c0 = cpu_seconds();
        wall.start();
        QTimer::singleShot(kIdleSeconds * 1000, [&] {
            const double share = 100.0 * (cpu_seconds() - c0) / (double(wall.nsecsElapsed()) / 1e9);
            std::printf("idle %.3f %ld\n", share, peak_rss_kib());
            std::fflush(stdout);
            std::_Exit(0); // the service threads are never joined on the device
        });
    });
    return app.exec();
}

// Runs this program as a child; the numbers of its line starting with `key`.
QList<double> run_child(const QString& mode, const QString& key, QProcess* started = nullptr)
{
    QProcess local;
    QProcess* p = started ? started : &local;
    if (!started)
        p->start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    p->waitForFinished(60000);
    QList<double> out;
    for (const QByteArray& line : p->readAllStandardOutput().split('\n')) {
        if (!line.startsWith(key.toLatin1() + ' '))
            continue;
        for (const QByteArray& w : line.split(' ').mid(1))
            out << w.toDouble();
    }
    return out;
}

// ---- report ----

FILE* g_report = stdout;

void row(const QString& what, double panel, double bare, const char* unit)
{
    // A bare figure near zero gives no meaningful ratio.
    if (bare >= 0.01)
        std::fprintf(g_report, "%-48s %10.2f %10.2f %8.2f  %s\n", qPrintable(what), panel, bare, panel / bare, unit);
    else
        std::fprintf(g_report, "%-48s %10.2f %10.2f %8s  %s\n", qPrintable(what), panel, bare, "-", unit);
}

QString page_name(int p)
{
    QWidget* w = kit::instance(uint8_t(p));
    return w ? QString::fromLatin1(w->metaObject()->className()) : QString();
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLatin1(argv[2]), argc, argv);

    QApplication app(argc, argv);
    // Idle children first: they run their 12 s while the rest is measured.
    QProcess idlePanel, idleBare;
    idlePanel.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("idle-panel")});
    idleBare.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), QStringLiteral("idle-bare")});

    std::vector<double> startPanel, startBare;
    for (int i = 0; i < kStartups; ++i) {
        startPanel.push_back(run_child(QStringLiteral("startup-panel"), QStringLiteral("startup")).value(0));
        startBare.push_back(run_child(QStringLiteral("startup-bare"), QStringLiteral("startup")).value(0));
    }

    // The bare dialog first: the panel's desktop rules would send its keys to the panel.
    std::vector<double> keyBare;
    {
        BareDialog bare;
        show_and_paint(&bare);
        for (int i = 0; i < kKeys; ++i)
            keyBare.push_back(key_to_repaint(&bare, 'R'));
    }

    std::vector<double> openBare, closeBare;
    for (int i = 0; i < kOpens; ++i) {
        QElapsedTimer clock;
        BareDialog* d = new BareDialog;
        d->setAttribute(Qt::WA_DeleteOnClose);
        QTimer::singleShot(0, [&] {
            show_and_paint(d);
            openBare.push_back(ms(clock));
            clock.restart();
            d->close();
        });
        clock.start();
        d->exec();
        closeBare.push_back(ms(clock));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The panel in this process, the tick on its timer; its traces go nowhere.
    g_report = fdopen(dup(1), "w");
    std::freopen("/dev/null", "w", stdout);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QTemporaryDir root;
    platform::set_device_root(root.path());
    panel_prepare();
    start_panel_child(&app, &root);
    kit::close_page(page::LockWindow);
    g_page_focus = page::MainWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    show_and_paint(g_mainwindow);
    std::vector<double> keyHome;
    for (int i = 0; i < kKeys; ++i)
        keyHome.push_back(key_to_repaint(g_mainwindow, 'R'));

    // Opening and closing each registered screen (the home screen is always open), and the
    // number of widgets of each to find the busiest.
    struct Timing
    {
        std::vector<double> open, close, key;
        int widgets = 0;
        QString name;
    };
    std::vector<Timing> pages(page::Count);
    auto open_close = [&](int p, bool keys) {
        Timing& t = pages[size_t(p)];
        QElapsedTimer clock;
        auto inside = [&] {
            QWidget* w = kit::instance(uint8_t(p));
            if (!w)
                return;
            show_and_paint(w);
            t.open.push_back(ms(clock));
            t.widgets = int(w->findChildren<QWidget*>().size());
            t.name = page_name(p);
            // Key release to repaint where the right key repaints something.
            for (int i = 0; keys && i < kKeys; ++i) {
                const double k = key_to_repaint(w, 'R');
                if (k < 0)
                    break;
                t.key.push_back(k);
            }
            clock.restart();
            kit::close_page(uint8_t(p));
        };
        clock.start();
        if (kit::opens_modal(uint8_t(p))) {
            QTimer::singleShot(0, inside);
            kit::open(uint8_t(p));
        } else {
            kit::open(uint8_t(p));
            inside();
        }
        t.close.push_back(ms(clock));
        g_page_focus = page::MainWindow;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    // The busiest screen: the one with the most widgets among those a key repaints.
    int busiest = -1;
    for (int p = 0; p < page::Count; ++p) {
        if (p == page::MainWindow || !kit::is_registered(uint8_t(p)))
            continue;
        open_close(p, true);
        for (int i = 1; i < kOpens; ++i)
            open_close(p, false);
        const Timing& t = pages[size_t(p)];
        if (!t.key.empty() && (busiest < 0 || t.widgets > pages[size_t(busiest)].widgets))
            busiest = p;
    }

    // One write-back: a changed image, para_sync writes the parameter file.
    YuqRamPara* para = YuqRamPara::p_yuqrampara_config;
    std::vector<double> writeBack;
    for (int i = 0; i < kWriteBacks; ++i) {
        {
            EngineLock lock;
            para->set_image16(img::Brightness, uint16_t(i % 100));
        }
        QElapsedTimer t;
        t.start();
        SyncUpdate::pInstance()->para_sync(0);
        writeBack.push_back(ms(t));
    }

    const QList<double> idleP = run_child(QString(), QStringLiteral("idle"), &idlePanel);
    const QList<double> idleB = run_child(QString(), QStringLiteral("idle"), &idleBare);

    std::fprintf(g_report, "%-48s %10s %10s %8s\n", "median of repeated runs", "panel", "bare", "ratio");
    row(QStringLiteral("start-up to the first shown screen"), median(startPanel), median(startBare), "ms");
    const double bareKey = median(keyBare);
    row(QStringLiteral("key release to repaint, home screen"), median(keyHome), bareKey, "ms");
    if (busiest >= 0)
        row(QStringLiteral("key release to repaint, %1 (%2 widgets)").arg(pages[size_t(busiest)].name).arg(pages[size_t(busiest)].widgets),
            median(pages[size_t(busiest)].key), bareKey, "ms");
    const double bareOpen = median(openBare), bareClose = median(closeBare);
    for (int p = 0; p < page::Count; ++p) {
        const Timing& t = pages[size_t(p)];
        if (t.open.empty())
            continue;
        row(QStringLiteral("open page %1 %2").arg(p).arg(t.name), median(t.open), bareOpen, "ms");
        row(QStringLiteral("close page %1 %2").arg(p).arg(t.name), median(t.close), bareClose, "ms");
    }
    row(QStringLiteral("para_sync write-back (bare: one repaint)"), median(writeBack), bareKey, "ms");
    const double idle = idleP.value(0), idleBareShare = idleB.value(0);
    row(QStringLiteral("idle CPU over %1 s, whole process").arg(kIdleSeconds), idle, idleBareShare, "% of a core");
    row(QStringLiteral("peak resident memory"), idleP.value(1) / 1024.0, idleB.value(1) / 1024.0, "MiB");
    std::fflush(g_report);
    std::_Exit(idle < 2.0 ? 0 : 1); // the service threads are never joined on the device
}
