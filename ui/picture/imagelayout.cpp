#include "imagelayout.h"
#include "ui_imagelayout.h"

#include "ui/shell/sourceinfo.h"
#include "core/alias.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "yuq_texts.h"

#include <QFontMetrics>
#include <QLineEdit>

namespace {
const char* const kInfoFrame = "#frame{border:1px solid rgb(255,171,84);}";
const char* const kTabFrame = "#frame_image{border:1px solid;border-left-color:rgb(255,171,84);"
                              "border-right-color:rgb(255,171,84);border-top-color:rgb(255,171,84);}";

YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

int record(int w)
{
    return img::Window + img::WindowSize * w;
}
} // namespace

ImageLayout::ImageLayout(QWidget* parent) : PanelDialog(page::ImageLayout, parent), ui(new Ui::ImageLayout)
{
    ui->setupUi(this);
    // Both frames keep one look: set once, since a sheet on a container restyles all it holds.
    kit::set_sheet(ui->frame, QLatin1String(kInfoFrame));
    kit::set_sheet(ui->frame_image, QLatin1String(kTabFrame));
    menulist_init();
    retext(); // texts, the DBD items, then the shown window
}

ImageLayout::~ImageLayout()
{
    delete ui;
}

void ImageLayout::menulist_init()
{
    // A current window out of range (a bad image) shows window 1.
    const int cur = g_image_current.load();
    ui_select = uint8_t(cur < WINDOW_COUNT ? cur : 0);
}

void ImageLayout::fill_dbd_items()
{
    const QStringList items = {kit::text(Txt::imagelayout_dbd_off), kit::text(Txt::imagelayout_dbd_on),
                               kit::text(Txt::imagelayout_dbd_hor), kit::text(Txt::imagelayout_dbd_ver)};
    QComboBox* box = ui->comboBox_P2P;
    if (box->count() != items.size()) {
        box->clear();
        box->addItems(items);
        box->setCurrentIndex(-1);
    } else {
        for (int i = 0; i < items.size(); ++i)
            box->setItemText(i, items[i]);
    }
    kit::fit_text(box); // "HD3,HD4水平拼接" is wider than the box at 7 pt
}

void ImageLayout::retext()
{
    ui->label_title->setText(kit::text(Txt::imagelayout_title));
    ui->label_P2P->setText(kit::text(Txt::imagelayout_dbd));
    ui->label_W->setText(kit::text(Txt::imagelayout_width));
    ui->label_H->setText(kit::text(Txt::imagelayout_height));
    ui->label_mirror->setText(kit::text(Txt::imagelayout_mirror));
    for (QLabel* l : {ui->label_P2P, ui->label_W, ui->label_H, ui->label_mirror})
        kit::fit_text_remembered(l);
    fill_dbd_items();
    load_names();
    image_para_update();
    image_init();
}

void ImageLayout::image_init()
{
    const int w = ui_select;
    const bool on = para()->image16(record(w) + img::WinFlags) != 0;
    ui->image_state->setText(kit::text(Txt::imagelayout_state)
                             + kit::text(on ? Txt::imagelayout_on : Txt::imagelayout_off));
    ui->frame_image->setGeometry(7 + 51 * w, 39, 51, 49);
}

void ImageLayout::load_names()
{
    // The alias file is read here only (open, language, a new file from the PC, a screen
    // above closing), not on every step.
    const QFontMetrics metrics(ui->image_name->font());
    for (int w = 0; w < WINDOW_COUNT; ++w) {
        ALIAS_PARA alias;
        if (get_json_alias_para(&alias, "win", w)) {
            m_names[w] = kit::text(Txt::imagelayout_name)
                         + metrics.elidedText(QString::fromStdString(alias.name), Qt::ElideRight,
                                              ui->image_name->width(), Qt::TextShowMnemonic);
        } else {
            m_names[w] = kit::text(Txt::imagelayout_default_name).arg(w + 1);
        }
    }
}

namespace {
// A line edit repaints on every setText, even of the text it shows.
void set_number(QLineEdit* e, int v)
{
    const QString t = QString::number(v);
    if (e->text() != t)
        e->setText(t);
}
} // namespace

void ImageLayout::image_para_update()
{
    YuqRamPara* p = para();
    const int w = ui_select;
    const int b = record(w);

    kit::set_plain_text(ui->image_name, m_names[w]);

    short crop = 0;
    char index = 0;
    const int source = p->YuqGetImageSource(p->ram_para, uchar(w), &crop, &index, 0);
    ui->image_source->setText(kit::text(Txt::imagelayout_source)
                              + sourceinfo::get_source_name_by_sourceid(uchar(source)));

    set_number(ui->lineEdit_X, p->image16(b + img::WinX));
    set_number(ui->lineEdit_Y, p->image16(b + img::WinY));
    set_number(ui->lineEdit_W, p->image16(b + img::WinW));
    set_number(ui->lineEdit_H, p->image16(b + img::WinH));

    mirror_select(p->image16(b + img::WinMirror));

    // A mode the panel does not know shows no item rather than the last window's.
    int item = -1;
    if (!(p->image16(b + img::WinMode) & 0x0100)) {
        item = 0;
    } else {
        switch (p->image16(b + img::WinDotMode)) {
        case 0: item = 1; break;
        case 8: item = 2; break;
        case 9: item = 3; break;
        default: break;
        }
    }
    ui->comboBox_P2P->setCurrentIndex(item);
}

void ImageLayout::mirror_select(int value)
{
    // A value above 3 lights none: never the last window's choice, never the form's text.
    QLabel* pics[4] = {ui->mirror1, ui->mirror2, ui->mirror3, ui->mirror4};
    for (int i = 0; i < 4; ++i)
        kit::set_picture(pics[i], kit::pic(QStringLiteral("mirror%1_%2.png").arg(i + 1).arg(i == value ? "on" : "off")));
}

void ImageLayout::refresh(kit::Refresh code)
{
    YuqRamPara* p = para();
    if (p->YuqLanguageChanged()) {
        menulist_init();
        retext();
        return;
    }
    if (code == kit::Refresh::AliasFile) {
        load_names();
        image_para_update();
    }
    // A keypad input, freeze or black key, or the PC, changed the shown window.
    const int b = record(ui_select);
    if (p->differs_from_applied(b, img::WindowSize)) {
        image_init();
        image_para_update();
    }
}

void ImageLayout::step(int dir)
{
    ui_select = uint8_t(kit::step(ui_select, WINDOW_COUNT, dir));
    image_init();
    image_para_update();
    g_image_current = ui_select;
    para()->test_signal(code_of(Refresh::Applied));
}

void ImageLayout::key_left()
{
    step(-1);
}

void ImageLayout::key_right()
{
    step(+1);
}

void ImageLayout::back()
{
    kit::close_by_back(this);
}

YUQ_SCREEN(ImageLayout)
