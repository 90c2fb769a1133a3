#pragma once
// Language and factory reset (page 18): the panel language among the enabled ones, three
// reset levels of the parameter image, and which OSD fonts the scaler's flash holds.
// Keypad only: the box and the buttons are driven from the key handler.
#include "ui/shell/screenkit.h"

#include <cstdint>

class QLabel;

namespace Ui {
class factory;
}

class factory : public PanelDialog
{
    Q_OBJECT
public:
    explicit factory(QWidget* parent = nullptr);
    ~factory() override;

    static constexpr int ItemCount = 4; // language box, three reset buttons
    enum Level { KeepIp = 1, KeepIpEdid = 2, ResetAll = 3 };

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // Plain members, reached only through the key handler.
    void on_Button_lang_clicked();
    void on_Button_reset1_clicked() { reset(KeepIp); }
    void on_Button_reset2_clicked() { reset(KeepIpEdid); }
    void on_Button_reset3_clicked() { reset(ResetAll); }
    // Move the cursor onto an enabled language, searching upward / downward from it with
    // wrap-around; false (cursor unchanged) when no language is enabled.
    bool lcdlang_current_checkplus();
    bool lcdlang_current_checkmin();

    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    bool editing() const { return ui_edit; }
    uint8_t language_cursor() const { return lang_select; }

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void menulist_init();
    void font_lines();
    void show_line(QLabel* l, const QString& html);
    void move(int dir);
    void browse(int dir);
    void set_edit(bool on);
    void set_focus_look(int index, bool focused);
    void reset(Level level);

    Ui::factory* ui;
    uint8_t ui_select = 0;
    bool ui_edit = false;
    uint8_t lang_select = 0; // always 0..4
    QWidget* menulist[ItemCount] = {};
};
