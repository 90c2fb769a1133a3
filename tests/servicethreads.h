#pragma once
// Stops every service thread the panel starts (the test-only stops), so none outlives the
// statics it uses.
#include "comm/k87_wifi_config.h"
#include "comm/usbserver.h"
#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"

namespace servicethreads {
inline void stop_all()
{
    sim::stop_control_fifo();
    K87_WIFI_CONFIG::pInstance()->stop_for_test();
    UsbServer::pInstance()->stop_for_test();
    zarvosource::pInstance()->stop_for_test();
    fpga_manage::pInstance()->stop_for_test();
    c331_manage::pInstance()->stop_for_test();
}
} // namespace servicethreads
