#include "startup.h"

#include "control_commands.h"
#include "host_start.h"
#include "screen_registry.h"
#include "ui/shell/panelclock.h"
#include "services.h"

#include "comm/usbserver.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"
#include "platform/hid.h"
#include "sim/control.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/panelrequests.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"
#include "ui/shell/syncupdate.h"
#include "ui/shell/yuq_keys.h"

#include "resources/yuq_resources.h"

#include <QApplication>
#include <QThread>
#include <QTimer>
#include <cstdio>

QString panel_prepare()
{
    platform::ensure_device_tree();
    std::printf("device root: %s\n", platform::device_root().toLocal8Bit().constData());
    Utils::remove_stale_temp_files();
    install_simulated_device();
    register_control_commands();
    // Opened once every command is known: a line written early waits for its command's
    // needs instead of meeting "unknown command".
    const QString problem = sim::start_control_fifo();
    if (!problem.isEmpty())
        return problem;
#ifdef YUQ_DEVICE_BACKENDS
    platform::install_hid(platform::hidapi_backend());
#endif

    g_yuq_keys = uint8_t(check_hiddev());
    ConfigEngine::pInstance();
    YuqRamPara::pInstance();
    SyncUpdate::pInstance();
    return QString();
}

void panel_start(QApplication* app, const PanelStart& how)
{
    yuq_resources_init();
    host::device_look();
    register_screens();
    kit::install_panel_rules(app);
    g_mainwindow = new MainWindow(nullptr);
    if (how.tick_timer) {
        g_timer = new QTimer;
        QObject::connect(g_timer, &QTimer::timeout, PanelClock::instance(), &PanelClock::tick);
        g_timer->start(10);
        sticks_wait_for_the_watcher();
    }

    create_hardware_services();
    start_hardware_threads();
    // The hardware threads start up meanwhile; the tick only runs once the loop does.
    if (how.pause_ms > 0)
        QThread::msleep(static_cast<unsigned long>(how.pause_ms));

    g_mainwindow->show();
    kit::open(page::LockWindow);

    QObject::connect(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para,
                     SyncUpdate::pInstance(), &SyncUpdate::para_sync);
    connect_panel_requests();
    if (g_yuq_keys)
        SyncUpdate::pInstance()->update_usb_keyLed();

    create_links();
    QObject::connect(UsbServer::pInstance(), &UsbServer::sig_usb_update, SyncUpdate::pInstance(),
                     &SyncUpdate::para_sync);
    panel_ready();
}

int yuq_main(int argc, char* argv[])
{
    host::keep_arguments(argc, argv);
    QString problem = host::claim_device_root();
    if (problem.isEmpty()) {
        host::prepare_environment();
        problem = host::choose_display(argc, argv);
    }
    if (problem.isEmpty())
        problem = host::open_vnc_port(argc, argv);
    if (problem.isEmpty())
        problem = panel_prepare();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "yuqK87N: %s\n", problem.toLocal8Bit().constData());
        return 1;
    }
    QApplication app(argc, argv);
    host::application_created(&app);
    panel_start(&app, PanelStart());
    return app.exec();
}
