#pragma once
// The picture menu (page 11): two buttons opening the picture-quality and the
// colour-temperature screens. Reads and writes no parameter.
#include "ui/shell/screenkit.h"

namespace Ui {
class ImageQuality;
}
class QPushButton;

class ImageQuality : public PanelDialog
{
    Q_OBJECT
public:
    explicit ImageQuality(QWidget* parent = nullptr);
    ~ImageQuality() override;

    void retext() override;
    void back() override;

    // State (tests).
    int focus_index() const { return ui_select; }
    QPushButton* item(int i) const { return m_items[i]; }

public slots:
    void on_Button_quality_clicked();
    void on_Button_temperature_clicked();

protected:
    void key_left() override { move(-1); }
    void key_right() override { move(1); }
    void key_ok() override;

private:
    void move(int dir);

    Ui::ImageQuality* ui;
    uint8_t ui_select = 0;
    QPushButton* m_items[2] = {};
};
