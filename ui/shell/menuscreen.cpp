#include "menuscreen.h"

#include <QPushButton>

MenuScreen::MenuScreen(uint8_t pageId, QWidget* parent, const char* normal, const char* focused)
    : PanelDialog(pageId, parent), m_normal(normal), m_focused(focused)
{
}

void MenuScreen::set_items(std::initializer_list<std::pair<QPushButton*, uint8_t>> items)
{
    for (const auto& i : items) {
        m_items << i.first;
        m_pages << i.second;
    }
    ui_select = 0;
    if (!m_items.isEmpty())
        kit::set_sheet(m_items[0], QString::fromLatin1(m_focused));
}

void MenuScreen::move(int dir)
{
    kit::step_focus(m_items.data(), m_items.size(), ui_select, dir, m_normal, m_focused);
}

void MenuScreen::key_ok()
{
    if (ui_select < m_pages.size())
        kit::open(m_pages[ui_select]);
}
