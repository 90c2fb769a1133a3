#include "vnc_server.h"

#include "panel_input.h"
#include "services.h"
#include "vnc_boundary.h"

#include <rfb/rfb.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <array>
#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <fcntl.h>
#include <malloc.h>
#include <memory>
#include <netinet/in.h>
#include <mutex>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace host {

namespace {

constexpr int kWidth = kFrameWidth;
constexpr int kHeight = kFrameHeight;
// The library sets up a global lock each time it makes a screen: every screen is made
// before the first viewer's thread runs, so this many viewers at once.
constexpr int kMaxViewers = 64;
// A connection that is no viewer this long after its accept (no handshake, a silent or a
// slow one) gives its slot back.
constexpr int kHandshakeMs = 10000;
// Connections taken from the port at one pass of the GUI thread's loop: a flood of them
// leaves it free for the control lines, the keypad and the paints in between.
constexpr int kAcceptBatch = 8;

struct Viewer
{
    rfbScreenInfoPtr screen = nullptr;
    std::shared_ptr<Wakeup> wake = std::make_shared<Wakeup>();
    std::vector<uint32_t> shown = std::vector<uint32_t>(kFramePixels);
    quint64 serial = 0;
};

std::mutex g_viewers_mutex;
std::vector<Viewer*> g_viewers;        // served now
std::vector<rfbScreenInfoPtr> g_spare; // screens free for the next viewer
std::atomic<bool> g_trim_due{false};

// The library's own lines: the statistics and the steps of each connection tell a user
// nothing; its errors do, but for a viewer that simply went away.
void library_log(const char*, ...) {}
void library_error(const char* format, ...)
{
    char line[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    std::string text(line);
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    for (const char* gone : {"Connection reset by peer", "Broken pipe", "client gone", "unknown connection error"})
        if (text.find(gone) != std::string::npos)
            return;
    std::fprintf(stderr, "yuqK87N: VNC: %s\n", text.c_str());
}

// ---- a viewer's thread ----------------------------------------------------------------

// An input event of the viewer to the GUI thread, counted until it starts there.
void post_viewer_input(rfbClientPtr cl, std::function<void()> fn)
{
    post_input(static_cast<Viewer*>(cl->screen->screenData)->wake, std::move(fn));
}

void on_key(rfbBool down, rfbKeySym keysym, rfbClientPtr cl)
{
    post_viewer_input(cl, [down, keysym] { deliver_key(down, keysym); });
}

void on_pointer(int mask, int x, int y, rfbClientPtr cl)
{
    const QPoint at(x, y);
    post_viewer_input(cl, [mask, at] { deliver_pointer(mask, at); });
}

// The latest picture into the viewer's frame, the part that changed marked for sending.
void take_frame(Viewer* v, bool mark)
{
    QRect changed;
    if (frame_take(v->shown, v->serial, &changed) && mark && !changed.isEmpty())
        rfbMarkRectAsModified(v->screen, changed.left(), changed.top(), changed.right() + 1, changed.bottom() + 1);
}

// A pixel format's colours as (maximum, shift): red, green, blue.
std::array<std::pair<int, int>, 3> colours(const rfbPixelFormat& f)
{
    return {{{f.redMax, f.redShift}, {f.greenMax, f.greenShift}, {f.blueMax, f.blueShift}}};
}

// The library's ZRLE sends a 32-bit pixel in three bytes where its test finds the colours
// in the lower three bytes or the upper three (the upper first for big-endian pixels, the
// lower first for little-endian ones). Its test of the lower three shifts an int into the
// sign, so a colour at bit 24 passes for one below it: the lower three bytes go out where
// four (or the upper three) were due, and a viewer reads them wrong.
bool zrle_loses_a_colour(const rfbPixelFormat& f)
{
    if (f.bitsPerPixel != 32)
        return false;
    bool lower_by_its_test = true, lower = true, upper = true;
    for (const auto& [max, shift] : colours(f)) {
        if (shift >= 32)
            return true; // never used: such a format closes its viewer
        lower_by_its_test = lower_by_its_test && int32_t(uint32_t(max) << shift) < (1 << 24);
        lower = lower && (uint64_t(max) << shift) < (uint64_t(1) << 24);
        upper = upper && shift > 7;
    }
    if (f.bigEndian && upper)
        return false; // the upper three, as due
    return lower_by_its_test != lower;
}

// What the panel sends is never lossy and carries no cursor: a viewer's encodings may ask
// for JPEG quality (TigerVNC's do by default) or a cursor shape, and get neither.
void keep_lossless_without_cursor(rfbClientPtr cl)
{
    cl->turboQualityLevel = -1;
    cl->tightQualityLevel = -1;
    if (cl->preferredEncoding == rfbEncodingZYWRLE)
        cl->preferredEncoding = rfbEncodingZRLE;
    // Raw: every viewer takes it, and the library keeps no list of the others asked for.
    if (cl->preferredEncoding == rfbEncodingZRLE && zrle_loses_a_colour(cl->format))
        cl->preferredEncoding = rfbEncodingRaw;
    cl->enableCursorShapeUpdates = FALSE;
    cl->enableCursorPosUpdates = FALSE;
    cl->cursorWasChanged = FALSE;
    cl->cursorWasMoved = FALSE;
}

// A connection in its handshake. At kHandshakeMs from its accept its socket is shut down,
// which ends at once whatever read of the library's holds it (one a byte at a time inside
// rfbNewClient, or a message trickled in), and so the connection. It is shut down through
// a descriptor of its own, closed only under the lock: never a later connection that got
// the number the library closed.
struct Handshake
{
    int fd = -1; // the connection's socket, until the handshake is over
    QElapsedTimer since;
    std::string host;
};
std::mutex g_handshakes_mutex;
std::vector<std::shared_ptr<Handshake>> g_handshakes; // in the order accepted
QTimer* g_handshake_timer = nullptr;                   // due at the first one's deadline

// Its descriptor closed and its deadline dropped (the lock held).
void forget_handshake_locked(std::vector<std::shared_ptr<Handshake>>::iterator it)
{
    ::close((*it)->fd);
    (*it)->fd = -1;
    g_handshakes.erase(it);
}

// The handshake over, a viewer served or the connection gone: no deadline any more.
void end_handshake(const std::shared_ptr<Handshake>& h)
{
    std::lock_guard<std::mutex> lock(g_handshakes_mutex);
    if (h->fd >= 0)
        forget_handshake_locked(std::find(g_handshakes.begin(), g_handshakes.end(), h));
}

// On the GUI thread: the connections past their time shut down, the timer set for the next.
void cut_late_handshakes()
{
    std::lock_guard<std::mutex> lock(g_handshakes_mutex);
    while (!g_handshakes.empty()) {
        Handshake& h = *g_handshakes.front();
        const qint64 left = kHandshakeMs - h.since.elapsed();
        if (left > 0) {
            g_handshake_timer->start(int(left));
            return;
        }
        std::printf("VNC: the connection from %s is closed: no VNC handshake within %d s\n", h.host.c_str(),
                    kHandshakeMs / 1000);
        ::shutdown(h.fd, SHUT_RDWR);
        forget_handshake_locked(g_handshakes.begin());
    }
}

// Where the library applies a viewer's SetPixelFormat: a true-colour one whose colours do
// not fit its pixel would have the library (and the ZRLE test) shift past the pixel, so
// its viewer is closed; the library itself refuses other sizes and colour maps.
rfbBool take_pixel_format(rfbClientPtr cl)
{
    const rfbPixelFormat& f = cl->format;
    const int bits = f.bitsPerPixel;
    bool fits = true;
    if (f.trueColour && (bits == 8 || bits == 16 || bits == 32))
        for (const auto& [max, shift] : colours(f))
            fits = fits && shift < bits && (uint64_t(max) << shift) >> bits == 0;
    if (!fits) {
        std::printf("VNC: the viewer from %s is closed: its pixel format puts a colour past its %d bits\n", cl->host, bits);
        rfbCloseClient(cl);
        return FALSE;
    }
    return rfbSetTranslateFunction(cl);
}

void serve(Viewer* v, int fd, std::shared_ptr<Handshake> handshake)
{
    v->screen->frameBuffer = reinterpret_cast<char*>(v->shown.data());
    v->screen->screenData = v;
    take_frame(v, false); // a new client's whole frame is due anyway
    const std::string& host = handshake->host;
    rfbClientPtr cl = rfbNewClient(v->screen, fd);
    if (cl)
        std::printf("VNC: a viewer connected from %s\n", host.c_str());
    // The library answers a WebSocket upgrade on its own (from any web page's origin) and
    // would run RFB inside it: a browser's page would drive the panel.
    if (cl && cl->wsctx) {
        std::printf("VNC: the connection from %s is closed: a WebSocket (a web page), not a VNC viewer\n",
                    host.c_str());
        rfbCloseClient(cl);
    }
    bool served = false; // got past the handshake (the library's close resets the state)
    const int wake_fd = v->wake->fd;
    while (cl && cl->sock != RFB_INVALID_SOCKET) {
        if (!served && cl->state == rfbClientRec::RFB_NORMAL) {
            served = true;
            end_handshake(handshake);
        }
        // While its input waits for the GUI thread, the viewer's next messages wait in its
        // socket; its frames still go out.
        const bool input = input_open(*v->wake);
        pollfd p[2] = {{wake_fd, POLLIN, 0}, {cl->sock, POLLIN, 0}};
        if (::poll(p, input ? 2 : 1, -1) < 0 && errno != EINTR)
            break;
        if (p[0].revents & POLLIN) {
            uint64_t n;
            (void)!::read(wake_fd, &n, sizeof n);
            take_frame(v, true);
        }
        if (input && p[1].revents && (cl->state != rfbClientRec::RFB_NORMAL || library_may_read(cl)))
            rfbCheckFds(v->screen, 0);
        if (cl->sock == RFB_INVALID_SOCKET)
            break;
        keep_lossless_without_cursor(cl);
        rfbUpdateClient(cl);
    }
    end_handshake(handshake);
    if (cl) {
        if (cl->sock != RFB_INVALID_SOCKET)
            rfbCloseClient(cl);
        rfbClientConnectionGone(cl);
        std::printf("VNC: the viewer from %s has gone\n", host.c_str());
    }
    {
        std::lock_guard<std::mutex> lock(g_viewers_mutex);
        g_viewers.erase(std::find(g_viewers.begin(), g_viewers.end(), v));
        v->screen->frameBuffer = nullptr;
        v->screen->screenData = nullptr;
        g_spare.push_back(v->screen);
        frame_reader_remove(v->wake->fd);
    }
    delete v;
    // The encoders' buffers of the viewer that left go back to the system (a connection
    // that never got to frames has none). Trimmed once for a burst, on the GUI thread: the
    // allocator's first use from a thread that then ends breaks its arena count under
    // AddressSanitizer, whose own allocator leaves glibc's unused until then.
    if (served && !g_trim_due.exchange(true))
        on_gui_thread([] {
            g_trim_due = false;
            ::malloc_trim(0);
        });
}

rfbScreenInfoPtr make_screen()
{
    rfbScreenInfoPtr s = rfbGetScreen(nullptr, nullptr, kWidth, kHeight, 8, 3, 4);
    if (!s)
        return nullptr;
    // The panel's own layout, Qt's 32-bit RGB: bytes B G R X.
    s->serverFormat.redShift = 16;
    s->serverFormat.greenShift = 8;
    s->serverFormat.blueShift = 0;
    // No socket of its own (the port is the panel's), no web server, no IPv6.
    s->port = 0;
    s->ipv6port = 0;
    s->httpPort = 0;
    s->httpDir = nullptr;
    s->autoPort = FALSE;
    s->alwaysShared = TRUE; // TigerVNC asks for the panel alone by default: others stay
    s->neverShared = FALSE;
    s->cursor = nullptr;
    s->deferUpdateTime = 0; // sent as soon as painted and asked for: nothing to poll
    s->deferPtrUpdateTime = 0;
    s->kbdAddEvent = on_key;
    s->ptrAddEvent = on_pointer;
    s->setTranslateFunction = take_pixel_format;
    s->desktopName = "yuqK87N";
    rfbInitServer(s);
    return s;
}

// The library keeps the security types it offers (RFB 3.7 and later, whatever version it
// announced) in one global list that each handshake edits without a lock: two first
// viewers at once could link it into a loop, and every later handshake would then recurse
// without end. One handshake here, before any viewer's thread, settles the list; later
// handshakes only read it.
void settle_security_types(rfbScreenInfoPtr s)
{
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return;
    rfbErr = library_log; // a local socket: what the library says of it is not news
    static const char version[] = "RFB 003.008\n";
    if (::write(pair[1], version, sizeof version - 1) == sizeof version - 1) {
        if (rfbClientPtr cl = rfbNewClient(s, pair[0])) {
            rfbProcessClientMessage(cl); // the version read, the list offered
            rfbCloseClient(cl);
            rfbClientConnectionGone(cl);
        }
    } else {
        ::close(pair[0]);
    }
    ::close(pair[1]);
    rfbErr = library_error;
}

// A few connections at a pass: a slot is taken before anything is made for one, a
// connection without one is closed at once, and a burst of those is said once.
void accept_viewers(int listen_fd)
{
    static QElapsedTimer last_refusal;
    for (int i = 0; i < kAcceptBatch; ++i) {
        sockaddr_in from{};
        socklen_t size = sizeof from;
        const int fd = ::accept4(listen_fd, reinterpret_cast<sockaddr*>(&from), &size, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        rfbScreenInfoPtr screen = nullptr;
        {
            std::lock_guard<std::mutex> lock(g_viewers_mutex);
            if (!g_spare.empty()) {
                screen = g_spare.back();
                g_spare.pop_back();
            }
        }
        auto* v = screen ? new Viewer : nullptr;
        auto handshake = std::make_shared<Handshake>();
        handshake->fd = v ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
        if (!v || v->wake->fd < 0 || handshake->fd < 0) {
            ::close(fd);
            if (handshake->fd >= 0)
                ::close(handshake->fd);
            if (!last_refusal.isValid() || last_refusal.elapsed() > 1000)
                std::fprintf(stderr, "yuqK87N: VNC: a viewer is refused: %d viewers are served already\n", kMaxViewers);
            last_refusal.start();
            delete v;
            if (screen) {
                std::lock_guard<std::mutex> lock(g_viewers_mutex);
                g_spare.push_back(screen);
            }
            continue;
        }
        v->screen = screen;
        {
            std::lock_guard<std::mutex> lock(g_viewers_mutex);
            g_viewers.push_back(v);
        }
        char host[INET_ADDRSTRLEN] = "";
        ::inet_ntop(AF_INET, &from.sin_addr, host, sizeof host);
        handshake->host = host;
        handshake->since.start();
        {
            std::lock_guard<std::mutex> lock(g_handshakes_mutex);
            g_handshakes.push_back(handshake);
        }
        if (!g_handshake_timer->isActive())
            g_handshake_timer->start(kHandshakeMs);
        frame_reader_add(v->wake->fd);
        std::thread(serve, v, fd, std::move(handshake)).detach();
    }
}

} // namespace

void vnc_serve(int fd)
{
    rfbLog = library_log;
    rfbErr = library_error;
    for (int i = 0; i < kMaxViewers; ++i)
        if (rfbScreenInfoPtr s = make_screen())
            g_spare.push_back(s);
    if (!g_spare.empty())
        settle_security_types(g_spare.front());
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    g_handshake_timer = new QTimer(qApp);
    g_handshake_timer->setSingleShot(true);
    QObject::connect(g_handshake_timer, &QTimer::timeout, g_handshake_timer, cut_late_handshakes);
    auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [fd] { accept_viewers(fd); });
}

} // namespace host
