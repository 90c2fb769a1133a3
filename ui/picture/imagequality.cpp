#include "imagequality.h"
#include "ui_imagequality.h"

#include "yuq_texts.h"

ImageQuality::ImageQuality(QWidget* parent) : PanelDialog(page::ImageQuality, parent), ui(new Ui::ImageQuality)
{
    ui->setupUi(this);
    m_items[0] = ui->Button_quality;
    m_items[1] = ui->Button_temperature;
    ui->Button_quality->setStyleSheet(QString::fromLatin1(kit::sheet::sub_menu_focus));
    retext();
}

ImageQuality::~ImageQuality()
{
    delete ui;
}

// Also run when the quality or temperature screen closes: the focus stays where it was.
void ImageQuality::retext()
{
    ui->label_title->setText(kit::text(Txt::imagequality_title));
    ui->Button_quality->setText(kit::text(Txt::imagequality_quality));
    ui->Button_temperature->setText(kit::text(Txt::imagequality_temperature));
}

void ImageQuality::back()
{
    kit::close_by_back(this);
}

void ImageQuality::move(int dir)
{
    kit::step_focus(m_items, 2, ui_select, dir, kit::sheet::sub_menu, kit::sheet::sub_menu_focus);
}

void ImageQuality::key_ok()
{
    if (ui_select == 0)
        on_Button_quality_clicked();
    else
        on_Button_temperature_clicked();
}

// The opened screen re-texts this menu and restores page 11 itself when it closes.
void ImageQuality::on_Button_quality_clicked()
{
    kit::open(page::quality);
}

void ImageQuality::on_Button_temperature_clicked()
{
    kit::open(page::temperature);
}

YUQ_SCREEN(ImageQuality)
