#pragma once
// The panel's clock: the 10 ms tick on the GUI thread. It counts G_timeTicks and drives what
// runs by ticks: the update overlay's animation, the tip's timeout, the reboot request, the
// aging sampler, the start of the USB-stick reports, a failed write-back of the parameter
// file, and the front screen following g_page_focus.
#include <QObject>
#include <cstdint>

class PanelClock : public QObject
{
    Q_OBJECT
public:
    static PanelClock* instance();

public slots:
    void tick();

private:
    using QObject::QObject;
    uint32_t m_rebootLast = 0;
    bool m_rebootRun = false;
};
