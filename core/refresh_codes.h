#pragma once
// The codes of a refresh request (YuqRamPara::test_signal, SyncUpdate::para_sync). The
// numbers travel as ints through queued signals; these names are what code writes.
#include <cstdint>

enum class Refresh : int {
    Applied = 1,          // parameters changed or applied
    UserModes = 2,        // user-mode slots changed in memory: slot files too
    PortLinks = 11,       // an output port's link changed
    InputTiming = 12,     // input timing or signal
    RecoveryResult = 99,  // card self-recovery finished
    StickInserted = 100,
    StickRemoved = 101,
    StickMounted = 102,
    AliasFile = 103,      // alias file replaced by the PC
    UpgradeEnd = 104,     // USB-stick upgrade finished
    UpdateStart = 105,    // firmware update or transfer running: keypad LEDs only
    UpdateEnd = 106,
};

constexpr int code_of(Refresh r)
{
    return static_cast<int>(r);
}
