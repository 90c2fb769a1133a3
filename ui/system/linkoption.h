#pragma once
// The communication menu (page 10): three large buttons opening the serial settings,
// the Ethernet settings and the USB upgrade screen. It changes no setting itself.
#include "ui/shell/menuscreen.h"

namespace Ui {
class LinkOption;
}
class QPushButton;

class LinkOption : public MenuScreen
{
    Q_OBJECT
public:
    explicit LinkOption(QWidget* parent = nullptr);
    ~LinkOption() override;

    static constexpr int ItemCount = 3;

    void retext() override;

private:
    Ui::LinkOption* ui;
};
