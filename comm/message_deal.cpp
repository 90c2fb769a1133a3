#include "message_deal.h"

#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/update_overlay.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "fpga/rcv_recovery_file.h"
#include "platform/devpath.h"

#include <QFile>
#include <QMutexLocker>

namespace {
const char* const kRecoveryDir = "/data/rcvrecovery";
const char* const kSmartDir = "/data/smartmapping";

// The FPGA manager's file lister, or null while there is no FPGA manager.
rcvRecovery* manager_lister()
{
    fpga_manage* f = fpga_manage::p_fpga_manage;
    return f ? f->rcv_recovery.get() : nullptr;
}

void refresh(int code)
{
    if (YuqRamPara* p = YuqRamPara::p_yuqrampara_config)
        p->test_signal(code);
}

bool plain_name(const QString& name)
{
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..")
           && !name.contains(QLatin1Char('/')) && !name.contains(QChar(0))
           && name != QLatin1String(Utils::UploadTemp);
}

// The folder a device path lies directly in, when it is one of the two job folders.
QString job_folder(const QString& devicePath)
{
    const int slash = devicePath.lastIndexOf(QLatin1Char('/'));
    if (slash <= 0 || !plain_name(devicePath.mid(slash + 1)))
        return QString();
    const QString dir = devicePath.left(slash);
    if (dir == QLatin1String(kRecoveryDir) || dir == QLatin1String(kSmartDir))
        return dir;
    return QString();
}
} // namespace

void message_deal::REG_comm_flag(bool updating)
{
    if (updating) {
        overlay_update_start();
        refresh(105);
    } else {
        overlay_update_over();
        refresh(106);
    }
}

void message_deal::write_file_start(const QByteArray& prefix)
{
    if (!prefix.startsWith("FMCU") && !prefix.startsWith("FKRN"))
        return;
    overlay_update_start();
    refresh(105);
}

void message_deal::write_file_end(int type)
{
    if (type == FileAlias)
        refresh(103);
    if (!manager_lister())
        return;
    // The shell checks the page and the screen pointer again when it runs.
    const uint8_t page = g_page_focus.load();
    if ((type == FileSmartMapping && page == 24) || (type == FileRecovery && page == 12))
        emit PanelBridge::instance()->sig_file_written(type);
}

void message_deal::delete_file_name(const QString& devicePath)
{
    emit PanelBridge::instance()->sig_option_retext();
    rcvRecovery* lister = manager_lister();
    if (!lister)
        return;
    const QString dir = job_folder(devicePath);
    const uint8_t page = g_page_focus.load();
    if (dir == QLatin1String(kSmartDir)) {
        lister->clear_list(rcvRecovery::ScanFiles);
        if (page == 24)
            emit PanelBridge::instance()->sig_file_deleted(1);
    } else if (dir == QLatin1String(kRecoveryDir)) {
        lister->clear_list(rcvRecovery::RecoveryFiles);
        if (page == 25 || page == 12)
            emit PanelBridge::instance()->sig_file_deleted(0);
    }
}

QString message_deal::transfer_path(int type, const QString& name)
{
    if (!plain_name(name))
        return QString();
    switch (type) {
    case FileAlias: return QStringLiteral("/data/configs/alias.json");
    case FileRecovery: return QLatin1String(kRecoveryDir) + QLatin1Char('/') + name;
    case FileSmartMapping: return QLatin1String(kSmartDir) + QLatin1Char('/') + name;
    default: return QString();
    }
}

bool message_deal::store_transfer_file(int type, const QString& name, const QByteArray& data, unsigned modeLimit)
{
    const QString path = transfer_path(type, name);
    if (path.isEmpty())
        return false;
    QMutexLocker lock(&Utils::_file_deal_mutex);
    // In a job folder "<name>.tmp" may be another of the PC's files.
    return Utils::write_file_atomic(path, data, type == FileAlias ? QString() : QLatin1String(Utils::UploadTemp), -1,
                                    modeLimit);
}

bool message_deal::delete_transfer_file(const QString& devicePath)
{
    if (job_folder(devicePath).isEmpty())
        return false;
    const QString host = platform::dev_path(devicePath);
    if (host.isEmpty())
        return false;
    QMutexLocker lock(&Utils::_file_deal_mutex);
    return QFile::remove(host);
}
