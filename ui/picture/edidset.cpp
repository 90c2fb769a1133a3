#include "edidset.h"
#include "ui_edidset.h"

#include "inputchoose.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/screens.h"
#include "ui/shell/sourceinfo.h"
#include "core/yuqrampara.h"
#include "yuq_texts.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace {
const char* const kSelect = "border:1px solid;border-bottom-color:rgb(16,16,28);border-left-color:rgb(71, 119, 255);"
                            "border-right-color:rgb(71, 119, 255);border-top-color:rgb(71, 119, 255);";
const char* const kSelectFocus = "border:1px solid;border-bottom-color:rgb(16,16,28);border-left-color:rgb(255,171,84);"
                                 "border-right-color:rgb(255,171,84);border-top-color:rgb(255,171,84);";
const char* const kCard = "#frame_source{border:1px solid rgb(71, 119, 255);}";
const char* const kCardFocus = "#frame_source{border:1px solid rgb(255,171,84);}";
const char* const kField = "color:rgb(255,255,255);background-color: rgb(33, 36, 53) ; border:1px solid rgb(255,255,255);";
const char* const kFieldFocus = "color:rgb(255,255,255);background-color: rgb(33, 36, 53); border:1px solid rgb(255,171,84);";
const char* const kButton =
    "color: rgb(255, 255, 255);background-color: rgb(33, 36, 53) ; border:1px solid rgb(255,255,255);;";
const char* const kButtonFocus =
    "color: rgb(255, 255, 255);background-color: rgb(33, 36, 53); border:1px solid rgb(255,171,84);";
const char* const kRateChange = "color:rgb(255,255,255);background-color: rgb(33, 36, 53); border:1px solid rgb(255,0,0);";
const char* const kButtonNew = "color: rgb(255, 255, 255);border:1px solid rgb(255, 255, 255);font:9px";
const char* const kCardInner = "background-color: #212435;border:1px solid #CCCCCC;";
const char* const kCardText = "background-color:#212435;color:#FFFFFF";

// An EDID timing holds 12-bit sizes: anything else never reaches an input's EDID memory.
constexpr int kMaxEdidSize = 4095;

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

int record(int source)
{
    return img::Edid + 6 * source;
}

// A width or height as typed: a whole number of 1..4095, or false.
bool edid_size(const QString& text, short* out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < 1 || v > kMaxEdidSize)
        return false;
    *out = short(v);
    return true;
}

QLabel* card_label(QWidget* parent, int x, int y, int w, int h)
{
    QLabel* l = new QLabel(parent);
    l->setGeometry(x, y, w, h);
    return l;
}
} // namespace

EDIDset::EDIDset(QWidget* parent) : PanelDialog(page::EDIDset, parent), ui(new Ui::EDIDset)
{
    ui->setupUi(this);
    kit::keep_clear(ui->label_freq, ui->label_rate); // the rate's caption ends against its field
    QLabel* names[6] = {ui->sourcelistseq0name, ui->sourcelistseq1name, ui->sourcelistseq2name,
                        ui->sourcelistseq3name, ui->sourcelistseq4name, ui->sourcelistseq5name};
    QLabel* icons[6] = {ui->sourcelistseq0pixmap, ui->sourcelistseq1pixmap, ui->sourcelistseq2pixmap,
                        ui->sourcelistseq3pixmap, ui->sourcelistseq4pixmap, ui->sourcelistseq5pixmap};
    // Plain text at the 9 px the tabs show, in the form's colours: no rich-text document each.
    QFont nameFont = names[0]->font();
    nameFont.setPixelSize(9);
    for (int i = 0; i < 6; ++i) {
        const uint8_t id = sourceinfo::get_source_id_by_listseq(uint8_t(i));
        names[i]->setFont(nameFont);
        names[i]->setText(sourceinfo::get_source_name_by_listseq(uint8_t(i)));
        sourceinfo::set_source_pixmap(icons[i], id);
        icons[i]->setScaledContents(true);
    }

    frame_select = new QFrame(this);
    frame_select->setObjectName(QStringLiteral("frame_select"));
    frame_select->setGeometry(4, 38, 50, 43);
    kit::set_sheet(frame_select, QLatin1String(kSelectFocus));
    frame_select->lower();
    source_name = sourceinfo::get_source_name_by_listseq(0);

    // The card: built once, its texts and icon follow the chosen input's record.
    frame_source = new QFrame(this);
    frame_source->setObjectName(QStringLiteral("frame_source"));
    frame_source->setGeometry(4, 80, 310, 120);
    QFrame* inner = new QFrame(frame_source);
    inner->setGeometry(10, 10, 120, 50);
    inner->setStyleSheet(QLatin1String(kCardInner));
    QLabel* state = card_label(frame_source, 15, 13, 7, 7);
    kit::set_picture(state, kit::pic(QStringLiteral("state_on.png")));
    m_cardIcon = card_label(frame_source, 25, 13, 25, 8);
    m_cardIcon->setStyleSheet(QStringLiteral("background-color: #212435;"));
    QFont cardFont = font();
    cardFont.setPixelSize(10);
    m_cardName = card_label(frame_source, 15, 24, 60, 12);
    m_cardTiming = card_label(frame_source, 15, 39, 88, 12);
    for (QLabel* l : {m_cardName, m_cardTiming}) {
        l->setFont(cardFont);
        l->setStyleSheet(QLatin1String(kCardText));
        l->setTextFormat(Qt::PlainText);
    }
    frame_source->lower();

    ui->frame_add->hide();
    button_delete = make_button("button_delete", kButton);
    button_cancel = make_button("button_cancel", kButtonNew);
    button_save = make_button("button_save", kButtonNew);
    place_buttons();

    m_lines[LineWidth] = ui->lineEdit_W;
    m_lines[LineHeight] = ui->lineEdit_H;
    m_lines[LineRate] = ui->label_rate;
    m_lines[LineDelete] = button_delete;
    m_lines[LineCancel] = button_cancel;
    m_lines[LineSave] = button_save;

    m_fields = new kit::NumberFields(this, [this](const QLineEdit* field) {
        return kit::text(field == ui->lineEdit_W ? Txt::edidset_pad_w : Txt::edidset_pad_h);
    });
    m_fields->add(ui->lineEdit_W);
    m_fields->add(ui->lineEdit_H);

    menulist_init();
    source_init();
    retext();
}

EDIDset::~EDIDset()
{
    delete ui;
}

QPushButton* EDIDset::make_button(const char* name, const char* sheet)
{
    QPushButton* b = new QPushButton(this);
    b->setObjectName(QLatin1String(name));
    QFont f = font();
    f.setPixelSize(9);
    b->setFont(f);
    b->setStyleSheet(QLatin1String(sheet));
    b->setFocusPolicy(Qt::NoFocus);
    b->hide();
    return b;
}

void EDIDset::place_buttons()
{
    // 56 wide on the form's centres: "Сохранить" is wider than 50 at 9 px.
    button_delete->setGeometry(62, 214, 56, 20);
    button_cancel->setGeometry(132, 214, 56, 20);
    button_save->setGeometry(202, 214, 56, 20);
}

void EDIDset::menulist_init()
{
    ui_select = 0;
    ui_line_select = 0;
    ui_seltype = 0;
    ui_freq_sel = 0;
}

void EDIDset::retext()
{
    ui->label_title->setText(kit::text(Txt::edidset_title));
    ui->label_edid_source->setText(kit::text(Txt::edidset_source) + source_name);
    ui->label_W->setText(kit::text(Txt::edidset_w));
    ui->label_H->setText(kit::text(Txt::edidset_h));
    ui->label_freq->setText(kit::text(Txt::edidset_freq));
    // "Ширина" and "Refresh rate" are wider than their boxes at 7 pt.
    for (QLabel* l : {ui->label_edid_source, ui->label_W, ui->label_H, ui->label_freq})
        kit::fit_text_remembered(l);
    button_cancel->setText(kit::text(Txt::edidset_cancel));
    button_save->setText(kit::text(Txt::edidset_save));
    button_delete->setText(kit::text(Txt::edidset_delete));
}

void EDIDset::refresh(kit::Refresh code)
{
    ScreenBase::refresh(code);
    if (ui_seltype != 0)
        return;
    const YuqRamPara* p = para();
    const int r = record(source_id);
    for (int off = r; off < r + 6; off += 2) {
        if (p->image16(off) != p->applied16(off)) {
            source_init();
            return;
        }
    }
}

QString EDIDset::card_timing() const
{
    return m_cardTiming->text();
}

void EDIDset::source_init()
{
    // A sheet on the card restyles all it holds: set only when its look changes.
    kit::set_sheet(frame_source, QLatin1String(ui_seltype == 0 ? kCardFocus : kCard));
    kit::set_picture(m_cardIcon, kit::pic(source_id == 1 ? QStringLiteral("DVI.png") : QStringLiteral("HDMI.png")));
    m_cardName->setText(source_name);
    const YuqRamPara* p = para();
    const int r = record(source_id);
    const QString timing = QString::asprintf("%dx%d@%dHz", int(short(p->image16(r))), int(short(p->image16(r + 2))),
                                             int(short(p->image16(r + 4))));
    if (timing != m_cardTiming->text()) {
        m_cardTiming->setText(timing);
        kit::fit_text_remembered(m_cardTiming); // "3840x2160@60Hz" is wider than the card at 10 px
    }
}

void EDIDset::yuq_button_input_clicked()
{
    frame_select->move(4 + 52 * ui_select, 38);
    source_id = sourceinfo::get_source_id_by_listseq(ui_select);
    source_name = sourceinfo::get_source_name_by_listseq(ui_select);
    source_init();
}

void EDIDset::yuq_button_source_clicked()
{
    kit::set_sheet(frame_select, QLatin1String(kSelect));
    kit::set_sheet(frame_source, QLatin1String(kCard));
    ui->label_edid_source->setText(kit::text(Txt::edidset_source) + source_name);
    const YuqRamPara* p = para();
    const int r = record(source_id);
    ui->lineEdit_W->setText(QString::number(p->image16(r)));
    ui->lineEdit_H->setText(QString::number(p->image16(r + 2)));
    const uint16_t rate = p->image16(r + 4);
    ui->label_rate->setText(QString::number(rate));
    ui_freq_sel = rate == 60 ? 1 : 0;
    place_buttons();
    ui->frame_add->show();
    button_delete->show();
    button_cancel->show();
    button_save->show();
}

const char* EDIDset::line_sheet(int index, bool focused) const
{
    if (index <= LineRate)
        return focused ? kFieldFocus : kField;
    return focused ? kButtonFocus : kButton;
}

void EDIDset::focus_line(int index)
{
    kit::move_focus(m_lines[ui_line_select], QLatin1String(line_sheet(ui_line_select, false)), m_lines[index],
                    QLatin1String(line_sheet(index, true)));
    ui_line_select = uint8_t(index);
}

// Hides the edit panel; the input row and the card take the focus again.
void EDIDset::close_panel()
{
    kit::set_sheet(frame_select, QLatin1String(kSelectFocus));
    kit::set_sheet(frame_source, QLatin1String(kCardFocus));
    m_lines[ui_line_select]->setStyleSheet(QLatin1String(line_sheet(ui_line_select, false)));
    ui->frame_add->hide();
    button_delete->hide();
    button_cancel->hide();
    button_save->hide();
    ui_seltype = 0;
    ui_line_select = 0;
}

bool EDIDset::yuq_button_ok_clicked()
{
    short width = 0, height = 0;
    const bool widthOk = edid_size(ui->lineEdit_W->text(), &width);
    if (!widthOk || !edid_size(ui->lineEdit_H->text(), &height)) {
        // Refused: the panel stays open with the focus on the field to mend.
        focus_line(widthOk ? LineHeight : LineWidth);
        return false;
    }
    // The rate goes back as shown: the record's own value unless it was changed here.
    const uint16_t rate = ui->label_rate->text().toUShort();
    para()->YuqSetEDIDPara(source_id, width, height, short(rate));
    ui_freq_sel = rate == 60 ? 1 : 0;
    close_panel();
    source_init();
    return true;
}

void EDIDset::yuq_button_cancel_clicked()
{
    close_panel();
    ui->label_rate->setStyleSheet(QLatin1String(kButton));
}

void EDIDset::toggle_rate()
{
    ui_freq_sel = ui_freq_sel ? 0 : 1;
    ui->label_rate->setText(ui_freq_sel ? QStringLiteral("60") : QStringLiteral("30"));
}

void EDIDset::back()
{
    kit::close_by_back(this);
    // The inputs' lists follow what changed here.
    if (g_inputchoose)
        g_inputchoose->initSource();
}

void EDIDset::key_left()
{
    if (ui_seltype == 0) {
        ui_select = uint8_t(kit::step(ui_select, 6, -1));
        yuq_button_input_clicked();
    } else if (ui_seltype == 1) {
        focus_line(kit::step(ui_line_select, LineCount, -1));
    } else {
        toggle_rate();
    }
}

void EDIDset::key_right()
{
    if (ui_seltype == 0) {
        ui_select = uint8_t(kit::step(ui_select, 6, 1));
        yuq_button_input_clicked();
    } else if (ui_seltype == 1) {
        focus_line(kit::step(ui_line_select, LineCount, 1));
    } else {
        toggle_rate();
    }
}

void EDIDset::key_ok()
{
    if (ui_seltype == 0) {
        yuq_button_source_clicked();
        ui_seltype = 1;
        ui_line_select = LineWidth;
        ui->lineEdit_W->setStyleSheet(QLatin1String(kFieldFocus));
        return;
    }
    if (ui_seltype == 2) {
        // OK keeps the rate shown, toggled or not.
        ui->label_rate->setStyleSheet(QLatin1String(kFieldFocus));
        ui_seltype = 1;
        return;
    }
    switch (ui_line_select) {
    case LineWidth:
    case LineHeight: {
        My_lineEdit* field = ui_line_select == LineWidth ? ui->lineEdit_W : ui->lineEdit_H;
        emit field->send_show(field->text()); // the pad runs modally; this screen may be gone after
        break;
    }
    case LineRate:
        ui_seltype = 2;
        ui->label_rate->setStyleSheet(QLatin1String(kRateChange));
        ui_freq_backup = ui_freq_sel;
        m_rate_backup = ui->label_rate->text();
        break;
    case LineDelete:
    case LineCancel:
        yuq_button_cancel_clicked();
        break;
    case LineSave:
        yuq_button_ok_clicked();
        break;
    default:
        break;
    }
}

void EDIDset::key_back()
{
    if (ui_seltype == 0) {
        back();
    } else if (ui_seltype == 1) {
        yuq_button_cancel_clicked();
    } else {
        // Back undoes the rate change: the rate shown before it comes back.
        ui_freq_sel = ui_freq_backup;
        ui->label_rate->setText(m_rate_backup);
        ui->label_rate->setStyleSheet(QLatin1String(kFieldFocus));
        ui_seltype = 1;
    }
}

YUQ_SCREEN(EDIDset)
