#include "fpga_drv.h"

#include "core/utils.h"
#include "platform/buses.h"
#include "platform/wire.h"

#include <QMutexLocker>
#include <vector>

namespace {
int xfer(int fpga, const uint8_t* tx, uint8_t* rx, size_t len)
{
    platform::SpiBus* bus = platform::spi_bus();
    if (!bus || (fpga != 0 && fpga != 1))
        return -1;
    QMutexLocker l(&Utils::_spi_mutex);
    return bus->transfer(platform::SpiFpga0 + fpga, tx, rx, len) == 0 ? 0 : -1;
}
} // namespace

int fpga_drv::read_reg(int fpga, int reg, uint8_t* value)
{
    const uint8_t tx[3] = {fpgawire::CmdReadReg, uint8_t(reg), 0};
    uint8_t rx[3] = {};
    if (xfer(fpga, tx, rx, 3) != 0)
        return -1;
    *value = rx[2];
    return 0;
}

int fpga_drv::write_reg(int fpga, int reg, uint8_t value)
{
    const uint8_t tx[3] = {fpgawire::CmdWriteReg, uint8_t(reg), value};
    return xfer(fpga, tx, nullptr, 3);
}

int fpga_drv::read_ram(int fpga, int offset, uint8_t* buf, int len)
{
    if (offset < 0 || len <= 0 || offset + len > fpgawire::RamSize)
        return -1;
    std::vector<uint8_t> tx(size_t(fpgawire::RamHeader + len), 0), rx(tx.size(), 0);
    tx[0] = fpgawire::CmdReadRam;
    tx[1] = uint8_t(offset);
    tx[2] = uint8_t(offset >> 8);
    if (xfer(fpga, tx.data(), rx.data(), tx.size()) != 0)
        return -1;
    std::copy(rx.begin() + fpgawire::RamHeader, rx.end(), buf);
    return 0;
}

int fpga_drv::hold_reset(int fpga, bool held)
{
    platform::GpioBlock* g = platform::gpio_block();
    if (!g || (fpga != 0 && fpga != 1))
        return -1;
    g->write(fpga == 0 ? platform::GpioFpga0Reset : platform::GpioFpga1Reset, held ? 0 : 1);
    return 0;
}

bool fpga_drv::done(int fpga)
{
    platform::GpioBlock* g = platform::gpio_block();
    if (!g || (fpga != 0 && fpga != 1))
        return false;
    return g->read(fpga == 0 ? platform::GpioFpga0Done : platform::GpioFpga1Done) == 1;
}
