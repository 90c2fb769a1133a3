#pragma once
// Test support: a fresh device root per test program (and per test when asked).
#include <QList>
#include <QSignalSpy>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class YuqRamPara;

namespace testsupport {
// Points the device root at a new temporary folder; returns its path.
QString fresh_device_root();
// A fresh device root with a new configuration and parameter block loaded from it;
// writes pause for nothing and the re-apply byte is down.
YuqRamPara* fresh_core();
// Writes a file under the device root (device path), creating folders.
void put_file(const QString& devicePath, const QByteArray& data);
QByteArray get_file(const QString& devicePath);
bool exists(const QString& devicePath);
// A data test's rows for a reader's size bound: column "size", a file of exactly `bound`
// bytes ("at the bound") and one of a byte more ("a byte over").
void size_bound_rows(int bound);
// A file on this machine outside the device root (where a planted link leads) holding
// `data`; returns `hostPath`.
QString host_file(const QString& hostPath, const QByteArray& data);
// What a file on this machine holds, empty when it is missing.
QByteArray host_bytes(const QString& hostPath);
// What f printed on stdout.
QString printed(const std::function<void()>& f);
// Argument `arg` of every emission a spy caught, as ints (refresh codes, progress values).
inline QList<int> spy_ints(const QSignalSpy& spy, int arg = 0)
{
    QList<int> out;
    for (const auto& args : spy)
        out << args.at(arg).toInt();
    return out;
}
} // namespace testsupport
