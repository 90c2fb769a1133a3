#pragma once
// EDID settings (page 8, opened from input choice): per input the timing its EDID
// advertises. Left and right choose the input, whose record the card shows; OK opens the
// edit panel (width, height, rate, Delete, Cancel, SAVE). SAVE writes the record through
// YuqSetEDIDPara, and the engine has that input's EDID rewritten.
#include "ui/shell/numberfields.h"
#include "ui/shell/screenkit.h"


namespace Ui {
class EDIDset;
}
class QFrame;
class QLabel;
class QPushButton;

class EDIDset : public PanelDialog
{
    Q_OBJECT
public:
    explicit EDIDset(QWidget* parent = nullptr);
    ~EDIDset() override;

    // Edit-panel focus, in the order left and right walk it.
    enum Line { LineWidth, LineHeight, LineRate, LineDelete, LineCancel, LineSave, LineCount };

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // State (tests).
    int input_position() const { return ui_select; }
    int line() const { return ui_line_select; }
    int state() const { return ui_seltype; }
    int shown_source() const { return source_id; }
    QWidget* line_widget(int i) const { return i >= 0 && i < LineCount ? m_lines[i] : nullptr; }
    QFrame* card() const { return frame_source; }
    QString card_timing() const;

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;
    void key_back() override;

private:
    void menulist_init();
    void yuq_button_input_clicked();
    void source_init();
    void yuq_button_source_clicked();
    bool yuq_button_ok_clicked();
    void yuq_button_cancel_clicked();
    void close_panel();
    void focus_line(int index);
    void toggle_rate();
    const char* line_sheet(int index, bool focused) const;
    QPushButton* make_button(const char* name, const char* sheet);
    void place_buttons();

    Ui::EDIDset* ui;
    uint8_t ui_select = 0;      // list position of the chosen input
    uint8_t ui_line_select = 0; // edit-panel focus (Line)
    uint8_t ui_seltype = 0;     // 0 choosing an input, 1 edit panel, 2 changing the rate
    uint8_t ui_freq_sel = 0;    // 1: the rate field shows 60, 0: anything else
    uint8_t ui_freq_backup = 0;
    QString m_rate_backup;      // the rate shown when rate changing began
    uint8_t source_id = 2;
    QString source_name;

    QFrame* frame_select = nullptr;
    QFrame* frame_source = nullptr;
    QLabel* m_cardIcon = nullptr;
    QLabel* m_cardName = nullptr;
    QLabel* m_cardTiming = nullptr;
    QPushButton* button_delete = nullptr;
    QPushButton* button_cancel = nullptr;
    QPushButton* button_save = nullptr;
    QWidget* m_lines[LineCount] = {};
    kit::NumberFields* m_fields = nullptr;
};
