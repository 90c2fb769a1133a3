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
#include <QPainter>
#include <QPaintEvent>
#include <QStyle>
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
    const int w = para()->image8(img::CurrentWindow);
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

const char* const kMarkPicture[2] = {"osd_yes.png", "freeze.png"};
// Within a tile: the current-window mark top right, the frost top left (drawn last).
const QRect kMarkRect[2] = {QRect(28, 0, 12, 12), QRect(0, 0, 16, 16)};

QPoint cell_origin(int w)
{
    return QPoint(155 * (w % 2), 50 * (w / 2));
}

QRect tile_rect(int w)
{
    return QRect(QPoint(10, 10) + cell_origin(w), QSize(40, 40));
}

// All a window shows: its tile, name and state.
QRect cell_rect(int w)
{
    return QRect(QPoint(10, 10) + cell_origin(w), QSize(145, 40));
}

QRect name_rect(int w)
{
    return QRect(QPoint(55, 13) + cell_origin(w), QSize(100, 15));
}

QRect status_rect(int w, bool enabled)
{
    return enabled ? QRect(QPoint(55, 28) + cell_origin(w), QSize(100, 12))
                   : QRect(QPoint(55, 20) + cell_origin(w), QSize(40, 15));
}
} // namespace

// The six windows in one widget: per window its coloured tile with the number and marks,
// its name and its state, drawn as a label of each would draw them (nineteen labels and
// their sheet cost an open several times this).
class LockWindow::WindowList : public QFrame
{
public:
    explicit WindowList(QWidget* parent) : QFrame(parent)
    {
        // The form's background under it is the list's own.
        setAttribute(Qt::WA_NoSystemBackground);
        m_text = QFont(font(), this);
        m_text.setPixelSize(10);
        QFont number(font(), this);
        number.setPixelSize(20);
        for (int w = 0; w < WINDOW_COUNT; ++w)
            m_number[w].set(QString::number(w + 1), number);
    }
    struct Tile
    {
        QString name, status;
        bool enabled = true;
        bool mark[2] = {}; // current window, frozen
        kit::TextLine nameLine, statusLine;
    };
    Tile tile[6];
    const QFont& text_font() const { return m_text; }
    // After a window's texts or marks changed.
    void update_window(int w)
    {
        tile[w].nameLine.set(tile[w].name, m_text);
        tile[w].statusLine.set(tile[w].status, m_text);
        update(cell_rect(w));
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QFrame::paintEvent(e);
        QPainter p(this);
        for (int w = 0; w < WINDOW_COUNT; ++w) {
            const QRect t = tile_rect(w);
            if (!e->rect().intersects(cell_rect(w)))
                continue;
            const Tile& d = tile[w];
            const QColor colour(QLatin1String(kTileColour[w]));
            p.fillRect(t, colour);
            p.setPen(palette().color(QPalette::WindowText));
            m_number[w].draw(&p, t, Qt::AlignCenter);
            for (int m = 0; m < 2; ++m) {
                if (!d.mark[m])
                    continue;
                const QRect r = kMarkRect[m].translated(t.topLeft());
                p.fillRect(r, colour);
                style()->drawItemPixmap(&p, r, Qt::AlignCenter,
                                        kit::picture(kit::pic(QLatin1String(kMarkPicture[m])), r.size()));
            }
            p.setFont(m_text);
            p.setPen(Qt::white);
            d.nameLine.draw(&p, name_rect(w), Qt::AlignLeft | Qt::AlignVCenter);
            d.statusLine.draw(&p, status_rect(w, d.enabled), Qt::AlignLeft | Qt::AlignVCenter);
        }
    }

private:
    QFont m_text;
    kit::TextLine m_number[6];
};

LockWindow::LockWindow(QWidget* parent) : PanelDialog(page::LockWindow, parent), ui(new Ui::LockWindow)
{
    ui->setupUi(this);
    ui->widget->installEventFilter(this);
    kit::set_sized_picture(ui->label_LED_icon, kit::pic(QStringLiteral("LED.png")));
    kit::set_sized_picture(ui->label_bright_icon, kit::pic(QStringLiteral("bright.png")));
    kit::set_sized_picture(ui->label_contrast_icon, kit::pic(QStringLiteral("contrast.png")));
    kit::set_sized_picture(ui->label_ip, kit::pic(QStringLiteral("ip.png")));
    kit::set_icon(ui->main_Button, kit::pic(QStringLiteral("menu_status.png")), 20, 20);
    ui->main_Button->hide();
    ui->label_volume->hide();
    para_init(); // the LED size too: the language's texts come with the build
    image_init();
    ip_changed();
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
    kit::set_sized_picture(ui->label_volume_icon, kit::pic(volume_check() ? QStringLiteral("volume_open.png")
                                                                    : QStringLiteral("volume_close.png")));
}

void LockWindow::set_led_size()
{
    ui->label_input->setText(led_size_text());
    kit::fit_text_remembered(ui->label_input); // "Размер LED:3840 x 2160" runs into the IP address
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
    kit::set_plain_text(ui->label_IPaddr, g_str_ip.get()); // from the configuration file
}

void LockWindow::retext()
{
    set_led_size();
    m_retextList = true; // texts and alias names again
    image_init();
}

// The list, made once (again only if something deleted it).
void LockWindow::build_list()
{
    m_frame = new WindowList(this);
    m_frame->setObjectName(QStringLiteral("window_list"));
    m_frame->setGeometry(0, 74, 320, 160);
    m_frameObject = m_frame.data();
    m_frame->installEventFilter(this);
    for (Shown& s : m_shown)
        s = Shown{};
    m_frame->show();
}

QFrame* LockWindow::list_frame() const
{
    return m_frame.data();
}

QString LockWindow::name_text(int w) const
{
    return m_frame && w >= 0 && w < 6 ? m_frame->tile[w].name : QString();
}

QString LockWindow::status_text(int w) const
{
    return m_frame && w >= 0 && w < 6 ? m_frame->tile[w].status : QString();
}

bool LockWindow::shows_mark(int w, Mark m) const
{
    return m_frame && w >= 0 && w < 6 && m_frame->tile[w].mark[m];
}

void LockWindow::image_init()
{
    YuqRamPara* p = para();
    if (!m_frame)
        build_list();

    // The window records, crops and timings as one state: the input and link threads
    // write them while the panel draws.
    unsigned char snap[RAM_PARA_SIZE];
    p->image_snapshot(0, snap, RAM_PARA_SIZE);
    const uint16_t all = rd16(snap, img::AllWindowsState);
    p->YuqCropSourceInit();

    for (int i = 0; i < WINDOW_COUNT; ++i) {
        // What the tile shows; an unchanged window is left alone.
        Shown now;
        now.valid = true;
        now.current = g_image_current.load() == i;
        const int base = window_base(i);
        now.enabled = i == 0 || rd16(snap, base + img::WinFlags) == 1;
        short crop = 0;
        char index = 0;
        int s = 0, e = 0;
        uint16_t word = 0;
        if (now.enabled) {
            s = p->YuqGetImageSource(snap, uchar(i), &crop, &index, 0);
            e = uchar(index);
            word = e < CROP_COUNT ? rd16(snap, img::CropTable + 10 * e) : 0;
            now.source = s;
            now.crop = crop ? 1 : 0;
            now.word = word;
            now.mode = rd16(snap, base + img::WinMode);
            now.all = all;
            for (int k = 0; k < 3; ++k)
                now.timing[k] = rd16(snap, img::SourceTiming + 6 * s + 2 * k);
            if (crop && e < CROP_COUNT) {
                now.cropSize[0] = rd16(snap, img::CropTable + 10 * e + 6);
                now.cropSize[1] = rd16(snap, img::CropTable + 10 * e + 8);
            }
        }
        if (now == m_shown[i] && !m_retextList)
            continue;
        m_shown[i] = now;
        WindowList::Tile& tile = m_frame->tile[i];
        tile.mark[Current] = now.current;
        tile.enabled = now.enabled;

        if (!now.enabled) {
            tile.name.clear();
            tile.status = disabled_text();
            tile.mark[Frozen] = false;
            m_frame->update_window(i);
            continue;
        }

        const QString sourceName = sourceinfo::get_source_name_by_sourceid(uchar(s));
        const int rate = now.timing[2];
        int w = now.timing[0];
        int h = now.timing[1];
        // A crop window is named and sized by its own table entry.
        if (crop && (word & 0x8000) && (word & 0xFF) == s) {
            tile.name = sourceName + QStringLiteral("_Crop%1").arg(((word >> 8) & 0x7F) + 1);
            w = now.cropSize[0];
            h = now.cropSize[1];
        } else {
            ALIAS_PARA alias;
            if (!crop && get_json_alias_para(&alias, "source", s)) {
                const QString full = QString::fromStdString(alias.name);
                tile.name = QFontMetrics(m_frame->text_font()).elidedText(full, Qt::ElideRight, 206, Qt::TextShowMnemonic);
            } else {
                tile.name = sourceName;
            }
        }

        const uint16_t mode = now.mode;
        bool frozen = mode & 0x0002;
        if (all == 1) {
            tile.status = black_text();
        } else {
            QString t = (w == 0 || h == 0 || rate == 0) ? no_signal_text()
                                                          : QStringLiteral("%1x%2@%3Hz").arg(w).arg(h).arg(rate);
            if (mode & 0x0001)
                t = black_text();
            tile.status = t;
            frozen = frozen || all == 2;
        }
        tile.mark[Frozen] = frozen;
        m_frame->update_window(i);
    }
    m_retextList = false;
}

void LockWindow::refresh(kit::Refresh code)
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
    if (uint8_t(p->image16(img::CurrentWindow)) != uint8_t(p->applied16(img::CurrentWindow))
        || changed(window_base(volume_window()) + img::WinVolume))
        set_volume_picture();
    if (code == kit::Refresh::AliasFile)
        m_retextList = true;
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
