// The mapping wizard and the card-recovery screen, their jobs run on the simulated cards.
#include "recoverysupport.h"
#include "shellsupport.h"

#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/packed_file.h"
#include "sim/sim_cards.h"
#include "sim/sim_device.h"
#include "ui/mapping/rcv_recovery.h"
#include "ui/mapping/smartmapping.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using namespace shellsupport; // keys(): R right, S left, Q OK, O back, M mode

namespace {
void flush()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QByteArray scan_file()
{
    packed::Card card;
    card.records << QByteArray(16, 'a');
    packed::File f;
    f.screens = {packed::Screen{{packed::Port{0, {card}}}}};
    return packed::write(f);
}

// Types `value` on the pad that OK opens on the focused field.
void pad_type(QWidget* s, const QString& value)
{
    QTimer::singleShot(0, [value] {
        emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(value);
        g_numberkeyboard->hide();
    });
    release(s, 'Q');
}

// Register 0 of a simulated FPGA as it is now.
int reg0(int fpga)
{
    uint8_t v = 0;
    return sim::fpga(fpga).read_reg(0, &v) ? v : -1;
}

// Runs the posted card job to its end, one pass a tick, and delivers its reports.
bool run_job()
{
    for (int i = 0; i < 5000; ++i) {
        fpga_manage::p_fpga_manage->run_card_job_step();
        G_timeTicks += 1;
        if (g_send_para.word.load() == 0) {
            flush();
            return true;
        }
    }
    return false;
}

void run_recovery(const std::function<void(rcv_recovery*)>& body) { run_screen<rcv_recovery>(page::rcv_recovery, body); }
} // namespace

class TstMappingSmartMapping : public QObject
{
    Q_OBJECT

    SmartMapping* open_wizard()
    {
        auto* s = new SmartMapping(nullptr);
        g_page_focus = page::SmartMapping;
        s->show();
        return s;
    }

private slots:
    void initTestCase() { connect_panel_requests(); }
    void init()
    {
        fpga_manage::destroy_for_test();
        fresh_panel();
        sim::SimFpga::boot_ms = 0;
        sim::install();
        sim::restore_all();
        recoverysupport::idle_cards(); // jobs run at once
        recoverysupport::put_recovery_file();
        {
            QMutexLocker lock(&Utils::_file_deal_mutex);
            g_wzfile_name.clear();
        }
        // The FPGA side with both FPGAs running (no thread: the tests run its passes).
        fpga_manage* f = fpga_manage::pInstance();
        for (int i = 0; i < 200 && !f->get_fpga_status(); ++i)
            f->run_pass();
        QVERIFY(f->get_fpga_status());
    }
    void cleanup()
    {
        for (int p = 0; p < page::Count; ++p)
            if (p != page::MainWindow)
                kit::close_page(uint8_t(p));
        delete g_qround_bar;
        g_qround_bar = nullptr;
        flush();
        fpga_manage::destroy_for_test();
    }

    // The record the cards receive, pad values clamped; keys held while the job runs.
    void send_writes_the_record_then_the_job_under_a_wheel()
    {
        SmartMapping* s = open_wizard();
        keys(s, "QRRQQRQRRRRQ"); // port 1 (LED2), on to step 3: rows
        pad_type(s, "300");
        keys(s, "RRR"); // horizontal offset
        pad_type(s, "99999999999999999999999");
        s->findChild<QLineEdit*>("lineEdit_column")->setText("3");
        s->findChild<QLineEdit*>("lineEdit_vert")->setText("8");
        keys(s, "RRRQ"); // Send
        QVERIFY(g_qround_bar);
        QCOMPARE(g_send_para.word.load(), uint16_t(JobMapping)); // the job at its first step
        keys(s, "OSQRQ");
        s->back();
        flush();
        QCOMPARE((QList<int>{s->page_index(), s->step()}), (QList<int>{2, 2}));
        QVERIFY(run_job());
        // 128 x 96, offsets 65535/8, 255 x 3, route 1.
        QCOMPARE(SimCards::instance()->mapping(1).left(11), QByteArray::fromHex("80006000FFFF0800FF0301"));
        keys(s, "Q");
        QCOMPARE(g_send_para.word.load(), uint16_t(JobMapping));
        QVERIFY(run_job());
    }

    // A refused post leaves no wheel and no job, from Send and from the Mapping switch.
    void send_refusals_data()
    {
        QTest::addColumn<bool>("fpgaSide"); QTest::addColumn<uint>("upgrade");
        QTest::newRow("no FPGA side") << false << 0u;
        QTest::newRow("upgrade running") << true << 1u;
    }
    void send_refusals()
    {
        QFETCH(bool, fpgaSide); QFETCH(uint, upgrade);
        if (!fpgaSide)
            fpga_manage::destroy_for_test();
        g_usb_grade = upgrade;
        SmartMapping* s = open_wizard();
        keys(s, "QRRQRRRRQRRRRRRQ"); // Send, then back to the menu's Mapping switch
        keys(s, "OOOOSQQ");
        QVERIFY(!g_qround_bar);
        QCOMPARE(g_send_para.word.load(), uint16_t(0));
        QCOMPARE(reg0(0) & 0x80, 0);
        g_usb_grade = 0;
    }

    // ---- Load scan ----

    // No links (they could name any device file), plain-text names, the choice kept as a path;
    // stick events rebuild only the list in front, and only after a running job.
    void list_choice_and_stick_events()
    {
        for (const char* n : {"a", "b", "c", "d"})
            testsupport::put_file(QString("/data/smartmapping/%1.wzfile").arg(n), scan_file());
        testsupport::put_file("/data/smartmapping/notes.txt", "x");
        testsupport::put_file("/mnt/usb1/<b>s2.wzfile", scan_file());
        QVERIFY(QFile::link(platform::dev_path("/data/smartmapping/a.wzfile"), platform::dev_path("/mnt/usb1/link.wzfile")));
        SmartMapping* s = open_wizard();
        keys(s, "RQRRRQ"); // Load scan, Next
        QCOMPARE((QList<int>{s->listed_files(), s->device_files()}), (QList<int>{5, 4}));
        QVERIFY(SmartMapping::chosen_file().isEmpty()); // building the list chooses nothing
        keys(s, "RQ");
        const QString chosen = SmartMapping::chosen_file();
        keys(s, "ORRR"); // page 1: the stick's file
        QCOMPARE(s->file_label(1)->text(), QStringLiteral("<b>s2.wzfile"));
        QCOMPARE(s->file_label(1)->textFormat(), Qt::PlainText);
        keys(s, "SSOQ"); // page 0, then the list rebuilt
        QCOMPARE(SmartMapping::chosen_file(), chosen);
        QFile::remove(platform::dev_path(chosen));
        keys(s, "OQ");
        QVERIFY(SmartMapping::chosen_file().isEmpty());
        s->on_Button_load_clicked(); // Load takes a chosen file only
        QVERIFY(!g_qround_bar);
        // Stick events rebuild the list only while it is in front, and after a running job.
        keys(s, "O");
        testsupport::put_file("/mnt/usb1/t.wzfile", scan_file());
        s->refresh(kit::Refresh::StickMounted);
        QCOMPARE((QList<int>{s->listed_files(), s->page_index()}), (QList<int>{4, 4}));
        keys(s, "QQQ"); // the list, a file chosen, Load: a job runs
        QCOMPARE(s->listed_files(), 5);
        for (const char* n : {"/mnt/usb1/<b>s2.wzfile", "/mnt/usb1/t.wzfile", "/mnt/usb1/link.wzfile"})
            QFile::remove(platform::dev_path(n));
        s->refresh(kit::Refresh::StickRemoved);
        QCOMPARE(s->listed_files(), 5);
        QVERIFY(run_job());
        flush(); // the rebuild queued behind the job's end
        QCOMPARE(s->listed_files(), 3);
    }

    void many_files_are_capped_never_wrapped()
    {
        for (int i = 0; i < 256; ++i)
            testsupport::put_file(QString("/mnt/usb1/f%1.wzfile").arg(i), "x");
        SmartMapping* s = open_wizard();
        QCOMPARE(s->scan_files_found(), 1); // the count stops at the first file
        s->on_Button_loadscan_clicked();
        s->on_Button_next_5_clicked();
        QCOMPARE(s->listed_files(), 100);
    }

    // Curing reaches every port with cards; the mapping switch reaches both FPGAs and the cards.
    void curing_and_the_mapping_switch()
    {
        SmartMapping* s = open_wizard();
        keys(s, "SSQQ"); // Curing parameter
        QVERIFY(run_job());
        for (int port : {0, 1, 2, 3, 8, 10, 11})
            QCOMPARE(SimCards::instance()->received(port, cardwire::Cure), int(port != 3));
        keys(s, "ORQQ"); // Mapping: on
        QVERIFY(run_job());
        QCOMPARE((QList<int>{reg0(0) & 0x80, reg0(1) & 0x80}), (QList<int>{0x80, 0x80}));
        for (int port : {0, 1, 2, 8, 10, 11})
            QCOMPARE(SimCards::instance()->last_reg_value(port), 9);
        keys(s, "Q"); // and off
        QVERIFY(run_job());
        QCOMPARE((QList<int>{reg0(0) & 0x80, reg0(1) & 0x80, SimCards::instance()->last_reg_value(10)}),
                 (QList<int>{0, 0, 0}));
    }

    // ---- the card-recovery screen ----

    // What a query finds, as the screen shows it, then the recovery of the card it found.
    void query_outcomes_data()
    {
        QTest::addColumn<bool>("fpgaSide"); QTest::addColumn<int>("cards"); // 0 one needs it, 1 none, 2 silent
        QTest::addColumn<QString>("shown");
        QTest::newRow("found") << true << 0 << "";
        QTest::newRow("none") << true << 1 << "No receiving cards that need to be updated!";
        QTest::newRow("no answer at all") << true << 2 << "Query failed!";
        QTest::newRow("no FPGA side") << false << 0 << "Query failed!";
    }
    void query_outcomes()
    {
        QFETCH(bool, fpgaSide); QFETCH(int, cards); QFETCH(QString, shown);
        if (cards == 1)
            SimCards::instance()->set_port(2, 6, cardwire::NoCard);
        SimCards::instance()->set_noreply(cards == 2);
        if (!fpgaSide)
            fpga_manage::destroy_for_test();
        const bool found = fpgaSide && cards == 0;
        QSignalSpy codes(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        run_recovery([&](rcv_recovery* s) {
            release(s, 'Q');
            QCOMPARE(bool(g_qround_bar), fpgaSide);
            if (fpgaSide)
                QVERIFY(run_job());
            QCOMPARE(s->entries(), found ? QStringList{"01/03/05/06"} : QStringList());
            QCOMPARE(s->note_label() ? s->note_label()->text() : QString(), shown);
            if (!found)
                return;
            // The recovery: keys do nothing under its wheel; it ends with code 99 and an empty list.
            keys(s, "RQRSOM");
            QCOMPARE((QList<int>{s->focus_index(), g_page_focus}), (QList<int>{1, int(page::rcv_recovery)}));
            QVERIFY(run_job());
            QVERIFY(testsupport::spy_ints(codes).contains(99));
            QVERIFY(s->entries().isEmpty());
        });
    }

    // No recovery after a query that found none, nor for a card beyond the file's count.
    void recovery_refused_data()
    {
        QTest::addColumn<bool>("noneFound");
        QTest::newRow("last query found none") << true;
        QTest::newRow("card beyond the file's count") << false;
    }
    void recovery_refused()
    {
        QFETCH(bool, noneFound);
        if (!noneFound)
            recoverysupport::put_recovery_file(recoverysupport::recovery_bytes({{{0, 6}, {1, 6}, {2, 4}}}));
        run_recovery([&](rcv_recovery* s) {
            release(s, 'Q');
            run_job();
            if (noneFound) {
                SimCards::instance()->set_port(2, 6, cardwire::NoCard);
                release(s, 'Q');
                run_job();
            }
            keys(s, "RQ");
            QCOMPARE((QList<int>{bool(g_qround_bar), s->focus_index(), SimCards::instance()->received(2, cardwire::Recover)}),
                     (QList<int>{0, noneFound ? 0 : 1, 0}));
        });
    }

    // A malformed entry gets no row; a shorter list keeps the page within it.
    void list_rows_and_bad_entries()
    {
        run_recovery([](rcv_recovery* s) {
            s->set_entries({"01/01/01/04", "01/02/02/04", "01/03", "01/04/04/04", "02/01/05/04"});
            QVERIFY(s->row_label(1) && !s->row_label(2));
            s->next_button()->click();
            QVERIFY(s->blocked()); // 05 beyond 04, on the page shown
            s->set_entries({"01/01/01/04"});
            QVERIFY(s->page() == 0 && s->row_label(0) && !s->row_label(1));
        });
    }
};

QTEST_MAIN(TstMappingSmartMapping)
#include "tst_mapping_smartmapping.moc"
