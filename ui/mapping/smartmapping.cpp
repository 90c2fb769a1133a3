#include "smartmapping.h"
#include "smartmapping_styles.h"
#include "ui_smartmapping.h"

#include "fpga/card_jobs.h"
#include "ui/shell/QRoundProgressBar.h"
#include "ui/shell/screens.h"
#include "core/yuqrampara.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <limits>

using namespace mapping_style;

namespace {
void set_pt(QWidget* w, int pt)
{
    QFont f = w->font();
    f.setPointSize(pt);
    w->setFont(f);
}

// Shrinks a label's font from the size just set until its text fits (long translations).
void fit(QLabel* l)
{
    if (l->text().contains(QLatin1Char('\n')))
        return; // broken into lines by the text itself
    l->setProperty("fit_base", QVariant());
    kit::fit_text_remembered(l);
}

// Style of a focus-list widget: the number fields have entry looks, buttons normal ones.
void focus_look(QWidget* w, bool focused)
{
    const bool field = qobject_cast<QLineEdit*>(w) != nullptr;
    w->setStyleSheet(QString::fromLatin1(field ? (focused ? FocusedEntry : Entry) : (focused ? Focused : Normal)));
}

// Buttons take the focused-entry look on steps 2 and 3 and in the route picker.
void entry_look(QWidget* w, bool focused)
{
    if (qobject_cast<QLineEdit*>(w))
        focus_look(w, focused);
    else
        w->setStyleSheet(QString::fromLatin1(focused ? FocusedEntry : Normal));
}
} // namespace

SmartMapping::SmartMapping(QWidget* parent) : PanelDialog(page::SmartMapping, parent), ui(new Ui::SmartMapping)
{
    ui->setupUi(this);
    ui->stackedWidget->setCurrentIndex(0);
    m_menu_highlight = ui->Button_shortcut;
    m_group_highlight = ui->Button_wlan1;
    ui->Button_shortcut->setStyleSheet(QString::fromLatin1(Focused));

    // Three port groups on both grids: ports 1-8, 9-16 and 17-20.
    ui->Button_wlan4->hide();
    ui->Button_wlan8->hide();
    ui->Button_wlan4->setText(QString());
    ui->Button_wlan8->setText(QString());
    show_mapping_state(false); // the switch shows a picture, read when its page opens
    QPushButton* groups[2][PortGroups] = {{ui->Button_wlan1, ui->Button_wlan2, ui->Button_wlan3},
                                          {ui->Button_wlan5, ui->Button_wlan6, ui->Button_wlan7}};
    for (int set = 0; set < 2; ++set) {
        for (int g = 0; g < PortGroups; ++g) {
            groups[set][g]->setGeometry(10 + 60 * g, 32, 55, 17);
            connect(groups[set][g], &QPushButton::clicked, this, [this, g, set] { group_clicked(g, set == 1); });
        }
    }
    QToolButton* routes[17] = {ui->Button_route1,  ui->Button_route2,  ui->Button_route3,  ui->Button_route4,
                               ui->Button_route5,  ui->Button_route6,  ui->Button_route7,  ui->Button_route8,
                               ui->Button_route9,  ui->Button_route10, ui->Button_route11, ui->Button_route12,
                               ui->Button_route13, ui->Button_route14, ui->Button_route15, ui->Button_route16,
                               ui->Button_cancel};
    for (int i = 0; i < 17; ++i)
        m_routes[i] = routes[i];
    for (int i = 0; i < 16; ++i) {
        connect(routes[i], &QToolButton::clicked, this, [this, i] {
            line_select(i + 1);
            route_picker_open = false;
            ui->stackedWidget->setCurrentIndex(2);
        });
    }
    QWidget* p1[3] = {ui->lineEdit_X, ui->lineEdit_Y, ui->Button_next};
    std::copy(p1, p1 + 3, m_page1_focus);
    QWidget* p2[5] = {ui->Button_wlan1, ui->Button_wlan2, ui->Button_wlan3, ui->Button_front_2, ui->Button_next_2};
    std::copy(p2, p2 + 5, m_page2_focus);
    QWidget* p3[7] = {ui->lineEdit_line,  ui->lineEdit_column, ui->Button_route, ui->lineEdit_horzion,
                      ui->lineEdit_vert,  ui->Button_front_3,  ui->Button_send};
    std::copy(p3, p3 + 7, m_page3_focus);

    menulist_init();
    retext();
    menu_select = 0;
    file_page_shown = false;
    line_type.port = 0;
    line_type.route = 1;

    m_numbers = new kit::NumberFields(
        this, [this](const QLineEdit* f) { return pad_title(f); },
        [this](QLineEdit* f, const QString& v) { apply_number(f, v); });
    for (My_lineEdit* f : {ui->lineEdit_X, ui->lineEdit_Y, ui->lineEdit_line, ui->lineEdit_column,
                           ui->lineEdit_horzion, ui->lineEdit_vert})
        m_numbers->add(f);
    // Job ends also reach the list (a stick event during the job rebuilds it then).
    connect(this, &SmartMapping::sig_qround_bar_update, this, &SmartMapping::job_progress);

    // Where the wheel stood, over the page, like the recovery screen's note.
    m_failure = kit::failure_line(this, QRect(80, 108, 230, 24), "label_job_failed");
}

SmartMapping::~SmartMapping()
{
    delete ui;
}

int SmartMapping::page_index() const
{
    return ui->stackedWidget->currentIndex();
}

// ---- frame and menu ----

void SmartMapping::menulist_init()
{
    QPushButton* menu[4] = {ui->Button_shortcut, ui->Button_loadscan, ui->Button_paraweld, ui->Button_mapping};
    std::copy(menu, menu + 4, m_menu);
    menu_select = 0;
    menu_entered = false;
    shortcut_page = 0;
}

bool SmartMapping::wheel() const
{
    return g_qround_bar != nullptr;
}

bool SmartMapping::post_job(uint8_t job)
{
    // Refused before a wheel exists: no FPGA side, a job pending, the upgrade running.
    if (wheel() || !card_job_postable())
        return false;
    QRoundProgressBar::create_qround_bar(this);
    connect(this, &SmartMapping::sig_qround_bar_update, g_qround_bar, &QRoundProgressBar::para_sync);
    // The job word last: whatever the job reports from now on finds the wheel.
    if (!post_card_job(job)) {
        g_qround_bar->para_sync(100); // no job will ever end it
        return false;
    }
    return true;
}

void SmartMapping::button_select(QPushButton* b)
{
    if (m_menu_highlight)
        kit::set_sheet(m_menu_highlight, QString::fromLatin1(Normal));
    m_menu_highlight = b;
    kit::set_sheet(b, QString::fromLatin1(Focused));
}

void SmartMapping::wlan_foucus_style(QPushButton* b)
{
    if (m_group_highlight)
        m_group_highlight->setStyleSheet(QString::fromLatin1(Normal));
    m_group_highlight = b;
    b->setStyleSheet(QString::fromLatin1(Selected));
}

void SmartMapping::menulist_fuc_sel_default()
{
    kit::set_sheet(m_menu[menu_select], QString::fromLatin1(Focused));
}

void SmartMapping::menu_move(int dir)
{
    kit::set_sheet(m_menu[menu_select], QString::fromLatin1(menu_select == 1 && scan_file_found == 0 ? Disabled : Normal));
    int n = kit::step(menu_select, 4, dir);
    if (n == 1 && scan_file_found == 0)
        n = kit::step(n, 4, dir);
    menu_select = uint8_t(n);
    kit::set_sheet(m_menu[n], QString::fromLatin1(Focused));
    menulist_main_sel();
}

void SmartMapping::menulist_main_sel()
{
    switch (menu_select) {
    case 0:
        ui->stackedWidget->setCurrentIndex(0);
        language_for_shortcutt_page0();
        break;
    case 1:
        ui->stackedWidget->setCurrentIndex(4);
        menulist_loadscan_page1_init(0);
        language_for_loadscan_page4();
        break;
    case 2:
        ui->stackedWidget->setCurrentIndex(6);
        language_for_paraweld_page6();
        break;
    default: on_Button_mapping_clicked(); break;
    }
}

bool SmartMapping::show_function(int function)
{
    if (wheel())
        return false;
    switch (function) {
    case 0: return show_shortcut();
    case 1: on_Button_loadscan_clicked(); break;
    case 2: on_Button_paraweld_clicked(); break;
    default: on_Button_mapping_clicked(); break;
    }
    return true;
}

void SmartMapping::key_left()
{
    key_move(-1);
}

void SmartMapping::key_right()
{
    key_move(1);
}

void SmartMapping::key_move(int dir)
{
    if (!menu_entered) {
        // The menu shows each function's page as it moves: not while a job runs.
        if (!wheel())
            menu_move(dir);
        return;
    }
    if (menu_select == 0) {
        if (shortcut_page == 0)
            menulist_shortcut_page1_move(dir);
        else if (shortcut_page == 1)
            menulist_shortcut_page2_move(dir);
        else if (route_picker_open)
            menulist_shortcut_page3_button_route_move(dir);
        else
            menulist_shortcut_page3_move(dir);
    } else if (menu_select == 1) {
        if (loadscan_page == 0)
            menulist_loadscan_page1_move(dir);
        else
            menulist_loadscan_page2_move(dir);
    }
}

void SmartMapping::key_ok()
{
    if (!menu_entered) {
        if (!show_function(menu_select))
            return; // a job runs: the menu keeps the keys
        switch (menu_select) {
        case 0: menulist_shortcut_page1_init(); break;
        case 1: menulist_loadscan_page1_init(1); break;
        case 2: menulist_paraweld_page1_init(); break;
        default: menulist_mapping_page1_init(); break;
        }
        menu_entered = true;
        return;
    }
    switch (menu_select) {
    case 0: menulist_shortcut_button_ok_page(); break;
    case 1: menulist_loadscan_button_ok_page(); break;
    case 2:
        on_Button_confirm_clicked();
        on_Button_paraweld_clicked(); // refused once the wheel exists
        break;
    default: on_Button_mapping_state_clicked(); break;
    }
}

void SmartMapping::keyReleaseEvent(QKeyEvent* e)
{
    // The next key takes the failure line away, then does what it does.
    if (m_shown_outcome != JobDone) {
        m_shown_outcome = JobDone;
        m_failure->hide();
    }
    PanelDialog::keyReleaseEvent(e);
}

void SmartMapping::key_back()
{
    if (!menu_entered) {
        back();
        return;
    }
    switch (menu_select) {
    case 0: menulist_shortcut_back_page(); break;
    case 1: menulist_loadscan_back_page(); break;
    default: menulist_function_back_page(); break;
    }
}

void SmartMapping::back()
{
    if (wheel())
        return;
    kit::close_by_back(this);
}

void SmartMapping::menulist_function_back_page()
{
    // Curing and mapping: the menu has the keys again.
    (menu_select == 2 ? ui->Button_confirm : ui->Button_mapping_state)->setStyleSheet(QString::fromLatin1(Normal));
    menulist_fuc_sel_default();
    menu_entered = false;
}

void SmartMapping::retext()
{
    switch (menu_select) {
    case 0:
        switch (page_index()) {
        case 1: language_for_shortcutt_page1(); break;
        case 2: language_for_shortcutt_page2(); break;
        case 3: language_for_shortcutt_page3(); break;
        default:
            YUQ_TRACE("\n language changed %#x\n", page_index());
            language_for_shortcutt_page0();
            break;
        }
        break;
    case 1:
        if (page_index() == 5)
            language_for_loadscan_page5();
        else
            language_for_loadscan_page4();
        break;
    case 2: language_for_paraweld_page6(); break;
    default: language_for_mapping_onoff_page7(); break;
    }
    scan_file_found = count_scan_files();

    ui->label_title->setText(kit::text(Txt::smartmapping_title));
    ui->Button_shortcut->setText(kit::text(Txt::smartmapping_menu_shortcut));
    ui->Button_loadscan->setText(kit::text(Txt::smartmapping_menu_loadscan));
    ui->Button_paraweld->setText(kit::text(Txt::smartmapping_menu_paraweld));
    ui->Button_mapping->setText(kit::text(Txt::smartmapping_menu_mapping));
    style_menu_fonts();
    kit::fit_text_remembered(ui->label_title); // the Vietnamese title

    const char* look = scan_file_found == 0 ? Disabled : (m_menu[menu_select] == ui->Button_loadscan && !menu_entered ? Focused : Normal);
    kit::set_sheet(ui->Button_loadscan, QString::fromLatin1(look));
    if (m_failure && m_shown_outcome != JobDone)
        show_failure();
}

void SmartMapping::style_menu_fonts()
{
    // Point sizes of the four menu buttons, their height and the y of each.
    struct Look
    {
        int pt[4];
        int height;
        int y[4];
    };
    static const Look chinese{{9, 9, 9, 9}, 20, {42, 77, 111, 145}};
    static const Look looks[5] = {chinese,
                                  {{7, 7, 7, 7}, 30, {42, 87, 132, 177}},
                                  {{6, 6, 7, 7}, 30, {42, 87, 132, 177}},
                                  {{6, 7, 7, 7}, 30, {42, 87, 132, 177}},
                                  chinese};
    const Look& l = looks[kit::shown_language()];
    for (int i = 0; i < 4; ++i) {
        set_pt(m_menu[i], l.pt[i]);
        m_menu[i]->setGeometry(5, l.y[i], 65, l.height);
        m_menu[i]->setProperty("fit_base", QVariant()); // from the size just set
        kit::fit_text(m_menu[i]); // "сканирование" in the focused look's frame
    }
}

// The texts of a page are set when it is shown first and again after a language change:
// moving through the menu shows the pages over and over.
bool SmartMapping::texts_due(int page)
{
    const int lang = kit::shown_language();
    if (m_texted[page] == lang)
        return false;
    m_texted[page] = lang;
    return true;
}

void SmartMapping::language_for_shortcutt_page0()
{
    if (!texts_due(0))
        return;
    ui->label_step1->setText(kit::text(Txt::smartmapping_step1));
    fit(ui->label_step1);
    ui->label_boxwidth->setText(kit::text(Txt::smartmapping_boxwidth));
    ui->label_boxheight->setText(kit::text(Txt::smartmapping_boxheight));
    ui->Button_next->setText(kit::text(Txt::smartmapping_next));
    const int lang = kit::shown_language();
    set_pt(ui->Button_next, lang == 2 || lang == 3 ? 7 : 9);
}


// ---- Debugging screen: pages and handlers ----

void SmartMapping::on_Button_shortcut_clicked()
{
    show_shortcut();
}

bool SmartMapping::show_shortcut()
{
    if (wheel())
        return false;
    ui->stackedWidget->setCurrentIndex(0);
    file_page_shown = false;
    language_for_shortcutt_page0();
    return true;
}

void SmartMapping::on_Button_next_clicked()
{
    line_type.cabinet_w = uint16_t(field_value(ui->lineEdit_X));
    line_type.cabinet_h = uint16_t(field_value(ui->lineEdit_Y));
    group_clicked(0, false);
    language_for_shortcutt_page1();
    ui->stackedWidget->setCurrentIndex(1);
}

void SmartMapping::on_Button_front_2_clicked()
{
    ui->stackedWidget->setCurrentIndex(0);
}

void SmartMapping::on_Button_next_2_clicked()
{
    ui->stackedWidget->setCurrentIndex(2);
    language_for_shortcutt_page2();
}

void SmartMapping::on_Button_front_3_clicked()
{
    back_to_step2();
}

bool SmartMapping::back_to_step2()
{
    if (wheel())
        return false;
    ui->stackedWidget->setCurrentIndex(1);
    return true;
}

void SmartMapping::on_Button_route_clicked()
{
    ui->stackedWidget->setCurrentIndex(3);
    language_for_shortcutt_page3();
}

void SmartMapping::on_Button_cancel_clicked()
{
    route_picker_open = false;
    ui->stackedWidget->setCurrentIndex(2);
}

void SmartMapping::on_Button_send_clicked()
{
    if (wheel() || !card_job_postable())
        return;
    line_type.rows = uint8_t(field_value(ui->lineEdit_line));
    line_type.cols = uint8_t(field_value(ui->lineEdit_column));
    line_type.offset_x = uint16_t(field_value(ui->lineEdit_horzion));
    line_type.offset_y = uint16_t(field_value(ui->lineEdit_vert));
    YUQ_TRACE("\n set the route_way = %d \n", int(line_type.route.load()));
    post_job(JobMapping);
}

// ---- number fields ----

namespace {
// The largest value each field's record field holds: the pad's value is clamped to it.
int field_limit(const QString& name)
{
    if (name == QLatin1String("lineEdit_line") || name == QLatin1String("lineEdit_column"))
        return std::numeric_limits<uint8_t>::max();
    return std::numeric_limits<uint16_t>::max();
}
} // namespace

int SmartMapping::field_value(const QLineEdit* field) const
{
    bool ok = false;
    const qlonglong v = field->text().toLongLong(&ok);
    if (!ok || v < 0)
        return 0;
    return int(std::min<qlonglong>(v, field_limit(field->objectName())));
}

void SmartMapping::apply_number(QLineEdit* field, const QString& value)
{
    // The pad gives any run of digits: the field shows what its record field can hold.
    const QString digits = value.trimmed();
    bool ok = false;
    qulonglong v = digits.toULongLong(&ok);
    if (!ok)
        v = digits.isEmpty() ? 0 : std::numeric_limits<qulonglong>::max(); // too many digits
    field->setText(QString::number(std::min<qulonglong>(v, qulonglong(field_limit(field->objectName())))));
}

QString SmartMapping::pad_title(const QLineEdit* field) const
{
    const QString name = field->objectName();
    const Txt titles[] = {Txt::smartmapping_pad_width, Txt::smartmapping_pad_height, Txt::smartmapping_pad_rows,
                          Txt::smartmapping_pad_lines, Txt::smartmapping_pad_horizontal, Txt::smartmapping_pad_vertical};
    const char* const fields[] = {"lineEdit_X",      "lineEdit_Y",       "lineEdit_line",
                                  "lineEdit_column", "lineEdit_horzion", "lineEdit_vert"};
    for (int i = 0; i < 6; ++i)
        if (name == QLatin1String(fields[i]))
            return kit::text(titles[i]);
    return QString();
}

// ---- port grid ----

void SmartMapping::group_clicked(int group, bool loadscan)
{
    QPushButton* b[2][PortGroups] = {{ui->Button_wlan1, ui->Button_wlan2, ui->Button_wlan3},
                                     {ui->Button_wlan5, ui->Button_wlan6, ui->Button_wlan7}};
    wlan_foucus_style(b[loadscan][group]);
    port_group = uint8_t(group);
    // The keys start from the cell the grid marks (the port held, when it lies in this
    // group): a move or OK from another cell would leave two cells marked.
    const int cell = line_type.port.load() - 8 * group;
    port_index = uint8_t(cell >= 0 && cell < (group == 2 ? 4 : 8) ? cell : 0);
    wlan_init(loadscan ? 1 : 0);
}

void SmartMapping::wlan_init(unsigned char page, unsigned char)
{
    if (m_grid) {
        m_grid->hide();
        m_grid->deleteLater(); // a cell's button may be sending now
    }
    for (int i = 0; i < 8; ++i) {
        m_cell_buttons[i] = nullptr;
        m_cell_frames[i] = nullptr;
    }
    m_grid = new QFrame(page == 0 ? ui->page_2 : ui->page_5);
    m_grid->setGeometry(1, 59, 230, 88);
    const int cells = port_group == 2 ? 4 : 8;
    const int port = line_type.port.load();
    QFont small = font();
    small.setPixelSize(8);
    for (int i = 0; i < cells; ++i) {
        const int c = i % 4, r = i / 4;
        auto* frame = new QFrame(m_grid);
        frame->setGeometry(10 + 55 * c, 2 + 45 * r, 50, 40);
        frame->setStyleSheet(QString::fromLatin1(i + 8 * port_group == port ? CellMarked : CellUnmarked));
        m_cell_frames[i] = frame;
        auto* pic = new QLabel(m_grid);
        pic->setGeometry(25 + 55 * c, 5 + 45 * r, 22, 15);
        pic->setScaledContents(true);
        kit::set_picture(pic, kit::pic(QStringLiteral("offline.png")));
        auto* text = new QLabel(m_grid);
        text->setGeometry(14 + 55 * c, 20 + 45 * r, 45, 20);
        text->setAlignment(Qt::AlignCenter);
        text->setFont(small);
        text->setStyleSheet(QString::fromLatin1(CellText));
        text->setText(QStringLiteral("LED%1").arg(i + 1 + 8 * port_group));
        auto* button = new QPushButton(m_grid);
        button->setGeometry(11 + 55 * c, 3 + 45 * r, 48, 38);
        button->setStyleSheet(QString::fromLatin1(Transparent));
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setObjectName(QString::number(i));
        connect(button, &QPushButton::clicked, this, &SmartMapping::yuq_button_wlan_clicked);
        m_cell_buttons[i] = button;
    }
    m_grid->show();
}

void SmartMapping::mark_port_cell(int cell, bool marked)
{
    if (cell >= 0 && cell < 8 && m_cell_frames[cell])
        m_cell_frames[cell]->setStyleSheet(QString::fromLatin1(marked ? CellMarked : CellUnmarked));
}

void SmartMapping::yuq_button_wlan_clicked()
{
    bool ok = false;
    const int i = sender() ? sender()->objectName().toInt(&ok) : -1;
    const int cells = port_group == 2 ? 4 : 8;
    if (!ok || i < 0 || i >= cells)
        return;
    YUQ_TRACE("\n this is  yuq_button_wlan_clicked %d \n", int(port_index));
    mark_port_cell(port_index, false);
    port_index = uint8_t(i);
    set_port(8 * port_group + i);
    port_saved = uint8_t(8 * port_group + i);
    mark_port_cell(i, true);
}

void SmartMapping::set_port(int port)
{
    line_type.port = uint8_t(port);
}

void SmartMapping::grid_move(int dir, bool loadscan)
{
    const int cells = port_group == 2 ? 4 : 8;
    port_index = uint8_t(kit::step(port_index, cells, dir));
    port_group = loadscan ? loadscan_select : page2_select;
    set_port(8 * port_group + port_index);
    YUQ_TRACE(loadscan ? "this is load_scan_page1 net sel %s-code [smartmapping][Release],%#x\n"
                       : "this is shortcut_page2 net sel %s-code [smartmapping][Release],%#x\n",
              dir > 0 ? "right" : "left", int(port_index));
    wlan_init(loadscan ? 1 : 0);
}

// ---- route ----

QString SmartMapping::route_text(int route) const
{
    return kit::text(Txt::smartmapping_route).arg(route);
}

void SmartMapping::line_select(int route)
{
    if (route < 1 || route > 16)
        return;
    kit::set_icon(ui->Button_route, kit::pic(QStringLiteral("line%1.png").arg(route)), 30, 20);
    ui->Button_route->setText(route_text(route));
    kit::fit_text(ui->Button_route); // beside its picture
    line_type.route = uint8_t(route);
}

// ---- texts of steps 2 and 3 and the route picker ----

void SmartMapping::language_for_shortcutt_page1()
{
    if (!texts_due(1))
        return;
    const int lang = kit::shown_language();
    ui->label_step2->setText(kit::text(Txt::smartmapping_step2));
    fit(ui->label_step2);
    ui->Button_front_2->setText(kit::text(Txt::smartmapping_previous));
    ui->Button_next_2->setText(kit::text(Txt::smartmapping_next));
    const int pt = lang == 2 || lang == 3 ? 7 : 9;
    set_pt(ui->Button_front_2, pt);
    set_pt(ui->Button_next_2, pt);
    const QString group = kit::text(Txt::smartmapping_port_group);
    ui->Button_wlan1->setText(group.arg(1).arg(8));
    ui->Button_wlan2->setText(group.arg(9).arg(16));
    ui->Button_wlan3->setText(group.arg(17).arg(20));
}

void SmartMapping::language_for_shortcutt_page2()
{
    if (texts_due(2))
        texts_page2();
    line_select(line_type.route.load());
}

void SmartMapping::texts_page2()
{
    const int lang = kit::shown_language();
    ui->label_step3->setText(kit::text(Txt::smartmapping_step3));
    ui->label_boxline->setText(kit::text(Txt::smartmapping_boxline));
    ui->label_boxlcolumn->setText(kit::text(Txt::smartmapping_boxcolumn));
    ui->label_routeway->setText(kit::text(Txt::smartmapping_routeway));
    ui->label_horizon->setText(kit::text(Txt::smartmapping_horizon));
    ui->label_vert->setText(kit::text(Txt::smartmapping_vert));
    ui->Button_send->setText(kit::text(Txt::smartmapping_send));
    ui->Button_front_3->setText(kit::text(Txt::smartmapping_previous));
    // Point sizes: Chinese 9, Vietnamese 7, Russian 7 (6 for the offsets), English 7 and 9 for the buttons.
    QWidget* labels[] = {ui->label_step3, ui->label_boxline, ui->label_boxlcolumn, ui->label_routeway};
    const int labelPt = lang == 0 || lang == 4 ? 9 : 7;
    for (QWidget* w : labels)
        set_pt(w, labelPt);
    set_pt(ui->label_horizon, lang == 2 ? 6 : labelPt);
    set_pt(ui->label_vert, lang == 2 ? 6 : labelPt);
    for (QLabel* l : {ui->label_step3, ui->label_boxline, ui->label_boxlcolumn, ui->label_routeway,
                      ui->label_horizon, ui->label_vert})
        fit(l);
    const int buttonPt = lang == 2 || lang == 3 ? 7 : 9;
    set_pt(ui->Button_send, buttonPt);
    set_pt(ui->Button_front_3, buttonPt);
}

void SmartMapping::language_for_shortcutt_page3()
{
    if (!texts_due(3))
        return;
    for (int k = 1; k <= 16; ++k) {
        QToolButton* b = m_routes[k - 1];
        kit::set_icon(b, kit::pic(QStringLiteral("line%1.png").arg(k)), 40, 25);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setText(route_text(k));
        kit::fit_text(b); // "Routing 10" under its picture: the number kept
    }
    ui->Button_cancel->setText(kit::text(Txt::smartmapping_cancel));
}

// ---- keypad on the Debugging screen ----

void SmartMapping::menulist_shortcut_page1_init()
{
    for (int i = 0; i < 3; ++i)
        focus_look(m_page1_focus[i], i == 0);
    m_menu[0]->setStyleSheet(QString::fromLatin1(MenuActive));
    shortcut_page = 0;
    page1_select = 0;
}

void SmartMapping::menulist_shortcut_page1_move(int dir)
{
    YUQ_TRACE("this is shortcut_page1 %s-code [smartmapping][Release],%#x\n", dir > 0 ? "right" : "left",
              int(page1_select));
    focus_look(m_page1_focus[page1_select], false);
    page1_select = uint8_t(kit::step(page1_select, 3, dir));
    focus_look(m_page1_focus[page1_select], true);
}

void SmartMapping::menulist_shortcut_default()
{
    m_menu[0]->setStyleSheet(QString::fromLatin1(Focused));
    focus_look(m_page1_focus[page1_select], false);
}

void SmartMapping::menulist_shortcut_page2_init()
{
    page2_select = 0;
    port_grid_active = false;
    port_chosen = false;
    ui->Button_wlan1->setStyleSheet(QString::fromLatin1(Focused));
    ui->Button_front_2->setStyleSheet(QString::fromLatin1(Normal));
    ui->Button_next_2->setStyleSheet(QString::fromLatin1(Normal));
    shortcut_page = 1;
}

void SmartMapping::menulist_shortcut_page2_move(int dir)
{
    if (port_grid_active) {
        grid_move(dir, false);
        return;
    }
    YUQ_TRACE("this is shortcut_page2 %s-code [smartmapping][Release],%#x\n", dir > 0 ? "right" : "left",
              int(page2_select));
    m_page2_focus[page2_select]->setStyleSheet(QString::fromLatin1(Normal));
    page2_select = uint8_t(kit::step(page2_select, 5, dir));
    if (page2_select < PortGroups)
        group_clicked(page2_select, false);
    entry_look(m_page2_focus[page2_select], true);
}

void SmartMapping::menulist_shortcut_page2_sel_default()
{
    m_page2_focus[page2_select]->setStyleSheet(QString::fromLatin1(MenuActive));
}

void SmartMapping::menulist_shortcut_page2_sel_recovery()
{
    m_page2_focus[page2_select]->setStyleSheet(QString::fromLatin1(Focused));
}

void SmartMapping::menulist_shortcut_page3_init()
{
    page3_select = 0;
    for (int i = 0; i < 7; ++i)
        entry_look(m_page3_focus[i], i == 0);
    shortcut_page = 2;
}

void SmartMapping::menulist_shortcut_page3_move(int dir)
{
    entry_look(m_page3_focus[page3_select], false);
    page3_select = uint8_t(kit::step(page3_select, 7, dir));
    focus_look(m_page3_focus[page3_select], true);
}

void SmartMapping::menulist_shortcut_page3_sel_default()
{
    entry_look(m_page3_focus[page3_select], false);
}

void SmartMapping::menulist_shortcut_page3_sel_recovery()
{
    focus_look(m_page3_focus[page3_select], true);
}

void SmartMapping::menulist_shortcut_page3_button_route_init()
{
    const int route = line_type.route.load();
    route_select = uint8_t(route >= 1 && route <= 16 ? route - 1 : 0);
    for (int i = 0; i < 17; ++i)
        entry_look(m_routes[i], i == route_select);
    route_picker_open = true;
}

void SmartMapping::menulist_shortcut_page3_button_route_move(int dir)
{
    entry_look(m_routes[route_select], false);
    route_select = uint8_t(kit::step(route_select, 17, dir));
    entry_look(m_routes[route_select], true);
}

void SmartMapping::menulist_shortcut_page3_button_route_ok()
{
    if (route_select < 16)
        m_routes[route_select]->click();
    else
        on_Button_cancel_clicked();
    route_picker_open = false;
    menulist_shortcut_page3_sel_recovery();
}

void SmartMapping::menulist_shortcut_button_ok_page()
{
    YUQ_TRACE("this is shortcut_page1 ok [smartmapping][Release],%#x,%#x\n", int(page1_select), int(shortcut_page));
    if (shortcut_page == 0) {
        if (page1_select < 2) {
            My_lineEdit* f = page1_select == 0 ? ui->lineEdit_X : ui->lineEdit_Y;
            emit f->send_show(f->text()); // this screen may be closed when it returns
            return;
        }
        on_Button_next_clicked();
        menulist_shortcut_page2_init();
        return;
    }
    if (shortcut_page == 1) {
        if (port_grid_active) {
            port_grid_active = false;
            if (m_cell_buttons[port_index])
                m_cell_buttons[port_index]->click();
            menulist_shortcut_page2_sel_recovery();
            port_chosen = true;
        } else if (page2_select == 3) {
            on_Button_front_2_clicked();
            shortcut_page = 0;
        } else if (page2_select == 4) {
            on_Button_next_2_clicked();
            menulist_shortcut_page3_init();
        } else {
            port_grid_active = true;
            menulist_shortcut_page2_sel_default();
            port_saved = line_type.port.load();
            set_port(8 * page2_select);
            group_clicked(page2_select, false);
        }
        return;
    }
    if (route_picker_open) {
        menulist_shortcut_page3_button_route_ok();
        return;
    }
    My_lineEdit* fields[7] = {ui->lineEdit_line, ui->lineEdit_column, nullptr, ui->lineEdit_horzion,
                              ui->lineEdit_vert, nullptr, nullptr};
    if (My_lineEdit* f = fields[page3_select]) {
        emit f->send_show(f->text());
    } else if (page3_select == 2) {
        on_Button_route_clicked();
        menulist_shortcut_page3_button_route_init();
    } else if (page3_select == 5) {
        if (back_to_step2())
            shortcut_page = 1;
    } else {
        on_Button_send_clicked();
    }
}

void SmartMapping::menulist_shortcut_back_page()
{
    switch (shortcut_page) {
    case 0:
        menu_entered = false;
        menulist_shortcut_default();
        break;
    case 1:
        if (port_grid_active) {
            port_grid_active = false;
            set_port(port_saved);
            group_clicked(page2_select, false);
            menulist_shortcut_page2_sel_recovery();
        } else {
            on_Button_front_2_clicked();
            shortcut_page = 0;
        }
        language_for_shortcutt_page0();
        break;
    default:
        if (route_picker_open) {
            menulist_shortcut_page3_sel_recovery();
            on_Button_cancel_clicked();
            language_for_shortcutt_page2();
            route_picker_open = false;
            break;
        }
        if (wheel())
            break; // step 3 stays while its job runs
        menulist_shortcut_page3_sel_default();
        back_to_step2();
        shortcut_page = 1;
        language_for_shortcutt_page1();
        YUQ_TRACE("this is back page3 to page2");
        break;
    }
}

YUQ_SCREEN(SmartMapping)
