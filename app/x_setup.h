#pragma once
// The X server's connection setup, read within the length the server gave it, and the
// panel's pixels in the layout it names (host build).
#include <QString>
#include <cstddef>
#include <cstdint>

namespace host {

// A screen that can show the panel: 32-bit pixels, a byte per colour.
struct XFormat
{
    uint32_t root = 0, visual = 0;
    uint8_t depth = 24;
    bool swap = false; // most significant byte first
    int red_shift = 16, green_shift = 8, blue_shift = 0;
    bool convert = false; // not the panel's own B G R X bytes
};

// Screen `screen` of the setup `setup` (`size` bytes from its first, as the connection
// holds it) into `f`. Empty when it can show the panel, else why not.
QString x_setup_format(const uint8_t* setup, size_t size, int screen, XFormat* f);

// `n` of the panel's pixels (B G R X bytes) in the layout of `f`.
void x_convert(const XFormat& f, const uint32_t* from, uint32_t* to, int n);

} // namespace host
