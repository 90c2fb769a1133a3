#pragma once
// The timed notice: tip n is shown modally until the tick has counted 300 ticks.
#include "screenkit.h"

namespace Ui {
class TIP;
}
class QFrame;
class QLabel;

class TIP : public PanelPopup
{
    Q_OBJECT
public:
    explicit TIP(QWidget* parent = nullptr);
    ~TIP() override;
    // Shows tip n (1 check mark, 3-5 USB texts) and returns once it is hidden; any other n
    // only removes the content.
    void tip_create(int n);
    void tip_show();
    // The tick's entry while g_tip_flag is set.
    void tip_outtime_deal();

    static constexpr int SHOWN_TICKS = 300;
    // Tests: the tick count and the content of the last tip (null once removed).
    int ticks() const { return m_ticks; }
    QFrame* content() const { return m_frame; }
    QLabel* content_label() const { return m_label; }

protected:
    // No keys of its own; like every panel dialog it is closed only through the kit, so
    // Escape and a window manager's close leave it (and its global) alone.
    void keyPressEvent(QKeyEvent*) override {}
    void keyReleaseEvent(QKeyEvent*) override {}

private:
    Ui::TIP* ui;
    QFrame* m_frame = nullptr;
    QLabel* m_label = nullptr;
    int m_ticks = 0;
};
