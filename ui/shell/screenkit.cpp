#include "screenkit.h"

#include "screens.h"
#include "mainwindow.h"
#include "my_lineedit.h"
#include "numberkeyboard.h"
#include "tip.h"
#include "core/yuqrampara.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPixmap>
#include <QPointer>
#include <QSet>
#include <QtDebug>
#include <array>

namespace kit {

// ---- keys ----

Key key_role(int code)
{
    switch (code) {
    case 'S':
    case Qt::Key_F4:
        return Key::Left;
    case 'R':
    case Qt::Key_F5:
        return Key::Right;
    case 'Q':
    case Qt::Key_F6:
        return Key::Ok;
    case 'M':
    case Qt::Key_Stop:
        return Key::Mode;
    case 'O':
    case Qt::Key_PowerOff:
        return Key::Back;
    default:
        return Key::None;
    }
}

bool key_locked()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    return p && p->image16(img::KeyLock) != 0;
}

void log_key(const char* screen, Key role, bool release)
{
    const char* when = release ? "Release" : "Press";
    switch (role) {
    case Key::Ok:
        qDebug("this is OK button(%s)[%s]\n", screen, when);
        break;
    case Key::Back:
        qDebug("this is back button(%s)[%s]\n", screen, when);
        break;
    case Key::Mode:
        qDebug("this is mode-code [%s][%s]", screen, when);
        break;
    case Key::Left:
        qDebug("this is left-code [%s][%s]", screen, when);
        break;
    case Key::Right:
        qDebug("this is right-code [%s][%s]", screen, when);
        break;
    case Key::None:
        break;
    }
}

// ---- languages ----

int shown_language()
{
    const int l = g_language.load();
    const uint32_t mask = g_lcd_lang_valid.load();
    if ((l == 0 || l == 2 || l == 3 || l == 4) && (mask & (1u << l)))
        return l;
    return 1;
}

QString text(const char* zh, const char* en, const char* ru, const char* vn, const char* tn)
{
    const char* const t[5] = {zh, en, ru, vn, tn};
    return QString::fromUtf8(t[shown_language()]);
}

QString pic_prefix()
{
    static const char* const p[5] = {"", "en_", "ru_", "vn_", "tn_"};
    return QString::fromLatin1(p[shown_language()]);
}

QString pic(const QString& name)
{
    return QStringLiteral(":/png/") + name;
}

QString lang_pic(const QString& name)
{
    return QStringLiteral(":/png/") + pic_prefix() + name;
}

void set_icon(QAbstractButton* b, const QString& resource, int w, int h)
{
    b->setIcon(QIcon(resource));
    b->setIconSize(QSize(w, h));
    b->setProperty("png", resource);
}

void set_picture(QLabel* l, const QString& resource)
{
    l->setPixmap(QPixmap(resource));
    l->setScaledContents(true);
    l->setProperty("png", resource);
}

void fit_text(QLabel* l)
{
    // Always from the label's own size, so a shorter text gets it back.
    if (!l->property("fit_base").isValid())
        l->setProperty("fit_base", QFontInfo(l->font()).pixelSize());
    QFont f = l->font();
    f.setPixelSize(l->property("fit_base").toInt());
    while (f.pixelSize() > 7 && QFontMetrics(f).horizontalAdvance(l->text()) > l->width())
        f.setPixelSize(f.pixelSize() - 1);
    l->setFont(f);
}

// ---- shared style sheets ----

namespace sheet {
const char* const large_menu = "background-color: rgb(33, 36, 53);border:2px;border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const large_menu_focus = "background-color: rgb(33, 36, 53); border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const disabled_menu = "background-color: gray;border:2px;border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const disabled_menu_focus = "background-color: gray; border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const sub_menu = "color:rgb(255,255,255);background-color: rgb(33, 36, 53) ; border:2px ;border-radius:10px;padding:2px 4px";
const char* const sub_menu_focus = "color:rgb(255,255,255);background-color: rgb(33, 36, 53); border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px";
const char* const small_button = "color:rgb(255, 255, 255);background-color:rgb(33, 36, 53);border:1px solid rgb(255,255,255);";
const char* const small_button_focus = "color:rgb(255, 255, 255);background-color: rgb(33, 36, 53);border:1px solid rgb(255,171,84);";
const char* const field = "border:1px solid rgb(255,255,255);";
const char* const field_focus = "border:1px solid rgb(255,171,84);";
const char* const field_edit = "border:1px solid rgb(255,0,0);";
} // namespace sheet

// ---- focus ----

int step(int index, int count, int dir, bool wrap)
{
    if (count <= 0)
        return 0;
    int n = index + (dir > 0 ? 1 : -1);
    if (n < 0)
        n = wrap ? count - 1 : 0;
    else if (n >= count)
        n = wrap ? 0 : count - 1;
    return n;
}

void move_focus(QWidget* from, const QString& fromSheet, QWidget* to, const QString& toSheet)
{
    if (from)
        from->setStyleSheet(fromSheet);
    if (to)
        to->setStyleSheet(toSheet);
}

// ---- the registry ----

namespace {
struct Registry
{
    std::array<Screen, page::Count> screens;
    std::array<bool, page::Count> registered{};
    std::array<QPointer<StandInScreen>, page::Count> standins;
};

Registry& reg()
{
    static Registry r;
    return r;
}

bool valid(uint8_t p)
{
    return p < page::Count;
}
} // namespace

void register_screen(uint8_t pageId, const Screen& s)
{
    if (!valid(pageId))
        return;
    reg().screens[pageId] = s;
    reg().registered[pageId] = true;
}

void unregister_all()
{
    for (int i = 0; i < page::Count; ++i) {
        reg().screens[size_t(i)] = Screen();
        reg().registered[size_t(i)] = false;
    }
}

bool is_registered(uint8_t pageId)
{
    return valid(pageId) && reg().registered[pageId];
}

QWidget* instance(uint8_t pageId)
{
    if (!valid(pageId))
        return nullptr;
    if (reg().registered[pageId] && reg().screens[pageId].instance)
        return reg().screens[pageId].instance();
    return reg().standins[pageId].data();
}

void refresh(uint8_t pageId, int code)
{
    if (!instance(pageId)) {
        // Nothing is open under that id: a language change still takes effect.
        if (YuqRamPara::p_yuqrampara_config)
            YuqRamPara::p_yuqrampara_config->YuqLanguageChanged();
        return;
    }
    if (reg().registered[pageId] && reg().screens[pageId].refresh)
        reg().screens[pageId].refresh(code);
    else if (StandInScreen* s = reg().standins[pageId])
        s->syncUpdate();
}

void retext(uint8_t pageId)
{
    if (!instance(pageId))
        return;
    if (reg().registered[pageId] && reg().screens[pageId].retext)
        reg().screens[pageId].retext();
}

void open(uint8_t pageId)
{
    if (!valid(pageId))
        return;
    if (reg().registered[pageId] && reg().screens[pageId].open) {
        reg().screens[pageId].open();
        return;
    }
    StandInScreen* s = new StandInScreen(pageId);
    reg().standins[pageId] = s;
    g_page_focus = pageId;
    if (opens_modal(pageId))
        s->exec();
    else
        s->show();
}

void back(uint8_t pageId)
{
    if (!instance(pageId))
        return;
    if (reg().registered[pageId]) {
        if (reg().screens[pageId].back)
            reg().screens[pageId].back();
        return;
    }
    if (StandInScreen* s = reg().standins[pageId])
        s->slot_Button_back_clicked();
}

void request(uint8_t pageId, int what, int value, const QString& text)
{
    if (instance(pageId) && reg().registered[pageId] && reg().screens[pageId].request)
        reg().screens[pageId].request(what, value, text);
}

void clear_pointer(uint8_t pageId)
{
    if (!valid(pageId))
        return;
    if (reg().registered[pageId] && reg().screens[pageId].clear)
        reg().screens[pageId].clear();
    reg().standins[pageId] = nullptr;
}

void close_page(uint8_t pageId)
{
    QWidget* w = instance(pageId);
    if (!w)
        return;
    close_widget(w);
    clear_pointer(pageId);
}

uint8_t parent_page(uint8_t pageId)
{
    switch (pageId) {
    case page::LockWindow:
    case page::MainWindow:
    case page::MachineState:
    case page::CustomMode:
    case page::Option:
        return page::MainWindow;
    case page::InputChoose:
        return instance(page::ImageLayout) ? page::ImageLayout : page::MainWindow;
    case page::InputCut:
        return instance(page::InputChoose) ? page::InputChoose : page::Option;
    case page::EDIDset:
        return page::InputChoose;
    case page::OutputSet:
    case page::ImageLayout:
    case page::LinkOption:
    case page::ImageQuality:
    case page::AdvancedOption:
    case page::test_chart:
    case page::SmartMapping:
        return page::Option;
    case page::ledset:
    case page::netset:
        return page::OutputSet;
    case page::lcdshow:
    case page::othersetup:
    case page::factory:
    case page::factoryage:
    case page::rcv_recovery:
        return page::AdvancedOption;
    case page::quality:
    case page::temperature:
        return page::ImageQuality;
    case page::linkcom:
    case page::linkwlan:
    case page::firmware_usbgrade:
        return page::LinkOption;
    default:
        return page::MainWindow;
    }
}

bool opens_modal(uint8_t pageId)
{
    return pageId != page::LockWindow && pageId != page::CustomMode && pageId != page::MainWindow;
}

// ---- open, back and mode key ----

void close_widget(QWidget* w)
{
    if (!w)
        return;
    w->setProperty("kit_closing", true);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->close();
}

void close_by_back(QWidget* self, const std::function<void()>& clearPointer, uint8_t parent)
{
    close_widget(self);
    if (clearPointer)
        clearPointer();
    if (parent == page::MainWindow) {
        if (g_mainwindow)
            g_mainwindow->language_changed();
    } else {
        retext(parent);
    }
    g_page_focus = parent;
}

namespace {
// The page whose open screen is `w`, or -1.
int page_of(const QWidget* w)
{
    for (int p = 0; p < page::Count; ++p)
        if (instance(uint8_t(p)) == w)
            return p;
    return -1;
}
} // namespace

bool mode_key(QWidget* self, const std::function<void()>& clearPointer,
              std::initializer_list<uint8_t> alsoClose)
{
    if (key_locked())
        return false;
    const int own = page_of(self);
    if ((own == page::SmartMapping || own == page::rcv_recovery) && g_qround_bar)
        return false; // a card job runs: the screen stays until its wheel closes
    close_widget(self);
    if (clearPointer)
        clearPointer();
    for (uint8_t p : alsoClose)
        close_page(p);
    for (int p = page::Count - 1; p >= 0; --p)
        if (p != page::MainWindow && p != page::LockWindow && p != page::CustomMode)
            close_page(uint8_t(p));
    g_mode_shortcut_key = 1;
    open(page::CustomMode);
    return true;
}

bool still_open(const QWidget* w)
{
    return w && !w->property("kit_closing").toBool();
}

void panel_window(QWidget* w)
{
    w->setWindowFlags(w->windowFlags() | Qt::FramelessWindowHint);
    w->move(0, 0);
}

// ---- number fields ----

NumberFields::NumberFields(QWidget* screen, Title title, Apply apply)
    : QObject(screen), m_title(std::move(title)), m_apply(std::move(apply))
{
    if (g_numberkeyboard)
        connect(g_numberkeyboard, &NumberKeyboard::sendKeyBoardUIDataToLineEdit, this,
                &NumberFields::confirmString);
}

NumberFields::~NumberFields()
{
    if (!m_pending)
        return;
    // The screen closes under its own pad: the field goes with it, so the pad closes too.
    g_lineedit = nullptr;
    if (g_numberkeyboard)
        g_numberkeyboard->hide();
}

void NumberFields::add(My_lineEdit* field)
{
    if (!field)
        return;
    m_fields.append(field);
    connect(field, &My_lineEdit::send_show, this, &NumberFields::show_numberkeyboard_ui);
}

bool NumberFields::owns(const QLineEdit* field) const
{
    if (!field)
        return false;
    for (const QPointer<QLineEdit>& f : m_fields)
        if (f.data() == field)
            return true;
    return false;
}

void NumberFields::show_numberkeyboard_ui(QString text)
{
    Q_UNUSED(text); // the field's own text is shown, read when the pad opens
    QLineEdit* field = qobject_cast<QLineEdit*>(sender());
    if (!field || !owns(field) || !g_numberkeyboard || g_numberkeyboard->isVisible())
        return; // one pad, one field at a time
    g_lineedit = field;
    m_pending = true;
    g_numberkeyboard->label_show(m_title ? m_title(field) : QString(), field->text());
    QPointer<NumberFields> self(this);
    g_numberkeyboard->exec();
    if (!self)
        return; // the screen closed meanwhile; its destructor cleaned up
    m_pending = false;
    if (g_lineedit == field)
        g_lineedit = nullptr;
}

void NumberFields::confirmString(QString value)
{
    if (!m_pending || !owns(g_lineedit))
        return;
    QLineEdit* field = g_lineedit;
    if (m_apply)
        m_apply(field, value);
    else
        field->setText(value);
}

// ---- desktop rules ----

namespace {
QWidget* key_target()
{
    // A modal pop-up in front takes the keys (the tip ignores them).
    QWidget* tip = g_tip;
    if (g_tip && tip->isVisible())
        return tip;
    QWidget* pad = g_numberkeyboard;
    if (g_numberkeyboard && pad->isVisible())
        return pad;
    const uint8_t p = g_page_focus.load();
    if (p == page::MainWindow)
        return g_mainwindow;
    return instance(p);
}

class PanelRules : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(e);
            QWidget* w = qobject_cast<QWidget*>(o);
            if (!w)
                return false;
            if (e->type() == QEvent::KeyPress
                && (k->key() == Qt::Key_Escape || k->key() == Qt::Key_Return
                    || k->key() == Qt::Key_Enter)
                && qobject_cast<QDialog*>(w->window()))
                return true; // QDialog would reject or click a default button
            QWidget* target = key_target();
            if (!target || target->window() == w->window() || m_copies.contains(e))
                return false;
            // Only the copy itself passes unredirected: a key handler that runs a nested
            // loop (a screen opening another) must not stop later keys from being routed.
            QKeyEvent copy(k->type(), k->key(), k->modifiers(), k->text(), k->isAutoRepeat(),
                           ushort(k->count()));
            m_copies.insert(&copy);
            QCoreApplication::sendEvent(target, &copy);
            m_copies.remove(&copy);
            return true;
        }
        case QEvent::Close:
            if (e->spontaneous()) {
                e->ignore();
                return true; // a window manager's close
            }
            return false;
        default:
            return false;
        }
    }

private:
    QSet<const QEvent*> m_copies; // redirected copies being delivered (nested loops nest them)
};

bool g_rules_installed = false;
QPointer<QWidget> g_last_front;
int g_last_page = -1;
} // namespace

void install_panel_rules(QApplication* app)
{
    app->installEventFilter(new PanelRules(app));
    g_rules_installed = true;
}

void follow_front()
{
    if (!g_rules_installed)
        return;
    const uint8_t p = g_page_focus.load();
    QWidget* front = p == page::MainWindow ? static_cast<QWidget*>(g_mainwindow) : instance(p);
    if (!front || (int(p) == g_last_page && g_last_front == front))
        return;
    g_last_page = p;
    g_last_front = front;
    front->raise();
    front->activateWindow();
}

} // namespace kit

// ---- PanelDialog ----

PanelDialog::PanelDialog(QWidget* parent) : QDialog(parent)
{
    kit::panel_window(this);
}

void PanelDialog::reject()
{
    // Only the kit closes a screen; Escape and a window manager's close do not.
    if (property("kit_closing").toBool())
        QDialog::reject();
}

void PanelDialog::keyPressEvent(QKeyEvent* e)
{
    const kit::Key r = kit::key_role(e->key());
    if (r == kit::Key::Ok || r == kit::Key::Back)
        kit::log_key(screen_name(), r, false);
}

void PanelDialog::keyReleaseEvent(QKeyEvent* e)
{
    const int code = e->key();
    const kit::Key r = kit::key_role(code);
    kit::log_key(screen_name(), r, true);
    QPointer<PanelDialog> self(this);
    switch (r) {
    case kit::Key::Left:
        key_left();
        break;
    case kit::Key::Right:
        key_right();
        break;
    case kit::Key::Ok:
        key_ok();
        break;
    case kit::Key::Back:
        key_back();
        break;
    case kit::Key::Mode:
        if (!key_mode())
            return;
        break;
    case kit::Key::None:
        break;
    }
    // A screen closed by its own key is deleted later, so the member is still there; one
    // deleted meanwhile (a nested loop ran) hands nothing on.
    if (!self)
        return;
    m_keyboard.update_usb_keyEvent(code);
}

// ---- StandInScreen ----

StandInScreen::StandInScreen(uint8_t pageId, QWidget* parent) : PanelDialog(parent), m_page(pageId)
{
    setObjectName(QStringLiteral("standin_%1").arg(pageId));
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(320, 240);
    setStyleSheet(QStringLiteral("background-color: rgb(16, 16, 28);"));
    setProperty("page_id", int(pageId));
}

void StandInScreen::syncUpdate()
{
    if (YuqRamPara::p_yuqrampara_config->YuqLanguageChanged())
        language_changed();
}

void StandInScreen::close_self()
{
    kit::close_page(m_page);
}

void StandInScreen::slot_Button_back_clicked()
{
    if (m_page == page::LockWindow)
        return;
    if (m_page == page::CustomMode && g_mode_shortcut_key) {
        // Entered by the mode key: back leads to a new standby screen.
        close_self();
        g_mode_shortcut_key = 0;
        kit::open(page::LockWindow);
        return;
    }
    const uint8_t parent = kit::parent_page(m_page);
    kit::close_by_back(this, [this] { kit::clear_pointer(m_page); }, parent);
}

void StandInScreen::key_ok()
{
    if (m_page != page::LockWindow)
        return;
    kit::close_by_back(this, [this] { kit::clear_pointer(m_page); }, page::MainWindow);
}

void StandInScreen::key_back()
{
    slot_Button_back_clicked();
}

bool StandInScreen::key_mode()
{
    if (m_page == page::CustomMode)
        return true; // the mode key does nothing on the user-mode screen
    return kit::mode_key(this, [this] { kit::clear_pointer(m_page); });
}

void StandInScreen::mousePressEvent(QMouseEvent* e)
{
    if (m_page == page::LockWindow)
        key_ok();
    else
        PanelDialog::mousePressEvent(e);
}
