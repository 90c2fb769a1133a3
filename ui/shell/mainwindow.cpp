#include "mainwindow.h"
#include "panelclock.h"
#include "ui_mainwindow.h"

#include "firmwareupdate.h"
#include "numberkeyboard.h"
#include "screenkit.h"
#include "screens.h"
#include "tip.h"
#include "core/image_edit.h"
#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMutexLocker>
#include <QPushButton>
#include <cstring>

const char* const MainWindow::s_large = "background-color: rgb(33, 36, 53);border:2px;border-radius:10px;padding:2px 4px";
const char* const MainWindow::s_small = "background-color: rgb(33, 36, 53);border:1px;border-radius:1px;padding:1px 1px";
const char* const MainWindow::s_large_focus = "background-color: rgb(33, 36, 53);border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px;";
const char* const MainWindow::s_small_focus = "background-color: rgb(33, 36, 53);border:1px solid rgb(255,171,84);border-radius:1px;padding:1px 1px";
const char* const MainWindow::s_strip = "#widget_mode{background-color: rgb(255, 255, 255);border:1px groove gray;border-radius:1px;}";
const char* const MainWindow::s_slot = "background-color:transparent;";
const char* const MainWindow::s_slot_focus = "background-color:transparent;border-radius:5px;border:2px solid rgb(255,171,84);";

namespace {
const char* const kSlotSaved = "background-color: #212435;border-radius:5px;";
const char* const kSlotEmpty = "background-color: #B2B2B2;border-radius:5px;";
const char* const kSlotChosen = "background-color: #00D65B;border-radius:5px;";

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

int window_base(int w)
{
    return img::Window + img::WindowSize * w;
}

QString strip_title(bool saving)
{
    if (saving)
        return kit::text(Txt::mainwindow_user_mode_save);
    return kit::text(Txt::mainwindow_user_mode_invocation);
}
} // namespace

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent), ScreenBase(this, page::MainWindow), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    kit::panel_window(this);
    m_stripFont.setPointSize(9);
    ui->widget->hide();
    m_pointer = new QLabel(this);
    kit::set_picture(m_pointer, kit::pic(QStringLiteral("pointer.png")));
    m_pointer->hide();
    kit::set_picture(ui->label_IP, kit::pic(QStringLiteral("ip.png")));
    kit::set_icon(ui->Button_lock, kit::pic(QStringLiteral("unlock.png")), 16, 16);
    kit::set_icon(ui->tools, kit::pic(QStringLiteral("tools.png")), 16, 16);
    kit::set_icon(ui->toolButton3, kit::pic(QStringLiteral("uncall.png")), 24, 36);
    kit::set_icon(ui->toolButton4, kit::pic(QStringLiteral("unsave.png")), 24, 36);
    if (!g_tip)
        g_tip = new TIP(nullptr);
    menulist_init();
    retext();
}

MainWindow::~MainWindow()
{
    delete ui;
}

QWidget* MainWindow::menu_item(int i) const
{
    return m_items[i];
}

QWidget* MainWindow::tool(int i) const
{
    return m_tools[i];
}

bool MainWindow::tools_shown() const
{
    return !ui->widget->isHidden();
}

bool MainWindow::strip_shown() const
{
    return m_strip && !m_strip->isHidden();
}

void MainWindow::menulist_init()
{
    QPushButton* items[6] = {ui->machinestate, ui->inputchoose, ui->custommode,
                             ui->option,       ui->Button_lock, ui->tools};
    QPushButton* tools[4] = {ui->toolButton1, ui->toolButton2, ui->toolButton3, ui->toolButton4};
    std::copy(items, items + 6, m_items);
    std::copy(tools, tools + 4, m_tools);
    ui_select = 0;
    l_mode_select = 0;
    m_focused = ui->machinestate;
    kit::set_sheet(m_focused, QString::fromLatin1(s_large_focus));
}

void MainWindow::retext()
{
    const int lang = kit::shown_language();
    kit::set_icon(ui->machinestate, kit::lang_pic(QStringLiteral("machinestate.png")), 64, 64);
    if (lang == 1)
        kit::set_icon(ui->inputchoose, kit::lang_pic(QStringLiteral("inputchoose.png")), 90, 64);
    else if (lang == 2 || lang == 3)
        kit::set_icon(ui->inputchoose, kit::lang_pic(QStringLiteral("inputchoose.png")), 96, 76);
    else
        kit::set_icon(ui->inputchoose, kit::lang_pic(QStringLiteral("inputchoose.png")), 64, 64);
    kit::set_icon(ui->custommode, kit::lang_pic(QStringLiteral("custommode.png")), 64, 64);
    kit::set_icon(ui->option, kit::lang_pic(QStringLiteral("option.png")), 64, 64);
    // The call and save tools keep the picture of their state (lit while their strip is open).
    kit::relang_icon(ui->toolButton3);
    kit::relang_icon(ui->toolButton4);
    para_init();
    ip_changed();
    if (m_strip) {
        m_stripTitle->setText(strip_title(l_save_state));
        mode_init();
    }
}

int MainWindow::mute_window() const
{
    const int w = para()->image16(img::CurrentWindow);
    return w < WINDOW_COUNT ? w : 0;
}

void MainWindow::para_init()
{
    YuqRamPara* p = para();
    kit::set_icon(ui->toolButton1,
                  kit::lang_pic(p->image16(img::AllWindowsState) == 1 ? QStringLiteral("closeled.png")
                                                                        : QStringLiteral("uncloseled.png")),
                  24, 36);
    const bool soundOn = p->image16(window_base(mute_window()) + img::WinVolume) & 0x8000;
    kit::set_icon(ui->toolButton2,
                  kit::lang_pic(soundOn ? QStringLiteral("unslience.png") : QStringLiteral("slience.png")),
                  24, 36);
    // Any non-zero lock word locks the keys, so it shows locked.
    l_lock_state = p->image16(img::KeyLock) != 0 ? 1 : 0;
    kit::set_icon(ui->Button_lock,
                  kit::pic(l_lock_state ? QStringLiteral("lock.png") : QStringLiteral("unlock.png")), 16, 16);
}

void MainWindow::refresh(kit::Refresh)
{
    YuqRamPara* p = para();
    if (p->YuqLanguageChanged())
        retext();
    const int w = mute_window();
    const int mute = window_base(w) + img::WinVolume;
    const bool same = p->image16(img::AllWindowsState) == p->applied16(img::AllWindowsState)
                      && p->image16(img::CurrentWindow) == p->applied16(img::CurrentWindow)
                      && p->image16(mute) == p->applied16(mute)
                      && p->image16(img::KeyLock) == p->applied16(img::KeyLock);
    if (!same)
        para_init();
    ip_changed();
}

void MainWindow::ip_changed()
{
    kit::set_plain_text(ui->label_IPaddr, g_str_ip.get()); // from the configuration file
}

void MainWindow::update_start()
{
    firmware_update_start();
}

void MainWindow::update_over()
{
    firmware_update_over();
}

// ---- keys ----

void MainWindow::keyPressEvent(QKeyEvent* e)
{
    const kit::Key r = kit::key_role(e->key());
    if (r == kit::Key::Ok || r == kit::Key::Back)
        kit::log_key("MainWindow", r, false);
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    // The home screen lives as long as the process.
    e->ignore();
}

void MainWindow::keyReleaseEvent(QKeyEvent* e)
{
    const int code = e->key();
    const kit::Key role = kit::key_role(code);
    kit::log_key("MainWindow", role, true);
    const bool strip = l_call_state || l_save_state;
    const bool tools = tools_shown();

    switch (role) {
    case kit::Key::Left:
    case kit::Key::Right: {
        const int dir = role == kit::Key::Right ? 1 : -1;
        if (strip) {
            on_usermodesel_clicked(dir > 0 ? 1 : 0);
        } else if (tools) {
            const int n = kit::step(ui_select, 4, dir);
            kit::move_focus(m_tools[ui_select], QString::fromLatin1(s_small), m_tools[n],
                            QString::fromLatin1(s_small_focus));
            ui_select = uint8_t(n);
            m_focused = m_tools[n];
        } else {
            const int n = kit::step(ui_select, 6, dir);
            kit::move_focus(m_items[ui_select], QString::fromLatin1(ui_select < 4 ? s_large : s_small),
                            m_items[n], QString::fromLatin1(n < 4 ? s_large_focus : s_small_focus));
            ui_select = uint8_t(n);
            m_focused = m_items[n];
        }
        break;
    }
    case kit::Key::Ok:
        if (strip) {
            if (l_mode_select < 16 && m_modeButtons[l_mode_select])
                m_modeButtons[l_mode_select]->click();
        } else if (tools) {
            m_tools[ui_select]->click();
        } else {
            m_items[ui_select]->click();
        }
        break;
    case kit::Key::Back:
        if (strip) {
            on_deletewidgetmode_clicked();
            kit::set_sheet(m_tools[ui_select], QString::fromLatin1(s_small_focus));
        } else if (tools) {
            ui->widget->hide();
            kit::set_sheet(m_tools[ui_select], QString::fromLatin1(s_small));
            ui_select = 5;
            m_focused = ui->tools;
            kit::set_sheet(ui->tools, QString::fromLatin1(s_small_focus));
        } else {
            mode_window_close();
            kit::open(page::LockWindow);
        }
        break;
    case kit::Key::Mode:
        if (kit::key_locked())
            return; // refused, and not passed on
        g_mode_shortcut_key = 1;
        on_custommode_clicked();
        break;
    case kit::Key::None:
        break;
    }
    m_keyboard.update_usb_keyEvent(code);
}

// ---- menu items ----

void MainWindow::open_page(uint8_t pageId)
{
    mode_window_close();
    kit::open(pageId);
}

void MainWindow::on_machinestate_clicked()
{
    open_page(page::MachineState);
}

void MainWindow::on_inputchoose_clicked()
{
    open_page(page::InputChoose);
}

void MainWindow::on_custommode_clicked()
{
    open_page(page::CustomMode);
}

void MainWindow::on_option_clicked()
{
    open_page(page::Option);
}

void MainWindow::on_Button_lock_clicked()
{
    // Toggle between locked and unlocked whatever non-zero word the PC left there.
    const uint16_t v = para()->image16(img::KeyLock) != 0 ? 0 : 1;
    // A panel word, nothing for the engine to apply: so no write-back follows, it is kept now.
    para()->store_panel_word(img::KeyLock, v);
    l_lock_state = uint8_t(v);
    kit::set_icon(ui->Button_lock, kit::pic(v ? QStringLiteral("lock.png") : QStringLiteral("unlock.png")),
                  16, 16);
}

void MainWindow::on_tools_clicked()
{
    if (ui->widget->isHidden()) {
        ui->widget->show();
        kit::set_sheet(ui->tools, QString::fromLatin1(s_large));
        ui_select = 0;
        l_mode_select = 0;
        m_focused = ui->toolButton1;
        kit::set_sheet(ui->toolButton1, QString::fromLatin1(s_small_focus));
        return;
    }
    mode_window_close();
    l_mode_select = 0;
    ui->widget->hide();
}

void MainWindow::on_toolButton1_clicked()
{
    YuqRamPara* p = para();
    const uint16_t v = (p->image16(img::AllWindowsState) + 1) & 1;
    kit::set_icon(ui->toolButton1,
                  kit::lang_pic(v == 1 ? QStringLiteral("closeled.png") : QStringLiteral("uncloseled.png")),
                  24, 36);
    ImageEdit e;
    e.set(img::AllWindowsState, v);
}

void MainWindow::on_toolButton2_clicked()
{
    bool soundOn;
    {
        ImageEdit e;
        int w = e.get(img::CurrentWindow);
        if (w >= WINDOW_COUNT || e.get(window_base(w) + img::WinFlags) == 0) {
            w = 0;
            e.set(img::CurrentWindow, 0);
        }
        const int mute = window_base(w) + img::WinVolume;
        soundOn = e.get(mute) & 0x8000;
        e.set(mute, soundOn ? 0x0000 : 0x80FF);
    }
    kit::set_icon(ui->toolButton2,
                  kit::lang_pic(soundOn ? QStringLiteral("slience.png") : QStringLiteral("unslience.png")),
                  24, 36);
}

void MainWindow::on_toolButton3_clicked()
{
    if (!l_call_state)
        strip_open(false);
}

void MainWindow::on_toolButton4_clicked()
{
    if (!l_save_state)
        strip_open(true);
}

// Opens the strip for calling or saving (the two tools differ only in their roles).
void MainWindow::strip_open(bool saving)
{
    QPushButton* mine = saving ? ui->toolButton4 : ui->toolButton3;
    QPushButton* other = saving ? ui->toolButton3 : ui->toolButton4;
    uint8_t& state = saving ? l_save_state : l_call_state;
    uint8_t& otherState = saving ? l_call_state : l_save_state;
    state = 1;
    if (otherState) {
        otherState = 0;
        kit::set_icon(other, kit::lang_pic(saving ? QStringLiteral("uncall.png") : QStringLiteral("unsave.png")),
                      24, 36);
    }
    kit::set_sheet(m_tools[ui_select < 4 ? ui_select : 0], QString::fromLatin1(s_small));
    const int s = para()->YuqUserModeIndex(char(l_mode_select), 2);
    if (s < USER_MODE_COUNT) {
        l_mode_select = uint8_t(s);
        kit::set_icon(mine, kit::lang_pic(saving ? QStringLiteral("save.png") : QStringLiteral("call.png")),
                      24, 36);
    } else {
        l_mode_select = 0;
    }
    mode_init();
    show_strip();
    m_pointer->setGeometry(281, saving ? 188 : 148, 9, 12);
    m_pointer->show();
    m_pointer->raise();
}

void MainWindow::show_strip()
{
    m_strip->setGeometry(11, 6, 270, 230);
    m_stripTitle->setText(strip_title(l_save_state));
    m_strip->show();
    m_strip->raise();
}

// ---- the user-mode strip ----

// The strip's 16 slots, built when the strip first opens; mode_init fills them in place.
void MainWindow::build_strip()
{
    m_strip = new QWidget(this);
    m_strip->setObjectName(QStringLiteral("widget_mode"));
    m_strip->setStyleSheet(QString::fromLatin1(s_strip));
    m_strip->hide();
    m_stripTitle = new QLabel(m_strip);
    m_stripTitle->setGeometry(10, 5, 210, 28);
    m_stripTitle->setFont(m_stripFont);
    m_stripTitle->setStyleSheet(QStringLiteral("background-color: rgb(255, 255, 255);"));
    for (int i = 0; i < USER_MODE_COUNT; ++i) {
        const int x = 15 + 63 * (i % 4), y = 33 + 45 * (i / 4);
        QFrame* frame = new QFrame(m_strip);
        frame->setGeometry(x, y, 50, 40);
        g_mode[i] = frame;
        QLabel* badge = new QLabel(m_strip);
        badge->setGeometry(x, y, 12, 12);
        badge->setText(QString::number(i + 1));
        badge->setAlignment(Qt::AlignCenter);
        badge->setStyleSheet(QStringLiteral("background-color: #4777FF;color: #FFFFFF;border-radius:3px;font: 7px;"));
        m_slotPicture[i] = new QLabel(frame);
        m_slotPicture[i]->setGeometry(17, 12, 16, 16);
        m_slotUsing[i] = new QLabel(frame);
        m_slotUsing[i]->setAlignment(Qt::AlignCenter);
        m_slotUsing[i]->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255); font: 7px;"));
        m_slotUsing[i]->hide();
        QPushButton* b = new QPushButton(m_strip);
        b->setGeometry(x, y, 50, 40);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFlat(true); // no bevel under the transparent sheet: the slot frame shows through
        b->setObjectName(QString::number(i));
        connect(b, &QPushButton::clicked, this, &MainWindow::yuq_button_mode_clicked);
        m_modeButtons[i] = b;
    }
}

void MainWindow::mode_init()
{
    if (!m_strip)
        build_strip();
    YuqRamPara* p = para();
    const bool open = l_call_state || l_save_state;
    const int current = p->YuqGetCurrentModeIndex();
    const QString inUse = kit::text(Txt::mainwindow_using);
    for (int i = 0; i < USER_MODE_COUNT; ++i) {
        QLabel* picture = m_slotPicture[i];
        QLabel* using_ = m_slotUsing[i];
        QPushButton* b = m_modeButtons[i];
        const bool focus = i == l_mode_select;
        const bool saved = p->YuqUserModeSaved(i);
        const bool inUseSlot = saved && i + 1 == current;
        using_->setText(inUse);
        kit::set_sheet(g_mode[i], QString::fromLatin1(saved ? kSlotSaved : kSlotEmpty));
        kit::set_picture(picture, kit::pic(saved ? QStringLiteral("mode_exist.png") : QStringLiteral("mode_blank.png")));
        kit::set_sheet(b, QString::fromLatin1(focus && (saved ? open : l_save_state) ? s_slot_focus : s_slot));
        picture->move(17, inUseSlot ? 7 : 12);
        if (inUseSlot)
            using_->setGeometry(7, 23, 36, 17);
        using_->setVisible(inUseSlot);
    }
}

void MainWindow::on_usermodesel_clicked(char direction)
{
    if (l_save_state) {
        l_mode_select = uint8_t(kit::step(l_mode_select, USER_MODE_COUNT, direction == 1 ? 1 : -1));
    } else if (l_call_state) {
        const int s = para()->YuqUserModeIndex(char(l_mode_select), direction);
        l_mode_select = uint8_t(s < USER_MODE_COUNT ? s : 0);
    }
    mode_init();
    show_strip();
}

void MainWindow::yuq_button_mode_clicked()
{
    YuqRamPara* p = para();
    const int old = g_mode_select.load();
    if (old < USER_MODE_COUNT && g_mode[old])
        kit::set_sheet(g_mode[old], QString::fromLatin1(p->YuqUserModeSaved(old) ? kSlotSaved : kSlotEmpty));
    QObject* from = sender();
    bool ok = false;
    const int s = from ? from->objectName().toInt(&ok) : l_mode_select;
    if (from && !ok)
        return;
    if (s < 0 || s >= USER_MODE_COUNT)
        return;
    g_mode_select = uint8_t(s);
    if (l_save_state) {
        if (s + 1 != p->image16(img::SaveRequest)) {
            ImageEdit e;
            e.set(img::SaveRequest, uint16_t(s + 1));
        }
        l_save_state = 0;
        on_toolButton4_clicked();
        l_tip_request = true;
    } else if (l_call_state) {
        if (p->YuqUserModeSaved(s)) {
            {
                ImageEdit e;
                e.copy_in(USER_MODE_IMAGE_BASE, p->user_mode[s] + 2, USER_MODE_COPY_LEN);
                e.set(img::CurrentMode, uint16_t(s + 1));
                e.set(img::SaveRequest, 0);
            }
            l_call_state = 0;
            l_mode_select = uint8_t(s);
            on_toolButton3_clicked();
            l_tip_request = true;
        }
    }
    if (g_mode[s])
        kit::set_sheet(g_mode[s], QString::fromLatin1(kSlotChosen));
}

void MainWindow::on_deletewidgetmode_clicked()
{
    if (l_save_state) {
        l_save_state = 0;
        kit::set_icon(ui->toolButton4, kit::lang_pic(QStringLiteral("unsave.png")), 24, 36);
    }
    if (l_call_state) {
        l_call_state = 0;
        kit::set_icon(ui->toolButton3, kit::lang_pic(QStringLiteral("uncall.png")), 24, 36);
    }
    if (m_strip)
        m_strip->hide();
    m_pointer->hide();
}

void MainWindow::mode_window_close()
{
    if (!m_strip)
        return;
    l_call_state = 0;
    l_save_state = 0;
    // Neither tool stays lit (a re-text keeps the picture a tool has).
    kit::set_icon(ui->toolButton3, kit::lang_pic(QStringLiteral("uncall.png")), 24, 36);
    kit::set_icon(ui->toolButton4, kit::lang_pic(QStringLiteral("unsave.png")), 24, 36);
    m_strip->hide();
    m_pointer->hide();
}

// ---- the tick ----

void MainWindow::slot_update_timer_ticks()
{
    PanelClock::instance()->tick();
}

YUQ_SCREEN(MainWindow)
