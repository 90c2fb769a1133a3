#pragma once
// The buses and pins the drivers talk through. Drivers ask for the installed bus and never
// know whether a chip or a simulation answers. Nothing is installed by default: a driver
// that finds no bus treats every transfer as failed.
#include <cstddef>
#include <cstdint>

namespace platform {

// Chip selects on the SPI bus (spidev32766.0 to .4).
enum SpiDevice : int {
    SpiScaler = 0, // the c331 scaler
    SpiFpga0 = 1,
    SpiFpga1 = 2,
    SpiFpgaFlash0 = 3,
    SpiFpgaFlash1 = 4,
};

class SpiBus
{
public:
    virtual ~SpiBus() = default;
    // One full-duplex transfer on chip select `device`: `len` bytes out of `tx`, the same
    // number into `rx` (rx may be null). Returns 0, or -1 when the transfer failed.
    virtual int transfer(int device, const uint8_t* tx, uint8_t* rx, size_t len) = 0;
};

class I2cBus
{
public:
    virtual ~I2cBus() = default;
    // One combined transaction (I2C_RDWR): write `wlen` bytes, then read `rlen` bytes from
    // the 7-bit address `addr`. Either part may be empty. Returns 0, or -1 (no ack).
    virtual int rdwr(uint8_t addr, const uint8_t* wr, size_t wlen, uint8_t* rd, size_t rlen) = 0;
};

// SoC GPIO lines used by the services.
enum GpioLine : int {
    GpioScalerReset = 0,  // low holds the scaler in reset
    GpioFpga0Reset = 1,   // low holds FPGA 0 in reset
    GpioFpga1Reset = 2,
    GpioFpga0Done = 3,    // input: FPGA 0 configured and running
    GpioFpga1Done = 4,
    GpioLineCount = 5,
};

class GpioBlock
{
public:
    virtual ~GpioBlock() = default;
    virtual int read(int line) = 0;              // 0 or 1; -1 when the line does not exist
    virtual void write(int line, int value) = 0;
};

// The installed back ends (not owned). Installed once at start-up, before any service.
SpiBus* spi_bus();
I2cBus* i2c_bus();
GpioBlock* gpio_block();
void install_buses(SpiBus* spi, I2cBus* i2c, GpioBlock* gpio);

} // namespace platform
