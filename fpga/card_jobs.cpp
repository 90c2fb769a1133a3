#include "card_jobs.h"

#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "platform/card_bus.h"
#include "platform/devpath.h"
#include "packed_file.h"
#include "rcv_recovery_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <algorithm>

LINE_TYPE line_type;
SEND_PARA g_send_para;
QString g_wzfile_name;

static_assert(sizeof(LINE_TYPE) == 12, "line_type is a 12-byte record");
static_assert(sizeof(SEND_PARA) == 36, "g_send_para is a 36-byte record");

namespace {
std::atomic<CardJobs*> s_runner{nullptr};
constexpr uint16_t kNoReplyYet = 0xFFFF;
constexpr uint16_t kNoneOnPort = 0x00FF;
constexpr qint64 kMaxJobFile = 16 * 1024 * 1024;
const char* const kRecoveryDir = "/data/rcvrecovery";

void emit_progress(uint8_t job, int value)
{
    emit PanelBridge::instance()->sig_job_progress(job, value);
}

// Size and modification time of a device file, -1 each when it is not there.
void file_stamp(const QString& path, qint64* size, qint64* mtime)
{
    const QFileInfo fi(platform::dev_path(path));
    *size = fi.exists() ? fi.size() : -1;
    *mtime = fi.exists() ? fi.lastModified().toMSecsSinceEpoch() : -1;
}
} // namespace

LINE_VALUES LINE_TYPE::snapshot() const
{
    return LINE_VALUES{cabinet_w.load(), cabinet_h.load(), offset_x.load(), offset_y.load(),
                       port.load(),      rows.load(),      cols.load(),     route.load()};
}

void SEND_PARA::set_step(uint8_t step)
{
    uint16_t w = word.load();
    while (!word.compare_exchange_weak(w, uint16_t((w & 0xFF) | (step << 8)))) {
    }
}

bool card_job_postable()
{
    // Byte 1 is the upgrade's step as well: one of the two at a time.
    return CardJobs::runner() && g_usb_grade.load() == 0 && g_send_para.job() == 0;
}

bool post_card_job(uint8_t job)
{
    if (job < JobMapping || job > JobRecover || !card_job_postable())
        return false;
    g_send_para.post(job);
    return true;
}

bool post_usb_upgrade()
{
    if (g_send_para.job() != 0 || g_usb_grade.load() != 0)
        return false;
    g_send_para.set_step(0);
    g_usb_grade = 1;
    return true;
}

CardJobs::CardJobs(Hooks hooks) : m_hooks(std::move(hooks))
{
    s_runner = this;
}

CardJobs::~CardJobs()
{
    CardJobs* self = this;
    s_runner.compare_exchange_strong(self, nullptr);
}

CardJobs* CardJobs::runner()
{
    return s_runner.load();
}

CardJobs::Kept CardJobs::kept() const
{
    QMutexLocker lock(&m_kept_mutex);
    return m_kept;
}

QString CardJobs::result_entry(int screen, int port, int card, int cards)
{
    const QLatin1Char zero('0');
    return QStringLiteral("%1/%2/%3/%4")
        .arg(screen + 1, 2, 10, zero)
        .arg(port + 1, 2, 10, zero)
        .arg(card + 1, 2, 10, zero)
        .arg(cards, 2, 10, zero);
}

void CardJobs::card_job_deal()
{
    const uint8_t job = g_send_para.job();
    if (job == 0)
        return;
    // The cards' link is the PC's while its commands arrive.
    if (pc_cmd_valid.load() != 0 || Utils::getTimeSpace(pc_cmd_time.load()) < HoldTicks)
        return;
    if (job == JobQuery || job == JobRecover) {
        rcv_recovery_check_deal(job == JobQuery ? RCV_CHECK : RCV_RECOVERY);
        return;
    }
    if (job > JobRecover) {
        finish(job, "unknown job");
        return;
    }
    switch (g_send_para.step()) {
    case StepStart: job_start(job); break;
    case StepSend: job_send(job); break;
    case StepWait: job_wait(job); break;
    case StepEnd: job_end_wait(job); break;
    default: finish(job, "bad step"); break;
    }
}

void CardJobs::rcv_recovery_check_deal(RCV_CHECK_OR_RECOVERY mode)
{
    const uint8_t job = mode == RCV_CHECK ? JobQuery : JobRecover;
    switch (g_send_para.step()) {
    case StepStart: job_start(job); break;
    case StepSend: job_send(job); break;
    case StepWait: job_wait(job); break;
    default: finish(job, "bad step"); break;
    }
}

void CardJobs::job_start(uint8_t job)
{
    m_ports.clear();
    m_file.clear();
    m_scan.clear();
    m_recovery = packed::File();
    m_targets.clear();
    m_card_records.clear();
    m_answered = 0;
    m_cursor = m_record = m_counter = m_last_progress = m_total = m_remaining = 0;
    m_checked = false;
    m_outcome = JobDone;
    g_send_para.start_tick = G_timeTicks.load();
    if (job == JobQuery) {
        g_send_para.card_index = kNoReplyYet;
        // Whatever happens now, an earlier find is no longer what the cards say.
        QMutexLocker lock(&m_kept_mutex);
        m_kept = Kept();
    }

    if (!fpga_up()) {
        if (job == JobQuery)
            query_end(QueryFailed, "FPGAs not running");
        else if (job == JobRecover)
            finish(job, "FPGAs not running");
        else
            wizard_end(job, JobNoFpga, "FPGAs not running");
        return;
    }
    const uint32_t links = m_hooks.link_map ? m_hooks.link_map() : 0;
    auto linked_from = [&](int first) {
        for (int p = std::max(first, 0); p < cardwire::PortCount; ++p)
            if (links & (1u << p))
                m_ports << p;
    };

    switch (job) {
    case JobMapping:
        m_line = line_type.snapshot();
        m_total = m_remaining = int(m_line.rows) * int(m_line.cols);
        if (m_total <= 0) {
            wizard_end(job, JobNothing, "rows or columns are 0");
            return;
        }
        // The first cabinet goes to the chosen port's cards, never to another port's.
        if (m_line.port >= cardwire::PortCount || !(links & (1u << m_line.port))) {
            wizard_end(job, JobNoLink, "port without link");
            return;
        }
        linked_from(m_line.port);
        break;
    case JobScanFile: {
        m_line = line_type.snapshot();
        QString name;
        bool ok;
        {
            QMutexLocker lock(&Utils::_file_deal_mutex);
            name = g_wzfile_name;
            ok = read_job_file(name, &m_file);
        }
        if (!ok) {
            wizard_end(job, JobBadFile, "scan file not usable");
            return;
        }
        packed::File scan;
        const packed::Error e = packed::parse(m_file, &scan);
        if (e != packed::Error::None) {
            wizard_end(job, JobBadFile, packed::error_text(e));
            return;
        }
        const char* why = nullptr;
        const JobOutcome outcome = scan_records(scan, links, &why);
        if (outcome != JobDone) {
            m_scan.clear();
            m_ports.clear();
            wizard_end(job, outcome, why);
            return;
        }
        m_total = m_scan.size();
        break;
    }
    case JobCure:
    case JobMapSwitch:
        if (job == JobMapSwitch)
            m_value = g_send_para.value.load();
        linked_from(0);
        if (m_ports.isEmpty()) {
            wizard_end(job, JobNoLink, "no port has link");
            return;
        }
        break;
    case JobQuery: {
        Kept stamp;
        if (!recovery_file(&stamp)) {
            query_end(QueryFailed, "no single usable recovery file");
            return;
        }
        // The file's screens and their ports in order; a port without link cannot answer.
        for (int si = 0; si < m_recovery.screens.size(); ++si) {
            const packed::Screen& sc = m_recovery.screens[si];
            for (int pi = 0; pi < sc.ports.size(); ++pi) {
                const int number = sc.ports[pi].number;
                if (number < cardwire::PortCount && (links & (1u << number))) {
                    m_ports << number;
                    m_targets << qMakePair(si, pi);
                }
            }
        }
        if (m_ports.isEmpty()) {
            g_send_para.card_index = kNoneOnPort;
            query_end(QueryFailed, "no port of the recovery file has link");
            return;
        }
        break;
    }
    case JobRecover: {
        const Kept k = kept();
        if (!k.valid || k.card >= k.cards) {
            finish(job, "no card to recover");
            return;
        }
        Kept now;
        if (!recovery_file(&now) || now.path != k.path || now.size != k.size || now.mtime != k.mtime) {
            // Not the file the card was found against: the find is stale.
            QMutexLocker lock(&m_kept_mutex);
            m_kept = Kept();
            finish(job, "recovery file changed since the query");
            return;
        }
        // The query found the card in this very file, so the indices lie within it.
        const packed::Port& port = m_recovery.screens.value(k.screen).ports.value(k.entry);
        if (port.number != k.port || k.card >= port.card_count()) {
            finish(job, "kept card not in the recovery file");
            return;
        }
        m_card_records = port.cards[k.card].records;
        if (m_card_records.isEmpty()) {
            finish(job, "kept card has no operation record");
            return;
        }
        m_ports << k.port;
        m_total = m_card_records.size();
        break;
    }
    default: break;
    }

    if (m_ports.isEmpty()) {
        // No port to talk to (each job above has one by now): the end step says so.
        next_port_or_end(job);
        return;
    }
    g_send_para.port_cursor = uint8_t(m_ports.first());
    g_send_para.set_step(StepSend);
}

JobOutcome CardJobs::scan_records(const packed::File& scan, uint32_t links, const char** why)
{
    // The file's lowest port goes to the chosen port; every other keeps its distance from it.
    int lowest = cardwire::PortCount;
    for (const packed::Screen& s : scan.screens)
        for (const packed::Port& p : s.ports)
            lowest = std::min(lowest, int(p.number));
    QList<int> numbers;
    for (const packed::Screen& s : scan.screens) {
        for (const packed::Port& p : s.ports) {
            if (numbers.contains(p.number)) {
                *why = "scan file names a port in two screens";
                return JobBadFile;
            }
            numbers << p.number;
            const int to = int(m_line.port) + int(p.number) - lowest;
            const int before = m_scan.size();
            for (int c = 0; c < p.cards.size(); ++c)
                for (const QByteArray& rec : p.cards[c].records)
                    m_scan.append(ScanItem{uint8_t(to), uint8_t(c), rec});
            if (m_scan.size() > before)
                m_ports << to;
        }
    }
    if (m_scan.isEmpty()) {
        *why = "scan file holds no record";
        return JobBadFile;
    }
    // All or nothing: no port gets its records while another cannot get its own.
    for (int to : m_ports) {
        if (to >= cardwire::PortCount || !(links & (1u << to))) {
            *why = "port without link";
            return JobNoLink;
        }
    }
    return JobDone;
}

int CardJobs::current_port(uint8_t job) const
{
    if (job == JobScanFile && m_checked)
        return m_scan.value(m_record).port;
    return m_ports.value(m_cursor, -1);
}

void CardJobs::job_send(uint8_t job)
{
    const int port = current_port(job);
    if (port < 0) {
        finish(job, "no port");
        return;
    }
    QByteArray payload;
    uint8_t cmd = 0;
    switch (job) {
    case JobMapping:
        cmd = cardwire::Mapping;
        cardwire::put16(&payload, m_line.cabinet_w);
        cardwire::put16(&payload, m_line.cabinet_h);
        cardwire::put16(&payload, m_line.offset_x);
        cardwire::put16(&payload, m_line.offset_y);
        payload.append(char(m_line.rows));
        payload.append(char(m_line.cols));
        payload.append(char(m_line.route));
        cardwire::put16(&payload, uint16_t(m_total - m_remaining));
        break;
    case JobScanFile:
        if (!m_checked) {
            cmd = cardwire::Query;
        } else {
            cmd = cardwire::ScanRecord;
            payload.append(char(m_scan[m_record].card));
            payload.append(m_scan[m_record].record);
        }
        break;
    case JobCure: cmd = cardwire::Cure; break;
    case JobMapSwitch:
        cmd = cardwire::RegWrite;
        payload.append(char(m_value & 0xFF));
        break;
    case JobQuery:
        cmd = cardwire::Query;
        g_send_para.card_index = kNoReplyYet;
        break;
    case JobRecover: {
        cmd = cardwire::Recover;
        payload.append(char(kept().card));
        payload.append(char(m_record + 1 == m_total ? 1 : 0));
        payload.append(m_card_records.value(m_record));
        break;
    }
    default: finish(job, "unknown job"); return;
    }
    g_send_para.port_cursor = uint8_t(port);
    g_send_para.reply_flag = 0;
    if (!send(port, cardwire::frame(cmd, payload))) {
        if (job == JobScanFile) {
            // A frame not taken is the FPGAs' or the port's, never the cards'.
            const JobOutcome why = port_fault(port);
            wizard_end(job, why == JobNoFpga ? JobNoFpga : JobNoLink, "FPGA did not take the frame");
        } else if (job == JobRecover)
            finish(job, "FPGA did not take the frame");
        else
            port_done(job, false, QByteArray());
        return;
    }
    g_send_para.step_tick = g_send_para.counter_tick = G_timeTicks.load();
    g_send_para.set_step(StepWait);
}

void CardJobs::job_wait(uint8_t job)
{
    const int port = current_port(job);
    QByteArray reply;
    if (take_reply(port, &reply)) {
        g_send_para.reply_flag = 1;
        port_done(job, true, reply);
        return;
    }
    const int waited = Utils::getTimeSpace(g_send_para.step_tick);
    if (job == JobScanFile && !m_checked) {
        progress(job, std::min(99, 100 * Utils::getTimeSpace(g_send_para.start_tick) / CheckTicks));
        if (waited >= CheckTicks)
            wizard_end(job, port_fault(port), "cards did not answer the check");
        return;
    }
    // About once a second the wheel moves on while the cards are silent.
    if (Utils::getTimeSpace(g_send_para.counter_tick) >= 100) {
        g_send_para.counter_tick = G_timeTicks.load();
        m_counter = std::min(99, m_counter + 1);
        progress(job, m_counter);
    }
    if (waited >= ReplyTicks) {
        if (job == JobScanFile)
            wizard_end(job, port_fault(port), "cards did not take the record");
        else if (job == JobRecover)
            finish(job, "cards did not take the record");
        else
            port_done(job, false, QByteArray()); // silent port: none found
    }
}

void CardJobs::port_done(uint8_t job, bool replied, const QByteArray& reply)
{
    const int n = m_ports.size();
    if (job == JobMapping || job == JobCure || job == JobMapSwitch)
        m_answered += replied ? 1 : 0;
    // A port that took no frame or gave no answer because an FPGA stopped: the job cannot
    // go on, and a job that reached only some ports is no success.
    if (!replied && job != JobScanFile && job != JobRecover && !fpga_up()) {
        if (job == JobQuery)
            query_end(QueryFailed, "FPGAs stopped");
        else
            wizard_end(job, JobNoFpga, "FPGAs stopped");
        return;
    }
    switch (job) {
    case JobMapping:
        if (!replied && m_cursor == 0) {
            // Cabinet 0 belongs to the chosen port's cards: no other port's cards take it.
            wizard_end(job, port_fault(m_ports.value(0, -1)), "the chosen port's cards did not answer");
            return;
        }
        if (replied && reply.size() >= 3) {
            const int taken = std::min(m_remaining, int(uint8_t(reply[1])));
            m_remaining -= taken;
        }
        progress(job, std::min(89, (m_total - m_remaining) * 90 / m_total));
        if (m_remaining <= 0) {
            m_cursor = n; // every cabinet has its card
        }
        break;
    case JobScanFile:
        if (!m_checked) {
            // Every port's cards answer the check before any record goes out.
            if (++m_cursor >= n) {
                m_checked = true;
                m_cursor = 0;
                g_send_para.start_tick = G_timeTicks.load();
            }
            g_send_para.set_step(StepSend);
            return;
        }
        ++m_record;
        progress(job, std::min(94, m_record * 95 / m_total));
        if (m_record < m_total) {
            g_send_para.set_step(StepSend);
            return;
        }
        m_cursor = n; // the records went to all their ports
        break;
    case JobCure:
    case JobMapSwitch:
        progress(job, std::min(94, (m_cursor + 1) * 95 / n));
        break;
    case JobQuery: {
        const bool answered = replied && reply.size() >= 4;
        const int index = answered ? uint8_t(reply[2]) : cardwire::NoCard;
        m_answered += answered ? 1 : 0;
        g_send_para.card_index = uint16_t(index == cardwire::NoCard ? kNoneOnPort : index);
        if (index != cardwire::NoCard) {
            // Screen, port number and card count as the recovery file gives them.
            const QPair<int, int> t = m_targets.value(m_cursor);
            const packed::Port& port = m_recovery.screens[t.first].ports[t.second];
            Kept k = m_query_stamp;
            k.valid = true;
            k.screen = t.first;
            k.entry = t.second;
            k.port = port.number;
            k.card = index;
            k.cards = port.card_count();
            {
                QMutexLocker lock(&m_kept_mutex);
                m_kept = k;
            }
            m_entry_handed = true;
            query_end(QueryFound, nullptr, result_entry(k.screen, k.port, k.card, k.cards));
            if (YuqRamPara* p = YuqRamPara::p_yuqrampara_config)
                p->test_signal(1);
            return;
        }
        progress(job, std::min(99, (m_cursor + 1) * 100 / n));
        break;
    }
    case JobRecover:
        ++m_record;
        progress(job, std::min(99, m_record * 100 / m_total));
        if (m_record < m_total) {
            g_send_para.set_step(StepSend);
            return;
        }
        {
            QMutexLocker lock(&m_kept_mutex);
            m_kept = Kept();
        }
        if (m_entry_handed) {
            m_entry_handed = false;
            emit PanelBridge::instance()->sig_recovery_result(QString());
            if (YuqRamPara* p = YuqRamPara::p_yuqrampara_config)
                p->test_signal(99);
        }
        finish(job, nullptr);
        return;
    default: break;
    }
    next_port_or_end(job);
}

JobOutcome CardJobs::port_fault(int port) const
{
    // Asked now, not as at the job's start: the FPGAs first, then the port's link.
    if (!fpga_up())
        return JobNoFpga;
    const uint32_t links = m_hooks.link_map ? m_hooks.link_map() : 0;
    if (port < 0 || port >= cardwire::PortCount || !(links & (1u << port)))
        return JobNoLink;
    return JobNoAnswer;
}

void CardJobs::next_port_or_end(uint8_t job)
{
    if (++m_cursor < m_ports.size()) {
        g_send_para.set_step(StepSend);
        return;
    }
    if (job == JobQuery) {
        // Found none: word 15 holds the last port's answer. Failed when none answered.
        query_end(m_answered > 0 ? QueryNone : QueryFailed, m_answered > 0 ? nullptr : "no port answered");
        return;
    }
    // Job 2 got here with every record taken; the others need one port that answered.
    m_outcome = job == JobScanFile || m_answered > 0 ? JobDone : JobNoAnswer;
    // The last port is done; the wheel closes a little later.
    progress(job, job == JobMapping ? 90 : 95);
    g_send_para.step_tick = G_timeTicks.load();
    g_send_para.set_step(StepEnd);
}

void CardJobs::job_end_wait(uint8_t job)
{
    if (Utils::getTimeSpace(g_send_para.step_tick) >= EndTicks)
        wizard_end(job, m_outcome, m_outcome == JobDone ? nullptr : "no card answered");
}

void CardJobs::wizard_end(uint8_t job, JobOutcome outcome, const char* why)
{
    // The outcome first: the wizard knows what the wheel's end means when 100 arrives.
    emit PanelBridge::instance()->sig_job_outcome(job, int(outcome));
    finish(job, why);
}

void CardJobs::finish(uint8_t job, const char* why)
{
    if (why)
        std::printf("card job %d: %s\n", job, why);
    // The word first: a screen that sees 100 may post the next job at once.
    g_send_para.clear();
    progress(job, 100);
}

void CardJobs::progress(uint8_t job, int value)
{
    // The wheel only moves forward; 100 always closes it.
    if (value < 100 && value <= m_last_progress)
        return;
    m_last_progress = value;
    g_send_para.progress = uint32_t(value);
    emit_progress(job, value);
}

bool CardJobs::read_job_file(const QString& path, QByteArray* data)
{
    // Only a plain file of sensible size (the reader turns a fifo or device away).
    return !path.isEmpty() && Utils::read_file(path, data, kMaxJobFile) && !data->isEmpty();
}

bool CardJobs::recovery_file(Kept* where)
{
    if (!m_hooks.lister)
        return false;
    QMutexLocker lock(&Utils::_file_deal_mutex);
    if (m_hooks.lister->get_dir_file(QString::fromLatin1(kRecoveryDir)) != 0)
        return false;
    const QStringList names = m_hooks.lister->file_list(rcvRecovery::RecoveryFiles);
    if (names.size() != 1)
        return false;
    where->path = QString::fromLatin1(kRecoveryDir) + QLatin1Char('/') + names.first();
    file_stamp(where->path, &where->size, &where->mtime);
    m_query_stamp = *where;
    if (!read_job_file(where->path, &m_file))
        return false;
    const packed::Error e = packed::parse(m_file, &m_recovery);
    if (e != packed::Error::None) {
        std::printf("recovery file %s: %s\n", qPrintable(where->path), packed::error_text(e));
        return false;
    }
    return true;
}

void CardJobs::query_end(QueryOutcome outcome, const char* why, const QString& entry)
{
    // The outcome first: the screen knows what the wheel's end means when 100 arrives.
    emit PanelBridge::instance()->sig_recovery_query(int(outcome), entry);
    finish(JobQuery, why);
}

bool CardJobs::send(int port, const QByteArray& frame)
{
    const auto bus = platform::card_bus();
    if (!bus)
        return false;
    QMutexLocker lock(m_hooks.frame_mutex); // a null mutex locks nothing
    return bus->send(port, frame) == 0;
}

bool CardJobs::take_reply(int port, QByteArray* reply)
{
    const auto bus = platform::card_bus();
    if (!bus || port < 0)
        return false;
    {
        QMutexLocker lock(m_hooks.frame_mutex);
        if (!bus->reply(port, reply))
            return false;
    }
    return cardwire::frame_ok(*reply);
}
