#include "imagequality.h"
#include "ui_imagequality.h"

#include "yuq_texts.h"

ImageQuality::ImageQuality(QWidget* parent)
    : MenuScreen(page::ImageQuality, parent, kit::sheet::sub_menu, kit::sheet::sub_menu_focus), ui(new Ui::ImageQuality)
{
    ui->setupUi(this);
    set_items({{ui->Button_quality, page::quality}, {ui->Button_temperature, page::temperature}});
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
    for (QPushButton* b : {ui->Button_quality, ui->Button_temperature})
        kit::fit_text(b); // "Temperature" in the focused look
}

YUQ_SCREEN(ImageQuality)
