#include "rcv_recovery.h"
#include "ui_rcv_recovery.h"

#include "core/yuqrampara.h"
#include "fpga/card_jobs.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/screens.h"
#include "yuq_texts.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVariant>
#include <QtDebug>

namespace {
const char* const kUnfocused = "color:rgb(255, 255, 255);border:1px solid rgb(255, 255, 255);";
const char* const kFocused = "color:rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
const char* const kRow = "background-color: rgb(33, 36, 53);color: #FFFFFF";
const char* const kRowChosen = "background-color:#4777FF;color: #FFFFFF;";
constexpr uint16_t kNoReplyYet = 0xFFFF;
constexpr uint16_t kNoneOnPort = 0x00FF;
} // namespace

rcv_recovery::rcv_recovery(QWidget* parent) : PanelDialog(page::rcv_recovery, parent), ui(new Ui::rcv_recovery)
{
    ui->setupUi(this);
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
        current_page = 0;
        rcv_self_recovery_file_list();
        break;
    case kit::ReqRecoveryResult:
        // The recovered card's entry goes with it.
        m_entries.clear();
        m_found = false;
        current_page = 0;
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
    if (frame_file) {
        // A page arrow of the old frame may be the sender of this rebuild.
        frame_file->hide();
        frame_file->setObjectName(QString());
        frame_file->deleteLater();
    }
    for (int r = 0; r < RowsPerPage; ++r) {
        m_rows[r] = nullptr;
        m_row_buttons[r] = nullptr;
    }
    m_note = nullptr;
    m_previous = m_next = nullptr;

    frame_file = new QFrame(ui->frame);
    frame_file->setObjectName(QStringLiteral("frame_file"));
    frame_file->setGeometry(10, 50, 280, 90);
    frame_file->setStyleSheet(QStringLiteral("#frame_file{background-color: rgb(33, 36, 53);border:1px solid #FFFFFF;}"));
    QFont small = font();
    small.setPointSize(7);

    // Rows only for what the list really holds.
    const int count = m_entries.size();
    last_page = count == 0 ? 0 : (count - 1) / RowsPerPage;
    current_page = qBound(0, current_page, last_page);
    if (count == 0) {
        m_note = new QLabel(frame_file);
        m_note->setGeometry(5, 5, 220, 20);
        m_note->setFont(small);
        m_note->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        m_note->setStyleSheet(QString::fromLatin1(kRow));
        m_note->setText(kit::text(m_failed ? Txt::rcv_recovery_failed : Txt::rcv_recovery_empty));
        kit::fit_text(m_note);
    }
    const int first = RowsPerPage * current_page;
    for (int p = first; p < first + RowsPerPage && p < count; ++p) {
        const int r = p - first;
        const QStringList f = m_entries[p].split(QLatin1Char('/'));
        if (f.size() < 4)
            continue;
        // A field that is no number counts as 0; the entry's own text is shown escaped.
        const bool beyond = f[2].toInt() > f[3].toInt();
        block_flag = beyond;
        const QString text = kit::text(Txt::rcv_recovery_find) + QLatin1Char(' ')
                             + kit::text(Txt::rcv_recovery_screen) + f[0].toHtmlEscaped() + QStringLiteral(", ")
                             + kit::text(Txt::rcv_recovery_port) + f[1].toHtmlEscaped() + QStringLiteral(", ")
                             + kit::text(Txt::rcv_recovery_card)
                             + QStringLiteral("<font color = %1 >%2</font>")
                                   .arg(QLatin1String(beyond ? "#FF0000" : "#FFFFFF"), f[2].toHtmlEscaped());
        qDebug() << text;
        auto* label = new QLabel(frame_file);
        label->setGeometry(5, 5 + 25 * r, 220, 20);
        label->setFont(small);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::RichText);
        label->setText(text);
        label->setStyleSheet(QString::fromLatin1(file_select == p ? kRowChosen : kRow));
        auto* button = new QPushButton(frame_file);
        button->setGeometry(5, 5 + 25 * r, 220, 20);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setObjectName(QString::number(r));
        connect(button, &QPushButton::clicked, this, &rcv_recovery::yuq_button_file_clicked);
        m_rows[r] = label;
        m_row_buttons[r] = button;
    }
    if (count == 0)
        block_flag = false;
    auto arrow = [&](int y, const char* picture) {
        auto* b = new QPushButton(frame_file);
        b->setGeometry(250, y, 20, 20);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(QStringLiteral("background-color: rgb(33, 36, 53);"));
        kit::set_icon(b, kit::pic(QString::fromLatin1(picture)), 20, 20);
        return b;
    };
    if (current_page > 0) {
        m_previous = arrow(5, "previous.png");
        connect(m_previous, &QPushButton::clicked, this, &rcv_recovery::yuq_Button_previous_clicked);
    }
    if (current_page < last_page) {
        m_next = arrow(80, "next.png");
        connect(m_next, &QPushButton::clicked, this, &rcv_recovery::yuq_Button_next_clicked);
    }
    frame_file->show();
}

void rcv_recovery::yuq_Button_previous_clicked()
{
    if (current_page > 0)
        --current_page;
    rcv_self_recovery_file_list();
    qDebug("\n yuq_Button_previous_clicked  current_page = %d\n", current_page);
}

void rcv_recovery::yuq_Button_next_clicked()
{
    current_page = current_page >= last_page ? 0 : current_page + 1;
    rcv_self_recovery_file_list();
    qDebug("\n yuq_Button_next_clicked  current_page = %d\n", current_page);
}

// A touched row is shown chosen; neither job uses the choice.
void rcv_recovery::yuq_button_file_clicked()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button)
        return;
    if (QLabel* old = row_label(file_select))
        old->setStyleSheet(QStringLiteral("background-color: rgb(33, 36, 53);color: #FFFFFF;"));
    file_select = qBound(0, button->objectName().toInt(), RowsPerPage - 1);
    qDebug("\n yuq_button_file_clicked ...file_select = %d\n", file_select);
    if (QLabel* now = row_label(file_select))
        now->setStyleSheet(QString::fromLatin1(kRowChosen));
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
        const bool posted = card_job_postable() && post(JobQuery);
        if (!posted && card_job_postable())
            return; // refused (the USB upgrade runs)
        m_entries.clear();
        m_found = false;
        m_failed = !posted; // no FPGA side to ask
        current_page = 0;
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
