#include "firmware_usbgrade.h"
#include "ui_firmware_usbgrade.h"

#include "core/yuqrampara.h"
#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/usb_upgrade.h"
#include "yuq_texts.h"

#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QtDebug>

namespace {
const char* const kFocused = "color:rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
const char* const kRed = "#FF0000";
const char* const kGreen = "#51BB28";
} // namespace

firmware_usbgrade::firmware_usbgrade(QWidget* parent)
    : PanelDialog(page::firmware_usbgrade, parent), ui(new Ui::firmware_usbgrade)
{
    ui->setupUi(this);
    m_list = new kit::PagedList(ui->frame);
    connect(m_list, &kit::PagedList::paged, this, &firmware_usbgrade::upgrade_file_list);
    ui->label_log->setText(QString());
    ui->Button_grade->setStyleSheet(QString::fromLatin1(kFocused));
    get_file_list_smartpath();
    upgrade_file_list();
    retext();
}

firmware_usbgrade::~firmware_usbgrade()
{
    delete ui;
}

QLabel* firmware_usbgrade::log_label() const
{
    return ui->label_log;
}

void firmware_usbgrade::retext()
{
    ui->label_usb_update->setText(kit::text(Txt::firmware_usbgrade_title));
    ui->Button_grade->setText(kit::text(Txt::firmware_usbgrade_ok));
    if (m_ended)
        show_end();
    else if (m_nothing)
        show_nothing();
}

void firmware_usbgrade::show_nothing()
{
    m_nothing = true;
    show_log(kit::text(Txt::firmware_usbgrade_nothing).toHtmlEscaped(), kRed, 12);
}

void firmware_usbgrade::back()
{
    // Also while an upgrade runs: it goes on in the FPGA thread.
    kit::close_by_back(this);
}

// The FPGA side's own folder rule and lister: both sides list the same packages.
void firmware_usbgrade::get_file_list_smartpath()
{
    file_list = UsbUpgrade::list_packages(UsbUpgrade::upgrade_folder());
    m_marks.fill(false, file_list.size());
    m_list->set_page(0);
    yuq_count = 0;
    yuqzk_count = 0;
    for (int i = 0; i < file_list.size(); ++i) {
        qDebug() << file_list[i];
        if (QFileInfo(file_list[i]).suffix() == QLatin1String("YUQ")) {
            m_marks[i] = yuq_count == 0; // the one that is installed
            ++yuq_count;
        } else {
            m_marks[i] = true;
            ++yuqzk_count;
        }
    }
}

void firmware_usbgrade::upgrade_file_list()
{
    m_list->rebuild(
        file_list.size(),
        [this](int i, kit::PagedList::Row* row) {
            row->text = QFileInfo(file_list[i]).fileName(); // as it is, never markup
            row->chosen = m_marks[i];
            return true;
        },
        kit::text(Txt::firmware_usbgrade_none));
}

void firmware_usbgrade::show_log(const QString& text, const char* colour, int px)
{
    ui->label_log->setText(QStringLiteral("<font style = 'font-size:%1px' color = %2 >%3</font>")
                               .arg(px)
                               .arg(QLatin1String(colour), text));
    ui->label_log->show();
}

bool firmware_usbgrade::menulist_button_ok_page()
{
    if (file_downing)
        return false;
    if (file_list.isEmpty()) {
        show_nothing();
        return false;
    }
    // Refused while an upgrade or a card job runs; started only once the FPGA side took it.
    if (!post_usb_upgrade())
        return false;
    file_downing = true;
    qDebug("\n menulist_button_ok_page 00 in  file_downing = %#x \n", unsigned(file_downing));
    return true;
}

void firmware_usbgrade::key_ok()
{
    qDebug("this is OK button(firmware_usbgrade)[Release]\n");
    menulist_button_ok_page();
}

bool firmware_usbgrade::key_mode()
{
    if (file_downing)
        return !kit::key_locked(); // the screen stays while its upgrade runs
    return PanelDialog::key_mode();
}

void firmware_usbgrade::on_Button_grade_clicked()
{
    const QString now = upgrade_clock_text();
    if (file_downing) {
        m_start_time = now;
        show_log(QStringLiteral("downing ,Dont power off !!\r\n") + m_start_time, kRed, 12);
    } else {
        show_log(QStringLiteral("downing over \r\n") + m_start_time + QStringLiteral("\r\n") + now, kGreen, 12);
    }
}

void firmware_usbgrade::refresh(kit::Refresh code)
{
    switch (code) {
    case kit::Refresh::StickInserted:
        qDebug("\n yes ,got the usb in");
        clear_log();
        return;
    case kit::Refresh::StickRemoved:
    case kit::Refresh::StickMounted:
        clear_log();
        m_list->set_chosen(0);
        get_file_list_smartpath();
        upgrade_file_list();
        return;
    default:
        break;
    }
    if (YuqRamPara::p_yuqrampara_config && YuqRamPara::p_yuqrampara_config->YuqLanguageChanged()) {
        upgrade_file_list();
        retext();
    }
    if (code == kit::Refresh::UpgradeEnd)
        show_end();
}

// A stick came or went: what OK said about the last one no longer holds.
void firmware_usbgrade::clear_log()
{
    if (file_downing)
        return;
    m_nothing = false;
    ui->label_log->clear();
}

void firmware_usbgrade::show_end()
{
    m_ended = true;
    const fpga_manage* f = fpga_manage::p_fpga_manage;
    const UsbUpgrade::Result r = f ? f->usb_upgrade_result() : UsbUpgrade::Result();
    Txt why = Txt::firmware_usbgrade_not_installed;
    switch (r.outcome) {
    case UsbUpgrade::Done: {
        const QString time = f ? f->usb_upgrade_time_text() : QString();
        show_log(QStringLiteral("downing over<br>") + time.toHtmlEscaped(), kGreen, 13);
        return;
    }
    case UsbUpgrade::NoPackage:
        show_log(kit::text(Txt::firmware_usbgrade_nothing).toHtmlEscaped(), kRed, 13);
        return;
    case UsbUpgrade::NameRefused: why = Txt::firmware_usbgrade_bad_name; break;
    case UsbUpgrade::CopyFailed: why = Txt::firmware_usbgrade_not_copied; break;
    case UsbUpgrade::InstallFailed: break;
    }
    // The package's name shortened in its middle to the line the label has for it.
    QFont font = ui->label_log->font();
    font.setPixelSize(13);
    const QFontMetrics fm(font);
    const QString line = kit::text(Txt::firmware_usbgrade_failed);
    const int room = ui->label_log->width() - fm.horizontalAdvance(line.arg(QString()));
    const QString name = fm.elidedText(QFileInfo(r.package).fileName(), Qt::ElideMiddle, room);
    show_log(line.arg(name).toHtmlEscaped() + QStringLiteral("<br>") + kit::text(why).toHtmlEscaped(), kRed, 13);
}

YUQ_SCREEN(firmware_usbgrade)
