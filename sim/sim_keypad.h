#pragma once
// The simulated USB keypad behind the HID seam: listed with the keypad's ids while
// present, it records every output report it is sent. Its keys are the desktop keyboard's.
#include "platform/hid.h"

#include <QByteArray>
#include <QVector>
#include <mutex>

namespace sim {

class SimKeypad : public platform::HidBackend
{
public:
    static constexpr uint16_t Vendor = 0x28E9;
    static constexpr uint16_t Product = 0x0380;

    int init() override;
    std::vector<platform::HidDeviceId> enumerate() override;
    std::unique_ptr<platform::HidDevice> open(uint16_t vendor, uint16_t product) override;

    // Tests: faults and state.
    void restore();                      // present, no faults, nothing recorded
    void set_present(bool on);           // listed and openable
    void set_init_fails(bool on);
    void set_write_fails(bool on);
    QVector<QByteArray> reports() const; // every report written, oldest first
    QByteArray last_report() const;      // empty when none
    int opens() const;                   // successful opens

    void record(const uint8_t* data, size_t len);
    bool write_fails() const;

private:
    mutable std::mutex m_mutex;
    bool m_present = true;
    bool m_initFails = false;
    bool m_writeFails = false;
    int m_opens = 0;
    QVector<QByteArray> m_reports;
};

SimKeypad& keypad();
// Installs the simulated keypad as the HID back end and registers the control command
// "keypad" (prints the last report).
void install_keypad();
// Without the simulated keypad: "keypad" and "keypad key ..." say that it is off and how to
// turn it on.
void register_keypad_off();

} // namespace sim
