#include "panelclock.h"

#include "firmwareupdate.h"
#include "screenkit.h"
#include "screens.h"
#include "syncupdate.h"
#include "tip.h"
#include "core/global.h"
#include "core/utils.h"
#include "fpga/aging_log.h"

PanelClock* PanelClock::instance()
{
    static PanelClock* c = new PanelClock;
    return c;
}

void PanelClock::tick()
{
    static const uint32_t usbserver_ticks = 0; // the USB reports start 1000 ticks after tick 0
    G_timeTicks.fetch_add(1);
    if (g_update_flag && g_move_update)
        g_move_update->update_time_deal();
    if (g_tip_flag && g_tip)
        g_tip->tip_outtime_deal();
    if (g_app_reset_flag && Utils::getTimeSpace(G_reboot_tickTicks) >= 300) {
        // Once, then again every 3 s should the device still be up.
        if (!m_rebootRun || Utils::getTimeSpace(m_rebootLast) >= 300) {
            m_rebootRun = true;
            m_rebootLast = G_timeTicks.load();
            Utils::system_mutex(QStringLiteral("reboot"));
        }
    }
    SyncUpdate::pInstance()->retry_write_back();
    if (AgingLog::instance().tick())
        kit::request(page::factoryage, kit::ReqUpdateAgeLog, 0);
    if (g_delay_usbserver == 0 && Utils::getTimeSpace(usbserver_ticks) >= 1000)
        g_delay_usbserver = 1;
    kit::follow_front();
}
