#include "outputset.h"
#include "ui_outputset.h"

#include "core/yuqrampara.h"
#include "yuq_texts.h"

#include <QPushButton>

OutputSet::OutputSet(QWidget* parent)
    : MenuScreen(page::OutputSet, parent, kit::sheet::sub_menu, kit::sheet::sub_menu_focus), ui(new Ui::OutputSet)
{
    ui->setupUi(this);
    kit::set_picture(ui->label_note_OK, kit::pic(QStringLiteral("OK_Enter.png")));
    kit::set_picture(ui->label_note_back, kit::pic(QStringLiteral("back_return.png")));
    set_items({{ui->Button_ledset, page::ledset}, {ui->Button_lanset, page::netset}});
    retext();
}

OutputSet::~OutputSet()
{
    delete ui;
}

void OutputSet::retext()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    ui->label_title->setText(kit::text(Txt::outputset_title));
    ui->Button_ledset->setText(kit::text(Txt::outputset_ledset));
    ui->Button_lanset->setText(kit::text(Txt::outputset_lanset));
    ui->label_info->setText(
        kit::text(Txt::outputset_info).arg(p->image16(img::LedWidth)).arg(p->image16(img::LedHeight)));
    kit::fit_text_remembered(ui->label_info); // the Vietnamese line with a five-digit size
}

YUQ_SCREEN(OutputSet)
