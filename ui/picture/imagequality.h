#pragma once
// The picture menu (page 11): two buttons opening the picture-quality and the
// colour-temperature screens. Reads and writes no parameter.
#include "ui/shell/menuscreen.h"

namespace Ui {
class ImageQuality;
}
class QPushButton;

class ImageQuality : public MenuScreen
{
    Q_OBJECT
public:
    explicit ImageQuality(QWidget* parent = nullptr);
    ~ImageQuality() override;

    void retext() override;

public slots:
    void on_Button_quality_clicked() { kit::open(page::quality); }
    void on_Button_temperature_clicked() { kit::open(page::temperature); }

private:
    Ui::ImageQuality* ui;
};
