#include "services.h"

#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"
#include "platform/devpath.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "sim/sim_keypad.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QHash>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <atomic>
#include <functional>
#include <chrono>
#include <deque>
#include <mutex>
#include <future>
#include <memory>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Windows shown or hidden so far (GUI thread): a call that changes it ends the relay's run.
quint64 g_window_changes = 0;

// Runs functions of other threads (the control channel's, the viewers') on the GUI thread,
// in order. Calls that came together run in one pass, so a burst of keys is painted and
// grabbed once; but a call that shows or hides a window ends the pass's run: the rest runs
// in the next pass of whichever loop runs then, so a key that closes the number pad or a
// screen lets its loop end first, as a key sent later would, and none lands in a closing
// loop. A call that runs a loop of its own (a screen's exec) finds the next ones there.
class GuiRelay : public QObject
{
public:
    void post(std::function<void()> fn)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_calls.push_back(std::move(fn));
        wake_locked();
    }
    bool event(QEvent* e) override
    {
        if (e->type() != wake_type())
            return QObject::event(e);
        size_t left;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_wakeDue = false;
            left = m_calls.size(); // those that come meanwhile wait for the next pass
        }
        for (; left > 0; --left) {
            std::function<void()> fn;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                if (m_calls.empty())
                    break; // run by a loop a call before ran
                fn = std::move(m_calls.front());
                m_calls.pop_front();
                // Posted during this pass, so it runs in the next (of whichever loop runs then).
                if (!m_calls.empty())
                    wake_locked();
            }
            const quint64 windows = g_window_changes;
            fn();
            if (g_window_changes != windows)
                break;
        }
        return true;
    }

private:
    static QEvent::Type wake_type()
    {
        static const QEvent::Type t = QEvent::Type(QEvent::registerEventType());
        return t;
    }
    void wake_locked()
    {
        if (m_wakeDue)
            return;
        m_wakeDue = true;
        QCoreApplication::postEvent(this, new QEvent(wake_type()));
    }
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_calls;
    bool m_wakeDue = false;
};
std::atomic<GuiRelay*> g_relay{nullptr};

// What lies above what, as a window manager keeps it: a window shown or activated goes on
// top. Taken from the events themselves, so a screen just shown lies above the window that
// stays active until the platform's activation of the new one arrives.
class Stacking : public QObject
{
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        const QEvent::Type t = e->type();
        if ((t == QEvent::Show || t == QEvent::Hide) && o->isWidgetType() && static_cast<QWidget*>(o)->isWindow())
            ++g_window_changes;
        if ((t == QEvent::Show || t == QEvent::WindowActivate) && o->isWidgetType()
            && static_cast<QWidget*>(o)->isWindow()) {
            auto* w = static_cast<QWidget*>(o);
            m_order.removeAll(nullptr);
            m_order.removeAll(w);
            m_order.append(w);
        }
        return false;
    }
    QWidget* top() const
    {
        for (int i = m_order.size() - 1; i >= 0; --i)
            if (m_order[i] && m_order[i]->isVisible())
                return m_order[i];
        return QApplication::activeWindow(); // shown before the panel was ready
    }

private:
    QList<QPointer<QWidget>> m_order;
};
Stacking* g_stacking = nullptr;

QWidget* top_window()
{
    return g_stacking ? g_stacking->top() : QApplication::activeWindow();
}
} // namespace

bool on_gui_thread(std::function<void()> fn)
{
    GuiRelay* relay = g_relay.load();
    if (!relay)
        return false;
    relay->post(std::move(fn));
    return true;
}

// The panel's windows that can be seen, lowest first: the home window, dialogs, the window
// shown or activated last, modal dialogs, the active modal one, windows that stay on top.
QList<QWidget*> panel_windows()
{
    QWidget* top = top_window();
    QList<QWidget*> shown;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && !w->isMinimized())
            shown.push_back(w);
    // topLevelWidgets() has no order: rank by what lies above what on the panel.
    auto rank = [top](QWidget* w) {
        if (w->windowFlags() & Qt::WindowStaysOnTopHint)
            return 5; // the update overlay
        if (w == QApplication::activeModalWidget())
            return 4;
        if (w->isModal())
            return 3;
        if (w == top)
            return 2;
        return qobject_cast<QDialog*>(w) ? 1 : 0;
    };
    // Two screens of one rank (a modal page opened from a modal page): the deeper page lies
    // above, whatever order the window list has.
    auto depth = [](QWidget* w) {
        for (uint8_t p = 0; p < page::Count; ++p)
            if (kit::instance(p) == w) {
                int d = 0;
                for (uint8_t q = p; q != page::MainWindow && d < page::Count; q = kit::parent_page(q))
                    ++d;
                return d;
            }
        return 0;
    };
    std::stable_sort(shown.begin(), shown.end(), [&](QWidget* a, QWidget* b) {
        const int ra = rank(a), rb = rank(b);
        return ra != rb ? ra < rb : depth(a) < depth(b);
    });
    // Only what can be seen: nothing under the highest window that covers the whole panel.
    const QRect panel(0, 0, 320, 240);
    int from = 0;
    for (int i = 0; i < shown.size(); ++i)
        if (!shown[i]->testAttribute(Qt::WA_TranslucentBackground)
            && QRect(shown[i]->mapToGlobal(QPoint(0, 0)), shown[i]->size()).contains(panel))
            from = i;
    return shown.mid(from);
}

void panel_key_event(bool down, int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    if (!g_mainwindow)
        return;
    QKeyEvent e(down ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(g_mainwindow, &e);
}

QImage panel_image()
{
    const QRect panel(0, 0, 320, 240);
    const QList<QWidget*> shown = panel_windows();
    QImage img(panel.size(), QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter painter(&img);
    for (QWidget* w : shown)
        painter.drawPixmap(w->mapToGlobal(QPoint(0, 0)), w->grab());
    painter.end();
    return img;
}

namespace {

// Written only as a new file in place of a regular one; returns the error, empty when
// written.
QString save_png(const QImage& img, const QString& hostPath)
{
    if (!QDir().mkpath(QFileInfo(hostPath).path()))
        return QStringLiteral("its folder cannot be made");
    // A link, a FIFO or a folder at the name is refused, not replaced.
    const QByteArray name = QFile::encodeName(hostPath);
    struct stat st;
    if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode))
        return QStringLiteral("not a regular file");
    // Made anew: a hard link at the name would lead the picture into a file outside the root.
    const int fd = platform::create_fresh(name, 0644);
    QFile file;
    if (fd < 0 || !file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
        const int e = errno;
        if (fd >= 0)
            ::close(fd);
        return QString::fromLocal8Bit(std::strerror(e));
    }
    if (img.save(&file, "PNG") && file.flush())
        return QString();
    const QString why = file.errorString().isEmpty() ? QStringLiteral("PNG not written") : file.errorString();
    // A cut picture (a full disk) is not left behind as if it were one.
    file.close();
    ::unlink(name.constData());
    return why;
}

// Grabbed and written on the GUI thread; the caller waits for the result.
QString panel_screenshot(const QString& hostPath)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!qobject_cast<QApplication*>(app))
        return QStringLiteral("no panel");
    if (QThread::currentThread() == app->thread())
        return save_png(panel_image(), hostPath);
    auto result = std::make_shared<std::promise<QString>>();
    std::future<QString> done = result->get_future();
    if (!on_gui_thread([result, hostPath] { result->set_value(save_png(panel_image(), hostPath)); }))
        return QStringLiteral("no panel");
    if (done.wait_for(std::chrono::seconds(10)) != std::future_status::ready)
        return QStringLiteral("the panel did not answer within 10 s");
    return done.get();
}

// A key pressed and released, on the GUI thread.
bool send_key(int code)
{
    return on_gui_thread([code] {
        const QString text = code < 128 ? QString(QChar(code)) : QString();
        for (const bool down : {true, false})
            panel_key_event(down, code, Qt::NoModifier, text);
    });
}

// "keypad key X": the simulated keypad's key X (a letter).
bool keypad_key(const QStringList& a)
{
    if (a.size() != 1 || a[0].size() != 1 || a[0][0] < QLatin1Char('A') || a[0][0] > QLatin1Char('Z'))
        return false;
    return send_key(a[0][0].unicode());
}

// "key CODE": a panel key with or without a keypad. CODE is a keypad letter (S R Q M O,
// A..P), a role (left right ok mode back) or a key code (decimal or 0x..).
bool panel_key(const QStringList& args)
{
    if (args.size() != 1)
        return false;
    const QString a = args[0].toLower();
    static const QHash<QString, int> roles{{"left", Qt::Key_F4}, {"right", Qt::Key_F5}, {"ok", Qt::Key_F6},
                                           {"mode", Qt::Key_Stop}, {"back", Qt::Key_PowerOff}};
    if (roles.contains(a))
        return send_key(roles.value(a));
    if (a.size() == 1 && a[0] >= QLatin1Char('a') && a[0] <= QLatin1Char('z')) {
        // Only the keypad's letters: another one would be taken without a word and do nothing.
        if (a[0] > QLatin1Char('s')) {
            sim::control_note(QStringLiteral("key %1: no panel key; the keys are S (left), R (right), "
                                             "Q (OK), M (mode), O (back), A..P (shortcuts), left, "
                                             "right, ok, mode, back, or a key code")
                                  .arg(args[0]));
            return false;
        }
        return send_key(a[0].toUpper().unicode());
    }
    bool ok = false;
    const int code = a.toInt(&ok, 0);
    return ok && code > 0 && send_key(code);
}

} // namespace

void install_simulated_device()
{
    sim::install();
    // The host has no keypad unless asked for one (YUQ_SIM_KEYPAD=1).
    if (qgetenv("YUQ_SIM_KEYPAD") == "1") {
        sim::install_keypad();
        sim::register_control_command(QStringLiteral("keypad key"), QStringLiteral("keypad key LETTER"), keypad_key, true);
    } else {
        sim::register_keypad_off();
    }
    sim::register_control_command(QStringLiteral("key"), QStringLiteral("key CODE (S R Q M O A..P, left right ok mode back, or a number)"),
                                  panel_key, true);
    sim::set_screenshot_hook(panel_screenshot);
}

void panel_ready()
{
    // On the GUI thread, once: the relay lives there.
    if (!g_relay.load())
        g_relay = new GuiRelay;
    if (!g_stacking) {
        g_stacking = new Stacking;
        qApp->installEventFilter(g_stacking);
    }
    sim::set_panel_ready(true);
}

void create_hardware_services()
{
    zarvosource::pInstance();
    fpga_manage::pInstance();
    c331_manage::pInstance()->start_thread();
}

void start_hardware_threads()
{
    fpga_manage::pInstance()->initialize_start();
    zarvosource::pInstance()->initialize();
}
