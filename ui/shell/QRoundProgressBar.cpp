#include "QRoundProgressBar.h"

#include "screens.h"

// The ring comes with the progress wheel; its lifetime rules are here already.
QRoundProgressBar::QRoundProgressBar(QWidget* parent) : QWidget(parent) {}

void QRoundProgressBar::create_qround_bar(QDialog* parent)
{
    if (g_qround_bar)
        return;
    g_qround_bar = new QRoundProgressBar(parent);
    g_qround_bar->setGeometry(120, 70, 100, 100);
    g_qround_bar->show();
}

void QRoundProgressBar::para_sync(int value)
{
    if (!g_qround_bar)
        return;
    if (value > 99) {
        QRoundProgressBar* w = g_qround_bar;
        g_qround_bar = nullptr;
        w->close();
        w->deleteLater();
    }
}
