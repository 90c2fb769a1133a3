#include "panel_input.h"

#include "services.h"

#include <rfb/keysym.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace host {

namespace {

// Qt's key code and text of an X keysym, as Qt's own VNC server maps them.
int qt_key(uint32_t k, QString* text)
{
    if (k >= 0x20 && k <= 0x7e) {
        *text = QChar(char16_t(k));
        return k >= 'a' && k <= 'z' ? int(Qt::Key_A + (k - 'a')) : int(k);
    }
    if (k >= XK_F1 && k <= XK_F35)
        return int(Qt::Key_F1 + (k - XK_F1));
    if (k >= XK_KP_0 && k <= XK_KP_9) {
        *text = QChar(char16_t('0' + (k - XK_KP_0)));
        return int(Qt::Key_0 + (k - XK_KP_0));
    }
    switch (k) {
    case XK_BackSpace: return Qt::Key_Backspace;
    case XK_Tab: return Qt::Key_Tab;
    case XK_Return: *text = QStringLiteral("\r"); return Qt::Key_Return;
    case XK_KP_Enter: *text = QStringLiteral("\r"); return Qt::Key_Enter;
    case XK_Escape: return Qt::Key_Escape;
    case XK_Insert: return Qt::Key_Insert;
    case XK_Delete: return Qt::Key_Delete;
    case XK_Home: return Qt::Key_Home;
    case XK_End: return Qt::Key_End;
    case XK_Page_Up: return Qt::Key_PageUp;
    case XK_Page_Down: return Qt::Key_PageDown;
    case XK_Left: return Qt::Key_Left;
    case XK_Up: return Qt::Key_Up;
    case XK_Right: return Qt::Key_Right;
    case XK_Down: return Qt::Key_Down;
    case XK_Shift_L: case XK_Shift_R: return Qt::Key_Shift;
    case XK_Control_L: case XK_Control_R: return Qt::Key_Control;
    case XK_Alt_L: case XK_Alt_R: return Qt::Key_Alt;
    case XK_Meta_L: case XK_Meta_R: return Qt::Key_Meta;
    default: return 0;
    }
}

Qt::KeyboardModifiers g_modifiers;
Qt::MouseButtons g_buttons;
QPointer<QWidget> g_pressed_window; // takes the pointer until every button is up
QPoint g_pointer(-1, -1);

// The window a press at `at` lands on: the highest shown one there, unless a modal screen
// other than it blocks it.
QWidget* window_at(const QPoint& at)
{
    const QList<QWidget*> shown = panel_windows();
    for (int i = shown.size() - 1; i >= 0; --i) {
        QWidget* w = shown[i];
        if (!QRect(w->mapToGlobal(QPoint(0, 0)), w->size()).contains(at))
            continue;
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != w && w->windowType() != Qt::Popup)
            return nullptr;
        return w;
    }
    return nullptr;
}

} // namespace

void deliver_key(bool down, uint32_t keysym)
{
    QString text;
    const int key = qt_key(keysym, &text);
    if (!key)
        return;
    const Qt::KeyboardModifier mod = key == Qt::Key_Shift ? Qt::ShiftModifier
        : key == Qt::Key_Control                          ? Qt::ControlModifier
        : key == Qt::Key_Alt                              ? Qt::AltModifier
        : key == Qt::Key_Meta                             ? Qt::MetaModifier
                                                          : Qt::NoModifier;
    if (mod != Qt::NoModifier)
        g_modifiers.setFlag(mod, down);
    // Where the control lines' keys go: typed-ahead keys reach the screen a key before
    // them opened, which the platform has not made the focus window yet.
    panel_key_event(down, key, g_modifiers, text);
}

void deliver_pointer(int mask, const QPoint& at)
{
    Qt::MouseButtons now;
    now.setFlag(Qt::LeftButton, mask & 1);
    now.setFlag(Qt::MiddleButton, mask & 2);
    now.setFlag(Qt::RightButton, mask & 4);
    QWidget* target = g_buttons ? g_pressed_window.data() : window_at(at);
    const auto send = [&](QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons) {
        if (!target || !target->windowHandle())
            return;
        const QPointF local = at - target->mapToGlobal(QPoint(0, 0));
        QMouseEvent e(type, local, local, QPointF(at), button, buttons, g_modifiers);
        QCoreApplication::sendEvent(target->windowHandle(), &e);
    };
    if (at != g_pointer)
        send(QEvent::MouseMove, Qt::NoButton, g_buttons);
    g_pointer = at;
    for (Qt::MouseButton b : {Qt::LeftButton, Qt::MiddleButton, Qt::RightButton}) {
        if ((g_buttons & b) == (now & b))
            continue;
        if (now & b) {
            if (!g_buttons)
                g_pressed_window = target;
            g_buttons |= b;
            send(QEvent::MouseButtonPress, b, g_buttons);
        } else {
            g_buttons &= ~Qt::MouseButtons(b);
            send(QEvent::MouseButtonRelease, b, g_buttons);
        }
    }
    if (!g_buttons)
        g_pressed_window = nullptr;
}

void post_input(const std::shared_ptr<Wakeup>& w, std::function<void()> fn)
{
    w->in_flight.fetch_add(1);
    on_gui_thread([w, fn = std::move(fn)] {
        if (w->in_flight.fetch_sub(1) == kInputInFlight)
            w->wake(); // its thread reads again
        fn();
    });
}

} // namespace host
