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
    // Tick: writes the parameter file again, once a second, while a write of it failed.
    void retry_write_back();

    unsigned char last_key_report[5] = {0, 0, 0, 0, 0};

public slots:
    void para_sync(int code);

private:
    SyncUpdate() = default;
    void current_window_check();
    bool save_request(); // false when a save did not land
    void slot_files();
    void write_back();
    void tip_later(int n);

    bool m_inSync = false;
    int m_retryWait = 0; // ticks since the last try of a pending write
};
