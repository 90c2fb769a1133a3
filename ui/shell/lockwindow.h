#pragma once
// The standby screen (page 0): LED size, IP address, brightness, contrast, volume and the
// six windows with their source and signal. OK or a touch leads to the home screen.
#include "screenkit.h"

#include <QFrame>
#include <QPointer>
#include <algorithm>

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

    // The window list (tests): its widget, and per window the name, the state and the
    // marks it shows ("" and none while the list is gone).
    enum Mark { Current, Frozen };
    QFrame* list_frame() const;
    QString name_text(int w) const;
    QString status_text(int w) const;
    bool shows_mark(int w, Mark m) const;

public slots:
    void on_main_Button_clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void key_ok() override;
    void key_back() override {} // standby leaves by OK or a touch only

private:
    void leave_to_home();
    void build_list();
    void set_volume_picture();
    void set_led_size();
    QString led_size_text() const;

    class WindowList;
    Ui::LockWindow* ui;
    // The list, made once.
    QPointer<WindowList> m_frame;
    const QObject* m_frameObject = nullptr; // identity only, for the event filter
    // What each tile shows, to leave unchanged windows alone.
    struct Shown
    {
        bool valid = false, current = false, enabled = false;
        int source = 0, crop = 0, word = 0, mode = 0, all = 0;
        int timing[3] = {}, cropSize[2] = {};
        bool operator==(const Shown& o) const
        {
            return valid == o.valid && current == o.current && enabled == o.enabled && source == o.source
                   && crop == o.crop && word == o.word && mode == o.mode && all == o.all
                   && std::equal(timing, timing + 3, o.timing) && std::equal(cropSize, cropSize + 2, o.cropSize);
        }
    };
    Shown m_shown[6];
    bool m_retextList = false; // the next image_init re-texts every tile
};
