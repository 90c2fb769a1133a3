#include "firmware_usbgrade.h"
#include "ui_firmware_usbgrade.h"

#include "core/yuqrampara.h"
#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/usb_upgrade.h"
#include "yuq_texts.h"

#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtDebug>

namespace {
const char* const kFocused = "color:rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
const char* const kRow = "background-color: rgb(33, 36, 53);color: #FFFFFF";
const char* const kRowMarked = "background-color:#4777FF;color: #FFFFFF;";
const char* const kArrow = "background-color: rgb(33, 36, 53);";
const char* const kRed = "#FF0000";
const char* const kGreen = "#51BB28";
} // namespace

firmware_usbgrade::firmware_usbgrade(QWidget* parent)
    : PanelDialog(page::firmware_usbgrade, parent), ui(new Ui::firmware_usbgrade)
{
    ui->setupUi(this);
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
    current_page = 0;
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
    last_page = file_list.isEmpty() ? 0 : (file_list.size() - 1) / RowsPerPage;
}

void firmware_usbgrade::upgrade_file_list()
{
    if (frame_file) {
        // A page arrow of the old frame may be the sender of this rebuild.
        frame_file->hide();
        frame_file->setObjectName(QString());
        frame_file->deleteLater();
    }
    for (int r = 0; r < RowsPerPage; ++r) {
        m_rows[r] = nullptr;
        m_row_buttons[r] = nullptr;
    }
    m_previous = m_next = nullptr;
    current_page = qBound(0, current_page, last_page);

    frame_file = new QFrame(ui->frame);
    frame_file->setObjectName(QStringLiteral("frame_file"));
    frame_file->setGeometry(10, 50, 280, 90);
    frame_file->setStyleSheet(QStringLiteral("#frame_file{background-color: rgb(33, 36, 53);border:1px solid #FFFFFF;}"));
    QFont small = font();
    small.setPointSize(7);

    if (file_list.isEmpty()) {
        auto* none = new QLabel(frame_file);
        none->setGeometry(5, 5, 220, 20);
        none->setFont(small);
        none->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        none->setStyleSheet(QString::fromLatin1(kRow));
        none->setText(kit::text(Txt::firmware_usbgrade_none));
    }
    const int first = RowsPerPage * current_page;
    for (int r = 0; r < RowsPerPage && first + r < file_list.size(); ++r) {
        const int i = first + r;
        auto* label = new QLabel(frame_file);
        label->setGeometry(5, 5 + 25 * r, 220, 20);
        label->setFont(small);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText); // a name from the stick is never markup
        label->setText(QFileInfo(file_list[i]).fileName());
        label->setStyleSheet(QString::fromLatin1(m_marks[i] ? kRowMarked : kRow));
        auto* button = new QPushButton(frame_file);
        button->setGeometry(5, 5 + 25 * r, 220, 20);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setObjectName(QString::number(r));
        connect(button, &QPushButton::clicked, this, &firmware_usbgrade::yuq_button_file_clicked);
        m_rows[r] = label;
        m_row_buttons[r] = button;
    }
    auto arrow = [&](int y, const char* picture) {
        auto* b = new QPushButton(frame_file);
        b->setGeometry(250, y, 20, 20);
        b->setFocusPolicy(Qt::NoFocus);
        b->setStyleSheet(QString::fromLatin1(kArrow));
        kit::set_icon(b, kit::pic(QString::fromLatin1(picture)), 20, 20);
        return b;
    };
    if (current_page > 0) {
        m_previous = arrow(5, "previous.png");
        connect(m_previous, &QPushButton::clicked, this, &firmware_usbgrade::yuq_Button_previous_clicked);
    }
    if (current_page < last_page) {
        m_next = arrow(80, "next.png");
        connect(m_next, &QPushButton::clicked, this, &firmware_usbgrade::yuq_Button_next_clicked);
    }
    frame_file->show();
}

void firmware_usbgrade::yuq_Button_previous_clicked()
{
    if (current_page > 0)
        --current_page;
    upgrade_file_list();
    qDebug("\n yuq_Button_previous_clicked  current_page = %d\n", current_page);
}

void firmware_usbgrade::yuq_Button_next_clicked()
{
    current_page = current_page >= last_page ? 0 : current_page + 1;
    upgrade_file_list();
    qDebug("\n yuq_Button_next_clicked  current_page = %d\n", current_page);
}

// A touched row is shown chosen; the upgrade itself takes the packages as listed.
void firmware_usbgrade::yuq_button_file_clicked()
{
    auto* button = qobject_cast<QPushButton*>(sender());
    if (!button)
        return;
    if (QLabel* old = row_label(file_select))
        old->setStyleSheet(QStringLiteral("background-color: rgb(33, 36, 53);color: #FFFFFF;"));
    file_select = qBound(0, button->objectName().toInt(), RowsPerPage - 1);
    qDebug("\n yuq_button_file_clicked ...file_select = %d\n", file_select);
    if (QLabel* now = row_label(file_select))
        now->setStyleSheet(QString::fromLatin1(kRowMarked));
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
        show_log(kit::text(Txt::firmware_usbgrade_nothing).toHtmlEscaped(), kRed, 12);
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
        return;
    case kit::Refresh::StickRemoved:
    case kit::Refresh::StickMounted:
        file_select = 0;
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
    if (code == kit::Refresh::UpgradeEnd) {
        const QString time = fpga_manage::p_fpga_manage ? fpga_manage::p_fpga_manage->usb_upgrade_time_text() : QString();
        show_log(QStringLiteral("downing over<br>") + time.toHtmlEscaped(), kGreen, 13);
    }
}

YUQ_SCREEN(firmware_usbgrade)
