#pragma once
// The update overlay, kept in g_move_update while shown.
#include <QDialog>

class FirmwareUpdate : public QDialog
{
    Q_OBJECT
public:
    explicit FirmwareUpdate(QWidget* parent = nullptr);
    // The tick's entry while g_update_flag is set.
    void update_time_deal();

protected:
    void keyPressEvent(QKeyEvent*) override {}
    void keyReleaseEvent(QKeyEvent*) override {}
    void reject() override {}
};

void firmware_update_start();
void firmware_update_over();
