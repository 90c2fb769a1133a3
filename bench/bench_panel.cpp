// The panel's speed and memory against fair floors, all measured in one run:
// - each built screen of the page table: its open (cold = first, warm = the rest) and a
//   left/right key, against the same form on a plain widget (setupUi only) opened, and
//   restyled at two widgets as a focus move does;
// - start-up to the first shown screen (the 4 s wait for the hardware threads left out)
//   against a process showing the same two forms (home and standby) on plain widgets, with
//   the texts the panel's screens put on them;
// - idle CPU of the whole process against a floor process with the 10 ms GUI timer and
//   empty threads sleeping at the panel loops' periods;
// - resident memory after the first and after 300 open/back cycles of every screen,
//   against a bare dialog opened and closed as often.
// Medians with the interquartile range; GUI-thread CPU time beside wall time, so a loaded
// machine does not hide a regression. Start-up, idle and memory run in child processes of
// this program (--child MODE), the rest in this process.
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_panel
//
// Exits non-zero when the idle panel takes 2 % of a core or more.
#include "bench_forms.h"
#include "host_start.h"
#include "startup.h"

#include "core/global.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDataStream>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kStartups = 7;
constexpr int kOpens = 24;     // per screen and floor; the first is the cold one
constexpr int kKeys = 60;      // left/right pairs per screen and floor
constexpr int kCycles = 300;   // open/back cycles of every screen for the memory figures
constexpr int kIdleSeconds = 10;
constexpr int kIdleRounds = 5;
// Idle is measured once start-up is over: the FPGAs come up some 3 s after the start.
constexpr int kIdleSettleMs = 5000;
// The panel's worker loops sleep this long between passes (FPGA, engine, inputs, USB
// uevents, WiFi supervisor).
constexpr int kLoopPeriodsMs[] = {10, 10, 20, 50, 100};

// ---- clocks and statistics ----

double thread_cpu_ms()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double process_cpu_s()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Sample
{
    double wall = -1, cpu = -1; // ms; negative: nothing measured
};

struct Clock
{
    QElapsedTimer wall;
    double cpu0 = 0;
    void start()
    {
        cpu0 = thread_cpu_ms();
        wall.start();
    }
    Sample sample() const { return {double(wall.nsecsElapsed()) / 1e6, thread_cpu_ms() - cpu0}; }
};

struct Stat
{
    double median = 0, q1 = 0, q3 = 0;
    bool valid = false;
};

double quantile(const std::vector<double>& s, double q)
{
    const double pos = q * double(s.size() - 1);
    const size_t i = size_t(pos);
    const double f = pos - double(i);
    return i + 1 < s.size() ? s[i] * (1 - f) + s[i + 1] * f : s[i];
}

Stat stat(std::vector<double> v)
{
    Stat s;
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    s = {quantile(v, 0.5), quantile(v, 0.25), quantile(v, 0.75), true};
    return s;
}

struct Series
{
    std::vector<Sample> v;
    void add(Sample s)
    {
        if (s.wall >= 0)
            v.push_back(s);
    }
    Stat wall(size_t from = 0) const { return pick(from, [](const Sample& s) { return s.wall; }); }
    Stat cpu(size_t from = 0) const { return pick(from, [](const Sample& s) { return s.cpu; }); }
    double cold() const { return v.empty() ? -1 : v.front().wall; }

private:
    Stat pick(size_t from, double (*f)(const Sample&)) const
    {
        std::vector<double> x;
        for (size_t i = from; i < v.size(); ++i)
            x.push_back(f(v[i]));
        return stat(x);
    }
};

// ---- showing and painting ----

// Processes events until a widget of `window` was painted (or 200 ms passed).
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

void show_and_paint(QWidget* w)
{
    w->show();
    QElapsedTimer t;
    t.start();
    while (!(w->windowHandle() && w->windowHandle()->isExposed()) && t.elapsed() < 2000)
        QCoreApplication::processEvents();
    w->repaint();
}

// What a key changed, by widget name: the sheets it set and the widgets it showed or hid
// (a page of a stacked widget), which the plain form then does alike.
struct Restyle
{
    enum Kind { Sheet, Show, Hide };
    QString name, sheet;
    Kind kind = Sheet;
};
using Restyles = std::vector<Restyle>;

class SheetWatch : public QObject
{
public:
    SheetWatch(QWidget* window, Restyles* out) : m_window(window), m_out(out)
    {
        qApp->installEventFilter(this);
    }
    ~SheetWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* o, QEvent* e) override
    {
        const QEvent::Type t = e->type();
        if (t != QEvent::StyleChange && t != QEvent::ShowToParent && t != QEvent::HideToParent)
            return false;
        auto* w = qobject_cast<QWidget*>(o);
        if (!m_out || !w || w->isWindow() || w->window() != m_window || w->objectName().isEmpty())
            return false;
        if (t == QEvent::StyleChange)
            m_out->push_back({w->objectName(), w->styleSheet(), Restyle::Sheet});
        else
            m_out->push_back({w->objectName(), QString(), t == QEvent::ShowToParent ? Restyle::Show : Restyle::Hide});
        return false;
    }

private:
    QWidget* m_window;
    Restyles* m_out;
};

// A key release to the repaint it causes; no sample when nothing repainted. The sheets the
// key set go to `sheets` when given.
Sample key_to_repaint(QWidget* receiver, int code, Restyles* sheets = nullptr)
{
    PaintWatch watch(receiver->window());
    SheetWatch record(receiver->window(), sheets);
    Clock c;
    c.start();
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier);
    QCoreApplication::sendEvent(receiver, &release);
    return watch.wait() ? c.sample() : Sample{};
}

// The floor of a focus move: the sheets the screen's own key set and the widgets it showed or
// hid (`sheets`, the same widgets of the form by name, each changed only when it differs, as
// the kit sets them), to the repaint.
// Where that changes none of the form's widgets (a screen-wide sheet's looks, widgets of
// its own, a sheet set again unchanged), two items of the form restyled: its first two buttons, else its first two
// widgets without children (a sheet on a container would restyle all it holds).
Sample restyle_two(QWidget* form, int n, const Restyles& sheets)
{
    std::vector<std::pair<QWidget*, const Restyle*>> set;
    for (const Restyle& r : sheets) {
        auto* w = form->findChild<QWidget*>(r.name);
        if (w && (r.kind == Restyle::Sheet ? w->styleSheet() != r.sheet : w->isHidden() != (r.kind == Restyle::Hide)))
            set.emplace_back(w, &r);
    }
    if (!set.empty()) {
        PaintWatch watch(form);
        Clock c;
        c.start();
        for (auto& [w, r] : set) {
            if (r->kind == Restyle::Sheet)
                w->setStyleSheet(r->sheet);
            else
                w->setVisible(r->kind == Restyle::Show);
        }
        return watch.wait() ? c.sample() : Sample{};
    }
    QList<QWidget*> leaves, buttons;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        if (w->isWindow() || !w->isVisibleTo(form) || w->width() < 4 || w->height() < 4
            || !w->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
            continue;
        leaves << w;
        if (qobject_cast<QAbstractButton*>(w))
            buttons << w;
    }
    const QList<QWidget*>& ws = buttons.size() >= 2 ? buttons : leaves;
    if (ws.size() < 2)
        return {};
    PaintWatch watch(form);
    Clock c;
    c.start();
    kit::move_focus(ws[n % 2], kit::sheet::field, ws[(n + 1) % 2], kit::sheet::field_focus);
    return watch.wait() ? c.sample() : Sample{};
}

// The bare dialog: six buttons, the focus moved by a style sheet on key release as the
// panel screens move theirs. Its items are a panel text in the panel's language (Chinese at
// first start): the first CJK glyph alone maps some 3 MB of the Chinese font's tables, which
// any dialog of a Chinese panel pays.
class BareDialog : public QDialog
{
public:
    BareDialog()
    {
        setFixedSize(320, 240);
        for (int i = 0; i < 6; ++i) {
            auto* b = new QPushButton(kit::text(Txt::option_title) + QString::number(i + 1), this);
            b->setGeometry(10 + 100 * (i % 3), 20 + 100 * (i / 3), 90, 80);
            b->setFocusPolicy(Qt::NoFocus);
            m_items.push_back(b);
        }
        m_items[0]->setStyleSheet(kit::sheet::large_menu_focus);
    }

protected:
    void keyReleaseEvent(QKeyEvent* e) override
    {
        const int n = kit::step(m_focus, int(m_items.size()), e->key() == 'R' ? 1 : -1);
        kit::move_focus(m_items[size_t(m_focus)], kit::sheet::large_menu, m_items[size_t(n)],
                        kit::sheet::large_menu_focus);
        m_focus = n;
    }

private:
    std::vector<QPushButton*> m_items;
    int m_focus = 0;
};

const BenchForm* form_of(const char* name)
{
    for (const BenchForm& f : kBenchForms)
        if (std::strcmp(f.name, name) == 0)
            return &f;
    return nullptr;
}

// BENCH_PAGES (a regular expression of page names) narrows a run to those screens and
// leaves the whole-process figures out: for looking at one screen under a profiler.
QString pages_filter()
{
    return QString::fromLocal8Bit(qgetenv("BENCH_PAGES"));
}

bool measured(int p)
{
    static const QString f = pages_filter();
    return kit::kPages[p].built
           && (f.isEmpty() || QRegularExpression(f).match(QLatin1String(kit::kPages[p].name)).hasMatch());
}

// ---- the panel ----

void start_panel(QApplication* app, const QString& root)
{
    platform::set_device_root(root);
    YuqRamPara::write_pause_us = 0;
    g_debugSwitch = 0;
    panel_start(app, PanelStart{0, true});
}

// Opens page p, calls `inside` once it is shown and painted, closes it again (its back
// action's effect); the open's sample.
Sample open_page(int p, const std::function<void(QWidget*)>& inside = {})
{
    Sample s;
    Clock c;
    auto run = [&] {
        QWidget* w = kit::instance(uint8_t(p));
        if (!w)
            return;
        show_and_paint(w);
        s = c.sample();
        if (inside)
            inside(w);
        kit::close_page(uint8_t(p));
    };
    c.start();
    if (kit::opens_modal(uint8_t(p))) {
        QTimer::singleShot(0, run);
        kit::open(uint8_t(p));
    } else {
        kit::open(uint8_t(p));
        run();
    }
    g_page_focus = page::MainWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return s;
}

void panel_to_home()
{
    kit::close_page(page::LockWindow);
    g_page_focus = page::MainWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    show_and_paint(g_mainwindow);
}

// ---- child processes ----

struct Rss
{
    long now = 0, peak = 0; // KiB
};

Rss rss()
{
    Rss r;
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return r;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            r.now = line.mid(6).trimmed().split(' ').value(0).toLong();
        else if (line.startsWith("VmHWM:"))
            r.peak = line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return r;
}

void say(const char* key, std::initializer_list<double> values)
{
    std::printf("%s", key);
    for (double v : values)
        std::printf(" %.4f", v);
    std::printf("\n");
    std::fflush(stdout);
}

// Empty threads sleeping at the panel loops' periods, as the idle floor has them.
void start_floor_threads()
{
    for (int ms : kLoopPeriodsMs)
        std::thread([ms] {
            for (;;)
                std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        }).detach();
}

// The texts of the named labels and buttons of some windows, by window and widget name.
using FormTexts = QHash<QString, QString>;

QString text_key(const QWidget* window, const QWidget* w)
{
    return window->objectName() + QLatin1Char('/') + w->objectName();
}

void save_form_texts(const QString& path, std::initializer_list<QWidget*> windows)
{
    FormTexts texts;
    for (QWidget* window : windows) {
        for (QLabel* l : window->findChildren<QLabel*>())
            if (!l->objectName().isEmpty() && !l->text().isEmpty())
                texts.insert(text_key(window, l), l->text());
        for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
            if (!b->objectName().isEmpty() && !b->text().isEmpty())
                texts.insert(text_key(window, b), b->text());
    }
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        QDataStream out(&f);
        out << texts;
    }
}

FormTexts load_form_texts(const QString& path)
{
    FormTexts texts;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        QDataStream in(&f);
        in >> texts;
    }
    return texts;
}

void put_form_texts(QWidget* form, const FormTexts& texts)
{
    for (QLabel* l : form->findChildren<QLabel*>())
        if (auto it = texts.constFind(text_key(form, l)); it != texts.constEnd())
            l->setText(*it);
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>())
        if (auto it = texts.constFind(text_key(form, b)); it != texts.constEnd())
            b->setText(*it);
}

int child(const QString& mode, int argc, char* argv[])
{
    QElapsedTimer since;
    since.start();
    const double cpu0 = thread_cpu_ms();
    // Start-up runs on a device root an earlier start made (argv[3]), as the device starts:
    // its folders and files are there.
    QTemporaryDir fresh;
    const QString rootPath = argc > 3 ? QString::fromLocal8Bit(argv[3]) : fresh.path();
    const bool panel = mode.endsWith(QLatin1String("panel"));
    if (panel) {
        platform::set_device_root(rootPath);
        panel_prepare();
    }
    QApplication app(argc, argv);
    if (panel) {
        std::freopen("/dev/null", "w", stderr);
        start_panel(&app, rootPath);
    } else {
        host::device_look(); // the panel's style and fonts, as the panel sets them
    }
    std::vector<std::unique_ptr<QWidget>> floors;
    if (mode == QLatin1String("startup-panel")) {
        show_and_paint(kit::instance(page::LockWindow));
        if (argc > 4) // the first start: the texts its screens put on their forms
            save_form_texts(QString::fromLocal8Bit(argv[4]), {g_mainwindow, kit::instance(page::LockWindow)});
    } else if (mode == QLatin1String("startup-floor")) {
        // The same two forms, home beneath, standby on top, with the texts the panel's
        // screens put on them (argv[3]): a Chinese panel's first screen loads the Chinese font.
        const FormTexts texts = argc > 3 ? load_form_texts(QString::fromLocal8Bit(argv[3])) : FormTexts();
        for (const char* name : {"MainWindow", "LockWindow"})
            if (const BenchForm* f = form_of(name)) {
                floors.emplace_back(f->make());
                put_form_texts(floors.back().get(), texts);
                show_and_paint(floors.back().get());
            }
    }
    if (mode.startsWith(QLatin1String("startup"))) {
        say("startup", {double(since.nsecsElapsed()) / 1e6, thread_cpu_ms() - cpu0});
        std::_Exit(0);
    }
    if (mode.startsWith(QLatin1String("memory"))) {
        // Every screen opened and closed kCycles times; the resident set after the first
        // and after the last cycle, and the peak.
        Rss first;
        if (panel) {
            panel_to_home();
            // BENCH_CYCLES=N: fewer cycles, for a heap profiler.
            const int cycles = qEnvironmentVariableIntValue("BENCH_CYCLES") > 0 ? qEnvironmentVariableIntValue("BENCH_CYCLES") : kCycles;
            for (int c = 0; c < cycles; ++c) {
                for (int p = 0; p < page::Count; ++p)
                    if (measured(p) && kit::kPages[p].kind != kit::PageKind::Home)
                        open_page(p);
                if (c == 0)
                    first = rss();
            }
        } else {
            for (int c = 0; c < kCycles; ++c) {
                auto d = std::make_unique<BareDialog>();
                show_and_paint(d.get());
                d->close();
                d.reset();
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                if (c == 0)
                    first = rss();
            }
        }
        const Rss last = rss();
        // BENCH_SMAPS=DIR keeps each child's mappings, to see where its memory is.
        if (const QByteArray dir = qgetenv("BENCH_SMAPS"); !dir.isEmpty())
        {
            QFile in(QStringLiteral("/proc/self/smaps")), out(QString::fromLocal8Bit(dir) + QLatin1Char('/') + mode);
            if (in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly))
                out.write(in.readAll());
        }
        say("memory", {double(first.now), double(last.now), double(last.peak)});
        std::_Exit(0);
    }
    // Idle: settle, then the whole process's CPU time over the period.
    std::unique_ptr<BareDialog> bare;
    QTimer tick;
    if (!panel) {
        bare = std::make_unique<BareDialog>();
        show_and_paint(bare.get());
        QObject::connect(&tick, &QTimer::timeout, [] {});
        tick.start(10);
        start_floor_threads();
    }
    double c0 = 0;
    QElapsedTimer wall;
    QTimer::singleShot(kIdleSettleMs, [&] {
        c0 = process_cpu_s();
        wall.start();
        QTimer::singleShot(kIdleSeconds * 1000, [&] {
            say("idle", {100.0 * (process_cpu_s() - c0) / (double(wall.nsecsElapsed()) / 1e9)});
            std::_Exit(0); // the service threads are never joined on the device
        });
    });
    return app.exec();
}

QProcess* spawn(const QString& mode, const QStringList& more = {})
{
    auto* p = new QProcess;
    p->start(QCoreApplication::applicationFilePath(), QStringList{QStringLiteral("--child"), mode} + more);
    return p;
}

// The numbers of the child's line starting with `key`.
QList<double> result(QProcess* p, const char* key)
{
    p->waitForFinished(600000);
    QList<double> out;
    for (const QByteArray& line : p->readAllStandardOutput().split('\n'))
        if (line.startsWith(QByteArray(key) + ' '))
            for (const QByteArray& w : line.split(' ').mid(1))
                out << w.toDouble();
    delete p;
    return out;
}

// ---- report ----

FILE* g_report = stdout;

QString ms(const Stat& s)
{
    if (!s.valid)
        return QStringLiteral("–");
    return QStringLiteral("%1 (%2–%3)").arg(s.median, 0, 'f', 2).arg(s.q1, 0, 'f', 2).arg(s.q3, 0, 'f', 2);
}

// A figure of a run that measured it; "–" for one it left out.
QString figure(bool measured, double v, int decimals)
{
    return measured ? QString::number(v, 'f', decimals) : QStringLiteral("–");
}

QString ratio(double a, double b)
{
    if (a < 0 || b <= 0.001)
        return QStringLiteral("–");
    return QString::number(a / b, 'f', 2);
}

void line(const QStringList& cells)
{
    std::fprintf(g_report, "| %s |\n", qPrintable(cells.join(QStringLiteral(" | "))));
}

struct PageRun
{
    Series open, key, floorOpen, floorKey;
    bool hasFloor = false;
    Restyles sheets[2]; // set by the screen's right and left keys
};

} // namespace

int main(int argc, char* argv[])
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return child(QString::fromLatin1(argv[2]), argc, argv);

    QApplication app(argc, argv);
    host::device_look();
    const bool whole = pages_filter().isEmpty();
    std::vector<double> startPanel, startFloor, startPanelCpu, startFloorCpu;
    QTemporaryDir startRoot, startTexts;
    const QString texts = startTexts.filePath(QStringLiteral("texts"));
    if (whole) // the first start
        result(spawn(QStringLiteral("startup-panel"), {startRoot.path(), texts}), "startup");
    for (int i = 0; whole && i < kStartups; ++i) {
        const QList<double> p = result(spawn(QStringLiteral("startup-panel"), {startRoot.path()}), "startup");
        const QList<double> f = result(spawn(QStringLiteral("startup-floor"), {texts}), "startup");
        startPanel.push_back(p.value(0));
        startPanelCpu.push_back(p.value(1));
        startFloor.push_back(f.value(0));
        startFloorCpu.push_back(f.value(1));
    }

    // The bare dialog before the panel starts: the panel's desktop rules would take its keys.
    std::vector<PageRun> runs(page::Count);
    Series bareOpen, bareKey;
    for (int i = 0; i < kOpens; ++i) {
        Clock c;
        c.start();
        auto d = std::make_unique<BareDialog>();
        show_and_paint(d.get());
        bareOpen.add(c.sample());
        for (int k = 0; i == 1 && k < kKeys; ++k) {
            bareKey.add(key_to_repaint(d.get(), 'R'));
            bareKey.add(key_to_repaint(d.get(), 'S'));
        }
        d->close();
    }
    // A screen's form floor, measured right before the screen itself each time, so a
    // change of the machine's load meets both alike.
    auto floor = [&](int p) {
        const BenchForm* f = form_of(kit::kPages[p].name);
        if (!f)
            return;
        PageRun& r = runs[size_t(p)];
        r.hasFloor = true;
        Clock c;
        c.start();
        std::unique_ptr<QWidget> w(f->make());
        show_and_paint(w.get());
        r.floorOpen.add(c.sample());
        w->close();
    };

    // The panel in this process, the tick on its timer; its traces go nowhere.
    g_report = fdopen(dup(1), "w");
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QTemporaryDir root;
    platform::set_device_root(root.path());
    panel_prepare();
    start_panel(&app, root.path());
    panel_to_home();
    for (int p = 0; p < page::Count; ++p) {
        if (!measured(p))
            continue;
        PageRun& r = runs[size_t(p)];
        // The screen's keys and its floor's restyles take turns, so a change of the machine's
        // load meets both alike; the floor repeats what the second pair of keys set.
        auto keys = [&](QWidget* w) {
            const BenchForm* f = form_of(kit::kPages[p].name);
            std::unique_ptr<QWidget> form(f ? f->make() : nullptr);
            if (form)
                show_and_paint(form.get());
            for (int k = 0; k < kKeys + 2; ++k) {
                r.key.add(key_to_repaint(w, 'R', k == 1 ? &r.sheets[0] : nullptr));
                r.key.add(key_to_repaint(w, 'S', k == 1 ? &r.sheets[1] : nullptr));
                for (int n = 0; form && k >= 2 && n < 2; ++n)
                    r.floorKey.add(restyle_two(form.get(), n, r.sheets[n]));
            }
            if (form)
                form->close();
        };
        if (kit::kPages[p].kind == kit::PageKind::Home) {
            keys(g_mainwindow);
            continue;
        }
        for (int i = 0; i < kOpens; ++i) {
            floor(p);
            r.open.add(open_page(p, i == 1 ? std::function<void(QWidget*)>(keys) : nullptr));
        }
    }

    // Memory after the panel's measurements: the two children cycle side by side.
    QProcess* memPanel = whole ? spawn(QStringLiteral("memory-panel")) : nullptr;
    QProcess* memBare = whole ? spawn(QStringLiteral("memory-bare")) : nullptr;
    const QList<double> mp = whole ? result(memPanel, "memory") : QList<double>();
    const QList<double> mb = whole ? result(memBare, "memory") : QList<double>();

    // Idle last, on a quiet machine (nothing else of this program runs): the panel and its
    // floor side by side, kIdleRounds times, the medians.
    std::vector<double> idlePanel, idleFloor;
    for (int i = 0; whole && i < kIdleRounds; ++i) {
        QProcess* p = spawn(QStringLiteral("idle-panel"));
        QProcess* f = spawn(QStringLiteral("idle-floor"));
        idlePanel.push_back(result(p, "idle").value(0));
        idleFloor.push_back(result(f, "idle").value(0));
    }
    const double idleP = whole ? stat(idlePanel).median : 0;
    const double idleF = whole ? stat(idleFloor).median : 0;

    // ---- the tables ----
    std::fprintf(g_report, "Opening a screen, ms: wall median (IQR); GUI-thread CPU median; floor = its form on a plain widget\n\n");
    line({"page", "screen", "cold", "warm", "warm CPU", "floor warm", "floor CPU", "warm / floor", "CPU / floor CPU"});
    line({"---", "---", "---", "---", "---", "---", "---", "---", "---"});
    const Stat bo = bareOpen.wall(1), boc = bareOpen.cpu(1);
    line({"–", "bare dialog", QString::number(bareOpen.cold(), 'f', 2), ms(bo), QString::number(boc.median, 'f', 2),
          "–", "–", "–", "–"});
    double worstOpen = 0, worstKey = 0;
    for (int p = 0; p < page::Count; ++p) {
        const PageRun& r = runs[size_t(p)];
        if (r.open.v.empty())
            continue;
        const Stat w = r.open.wall(1), c = r.open.cpu(1), fw = r.floorOpen.wall(1), fc = r.floorOpen.cpu(1);
        if (r.hasFloor)
            worstOpen = std::max(worstOpen, w.median / fw.median);
        line({QString::number(p), QString::fromLatin1(kit::kPages[p].name), QString::number(r.open.cold(), 'f', 2), ms(w),
              QString::number(c.median, 'f', 2), r.hasFloor ? ms(fw) : QStringLiteral("–"),
              r.hasFloor ? QString::number(fc.median, 'f', 2) : QStringLiteral("–"),
              r.hasFloor ? ratio(w.median, fw.median) : QStringLiteral("–"),
              r.hasFloor ? ratio(c.median, fc.median) : QStringLiteral("–")});
    }
    std::fprintf(g_report, "\nLeft/right key release to repaint, ms; floor = the same sheets set, widgets shown or hidden on the form\n\n");
    line({"page", "screen", "key", "key CPU", "floor", "floor CPU", "key / floor", "CPU / floor CPU"});
    line({"---", "---", "---", "---", "---", "---", "---", "---"});
    line({"–", "bare dialog", ms(bareKey.wall()), QString::number(bareKey.cpu().median, 'f', 3), "–", "–", "–", "–"});
    for (int p = 0; p < page::Count; ++p) {
        const PageRun& r = runs[size_t(p)];
        if (!measured(p))
            continue;
        // A screen whose left/right mostly changes nothing (a stray repaint aside) has no key row.
        const bool repaints = r.key.v.size() >= size_t(kKeys);
        const Stat k = repaints ? r.key.wall() : Stat(), kc = r.key.cpu(), fk = r.floorKey.wall(), fc = r.floorKey.cpu();
        if (k.valid && fk.valid)
            worstKey = std::max(worstKey, k.median / fk.median);
        line({QString::number(p), QString::fromLatin1(kit::kPages[p].name), k.valid ? ms(k) : QStringLiteral("no repaint"),
              k.valid ? QString::number(kc.median, 'f', 3) : QStringLiteral("–"), ms(fk),
              fk.valid ? QString::number(fc.median, 'f', 3) : QStringLiteral("–"), k.valid ? ratio(k.median, fk.median) : QStringLiteral("–"),
              k.valid ? ratio(kc.median, fc.median) : QStringLiteral("–")});
    }
    std::fprintf(g_report, "\nWhole process\n\n");
    line({"figure", "panel", "floor", "panel / floor"});
    line({"---", "---", "---", "---"});
    const Stat sp = stat(startPanel), sf = stat(startFloor), spc = stat(startPanelCpu), sfc = stat(startFloorCpu);
    line({"start-up to the first shown screen, ms (floor: home and standby forms)", ms(sp), ms(sf), ratio(sp.median, sf.median)});
    line({"start-up, main-thread CPU, ms", ms(spc), ms(sfc), ratio(spc.median, sfc.median)});
    line({QStringLiteral("idle CPU, median of %3 runs of %1 s, % of a core (floor: 10 ms timer, threads at %2 ms)")
              .arg(kIdleSeconds)
              .arg(QStringLiteral("10/10/20/50/100"))
              .arg(kIdleRounds),
          figure(whole, idleP, 3), figure(whole, idleF, 3), whole ? ratio(idleP, idleF) : QStringLiteral("–")});
    const bool memP = mp.size() > 2, memB = mb.size() > 2;
    line({"resident memory after 1 cycle, MiB (floor: bare dialog)", figure(memP, mp.value(0) / 1024, 1),
          figure(memB, mb.value(0) / 1024, 1), ratio(mp.value(0), mb.value(0))});
    line({QStringLiteral("resident memory after %1 cycles of every screen, MiB").arg(kCycles),
          figure(memP, mp.value(1) / 1024, 1), figure(memB, mb.value(1) / 1024, 1),
          ratio(mp.value(1), mb.value(1))});
    line({"peak resident memory, MiB", figure(memP, mp.value(2) / 1024, 1), figure(memB, mb.value(2) / 1024, 1),
          ratio(mp.value(2), mb.value(2))});
    const bool grown = memP && mp.value(0) > 0;
    std::fprintf(g_report, "\nworst warm open / floor %.2f; worst key / floor %.2f; memory growth over the cycles %s\n",
                 worstOpen, worstKey,
                 qPrintable(grown ? figure(true, 100.0 * (mp.value(1) - mp.value(0)) / mp.value(0), 1) + QStringLiteral(" %")
                                  : QStringLiteral("–")));
    std::fflush(g_report);
    std::_Exit(idleP < 2.0 ? 0 : 1); // the service threads are never joined on the device
}
