#include "outputset.h"
#include "ui_outputset.h"

#include "core/yuqrampara.h"
#include "yuq_texts.h"

#include <QPushButton>

OutputSet::OutputSet(QWidget* parent) : PanelDialog(page::OutputSet, parent), ui(new Ui::OutputSet)
{
    ui->setupUi(this);
    kit::set_picture(ui->label_note_OK, kit::pic(QStringLiteral("OK_Enter.png")));
    kit::set_picture(ui->label_note_back, kit::pic(QStringLiteral("back_return.png")));
    menulist_init();
    retext();
}

OutputSet::~OutputSet()
{
    delete ui;
}

void OutputSet::menulist_init()
{
    m_items[0] = ui->Button_ledset;
    m_items[1] = ui->Button_lanset;
    ui_select = 0;
    ui->Button_ledset->setStyleSheet(QString::fromLatin1(kit::sheet::sub_menu_focus));
    ui->Button_lanset->setStyleSheet(QString::fromLatin1(kit::sheet::sub_menu));
}

void OutputSet::retext()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    ui->label_title->setText(kit::text(Txt::outputset_title));
    ui->Button_ledset->setText(kit::text(Txt::outputset_ledset));
    ui->Button_lanset->setText(kit::text(Txt::outputset_lanset));
    ui->label_info->setText(
        kit::text(Txt::outputset_info).arg(p->image16(img::LedWidth)).arg(p->image16(img::LedHeight)));
    kit::fit_text(ui->label_info); // the Vietnamese line with a five-digit size
}

void OutputSet::back()
{
    kit::close_by_back(this);
}

void OutputSet::move(int dir)
{
    kit::step_focus(m_items, ItemCount, ui_select, dir, kit::sheet::sub_menu, kit::sheet::sub_menu_focus);
}

void OutputSet::key_left()
{
    move(-1);
}

void OutputSet::key_right()
{
    move(1);
}

void OutputSet::key_ok()
{
    if (ui_select == 0)
        on_Button_ledset_clicked();
    else
        on_Button_lanset_clicked();
}

// The opened screen re-texts this menu and restores page 6 when it closes; the mode key
// may have closed this menu meanwhile, so nothing follows the call.
void OutputSet::on_Button_ledset_clicked()
{
    kit::open(page::ledset);
}

void OutputSet::on_Button_lanset_clicked()
{
    kit::open(page::netset);
}

YUQ_SCREEN(OutputSet)
