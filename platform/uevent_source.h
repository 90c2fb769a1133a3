#pragma once
// Where the USB-stick watcher's kernel uevents come from. On the device this is a
// NETLINK_KOBJECT_UEVENT socket; the host build installs the simulated stick.
#include <QByteArray>
#include <memory>

namespace platform {

class UeventSource
{
public:
    virtual ~UeventSource() = default;
    // Waits up to timeout_ms for one message ("ACTION@DEVPATH\0KEY=VALUE\0...").
    // False when none arrived.
    virtual bool receive(QByteArray* msg, int timeout_ms) = 0;
};

// The installed source, or null when none is (the watcher then only idles).
void set_uevent_source(std::shared_ptr<UeventSource> source);
std::shared_ptr<UeventSource> uevent_source();

} // namespace platform
