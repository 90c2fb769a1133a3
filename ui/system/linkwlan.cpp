#include "linkwlan.h"
#include "ui_linkwlan.h"

#include "core/utils.h"
#include "core/yuqrampara.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberfields.h"
#include "yuq_texts.h"

#include <QLabel>
#include <QPushButton>

namespace ipv4 {

QString octet(const QString& typed)
{
    if (typed.isEmpty())
        return QString();
    for (QChar c : typed)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return QString();
    QString digits = typed;
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    if (digits.size() > 3 || digits.toInt() > 255)
        return QString();
    return digits;
}

} // namespace ipv4

namespace {
const char* const kLeft = "color: rgb(255, 255, 255);background-color: rgb(33, 36, 53);"
                          "border-top:1px solid rgb(255, 255, 255);border-bottom:1px solid rgb(255, 255, 255);"
                          "border-left:1px solid rgb(255, 255, 255);";
const char* const kMiddle = "color: rgb(255, 255, 255);background-color: rgb(33, 36, 53);"
                            "border-top:1px solid rgb(255, 255, 255);border-bottom:1px solid rgb(255, 255, 255);";
const char* const kRight = "color: rgb(255, 255, 255);background-color: rgb(33, 36, 53);"
                           "border-top:1px solid rgb(255, 255, 255);border-bottom:1px solid rgb(255, 255, 255);"
                           "border-right:1px solid rgb(255, 255, 255);";
const char* const kFieldFocus = "color: rgb(255, 255, 255); background-color: rgb(33, 36, 53);"
                                "border:1px solid rgb(255,171,84);";
const char* const kButton = "color: rgb(255, 255, 255);border:1px solid rgb(255,255,255);";
const char* const kButtonFocus = "color: rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
constexpr int kApply = 12, kCancel = 13;

// A field Apply refused: red text on a dark red ground, in whichever look it has.
QString bad(QString sheet)
{
    return sheet.replace(QStringLiteral("color: rgb(255, 255, 255);"), QStringLiteral("color: rgb(255, 80, 80);"))
        .replace(QStringLiteral("rgb(33, 36, 53)"), QStringLiteral("rgb(90, 24, 32)"));
}

SharedString& stored(int row)
{
    SharedString* const rows[linkwlan::RowCount] = {&g_str_ip, &g_srt_mask, &g_str_gateway};
    return *rows[row];
}
} // namespace

linkwlan::linkwlan(QWidget* parent) : PanelDialog(page::linkwlan, parent), ui(new Ui::linkwlan)
{
    ui->setupUi(this);
    My_lineEdit* fields[FieldCount] = {ui->lineEditIp1,   ui->lineEditIp2,   ui->lineEditIp3,   ui->lineEditIp4,
                                       ui->lineEditMask1, ui->lineEditMask2, ui->lineEditMask3, ui->lineEditMask4,
                                       ui->lineEditGate1, ui->lineEditGate2, ui->lineEditGate3, ui->lineEditGate4};
    // The pad's title is the same in every language: "Mask" for the mask row, "IP" else.
    m_fields = new kit::NumberFields(
        this,
        [this](const QLineEdit* f) {
            const bool mask = f == ui->lineEditMask1 || f == ui->lineEditMask2 || f == ui->lineEditMask3
                || f == ui->lineEditMask4;
            return kit::text(mask ? Txt::linkwlan_pad_mask : Txt::linkwlan_pad_ip);
        },
        [this](QLineEdit* f, const QString& v) { confirm(f, v); });
    for (int i = 0; i < FieldCount; ++i) {
        m_field[i] = fields[i];
        m_fields->add(fields[i]);
    }
    para_init();
    menulist_init();
    retext();
}

linkwlan::~linkwlan()
{
    delete ui;
}

void linkwlan::para_init()
{
    for (int row = 0; row < RowCount; ++row) {
        const QStringList parts = stored(row).get().split(QLatin1Char('.'));
        for (int i = 0; i < 4; ++i)
            m_field[4 * row + i]->setText(parts.value(i));
        m_edited[row] = false;
    }
}

void linkwlan::menulist_init()
{
    for (int i = 0; i < FieldCount; ++i)
        menulist[i] = m_field[i];
    menulist[kApply] = ui->Button_apply;
    menulist[kCancel] = ui->Button_cancle;
    ui_select = 0;
    kit::set_sheet(m_field[0], sheet(0, true));
}

QString linkwlan::sheet(int index, bool focused) const
{
    if (index >= FieldCount)
        return QString::fromLatin1(focused ? kButtonFocus : kButton);
    const int column = index % 4;
    const QString s = QString::fromLatin1(focused ? kFieldFocus : column == 0 ? kLeft : column == 3 ? kRight : kMiddle);
    return m_bad[index] ? bad(s) : s;
}

void linkwlan::restyle(int index)
{
    kit::set_sheet(menulist[index], sheet(index, index == ui_select));
}

void linkwlan::retext()
{
    ui->label_wlan->setText(kit::text(Txt::linkwlan_title));
    ui->label_IpSet->setText(kit::text(Txt::linkwlan_ip));
    ui->label_netmask->setText(kit::text(Txt::linkwlan_mask));
    ui->label_gateway->setText(kit::text(Txt::linkwlan_gateway));
    ui->Button_apply->setText(kit::text(Txt::linkwlan_apply));
    ui->Button_cancle->setText(kit::text(Txt::linkwlan_cancel));
}

void linkwlan::back()
{
    kit::close_by_back(this);
}

void linkwlan::confirm(QLineEdit* field, const QString& typed)
{
    const int index = int(std::find(m_field, m_field + FieldCount, field) - m_field);
    if (index >= FieldCount)
        return;
    const QString normal = ipv4::octet(typed);
    field->setText(normal.isNull() ? typed : normal);
    m_edited[index / 4] = true;
    if (m_bad[index]) {
        m_bad[index] = false;
        restyle(index);
    }
}

void linkwlan::on_Button_net_apply_clicked()
{
    QString rows[RowCount];
    bool refused = false;
    for (int row = 0; row < RowCount; ++row) {
        if (!m_edited[row])
            continue; // the stored text, whatever set it meanwhile
        QStringList parts;
        for (int i = 4 * row; i < 4 * row + 4; ++i) {
            const QString o = ipv4::octet(m_field[i]->text());
            m_bad[i] = o.isNull();
            restyle(i);
            refused = refused || o.isNull();
            parts << o;
        }
        rows[row] = parts.join(QLatin1Char('.'));
    }
    if (refused)
        return;
    bool changed = false;
    for (int row = 0; row < RowCount; ++row) {
        if (!rows[row].isNull() && rows[row] == stored(row).get())
            rows[row] = QString();
        changed = changed || !rows[row].isNull();
    }
    if (!changed)
        return;
    for (int row = 0; row < RowCount; ++row)
        YUQ_TRACE("%s\n", qPrintable(rows[row].isNull() ? stored(row).get() : rows[row]));
    Utils::setIPAddress(rows[0], rows[1], rows[2]);
    para_init();
    YuqRamPara::p_yuqrampara_config->test_signal(code_of(kit::Refresh::Applied));
}

void linkwlan::move(int dir)
{
    const int n = kit::step(ui_select, ItemCount, dir);
    kit::move_focus(menulist[ui_select], sheet(ui_select, false), menulist[n], sheet(n, true));
    ui_select = uint8_t(n);
}

void linkwlan::key_left()
{
    move(-1);
}

void linkwlan::key_right()
{
    move(1);
}

void linkwlan::key_ok()
{
    if (ui_select == kApply) {
        on_Button_net_apply_clicked();
    } else if (ui_select == kCancel) {
        back();
    } else if (auto* f = qobject_cast<My_lineEdit*>(menulist[ui_select])) {
        // Opens the pad for the field; this screen may be closed when it returns.
        emit f->send_show(f->text());
    }
}

YUQ_SCREEN(linkwlan)
