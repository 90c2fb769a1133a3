#include "custommode.h"
#include "ui_custommode.h"

#include "yuqcontrol.h"
#include "core/alias.h"
#include "core/image_edit.h"
#include "core/global.h"
#include "core/omenu.h"
#include "core/yuqrampara.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"
#include "ui/shell/sourceinfo.h"

#include <QColor>
#include <QComboBox>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QtDebug>
#include <cstring>

namespace {
YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

// Slot data offset of an image field.
constexpr int at(int imageOffset)
{
    return imageOffset - USER_MODE_IMAGE_BASE;
}

const unsigned char* slot_data(int s)
{
    return para()->user_mode[s] + 2;
}

// "#" + a colour text without its first two characters ("0xRRGGBB" -> "#RRGGBB"); empty
// when that is no colour, so a missing or broken OSD file leaves the default look.
QString osd_colour(const std::string& text)
{
    if (text.size() < 3)
        return QString();
    const QString c = QLatin1Char('#') + QString::fromStdString(text.substr(2));
    return QColor::isValidColor(c) ? c : QString();
}

// Sets a text and fits it to its label, only when the text changed.
void set_fitted(QLabel* l, const QString& text)
{
    if (l->text() == text)
        return;
    l->setText(text);
    kit::fit_text_remembered(l);
}
} // namespace

// The window list: per window a numbered badge in its colour and two lines (input and
// state; position and size), painted in the look of the labels it stands for (10 px,
// white lines, the badge's number in the text colour), so an open styles no widgets.
class CustomMode::WindowList : public QWidget
{
public:
    explicit WindowList(QWidget* parent) : QWidget(parent)
    {
        m_font = QFont(font(), this);
        m_font.setPixelSize(10);
        for (int w = 0; w < WINDOW_COUNT; ++w)
            m_number[w].set(QString::number(w + 1), m_font);
    }

    // Repaints a window's lines only when their text changed.
    void set(int w, const QString& input, const QString& position)
    {
        for (int k = 0; k < 2; ++k) {
            const QString& t = k ? position : input;
            if (t == m_text[w][k])
                continue;
            m_text[w][k] = t;
            m_line[w][k].set(t, m_font);
            update(line_rect(w, k));
        }
    }

    QStringList texts() const
    {
        QStringList t;
        for (int w = 0; w < WINDOW_COUNT; ++w)
            t << QString::number(w + 1) << m_text[w][0] << m_text[w][1];
        return t;
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        static const QColor colours[WINDOW_COUNT] = {QColor(0xD5, 0xE5, 0xFF), QColor(0xD4, 0xFC, 0x79),
                                                     QColor(0xFC, 0x9D, 0x79), QColor(0x7E, 0x9A, 0xC9),
                                                     QColor(0x32, 0xCC, 0x4C), QColor(0x47, 0x77, 0xFF)};
        QPainter p(this);
        p.setFont(m_font);
        const QColor text = palette().color(QPalette::WindowText);
        // In window order, as the labels stacked: a right-hand badge covers the end of
        // a left-hand position line.
        for (int w = 0; w < WINDOW_COUNT; ++w) {
            const QRect badge(column(w), 2 + 30 * (w % 3), 24, 24);
            if (!e->rect().intersects(badge.united(line_rect(w, 0)).united(line_rect(w, 1))))
                continue;
            p.fillRect(badge, colours[w]);
            p.setPen(text);
            m_number[w].draw(&p, badge, Qt::AlignCenter);
            p.setPen(Qt::white);
            for (int k = 0; k < 2; ++k)
                m_line[w][k].draw(&p, line_rect(w, k), Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

private:
    static int column(int w) { return w / 3 ? 145 : 0; }
    static QRect line_rect(int w, int k)
    {
        return QRect(column(w) + 24 + (w / 3 ? 2 : 0), 2 + 30 * (w % 3) + 14 * k, k ? 140 : 100, 12);
    }

    QFont m_font;
    kit::TextLine m_number[WINDOW_COUNT];
    kit::TextLine m_line[WINDOW_COUNT][2];
    QString m_text[WINDOW_COUNT][2];
};

CustomMode::CustomMode(QWidget* parent)
    : QWidget(parent),
      ScreenBase(this, page::CustomMode),
      ui(new Ui::CustomMode),
      m_focused(QStringLiteral("background-color: #212435;color: rgb(255, 255, 255);border:1px solid rgb(255, 171, 84);")),
      // The form's own sheet of the three buttons: unfocused, they are left as they are.
      m_normal(QStringLiteral("color: rgb(255, 255, 255);\nbackground-color: rgb(33, 36, 53);\nborder:1px solid rgb(255, 255, 255);"))
{
    kit::panel_window(this); // before the form: a window flag set later re-parents every child
    ui->setupUi(this);
    m_paneFont.setPixelSize(10);
    ui->lineEdit->setReadOnly(true);
    ui->label_blank->hide();
    const int current = para()->YuqGetCurrentModeIndex();
    g_mode_select = uint8_t(current > 0 ? current - 1 : 0);
    m_selector = new yuqcontrol(QRect(19, 0, 100, 22), QRect(0, 0, 20, 22), QRect(118, 0, 20, 22), this);
    m_selector->setGeometry(3, 28, 320, 24);
    init();
    menulist_init();
    ui->label_ID->setText(QStringLiteral("ID:%1").arg(int(g_mode_select) + 1));
    retext(); // the summary and the pane too
}

CustomMode::~CustomMode()
{
    delete ui;
}

void CustomMode::init()
{
    m_selector->setFocusPolicy(Qt::NoFocus);
    m_selector->box->setFocusPolicy(Qt::NoFocus);
    // Named by retext().
    for (int i = 0; i < USER_MODE_COUNT; ++i)
        m_selector->box->addItem(QString());
    m_selector->set_boxindexsel(char(g_mode_select.load()));
}

void CustomMode::menulist_init()
{
    ui_select = g_mode_select;
    m_level = 0;
    m_selector->set_box_default();
}

void CustomMode::retext()
{
    ui->label_title->setText(kit::text(Txt::custommode_user_mode));
    ui->Button_delete->setText(kit::text(Txt::custommode_delete));
    ui->Button_use->setText(kit::text(Txt::custommode_invoke));
    ui->label_using->setText(kit::text(Txt::custommode_using));
    kit::fit_text_remembered(ui->label_using); // "Использовать" is wider than the badge
    ui->label_blank->setText(kit::text(Txt::custommode_usermode_does_not_exist));
    // The selector's names, the summary and the pane shown are texts of the language too.
    for (int i = 0; i < m_selector->box->count(); ++i)
        m_selector->box->setItemText(i, kit::text(Txt::custommode_mode_1).arg(i + 1));
    lcd_para_init();
    image_para_init();
}

int CustomMode::get_mode_status() const
{
    return para()->YuqUserModeSaved(g_mode_select) ? 1 : 0;
}

void CustomMode::lcd_para_init()
{
    const int s = g_mode_select;
    const unsigned char* d = slot_data(s);
    const QString& alias = slot_alias(s);
    if (!alias.isNull()) {
        const QString name = kit::text(Txt::custommode_name) + alias;
        kit::set_plain_text(ui->label_name, QFontMetrics(ui->label_name->font())
                                                .elidedText(name, Qt::ElideRight, 171, Qt::TextShowMnemonic));
    } else {
        set_fitted(ui->label_name, kit::text(Txt::custommode_name_mode_1).arg(s + 1));
    }
    // The Russian and Vietnamese lines run past their labels at the form's size.
    set_fitted(ui->label_LED, kit::text(Txt::custommode_led_size_1x_2)
                                  .arg(int16_t(rd16(d, at(img::LedWidth))))
                                  .arg(int16_t(rd16(d, at(img::LedHeight)))));
    // The program never stores a current window above 5; one read from a foreign file
    // counts as window 0 rather than reaching into the next record area.
    int c = rd16(d, at(img::CurrentWindow));
    if (c >= WINDOW_COUNT)
        c = 0;
    const bool volumeOn = rd16(d, at(img::Window + img::WindowSize * c + img::WinVolume)) & 0x8000;
    const QString line = volumeOn
        ? kit::text(Txt::custommode_bri_1_ctrst_2_volume_on)
        : kit::text(Txt::custommode_bri_1_ctrst_2_volume_off);
    set_fitted(ui->label_brightness,
               line.arg(int16_t(rd16(d, at(img::Brightness)))).arg(int16_t(rd16(d, at(img::Contrast)))));
    ui->Button_more->setText(kit::text(Txt::custommode_more));
    ui->label_using->setVisible(para()->YuqGetCurrentModeIndex() == s + 1);
}

void CustomMode::image_para_init()
{
    const int s = g_mode_select;
    if (!para()->YuqUserModeSaved(s)) {
        show_pane(nullptr);
        for (QWidget* w : {static_cast<QWidget*>(ui->label_LED), static_cast<QWidget*>(ui->label_brightness),
                           static_cast<QWidget*>(ui->Button_delete), static_cast<QWidget*>(ui->Button_use),
                           static_cast<QWidget*>(ui->label_using), static_cast<QWidget*>(ui->Button_more)})
            w->hide();
        ui->label_blank->show();
        m_hidden = 1;
        return;
    }
    ui->label_LED->show();
    ui->label_brightness->show();
    ui->Button_delete->show();
    ui->Button_use->show();
    ui->label_blank->hide();
    ui->label_using->setVisible(para()->YuqGetCurrentModeIndex() == s + 1);
    const bool osd = rd16(slot_data(s), at(img::OsdEnable)) != 0;
    ui->Button_more->setVisible(osd);
    m_hidden = osd ? 0 : 1;
    if (m_level == 1 && m_hidden == 0 && m_button == 2)
        fill_osd_view();
    else
        fill_window_list();
}

// The two views under the summary are built once, on first need, and filled in place.
template <class W>
W* CustomMode::place_pane(W* pane)
{
    pane->setGeometry(3, 61, 285, 90);
    pane->setMinimumSize(50, 60);
    pane->hide();
    return pane;
}

void CustomMode::show_pane(QWidget* pane)
{
    if (m_pane == pane)
        return;
    if (m_pane)
        m_pane->hide();
    m_pane = pane;
    if (m_pane)
        m_pane->show();
}

QStringList CustomMode::pane_texts() const
{
    if (m_pane && m_pane == m_list)
        return m_list->texts();
    if (m_pane && m_pane == m_osd)
        return {m_sample->text(), m_params->text()};
    return {};
}

const QString& CustomMode::slot_alias(int s)
{
    if (!m_aliasRead[s]) {
        ALIAS_PARA alias;
        m_alias[s] = get_json_alias_para(&alias, "usermode", s) ? QString::fromStdString(alias.name) : QString();
        m_aliasRead[s] = true;
    }
    return m_alias[s];
}

void CustomMode::refresh(kit::Refresh code)
{
    if (code == kit::Refresh::AliasFile) {
        // The PC replaced the names: read again when shown.
        for (bool& read : m_aliasRead)
            read = false;
        lcd_para_init();
    }
    ScreenBase::refresh(code);
}

void CustomMode::fill_window_list()
{
    if (!m_list)
        m_list = place_pane(new WindowList(ui->frame));
    const int s = g_mode_select;
    unsigned char* d = para()->user_mode[s] + 2;
    const QString on = kit::text(Txt::custommode_on);
    const QString off = kit::text(Txt::custommode_off);
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        const int rec = at(img::Window + img::WindowSize * w);
        short crop = 0;
        char index = 0;
        const int src = para()->YuqGetImageSource(d, uint8_t(w), &crop, &index, 1);
        QString input = sourceinfo::get_source_name_by_sourceid(uint8_t(src));
        const int entry = static_cast<unsigned char>(index);
        if (crop && entry < CROP_COUNT)
            input += QStringLiteral("_Crop%1").arg(entry + 1);
        input += QLatin1Char(' ') + (rd16(d, rec + img::WinFlags) ? on : off);
        m_list->set(w, input,
                    QStringLiteral("[%1,%2]%3x%4")
                        .arg(rd16(d, rec + img::WinX))
                        .arg(rd16(d, rec + img::WinY))
                        .arg(rd16(d, rec + img::WinW))
                        .arg(rd16(d, rec + img::WinH)));
    }
    show_pane(m_list);
}

void CustomMode::fill_osd_view()
{
    const int s = g_mode_select;
    // The mode's own copy only: a missing or broken copy reads as a zeroed record, and
    // the live caption file is never touched from here.
    OSD_LIST list;
    get_json_omenu_para(YuqRamPara::mode_osd_path(s).toUtf8().constData(), &list);
    const OSD_MENU& m = list.menu[0];
    QStringList lines = QString::fromStdString(m.texts).split(QLatin1Char('\n'));
    if (lines.size() > 3)
        lines = lines.mid(0, 3);
    if (!m_osd) {
        m_osd = place_pane(new QWidget(ui->frame));
        m_sample = new QLabel(m_osd);
        m_sample->setGeometry(6, 2, 300, 50);
        m_sample->setFont(m_paneFont);
        m_params = new QLabel(m_osd);
        m_params->setGeometry(2, 56, 300, 30);
        m_params->setFont(m_paneFont);
        m_params->setStyleSheet(QStringLiteral("background-color: #10101C;color: #FFFFFF;"));
    }
    kit::set_plain_text(m_sample, lines.join(QLatin1Char('\n')));
    QString style;
    const QString back = osd_colour(m.back_color), fore = osd_colour(m.font_color);
    if (!back.isEmpty())
        style += QStringLiteral("background-color:%1;").arg(back);
    if (!fore.isEmpty())
        style += QStringLiteral("color:%1;").arg(fore);
    kit::set_sheet(m_sample, style);

    QString effect;
    switch (m.effect) {
    case 2:
        effect = kit::text(Txt::custommode_effect_move_up);
        break;
    case 3:
        effect = kit::text(Txt::custommode_effect_move_down);
        break;
    case 4:
        effect = kit::text(Txt::custommode_effect_move_left);
        break;
    case 5:
        effect = kit::text(Txt::custommode_effect_move_right);
        break;
    default:
        effect = kit::text(Txt::custommode_effect_static);
        break;
    }
    const QString text =
        QStringLiteral("osd [x:%1,y:%2,w:%3,h:%4] ").arg(m.x).arg(m.y).arg(m.w).arg(m.h)
        + kit::text(Txt::custommode_font_size)
        + QStringLiteral("%1*%2\n").arg(m.fontw).arg(m.fonth)
        + kit::text(Txt::custommode_space_h)
        + QStringLiteral("%1,v:%2] ").arg(m.wordspace).arg(m.verticalspace)
        + kit::text(Txt::custommode_char_x)
        + QStringLiteral("%1,y:%2] ").arg(m.startx).arg(m.starty)
        + kit::text(Txt::custommode_speed) + QStringLiteral("%1,").arg(m.speed) + effect;
    m_params->setText(text);
    show_pane(m_osd);
}

void CustomMode::yuq_button_mode_clicked()
{
    g_mode_select = ui_select;
    ui->label_ID->setText(QStringLiteral("ID:%1").arg(int(ui_select) + 1));
    lcd_para_init();
    image_para_init();
}

QPushButton* CustomMode::button(int i) const
{
    switch (i) {
    case 0:
        return ui->Button_use;
    case 1:
        return ui->Button_delete;
    case 2:
        return ui->Button_more;
    default:
        return nullptr;
    }
}

void CustomMode::yuq_button_selinfo(char mode, char b)
{
    switch (mode) {
    case 0:
        if (QPushButton* p = button(b))
            kit::set_sheet(p, m_focused);
        yuq_button_mode_clicked();
        break;
    case 1:
        if (QPushButton* p = button(b))
            kit::set_sheet(p, m_normal);
        break;
    case 2:
        for (int i = 0; i < 3; ++i)
            kit::set_sheet(button(i), m_normal);
        break;
    default:
        break;
    }
}

void CustomMode::on_Button_use_clicked()
{
    const int s = g_mode_select;
    if (!para()->YuqUserModeSaved(s))
        return;
    ImageEdit e;
    e.set(img::CurrentMode, uint16_t(s + 1));
    e.copy_in(USER_MODE_IMAGE_BASE, slot_data(s), USER_MODE_COPY_LEN);
}

void CustomMode::on_Button_delete_clicked()
{
    const int s = g_mode_select;
    if (!para()->YuqUserModeSaved(s))
        return;
    para()->mode_file_deal(s, 1);
    lcd_para_init();
    image_para_init();
}

void CustomMode::back()
{
    kit::close_by_back(this, page::MainWindow);
}

void CustomMode::close_to_standby()
{
    g_mode_shortcut_key = 0;
    kit::close_widget(this);
    kit::open(page::LockWindow);
}

void CustomMode::keyPressEvent(QKeyEvent* e)
{
    const kit::Key r = kit::key_role(e->key());
    if (r == kit::Key::Ok || r == kit::Key::Back)
        kit::log_key("CustomMode", r, false);
}

void CustomMode::keyReleaseEvent(QKeyEvent* e)
{
    const int code = e->key();
    const kit::Key role = kit::key_role(code);
    switch (role) {
    case kit::Key::Left:
    case kit::Key::Right: {
        const int dir = role == kit::Key::Right ? 1 : -1;
        qDebug("this is %s-code [CustomMode][Release] ui_select=%#x", dir > 0 ? "right" : "left", ui_select);
        if (m_level == 0) {
            m_selector->set_box_default();
            ui_select = uint8_t(kit::step(ui_select, USER_MODE_COUNT, dir));
            m_selector->set_boxindexsel(char(ui_select));
            yuq_button_mode_clicked();
        } else {
            yuq_button_selinfo(1, char(m_button));
            m_button = uint8_t(kit::step(m_button, 3 - m_hidden, dir));
            yuq_button_selinfo(0, char(m_button));
        }
        break;
    }
    case kit::Key::Ok:
        kit::log_key("CustomMode", role, true);
        if (m_level == 0) {
            if (get_mode_status()) {
                m_level = 1;
                m_selector->set_box_modify();
                m_button = 0;
                yuq_button_selinfo(0, 0);
            }
        } else {
            m_level = 0;
            m_selector->set_box_default();
            if (m_button == 0)
                on_Button_use_clicked();
            else if (m_button == 1)
                on_Button_delete_clicked();
            yuq_button_selinfo(2, 0);
        }
        break;
    case kit::Key::Back:
        kit::log_key("CustomMode", role, true);
        if (m_level == 0) {
            if (g_mode_shortcut_key)
                close_to_standby();
            else
                slot_Button_back_clicked();
        } else {
            m_level = 0;
            m_selector->set_box_default();
            yuq_button_selinfo(2, 0);
            yuq_button_mode_clicked();
        }
        break;
    case kit::Key::Mode: // nothing on this screen
    case kit::Key::None:
        break;
    }
    // Closed screens are deleted later: the member is still there.
    m_keyboard.update_usb_keyEvent(code);
}

YUQ_SCREEN(CustomMode)
