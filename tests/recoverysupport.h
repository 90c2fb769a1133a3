#pragma once
// Recovery files in the packed layout, as the PC writes them to /data/rcvrecovery.
#include "testsupport.h"

#include "core/global.h"
#include "fpga/card_jobs.h"
#include "fpga/packed_file.h"
#include "sim/sim_cards.h"

#include <QList>
#include <QPair>

namespace recoverysupport {

// No job, no upgrade, no PC command holding jobs back; the cards as delivered.
inline void idle_cards()
{
    G_timeTicks = 100000;
    pc_cmd_valid = 0;
    pc_cmd_time = 0;
    g_usb_grade = 0;
    g_send_para.clear();
    g_send_para.card_index = 0xFFFF;
    SimCards::instance()->restore();
    SimCards::instance()->set_port_alive(nullptr);
}

// Screens of (port number, card count); every card gets `records` operation records.
using Layout = QList<QList<QPair<int, int>>>;

// The simulated device's cards: ports 0-2 and 8 with six, 10 and 11 with four.
inline Layout delivery()
{
    return {{{0, 6}, {1, 6}, {2, 6}, {8, 6}}, {{10, 4}, {11, 4}}};
}

inline QByteArray recovery_bytes(const Layout& layout = delivery(), int records = 2)
{
    packed::File f;
    for (int s = 0; s < layout.size(); ++s) {
        packed::Screen screen;
        for (const auto& p : layout[s]) {
            packed::Port port;
            port.number = p.first;
            for (int c = 0; c < p.second; ++c) {
                packed::Card card;
                for (int r = 0; r < records; ++r)
                    card.records << QByteArray(8 + r, char('a' + (s + p.first + c + r) % 26));
                port.cards << card;
            }
            screen.ports << port;
        }
        f.screens << screen;
    }
    return packed::write(f);
}

inline void put_recovery_file(const QByteArray& data = recovery_bytes(), const QString& name = "screen.rcv")
{
    testsupport::put_file("/data/rcvrecovery/" + name, data);
}

} // namespace recoverysupport

Q_DECLARE_METATYPE(recoverysupport::Layout)
