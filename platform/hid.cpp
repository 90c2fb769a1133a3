#include "hid.h"

#include <atomic>

namespace platform {

namespace {
std::atomic<HidBackend*> g_hid{nullptr};
} // namespace

HidBackend* hid_backend() { return g_hid.load(); }
void install_hid(HidBackend* backend) { g_hid = backend; }

} // namespace platform
