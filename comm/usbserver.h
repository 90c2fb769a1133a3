#pragma once
// The USB-stick watcher: reads the kernel's block-device uevents on its own thread and
// reports 100 stick inserted, 101 stick removed, 102 stick mounted through sig_usb_update,
// which start-up connects to SyncUpdate::para_sync (queued to the GUI thread).
#include "core/service_thread.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>

class UsbServer : public QObject
{
    Q_OBJECT
public:
    enum Code { StickIn = 100, StickOut = 101, StickMounted = 102 };

    // One parsed uevent message ("ACTION@DEVPATH\0KEY=VALUE\0...").
    struct Uevent
    {
        QString action;    // "add", "remove", ...
        QString devpath;
        QString subsystem; // "block" for disks and partitions
        QString devname;   // "sda", "sda1"
        bool valid = false;
    };
    static Uevent parse_uevent(const QByteArray& msg);
    // "sda".."sdz" (a disk) and the same with one digit 0..9 (a partition).
    static bool is_stick_disk(const Uevent& e);
    static bool is_stick_partition(const Uevent& e);

    static UsbServer* pInstance();
    static UsbServer* p_usbserver;

    // Acts on one message: 100 for a new disk, 101 for a removed one; a new partition
    // starts the wait for the mount. Nothing while g_delay_usbserver is 0.
    void deal_uevent(const QByteArray& msg);
    // Reports 102 once a pending partition is mounted: /proc/scsi/usb-storage exists and
    // more than 300 ticks have passed since the partition appeared.
    void poll_mount();
    bool mount_pending() const { return m_mountPending.load(); }

    // Starts the uevent thread; false when it does not start.
    bool start();
    // Tests: stop and join the thread.
    void stop_for_test();
    // Tests: a fresh watcher (thread stopped).
    static UsbServer* reset_for_test();

signals:
    void sig_usb_update(int code);

private:
    UsbServer() = default;
    void pass();

    ServiceThread m_thread;
    std::atomic<bool> m_mountPending{false};
    std::atomic<uint32_t> m_mountStamp{0};
};
