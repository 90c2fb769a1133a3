// What a VNC viewer sends once its handshake is done, served as the panel serves it: the
// viewer's next message looked at before LibVNCServer reads it, one message a step, an
// update after each. Whatever the bytes, the server lives, nothing is scaled, and no empty
// rectangle is ever asked for or marked (the library divides by a rectangle's width).
#include "app/vnc_boundary.h"

#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

extern "C" {
#include <rfb/rfbregion.h>
}

namespace {

void quiet(const char*, ...) {}

rfbScreenInfoPtr panel_screen()
{
    static std::vector<uint32_t> frame(320 * 240);
    rfbScreenInfoPtr s = rfbGetScreen(nullptr, nullptr, 320, 240, 8, 3, 4);
    s->frameBuffer = reinterpret_cast<char*>(frame.data());
    s->serverFormat.redShift = 16;
    s->serverFormat.greenShift = 8;
    s->serverFormat.blueShift = 0;
    s->port = 0;
    s->ipv6port = 0;
    s->httpPort = 0;
    s->autoPort = FALSE;
    s->alwaysShared = TRUE;
    s->cursor = nullptr;
    s->deferUpdateTime = 0;
    rfbInitServer(s);
    return s;
}

bool holds_an_empty_rectangle(sraRegionPtr r)
{
    sraRectangleIterator* i = sraRgnGetIterator(r);
    sraRect rect;
    bool empty = false;
    while (sraRgnIteratorNext(i, &rect))
        empty = empty || rect.x1 >= rect.x2 || rect.y1 >= rect.y2;
    sraRgnReleaseIterator(i);
    return empty;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    rfbLog = quiet;
    rfbErr = quiet;
    static rfbScreenInfoPtr screen = panel_screen();
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
        return 0;
    // The viewer's side: RFB 3.3, shared, then the input; what the server sends is read away.
    std::string sent = std::string("RFB 003.003\n\1") + std::string(reinterpret_cast<const char*>(data), size);
    std::thread viewer([&] {
        (void)!::write(pair[1], sent.data(), sent.size());
        ::shutdown(pair[1], SHUT_WR);
        char buf[65536];
        while (::read(pair[1], buf, sizeof buf) > 0) {
        }
    });
    rfbClientPtr cl = rfbNewClient(screen, pair[0]);
    while (cl && cl->sock != RFB_INVALID_SOCKET) {
        if (cl->state != rfbClientRec::RFB_NORMAL || host::library_may_read(cl))
            rfbProcessClientMessage(cl);
        if (cl->sock == RFB_INVALID_SOCKET)
            break;
        if (cl->scaledScreen != screen || holds_an_empty_rectangle(cl->modifiedRegion)
            || holds_an_empty_rectangle(cl->requestedRegion))
            std::abort();
        rfbUpdateClient(cl);
    }
    if (cl)
        rfbClientConnectionGone(cl);
    else
        ::close(pair[0]);
    viewer.join();
    ::close(pair[1]);
    return 0;
}
