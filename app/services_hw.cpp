#include "services.h"

#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "sim/sim_keypad.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/screens.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QMetaObject>
#include <QPainter>
#include <QThread>
#include <QWidget>
#include <algorithm>

namespace {

// The panel as shown: every visible top-level window drawn at its panel position, lowest
// first: the home window, dialogs, the active window, modal dialogs, the active modal one,
// windows that stay on top.
bool panel_screenshot(const QString& hostPath)
{
    QApplication* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app)
        return false;
    bool ok = false;
    auto grab = [&] {
        QList<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && !w->isMinimized())
                shown.push_back(w);
        // topLevelWidgets() has no order: rank by what lies above what on the panel.
        auto rank = [](QWidget* w) {
            if (w->windowFlags() & Qt::WindowStaysOnTopHint)
                return 5; // the update overlay
            if (w == QApplication::activeModalWidget())
                return 4;
            if (w->isModal())
                return 3;
            if (w == QApplication::activeWindow())
                return 2;
            return qobject_cast<QDialog*>(w) ? 1 : 0;
        };
        std::stable_sort(shown.begin(), shown.end(), [&](QWidget* a, QWidget* b) { return rank(a) < rank(b); });
        QImage img(320, 240, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter painter(&img);
        for (QWidget* w : shown)
            painter.drawPixmap(w->mapToGlobal(QPoint(0, 0)), w->grab());
        painter.end();
        QDir().mkpath(QFileInfo(hostPath).path());
        ok = img.save(hostPath, "PNG");
    };
    if (QThread::currentThread() == app->thread())
        grab();
    else
        QMetaObject::invokeMethod(app, grab, Qt::BlockingQueuedConnection);
    return ok;
}

// "keypad key X": the simulated keypad's key X (a letter) pressed and released; the panel
// hands it to the screen in front as it does the keyboard's keys.
bool keypad_key(const QStringList& a)
{
    if (a.size() != 1 || a[0].size() != 1 || a[0][0] < QLatin1Char('A') || a[0][0] > QLatin1Char('Z'))
        return false;
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return false;
    const int code = a[0][0].unicode();
    QMetaObject::invokeMethod(app, [code] {
        if (!g_mainwindow)
            return;
        for (QEvent::Type t : {QEvent::KeyPress, QEvent::KeyRelease}) {
            QKeyEvent e(t, code, Qt::NoModifier, QString(QChar(code)));
            QCoreApplication::sendEvent(g_mainwindow, &e);
        }
    }, Qt::QueuedConnection);
    return true;
}

} // namespace

void install_simulated_device()
{
    sim::install();
    // The host has no keypad unless asked for one (YUQ_SIM_KEYPAD=1).
    if (qgetenv("YUQ_SIM_KEYPAD") == "1") {
        sim::install_keypad();
        sim::register_control_command(QStringLiteral("keypad key"), QStringLiteral("keypad key LETTER"), keypad_key);
    }
    sim::set_screenshot_hook(panel_screenshot);
    sim::start_control_fifo();
}

void create_hardware_services()
{
    zarvosource::pInstance();
    fpga_manage::pInstance();
    c331_manage::pInstance()->start_thread();
}

void start_hardware_threads()
{
    fpga_manage::pInstance()->initialize_start();
    zarvosource::pInstance()->initialize();
}
