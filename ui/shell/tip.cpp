#include "tip.h"
#include "ui_tip.h"

#include "screenkit.h"
#include "screens.h"
#include "core/global.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>

namespace {

QString usb_text(int n)
{
    switch (n) {
    case 3:
        return kit::text(Txt::tip_usb_driver_is_connected);
    case 4:
        return kit::text(Txt::tip_usb_drive_is_unplugged);
    default:
        return kit::text(Txt::tip_reading_the_data_pls_wai);
    }
}

// Several texts are wider than the box at 15 px: wrapped at blanks, and where one word is
// still too wide, a pixel smaller, so that no text is cut off.
void fit_text(QLabel* l, int px)
{
    l->setWordWrap(true);
    const int flags = int(l->alignment()) | Qt::TextWordWrap;
    for (;; --px) {
        QFont f = l->font();
        f.setPixelSize(px);
        const QRect need = QFontMetrics(f).boundingRect(QRect(QPoint(), l->size()), flags, l->text());
        if (px <= 9 || (need.width() <= l->width() && need.height() <= l->height()))
            break;
    }
    l->setStyleSheet(QStringLiteral("font: %1px").arg(px));
}

} // namespace

TIP::TIP(QWidget* parent) : PanelPopup(parent), ui(new Ui::TIP)
{
    ui->setupUi(this);
}

TIP::~TIP()
{
    if (g_tip == this) {
        g_tip = nullptr;
        g_tip_flag = 0; // the tick has no tip left to count for
    }
    delete ui;
}

void TIP::tip_create(int n)
{
    // The labels are the frame's children and go with it.
    delete m_frame;
    m_frame = nullptr;
    m_label = nullptr;
    if (n != 1 && (n < 3 || n > 5))
        return;
    const int w = n == 1 ? 120 : 220;
    setGeometry(n == 1 ? 100 : 50, 60, w, 120);
    m_frame = new QFrame(this);
    m_frame->setStyleSheet(QStringLiteral("background-color:rgb(136, 138, 133);"));
    m_frame->setGeometry(0, 0, w, 120);
    m_label = new QLabel(m_frame);
    if (n == 1) {
        m_label->setGeometry(20, 20, 80, 80);
        kit::set_picture(m_label, kit::pic(QStringLiteral("check_180.png")));
    } else {
        m_label->setGeometry(5, 5, 200, 100);
        m_label->setAlignment(Qt::AlignCenter);
        m_label->setText(usb_text(n));
        fit_text(m_label, 15);
    }
    m_label->raise();
    m_frame->show();
    tip_show();
}

void TIP::tip_show()
{
    g_tip_flag = 1;
    if (isVisible())
        return; // the tip in front keeps running and keeps its time
    exec();
}

void TIP::tip_outtime_deal()
{
    if (++m_ticks != SHOWN_TICKS)
        return;
    hide();
    m_ticks = 0;
    g_tip_flag = 0;
    YUQ_TRACE("\n tip over! ");
}
