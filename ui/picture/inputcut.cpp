#include "inputcut.h"
#include "ui_inputcut.h"

#include "cropview.h"
#include "ui/shell/screens.h"
#include "ui/shell/sourceinfo.h"
#include "core/alias.h"
#include "core/global.h"
#include "core/image_edit.h"
#include "yuq_texts.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

namespace {
const char* const kTab = "border:1px solid;background-color: rgb(16,16, 28);border-left-color:rgb(71, 119, 255);border-right-color:rgb(71, 119, 255);border-top-color:rgb(71, 119, 255);";
const char* const kTabFocus = "border:1px solid;background-color: rgb(16,16, 28);border-left-color:rgb(255,171,84);border-right-color:rgb(255,171,84);border-top-color:rgb(255,171,84);";
const char* const kList = "#frame_source{background-color: rgb(16,16, 28);border:1px solid rgb(71, 119, 255);}";
const char* const kListFocus = "#frame_source{background-color: rgb(16,16, 28);border:1px solid rgb(255,171,84);}";
const char* const kField = "color:rgb(255, 255, 255);background-color: rgb(33, 36, 53);border:1px solid rgb(255, 255, 255);font:10px";
const char* const kFieldFocus = "color:rgb(255, 255, 255);background-color: rgb(33, 36, 53);border:1px solid rgb(255,171,84);font:10px";
const char* const kCell = "background-color: #212435;border:1px solid #CCCCCC;";
const char* const kCellSelected = "background-color: #212435;border:1px solid #FFA854;";
const char* const kCellIcon = "background-color: #212435;";
const char* const kCellText = "background-color:#212435;color:#FFFFFF";
const char* const kAdd = "border:0px solid rgb(0,0,0);";
const char* const kAddSelected = "border:1px solid rgb(255,171,84);";

constexpr int kItemDelete = 4, kItemCancel = 5, kItemSave = 6, kItems = 7;

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

QLabel* cell_label(QWidget* parent, const char* name, int x, int y, int w, int h, const char* sheet)
{
    QLabel* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(x, y, w, h);
    l->setStyleSheet(QLatin1String(sheet));
    return l;
}

QPushButton* panel_button(QWidget* parent, const char* name)
{
    QPushButton* b = new QPushButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setFocusPolicy(Qt::NoFocus);
    b->setStyleSheet(QLatin1String(kField));
    b->resize(60, 18);
    b->hide();
    return b;
}
} // namespace

InputCut::InputCut(QWidget* parent) : PanelDialog(page::InputCut, parent), ui(new Ui::InputCut)
{
    ui->setupUi(this);
    QLabel* icons[6] = {ui->sourcelistseq0pixmap, ui->sourcelistseq1pixmap, ui->sourcelistseq2pixmap,
                        ui->sourcelistseq3pixmap, ui->sourcelistseq4pixmap, ui->sourcelistseq5pixmap};
    for (int i = 0; i < 6; ++i)
        sourceinfo::set_source_pixmap(icons[i], sourceinfo::get_source_id_by_listseq(uchar(i)));

    QLabel* const tabs[6] = {ui->sourcelistseq0name, ui->sourcelistseq1name, ui->sourcelistseq2name,
                             ui->sourcelistseq3name, ui->sourcelistseq4name, ui->sourcelistseq5name};
    std::copy(tabs, tabs + 6, m_tabs);

    tab_frame = new QFrame(this);
    tab_frame->setObjectName(QStringLiteral("tab_frame"));
    tab_frame->setGeometry(1, 40, 53, 41);
    tab_frame->setStyleSheet(QLatin1String(kTabFocus));
    tab_frame->lower();
    build_list();

    // A table the PC changed while no crop screen was open: the map is built from it first.
    crop_source_num_update();
    source_name = sourceinfo::get_source_name_by_sourceid(source_number);
    ui->frame_add->hide();

    m_fields = new kit::NumberFields(this, [](const QLineEdit* f) {
        const QString n = f->objectName();
        if (n == QLatin1String("lineEdit_X"))
            return kit::text(Txt::inputcut_pad_x);
        if (n == QLatin1String("lineEdit_Y"))
            return kit::text(Txt::inputcut_pad_y);
        if (n == QLatin1String("lineEdit_W"))
            return kit::text(Txt::inputcut_pad_w);
        return kit::text(Txt::inputcut_pad_h);
    });
    // The fields take their look when a panel opens (show_panel).
    for (My_lineEdit* f : {ui->lineEdit_X, ui->lineEdit_Y, ui->lineEdit_W, ui->lineEdit_H})
        m_fields->add(f);
    retext(); // and the list of HDMI1, page 0
}

InputCut::~InputCut()
{
    delete ui;
}

// ---- texts and lists ----

void InputCut::retext()
{
    ui->label_title->setText(kit::text(Txt::inputcut_title));
    ui->label_crop->setText(kit::text(Txt::inputcut_crop));
    ui->label_W->setText(kit::text(Txt::inputcut_width));
    ui->label_H->setText(kit::text(Txt::inputcut_height));
    for (QLabel* l : {ui->label_crop, ui->label_W, ui->label_H})
        kit::fit_text_remembered(l);
    panel_texts();
    if (focus_area >= AddPanel)
        caption();
    if (m_refusal && m_refusal->isVisible())
        kit::show_failure(m_refusal, kit::text(Txt::inputcut_table_full));
    source_init(); // the no-signal text of the source cell
}

void InputCut::panel_texts()
{
    if (!button_ok)
        return;
    button_cancel->setText(kit::text(Txt::inputcut_cancel));
    button_ok->setText(kit::text(Txt::inputcut_ok));
    button_delete->setText(kit::text(Txt::inputcut_delete));
}

void InputCut::caption()
{
    ui->label_change_source->setText(kit::text(Txt::inputcut_name) + crop_name);
}

void InputCut::crop_source_num_update()
{
    para()->YuqCropSourceInit();
    m_cropNames.clear(); // the table or the alias file changed
    source_name_update();
}

void InputCut::source_name_update()
{
    cropview::source_tabs(m_tabs);
}

int InputCut::source_current_check()
{
    max_source_info = cropview::crop_count(source_number) + 1;
    last_page = uint8_t(max_source_info / 6 - (max_source_info % 6 == 0 ? 1 : 0));
    return max_source_info;
}

void InputCut::build_list()
{
    // Built once, beneath the tab marker; source_init fills it in place and adds cells as
    // a page first needs them.
    m_list = new QFrame(this);
    m_list->setObjectName(QStringLiteral("frame_source"));
    m_list->setGeometry(1, 80, 318, 120);
    m_list->setStyleSheet(QLatin1String(kListFocus));
    m_list->lower();
    m_cellFont = this->font();
    m_cellFont.setPixelSize(10);
    add_button = new QPushButton(m_list);
    add_button->setObjectName(QStringLiteral("add_button"));
    add_button->setGeometry(292, 10, 20, 20);
    add_button->setFocusPolicy(Qt::NoFocus);
    kit::set_icon(add_button, kit::pic(QStringLiteral("add.png")), 20, 20);
    add_button->setStyleSheet(QLatin1String(kAdd));
}

void InputCut::add_cells(int count)
{
    for (int c = m_cellCount; c < count; ++c) {
        const int r = c / 3, k = c % 3;
        Cell& cell = m_cells[c];
        cell.frame = new QFrame(m_list);
        cell.frame->setObjectName(QStringLiteral("cell%1").arg(c));
        cell.frame->setGeometry(5 + 95 * k, 10 + 55 * r, 92, 45);
        cell.frame->setStyleSheet(QLatin1String(kCell));
        cell.state = cell_label(m_list, "cell_state", 10 + 95 * k, 12 + 55 * r, 7, 7, kCellIcon);
        kit::set_picture(cell.state, kit::pic(QStringLiteral("state_on.png")));
        cell.icon = cell_label(m_list, "cell_icon", 20 + 95 * k, 12 + 55 * r, 25, 8, kCellIcon);
        cell.icon->setScaledContents(true);
        cell.name = cell_label(m_list, "cell_name", 7 + 95 * k, 23 + 55 * r, 80, 12, kCellText);
        cell.size = cell_label(m_list, "cell_size", 7 + 95 * k, 38 + 55 * r, 88, 12, kCellText);
        cell.name->setFont(m_cellFont);
        cell.size->setFont(m_cellFont);
        cell.name->setTextFormat(Qt::PlainText);
        if (m_cellIcon >= 0)
            sourceinfo::set_source_pixmap(cell.icon, uchar(m_cellIcon));
        for (QWidget* w : cell.widgets())
            w->setVisible(false); // source_init shows what the page holds
        // Beneath the add button, as when the list was built in one go.
        for (QWidget* w : cell.widgets())
            w->stackUnder(add_button);
    }
    m_cellCount = qMax(m_cellCount, count);
}

namespace {
void show_if(QWidget* w, bool on)
{
    if (w->isHidden() == on)
        w->setVisible(on);
}
} // namespace

QString InputCut::list_crop_name(int index, uint16_t word)
{
    // The alias file is read once per crop while the table and file stay as they are.
    const quint64 key = quint64(source_number) << 32 | quint64(index) << 16 | word;
    auto it = m_cropNames.constFind(key);
    if (it == m_cropNames.constEnd())
        it = m_cropNames.insert(key, cropview::crop_name(source_name, index, word, m_cellFont, m_cells[0].name->width()));
    return *it;
}

void InputCut::source_init()
{
    YuqRamPara* p = para();
    const int m = source_current_check();
    kit::set_sheet(m_list, QLatin1String(focus_area == Tabs ? kListFocus : kList));
    const int icon = source_number == 1 ? 1 : 0;
    const bool newIcon = icon != m_cellIcon;
    m_cellIcon = icon;

    const int onPage = qBound(0, m - 6 * current_pag, 6);
    add_cells(onPage);
    for (int c = 0; c < m_cellCount; ++c) {
        Cell& cell = m_cells[c];
        const bool shown = c < onPage;
        const int n = 6 * current_pag + c; // ordinal: 0 the source itself
        const bool selected = shown && focus_area == List
                              && ((current_pag == 0 && ui_select == c + 1) || (current_pag != 0 && ui_select == c));
        kit::set_sheet(cell.frame, QLatin1String(selected ? kCellSelected : kCell));
        if (newIcon)
            sourceinfo::set_source_pixmap(cell.icon, uchar(icon));
        for (QWidget* w : cell.widgets())
            show_if(w, shown);
        if (!shown)
            continue;
        if (n == 0) {
            cell.name->setText(source_name);
            kit::fit_text_remembered(cell.name); // a shorter name gets the font back
            const QString timing = cropview::timing_text(source_number, kit::text(Txt::inputcut_nosignal));
            if (timing != cell.size->text() || !cell.fitted) {
                cell.size->setText(timing);
                kit::fit_text_remembered(cell.size);
                cell.fitted = true;
            }
        } else {
            CROP_PARA crop{}; // all zero when the entry is not found
            int index = CROP_COUNT;
            p->YuqGetCropPara(source_number, n, &crop, &index);
            cell.name->setText(list_crop_name(index, uint16_t(crop.word)));
            kit::fit_text_remembered(cell.name); // the underscore of "_crop" inside the cell's line
            if (cell.fitted) { // the source's timing may have made it smaller
                cell.size->setFont(m_cellFont);
                cell.fitted = false;
            }
            cell.size->setText(QStringLiteral("%1x%2").arg(crop.w).arg(crop.h));
        }
    }
    kit::set_sheet(add_button, QLatin1String(ui_select == 0 && focus_area == List && current_pag == 0 ? kAddSelected : kAdd));
    show_if(add_button, focus_area < AddPanel);
}

// ---- tabs and list ----

void InputCut::yuq_button_input_clicked()
{
    if (focus_area == Tabs) {
        source_number = sourceinfo::get_source_id_by_listseq(ui_select);
        source_name = sourceinfo::get_source_name_by_listseq(ui_select);
        tab_frame->setGeometry(1 + 53 * ui_select, 40, 53, 41);
        kit::set_sheet(tab_frame, QLatin1String(kTabFocus));
    } else {
        kit::set_sheet(tab_frame, QLatin1String(kTab));
    }
    source_init();
}

void InputCut::list_next()
{
    const int m = max_source_info;
    int v = ui_select + 1;
    if (6 * current_pag + v >= (current_pag == 0 ? m + 1 : m)) {
        current_pag = 0;
        v = 0;
    } else if (v > (current_pag == 0 ? 6 : 5)) {
        current_pag = uint8_t(current_pag + 1 > last_page ? 0 : current_pag + 1);
        v = 0;
    }
    ui_select = uint8_t(v);
}

void InputCut::list_prev()
{
    const int m = max_source_info;
    if (ui_select > 0) {
        --ui_select;
    } else if (current_pag > 0) {
        --current_pag;
        ui_select = current_pag == 0 ? 6 : 5;
    } else {
        current_pag = last_page;
        ui_select = uint8_t(last_page > 0 ? m - 6 * last_page - 1 : m);
    }
}

// The list selection on an entry that exists: after a delete, or crops the PC deleted,
// it moves to the nearest one left (the last entry).
void InputCut::keep_selection_in_list()
{
    const int m = source_current_check();
    if (current_pag > last_page) {
        current_pag = last_page;
        ui_select = 6; // clamped below
    }
    const int last = current_pag == 0 ? qMin(m, 6) : qMin(m - 6 * current_pag, 6) - 1;
    if (ui_select > last)
        ui_select = uint8_t(last);
}

// ---- panels ----

QLineEdit* InputCut::panel_field(int item) const
{
    switch (item) {
    case 0: return ui->lineEdit_X;
    case 1: return ui->lineEdit_Y;
    case 2: return ui->lineEdit_W;
    case 3: return ui->lineEdit_H;
    default: return nullptr;
    }
}

QWidget* InputCut::panel_widget(int item) const
{
    switch (item) {
    case kItemDelete: return button_delete;
    case kItemCancel: return button_cancel;
    case kItemSave: return button_ok;
    default: return panel_field(item);
    }
}

void InputCut::yuq_sel_info(int item, int mode)
{
    if (mode == 2) {
        for (int i = 0; i < kItems; ++i)
            kit::set_sheet(panel_widget(i), QLatin1String(kField));
        return;
    }
    kit::set_sheet(panel_widget(item), QLatin1String(mode == 1 ? kFieldFocus : kField));
}

void InputCut::show_panel(bool edit)
{
    if (!button_ok) {
        // Made when a panel first opens: most visits never open one.
        button_cancel = panel_button(this, "button_cancel");
        button_ok = panel_button(this, "button_ok");
        button_delete = panel_button(this, "button_delete");
        panel_texts();
    }
    if (add_button)
        add_button->hide();
    caption();
    if (edit) {
        button_delete->move(50, 210);
        button_cancel->move(120, 210);
        button_ok->move(190, 210);
        button_delete->show();
    } else {
        button_cancel->move(80, 210);
        button_ok->move(150, 210);
        button_delete->hide();
    }
    ui->frame_add->show();
    button_cancel->show();
    button_ok->show();
    panel_item = 0;
    yuq_sel_info(0, 2);
    yuq_sel_info(0, 1);
}

void InputCut::open_add()
{
    list_select_saved = 0;
    panel_index = -1;
    panel_word = 0;
    // Captioned with the number the save will take: the lowest one the source does not use.
    crop_name = source_name + QStringLiteral("-Crop-%1").arg(para()->YuqFreeCropID(source_number));
    ui->lineEdit_X->setText(QStringLiteral("0"));
    ui->lineEdit_Y->setText(QStringLiteral("0"));
    ui->lineEdit_W->setText(QStringLiteral("1920"));
    ui->lineEdit_H->setText(QStringLiteral("1080"));
    focus_area = AddPanel;
    show_panel(false);
}

void InputCut::open_edit()
{
    const int n = current_pag == 0 ? ui_select - 1 : 6 * current_pag + ui_select;
    if (n < 1 || n >= max_source_info)
        return;
    CROP_PARA crop{};
    int index = CROP_COUNT;
    para()->YuqGetCropPara(source_number, n, &crop, &index);
    if (index >= CROP_COUNT)
        return; // no such crop (the table changed): nothing opens
    const uint8_t saved = ui_select;
    focus_area = EditPanel;
    yuq_button_input_clicked(); // tab marker blue, no cell selected
    list_select_saved = saved;
    panel_index = index;
    panel_word = uint16_t(crop.word);
    crop_name = source_name + QStringLiteral("-Crop-%1").arg(((panel_word >> 8) & 0x7F) + 1);
    ui->lineEdit_X->setText(QString::number(crop.x));
    ui->lineEdit_Y->setText(QString::number(crop.y));
    ui->lineEdit_W->setText(QString::number(crop.w));
    ui->lineEdit_H->setText(QString::number(crop.h));
    show_panel(true);
}

// Each field a decimal number 0..32767, width and height at least 1; otherwise the
// item of the first field that is not.
bool InputCut::read_fields(CROP_PARA* crop, int* badItem) const
{
    int32_t* out[4] = {&crop->x, &crop->y, &crop->w, &crop->h};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const int v = panel_field(i)->text().trimmed().toInt(&ok, 10);
        if (!ok || v < (i >= 2 ? 1 : 0) || v > 32767) {
            *badItem = i;
            return false;
        }
        *out[i] = v;
    }
    return true;
}

bool InputCut::save()
{
    CROP_PARA crop{};
    int bad = 0;
    if (!read_fields(&crop, &bad)) {
        yuq_sel_info(panel_item, 0);
        panel_item = uint8_t(bad);
        yuq_sel_info(panel_item, 1);
        return false;
    }
    crop.word = source_number;
    if (panel_index < 0) {
        if (para()->YuqAddNewCrop(source_number, &crop))
            return true;
        // Every entry used: the panel stays open and says so, nothing is stored.
        if (!m_refusal)
            m_refusal = kit::failure_line(this, QRect(45, 117, 230, 24), "label_crop_refused");
        kit::show_failure(m_refusal, kit::text(Txt::inputcut_table_full));
        return false;
    }
    // Only the entry the panel was opened for, and only while it is still that crop.
    ImageEdit e;
    const int b = img::CropTable + 10 * panel_index;
    if (e.get(b) != panel_word)
        return true; // changed meanwhile: the list is redrawn, nothing written
    e.set(b + 2, uint16_t(crop.x));
    e.set(b + 4, uint16_t(crop.y));
    e.set(b + 6, uint16_t(crop.w));
    e.set(b + 8, uint16_t(crop.h));
    return true;
}

void InputCut::erase()
{
    ImageEdit e;
    const int b = img::CropTable + 10 * panel_index;
    if (panel_index < 0 || e.get(b) != panel_word)
        return;
    e.set(b, 0);
    // A window showing the crop goes back to the crop's source, whole, in the same step:
    // the freed entry never becomes its input by accident.
    const uint16_t input = uint16_t(0x8000 | panel_index);
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        WindowRecord r = e.window(w);
        if (r.word(img::WinInput) == input) {
            r.set(img::WinInput, uint16_t(panel_word & 0xFF));
            e.set_window(w, r);
        }
    }
}

void InputCut::panel_done()
{
    crop_source_num_update();
    focus_area = List;
    ui_select = list_select_saved;
    keep_selection_in_list();
    source_init();
    para_changed_over();
}

void InputCut::para_changed_over()
{
    ui->frame_add->hide();
    if (button_ok) {
        button_cancel->hide();
        button_ok->hide();
        button_delete->hide();
    }
    yuq_sel_info(0, 2);
    panel_index = -1;
    if (add_button)
        add_button->show();
}

void InputCut::panel_move(int dir)
{
    int next = kit::step(panel_item, kItems, dir);
    if (focus_area == AddPanel && next == kItemDelete)
        next = kit::step(next, kItems, dir);
    yuq_sel_info(panel_item, 0);
    panel_item = uint8_t(next);
    yuq_sel_info(panel_item, 1);
}

// ---- keys ----

void InputCut::key_left()
{
    source_current_check();
    if (focus_area == Tabs) {
        current_pag = 0;
        ui_select = uint8_t(kit::step(ui_select, 6, -1));
        yuq_button_input_clicked();
    } else if (focus_area == List) {
        list_prev();
        yuq_button_input_clicked();
    } else {
        panel_move(-1);
    }
}

void InputCut::key_right()
{
    source_current_check();
    if (focus_area == Tabs) {
        current_pag = 0;
        ui_select = uint8_t(kit::step(ui_select, 6, +1));
        yuq_button_input_clicked();
    } else if (focus_area == List) {
        list_next();
        yuq_button_input_clicked();
    } else {
        panel_move(+1);
    }
}

void InputCut::key_ok()
{
    source_current_check();
    if (focus_area == Tabs) {
        tab_select_saved = ui_select;
        ui_select = 0;
        current_pag = 0;
        focus_area = List;
        yuq_button_input_clicked();
    } else if (focus_area == List) {
        if (current_pag == 0 && ui_select == 0)
            open_add();
        else if (!(current_pag == 0 && ui_select == 1))
            open_edit();
    } else if (panel_item < kItemDelete) {
        QLineEdit* f = panel_field(panel_item);
        emit static_cast<My_lineEdit*>(f)->send_show(f->text()); // the pad, modal
    } else if (panel_item == kItemSave) {
        if (save())
            panel_done();
    } else {
        if (panel_item == kItemDelete && focus_area == EditPanel)
            erase();
        panel_done();
    }
}

void InputCut::keyReleaseEvent(QKeyEvent* e)
{
    // The next key takes the refusal away, then does what it does.
    if (m_refusal)
        m_refusal->hide();
    PanelDialog::keyReleaseEvent(e);
}

void InputCut::key_back()
{
    if (focus_area == Tabs) {
        back();
    } else if (focus_area == List) {
        focus_area = Tabs;
        ui_select = tab_select_saved;
        yuq_button_input_clicked();
    } else {
        panel_done();
    }
}

void InputCut::back()
{
    // Input choice's re-text rebuilds its crop counts and rows from the table as well.
    kit::close_by_back(this);
}

// ---- refresh ----

void InputCut::refresh(kit::Refresh code)
{
    YuqRamPara* p = para();
    if (p->YuqLanguageChanged())
        retext();
    const bool table = p->differs_from_applied(img::CropTable, 10 * CROP_COUNT);
    if (table || code == kit::Refresh::AliasFile) {
        crop_source_num_update();
        source_current_check();
        if (focus_area == List)
            keep_selection_in_list();
        else if (current_pag > last_page)
            current_pag = last_page; // never an empty page left behind
        source_init();
    }
}

YUQ_SCREEN(InputCut)
