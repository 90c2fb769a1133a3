// /data/ram_device_info as it may be found at start: any bytes, any length.
#include "fuzzsupport.h"

#include "core/yuqrampara.h"

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    fuzzsupport::put("/data/ram_device_info", data, size);
    YuqRamPara* p = YuqRamPara::reset_for_test();
    // Whatever was read, every window and crop lookup stays inside the image.
    for (int w = 0; w < 8; ++w) {
        short crop = 0;
        char index = 0;
        const int s = p->YuqGetImageSource(p->ram_para, uint8_t(w), &crop, &index, 0);
        if (s < 0 || s > 5)
            std::abort();
    }
    for (int s = 0; s < 6; ++s)
        for (int n = 1; n <= 41; ++n) {
            CROP_PARA c{};
            int idx = 0;
            p->YuqGetCropPara(s, n, &c, &idx);
            if (idx < 0 || idx > 40)
                std::abort();
        }
    p->YuqLanguageChanged();
    return 0;
}
