#include "factoryage.h"
#include "ui_factoryage.h"

#include "core/utils.h"
#include "core/yuqrampara.h"
#include "fpga/aging_log.h"

#include <QLabel>
#include <QMutexLocker>
#include <QPushButton>
#include <QStringList>

namespace {
const char* const kButton = "color:rgb(255,255,255);\nborder:1px solid rgb(255, 255, 255);";
const char* const kButtonFocus = "color:rgb(255,255,255);\nborder:1px solid rgb(255,171,84);";
const char* const kMarks[5] = {"<3", "<5", "<10", "<20", ">20"};

AgingLog& agelog()
{
    return AgingLog::instance();
}

// A register at least three digits wide (7 shows as 007).
QString number(const QString& field)
{
    return QStringLiteral("%1").arg(field.toInt(), 3, 10, QLatin1Char('0'));
}

QString flag(int v, int bit, const char* name)
{
    return QStringLiteral("<font color = #%1 >%2</font>")
        .arg(QLatin1String(v & (1 << bit) ? "00FF00" : "FF0000"), QLatin1String(name));
}

// One FPGA: register 42, the five status flags of register 40, register 43. A green VS
// is followed by a space, a red one runs into the number.
QString fpga_text(const QString& r42, const QString& r40, const QString& r43)
{
    const int f = r40.toInt();
    static const char* const names[5] = {"DDR0", "DDR1", "DE", "HS", "VS"};
    QString t = number(r42) + QLatin1Char(' ');
    for (int b = 0; b < 5; ++b)
        t += flag(f, b, names[b]) + QLatin1String(b < 4 ? " " : "");
    if (f & 0x10)
        t += QLatin1Char(' ');
    return t + number(r43);
}
} // namespace

factoryage::factoryage(QWidget* parent) : PanelDialog(page::factoryage, parent), ui(new Ui::factoryage)
{
    ui->setupUi(this);
    m_buttons[0] = ui->ButtonNext;
    m_buttons[1] = ui->ButtonPriv;
    m_font.setPixelSize(10);
    menulist_init();
    ageloginit();
}

factoryage::~factoryage()
{
    delete ui;
}

QLabel* factoryage::page_label() const
{
    return ui->label_page;
}

QLabel* factoryage::total_label() const
{
    return ui->page_info;
}

QLabel* factoryage::band_label(int band) const
{
    QLabel* l[5] = {ui->label_3, ui->label_5, ui->label_10, ui->label_20, ui->label_more};
    return band >= 0 && band < 5 ? l[band] : nullptr;
}

void factoryage::menulist_init()
{
    ui_select = 0;
    kit::set_sheet(ui->ButtonNext, QString::fromLatin1(kButtonFocus));
}

QString factoryage::line_text(const QString& line)
{
    const QStringList f = line.split(QLatin1Char(' '));
    if (f.size() != 8)
        return QString();
    return QStringLiteral("<br>") + f[0] + QLatin1Char(' ') + f[1] + QLatin1Char(' ') + fpga_text(f[2], f[3], f[4])
        + QStringLiteral("<br>") + fpga_text(f[5], f[6], f[7]);
}

void factoryage::ageloginit()
{
    const QString now = AgingLog::time_text();
    delete m_container;
    m_container = new QWidget(ui->frame);
    m_container->setGeometry(0, 0, 280, 236);
    m_list = new QLabel(m_container);
    m_list->setFont(m_font);
    m_list->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_list->setGeometry(0, 0, 260, 236);
    m_list->setStyleSheet(QStringLiteral("background-color: #10101C;color: #FFFFFF;"));
    m_list->setFrameShape(QFrame::NoFrame);
    if (!agelog().factoryage_log.isEmpty()) {
        update_agelog();
    } else {
        m_list->setText(now + QStringLiteral("  ") + QStringLiteral("正在老化中..."));
        m_text.clear();
        show_bands();
        ui->page_info->setText(QStringLiteral("0"));
        ui->label_page->setText(QStringLiteral("0/0"));
    }
    m_container->show();
}

void factoryage::show_bands()
{
    const AgingBands& a = agelog().bands[0];
    const AgingBands& b = agelog().bands[1];
    const int32_t first[5] = {a.diff3, a.diff5, a.diff10, a.diff20, a.diffmore};
    const int32_t second[5] = {b.diff3, b.diff5, b.diff10, b.diff20, b.diffmore};
    for (int i = 0; i < 5; ++i) {
        QLabel* l = band_label(i);
        const QString mark = QLatin1String(kMarks[i]);
        const QString t = QString::number(uint32_t(first[i])) + mark + QLatin1Char(',')
            + QString::number(uint32_t(second[i])) + mark;
        if (l->text() != t) {
            l->setText(t);
            kit::fit_text(l); // a week of counts is wider than the box
        }
    }
}

void factoryage::update_agelog()
{
    const QVector<QString>& log = agelog().factoryage_log;
    if (log.isEmpty()) {
        ageloginit();
        return;
    }
    const int n = log.size();
    // The log is capped, so a page read before may lie beyond its end now.
    if (m_page >= pages(n))
        m_page = pages(n) - 1;
    const int first = int(m_page) * LinesPerPage;
    const int end = std::min(first + LinesPerPage, n);
    m_text.clear();
    for (int i = first; i < end; ++i)
        m_text += line_text(log[i]);
    m_list->setText(m_text);
    show_bands();
    ui->page_info->setText(QString::number(n));
    ui->label_page->setText(QStringLiteral("%1/%2").arg(m_page + 1).arg(pages(n)));
}

void factoryage::on_ButtonNext_clicked()
{
    const unsigned p = pages(agelog().factoryage_log.size());
    if (m_page >= p)
        return;
    m_page = m_page + 1 >= p ? 0 : m_page + 1;
    update_agelog();
}

void factoryage::on_ButtonPriv_clicked()
{
    if (pages(agelog().factoryage_log.size()) == 0 || m_page == 0)
        return;
    --m_page;
    update_agelog();
}

void factoryage::toggle()
{
    const int n = ui_select ? 0 : 1;
    kit::move_focus(m_buttons[ui_select], QString::fromLatin1(kButton), m_buttons[n], QString::fromLatin1(kButtonFocus));
    ui_select = uint8_t(n);
}

void factoryage::key_ok()
{
    if (ui_select == 0)
        on_ButtonNext_clicked();
    else
        on_ButtonPriv_clicked();
}

void factoryage::request(int what, int value, const QString& text)
{
    if (what == kit::ReqUpdateAgeLog)
        update_agelog();
    else
        PanelDialog::request(what, value, text);
}

void factoryage::back()
{
    // The menu below is re-texted only when the language changed meanwhile.
    const bool changed = YuqRamPara::p_yuqrampara_config->YuqLanguageChanged();
    kit::close_widget(this);
    if (changed)
        kit::retext(page::AdvancedOption);
    g_page_focus = page::AdvancedOption;
}

YUQ_SCREEN(factoryage)
