#include "rcv_recovery_file.h"

#include "platform/devpath.h"

#include <QDir>
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
    const auto entries = QDir(host).entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden, QDir::Unsorted);
    for (const QFileInfo& e : entries) {
        if (out.size() >= max)
            break;
        if (suffixes.contains(e.suffix()))
            out << base + e.fileName();
    }
    return out;
}

QStringList rcvRecovery::scan_files(const QString& folder)
{
    return list_plain_files(folder, QStringList{QStringLiteral("wzfile")}, MaxScanFiles);
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
