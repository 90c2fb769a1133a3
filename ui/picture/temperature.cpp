#include "temperature.h"
#include "ui_temperature.h"

#include "core/image_edit.h"
#include "core/yuqrampara.h"
#include "yuq_texts.h"

namespace {
enum Look { Plain, Focused, Changing };
// The rows' looks by property (rules of the form's sheet): a focus move re-polishes two
// widgets, none of the list box's pop-up parts.
const char* const kLookName[3] = {"normal", "focused", "editing"};
} // namespace

const int temperature::RowField[temperature::RowCount] = {img::ColorTempType, img::Red, img::Green, img::Blue};

temperature::temperature(QWidget* parent) : PanelDialog(page::temperature, parent), ui(new Ui::temperature)
{
    ui->setupUi(this);
    m_fields[1] = ui->lineEdit_name_red;
    m_fields[2] = ui->lineEdit_name_green;
    m_fields[3] = ui->lineEdit_name_blue;
    for (int i = 0; i < TypeCount; ++i)
        ui->comboBox_type->addItem(QString());
    for (int row = 0; row < RowCount; ++row)
        set_look(row, row == 0 ? Focused : Plain);
    para_init();
    retext();
}

temperature::~temperature()
{
    delete ui;
}

QComboBox* temperature::type_list() const
{
    return ui->comboBox_type;
}

void temperature::set_look(int row, int look)
{
    kit::set_own_look(row == 0 ? static_cast<QWidget*>(ui->comboBox_type) : m_fields[row], kLookName[look]);
}

// The list shows the image's type; a stored type above 3 shows as custom and stays.
void temperature::load_type()
{
    const int t = ValueAdjust::image_value(img::ColorTempType);
    type_sel = uint8_t(t >= 0 && t < TypeCount ? t : 0);
    ui->comboBox_type->setCurrentIndex(type_sel);
}

void temperature::para_init()
{
    for (int row = 1; row < RowCount; ++row)
        ValueAdjust::show(m_fields[row], RowField[row]);
    load_type();
}

void temperature::retext()
{
    ui->label_temperature->setText(kit::text(Txt::temperature_title));
    ui->label_type->setText(kit::text(Txt::temperature_type));
    ui->label_name_red->setText(kit::text(Txt::temperature_red));
    ui->label_name_green->setText(kit::text(Txt::temperature_green));
    ui->label_name_blue->setText(kit::text(Txt::temperature_blue));
    const Txt types[TypeCount] = {Txt::temperature_custom, Txt::temperature_warm, Txt::temperature_nature,
                                  Txt::temperature_cool};
    for (int i = 0; i < TypeCount; ++i)
        ui->comboBox_type->setItemText(i, kit::text(types[i]));
    for (QLabel* l : {ui->label_type, ui->label_name_red, ui->label_name_green, ui->label_name_blue})
        kit::fit_text_remembered(l);
}

void temperature::end_choosing()
{
    m_choosing = false;
    set_look(0, Focused);
}

// Values and type follow the image after every applied change; a language change also
// ends the choosing of a type. The field being adjusted takes over someone else's write.
void temperature::refresh(kit::Refresh)
{
    const bool language = YuqRamPara::p_yuqrampara_config->YuqLanguageChanged();
    if (language) {
        retext();
        if (m_choosing)
            end_choosing();
    }
    for (int row = 1; row < RowCount; ++row)
        m_adjust.reload(m_fields[row], RowField[row]);
    if (!m_choosing)
        load_type();
}

void temperature::back()
{
    kit::close_by_back(this);
}

void temperature::move(int dir)
{
    set_look(ui_select, Plain);
    ui_select = uint8_t(kit::step(ui_select, RowCount, dir));
    set_look(ui_select, Focused);
}

void temperature::arrow(int dir)
{
    if (m_choosing) {
        type_sel = uint8_t(kit::step(type_sel, TypeCount, dir));
        ui->comboBox_type->setCurrentIndex(type_sel);
    } else if (m_adjust.active()) {
        m_adjust.step(dir);
    } else {
        move(dir);
    }
}

void temperature::key_ok()
{
    if (m_choosing) {
        end_choosing();
        on_button_type_clicked();
    } else if (m_adjust.active()) {
        m_adjust.keep();
        set_look(ui_select, Focused);
    } else if (ui_select == 0) {
        m_choosing = true;
        set_look(0, Changing);
    } else {
        m_adjust.begin(m_fields[ui_select], RowField[ui_select]);
        set_look(ui_select, Changing);
    }
}

// Back while choosing writes nothing: the image still holds the type it had (a stored
// type above 3 included), and the list shows it again.
void temperature::key_back()
{
    if (m_choosing) {
        end_choosing();
        load_type();
    } else if (m_adjust.active()) {
        m_adjust.undo();
        set_look(ui_select, Focused);
    } else {
        back();
    }
}

// The type shown, written whatever the engine still has pending.
void temperature::on_button_type_clicked()
{
    ImageEdit e;
    e.set(img::ColorTempType, type_sel);
}

YUQ_SCREEN(temperature)
