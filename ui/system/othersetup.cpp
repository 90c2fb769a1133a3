#include "othersetup.h"
#include "ui_othersetup.h"

#include "combofield.h"
#include "comm/k87_wifi_config.h"
#include "core/image_edit.h"
#include "core/yuqrampara.h"
#include "yuq_texts.h"

#include <QComboBox>
#include <QLabel>

namespace {
constexpr int kPanelWindows = 6;

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

int window_base(int w)
{
    return img::Window + img::WindowSize * w;
}

bool window_enabled(int w)
{
    return para()->image16(window_base(w) + img::WinFlags) != 0;
}

// Byte +21 of the record is the volume word's high byte; its bit 7 reads as "on".
bool volume_on(int w)
{
    return para()->image8(window_base(w) + img::WinVolume + 1) & 0x80;
}
} // namespace

othersetup::othersetup(QWidget* parent) : PanelDialog(page::othersetup, parent), ui(new Ui::othersetup)
{
    ui->setupUi(this);
    QComboBox* fields[FieldCount] = {ui->ImageVolume, ui->volume_state, ui->switch_state,
                                     ui->mode_state,  ui->wifi_state,   ui->dbd_state};
    for (int f = 0; f < FieldCount; ++f)
        m_fields[f] = fields[f];
    menulist_init();
    retext();
    para_init();
}

othersetup::~othersetup()
{
    delete ui;
}

void othersetup::menulist_init()
{
    ui_select = 0;
    m_editing = false;
    m_value = m_saved = 0;
    set_look(Window, combo::Focused);
}

void othersetup::set_look(int f, int look)
{
    combo::set_look(m_fields[f], combo::Look(look));
}

int othersetup::count(int f) const
{
    return f == Window ? m_windows.size() : m_fields[f]->count();
}

void othersetup::retext()
{
    ui->label_other->setText(kit::text(Txt::othersetup_title));
    ui->label_name_volume->setText(kit::text(Txt::othersetup_volume));
    ui->label_name_switch->setText(kit::text(Txt::othersetup_switch));
    ui->label_name_mode->setText(kit::text(Txt::othersetup_projection));
    ui->label_wifi->setText(kit::text(Txt::othersetup_wifi));
    ui->label_name_DBD->setText(kit::text(Txt::othersetup_dbd));
    for (QLabel* l : {ui->label_name_volume, ui->label_name_switch, ui->label_name_mode, ui->label_wifi,
                      ui->label_name_DBD})
        kit::fit_text_remembered(l);
}

void othersetup::para_init()
{
    YuqRamPara* p = para();
    int current = p->image16(img::CurrentWindow);
    if (current >= kPanelWindows || !window_enabled(current)) {
        current = 0;
        ImageEdit e(0); // a correction of the panel's own, no re-apply
        e.set(img::CurrentWindow, 0);
    }

    m_windows.clear();
    ui->ImageVolume->clear();
    for (int w = 0; w < kPanelWindows; ++w) {
        if (!window_enabled(w))
            continue;
        m_windows.push_back(w);
        ui->ImageVolume->addItem(kit::text(Txt::othersetup_image).arg(w + 1));
    }
    ui->ImageVolume->setCurrentIndex(std::max(0, int(m_windows.indexOf(current))));

    const QString off = kit::text(Txt::othersetup_off), on = kit::text(Txt::othersetup_on);
    ui->volume_state->clear();
    ui->volume_state->addItems({off, on});
    ui->volume_state->setCurrentIndex(volume_on(current) ? 1 : 0);
    ui->switch_state->clear();
    ui->switch_state->addItems({kit::text(Txt::othersetup_seamless), kit::text(Txt::othersetup_fade)});
    ui->switch_state->setCurrentIndex(p->image16(img::SwitchEffect) ? 1 : 0);
    ui->mode_state->clear();
    ui->mode_state->addItem(kit::text(Txt::othersetup_click_ok));
    ui->wifi_state->clear();
    ui->wifi_state->addItems({on, off});
    ui->wifi_state->setCurrentIndex(p->image16(img::ApOff) ? 1 : 0);
    ui->dbd_state->clear();
    ui->dbd_state->addItems({off, on});
    ui->dbd_state->setCurrentIndex(p->image16(img::DotByDot) ? 1 : 0);
    for (QComboBox* b : m_fields)
        combo::fit(b);
}

void othersetup::arrow(int dir)
{
    if (!m_editing) {
        const int n = kit::step(ui_select, FieldCount, dir);
        set_look(ui_select, combo::Normal);
        set_look(n, combo::Focused);
        ui_select = uint8_t(n);
        return;
    }
    // No enabled window: the window field has nothing to step through.
    const int n = count(ui_select);
    if (n <= 0)
        return;
    m_value = uint8_t(kit::step(m_value, n, dir));
    m_fields[ui_select]->setCurrentIndex(m_value);
}

void othersetup::key_ok()
{
    if (m_editing) {
        m_editing = false;
        set_look(ui_select, combo::Focused);
        on_button_box_clicked();
        return;
    }
    if (ui_select == Projection) {
        set_look(ui_select, combo::Focused);
        on_button_box_clicked();
        return;
    }
    m_editing = true;
    m_value = m_saved = uint8_t(std::max(0, m_fields[ui_select]->currentIndex()));
    set_look(ui_select, combo::Editing);
}

void othersetup::key_back()
{
    if (!m_editing) {
        back();
        return;
    }
    m_editing = false;
    const int n = count(ui_select);
    if (n > 0)
        m_fields[ui_select]->setCurrentIndex(m_saved < n ? m_saved : 0);
    set_look(ui_select, combo::Focused);
}

void othersetup::on_button_box_clicked()
{
    const int v = m_value;
    switch (ui_select) {
    case Volume:
        apply_volume();
        break;
    case Switch:
        apply_switch(v != 0);
        break;
    case Wifi:
        apply_wifi(v != 0);
        break;
    case Dbd:
        apply_dbd(v != 0);
        break;
    default: // the window chooser and projection: nothing
        break;
    }
}

void othersetup::apply_volume()
{
    const int i = ui->ImageVolume->currentIndex();
    if (i < 0 || i >= m_windows.size())
        return;
    // The window the item was listed for, while the PC or the keypad left it enabled.
    const int w = m_windows[i];
    const int vol = window_base(w) + img::WinVolume;
    ImageEdit e;
    if (e.get(window_base(w) + img::WinFlags) == 0)
        return;
    const bool on = e.byte(vol + 1) & 0x80;
    const bool want = m_value == 1;
    if (want != on) {
        e.set(img::CurrentWindow, uint16_t(w));
        e.set(vol, want ? 0x80FF : 0);
    } else {
        e.set(img::CurrentWindow, e.get(img::CurrentWindow)); // nothing new; the engine still looks
    }
}

void othersetup::apply_switch(bool fade)
{
    YUQ_TRACE("\n %s temp = %d\n", fade ? "fade" : "seamless ,", int(fade));
    {
        ImageEdit e;
        e.set_byte(img::SwitchEffect, fade ? 1 : 0);
        for (int w = 0; w < ImageEdit::WindowSlots; ++w) {
            const int mode = window_base(w) + img::WinMode;
            const uint8_t m = e.byte(mode);
            e.set_byte(mode, fade ? uint8_t(m | 0x04) : uint8_t(m & ~0x04));
            if (fade) {
                e.set_byte(img::FadeWords + 4 * w, FadeSteps);
                e.set_byte(img::FadeWords + 4 * w + 2, FadeSteps);
            }
        }
    }
    para()->ram_para_save();
}

void othersetup::apply_wifi(bool off)
{
    YUQ_TRACE("\n temp = %d\n", ui->ImageVolume->currentIndex());
    {
        ImageEdit e;
        e.set_byte(img::ApOff, off ? 1 : 0);
    }
    K87_WIFI_CONFIG::apply_access_point(off);
}

void othersetup::apply_dbd(bool on)
{
    {
        ImageEdit e;
        e.set_byte(img::DotByDot, on ? 1 : 0);
        for (int w = 0; w < ImageEdit::WindowSlots; ++w)
            e.set_byte(window_base(w) + img::WinMode + 1, on ? 1 : 0);
    }
    para()->ram_para_save();
}

void othersetup::refresh(kit::Refresh code)
{
    Q_UNUSED(code);
    // A new language ends editing unapplied and refills the fields from the image.
    if (!para()->YuqLanguageChanged())
        return;
    retext();
    if (m_editing) {
        m_editing = false;
        set_look(ui_select, combo::Focused);
    }
    para_init();
}

void othersetup::back()
{
    kit::close_by_back(this);
}

YUQ_SCREEN(othersetup)
