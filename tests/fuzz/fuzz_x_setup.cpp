// An X server's connection setup as the X window reads it (the bytes libxcb holds after
// the connection, the length the server gave them).
#include "x_setup.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact copy: bytes past its end are the sanitizer's to catch.
    std::vector<uint8_t> setup(data, data + size);
    for (int screen : {0, 1}) {
        host::XFormat f;
        if (!host::x_setup_format(setup.data(), setup.size(), screen, &f).isEmpty())
            continue;
        // A format taken is one the conversion handles: a byte per colour, apart.
        const int shifts[] = {f.red_shift, f.green_shift, f.blue_shift};
        for (int s : shifts)
            if (s < 0 || s > 24 || s % 8)
                std::abort();
        if (f.red_shift == f.green_shift || f.green_shift == f.blue_shift || f.red_shift == f.blue_shift)
            std::abort();
        const uint32_t in[2] = {0x00123456, 0xffabcdef};
        uint32_t out[2];
        host::x_convert(f, in, out, 2);
    }
    return 0;
}
