#include "test_chart.h"
#include "ui_test_chart.h"

#include "core/image_edit.h"
#include "yuq_texts.h"

#include <QLabel>
#include <QPushButton>

namespace {
const char* const kPicture = "color: rgb(255, 255, 255);";
const char* const kPictureFocus = "border:1px solid rgb(255,171,84);";
const char* const kClose = "color: rgb(255, 255, 255);background-color:rgb(0,0,0);border:1px solid rgb(255,255,255);";
const char* const kCloseFocus =
    "color: rgb(255, 255, 255); background-color:rgb(0,0,0);border:1px solid rgb(255,171,84);";

// The pattern byte under the engine mutex with the re-apply byte: the engine sees both or neither.
void write_pattern(int n)
{
    ImageEdit e;
    e.set_byte(img::TestPattern, uint8_t(n));
}
} // namespace

test_chart::test_chart(QWidget* parent) : PanelDialog(page::test_chart, parent), ui(new Ui::test_chart)
{
    ui->setupUi(this);
    QLabel* pictures[PatternCount] = {ui->label_test1, ui->label_test2, ui->label_test3, ui->label_test4,
                                      ui->label_test5, ui->label_test6, ui->label_test7, ui->label_test8};
    for (int i = 0; i < PatternCount; ++i)
        m_items[i] = pictures[i];
    m_items[CloseIndex] = ui->Button_closetest;
    menulist_init();
    for (int i = 0; i < PatternCount; ++i)
        show_picture(i);
    retext();
}

test_chart::~test_chart()
{
    delete ui;
}

void test_chart::menulist_init()
{
    ui_select = 0;
    m_items[0]->setStyleSheet(QLatin1String(kPictureFocus));
}

void test_chart::show_picture(int index)
{
    if (index >= PatternCount)
        return;
    auto* l = static_cast<QLabel*>(m_items[index]);
    l->ensurePolished(); // its sheet's border counts
    kit::set_sized_picture(l, kit::pic(QStringLiteral("img_test%1.png").arg(index + 1)));
}

const char* test_chart::sheet_of(int index, bool focused)
{
    if (index == CloseIndex)
        return focused ? kCloseFocus : kClose;
    return focused ? kPictureFocus : kPicture;
}

void test_chart::retext()
{
    ui->label_testimage->setText(kit::text(Txt::test_chart_title));
    const Txt captions[PatternCount] = {Txt::test_chart_red,   Txt::test_chart_green, Txt::test_chart_blue,
                                        Txt::test_chart_white, Txt::test_chart_black, Txt::test_chart_colour,
                                        Txt::test_chart_vline, Txt::test_chart_hline};
    QLabel* labels[PatternCount] = {ui->label_red,   ui->label_green, ui->label_blue,  ui->label_white,
                                    ui->label_black, ui->label_color, ui->label_hline, ui->label_wline};
    for (int i = 0; i < PatternCount; ++i) {
        labels[i]->setText(kit::text(captions[i]));
        kit::fit_text(labels[i]); // "Horizontal line" is wider than its box at 7 pt
    }
    ui->Button_closetest->setText(kit::text(Txt::test_chart_close));
}

void test_chart::slot_Button_on_clicked()
{
    write_pattern(ui_select < PatternCount ? ui_select + 1 : 0);
}

void test_chart::back()
{
    write_pattern(0);
    kit::close_by_back(this);
}

void test_chart::move(int dir)
{
    const int n = kit::step(ui_select, CloseIndex + 1, dir);
    kit::move_focus(m_items[ui_select], QLatin1String(sheet_of(ui_select, false)), m_items[n],
                    QLatin1String(sheet_of(n, true)));
    // The focus border shrinks the picture's place: a picture already at the new size.
    show_picture(ui_select);
    show_picture(n);
    ui_select = uint8_t(n);
}

void test_chart::key_left()
{
    move(-1);
}

void test_chart::key_right()
{
    move(1);
}

void test_chart::key_ok()
{
    if (ui_select == CloseIndex)
        back();
    else
        slot_Button_on_clicked();
}

YUQ_SCREEN(test_chart)
