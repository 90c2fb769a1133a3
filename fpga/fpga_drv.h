#pragma once
// SPI access to the two FPGAs (chip selects 1 and 2) under Utils::_spi_mutex, and their
// reset and done lines. Every call returns 0, or -1 when the FPGA did not answer.
#include <cstdint>

class fpga_drv
{
public:
    static int read_reg(int fpga, int reg, uint8_t* value);
    static int write_reg(int fpga, int reg, uint8_t value);
    static int read_ram(int fpga, int offset, uint8_t* buf, int len);
    static int hold_reset(int fpga, bool held);
    static bool done(int fpga);
};
