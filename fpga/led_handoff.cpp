#include "led_handoff.h"

#include "fpga_manage.h"
#include "core/global.h"
#include "core/utils.h"

bool fpga_led_handoff()
{
    fpga_manage* m = fpga_manage::p_fpga_manage;
    if (!m)
        return false;
    if (m->MCU_REG_func[0][fpga_manage::StartState].load() != 3
        || m->MCU_REG_func[1][fpga_manage::StartState].load() != 3)
        return false;
    QMutexLocker l(&Utils::_led_para_init_mutex);
    g_set_led_para = 1;
    g_set_led_setup = 0;
    return true;
}
