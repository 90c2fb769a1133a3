#pragma once
// The update overlay: a full-panel dialog with a bouncing picture and "Updating..." text,
// kept in g_move_update while shown and animated by the tick while g_update_flag is set
// and the device's clock runs.
#include "screenkit.h"

namespace Ui {
class FirmwareUpdate;
}
class QLabel;

class FirmwareUpdate : public PanelPopup
{
    Q_OBJECT
public:
    explicit FirmwareUpdate(QWidget* parent = nullptr);
    ~FirmwareUpdate() override;
    void language_changed();
    // The tick's entry while g_update_flag is set (G_timeTicks already advanced).
    void update_time_deal();

    // Tests: the two labels.
    QLabel* picture() const { return m_picture; }
    QLabel* text() const { return m_text; }

protected:
    // No keys of its own; like every panel dialog it is closed only through the kit, so
    // Escape and a window manager's close leave it (and its global) alone.
    void keyPressEvent(QKeyEvent*) override {}
    void keyReleaseEvent(QKeyEvent*) override {}

private:
    QString base_text() const;
    void place_text(const QString& text, int pxPerChar);

    Ui::FirmwareUpdate* ui;
    QLabel* m_picture = nullptr;
    QLabel* m_text = nullptr;
    int m_x = 128;
    int m_y = 60;
    int m_steps = 0;
    bool m_down = true;
};

// Opens the overlay (or shows it again) / closes and destroys it.
void firmware_update_start();
void firmware_update_over();
