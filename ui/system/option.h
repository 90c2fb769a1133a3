#pragma once
// The settings menu (page 5): a 4 x 2 grid of picture buttons, each opening one setting
// screen modally. Opened from the home screen; back returns there, and so does a mounted
// USB stick (through slot_Button_back_clicked, when the menu is still in front).
#include "ui/shell/screenkit.h"

namespace Ui {
class Option;
}
class QPushButton;

class Option : public PanelDialog
{
    Q_OBJECT
public:
    explicit Option(QWidget* parent = nullptr);
    ~Option() override;

    static constexpr int ItemCount = 8;

    void retext() override;
    void back() override;
    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    QPushButton* item(int i) const { return m_items[i]; }

public slots:
    void on_output_set_clicked();
    void on_input_cut_clicked();
    void on_image_layout_clicked();
    void on_link_set_clicked();
    void on_image_quality_clicked();
    void on_test_chart_clicked();
    void on_smart_mapping_clicked();
    void on_AdvanceButton_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void menulist_init();
    void move(int dir);

    Ui::Option* ui;
    uint8_t ui_select = 0;
    QPushButton* m_items[ItemCount] = {};
    QWidget* m_focused = nullptr;
};
