#pragma once
// The communication menu (page 10): three large buttons opening the serial settings,
// the Ethernet settings and the USB upgrade screen. It changes no setting itself.
#include "ui/shell/screenkit.h"

namespace Ui {
class LinkOption;
}
class QPushButton;

class LinkOption : public PanelDialog
{
    Q_OBJECT
public:
    explicit LinkOption(QWidget* parent = nullptr);
    ~LinkOption() override;

    static constexpr int ItemCount = 3;

    void retext() override;
    void back() override;
    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    QPushButton* item(int i) const { return m_items[i]; }

    // The openers, run by the OK key (the buttons take no clicks).
    void on_Button_linkcom_clicked();
    void on_Button_linkwlan_clicked();
    void on_Button_firmware_usbgrade_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void menulist_init();
    void move(int dir);

    Ui::LinkOption* ui;
    uint8_t ui_select = 0;
    QPushButton* m_items[ItemCount] = {};
};
