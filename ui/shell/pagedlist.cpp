#include "pagedlist.h"

#include "screenkit.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtDebug>

namespace kit {

const char* const PagedList::RowSheet = "background-color: rgb(33, 36, 53);color: #FFFFFF";
const char* const PagedList::ChosenSheet = "background-color:#4777FF;color: #FFFFFF;";

namespace {
// Four 20 px rows inside the 90 px frame's border: 22 px apart, a pixel clear of its top
// and bottom edges (25 px apart, the fourth would leave the frame).
constexpr int kRowHeight = 20;
int row_y(int r)
{
    return 2 + 22 * r;
}
} // namespace

PagedList::PagedList(QWidget* host) : QObject(host), m_host(host) {}

QLabel* PagedList::row_label(int r) const
{
    return r >= 0 && r < Rows ? m_rows[r] : nullptr;
}

QPushButton* PagedList::row_button(int r) const
{
    return r >= 0 && r < Rows ? m_buttons[r] : nullptr;
}

void PagedList::rebuild(int count, const Fill& fill, const QString& empty)
{
    if (m_frame) {
        // An arrow of the old frame may be the sender of this rebuild.
        m_frame->hide();
        m_frame->setObjectName(QString());
        m_frame->deleteLater();
    }
    for (int r = 0; r < Rows; ++r) {
        m_rows[r] = nullptr;
        m_buttons[r] = nullptr;
    }
    m_note = nullptr;
    m_previous = m_next = nullptr;
    m_last = count <= 0 ? 0 : (count - 1) / Rows;
    m_page = qBound(0, m_page, m_last);

    m_frame = new QFrame(m_host);
    m_frame->setObjectName(QStringLiteral("frame_file"));
    m_frame->setGeometry(10, 50, 280, 90);
    m_frame->setStyleSheet(QStringLiteral("#frame_file{background-color: rgb(33, 36, 53);border:1px solid #FFFFFF;}"));
    QFont small = m_host->font();
    small.setPointSize(7);
    auto label_at = [&](int r) {
        auto* l = new QLabel(m_frame);
        l->setGeometry(5, row_y(r), 220, kRowHeight);
        l->setFont(small);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };

    if (count <= 0) {
        m_note = label_at(0);
        m_note->setStyleSheet(QString::fromLatin1(RowSheet));
        m_note->setText(empty);
        fit_text(m_note);
    }
    const int first = Rows * m_page;
    for (int i = first; i < first + Rows && i < count; ++i) {
        Row row;
        if (!fill(i, &row))
            continue;
        const int r = i - first;
        QLabel* label = label_at(r);
        label->setTextFormat(row.rich ? Qt::RichText : Qt::PlainText);
        label->setText(row.text);
        label->setStyleSheet(QString::fromLatin1(row.chosen ? ChosenSheet : RowSheet));
        auto* button = new QPushButton(m_frame);
        button->setGeometry(label->geometry());
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setObjectName(QString::number(r));
        connect(button, &QPushButton::clicked, this, &PagedList::row_touched);
        m_rows[r] = label;
        m_buttons[r] = button;
    }
    // Beside the first and the last row.
    auto arrow = [&](int row, const char* picture) {
        auto* b = new QPushButton(m_frame);
        b->setGeometry(250, row_y(row), 20, kRowHeight);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(QStringLiteral("background-color: rgb(33, 36, 53);"));
        set_icon(b, pic(QString::fromLatin1(picture)), 20, 20);
        return b;
    };
    if (m_page > 0) {
        m_previous = arrow(0, "previous.png");
        connect(m_previous, &QPushButton::clicked, this, &PagedList::previous);
    }
    if (m_page < m_last) {
        m_next = arrow(Rows - 1, "next.png");
        connect(m_next, &QPushButton::clicked, this, &PagedList::next);
    }
    m_frame->show();
}

void PagedList::previous()
{
    if (m_page > 0)
        --m_page;
    qDebug("\n yuq_Button_previous_clicked  current_page = %d\n", m_page);
    emit paged(m_page);
}

void PagedList::next()
{
    m_page = m_page >= m_last ? 0 : m_page + 1;
    qDebug("\n yuq_Button_next_clicked  current_page = %d\n", m_page);
    emit paged(m_page);
}

// A touched row is shown chosen; the choice is only shown.
void PagedList::row_touched()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button)
        return;
    if (QLabel* old = row_label(m_chosen))
        old->setStyleSheet(QStringLiteral("background-color: rgb(33, 36, 53);color: #FFFFFF;"));
    m_chosen = qBound(0, button->objectName().toInt(), Rows - 1);
    qDebug("\n yuq_button_file_clicked ...file_select = %d\n", m_chosen);
    if (QLabel* now = row_label(m_chosen))
        now->setStyleSheet(QString::fromLatin1(ChosenSheet));
}

} // namespace kit
