#include "factory.h"
#include "combofield.h"
#include "ui_factory.h"

#include "comm/k87_wifi_config.h"
#include "core/config_engine.h"
#include "core/image_edit.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "engine/c331_manage.h"
#include "fpga/led_handoff.h"
#include "inputs/zarvosource.h"
#include "ui/shell/screens.h"
#include "yuq_texts.h"

#include <QComboBox>
#include <QHash>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>
#include <iterator>

namespace {
constexpr int kLanguages = 5;
// Fade words at 0xB00-0xB3F: every reset sets them to this.
constexpr int kFadeWords = 32;
constexpr uint16_t kFadeValue = 60;

QString white(const QString& t)
{
    return QStringLiteral("<font style = 'font-size:12px' color = #ffffff >%1</font>").arg(t);
}

QString present(const QString& t, bool yes)
{
    return yes ? QStringLiteral("<font style = 'font-size:13px' color = #00ff00 >%1</font>").arg(t)
               : QStringLiteral("<font style = 'font-size:13px' color = #ff0000 >%1</font>").arg(t);
}

// Factory network items: rewritten when any of the three differs from its default.
void reset_network()
{
    const QString ip = ConfigEngine::item_default(ConfigItem::IPAddress).toString();
    const QString mask = ConfigEngine::item_default(ConfigItem::SubNetMask).toString();
    const QString gateway = ConfigEngine::item_default(ConfigItem::GateWay).toString();
    if (g_str_ip.get() == ip && g_srt_mask.get() == mask && g_str_gateway.get() == gateway)
        return;
    Utils::setIPAddress(ip, mask, gateway);
}
} // namespace

factory::factory(QWidget* parent) : PanelDialog(page::factory, parent), ui(new Ui::factory)
{
    ui->setupUi(this);
    menulist_init();
    retext();
}

factory::~factory()
{
    delete ui;
}

void factory::menulist_init()
{
    QWidget* items[ItemCount] = {ui->Box_lang_2, ui->Button_rst1, ui->Button_rst2, ui->Button_rst3};
    std::copy(items, items + ItemCount, menulist);
    ui_select = 0;
    ui_edit = false;
    // A language above 4 or one the mask leaves out is never the cursor: English then.
    const int l = g_language.load();
    lang_select = uint8_t(language_enabled(l) ? l : 1);
    for (int i = 0; i < ItemCount; ++i)
        set_focus_look(i, i == 0);
    ui->Box_lang_2->setCurrentIndex(lang_select);
}

// Looks by property, matched by the form's sheet: a focus move re-polishes two widgets.
void factory::set_focus_look(int index, bool focused)
{
    combo::set_look(menulist[index], focused ? combo::Focused : combo::Normal);
}

void factory::retext()
{
    ui->label_factory->setText(kit::text(Txt::factory_title));
    ui->label_lang->setText(kit::text(Txt::factory_language));
    ui->label_rst->setText(kit::text(Txt::factory_reset));
    ui->label_ip->setText(kit::text(Txt::factory_keep_ip));
    ui->label_edid->setText(kit::text(Txt::factory_keep_ip_edid));
    ui->label_all->setText(kit::text(Txt::factory_reset_all));
    for (QPushButton* b : {ui->Button_rst1, ui->Button_rst2, ui->Button_rst3})
        b->setText(kit::text(Txt::factory_press_ok));
    // The Vietnamese row captions are longer than their place.
    for (QLabel* l : {ui->label_lang, ui->label_ip, ui->label_edid, ui->label_all})
        kit::fit_text_remembered(l);
    font_lines();
}

void factory::font_lines()
{
    const c331_manage* e = c331_manage::p_c331_manage;
    const uint32_t bits = e ? e->c331_font_valid.load() : 0;
    const QString w32 = kit::text(Txt::factory_font_32), w64 = kit::text(Txt::factory_font_64),
                  w128 = kit::text(Txt::factory_font_128), bar = white(QStringLiteral("|"));
    // 32-dot fonts by bits 0 and 1; the 64 and the 128 words both by the 64-dot bits.
    auto line = [&](const QString& head, int b32, int b64) {
        return white(head) + present(w32, bits & (1u << b32)) + bar + present(w64, bits & (1u << b64)) + bar
            + present(w128, bits & (1u << b64));
    };
    show_line(ui->FontCN, line(kit::text(Txt::factory_font_cn), 0, 2));
    show_line(ui->FontEN, line(kit::text(Txt::factory_font_en), 1, 3));
}

// A font line is rich text, whose layout and painting cost more than the rest of the
// screen: each line is drawn once for the process and the label shows that picture. The
// label paints its whole rectangle (its background from the screen's sheet), so the
// picture is the label as it would be drawn. The text stays in the property "html".
void factory::show_line(QLabel* l, const QString& html)
{
    static QHash<QString, QPixmap> drawn; // bounded: languages x font bits
    if (l->property("html").toString() == html)
        return;
    l->setProperty("html", html);
    const QString key = l->objectName() + QLatin1Char('\n') + html;
    const auto it = drawn.constFind(key);
    if (it != drawn.constEnd()) {
        l->setPixmap(*it);
        return;
    }
    l->setText(html);
    // Cut from the whole screen drawn once it is shown: the label alone drawn into a picture
    // blends its first glyph a little differently.
    QMetaObject::invokeMethod(this, [this, l, html, key] {
        if (!isVisible() || l->property("html").toString() != html || drawn.contains(key))
            return;
        drawn.insert(key, grab().copy(QRect(l->mapTo(this, QPoint(0, 0)), l->size())));
    }, Qt::QueuedConnection);
}

void factory::refresh(kit::Refresh)
{
    if (!YuqRamPara::p_yuqrampara_config->YuqLanguageChanged())
        return;
    const int l = g_language.load();
    if (l < kLanguages) {
        if (ui_select == 0 && ui_edit)
            set_edit(false);
        ui->Box_lang_2->setCurrentIndex(l);
    }
    retext();
}

void factory::back()
{
    kit::close_by_back(this);
}

bool factory::lcdlang_current_checkplus()
{
    for (int i = 0; i < kLanguages; ++i) {
        const int l = (lang_select + i) % kLanguages;
        if (language_enabled(l)) {
            lang_select = uint8_t(l);
            return true;
        }
    }
    return false;
}

bool factory::lcdlang_current_checkmin()
{
    for (int i = 0; i < kLanguages; ++i) {
        const int l = (lang_select - i + kLanguages) % kLanguages;
        if (language_enabled(l)) {
            lang_select = uint8_t(l);
            return true;
        }
    }
    return false;
}

void factory::on_Button_lang_clicked()
{
    if (!ui_edit)
        return;
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    // Only an enabled language: any other would be swapped back by the next refresh.
    if (!language_enabled(lang_select) || lang_select == p->image8(img::Language))
        return;
    g_language = lang_select;
    {
        ImageEdit e;
        e.set_byte(img::Language, lang_select);
    }
    retext();
}

void factory::reset(Level level)
{
    if (level == ResetAll)
        reset_network();
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    const uint8_t apWas = p->image8(img::ApOff);
    {
        // One engine-mutex region: the engine never sees the new LED size before the FPGA
        // side was told to blank for it (the LED mutex nests inside).
        ImageEdit e;
        const unsigned char* defaults = default_para_ramlist + 2; // image 0x300 on
        auto copy = [&](int from, int to) { e.copy_in(from, defaults + (from - img::Language), to - from); };
        if (level == KeepIpEdid) {
            copy(img::Language, img::Edid);
            copy(img::SpliceMode, RAM_PARA_SIZE);
        } else {
            copy(img::Language, RAM_PARA_SIZE);
        }
        for (int i = 0; i < kFadeWords; ++i)
            e.set(img::FadeWords + 2 * i, kFadeValue);
        static const int panelWords[] = {img::LedWidth, img::LedHeight, img::SpliceMode};
        if (std::any_of(std::begin(panelWords), std::end(panelWords),
                        [p](int off) { return p->image16(off) != p->applied16(off); }))
            fpga_led_handoff();
        if (level != KeepIpEdid) {
            if (zarvosource* z = zarvosource::p_zarvo_source)
                for (auto& request : z->source_edid_rewrite)
                    request = 1;
        }
    }
    // The access point follows its byte as other settings makes it, not only at the next start.
    const uint8_t apNow = p->image8(img::ApOff);
    if (apNow != apWas)
        K87_WIFI_CONFIG::apply_access_point(apNow != 0);
}

void factory::set_edit(bool on)
{
    ui_edit = on;
    combo::set_look(ui->Box_lang_2, on ? combo::Editing : combo::Focused);
}

void factory::move(int dir)
{
    const int n = kit::step(ui_select, ItemCount, dir);
    set_focus_look(ui_select, false);
    set_focus_look(n, true);
    ui_select = uint8_t(n);
}

void factory::browse(int dir)
{
    const uint8_t was = lang_select;
    lang_select = uint8_t((lang_select + dir + kLanguages) % kLanguages);
    const bool found = dir > 0 ? lcdlang_current_checkplus() : lcdlang_current_checkmin();
    if (!found)
        lang_select = was;
    ui->Box_lang_2->setCurrentIndex(lang_select);
}

void factory::key_left()
{
    if (ui_edit)
        browse(-1);
    else
        move(-1);
}

void factory::key_right()
{
    if (ui_edit)
        browse(1);
    else
        move(1);
}

void factory::key_ok()
{
    if (ui_select == 0) {
        if (ui_edit) {
            on_Button_lang_clicked();
            set_edit(false);
        } else {
            lang_select = uint8_t(std::clamp(ui->Box_lang_2->currentIndex(), 0, kLanguages - 1));
            set_edit(true);
        }
        return;
    }
    ui_edit = false;
    reset(Level(ui_select));
}

YUQ_SCREEN(factory)
