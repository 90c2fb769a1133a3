#include "option.h"
#include "ui_option.h"

#include "ui/shell/screens.h"
#include "core/yuqrampara.h"

#include <QPushButton>

namespace {
// Per button: picture name and icon sizes for zh-CN, en, ru, vn, zh-TW.
struct Item
{
    const char* picture;
    int width[5];
};
const Item kItems[Option::ItemCount] = {
    {"output_set.png", {55, 75, 55, 55, 55}},
    {"input_cut.png", {55, 70, 70, 70, 55}},
    {"image_layout.png", {55, 70, 55, 55, 55}},
    {"link_set.png", {55, 70, 70, 70, 55}},
    {"image_quality.png", {55, 75, 55, 55, 55}},
    {"test_chart.png", {55, 55, 55, 55, 55}},
    {"smart_mapping.png", {55, 55, 55, 55, 55}},
    {"AdvanceButton.png", {55, 54, 70, 54, 55}},
};
constexpr int kIconHeight = 60;
// The first focus is drawn without the text colour (the buttons carry no text).
const char* const kFirstFocus =
    "background-color: rgb(33, 36, 53); border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px";
} // namespace

Option::Option(QWidget* parent) : PanelDialog(page::Option, parent), ui(new Ui::Option)
{
    ui->setupUi(this);
    kit::set_picture(ui->label_note_OK, kit::pic(QStringLiteral("OK_Enter.png")));
    kit::set_picture(ui->label_note_back, kit::pic(QStringLiteral("back_return.png")));
    ui_select = 0;
    menulist_init();
    retext();
}

Option::~Option()
{
    delete ui;
}

void Option::menulist_init()
{
    QPushButton* items[ItemCount] = {ui->output_set,    ui->input_cut,  ui->image_layout,
                                     ui->link_set,      ui->image_quality, ui->test_chart,
                                     ui->smart_mapping, ui->AdvanceButton};
    for (int i = 0; i < ItemCount; ++i)
        m_items[i] = items[i];
    m_focused = ui->output_set;
    ui->output_set->setStyleSheet(QString::fromLatin1(kFirstFocus));
}

void Option::retext()
{
    ui->label_title->setText(kit::text(Txt::option_title));
    const int lang = kit::shown_language();
    for (int i = 0; i < ItemCount; ++i) {
        QString resource = kit::lang_pic(QString::fromLatin1(kItems[i].picture));
        if (i == ItemCount - 1 && lang == 1)
            resource = kit::pic(QStringLiteral("en_advance_option.png"));
        kit::set_icon(m_items[i], resource, kItems[i].width[lang], kIconHeight);
    }
    ui->smart_mapping->setStyleSheet(QString::fromLatin1(
        m_focused == ui->smart_mapping ? kit::sheet::large_menu_focus : kit::sheet::large_menu));
}

void Option::back()
{
    kit::close_by_back(this);
}

void Option::move(int dir)
{
    m_focused = m_items[kit::step_focus(m_items, ItemCount, ui_select, dir, kit::sheet::large_menu,
                                        kit::sheet::large_menu_focus)];
}

void Option::key_left()
{
    move(-1);
}

void Option::key_right()
{
    move(1);
}

void Option::key_ok()
{
    // The slot of the focused item; the mapping button takes no clicks, the key still opens it.
    // (A switch, not a table of member pointers: GCC's sanitizers miscompile such tables
    // for classes with more than one base.)
    switch (ui_select) {
    case 0: on_output_set_clicked(); break;
    case 1: on_input_cut_clicked(); break;
    case 2: on_image_layout_clicked(); break;
    case 3: on_link_set_clicked(); break;
    case 4: on_image_quality_clicked(); break;
    case 5: on_test_chart_clicked(); break;
    case 6: on_smart_mapping_clicked(); break;
    case 7: on_AdvanceButton_clicked(); break;
    default: break;
    }
}

// Each opened screen restores page 5 and re-texts this menu itself when it closes; once
// its exec() returns this menu may already be closed (the mode key), so the openers do
// nothing afterwards.
void Option::on_output_set_clicked()
{
    kit::open(page::OutputSet);
}

void Option::on_input_cut_clicked()
{
    kit::open(page::InputCut);
}

void Option::on_image_layout_clicked()
{
    kit::open(page::ImageLayout);
}

void Option::on_link_set_clicked()
{
    kit::open(page::LinkOption);
}

void Option::on_image_quality_clicked()
{
    kit::open(page::ImageQuality);
}

void Option::on_test_chart_clicked()
{
    kit::open(page::test_chart);
}

void Option::on_smart_mapping_clicked()
{
    kit::open(page::SmartMapping);
}

void Option::on_AdvanceButton_clicked()
{
    kit::open(page::AdvancedOption);
}

YUQ_SCREEN(Option)
