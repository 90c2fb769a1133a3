#include "tip.h"

#include "screens.h"
#include "core/global.h"

#include <QFrame>

TIP::TIP(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("TIP"));
    setWindowTitle(QStringLiteral("Dialog"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    resize(160, 120);
}

// The content of each tip comes with the tip pop-up; the timing is here already.
void TIP::tip_create(int n)
{
    delete m_frame;
    m_frame = nullptr;
    if (n != 1 && (n < 3 || n > 5))
        return;
    m_frame = new QFrame(this);
    m_frame->setStyleSheet(QStringLiteral("background-color:rgb(136, 138, 133);"));
    if (n == 1) {
        setGeometry(100, 60, 120, 120);
        m_frame->setGeometry(0, 0, 120, 120);
    } else {
        setGeometry(50, 60, 220, 120);
        m_frame->setGeometry(0, 0, 220, 120);
    }
    m_frame->show();
    tip_show();
}

void TIP::tip_show()
{
    if (isVisible())
        return; // the tip in front keeps running
    g_tip_flag = 1;
    exec();
}

void TIP::tip_outtime_deal()
{
    if (++m_ticks != 300)
        return;
    hide();
    m_ticks = 0;
    g_tip_flag = 0;
    YUQ_TRACE("\n tip over! ");
}
