#include "sim_cards.h"

#include "sim_device.h"

#include <QMutexLocker>

bool SimCards::port_alive(int port)
{
    sim::SimFpga& f = sim::fpga(port / 10);
    uint8_t low = 0, high = 0;
    if (!f.read_reg(fpgawire::RegLinkLow, &low) || !f.read_reg(fpgawire::RegLinkHigh, &high))
        return false;
    const unsigned links = low | unsigned(high & 0x03) << 8;
    return (links >> (port % 10)) & 1u;
}

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

bool SimCards::set_needs_recovery(int port, int card)
{
    QMutexLocker lock(&m_mutex);
    if (port < 0 || port >= cardwire::PortCount || card < 0 || card >= m_ports[port].cards)
        return false;
    m_ports[port].bad = card;
    return true;
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
        p.mapping = frame.mid(1, frame.size() - 2);
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

QByteArray SimCards::mapping(int port) const
{
    QMutexLocker lock(&m_mutex);
    return (port >= 0 && port < cardwire::PortCount) ? m_ports[port].mapping : QByteArray();
}

QStringList SimCards::report() const
{
    static const char* const names[] = {"query", "mapping", "scan", "cure", "switch", "recover"};
    QStringList lines;
    QMutexLocker lock(&m_mutex);
    for (int i = 0; i < cardwire::PortCount; ++i) {
        const Port& p = m_ports[i];
        QStringList received;
        for (int c = 0; c < 6; ++c)
            if (p.counts[c])
                received << QStringLiteral("%1 %2").arg(QLatin1String(names[c])).arg(p.counts[c]);
        if (p.cards <= 0 && received.isEmpty())
            continue;
        QString line = QStringLiteral("port %1: cards %2, needs recovery %3, register %4, received %5")
                           .arg(i + 1)
                           .arg(p.cards)
                           .arg(p.bad == cardwire::NoCard ? QStringLiteral("none") : QString::number(p.bad + 1))
                           .arg(p.reg_value < 0 ? QStringLiteral("none") : QString::number(p.reg_value))
                           .arg(received.isEmpty() ? QStringLiteral("nothing") : received.join(QLatin1String(", ")));
        const QByteArray& m = p.mapping;
        if (m.size() >= 13) {
            auto u16 = [&m](int at) { return uint8_t(m[at]) | uint8_t(m[at + 1]) << 8; };
            line += QStringLiteral(", mapping %1x%2 offset %3,%4 rows %5 cols %6 route %7 from cabinet %8")
                        .arg(u16(0)).arg(u16(2)).arg(u16(4)).arg(u16(6))
                        .arg(uint8_t(m[8])).arg(uint8_t(m[9])).arg(uint8_t(m[10])).arg(u16(11));
        } else {
            line += QStringLiteral(", mapping none");
        }
        lines << line;
    }
    if (m_noreply)
        lines << QStringLiteral("cards silent (noreply on)");
    return lines;
}
