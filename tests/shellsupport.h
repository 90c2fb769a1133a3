#pragma once
// Panel tests: a fresh device, the parameter block, the refresh wired as at start-up, and
// the home screen. Pauses are off; ticks are driven by calling the tick slot.
#include "testsupport.h"

#include "app/screen_registry.h"
#include "app/services.h"
#include "core/config_engine.h"
#include "core/engine_handshake.h"
#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"
#include "sim/control.h"
#include "resources/yuq_resources.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"
#include "ui/shell/syncupdate.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QObject>
#include <QSettings>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>

namespace shellsupport {

inline YuqRamPara* fresh_panel(bool withHome = true)
{
    yuq_resources_init(); // the panel's pictures, as at start-up
    register_pc_commands(); // the PC's stand-ins on the control channel
    sim::set_panel_ready(true); // their lines wait for a panel: this is one
    YuqRamPara* p = testsupport::fresh_core();
    QObject::connect(p, &YuqRamPara::sig_update_para, SyncUpdate::pInstance(), &SyncUpdate::para_sync);
    kit::unregister_all();
    register_screens();
    g_language = 1;
    g_lcd_lang_valid = 0x1F;
    g_image_current = 0;
    g_mode_shortcut_key = 0;
    g_mode_select = 0;
    G_timeTicks = 0;
    delete g_mainwindow;
    g_mainwindow = withHome ? new MainWindow(nullptr) : nullptr;
    g_page_focus = page::MainWindow;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return p;
}

// The FPGA manager's start states: FPGA 0 running, FPGA 1 too when `both`.
inline void fpgas_running(bool both)
{
    fpga_manage* f = fpga_manage::pInstance();
    f->MCU_REG_func[0][fpga_manage::StartState] = 3;
    f->MCU_REG_func[1][fpga_manage::StartState] = both ? 3 : 1;
}

// The block as the engine has taken it: nothing pending between ram_para and ram_para_old.
inline void settled(YuqRamPara* p)
{
    std::memcpy(p->ram_para_old, p->ram_para, RAM_PARA_SIZE);
}

// Runs `n` ticks of the home screen's 10 ms tick.
inline void ticks(int n)
{
    for (int i = 0; i < n; ++i)
        g_mainwindow->slot_update_timer_ticks();
}

// Marks user-mode slot `s` saved with a recognisable byte pattern.
inline void save_slot(YuqRamPara* p, int s, unsigned char fill)
{
    p->user_mode[s][0] = p->user_mode[s][1] = 0xAA;
    std::memset(p->user_mode[s] + 2, fill, USER_MODE_COPY_LEN);
    wr16(p->user_mode[s] + 2, img::Window - USER_MODE_IMAGE_BASE, 1); // window 0 on
}

// Image offset of field `field` of window w's record.
// Text from a file or the PC on a label of `w`: shown exactly, as plain text (never markup).
inline bool shown_plain(QWidget* w, const QString& text)
{
    for (QLabel* l : w->findChildren<QLabel*>())
        if (l->text() == text)
            return l->textFormat() == Qt::PlainText;
    return false;
}

// What a screen shows in its language: the text of each label, button and combo-box item
// and the picture the kit set, of every widget not hidden. A screen re-texted in place
// shows what the same screen built anew in that language shows.
inline QStringList shown_texts(QWidget* w)
{
    QStringList out;
    for (QWidget* c : w->findChildren<QWidget*>()) {
        if (!c->isVisibleTo(w))
            continue;
        QString t;
        if (auto* l = qobject_cast<QLabel*>(c))
            t = l->text();
        else if (auto* b = qobject_cast<QAbstractButton*>(c))
            t = b->text();
        else if (auto* box = qobject_cast<QComboBox*>(c))
            for (int i = 0; i < box->count(); ++i)
                t += box->itemText(i) + QLatin1Char('|');
        out << c->objectName() + QLatin1Char('=') + t + QLatin1Char(' ') + c->property("png").toString();
    }
    return out;
}

// The language a PC or the control channel writes, taken over by the refresh that follows.
inline void switch_language(YuqRamPara* p, int language)
{
    p->set_image16(img::Language, uint16_t(language));
    EngineHandshake::instance().reapply = 0;
    p->test_signal(1);
}

inline int win(int w, int field)
{
    return img::Window + img::WindowSize * w + field;
}

// Input s's timing record as the input thread writes it.
inline void set_timing(YuqRamPara* p, int s, int w, int h, int hz)
{
    p->set_image16(img::SourceTiming + 6 * s, uint16_t(w));
    p->set_image16(img::SourceTiming + 6 * s + 2, uint16_t(h));
    p->set_image16(img::SourceTiming + 6 * s + 4, uint16_t(hz));
}

// Crop-table entry e: crop `number` (1..40) of `source`, w x h.
inline void set_crop(YuqRamPara* p, int e, int source, int number, int w, int h)
{
    const int b = img::CropTable + 10 * e;
    p->set_image16(b, uint16_t(0x8000 | ((number - 1) << 8) | source));
    p->set_image16(b + 6, uint16_t(w));
    p->set_image16(b + 8, uint16_t(h));
}

// A key release as the keypad delivers it (QTest has no text for some panel keys).
inline void release(QWidget* w, int code)
{
    QKeyEvent e(QEvent::KeyRelease, code, Qt::NoModifier);
    QCoreApplication::sendEvent(w, &e);
}

// Releases the key letters of `seq` on `w` in turn.
inline void keys(QWidget* w, const char* seq)
{
    for (const char* c = seq; *c; ++c)
        release(w, *c);
}

inline int recorded(const QString& command)
{
    return platform::shell_recorded().count(command);
}

// The network settings as the configuration stores them (the globals follow).
inline void store_network(const QString& ip, const QString& mask, const QString& gateway)
{
    ConfigEngine* c = ConfigEngine::p_config;
    c->write_config_variant(ConfigItem::IPAddress, ip);
    c->write_config_variant(ConfigItem::SubNetMask, mask);
    c->write_config_variant(ConfigItem::GateWay, gateway);
    Utils::getIPAddress();
}

// "ip mask gateway" as stored; the globals' values after a bar when they differ.
inline QString stored_network()
{
    QSettings s(platform::dev_path(ConfigEngine::config_path()), QSettings::IniFormat);
    QStringList ini;
    for (const char* k : {"IPAddress", "SubNetMask", "GateWay"})
        ini << s.value(QStringLiteral("config/") + QLatin1String(k)).toString();
    const QString live = QStringList{g_str_ip.get(), g_srt_mask.get(), g_str_gateway.get()}.join(' ');
    return ini.join(' ') == live ? live : ini.join(' ') + " | " + live;
}

// Whether the recorded commands applied `ipMaskGateway`: "sync" first, the interface, the route.
inline bool ran_network(const QString& ipMaskGateway)
{
    const QStringList c = platform::shell_recorded(), n = ipMaskGateway.split(' ');
    return c.value(0) == QLatin1String("sync") && c.contains(QString("ifconfig eth0 %1 netmask %2").arg(n[0], n[1]))
           && c.contains(QString("route add default gw %1 metric 100").arg(n[2]));
}

// Opens a modal page and runs `body` with its screen inside the screen's own loop; what
// the body leaves open is closed afterwards. False when the body never ran.
template <class S> bool in_screen(uint8_t pageId, const std::function<void(S*)>& body)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        if (S* s = static_cast<S*>(kit::slot_widget(pageId))) {
            body(s);
            ran = true;
        }
        if (kit::slot_widget(pageId))
            kit::close_page(pageId);
    });
    kit::open(pageId);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ran;
}

// The same as a test step: fails when the screen did not open; the home screen is in
// front again afterwards.
template <class S> void run_screen(uint8_t pageId, const std::function<void(S*)>& body)
{
    QVERIFY(in_screen<S>(pageId, body));
    g_page_focus = page::MainWindow;
}

} // namespace shellsupport
