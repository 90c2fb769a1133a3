#include "clock_record_run.h"

#include "core/global.h"
#include "core/utils.h"

void clock_record_run::run()
{
    if (!m_started) {
        m_stamp = G_timeTicks.load();
        m_started = true;
        return;
    }
    if (Utils::getTimeSpace(m_stamp) >= 6000) {
        m_stamp += 6000;
        ++m_minutes;
    }
}
