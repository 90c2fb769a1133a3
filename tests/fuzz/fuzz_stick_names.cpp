// File names on a USB stick and from the PC (NUL-separated in the input): the stick
// upgrade's package lister and its copy command, the scan-file lister, and the PC's file
// store and delete. Every listed path stays in its folder, every shell command the gate
// saw holds plain words only, and nothing lands outside the device root.
#include "fuzzsupport.h"

#include "comm/message_deal.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "fpga/rcv_recovery_file.h"
#include "fpga/usb_upgrade.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFile>
#include <cstdlib>

namespace {
bool storable(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && name.toLocal8Bit().size() < 200;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    static bool once = [] {
        ConfigEngine::pInstance();
        return true;
    }();
    (void)once;
    const QList<QByteArray> parts = QByteArray(reinterpret_cast<const char*>(data), int(size)).split('\0');
    // The first part is the configured upgrade folder, the rest are file names.
    g_usb_grade_path = QString::fromUtf8(parts.first());
    const QString folder = UsbUpgrade::upgrade_folder();
    const QString sub = folder.mid(10);
    if (!folder.isEmpty() && (!folder.startsWith(QLatin1String("/mnt/usb1/")) || sub == QLatin1String(".")
                              || sub == QLatin1String("..") || sub.contains(QLatin1Char('/'))))
        std::abort();

    const QString stick = platform::dev_path(QStringLiteral("/mnt/usb1"));
    QDir(stick).removeRecursively();
    QDir().mkpath(stick);
    if (!folder.isEmpty())
        QDir().mkpath(platform::dev_path(folder));
    QStringList names;
    for (int i = 1; i < parts.size() && i < 12; ++i) {
        const QString name = QString::fromUtf8(parts[i]);
        if (!storable(name))
            continue;
        names << name;
        QFile f(platform::dev_path((folder.isEmpty() ? QStringLiteral("/mnt/usb1/") : folder + QLatin1Char('/')) + name));
        if (f.open(QIODevice::WriteOnly))
            f.write("x");
    }

    const QStringList packages = UsbUpgrade::list_packages(folder);
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (const QString& p : packages)
        if (!p.startsWith(base) || !names.contains(p.mid(base.size())))
            std::abort();
    rcvRecovery lister;
    lister.get_dir_file(QStringLiteral("/mnt/usb1/"));
    for (const QString& n : lister.file_list(rcvRecovery::ScanFiles))
        if (n.contains(QLatin1Char('/')))
            std::abort();

    // The upgrade's copy: every command must be plain words the host gate can split.
    platform::shell_clear_recorded();
    UsbUpgrade up;
    up.clock = [] { return QStringLiteral("0:0:0"); };
    up.get_usb_file_list_path();
    up.usb_upgrade_main_deal();
    g_app_reset_flag = 0;
    QStringList latin1;
    for (const QString& p : packages)
        latin1 << QString::fromLatin1(p.toLatin1());
    for (const QString& c : platform::shell_recorded()) {
        QStringList words;
        if (!platform::shell_split(c, &words))
            std::abort();
        // The device's shell takes the command as Latin-1 bytes: a name that would not
        // arrive as it is was refused before the copy.
        if (words.value(0) == QLatin1String("cp")
            && (words.size() != 3 || !latin1.contains(words[1]) || !packages.contains(words[1])))
            std::abort();
    }

    // The PC's defined files with the same names: stored in their folder or refused.
    for (const QString& name : names) {
        for (int type : {int(message_deal::FileRecovery), int(message_deal::FileSmartMapping)}) {
            const QString path = message_deal::transfer_path(type, name);
            if (path.isEmpty())
                continue;
            if (path.count(QLatin1Char('/')) != 3)
                std::abort();
            message_deal::store_transfer_file(type, name, QByteArray("y"));
            message_deal::delete_transfer_file(path);
        }
    }
    message_deal::delete_transfer_file(QStringLiteral("/data/rcvrecovery/") + QString::fromUtf8(parts.last()));
    return 0;
}
