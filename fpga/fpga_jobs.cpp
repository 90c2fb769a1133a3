#include "fpga_manage.h"

// Card jobs posted in g_send_para (mapping, scan files, curing, query, self-recovery):
// one step per FPGA pass, on the simulated or real cards behind the output ports.
CardJobs::Hooks fpga_manage::card_job_hooks()
{
    // The FPGAs as they are now, not as the last poll saw them: a job that a stopped FPGA
    // ends says so, not that a port lost its link.
    return CardJobs::Hooks{[this] {
                               status_poll();
                               return get_fpga_status() != 0;
                           },
                           [this] { return get_wlan_state(); },
                           &fpga_mutex, rcv_recovery.get()};
}

void fpga_manage::run_card_job_step()
{
    m_card_jobs.card_job_deal();
}

void fpga_manage::rcv_recovery_check_deal(RCV_CHECK_OR_RECOVERY mode)
{
    m_card_jobs.rcv_recovery_check_deal(mode);
}
