#pragma once
// What every panel screen is to the kit: its page, its texts, its refresh, its back action
// and its keys. A screen's class derives from PanelDialog (a QDialog screen), or from its Qt
// widget class and ScreenBase (the home and user-mode screens). The page's g_<screen> pointer
// follows the object: set while it is open, null once the kit closed it or it was deleted.
#include <QPointer>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "core/refresh_codes.h"

namespace kit {
enum class Key { None, Left, Right, Ok, Mode, Back };
using ::Refresh;
} // namespace kit

class ScreenBase
{
public:
    ScreenBase(QWidget* self, uint8_t pageId);
    virtual ~ScreenBase();
    ScreenBase(const ScreenBase&) = delete;
    ScreenBase& operator=(const ScreenBase&) = delete;

    uint8_t page_id() const { return m_page; }
    QWidget* widget() const { return m_self; }

    // Sets every text and per-language picture for the shown language.
    virtual void retext() = 0;
    // After an applied change, while this page is in front. By default: re-text when the
    // language changed.
    virtual void refresh(kit::Refresh code);
    // The back action: close, hand the page to the parent.
    virtual void back() = 0;
    // A released key of a role; false when the screen refused it (it is then not passed on).
    virtual bool key(kit::Key role);
    // A request of a service that concerns this screen (kit::Request).
    virtual void request(int what, int value, const QString& text) {}

    // The names the rest of the panel calls them by.
    void language_changed() { retext(); }
    void syncUpdate(int code = code_of(Refresh::Applied)) { refresh(static_cast<Refresh>(code)); }

protected:
    virtual void key_left() {}
    virtual void key_right() {}
    virtual void key_ok() {}
    virtual void key_back() { back(); }
    // Default: close every open screen but home, standby and user modes, open user modes.
    virtual bool key_mode();

private:
    QWidget* m_self;
    uint8_t m_page;
};

namespace kit {
// The page's open screen, or null (slots are set by ScreenBase, released by the kit's close).
QWidget* slot_widget(uint8_t pageId);
ScreenBase* slot_screen(uint8_t pageId);
void take_slot(uint8_t pageId, QWidget* w, ScreenBase* s);
void release_slot(uint8_t pageId, const ScreenBase* s);

// A g_<screen> pointer: reads the page's slot, so it can never dangle.
template <class T> class ScreenPtr
{
public:
    constexpr explicit ScreenPtr(uint8_t pageId) : m_page(pageId) {}
    T* get() const { return static_cast<T*>(slot_widget(m_page)); }
    operator T*() const { return get(); }
    T* operator->() const { return get(); }
    explicit operator bool() const { return slot_widget(m_page) != nullptr; }
    // An object of the class takes its slot itself; assigning is for start-up and tests.
    ScreenPtr& operator=(T* s)
    {
        if (s)
            take_slot(m_page, s, s);
        else
            release_slot(m_page, nullptr);
        return *this;
    }
    ScreenPtr& operator=(std::nullptr_t)
    {
        release_slot(m_page, nullptr);
        return *this;
    }

private:
    uint8_t m_page;
};
} // namespace kit

// The factory of a built screen, named in the page table. Put once in the screen's .cpp.
#define YUQ_SCREEN(Class)                                                                          \
    ScreenBase* yuq_make_##Class() { return new Class(nullptr); }
