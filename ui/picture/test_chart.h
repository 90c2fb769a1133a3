#pragma once
// Test patterns (page 16): eight full-screen patterns for the LED wall and Close. OK on a
// pattern puts its number into the image for the engine to show; back or Close takes the
// pattern off and returns to the settings menu. The mode key leaves a shown pattern on.
#include "ui/shell/screenkit.h"

namespace Ui {
class test_chart;
}
class QWidget;

class test_chart : public PanelDialog
{
    Q_OBJECT
public:
    explicit test_chart(QWidget* parent = nullptr);
    ~test_chart() override;

    static constexpr int PatternCount = 8;
    static constexpr int CloseIndex = 8;

    void retext() override;
    void back() override;
    // State (tests).
    int focus_index() const { return ui_select; }
    QWidget* item(int i) const { return i >= 0 && i <= CloseIndex ? m_items[i] : nullptr; }

public slots:
    void slot_Button_on_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void menulist_init();
    void move(int dir);
    static const char* sheet_of(int index, bool focused);
    void show_picture(int index); // at the size its look leaves it

    Ui::test_chart* ui;
    uint8_t ui_select = 0;
    QWidget* m_items[CloseIndex + 1] = {};
};
