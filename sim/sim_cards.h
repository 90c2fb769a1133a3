#pragma once
// The simulated receiving cards behind the output ports: per port a number of cards (or
// none) and the index of a card that needs recovery (or none). They answer the FPGA
// side's frames while their port has link and its FPGA runs, and stop answering on
// "cards noreply on".
#include "platform/card_bus.h"

#include <QMutex>
#include <QStringList>
#include <functional>

class SimCards : public platform::CardBus
{
public:
    // The cards of the simulated device; installed as the card bus on first use.
    static std::shared_ptr<SimCards> instance();

    // Delivery state: six cards on ports 0, 1, 2 and 8, four on ports 10 and 11; card
    // index 4 on port 2 needs recovery. Answering, nothing received.
    void restore();
    void set_port(int port, int cards, int needs_recovery = cardwire::NoCard);
    // Marks card `card` (0-based) of `port` as needing recovery; false when the port has
    // no such card.
    bool set_needs_recovery(int port, int card);
    void set_noreply(bool on);
    // Whether a frame can reach `port`; instance() asks the simulated FPGAs (running, link).
    void set_port_alive(std::function<bool(int port)> alive);
    // The simulated FPGAs' answer: the port's FPGA runs and the port has link.
    static bool port_alive(int port);

    int send(int port, const QByteArray& frame) override;
    bool reply(int port, QByteArray* out) override;

    // Tests: what the cards of a port received and hold.
    int received(int port, uint8_t cmd) const;
    int needs_recovery(int port) const;
    int last_reg_value(int port) const;
    QByteArray last_frame(int port) const;

    // The mapping the cards of a port were last sent (the Mapping frame's payload:
    // cabinet w, h, offset x, y, rows, cols, route, first cabinet), empty when none.
    QByteArray mapping(int port) const;
    // The mapping switch value the cards hold (last register write, -1 when none).
    // One line per port with cards or frames: cards, the card needing recovery, the last
    // register value, frames received, the mapping held. For the control FIFO.
    QStringList report() const;

private:
    struct Port
    {
        int cards = 0;
        int bad = cardwire::NoCard;
        int reg_value = -1;
        QByteArray last;
        QByteArray mapping;
        QByteArray reply;
        bool has_reply = false;
        int counts[8] = {};
    };
    mutable QMutex m_mutex;
    Port m_ports[cardwire::PortCount];
    bool m_noreply = false;
    std::function<bool(int)> m_alive;
};
