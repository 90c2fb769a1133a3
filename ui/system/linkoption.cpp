#include "linkoption.h"
#include "ui_linkoption.h"

#include "yuq_texts.h"

#include <QPushButton>

LinkOption::LinkOption(QWidget* parent)
    : MenuScreen(page::LinkOption, parent, kit::sheet::sub_menu, kit::sheet::sub_menu_focus), ui(new Ui::LinkOption)
{
    ui->setupUi(this);
    set_items({{ui->Button_com, page::linkcom}, {ui->Button_wlan, page::linkwlan},
               {ui->Button_usb, page::firmware_usbgrade}});
    retext();
}

LinkOption::~LinkOption()
{
    delete ui;
}

void LinkOption::retext()
{
    ui->label_title->setText(kit::text(Txt::linkoption_title));
    ui->Button_com->setText(kit::text(Txt::linkoption_com));
    ui->Button_wlan->setText(kit::text(Txt::linkoption_wlan));
    ui->Button_usb->setText(kit::text(Txt::linkoption_usb));
    for (QPushButton* b : {ui->Button_com, ui->Button_wlan, ui->Button_usb})
        kit::fit_text(b); // the Vietnamese lines
}

YUQ_SCREEN(LinkOption)
