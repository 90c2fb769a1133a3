#include "sim_usb_stick.h"

#include "platform/devpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const char* const kDiskPath = "/devices/platform/soc/1c1a000.usb/usb1/1-1/1-1:1.0/host0/"
                              "target0:0:0/0:0:0:0/block/sda";

// Copies a folder tree; symbolic links are skipped so a stick cannot point outside itself.
bool copy_tree(const QString& from, const QString& to)
{
    QDir().mkpath(to);
    const QDir src(from);
    bool ok = true;
    const auto entries = src.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& e : entries) {
        if (e.isSymLink())
            continue;
        const QString dest = QDir(to).filePath(e.fileName());
        if (e.isDir())
            ok = copy_tree(e.filePath(), dest) && ok;
        else if (e.isFile()) // no fifos or devices: reading one would block
            ok = QFile::copy(e.filePath(), dest) && ok;
    }
    return ok;
}

void empty_folder(const QString& host)
{
    QDir d(host);
    const auto entries = d.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo& e : entries) {
        if (e.isDir() && !e.isSymLink())
            QDir(e.filePath()).removeRecursively();
        else
            QFile::remove(e.filePath());
    }
}
} // namespace

std::shared_ptr<SimUsbStick> SimUsbStick::instance()
{
    static std::shared_ptr<SimUsbStick> stick = [] {
        auto s = std::make_shared<SimUsbStick>();
        platform::set_uevent_source(s);
        return s;
    }();
    return stick;
}

QByteArray SimUsbStick::uevent(const QString& action, const QString& devname, bool partition)
{
    QString devpath = QString::fromLatin1(kDiskPath);
    if (partition)
        devpath += QLatin1Char('/') + devname;
    QByteArray m = (action + QLatin1Char('@') + devpath).toLatin1();
    const QStringList vars = {QStringLiteral("ACTION=") + action, QStringLiteral("DEVPATH=") + devpath,
                              QStringLiteral("SUBSYSTEM=block"), QStringLiteral("MAJOR=8"),
                              QStringLiteral("MINOR=") + (partition ? QStringLiteral("1") : QStringLiteral("0")),
                              QStringLiteral("DEVNAME=") + devname,
                              QStringLiteral("DEVTYPE=") + (partition ? QStringLiteral("partition") : QStringLiteral("disk")),
                              QStringLiteral("SEQNUM=1")};
    for (const QString& v : vars) {
        m.append('\0');
        m.append(v.toLatin1());
    }
    m.append('\0');
    return m;
}

bool SimUsbStick::insert(const QString& hostFolder)
{
    if (!QFileInfo(hostFolder).isDir())
        return false;
    const QString mnt = platform::dev_path(QStringLiteral("/mnt/usb1"));
    QDir().mkpath(mnt);
    empty_folder(mnt);
    copy_tree(hostFolder, mnt);
    QDir().mkpath(platform::dev_path(QStringLiteral("/proc/scsi/usb-storage")));
    {
        QMutexLocker lock(&m_mutex);
        m_inserted = true;
    }
    push(uevent(QStringLiteral("add"), QStringLiteral("sda"), false));
    push(uevent(QStringLiteral("add"), QStringLiteral("sda1"), true));
    return true;
}

void SimUsbStick::remove()
{
    push(uevent(QStringLiteral("remove"), QStringLiteral("sda1"), true));
    push(uevent(QStringLiteral("remove"), QStringLiteral("sda"), false));
    empty_folder(platform::dev_path(QStringLiteral("/mnt/usb1")));
    QDir(platform::dev_path(QStringLiteral("/proc/scsi/usb-storage"))).removeRecursively();
    QMutexLocker lock(&m_mutex);
    m_inserted = false;
}

bool SimUsbStick::inserted() const
{
    QMutexLocker lock(&m_mutex);
    return m_inserted;
}

void SimUsbStick::push(const QByteArray& msg)
{
    QMutexLocker lock(&m_mutex);
    m_queue.enqueue(msg);
    m_ready.wakeAll();
}

bool SimUsbStick::receive(QByteArray* msg, int timeout_ms)
{
    QMutexLocker lock(&m_mutex);
    if (m_queue.isEmpty())
        m_ready.wait(&m_mutex, static_cast<unsigned long>(timeout_ms));
    if (m_queue.isEmpty())
        return false;
    *msg = m_queue.dequeue();
    return true;
}
