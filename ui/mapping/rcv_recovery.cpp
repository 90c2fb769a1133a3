#include "rcv_recovery.h"
#include "ui_rcv_recovery.h"

#include "core/yuqrampara.h"
#include "fpga/card_jobs.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/screens.h"
#include "yuq_texts.h"

#include <QLabel>
#include <QPushButton>
#include <QVariant>
#include <QtDebug>

namespace {
const char* const kUnfocused = "color:rgb(255, 255, 255);border:1px solid rgb(255, 255, 255);";
const char* const kFocused = "color:rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
constexpr uint16_t kNoReplyYet = 0xFFFF;
constexpr uint16_t kNoneOnPort = 0x00FF;
} // namespace

rcv_recovery::rcv_recovery(QWidget* parent) : PanelDialog(page::rcv_recovery, parent), ui(new Ui::rcv_recovery)
{
    ui->setupUi(this);
    m_list = new kit::PagedList(ui->frame);
    connect(m_list, &kit::PagedList::paged, this, &rcv_recovery::rcv_self_recovery_file_list);
    ui->label_para_file->hide();
    ui->Button_closetest->hide();
    m_focus[0] = ui->Button_check;
    m_focus[1] = ui->Button_self_covery;
    ui->Button_check->setStyleSheet(QString::fromLatin1(kFocused));
    retext();
}

rcv_recovery::~rcv_recovery()
{
    delete ui;
}

void rcv_recovery::retext()
{
    ui->label_title->setText(kit::text(Txt::rcv_recovery_title));
    kit::fit_text(ui->label_title);
    ui->label_rcv_update->setText(kit::text(Txt::rcv_recovery_update));
    kit::fit_text(ui->label_rcv_update);
    ui->Button_check->setText(kit::text(Txt::rcv_recovery_check));
    ui->Button_self_covery->setText(kit::text(Txt::rcv_recovery_recover));
    ui->Button_closetest->setText(kit::text(Txt::rcv_recovery_closetest));
    const int pt = kit::shown_language() == 3 ? 7 : 9;
    for (QPushButton* b : {ui->Button_check, ui->Button_self_covery}) {
        QFont f = b->font();
        f.setPointSize(pt);
        b->setFont(f);
        b->setProperty("fit_base", QVariant()); // fitted from this language's size
        kit::fit_text(b);                       // the Russian words
    }
    rcv_self_recovery_file_list();
}

void rcv_recovery::back()
{
    if (g_qround_bar)
        return; // the job's wheel closes first
    kit::close_by_back(this);
}

void rcv_recovery::refresh(kit::Refresh code)
{
    ScreenBase::refresh(code);
    const uint16_t index = g_send_para.card_index.load();
    if (code == kit::Refresh::RecoveryResult || (index != kNoReplyYet && index != kNoneOnPort))
        rcv_self_recovery_file_list();
}

void rcv_recovery::request(int what, int value, const QString& text)
{
    switch (what) {
    case kit::ReqQueryOutcome:
        m_found = value == QueryFound && !text.isEmpty();
        m_failed = value == QueryFailed;
        m_entries = m_found ? QStringList{text} : QStringList();
        m_list->set_page(0);
        rcv_self_recovery_file_list();
        break;
    case kit::ReqRecoveryResult:
        // The recovered card's entry goes with it.
        m_entries.clear();
        m_found = false;
        m_list->set_page(0);
        rcv_self_recovery_file_list();
        break;
    case kit::ReqListBackPage:
        back();
        break;
    default:
        PanelDialog::request(what, value, text);
        break;
    }
}

void rcv_recovery::set_entries(const QStringList& entries)
{
    m_entries = entries;
    m_found = !entries.isEmpty();
    m_failed = false;
    rcv_self_recovery_file_list();
}

void rcv_recovery::rcv_self_recovery_file_list()
{
    // Rows only for what the list really holds; the last entry drawn sets the block flag.
    block_flag = false;
    const int chosen = m_list->chosen();
    m_list->rebuild(
        m_entries.size(),
        [&](int p, kit::PagedList::Row* row) {
            const QStringList f = m_entries[p].split(QLatin1Char('/'));
            if (f.size() < 4)
                return false;
            // A field that is no number counts as 0; the fields are shown escaped.
            const bool beyond = f[2].toInt() > f[3].toInt();
            block_flag = beyond;
            row->rich = true;
            row->chosen = chosen == p;
            row->text = kit::text(Txt::rcv_recovery_find) + QLatin1Char(' ') + kit::text(Txt::rcv_recovery_screen)
                        + f[0].toHtmlEscaped() + QStringLiteral(", ") + kit::text(Txt::rcv_recovery_port)
                        + f[1].toHtmlEscaped() + QStringLiteral(", ") + kit::text(Txt::rcv_recovery_card)
                        + QStringLiteral("<font color = %1 >%2</font>")
                              .arg(QLatin1String(beyond ? "#FF0000" : "#FFFFFF"), f[2].toHtmlEscaped());
            qDebug() << row->text;
            return true;
        },
        kit::text(m_failed ? Txt::rcv_recovery_failed : Txt::rcv_recovery_empty));
}

void rcv_recovery::select(int index)
{
    kit::move_focus(m_focus[ui_select], QString::fromLatin1(kUnfocused), m_focus[index], QString::fromLatin1(kFocused));
    ui_select = uint8_t(index);
}

void rcv_recovery::key_left()
{
    if (!g_qround_bar)
        select(kit::step(ui_select, 2, -1));
}

void rcv_recovery::key_right()
{
    if (!g_qround_bar)
        select(kit::step(ui_select, 2, 1));
}

bool rcv_recovery::post(uint8_t job)
{
    if (!post_card_job(job))
        return false;
    QRoundProgressBar::create_qround_bar(this);
    if (g_qround_bar)
        connect(this, &PanelDialog::sig_qround_bar_update, g_qround_bar, &QRoundProgressBar::para_sync);
    return true;
}

void rcv_recovery::key_ok()
{
    qDebug("this is OK button(rcv_recovery)[Release]\n");
    if (g_send_para.job() != 0 || g_qround_bar)
        return; // a card or mapping job runs
    if (ui_select == 0) {
        if (CardJobs::runner() && !card_job_postable())
            return; // refused while the USB upgrade runs: the list stays as it is
        const bool posted = post(JobQuery);
        m_entries.clear();
        m_found = false;
        m_failed = !posted; // no FPGA side to ask
        m_list->set_page(0);
        rcv_self_recovery_file_list();
        return;
    }
    if (block_flag)
        return; // the card lies beyond its port's cards in the file
    if (m_entries.isEmpty() || !m_found) {
        select(0); // nothing found to recover
        return;
    }
    post(JobRecover);
}

YUQ_SCREEN(rcv_recovery)
