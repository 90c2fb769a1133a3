// The mapping wizard's Load scan (port and scan file, job 2), Curing parameter (job 3)
// and Mapping (the mapping switch, job 4), and its reaction to the USB stick.
#include "smartmapping.h"
#include "smartmapping_styles.h"
#include "ui_smartmapping.h"

#include "core/utils.h"
#include "core/yuqrampara.h"
#include "fpga/card_jobs.h"
#include "fpga/fpga_manage.h"
#include "fpga/rcv_recovery_file.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/screens.h"

#include <QFrame>
#include <QLabel>
#include <QMutexLocker>
#include <QPushButton>

using namespace mapping_style;

namespace {
const char* const kDeviceFolder = "/data/smartmapping";
const char* const kStickFolder = "/mnt/usb1/";

void set_pt(QWidget* w, int pt)
{
    QFont f = w->font();
    f.setPointSize(pt);
    w->setFont(f);
}
} // namespace

QString SmartMapping::chosen_file()
{
    QMutexLocker lock(&Utils::_file_deal_mutex);
    return g_wzfile_name;
}

void SmartMapping::choose_file(const QString& path)
{
    if (wheel())
        return; // a running job 2 may still read it
    QMutexLocker lock(&Utils::_file_deal_mutex);
    g_wzfile_name = path;
}

int SmartMapping::count_scan_files()
{
    QMutexLocker lock(&Utils::_file_deal_mutex);
    // Only whether there is one: the first match ends the look.
    const int device = rcvRecovery::scan_files(QString::fromLatin1(kDeviceFolder), 1).size();
    return device > 0 ? device : rcvRecovery::scan_files(QString::fromLatin1(kStickFolder), 1).size();
}

QLabel* SmartMapping::file_label(int k) const
{
    return k >= 0 && k < FilesPerPage ? m_file_labels[k] : nullptr;
}

int SmartMapping::entries_on_page() const
{
    const int n = file_list.size() - FilesPerPage * current_page;
    return std::max(0, std::min(FilesPerPage, n));
}

// ---- pages ----

void SmartMapping::on_Button_loadscan_clicked()
{
    if (wheel())
        return;
    button_select(ui->Button_loadscan);
    ui->stackedWidget->setCurrentIndex(4);
    language_for_loadscan_page4();
    file_page_shown = false;
}

void SmartMapping::on_Button_paraweld_clicked()
{
    if (wheel())
        return;
    button_select(ui->Button_paraweld);
    ui->stackedWidget->setCurrentIndex(6);
    language_for_paraweld_page6();
    file_page_shown = false;
}

void SmartMapping::on_Button_mapping_clicked()
{
    if (wheel())
        return;
    button_select(ui->Button_mapping);
    // On only when both hold bit 7; an FPGA that does not answer now: what it last answered.
    const int bits = mapping_bits();
    show_mapping_state((bits < 0 ? mirror_bits() : bits) == BothOn);
    ui->stackedWidget->setCurrentIndex(7);
    file_page_shown = false;
    language_for_mapping_onoff_page7();
}

void SmartMapping::on_Button_front_6_clicked()
{
    back_to_loadscan_step1();
}

bool SmartMapping::back_to_loadscan_step1()
{
    if (wheel())
        return false;
    ui->stackedWidget->setCurrentIndex(4);
    return true;
}

// ---- the scan-file list ----

void SmartMapping::on_Button_next_5_clicked()
{
    build_file_list();
    scan_file_list();
    language_for_loadscan_page5();
}

void SmartMapping::build_file_list()
{
    {
        QMutexLocker lock(&Utils::_file_deal_mutex);
        file_list = rcvRecovery::scan_files(QString::fromLatin1(kDeviceFolder));
        smart_file_count = file_list.size();
        const QStringList stick = rcvRecovery::scan_files(QString::fromLatin1(kStickFolder));
        file_list += stick.mid(0, MaxFiles - file_list.size());
    }
    const int count = file_list.size();
    current_page = 0;
    last_page = count == 0 ? 0 : (count - 1) / FilesPerPage;
    file_page_shown = true;
    m_list_stale = false;
    // The choice stays while it is listed; a file that went is no choice.
    if (!file_list.contains(chosen_file()))
        choose_file(QString());
}

QString SmartMapping::file_sheet(int index, bool selected, bool focused) const
{
    return QString::fromLatin1(FileLooks[device_entry(index) ? 0 : 1][focused ? 2 : selected ? 1 : 0]);
}

void SmartMapping::mark_entry(int k, bool focused)
{
    const int i = FilesPerPage * current_page + k;
    if (QLabel* l = file_label(k))
        l->setStyleSheet(file_sheet(i, m_file_paths[k] == chosen_file(), focused));
}

void SmartMapping::scan_file_list(unsigned char)
{
    if (m_file_frame) {
        // A page arrow of the old frame may be the very sender of this redraw.
        m_file_frame->hide();
        m_file_frame->setObjectName(QString());
        m_file_frame->deleteLater();
    }
    for (int k = 0; k < FilesPerPage; ++k) {
        m_file_labels[k] = nullptr;
        m_file_buttons[k] = nullptr;
        m_file_paths[k].clear();
    }
    m_file_frame = new QFrame(ui->page_6);
    m_file_frame->setObjectName(QStringLiteral("frame_file"));
    m_file_frame->setGeometry(10, 55, 220, 90);
    m_file_frame->setStyleSheet(QString::fromLatin1(FileFrame));
    QFont small = font();
    small.setPointSize(7);

    if (file_list.isEmpty()) {
        auto* none = new QLabel(m_file_frame);
        none->setGeometry(5, 5, 200, 40);
        none->setFont(small);
        none->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        none->setStyleSheet(QString::fromLatin1(FileLooks[0][0]));
        none->setText(kit::text(Txt::smartmapping_no_file));
        choose_file(QString());
    }
    for (int k = 0; k < entries_on_page(); ++k) {
        const QString path = file_list[FilesPerPage * current_page + k];
        const QStringList parts = path.split(QLatin1Char('/'));
        if (parts.size() < 4)
            continue;
        QString name = parts[3];
        name.remove(QLatin1Char('\n'));
        auto* label = new QLabel(m_file_frame);
        label->setGeometry(5, 5 + 25 * k, 190, 20);
        label->setFont(small);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        label->setTextFormat(Qt::PlainText); // a name from the stick is never markup
        label->setText(name);
        auto* button = new QPushButton(m_file_frame);
        button->setGeometry(5, 5 + 25 * k, 190, 20);
        button->setStyleSheet(QString::fromLatin1(Transparent));
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setObjectName(QString::number(k));
        connect(button, &QPushButton::clicked, this, &SmartMapping::yuq_button_file_clicked);
        m_file_labels[k] = label;
        m_file_buttons[k] = button;
        m_file_paths[k] = path;
        const bool focused = loadscan_page == 1 && !loadscan_on_buttons && k == loadscan_entry_select;
        mark_entry(k, focused);
    }
    auto arrow = [this](int y, const char* picture) {
        auto* b = new QPushButton(m_file_frame);
        b->setGeometry(200, y, 15, 20);
        b->setStyleSheet(QString::fromLatin1(Arrow));
        b->setFocusPolicy(Qt::NoFocus);
        kit::set_icon(b, kit::pic(QString::fromLatin1(picture)), 15, 20);
        return b;
    };
    if (current_page > 0)
        connect(arrow(5, "previous.png"), &QPushButton::clicked, this, &SmartMapping::yuq_Button_previous_clicked);
    if (current_page < last_page)
        connect(arrow(55, "next.png"), &QPushButton::clicked, this, &SmartMapping::yuq_Button_next_clicked);
    m_file_frame->show();
    ui->stackedWidget->setCurrentIndex(5);
}

void SmartMapping::yuq_Button_next_clicked()
{
    if (wheel())
        return;
    current_page = current_page >= last_page ? 0 : current_page + 1;
    YUQ_TRACE("\n yuq_Button_next_clicked  current_page = %d\n", current_page);
    scan_file_list();
}

void SmartMapping::yuq_Button_previous_clicked()
{
    if (wheel())
        return;
    current_page = std::max(0, current_page - 1);
    YUQ_TRACE("\n yuq_Button_previous_clicked  current_page = %d\n", current_page);
    scan_file_list();
}

void SmartMapping::yuq_button_file_clicked()
{
    if (wheel())
        return;
    bool ok = false;
    const int k = sender() ? sender()->objectName().toInt(&ok) : -1;
    if (!ok || k < 0 || k >= entries_on_page() || m_file_paths[k].isEmpty())
        return;
    choose_file(m_file_paths[k]);
    YUQ_TRACE("\n scan file chosen: %s\n", qPrintable(m_file_paths[k]));
    for (int i = 0; i < entries_on_page(); ++i)
        mark_entry(i, i == k);
}

// ---- jobs ----

void SmartMapping::on_Button_load_clicked()
{
    if (chosen_file().isEmpty() || wheel())
        return;
    post_job(JobScanFile);
}

void SmartMapping::on_Button_confirm_clicked()
{
    post_job(JobCure);
}

int SmartMapping::mapping_bits() const
{
    fpga_manage* f = fpga_manage::p_fpga_manage;
    if (!f)
        return -1;
    // Both read, whatever the first answers: the mirrors hold each FPGA's last answer.
    const bool first = f->read_from_register(0, 0) == 0;
    const bool second = f->read_from_register(0, 1) == 0;
    if (!first || !second)
        return -1;
    return mirror_bits();
}

int SmartMapping::mirror_bits() const
{
    fpga_manage* f = fpga_manage::p_fpga_manage;
    return f ? ((f->MCU_REG_func[0][0] & 0x80) ? 1 : 0) | ((f->MCU_REG_func[1][0] & 0x80) ? 2 : 0) : 0;
}

void SmartMapping::show_mapping_state(bool on)
{
    kit::set_icon(ui->Button_mapping_state, kit::pic(on ? QStringLiteral("button_on.png") : QStringLiteral("button_off.png")),
                  40, 20);
    ui->Button_mapping_state->setText(QString());
}

namespace {
// Bit 7 of FPGA 0 and FPGA 1 from bits 0 and 1 of `bits`.
void write_mapping_bits(fpga_manage* f, int bits)
{
    for (int fpga = 0; fpga < 2; ++fpga)
        f->write_to_register(0, 0x80, (bits >> fpga & 1) ? 0x80 : 0, uint8_t(fpga));
}
} // namespace

void SmartMapping::on_Button_mapping_state_clicked()
{
    // The FPGAs' bit 7 changes only together with a job that tells the cards, and put back
    // when the job fails.
    if (wheel() || !card_job_postable())
        return;
    fpga_manage* f = fpga_manage::p_fpga_manage;
    const int bits = mapping_bits();
    if (bits < 0 || !f->get_fpga_status()) {
        // A switch that cannot run leaves both bits and the picture as they are, and says why.
        show_outcome(JobNoFpga);
        return;
    }
    // One FPGA alone counts as off: then both are turned on.
    const bool was_on = bits == BothOn;
    write_mapping_bits(f, was_on ? 0 : BothOn);
    show_mapping_state(!was_on);
    m_switch_undo = bits;
    g_send_para.value = was_on ? 0u : 9u;
    if (!post_job(JobMapSwitch))
        undo_switch();
}

void SmartMapping::undo_switch()
{
    if (m_switch_undo < 0)
        return;
    // Each FPGA's own bit back, also where one alone held it.
    if (fpga_manage* f = fpga_manage::p_fpga_manage)
        write_mapping_bits(f, m_switch_undo);
    show_mapping_state(m_switch_undo == BothOn);
    m_switch_undo = -1;
}

void SmartMapping::request(int what, int value, const QString& text)
{
    if (what != kit::ReqJobOutcome) {
        PanelDialog::request(what, value, text);
        return;
    }
    m_outcome = value;
    if (value != JobDone)
        undo_switch();
    m_switch_undo = -1; // job 4 done: its bit stays
}

void SmartMapping::show_outcome(int outcome)
{
    m_shown_outcome = outcome;
    if (outcome != JobDone)
        show_failure();
}

void SmartMapping::show_failure()
{
    static const Txt kWhy[] = {Txt::smartmapping_failed_no_answer, Txt::smartmapping_failed_fpga,
                               Txt::smartmapping_failed_no_answer, Txt::smartmapping_failed_no_link,
                               Txt::smartmapping_failed_file,      Txt::smartmapping_failed_nothing};
    const int n = int(sizeof kWhy / sizeof kWhy[0]);
    if (m_shown_outcome != JobDone)
        kit::show_failure(m_failure, kit::text(kWhy[m_shown_outcome > 0 && m_shown_outcome < n ? m_shown_outcome : 0]));
}

void SmartMapping::job_progress(int value)
{
    // The wheel's end: a failed job says why until the next key; a done one shows nothing new.
    if (value > 99) {
        show_outcome(m_outcome);
        m_outcome = JobDone;
    }
    // A stick event during the job: the list is rebuilt once the wheel has gone.
    if (value > 99 && m_list_stale)
        QMetaObject::invokeMethod(this, [this] {
            if (!wheel() && m_list_stale && page_index() == 5) {
                on_Button_next_5_clicked();
                menulist_loadscan_page2_init();
            }
        }, Qt::QueuedConnection);
}

void SmartMapping::refresh(kit::Refresh code)
{
    switch (code) {
    case kit::Refresh::StickInserted: YUQ_TRACE("\n yes ,got the usb in"); return;
    case kit::Refresh::StickRemoved:
    case kit::Refresh::StickMounted: {
        scan_file_found = count_scan_files();
        if (m_menu[menu_select] != ui->Button_loadscan || menu_entered)
            ui->Button_loadscan->setStyleSheet(QString::fromLatin1(scan_file_found == 0 ? Disabled : Normal));
        // Only the list in front follows the stick; elsewhere Next builds it afresh.
        if (page_index() != 5)
            return;
        if (wheel()) {
            m_list_stale = true;
            return;
        }
        on_Button_next_5_clicked();
        menulist_loadscan_page2_init();
        return;
    }
    default: ScreenBase::refresh(code); return;
    }
}

// ---- texts ----

void SmartMapping::language_for_loadscan_page4()
{
    if (!texts_due(4))
        return;
    const int lang = kit::shown_language();
    ui->label_step1_5->setText(kit::text(Txt::smartmapping_step1_loadscan));
    ui->Button_next_5->setText(kit::text(Txt::smartmapping_next));
    set_pt(ui->Button_next_5, lang == 2 || lang == 3 ? 7 : 9);
    const QString group = kit::text(Txt::smartmapping_port_group);
    ui->Button_wlan5->setText(group.arg(1).arg(8));
    ui->Button_wlan6->setText(group.arg(9).arg(16));
    ui->Button_wlan7->setText(group.arg(17).arg(20));
}

void SmartMapping::language_for_loadscan_page5()
{
    if (!texts_due(5))
        return;
    const int lang = kit::shown_language();
    ui->label_step2_6->setText(kit::text(Txt::smartmapping_step2_loadscan));
    ui->label_step2_7->setText(kit::text(Txt::smartmapping_detected));
    ui->Button_front_6->setText(kit::text(Txt::smartmapping_previous));
    ui->Button_load->setText(kit::text(Txt::smartmapping_load));
    for (QWidget* w : {static_cast<QWidget*>(ui->label_step2_6), static_cast<QWidget*>(ui->Button_front_6),
                       static_cast<QWidget*>(ui->Button_load)})
        set_pt(w, 9);
    ui->Button_front_6->setProperty("fit_base", QVariant()); // from the size just set
    kit::fit_text(ui->Button_front_6);
    set_pt(ui->label_step2_7, lang == 2 || lang == 3 ? 6 : 9);
    ui->label_step2_7->setProperty("fit_base", QVariant()); // from the size just set
    kit::fit_text_remembered(ui->label_step2_7); // two lines in its 20 px
}

void SmartMapping::language_for_paraweld_page6()
{
    if (!texts_due(6))
        return;
    const int pt = kit::shown_language() == 2 ? 7 : 9;
    ui->label_step1_6->setText(kit::text(Txt::smartmapping_paraweld));
    ui->Button_confirm->setText(kit::text(Txt::smartmapping_confirm));
    set_pt(ui->label_step1_6, pt);
    set_pt(ui->Button_confirm, pt);
}

void SmartMapping::language_for_mapping_onoff_page7()
{
    if (!texts_due(7))
        return;
    ui->label_step1_7->setText(kit::text(Txt::smartmapping_mapping_switch));
    set_pt(ui->label_step1_7, kit::shown_language() == 2 ? 7 : 9);
}

// ---- keypad in Load scan ----

void SmartMapping::menulist_loadscan_page1_init(unsigned char enter)
{
    const int port = line_type.port.load();
    group_clicked(port < 8 ? 0 : port < 16 ? 1 : 2, true);
    loadscan_select = port_group;
    loadscan_grid_active = false;
    loadscan_port_chosen = false;
    loadscan_page = 0;
    ui->Button_next_5->setStyleSheet(QString::fromLatin1(Normal));
    if (enter) {
        m_group_highlight->setStyleSheet(QString::fromLatin1(Focused));
        m_menu[1]->setStyleSheet(QString::fromLatin1(MenuActive));
    } else {
        m_group_highlight->setStyleSheet(QString::fromLatin1(Normal));
    }
}

void SmartMapping::menulist_loadscan_page1_move(int dir)
{
    if (loadscan_grid_active) {
        grid_move(dir, true);
        return;
    }
    YUQ_TRACE("this is load_scan_page1 %s-code [smartmapping][Release],%#x\n", dir > 0 ? "right" : "left",
              int(loadscan_select));
    (loadscan_select == 3 ? ui->Button_next_5 : m_group_highlight)->setStyleSheet(QString::fromLatin1(Normal));
    loadscan_select = uint8_t(kit::step(loadscan_select, 4, dir));
    if (loadscan_select < PortGroups)
        group_clicked(loadscan_select, true);
    (loadscan_select == 3 ? ui->Button_next_5 : m_group_highlight)->setStyleSheet(QString::fromLatin1(Focused));
}

void SmartMapping::menulist_loadscan_page1_sel_recovery()
{
    m_group_highlight->setStyleSheet(QString::fromLatin1(Focused));
}

void SmartMapping::menulist_loadscan_page2_init()
{
    ui->Button_front_6->setStyleSheet(QString::fromLatin1(Normal));
    ui->Button_load->setStyleSheet(QString::fromLatin1(Normal));
    loadscan_button_select = file_list.isEmpty() ? 0 : 1;
    if (file_list.isEmpty())
        ui->Button_front_6->setStyleSheet(QString::fromLatin1(Focused));
    loadscan_entry_select = 0;
    loadscan_on_buttons = false;
    loadscan_page = 1;
    for (int k = 0; k < entries_on_page(); ++k)
        mark_entry(k, k == 0);
}

void SmartMapping::menulist_loadscan_page2_move(int dir)
{
    const int n = entries_on_page();
    if (loadscan_on_buttons || n == 0) {
        QPushButton* b[2] = {ui->Button_front_6, ui->Button_load};
        b[loadscan_button_select]->setStyleSheet(QString::fromLatin1(Normal));
        loadscan_button_select ^= 1;
        b[loadscan_button_select]->setStyleSheet(QString::fromLatin1(Focused));
        return;
    }
    int k = loadscan_entry_select + dir;
    if (k >= n || (k < 0 && current_page > 0)) {
        // Past the page's end: the next or previous page, refused with the paging while a job runs.
        if (wheel())
            return;
        if (k >= n) {
            loadscan_entry_select = 0;
            yuq_Button_next_clicked();
            k = 0;
        } else {
            loadscan_entry_select = FilesPerPage - 1;
            yuq_Button_previous_clicked();
            k = entries_on_page() - 1;
        }
    }
    k = std::max(0, k);
    loadscan_entry_select = uint8_t(k);
    for (int i = 0; i < entries_on_page(); ++i)
        mark_entry(i, i == k);
}

void SmartMapping::menulist_loadscan_button_ok_page()
{
    YUQ_TRACE("\n this is loadscan ok button(SmartMapping)(file=%d) \n", int(file_list.size()));
    if (loadscan_page == 0) {
        if (loadscan_grid_active) {
            loadscan_grid_active = false;
            if (m_cell_buttons[port_index])
                m_cell_buttons[port_index]->click();
            menulist_loadscan_page1_sel_recovery();
            loadscan_port_chosen = true;
        } else if (loadscan_select == 3) {
            on_Button_next_5_clicked();
            menulist_loadscan_page2_init();
        } else {
            loadscan_grid_active = true;
            port_saved = line_type.port.load();
            if (loadscan_select == 2)
                set_port(16);
            group_clicked(loadscan_select, true);
            m_group_highlight->setStyleSheet(QString::fromLatin1(MenuActive));
        }
        return;
    }
    const int n = entries_on_page();
    if (!loadscan_on_buttons && n > 0) {
        if (wheel())
            return; // the choice stays as it is while a job runs
        if (m_file_buttons[loadscan_entry_select])
            m_file_buttons[loadscan_entry_select]->click();
        loadscan_on_buttons = true;
        (loadscan_button_select ? ui->Button_load : ui->Button_front_6)->setStyleSheet(QString::fromLatin1(Focused));
        mark_entry(loadscan_entry_select, false);
        return;
    }
    if (loadscan_button_select == 0) {
        if (back_to_loadscan_step1())
            loadscan_page = 0;
        return;
    }
    on_Button_load_clicked();
    if (n > 0) {
        ui->Button_load->setStyleSheet(QString::fromLatin1(Normal));
        loadscan_on_buttons = false;
        mark_entry(loadscan_entry_select, true);
    }
}

void SmartMapping::menulist_loadscan_back_page()
{
    YUQ_TRACE("\n this is loadscan back button(SmartMapping)(file=%d) \n", int(file_list.size()));
    if (loadscan_page == 0) {
        if (loadscan_grid_active) {
            // Leaving the grid undoes its moves: the port is the one held before, or the one confirmed.
            loadscan_grid_active = false;
            set_port(port_saved);
            group_clicked(loadscan_select, true);
            menulist_loadscan_page1_sel_recovery();
        } else {
            menu_entered = false;
            m_group_highlight->setStyleSheet(QString::fromLatin1(Normal));
            ui->Button_next_5->setStyleSheet(QString::fromLatin1(Normal));
            menulist_fuc_sel_default();
        }
        return;
    }
    const int n = entries_on_page();
    if (loadscan_on_buttons && n > 0) {
        (loadscan_button_select ? ui->Button_load : ui->Button_front_6)->setStyleSheet(QString::fromLatin1(Normal));
        loadscan_on_buttons = false;
        mark_entry(loadscan_entry_select, true);
        return;
    }
    if (!back_to_loadscan_step1())
        return;
    loadscan_page = 0;
    ui->Button_front_6->setStyleSheet(QString::fromLatin1(Normal));
    ui->Button_load->setStyleSheet(QString::fromLatin1(Normal));
    language_for_loadscan_page4();
}

// ---- keypad in Curing parameter and Mapping ----

void SmartMapping::menulist_paraweld_page1_init()
{
    m_menu[2]->setStyleSheet(QString::fromLatin1(MenuActive));
    ui->Button_confirm->setStyleSheet(QString::fromLatin1(Focused));
}

void SmartMapping::menulist_mapping_page1_init()
{
    m_menu[3]->setStyleSheet(QString::fromLatin1(MenuActive));
    ui->Button_mapping_state->setStyleSheet(QString::fromLatin1(Focused));
}
