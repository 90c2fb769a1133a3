#include "lcdshow.h"
#include "ui_lcdshow.h"

#include "combofield.h"
#include "core/yuqrampara.h"
#include "ui/shell/screens.h"
#include "yuq_texts.h"

#include <QComboBox>
#include <QLabel>

const uint32_t lcdshow::BackTimes[3] = {3000, 6000, 120000};
const uint32_t lcdshow::LockTimes[3] = {30000, 60000, 120000};

namespace {
// The choice a time is, or 0 for a time none of them is.
int choice_of(const uint32_t (&times)[3], uint32_t t)
{
    for (int i = 0; i < 3; ++i)
        if (times[i] == t)
            return i;
    return 0;
}
} // namespace

lcdshow::lcdshow(QWidget* parent) : PanelDialog(page::lcdshow, parent), ui(new Ui::lcdshow)
{
    ui->setupUi(this);
    m_boxes[0] = ui->comboBox_back;
    m_boxes[1] = ui->comboBox_lock;
    para_init();
    menulist_init();
    retext();
}

lcdshow::~lcdshow()
{
    delete ui;
}

void lcdshow::retext()
{
    ui->label_LCDshow->setText(kit::text(Txt::lcdshow_title));
    ui->label_backmainwindow->setText(kit::text(Txt::lcdshow_back));
    ui->label_autolock->setText(kit::text(Txt::lcdshow_lock));
    kit::fit_text_remembered(ui->label_backmainwindow); // "Quay lại màn hình chính" is wider than its box
    kit::fit_text_remembered(ui->label_autolock);
}

void lcdshow::para_init()
{
    const QString never = kit::text(Txt::lcdshow_never);
    ui->comboBox_back->clear();
    ui->comboBox_back->addItems({QStringLiteral("30"), QStringLiteral("60"), never});
    ui->comboBox_lock->clear();
    ui->comboBox_lock->addItems({kit::text(Txt::lcdshow_5min), kit::text(Txt::lcdshow_10min), never});
    ui->comboBox_back->setCurrentIndex(choice_of(BackTimes, g_back_to_mainwindow_time));
    ui->comboBox_lock->setCurrentIndex(choice_of(LockTimes, g_auto_lock_time));
    for (QComboBox* b : m_boxes)
        combo::fit(b);
}

void lcdshow::menulist_init()
{
    ui_select = 0;
    ui_edit = false;
    for (int i = 0; i < 2; ++i)
        combo::set_look(m_boxes[i], i == ui_select ? combo::Focused : combo::Normal);
}

void lcdshow::on_button_backtolock_clicked()
{
    if (time_select < 3)
        g_back_to_mainwindow_time = BackTimes[time_select];
}

void lcdshow::on_button_autolock_clicked()
{
    if (time_select < 3)
        g_auto_lock_time = LockTimes[time_select];
}

void lcdshow::arrow(int dir)
{
    if (ui_edit) {
        time_select = uint8_t(kit::step(time_select, 3, dir));
        m_boxes[ui_select]->setCurrentIndex(time_select);
        return;
    }
    const int n = kit::step(ui_select, 2, dir);
    combo::set_look(m_boxes[ui_select], combo::Normal);
    combo::set_look(m_boxes[n], combo::Focused);
    ui_select = uint8_t(n);
}

void lcdshow::key_ok()
{
    if (ui_edit) {
        end_edit();
        if (ui_select == 0)
            on_button_backtolock_clicked();
        else
            on_button_autolock_clicked();
        return;
    }
    ui_edit = true;
    time_select = uint8_t(qBound(0, m_boxes[ui_select]->currentIndex(), 2));
    combo::set_look(m_boxes[ui_select], combo::Editing);
}

void lcdshow::end_edit()
{
    ui_edit = false;
    combo::set_look(m_boxes[ui_select], combo::Focused);
}

void lcdshow::refresh(kit::Refresh code)
{
    Q_UNUSED(code);
    // A new language refills both boxes from the times: a choice not yet applied goes.
    if (!YuqRamPara::p_yuqrampara_config->YuqLanguageChanged())
        return;
    retext();
    para_init();
    if (ui_edit)
        end_edit();
}

void lcdshow::back()
{
    kit::close_by_back(this);
}

YUQ_SCREEN(lcdshow)
