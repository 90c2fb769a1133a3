#include "usb_upgrade.h"

#include "rcv_recovery_file.h"

#include "card_jobs.h"
#include "fpga_manage.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "core/update_overlay.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

QString UsbUpgrade::upgrade_folder()
{
    const QString name = g_usb_grade_path.get();
    if (name == QLatin1String(" "))
        return QStringLiteral("/mnt/usb1/");
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..")
        || name.contains(QLatin1Char('/')))
        return QString();
    return QStringLiteral("/mnt/usb1/") + name;
}

QStringList UsbUpgrade::list_packages(const QString& folder)
{
    return list_plain_files(folder, QStringList{QStringLiteral("YUQ"), QStringLiteral("YUQZK")}, MaxPackages);
}

QString upgrade_clock_text()
{
    TimeRealType t;
    fpga_manage::IT8563WE_Get(&t);
    return QStringLiteral("%1:%2:%3").arg(t.hour).arg(t.minute).arg(t.second);
}

QString UsbUpgrade::now_text() const
{
    return clock ? clock() : upgrade_clock_text();
}

void UsbUpgrade::usb_upgrade_deal()
{
    switch (g_send_para.step()) {
    case 1:
        get_usb_file_list_path();
        g_send_para.set_step(2);
        break;
    case 2:
        usb_upgrade_main_deal();
        g_send_para.set_step(3);
        break;
    case 3: {
        {
            QMutexLocker lock(&m_mutex);
            m_time += QStringLiteral("    ") + now_text();
        }
        overlay_update_over();
        if (YuqRamPara* p = YuqRamPara::p_yuqrampara_config)
            p->test_signal(104);
        g_update_flag = 0;
        g_send_para.set_step(0);
        g_usb_grade = 0;
        break;
    }
    default: {
        overlay_update_start();
        QMutexLocker lock(&m_mutex);
        m_time = now_text();
        m_packages.clear();
        m_result = Result();
        g_send_para.set_step(1);
        break;
    }
    }
}

int UsbUpgrade::get_usb_file_list_path()
{
    QStringList packages;
    {
        QMutexLocker files(&Utils::_file_deal_mutex);
        packages = list_packages(upgrade_folder());
    }
    YUQ_TRACE("\n usb upgrade: %d package(s) in %s\n", int(packages.size()), qPrintable(upgrade_folder()));
    QMutexLocker lock(&m_mutex);
    m_packages = packages;
    return int(packages.size());
}

void UsbUpgrade::usb_upgrade_main_deal()
{
    QStringList packages;
    {
        QMutexLocker lock(&m_mutex);
        packages = m_packages;
    }
    QString application;
    QStringList skipped;
    for (const QString& p : packages) {
        if (application.isEmpty() && QFileInfo(p).suffix() == QLatin1String("YUQ")) {
            application = p;
        } else {
            YUQ_TRACE("\n usb upgrade: %s listed, not installed\n", qPrintable(p));
            skipped << p;
        }
    }
    const auto end = [this, &skipped](Outcome outcome, const QString& package) {
        QMutexLocker lock(&m_mutex);
        m_result = Result{outcome, package, skipped};
    };
    if (packages.isEmpty()) {
        end(NoPackage, QString());
        return;
    }
    // Nothing this build installs: not an upgrade that went well.
    if (application.isEmpty()) {
        end(NotInstalled, skipped.first());
        return;
    }
    // The device hands the command over as Latin-1: any other character arrives as '?',
    // a pattern that names another file or none.
    if (QString::fromLatin1(application.toLatin1()) != application) {
        std::printf("usb upgrade: %s refused: its name is not Latin-1\n", qPrintable(application));
        end(NameRefused, application);
        return;
    }

    // Beside the running application first, then over it in one move.
    const QString app = ConfigEngine::app_path();
    const QString next = app + QLatin1Char('2');
    QMutexLocker files(&Utils::_file_deal_mutex);
    const auto fail = [&](Outcome outcome, const char* what) {
        std::printf("usb upgrade: %s %s\n", qPrintable(application), what);
        Utils::system_mutex(QStringLiteral("rm -f ") + next);
        end(outcome, application);
    };
    if (Utils::system_mutex(QStringLiteral("cp ") + platform::shell_quote(application) + QLatin1Char(' ') + next) != 0)
        return fail(CopyFailed, "not copied");
    // Runnable by all, writable by the owner alone: the folder and the new application.
    if (Utils::system_mutex(QStringLiteral("chmod 755 ") + QFileInfo(app).path() + QLatin1Char(' ') + next) != 0)
        return fail(InstallFailed, "not made executable");
    if (Utils::system_mutex(QStringLiteral("mv ") + next + QLatin1Char(' ') + app) != 0)
        return fail(InstallFailed, "not moved over the application");
    Utils::system_mutex(QStringLiteral("sync"));
    G_reboot_tickTicks = G_timeTicks.load();
    g_app_reset_flag = 1;
    end(Done, application);
}

UsbUpgrade::Result UsbUpgrade::result() const
{
    QMutexLocker lock(&m_mutex);
    return m_result;
}

QString UsbUpgrade::time_text() const
{
    QMutexLocker lock(&m_mutex);
    return m_time;
}

int UsbUpgrade::package_count() const
{
    QMutexLocker lock(&m_mutex);
    return int(m_packages.size());
}
