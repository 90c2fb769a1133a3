#include "fpga_manage.h"

// Card jobs posted in g_send_para (mapping, scan files, curing, query, self-recovery):
// one step per FPGA pass. Not built yet.
void fpga_manage::run_card_job_step() {}
