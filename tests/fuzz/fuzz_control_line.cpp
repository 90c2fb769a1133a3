// Bytes written into the control FIFO: split into lines as the reader does (and as two
// readers do with a hand-over between them), each run by the simulated hardware's commands.
#include "fuzzsupport.h"

#include "core/yuqrampara.h"
#include "sim/control.h"
#include "sim/sim_device.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    static bool once = [] {
        sim::install();
        YuqRamPara::pInstance();
        sim::set_panel_ready(true); // no panel here: its commands are refused, not held

        return true;
    }();
    (void)once;
    const QByteArray all(reinterpret_cast<const char*>(data), int(size));
    // Delivered in two pieces, as a FIFO may.
    sim::ControlLines reader;
    QStringList lines = reader.take(all.left(int(size / 2)));
    lines << reader.take(all.mid(int(size / 2)));
    if (reader.pending().contains('\n') || reader.pending().size() > sim::kControlLineMax)
        std::abort();
    // Handed to another reader at the cut, as at the simulated reboot: the same lines.
    sim::ControlLines first;
    QStringList handed = first.take(all.left(int(size / 2)));
    sim::ControlLines next(first.state());
    handed << next.take(all.mid(int(size / 2)));
    if (handed != lines)
        std::abort();
    for (const QString& line : lines) {
        // The limit is on the bytes received: a byte that is not UTF-8 becomes one U+FFFD,
        // three bytes when encoded again, but never more than one character.
        if (line.isEmpty() || line != line.trimmed() || line.size() > sim::kControlLineMax)
            std::abort();
        sim::run_control_line(line);
    }
    return 0;
}
