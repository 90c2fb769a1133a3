#include "startup.h"

#include <cstdio>

int main(int argc, char* argv[])
{
    // Into a file or a pipe too, every line is out when it is printed: what a panel said
    // before it was ended is there.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return yuq_main(argc, argv);
}
