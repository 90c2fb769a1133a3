#pragma once
// The user-mode screen (page 4): steps through the sixteen user-mode slots, shows the
// highlighted slot's summary (name, LED size, brightness, and its six windows or its
// first OSD caption), recalls a saved slot into the live image or deletes it. A QWidget
// shown non-modally; back leads to the standby screen when a mode key opened it.
#include <QFont>
#include <QString>
#include <QWidget>

#include "core/yuqrampara.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/yuq_keyboard.h"

namespace Ui {
class CustomMode;
}
class QLabel;
class QPushButton;
class yuqcontrol;

class CustomMode : public QWidget, public ScreenBase
{
    Q_OBJECT
public:
    explicit CustomMode(QWidget* parent = nullptr);
    ~CustomMode() override;

    void init();
    void lcd_para_init();
    void image_para_init();
    void menulist_init();
    void retext() override;
    // The user-mode names are read again after the PC replaced their file.
    void refresh(kit::Refresh code) override;
    void back() override;
    int get_mode_status() const;
    void yuq_button_selinfo(char mode, char button);

    // State, read by tests.
    uint8_t slot() const { return ui_select; }
    uint8_t focus_level() const { return m_level; }
    uint8_t button_index() const { return m_button; }
    yuqcontrol* selector() const { return m_selector; }
    QWidget* pane() const { return m_pane; } // the window list or the OSD view shown, or null
    QStringList pane_texts() const;           // the shown pane's texts: badges and lines, or the OSD's two

public slots:
    void on_Button_delete_clicked();
    void on_Button_use_clicked();
    void slot_Button_back_clicked() { back(); }
    void yuq_button_mode_clicked();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    void fill_window_list();
    void fill_osd_view();
    void close_to_standby();
    QPushButton* button(int i) const;
    template <class W>
    W* place_pane(W* pane);
    void show_pane(QWidget* pane);
    const QString& slot_alias(int slot);

    Ui::CustomMode* ui;
    QString m_focused, m_normal;
    yuq_keyboard m_keyboard;
    QFont m_paneFont;
    yuqcontrol* m_selector = nullptr;
    QWidget* m_pane = nullptr; // shown: m_list, m_osd or null
    class WindowList;
    WindowList* m_list = nullptr;
    QWidget* m_osd = nullptr;
    QLabel* m_sample = nullptr;
    QLabel* m_params = nullptr;
    QString m_alias[USER_MODE_COUNT]; // null: no usable name
    bool m_aliasRead[USER_MODE_COUNT] = {};
    uint8_t ui_select = 0;
    uint8_t m_level = 0;   // 0 the selector box has the focus, 1 the button row
    uint8_t m_button = 0;  // 0 Use, 1 Delete, 2 More
    uint8_t m_hidden = 0;  // 1 when More is hidden
};
