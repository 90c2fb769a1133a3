#pragma once
// The home screen (page 1): four menu items, the key lock, the tools panel with black-out,
// mute and the user-mode call/save strip.
#include <QFont>
#include <QMainWindow>
#include <QStringList>

#include "screenbase.h"
#include "yuq_keyboard.h"

namespace Ui {
class MainWindow;
}
class QFrame;
class QLabel;
class QPushButton;

class MainWindow : public QMainWindow, public ScreenBase
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    void retext() override;
    void refresh(kit::Refresh code) override;
    // The home screen has no back action of the screen model (its back key opens standby).
    void back() override {}
    void ip_changed();
    void update_start();
    void update_over();

    bool l_tip_request = false;

    // State, read by tests and the user-mode screen.
    uint8_t focus_index() const { return ui_select; }
    uint8_t mode_select() const { return l_mode_select; }
    bool tools_shown() const;
    bool strip_shown() const;
    bool calling() const { return l_call_state; }
    bool saving() const { return l_save_state; }
    QWidget* strip() const { return m_strip; }
    QPushButton* mode_button(int i) const { return m_modeButtons[i]; }
    QWidget* menu_item(int i) const;
    QWidget* tool(int i) const;

public slots:
    // The panel clock's tick (PanelClock), under the name the panel knows it by.
    void slot_update_timer_ticks();
    void on_machinestate_clicked();
    void on_inputchoose_clicked();
    void on_custommode_clicked();
    void on_option_clicked();
    void on_Button_lock_clicked();
    void on_tools_clicked();
    void on_toolButton1_clicked();
    void on_toolButton2_clicked();
    void on_toolButton3_clicked();
    void on_toolButton4_clicked();
    void yuq_button_mode_clicked();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void build_strip();
    void mode_init();
    void menulist_init();
    void para_init();
    void mode_window_close();
    void on_deletewidgetmode_clicked();
    void on_usermodesel_clicked(char direction);
    void strip_open(bool saving);
    void show_strip();
    void open_page(uint8_t pageId);
    int mute_window() const;

    Ui::MainWindow* ui;
    QWidget* m_strip = nullptr;
    QLabel* m_stripTitle = nullptr;
    QLabel* m_pointer = nullptr;
    QFont m_stripFont;
    QPushButton* m_modeButtons[16] = {};
    QLabel* m_slotPicture[16] = {};
    QLabel* m_slotUsing[16] = {};
    uint8_t l_call_state = 0;
    uint8_t l_save_state = 0;
    uint8_t l_lock_state = 0;
    uint8_t ui_select = 0;
    uint8_t l_mode_select = 0;
    QWidget* m_focused = nullptr;
    QPushButton* m_items[6] = {};
    QPushButton* m_tools[4] = {};
    yuq_keyboard m_keyboard;

    static const char* const s_large;
    static const char* const s_small;
    static const char* const s_large_focus;
    static const char* const s_small_focus;
    static const char* const s_strip;
    static const char* const s_slot;
    static const char* const s_slot_focus;
};
