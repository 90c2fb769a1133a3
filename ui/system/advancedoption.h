#pragma once
// The advanced-settings menu (page 12): LCD timers, other settings, card recovery (only
// while /data/rcvrecovery holds a file), factory settings and the aging log (behind an
// access code asked on the number pad). It recounts the recovery files on every re-text.
#include "ui/shell/screenkit.h"

namespace Ui {
class AdvancedOption;
}
namespace kit {
class NumberFields;
}
class QPushButton;

class AdvancedOption : public PanelDialog
{
    Q_OBJECT
public:
    explicit AdvancedOption(QWidget* parent = nullptr);
    ~AdvancedOption() override;

    static constexpr int ItemCount = 5;

    void retext() override;
    void back() override;

    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    int recovery_files() const { return m_recovery_files; }
    QPushButton* item(int i) const { return m_items[i]; }

public slots:
    void on_Button_LCDshow_clicked();
    void on_Button_other_clicked();
    void on_Button_rcv_recovery_clicked();
    void on_Button_factory_clicked();
    void on_Button_age_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void recount();
    void move(int dir);
    QString sheet_of(int index, bool focused) const;

    Ui::AdvancedOption* ui;
    kit::NumberFields* m_pad;
    int m_recovery_files = 0; // a count, never wrapped
    uint8_t ui_select = 0;
    QPushButton* m_items[ItemCount] = {};
};
