#include "QRoundProgressBar.h"

#include "screens.h"
#include "core/global.h"

#include <QPainter>
#include <QPainterPath>

QRoundProgressBar::QRoundProgressBar(QWidget* parent, BarStyle style)
    : QWidget(parent), m_style(style)
{
}

QRoundProgressBar::~QRoundProgressBar()
{
    // A newer wheel may be on show already; only forget this one.
    if (g_qround_bar == this)
        g_qround_bar = nullptr;
}

void QRoundProgressBar::create_qround_bar(QDialog* parent)
{
    if (g_qround_bar)
        return;
    g_qround_bar = new QRoundProgressBar(parent, StyleDonut);
    g_qround_bar->setGeometry(120, 70, 100, 100);
    g_qround_bar->setValue(0);
    g_qround_bar->show();
    YUQ_TRACE("\n create_qround_bar");
}

void QRoundProgressBar::setValue(double value)
{
    if (value < m_min)
        value = m_min;
    else if (value > m_max)
        value = m_max;
    if (value == m_value)
        return;
    m_value = value;
    update();
}

void QRoundProgressBar::setValue(int value)
{
    setValue(double(value));
}

void QRoundProgressBar::para_sync(int value)
{
    // The job reports to whichever wheel is on show, not necessarily the receiver.
    QRoundProgressBar* w = g_qround_bar;
    if (!w)
        return;
    if (value > 99) {
        g_qround_bar = nullptr;
        w->close();
        // This very slot may be running on it: delete once the event loop is back.
        w->deleteLater();
        return;
    }
    w->setValue(value);
}

void QRoundProgressBar::paintEvent(QPaintEvent*)
{
    const double side = width();
    const QRectF base(0, 0, side, side);
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    p.fillRect(base, Qt::transparent);

    const double inner = side * 0.9;
    QRectF ring(0, 0, inner, inner);
    ring.moveCenter(base.center());

    QPainterPath disc;
    disc.setFillRule(Qt::OddEvenFill);
    disc.moveTo(base.center());
    disc.addEllipse(ring);
    p.setPen(QPen(QColor(QStringLiteral("#DEE3E7")), 10));
    p.setBrush(Qt::white);
    p.drawPath(disc);

    if (m_value != m_min) {
        const double length = 360.0 / (m_max - m_min) * m_value;
        QPen arc(QColor(QStringLiteral("#2F8DED")), 10);
        arc.setCapStyle(Qt::RoundCap);
        p.setPen(arc);
        p.setBrush(Qt::NoBrush);
        p.drawArc(ring, int(m_startAngle * 16), int(-length * 16));
    }

    const double percent = (m_value - m_min) / (m_max - m_min) * 100;
    QFont f(QString::fromUtf8("微软雅黑"));
    f.setPixelSize(36);
    p.setFont(f);
    p.setPen(QColor(QStringLiteral("#606266")));
    p.drawText(ring, Qt::AlignCenter, QString::number(percent, 'f', m_decimals) + QLatin1Char('%'));
}
