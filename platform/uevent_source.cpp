#include "uevent_source.h"

#include <QMutex>
#include <QMutexLocker>

namespace platform {

namespace {
QMutex g_mutex;
std::shared_ptr<UeventSource> g_source;
} // namespace

void set_uevent_source(std::shared_ptr<UeventSource> source)
{
    QMutexLocker lock(&g_mutex);
    g_source = std::move(source);
}

std::shared_ptr<UeventSource> uevent_source()
{
    QMutexLocker lock(&g_mutex);
    return g_source;
}

} // namespace platform
