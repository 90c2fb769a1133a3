#pragma once
// LCD timers (page 15): how long the panel waits before it goes back to the main screen,
// and before it locks itself, each one of three choices. Only this screen reads and writes
// the two times; they start from their defaults at every start.
#include "ui/shell/screenkit.h"

#include <cstdint>

namespace Ui {
class lcdshow;
}
class QComboBox;

class lcdshow : public PanelDialog
{
    Q_OBJECT
public:
    explicit lcdshow(QWidget* parent = nullptr);
    ~lcdshow() override;

    // The times of choices 0..2, in ms ("never" is the last).
    static const uint32_t BackTimes[3];
    static const uint32_t LockTimes[3];

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    void para_init();
    void on_button_backtolock_clicked();
    void on_button_autolock_clicked();

    // State (tests).
    int focus_index() const { return ui_select; }
    bool editing() const { return ui_edit; }
    QComboBox* box(int row) const { return m_boxes[row]; }

protected:
    void key_left() override { arrow(-1); }
    void key_right() override { arrow(1); }
    void key_ok() override;

private:
    void menulist_init();
    void arrow(int dir);
    void end_edit();

    Ui::lcdshow* ui;
    uint8_t ui_select = 0;
    bool ui_edit = false;
    uint8_t time_select = 0;
    QComboBox* m_boxes[2] = {};
};
