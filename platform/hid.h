#pragma once
// The USB HID devices (the front-panel keypad): list them, open one by its ids, send it an
// output report. Nothing is installed by default: without a back end no device is listed.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform {

struct HidDeviceId
{
    uint16_t vendor = 0;
    uint16_t product = 0;
};

// One opened device; destroying it closes it.
class HidDevice
{
public:
    virtual ~HidDevice() = default;
    // Sends `len` bytes unchanged (byte 0 first). Returns the bytes written, or -1.
    virtual int write(const uint8_t* data, size_t len) = 0;
};

class HidBackend
{
public:
    virtual ~HidBackend() = default;
    virtual int init() = 0;                           // 0, or -1 when HID is unusable
    virtual std::vector<HidDeviceId> enumerate() = 0; // every HID device attached now
    // The first device with these ids, or null.
    virtual std::unique_ptr<HidDevice> open(uint16_t vendor, uint16_t product) = 0;
};

// The installed back end (not owned), or null. Installed once at start-up.
HidBackend* hid_backend();
void install_hid(HidBackend* backend);

// The hidapi (hidraw) back end of the device build.
HidBackend* hidapi_backend();

} // namespace platform
