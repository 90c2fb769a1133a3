#pragma once
// The output menu (page 6): LED size and splicing, and the output-port view, with the
// LED size currently set on the line below. Opened from the settings menu; back returns
// there, and the two screens it opens re-text it when they close.
#include "ui/shell/screenkit.h"

namespace Ui {
class OutputSet;
}
class QPushButton;

class OutputSet : public PanelDialog
{
    Q_OBJECT
public:
    explicit OutputSet(QWidget* parent = nullptr);
    ~OutputSet() override;

    static constexpr int ItemCount = 2;

    void retext() override;
    void back() override;
    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    QPushButton* item(int i) const { return m_items[i]; }

public slots:
    void on_Button_ledset_clicked();
    void on_Button_lanset_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void menulist_init();
    void move(int dir);

    Ui::OutputSet* ui;
    uint8_t ui_select = 0;
    QPushButton* m_items[ItemCount] = {};
};
