// Control-FIFO commands of the simulated receiving cards: what they hold, and a card
// made to need recovery again. Ports and cards are counted from 1, as the panel shows them.
#include "control.h"
#include "sim_cards.h"

#include <cstdio>

namespace sim {

void register_card_commands()
{
    register_control_command(QStringLiteral("cards"), QStringLiteral("cards"), [](const QStringList& a) {
        if (!a.isEmpty())
            return false;
        const QStringList lines = SimCards::instance()->report();
        std::printf("sim cards:%s\n", lines.isEmpty() ? " none" : "");
        for (const QString& l : lines)
            std::printf("  %s\n", l.toLocal8Bit().constData());
        std::fflush(stdout);
        return true;
    });
    register_control_command(QStringLiteral("cards bad"), QStringLiteral("cards bad PORT CARD (PORT 1..20, CARD 1..)"),
                             [](const QStringList& a) {
        int port, card;
        if (a.size() != 2 || !to_int(a[0], 1, cardwire::PortCount, &port) || !to_int(a[1], 1, 254, &card))
            return false;
        return SimCards::instance()->set_needs_recovery(port - 1, card - 1);
    });
}

} // namespace sim
