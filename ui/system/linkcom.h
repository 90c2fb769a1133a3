#pragma once
// Serial settings (page 21): the PC serial link's fixed settings (115200 baud, 8 data bits,
// 1 stop bit), shown only. Nothing on it changes or writes anything.
#include "ui/shell/screenkit.h"

namespace Ui {
class linkcom;
}
class QLabel;
class QPushButton;

class linkcom : public PanelDialog
{
    Q_OBJECT
public:
    explicit linkcom(QWidget* parent = nullptr);
    ~linkcom() override;

    void retext() override;
    void back() override;

    // Tests: the title and the three captions; the three value buttons.
    QLabel* label(int i) const;
    QPushButton* value(int i) const;

private:
    Ui::linkcom* ui;
};
