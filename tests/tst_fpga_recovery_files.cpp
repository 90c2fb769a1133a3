// The card-job file lister.
#include "testsupport.h"

#include "fpga/rcv_recovery_file.h"
#include "platform/devpath.h"

#include <QDir>
#include <QtTest>

class TstFpgaRecoveryFiles : public QObject
{
    Q_OBJECT
private slots:
    void init() { testsupport::fresh_device_root(); }

    void lists_plain_files_into_the_folders_list()
    {
        rcvRecovery r;
        testsupport::put_file("/data/rcvrecovery/a.rcv", "1");
        testsupport::put_file("/data/rcvrecovery/b.rcv", "2");
        QDir().mkpath(platform::dev_path("/data/rcvrecovery/sub"));
        testsupport::put_file("/data/smartmapping/m.wzfile", "3");
        testsupport::put_file("/mnt/usb1/s.wzfile", "4");

        QCOMPARE(r.get_dir_file("/data/rcvrecovery"), 0);
        QStringList first = r.file_list(rcvRecovery::RecoveryFiles);
        first.sort();
        QCOMPARE(first, (QStringList{"a.rcv", "b.rcv"}));
        QCOMPARE(r.file_count(rcvRecovery::ScanFiles), 0);

        QCOMPARE(r.get_dir_file("/data/smartmapping"), 0);
        QCOMPARE(r.file_list(rcvRecovery::ScanFiles), QStringList{"m.wzfile"});
        QCOMPARE(r.get_dir_file("/mnt/usb1/"), 0);
        QCOMPARE(r.file_list(rcvRecovery::ScanFiles), QStringList{"s.wzfile"});
        QCOMPARE(r.file_count(rcvRecovery::RecoveryFiles), 2);

        r.clear_list(rcvRecovery::RecoveryFiles);
        QCOMPARE(r.file_count(rcvRecovery::RecoveryFiles), 0);
    }

    void missing_or_foreign_folder_changes_nothing()
    {
        rcvRecovery r;
        testsupport::put_file("/data/rcvrecovery/a.rcv", "1");
        QCOMPARE(r.get_dir_file("/data/rcvrecovery"), 0);
        QDir(platform::dev_path("/data/rcvrecovery")).removeRecursively();
        QCOMPARE(r.get_dir_file("/data/rcvrecovery"), 1);
        QCOMPARE(r.file_count(rcvRecovery::RecoveryFiles), 1);
        QCOMPARE(r.get_dir_file("/data/configs"), 1);
        QCOMPARE(r.get_dir_file("/data/rcvrecovery/../configs"), 1);
    }
};

QTEST_MAIN(TstFpgaRecoveryFiles)
#include "tst_fpga_recovery_files.moc"
