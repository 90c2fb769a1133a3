// x_close WINDOW: asks the X window WINDOW (an id, decimal or 0x..) on $DISPLAY to close,
// as a window manager's close button does (the ICCCM's WM_DELETE_WINDOW message).
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static xcb_atom_t atom(xcb_connection_t* c, const char* name)
{
    xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : 0;
    std::free(r);
    return a;
}

int main(int argc, char* argv[])
{
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (argc != 2 || xcb_connection_has_error(c)) {
        std::fprintf(stderr, "usage: x_close WINDOW (with DISPLAY set)\n");
        return 2;
    }
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    e.type = atom(c, "WM_PROTOCOLS");
    e.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    e.data.data32[1] = XCB_CURRENT_TIME;
    xcb_generic_error_t* err = xcb_request_check(
        c, xcb_send_event_checked(c, 0, e.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&e)));
    const int rc = err ? 1 : 0;
    std::free(err);
    xcb_disconnect(c);
    return rc;
}
