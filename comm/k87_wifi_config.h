#pragma once
// The WiFi-module manager: its thread sets the module up at start and again after every
// reset request, the device's access point (hostapd, udhcpd) among it while the image
// says the access point is on (0x306 = 0).
#include "core/service_thread.h"

#include <atomic>
#include <cstdint>

class K87_WIFI_CONFIG
{
public:
    static K87_WIFI_CONFIG* pInstance();
    static K87_WIFI_CONFIG* p_wifi;

    // Asks the WiFi thread to redo the set-up; stamps the request with G_timeTicks.
    void set_wifi_reset_flag();
    uint32_t reset_tick() const { return m_resetTick.load(); }

    // Stops the access point (hostapd, udhcpd) through the shell gate. The caller has set
    // image 0x306 first: a set-up running meanwhile either finishes before the stop or
    // sees the flag and starts nothing. Needs no manager.
    static void stop_access_point();
    // The access point brought in line with image 0x306 after a writer changed it (other
    // settings, a factory reset): off stops it, on asks the WiFi thread to set it up again
    // (nothing without a manager). The caller has written the byte first.
    static void apply_access_point(bool off);

    // One pass of the WiFi thread: the set-up when it has not run yet or a reset is asked.
    void wifi_deal();

    bool start();
    void stop_for_test();
    static K87_WIFI_CONFIG* reset_for_test();

private:
    K87_WIFI_CONFIG() = default;
    void wifi_setup();

    ServiceThread m_thread;
    std::atomic<bool> m_setupDone{false};
    std::atomic<uint32_t> m_resetTick{0};
};
