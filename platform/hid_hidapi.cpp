#include "hid.h"

#include <hidapi.h>

namespace platform {

namespace {

class HidapiDevice : public HidDevice
{
public:
    explicit HidapiDevice(hid_device* h) : m_handle(h) {}
    ~HidapiDevice() override { hid_close(m_handle); }
    int write(const uint8_t* data, size_t len) override { return hid_write(m_handle, data, len); }

private:
    hid_device* m_handle;
};

class Hidapi : public HidBackend
{
public:
    int init() override { return hid_init() == 0 ? 0 : -1; }

    std::vector<HidDeviceId> enumerate() override
    {
        std::vector<HidDeviceId> out;
        hid_device_info* list = hid_enumerate(0, 0);
        for (hid_device_info* d = list; d; d = d->next)
            out.push_back({d->vendor_id, d->product_id});
        hid_free_enumeration(list);
        return out;
    }

    std::unique_ptr<HidDevice> open(uint16_t vendor, uint16_t product) override
    {
        hid_device* h = hid_open(vendor, product, nullptr);
        if (!h)
            return nullptr;
        return std::make_unique<HidapiDevice>(h);
    }
};

} // namespace

HidBackend* hidapi_backend()
{
    static Hidapi backend;
    return &backend;
}

} // namespace platform
