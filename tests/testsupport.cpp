#include "testsupport.h"

#include "core/config_engine.h"
#include "core/engine_handshake.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QtTest>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace testsupport {

namespace {
std::vector<std::unique_ptr<QTemporaryDir>>& dirs()
{
    static std::vector<std::unique_ptr<QTemporaryDir>> d;
    return d;
}
} // namespace

QString fresh_device_root()
{
    dirs().push_back(std::make_unique<QTemporaryDir>());
    const QString p = dirs().back()->path();
    platform::set_device_root(p);
    platform::ensure_device_tree();
    platform::shell_clear_recorded();
    return p;
}

YuqRamPara* fresh_core()
{
    fresh_device_root();
    ConfigEngine::reset_for_test();
    YuqRamPara::write_pause_us = 0;
    EngineHandshake::instance().reapply = 0;
    return YuqRamPara::reset_for_test();
}

void put_file(const QString& devicePath, const QByteArray& data)
{
    const QString p = platform::dev_path(devicePath);
    QDir().mkpath(QFileInfo(p).path());
    QFile f(p);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(data);
}

QByteArray get_file(const QString& devicePath)
{
    return host_bytes(platform::dev_path(devicePath));
}

bool exists(const QString& devicePath)
{
    return QFileInfo::exists(platform::dev_path(devicePath));
}

void size_bound_rows(int bound)
{
    QTest::addColumn<int>("size");
    QTest::newRow("at the bound") << bound;
    QTest::newRow("a byte over") << bound + 1;
}

QString host_file(const QString& hostPath, const QByteArray& data)
{
    QFile f(hostPath);
    if (!f.open(QIODevice::WriteOnly) || f.write(data) != data.size())
        qFatal("cannot write %s", qPrintable(hostPath));
    return hostPath;
}

QByteArray host_bytes(const QString& hostPath)
{
    QFile f(hostPath);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString printed(const std::function<void()>& f)
{
    std::fflush(stdout);
    QTemporaryFile out;
    out.open();
    const int saved = ::dup(1);
    ::dup2(out.handle(), 1);
    f();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    out.seek(0);
    return QString::fromLocal8Bit(out.readAll());
}

} // namespace testsupport
