// /data/configs/alias.json as the PC sends it.
#include "fuzzsupport.h"

#include "core/alias.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    fuzzsupport::put("/data/configs/alias.json", data, size);
    ALIAS_PARA a;
    for (const char* section : {"source", "crop", "win", "usermode"})
        for (int id = 0; id < 3; ++id)
            get_json_alias_para(&a, section, id);
    return 0;
}
