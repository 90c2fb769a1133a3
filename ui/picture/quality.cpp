#include "quality.h"
#include "ui_quality.h"

#include "core/image_edit.h"
#include "core/yuqrampara.h"
#include "yuq_texts.h"

const int quality::RowField[quality::ResetRow] = {img::Brightness, img::Sharpness, img::Contrast,
                                                  img::Saturation};

quality::quality(QWidget* parent) : PanelDialog(page::quality, parent), ui(new Ui::quality)
{
    ui->setupUi(this);
    QLineEdit* fields[RowCount] = {ui->lineEdit_bright, ui->lineEdit_Sharpness, ui->lineEdit_Contrast,
                                   ui->lineEdit_Saturation, ui->lineEdit_Reset};
    for (int i = 0; i < RowCount; ++i) {
        m_fields[i] = fields[i];
        m_fields[i]->setStyleSheet(QString::fromLatin1(ValueAdjust::sheet_plain));
    }
    m_fields[0]->setStyleSheet(QString::fromLatin1(ValueAdjust::sheet_focused));
    para_init();
    retext();
}

quality::~quality()
{
    delete ui;
}

void quality::para_init()
{
    for (int i = 0; i < ResetRow; ++i)
        ValueAdjust::show(m_fields[i], RowField[i]);
}

void quality::retext()
{
    ui->label_quality->setText(kit::text(Txt::quality_title));
    ui->label_bright->setText(kit::text(Txt::quality_brightness));
    ui->label_Sharpness->setText(kit::text(Txt::quality_sharpness));
    ui->label_Contrast->setText(kit::text(Txt::quality_contrast));
    ui->label_Saturation->setText(kit::text(Txt::quality_saturation));
    ui->label_reset->setText(kit::text(Txt::quality_reset));
    ui->lineEdit_Reset->setText(kit::text(Txt::quality_press_ok));
    for (QLabel* l : {ui->label_bright, ui->label_Sharpness, ui->label_Contrast, ui->label_Saturation, ui->label_reset})
        kit::fit_text(l);
}

// The image is the truth: the fields show it after every applied change (a PC write
// included); the field being adjusted takes over a value written by someone else.
void quality::refresh(kit::Refresh code)
{
    ScreenBase::refresh(code);
    for (int i = 0; i < ResetRow; ++i)
        m_adjust.reload(m_fields[i], RowField[i]);
}

void quality::back()
{
    kit::close_by_back(this);
}

void quality::move(int dir)
{
    const int n = kit::step(ui_select, RowCount, dir);
    kit::move_focus(m_fields[ui_select], QString::fromLatin1(ValueAdjust::sheet_plain), m_fields[n],
                    QString::fromLatin1(ValueAdjust::sheet_focused));
    ui_select = uint8_t(n);
}

void quality::arrow(int dir)
{
    if (m_adjust.active())
        m_adjust.step(dir);
    else
        move(dir);
}

void quality::key_ok()
{
    if (m_adjust.active()) {
        m_adjust.keep();
        m_fields[ui_select]->setStyleSheet(QString::fromLatin1(ValueAdjust::sheet_focused));
    } else if (ui_select == ResetRow) {
        on_Button_reset_clicked();
    } else {
        m_adjust.begin(m_fields[ui_select], RowField[ui_select]);
        m_fields[ui_select]->setStyleSheet(QString::fromLatin1(ValueAdjust::sheet_changing));
    }
}

void quality::key_back()
{
    if (!m_adjust.active())
        return back();
    m_adjust.undo();
    m_fields[ui_select]->setStyleSheet(QString::fromLatin1(ValueAdjust::sheet_focused));
}

// The factory picture settings, colour temperature and gains included (image
// 0x880-0x88F), whatever the engine still has pending; the fields show them at once.
void quality::on_Button_reset_clicked()
{
    {
        ImageEdit e;
        for (int off = img::Brightness; off < img::Brightness + 16; ++off)
            e.set_byte(off, default_para_ramlist[2 + off - 0x300]);
    }
    para_init();
}

YUQ_SCREEN(quality)
