#include "linkoption.h"
#include "ui_linkoption.h"

#include "yuq_texts.h"

#include <QPushButton>

LinkOption::LinkOption(QWidget* parent) : PanelDialog(page::LinkOption, parent), ui(new Ui::LinkOption)
{
    ui->setupUi(this);
    menulist_init();
    retext();
}

LinkOption::~LinkOption()
{
    delete ui;
}

void LinkOption::menulist_init()
{
    ui_select = 0;
    m_items[0] = ui->Button_com;
    m_items[1] = ui->Button_wlan;
    m_items[2] = ui->Button_usb;
    ui->Button_com->setStyleSheet(QString::fromLatin1(kit::sheet::sub_menu_focus));
}

void LinkOption::retext()
{
    ui->label_title->setText(kit::text(Txt::linkoption_title));
    ui->Button_com->setText(kit::text(Txt::linkoption_com));
    ui->Button_wlan->setText(kit::text(Txt::linkoption_wlan));
    ui->Button_usb->setText(kit::text(Txt::linkoption_usb));
    for (QPushButton* b : m_items)
        if (b)
            kit::fit_text(b); // the Vietnamese lines
}

void LinkOption::back()
{
    kit::close_by_back(this);
}

void LinkOption::move(int dir)
{
    const int n = kit::step(ui_select, ItemCount, dir);
    kit::move_focus(m_items[ui_select], QString::fromLatin1(kit::sheet::sub_menu), m_items[n],
                    QString::fromLatin1(kit::sheet::sub_menu_focus));
    ui_select = uint8_t(n);
}

void LinkOption::key_left()
{
    move(-1);
}

void LinkOption::key_right()
{
    move(1);
}

void LinkOption::key_ok()
{
    switch (ui_select) {
    case 0: on_Button_linkcom_clicked(); break;
    case 1: on_Button_linkwlan_clicked(); break;
    case 2: on_Button_firmware_usbgrade_clicked(); break;
    default: break;
    }
}

// Each child re-texts this menu and restores page 10 when it goes back; after its exec()
// this menu may be gone (the mode key), so nothing follows the open.
void LinkOption::on_Button_linkcom_clicked()
{
    kit::open(page::linkcom);
}

void LinkOption::on_Button_linkwlan_clicked()
{
    kit::open(page::linkwlan);
}

void LinkOption::on_Button_firmware_usbgrade_clicked()
{
    kit::open(page::firmware_usbgrade);
}

YUQ_SCREEN(LinkOption)
