#include "sim_usb_stick.h"

#include "platform/devpath.h"
#include "platform/shell_gate.h"
#include "sim/control.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {
const char* const kDiskPath = "/devices/platform/soc/1c1a000.usb/usb1/1-1/1-1:1.0/host0/"
                              "target0:0:0/0:0:0:0/block/sda";

// A descriptor, closed when it goes.
class Fd
{
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    Fd(Fd&& o) noexcept : m_fd(std::exchange(o.m_fd, -1)) {}
    Fd& operator=(Fd&& o) noexcept
    {
        std::swap(m_fd, o.m_fd);
        return *this;
    }
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    int get() const { return m_fd; }
    explicit operator bool() const { return m_fd >= 0; }

private:
    int m_fd;
};

bool same_or_inside(const QString& path, const QString& folder)
{
    return path == folder || path.startsWith(folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/'));
}

void skipped(const QString& path, const QString& why)
{
    sim::control_trace(QStringLiteral("stick: %1 %2, skipped").arg(path, why));
}

// The folder `name` in `dir` itself: a link there is never followed, whatever was seen at
// the name before. `path` is its host path.
Fd open_folder(int dir, const QByteArray& name, const QString& path)
{
    if (SimUsbStick::before_folder_open)
        SimUsbStick::before_folder_open(path);
    return Fd(::openat(dir, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
}

// `name` in `dir` as a folder of its own: a link or anything else at the name is removed and
// a fresh folder made, so nothing is read or written through it. None when it cannot be made.
Fd own_folder(int dir, const QByteArray& name, const QString& path)
{
    if (::mkdirat(dir, name.constData(), 0755) != 0 && errno != EEXIST)
        return Fd();
    Fd fd = open_folder(dir, name, path);
    if (!fd && (errno == ELOOP || errno == ENOTDIR) && ::unlinkat(dir, name.constData(), 0) == 0
        && ::mkdirat(dir, name.constData(), 0755) == 0)
        fd = open_folder(dir, name, path);
    return fd;
}

QString mount_path()
{
    return platform::dev_path(QStringLiteral("/mnt/usb1"));
}

// The stick's folder /mnt/usb1 of the root's own (its /mnt too), opened once: all the stick
// does there goes through it. None when it cannot be.
Fd mount_folder()
{
    const QString usb1 = mount_path();
    const QString mnt = QFileInfo(usb1).path();
    const Fd root(::open(QFile::encodeName(QFileInfo(mnt).path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const Fd m = root ? own_folder(root.get(), QFile::encodeName(QFileInfo(mnt).fileName()), mnt) : Fd();
    return m ? own_folder(m.get(), QFile::encodeName(QFileInfo(usb1).fileName()), usb1) : Fd();
}

QString no_mount()
{
    return QStringLiteral("the device root's /mnt/usb1 cannot be made a folder");
}

// The names in the folder `dir` (host path `path`), listed whole before any of them is
// touched. A folder that cannot be listed is said, and counts as empty.
std::vector<QByteArray> names_in(int dir, const QString& path)
{
    std::vector<QByteArray> names;
    DIR* d = ::fdopendir(::dup(dir)); // a dup shares the position: rewound below
    int err = errno;
    if (d) {
        ::rewinddir(d);
        errno = 0;
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        err = errno;
        ::closedir(d);
    }
    if (!d || err)
        skipped(path, QStringLiteral("cannot be listed (%1)").arg(QString::fromLocal8Bit(std::strerror(err))));
    return names;
}

struct Budget
{
    int entries = 0;
    qint64 bytes = 0;
};

// Walks the stick's folder `src` (host path `from`) by descriptors, counting what a copy
// takes against the limits, and copying into `dst` when it is given (else -1). Links, fifos
// and devices are skipped, so a stick cannot point outside itself; a file is copied no
// larger than it was counted. False as soon as a limit is passed.
bool walk(int src, const QString& from, int dst, const QString& to, int depth, Budget* budget)
{
    if (depth > SimUsbStick::kMaxDepth)
        return false;
    const bool copy = dst >= 0;
    for (const QByteArray& n : names_in(src, from)) {
        struct stat st;
        if (::fstatat(src, n.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)))
            continue;
        if (++budget->entries > SimUsbStick::kMaxEntries)
            return false;
        const QString name = QLatin1Char('/') + QFile::decodeName(n);
        if (S_ISREG(st.st_mode)) {
            if ((budget->bytes += st.st_size) > SimUsbStick::kMaxBytes)
                return false;
            if (copy)
                platform::copy_file_at(src, dst, n, st.st_size, from + name);
            continue;
        }
        // Swapped for a link since it was looked at: the open says so.
        const Fd sub = open_folder(src, n, from + name);
        if (!sub) {
            skipped(from + name, "is no longer a folder");
            continue;
        }
        const Fd into = copy ? own_folder(dst, n, to + name) : Fd();
        if (copy && !into) {
            skipped(to + name, "cannot be made a folder");
            continue;
        }
        if (!walk(sub.get(), from + name, into ? into.get() : -1, to + name, depth + 1, budget))
            return false;
    }
    return true;
}

// Empties the folder `dir` (host path `path`) of the root's own: each entry is removed as
// what it is, a link never followed; a folder is emptied through its own descriptor first.
void empty_folder(int dir, const QString& path)
{
    for (const QByteArray& n : names_in(dir, path)) {
        if (::unlinkat(dir, n.constData(), 0) == 0 || (errno != EISDIR && errno != EPERM))
            continue;
        const QString sub = path + QLatin1Char('/') + QFile::decodeName(n);
        const Fd fd = open_folder(dir, n, sub);
        if (fd) {
            empty_folder(fd.get(), sub);
            ::unlinkat(dir, n.constData(), AT_REMOVEDIR);
        } else if (::unlinkat(dir, n.constData(), 0) != 0) {
            skipped(sub, "is no longer a folder");
        }
    }
}
} // namespace

std::function<void(const QString&)> SimUsbStick::before_folder_open;

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
    if (!mount_folder())
        return no_mount();
    const QString stick = QFileInfo(mount_path()).canonicalFilePath();
    if (same_or_inside(folder, stick) || same_or_inside(stick, folder))
        return QStringLiteral("the folder overlaps the stick's own /mnt/usb1");
    return QString();
}

bool SimUsbStick::insert(const QString& hostFolder, QString* why)
{
    const auto refuse = [why](const QString& no) {
        if (why)
            *why = no;
        return false;
    };
    // Opened once: the checks are made on the folder that is copied, whatever is renamed
    // meanwhile.
    const Fd src(::open(QFile::encodeName(hostFolder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    const QString no = refusal(src ? QStringLiteral("/proc/self/fd/%1").arg(src.get()) : QString());
    if (!no.isEmpty())
        return refuse(no);
    const QString over = QStringLiteral("more than %1 levels, %2 entries or %3 MiB")
                             .arg(kMaxDepth).arg(kMaxEntries).arg(kMaxBytes >> 20);
    Budget counted, copied;
    if (!walk(src.get(), hostFolder, -1, QString(), 1, &counted))
        return refuse(over);
    const Fd mnt = mount_folder();
    if (!mnt)
        return refuse(no_mount());
    empty_folder(mnt.get(), mount_path());
    if (!walk(src.get(), hostFolder, mnt.get(), mount_path(), 1, &copied)) {
        // Grown past the limits since it was counted: refused whole all the same.
        empty_folder(mnt.get(), mount_path());
        return refuse(over);
    }
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
    if (const Fd mnt = mount_folder())
        empty_folder(mnt.get(), mount_path());
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
