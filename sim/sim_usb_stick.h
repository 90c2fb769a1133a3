#pragma once
// The simulated USB stick: a host folder whose content appears at /mnt/usb1 with the
// kernel uevents a real stick produces (disk, then its first partition).
#include "platform/uevent_source.h"

#include <QMutex>
#include <QQueue>
#include <QString>
#include <QWaitCondition>
#include <memory>

class SimUsbStick : public platform::UeventSource
{
public:
    // The one stick of the simulated device; installed as the uevent source on first use.
    static std::shared_ptr<SimUsbStick> instance();

    // Copies hostFolder's content to /mnt/usb1, makes /proc/scsi/usb-storage appear and
    // queues the add events. False (and nothing changes) when the folder does not exist.
    bool insert(const QString& hostFolder);
    // Queues the remove events and takes /mnt/usb1's content and /proc/scsi/usb-storage away.
    void remove();
    bool inserted() const;

    bool receive(QByteArray* msg, int timeout_ms) override;

    // The messages of one block device, as the kernel words them.
    static QByteArray uevent(const QString& action, const QString& devname, bool partition);

private:
    void push(const QByteArray& msg);

    mutable QMutex m_mutex;
    QWaitCondition m_ready;
    QQueue<QByteArray> m_queue;
    bool m_inserted = false;
};
