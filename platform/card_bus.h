#pragma once
// Frames to and from the receiving cards behind the FPGAs' output ports. The FPGA side
// builds the frames; on the device they travel through the FPGAs, on the host the
// simulated cards answer them.
#include <QByteArray>
#include <cstdint>
#include <memory>

namespace platform {

class CardBus
{
public:
    virtual ~CardBus() = default;
    // Sends one frame to the cards behind output port `port` (0..19; 0-9 on FPGA 0,
    // 10-19 on FPGA 1). 0, or -1 when the FPGA did not take it.
    virtual int send(int port, const QByteArray& frame) = 0;
    // The cards' reply to the last frame sent on `port`; false while none has come.
    virtual bool reply(int port, QByteArray* out) = 0;
};

void set_card_bus(std::shared_ptr<CardBus> bus);
std::shared_ptr<CardBus> card_bus();

} // namespace platform

namespace cardwire {
constexpr int PortCount = 20;
constexpr uint8_t NoCard = 0xFF; // a query reply's card index when no card needs recovery

// A frame is its command byte, the payload, then the XOR of all bytes before it.
enum Cmd : uint8_t {
    Query = 0x10,      // reply: Query, card count, index of the card needing recovery or NoCard
    Mapping = 0x11,    // cabinet w, h, offset x, y (u16 each), rows, cols, route, first cabinet (u16)
                       // reply: Mapping, cards that took a position
    ScanRecord = 0x12, // card index, one operation record of a scan file; reply: ScanRecord, 0
    Cure = 0x13,       // store the parameters permanently; reply: Cure, 0
    RegWrite = 0x14,   // value byte of the mapping switch; reply: RegWrite, 0
    Recover = 0x15,    // card index, last record flag, record; reply: Recover, 0
};

inline uint8_t xor_of(const QByteArray& b, int len)
{
    uint8_t x = 0;
    for (int i = 0; i < len; ++i)
        x ^= uint8_t(b[i]);
    return x;
}

inline QByteArray frame(uint8_t cmd, const QByteArray& payload = QByteArray())
{
    QByteArray f;
    f.append(char(cmd));
    f.append(payload);
    f.append(char(xor_of(f, f.size())));
    return f;
}

// True when `f` is a whole frame whose check byte matches.
inline bool frame_ok(const QByteArray& f)
{
    return f.size() >= 2 && uint8_t(f.back()) == xor_of(f, f.size() - 1);
}

inline void put16(QByteArray* b, uint16_t v)
{
    b->append(char(v & 0xFF));
    b->append(char(v >> 8));
}
} // namespace cardwire
