// The packed card-job file (scan and recovery files from the PC or the stick): the parser
// never reads past the end, and what it accepts writes back to the same bytes.
#include "fpga/packed_file.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    packed::File f;
    if (packed::parse(bytes, &f) != packed::Error::None) {
        if (!f.screens.isEmpty())
            std::abort(); // a refused file leaves nothing behind
        return 0;
    }
    if (packed::write(f) != bytes)
        std::abort();
    return 0;
}
