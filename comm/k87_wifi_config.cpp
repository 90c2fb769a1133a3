#include "k87_wifi_config.h"

#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"


K87_WIFI_CONFIG* K87_WIFI_CONFIG::p_wifi = nullptr;

namespace {
constexpr int kPassMs = 100;
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
    const YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p || p->image8(img::ApOff) != 0) {
        YUQ_TRACE("\n wifi: access point off\n");
        return;
    }
    Utils::system_mutex(QStringLiteral("/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B"));
    Utils::system_mutex(QStringLiteral("udhcpd -fS /etc/udhcpd.conf &"));
}

bool K87_WIFI_CONFIG::start()
{
    return m_thread.start("K87_WIFI_CONFIG", [this] { wifi_deal(); }, kPassMs);
}

void K87_WIFI_CONFIG::stop_for_test()
{
    m_thread.stop();
}
