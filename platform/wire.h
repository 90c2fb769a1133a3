#pragma once
// What travels over the buses: the FPGAs' SPI command words, the scaler's operation
// messages, the receivers' timing records and the EDID EEPROMs. Drivers build these,
// chips (or the simulated device) answer them.
#include <cstdint>
#include <cstring>

namespace fpgawire {
// Register access: tx = cmd, reg, value; a read answers the value in rx[2].
constexpr uint8_t CmdReadReg = 0x01;
constexpr uint8_t CmdWriteReg = 0x02;
// Parameter RAM: tx = cmd, address low, address high, then the data (write) or as many
// filler bytes as are read; a read answers from rx[3] on.
constexpr uint8_t CmdReadRam = 0x03;
constexpr uint8_t CmdWriteRam = 0x04;
constexpr int RamHeader = 3;
constexpr int RamSize = 1024;
// Registers: 0-63 and 128-170 exist.
inline bool reg_exists(int reg) { return (reg >= 0 && reg <= 63) || (reg >= 128 && reg <= 170); }
constexpr int RegControl = 0;   // bit 2 output blanked, bit 3 fault
constexpr int RegOutput = 3;    // bit 5 output timing on
constexpr int RegBrightness = 5;
constexpr int RegVersion = 28;  // 28 minor version, 29 day, 30 month, 31 year - 2000 (BCD)
constexpr int RegAgeStatus = 40, RegAgeCount = 42, RegAgeValue = 43;
constexpr int RegLinkLow = 128, RegLinkHigh = 144; // ports 0-7, ports 8-9 (bits 0-1)
} // namespace fpgawire

namespace scalerwire {
// One operation per transfer: tx = op, argument count, then the arguments as int32
// little-endian. ReadFont answers the font's presence in rx[2].
enum Op : uint8_t {
    OpInit = 1,          // stage
    OpReadFont = 2,      // font 0..3
    OpPanelInit = 3,     // LED w, h, output-1 w, h, splice mode
    OpWindow = 4,        // window, enabled, x, y, w, h, mirror
    OpWindowInput = 5,   // window, source, crop x, y, w, h (w = h = 0: whole input)
    OpWindowMode = 6,    // window, output-mode word, dot-by-dot mode
    OpAllWindows = 7,    // all-windows state word
    OpPattern = 8,       // pattern 0..8
    OpColourGains = 9,   // colour word, red gain, green gain, blue gain
    OpPicture = 10,      // item (0 brightness, 1 contrast, 2 sharpness, 3 saturation), value
    OpCurrentWindow = 11,
    OpDotByDot = 12,
    OpSwitchEffect = 13,
    OpVolume = 14,       // window, volume word
    OpFade = 15,         // window, fade word 1, fade word 2
    OpOsdReload = 16,
    OpInputTiming = 17,  // source, width, height, rate
};
constexpr int MaxArgs = 8;
constexpr int MsgSize = 2 + 4 * MaxArgs;

inline void put32(uint8_t* p, int32_t v)
{
    const uint32_t u = uint32_t(v);
    p[0] = uint8_t(u);
    p[1] = uint8_t(u >> 8);
    p[2] = uint8_t(u >> 16);
    p[3] = uint8_t(u >> 24);
}
inline int32_t get32(const uint8_t* p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24);
}
} // namespace scalerwire

namespace rxwire {
// Receiver s answers at address ReceiverBase + s: write the register byte 0, read the
// timing record of RecordWords little-endian u32 words (pixel clock in kHz).
constexpr uint8_t ReceiverBase = 0x48;
constexpr uint8_t EdidBase = 0x50; // EDID EEPROM of input s: write offset byte, then data
constexpr int RecordWords = 17;
enum Word {
    Hact, Hsync, Hback, Hpol, Htotal, Vact, Vsync, Vback, Vpol, Vtotal, PixelKHz, Type,
    DataMode, Lanes, Interlace, NoSignal, Valid
};
} // namespace rxwire

namespace fpgawire {
// Byte offset of output port k's area (x; y, w, h follow at +2, +4, +6) in an FPGA's
// parameter RAM image. Unknown ports use the first port's place.
inline int port_area_offset(int k)
{
    static const int off[16] = {8, 19, 32, 43, 520, 528, 536, 544, 576, 584, 592, 600, 608, 616, 624, 632};
    return (k >= 0 && k < 16) ? off[k] : 8;
}
} // namespace fpgawire
