#include "netset.h"
#include "ui_netset.h"

#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "yuq_texts.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {
// The port buttons' looks by property, matched by the form's sheet: a button that never had
// the focus keeps the form's look.
void move_look(QWidget* from, QWidget* to)
{
    kit::set_own_look(from, "normal");
    kit::set_own_look(to, "focused");
}
} // namespace

netset::netset(QWidget* parent) : PanelDialog(page::netset, parent), ui(new Ui::netset)
{
    ui->setupUi(this);
    kit::set_picture(ui->l_p, kit::pic(QStringLiteral("ltri.png")));
    kit::set_picture(ui->r_p, kit::pic(QStringLiteral("rtri.png")));
    QPushButton* buttons[Columns] = {ui->LED1Button, ui->LED2Button, ui->LED3Button, ui->LED4Button};
    QLabel* links[Columns] = {ui->L1label, ui->L2label, ui->L3label, ui->L4label};
    QLabel* numbers[Columns] = {ui->LED1label, ui->LED2label, ui->LED3label, ui->LED4label};
    for (int c = 0; c < Columns; ++c) {
        m_buttons[c] = buttons[c];
        m_links[c] = links[c];
        m_numbers[c] = numbers[c];
    }
    initMenu();
    retext();
    menulist_init();
}

netset::~netset()
{
    delete ui;
}

QLineEdit* netset::area_field(int i) const
{
    QLineEdit* f[4] = {ui->x_lineEdit, ui->y_lineEdit, ui->w_lineEdit, ui->h_lineEdit};
    return i >= 0 && i < 4 ? f[i] : nullptr;
}

QLabel* netset::link_label(int column) const
{
    return column >= 0 && column < Columns ? m_links[column] : nullptr;
}

QLabel* netset::number_label(int column) const
{
    return column >= 0 && column < Columns ? m_numbers[column] : nullptr;
}

QWidget* netset::focus_frame() const
{
    return ui->net_frame;
}

void netset::initMenu()
{
    wlan_para_get(0);
    initWlan();
}

void netset::menulist_init()
{
    ui_select = ui_sel = ui_min_select = 0;
    ui->net_frame->setGeometry(24, 40, 58, 41);
    kit::set_own_look(m_buttons[0], "focused");
}

void netset::wlan_para_get(int port)
{
    // Copied under the FPGA side's lock: its thread reloads the images after every restart.
    uint16_t area[4];
    fpga_manage* f = fpga_manage::p_fpga_manage;
    const bool known = f && f->port_area(port, area);
    // A field repaints on every setText: only the values that differ.
    for (int i = 0; i < 4; ++i) {
        const QString t = known ? QString::number(area[i]) : QString();
        if (area_field(i)->text() != t)
            area_field(i)->setText(t);
    }
    for (int c = 0; c < Columns; ++c) {
        m_numbers[c]->setText(kit::text(Txt::netset_port).arg(ui_min_select + c + 1));
        kit::fit_text_remembered(m_numbers[c]); // "网口LED10" and up
    }
}

void netset::initWlan()
{
    fpga_manage* f = fpga_manage::p_fpga_manage;
    const uint32_t links = f ? f->get_wlan_state() : 0;
    for (int c = 0; c < Columns; ++c) {
        const bool on = links & (1u << (ui_min_select + c));
        const QString pic = kit::pic(on ? QStringLiteral("online_up.png") : QStringLiteral("offline_up.png"));
        kit::set_picture(m_links[c], pic);
    }
}

void netset::retext()
{
    ui->label_netset->setText(kit::text(Txt::netset_title));
    ui->w_label->setText(kit::text(Txt::netset_width));
    ui->h_label->setText(kit::text(Txt::netset_height));
    kit::fit_text_remembered(ui->w_label); // "Ширина" is wider than its caption box
    kit::fit_text_remembered(ui->h_label);
}

void netset::refresh(kit::Refresh code)
{
    Q_UNUSED(code);
    // A language change re-reads the focused port's area; the links wait for a key.
    if (YuqRamPara::p_yuqrampara_config->YuqLanguageChanged()) {
        retext();
        wlan_para_get(ui_select);
    }
}

void netset::back()
{
    kit::close_by_back(this);
}

void netset::key_right()
{
    if (ui_sel < Columns - 1) {
        move_look(m_buttons[ui_sel], m_buttons[ui_sel + 1]);
        ++ui_sel;
        ++ui_select;
    } else {
        if (ui_select < PortCount - 1)
            ++ui_select;
        ui_min_select = uint8_t(ui_select - (Columns - 1));
    }
    moved();
}

void netset::key_left()
{
    if (ui_sel > 0) {
        move_look(m_buttons[ui_sel], m_buttons[ui_sel - 1]);
        --ui_sel;
        if (ui_select > 0)
            --ui_select;
    } else {
        if (ui_min_select > 0)
            --ui_min_select;
        if (ui_select > 0)
            --ui_select;
    }
    moved();
}

void netset::moved()
{
    YUQ_TRACE("\n ui_min_select=%d,ui_select=%d ui_sel=%d\n", ui_min_select, ui_select, ui_sel);
    ui->net_frame->setGeometry(24 + 68 * ui_sel, 40, 58, 41);
    wlan_para_get(ui_select);
    initWlan();
}

YUQ_SCREEN(netset)
