#include "startup.h"

int main(int argc, char* argv[])
{
    return yuq_main(argc, argv);
}
