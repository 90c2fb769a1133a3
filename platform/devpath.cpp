#include "devpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {
const char* const kTree[] = {"/data/configs", "/data/modes", "/data/app", "/data/smartmapping",
                             "/data/rcvrecovery", "/mnt/usb1", "/etc", "/proc/scsi", "/sim"};
const char kProbe[] = ".write-probe-";
QMutex g_rootMutex;
QString g_root;

QString default_root()
{
    const QByteArray env = qgetenv("DEVICE_ROOT");
    QString r = env.isEmpty() ? QStringLiteral("./device-root") : QString::fromLocal8Bit(env);
    return QFileInfo(r).absoluteFilePath();
}
} // namespace

QString device_root()
{
    QMutexLocker lock(&g_rootMutex);
    if (g_root.isEmpty()) {
        g_root = QDir::cleanPath(default_root());
        QDir().mkpath(g_root);
    }
    return g_root;
}

void set_device_root(const QString& root)
{
    QMutexLocker lock(&g_rootMutex);
    g_root = root.isEmpty() ? QString() : QDir::cleanPath(QFileInfo(root).absoluteFilePath());
    if (!g_root.isEmpty())
        QDir().mkpath(g_root);
}

QString dev_path(const QString& devicePath)
{
    const QString root = device_root();
    QString p = devicePath;
    if (!p.startsWith(QLatin1Char('/')))
        p.prepend(QLatin1Char('/'));
    // cleanPath folds "a/../b"; a leading ".." survives it and is what we refuse.
    const QString clean = QDir::cleanPath(p);
    if (clean.startsWith(QLatin1String("/..")) || clean.contains(QLatin1String("/../")))
        return QString();
    if (clean == QLatin1String("/"))
        return root;
    // Keep a trailing slash: folder names such as "/mnt/usb1/" are built that way.
    QString out = root + clean;
    if (devicePath.endsWith(QLatin1Char('/')) && !out.endsWith(QLatin1Char('/')))
        out += QLatin1Char('/');
    return out;
}

QByteArray dev_path_c(const QString& devicePath)
{
    return dev_path(devicePath).toLocal8Bit();
}

namespace {
QString why(const QString& path, int err)
{
    return path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(err));
}

// Makes the folder and the missing ones above it, then proves it takes a new file: only
// the system calls' own errors say why (a read-only file system, a file in the way, ...),
// and access() would let root pass where writes still fail. A folder made just now takes
// files; an existing one is asked with access() and proved by a new file once for each
// file system in `proved` (a probe file costs an inode allocation, slow on a busy disk).
QString make_writable_dir(const QString& dir, QSet<dev_t>* proved)
{
    QStringList missing;
    QString p = dir;
    struct stat st;
    while (::stat(QFile::encodeName(p).constData(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR)
           && p != QLatin1String("/")) {
        missing.prepend(p);
        p = QFileInfo(p).path();
    }
    if (!missing.isEmpty() && ::stat(QFile::encodeName(p).constData(), &st) == 0 && !S_ISDIR(st.st_mode))
        return p + QStringLiteral(": not a folder");
    for (const QString& m : missing)
        if (::mkdir(QFile::encodeName(m).constData(), 0755) != 0 && errno != EEXIST)
            return why(m, errno);
    if (::stat(QFile::encodeName(dir).constData(), &st) != 0)
        return why(dir, errno);
    if (!S_ISDIR(st.st_mode))
        return dir + QStringLiteral(": not a folder");
    if (!missing.isEmpty())
        return QString();
    if (::access(QFile::encodeName(dir).constData(), W_OK) != 0)
        return why(dir, errno);
    if (proved->contains(st.st_dev))
        return QString();
    proved->insert(st.st_dev);
    const QByteArray probe = QFile::encodeName(dir + QLatin1Char('/') + QLatin1String(kProbe)
                                               + QString::number(::getpid()));
    const int fd = create_fresh(probe, 0600); // never through a link planted at the name
    if (fd < 0)
        return why(dir, errno);
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}
} // namespace

QString ensure_device_tree()
{
    QSet<dev_t> proved;
    for (const char* d : kTree) {
        const QString err = make_writable_dir(dev_path(QString::fromLatin1(d)), &proved);
        if (!err.isEmpty())
            return err;
    }
    return QString();
}

int remove_stale_write_probes()
{
    const QString own = QLatin1String(kProbe) + QString::number(::getpid());
    int removed = 0;
    for (const char* d : kTree) {
        const QDir dir(dev_path(QString::fromLatin1(d)));
        for (const QString& name : dir.entryList({QLatin1String(kProbe) + QLatin1Char('*')},
                                                 QDir::Files | QDir::Hidden | QDir::System)) {
            bool number = false;
            name.midRef(int(sizeof kProbe) - 1).toLongLong(&number);
            if (number && name != own && QFile::remove(dir.filePath(name)))
                ++removed;
        }
    }
    return removed;
}

int create_fresh(const QByteArray& hostPath, unsigned mode)
{
    return create_fresh_at(AT_FDCWD, hostPath, mode);
}

int create_fresh_at(int dir, const QByteArray& name, unsigned mode)
{
    ::unlinkat(dir, name.constData(), 0);
    return ::openat(dir, name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode_t(mode));
}

QString rename_entry(const QString& from, const QString& to, bool replace)
{
    const QByteArray f = QFile::encodeName(from), t = QFile::encodeName(to);
    int r = replace ? ::rename(f.constData(), t.constData())
                    : ::renameat2(AT_FDCWD, f.constData(), AT_FDCWD, t.constData(), RENAME_NOREPLACE);
    if (r != 0 && !replace && (errno == EINVAL || errno == ENOSYS)) {
        // A file system without the flag: looked at first, then renamed.
        struct stat st;
        if (::lstat(t.constData(), &st) == 0)
            errno = EEXIST;
        else
            r = ::rename(f.constData(), t.constData());
    }
    if (r == 0)
        return QString();
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace platform
