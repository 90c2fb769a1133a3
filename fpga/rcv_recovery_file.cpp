#include "rcv_recovery_file.h"

#include "platform/devpath.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QMutexLocker>

QStringList list_plain_files(const QString& folder, const QStringList& suffixes, int max)
{
    QStringList out;
    if (folder.isEmpty())
        return out;
    const QString host = platform::dev_path(folder);
    if (host.isEmpty())
        return out;
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    // Entry by entry: a stick of thousands of files costs what the first `max` matches cost.
    QDirIterator it(host, QDir::Files | QDir::NoSymLinks | QDir::Hidden);
    while (out.size() < max && it.hasNext()) {
        it.next();
        const QFileInfo e = it.fileInfo();
        if (suffixes.contains(e.suffix()))
            out << base + e.fileName();
    }
    return out;
}

QStringList rcvRecovery::scan_files(const QString& folder, int max)
{
    return list_plain_files(folder, QStringList{QStringLiteral("wzfile")}, max);
}

int rcvRecovery::get_dir_file(const QString& dir)
{
    QString clean = dir;
    while (clean.size() > 1 && clean.endsWith(QLatin1Char('/')))
        clean.chop(1);
    List which;
    if (clean == QLatin1String("/data/rcvrecovery"))
        which = RecoveryFiles;
    else if (clean == QLatin1String("/data/smartmapping") || clean == QLatin1String("/mnt/usb1"))
        which = ScanFiles;
    else
        return 1;
    const QString host = platform::dev_path(clean);
    if (host.isEmpty() || !QDir(host).exists())
        return 1;
    const QStringList names = QDir(host).entryList(QDir::Files | QDir::Hidden, QDir::Unsorted);
    QMutexLocker lock(&m_mutex);
    m_lists[which] = names;
    return 0;
}

QStringList rcvRecovery::file_list(List which) const
{
    QMutexLocker lock(&m_mutex);
    return m_lists[which];
}

int rcvRecovery::file_count(List which) const
{
    QMutexLocker lock(&m_mutex);
    return m_lists[which].size();
}

void rcvRecovery::clear_list(List which)
{
    QMutexLocker lock(&m_mutex);
    m_lists[which].clear();
}
