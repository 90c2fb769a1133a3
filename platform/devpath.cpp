#include "devpath.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>

namespace platform {

namespace {
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

void ensure_device_tree()
{
    for (const char* d : {"/data/configs", "/data/modes", "/data/app", "/data/smartmapping",
                          "/data/rcvrecovery", "/mnt/usb1", "/etc", "/proc/scsi", "/sim"})
        QDir().mkpath(dev_path(QString::fromLatin1(d)));
}

} // namespace platform
