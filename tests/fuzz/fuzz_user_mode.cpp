// A user-mode file as the PC or an old firmware may have left it.
#include "fuzzsupport.h"

#include "core/yuqrampara.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    static YuqRamPara* p = YuqRamPara::pInstance();
    fuzzsupport::put("/data/modes/custom_mode1", data, size);
    p->mode_file_deal(0, 0);
    if (p->YuqUserModeSaved(0)) {
        for (int w = 0; w < 8; ++w) {
            short crop = 0;
            char index = 0;
            const int s = p->YuqGetImageSource(p->user_mode[0] + 2, uint8_t(w), &crop, &index, 1);
            if (s < 0 || s > 5)
                std::abort();
        }
    }
    p->YuqUserModeIndex(char(size), char(size % 3));
    return 0;
}
