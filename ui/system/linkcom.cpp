#include "linkcom.h"
#include "ui_linkcom.h"

#include "yuq_texts.h"

#include <QLabel>
#include <QPushButton>

linkcom::linkcom(QWidget* parent) : PanelDialog(page::linkcom, parent), ui(new Ui::linkcom)
{
    ui->setupUi(this);
    retext();
}

linkcom::~linkcom()
{
    delete ui;
}

QLabel* linkcom::label(int i) const
{
    QLabel* l[4] = {ui->label_com, ui->label_baud, ui->label_bit, ui->label_stop};
    return i >= 0 && i < 4 ? l[i] : nullptr;
}

QPushButton* linkcom::value(int i) const
{
    QPushButton* b[3] = {ui->Button_baud, ui->pushButton, ui->pushButton_2};
    return i >= 0 && i < 3 ? b[i] : nullptr;
}

void linkcom::retext()
{
    ui->label_com->setText(kit::text(Txt::linkcom_title));
    ui->label_baud->setText(kit::text(Txt::linkcom_baud));
    ui->label_bit->setText(kit::text(Txt::linkcom_bits));
    ui->label_stop->setText(kit::text(Txt::linkcom_stop));
}

void linkcom::back()
{
    kit::close_by_back(this);
}

YUQ_SCREEN(linkcom)
