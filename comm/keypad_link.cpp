#include "keypad_link.h"

#include "platform/hid.h"

#include <QtDebug>
#include <cstdio>

bool keypad_listed()
{
    platform::HidBackend* hid = platform::hid_backend();
    if (hid && hid->init() != 0) {
        std::printf("\t hid init error \n");
        return false;
    }
    bool found = false;
    // Without a back end (the host build without the simulated keypad) nothing is listed.
    const std::vector<platform::HidDeviceId> devices = hid ? hid->enumerate() : std::vector<platform::HidDeviceId>();
    for (const platform::HidDeviceId& d : devices) {
        std::printf("\t VendorID = %02x , ProductID = %02x \n", d.vendor, d.product);
        if (d.vendor == KEYPAD_VENDOR && d.product == KEYPAD_PRODUCT) {
            found = true;
            break;
        }
    }
    std::printf("\t check_hiddev over\n");
    std::fflush(stdout);
    return found;
}

bool keypad_send(const unsigned char* report, int size)
{
    platform::HidBackend* hid = platform::hid_backend();
    std::unique_ptr<platform::HidDevice> dev = hid ? hid->open(KEYPAD_VENDOR, KEYPAD_PRODUCT) : nullptr;
    if (!dev) {
        qDebug("handle error");
        return false;
    }
    if (dev->write(report, size) < 0) {
        qDebug("handle write error");
        return false;
    }
    return true;
}
