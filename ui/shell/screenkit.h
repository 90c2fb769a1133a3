#pragma once
// The screen kit: what every panel screen shares. Page ids, key roles, language choice of
// texts and pictures, the shared style sheets, focus moves, the back action, the mode key,
// and the registry through which screens open, refresh and re-text each other without
// including each other's headers. See README.md in this folder for how a screen uses it.
#include <QDialog>
#include <QList>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <type_traits>

#include "core/global.h"
#include "yuq_keyboard.h"

class QAbstractButton;
class QApplication;
class QKeyEvent;
class QLabel;
class QLineEdit;
class My_lineEdit;

namespace page {
constexpr uint8_t LockWindow = 0;
constexpr uint8_t MainWindow = 1;
constexpr uint8_t MachineState = 2;
constexpr uint8_t InputChoose = 3;
constexpr uint8_t CustomMode = 4;
constexpr uint8_t Option = 5;
constexpr uint8_t OutputSet = 6;
constexpr uint8_t InputCut = 7;
constexpr uint8_t EDIDset = 8;
constexpr uint8_t ImageLayout = 9;
constexpr uint8_t LinkOption = 10;
constexpr uint8_t ImageQuality = 11;
constexpr uint8_t AdvancedOption = 12;
constexpr uint8_t ledset = 13;
constexpr uint8_t netset = 14;
constexpr uint8_t lcdshow = 15;
constexpr uint8_t test_chart = 16;
constexpr uint8_t othersetup = 17;
constexpr uint8_t factory = 18;
constexpr uint8_t quality = 19;
constexpr uint8_t temperature = 20;
constexpr uint8_t linkcom = 21;
constexpr uint8_t linkwlan = 22;
constexpr uint8_t factoryage = 23;
constexpr uint8_t SmartMapping = 24;
constexpr uint8_t rcv_recovery = 25;
constexpr uint8_t firmware_usbgrade = 26;
constexpr int Count = 27;
} // namespace page

namespace kit {

// ---- keys ----
enum class Key { None, Left, Right, Ok, Mode, Back };
// Role of a key code: the keypad letter and the function key of a role act alike.
Key key_role(int code);
// Panel key lock (image 0x304): non-zero = locked.
bool key_locked();
// Debug line of a handled key, e.g. "this is OK button(Option)[Release]".
void log_key(const char* screen, Key role, bool release);

// ---- languages ----
// The language whose texts and pictures are shown: g_language when its bit of
// g_lcd_lang_valid is set (Simplified Chinese, Russian, Vietnamese, Traditional Chinese),
// English (1) otherwise.
int shown_language();
// One text per language (UTF-8 literals): zh-CN, en, ru, vn, zh-TW.
QString text(const char* zh, const char* en, const char* ru, const char* vn, const char* tn);
// Picture prefix of the shown language: "", "en_", "ru_", "vn_", "tn_".
QString pic_prefix();
// ":/png/<name>" and ":/png/<prefix><name>" (name with its ".png").
QString pic(const QString& name);
QString lang_pic(const QString& name);
// Sets a picture and records its resource name in the property "png" (tests read it).
// A name the resource set lacks shows no picture.
void set_icon(QAbstractButton* b, const QString& resource, int w, int h);
void set_picture(QLabel* l, const QString& resource); // scaled to the label
// Steps the label's font down (not below 7 px) until its plain text fits its width: a long
// translation or number keeps its end.
void fit_text(QLabel* l);

// ---- shared style sheets ----
namespace sheet {
extern const char* const large_menu;          // Option, AdvancedOption
extern const char* const large_menu_focus;
extern const char* const disabled_menu;
extern const char* const disabled_menu_focus;
extern const char* const sub_menu;            // ImageQuality, OutputSet, LinkOption, linkcom
extern const char* const sub_menu_focus;
extern const char* const small_button;        // ledset, SmartMapping, rcv_recovery, firmware_usbgrade
extern const char* const small_button_focus;
// Three looks of a field on the EDID, quality and colour-temperature screens.
extern const char* const field;
extern const char* const field_focus;
extern const char* const field_edit;
} // namespace sheet

// ---- focus ----
// Steps a focus index over `count` items (dir +1 right, -1 left), wrapping unless told.
int step(int index, int count, int dir, bool wrap = true);
// Unfocused sheet on the widget losing focus first, then the focused sheet on the new one.
void move_focus(QWidget* from, const QString& fromSheet, QWidget* to, const QString& toSheet);

// ---- the registry ----
// Requests from the services that concern one screen (relayed by the shell).
enum Request { ReqProgress = 1, ReqRecoveryResult = 2, ReqListBackPage = 3, ReqUpdateAgeLog = 4 };

struct Screen
{
    std::function<QWidget*()> instance;            // the open screen or nullptr
    std::function<void()> clear;                   // g_<screen> = nullptr
    std::function<void(int code)> refresh;         // syncUpdate() / syncUpdate(code)
    std::function<void()> retext;                  // language_changed()
    std::function<void()> open;                    // new, pointer, page id, exec()/show()
    std::function<void()> back;                    // the screen's own back action
    std::function<void(int what, int value, const QString& text)> request;
};

void register_screen(uint8_t pageId, const Screen& s);
void unregister_all(); // tests
bool is_registered(uint8_t pageId);
// The open screen of a page: the registered screen's pointer, or the open stand-in.
QWidget* instance(uint8_t pageId);
// Refresh of the page: a page without an open screen only takes a language change over.
void refresh(uint8_t pageId, int code);
void retext(uint8_t pageId);
// Opens the page's screen, or a stand-in while its screen is not built yet.
void open(uint8_t pageId);
void back(uint8_t pageId);
void request(uint8_t pageId, int what, int value, const QString& text = QString());
// Forgets the page's open screen (g_<screen> = nullptr, or the stand-in dropped).
void clear_pointer(uint8_t pageId);
// Closes the page's open screen as the mode key does (delete on close, pointer cleared).
void close_page(uint8_t pageId);

// The page a screen's back action restores (screen model; 3 and 7 depend on what is open).
uint8_t parent_page(uint8_t pageId);
// Page modal (exec) or shown (the standby and user-mode screens).
bool opens_modal(uint8_t pageId);

// ---- open, back and mode key ----
// Closes a screen the kit's way: delete on close, close(); QDialog's own reject paths
// (Escape, a window manager's close) stay refused.
void close_widget(QWidget* w);
// Back action of the screen model: close, clear the pointer, re-text the parent, parent page.
void close_by_back(QWidget* self, const std::function<void()>& clearPointer, uint8_t parent);
// Mode key of the screen model. Returns false when refused (key lock; on the mapping and
// recovery screens also while a progress wheel exists): the key is then not passed on.
// Otherwise closes `self`, then the pages named in `alsoClose`, then every other open
// screen except the home, standby and user-mode screens (a modal screen left under the
// non-modal user-mode screen would take every key), and opens the user-mode screen with
// g_mode_shortcut_key = 1. Pop-ups (number pad, tip, update overlay) are no pages and stay.
bool mode_key(QWidget* self, const std::function<void()>& clearPointer,
              std::initializer_list<uint8_t> alsoClose = {});
// After a child's exec() returns, its opener may have been closed meanwhile (the mode key
// of a screen above it): true while `w` exists and was not closed by the kit.
bool still_open(const QWidget* w);
// Marks a new top-level panel window: frameless at the panel origin on a desktop.
void panel_window(QWidget* w);

// Opener for a screen class, used by app/ to register it. Modal pages run exec().
template <class S> std::function<void()> opener(uint8_t pageId, S*& pointer)
{
    return [pageId, &pointer] {
        S* s = new S(nullptr);
        pointer = s;
        g_page_focus = pageId;
        if constexpr (std::is_base_of_v<QDialog, S>) {
            if (opens_modal(pageId)) {
                s->exec();
                return;
            }
        }
        s->show();
    };
}

template <class S, class = void> struct has_progress_signal : std::false_type {};
template <class S>
struct has_progress_signal<S, std::void_t<decltype(std::declval<S&>().sig_qround_bar_update(0))>>
    : std::true_type {};
template <class S, class = void> struct has_panel_request : std::false_type {};
template <class S>
struct has_panel_request<S, std::void_t<decltype(std::declval<S&>().panel_request(0, 0, QString()))>>
    : std::true_type {};

template <class S, class = void> struct has_code_refresh : std::false_type {};
template <class S>
struct has_code_refresh<S, std::void_t<decltype(std::declval<S&>().syncUpdate(0))>> : std::true_type {};
template <class S, class = void> struct has_back_slot : std::false_type {};
template <class S>
struct has_back_slot<S, std::void_t<decltype(std::declval<S&>().slot_Button_back_clicked())>>
    : std::true_type {};

// The usual registration: pointer, refresh (with or without the code), language_changed(),
// exec()/show() opener, and slot_Button_back_clicked() as back when the screen has it.
// Requests: job progress becomes the screen's sig_qround_bar_update(int) (connected to its
// progress wheel), the others go to its panel_request(what, value, text) if it has one.
template <class S> Screen standard_screen(uint8_t pageId, S*& pointer)
{
    Screen s;
    s.instance = [&pointer]() -> QWidget* { return pointer; };
    s.clear = [&pointer] { pointer = nullptr; };
    s.refresh = [&pointer](int code) {
        if constexpr (has_code_refresh<S>::value)
            pointer->syncUpdate(code);
        else
            pointer->syncUpdate();
    };
    s.retext = [&pointer] { pointer->language_changed(); };
    s.open = opener<S>(pageId, pointer);
    if constexpr (has_back_slot<S>::value)
        s.back = [&pointer] { pointer->slot_Button_back_clicked(); };
    if constexpr (has_progress_signal<S>::value || has_panel_request<S>::value) {
        s.request = [&pointer](int what, int value, const QString& text) {
            if constexpr (has_progress_signal<S>::value) {
                if (what == ReqProgress) {
                    emit pointer->sig_qround_bar_update(value);
                    return;
                }
            }
            if constexpr (has_panel_request<S>::value)
                pointer->panel_request(what, value, text);
        };
    }
    return s;
}

// ---- number fields ----
// The number pad as a screen uses it. The screen's fields open the one pad
// (show_numberkeyboard_ui), and the value confirmed there comes back through
// confirmString to the field it was opened for. Every screen with number fields connects
// to the pad, so a screen acts only on its own request: a confirmation for another
// screen's field (one opened above it, say) never touches this one.
class NumberFields : public QObject
{
    Q_OBJECT
public:
    // The pad's title for a field (by its object name and the language).
    using Title = std::function<QString(const QLineEdit* field)>;
    // Writes the confirmed value into the field, corrected as the screen needs, and
    // applies it. Without one the value is written as it is.
    using Apply = std::function<void(QLineEdit* field, const QString& value)>;

    NumberFields(QWidget* screen, Title title, Apply apply = Apply());
    ~NumberFields() override;
    // A number field of this screen: its send_show opens the pad.
    void add(My_lineEdit* field);
    bool owns(const QLineEdit* field) const;
    // The pad is open for one of these fields.
    bool pending() const { return m_pending; }

public slots:
    // From a field's send_show (the sender is the field): runs the pad modally.
    void show_numberkeyboard_ui(QString text);
    // From the pad's OK.
    void confirmString(QString value);

private:
    Title m_title;
    Apply m_apply;
    QList<QPointer<QLineEdit>> m_fields;
    bool m_pending = false;
};

// ---- desktop rules ----
// Installed by start-up: key events go to the screen g_page_focus names (or to the pop-up
// in front), a window manager's close never closes a panel window, Escape and Enter never
// reach QDialog's own handling.
void install_panel_rules(QApplication* app);
// Called by the tick: raises and activates the front screen when the page changed.
void follow_front();

} // namespace kit

// Base of a panel dialog: frameless at the origin on a desktop, keys dispatched by role on
// release (then handed to the keypad shortcuts), presses only logged, closes only through
// the kit. A screen overrides the role handlers it uses.
class PanelDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PanelDialog(QWidget* parent = nullptr);
    void reject() override;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    // Role handlers. key_mode returns false when it refused the key (not passed on).
    virtual void key_left() {}
    virtual void key_right() {}
    virtual void key_ok() {}
    virtual void key_back() {}
    virtual bool key_mode() { return true; }
    // Class name in the key debug lines.
    virtual const char* screen_name() const { return metaObject()->className(); }

    yuq_keyboard m_keyboard;
};

// Stand-in for a screen not built yet: a blank 320x240 dialog with its page id. Back
// closes it as the screen model says, the mode key goes through the kit; the standby
// stand-in closes with OK (or a touch) and ignores back.
class StandInScreen : public PanelDialog
{
    Q_OBJECT
public:
    explicit StandInScreen(uint8_t pageId, QWidget* parent = nullptr);
    uint8_t page_id() const { return m_page; }
    void syncUpdate();
    void language_changed() {}
    void slot_Button_back_clicked();

protected:
    void key_ok() override;
    void key_back() override;
    bool key_mode() override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    void close_self();
    uint8_t m_page;
};
