// Card jobs 1-6 on the simulated cards, the stick upgrade sharing their record, the lister.
#include "recoverysupport.h"

#include "comm/message_deal.h"
#include "core/config_engine.h"
#include "core/panel_bridge.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "fpga/rcv_recovery_file.h"
#include "fpga/usb_upgrade.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QRandomGenerator>
#include <QtTest>
#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr uint32_t kDeliveryLinks = 0x107 | (0x3u << 10); // ports 0-2, 8, 10, 11

// One screen, port 0 with two cards of one record each: a scan file.
const QByteArray kScan = recoverysupport::recovery_bytes({{{0, 2}}}, 1);

// A valid recovery file of exactly `size` bytes: port 2 with the six delivered cards,
// then port 3 (no link, never asked) with cards of records up to that size.
QByteArray recovery_of_size(qint64 size)
{
    packed::Port asked, filler;
    asked.number = 2;
    filler.number = 3;
    for (int c = 0; c < 6; ++c)
        asked.cards << packed::Card();
    qint64 left = size - packed::HeaderSize - 2 - 2 * 2 - 6 * 2; // header, screen, ports, cards
    while (left > 0) {
        filler.cards << packed::Card();
        left -= 2;
        QList<QByteArray>& records = filler.cards.last().records;
        while (left > 0 && records.size() < packed::MaxRecords) {
            // Whole records while the rest stays one record or more; then the rest in one.
            const qint64 room = 2 + packed::MaxRecordSize;
            const qint64 take = left <= room ? left : (left < room + 3 ? 100 + 2 : room);
            records << QByteArray(int(take - 2), char('r'));
            left -= take;
        }
    }
    packed::File f;
    f.screens << packed::Screen();
    f.screens[0].ports << asked << filler;
    return packed::write(f);
}

void set_wz(const QString& name)
{
    QMutexLocker lock(&Utils::_file_deal_mutex);
    g_wzfile_name = name;
}
} // namespace

class TstFpgaJobs : public QObject
{
    Q_OBJECT

    rcvRecovery lister;
    std::unique_ptr<CardJobs> jobs;
    std::unique_ptr<QSignalSpy> progress, outcomes;
    QMetaObject::Connection at100;
    QList<uint16_t> wordsAt100;

    // Runs passes (one tick each) until the job word clears; the passes it took, or -1.
    int run()
    {
        for (int i = 1; i <= 5000; ++i) {
            jobs->card_job_deal();
            G_timeTicks += 1;
            if (g_send_para.word.load() == 0)
                return i;
        }
        return -1;
    }
    int post_and_run(uint8_t job)
    {
        if (!post_card_job(job))
            return -2;
        return run();
    }

private slots:
    void init()
    {
        testsupport::fresh_core();
        recoverysupport::idle_cards();
        jobs = std::make_unique<CardJobs>(
            CardJobs::Hooks{[] { return true; }, [] { return kDeliveryLinks; }, nullptr, &lister});
        progress = std::make_unique<QSignalSpy>(PanelBridge::instance(), &PanelBridge::sig_job_progress);
        outcomes = std::make_unique<QSignalSpy>(PanelBridge::instance(), &PanelBridge::sig_recovery_query);
        wordsAt100.clear();
        at100 = connect(PanelBridge::instance(), &PanelBridge::sig_job_progress, this, [this](int, int v) {
            if (v >= 100)
                wordsAt100 << g_send_para.word.load();
        }, Qt::DirectConnection);
    }
    // Whenever 100 is reported, failed or done, the job word is already clear.
    void cleanup()
    {
        disconnect(at100);
        jobs.reset();
        QCOMPARE(wordsAt100.count(0), wordsAt100.size());
    }

    void mapping_walks_ports_from_the_chosen_one()
    {
        line_type.port = 1;
        line_type.rows = 3;
        line_type.cols = 4;
        QVERIFY(post_card_job(JobMapping));
        jobs->card_job_deal(); // the job starts and copies line_type
        line_type.rows = 9;    // the wizard moves on: the running job keeps its copy
        QVERIFY(run() > 0);
        auto cards = SimCards::instance();
        // 12 cabinets: port 1 takes 6, port 2 takes 6; port 0 lies before the start.
        for (int port : {0, 1, 2, 8})
            QCOMPARE(cards->received(port, cardwire::Mapping), int(port == 1 || port == 2));
        QCOMPARE(uint8_t(cards->last_frame(1)[9]), uint8_t(3));
        // No cabinets: the job still ends, sending nothing.
        line_type.port = 0;
        line_type.rows = 0;
        QVERIFY(post_and_run(JobMapping) > 0);
        QCOMPARE(cards->received(0, cardwire::Mapping), 0);
    }

    void scan_file_checks_then_replays_its_records()
    {
        testsupport::put_file("/data/smartmapping/a.wzfile", kScan);
        set_wz("/data/smartmapping/a.wzfile");
        line_type.port = 8;
        QVERIFY(post_card_job(JobScanFile));
        jobs->card_job_deal();
        set_wz("/data/smartmapping/other.wzfile");
        QVERIFY(run() > 0);
        QCOMPARE(SimCards::instance()->received(8, cardwire::ScanRecord), 2);
        // The last is card 1's record: command, card index, record, check byte.
        QCOMPARE(SimCards::instance()->last_frame(8).mid(1, 9), "\x01" + QByteArray(8, 'b'));
    }

    // Send starts at the chosen port: LED5 without link sends nothing, not even to LED9.
    void send_to_an_unlinked_port_sends_nothing()
    {
        QSignalSpy ends(PanelBridge::instance(), &PanelBridge::sig_job_outcome);
        line_type.port = 4;
        line_type.rows = 2;
        line_type.cols = 2;
        QCOMPARE(post_and_run(JobMapping), 1);
        for (int port = 0; port < cardwire::PortCount; ++port)
            QCOMPARE(SimCards::instance()->received(port, cardwire::Mapping), 0);
        QCOMPARE(testsupport::spy_ints(ends, 1), QList<int>{JobNoLink});
    }

    // A scan file's ports keep their distances from the chosen port; each port's cards get
    // that port's records only, or no port gets any.
    void scan_file_ports_reach_their_own_cards_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<int>("outcome");
        const auto sample = [](const char* name) {
            QFile f(QStringLiteral(YUQ_SOURCE_DIR "/sim/samples/stick/") + name);
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray outdoor = sample("outdoor_p10.wzfile"); // LED1 and LED3, two screens
        const QByteArray indoor = sample("indoor_p4.wzfile");    // LED1 and LED2, one screen
        QTest::newRow("two screens at LED1") << outdoor << 0 << int(JobDone);
        QTest::newRow("two screens at LED9") << outdoor << 8 << int(JobDone);
        QTest::newRow("two ports at LED2") << indoor << 1 << int(JobDone);
        QTest::newRow("second port without link") << outdoor << 1 << int(JobNoLink);
        QTest::newRow("beyond LED20") << indoor << 19 << int(JobNoLink);
        QTest::newRow("a port in two screens")
            << recoverysupport::recovery_bytes({{{0, 2}}, {{0, 2}}}, 1) << 0 << int(JobBadFile);
        // The chosen port takes the file's lowest port, whatever that is.
        QTest::newRow("lowest LED11, at LED2") << recoverysupport::recovery_bytes({{{10, 2}, {11, 1}}}, 1) << 1 << int(JobDone);
        QTest::newRow("lowest LED4, two screens at LED9")
            << recoverysupport::recovery_bytes({{{5, 1}}, {{3, 2}}}, 1) << 8 << int(JobDone);
    }
    void scan_file_ports_reach_their_own_cards()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, chosen);
        QFETCH(int, outcome);
        packed::File f;
        QCOMPARE(packed::parse(file, &f), packed::Error::None);
        testsupport::put_file("/data/smartmapping/a.wzfile", file);
        set_wz("/data/smartmapping/a.wzfile");
        line_type.port = uint8_t(chosen);
        if (chosen == 19)
            jobs = std::make_unique<CardJobs>(CardJobs::Hooks{[] { return true; }, [] { return 0xFFFFFu; }, nullptr, &lister});
        QSignalSpy ends(PanelBridge::instance(), &PanelBridge::sig_job_outcome);
        QVERIFY(post_and_run(JobScanFile) > 0);
        QCOMPARE(testsupport::spy_ints(ends, 1), QList<int>{outcome});
        // Per port: the records it should get, and the last of them (its card, its bytes).
        QVector<int> records(cardwire::PortCount);
        QVector<QByteArray> last(cardwire::PortCount);
        if (outcome == JobDone) {
            int lowest = cardwire::PortCount;
            for (const packed::Screen& sc : f.screens)
                for (const packed::Port& p : sc.ports)
                    lowest = std::min(lowest, int(p.number));
            for (const packed::Screen& sc : f.screens) {
                for (const packed::Port& p : sc.ports) {
                    const int to = chosen + p.number - lowest;
                    for (int c = 0; c < p.cards.size(); ++c) {
                        records[to] += p.cards[c].records.size();
                        last[to] = char(c) + p.cards[c].records.last();
                    }
                }
            }
        }
        auto cards = SimCards::instance();
        for (int port = 0; port < cardwire::PortCount; ++port) {
            QCOMPARE(cards->received(port, cardwire::ScanRecord), records[port]);
            if (records[port])
                QCOMPARE(cards->last_frame(port).mid(1, last[port].size()), last[port]);
            else
                QCOMPARE(cards->received(port, cardwire::Query), 0);
        }
    }

    // A job stopped mid-way says what stopped it, asked when its port fails: an FPGA, the
    // link of the port it goes to next, or that port's silent cards.
    void jobs_stopped_mid_way_say_by_what_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("outcome");
        QTest::newRow("load: FPGA stops") << int(JobScanFile) << "fpga" << int(JobNoFpga);
        QTest::newRow("load: next port loses its link") << int(JobScanFile) << "link" << int(JobNoLink);
        QTest::newRow("load: next port's cards fall silent") << int(JobScanFile) << "silent" << int(JobNoAnswer);
        QTest::newRow("send: FPGA stops") << int(JobMapping) << "fpga" << int(JobNoFpga);
        QTest::newRow("curing: FPGA stops") << int(JobCure) << "fpga" << int(JobNoFpga);
        QTest::newRow("switch: FPGA stops") << int(JobMapSwitch) << "fpga" << int(JobNoFpga);
        QTest::newRow("query: FPGA stops") << int(JobQuery) << "fpga" << -1;
    }
    void jobs_stopped_mid_way_say_by_what()
    {
        QFETCH(int, job);
        QFETCH(QString, fault);
        QFETCH(int, outcome);
        bool running = true;
        uint32_t links = kDeliveryLinks;
        jobs = std::make_unique<CardJobs>(
            CardJobs::Hooks{[&running] { return running; }, [&] { return running ? links : 0u; }, nullptr, &lister});
        SimCards::instance()->set_port_alive([&](int port) { return running && (links >> port & 1u); });
        SimCards::instance()->set_port(2, 6, cardwire::NoCard); // the query finds none
        recoverysupport::put_recovery_file();
        g_send_para.reply_flag = 0;
        testsupport::put_file("/data/smartmapping/a.wzfile", recoverysupport::recovery_bytes({{{0, 1}, {1, 1}}}, 1));
        set_wz("/data/smartmapping/a.wzfile");
        line_type.port = 0;
        line_type.rows = 3;
        line_type.cols = 4; // port 0's six cards take half
        QSignalSpy ends(PanelBridge::instance(), &PanelBridge::sig_job_outcome);
        QVERIFY(post_card_job(uint8_t(job)));
        // Port 0 has answered: the fault meets the job on its way to port 1.
        for (int i = 0; i < 50 && !g_send_para.reply_flag; ++i)
            jobs->card_job_deal();
        QVERIFY(g_send_para.reply_flag && g_send_para.job() == job);
        if (fault == "fpga")
            running = false;
        else if (fault == "link")
            links &= ~(1u << 1);
        else
            SimCards::instance()->set_noreply(true);
        QVERIFY(run() > 0);
        if (job == JobQuery)
            QCOMPARE(testsupport::spy_ints(*outcomes), QList<int>{QueryFailed});
        else
            QCOMPARE(testsupport::spy_ints(ends, 1), QList<int>{outcome});
        SimCards::instance()->set_port_alive(nullptr);
    }

    // Refused in the first pass, before any frame; a query unless one whole file is there.
    void refused_at_once_data()
    {
        QTest::addColumn<int>("job");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("port");
        QTest::newRow("scan file is a folder") << int(JobScanFile) << QByteArray() << 0 << 8;
        QTest::newRow("scan port without link") << int(JobScanFile) << kScan << 1 << 5;
        QTest::newRow("no recovery folder") << int(JobQuery) << QByteArray() << 0 << 2;
        QTest::newRow("truncated") << int(JobQuery) << recoverysupport::recovery_bytes().left(100) << 1 << 2;
        QTest::newRow("two recovery files") << int(JobQuery) << recoverysupport::recovery_bytes() << 2 << 2;
    }
    void refused_at_once()
    {
        QFETCH(int, job);
        QFETCH(QByteArray, content);
        QFETCH(int, files);
        QFETCH(int, port);
        QDir().mkpath(platform::dev_path("/data/smartmapping"));
        set_wz(files ? "/data/smartmapping/a.wzfile" : "/data/smartmapping");
        for (int i = 0; i < files; ++i) {
            if (job == JobScanFile)
                testsupport::put_file("/data/smartmapping/a.wzfile", content);
            else
                recoverysupport::put_recovery_file(content, i ? "other.rcv" : "screen.rcv");
        }
        line_type.port = uint8_t(port);
        g_send_para.card_index = 0x1234;
        QCOMPARE(post_and_run(uint8_t(job)), 1);
        QCOMPARE(testsupport::spy_ints(*progress, 1), QList<int>{100});
        QCOMPARE(SimCards::instance()->received(port, cardwire::Query), 0);
        QCOMPARE(g_send_para.card_index.load(), uint16_t(job == JobQuery ? 0xFFFF : 0x1234));
    }

    // Job files are read up to 16 MiB: a recovery file of exactly that size is queried,
    // one byte more is refused before any frame.
    void job_file_at_the_size_bound_data()
    {
        testsupport::size_bound_rows(16 * 1024 * 1024);
    }
    void job_file_at_the_size_bound()
    {
        QFETCH(int, size);
        const QByteArray file = recovery_of_size(size);
        QCOMPARE(file.size(), size);
        packed::File parsed;
        QCOMPARE(packed::parse(file, &parsed), packed::Error::None);
        recoverysupport::put_recovery_file(file);
        QVERIFY(post_and_run(JobQuery) > 0);
        const bool whole = size <= 16 * 1024 * 1024;
        QCOMPARE(outcomes->at(0).at(0).toString() + ' ' + outcomes->at(0).at(1).toString(),
                 whole ? QStringLiteral("2 01/03/05/06") : QStringLiteral("0 "));
        QCOMPARE(SimCards::instance()->received(2, cardwire::Query) > 0, whole);
    }

    // Screen, port and card count come from the file; a silent port has no cards.
    void query_walks_the_files_screens_and_ports_data()
    {
        QTest::addColumn<recoverysupport::Layout>("layout");
        QTest::addColumn<int>("badPort");
        QTest::addColumn<int>("badCard");
        QTest::addColumn<int>("silent"); // a port, -2 all, -1 none
        QTest::addColumn<QString>("outcome");
        const auto delivery = recoverysupport::delivery();
        QTest::newRow("second screen") << delivery << 11 << 2 << -1 << "2 02/12/03/04";
        QTest::newRow("file's card count")
            << recoverysupport::Layout{{{8, 6}}, {{11, 9}}} << 11 << 0 << -1 << "2 02/12/01/09";
        QTest::newRow("port not in the file") << recoverysupport::Layout{{{0, 6}, {1, 6}}} << 8 << 1 << -1 << "1 ";
        QTest::newRow("silent port") << delivery << 1 << 0 << 1 << "1 ";
        QTest::newRow("no answer at all") << delivery << 11 << 2 << -2 << "0 ";
    }
    void query_walks_the_files_screens_and_ports()
    {
        QFETCH(recoverysupport::Layout, layout);
        QFETCH(int, badPort);
        QFETCH(int, badCard);
        QFETCH(int, silent);
        QFETCH(QString, outcome);
        SimCards::instance()->set_port(2, 6, cardwire::NoCard);
        QVERIFY(SimCards::instance()->set_needs_recovery(badPort, badCard));
        SimCards::instance()->set_port_alive([silent](int port) { return silent != -2 && port != silent; });
        recoverysupport::put_recovery_file(recoverysupport::recovery_bytes(layout));
        QVERIFY(post_and_run(JobQuery) > 0);
        QCOMPARE(outcomes->size(), 1);
        QCOMPARE(outcomes->at(0).at(0).toString() + ' ' + outcomes->at(0).at(1).toString(), outcome);
        QCOMPARE(jobs->kept().valid, outcome.startsWith('2'));
        if (!outcome.startsWith('2'))
            QCOMPARE(g_send_para.card_index.load(), uint16_t(0x00FF));
    }

    // Self-recovery sends the records the query found: any change of the files refuses it.
    void self_recovery_data()
    {
        QTest::addColumn<int>("change");
        QTest::newRow("unchanged") << 0;
        QTest::newRow("rewritten") << 1;
        QTest::newRow("another file") << 2;
    }
    void self_recovery()
    {
        QFETCH(int, change);
        recoverysupport::put_recovery_file(recoverysupport::recovery_bytes(recoverysupport::delivery(), 3));
        QVERIFY(post_and_run(JobQuery) > 0);
        if (change == 1)
            recoverysupport::put_recovery_file();
        else if (change == 2)
            recoverysupport::put_recovery_file(recoverysupport::recovery_bytes(), "other.rcv");
        QVERIFY(post_and_run(JobRecover) > 0);
        QCOMPARE(SimCards::instance()->received(2, cardwire::Recover), change == 0 ? 3 : 0);
    }

    // Card index 4 (card number 5) found on port 2: recovered only while the file holds
    // more cards than the index for that port.
    void recovery_at_the_files_card_count_data()
    {
        QTest::addColumn<int>("fileCards");
        QTest::addColumn<int>("recovered");
        QTest::newRow("index equal to the count") << 4 << 0;
        QTest::newRow("index one below the count") << 5 << 2;
    }
    void recovery_at_the_files_card_count()
    {
        QFETCH(int, fileCards);
        QFETCH(int, recovered);
        recoverysupport::put_recovery_file(recoverysupport::recovery_bytes({{{2, fileCards}}}));
        QVERIFY(post_and_run(JobQuery) > 0);
        QCOMPARE(outcomes->at(0).at(1).toString(), QStringLiteral("01/03/05/%1").arg(fileCards, 2, 10, QLatin1Char('0')));
        QVERIFY(post_and_run(JobRecover) > 0);
        QCOMPARE(SimCards::instance()->received(2, cardwire::Recover), recovered);
    }

    // One job at a time, codes 1-6 only; it waits while PC commands arrive.
    void one_job_at_a_time_after_pc_commands()
    {
        pc_cmd_valid = 1;
        QVERIFY(post_card_job(JobCure));
        QVERIFY(!post_card_job(JobQuery));
        for (int i = 0; i < 200; ++i)
            jobs->card_job_deal();
        QCOMPARE(progress->size(), 0);
        pc_cmd_valid = 0;
        QVERIFY(run() > 0);
        QVERIFY(!post_card_job(0) && !post_card_job(7));
    }

    // The application is copied beside the running one and moved over it; a reboot follows.
    void upgrade_installs_through_the_gate_data()
    {
        QTest::addColumn<QString>("package");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("application") << "app.YUQ"
                                     << QStringList{"cp '/mnt/usb1/YUQ-K64/app.YUQ' /data/app/yuqK87N2",
                                                    "chmod 755 /data/app /data/app/yuqK87N2", "mv /data/app/yuqK87N2 /data/app/yuqK87N",
                                                    "sync"};
        QTest::newRow("fonts only") << "fonts.YUQZK" << QStringList{};
    }
    void upgrade_installs_through_the_gate()
    {
        QFETCH(QString, package);
        QFETCH(QStringList, commands);
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        G_reboot_tickTicks = 0;
        testsupport::put_file("/mnt/usb1/YUQ-K64/" + package, "new");
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        UsbUpgrade u;
        QVERIFY(post_usb_upgrade());
        g_send_para.set_step(9); // a step beyond the last starts over
        for (int i = 0; i < 10 && g_usb_grade.load() != 0; ++i)
            u.usb_upgrade_deal();
        QCOMPARE(testsupport::spy_ints(refresh), QList<int>{104});
        QCOMPARE(platform::shell_recorded(), commands);
        QCOMPARE(G_reboot_tickTicks.load(), commands.isEmpty() ? 0u : G_timeTicks.load());
    }

    // The installed application, and its folder, run for all and are written by the owner
    // alone, whatever an earlier upgrade left.
    void upgrade_leaves_the_application_writable_by_its_owner_only()
    {
        g_usb_grade_path = QStringLiteral("YUQ-K64");
        testsupport::put_file("/mnt/usb1/YUQ-K64/app.YUQ", "new");
        testsupport::put_file("/data/app/yuqK87N", "old");
        for (const char* p : {"/data/app", "/data/app/yuqK87N"})
            QCOMPARE(::chmod(platform::dev_path_c(p).constData(), 0777), 0);
        UsbUpgrade u;
        QVERIFY(post_usb_upgrade());
        for (int i = 0; i < 10 && g_usb_grade.load() != 0; ++i)
            u.usb_upgrade_deal();
        QCOMPARE(testsupport::get_file("/data/app/yuqK87N"), QByteArray("new"));
        for (const char* p : {"/data/app", "/data/app/yuqK87N"}) {
            struct stat st;
            QCOMPARE(::stat(platform::dev_path_c(p).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, mode_t(0755));
        }
    }

    // Kills in the middle of PC uploads and of configuration writes, and what such kills
    // leave (the upload's and QSettings' temp and lock files, a start's write probe): start-up
    // takes it all away, keeps every file of the PC's, and the query finds its one file.
    void kills_mid_write_leave_a_root_start_up_clears()
    {
        const QByteArray rcv = recoverysupport::recovery_bytes();
        QVERIFY(message_deal::store_transfer_file(message_deal::FileRecovery, "recovery.rcv", rcv));
        testsupport::put_file("/data/smartmapping/job.tmp", "a PC's file");
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("0"));
        const auto files = [] {
            QStringList n;
            for (const QString d : {"/data/configs/", "/data/rcvrecovery/", "/data/smartmapping/"})
                for (const QString& e : QDir(platform::dev_path(d)).entryList(QDir::Files | QDir::Hidden | QDir::System))
                    n << d + e;
            n.sort();
            return n;
        };
        const QStringList whole = files();
        for (int round = 0; round < 12; ++round) {
            const pid_t child = ::fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                for (int i = 1;; ++i) {
                    if (round % 2)
                        message_deal::store_transfer_file(message_deal::FileRecovery, "recovery.rcv", rcv);
                    else
                        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QString::number(i));
                }
            }
            QThread::usleep(500 + QRandomGenerator::global()->bounded(4000u));
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        for (const char* f : {"/data/rcvrecovery/.~upload", "/data/smartmapping/.~upload", "/data/configs/tcpip.ini.lock",
                              "/data/configs/tcpip.ini.lock.rmlock.rmlock", "/data/configs/tcpip.ini.Xq3v9Z",
                              "/data/configs/.write-probe-4194304", "/mnt/usb1/.write-probe-77"})
            testsupport::put_file(f, "");
        QVERIFY(!message_deal::store_transfer_file(message_deal::FileRecovery, ".~upload", "a PC's"));
        Utils::remove_stale_temp_files();
        QCOMPARE(files().join(" "), whole.join(" "));
        QVERIFY(!testsupport::exists("/mnt/usb1/.write-probe-77"));
        QCOMPARE(testsupport::get_file("/data/rcvrecovery/recovery.rcv"), rcv);

        SimCards::instance()->set_port(2, 6, cardwire::NoCard);
        QVERIFY(SimCards::instance()->set_needs_recovery(11, 2));
        QVERIFY(post_and_run(JobQuery) > 0);
        QCOMPARE(outcomes->size(), 1);
        QCOMPARE(outcomes->at(0).at(0).toString() + ' ' + outcomes->at(0).at(1).toString(), QStringLiteral("2 02/12/03/04"));
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("after"));
        QVERIFY(QSettings(platform::dev_path(ConfigEngine::config_path()), QSettings::IniFormat).value(
                    ConfigEngine::item_key(ConfigItem::BarCode)) == "after");
    }

    // Plain files directly in a folder of the lister's own; anything else changes nothing.
    void lister_takes_plain_files_of_its_folders_only()
    {
        testsupport::put_file("/data/rcvrecovery/a.rcv", "1");
        QDir().mkpath(platform::dev_path("/data/rcvrecovery/sub"));
        QCOMPARE(lister.get_dir_file("/data/rcvrecovery"), 0);
        QDir(platform::dev_path("/data/rcvrecovery")).removeRecursively();
        for (const char* bad : {"/data/rcvrecovery", "/data/configs", "/data/rcvrecovery/../configs"})
            QCOMPARE(lister.get_dir_file(bad), 1);
        QCOMPARE(lister.file_list(rcvRecovery::RecoveryFiles), QStringList{"a.rcv"});
    }
};

QTEST_MAIN(TstFpgaJobs)
#include "tst_fpga_jobs.moc"
