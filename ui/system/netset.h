#pragma once
// The output-port view (page 14): for the focused one of the twenty output ports the area
// of the wall it drives, and for a window of four ports their numbers and links. View
// only; the links are read when the screen opens and after each left or right key.
#include "ui/shell/screenkit.h"

#include <cstdint>

namespace Ui {
class netset;
}
class QLabel;
class QLineEdit;
class QPushButton;

class netset : public PanelDialog
{
    Q_OBJECT
public:
    explicit netset(QWidget* parent = nullptr);
    ~netset() override;

    static constexpr int PortCount = 20;
    static constexpr int Columns = 4;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // State, read by tests.
    int focused_port() const { return ui_select; }
    int first_port() const { return ui_min_select; }
    int column() const { return ui_sel; }
    QLineEdit* area_field(int i) const; // x, y, w, h
    QLabel* link_label(int column) const;
    QLabel* number_label(int column) const;
    QWidget* focus_frame() const;

protected:
    void key_left() override;
    void key_right() override;

private:
    void initMenu();
    void menulist_init();
    void wlan_para_get(int port);
    void initWlan();
    void moved();

    Ui::netset* ui;
    uint8_t ui_select = 0;
    uint8_t ui_sel = 0;
    uint8_t ui_min_select = 0;
    QPushButton* m_buttons[Columns] = {};
    QLabel* m_links[Columns] = {};
    QLabel* m_numbers[Columns] = {};
};
