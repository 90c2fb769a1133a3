// /data/configs/tcpip.ini as a PC tool or a person may have edited it: read, then the
// network set-up built from it. Every address reaches the shell gate as plain words.
#include "fuzzsupport.h"

#include "core/config_engine.h"
#include "core/global.h"
#include "core/utils.h"
#include "platform/shell_gate.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    fuzzsupport::put("/data/configs/tcpip.ini", data, size);
    ConfigEngine::reset_for_test();
    (void)g_str_ip.get();
    platform::shell_clear_recorded();
    Utils::initIPAddress();
    const QStringList commands = platform::shell_recorded();
    // The first asks whether eth0 is there (a redirection of our own); the rest are words,
    // whole (a command cut short by a NUL would lose its end).
    for (int i = 1; i < commands.size(); ++i) {
        QStringList words;
        if (!platform::shell_split(commands[i], &words) || words.size() < 3)
            std::abort();
    }
    return 0;
}
