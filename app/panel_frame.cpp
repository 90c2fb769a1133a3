#include "panel_frame.h"

#include "services.h"

#include <QApplication>
#include <QEvent>
#include <QImage>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <sys/eventfd.h>
#include <unistd.h>

namespace host {

namespace {

void wake_fd(int fd)
{
    const uint64_t one = 1;
    (void)!::write(fd, &one, sizeof one);
}

// The panel's latest picture, written by the GUI thread, copied by the readers' threads.
struct Frame
{
    std::mutex mutex;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kFramePixels);
    quint64 serial = 0;
};
Frame g_frame;

std::mutex g_readers_mutex;
std::vector<int> g_readers; // their wake fds
std::atomic<int> g_count{0};
// Something was painted since the last grab (GUI thread): without readers nothing is
// grabbed, and the first one to come needs a fresh picture.
bool g_dirty = true;

// Grabs the panel as the screenshot does and hands it to the readers when it changed.
void publish()
{
    if (g_count.load() == 0)
        return;
    g_dirty = false;
    const QImage image = panel_image();
    if (image.size() != QSize(kFrameWidth, kFrameHeight) || image.format() != QImage::Format_RGB32)
        return;
    {
        std::lock_guard<std::mutex> lock(g_frame.mutex);
        if (g_frame.serial > 0 && std::memcmp(g_frame.pixels.data(), image.constBits(), size_t(kFramePixels) * 4) == 0)
            return;
        std::memcpy(g_frame.pixels.data(), image.constBits(), size_t(kFramePixels) * 4);
        ++g_frame.serial;
    }
    std::lock_guard<std::mutex> lock(g_readers_mutex);
    for (int fd : g_readers)
        wake_fd(fd);
}

// What the panel paints, or a change of what lies above what, is grabbed once the events
// of the moment have run; the grab's own painting is not.
class PaintWatch : public QObject
{
public:
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::Paint:
        case QEvent::UpdateRequest:
        case QEvent::Show:
        case QEvent::Hide:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::ZOrderChange:
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
        case QEvent::WindowStateChange:
            if (m_grabbing || !o->isWidgetType())
                break;
            g_dirty = true;
            if (g_count.load() > 0)
                schedule();
            break;
        default:
            break;
        }
        return false;
    }

    // One grab once the events of the moment have run, however many asked for it.
    void schedule()
    {
        if (m_due)
            return;
        m_due = true;
        QTimer::singleShot(0, this, [this] { grab(); });
    }

    void grab()
    {
        m_due = false;
        m_grabbing = true;
        publish();
        m_grabbing = false;
    }

private:
    bool m_grabbing = false;
    bool m_due = false;
};
PaintWatch* g_watch = nullptr;

} // namespace

Wakeup::Wakeup() : fd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

Wakeup::~Wakeup()
{
    if (fd >= 0)
        ::close(fd);
}

void Wakeup::wake() const
{
    wake_fd(fd);
}

void frame_reader_add(int wake_fd)
{
    if (!g_watch) {
        g_watch = new PaintWatch;
        qApp->installEventFilter(g_watch);
    }
    {
        std::lock_guard<std::mutex> lock(g_readers_mutex);
        g_readers.push_back(wake_fd);
        g_count.fetch_add(1);
    }
    // Not grabbed here: a burst of readers would grab once each. The reader starts from
    // the last picture and gets what changed since with the grab.
    if (g_dirty)
        g_watch->schedule();
}

void frame_reader_remove(int wake_fd)
{
    std::lock_guard<std::mutex> lock(g_readers_mutex);
    const auto it = std::find(g_readers.begin(), g_readers.end(), wake_fd);
    if (it == g_readers.end())
        return;
    g_readers.erase(it);
    g_count.fetch_sub(1);
}

bool frame_take(std::vector<uint32_t>& shown, quint64& serial, QRect* changed)
{
    int top = kFrameHeight, bottom = -1, left = kFrameWidth, right = -1;
    {
        std::lock_guard<std::mutex> lock(g_frame.mutex);
        if (g_frame.serial == serial)
            return false;
        serial = g_frame.serial;
        for (int y = 0; y < kFrameHeight; ++y) {
            const uint32_t* from = g_frame.pixels.data() + y * kFrameWidth;
            uint32_t* to = shown.data() + y * kFrameWidth;
            if (std::memcmp(from, to, kFrameWidth * 4) == 0)
                continue;
            int l = 0, r = kFrameWidth - 1;
            while (from[l] == to[l])
                ++l;
            while (from[r] == to[r])
                --r;
            std::memcpy(to + l, from + l, size_t(r - l + 1) * 4);
            top = std::min(top, y);
            bottom = y;
            left = std::min(left, l);
            right = std::max(right, r);
        }
    }
    *changed = bottom < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
    return true;
}

} // namespace host
