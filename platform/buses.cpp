#include "buses.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<SpiBus*> g_spi{nullptr};
std::atomic<I2cBus*> g_i2c{nullptr};
std::atomic<GpioBlock*> g_gpio{nullptr};
} // namespace

SpiBus* spi_bus() { return g_spi.load(); }
I2cBus* i2c_bus() { return g_i2c.load(); }
GpioBlock* gpio_block() { return g_gpio.load(); }

void install_buses(SpiBus* spi, I2cBus* i2c, GpioBlock* gpio)
{
    g_spi = spi;
    g_i2c = i2c;
    g_gpio = gpio;
}

} // namespace platform
