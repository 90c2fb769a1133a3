#include "card_bus.h"

#include "installed.h"

namespace platform {

namespace {
Installed<CardBus> g_bus;
}

void set_card_bus(std::shared_ptr<CardBus> bus) { g_bus.set(std::move(bus)); }
std::shared_ptr<CardBus> card_bus() { return g_bus.get(); }

} // namespace platform
