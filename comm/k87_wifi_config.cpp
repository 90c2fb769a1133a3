#include "k87_wifi_config.h"

#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"

#include <QMutex>
#include <QMutexLocker>

K87_WIFI_CONFIG* K87_WIFI_CONFIG::p_wifi = nullptr;

namespace {
constexpr int kPassMs = 100;
// Held from the set-up's look at 0x306 until its start commands ran, and around a stop:
// an "off" written while the set-up is starting the access point waits for it, then stops it.
QMutex g_apMutex;
}

K87_WIFI_CONFIG* K87_WIFI_CONFIG::pInstance()
{
    if (!p_wifi)
        p_wifi = new K87_WIFI_CONFIG;
    return p_wifi;
}

K87_WIFI_CONFIG* K87_WIFI_CONFIG::reset_for_test()
{
    if (p_wifi) {
        p_wifi->stop_for_test();
        delete p_wifi;
        p_wifi = nullptr;
    }
    g_wifi_reset_flag = 0;
    return pInstance();
}

void K87_WIFI_CONFIG::set_wifi_reset_flag()
{
    m_resetTick = G_timeTicks.load();
    g_wifi_reset_flag = 1;
}

void K87_WIFI_CONFIG::wifi_deal()
{
    const bool reset = g_wifi_reset_flag.exchange(0) != 0;
    if (m_setupDone.load() && !reset)
        return;
    m_setupDone = true;
    wifi_setup();
}

void K87_WIFI_CONFIG::wifi_setup()
{
    QMutexLocker lock(&g_apMutex);
    const YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p || p->image8(img::ApOff) != 0) {
        YUQ_TRACE("\n wifi: access point off\n");
        return;
    }
    Utils::system_mutex(QStringLiteral("/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B"));
    Utils::system_mutex(QStringLiteral("udhcpd -fS /etc/udhcpd.conf &"));
}

void K87_WIFI_CONFIG::stop_access_point()
{
    QMutexLocker lock(&g_apMutex);
    Utils::system_mutex(QStringLiteral("kill -9 `pidof /usr/bin/hostapd /etc/rtl_hostapd_2G.conf`"));
    Utils::system_mutex(QStringLiteral("kill -9 `pidof /usr/sbin/udhcpd  /etc/udhcpd.conf`"));
}

void K87_WIFI_CONFIG::apply_access_point(bool off)
{
    if (off)
        stop_access_point();
    else if (p_wifi)
        p_wifi->set_wifi_reset_flag();
}

bool K87_WIFI_CONFIG::start()
{
    return m_thread.start("K87_WIFI_CONFIG", [this] { wifi_deal(); }, kPassMs);
}

void K87_WIFI_CONFIG::stop_for_test()
{
    m_thread.stop();
}
