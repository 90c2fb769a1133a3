// The card-recovery screen on the simulated cards: a query finding the card, finding none
// and failing; the self-recovery emptying the list with code 99 and its refusals; keys
// while the wheel runs; the list's rows, pages and block flag.
#include "recoverysupport.h"
#include "shellsupport.h"

#include "fpga/card_jobs.h"
#include "fpga/rcv_recovery_file.h"
#include "sim/sim_cards.h"
#include "ui/mapping/rcv_recovery.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/panelrequests.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <memory>

using namespace shellsupport;

class TstMappingRcvRecovery : public QObject
{
    Q_OBJECT

    rcvRecovery lister;
    std::unique_ptr<CardJobs> jobs;

    // The FPGA thread's passes until the job word clears, with the GUI's queue between.
    void run_job()
    {
        for (int i = 0; i < 5000 && g_send_para.word.load() != 0; ++i) {
            jobs->card_job_deal();
            G_timeTicks += 1;
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
    }
    void run(const std::function<void(rcv_recovery*)>& body) { run_screen<rcv_recovery>(page::rcv_recovery, body); }
    static QString note(rcv_recovery* s) { return s->note_label() ? s->note_label()->text() : QString(); }

private slots:
    void initTestCase() { connect_panel_requests(); }

    void init()
    {
        fresh_panel();
        recoverysupport::idle_cards();
        QDir(platform::dev_path("/data/rcvrecovery")).removeRecursively();
        recoverysupport::put_recovery_file();
        jobs = std::make_unique<CardJobs>(CardJobs::Hooks{[] { return true; },
                                                          [] { return 0x107u | (0x3u << 10); }, nullptr, &lister});
    }
    void cleanup()
    {
        jobs.reset();
        g_send_para.clear();
    }

    void query_outcomes_data()
    {
        QTest::addColumn<int>("setup"); QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("shown");
        QTest::newRow("found") << 0 << QStringList{"01/03/05/06"} << "";
        QTest::newRow("none") << 1 << QStringList{} << "No receiving cards that need to be updated!";
        QTest::newRow("no reply at all") << 3 << QStringList{} << "Query failed!";
        QTest::newRow("no FPGA side") << 4 << QStringList{} << "Query failed!";
    }
    void query_outcomes()
    {
        QFETCH(int, setup); QFETCH(QStringList, entries); QFETCH(QString, shown);
        switch (setup) {
        case 1: SimCards::instance()->set_port(2, 6, cardwire::NoCard); break;
        case 3: SimCards::instance()->set_noreply(true); break;
        case 4: jobs.reset(); break;
        }
        run([&](rcv_recovery* s) {
            release(s, 'Q');
            QCOMPARE(bool(g_qround_bar), setup != 4);
            if (jobs)
                run_job();
            QVERIFY(!g_qround_bar);
            QCOMPARE(s->entries(), entries);
            QCOMPARE(note(s), shown);
        });
    }

    // The recovery under its wheel (keys do nothing meanwhile) ends with code 99 and an
    // empty list.
    void recovery_empties_the_list()
    {
        QSignalSpy codes(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        run([&](rcv_recovery* s) {
            release(s, 'Q');
            run_job();
            keys(s, "RQ");
            QVERIFY(g_qround_bar);
            keys(s, "RSOM");
            QCOMPARE(int(s->focus_index()), 1);
            QCOMPARE(int(g_page_focus), int(page::rcv_recovery));
            run_job();
            QVERIFY(testsupport::spy_ints(codes).contains(99));
            QVERIFY(s->entries().isEmpty());
        });
    }

    void recovery_refused_data()
    {
        QTest::addColumn<int>("why");
        QTest::newRow("nothing queried") << 0;
        QTest::newRow("last query found none") << 1;
        QTest::newRow("card beyond the file's count") << 2;
        QTest::newRow("a mapping job runs") << 3;
    }
    void recovery_refused()
    {
        QFETCH(int, why);
        if (why == 2)
            recoverysupport::put_recovery_file(recoverysupport::recovery_bytes({{{0, 6}, {1, 6}, {2, 4}}}));
        run([&](rcv_recovery* s) {
            for (int query = 0; query < (why == 1 ? 2 : why ? 1 : 0); ++query) {
                release(s, 'Q');
                run_job();
                if (why == 1) // the second query finds none
                    SimCards::instance()->set_port(2, 6, cardwire::NoCard);
            }
            QCOMPARE(s->blocked(), why == 2);
            if (why == 3)
                g_send_para.post(JobCure);
            keys(s, "RQ");
            QVERIFY(!g_qround_bar);
            QCOMPARE(int(g_send_para.job()), why == 3 ? int(JobCure) : 0);
            // With nothing found the focus goes back to Query.
            QCOMPARE(int(s->focus_index()), why <= 1 ? 0 : 1);
            QCOMPARE(SimCards::instance()->received(2, cardwire::Recover), 0);
            g_send_para.clear();
        });
    }

    void list_rows_pages_and_bad_entries()
    {
        run([](rcv_recovery* s) {
            s->set_entries({"01/01/01/04", "01/02/02/04", "01/03", "01/04/04/04", "02/01/05/04"});
            QVERIFY(s->row_label(0) && s->row_label(1) && !s->row_label(2) && s->row_label(3));
            s->next_button()->click();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(s->row_label(0) && !s->row_label(1) && !s->next_button());
            QVERIFY(s->blocked()); // 05 beyond 04
            s->row_button(0)->click();
            // A shorter list: the page is clamped, rows only for real entries.
            s->set_entries({"01/01/01/04"});
            QCOMPARE(s->page(), 0);
            QVERIFY(s->row_label(0) && !s->row_label(1));
            QCOMPARE(s->findChildren<QFrame*>("frame_file").size(), 1);
        });
    }
};

QTEST_MAIN(TstMappingRcvRecovery)
#include "tst_mapping_rcvrecovery.moc"
