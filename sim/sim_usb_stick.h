#pragma once
// The simulated USB stick: a host folder whose content appears at /mnt/usb1 with the
// kernel uevents a real stick produces (disk, then its first partition).
#include "platform/uevent_source.h"

#include <QMutex>
#include <QQueue>
#include <QString>
#include <QWaitCondition>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class SimUsbStick : public platform::UeventSource
{
public:
    // The one stick of the simulated device; installed as the uevent source on first use.
    static std::shared_ptr<SimUsbStick> instance();

    // What a stick may hold: at most kMaxDepth folder levels, kMaxEntries files and
    // folders and kMaxBytes of file data (symbolic links, FIFOs and devices are skipped).
    static constexpr int kMaxDepth = 8;
    static constexpr int kMaxEntries = 4096;
    static constexpr qint64 kMaxBytes = qint64(256) << 20;

    // Why hostFolder cannot be a stick (empty when it can): not a folder, a folder that
    // holds the device root, one in /proc, /sys or /dev, or one that overlaps /mnt/usb1.
    static QString refusal(const QString& hostFolder);
    // Copies hostFolder's content to /mnt/usb1, makes /proc/scsi/usb-storage appear and
    // queues the add events. False (and nothing changes; *why says why) when refusal()
    // speaks or the tree is over the limits (grown past them during the copy: /mnt/usb1
    // left empty).
    bool insert(const QString& hostFolder, QString* why = nullptr);
    // Takes /mnt/usb1's content and /proc/scsi/usb-storage away, then queues the remove events.
    void remove();
    bool inserted() const;
    // Tests: called with a folder's host path after the stick's walk looked at the folder
    // and before it opens it, to swap it for something else there.
    static std::function<void(const QString& hostPath)> before_folder_open;

    ~SimUsbStick() override;
    // The control channel's stick commands run here, one after the other on the stick's
    // own thread, so a large copy never holds up the other commands.
    void post(std::function<void()> job);
    // Until every posted job has run (tests, and a walk that replays its events).
    void wait_idle();
    // A job's pause of `ms` milliseconds; false (at once) when the stick is going away.
    bool idle_for(int ms);

    bool receive(QByteArray* msg, int timeout_ms) override;

    // The messages of one block device, as the kernel words them.
    static QByteArray uevent(const QString& action, const QString& devname, bool partition);

private:
    void push(const QByteArray& msg);

    mutable QMutex m_mutex;
    QWaitCondition m_ready;
    QQueue<QByteArray> m_queue;
    bool m_inserted = false;

    std::mutex m_jobMutex;
    std::condition_variable m_jobWake;
    std::deque<std::function<void()>> m_jobs;
    bool m_jobRunning = false;
    bool m_jobStop = false;
    std::thread m_worker;
};
