#pragma once
// The lister of the card-job files: the recovery files (/data/rcvrecovery) and the scan
// files (/data/smartmapping or the stick). The GUI thread recounts while the FPGA thread
// refills the first list during a card job, so both lists live under a mutex of their own.
#include <QMutex>
#include <QString>
#include <QStringList>

// The plain files of a device folder whose suffix is one of `suffixes`, as device paths
// (folder + name), in directory order, at most `max`. Links are never listed: a link on
// the stick could name any file of the device.
QStringList list_plain_files(const QString& folder, const QStringList& suffixes, int max);

class rcvRecovery
{
public:
    static constexpr int MaxScanFiles = 100;
    // The scan files (*.wzfile) of /data/smartmapping or the stick's /mnt/usb1/, at most `max`.
    static QStringList scan_files(const QString& folder, int max = MaxScanFiles);

    enum List { RecoveryFiles = 0, ScanFiles = 1 };

    // Lists dir's plain files (names, unsorted): /data/rcvrecovery into the first list,
    // /data/smartmapping or /mnt/usb1/ into the second. 1 and nothing changed when the
    // folder does not exist (or is none of these), else 0.
    int get_dir_file(const QString& dir);

    QStringList file_list(List which) const;
    int file_count(List which) const;
    void clear_list(List which);

private:
    mutable QMutex m_mutex;
    QStringList m_lists[2];
};
