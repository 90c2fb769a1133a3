#include "drv_i2c.h"

#include "platform/buses.h"

#include <QMutex>
#include <QMutexLocker>
#include <vector>

namespace {
QMutex g_bus_mutex;
}

int Drv_I2C0::read(uint8_t addr, uint8_t reg, uint8_t* buf, size_t len)
{
    platform::I2cBus* bus = platform::i2c_bus();
    if (!bus)
        return -1;
    QMutexLocker l(&g_bus_mutex);
    return bus->rdwr(addr, &reg, 1, buf, len) == 0 ? 0 : -1;
}

int Drv_I2C0::write(uint8_t addr, uint8_t reg, const uint8_t* data, size_t len)
{
    platform::I2cBus* bus = platform::i2c_bus();
    if (!bus)
        return -1;
    std::vector<uint8_t> w(len + 1);
    w[0] = reg;
    std::copy(data, data + len, w.begin() + 1);
    QMutexLocker l(&g_bus_mutex);
    return bus->rdwr(addr, w.data(), w.size(), nullptr, 0) == 0 ? 0 : -1;
}
