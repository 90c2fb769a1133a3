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
constexpr int kEndPx = 13; // the end of the upgrade
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
    if (m_log == Log::End)
        show_end();
    else if (m_log == Log::Nothing)
        show_nothing();
}

void firmware_usbgrade::show_nothing()
{
    m_log = Log::Nothing;
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

namespace {
QString font_html(const QString& html, const char* colour, int px)
{
    return QStringLiteral("<font style = 'font-size:%1px' color = %2 >%3</font>").arg(px).arg(QLatin1String(colour), html);
}
} // namespace

void firmware_usbgrade::show_log(const QString& text, const char* colour, int px)
{
    show_log_html(font_html(text, colour, px));
}

void firmware_usbgrade::show_log_html(const QString& html)
{
    ui->label_log->setText(html);
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
    m_log = Log::Empty; // what an earlier run or OK said is over
    ui->label_log->clear();
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
    m_log = Log::Empty;
    ui->label_log->clear();
}

// `line` with the packages' names in `colour`: the font stepped down until the line fits
// the label, and past the smallest the names shortened in their middle.
QString firmware_usbgrade::named_html(Txt line, const QStringList& packages, const char* colour) const
{
    const QString text = kit::text(line);
    QStringList names;
    for (const QString& p : packages)
        names << QFileInfo(p).fileName();
    const QString all = names.join(QStringLiteral(", "));
    const int width = ui->label_log->width();
    QFont font = ui->label_log->font();
    font.setPixelSize(kEndPx);
    font = kit::fitted_font(font, width, text.arg(all));
    const QFontMetrics fm(font);
    const QString shown = fm.elidedText(all, Qt::ElideMiddle, width - fm.horizontalAdvance(text.arg(QString())));
    return font_html(text.arg(shown).toHtmlEscaped(), colour, font.pixelSize());
}

void firmware_usbgrade::show_end()
{
    m_log = Log::End;
    const fpga_manage* f = fpga_manage::p_fpga_manage;
    const UsbUpgrade::Result r = f ? f->usb_upgrade_result() : UsbUpgrade::Result();
    // Nothing went in, so no restart follows: another stick may be tried from here.
    if (r.outcome != UsbUpgrade::Done)
        file_downing = false;
    QStringList named{r.package};
    Txt why = Txt::firmware_usbgrade_not_installed;
    switch (r.outcome) {
    case UsbUpgrade::Done: {
        const QString time = (f ? f->usb_upgrade_time_text() : QString()).toHtmlEscaped();
        if (r.skipped.isEmpty()) {
            show_log(QStringLiteral("downing over<br>") + time, kGreen, kEndPx);
            return;
        }
        // Green only for what went in; what stayed as it was is named in red below it.
        show_log_html(font_html(QStringLiteral("downing over&nbsp;&nbsp;") + time, kGreen, kEndPx) + QStringLiteral("<br>")
                      + named_html(Txt::firmware_usbgrade_skipped, r.skipped, kRed));
        return;
    }
    case UsbUpgrade::NoPackage:
        show_log(kit::text(Txt::firmware_usbgrade_nothing).toHtmlEscaped(), kRed, kEndPx);
        return;
    case UsbUpgrade::NotInstalled:
        named = r.skipped;
        why = Txt::firmware_usbgrade_unsupported;
        break;
    case UsbUpgrade::NameRefused: why = Txt::firmware_usbgrade_bad_name; break;
    case UsbUpgrade::CopyFailed: why = Txt::firmware_usbgrade_not_copied; break;
    case UsbUpgrade::InstallFailed: break;
    }
    show_log_html(named_html(Txt::firmware_usbgrade_failed, named, kRed) + QStringLiteral("<br>")
                  + font_html(kit::text(why).toHtmlEscaped(), kRed, kEndPx));
}

YUQ_SCREEN(firmware_usbgrade)
