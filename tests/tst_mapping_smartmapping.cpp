// The mapping wizard: menu and page walks, number entry with clamping, the mapping record,
// Send under the progress wheel, refusals while a job runs; Load scan with
// its lists and the stick, curing and the mapping switch on the simulated cards.
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

#include <QDir>
#include <QFile>
#include <QFrame>
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
        G_timeTicks = 100000; // no PC command lately: jobs run at once
        pc_cmd_valid = 0;
        pc_cmd_time = 0;
        g_usb_grade = 0;
        g_send_para.clear();
        sim::SimFpga::boot_ms = 0;
        sim::install();
        sim::restore_all();
        SimCards::instance()->restore();
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

    void menu_walk_data()
    {
        QTest::addColumn<bool>("scanFiles"); QTest::addColumn<QString>("moves");
        QTest::addColumn<QList<int>>("menus"); QTest::addColumn<QList<int>>("pages");
        QTest::newRow("with scan files") << true << "RRRR" << QList<int>{1, 2, 3, 0} << QList<int>{4, 6, 7, 0};
        QTest::newRow("no scan file: skipped") << false << "RRR" << QList<int>{2, 3, 0} << QList<int>{6, 7, 0};
        QTest::newRow("left skips too") << false << "SSS" << QList<int>{3, 2, 0} << QList<int>{7, 6, 0};
    }
    void menu_walk()
    {
        QFETCH(bool, scanFiles); QFETCH(QString, moves); QFETCH(QList<int>, menus); QFETCH(QList<int>, pages);
        if (scanFiles)
            testsupport::put_file("/data/smartmapping/a.wzfile", scan_file(1));
        line_type.port = 7;
        line_type.route = 9;
        SmartMapping* s = open_wizard(); // on the menu, step 1 reset
        QCOMPARE((QList<int>{s->menu(), s->entered(), s->page_index(), line_type.port, line_type.route}),
                 (QList<int>{0, 0, 0, 0, 1}));
        QCOMPARE(g_smartmapping.get(), s);
        QCOMPARE(s->scan_files_found(), scanFiles ? 1 : 0);
        for (int i = 0; i < moves.size(); ++i) {
            release(s, moves[i].toLatin1());
            QCOMPARE(s->menu(), menus[i]);
            QCOMPARE(s->page_index(), pages[i]);
            QVERIFY(!s->entered()); // the menu only previews
        }
    }

    void debugging_screen_walk()
    {
        SmartMapping* s = open_wizard();
        keys(s, "Q");
        QVERIFY(s->entered());
        QCOMPARE(s->step(), 0);
        keys(s, "RRQ"); // Next
        QCOMPARE((QList<int>{s->page_index(), s->step(), line_type.cabinet_w, line_type.cabinet_h}),
                 (QList<int>{1, 1, 128, 96}));
        keys(s, "RRQ"); // into the grid of group 3 (LED17-20): port 16
        QCOMPARE(int(line_type.port.load()), 16);
        keys(s, "SS"); // wraps inside the four cells: LED20, LED19
        QCOMPARE(int(line_type.port.load()), 18);
        keys(s, "O"); // back out of the grid: the port held before
        QCOMPARE(int(line_type.port.load()), 0);
        keys(s, "QRRQ"); // group 3 again, LED19 confirmed
        QCOMPARE(int(line_type.port.load()), 18);
        keys(s, "RRQ"); // Next
        QCOMPARE((QList<int>{s->page_index(), s->step()}), (QList<int>{2, 2}));
        keys(s, "RRQ"); // route picker, on the current route
        QCOMPARE(s->page_index(), 3);
        keys(s, "RRQ"); // route 3
        QCOMPARE((QList<int>{s->page_index(), line_type.route}), (QList<int>{2, 3}));
        for (int back : {1, 0}) {
            keys(s, "O");
            QCOMPARE(s->page_index(), back);
        }
        keys(s, "OO");
        flush();
        QVERIFY(!g_smartmapping);
        QCOMPARE(int(g_page_focus), int(page::Option));
    }

    void pad_values_are_clamped_to_their_field_data()
    {
        QTest::addColumn<QString>("moves"); // to the field on step 3
        QTest::addColumn<QString>("field"); QTest::addColumn<QString>("typed"); QTest::addColumn<QString>("shown");
        QTest::newRow("300 rows") << "" << "lineEdit_line" << "300" << "255";
        QTest::newRow("empty columns") << "R" << "lineEdit_column" << "" << "0";
        QTest::newRow("leading zeros") << "R" << "lineEdit_column" << "007" << "7";
        QTest::newRow("huge offset") << "RRR" << "lineEdit_horzion" << "99999999999999999999999" << "65535";
        QTest::newRow("offset") << "RRRR" << "lineEdit_vert" << "70000" << "65535";
    }
    void pad_values_are_clamped_to_their_field()
    {
        QFETCH(QString, moves); QFETCH(QString, field); QFETCH(QString, typed); QFETCH(QString, shown);
        SmartMapping* s = open_wizard();
        keys(s, "QRRQRRRRQ"); // step 3
        keys(s, moves.toLatin1().constData());
        QTimer::singleShot(0, [typed] {
            emit g_numberkeyboard->sendKeyBoardUIDataToLineEdit(typed);
            g_numberkeyboard->hide();
        });
        keys(s, "Q");
        QCOMPARE(child<QLineEdit>(s, field.toLatin1().constData())->text(), shown);
    }

    void send_writes_the_record_then_the_job_under_a_wheel()
    {
        start_fpgas();
        SmartMapping* s = open_wizard();
        keys(s, "QRRQQRQRRRRQ"); // port 1 (LED2), on to step 3
        for (auto [name, v] : {std::pair{"lineEdit_line", "2"}, {"lineEdit_column", "3"}, {"lineEdit_horzion", "16"},
                               {"lineEdit_vert", "8"}})
            child<QLineEdit>(s, name)->setText(v);
        keys(s, "RRRRRRQ"); // Send
        QVERIFY(g_qround_bar);
        QCOMPARE(g_send_para.word.load(), uint16_t(JobMapping));
        const LINE_VALUES v = line_type.snapshot();
        QCOMPARE(QList<int>({v.cabinet_w, v.cabinet_h, v.offset_x, v.offset_y, v.port, v.rows, v.cols, v.route}),
                 QList<int>({128, 96, 16, 8, 1, 2, 3, 1}));
        QVERIFY(run_job());
        QVERIFY(!g_qround_bar); // 100 closed it
        // The cards of port 1 hold the mapping: 128 x 96, offsets 16/8, 2 x 3, route 1.
        QCOMPARE(SimCards::instance()->mapping(1).left(11), QByteArray::fromHex("800060001000080002030" "1"));
        // Right after the wheel closed, Send is taken again.
        keys(s, "Q");
        QVERIFY(g_qround_bar);
        QVERIFY(run_job());
    }

    // The wheel comes first and goes with the job's end; a post the FPGA side refuses
    // leaves no wheel and no job.
    void send_outcomes_data()
    {
        QTest::addColumn<int>("setup"); // 0 FPGAs powered off, 1 no FPGA side, 2 stick upgrade runs
        QTest::addColumn<bool>("wheel");
        QTest::newRow("job ends at once") << 0 << true;
        QTest::newRow("no FPGA side") << 1 << false;
        QTest::newRow("upgrade running") << 2 << false;
    }
    void send_outcomes()
    {
        QFETCH(int, setup); QFETCH(bool, wheel);
        if (setup != 1)
            start_fpgas();
        for (int f = 0; f < 2 && setup == 0; ++f)
            sim::fpga(f).set_power(false);
        g_usb_grade = setup == 2 ? 1 : 0;
        SmartMapping* s = open_wizard();
        keys(s, "QRRQRRRRQRRRRRRQ");
        QCOMPARE(bool(g_qround_bar), wheel);
        if (wheel) {
            QVERIFY(run_job()); // not running: the job ends with 100 on its first pass
            QVERIFY(!g_qround_bar);
        }
        QCOMPARE(g_send_para.job(), uint8_t(0));
        if (setup == 1) {
            keys(s, "OOOOSQQ"); // the menu's Mapping switch: refused too
            QVERIFY(!g_qround_bar);
            QCOMPARE(g_send_para.word.load(), uint16_t(0));
        }
        g_usb_grade = 0;
    }

    void refusals_while_a_job_runs()
    {
        start_fpgas();
        SmartMapping* s = open_wizard();
        keys(s, "QRRQRRRRQRRRRRRQ");
        QVERIFY(g_qround_bar);
        // Back on step 3, Previous, Send again, the mode key: nothing moves.
        keys(s, "OSQRQ");
        QCOMPARE((QList<int>{s->page_index(), s->step()}), (QList<int>{2, 2}));
        QCOMPARE(g_send_para.word.load(), uint16_t(JobMapping));
        keys(s, "M");
        flush();
        QCOMPARE(g_smartmapping.get(), s);
        QVERIFY(!g_custommode);
        s->back();
        flush();
        QCOMPARE(g_smartmapping.get(), s);
        // The job ends: everything works again.
        QVERIFY(run_job());
        keys(s, "O");
        QCOMPARE((QList<int>{s->page_index(), s->step()}), (QList<int>{1, 1}));
    }

    // ---- Load scan ----

    void lists_device_then_stick_files_three_a_page()
    {
        for (const char* n : {"a", "b", "c", "d"})
            testsupport::put_file(QString("/data/smartmapping/%1.wzfile").arg(n), scan_file(1));
        testsupport::put_file("/data/smartmapping/notes.txt", "x");
        testsupport::put_file("/mnt/usb1/s1.wzfile", scan_file(1));
        testsupport::put_file("/mnt/usb1/<b>s2.wzfile", scan_file(1));
        // A link on the stick is never listed: it could name any file of the device.
        QVERIFY(QFile::link(platform::dev_path("/data/smartmapping/a.wzfile"), platform::dev_path("/mnt/usb1/link.wzfile")));
        SmartMapping* s = open_wizard();
        QCOMPARE(s->scan_files_found(), 4); // the device's, *.wzfile only
        keys(s, "RQRRRQ"); // Load scan, Next
        QCOMPARE((QList<int>{s->page_index(), s->listed_files(), s->device_files(), s->list_page()}),
                 (QList<int>{5, 6, 4, 0}));
        // The entries walk on to page 1 (the stick's files); past the end back to page 0.
        keys(s, "RRR");
        QCOMPARE(s->list_page(), 1);
        QVERIFY(QStringList({s->file_label(1)->text(), s->file_label(2)->text()}).contains("<b>s2.wzfile"));
        QCOMPARE(s->file_label(1)->textFormat(), Qt::PlainText); // shown as it is named, never as markup
        keys(s, "RRRS"); // past the end back to page 0; left on its first entry stays
        QCOMPARE(s->list_page(), 0);
        // A touch on the arrow redraws the frame the arrow sits in.
        QPushButton* next = nullptr;
        for (QPushButton* b : s->findChild<QFrame*>("frame_file")->findChildren<QPushButton*>())
            if (b->property("png").toString().endsWith("next.png"))
                next = b;
        QVERIFY(next);
        next->click();
        flush();
        QCOMPARE(s->list_page(), 1);
        QCOMPARE(s->findChildren<QFrame*>("frame_file").size(), 1);
    }

    void the_choice_is_a_path_paging_never_changes()
    {
        for (const char* n : {"a", "b", "c", "d"})
            testsupport::put_file(QString("/data/smartmapping/%1.wzfile").arg(n), scan_file(1));
        SmartMapping* s = open_wizard();
        keys(s, "RQRRRQ");
        QVERIFY(SmartMapping::chosen_file().isEmpty()); // building the list chooses nothing
        keys(s, "RQ"); // the second entry, chosen
        const QString chosen = SmartMapping::chosen_file();
        QVERIFY(chosen.startsWith("/data/smartmapping/"));
        keys(s, "ORRR"); // back to the entries, on to page 1 and back to page 0
        keys(s, "SS");
        QCOMPARE(s->list_page(), 0);
        QCOMPARE(SmartMapping::chosen_file(), chosen);
        // A rebuild keeps a choice still listed, and drops one that went.
        keys(s, "OQ");
        QCOMPARE(SmartMapping::chosen_file(), chosen);
        QFile::remove(platform::dev_path(chosen));
        keys(s, "OQ");
        QVERIFY(SmartMapping::chosen_file().isEmpty());
    }

    // No file: the note alone and Load does nothing; many: the lister's limit, never wrapped.
    void file_counts_data()
    {
        QTest::addColumn<int>("stickFiles"); QTest::addColumn<int>("listed");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("256 on the stick") << 256 << 100;
    }
    void file_counts()
    {
        QFETCH(int, stickFiles); QFETCH(int, listed);
        QDir().mkpath(platform::dev_path("/data/smartmapping"));
        testsupport::put_file("/mnt/usb1/x.txt", "x");
        for (int i = 0; i < stickFiles; ++i)
            testsupport::put_file(QString("/mnt/usb1/f%1.wzfile").arg(i), "x");
        SmartMapping* s = open_wizard();
        QCOMPARE(s->scan_files_found(), listed);
        s->on_Button_loadscan_clicked();
        s->on_Button_next_5_clicked();
        QCOMPARE(s->listed_files(), listed);
        if (listed)
            return;
        QCOMPARE(s->findChild<QFrame*>("frame_file")->findChildren<QLabel*>().size(), 1); // the note only
        s->on_Button_load_clicked();
        QVERIFY(!g_qround_bar);
    }

    void load_scan_job_data()
    {
        QTest::addColumn<QByteArray>("file");   // empty: no file chosen
        QTest::addColumn<bool>("posted"); QTest::addColumn<int>("records");
        QTest::newRow("scan file") << scan_file(3) << true << 3;
        QTest::newRow("no file") << QByteArray() << false << 0;
    }
    void load_scan_job()
    {
        QFETCH(QByteArray, file); QFETCH(bool, posted); QFETCH(int, records);
        start_fpgas();
        testsupport::put_file("/data/smartmapping/a.wzfile", file.isEmpty() ? scan_file(1) : file);
        SmartMapping* s = open_wizard();
        keys(s, "RQRRRQ");
        if (!file.isEmpty())
            keys(s, "Q"); // choose the entry: the keys move to Load
        keys(s, "Q"); // Load
        QCOMPARE(bool(g_qround_bar), posted);
        if (!posted)
            return;
        QCOMPARE(g_send_para.job(), uint8_t(JobScanFile));
        // While the wheel exists the choice and the page stay.
        keys(s, "OO");
        QCOMPARE(s->page_index(), 5);
        QVERIFY(run_job());
        QVERIFY(!g_qround_bar);
        QCOMPARE(SimCards::instance()->received(0, cardwire::ScanRecord), records);
    }

    void curing_and_the_mapping_switch()
    {
        start_fpgas();
        SmartMapping* s = open_wizard();
        keys(s, "SSQ"); // Curing parameter, entered
        keys(s, "Q");
        QCOMPARE(g_send_para.job(), uint8_t(JobCure));
        keys(s, "ORR"); // back on the menu; no move while the job runs
        QCOMPARE((QList<int>{s->menu(), s->page_index()}), (QList<int>{2, 6}));
        QVERIFY(run_job());
        QCOMPARE(SimCards::instance()->received(0, cardwire::Cure), 1);

        keys(s, "RQQ"); // Mapping: on
        QCOMPARE(g_send_para.value.load(), 9u);
        QVERIFY(run_job());
        QCOMPARE((QList<int>{reg0(0) & 0x80, reg0(1) & 0x80}), (QList<int>{0x80, 0x80}));
        QCOMPARE(SimCards::instance()->last_reg_value(0), 9);
        keys(s, "Q"); // and off
        QVERIFY(run_job());
        QCOMPARE((QList<int>{reg0(0) & 0x80, reg0(1) & 0x80}), (QList<int>{0, 0}));
        QCOMPARE(SimCards::instance()->last_reg_value(10), 0);
        // With a job pending the switch writes nothing to the FPGAs.
        g_usb_grade = 1;
        keys(s, "Q");
        QCOMPARE(reg0(0) & 0x80, 0);
        QVERIFY(!g_qround_bar);
        g_usb_grade = 0;
    }

    void stick_events_rebuild_only_the_list_in_front()
    {
        testsupport::put_file("/data/smartmapping/a.wzfile", scan_file(1));
        testsupport::put_file("/mnt/usb1/s.wzfile", scan_file(1));
        SmartMapping* s = open_wizard();
        keys(s, "RQRRRQ");
        QCOMPARE(s->listed_files(), 2);
        QFile::remove(platform::dev_path("/mnt/usb1/s.wzfile"));
        s->refresh(kit::Refresh::StickRemoved);
        QCOMPARE((QList<int>{s->listed_files(), s->page_index()}), (QList<int>{1, 5}));
        // Not in front: nothing jumps; the next Next builds it afresh.
        keys(s, "O");
        QCOMPARE(s->page_index(), 4);
        testsupport::put_file("/mnt/usb1/t.wzfile", scan_file(1));
        s->refresh(kit::Refresh::StickMounted);
        QCOMPARE((QList<int>{s->listed_files(), s->page_index()}), (QList<int>{1, 4}));
        keys(s, "Q");
        QCOMPARE(s->listed_files(), 2);
        // While a job runs the list waits for its end.
        start_fpgas();
        keys(s, "QQ"); // choose a.wzfile, Load
        QVERIFY(g_qround_bar);
        QFile::remove(platform::dev_path("/mnt/usb1/t.wzfile"));
        s->refresh(kit::Refresh::StickRemoved);
        QCOMPARE(s->listed_files(), 2);
        QVERIFY(run_job());
        flush();
        QCOMPARE(s->listed_files(), 1);
        QCOMPARE(SmartMapping::chosen_file(), QString("/data/smartmapping/a.wzfile"));
    }
};

QTEST_MAIN(TstMappingSmartMapping)
#include "tst_mapping_smartmapping.moc"
