#include "advancedoption.h"
#include "ui_advancedoption.h"

#include "fpga/fpga_manage.h"
#include "fpga/rcv_recovery_file.h"
#include "ui/shell/numberfields.h"
#include "yuq_texts.h"

#include <QPointer>
#include <QPushButton>

namespace {
constexpr int kRecoveryItem = 2;
const char* const kAccessCode = "5914";
} // namespace

AdvancedOption::AdvancedOption(QWidget* parent)
    : PanelDialog(page::AdvancedOption, parent), ui(new Ui::AdvancedOption),
      m_pad(new kit::NumberFields(this, kit::NumberFields::Title()))
{
    ui->setupUi(this);
    kit::set_picture(ui->label_note_OK, kit::pic(QStringLiteral("OK_Enter.png")));
    kit::set_picture(ui->label_note_back, kit::pic(QStringLiteral("back_return.png")));
    QPushButton* items[ItemCount] = {ui->Button_LCDshow, ui->Button_other, ui->Button_rcv_recovery,
                                     ui->Button_factory, ui->Button_age};
    for (int i = 0; i < ItemCount; ++i)
        m_items[i] = items[i];
    retext();
    ui_select = 0;
    ui->Button_LCDshow->setStyleSheet(QString::fromLatin1(kit::sheet::large_menu_focus));
}

AdvancedOption::~AdvancedOption()
{
    delete ui;
}

// The recovery folder's plain files through the FPGA side's lister (its list has a lock
// of its own); without an FPGA side or folder the count stays.
void AdvancedOption::recount()
{
    fpga_manage* f = fpga_manage::p_fpga_manage;
    if (!f || !f->rcv_recovery)
        return;
    if (f->rcv_recovery->get_dir_file(QStringLiteral("/data/rcvrecovery")) == 0)
        m_recovery_files = f->rcv_recovery->file_count(rcvRecovery::RecoveryFiles);
}

QString AdvancedOption::sheet_of(int index, bool focused) const
{
    if (index == kRecoveryItem && m_recovery_files == 0)
        return QString::fromLatin1(focused ? kit::sheet::disabled_menu_focus : kit::sheet::disabled_menu);
    return QString::fromLatin1(focused ? kit::sheet::large_menu_focus : kit::sheet::large_menu);
}

void AdvancedOption::retext()
{
    recount();
    ui->label_title->setText(kit::text(Txt::advancedoption_title));
    ui->Button_LCDshow->setText(kit::text(Txt::advancedoption_lcd));
    ui->Button_rcv_recovery->setText(kit::text(Txt::advancedoption_recovery));
    kit::set_sheet(ui->Button_rcv_recovery, sheet_of(kRecoveryItem, ui_select == kRecoveryItem));
    ui->Button_other->setText(kit::text(Txt::advancedoption_other));
    ui->Button_factory->setText(kit::text(Txt::advancedoption_factory));
    ui->Button_age->setText(kit::text(Txt::advancedoption_age));
    for (QPushButton* b : m_items)
        kit::fit_text(b); // the Vietnamese lines
}

void AdvancedOption::back()
{
    kit::close_by_back(this);
}

void AdvancedOption::move(int dir)
{
    const int n = kit::step(ui_select, ItemCount, dir);
    kit::move_focus(m_items[ui_select], sheet_of(ui_select, false), m_items[n], sheet_of(n, true));
    ui_select = uint8_t(n);
}

void AdvancedOption::key_left()
{
    move(-1);
}

void AdvancedOption::key_right()
{
    move(1);
}

void AdvancedOption::key_ok()
{
    switch (ui_select) {
    case 0: on_Button_LCDshow_clicked(); break;
    case 1: on_Button_other_clicked(); break;
    case 2: on_Button_rcv_recovery_clicked(); break;
    case 3: on_Button_factory_clicked(); break;
    case 4: on_Button_age_clicked(); break;
    default: break;
    }
}

// Each child re-texts this menu (a recount) and restores page 12 when it goes back; the
// mode key may close this menu meanwhile, so nothing follows the open.
void AdvancedOption::on_Button_LCDshow_clicked()
{
    kit::open(page::lcdshow);
}

void AdvancedOption::on_Button_other_clicked()
{
    kit::open(page::othersetup);
}

void AdvancedOption::on_Button_rcv_recovery_clicked()
{
    if (m_recovery_files > 0)
        kit::open(page::rcv_recovery);
}

void AdvancedOption::on_Button_factory_clicked()
{
    kit::open(page::factory);
}

// The code is asked on every opening; the aging log opens once the pad has closed.
void AdvancedOption::on_Button_age_clicked()
{
    QPointer<AdvancedOption> self(this);
    QString code;
    const bool confirmed =
        m_pad->ask(kit::text(Txt::advancedoption_code_title), QStringLiteral("**********"), &code);
    if (!self || !kit::still_open(this) || !confirmed)
        return;
    if (code.compare(QLatin1String(kAccessCode), Qt::CaseSensitive) != 0)
        return;
    kit::open(page::factoryage);
}

YUQ_SCREEN(AdvancedOption)
