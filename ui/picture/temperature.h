#pragma once
// Colour temperature (page 20): the type (custom, warm, nature, cool), chosen in the list
// and written on OK, and the red, green and blue gains, adjusted live (0..100) whatever
// the type. What the chip makes of them is the engine's business.
#include "valueadjust.h"
#include "ui/shell/screenkit.h"

namespace Ui {
class temperature;
}
class QComboBox;
class QLineEdit;

class temperature : public PanelDialog
{
    Q_OBJECT
public:
    static constexpr int RowCount = 4; // type, red, green, blue
    static constexpr int TypeCount = 4;
    // Image field of rows 1..3.
    static const int RowField[RowCount];

    explicit temperature(QWidget* parent = nullptr);
    ~temperature() override;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    void para_init();
    void on_button_type_clicked();

    // State (tests).
    int focus_index() const { return ui_select; }
    bool choosing() const { return m_choosing; }
    bool adjusting() const { return m_adjust.active(); }
    int type_shown() const { return type_sel; }
    QComboBox* type_list() const;
    QLineEdit* field(int row) const { return m_fields[row]; }

protected:
    void key_left() override { arrow(-1); }
    void key_right() override { arrow(1); }
    void key_ok() override;
    void key_back() override;

private:
    void load_type();
    void move(int dir);
    void arrow(int dir);
    void set_look(int row, int look);
    void end_choosing();

    Ui::temperature* ui;
    uint8_t ui_select = 0;
    uint8_t type_sel = 0;
    bool m_choosing = false;
    QLineEdit* m_fields[RowCount] = {}; // rows 1..3
    ValueAdjust m_adjust;
};
