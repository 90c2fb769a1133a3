#pragma once
// The timed notice: tip n is shown modally until the tick has counted 300 ticks.
#include <QDialog>

class QFrame;

class TIP : public QDialog
{
    Q_OBJECT
public:
    explicit TIP(QWidget* parent = nullptr);
    // Shows tip n (1 check mark, 3-5 USB texts) and returns once it is hidden.
    void tip_create(int n);
    void tip_show();
    // The tick's entry while g_tip_flag is set.
    void tip_outtime_deal();
    int ticks() const { return m_ticks; }

protected:
    void keyPressEvent(QKeyEvent*) override {}
    void keyReleaseEvent(QKeyEvent*) override {}
    void reject() override {}

private:
    QFrame* m_frame = nullptr;
    int m_ticks = 0;
};
