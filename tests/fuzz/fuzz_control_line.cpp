// Bytes written into the control FIFO: split into lines as the reader does, each run by
// the simulated hardware's commands.
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
        return true;
    }();
    (void)once;
    QByteArray pending(reinterpret_cast<const char*>(data), int(size));
    // Delivered in two pieces, as a FIFO may.
    QByteArray rest = pending.mid(int(size / 2));
    pending.truncate(int(size / 2));
    QStringList lines = sim::take_control_lines(&pending);
    pending.append(rest);
    lines << sim::take_control_lines(&pending);
    if (pending.contains('\n') || pending.size() > 4096 + 512 + int(size))
        std::abort();
    for (const QString& line : lines) {
        if (line.isEmpty() || line != line.trimmed())
            std::abort();
        sim::run_control_line(line);
    }
    return 0;
}
