#include "lockwindow.h"
#include "ui_lockwindow.h"

#include "mainwindow.h"
#include "screens.h"
#include "sourceinfo.h"
#include "core/alias.h"
#include "core/global.h"
#include "core/yuqrampara.h"

#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <cstring>

namespace {
YuqRamPara* para()
{
    return YuqRamPara::p_yuqrampara_config;
}

int window_base(int w)
{
    return img::Window + img::WindowSize * w;
}

// Image byte 0x840 names the window whose volume is shown; out of range reads window 0.
int volume_window()
{
    const int w = para()->ram_para[img::CurrentWindow];
    return w < WINDOW_COUNT ? w : 0;
}

const char* const kTileColour[6] = {"#867AE9", "#EBA83A", "#005A8D", "#FF96AD", "#39A9CB", "#FC5404"};

QString no_signal_text()
{
    return kit::text(Txt::lockwindow_no_signal);
}

QString black_text()
{
    return kit::text(Txt::lockwindow_black);
}

QString disabled_text()
{
    return kit::text(Txt::lockwindow_close);
}

QLabel* mark(QWidget* tile, int x, int y, int size, const char* picture)
{
    QLabel* l = new QLabel(tile);
    l->setGeometry(x, y, size, size);
    kit::set_picture(l, kit::pic(QString::fromLatin1(picture)));
    l->setObjectName(QString::fromLatin1(picture).section('.', 0, 0));
    return l;
}
} // namespace

LockWindow::LockWindow(QWidget* parent) : PanelDialog(page::LockWindow, parent), ui(new Ui::LockWindow)
{
    ui->setupUi(this);
    ui->widget->installEventFilter(this);
    kit::set_picture(ui->label_LED_icon, kit::pic(QStringLiteral("LED.png")));
    kit::set_picture(ui->label_bright_icon, kit::pic(QStringLiteral("bright.png")));
    kit::set_picture(ui->label_contrast_icon, kit::pic(QStringLiteral("contrast.png")));
    kit::set_picture(ui->label_ip, kit::pic(QStringLiteral("ip.png")));
    kit::set_icon(ui->main_Button, kit::pic(QStringLiteral("menu_status.png")), 20, 20);
    ui->main_Button->hide();
    ui->label_volume->hide();
    para_init();
    image_init();
    ip_changed();
    retext();
}

LockWindow::~LockWindow()
{
    delete ui;
}

QString LockWindow::led_size_text() const
{
    const QString f = kit::text(Txt::lockwindow_led_size_1_x_2);
    return f.arg(para()->image16(img::LedWidth)).arg(para()->image16(img::LedHeight));
}

bool LockWindow::volume_check() const
{
    return para()->image16(window_base(volume_window()) + img::WinVolume) & 0x8000;
}

void LockWindow::set_volume_picture()
{
    kit::set_picture(ui->label_volume_icon, kit::pic(volume_check() ? QStringLiteral("volume_open.png")
                                                                    : QStringLiteral("volume_close.png")));
}

void LockWindow::set_led_size()
{
    ui->label_input->setText(led_size_text());
    kit::fit_text(ui->label_input); // "Размер LED:3840 x 2160" runs into the IP address
}

void LockWindow::para_init()
{
    set_led_size();
    ui->label_bright->setText(QString::number(para()->image16(img::Brightness)));
    ui->label_contrast->setText(QString::number(para()->image16(img::Contrast)));
    set_volume_picture();
}

void LockWindow::ip_changed()
{
    ui->label_IPaddr->setText(g_str_ip.get());
}

void LockWindow::retext()
{
    set_led_size();
    image_init();
}

void LockWindow::image_init()
{
    YuqRamPara* p = para();
    delete m_frame.data(); // takes every label of the list with it
    m_frame = new QFrame(this);
    m_frame->setObjectName(QStringLiteral("window_list"));
    m_frame->setGeometry(0, 74, 320, 160);
    m_frameObject = m_frame.data();
    m_frame->installEventFilter(this);

    const uint16_t all = p->image16(img::AllWindowsState);
    QFont font = this->font();
    font.setPixelSize(10);
    p->YuqCropSourceInit();

    for (int i = 0; i < WINDOW_COUNT; ++i) {
        const int dx = 155 * (i % 2);
        const int dy = 50 * (i / 2);
        QLabel* tile = new QLabel(m_frame);
        tile->setObjectName(QStringLiteral("tile%1").arg(i));
        tile->setGeometry(10 + dx, 10 + dy, 40, 40);
        tile->setAlignment(Qt::AlignCenter);
        tile->setText(QString::number(i + 1));
        tile->setStyleSheet(QStringLiteral("background-color: %1;font: 20px").arg(QLatin1String(kTileColour[i])));
        QLabel* name = new QLabel(m_frame);
        name->setGeometry(55 + dx, 13 + dy, 100, 15);
        name->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255)"));
        name->setFont(font);
        name->setTextFormat(Qt::PlainText); // alias names come from the PC
        QLabel* status = new QLabel(m_frame);
        status->setFont(font);
        status->setTextFormat(Qt::PlainText);
        m_tile[i] = tile;
        m_name[i] = name;
        m_status[i] = status;
        if (g_image_current.load() == i)
            mark(tile, 28, 0, 12, "osd_yes.png");

        const int base = window_base(i);
        if (i != 0 && p->image16(base + img::WinFlags) != 1) {
            status->setGeometry(55 + dx, 20 + dy, 40, 15);
            status->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255)"));
            status->setText(disabled_text());
            continue;
        }

        short crop = 0;
        char index = 0;
        const int s = p->YuqGetImageSource(p->ram_para, uchar(i), &crop, &index, 0);
        const QString sourceName = sourceinfo::get_source_name_by_sourceid(uchar(s));
        const int rate = p->image16(img::SourceTiming + 6 * s + 4);
        int w = p->image16(img::SourceTiming + 6 * s);
        int h = p->image16(img::SourceTiming + 6 * s + 2);
        // A crop window is named and sized by its own table entry.
        const int e = uchar(index);
        const uint16_t word = e < CROP_COUNT ? p->image16(img::CropTable + 10 * e) : 0;
        if (crop && (word & 0x8000) && (word & 0xFF) == s) {
            name->setText(sourceName + QStringLiteral("_Crop%1").arg(((word >> 8) & 0x7F) + 1));
            w = p->image16(img::CropTable + 10 * e + 6);
            h = p->image16(img::CropTable + 10 * e + 8);
        } else {
            ALIAS_PARA alias;
            if (!crop && get_json_alias_para(&alias, "source", s)) {
                const QString full = QString::fromStdString(alias.name);
                name->setText(QFontMetrics(font).elidedText(full, Qt::ElideRight, 206, Qt::TextShowMnemonic));
            } else {
                name->setText(sourceName);
            }
        }

        status->setGeometry(55 + dx, 28 + dy, 100, 12);
        status->setStyleSheet(QStringLiteral("color: rgb(255, 255, 255);"));
        const uint16_t mode = p->image16(base + img::WinMode);
        bool frozen = mode & 0x0002;
        if (all == 1) {
            status->setText(black_text());
        } else {
            QString t = (w == 0 || h == 0 || rate == 0) ? no_signal_text()
                                                          : QStringLiteral("%1x%2@%3Hz").arg(w).arg(h).arg(rate);
            if (mode & 0x0001)
                t = black_text();
            status->setText(t);
            frozen = frozen || all == 2;
        }
        if (frozen)
            mark(tile, 0, 0, 16, "freeze.png");
    }
    m_frame->show();
}

void LockWindow::refresh(kit::Refresh)
{
    YuqRamPara* p = para();
    if (p->YuqLanguageChanged())
        retext();
    auto changed = [p](int off) { return p->image16(off) != p->applied16(off); };
    if (changed(img::LedWidth) || changed(img::LedHeight))
        set_led_size();
    if (changed(img::Brightness))
        ui->label_bright->setText(QString::number(p->image16(img::Brightness)));
    if (changed(img::Contrast))
        ui->label_contrast->setText(QString::number(p->image16(img::Contrast)));
    // The volume shown is the current window's: a new current window changes it too.
    if (p->ram_para[img::CurrentWindow] != p->ram_para_old[img::CurrentWindow]
        || changed(window_base(volume_window()) + img::WinVolume))
        set_volume_picture();
    image_init();
    ip_changed();
}

bool LockWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Compare addresses only: the list frame may be half destroyed when it sends its last
    // events, and must not be looked at as a QFrame then.
    if (watched != ui->widget && watched != m_frameObject)
        return PanelDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseButtonRelease:
    case QEvent::TouchEnd:
        leave_to_home();
        return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchCancel:
        return true;
    default:
        return false; // painting, showing, layout: the widgets' own
    }
}

void LockWindow::leave_to_home()
{
    if (property("kit_closing").toBool())
        return; // already on its way out
    kit::close_by_back(this, page::MainWindow);
    if (g_mainwindow)
        g_mainwindow->show();
}

void LockWindow::on_main_Button_clicked()
{
    leave_to_home();
}

void LockWindow::key_ok()
{
    leave_to_home();
}

YUQ_SCREEN(LockWindow)
