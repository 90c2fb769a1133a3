#include "startup.h"

#include "core/config_engine.h"
#include "core/global.h"
#include "core/yuqrampara.h"
#include "platform/devpath.h"

#include "resources/yuq_resources.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <cstdio>

int yuq_main(int argc, char* argv[])
{
    platform::ensure_device_tree();
    std::printf("device root: %s\n", platform::device_root().toLocal8Bit().constData());
    ConfigEngine::pInstance();
    YuqRamPara::pInstance();

    QApplication app(argc, argv);
    yuq_resources_init();
    QDialog w;
    w.setFixedSize(320, 240);
    w.setStyleSheet(QStringLiteral("background: rgb(16,16,28); color: white;"));
    QLabel l(QStringLiteral("yuqK87N"), &w);
    l.setGeometry(0, 0, 320, 240);
    l.setAlignment(Qt::AlignCenter);
    w.show();
    return app.exec();
}
