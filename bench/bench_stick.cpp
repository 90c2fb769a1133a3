// The stick's listers against the size of the stick: the upgrade screen's package list (at
// most 100) and the mapping wizard's "is there a scan file" look, on folders of 200 to
// 20,000 files, against a floor that reads just the entries the cap needs. Run
// `build/bench/bench_stick`; it prints a Markdown table (medians of 15 runs, microseconds).
#include "fpga/rcv_recovery_file.h"
#include "fpga/usb_upgrade.h"
#include "platform/devpath.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double median_us(const std::function<void()>& f)
{
    std::vector<double> t;
    for (int i = 0; i < 15; ++i) {
        QElapsedTimer clock;
        clock.start();
        f();
        t.push_back(clock.nsecsElapsed() / 1000.0);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

// The first `n` names of a folder and nothing more: what a lister stopping at its cap costs.
void floor_read(const QString& host, int n)
{
    QDirIterator it(host, QDir::Files);
    for (int i = 0; i < n && it.hasNext(); ++i)
        it.next();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir root;
    platform::set_device_root(root.path());
    platform::ensure_device_tree();
    const QString folder = QStringLiteral("/mnt/usb1/YUQ-K64");
    const QString host = platform::dev_path(folder);
    QDir().mkpath(host);
    std::printf("| files on the stick | packages listed | floor (100 names) | scan file found | floor (1 name) |\n");
    std::printf("|---|---|---|---|---|\n");
    int made = 0;
    for (int files : {200, 2000, 20000}) {
        // Packages and scan files alike, so both caps are reached.
        for (; made < files; ++made) {
            QFile f(host + QStringLiteral("/f%1.%2").arg(made).arg(made % 2 ? "YUQ" : "wzfile"));
            f.open(QIODevice::WriteOnly);
        }
        const double list = median_us([&] { UsbUpgrade::list_packages(folder); });
        const double floor100 = median_us([&] { floor_read(host, 2 * UsbUpgrade::MaxPackages); });
        const double found = median_us([&] { rcvRecovery::scan_files(folder, 1); });
        const double floor1 = median_us([&] { floor_read(host, 2); });
        std::printf("| %d | %.0f | %.0f | %.0f | %.0f |\n", files, list, floor100, found, floor1);
    }
    return 0;
}
