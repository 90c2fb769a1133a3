// Card jobs and the USB upgrade through the FPGA thread's pass on the simulated device:
// the cards answer only on linked ports of running FPGAs.
#include "hwtest.h"
#include "recoverysupport.h"

#include "core/panel_bridge.h"
#include "sim/control.h"
#include "sim/sim_cards.h"

#include <QSignalSpy>
#include <QtTest>

using namespace hwtest;

namespace {
// Passes of the FPGA thread, one tick each, until the job word clears; passes or -1.
int run_job(int limit = 3000)
{
    for (int i = 1; i <= limit; ++i) {
        fpga_manage::p_fpga_manage->run_pass();
        G_timeTicks += 1;
        if (g_send_para.word.load() == 0 && g_usb_grade.load() == 0)
            return i;
    }
    return -1;
}

QList<int> job_values(const QSignalSpy& spy, int job)
{
    QList<int> out;
    for (const auto& args : spy)
        if (args.at(0).toInt() == job)
            out << args.at(1).toInt();
    return out;
}
} // namespace

class TstFpgaJobsDevice : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fresh();
        pc_cmd_time = 0;
        g_usb_grade = 0;
        g_update_flag = 0;
        g_send_para.clear();
        SimCards::instance()->restore();
        fpga_manage::pInstance();
        run_fpga_passes(20); // both FPGAs up, links read
        recoverysupport::put_recovery_file();
    }
    void cleanup() { fpga_manage::destroy_for_test(); }

    void query_and_recovery_through_the_pass()
    {
        QSignalSpy results(PanelBridge::instance(), &PanelBridge::sig_recovery_query);
        Codes codes;
        QVERIFY(post_card_job(JobQuery));
        QVERIFY(run_job() > 0);
        QCOMPARE(results.size(), 1);
        QCOMPARE(results.at(0).at(1).toString(), QString("01/03/05/06"));
        QCOMPARE(g_send_para.card_index.load(), uint16_t(4));
        QVERIFY(post_card_job(JobRecover));
        QVERIFY(run_job() > 0);
        QCOMPARE(SimCards::instance()->needs_recovery(2), int(cardwire::NoCard));
        QCOMPARE(codes.count(99), 1);
    }

    void a_port_without_link_is_not_asked()
    {
        QVERIFY(sim::run_control_line("port 3 off"));
        run_fpga_passes(5);
        QVERIFY(post_card_job(JobQuery));
        QVERIFY(run_job() > 0);
        QCOMPARE(SimCards::instance()->received(2, cardwire::Query), 0);
        QCOMPARE(g_send_para.card_index.load(), uint16_t(0x00FF));
    }

    void an_fpga_going_down_ends_the_job()
    {
        QSignalSpy progress(PanelBridge::instance(), &PanelBridge::sig_job_progress);
        QVERIFY(sim::run_control_line("fpga 0 down"));
        run_fpga_passes(5);
        QVERIFY(post_card_job(JobCure));
        QVERIFY(run_job() > 0);
        QCOMPARE(job_values(progress, JobCure).last(), 100);
        QCOMPARE(job_values(progress, JobCure).count(100), 1);
    }

    void an_upgrade_asked_for_during_a_job_waits_for_it()
    {
        Codes codes;
        QVERIFY(post_card_job(JobCure));
        fpga_manage::p_fpga_manage->run_pass();
        g_usb_grade = 1; // written straight, as the upgrade screen does
        QVERIFY(run_job() > 0);
        QCOMPARE(SimCards::instance()->received(0, cardwire::Cure), 1);
        QCOMPARE(codes.count(104), 1);
        QVERIFY(!fpga_manage::p_fpga_manage->usb_upgrade_time_text().isEmpty());
    }
};

QTEST_MAIN(TstFpgaJobsDevice)
#include "tst_fpga_jobs_device.moc"
