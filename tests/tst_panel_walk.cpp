// Random walk over the whole panel on the simulated device: key presses and releases
// posted to whichever window has the keys, mixed with control-channel events and, from
// the home screen, pages opened as their menus open them. After every event the page in
// front has its screen, the open modal screens form one chain ending in it, no panel
// window shows without its pointer and the image fields the panel writes stay in range;
// the default walk has every page of the kit's table in front at least once.
// YUQ_WALK_START and YUQ_WALK_EVENTS choose another walk, e.g. for a long run:
//   YUQ_WALK_START=7 YUQ_WALK_EVENTS=200000 build/tests/tst_panel_walk
#include "recoverysupport.h"
#include "servicethreads.h"
#include "testsupport.h"

#include "startup.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "sim/sim_usb_stick.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QTimer>
#include <QtTest>
#include <random>
#include <thread>

namespace {

constexpr int kDefaultStart = 20260;
constexpr int kDefaultEvents = 4000;

int env_int(const char* name, int fallback)
{
    return qEnvironmentVariableIsSet(name) ? qEnvironmentVariableIntValue(name) : fallback;
}

// The image fields the panel writes, with their ranges.
struct Field
{
    int offset, lo, hi;
};
QVector<Field> panel_fields()
{
    QVector<Field> f = {{img::CurrentWindow, 0, WINDOW_COUNT - 1}, {img::SaveRequest, 0, USER_MODE_COUNT},
                        {img::CurrentMode, 0, USER_MODE_COUNT},     {img::ColorTempType, 0, 3},
                        {img::TestPattern, 0, 8}};
    for (int off : {img::KeyLock, img::AllWindowsState, img::SwitchEffect, img::DotByDot, img::ApOff})
        f.push_back({off, 0, 1});
    for (int off : {img::Brightness, img::Contrast, img::Sharpness, img::Saturation, img::Red, img::Green, img::Blue})
        f.push_back({off, 0, 100});
    for (int s = 0; s < 6; ++s) {
        f.push_back({img::Edid + 6 * s, 1, 4095});
        f.push_back({img::Edid + 6 * s + 2, 1, 4095});
        f.push_back({img::Edid + 6 * s + 4, 30, 60});
    }
    return f;
}

int volume(int w)
{
    return YuqRamPara::p_yuqrampara_config->image16(img::Window + img::WindowSize * w + img::WinVolume);
}

class Walk : public QObject
{
public:
    Walk(int start, int events, const QString& host)
        : m_start(start), m_events(events), m_rng(uint32_t(start)), m_host(host)
    {
        for (int w = 0; w < WINDOW_COUNT; ++w)
            m_volume0[w] = volume(w);
        connect(&m_timer, &QTimer::timeout, this, &Walk::step);
    }

    // Runs the walk; the failure text, or empty.
    QString run()
    {
        m_timer.start(0);
        QEventLoop().exec();
        return m_failure;
    }
    int done() const { return m_done; }
    // The pages never in front.
    QString pages_missed() const
    {
        QStringList v;
        for (int p = 0; p < page::Count; ++p)
            if (!m_seen[p])
                v << QString::number(p);
        return v.join(' ');
    }

private:
    int pick(int n) { return int(m_rng() % uint32_t(n)); }

    void note(const QString& what)
    {
        m_last << QStringLiteral("#%1 %2").arg(m_done).arg(what);
        if (m_last.size() > 25)
            m_last.removeFirst();
    }

    void finish(const QString& failure)
    {
        m_timer.stop();
        if (!failure.isEmpty())
            m_failure = QStringLiteral("walk start value %1, event %2 of %3: %4\nlast events:\n  %5")
                            .arg(m_start).arg(m_done).arg(m_events).arg(failure, m_last.join("\n  "));
        // Every loop the screens run ends, and the outermost (ours) with them.
        QCoreApplication::exit(0);
    }

    void step()
    {
        if (m_busy)
            return; // a control line's handler is still running
        const QString bad = check();
        ++m_seen[g_page_focus.load() % page::Count];
        if (!bad.isEmpty() || m_done >= m_events)
            return finish(bad);
        ++m_done;
        const int r = pick(100);
        if (r < 50 && g_page_focus.load() == page::MainWindow && !QApplication::activeModalWidget())
            open_next();
        else if (r < 85)
            key_event();
        else
            control_event();
        const int n = 1 + pick(r < 85 ? 12 : 60);
        for (int i = 0; i < n; ++i)
            g_mainwindow->slot_update_timer_ticks();
    }

    // ---- events ----

    void key_event()
    {
        static const int other[] = {Qt::Key_F4,     Qt::Key_F5,     Qt::Key_F6,    Qt::Key_Stop, Qt::Key_PowerOff,
                                    Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, '0',          '1',
                                    '5',            '9',            Qt::Key_Space, Qt::Key_Left, Qt::Key_Up};
        // The five panel letters most of the time; mode and back less often, so the walk
        // gets deeper than the standby and user-mode screens they lead to.
        const int kind = pick(100), k = pick(100);
        const int code = kind >= 60 ? (kind < 80 ? 'A' + pick(16) : other[pick(15)])
                                    : k < 25 ? 'S' : k < 50 ? 'R' : k < 80 ? 'Q' : k < 88 ? 'M' : 'O';
        QWidget* to = QApplication::focusWidget();
        if (!to)
            to = QApplication::activeWindow() ? QApplication::activeWindow() : g_mainwindow;
        const int how = pick(10); // 0 a lone press, 1 a lone release
        note(QStringLiteral("key 0x%1 how %2 to %3").arg(code, 0, 16).arg(how).arg(to->metaObject()->className()));
        if (how != 1)
            QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyPress, code, Qt::NoModifier));
        if (how != 0)
            QCoreApplication::postEvent(to, new QKeyEvent(QEvent::KeyRelease, code, Qt::NoModifier));
    }

    // A page opened from the home screen as its menus open it, parents first: random keys
    // alone seldom get three menus deep. Pages not yet in front come first.
    void open_next()
    {
        int to = m_nextPage++ % page::Count;
        for (int p = page::Count - 1; p >= 0; --p)
            if (!m_seen[p])
                to = p;
        QVector<int> chain = path_from(to); // top first, the home screen last
        chain.removeLast();
        note(QStringLiteral("open page %1").arg(to));
        QTimer::singleShot(0, [chain] { open_chain(chain); });
    }
    static void open_chain(QVector<int> chain)
    {
        if (chain.isEmpty())
            return;
        const int p = chain.takeLast();
        QTimer::singleShot(0, [chain] { open_chain(chain); });
        kit::open(uint8_t(p));
    }

    QString control_line()
    {
        static const char* const timings[] = {"1920 1080 60", "1280 720 50", "3840 2160 30", "1920 1080 0",
                                              "640 480 75"};
        static const char* const written[] = {"9 %1/screen.rcv", "13 %1/wall.wzfile", "5 %1/alias.json"};
        const auto image = [](int offset, int bytes) {
            return QStringLiteral("pc image 0x%1 %2").arg(offset, 0, 16).arg(bytes, 4, 16, QLatin1Char('0'));
        };
        const int window = pick(WINDOW_COUNT);
        switch (pick(20)) {
        case 0: return "stick in " + m_host + "/stick";
        case 1: return QStringLiteral("input %1 off").arg(pick(6));
        case 2: return QStringLiteral("input %1 %2").arg(pick(6)).arg(QLatin1String(timings[pick(5)]));
        case 3: return QStringLiteral("port %1 %2").arg(1 + pick(20)).arg(pick(2) ? "on" : "off");
        case 4: return QStringLiteral("fpga %1 %2").arg(pick(2)).arg(pick(3) ? "up" : "down");
        case 5: return QStringLiteral("pc lang-mask %1").arg(pick(2) ? "1f" : "3");
        case 6: return QStringLiteral("pc busy %1").arg(pick(2) ? "on" : "off");
        case 7: return "pc file-written " + QString::fromLatin1(written[pick(3)]).arg(m_host);
        case 8:
            return QStringLiteral("pc file-deleted /data/%1")
                .arg(pick(2) ? "rcvrecovery/screen.rcv" : "smartmapping/wall.wzfile");
        case 9: return QStringLiteral("pc update %1").arg(pick(2) ? "start" : "end");
        case 10: return QStringLiteral("cards noreply %1").arg(pick(3) ? "off" : "on");
        // Values a PC may write into fields the panel also writes: in range.
        case 11: return image(img::KeyLock, pick(2) << 8);
        case 12: return image(img::AllWindowsState, pick(2) << 8);
        case 13: return image(img::CurrentWindow, window << 8);
        case 14: return image(img::Brightness, pick(101) << 8);
        case 15: return image(img::SaveRequest, (1 + pick(USER_MODE_COUNT)) << 8);
        case 16: return image(img::Window + img::WindowSize * window + img::WinVolume, pick(2) ? 0xff80 : 0);
        case 17: return QStringLiteral("pc image 0x%1 0%2").arg(img::Language, 0, 16).arg(pick(5));
        default: return QStringLiteral("stick out");
        }
    }

    void control_event()
    {
        const QString line = control_line();
        note(line);
        // The control channel's own thread runs the line, as the FIFO's reader would.
        m_busy = true;
        std::thread([line] { sim::run_control_line(line); }).join();
        SimUsbStick::instance()->wait_idle(); // the stick's copy too: a walk replays exactly
        m_busy = false;
    }

    // ---- checks ----

    static bool is_popup(QWidget* w)
    {
        return w == reinterpret_cast<QWidget*>(g_numberkeyboard) || w == reinterpret_cast<QWidget*>(g_tip)
               || w == reinterpret_cast<QWidget*>(g_qround_bar) || w == reinterpret_cast<QWidget*>(g_move_update);
    }

    // The pages that lead back from `top` to the home screen, top first.
    static QVector<int> path_from(int top)
    {
        QVector<int> path{top};
        for (int guard = 0; guard < page::Count && path.last() != page::MainWindow; ++guard)
            path << kit::parent_page(uint8_t(path.last()));
        return path;
    }

    QString check()
    {
        const int front = g_page_focus.load();
        if (front >= page::Count || !kit::instance(uint8_t(front)))
            return QStringLiteral("page %1 in front has no screen").arg(front);

        // Open modal screens (every page but the home, standby and user-mode screens) form
        // one chain, from its top (in front, or under the standby or user-mode screen)
        // down to the home screen.
        QVector<int> modal;
        for (int p = 0; p < page::Count; ++p)
            if (kit::opens_modal(uint8_t(p)) && kit::instance(uint8_t(p)))
                modal << p;
        int top = -1;
        for (int t : modal) {
            const QVector<int> path = path_from(t);
            if (std::all_of(modal.begin(), modal.end(), [&](int m) { return path.contains(m); }))
                top = t;
        }
        if (!modal.isEmpty()) {
            if (top < 0)
                return QStringLiteral("%1 modal pages open outside one chain").arg(modal.size());
            if (kit::opens_modal(uint8_t(front)) ? top != front : front != page::LockWindow && front != page::CustomMode)
                return QStringLiteral("modal page %1 open under page %2").arg(top).arg(front);
            QWidget* active = QApplication::activeModalWidget();
            if (active && !is_popup(active) && active != kit::instance(uint8_t(top)))
                return QStringLiteral("active modal %1 is not page %2's screen")
                    .arg(active->metaObject()->className())
                    .arg(top);
        }

        // Every visible panel window is a page's open screen or a pop-up.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            bool known = !w->isVisible() || w == g_mainwindow || is_popup(w);
            for (int p = 0; p < page::Count && !known; ++p)
                known = kit::instance(uint8_t(p)) == w;
            if (!known)
                return QStringLiteral("visible %1 has no pointer").arg(w->metaObject()->className());
        }

        // A mapping job's failure line shows only once its wheel has gone.
        if (QWidget* wizard = kit::instance(page::SmartMapping)) {
            const auto* line = wizard->findChild<QLabel*>(QStringLiteral("label_job_failed"));
            if (line && line->isVisible() && g_qround_bar)
                return QStringLiteral("mapping wizard shows a job's failure under a wheel");
        }
        for (const Field& f : panel_fields()) {
            const int v = YuqRamPara::p_yuqrampara_config->image16(f.offset);
            if (v < f.lo || v > f.hi)
                return QStringLiteral("image field 0x%1 is %2").arg(f.offset, 0, 16).arg(v);
        }
        for (int w = 0; w < WINDOW_COUNT; ++w)
            if (volume(w) != 0 && volume(w) != 0x80FF && volume(w) != m_volume0[w])
                return QStringLiteral("volume of window %1 is 0x%2").arg(w).arg(volume(w), 0, 16);
        if (g_image_current.load() >= WINDOW_COUNT || g_language.load() > 4)
            return QStringLiteral("window %1, language %2").arg(g_image_current.load()).arg(g_language.load());
        return QString();
    }

    int m_start, m_events;
    std::mt19937 m_rng;
    QString m_host;
    QTimer m_timer;
    bool m_busy = false;
    int m_done = 0, m_nextPage = 0;
    int m_seen[page::Count] = {};
    int m_volume0[WINDOW_COUNT] = {}; // the factory volumes, also in range
    QStringList m_last;
    QString m_failure;
};

} // namespace

class TstPanelWalk : public QObject
{
    Q_OBJECT
private slots:
    void random_walk_keeps_the_panel_whole()
    {
        const int start = env_int("YUQ_WALK_START", kDefaultStart);
        const int events = env_int("YUQ_WALK_EVENTS", kDefaultEvents);
        qInstallMessageHandler([](QtMsgType t, const QMessageLogContext&, const QString& m) {
            // The offscreen platform cannot raise windows; the kit asks on every page change.
            if (t >= QtWarningMsg && !m.contains(QLatin1String("does not support raise")))
                std::fprintf(stderr, "%s\n", qPrintable(m));
        });
        // What the stick and the PC bring, in a folder of their own under the device root.
        const QString host = testsupport::fresh_device_root() + "/walk";
        testsupport::put_file("/walk/stick/YUQ-K64/app.YUQ", "application");
        testsupport::put_file("/walk/stick/YUQ-K64/font.YUQZK", "fonts");
        testsupport::put_file("/walk/stick/wall.wzfile", QByteArray(700, 'w'));
        // Two screens, LED1 and LED3: Load scan reaches two ports, or refuses at LED2.
        testsupport::put_file("/walk/stick/two.wzfile", recoverysupport::recovery_bytes({{{0, 4}}, {{2, 4}}}, 1));
        testsupport::put_file("/walk/screen.rcv", recoverysupport::recovery_bytes()); // the simulated cards
        testsupport::put_file("/walk/wall.wzfile", QByteArray(900, 'm'));
        testsupport::put_file("/walk/alias.json", "{\"source\":[{\"id\":0,\"name\":\"PC\"}]}");
        YuqRamPara::write_pause_us = 0; // "sync" is instant on the host already
        sim::SimFpga::boot_ms = 0;
        g_debugSwitch = 0;

        panel_prepare();
        panel_start(qApp, PanelStart{0, false});
        Walk walk(start, events, host);
        const QString failure = walk.run();

        servicethreads::stop_all();
        qInstallMessageHandler(nullptr);
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        QCOMPARE(walk.done(), events);
        if (start == kDefaultStart && events >= kDefaultEvents)
            QCOMPARE(walk.pages_missed(), QString());
    }
};

QTEST_MAIN(TstPanelWalk)
#include "tst_panel_walk.moc"
