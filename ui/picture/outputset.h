#pragma once
// The output menu (page 6): LED size and splicing, and the output-port view, with the
// LED size currently set on the line below. Opened from the settings menu; back returns
// there, and the two screens it opens re-text it when they close.
#include "ui/shell/menuscreen.h"

namespace Ui {
class OutputSet;
}
class QPushButton;

class OutputSet : public MenuScreen
{
    Q_OBJECT
public:
    explicit OutputSet(QWidget* parent = nullptr);
    ~OutputSet() override;

    void retext() override;

public slots:
    void on_Button_ledset_clicked() { kit::open(page::ledset); }
    void on_Button_lanset_clicked() { kit::open(page::netset); }

private:
    Ui::OutputSet* ui;
};
