#include "machinestate.h"
#include "ui_machinestate.h"

#include "sourceinfo.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "yuq_texts.h"

#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QStyle>

namespace {
// List order of the input columns: HDMI1..4, DVI, EXT.
QLabel* column_label(Ui::MachineState* ui, int n, bool pixmap)
{
    QLabel* names[6] = {ui->sourceid0name, ui->sourceid1name, ui->sourceid2name,
                        ui->sourceid3name, ui->sourceid4name, ui->sourceid5name};
    QLabel* pics[6] = {ui->sourceid0pixmap, ui->sourceid1pixmap, ui->sourceid2pixmap,
                       ui->sourceid3pixmap, ui->sourceid4pixmap, ui->sourceid5pixmap};
    return pixmap ? pics[n] : names[n];
}

QString link_picture(bool linked)
{
    return kit::pic(linked ? QStringLiteral("online.png") : QStringLiteral("offline.png"));
}

QRect number_rect(int k)
{
    return QRect(11 + 26 * (k / 2), 4 + ((k % 2) ? 32 : 0), 16, 14);
}

QRect link_rect(int k)
{
    return number_rect(k).translated(0, 14);
}

} // namespace

// The twenty ports in one widget: a number over each port's link picture, drawn as the
// labels of each would draw them (forty labels cost an open several times this).
class MachineState::PortFrame : public QFrame
{
public:
    explicit PortFrame(QWidget* parent) : QFrame(parent)
    {
        QFont f(font(), this);
        f.setPixelSize(10);
        for (int k = 0; k < 20; ++k)
            m_number[k].set(QString::number(k + 1), f);
    }
    uint32_t links = 0;

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QFrame::paintEvent(e);
        QPainter p(this);
        p.fillRect(rect(), QColor(33, 36, 53)); // its ground: a sheet of its own costs a style of its own
        p.setPen(QColor(255, 255, 255));
        // Each picture at its place's size, scaled once for the process as a label scales it.
        const QPixmap pics[2] = {kit::picture(link_picture(false), link_rect(0).size()),
                                 kit::picture(link_picture(true), link_rect(0).size())};
        for (int k = 0; k < 20; ++k) {
            m_number[k].draw(&p, number_rect(k), Qt::AlignHCenter | Qt::AlignVCenter);
            style()->drawItemPixmap(&p, link_rect(k), Qt::AlignCenter, pics[(links >> k) & 1u]);
        }
    }

private:
    kit::TextLine m_number[20];
};

MachineState::MachineState(QWidget* parent) : PanelDialog(page::MachineState, parent), ui(new Ui::MachineState)
{
    ui->setupUi(this);
    // The names as plain text in the look of the small name style (9 px, HDMI 2.0 green):
    // a rich-text label costs a document each. A plain line sits a pixel lower in the same
    // box than the document's, hence one up.
    for (int n = 0; n < 6; ++n) {
        const unsigned char id = sourceinfo::get_source_id_by_listseq(uint8_t(n));
        QLabel* name = column_label(ui, n, false);
        name->move(name->x(), name->y() - 1);
        QFont f = name->font();
        f.setPixelSize(9);
        name->setFont(f);
        const QString colour = sourceinfo::get_source_name_colour(id);
        if (colour != QLatin1String("#ffffff")) // the form's own colour otherwise
            name->setStyleSheet(QStringLiteral("color: %1;").arg(colour));
        name->setTextFormat(Qt::PlainText);
        name->setText(sourceinfo::get_source_name_by_sourceid(id));
    }
    kit::set_icon(ui->Button_back, kit::pic(QStringLiteral("back.png")), 32, 32);
    ui->Button_back->hide();
    // The serial number comes from the PC: never markup.
    ui->label_2->setTextFormat(Qt::PlainText);
    initWlan();
    retext();
    version_changed();
    source_check();
    ui->label_2->setText(serial_label(g_str_barcode.get()));
    kit::fit_text_remembered(ui->label_2);
}

MachineState::~MachineState()
{
    delete ui;
}

QString MachineState::mcu_version()
{
    return QStringLiteral("V%1.%2.%3 %4-%5-%6")
        .arg(11, 2, 10, QLatin1Char('0'))
        .arg(2, 2, 10, QLatin1Char('0'))
        .arg(0, 2, 10, QLatin1Char('0'))
        .arg(0x2025, 0, 16)
        .arg(0x02, 2, 16, QLatin1Char('0'))
        .arg(0x26, 2, 16, QLatin1Char('0'));
}

QString MachineState::fpga_version(const uint8_t r[4])
{
    return QStringLiteral("V%1.%2.%3 %4-%5-%6")
        .arg(0x11, 2, 16, QLatin1Char('0'))
        .arg(0, 2, 16, QLatin1Char('0'))
        .arg(r[0], 2, 16, QLatin1Char('0'))
        .arg(r[3] + 0x2000, 0, 16)
        .arg(r[2], 2, 16, QLatin1Char('0'))
        .arg(r[1], 2, 16, QLatin1Char('0'));
}

QString MachineState::fpga_label(int fpga)
{
    const QString prefix = QStringLiteral("FPGA%1:").arg(fpga + 1);
    fpga_manage* f = fpga_manage::p_fpga_manage;
    // Until the FPGA has come up its mirror holds no version: nothing is made up.
    if (!f || f->MCU_REG_func[fpga][fpga_manage::StartState] != 3)
        return prefix;
    const uint8_t r[4] = {f->MCU_REG_func[fpga][28], f->MCU_REG_func[fpga][29], f->MCU_REG_func[fpga][30],
                          f->MCU_REG_func[fpga][31]};
    return prefix + fpga_version(r);
}

QString MachineState::serial_label(const QString& barcode)
{
    // A single space is the configuration's "none".
    return QStringLiteral("SN:") + (barcode == QLatin1String(" ") ? QString() : barcode);
}

void MachineState::version_changed()
{
    ui->label_MCU->setText(QStringLiteral("MCU:") + mcu_version());
    ui->label_FPGA1->setText(fpga_label(0));
    ui->label_FPGA2->setText(fpga_label(1));
    for (QLabel* l : {ui->label_MCU, ui->label_FPGA1, ui->label_FPGA2})
        kit::fit_text_remembered(l);
}

void MachineState::source_check()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    for (int n = 0; n < 6; ++n) {
        const unsigned char s = sourceinfo::get_source_id_by_listseq(uint8_t(n));
        const int t = img::SourceTiming + 6 * s;
        const bool signal = p->image16(t) && p->image16(t + 2) && p->image16(t + 4);
        kit::set_sized_picture(column_label(ui, n, true), sourceinfo::sourceonline_picture(s, signal));
    }
}

void MachineState::initWlan()
{
    if (!m_ports) {
        m_ports = new PortFrame(ui->frame);
        m_ports->setObjectName(QStringLiteral("port_frame"));
        m_ports->setGeometry(20, 20, 288, 65);
        m_ports->show();
    }
    fpga_manage* f = fpga_manage::p_fpga_manage;
    const uint32_t links = f ? f->get_wlan_state() : 0;
    if (links != m_ports->links) {
        m_ports->links = links;
        m_ports->update();
    }
}

QString MachineState::port_picture(int k) const
{
    return k >= 0 && k < 20 && m_ports ? link_picture(m_ports->links & (1u << k)) : QString();
}

void MachineState::retext()
{
    ui->label_title->setText(kit::text(Txt::machinestate_title));
    kit::fit_text_remembered(ui->label_title); // the Vietnamese accents in its 15 px
    const int lang = kit::shown_language();
    kit::set_sized_picture(ui->label_state1, kit::pic(lang == 2 ? QStringLiteral("ru_output_state.png")
                                                          : QStringLiteral("output_state.png")));
    kit::set_sized_picture(ui->label_state2, kit::pic(lang == 2 ? QStringLiteral("ru_input_state.png")
                                                          : QStringLiteral("input_state.png")));
    // zh-CN and zh-TW share the Chinese picture, Vietnamese takes the English one.
    static const char* const version[5] = {"version_state.png", "en_version_state.png", "ru_version_state.png",
                                           "en_version_state.png", "version_state.png"};
    kit::set_sized_picture(ui->label_state3, kit::pic(QString::fromLatin1(version[lang])));
}

void MachineState::refresh(kit::Refresh code)
{
    ScreenBase::refresh(code);
    source_check();
    // Links are re-read only when they changed, and only where the FPGA side exists.
    if (code == kit::Refresh::PortLinks && fpga_manage::p_fpga_manage)
        initWlan();
}

void MachineState::back()
{
    kit::close_by_back(this);
}

YUQ_SCREEN(MachineState)
