// "edid N": what the simulated receiver of input N holds in its EDID EEPROM.
#include "control.h"
#include "sim_device.h"

#include <cstdio>

namespace sim {

QString edid_report(int input)
{
    int w = 0, h = 0, hz = 0, writes = 0;
    receivers().edid(input, &w, &h, &hz, &writes);
    return QStringLiteral("sim edid: input %1 %2x%3@%4Hz, writes %5").arg(input).arg(w).arg(h).arg(hz).arg(writes);
}

void register_edid_commands()
{
    register_control_command(QStringLiteral("edid"), QStringLiteral("edid N (0 EXT, 1 DVI, 2 HDMI1, 3 HDMI2, 4 HDMI3, 5 HDMI4)"),
                             [](const QStringList& a) {
        bool ok = false;
        const int s = a.size() == 1 ? a[0].toInt(&ok) : -1;
        if (!ok || s < 0 || s > 5)
            return false;
        std::printf("%s\n", edid_report(s).toLocal8Bit().constData());
        std::fflush(stdout);
        return true;
    });
}

} // namespace sim
