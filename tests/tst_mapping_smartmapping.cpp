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
#include "ui/mapping/smartmapping_styles.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextCodec>
#include <QTimer>
#include <QtTest>
#include <algorithm>

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

// Runs the posted card job until a port's cards have answered it, the job still running.
bool run_to_first_answer()
{
    g_send_para.reply_flag = 0;
    for (int i = 0; i < 50 && !g_send_para.reply_flag; ++i) {
        fpga_manage::p_fpga_manage->run_card_job_step();
        G_timeTicks += 1;
    }
    return g_send_para.reply_flag && g_send_para.job() != 0;
}

// The picture the mapping switch shows: "on", "off" or what else it holds.
QString switch_picture(SmartMapping* s)
{
    const QString png = s->findChild<QPushButton*>("Button_mapping_state")->property("png").toString();
    return png.endsWith("button_on.png") ? "on" : png.endsWith("button_off.png") ? "off" : png;
}

// Bit 7 of register 0 of both simulated FPGAs, running or not, as bits 0 and 1.
int mapping_bits()
{
    return (sim::fpga(0).peek_reg(0) & 0x80 ? 1 : 0) | (sim::fpga(1).peek_reg(0) & 0x80 ? 2 : 0);
}

void run_recovery(const std::function<void(rcv_recovery*)>& body) { run_screen<rcv_recovery>(page::rcv_recovery, body); }

// The port the grid shows marked, by its cell's text ("LED7"), "" when none, "several".
QString marked_port(SmartMapping* s)
{
    QStringList found;
    for (QFrame* f : s->findChildren<QFrame*>()) {
        if (!f->isVisible() || f->styleSheet() != QLatin1String(mapping_style::CellMarked))
            continue;
        for (QLabel* l : f->parentWidget()->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            if (l->text().startsWith("LED") && f->geometry().contains(l->geometry().center()))
                found << l->text();
    }
    return found.size() > 1 ? QStringLiteral("several") : found.value(0);
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

    // The switch reads "on" only when both FPGAs hold bit 7 and turns both the other way;
    // the cards get 9 or 0. A switch that fails, or cannot run with an FPGA down (known to
    // the FPGA side yet or not), leaves its picture and each FPGA's bit as they were.
    void mapping_switch_shows_and_sends_what_it_did_data()
    {
        QTest::addColumn<int>("before"); // bit 7 of FPGA 0 and 1 as bits 0 and 1
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("picture");
        QTest::addColumn<int>("sent");
        QTest::addColumn<QString>("shown");
        const QString down = "FPGA not running!";
        QTest::newRow("both on") << 3 << "" << "off" << 0 << "";
        QTest::newRow("both off") << 0 << "" << "on" << 9 << "";
        QTest::newRow("FPGA 0 alone on") << 1 << "" << "on" << 9 << "";
        QTest::newRow("FPGA 1 alone on") << 2 << "" << "on" << 9 << "";
        QTest::newRow("both on, cards silent") << 3 << "silent" << "on" << -1 << "No card answered!";
        QTest::newRow("FPGA 0 alone on, cards silent") << 1 << "silent" << "off" << -1 << "No card answered!";
        QTest::newRow("both on, FPGA 1 down") << 3 << "down 1" << "on" << -1 << down;
        QTest::newRow("both on, FPGA 1 down, not polled yet") << 3 << "down 1 unpolled" << "on" << -1 << down;
        QTest::newRow("both on, FPGA 0 down") << 3 << "down 0" << "on" << -1 << down;
        QTest::newRow("both off, FPGA 0 down, not polled yet") << 0 << "down 0 unpolled" << "off" << -1 << down;
    }
    void mapping_switch_shows_and_sends_what_it_did()
    {
        QFETCH(int, before); QFETCH(QString, fault); QFETCH(QString, picture);
        QFETCH(int, sent); QFETCH(QString, shown);
        for (int f = 0; f < 2; ++f)
            QVERIFY(sim::fpga(f).write_reg(0, (before >> f & 1) ? 0x80 : 0));
        SimCards::instance()->set_port_alive(SimCards::port_alive);
        SmartMapping* s = open_wizard();
        keys(s, "SQ"); // Mapping: the switch has the keys
        QCOMPARE(switch_picture(s), QString(before == 3 ? "on" : "off"));
        SimCards::instance()->set_noreply(fault == "silent");
        if (fault.startsWith("down")) {
            sim::fpga(fault[5].digitValue()).set_power(false);
            for (int i = 0; i < 50 && !fault.endsWith("unpolled") && fpga_manage::p_fpga_manage->get_fpga_status(); ++i)
                fpga_manage::p_fpga_manage->run_pass();
        }
        keys(s, "Q");
        if (g_qround_bar)
            QVERIFY(run_job());
        QVERIFY(!g_qround_bar);
        QCOMPARE(g_send_para.word.load(), uint16_t(0));
        QCOMPARE(switch_picture(s), picture);
        const int after = shown.isEmpty() ? (picture == "on" ? 3 : 0) : before;
        QCOMPARE(mapping_bits(), after);
        for (int port : {0, 1, 2, 8, 10, 11})
            QCOMPARE(SimCards::instance()->last_reg_value(port), sent);
        QCOMPARE(s->failure_label()->isVisible() ? s->failure_label()->text() : QString(), shown);
    }

    // A job stopped mid-way says what stopped it, asked when it stopped, in the panel's
    // language: an FPGA (the one its ports hang on), a port losing its link, silent cards.
    void failure_says_its_cause_in_the_shown_language_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("shown");
        QTest::newRow("load: FPGA stops, en") << 2 << "fpga 0" << 1 << "FPGA not running!";
        QTest::newRow("load: FPGA stops, ru") << 2 << "fpga 0" << 2 << "FPGA не работает!";
        QTest::newRow("load: port loses its link, en") << 2 << "link" << 1 << "Port without link!";
        QTest::newRow("load: port loses its link, ru") << 2 << "link" << 2 << "Порт без связи!";
        QTest::newRow("load: cards fall silent, ru") << 2 << "silent" << 2 << "Карты не ответили!";
        QTest::newRow("load: FPGA 1 stops, its ports not in the job") << 2 << "fpga 1" << 1 << "";
        QTest::newRow("curing: FPGA 1 stops, vn") << 3 << "fpga 1" << 3 << "FPGA không chạy!";
        QTest::newRow("send: FPGA stops, zh") << 1 << "fpga 0" << 0 << "FPGA未运行!";
    }
    void failure_says_its_cause_in_the_shown_language()
    {
        QFETCH(int, job); QFETCH(QString, fault); QFETCH(int, language); QFETCH(QString, shown);
        // LED1 and LED2 of a file loaded at LED2: ports 1 and 2, both on FPGA 0.
        testsupport::put_file("/data/smartmapping/a.wzfile", recoverysupport::recovery_bytes({{{0, 1}, {1, 1}}}, 1));
        {
            QMutexLocker lock(&Utils::_file_deal_mutex);
            g_wzfile_name = "/data/smartmapping/a.wzfile";
        }
        SimCards::instance()->set_port_alive(SimCards::port_alive); // frames as the FPGAs let them through
        g_language = uint8_t(language);
        SmartMapping* s = open_wizard();
        line_type.port = 1;
        s->findChild<QLineEdit*>("lineEdit_line")->setText("3");
        s->findChild<QLineEdit*>("lineEdit_column")->setText("4"); // more than LED2's six cards
        switch (job) {
        case 1: s->on_Button_send_clicked(); break;
        case 2: s->on_Button_load_clicked(); break;
        default: s->on_Button_confirm_clicked(); break;
        }
        QVERIFY(run_to_first_answer());
        if (fault.startsWith("fpga"))
            sim::fpga(fault[5].digitValue()).set_power(false);
        else if (fault == "link")
            sim::fpga(0).set_link(2, false);
        else
            SimCards::instance()->set_noreply(true);
        QVERIFY(run_job());
        QVERIFY(!g_qround_bar);
        QCOMPARE(s->failure_label()->isVisible() ? s->failure_label()->text() : QString(), shown);
    }

    // Each failure line's row holds each language in its own column: Simplified and
    // Traditional Chinese, plain English, Cyrillic Russian, Vietnamese in Latin letters.
    void failure_lines_are_written_in_their_language()
    {
        QTextCodec* big5 = QTextCodec::codecForName("Big5");
        QVERIFY(big5);
        auto count = [](const QString& t, uint from, uint to) {
            return int(std::count_if(t.begin(), t.end(), [&](QChar c) { return c.unicode() >= from && c.unicode() <= to; }));
        };
        for (Txt id : {Txt::smartmapping_failed_fpga, Txt::smartmapping_failed_no_answer, Txt::smartmapping_failed_no_link,
                       Txt::smartmapping_failed_file, Txt::smartmapping_failed_nothing, Txt::rcv_recovery_failed}) {
            QString t[5];
            for (int lang = 0; lang < 5; ++lang)
                t[lang] = QString::fromUtf8(yuq_text(id, lang));
            const QString row = QStringList(t, t + 5).join(" | ");
            auto cjk = [&](const QString& x) { return count(x, 0x4E00, 0x9FFF); };
            auto cyrillic = [&](const QString& x) { return count(x, 0x0400, 0x04FF); };
            auto latin = [&](const QString& x) { return count(x, 0x00C0, 0x024F) + count(x, 0x1E00, 0x1EFF); };
            // Simplified: some character Big5 lacks; Traditional: all of it in Big5.
            QVERIFY2(cjk(t[0]) > 0 && !big5->canEncode(t[0]), qPrintable(row));
            QVERIFY2(count(t[1], 0x80, 0xFFFF) == 0, qPrintable(row));
            QVERIFY2(cyrillic(t[2]) > 0 && cjk(t[2]) == 0 && latin(t[2]) == 0, qPrintable(row));
            QVERIFY2(latin(t[3]) > 0 && cjk(t[3]) == 0 && cyrillic(t[3]) == 0, qPrintable(row));
            QVERIFY2(cjk(t[4]) > 0 && big5->canEncode(t[4]), qPrintable(row));
        }
    }

    // In both grids the marked cell is the port the keys act on: each move marks the next
    // one from it, OK confirms the marked one.
    void port_grid_marks_the_port_under_the_cursor_data()
    {
        QTest::addColumn<bool>("loadscan"); QTest::addColumn<int>("port"); // held before
        QTest::addColumn<int>("group"); QTest::addColumn<QByteArray>("moves");
        QTest::addColumn<QString>("marked");
        QTest::newRow("step 2, entered") << false << 5 << 0 << QByteArray() << "LED1";
        QTest::newRow("step 2, right") << false << 0 << 0 << QByteArray("RRR") << "LED4";
        QTest::newRow("step 2, left wraps") << false << 0 << 1 << QByteArray("S") << "LED16";
        QTest::newRow("step 2, group 2 wraps") << false << 0 << 2 << QByteArray("RRRRR") << "LED18";
        QTest::newRow("load scan, entered") << true << 5 << 0 << QByteArray() << "LED6";
        QTest::newRow("load scan, right") << true << 5 << 0 << QByteArray("R") << "LED7";
        QTest::newRow("load scan, other group") << true << 5 << 1 << QByteArray("RR") << "LED11";
        QTest::newRow("load scan, group 2 left") << true << 5 << 2 << QByteArray("S") << "LED20";
        // LED20 held: a group before it has no cell of it, the cursor starts at its first cell.
        QTest::newRow("load scan, LED20 held, group 1 right") << true << 19 << 1 << QByteArray("R") << "LED10";
        QTest::newRow("load scan, LED20 held, group 1 left") << true << 19 << 1 << QByteArray("S") << "LED16";
        QTest::newRow("load scan, LED20 held, group 0 right") << true << 19 << 0 << QByteArray("RR") << "LED3";
        QTest::newRow("load scan, LED12 held, group 0 left") << true << 11 << 0 << QByteArray("S") << "LED8";
    }
    void port_grid_marks_the_port_under_the_cursor()
    {
        QFETCH(bool, loadscan); QFETCH(int, port); QFETCH(int, group);
        QFETCH(QByteArray, moves); QFETCH(QString, marked);
        testsupport::put_file("/data/smartmapping/a.wzfile", scan_file()); // Load scan takes keys
        SmartMapping* s = open_wizard();
        line_type.port = uint8_t(port);
        keys(s, loadscan ? "RQ" : "QRRQ"); // the port groups: Load scan, or step 2
        // Load scan starts at the held port's group; four stops: three groups and Next.
        const int at = loadscan ? port / 8 : 0;
        for (int g = 0; g < (group - at + 4) % 4; ++g)
            keys(s, "R");
        keys(s, "Q"); // into the grid
        keys(s, moves.constData());
        QCOMPARE(marked_port(s), marked);
        QCOMPARE(int(line_type.port.load()) + 1, marked.mid(3).toInt());
        keys(s, "Q"); // confirmed
        QCOMPARE(marked_port(s), marked);
        QCOMPARE(int(line_type.port.load()) + 1, marked.mid(3).toInt());
    }

    // A failed job says why once its wheel has closed, until the next key; a done one shows
    // nothing new. No port but the chosen one received anything; the job word is clear.
    void failed_jobs_say_why_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("port"); // the chosen port, -1 for the jobs that reach every port
        QTest::addColumn<QString>("shown");
        const QString silent = "No card answered!", down = "FPGA not running!", unlinked = "Port without link!",
                      unusable = "Scan file unusable!", nothing = "Rows or columns are 0!";
        QTest::newRow("send: done") << 1 << "" << 1 << "";
        QTest::newRow("send: silent cards") << 1 << "silent" << 1 << silent;
        QTest::newRow("send: FPGA down") << 1 << "down" << 0 << down;
        QTest::newRow("send: port without link") << 1 << "" << 4 << unlinked;
        QTest::newRow("send: rows 0") << 1 << "rows" << 0 << nothing;
        QTest::newRow("send: columns 0") << 1 << "cols" << 0 << nothing;
        QTest::newRow("load: done") << 2 << "" << 8 << "";
        QTest::newRow("load: silent cards") << 2 << "silent" << 8 << silent;
        QTest::newRow("load: FPGA down") << 2 << "down" << 0 << down;
        QTest::newRow("load: port without link") << 2 << "" << 3 << unlinked;
        QTest::newRow("load: damaged file") << 2 << "damaged" << 0 << unusable;
        QTest::newRow("load: missing file") << 2 << "missing" << 0 << unusable;
        QTest::newRow("load: empty file") << 2 << "empty" << 0 << unusable;
        QTest::newRow("curing: silent cards") << 3 << "silent" << -1 << silent;
        QTest::newRow("curing: FPGA down") << 3 << "down" << -1 << down;
        QTest::newRow("switch: silent cards") << 4 << "silent" << -1 << silent;
        QTest::newRow("switch: FPGA down") << 4 << "down" << -1 << down;
    }
    void failed_jobs_say_why()
    {
        QFETCH(int, job); QFETCH(QString, fault); QFETCH(int, port); QFETCH(QString, shown);
        SimCards::instance()->set_noreply(fault == "silent");
        if (fault == "down") {
            sim::fpga(1).set_power(false);
            for (int i = 0; i < 50 && fpga_manage::p_fpga_manage->get_fpga_status(); ++i)
                fpga_manage::p_fpga_manage->run_pass();
        }
        packed::File empty;
        empty.screens = {packed::Screen{{packed::Port{0, {packed::Card{}}}}}};
        testsupport::put_file("/data/smartmapping/a.wzfile", fault == "damaged" ? QByteArray("WZPK garbage")
                                                             : fault == "empty" ? packed::write(empty) : scan_file());
        {
            QMutexLocker lock(&Utils::_file_deal_mutex);
            g_wzfile_name = fault == "missing" ? "/data/smartmapping/gone.wzfile" : "/data/smartmapping/a.wzfile";
        }
        SmartMapping* s = open_wizard();
        if (port >= 0)
            line_type.port = uint8_t(port);
        s->findChild<QLineEdit*>("lineEdit_line")->setText(fault == "rows" ? "0" : "3");
        s->findChild<QLineEdit*>("lineEdit_column")->setText(fault == "cols" ? "0" : "4");
        switch (job) {
        case 1: s->on_Button_send_clicked(); break;
        case 2: s->on_Button_load_clicked(); break;
        case 3: s->on_Button_confirm_clicked(); break;
        default: s->on_Button_mapping_state_clicked(); break;
        }
        QVERIFY(run_job());
        QVERIFY(!g_qround_bar);
        QCOMPARE(g_send_para.word.load(), uint16_t(0));
        QCOMPARE(s->failure_label()->isVisible() ? s->failure_label()->text() : QString(), shown);
        if (port >= 0 && !shown.isEmpty()) {
            for (int p = 0; p < cardwire::PortCount; ++p)
                for (int cmd = cardwire::Query; cmd <= cardwire::Recover; ++cmd)
                    if (p != port)
                        QCOMPARE(SimCards::instance()->received(p, uint8_t(cmd)), 0);
        }
        if (job == 4) // bit 7 as it was: off on the FPGA still running
            QCOMPARE(reg0(0) & 0x80, 0);
        keys(s, "R");
        QVERIFY(!s->failure_label()->isVisible());
    }

    // Every failure line fits the wizard's page in every language.
    void failure_lines_fit()
    {
        SmartMapping* s = open_wizard();
        QLabel* l = s->failure_label();
        for (int lang = 0; lang < 5; ++lang) {
            g_language = uint8_t(lang);
            for (int outcome = JobNoFpga; outcome <= JobNothing; ++outcome) {
                s->request(kit::ReqJobOutcome, outcome, QString());
                s->request(kit::ReqProgress, 100, QString());
                QVERIFY(l->isVisible() && !l->text().isEmpty());
                QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->contentsRect().width(), qPrintable(l->text()));
            }
        }
    }

    // ---- the card-recovery screen ----

    // Query while the USB upgrade runs: refused, the screen says nothing new.
    void query_refused_while_the_upgrade_runs()
    {
        g_usb_grade = 1;
        run_recovery([](rcv_recovery* s) {
            release(s, 'Q');
            QVERIFY(!g_qround_bar);
            QCOMPARE(s->note_label()->text(), QStringLiteral("No receiving cards that need to be updated!"));
        });
        g_usb_grade = 0;
    }

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

    // The card number found against the file's card count for its port: equal is a card
    // of the file and is recovered, one above is refused.
    void recovery_at_the_files_card_count_data()
    {
        QTest::addColumn<int>("fileCards");
        QTest::newRow("number equal to the count") << 5;
        QTest::newRow("number above the count") << 4;
    }
    void recovery_at_the_files_card_count()
    {
        QFETCH(int, fileCards);
        const bool taken = fileCards == 5; // the simulated port's card 5 needs it
        recoverysupport::put_recovery_file(recoverysupport::recovery_bytes({{{0, 6}, {1, 6}, {2, fileCards}}}));
        run_recovery([&](rcv_recovery* s) {
            release(s, 'Q');
            QVERIFY(run_job());
            QCOMPARE(s->entries(), QStringList{QStringLiteral("01/03/05/%1").arg(fileCards, 2, 10, QLatin1Char('0'))});
            QCOMPARE(s->blocked(), !taken);
            keys(s, "RQ");
            QCOMPARE(bool(g_qround_bar), taken);
            if (taken)
                QVERIFY(run_job());
            QCOMPARE(SimCards::instance()->received(2, cardwire::Recover), taken ? 2 : 0);
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
