#include "clock.h"

#include <QMutex>

namespace platform {

namespace {
QMutex g_mutex;
QDateTime g_fixed; // under g_mutex; invalid: the machine's clock
} // namespace

QDateTime device_now()
{
    {
        QMutexLocker lock(&g_mutex);
        if (g_fixed.isValid())
            return g_fixed;
    }
    return QDateTime::currentDateTime();
}

void set_device_clock(const QDateTime& at)
{
    QMutexLocker lock(&g_mutex);
    g_fixed = at;
}

bool device_clock_stands()
{
    QMutexLocker lock(&g_mutex);
    return g_fixed.isValid();
}

} // namespace platform
