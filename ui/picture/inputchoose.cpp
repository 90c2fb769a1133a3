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
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QStyle>
#include <QtDebug>

namespace {
const QRgb kStripFocus = qRgb(255, 171, 84);
const QRgb kStripSelected = qRgb(71, 119, 255);
const QRgb kGround = qRgb(16, 16, 28); // the form's background
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

QRect box_rect(int p)
{
    return QRect(10 + 50 * p, 3, 45, 40);
}

// The name in box p: the box's top left, beside its state picture.
QRect name_rect(int p)
{
    return QRect(10 + 50 * p, 4, 30, 12);
}

// The focus ring around box p: 2 pixels wide.
QRect ring_rect(int p)
{
    return QRect(7 + 50 * p, 0, 51, 46);
}

QRegion ring_region(int p)
{
    return kit::ring_region(ring_rect(p), 2);
}

// A row's state picture, source icon, name and detail.
const QRect kRowState(3, 5, 7, 7);
const QRect kRowIcon(12, 5, 25, 8);
const QRect kRowName(3, 15, 80, 12);
const QRect kRowDetail(3, 30, 88, 12);
} // namespace

// The window strip in one widget: per shown window its box in the window's colour with its
// number, its input's name and its state picture, and the focus ring, drawn as a label of
// each and a ring frame would draw them (a strip of labels costs an open several times this).
// A focus move repaints the two rings only.
class InputChoose::Strip : public QFrame
{
public:
    explicit Strip(QWidget* parent) : QFrame(parent)
    {
        // It paints all it covers, the form's ground too: nothing under it is painted again.
        setAttribute(Qt::WA_OpaquePaintEvent);
        m_font = QFont(font(), this);
        m_font.setPixelSize(9);
        m_state = kit::picture(kit::pic(QStringLiteral("state_on.png")), QSize(7, 7));
    }
    // Box p shows window w, its name `name`.
    void set_box(int p, int w, const QString& name)
    {
        Box& b = m_box[p];
        if (b.window != w) {
            b.window = w;
            b.number.set(QString::number(w + 1), m_font);
            update(box_rect(p));
        }
        set_name(p, name);
    }
    void set_name(int p, const QString& name)
    {
        Box& b = m_box[p];
        if (b.name.isNull() || b.name != name) {
            b.name = name;
            // A crop's name is longer than the box: cut at its start, its crop number stays.
            QFont f;
            b.shown = kit::fitted_end(m_font, name_rect(p).size(), Qt::AlignLeft | Qt::AlignVCenter, name, &f);
            b.font = QFont(f, this);
            b.nameLine.set(b.shown, b.font);
            update(box_rect(p));
        }
    }
    void set_count(int n)
    {
        for (int p = n; p < m_count; ++p)
            update(box_rect(p));
        for (int p = m_count; p < n; ++p)
            update(box_rect(p));
        m_count = n;
    }
    int count() const { return m_count; }
    int window(int p) const { return m_box[p].window; }
    const QString& name(int p) const { return m_box[p].name; }
    const QString& shown_name(int p, QFont* f) const
    {
        *f = m_box[p].font;
        return m_box[p].shown;
    }
    // The ring around box p in `colour`; an invalid colour draws none.
    void set_ring(int p, const QColor& colour)
    {
        if (p == m_ring && colour == m_ringColour)
            return;
        if (m_ringColour.isValid())
            update(ring_region(m_ring));
        m_ring = p;
        m_ringColour = colour;
        if (colour.isValid())
            update(ring_region(p));
    }
    QRect ring() const { return m_ringColour.isValid() ? ring_rect(m_ring) : QRect(); }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPainter p(this);
        for (const QRect& r : e->region())
            p.fillRect(r, kGround);
        p.setFont(m_font);
        for (int k = 0; k < m_count; ++k) {
            const QRect r = box_rect(k);
            if (!e->region().intersects(r))
                continue;
            const Box& b = m_box[k];
            p.fillRect(r, QColor(QLatin1String(kBoxColour[b.window])));
            p.setPen(palette().color(QPalette::WindowText));
            b.number.draw(&p, r, Qt::AlignCenter);
            b.nameLine.draw(&p, name_rect(k), Qt::AlignLeft | Qt::AlignVCenter);
            style()->drawItemPixmap(&p, QRect(r.x() + 33, r.y() + 1, 7, 7), Qt::AlignLeft | Qt::AlignVCenter, m_state);
        }
        if (m_ringColour.isValid() && e->region().intersects(ring_rect(m_ring)))
            for (const QRect& r : ring_region(m_ring))
                p.fillRect(r, m_ringColour);
    }

private:
    struct Box
    {
        int window = -1;
        QString name, shown; // the input's name, and as drawn in the box
        QFont font;          // the name's
        kit::TextLine number, nameLine;
    };
    Box m_box[WINDOW_COUNT];
    int m_count = 0;
    int m_ring = 0;
    QColor m_ringColour;
    QFont m_font;
    QPixmap m_state;
};

// A row of the card: its frame (the card's sheet draws its border) with the state picture,
// the source icon, the name and the detail drawn as a label of each would draw them; the
// "in use" badge stays a label of its own.
class InputChoose::Row : public QFrame
{
public:
    explicit Row(QWidget* parent) : QFrame(parent)
    {
        m_font = QFont(font(), this);
        m_font.setPixelSize(10);
    }
    const QFont& name_font() const { return m_font; }
    const QFont& drawn_font(bool detail) const { return detail ? m_detailFont : m_nameFont; }
    void set(const QString& state, const QString& icon, const QString& name, const QString& detail)
    {
        if (state != m_state || icon != m_icon) {
            m_state = state;
            m_icon = icon;
            update(kRowState.united(kRowIcon));
        }
        // Each fitted as fit_text fits a label of the row's font in its place: a crop name's
        // underscore stays above the place's bottom.
        if (m_name.isNull() || name != m_name) {
            m_name = name;
            m_nameFont = QFont(kit::fitted_font(m_font, kRowName.size(), Qt::AlignLeft | Qt::AlignVCenter, name), this);
            m_nameLine.set(name, m_nameFont);
            update(kRowName);
        }
        if (m_detail.isNull() || detail != m_detail) {
            m_detail = detail;
            m_detailFont = QFont(kit::fitted_font(m_font, kRowDetail.size(), Qt::AlignLeft | Qt::AlignVCenter, detail), this);
            m_detailLine.set(detail, m_detailFont);
            update(kRowDetail);
        }
    }
    QLabel* badge = nullptr;
    const QString& name() const { return m_name; }
    const QString& detail() const { return m_detail; }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QFrame::paintEvent(e);
        QPainter p(this);
        style()->drawItemPixmap(&p, kRowState, Qt::AlignLeft | Qt::AlignVCenter, kit::picture(m_state, kRowState.size()));
        style()->drawItemPixmap(&p, kRowIcon, Qt::AlignLeft | Qt::AlignVCenter, kit::picture(m_icon, kRowIcon.size()));
        p.setPen(QColor(255, 255, 255));
        p.setFont(m_nameFont);
        m_nameLine.draw(&p, kRowName, Qt::AlignLeft | Qt::AlignVCenter);
        p.setFont(m_detailFont);
        m_detailLine.draw(&p, kRowDetail, Qt::AlignLeft | Qt::AlignVCenter);
    }

private:
    QFont m_font, m_nameFont, m_detailFont;
    QString m_state, m_icon, m_name, m_detail;
    kit::TextLine m_nameLine, m_detailLine;
};

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
    if (!m_strip) {
        m_strip = new Strip(this);
        m_strip->setObjectName(QStringLiteral("window_strip"));
        m_strip->setGeometry(0, 42, 320, 47);
    }
    int p = 0;
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        if (!shown(w))
            continue;
        m_strip->set_box(p, w, TextCreate(char(w)));
        image_list[p] = uint8_t(w);
        ++p;
    }
    m_strip->set_count(p);
    image_count = uint8_t(p);
    m_strip->set_ring(box_position(image_index), kStripFocus);
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
    for (int p = 0; m_strip && p < m_strip->count(); ++p)
        if (m_strip->window(p) == w)
            m_strip->set_name(p, TextCreate(window));
}

QString InputChoose::box_name(int window) const
{
    for (int p = 0; m_strip && p < m_strip->count(); ++p)
        if (m_strip->window(p) == window)
            return m_strip->name(p);
    return QString();
}

QString InputChoose::box_text(int window, QRect* place, QFont* font) const
{
    for (int p = 0; m_strip && p < m_strip->count(); ++p)
        if (m_strip->window(p) == window) {
            *place = QRect(m_strip->mapTo(this, name_rect(p).topLeft()), name_rect(p).size());
            return m_strip->shown_name(p, font);
        }
    return QString();
}

QRect InputChoose::strip_focus() const
{
    return m_strip ? m_strip->ring() : QRect();
}

void InputChoose::draw_strip_focus()
{
    if (!m_strip)
        return;
    if (ui_seltype == 0 && ui_select >= kButtonCut) {
        m_strip->set_ring(0, QColor()); // a button has the focus
        return;
    }
    m_strip->set_ring(ui_seltype == 0 ? ui_select : image_ui_select, ui_seltype == 0 ? kStripFocus : kStripSelected);
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

// The window's input read anew: in the window band the tab goes with the list; in the
// others the tab stays where the operator put it and only the "Using" row follows.
void InputChoose::follow_window_input()
{
    if (ui_seltype == 0) {
        image_select();
    } else {
        read_in_use();
        initSource();
    }
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
    // The card's sheet after its first rows: made under it, each would be styled once more
    // (a new row is polished only when shown).
    kit::set_sheet(m_card, QLatin1String(kCardSheet));
    const QFont& font = card_row(0)->name_font();
    m_cardRows = rows;
    m_usedRow = -1;
    for (int i = 0; i < 3; ++i) {
        if (i >= onPage) {
            if (m_rows[i])
                m_rows[i]->hide();
            continue;
        }
        Row* r = card_row(i);
        const int g = 3 * current_page + i;
        const bool used = g == inUseRow && source_number == inUseSource;
        const QString state = kit::pic(used ? QStringLiteral("state_on.png") : QStringLiteral("state_off.png"));
        const QString icon = sourceinfo::source_picture(source_number);
        if (g == 0) {
            r->set(state, icon, m_inputName, cropview::timing_text(source_number, no_signal_text()));
        } else {
            CROP_PARA crop{};
            int index = CROP_COUNT;
            p->YuqGetCropPara(source_number, g, &crop, &index);
            r->set(state, icon, cropview::crop_name(m_inputName, index, uint16_t(crop.word), font, kRowName.width()),
                   QStringLiteral("%1x%2").arg(crop.w).arg(crop.h));
        }
        if (used)
            m_usedRow = i;
        if (r->testAttribute(Qt::WA_WState_Polished))
            kit::set_look(r, row_look(i));
        else
            r->setProperty("look", QByteArray(row_look(i))); // its first polish reads it
        if (used) {
            r->badge->setText(using_text());
            // Right-aligned at the row's edge, wider where the word is longer ("Использовать").
            const int bw = badge_width(r->badge, r->badge->text());
            r->badge->setGeometry(90 - bw, 0, bw, 12);
        }
        r->badge->setVisible(used);
        r->show();
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

InputChoose::Row* InputChoose::card_row(int i)
{
    if (!m_rows[i]) {
        Row* r = new Row(m_card);
        r->setObjectName(QStringLiteral("source_frame"));
        r->setGeometry(14 + 95 * i, 10, 92, 50);
        r->badge = new QLabel(r);
        r->badge->setObjectName(QStringLiteral("row_badge"));
        r->badge->setAlignment(Qt::AlignCenter);
        r->badge->hide();
        m_rows[i] = r;
    }
    return m_rows[i];
}

QString InputChoose::row_text(int row, bool detail) const
{
    const Row* r = row >= 0 && row < 3 ? m_rows[row] : nullptr;
    if (!r || r->isHidden())
        return QString();
    return detail ? r->detail() : r->name();
}

QRect InputChoose::row_text_place(int row, bool detail, QFont* font) const
{
    const Row* r = row >= 0 && row < 3 ? m_rows[row] : nullptr;
    if (!r)
        return QRect();
    *font = r->drawn_font(detail);
    const QRect& place = detail ? kRowDetail : kRowName;
    return QRect(r->mapTo(this, place.topLeft()), place.size());
}

const char* InputChoose::row_look(int i) const
{
    if (ui_seltype == 2 && ui_select == i)
        return "focus";
    return i == m_usedRow ? "used" : "";
}

void InputChoose::move_row_focus(int from)
{
    kit::set_look(m_rows[from], row_look(from));
    kit::set_look(m_rows[ui_select], row_look(ui_select));
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
    // The crop table or the alias file: the window's crop may now be another input's.
    const bool crops = p->differs_from_applied(img::CropTable, 10 * CROP_COUNT) || code == kit::Refresh::AliasFile;
    if (crops)
        p->YuqCropSourceInit();

    // One branch at most follows the window's input: never twice in one refresh.
    const int cur = g_image_current.load();
    if (layout) {
        // Windows came or went: the strip anew, its focus inside what exists.
        image_index = uint8_t(shown(cur) ? cur : 0);
        initMenu();
        image_ui_select = uint8_t(box_position(image_index));
        if (ui_seltype == 0 && ui_select < kButtonCut)
            ui_select = image_ui_select;
        draw_strip_focus();
        follow_window_input();
    } else if (currentInput) {
        // Only the box of the window that changed is re-texted (above); the band, the
        // window and the page stay, so a further confirmation goes to the same window.
        follow_window_input();
    } else if (ui_seltype == 0 && cur != image_index && shown(cur)) {
        image_index = uint8_t(cur);
        ui_select = uint8_t(box_position(image_index));
        image_ui_select = ui_select;
        kit::set_sheet(ui->button_inputcut, QLatin1String(kButton));
        kit::set_sheet(ui->button_EDID, QLatin1String(kButton));
        draw_strip_focus();
        image_select();
    } else if (crops) {
        follow_window_input(); // as for a new input word
    } else if (timing) {
        initSource();
    }

    if (crops) {
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
