// The mapping wizard: number entry clamped, the mapping record sent under the progress
// wheel, refusals before and while a job runs; Load scan's list and choice, the stick,
// curing and the mapping switch on the simulated cards.
#include "recoverysupport.h"
#include "shellsupport.h"

#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/packed_file.h"
#include "sim/sim_cards.h"
#include "sim/sim_device.h"
#include "ui/mapping/smartmapping.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>

using namespace shellsupport; // keys(): R right, S left, Q OK, O back, M mode

namespace {
void flush()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

template <class T> T* child(QWidget* w, const char* name) { return w->findChild<T*>(QString::fromLatin1(name)); }

QByteArray scan_file(int records)
{
    packed::Card card;
    for (int i = 0; i < records; ++i)
        card.records << QByteArray(16, char('a' + i));
    packed::File f;
    f.screens = {packed::Screen{{packed::Port{0, {card}}}}};
    return packed::write(f);
}

// The FPGA side with both FPGAs running (no thread: the test runs its passes).
void start_fpgas()
{
    fpga_manage* f = fpga_manage::pInstance();
    for (int i = 0; i < 200 && !f->get_fpga_status(); ++i)
        f->run_pass();
    QVERIFY(f->get_fpga_status());
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
        QMutexLocker lock(&Utils::_file_deal_mutex);
        g_wzfile_name.clear();
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

    // The mapping record as the cards of the port receive it, the pad's values clamped to
    // their fields; Send is taken again as soon as the wheel closed.
    void send_writes_the_record_then_the_job_under_a_wheel()
    {
        start_fpgas();
        SmartMapping* s = open_wizard();
        keys(s, "QRRQQRQRRRRQ"); // port 1 (LED2), on to step 3: rows
        pad_type(s, "300");
        keys(s, "RRR"); // horizontal offset
        pad_type(s, "99999999999999999999999");
        child<QLineEdit>(s, "lineEdit_column")->setText("3");
        child<QLineEdit>(s, "lineEdit_vert")->setText("8");
        keys(s, "RRRQ"); // Send
        QVERIFY(g_qround_bar);
        QVERIFY(run_job());
        QVERIFY(!g_qround_bar);
        // 128 x 96, offsets 65535/8, 255 x 3, route 1.
        QCOMPARE(SimCards::instance()->mapping(1).left(11), QByteArray::fromHex("80006000FFFF0800FF0301"));
        keys(s, "Q");
        QVERIFY(g_qround_bar);
        QVERIFY(run_job());
    }

    // A post the FPGA side refuses leaves no wheel and no job, from Send and from the
    // menu's Mapping switch.
    void send_refusals_data()
    {
        QTest::addColumn<bool>("fpgaSide"); QTest::addColumn<uint>("upgrade");
        QTest::newRow("no FPGA side") << false << 0u;
        QTest::newRow("upgrade running") << true << 1u;
    }
    void send_refusals()
    {
        QFETCH(bool, fpgaSide); QFETCH(uint, upgrade);
        if (fpgaSide)
            start_fpgas();
        g_usb_grade = upgrade;
        SmartMapping* s = open_wizard();
        keys(s, "QRRQRRRRQRRRRRRQ");
        QVERIFY(!g_qround_bar);
        keys(s, "OOOOSQQ");
        QVERIFY(!g_qround_bar);
        QCOMPARE(g_send_para.word.load(), uint16_t(0));
        QCOMPARE(reg0(0) & 0x80, 0);
        g_usb_grade = 0;
    }

    // While a job runs no key changes the page and back leaves nothing.
    void refusals_while_a_job_runs()
    {
        start_fpgas();
        SmartMapping* s = open_wizard();
        keys(s, "QRRQRRRRQRRRRRRQ");
        keys(s, "OSQRQ");
        s->back();
        flush();
        QCOMPARE((QList<int>{s->page_index(), s->step()}), (QList<int>{2, 2}));
        QCOMPARE(g_smartmapping.get(), s);
        QVERIFY(run_job());
        keys(s, "O");
        QCOMPARE(s->page_index(), 1);
    }

    // ---- Load scan ----

    // The device's *.wzfile, then the stick's, never a link (it could name any file of the
    // device), names as plain text. The choice is a path: paging keeps it, a rebuild keeps
    // it while listed.
    void list_and_choice()
    {
        for (const char* n : {"a", "b", "c", "d"})
            testsupport::put_file(QString("/data/smartmapping/%1.wzfile").arg(n), scan_file(1));
        testsupport::put_file("/data/smartmapping/notes.txt", "x");
        testsupport::put_file("/mnt/usb1/<b>s2.wzfile", scan_file(1));
        QVERIFY(QFile::link(platform::dev_path("/data/smartmapping/a.wzfile"), platform::dev_path("/mnt/usb1/link.wzfile")));
        SmartMapping* s = open_wizard();
        keys(s, "RQRRRQ"); // Load scan, Next
        QCOMPARE((QList<int>{s->listed_files(), s->device_files()}), (QList<int>{5, 4}));
        QVERIFY(SmartMapping::chosen_file().isEmpty()); // building the list chooses nothing
        keys(s, "RQ");
        const QString chosen = SmartMapping::chosen_file();
        keys(s, "ORRR"); // page 1: the stick's file
        QCOMPARE(s->list_page(), 1);
        QCOMPARE(s->file_label(1)->text(), QStringLiteral("<b>s2.wzfile"));
        QCOMPARE(s->file_label(1)->textFormat(), Qt::PlainText);
        keys(s, "SSOQ"); // page 0, then the list rebuilt
        QCOMPARE(SmartMapping::chosen_file(), chosen);
        QFile::remove(platform::dev_path(chosen));
        keys(s, "OQ");
        QVERIFY(SmartMapping::chosen_file().isEmpty());
        // Load takes a chosen file only.
        start_fpgas();
        s->on_Button_load_clicked();
        QVERIFY(!g_qround_bar);
        keys(s, "QQ"); // choose the first, Load
        QCOMPARE(g_send_para.job(), uint8_t(JobScanFile));
        QVERIFY(run_job());
    }

    void many_files_are_capped_never_wrapped()
    {
        for (int i = 0; i < 256; ++i)
            testsupport::put_file(QString("/mnt/usb1/f%1.wzfile").arg(i), "x");
        SmartMapping* s = open_wizard();
        QCOMPARE(s->scan_files_found(), 100);
        s->on_Button_loadscan_clicked();
        s->on_Button_next_5_clicked();
        QCOMPARE(s->listed_files(), 100);
    }

    // Curing posts its job; the mapping switch sets bit 7 of both FPGAs with its job.
    void curing_and_the_mapping_switch()
    {
        start_fpgas();
        SmartMapping* s = open_wizard();
        keys(s, "SSQQ"); // Curing parameter
        QCOMPARE(g_send_para.job(), uint8_t(JobCure));
        QVERIFY(run_job());
        keys(s, "ORQQ"); // Mapping: on
        QCOMPARE((QList<int>{g_send_para.job(), int(g_send_para.value.load())}), (QList<int>{JobMapSwitch, 9}));
        QVERIFY(run_job());
        QCOMPARE((QList<int>{reg0(0) & 0x80, reg0(1) & 0x80}), (QList<int>{0x80, 0x80}));
        keys(s, "Q"); // and off
        QVERIFY(run_job());
        QCOMPARE((QList<int>{reg0(0) & 0x80, reg0(1) & 0x80}), (QList<int>{0, 0}));
    }

    // Stick events rebuild the list only while it is in front, and after a running job.
    void stick_events_rebuild_only_the_list_in_front()
    {
        testsupport::put_file("/data/smartmapping/a.wzfile", scan_file(1));
        testsupport::put_file("/mnt/usb1/s.wzfile", scan_file(1));
        SmartMapping* s = open_wizard();
        keys(s, "RQRRRQO"); // the list built, back on the step before
        testsupport::put_file("/mnt/usb1/t.wzfile", scan_file(1));
        s->refresh(kit::Refresh::StickMounted);
        QCOMPARE((QList<int>{s->listed_files(), s->page_index()}), (QList<int>{2, 4}));
        keys(s, "Q");
        QCOMPARE(s->listed_files(), 3);
        start_fpgas();
        keys(s, "QQ"); // choose a.wzfile, Load
        QVERIFY(g_qround_bar);
        for (const char* n : {"/mnt/usb1/s.wzfile", "/mnt/usb1/t.wzfile"})
            QFile::remove(platform::dev_path(n));
        s->refresh(kit::Refresh::StickRemoved);
        QCOMPARE(s->listed_files(), 3);
        QVERIFY(run_job());
        flush(); // the rebuild queued behind the job's end
        QCOMPARE(s->listed_files(), 1);
        QCOMPARE(SmartMapping::chosen_file(), QString("/data/smartmapping/a.wzfile"));
    }
};

QTEST_MAIN(TstMappingSmartMapping)
#include "tst_mapping_smartmapping.moc"
