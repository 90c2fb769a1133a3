#include "numberkeyboard.h"
#include "ui_numberkeyboard.h"

#include "screenkit.h"
#include "screens.h"

#include <QKeyEvent>
#include <QValidator>
#include <QtDebug>

namespace {
const char* const kKey = "background-color: rgb(255, 255, 255);border:1px ;";
const char* const kKeyFocus = "background-color: rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
const char* const kOk = "background-color: rgb(71, 119, 255);border:1px ;";
const char* const kOkFocus = "background-color: rgb(71, 119, 255);border:1px solid rgb(255,171,84);";

constexpr int kDigit0 = 9, kClear = 10, kBackspace = 11, kClose = 12, kOkKey = 13;

// The digits typed since the pad was opened; one pad, so one buffer.
QString l_str;

// Digits and '*' only (a regular expression engine would cost the panel half a megabyte).
class DigitsValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& s, int&) const override
    {
        for (QChar c : s)
            if (c != QLatin1Char('*') && (c < QLatin1Char('0') || c > QLatin1Char('9')))
                return Invalid;
        return s.isEmpty() ? Intermediate : Acceptable;
    }
};
} // namespace

NumberKeyboard* number_pad()
{
    if (!g_numberkeyboard) {
        g_numberkeyboard = new NumberKeyboard(nullptr);
        g_numberkeyboard->setWindowFlags(g_numberkeyboard->windowFlags() | Qt::FramelessWindowHint);
        const QWidget* home = kit::instance(page::MainWindow);
        const QPoint origin = home ? home->pos() : QPoint();
        g_numberkeyboard->setGeometry(origin.x() + 160, origin.y(), 160, 240);
    }
    return g_numberkeyboard;
}

NumberKeyboard::NumberKeyboard(QWidget* parent) : QDialog(parent), ui(new Ui::NumberKeyboard)
{
    ui->setupUi(this);
    ui->lineEdit->setValidator(new DigitsValidator(ui->lineEdit));
    kit::set_icon(ui->ButtonX, kit::pic(QStringLiteral("delete.png")), 20, 20);
    menulist_init();
}

NumberKeyboard::~NumberKeyboard()
{
    delete ui;
}

void NumberKeyboard::menulist_init()
{
    QPushButton* keys[KeyCount] = {ui->Button1, ui->Button2, ui->Button3, ui->Button4,
                                   ui->Button5, ui->Button6, ui->Button7, ui->Button8,
                                   ui->Button9, ui->Button0, ui->ButtonC, ui->ButtonX,
                                   ui->Button_close, ui->Button_ok};
    std::copy(keys, keys + KeyCount, m_keys);
    ui_select = 0;
    m_focused = ui->Button1;
    // Every key in its plain look from the start (not only those the focus has passed);
    // no frame until the first left or right key.
    for (int i = 0; i < KeyCount; ++i)
        set_look(i, false);
}

void NumberKeyboard::label_show(const QString& title, const QString& value)
{
    ui->label->setText(title);
    kit::fit_text_remembered(ui->label); // "Пароль" is wider than the title's box
    l_str.clear();
    ui->lineEdit->setText(value);
    language_changed();
}

void NumberKeyboard::language_changed()
{
    ui->Button_close->setText(kit::text(Txt::numberkeyboard_cancle));
    ui->Button_ok->setText(kit::text(Txt::numberkeyboard_ok));
}

QString NumberKeyboard::shown_value() const
{
    return ui->lineEdit->text();
}

QString NumberKeyboard::title() const
{
    return ui->label->text();
}

void NumberKeyboard::set_look(int index, bool focused)
{
    const char* s = index == kOkKey ? (focused ? kOkFocus : kOk) : (focused ? kKeyFocus : kKey);
    m_keys[index]->setStyleSheet(QString::fromLatin1(s));
}

void NumberKeyboard::type_digit(int digit)
{
    // Every digit appends, 0 included: 90, 900 and 901 are ordinary values.
    l_str += QString::number(digit);
    ui->lineEdit->setText(l_str);
    qDebug() << "l_str =" << l_str;
}

void NumberKeyboard::on_ButtonC_clicked()
{
    ui->lineEdit->setText(QStringLiteral("0"));
    l_str.clear();
}

void NumberKeyboard::on_ButtonX_clicked()
{
    QString t = ui->lineEdit->text();
    t.chop(1);
    ui->lineEdit->setText(t);
    l_str = t;
}

void NumberKeyboard::on_Button_ok_clicked()
{
    emit sendKeyBoardUIDataToLineEdit(ui->lineEdit->text());
    hide();
}

void NumberKeyboard::on_Button_close_clicked()
{
    hide();
}

void NumberKeyboard::keyPressEvent(QKeyEvent* e)
{
    const kit::Key r = kit::key_role(e->key());
    if (r == kit::Key::Ok || r == kit::Key::Back)
        kit::log_key("NumberKeyboard", r, false);
}

void NumberKeyboard::keyReleaseEvent(QKeyEvent* e)
{
    switch (kit::key_role(e->key())) {
    case kit::Key::Left:
    case kit::Key::Right: {
        const bool right = kit::key_role(e->key()) == kit::Key::Right;
        qDebug("this is %s-code [NumberKeyboard][Release] ui_select=%#x", right ? "right" : "left",
               unsigned(ui_select));
        set_look(ui_select, false);
        ui_select = uint8_t(kit::step(ui_select, KeyCount, right ? 1 : -1));
        m_focused = m_keys[ui_select];
        set_look(ui_select, true);
        break;
    }
    case kit::Key::Ok:
        kit::log_key("NumberKeyboard", kit::Key::Ok, true);
        if (ui_select < kDigit0)
            type_digit(ui_select + 1);
        else if (ui_select == kDigit0)
            type_digit(0);
        else if (ui_select == kClear)
            on_ButtonC_clicked();
        else if (ui_select == kBackspace)
            on_ButtonX_clicked();
        else if (ui_select == kClose)
            on_Button_close_clicked();
        else
            on_Button_ok_clicked();
        break;
    case kit::Key::Back:
        kit::log_key("NumberKeyboard", kit::Key::Back, true);
        on_Button_close_clicked();
        break;
    case kit::Key::Mode:
    case kit::Key::None:
        break; // nothing, and nothing handed to the keypad shortcuts
    }
}
