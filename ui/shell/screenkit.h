#pragma once
// The screen kit: what every panel screen shares. Page ids, key roles, language choice of
// texts and pictures, the shared style sheets, focus moves, the back action, the mode key,
// and the registry through which screens open, refresh and re-text each other without
// including each other's headers. See README.md in this folder for how a screen uses it.
#include <QDialog>
#include <QFontMetrics>
#include <QList>
#include <QPair>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>
#include <memory>

#include "core/global.h"
#include "pages.h"
#include "screenbase.h"
#include "yuq_keyboard.h"
#include "yuq_texts.h"

class QAbstractButton;
class QComboBox;
class QIcon;
class QPixmap;
class QApplication;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPainter;
class QRect;
class QRegion;
class QTextLayout;
class QFont;
class My_lineEdit;

namespace kit {

// ---- keys ----
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
// A row of the text table (resources/texts.txt) in the shown language.
QString text(Txt id);
// Picture prefix of the shown language: "", "en_", "ru_", "vn_", "tn_".
QString pic_prefix();
// ":/png/<name>" and ":/png/<prefix><name>" (name with its ".png").
QString pic(const QString& name);
QString lang_pic(const QString& name);
// A picture by resource name, decoded once for the process.
QPixmap picture(const QString& resource);
QIcon icon(const QString& resource);
// Sets a picture and records its resource name in the property "png" (tests read it);
// setting the picture a widget already shows does nothing.
// A name the resource set lacks shows no picture.
void set_icon(QAbstractButton* b, const QString& resource, int w, int h);
// The language picture `b` shows (set by set_icon from lang_pic), again in the shown
// language and at its size: a re-text keeps the picture the button's state chose.
void relang_icon(QAbstractButton* b);
void set_picture(QLabel* l, const QString& resource); // scaled to the label
// A picture scaled to `size` as a label with scaled contents scales it, once for the process.
QPixmap picture(const QString& resource, const QSize& size);
// set_picture for a label without border or padding whose size stays: the label is given
// the picture at its size, so it does not scale it again each time it is made.
void set_sized_picture(QLabel* l, const QString& resource);
// Text from a file, the PC or a stick (an alias, a caption, a file name, an address): shown
// as it is, never taken as markup.
void set_plain_text(QLabel* l, const QString& text);
// Sets a style sheet unless the widget has it already (a sheet set costs a style pass).
void set_sheet(QWidget* w, const QString& sheet);
// A screen-wide sheet's look of `w`: its property "look" (the sheet's [look="..."]
// selectors), re-polished only when it changed.
void set_look(QWidget* w, const char* look);
// The same for a widget with children of its own (a combo box's pop-up list): polished
// again alone, without the unpolish that resets its palette and passes that on to every
// child. For looks that differ where the palette does not (borders).
void set_own_look(QWidget* w, const char* look);
// The pixel size a fitted widget's font starts from: its form's size, remembered in the
// property "fit_base" (cleared, the next fit starts from the font it has then).
int fit_base(QWidget* w);
// Steps the label's font down (not below 7 px) until its plain text's ink fits the room its
// look leaves (inside its border and padding, ascenders and descenders included): a long
// translation or number keeps its end. A fitted text is fitted again when its look changes.
void fit_text(QLabel* l);
// The same for a button's text, by its widest line.
void fit_text(QAbstractButton* b);
// The same for a combo box's items in the field it draws them in.
void fit_text(QComboBox* box);
// A label a picture (or a field) is drawn over or touches: its room ends before the picture, on the
// side the picture covers (its geometry stays), so its fitted text stays clear of it.
void keep_clear(QLabel* l, const QWidget* over);
// fit_text, its outcome remembered by font, width and text: a screen built again, or a
// text shown again, fits without measuring.
void fit_text_remembered(QLabel* l);
// The font fit_text would give a label of `font` (a pixel size) and `width` showing
// `text`, remembered: for screens that draw their own texts.
QFont fitted_font(const QFont& font, int width, const QString& text);
// The same for a text drawn in a rectangle of size `room` with `a` (clipped there, as
// QPainter::drawText clips): its ink inside, descenders and underscores included.
QFont fitted_font(const QFont& font, const QSize& room, Qt::Alignment a, const QString& text);
// The same for a text whose end tells it from others (a crop's number): where even the
// smallest size leaves it too wide, its start gives way to an ellipsis ("…Crop12") until
// its ink fits, so it reads as cut, never as another, shorter name. Returns the text to
// draw, in the font put in *fitted; remembered as fitted_font is.
QString fitted_end(const QFont& font, const QSize& room, Qt::Alignment a, const QString& text, QFont* fitted);
// The line that says why an action did not happen, over the page where the operator
// looks: red on the field colour in a white frame, centred, 9 points, made hidden.
// show_failure puts the text in, fitted, shows and raises it; the screen hides it again at
// its next key.
QLabel* failure_line(QWidget* parent, const QRect& r, const char* name);
void show_failure(QLabel* line, const QString& text);
// The ink of each line of `text` that is not blank, drawn in `room` with `a` as
// QPainter::drawText draws it, not clipped: the pixels a quarter covered or more, found in a
// picture of it (font metrics round the layout otherwise than the painter places glyphs).
// What fitting keeps inside the room.
QVector<QPair<QString, QRect>> ink_lines(const QFont& f, const QRect& room, Qt::Alignment a, const QString& text);
// One line of text shaped once and drawn as QPainter::drawText(rect, flags, text) draws
// it (which shapes it again on every paint), for screens that draw their own texts.
class TextLine
{
public:
    TextLine();
    ~TextLine();
    void set(const QString& text, const QFont& font); // the font as the painter's device has it
    void draw(QPainter* p, const QRect& r, Qt::Alignment a) const;

private:
    QString m_text;
    std::unique_ptr<QTextLayout> m_layout;
    qreal m_height = 0, m_width = 0, m_advance = 0;
};

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
// The ring `width` pixels wide along the inside of `outer`, for a widget that draws its own
// focus ring: what it marks as changed and what it fills. A region made of the four sides
// in another order is malformed (not y-x banded): the backing store flushes only part of
// it (a VNC client or the framebuffer shows two sides) and X refuses it as a clip (BadMatch).
QRegion ring_region(const QRect& outer, int width);
// A menu's focus move: steps `index` over `items` (wrapping) and moves the focus look from
// the old item to the new one. Returns the new index.
template <class W>
int step_focus(W* const* items, int count, uint8_t& index, int dir, const char* normal, const char* focused)
{
    const int n = step(index, count, dir);
    move_focus(items[index], QString::fromLatin1(normal), items[n], QString::fromLatin1(focused));
    index = uint8_t(n);
    return n;
}

// ---- the registry ----
// Requests from the services that concern one screen (relayed by the shell).
enum Request {
    ReqProgress = 1,
    ReqRecoveryResult = 2, // the recovered card's entry goes: the list empties
    ReqListBackPage = 3,
    ReqUpdateAgeLog = 4,
    ReqQueryOutcome = 5, // a card query's outcome (QueryOutcome) and, when found, its entry
    ReqJobOutcome = 6,   // how a mapping-wizard job ended (JobOutcome)
};

// The factory of a built page (YUQ_SCREEN in the screen's .cpp; app/ fills them in).
using Factory = ScreenBase* (*)();
void set_factory(uint8_t pageId, Factory make);
void unregister_all(); // tests
bool is_registered(uint8_t pageId);
// The open screen of a page (the built screen or its stand-in), or null.
QWidget* instance(uint8_t pageId);
ScreenBase* screen(uint8_t pageId);
// Refresh of the page: a page without an open screen only takes a language change over.
void refresh(uint8_t pageId, int code);
void retext(uint8_t pageId);
// Makes the page's screen (or its stand-in) without opening it: it takes the page's
// pointer, nothing else changes. For tests and the benchmark.
ScreenBase* create(uint8_t pageId);
// Opens the page's screen, or a stand-in while its screen is not built yet: new, slot,
// g_page_focus, then exec() for a modal page, show() otherwise.
void open(uint8_t pageId);
void back(uint8_t pageId);
void request(uint8_t pageId, int what, int value, const QString& text = QString());
// Closes the page's open screen as the mode key does (delete on close, pointer cleared).
void close_page(uint8_t pageId);

// ---- open, back and mode key ----
// Closes a screen the kit's way: delete on close, close(), its page's pointer cleared;
// QDialog's own reject paths (Escape, a window manager's close) stay refused.
void close_widget(QWidget* w);
// Back action of the screen model: close, re-text the parent, g_page_focus = parent
// (the table's parent unless one is given).
void close_by_back(ScreenBase* self);
void close_by_back(ScreenBase* self, uint8_t parent);
// Mode key of the screen model. Returns false when refused (key lock; on the mapping and
// recovery screens also while a progress wheel exists): the key is then not passed on.
// Otherwise closes `self`, then every other open screen except the home, standby and
// user-mode screens (a modal screen left under the non-modal user-mode screen would take
// every key), and opens the user-mode screen with g_mode_shortcut_key = 1. Pop-ups (number
// pad, tip, update overlay) are no pages and stay.
bool mode_key(ScreenBase* self);
// After a child's exec() returns, its opener may have been closed meanwhile (the mode key
// of a screen above it): true while `w` exists and was not closed by the kit.
bool still_open(const QWidget* w);
// Marks a new top-level panel window: frameless at the panel origin on a desktop.
void panel_window(QWidget* w);

// ---- desktop rules ----
// Installed by start-up: key events go to the screen g_page_focus names (or to the pop-up
// in front), a window manager's close never closes a panel window, Escape and Enter never
// reach QDialog's own handling.
void install_panel_rules(QApplication* app);
// Called by the tick: raises and activates the front screen when the page changed.
void follow_front();

} // namespace kit

// Base of a panel dialog screen: frameless at the origin on a desktop, keys dispatched by
// role on release (then handed to the keypad shortcuts), presses only logged, closes only
// through the kit. A screen overrides the role handlers it uses.
// A panel pop-up without a page (tip, update overlay): frameless at the origin on a desktop,
// closed only by its owner (Escape and a window manager's close are refused).
class PanelPopup : public QDialog
{
    Q_OBJECT
public:
    explicit PanelPopup(QWidget* parent = nullptr);
    void reject() override;
};

class PanelDialog : public PanelPopup, public ScreenBase
{
    Q_OBJECT
public:
    explicit PanelDialog(uint8_t pageId, QWidget* parent = nullptr);
    // Job progress goes to the wheel through sig_qround_bar_update.
    void request(int what, int value, const QString& text) override;

signals:
    void sig_qround_bar_update(int value);

public slots:
    void slot_Button_back_clicked() { back(); }

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
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
    void retext() override {}
    void back() override;

protected:
    void key_ok() override;
    bool key_mode() override;
    void mousePressEvent(QMouseEvent* e) override;
};
