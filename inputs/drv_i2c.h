#pragma once
// The I2C bus of the input chips, one transaction at a time.
#include <cstddef>
#include <cstdint>

class Drv_I2C0
{
public:
    // Writes `reg`, then reads `len` bytes. 0, or -1 when the chip did not answer.
    static int read(uint8_t addr, uint8_t reg, uint8_t* buf, size_t len);
    // Writes `reg` followed by `len` bytes.
    static int write(uint8_t addr, uint8_t reg, const uint8_t* data, size_t len);
};
