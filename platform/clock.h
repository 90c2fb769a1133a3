#pragma once
// The device's clock (date and time of day): the machine's, unless the simulated device's
// clock was set to a time of its own, where it then stands (pictures that show a time can
// so be made again alike).
#include <QDateTime>

namespace platform {

QDateTime device_now();
// From now on device_now() gives `at`; an invalid time gives the machine's clock back.
void set_device_clock(const QDateTime& at);
// Whether the clock stands at a time set so.
bool device_clock_stands();

} // namespace platform
