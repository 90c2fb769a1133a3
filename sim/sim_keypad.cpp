#include "sim_keypad.h"

#include "control.h"

#include <cstdio>

namespace sim {

namespace {

class SimKeypadDevice : public platform::HidDevice
{
public:
    explicit SimKeypadDevice(SimKeypad& k) : m_keypad(k) {}
    int write(const uint8_t* data, size_t len) override
    {
        if (m_keypad.write_fails())
            return -1;
        m_keypad.record(data, len);
        return int(len);
    }

private:
    SimKeypad& m_keypad;
};

QByteArray hex_words(const QByteArray& r)
{
    return r.isEmpty() ? QByteArray("none") : r.toHex(' ').toUpper();
}

} // namespace

int SimKeypad::init()
{
    std::lock_guard<std::mutex> l(m_mutex);
    return m_initFails ? -1 : 0;
}

std::vector<platform::HidDeviceId> SimKeypad::enumerate()
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (!m_present)
        return {};
    return {{Vendor, Product}};
}

std::unique_ptr<platform::HidDevice> SimKeypad::open(uint16_t vendor, uint16_t product)
{
    std::lock_guard<std::mutex> l(m_mutex);
    if (!m_present || vendor != Vendor || product != Product)
        return nullptr;
    ++m_opens;
    return std::make_unique<SimKeypadDevice>(*this);
}

void SimKeypad::restore()
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_present = true;
    m_initFails = m_writeFails = false;
    m_opens = 0;
    m_reports.clear();
}

void SimKeypad::set_present(bool on)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_present = on;
}

void SimKeypad::set_init_fails(bool on)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_initFails = on;
}

void SimKeypad::set_write_fails(bool on)
{
    std::lock_guard<std::mutex> l(m_mutex);
    m_writeFails = on;
}

bool SimKeypad::write_fails() const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return m_writeFails;
}

QVector<QByteArray> SimKeypad::reports() const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return m_reports;
}

QByteArray SimKeypad::last_report() const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return m_reports.isEmpty() ? QByteArray() : m_reports.back();
}

int SimKeypad::opens() const
{
    std::lock_guard<std::mutex> l(m_mutex);
    return m_opens;
}

void SimKeypad::record(const uint8_t* data, size_t len)
{
    const QByteArray r(reinterpret_cast<const char*>(data), int(len));
    {
        std::lock_guard<std::mutex> l(m_mutex);
        m_reports.push_back(r);
    }
    std::printf("sim keypad: report %s\n", hex_words(r).constData());
    std::fflush(stdout);
}

SimKeypad& keypad()
{
    static SimKeypad k;
    return k;
}

void install_keypad()
{
    platform::install_hid(&keypad());
    register_control_command(QStringLiteral("keypad"), QStringLiteral("keypad"), [](const QStringList& a) {
        if (!a.isEmpty())
            return false;
        std::printf("sim keypad: last report %s\n", hex_words(keypad().last_report()).constData());
        std::fflush(stdout);
        return true;
    });
}

void register_keypad_off()
{
    // "keypad key ..." falls to "keypad" too (the longest command a line starts with).
    register_control_command(QStringLiteral("keypad"), QStringLiteral("keypad"), [](const QStringList& a) {
        control_note((QStringList(QStringLiteral("keypad")) + a).join(QLatin1Char(' '))
                     + QStringLiteral(": the simulated keypad is off: start the panel with YUQ_SIM_KEYPAD=1"));
        return false;
    });
}

} // namespace sim
