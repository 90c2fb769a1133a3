#pragma once
// A menu screen: a row of buttons, each opening one page. Left and right step the focus
// look over them (wrapping), OK opens the focused button's page, back goes to the parent.
// The opened screen re-texts the menu and restores its page when it closes; the mode key
// may close the menu meanwhile, so nothing follows the open.
#include "screenkit.h"

#include <QVector>
#include <initializer_list>
#include <utility>

class QPushButton;

class MenuScreen : public PanelDialog
{
    Q_OBJECT
public:
    // `normal`/`focused`: the items' two looks (a kit::sheet family).
    MenuScreen(uint8_t pageId, QWidget* parent, const char* normal, const char* focused);

    void back() override { kit::close_by_back(this); }
    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    QPushButton* item(int i) const { return m_items.value(i); }

protected:
    // The buttons and the pages they open, in focus order; the first takes the focus look
    // (the others keep their form's unfocused look).
    void set_items(std::initializer_list<std::pair<QPushButton*, uint8_t>> items);
    void key_left() override { move(-1); }
    void key_right() override { move(1); }
    void key_ok() override;

    uint8_t ui_select = 0;

private:
    void move(int dir);

    const char* m_normal;
    const char* m_focused;
    QVector<QPushButton*> m_items;
    QVector<uint8_t> m_pages;
};
