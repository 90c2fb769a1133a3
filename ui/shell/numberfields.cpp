#include "numberfields.h"

#include "my_lineedit.h"
#include "numberkeyboard.h"
#include "screens.h"

namespace kit {

NumberFields::NumberFields(QWidget* screen, Title title, Apply apply)
    : QObject(screen), m_title(std::move(title)), m_apply(std::move(apply))
{
}

namespace {
// The pad's exec() has not returned yet (it may be hidden already, its loop ending): one
// pad, one loop; another exec() would be refused by Qt and leave this one's state behind.
bool g_padLoop = false;

// Whether the pad is open, or its loop still ending.
bool pad_busy()
{
    return (g_numberkeyboard && g_numberkeyboard->isVisible()) || g_padLoop;
}

void run_pad(NumberKeyboard* p)
{
    g_padLoop = true;
    p->exec();
    g_padLoop = false;
}
} // namespace

NumberKeyboard* NumberFields::pad()
{
    NumberKeyboard* p = number_pad();
    connect(p, &NumberKeyboard::sendKeyBoardUIDataToLineEdit, this, &NumberFields::confirmString,
            Qt::UniqueConnection);
    return p;
}

NumberFields::~NumberFields()
{
    if (!m_pending)
        return;
    // The screen closes under its own pad: the field goes with it, so the pad closes too.
    g_lineedit = nullptr;
    if (g_numberkeyboard)
        g_numberkeyboard->hide();
}

void NumberFields::add(My_lineEdit* field)
{
    if (!field)
        return;
    m_fields.append(field);
    connect(field, &My_lineEdit::send_show, this, &NumberFields::show_numberkeyboard_ui);
}

bool NumberFields::owns(const QLineEdit* field) const
{
    if (!field)
        return false;
    for (const QPointer<QLineEdit>& f : m_fields)
        if (f.data() == field)
            return true;
    return false;
}

void NumberFields::show_numberkeyboard_ui(QString text)
{
    Q_UNUSED(text); // the field's own text is shown, read when the pad opens
    QLineEdit* field = qobject_cast<QLineEdit*>(sender());
    if (!field || !owns(field) || pad_busy())
        return; // one pad, one field at a time
    g_lineedit = field;
    m_pending = true;
    NumberKeyboard* p = pad();
    p->label_show(title(field), field->text());
    QPointer<NumberFields> self(this);
    run_pad(p);
    if (!self)
        return; // the screen closed meanwhile; its destructor cleaned up
    m_pending = false;
    if (g_lineedit == field)
        g_lineedit = nullptr;
}

bool NumberFields::ask(const QString& title, const QString& shown, QString* value)
{
    if (pad_busy() || m_pending)
        return false;
    g_lineedit = nullptr; // no field takes this value
    m_pending = m_asking = true;
    m_answered = false;
    m_answer.clear();
    NumberKeyboard* p = pad();
    p->label_show(title, shown);
    QPointer<NumberFields> self(this);
    run_pad(p);
    if (!self)
        return false;
    m_pending = m_asking = false;
    if (!m_answered)
        return false;
    if (value)
        *value = m_answer;
    return true;
}

void NumberFields::confirmString(QString value)
{
    if (m_pending && m_asking) {
        m_answered = true;
        m_answer = value;
        return;
    }
    if (!m_pending || !owns(g_lineedit))
        return;
    QLineEdit* field = g_lineedit;
    if (m_apply)
        m_apply(field, value);
    else
        field->setText(value);
}

} // namespace kit
