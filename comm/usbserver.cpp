#include "usbserver.h"

#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/utils.h"
#include "platform/devpath.h"
#include "platform/uevent_source.h"

#include <QFileInfo>
#include <chrono>
#include <thread>

UsbServer* UsbServer::p_usbserver = nullptr;

namespace {
constexpr int kMountTicks = 300;
constexpr int kWaitMs = 50;
const char* const kUsbStorage = "/proc/scsi/usb-storage";
} // namespace

UsbServer::Uevent UsbServer::parse_uevent(const QByteArray& msg)
{
    Uevent e;
    const QList<QByteArray> parts = msg.split('\0');
    if (parts.isEmpty())
        return e;
    const QByteArray head = parts.first();
    const int at = head.indexOf('@');
    if (at > 0) {
        e.action = QString::fromLatin1(head.left(at));
        e.devpath = QString::fromLatin1(head.mid(at + 1));
    }
    for (int i = 1; i < parts.size(); ++i) {
        const QByteArray& p = parts[i];
        const int eq = p.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray key = p.left(eq);
        const QString value = QString::fromLatin1(p.mid(eq + 1));
        if (key == "ACTION")
            e.action = value;
        else if (key == "DEVPATH")
            e.devpath = value;
        else if (key == "SUBSYSTEM")
            e.subsystem = value;
        else if (key == "DEVNAME")
            e.devname = value.section(QLatin1Char('/'), -1);
    }
    // Messages without the key list (older kernels) still name the device in their path.
    if (e.devname.isEmpty())
        e.devname = e.devpath.section(QLatin1Char('/'), -1);
    if (e.subsystem.isEmpty() && e.devpath.contains(QLatin1String("/block/")))
        e.subsystem = QStringLiteral("block");
    e.valid = !e.action.isEmpty() && !e.devpath.isEmpty();
    return e;
}

namespace {
// "sd" and a letter, then whatever the caller allows.
bool sd_name(const QString& n)
{
    return n.size() >= 3 && n.startsWith(QLatin1String("sd")) && n[2] >= QLatin1Char('a') && n[2] <= QLatin1Char('z');
}
} // namespace

bool UsbServer::is_stick_disk(const Uevent& e)
{
    return e.valid && e.subsystem == QLatin1String("block") && e.devname.size() == 3 && sd_name(e.devname);
}

bool UsbServer::is_stick_partition(const Uevent& e)
{
    return e.valid && e.subsystem == QLatin1String("block") && e.devname.size() == 4 && sd_name(e.devname)
           && e.devname[3] >= QLatin1Char('0') && e.devname[3] <= QLatin1Char('9');
}

UsbServer* UsbServer::pInstance()
{
    if (!p_usbserver)
        p_usbserver = new UsbServer;
    return p_usbserver;
}

UsbServer* UsbServer::reset_for_test()
{
    if (p_usbserver) {
        p_usbserver->stop_for_test();
        delete p_usbserver;
        p_usbserver = nullptr;
    }
    return pInstance();
}

void UsbServer::deal_uevent(const QByteArray& msg)
{
    if (g_delay_usbserver.load() == 0)
        return;
    const Uevent e = parse_uevent(msg);
    const bool add = e.action == QLatin1String("add");
    const bool remove = e.action == QLatin1String("remove");
    if (is_stick_disk(e)) {
        if (add) {
            YUQ_TRACE("\n usb: %s in\n", qPrintable(e.devname));
            emit sig_usb_update(StickIn);
        } else if (remove) {
            YUQ_TRACE("\n usb: %s out\n", qPrintable(e.devname));
            m_mountPending = false;
            emit sig_usb_update(StickOut);
        }
    } else if (is_stick_partition(e)) {
        if (add) {
            m_mountStamp = G_timeTicks.load();
            m_mountPending = true;
        } else if (remove) {
            m_mountPending = false;
        }
    }
}

void UsbServer::poll_mount()
{
    if (!m_mountPending.load())
        return;
    if (Utils::getTimeSpace(m_mountStamp.load()) <= kMountTicks)
        return;
    if (!QFileInfo::exists(platform::dev_path(QString::fromLatin1(kUsbStorage))))
        return;
    m_mountPending = false;
    YUQ_TRACE("\n usb: mounted\n");
    emit sig_usb_update(StickMounted);
    // The settings menu makes way for the stick's screens; the shell checks the page again.
    if (g_page_focus.load() == 5)
        emit PanelBridge::instance()->sig_option_close();
}

bool UsbServer::start()
{
    return m_thread.start("UsbServer", [this] { pass(); }, 0);
}

void UsbServer::stop_for_test()
{
    m_thread.stop();
}

void UsbServer::pass()
{
    // The source's wait is this thread's pause.
    const auto source = platform::uevent_source();
    QByteArray msg;
    if (!source)
        std::this_thread::sleep_for(std::chrono::milliseconds(kWaitMs));
    else if (source->receive(&msg, kWaitMs))
        deal_uevent(msg);
    poll_mount();
}
