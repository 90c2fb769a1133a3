// A card-job file as the PC stores it in /data/smartmapping (a scan file) or
// /data/rcvrecovery (a recovery file): jobs 2, 5 and 6 run over it to their end on the
// simulated cards, one pass a tick, and always end.
#include "fuzzsupport.h"

#include "core/global.h"
#include "fpga/card_jobs.h"
#include "fpga/rcv_recovery_file.h"
#include "sim/sim_cards.h"

#include <QDir>
#include <cstdlib>
#include <memory>

namespace {
// Passes until the job word clears; aborts when a job never ends.
void run(CardJobs& jobs, uint8_t job)
{
    if (!post_card_job(job))
        return;
    for (int i = 0; i < 200000; ++i) {
        jobs.card_job_deal();
        G_timeTicks += 1;
        if (g_send_para.word.load() == 0)
            return;
    }
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzsupport::init();
    static rcvRecovery lister;
    static std::unique_ptr<CardJobs> jobs = [] {
        SimCards::instance()->set_port_alive(nullptr);
        return std::make_unique<CardJobs>(
            CardJobs::Hooks{[] { return true; }, [] { return 0x107u | (0x3u << 10); }, nullptr, &lister});
    }();
    if (size > 64 * 1024)
        return 0; // many records only make the run longer
    fuzzsupport::put("/data/smartmapping/a.wzfile", data, size);
    fuzzsupport::put("/data/rcvrecovery/screen.rcv", data, size);
    g_wzfile_name = QStringLiteral("/data/smartmapping/a.wzfile");
    line_type.port = size ? data[0] % 24 : 0;
    g_send_para.clear();
    run(*jobs, JobScanFile);
    run(*jobs, JobQuery);
    run(*jobs, JobRecover);
    return 0;
}
