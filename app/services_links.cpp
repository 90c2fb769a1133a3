#include "services.h"

#include "comm/k87_wifi_config.h"
#include "comm/message_deal.h"
#include "comm/usbserver.h"
#include "core/global.h"
#include "sim/control.h"
#include "sim/sim_cards.h"
#include "sim/sim_usb_stick.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <sys/stat.h>

namespace {
std::atomic<bool> g_sticksWaitForWatcher{false};

bool on_off(const QStringList& args, bool* on)
{
    if (args.size() != 1 || (args[0] != QLatin1String("on") && args[0] != QLatin1String("off")))
        return false;
    *on = args[0] == QLatin1String("on");
    return true;
}
} // namespace

void sticks_wait_for_the_watcher()
{
    g_sticksWaitForWatcher = true;
}

void register_link_commands()
{
    // The copy runs on the stick's own thread: the channel goes on reading meanwhile, and
    // "stick out" waits its turn behind it.
    sim::register_control_command(QStringLiteral("stick in"), QStringLiteral("stick in FOLDER"),
                                  [](const QStringList& a) {
        const QString folder = a.join(QLatin1Char(' '));
        const QString no = SimUsbStick::refusal(folder);
        if (!no.isEmpty()) {
            sim::control_note(QStringLiteral("stick in %1: %2").arg(folder, no));
            return false;
        }
        const std::shared_ptr<SimUsbStick> stick = SimUsbStick::instance();
        stick->post([stick, folder] {
            // The watcher drops every uevent before it listens: a stick goes in once it does,
            // as one put in after start.
            if (g_sticksWaitForWatcher.load() && g_delay_usbserver.load() == 0) {
                sim::control_trace(QStringLiteral("stick in %1 waits for the USB watcher").arg(folder));
                while (g_delay_usbserver.load() == 0)
                    if (!stick->idle_for(50))
                        return;
            }
            QString why;
            if (!stick->insert(folder, &why))
                sim::control_trace(QStringLiteral("stick in %1 refused: %2").arg(folder, why));
        });
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("stick out"), QStringLiteral("stick out"),
                                  [](const QStringList& a) {
        if (!a.isEmpty())
            return false;
        const std::shared_ptr<SimUsbStick> stick = SimUsbStick::instance();
        stick->post([stick] { stick->remove(); });
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("pc file-written"), QStringLiteral("pc file-written TYPE PATH (TYPE 5, 9, 13)"),
                                  [](const QStringList& a) {
        bool ok = false;
        const int type = a.value(0).toInt(&ok);
        const QString path = a.mid(1).join(QLatin1Char(' '));
        const QFileInfo file(path);
        const QString name = file.fileName();
        if (!ok || path.isEmpty() || message_deal::transfer_path(type, name).isEmpty())
            return false;
        // Only a plain file: reading a fifo here would stall the control channel.
        if (!file.isFile()) {
            sim::control_note(file.exists() ? QStringLiteral("%1 is not a regular file").arg(path)
                                            : QStringLiteral("there is no file %1").arg(path));
            return false;
        }
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            sim::control_note(QStringLiteral("%1 cannot be read (%2)").arg(path, f.errorString()));
            return false;
        }
        // The copy is open to no one the host file is closed to (a 0600 file stays 0600).
        struct stat st;
        const unsigned modeLimit = ::fstat(f.handle(), &st) == 0 ? st.st_mode & 0777 : 0600;
        if (!message_deal::store_transfer_file(type, name, f.readAll(), modeLimit)) {
            sim::control_note(QStringLiteral("not stored on the device (the output says why)"));
            return false;
        }
        message_deal::write_file_end(type);
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("pc file-deleted"), QStringLiteral("pc file-deleted PATH (a file of /data/rcvrecovery or /data/smartmapping)"),
                                  [](const QStringList& a) {
        const QString path = a.join(QLatin1Char(' '));
        if (!message_deal::delete_transfer_file(path))
            return false;
        message_deal::delete_file_name(path);
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("pc update"), QStringLiteral("pc update start|end"),
                                  [](const QStringList& a) {
        if (a.size() != 1 || (a[0] != QLatin1String("start") && a[0] != QLatin1String("end")))
            return false;
        message_deal::REG_comm_flag(a[0] == QLatin1String("start"));
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("cards noreply"), QStringLiteral("cards noreply on|off"),
                                  [](const QStringList& a) {
        bool on = false;
        if (!on_off(a, &on))
            return false;
        SimCards::instance()->set_noreply(on);
        return true;
    });
}

void create_links()
{
    // The host build's stick and cards stand in for the kernel's uevents and the cards
    // behind the output ports.
    SimUsbStick::instance();
    SimCards::instance();
    UsbServer::pInstance()->start();
    K87_WIFI_CONFIG::pInstance()->start();
}
