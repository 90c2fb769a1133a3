// OSD caption files: the live omenu.json and a user mode's copy. A broken copy must never
// take the live file with it.
#include "fuzzsupport.h"

#include "core/omenu.h"
#include "platform/devpath.h"

#include <QFileInfo>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    static const uint8_t live[] = "{\"osdcount\":1,\"menu\":[{\"texts\":\"x\"}]}";
    fuzzsupport::put("/data/configs/omenu.json", live, sizeof live - 1);
    fuzzsupport::put("/data/modes/MO01.json", data, size);
    OSD_LIST l;
    get_json_omenu_para("/data/modes/MO01.json", &l);
    if (!QFileInfo::exists(platform::dev_path("/data/configs/omenu.json")))
        std::abort();
    fuzzsupport::put("/data/configs/omenu.json", data, size);
    get_json_omenu_para("/data/configs/omenu.json", &l);
    return 0;
}
