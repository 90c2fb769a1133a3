#pragma once
// The GUI thread's end of every parameter change: keypad LEDs, the screen in front,
// user-mode save and delete requests, and the write-back of /data/ram_device_info.
#include <QObject>

class SyncUpdate : public QObject
{
    Q_OBJECT
public:
    static SyncUpdate* pInstance();
    static SyncUpdate* p_SyncUpdate;

    // Sends the keypad LED report when it changed.
    void update_usb_keyLed();
    // The part of a refresh that shows the image: the screen in front refreshed and the
    // language taken over.
    void refresh_front(int code);
    // A write-back failed and is retried by the next refresh.
    bool write_pending() const { return m_writePending; }

    unsigned char last_key_report[5] = {0, 0, 0, 0, 0};

public slots:
    void para_sync(int code);

private:
    SyncUpdate() = default;
    void current_window_check();
    void save_request();
    void slot_files();
    void write_back();
    void tip_later(int n);

    bool m_writePending = false;
};
