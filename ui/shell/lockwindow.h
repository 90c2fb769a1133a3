#pragma once
// The standby screen (page 0): LED size, IP address, brightness, contrast, volume and the
// six windows with their source and signal. OK or a touch leads to the home screen.
#include "screenkit.h"

#include <QFrame>
#include <QLabel>
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
    void build_list();
    void show_mark(int window, bool on, int x, int y, int size, const char* picture);
    void set_volume_picture();
    void set_led_size();
    QString led_size_text() const;

    Ui::LockWindow* ui;
    // The list, built once; the labels die with their frame, and so do these.
    QPointer<QFrame> m_frame;
    const QObject* m_frameObject = nullptr; // identity only, for the event filter
    QPointer<QLabel> m_tile[6];
    QPointer<QLabel> m_name[6];
    QPointer<QLabel> m_status[6];
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
