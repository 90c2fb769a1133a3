// A kernel uevent message as the USB-stick watcher's socket delivers it.
#include "fuzzsupport.h"

#include "comm/usbserver.h"
#include "core/global.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    static UsbServer* server = UsbServer::pInstance(); // thread never started
    g_delay_usbserver = 1;
    const QByteArray msg(reinterpret_cast<const char*>(data), int(size));
    const UsbServer::Uevent e = UsbServer::parse_uevent(msg);
    // A disk and a partition are two different things.
    if (UsbServer::is_stick_disk(e) && UsbServer::is_stick_partition(e))
        std::abort();
    if ((UsbServer::is_stick_disk(e) || UsbServer::is_stick_partition(e)) && !e.valid)
        std::abort();
    server->deal_uevent(msg);
    server->poll_mount();
    return 0;
}
