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
#include "core/config_engine.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "sim/sim_usb_stick.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <deque>
#include <random>
#include <thread>

namespace {

constexpr int kDefaultStart = 20260;
constexpr int kDefaultEvents = 4000;

int env_int(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

// The image fields the panel writes, with their ranges.
struct Field
{
    const char* name;
    int offset;
    int lo, hi;
};
QVector<Field> panel_fields()
{
    QVector<Field> f = {{"key lock", img::KeyLock, 0, 1},
                        {"all windows", img::AllWindowsState, 0, 1},
                        {"current window", img::CurrentWindow, 0, WINDOW_COUNT - 1},
                        {"save request", img::SaveRequest, 0, USER_MODE_COUNT},
                        {"current mode", img::CurrentMode, 0, USER_MODE_COUNT},
                        {"brightness", img::Brightness, 0, 100},
                        {"contrast", img::Contrast, 0, 100},
                        {"sharpness", img::Sharpness, 0, 100},
                        {"saturation", img::Saturation, 0, 100},
                        {"colour temperature", img::ColorTempType, 0, 3},
                        {"red", img::Red, 0, 100},
                        {"green", img::Green, 0, 100},
                        {"blue", img::Blue, 0, 100},
                        {"test pattern", img::TestPattern, 0, 8},
                        {"switch effect", img::SwitchEffect, 0, 1},
                        {"dot-by-dot", img::DotByDot, 0, 1},
                        {"access point off", img::ApOff, 0, 1}};
    for (int s = 0; s < 6; ++s) {
        f.push_back({"EDID width", img::Edid + 6 * s, 1, 4095});
        f.push_back({"EDID height", img::Edid + 6 * s + 2, 1, 4095});
        f.push_back({"EDID rate", img::Edid + 6 * s + 4, 30, 60});
    }
    return f;
}

class Walk : public QObject
{
public:
    Walk(int start, int events, const QString& stickFolder, const QString& hostFiles)
        : m_start(start), m_events(events), m_rng(uint32_t(start)), m_stick(stickFolder), m_files(hostFiles)
    {
        for (int w = 0; w < WINDOW_COUNT; ++w)
            m_volume0[w] = YuqRamPara::p_yuqrampara_config->image16(img::Window + img::WindowSize * w + img::WinVolume);
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &Walk::step);
    }

    // Runs the walk; the failure text, or empty.
    QString run()
    {
        m_timer.start();
        QEventLoop loop;
        loop.exec();
        return m_failure;
    }
    int done() const { return m_done; }
    // The pages never in front, "[3 7]".
    QString pages_missed() const
    {
        QVector<int> v;
        for (int p = 0; p < page::Count; ++p)
            if (!m_seen[p])
                v << p;
        return list(v);
    }

private:
    int pick(int n) { return int(m_rng() % uint32_t(n)); }

    void note(const QString& what)
    {
        m_last.push_back(QStringLiteral("#%1 %2").arg(m_done).arg(what));
        if (m_last.size() > 25)
            m_last.pop_front();
    }

    void finish(const QString& failure)
    {
        m_timer.stop();
        if (!failure.isEmpty()) {
            m_failure = QStringLiteral("walk start value %1, event %2 of %3: %4\nlast events:\n")
                            .arg(m_start).arg(m_done).arg(m_events).arg(failure);
            for (const QString& e : m_last)
                m_failure += QStringLiteral("  ") + e + QLatin1Char('\n');
        }
        // Every loop the screens run ends, and the outermost (ours) with them.
        QCoreApplication::exit(0);
    }

    void step()
    {
        if (m_busy)
            return; // a control line's handler is still running
        const QString bad = check();
        ++m_seen[g_page_focus.load() % page::Count];
        if (!bad.isEmpty())
            return finish(bad);
        if (m_done >= m_events)
            return finish(QString());
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
        static const int panel[] = {Qt::Key_F4, Qt::Key_F5, Qt::Key_F6, Qt::Key_Stop, Qt::Key_PowerOff};
        static const int stray[] = {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter, '0', '1', '5', '9',
                                    Qt::Key_Space, Qt::Key_Left, Qt::Key_Up};
        const int kind = pick(100);
        int code;
        if (kind < 60) {
            // The five panel letters most of the time; mode and back less often, so the
            // walk gets deeper than the standby and user-mode screens they lead to.
            const int k = pick(100);
            code = k < 25 ? 'S' : k < 50 ? 'R' : k < 80 ? 'Q' : k < 88 ? 'M' : 'O';
        }
        else if (kind < 70)
            code = panel[pick(5)];
        else if (kind < 88)
            code = 'A' + pick(16);
        else
            code = stray[pick(int(sizeof stray / sizeof *stray))];
        QWidget* to = QApplication::focusWidget();
        if (!to)
            to = QApplication::activeWindow();
        if (!to)
            to = g_mainwindow;
        const int how = pick(10); // press and release, or a lone one
        note(QStringLiteral("key 0x%1 %2 to %3 (page %4)")
                 .arg(code, 0, 16)
                 .arg(how == 0 ? "press" : how == 1 ? "release" : "press+release")
                 .arg(to->window()->metaObject()->className())
                 .arg(int(g_page_focus.load())));
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

    QString pc_image_line()
    {
        // Values a PC may write into fields the panel also writes: in range.
        switch (pick(7)) {
        case 0: return QStringLiteral("pc image 0x%1 0%2").arg(img::KeyLock, 0, 16).arg(pick(2)) + "00";
        case 1: return QStringLiteral("pc image 0x%1 0%2").arg(img::AllWindowsState, 0, 16).arg(pick(2)) + "00";
        case 2: return QStringLiteral("pc image 0x%1 0%2").arg(img::CurrentWindow, 0, 16).arg(pick(WINDOW_COUNT)) + "00";
        case 3: return QStringLiteral("pc image 0x%1 0%2").arg(img::Language, 0, 16).arg(pick(5));
        case 4: return QStringLiteral("pc image 0x%1 %2").arg(img::Brightness, 0, 16).arg(pick(101) * 256 , 4, 16, QLatin1Char('0'));
        case 5: return QStringLiteral("pc image 0x%1 %2").arg(img::SaveRequest, 0, 16).arg((1 + pick(USER_MODE_COUNT)) * 256, 4, 16, QLatin1Char('0'));
        default: {
            const int w = pick(WINDOW_COUNT);
            return QStringLiteral("pc image 0x%1 %2").arg(img::Window + img::WindowSize * w + img::WinVolume, 0, 16)
                .arg(pick(2) ? QStringLiteral("ff80") : QStringLiteral("0000"));
        }
        }
    }

    void control_event()
    {
        QString line;
        switch (pick(15)) {
        case 0: line = QStringLiteral("stick in ") + m_stick; break;
        case 1: line = QStringLiteral("stick out"); break;
        case 2: line = QStringLiteral("input %1 off").arg(pick(6)); break;
        case 3: {
            static const char* const t[] = {"1920 1080 60", "1280 720 50", "3840 2160 30", "1920 1080 0", "640 480 75"};
            line = QStringLiteral("input %1 %2").arg(pick(6)).arg(QLatin1String(t[pick(5)]));
            break;
        }
        case 4: line = QStringLiteral("port %1 %2").arg(1 + pick(20)).arg(pick(2) ? "on" : "off"); break;
        case 5: line = QStringLiteral("fpga %1 %2").arg(pick(2)).arg(pick(3) ? "up" : "down"); break;
        case 6:
        case 7: line = pc_image_line(); break;
        case 8: line = QStringLiteral("pc lang-mask %1").arg(pick(2) ? "1f" : "3"); break;
        case 9: line = QStringLiteral("pc busy %1").arg(pick(2) ? "on" : "off"); break;
        case 10: {
            static const char* const f[] = {"9 %1/screen.rcv", "13 %1/wall.wzfile", "5 %1/alias.json"};
            line = QStringLiteral("pc file-written ") + QString::fromLatin1(f[pick(3)]).arg(m_files);
            break;
        }
        case 11:
            line = pick(2) ? QStringLiteral("pc file-deleted /data/rcvrecovery/screen.rcv")
                           : QStringLiteral("pc file-deleted /data/smartmapping/wall.wzfile");
            break;
        case 12: line = QStringLiteral("pc update %1").arg(pick(2) ? "start" : "end"); break;
        case 13: line = QStringLiteral("cards noreply %1").arg(pick(3) ? "off" : "on"); break;
        default: line = QStringLiteral("stick out"); break;
        }
        note(line);
        // The control channel's own thread runs the line, as the FIFO's reader would.
        m_busy = true;
        std::thread t([line] { sim::run_control_line(line); });
        t.join();
        SimUsbStick::instance()->wait_idle(); // the stick's copy too: a walk replays exactly
        m_busy = false;
    }

    // ---- checks ----

    static bool is_popup(QWidget* w)
    {
        return w == reinterpret_cast<QWidget*>(g_numberkeyboard) || w == reinterpret_cast<QWidget*>(g_tip)
               || w == reinterpret_cast<QWidget*>(g_qround_bar) || w == reinterpret_cast<QWidget*>(g_move_update);
    }

    // The pages that lead back from `top` to the home screen, top first (pages not open
    // are passed over).
    static QVector<int> path_from(int top)
    {
        QVector<int> path{top};
        int p = top;
        for (int guard = 0; guard < page::Count && p != page::MainWindow; ++guard) {
            p = kit::parent_page(uint8_t(p));
            path << p;
        }
        return path;
    }

    QString check()
    {
        const int front = g_page_focus.load();
        if (front >= page::Count)
            return QStringLiteral("g_page_focus %1 names no page").arg(front);
        QWidget* frontScreen = kit::instance(uint8_t(front));
        if (!frontScreen)
            return QStringLiteral("page %1 in front has no screen").arg(front);

        // Open modal screens: every page but the home, standby and user-mode screens.
        QVector<int> modal;
        for (int p = 0; p < page::Count; ++p)
            if (kit::opens_modal(uint8_t(p)) && kit::instance(uint8_t(p)))
                modal << p;
        // They form one chain, from its top (in front, or under the standby or user-mode
        // screen) down to the home screen.
        int top = -1;
        for (int t : modal) {
            const QVector<int> path = path_from(t);
            if (std::all_of(modal.begin(), modal.end(), [&](int m) { return path.contains(m); }))
                top = t;
        }
        if (!modal.isEmpty()) {
            if (top < 0)
                return QStringLiteral("modal pages %1 open outside one chain").arg(list(modal));
            if (kit::opens_modal(uint8_t(front)) ? top != front : front != page::LockWindow && front != page::CustomMode)
                return QStringLiteral("modal pages %1 open under page %2").arg(list(modal)).arg(front);
            QWidget* active = QApplication::activeModalWidget();
            if (active && !is_popup(active) && active != kit::instance(uint8_t(top)))
                return QStringLiteral("the active modal window %1 is not page %2's screen")
                    .arg(active->metaObject()->className()).arg(top);
        }

        // Every visible panel window is a page's open screen or a pop-up.
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (!w->isVisible() || w == g_mainwindow || is_popup(w))
                continue;
            bool known = false;
            for (int p = 0; p < page::Count && !known; ++p)
                known = kit::instance(uint8_t(p)) == w;
            if (!known)
                return QStringLiteral("visible %1 (%2) has no pointer")
                    .arg(w->metaObject()->className()).arg(w->objectName());
        }

        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        for (const Field& f : panel_fields()) {
            const int v = p->image16(f.offset);
            if (v < f.lo || v > f.hi)
                return QStringLiteral("%1 (0x%2) is %3").arg(f.name).arg(f.offset, 0, 16).arg(v);
        }
        for (int w = 0; w < WINDOW_COUNT; ++w) {
            const int v = p->image16(img::Window + img::WindowSize * w + img::WinVolume);
            if (v != 0 && v != 0x80FF && v != m_volume0[w])
                return QStringLiteral("volume of window %1 is 0x%2").arg(w).arg(v, 0, 16);
        }
        if (g_image_current.load() >= WINDOW_COUNT)
            return QStringLiteral("g_image_current %1").arg(int(g_image_current.load()));
        if (g_language.load() > 4)
            return QStringLiteral("g_language %1").arg(int(g_language.load()));
        return QString();
    }

    static QString list(const QVector<int>& v)
    {
        QStringList s;
        for (int i : v)
            s << QString::number(i);
        return QLatin1Char('[') + s.join(QLatin1Char(' ')) + QLatin1Char(']');
    }

    int m_start, m_events;
    std::mt19937 m_rng;
    QString m_stick, m_files;
    QTimer m_timer;
    bool m_busy = false;
    int m_done = 0, m_nextPage = 0;
    int m_seen[page::Count] = {};
    int m_volume0[WINDOW_COUNT] = {}; // the factory volumes, also in range
    std::deque<QString> m_last;
    QString m_failure;
};

void write(const QString& path, const QByteArray& data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(data);
}

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
        testsupport::fresh_device_root();
        YuqRamPara::write_pause_us = 0; // "sync" is instant on the host already
        sim::SimFpga::boot_ms = 0;
        g_debugSwitch = 0;

        // What the stick and the PC bring.
        QTemporaryDir host;
        const QString stick = host.path() + "/stick";
        write(stick + "/YUQ-K64/app.YUQ", "application");
        write(stick + "/YUQ-K64/font.YUQZK", "fonts");
        write(stick + "/wall.wzfile", QByteArray(700, 'w'));
        write(host.path() + "/files/screen.rcv", recoverysupport::recovery_bytes()); // the simulated cards
        write(host.path() + "/files/wall.wzfile", QByteArray(900, 'm'));
        write(host.path() + "/files/alias.json", "{\"source\":[{\"id\":0,\"name\":\"PC\"}]}");

        panel_prepare();
        panel_start(qApp, PanelStart{0, false});
        Walk walk(start, events, stick, host.path() + "/files");
        const QString failure = walk.run();

        servicethreads::stop_all();
        qInstallMessageHandler(nullptr);
        if (!failure.isEmpty())
            QFAIL(qPrintable(failure));
        QCOMPARE(walk.done(), events);
        if (start == kDefaultStart && events >= kDefaultEvents)
            QCOMPARE(walk.pages_missed(), QStringLiteral("[]"));
    }
};

QTEST_MAIN(TstPanelWalk)
#include "tst_panel_walk.moc"
