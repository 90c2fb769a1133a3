#include "sim_cards.h"

#include "sim_device.h"

#include <QMutexLocker>

namespace {
// A frame reaches a port's cards while its FPGA runs and the port has link.
bool port_alive(int port)
{
    sim::SimFpga& f = sim::fpga(port / 10);
    uint8_t low = 0, high = 0;
    if (!f.read_reg(fpgawire::RegLinkLow, &low) || !f.read_reg(fpgawire::RegLinkHigh, &high))
        return false;
    const unsigned links = low | unsigned(high & 0x03) << 8;
    return (links >> (port % 10)) & 1u;
}
} // namespace

std::shared_ptr<SimCards> SimCards::instance()
{
    static std::shared_ptr<SimCards> cards = [] {
        auto c = std::make_shared<SimCards>();
        c->restore();
        c->set_port_alive(port_alive);
        platform::set_card_bus(c);
        return c;
    }();
    return cards;
}

void SimCards::restore()
{
    QMutexLocker lock(&m_mutex);
    for (Port& p : m_ports)
        p = Port();
    for (int port : {0, 1, 2, 8})
        m_ports[port].cards = 6;
    for (int port : {10, 11})
        m_ports[port].cards = 4;
    m_ports[2].bad = 4;
    m_noreply = false;
}

void SimCards::set_port(int port, int cards, int needs_recovery)
{
    if (port < 0 || port >= cardwire::PortCount)
        return;
    QMutexLocker lock(&m_mutex);
    m_ports[port].cards = cards;
    m_ports[port].bad = needs_recovery;
}

void SimCards::set_noreply(bool on)
{
    QMutexLocker lock(&m_mutex);
    m_noreply = on;
}

void SimCards::set_port_alive(std::function<bool(int)> alive)
{
    QMutexLocker lock(&m_mutex);
    m_alive = std::move(alive);
}

int SimCards::send(int port, const QByteArray& frame)
{
    std::function<bool(int)> alive;
    {
        QMutexLocker lock(&m_mutex);
        alive = m_alive;
    }
    if (port < 0 || port >= cardwire::PortCount || (alive && !alive(port)))
        return -1;
    QMutexLocker lock(&m_mutex);
    Port& p = m_ports[port];
    p.has_reply = false;
    if (!cardwire::frame_ok(frame))
        return 0; // the cards drop a damaged frame
    const uint8_t cmd = uint8_t(frame[0]);
    if (cmd >= cardwire::Query && cmd <= cardwire::Recover)
        ++p.counts[cmd - cardwire::Query];
    p.last = frame;
    if (p.cards <= 0 || m_noreply)
        return 0;

    QByteArray payload;
    switch (cmd) {
    case cardwire::Query:
        payload.append(char(p.cards));
        payload.append(char(p.bad));
        break;
    case cardwire::Mapping:
        payload.append(char(p.cards));
        break;
    case cardwire::RegWrite:
        if (frame.size() >= 3)
            p.reg_value = uint8_t(frame[1]);
        payload.append(char(0));
        break;
    case cardwire::Recover:
        // The card named takes the records; the last one ends its recovery.
        if (frame.size() >= 4 && uint8_t(frame[1]) == p.bad && frame[2] != 0)
            p.bad = cardwire::NoCard;
        payload.append(char(0));
        break;
    case cardwire::ScanRecord:
    case cardwire::Cure:
        payload.append(char(0));
        break;
    default:
        return 0;
    }
    p.reply = cardwire::frame(cmd, payload);
    p.has_reply = true;
    return 0;
}

bool SimCards::reply(int port, QByteArray* out)
{
    if (port < 0 || port >= cardwire::PortCount)
        return false;
    QMutexLocker lock(&m_mutex);
    Port& p = m_ports[port];
    if (!p.has_reply)
        return false;
    *out = p.reply;
    p.has_reply = false;
    return true;
}

int SimCards::received(int port, uint8_t cmd) const
{
    if (port < 0 || port >= cardwire::PortCount || cmd < cardwire::Query || cmd > cardwire::Recover)
        return 0;
    QMutexLocker lock(&m_mutex);
    return m_ports[port].counts[cmd - cardwire::Query];
}

int SimCards::needs_recovery(int port) const
{
    QMutexLocker lock(&m_mutex);
    return (port >= 0 && port < cardwire::PortCount) ? m_ports[port].bad : cardwire::NoCard;
}

int SimCards::last_reg_value(int port) const
{
    QMutexLocker lock(&m_mutex);
    return (port >= 0 && port < cardwire::PortCount) ? m_ports[port].reg_value : -1;
}

QByteArray SimCards::last_frame(int port) const
{
    QMutexLocker lock(&m_mutex);
    return (port >= 0 && port < cardwire::PortCount) ? m_ports[port].last : QByteArray();
}
