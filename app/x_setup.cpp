#include "x_setup.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace host {

namespace {

// The setup's bytes in order; nothing past its end is read. Copied out, as the server's
// counts may leave a part unaligned.
struct Reader
{
    const uint8_t* p;
    size_t left;
    template<class T> bool take(T* t)
    {
        if (left < sizeof(T))
            return false;
        std::memcpy(t, p, sizeof(T));
        p += sizeof(T);
        left -= sizeof(T);
        return true;
    }
    bool skip(size_t n)
    {
        if (left < n)
            return false;
        p += n;
        left -= n;
        return true;
    }
};

// The lowest bit of an 8-bit colour mask; -1 for another mask.
int byte_shift(uint32_t mask)
{
    for (int s = 0; s <= 24; s += 8)
        if (mask == 0xffu << s)
            return s;
    return -1;
}

} // namespace

QString x_setup_format(const uint8_t* setup, size_t size, int screen, XFormat* f)
{
    const QString bad = QStringLiteral("its connection setup does not add up");
    const QString not_24 = QStringLiteral("its screen is not 24-bit true colour");
    if (size < 8)
        return bad;
    // Its length counts the 4-byte units after the 8 bytes of its head.
    uint16_t length;
    std::memcpy(&length, setup + offsetof(xcb_setup_t, length), sizeof length);
    const size_t total = 8 + size_t(length) * 4;
    Reader r{setup, std::min(total, size)};
    xcb_setup_t s;
    if (total > size || !r.take(&s) || s.status != 1)
        return bad;
    int bpp = 0;
    xcb_screen_t chosen{};
    xcb_visualtype_t visual{};
    bool found = false;
    if (!r.skip((size_t(s.vendor_len) + 3) / 4 * 4))
        return bad;
    // Read once the screen's depth is known.
    const uint8_t* formats = r.p;
    xcb_format_t format;
    if (!r.skip(size_t(s.pixmap_formats_len) * sizeof format))
        return bad;
    for (int i = 0; i < s.roots_len; ++i) {
        xcb_screen_t sc;
        if (!r.take(&sc))
            return bad;
        for (int d = 0; d < sc.allowed_depths_len; ++d) {
            xcb_depth_t depth;
            if (!r.take(&depth))
                return bad;
            for (int v = 0; v < depth.visuals_len; ++v) {
                xcb_visualtype_t vt;
                if (!r.take(&vt))
                    return bad;
                if (i == screen && !found && vt.visual_id == sc.root_visual) {
                    visual = vt;
                    found = true;
                }
            }
        }
        if (i == screen)
            chosen = sc;
    }
    if (screen < 0 || screen >= s.roots_len)
        return QStringLiteral("it has no such screen");
    for (int i = 0; i < s.pixmap_formats_len; ++i) {
        std::memcpy(&format, formats + size_t(i) * sizeof format, sizeof format);
        if (format.depth == chosen.root_depth)
            bpp = format.bits_per_pixel;
    }
    if (!found || visual._class != XCB_VISUAL_CLASS_TRUE_COLOR || bpp != 32)
        return not_24;
    f->red_shift = byte_shift(visual.red_mask);
    f->green_shift = byte_shift(visual.green_mask);
    f->blue_shift = byte_shift(visual.blue_mask);
    if (f->red_shift < 0 || f->green_shift < 0 || f->blue_shift < 0 || f->red_shift == f->green_shift
        || f->green_shift == f->blue_shift || f->red_shift == f->blue_shift)
        return not_24;
    f->root = chosen.root;
    f->visual = chosen.root_visual;
    f->depth = chosen.root_depth;
    f->swap = s.image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    f->convert = f->swap || f->red_shift != 16 || f->green_shift != 8 || f->blue_shift != 0;
    return QString();
}

void x_convert(const XFormat& f, const uint32_t* from, uint32_t* to, int n)
{
    for (int x = 0; x < n; ++x) {
        const uint32_t p = from[x];
        const uint32_t v = (p >> 16 & 0xff) << f.red_shift | (p >> 8 & 0xff) << f.green_shift | (p & 0xff) << f.blue_shift;
        to[x] = f.swap ? __builtin_bswap32(v) : v;
    }
}

} // namespace host
