#pragma once
// Picture quality (page 19): brightness, sharpness, contrast and saturation, adjusted live
// (0..100), and the reset to the factory picture settings (which also resets the colour
// temperature and its gains).
#include "valueadjust.h"
#include "ui/shell/screenkit.h"

namespace Ui {
class quality;
}
class QLineEdit;

class quality : public PanelDialog
{
    Q_OBJECT
public:
    static constexpr int RowCount = 5;
    static constexpr int ResetRow = 4;
    // Image field of each value row, in row order.
    static const int RowField[ResetRow];

    explicit quality(QWidget* parent = nullptr);
    ~quality() override;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    void para_init();
    void on_Button_reset_clicked();

    // State (tests).
    int focus_index() const { return ui_select; }
    bool adjusting() const { return m_adjust.active(); }
    QLineEdit* field(int row) const { return m_fields[row]; }

protected:
    void key_left() override { arrow(-1); }
    void key_right() override { arrow(1); }
    void key_ok() override;
    void key_back() override;

private:
    void move(int dir);
    void arrow(int dir);

    Ui::quality* ui;
    uint8_t ui_select = 0;
    QLineEdit* m_fields[RowCount] = {};
    ValueAdjust m_adjust;
};
