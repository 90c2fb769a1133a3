#include "services.h"

#include "comm/k87_wifi_config.h"
#include "comm/usbserver.h"
#include "sim/sim_usb_stick.h"

void create_links()
{
    // The host build's stick stands in for the kernel's uevent socket.
    SimUsbStick::instance();
    UsbServer::pInstance()->start();
    K87_WIFI_CONFIG::pInstance()->start();
}
