#pragma once
// Card jobs: what the mapping wizard and the card-recovery screen post to the FPGA thread
// through g_send_para, and the step machine that runs them, one step a pass. Progress
// and results go to the panel through PanelBridge (sig_job_progress, sig_recovery_query,
// sig_recovery_result)
// and refresh codes; every job ends with progress 100 and its job word cleared.
#include "packed_file.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QMutex>
#include <QString>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

class rcvRecovery;

// The mapping-wizard record (12 bytes). The wizard writes it field by field on the GUI
// thread; the FPGA thread copies it when a job starts, so later edits leave a running job alone.
struct LINE_VALUES
{
    uint16_t cabinet_w, cabinet_h, offset_x, offset_y;
    uint8_t port, rows, cols, route;
};
struct LINE_TYPE
{
    std::atomic<uint16_t> cabinet_w{0};  // bytes 0-1
    std::atomic<uint16_t> cabinet_h{0};  // 2-3
    std::atomic<uint16_t> offset_x{0};   // 4-5
    std::atomic<uint16_t> offset_y{0};   // 6-7
    std::atomic<uint8_t> port{0};        // 8: port group * 8 + index, 0..19
    std::atomic<uint8_t> rows{0};        // 9: cabinets per row
    std::atomic<uint8_t> cols{0};        // 10: cabinets per column
    std::atomic<uint8_t> route{1};       // 11: route pattern 1..16
    LINE_VALUES snapshot() const;
};
extern LINE_TYPE line_type;

// The FPGA thread's 36-byte job record. Bytes 0-1 are the job word (job code, step),
// always written as one 16-bit store after every field the job reads.
struct SEND_PARA
{
    std::atomic<uint16_t> word{0};          // 0-1: job code (low byte), step (high byte)
    uint8_t port_cursor = 0;                // 2: FPGA thread only
    uint8_t reply_flag = 0;                 // 3: FPGA thread only
    uint32_t start_tick = 0;                // 4-7: FPGA thread only
    uint32_t step_tick = 0;                 // 8-11: FPGA thread only
    uint32_t progress = 0;                  // 12-15: FPGA thread only
    std::atomic<uint32_t> value{0};         // 16-19: job 4's register value (9 on, 0 off)
    uint8_t reserved[10] = {};              // 20-29
    std::atomic<uint16_t> card_index{0xFFFF}; // 30-31, word 15: card found by the last query
    uint32_t counter_tick = 0;              // 32-35: FPGA thread only

    uint8_t job() const { return uint8_t(word.load() & 0xFF); }
    uint8_t step() const { return uint8_t(word.load() >> 8); }
    // Job `code` at step 0, one store.
    void post(uint8_t code) { word.store(code); }
    // Byte 1 alone; the job code stays.
    void set_step(uint8_t step);
    void clear() { word.store(0); }
};
extern SEND_PARA g_send_para;

// The scan file chosen on the wizard; read and written only under Utils::_file_deal_mutex.
extern QString g_wzfile_name;

enum RCV_CHECK_OR_RECOVERY { RCV_CHECK = 0, RCV_RECOVERY = 1 };

// What a card query found, sent with PanelBridge::sig_recovery_query before its 100.
enum QueryOutcome {
    QueryFailed = 0, // no FPGA, no single usable recovery file, or no port answered at all
    QueryNone = 1,   // the ports answered (a silent one counts as none): no card needs it
    QueryFound = 2,  // the entry "SS/PP/CC/NN" names the card
};

// How a job of the mapping wizard (1-4) ended, sent with PanelBridge::sig_job_outcome
// before its 100.
enum JobOutcome {
    JobDone = 0,
    JobNoFpga = 1,      // the FPGAs do not run
    JobNoAnswer = 2,    // no card answered
    JobNoLink = 3,      // the chosen port (or a port the scan file's records go to) has no link
    JobBadFile = 4,     // the scan file cannot be read or parsed, holds no record, or its ports clash
    JobNothing = 5,     // rows or columns are 0: nothing to send
};

enum CardJob : uint8_t {
    JobMapping = 1,  // send the mapping of line_type
    JobScanFile = 2, // load the scan file g_wzfile_name
    JobCure = 3,     // store the cards' parameters permanently
    JobMapSwitch = 4, // mapping function on/off (g_send_para.value)
    JobQuery = 5,    // query the cards
    JobRecover = 6,  // self-recovery of the card found by the last query
};

// Whether a card job posted now would be taken: an FPGA side runs jobs, no job is
// pending and the USB upgrade is not running. A screen asks before it changes anything.
bool card_job_postable();
// Posts a card job from a screen: the job word, one store. Refused (false, nothing
// reported) when card_job_postable() is false; the caller closes its wheel then.
bool post_card_job(uint8_t job);
// Starts the USB-stick upgrade from its first step; refused while a card job is pending.
bool post_usb_upgrade();

class CardJobs
{
public:
    struct Hooks
    {
        std::function<bool()> fpga_running;  // both FPGAs run (asked of them now)
        std::function<uint32_t()> link_map;  // bit k: output port k has link
        QMutex* frame_mutex = nullptr;       // frames to and from the cards
        rcvRecovery* lister = nullptr;
    };
    explicit CardJobs(Hooks hooks);
    ~CardJobs();
    // The runner of the card jobs, or null while there is no FPGA side.
    static CardJobs* runner();

    // One step of the posted job (FPGA thread).
    void card_job_deal();
    // Jobs 5 (mode 0) and 6 (mode 1).
    void rcv_recovery_check_deal(RCV_CHECK_OR_RECOVERY mode);

    // The card the last query found, kept for the self-recovery, with the recovery file
    // it was found against: a file written or deleted since makes the find stale.
    struct Kept
    {
        bool valid = false;
        int screen = 0, entry = 0; // screen index, port index within it in the file
        int port = 0, card = 0, cards = 0; // port number, card index, the port's card count
        QString path;
        qint64 size = -1;
        qint64 mtime = -1;
    };
    Kept kept() const;

    static constexpr int HoldTicks = 80;      // after the last PC command
    static constexpr int ReplyTicks = 300;    // a port that answers nothing by then has none
    static constexpr int CheckTicks = 500;    // job 2: the cards' check
    static constexpr int EndTicks = 200;      // jobs 1-4: 100 follows the last port by this

    // The result entry of a query: "SS/PP/CC/NN".
    static QString result_entry(int screen, int port, int card, int cards);

private:
    enum Step : uint8_t { StepStart = 0, StepSend = 1, StepWait = 2, StepEnd = 3 };
    void job_start(uint8_t job);
    void job_send(uint8_t job);
    void job_wait(uint8_t job);
    void job_end_wait(uint8_t job);
    // Ends the job: progress 100, word cleared.
    void finish(uint8_t job, const char* why);
    // Ends a job of the mapping wizard: its outcome first, then finish().
    void wizard_end(uint8_t job, JobOutcome outcome, const char* why);
    // Job 2: the scan file's records, each to its output port; JobDone or why not.
    JobOutcome scan_records(const packed::File& scan, uint32_t links, const char** why);
    bool fpga_up() const { return m_hooks.fpga_running && m_hooks.fpga_running(); }
    // Why a frame to `port` was not taken or not answered: the FPGAs not running, the
    // port without link, or (both fine) its cards silent.
    JobOutcome port_fault(int port) const;
    // The port the step in hand talks to.
    int current_port(uint8_t job) const;
    void progress(uint8_t job, int value);
    void port_done(uint8_t job, bool replied, const QByteArray& reply);
    bool read_job_file(const QString& path, QByteArray* data);
    // The one recovery file, read and parsed into m_recovery; its path, size and time.
    bool recovery_file(Kept* where);
    void query_end(QueryOutcome outcome, const char* why, const QString& entry = QString());
    bool send(int port, const QByteArray& frame);
    bool take_reply(int port, QByteArray* reply);
    void next_port_or_end(uint8_t job);

    Hooks m_hooks;
    // The running job's inputs, copied at its start.
    LINE_VALUES m_line{};
    uint32_t m_value = 0;
    QByteArray m_file;
    struct ScanItem
    {
        uint8_t port = 0, card = 0;
        QByteArray record;
    };
    QList<ScanItem> m_scan;                  // job 2: the records in file order
    packed::File m_recovery;                 // jobs 5 and 6: the recovery file
    QList<QPair<int, int>> m_targets;        // job 5: (screen, port index) per m_ports entry
    int m_answered = 0;                      // jobs 1, 3, 4 and 5: ports that answered
    QList<QByteArray> m_card_records;        // job 6: the kept card's operation records
    QList<int> m_ports;
    int m_cursor = 0;
    int m_remaining = 0;   // job 1: cabinets still without a card
    int m_total = 0;
    int m_record = 0;      // jobs 2 and 6: next operation record
    bool m_checked = false; // job 2: the cards of every port answered the check
    JobOutcome m_outcome = JobDone; // jobs 1-4: what the end step reports
    int m_last_progress = 0;
    int m_counter = 0;

    mutable QMutex m_kept_mutex;
    Kept m_kept;
    Kept m_query_stamp; // the recovery file the running job read
    bool m_entry_handed = false;
};
