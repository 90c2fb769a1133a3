#include "inputchoose.h"
#include "ui_inputchoose.h"

#include "cropview.h"
#include "ui/shell/screens.h"
#include "ui/shell/sourceinfo.h"
#include "ui/shell/tip.h"
#include "core/alias.h"
#include "core/global.h"
#include "core/yuqrampara.h"

#include <QColor>
#include <QFontMetrics>
#include <QPainter>
#include <QRegion>
#include <QtDebug>
#include <cstring>

namespace {
const QRgb kStripFocus = qRgb(255, 171, 84);
const QRgb kStripSelected = qRgb(71, 119, 255);
// The form's own sheet of the two buttons: unfocused, they are left as they are.
const char* const kButton = "color: rgb(255, 255, 255);border:1px solid rgb(255, 255, 255);";
const char* const kButtonFocus = "color:rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
const char* const kTab = "border:1px solid;border-left-color:rgb(71, 119, 255);border-right-color:rgb(71, 119, 255);border-top-color:rgb(71, 119, 255);";
const char* const kTabFocus = "border:1px solid;border-left-color:rgb(255,171,84);border-right-color:rgb(255,171,84);border-top-color:rgb(255,171,84);";
// The card's one sheet: its looks chosen by the "look" property of the card and each row.
const char* const kCardSheet = "#frame{border:1px solid rgb(71, 119, 255);}"
                               "#frame[look=\"focus\"]{border:1px solid rgb(255,171,84);}"
                               "#source_frame{border:1px solid #CCCCCC;border-radius:5px;}"
                               "#source_frame[look=\"used\"]{border:1px solid #00D65B;border-radius:5px;}"
                               "#source_frame[look=\"focus\"]{border:1px solid #FFAB54;border-radius:5px;}"
                               "#row_name, #row_detail{color: rgb(255, 255, 255)}"
                               "#row_badge{background-color: #00D65B;color: rgb(255, 255, 255);font: 7px;border-radius:5px;}";
const char* const kBoxColour[6] = {"#867AE9", "#005A8D", "#39A9CB", "#EBA83A", "#FF96AD", "#D5E5FF"};

constexpr int kButtonCut = 6;
constexpr int kButtonEdid = 7;

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

int window_base(int w)
{
    return img::Window + img::WindowSize * w;
}

// Window 0 is always in the strip; another window when the low byte of its flags is 1.
bool shown(int w)
{
    return w == 0 || (w < WINDOW_COUNT && (para()->image16(window_base(w)) & 0xFF) == 1);
}

bool crop_bit(int source, int k)
{
    return g_cut_source_state[source * 5 + k / 8] & (1u << (k % 8));
}

// The ordinal (1..) of crop-table entry `e` among its source's crops in crop-number
// order; 0 when the entry is not a used crop of `source`.
int crop_ordinal(int source, int e)
{
    if (e < 0 || e >= CROP_COUNT)
        return 0;
    const uint16_t word = para()->image16(img::CropTable + 10 * e);
    const int number = (word >> 8) & 0x7F;
    if (!(word & 0x8000) || (word & 0xFF) != source || !crop_bit(source, number))
        return 0;
    int ordinal = 0;
    for (int k = 0; k <= number; ++k)
        ordinal += crop_bit(source, k) ? 1 : 0;
    return ordinal;
}

struct WindowInput
{
    int source = 0;
    bool crop = false;
    int index = 0; // crop-table index when crop
};

WindowInput window_input(int w)
{
    WindowInput in;
    short crop = 0;
    char index = 0;
    in.source = para()->YuqGetImageSource(para()->ram_para, uchar(w), &crop, &index, 0);
    in.crop = crop != 0;
    in.index = in.crop ? uchar(index) : 0;
    return in;
}

QString no_signal_text()
{
    return kit::text(Txt::inputchoose_no_signal);
}

QString using_text()
{
    return kit::text(Txt::inputchoose_using);
}

// One sheet for the strip: each shown window's box (and its labels) in the window's colour.
QString strip_sheet()
{
    QString s;
    for (int w = 0; w < WINDOW_COUNT; ++w)
        if (shown(w))
            s += QStringLiteral("#box%1, #box%1 QLabel {background-color: %2;font: 9px}\n").arg(w).arg(QLatin1String(kBoxColour[w]));
    return s;
}

// The "in use" badge's width for its word: measured once a language.
int badge_width(const QLabel* badge, const QString& word)
{
    static QHash<QString, int> widths;
    auto it = widths.constFind(word);
    if (it == widths.constEnd()) {
        QFont f = badge->font();
        f.setPixelSize(7);
        it = widths.insert(word, qMax(30, QFontMetrics(f).horizontalAdvance(word) + 6));
    }
    return *it;
}

// The strip's focus ring, 2 pixels in its colour (none: the strip shows through). Its mask
// keeps it to the ring, so a key restyles nothing and repaints only the ring.
class FocusRing : public QFrame
{
public:
    explicit FocusRing(QWidget* parent) : QFrame(parent)
    {
        resize(51, 46);
        setMask(QRegion(rect()).subtracted(QRegion(rect().adjusted(2, 2, -2, -2))));
    }
    void set_colour(const QColor& c)
    {
        if (c != m_colour) {
            m_colour = c;
            update();
        }
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (m_colour.isValid())
            QPainter(this).fillRect(rect(), m_colour);
    }

private:
    QColor m_colour;
};

QLabel* row_label(QWidget* parent, const char* name, int x, int y, int w, int h, const QFont& font)
{
    QLabel* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, w, h);
    l->setFont(font);
    l->setTextFormat(Qt::PlainText);
    return l;
}
} // namespace

InputChoose::InputChoose(QWidget* parent) : PanelDialog(page::InputChoose, parent), ui(new Ui::InputChoose)
{
    ui->setupUi(this);
    menulist_init();
    crop_source_num_update();
    initMenu();
    build_card();
    retext_own();
    image_select();
}

InputChoose::~InputChoose()
{
    delete ui;
}

// ---- building ----

void InputChoose::menulist_init()
{
    ui_seltype = 0;
    current_page = 0;
    source_id = 0;
    const int cur = g_image_current.load();
    image_index = uint8_t(shown(cur) ? cur : 0);
    ui_select = uint8_t(box_position(image_index));
    image_ui_select = ui_select;
}

int InputChoose::box_position(int window) const
{
    int p = 0;
    for (int w = 0; w < window && w < WINDOW_COUNT; ++w)
        p += shown(w) ? 1 : 0;
    return p;
}

void InputChoose::crop_source_num_update()
{
    para()->YuqCropSourceInit();
    source_name_update();
    source_check_update();
}

void InputChoose::source_name_update()
{
    QLabel* labels[6] = {ui->sourcelistseq0name, ui->sourcelistseq1name, ui->sourcelistseq2name,
                         ui->sourcelistseq3name, ui->sourcelistseq4name, ui->sourcelistseq5name};
    cropview::source_tabs(labels);
}

void InputChoose::source_check_update()
{
    QLabel* labels[6] = {ui->sourcelistseq0pixmap, ui->sourcelistseq1pixmap, ui->sourcelistseq2pixmap,
                         ui->sourcelistseq3pixmap, ui->sourcelistseq4pixmap, ui->sourcelistseq5pixmap};
    for (int k = 0; k < 6; ++k) {
        const unsigned char id = sourceinfo::get_source_id_by_listseq(uchar(k));
        // At the label's size once for the process: a new label does not scale it again.
        kit::set_sized_picture(labels[k], sourceinfo::sourceonline_picture(id, cropview::has_signal(id) ? 1 : 0));
    }
}

void InputChoose::initMenu()
{
    delete m_strip.data(); // with the focus frame, the boxes and their labels
    image_count = 0;
    m_strip = new QFrame(this);
    m_strip->setObjectName(QStringLiteral("window_strip"));
    m_strip->setGeometry(0, 42, 320, 47);
    auto* ring = new FocusRing(m_strip);
    ring->setObjectName(QStringLiteral("strip_focus"));
    ring->set_colour(kStripFocus);
    m_focusFrame = ring;
    int p = 0;
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        if (!shown(w))
            continue;
        QLabel* box = new QLabel(m_strip);
        box->setObjectName(QStringLiteral("box%1").arg(w));
        box->setGeometry(10 + 50 * p, 3, 45, 40);
        box->setText(QString::number(w + 1));
        box->setAlignment(Qt::AlignCenter);
        QLabel* name = new QLabel(box);
        name->setGeometry(0, 1, 30, 12);
        name->setTextFormat(Qt::PlainText);
        name->setText(TextCreate(char(w)));
        m_boxName[w] = name;
        QLabel* state = new QLabel(box);
        state->setGeometry(33, 1, 7, 7);
        kit::set_sized_picture(state, kit::pic(QStringLiteral("state_on.png")));
        image_list[p] = uint8_t(w);
        if (w == image_index)
            m_focusFrame->setGeometry(7 + 50 * p, 0, 51, 46);
        ++p;
    }
    // The sheet after the parts: made under it, each would be styled once more (a new
    // strip is polished only when shown).
    m_strip->setStyleSheet(strip_sheet());
    if (isVisible())
        m_strip->show(); // made anew while open; otherwise it shows with the screen
    image_count = uint8_t(p);
}

QString InputChoose::TextCreate(char window, char) const
{
    const WindowInput in = window_input(uchar(window));
    QString text = sourceinfo::get_source_name_by_sourceid(uchar(in.source));
    if (in.crop && in.index < CROP_COUNT) {
        // The window's own crop-table entry gives the crop number.
        const uint16_t word = para()->image16(img::CropTable + 10 * in.index);
        if ((word & 0x8000) && (word & 0xFF) == in.source)
            text += QStringLiteral("_Crop%1").arg(((word >> 8) & 0x7F) + 1);
    }
    return text;
}

void InputChoose::input_source_changed(char window)
{
    const int w = uchar(window);
    if (w < WINDOW_COUNT && m_boxName[w])
        m_boxName[w]->setText(TextCreate(window));
}

void InputChoose::draw_strip_focus()
{
    if (!m_focusFrame)
        return;
    auto* ring = static_cast<FocusRing*>(m_focusFrame.data());
    if (ui_seltype == 0 && ui_select >= kButtonCut) {
        ring->set_colour(QColor()); // a button has the focus
        return;
    }
    const int pos = ui_seltype == 0 ? ui_select : image_ui_select;
    ring->set_colour(ui_seltype == 0 ? kStripFocus : kStripSelected);
    ring->move(7 + 50 * pos, 0);
}

void InputChoose::imagemenu()
{
    if (!m_strip)
        return;
    if (ui_seltype == 0 && ui_select >= kButtonCut) {
        kit::set_sheet(ui->button_inputcut, QLatin1String(ui_select == kButtonCut ? kButtonFocus : kButton));
        kit::set_sheet(ui->button_EDID, QLatin1String(ui_select == kButtonEdid ? kButtonFocus : kButton));
    } else if (ui_seltype == 0) {
        if (ui_select >= image_count)
            ui_select = uint8_t(box_position(image_index)); // the strip shrank meanwhile
        image_index = image_list[ui_select];
        image_ui_select = ui_select;
        kit::set_sheet(ui->button_inputcut, QLatin1String(kButton));
        kit::set_sheet(ui->button_EDID, QLatin1String(kButton));
        if (g_image_current.load() != image_index) {
            // The whole device takes this window as current (keypad LEDs and shortcuts).
            g_image_current = image_index;
            para()->test_signal(1);
        }
    }
    draw_strip_focus();
}

void InputChoose::image_select()
{
    current_page = 0;
    const WindowInput in = window_input(image_index);
    if (ui_seltype == 0) {
        source_listseq = sourceinfo::get_listseq_by_source_id(uchar(in.source));
        m_inputName = sourceinfo::get_source_name_by_sourceid(uchar(in.source));
        source_id = uint8_t(in.source);
    } else if (ui_seltype == 1) {
        source_listseq = uint8_t(ui_select);
    }
    on_Button_source_clicked();
}

void InputChoose::on_Button_source_clicked()
{
    initSource();
    ui->frame1->setGeometry(1 + 53 * source_listseq, 95, 53, 33);
    kit::set_sheet(ui->frame1, QLatin1String(ui_seltype == 1 ? kTabFocus : kTab));
}

void InputChoose::read_in_use()
{
    const WindowInput in = window_input(image_index);
    source_id = uint8_t(in.source);
    source_type = in.crop ? 1 : 0;
    crop_id = uint8_t(in.index);
}

int InputChoose::source_current_check()
{
    para()->YuqCropSourceInit();
    const int rows = cropview::crop_count(source_number) + 1;
    last_page = uint8_t((rows + 2) / 3 - 1);
    return rows;
}

void InputChoose::initSource()
{
    YuqRamPara* p = para();
    if (ui_seltype == 0) {
        read_in_use();
        source_number = source_id;
    } else {
        source_number = sourceinfo::get_source_id_by_listseq(source_listseq);
    }
    m_inputName = sourceinfo::get_source_name_by_sourceid(source_number);
    const int inUseSource = source_id;
    const int rows = source_current_check(); // also rebuilds the crop map
    // Crops deleted meanwhile: the focus goes to the last row that is left.
    if (current_page > last_page || (ui_seltype == 2 && 3 * current_page + ui_select >= rows)) {
        current_page = qMin(current_page, last_page);
        if (ui_seltype == 2)
            ui_select = uint8_t(rows - 3 * current_page - 1);
    }
    const int inUseRow = source_type == 0 ? 0 : crop_ordinal(inUseSource, crop_id);
    YUQ_TRACE("initSource [source_type = %d] , [crop_id = %d] [select_sorce = %d],[current_page=%d],"
              "[source_id=%d],[source_number=%d],[ui_select=%d]\n",
              source_type, crop_id, inUseRow + 1, current_page, inUseSource, source_number, ui_select);

    kit::set_look(m_card, ui_seltype == 1 ? "focus" : "");
    const int onPage = qMin(3, rows - 3 * current_page);
    for (int i = 0; i < onPage; ++i)
        card_row(i);
    // The card's sheet after its first rows (see initMenu), before any of them is shown.
    kit::set_sheet(m_card, QLatin1String(kCardSheet));
    const QFont font = card_row(0).name->font();
    m_cardRows = rows;
    m_usedRow = -1;
    for (int i = 0; i < 3; ++i) {
        if (i >= onPage) {
            if (m_rows[i].frame)
                m_rows[i].frame->hide();
            continue;
        }
        const CardRow& r = card_row(i);
        const int g = 3 * current_page + i;
        sourceinfo::set_source_pixmap(r.icon, source_number);
        if (g == 0) {
            r.name->setText(m_inputName);
            r.detail->setText(cropview::timing_text(source_number, no_signal_text()));
        } else {
            CROP_PARA crop{};
            int index = CROP_COUNT;
            p->YuqGetCropPara(source_number, g, &crop, &index);
            r.name->setText(cropview::crop_name(m_inputName, index, uint16_t(crop.word), font, r.name->width()));
            r.detail->setText(QStringLiteral("%1x%2").arg(crop.w).arg(crop.h));
        }
        kit::fit_text_remembered(r.detail); // "1920x1080@60Hz" is wider than the row at 10 px
        const bool used = g == inUseRow && source_number == inUseSource;
        if (used)
            m_usedRow = i;
        if (r.frame->testAttribute(Qt::WA_WState_Polished))
            kit::set_look(r.frame, row_look(i));
        else
            r.frame->setProperty("look", QByteArray(row_look(i))); // its first polish reads it
        kit::set_sized_picture(r.state, kit::pic(used ? QStringLiteral("state_on.png") : QStringLiteral("state_off.png")));
        if (used) {
            r.badge->setText(using_text());
            // Right-aligned at the row's edge, wider where the word is longer ("Использовать").
            const int bw = badge_width(r.badge, r.badge->text());
            r.badge->setGeometry(90 - bw, 0, bw, 12);
        }
        r.badge->setVisible(used);
        r.frame->show();
    }
}

// The card, built once; its rows are made when first listed, and filled in place.
void InputChoose::build_card()
{
    m_card = new QFrame(this);
    m_card->setObjectName(QStringLiteral("frame"));
    m_card->setGeometry(1, 127, 318, 70);
    m_card->lower();
}

const InputChoose::CardRow& InputChoose::card_row(int i)
{
    CardRow& r = m_rows[i];
    if (!r.frame) {
        QFont font = this->font();
        font.setPixelSize(10);
        r.frame = new QFrame(m_card);
        r.frame->setObjectName(QStringLiteral("source_frame"));
        r.frame->setGeometry(14 + 95 * i, 10, 92, 50);
        r.state = new QLabel(r.frame);
        r.state->setObjectName(QStringLiteral("row_state"));
        r.state->setGeometry(3, 5, 7, 7);
        r.icon = new QLabel(r.frame);
        r.icon->setGeometry(12, 5, 25, 8);
        r.icon->setScaledContents(true);
        r.name = row_label(r.frame, "row_name", 3, 15, 80, 12, font);
        r.detail = row_label(r.frame, "row_detail", 3, 30, 88, 12, font);
        r.badge = new QLabel(r.frame);
        r.badge->setObjectName(QStringLiteral("row_badge"));
        r.badge->setAlignment(Qt::AlignCenter);
        r.badge->hide();
    }
    return r;
}

const char* InputChoose::row_look(int i) const
{
    if (ui_seltype == 2 && ui_select == i)
        return "focus";
    return i == m_usedRow ? "used" : "";
}

void InputChoose::move_row_focus(int from)
{
    kit::set_look(m_rows[from].frame, row_look(from));
    kit::set_look(m_rows[ui_select].frame, row_look(ui_select));
}

void InputChoose::para_source_index_init()
{
    current_page = 0;
    ui_select = source_listseq;
}

void InputChoose::para_uiselect_init()
{
    const WindowInput in = window_input(image_index);
    ui_select = 0;
    if (source_number != in.source || !in.crop)
        return;
    para()->YuqCropSourceInit();
    const int r = crop_ordinal(in.source, in.index);
    if (r >= 1 && r <= 2)
        ui_select = uint8_t(r);
}

// ---- confirming ----

void InputChoose::yuq_source_button_clicked()
{
    if (ui_seltype != 2)
        return;
    const int n = 3 * current_page + ui_select;
    if (n >= source_current_check())
        return; // the row is gone (crops deleted meanwhile)
    if (n == 0) {
        source_type = 0;
        crop_id = 0;
    } else {
        CROP_PARA crop{};
        int index = CROP_COUNT;
        para()->YuqGetCropPara(source_number, n, &crop, &index);
        if (index >= CROP_COUNT)
            return;
        source_type = 1;
        crop_id = uint8_t(index);
    }
    para()->YuqSetImageSource(n, char(source_number), char(image_index));
    source_id = source_number;
    initSource();
    if (g_tip)
        g_tip->tip_create(1);
}

// ---- refresh ----

void InputChoose::refresh(kit::Refresh code)
{
    YuqRamPara* p = para();
    if (p->YuqLanguageChanged())
        retext();
    auto changed = [p](int off) { return p->image16(off) != p->applied16(off); };
    bool layout = false;
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        if (changed(window_base(w) + img::WinFlags))
            layout = true;
        if (changed(window_base(w) + img::WinInput))
            input_source_changed(char(w));
    }
    const bool currentInput = changed(window_base(image_index) + img::WinInput);
    bool timing = false;
    if (!currentInput)
        for (int k = 0; k < 3; ++k)
            timing = timing || changed(img::SourceTiming + 6 * source_number + 2 * k);
    unsigned char table[10 * CROP_COUNT];
    p->read_image(img::CropTable, table, sizeof table);
    const bool crops = std::memcmp(table, p->ram_para_old + img::CropTable, sizeof table) != 0;
    if (crops || code == kit::Refresh::AliasFile)
        p->YuqCropSourceInit();

    if (layout) {
        // Windows came or went: the strip anew, its focus inside what exists.
        const int cur = g_image_current.load();
        image_index = uint8_t(shown(cur) ? cur : 0);
        initMenu();
        image_ui_select = uint8_t(box_position(image_index));
        if (ui_seltype == 0) {
            if (ui_select < kButtonCut)
                ui_select = image_ui_select;
            draw_strip_focus();
            image_select();
        } else {
            draw_strip_focus();
            read_in_use();
            initSource();
        }
    } else if (currentInput) {
        // Only the box of the window that changed is re-texted (above); the band, the
        // window and the page stay, so a further confirmation goes to the same window.
        if (ui_seltype == 0) {
            image_select();
        } else {
            read_in_use();
            initSource();
        }
    } else if (ui_seltype == 0) {
        const int cur = g_image_current.load();
        if (cur != image_index && shown(cur)) {
            image_index = uint8_t(cur);
            ui_select = uint8_t(box_position(image_index));
            image_ui_select = ui_select;
            kit::set_sheet(ui->button_inputcut, QLatin1String(kButton));
            kit::set_sheet(ui->button_EDID, QLatin1String(kButton));
            draw_strip_focus();
            image_select();
        } else if (timing) {
            initSource();
        }
    } else if (timing) {
        initSource();
    }

    if (code == kit::Refresh::AliasFile || crops) {
        initSource();
        crop_source_num_update();
        for (int w = 0; w < WINDOW_COUNT; ++w)
            input_source_changed(char(w));
    }
}

void InputChoose::retext_own()
{
    ui->label_title->setText(kit::text(Txt::inputchoose_source_switch));
    ui->button_inputcut->setText(kit::text(Txt::inputchoose_input_intercept));
    ui->button_EDID->setText(kit::text(Txt::inputchoose_edid_settings));
}

void InputChoose::retext()
{
    retext_own();
    crop_source_num_update();
    initSource();
}

// ---- keys ----

void InputChoose::key_left()
{
    qDebug("this is left-code [InputChoose][Release] ui_select=%#x ,ui_seltype=%#x ,current_page=%#x",
           ui_select, ui_seltype, current_page);
    if (ui_seltype == 0) {
        if (ui_select == 0)
            ui_select = kButtonEdid;
        else if (ui_select == kButtonCut || (ui_select >= image_count && ui_select < kButtonCut))
            ui_select = uint8_t(image_count - 1);
        else
            --ui_select;
        strip_key();
    } else if (ui_seltype == 1) {
        ui_select = uint8_t(ui_select == 0 || ui_select > 5 ? 5 : ui_select - 1);
        image_select();
    } else {
        const int rows = qMin(source_current_check(), 100);
        const int before = ui_select, page = current_page;
        if (ui_select == 0) {
            if (current_page == 0) {
                current_page = last_page;
                ui_select = uint8_t(rows - 3 * last_page - 1);
            } else {
                ui_select = 2;
                --current_page;
            }
        } else {
            --ui_select;
        }
        YUQ_TRACE("[max_source_info = %#x], [ui_select = %#x], [current_page=%#x]\n", rows, before, current_page);
        row_key(before, page, rows);
    }
}

void InputChoose::key_right()
{
    qDebug("this is right-code [InputChoose][Release] ui_select=%#x ,ui_seltype=%#x ,current_page=%#x",
           ui_select, ui_seltype, current_page);
    if (ui_seltype == 0) {
        ++ui_select;
        if (ui_select >= image_count && ui_select < kButtonCut)
            ui_select = kButtonCut;
        else if (ui_select > kButtonEdid)
            ui_select = 0;
        strip_key();
    } else if (ui_seltype == 1) {
        ui_select = uint8_t(ui_select >= 5 ? 0 : ui_select + 1);
        image_select();
    } else {
        const int rows = qMin(source_current_check(), 100);
        const int before = ui_select, page = current_page;
        ++ui_select;
        if (3 * current_page + ui_select >= rows) {
            current_page = 0;
            ui_select = 0;
        }
        qDebug("this is right-code [InputChoose][Release] ui_select=%#x ,current_page=%#x,max_source_info=%#x",
               ui_select, current_page, rows);
        if (ui_select > 2) {
            ui_select = 0;
            current_page = uint8_t(qMin<int>(current_page + 1, last_page));
        }
        qDebug("This is right-code [InputChoose][Release] ui_select=%#x ,current_page=%#x,max_source_info=%#x",
               ui_select, current_page, rows);
        row_key(before, page, rows);
    }
}

// A strip key: the card changes only with the window.
void InputChoose::strip_key()
{
    const int window = image_index;
    imagemenu();
    if (image_index != window)
        image_select();
}

// A row key: on the same page with the same rows only the two rows' looks change.
void InputChoose::row_key(int before, int page, int rows)
{
    if (page == current_page && rows == m_cardRows && before < 3 && ui_select < 3)
        move_row_focus(before);
    else
        initSource();
}

void InputChoose::key_ok()
{
    qDebug("this is OK button(InputChoose)[Release] ui_select=%#x ,ui_seltype=%#x", ui_select, ui_seltype);
    if (ui_seltype == 0) {
        if (ui_select == kButtonCut) {
            yuq_button_inputcut_clicked();
        } else if (ui_select == kButtonEdid) {
            yuq_button_EDID_clicked();
        } else if (ui_select < image_count) {
            ui_seltype = 1;
            imagemenu();
            para_source_index_init();
            on_Button_source_clicked();
        }
    } else if (ui_seltype == 1) {
        ui_seltype = 2;
        para_uiselect_init();
        on_Button_source_clicked();
    } else {
        QPointer<InputChoose> self(this);
        yuq_source_button_clicked(); // returns after the tip's 3 s
        if (self)
            input_source_changed(char(image_index));
    }
}

void InputChoose::key_back()
{
    qDebug("this is back button(InputChoose)[Release] ui_select=%#x ,ui_seltype=%#x", ui_select, ui_seltype);
    if (ui_seltype == 0) {
        slot_Button_back_clicked();
    } else if (ui_seltype == 1) {
        ui_seltype = 0;
        ui_select = image_ui_select < image_count ? image_ui_select : uint8_t(box_position(image_index));
        imagemenu();
        image_select(); // the tab goes back to the window's input too
    } else {
        ui_seltype = 1;
        para_source_index_init();
        on_Button_source_clicked();
    }
}


void InputChoose::back()
{
    kit::close_by_back(this);
}

void InputChoose::yuq_button_inputcut_clicked()
{
    kit::open(page::InputCut);
}

void InputChoose::yuq_button_EDID_clicked()
{
    kit::open(page::EDIDset);
}

YUQ_SCREEN(InputChoose)
