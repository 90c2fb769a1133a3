#pragma once
// The standby screen (page 0): LED size, IP address, brightness, contrast, volume and the
// six windows with their source and signal. OK or a touch leads to the home screen.
#include "screenkit.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>

namespace Ui {
class LockWindow;
}

class LockWindow : public PanelDialog
{
    Q_OBJECT
public:
    explicit LockWindow(QWidget* parent = nullptr);
    ~LockWindow() override;

    void retext() override;
    void refresh(kit::Refresh code) override;
    // Back is its OK: to the home screen.
    void back() override { leave_to_home(); }
    void para_init();
    void image_init();
    void ip_changed();
    bool volume_check() const;

    // The window list of the last build (tests): the list frame, and per window its tile,
    // name and status labels.
    QFrame* list_frame() const { return m_frame.data(); }
    QLabel* tile(int w) const { return w >= 0 && w < 6 ? m_tile[w].data() : nullptr; }
    QLabel* name_label(int w) const { return w >= 0 && w < 6 ? m_name[w].data() : nullptr; }
    QLabel* status_label(int w) const { return w >= 0 && w < 6 ? m_status[w].data() : nullptr; }

public slots:
    void on_main_Button_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void key_ok() override;
    void key_back() override {} // standby leaves by OK or a touch only

private:
    void leave_to_home();
    void set_volume_picture();
    void set_led_size();
    QString led_size_text() const;

    Ui::LockWindow* ui;
    // The list of the last build; the labels die with their frame, and so do these.
    QPointer<QFrame> m_frame;
    const QObject* m_frameObject = nullptr; // identity only, for the event filter
    QPointer<QLabel> m_tile[6];
    QPointer<QLabel> m_name[6];
    QPointer<QLabel> m_status[6];
};
