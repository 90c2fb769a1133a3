#include "fuzzsupport.h"

#include "core/global.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdlib>

namespace fuzzsupport {

void init()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    char tmpl[] = "/tmp/yuqfuzz-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    if (!dir)
        std::abort();
    platform::set_device_root(QString::fromLocal8Bit(dir));
    platform::ensure_device_tree();
    g_debugSwitch = 0;
    YuqRamPara::write_pause_us = 0;
}

void put(const QString& devicePath, const uint8_t* data, size_t size)
{
    const QString p = platform::dev_path(devicePath);
    QDir().mkpath(QFileInfo(p).path());
    QFile f(p);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    f.write(reinterpret_cast<const char*>(data), qint64(size));
}

} // namespace fuzzsupport
