#include "x_window.h"

#include "panel_input.h"
#include "x_setup.h"

#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>
#include <xcb/xcb_keysyms.h>

#include <QPoint>
#include <QRect>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <poll.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace host {

namespace {

// An X server that takes the connection but never answers it (a stopped one) is no display;
// one on a loaded machine may take many seconds.
constexpr auto kConnectWait = std::chrono::seconds(30);
// Events read in one pass before what they exposed is drawn.
constexpr int kEventsPerPass = 1024;
constexpr char kName[] = "yuqK87N";

struct Window
{
    QString display;
    xcb_connection_t* c = nullptr;
    xcb_window_t id = 0;
    xcb_gcontext_t gc = 0;
    XFormat format;
    // What Expose events asked for, drawn once the events waiting are read: a flood of
    // them is one redraw, not one each.
    QRect exposed;
    xcb_atom_t protocols = 0, close = 0;
    xcb_key_symbols_t* keys = nullptr;
    std::shared_ptr<Wakeup> wake = std::make_shared<Wakeup>();
    std::vector<uint32_t> shown = std::vector<uint32_t>(kFramePixels);
    std::vector<uint32_t> out;
    quint64 serial = 0;
    int buttons = 0; // as a viewer's mask: 1 left, 2 middle, 4 right
    std::function<void(const QString&)> ended;
};
Window* g_window = nullptr;

xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

// The window: the program's name, the panel's fixed size, the close message asked for.
bool make_window(Window* w)
{
    xcb_connection_t* c = w->c;
    w->id = xcb_generate_id(c);
    // No background: what lies under the window is never painted over the panel first.
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE
                                   | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE
                                   | XCB_EVENT_MASK_BUTTON_MOTION | XCB_EVENT_MASK_STRUCTURE_NOTIFY};
    xcb_generic_error_t* e = xcb_request_check(
        c, xcb_create_window_checked(c, XCB_COPY_FROM_PARENT, w->id, w->format.root, 0, 0, kFrameWidth, kFrameHeight, 0,
                                     XCB_WINDOW_CLASS_INPUT_OUTPUT, w->format.visual,
                                     XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values));
    if (e) {
        std::free(e);
        return false;
    }
    w->gc = xcb_generate_id(c);
    xcb_create_gc(c, w->gc, w->id, 0, nullptr);
    xcb_icccm_set_wm_name(c, w->id, XCB_ATOM_STRING, 8, sizeof kName - 1, kName);
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    if (const xcb_atom_t net_name = atom(c, "_NET_WM_NAME"); net_name && utf8)
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w->id, net_name, utf8, 8, sizeof kName - 1, kName);
    const char cls[] = "yuqK87N\0yuqK87N";
    xcb_icccm_set_wm_class(c, w->id, sizeof cls, cls);
    xcb_size_hints_t size{};
    xcb_icccm_size_hints_set_size(&size, 0, kFrameWidth, kFrameHeight);
    xcb_icccm_size_hints_set_min_size(&size, kFrameWidth, kFrameHeight);
    xcb_icccm_size_hints_set_max_size(&size, kFrameWidth, kFrameHeight);
    xcb_icccm_set_wm_normal_hints(c, w->id, &size);
    xcb_icccm_wm_hints_t hints{};
    xcb_icccm_wm_hints_set_input(&hints, 1);
    xcb_icccm_wm_hints_set_normal(&hints);
    xcb_icccm_set_wm_hints(c, w->id, &hints);
    w->protocols = atom(c, "WM_PROTOCOLS");
    w->close = atom(c, "WM_DELETE_WINDOW");
    if (w->protocols && w->close)
        xcb_icccm_set_wm_protocols(c, w->id, w->protocols, 1, &w->close);
    w->keys = xcb_key_symbols_alloc(c);
    return w->keys && !xcb_connection_has_error(c);
}

// The part `r` of the panel into the window, in strips a request can carry.
void put(Window* w, const QRect& r)
{
    const int width = r.width();
    const uint32_t most = xcb_get_maximum_request_length(w->c) * 4 - 24; // bytes; 24: the request's head
    const int rows = std::max(1, int(most / uint32_t(width * 4)));
    w->out.resize(size_t(width) * size_t(std::min(rows, r.height())));
    for (int y = r.top(); y <= r.bottom(); y += rows) {
        const int n = std::min(rows, r.bottom() + 1 - y);
        for (int i = 0; i < n; ++i) {
            const uint32_t* from = w->shown.data() + (y + i) * kFrameWidth + r.left();
            uint32_t* to = w->out.data() + i * width;
            if (w->format.convert)
                x_convert(w->format, from, to, width);
            else
                std::memcpy(to, from, size_t(width) * 4);
        }
        xcb_put_image(w->c, XCB_IMAGE_FORMAT_Z_PIXMAP, w->id, w->gc, uint16_t(width), uint16_t(n), int16_t(r.left()),
                      int16_t(y), 0, w->format.depth, uint32_t(width * n * 4), reinterpret_cast<const uint8_t*>(w->out.data()));
    }
}

void pointer(Window* w, int x, int y)
{
    const int mask = w->buttons;
    const QPoint at(std::clamp(x, 0, kFrameWidth - 1), std::clamp(y, 0, kFrameHeight - 1));
    post_input(w->wake, [mask, at] { deliver_pointer(mask, at); });
}

// One event of the window; false once the window is gone.
bool handle(Window* w, xcb_generic_event_t* e)
{
    switch (e->response_type & 0x7f) { // the top bit marks an event another client sent
    case 0: {
        const auto* err = reinterpret_cast<xcb_generic_error_t*>(e);
        std::fprintf(stderr, "yuqK87N: X error %d (request %d)\n", err->error_code, err->major_code);
        break;
    }
    case XCB_EXPOSE: {
        const auto* x = reinterpret_cast<xcb_expose_event_t*>(e);
        w->exposed |= QRect(x->x, x->y, x->width, x->height) & QRect(0, 0, kFrameWidth, kFrameHeight);
        break;
    }
    case XCB_KEY_PRESS:
    case XCB_KEY_RELEASE: {
        const auto* k = reinterpret_cast<xcb_key_press_event_t*>(e);
        const bool down = (e->response_type & 0x7f) == XCB_KEY_PRESS;
        xcb_keysym_t sym = 0;
        if (k->state & XCB_MOD_MASK_SHIFT)
            sym = xcb_key_symbols_get_keysym(w->keys, k->detail, 1);
        if (!sym)
            sym = xcb_key_symbols_get_keysym(w->keys, k->detail, 0);
        if (sym)
            post_input(w->wake, [down, sym] { deliver_key(down, sym); });
        break;
    }
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
        const auto* b = reinterpret_cast<xcb_button_press_event_t*>(e);
        if (b->detail < 1 || b->detail > 3) // the wheel's buttons: the panel has no wheel
            break;
        const int bit = 1 << (b->detail - 1);
        w->buttons = (e->response_type & 0x7f) == XCB_BUTTON_PRESS ? w->buttons | bit : w->buttons & ~bit;
        pointer(w, b->event_x, b->event_y);
        break;
    }
    case XCB_MOTION_NOTIFY: {
        const auto* m = reinterpret_cast<xcb_motion_notify_event_t*>(e);
        pointer(w, m->event_x, m->event_y);
        break;
    }
    case XCB_MAPPING_NOTIFY:
        xcb_refresh_keyboard_mapping(w->keys, reinterpret_cast<xcb_mapping_notify_event_t*>(e));
        break;
    case XCB_CLIENT_MESSAGE: {
        const auto* m = reinterpret_cast<xcb_client_message_event_t*>(e);
        if (m->format == 32 && m->type == w->protocols && m->data.data32[0] == w->close) {
            w->ended(QStringLiteral("The panel's window was closed: the panel ends."));
            return false;
        }
        break;
    }
    case XCB_DESTROY_NOTIFY:
        if (reinterpret_cast<xcb_destroy_notify_event_t*>(e)->window == w->id) {
            w->ended(QStringLiteral("The panel's window was closed: the panel ends."));
            return false;
        }
        break;
    default:
        break;
    }
    return true;
}

// The window's thread: pictures out as they come, events in while fewer than the bound of
// its input wait for the GUI thread (the others wait in the connection meanwhile).
void serve(Window* w)
{
    const int xfd = xcb_get_file_descriptor(w->c);
    xcb_map_window(w->c, w->id);
    const auto take = [w](xcb_generic_event_t* e) {
        const bool alive = handle(w, e);
        std::free(e);
        return alive;
    };
    for (;;) {
        for (int n = 0; n < kEventsPerPass && input_open(*w->wake); ++n) {
            xcb_generic_event_t* e = xcb_poll_for_event(w->c);
            if (!e)
                break;
            if (!take(e))
                return;
        }
        if (!w->exposed.isEmpty()) {
            put(w, w->exposed);
            w->exposed = QRect();
        }
        if (xcb_connection_has_error(w->c)) {
            w->ended(QStringLiteral("The X display %1 has gone: the panel ends.").arg(w->display));
            return;
        }
        QRect changed;
        if (frame_take(w->shown, w->serial, &changed) && !changed.isEmpty())
            put(w, changed);
        xcb_flush(w->c);
        const bool input = input_open(*w->wake);
        // Writing reads what the server sent meanwhile into the library's queue: those
        // events would not wake the poll.
        if (xcb_generic_event_t* e = input ? xcb_poll_for_queued_event(w->c) : nullptr) {
            if (!take(e))
                return;
            continue;
        }
        pollfd p[2] = {{w->wake->fd, POLLIN, 0}, {xfd, POLLIN, 0}};
        if (::poll(p, input ? 2 : 1, -1) > 0 && (p[0].revents & POLLIN)) {
            uint64_t n;
            (void)!::read(w->wake->fd, &n, sizeof n);
        }
    }
}

} // namespace

QString x_window_open(const QByteArray& display)
{
    const QString name = QString::fromLocal8Bit(display);
    const QString vnc = QStringLiteral(": the panel is served over VNC.");
    // Connected on a thread of its own: one that hangs is left there.
    struct Attempt
    {
        std::mutex mutex;
        std::condition_variable done_cv;
        bool done = false, abandoned = false;
        xcb_connection_t* c = nullptr;
        int screen = 0;
    };
    auto a = std::make_shared<Attempt>();
    std::thread([a, display] {
        int screen = 0;
        xcb_connection_t* c = xcb_connect(display.constData(), &screen);
        std::lock_guard<std::mutex> lock(a->mutex);
        if (a->abandoned) {
            xcb_disconnect(c);
            return;
        }
        a->c = c;
        a->screen = screen;
        a->done = true;
        a->done_cv.notify_one();
    }).detach();
    std::unique_lock<std::mutex> lock(a->mutex);
    if (!a->done_cv.wait_for(lock, kConnectWait, [&] { return a->done; })) {
        a->abandoned = true;
        return QStringLiteral("The X display %1 does not answer").arg(name) + vnc;
    }
    xcb_connection_t* c = a->c;
    const int error = xcb_connection_has_error(c);
    if (error) {
        xcb_disconnect(c);
        if (error == XCB_CONN_CLOSED_PARSE_ERR)
            return QStringLiteral("The X display %1 is no display name").arg(name) + vnc;
        if (error == XCB_CONN_CLOSED_INVALID_SCREEN)
            return QStringLiteral("The X display %1 has no such screen").arg(name) + vnc;
        return QStringLiteral("The X display %1 does not answer").arg(name) + vnc;
    }
    // Not handed to the next program at the simulated reboot: it opens a window of its own.
    const int fd = xcb_get_file_descriptor(c);
    ::fcntl(fd, F_SETFD, ::fcntl(fd, F_GETFD) | FD_CLOEXEC);
    // The setup is walked within the length the server gave it: libxcb's iterators trust
    // its nested counts.
    const xcb_setup_t* setup = xcb_get_setup(c);
    auto w = std::make_unique<Window>();
    w->display = name;
    w->c = c;
    QString why = x_setup_format(reinterpret_cast<const uint8_t*>(setup), 8 + size_t(setup->length) * 4, a->screen,
                                 &w->format);
    if (why.isEmpty() && (w->wake->fd < 0 || !make_window(w.get())))
        why = QStringLiteral("the window cannot be made");
    if (!why.isEmpty()) {
        if (w->keys)
            xcb_key_symbols_free(w->keys);
        xcb_disconnect(c);
        return QStringLiteral("The X display %1 cannot show the panel (%2)").arg(name, why) + vnc;
    }
    g_window = w.release();
    return QString();
}

void x_window_serve(std::function<void(const QString&)> ended)
{
    Window* w = g_window;
    if (!w)
        return;
    w->ended = std::move(ended);
    frame_reader_add(w->wake->fd);
    std::thread(serve, w).detach();
}

} // namespace host
