#include "firmwareupdate.h"

#include "screens.h"
#include "core/global.h"

// Picture and text come with the overlay; until then it is a dark 320x240 dialog.
FirmwareUpdate::FirmwareUpdate(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FirmwareUpdate"));
    setWindowTitle(QStringLiteral("Dialog"));
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_DeleteOnClose);
    setStyleSheet(QStringLiteral("background-color: rgb(16, 16, 28);"));
    resize(320, 240);
}

void FirmwareUpdate::update_time_deal() {}

void firmware_update_start()
{
    if (!g_move_update) {
        g_move_update = new FirmwareUpdate(nullptr);
        g_move_update->move(0, 0);
    }
    g_move_update->show();
}

void firmware_update_over()
{
    if (!g_move_update)
        return;
    FirmwareUpdate* u = g_move_update;
    g_move_update = nullptr;
    u->close();
    YUQ_TRACE("\n update_over !!!");
}
