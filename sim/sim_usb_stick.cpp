#include "sim_usb_stick.h"

#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <sys/stat.h>
#include <unistd.h>

namespace {
const char* const kDiskPath = "/devices/platform/soc/1c1a000.usb/usb1/1-1/1-1:1.0/host0/"
                              "target0:0:0/0:0:0:0/block/sda";

const QDir::Filters kAll = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System;

// Folders and files a copy would take, stopping as soon as a limit is passed; false then.
bool within_limits(const QString& folder, int depth, int* entries, qint64* bytes)
{
    if (depth > SimUsbStick::kMaxDepth)
        return false;
    for (const QFileInfo& e : QDir(folder).entryInfoList(kAll)) {
        if (e.isSymLink() || !(e.isDir() || e.isFile()))
            continue;
        if (++*entries > SimUsbStick::kMaxEntries)
            return false;
        if (e.isFile() && (*bytes += e.size()) > SimUsbStick::kMaxBytes)
            return false;
        if (e.isDir() && !within_limits(e.filePath(), depth + 1, entries, bytes))
            return false;
    }
    return true;
}

bool same_or_inside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

// `host` as a folder of its own: a link or anything else at the name is removed and a fresh
// folder made, so nothing is read or written through it. False when it cannot be made.
bool own_folder(const QString& host)
{
    const QByteArray name = QFile::encodeName(host);
    struct stat st;
    if (::lstat(name.constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return true;
        if (::unlink(name.constData()) != 0)
            return false;
    }
    return (::mkdir(name.constData(), 0755) == 0 || errno == EEXIST) && ::lstat(name.constData(), &st) == 0
        && S_ISDIR(st.st_mode);
}

// The stick's folder /mnt/usb1 of the root's own (its /mnt too); empty when it cannot be.
QString mount_folder()
{
    const QString mnt = platform::dev_path(QStringLiteral("/mnt/usb1"));
    return own_folder(QFileInfo(mnt).path()) && own_folder(mnt) ? mnt : QString();
}

QString no_mount()
{
    return QStringLiteral("the device root's /mnt/usb1 cannot be made a folder");
}

// Copies a folder tree; symbolic links are skipped so a stick cannot point outside itself,
// and every folder written into is one of the copy's own.
bool copy_tree(const QString& from, const QString& to)
{
    if (!own_folder(to))
        return false;
    const QDir src(from);
    bool ok = true;
    const auto entries = src.entryInfoList(kAll);
    for (const QFileInfo& e : entries) {
        if (e.isSymLink())
            continue;
        const QString dest = QDir(to).filePath(e.fileName());
        if (e.isDir())
            ok = copy_tree(e.filePath(), dest) && ok;
        else if (e.isFile()) // no fifos or devices: reading one would block
            ok = platform::copy_file(e.filePath(), dest, SimUsbStick::kMaxBytes) && ok;
    }
    return ok;
}

// Empties a folder of the root's own, looking at each entry itself (lstat): a link is
// removed, never followed.
void empty_folder(const QString& host)
{
    const QDir dir(host);
    const auto entries = dir.entryList(kAll);
    for (const QString& n : entries) {
        const QString e = dir.filePath(n);
        const QByteArray name = QFile::encodeName(e);
        struct stat st;
        if (::lstat(name.constData(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            empty_folder(e);
            ::rmdir(name.constData());
        } else {
            ::unlink(name.constData());
        }
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

QString SimUsbStick::refusal(const QString& hostFolder)
{
    const QFileInfo info(hostFolder);
    if (hostFolder.isEmpty() || !info.isDir())
        return QStringLiteral("not a folder");
    const QString folder = info.canonicalFilePath();
    const QString root = QFileInfo(platform::device_root()).canonicalFilePath();
    if (folder.isEmpty() || root.isEmpty() || same_or_inside(root, folder))
        return QStringLiteral("the folder holds the device root");
    for (const char* sys : {"/proc", "/sys", "/dev"})
        if (same_or_inside(folder, QString::fromLatin1(sys)))
            return QStringLiteral("a folder in %1 is no stick").arg(QLatin1String(sys));
    const QString mnt = mount_folder();
    if (mnt.isEmpty())
        return no_mount();
    const QString stick = QFileInfo(mnt).canonicalFilePath();
    if (same_or_inside(folder, stick) || same_or_inside(stick, folder))
        return QStringLiteral("the folder overlaps the stick's own /mnt/usb1");
    return QString();
}

bool SimUsbStick::insert(const QString& hostFolder, QString* why)
{
    QString no = refusal(hostFolder);
    int entries = 0;
    qint64 bytes = 0;
    if (no.isEmpty() && !within_limits(hostFolder, 1, &entries, &bytes))
        no = QStringLiteral("more than %1 levels, %2 entries or %3 MiB")
                 .arg(kMaxDepth).arg(kMaxEntries).arg(kMaxBytes >> 20);
    if (!no.isEmpty()) {
        if (why)
            *why = no;
        return false;
    }
    const QString mnt = mount_folder();
    if (mnt.isEmpty()) {
        if (why)
            *why = no_mount();
        return false;
    }
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
    // Gone before it is reported: whoever looks on the report finds nothing left.
    const QString mnt = mount_folder();
    if (!mnt.isEmpty())
        empty_folder(mnt);
    QDir(platform::dev_path(QStringLiteral("/proc/scsi/usb-storage"))).removeRecursively();
    {
        QMutexLocker lock(&m_mutex);
        m_inserted = false;
    }
    push(uevent(QStringLiteral("remove"), QStringLiteral("sda1"), true));
    push(uevent(QStringLiteral("remove"), QStringLiteral("sda"), false));
}

bool SimUsbStick::inserted() const
{
    QMutexLocker lock(&m_mutex);
    return m_inserted;
}

SimUsbStick::~SimUsbStick()
{
    {
        std::lock_guard<std::mutex> l(m_jobMutex);
        m_jobStop = true;
    }
    m_jobWake.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

void SimUsbStick::post(std::function<void()> job)
{
    std::lock_guard<std::mutex> l(m_jobMutex);
    m_jobs.push_back(std::move(job));
    if (!m_worker.joinable()) {
        m_worker = std::thread([this] {
            std::unique_lock<std::mutex> lock(m_jobMutex);
            for (;;) {
                m_jobWake.wait(lock, [this] { return m_jobStop || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                std::function<void()> next = std::move(m_jobs.front());
                m_jobs.pop_front();
                m_jobRunning = true;
                lock.unlock();
                next();
                lock.lock();
                m_jobRunning = false;
                m_jobWake.notify_all();
            }
        });
    }
    m_jobWake.notify_all();
}

void SimUsbStick::wait_idle()
{
    std::unique_lock<std::mutex> lock(m_jobMutex);
    m_jobWake.wait(lock, [this] { return m_jobs.empty() && !m_jobRunning; });
}

bool SimUsbStick::idle_for(int ms)
{
    std::unique_lock<std::mutex> lock(m_jobMutex);
    return !m_jobWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_jobStop; });
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
