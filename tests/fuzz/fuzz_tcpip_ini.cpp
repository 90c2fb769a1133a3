// /data/configs/tcpip.ini as a PC tool or a person may have edited it.
#include "fuzzsupport.h"

#include "core/config_engine.h"
#include "core/global.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    fuzzsupport::put("/data/configs/tcpip.ini", data, size);
    ConfigEngine::reset_for_test();
    (void)g_str_ip.get();
    return 0;
}
