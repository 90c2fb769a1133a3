#include "uevent_source.h"

#include "installed.h"

namespace platform {

namespace {
Installed<UeventSource> g_source;
}

void set_uevent_source(std::shared_ptr<UeventSource> source) { g_source.set(std::move(source)); }
std::shared_ptr<UeventSource> uevent_source() { return g_source.get(); }

} // namespace platform
