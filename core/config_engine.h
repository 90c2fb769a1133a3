#pragma once
// The INI configuration /data/configs/tcpip.ini: each item under "config/<item name>".
#include <QMutex>
#include <QString>
#include <QVariant>
#include <functional>

namespace ConfigItem {
enum ConfigName {
    TCPPort = 0,
    MACAddress = 1,
    IPAddress = 2,
    SubNetMask = 3,
    GateWay = 4,
    BarCode = 5,
    usbupgradedir = 6,
    YuqMaxPixel_UINT = 7,
    LcdLangValid = 8,
    ConfigCount
};
}

class ConfigEngine
{
public:
    static ConfigEngine* pInstance();
    static ConfigEngine* p_config;

    // Reads the file (defaults for what it lacks) and copies the items into the globals.
    ConfigEngine();

    QVariant read_config_variant(ConfigItem::ConfigName item) const;
    void write_config_variant(ConfigItem::ConfigName item, const QVariant& value);

    static QString item_key(ConfigItem::ConfigName item); // "config/<name>"
    static QVariant item_default(ConfigItem::ConfigName item);

    // Whether /data/configs/led_load_config.ini named this application at start.
    bool app_entry_ok() const { return m_appEntryOk; }
    static QString config_path() { return QStringLiteral("/data/configs/tcpip.ini"); }
    static QString load_config_path() { return QStringLiteral("/data/configs/led_load_config.ini"); }
    static QString app_path() { return QStringLiteral("/data/app/yuqK87N"); }

    // Tests re-create the engine on a fresh device root.
    static void reset_for_test();
    // Tests: runs in every write between the file's check and its write, where a local
    // user may plant a link.
    static std::function<void()> before_write_for_test;

private:
    // The file holds nine short items; anything many times that is not it.
    static constexpr qint64 kFileLimit = 64 * 1024;
    void load();
    // Writes the items of the mask `items` (bit = item) into the file; every item when the
    // file was missing, empty, unreadable or kept aside.
    void store(uint items);
    // Reads tcpip.ini into `content` (its time into `modifiedMs`); one that is a link, no
    // regular file or too large is kept aside (NAME.bad), one that cannot be read too at
    // the start (`atStart`): true when it was.
    static bool keep_aside_if_odd(QByteArray* content, bool atStart, qint64* modifiedMs = nullptr);

    mutable QMutex m_mutex;
    QMutex m_fileMutex; // one write of the file at a time
    QVariant m_values[ConfigItem::ConfigCount];
    bool m_appEntryOk = false;
};
