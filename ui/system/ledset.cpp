#include "ledset.h"
#include "ui_ledset.h"

#include "combofield.h"

#include "core/image_edit.h"
#include "core/yuqrampara.h"
#include "fpga/led_handoff.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberfields.h"
#include "ui/shell/screens.h"
#include "ui/shell/tip.h"
#include "yuq_texts.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>
#include <climits>

namespace ledsize {

int mode_of_index(int index)
{
    return index == 0 ? Horizontal : index == 1 ? Vertical : Copy;
}

int index_of_mode(int mode)
{
    return mode == Horizontal ? 0 : mode == Vertical ? 1 : 2;
}

Split propose(int mode, int W, int H)
{
    Split s;
    if (mode == Horizontal) {
        const int t = W / 2 + (W % 2 ? 2 : 0);
        s.out1w = std::min((t + 7) / 8 * 8, W); // output 1 on an 8-pixel boundary
        s.out2w = W - s.out1w;
        s.out1h = s.out2h = H;
    } else if (mode == Vertical) {
        s.out1w = s.out2w = W;
        s.out1h = std::min(H % 2 ? (H - 1) / 2 : H / 2 + 2, H);
        s.out2h = H - s.out1h;
    } else {
        s.out1w = s.out2w = W;
        s.out1h = s.out2h = H;
    }
    return s;
}

bool fits(int mode, int W, int H, int a, int b, int c)
{
    if (mode == Horizontal)
        return a > 0 && a <= W && b == H;
    if (mode == Vertical)
        return a == W && b > 0 && b <= H && c == H - b;
    return true;
}

int clamp_side(const QString& typed, bool* corrected)
{
    bool ok = false;
    qlonglong v = typed.toLongLong(&ok);
    if (!ok) {
        // The pad sends digits only; more of them than a number holds is simply too large.
        const bool digits = !typed.isEmpty()
            && std::all_of(typed.begin(), typed.end(), [](QChar ch) { return ch.isDigit(); });
        v = digits ? LLONG_MAX : 0;
    }
    *corrected = v > MaxSide || v < MinSide;
    return int(std::clamp<qlonglong>(v, MinSide, MaxSide));
}

} // namespace ledsize

using namespace ledsize;

namespace {
constexpr int kCombo_ = 2; // focus index of the combo box
constexpr int kApply = 5, kCancel = 6;

// A field's value as a 16-bit signed number; text that is no number counts as 0.
int number(const QLineEdit* e)
{
    return int16_t(e->text().toInt());
}

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}
} // namespace

ledset::ledset(QWidget* parent) : PanelDialog(page::ledset, parent), ui(new Ui::ledset)
{
    ui->setupUi(this);
    kit::set_picture(ui->label_warning, kit::pic(QStringLiteral("warning.png")));
    kit::keep_clear(ui->label_out1_width, ui->label_warning); // "Ширина" under the triangle
    m_fields = new kit::NumberFields(
        this,
        [this](const QLineEdit* f) {
            const bool width = f == ui->lineEdit_ledw || f == ui->lineEdit_out1_width;
            return kit::text(width ? Txt::ledset_pad_width : Txt::ledset_pad_height);
        },
        [this](QLineEdit* f, const QString& v) { confirm(f, v); });
    // Output 2 is only ever filled by the screen.
    m_fields->add(ui->lineEdit_ledw);
    m_fields->add(ui->lineEdit_ledh);
    m_fields->add(ui->lineEdit_out1_width);
    m_fields->add(ui->lineEdit_out1_height);
    para_init();
    menulist_init();
    retext();
}

ledset::~ledset()
{
    delete ui;
}

void ledset::para_init()
{
    ui->lineEdit_ledw->setText(QString::number(para()->image16(img::LedWidth)));
    ui->lineEdit_ledh->setText(QString::number(para()->image16(img::LedHeight)));
    combox_language_change();
    splice_index = uint8_t(index_of_mode(para()->image16(img::SpliceMode)));
    splice_mode = uint8_t(mode_of_index(splice_index));
    ui->comboBox->setCurrentIndex(splice_index);
    out_label_changed();
}

void ledset::menulist_init()
{
    QWidget* items[ItemCount] = {ui->lineEdit_ledw,      ui->lineEdit_ledh,       ui->comboBox,
                                 ui->lineEdit_out1_width, ui->lineEdit_out1_height, ui->Button_apply,
                                 ui->Button_cancle};
    for (int i = 0; i < ItemCount; ++i) {
        menulist[i] = items[i];
        set_focus_look(i, i == 0);
    }
    ui_select = 0;
}

// The box's looks are rules of the form's sheet: a sheet of its own would restyle its pop-up
// list on every focus move.
void ledset::set_focus_look(int index, bool focused)
{
    if (index == kCombo_)
        combo::set_look(ui->comboBox, focused ? combo::Focused : combo::Normal);
    else
        kit::set_sheet(menulist[index], QLatin1String(focused ? kit::sheet::small_button_focus : kit::sheet::small_button));
}

void ledset::retext()
{
    ui->label_ledset->setText(kit::text(Txt::ledset_title));
    ui->label_note_led_w->setText(kit::text(Txt::ledset_step1));
    for (QLabel* l : {ui->label_ledw, ui->label_out1_width, ui->label_out2_width})
        l->setText(kit::text(Txt::ledset_width));
    for (QLabel* l : {ui->label_ledh, ui->label_out1_height, ui->label_out2_height})
        l->setText(kit::text(Txt::ledset_height));
    ui->label_s2->setText(kit::text(Txt::ledset_step2));
    ui->label_tip->setText(kit::text(Txt::ledset_tip).arg(MaxSide).arg(MaxSide));
    ui->Button_apply->setText(kit::text(Txt::ledset_apply));
    ui->Button_cancle->setText(kit::text(Txt::ledset_cancel));
    // Russian and Vietnamese captions are wider than their boxes.
    for (QLabel* l : {ui->label_ledset, ui->label_ledw, ui->label_ledh, ui->label_out1_width,
                      ui->label_out2_width, ui->label_out1_height, ui->label_out2_height,
                      ui->label_note_led_w, ui->label_s2, ui->label_tip})
        kit::fit_text(l);
    for (QPushButton* b : {ui->Button_apply, ui->Button_cancle})
        kit::fit_text(b); // their descenders in the box's 18 px
    combox_language_change();
}

void ledset::combox_language_change()
{
    const int index = ui->comboBox->currentIndex();
    ui->comboBox->clear();
    ui->comboBox->addItems({kit::text(Txt::ledset_horizontal), kit::text(Txt::ledset_vertical),
                            kit::text(Txt::ledset_copy)});
    ui->comboBox->setCurrentIndex(std::max(index, 0));
    // The longest mode name ("Дублирование") fits the box in a smaller font.
    combo::fit(ui->comboBox);
}

void ledset::out_label_changed()
{
    static const char* const pictures[3] = {"out_horizontal.png", "out_vertical.png", "out_copy.png"};
    const int index = ui->comboBox->currentIndex();
    if (index < 0 || index > 2)
        return;
    kit::set_picture(ui->out_label, kit::pic(QString::fromLatin1(pictures[index])));
}

void ledset::refresh(kit::Refresh code)
{
    // Compared before the language step, which may rewrite the image's language word.
    const bool resized = para()->image16(img::LedWidth) != para()->applied16(img::LedWidth)
        || para()->image16(img::LedHeight) != para()->applied16(img::LedHeight);
    ScreenBase::refresh(code);
    if (resized)
        para_init();
}

void ledset::back()
{
    kit::close_by_back(this);
}

void ledset::show_split(const Split& s)
{
    ui->lineEdit_out1_width->setText(QString::number(s.out1w));
    ui->lineEdit_out2_width->setText(QString::number(s.out2w));
    ui->lineEdit_out1_height->setText(QString::number(s.out1h));
    ui->lineEdit_out2_height->setText(QString::number(s.out2h));
}

void ledset::confirm(QLineEdit* field, const QString& typed)
{
    bool corrected = false;
    const int W = number(ui->lineEdit_ledw);
    const int H = number(ui->lineEdit_ledh);
    if (field == ui->lineEdit_ledw || field == ui->lineEdit_ledh) {
        const int v = clamp_side(typed, &corrected);
        field->setText(corrected ? QString::number(v) : typed);
        QLineEdit* other = field == ui->lineEdit_ledw ? ui->lineEdit_ledh : ui->lineEdit_ledw;
        const int o = field == ui->lineEdit_ledw ? H : W;
        if (qint64(v) * o > MaxPixels)
            other->setText(QString::number(MaxPixels / v));
        return;
    }
    const bool width = field == ui->lineEdit_out1_width;
    if (!width && field != ui->lineEdit_out1_height)
        return;
    const int side = width ? W : H;
    bool ok = false;
    qlonglong v = typed.toLongLong(&ok);
    if (!ok)
        v = typed.isEmpty() ? 0 : LLONG_MAX;
    if (v > side) {
        v = side;
        field->setText(QString::number(side));
    } else if (v < MinSide) {
        v = MinSide;
        field->setText(QString::number(MinSide));
    } else {
        field->setText(typed);
    }
    if (width)
        ui->lineEdit_out2_width->setText(QString::number(splice_mode == Horizontal ? W - v : W));
    else
        ui->lineEdit_out2_height->setText(QString::number(splice_mode == Vertical ? H - v : H));
}

void ledset::on_comboBox_currentIndexChanged(int index)
{
    if (index < 0 || index > 2)
        return;
    splice_mode = uint8_t(mode_of_index(index));
    show_split(propose(splice_mode, copy_width(), number(ui->lineEdit_ledh)));
    out_label_changed();
}

int ledset::copy_width()
{
    // Each output carries the whole wall in copy mode: no wider than one output takes.
    int W = number(ui->lineEdit_ledw);
    if (splice_mode == Copy && W > CopyMaxWidth) {
        W = CopyMaxWidth;
        ui->lineEdit_ledw->setText(QString::number(W));
    }
    return W;
}

void ledset::on_Button_apply1_clicked()
{
    const int W = copy_width(); // the stored mode may be copy with a wider W typed
    const int H = number(ui->lineEdit_ledh);
    int a = number(ui->lineEdit_out1_width);
    int b = number(ui->lineEdit_out1_height);
    int c = number(ui->lineEdit_out2_height);
    // Stale output fields (the form's 1920 x 1080, or a size changed after the split was
    // proposed) would store a split of another wall, or a negative output 2.
    if (!fits(splice_mode, W, H, a, b, c)) {
        const Split s = propose(splice_mode, W, H);
        show_split(s);
        a = s.out1w;
        b = s.out1h;
        c = s.out2h;
    }
    // Output 1 and output 2 as x, y, w, h.
    int out[6];
    if (splice_mode == Horizontal) {
        const int o[6] = {a, b, a, 0, W - a, b};
        std::copy(o, o + 6, out);
    } else if (splice_mode == Vertical) {
        const int o[6] = {a, b, 0, b, a, c};
        std::copy(o, o + 6, out);
    } else {
        const int o[6] = {W, H, 0, 0, W, H};
        std::copy(o, o + 6, out);
        show_split(propose(Copy, W, H)); // both outputs as stored, not fields typed for another mode
    }

    bool changed = false;
    {
        ImageEdit e;
        e.set(img::LedWidth, uint16_t(W));
        e.set(img::LedHeight, uint16_t(H));
        e.set(img::SpliceMode, splice_mode);
        const int fields[6] = {img::Out1Width, img::Out1Height, img::Out2X, img::Out2Y, img::Out2Width,
                               img::Out2Height};
        for (int i = 0; i < 6; ++i)
            e.set(fields[i], uint16_t(out[i]));
        YuqRamPara* p = para();
        auto differs = [p](int off) { return p->image16(off) != p->applied16(off); };
        // The engine re-initialises the panel only for these words; raising the FPGA side's
        // blanking for anything else would leave the output dark.
        bool panel = false;
        for (int off : {img::SpliceMode, img::LedWidth, img::LedHeight, img::Out1Width, img::Out1Height})
            panel = panel || differs(off);
        changed = panel || differs(img::Out2Width) || differs(img::Out2Height);
        if (changed) {
            const int w0 = img::Window;
            e.set(w0 + img::WinX, 0);
            e.set(w0 + img::WinY, 0);
            e.set(w0 + img::WinW, uint16_t(W));
            e.set(w0 + img::WinH, uint16_t(H));
            for (int w = 1; w < 6; ++w)
                e.set(img::Window + img::WindowSize * w + img::WinFlags, 0);
        }
        if (panel)
            fpga_led_handoff();
    }
    // Modal for 300 ticks: shown only once the engine may take its mutex again.
    if (changed && g_tip)
        g_tip->tip_create(1);
}

void ledset::move(int dir)
{
    const int n = kit::step(ui_select, ItemCount, dir);
    set_focus_look(ui_select, false);
    set_focus_look(n, true);
    ui_select = uint8_t(n);
}

void ledset::key_left()
{
    if (!combo_edit) {
        move(-1);
        return;
    }
    splice_index = uint8_t(kit::step(splice_index, 3, -1));
    ui->comboBox->setCurrentIndex(splice_index);
}

void ledset::key_right()
{
    if (!combo_edit) {
        move(1);
        return;
    }
    splice_index = uint8_t(kit::step(splice_index, 3, 1));
    ui->comboBox->setCurrentIndex(splice_index);
}

void ledset::key_ok()
{
    if (combo_edit) {
        on_comboBox_currentIndexChanged(splice_index);
        combo::set_look(ui->comboBox, combo::Focused);
        combo_edit = false;
        return;
    }
    switch (ui_select) {
    case kCombo_:
        splice_index = uint8_t(std::max(ui->comboBox->currentIndex(), 0));
        combo_edit = true;
        combo::set_look(ui->comboBox, combo::Editing);
        break;
    case kApply:
        on_Button_apply1_clicked();
        break;
    case kCancel:
        back();
        break;
    default:
        // Opens the pad for the field; this screen may be closed when it returns.
        if (auto* f = qobject_cast<My_lineEdit*>(menulist[ui_select]))
            emit f->send_show(f->text());
        break;
    }
}

YUQ_SCREEN(ledset)
