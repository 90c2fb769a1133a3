#pragma once
// A VNC viewer's next message, looked at before LibVNCServer reads it: what the library
// would act on wrongly never reaches it (shared with the RFB fuzz target).
#include <rfb/rfb.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <poll.h>
#include <sys/socket.h>

namespace host {

// The next `len` bytes of the viewer, peeked: 1 once all are there, 0 when the connection
// ends first, -1 when they do not come within the library's own wait for a message's rest.
inline int peek_whole(int sock, uint8_t* buf, int len)
{
    ::setsockopt(sock, SOL_SOCKET, SO_RCVLOWAT, &len, sizeof len); // no wake for a part
    int result = -1;
    for (ssize_t had = -1;;) {
        const ssize_t n = ::recv(sock, buf, size_t(len), MSG_PEEK | MSG_DONTWAIT);
        if (n == len || n == 0 || n == had || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            result = n == len ? 1 : 0;
            break;
        }
        pollfd p{sock, POLLIN, 0};
        const int woken = ::poll(&p, 1, rfbMaxClientWait);
        if (woken == 0)
            break;
        if (woken > 0)
            had = n; // woken without the whole: the end
    }
    const int one = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_RCVLOWAT, &one, sizeof one);
    return result;
}

// At a message boundary (the library reads a plain socket one message a call), before the
// library reads it: true when it may. Scaling the fixed-size panel is refused: the library
// divides by the sizes it scales down to. A frame request of no area asks for nothing, yet
// the library would keep its empty rectangle (inside the panel, it survives the requested
// region's intersection) and divide by its zero width when counting a Zlib or Ultra update.
inline bool library_may_read(rfbClientPtr cl)
{
    uint8_t m[sz_rfbFramebufferUpdateRequestMsg];
    if (::recv(cl->sock, m, 1, MSG_PEEK | MSG_DONTWAIT) != 1)
        return true; // nothing yet, or the end the library will see
    if (m[0] == rfbSetScale || m[0] == rfbPalmVNCSetScaleFactor) {
        std::printf("VNC: the viewer from %s is closed: it asked to scale the panel, which is shown at %dx%d only\n",
                    cl->host, cl->screen->width, cl->screen->height);
        rfbCloseClient(cl);
        return false;
    }
    if (m[0] != rfbFramebufferUpdateRequest)
        return true;
    const int whole = peek_whole(cl->sock, m, sizeof m);
    if (whole <= 0) {
        if (whole < 0)
            std::printf("VNC: the viewer from %s is closed: its frame request did not come whole within %d s\n",
                        cl->host, rfbMaxClientWait / 1000);
        rfbCloseClient(cl);
        return false;
    }
    const auto at = [&m](int i) { return m[2 + 2 * i] << 8 | m[3 + 2 * i]; };
    if (at(0) < cl->screen->width && at(1) < cl->screen->height && at(2) > 0 && at(3) > 0)
        return true;
    (void)!::recv(cl->sock, m, sizeof m, MSG_DONTWAIT); // dropped
    return false;
}

} // namespace host
