#include "config_engine.h"

#include "global.h"
#include "ini_text.h"
#include "logMsg.h"
#include "utils.h"
#include "platform/devpath.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <iterator>

ConfigEngine* ConfigEngine::p_config = nullptr;
std::function<void()> ConfigEngine::before_write_for_test;

namespace {
const char* const kNames[ConfigItem::ConfigCount] = {
    "TCPPort", "MACAddress", "IPAddress", "SubNetMask", "GateWay",
    "BarCode", "usbupgradedir", "YuqMaxPixel_UINT", "LcdLangValid",
};
} // namespace

ConfigEngine* ConfigEngine::pInstance()
{
    if (!p_config) {
        p_config = new ConfigEngine;
        Utils::getIPAddress();
    }
    return p_config;
}

void ConfigEngine::reset_for_test()
{
    delete p_config;
    p_config = nullptr;
    pInstance();
}

QString ConfigEngine::item_key(ConfigItem::ConfigName item)
{
    return QStringLiteral("config/") + QLatin1String(kNames[item]);
}

QVariant ConfigEngine::item_default(ConfigItem::ConfigName item)
{
    switch (item) {
    case ConfigItem::TCPPort: return 5005u;
    case ConfigItem::MACAddress: return QStringLiteral("00:11:22:33:44:55");
    case ConfigItem::IPAddress: return QStringLiteral("192.168.1.199");
    case ConfigItem::SubNetMask: return QStringLiteral("255.255.255.0");
    case ConfigItem::GateWay: return QStringLiteral("192.168.1.1");
    case ConfigItem::BarCode: return QStringLiteral(" ");
    case ConfigItem::usbupgradedir: return QStringLiteral("YUQ-K64");
    case ConfigItem::YuqMaxPixel_UINT: return 13107200u;
    case ConfigItem::LcdLangValid: return 0x1Fu;
    case ConfigItem::ConfigCount: break;
    }
    return QVariant();
}

ConfigEngine::ConfigEngine()
{
    load();
}

bool ConfigEngine::keep_aside_if_odd(QByteArray* content, bool atStart, qint64* modifiedMs)
{
    // Read checked: a fifo would hold the panel for ever, a device or a huge file would fill
    // the memory, a link leads outside the root. Such a file is kept aside and the items
    // are written anew. One that cannot be read (its mode) would have its items replaced
    // by the defaults at the start; a later write has them all and writes it whole.
    const Utils::Read r = Utils::read_file_checked(config_path(), content, kFileLimit, modifiedMs);
    if (r == Utils::Read::Ok || r == Utils::Read::Missing || (r == Utils::Read::Unreadable && !atStart))
        return false;
    const QString kept = Utils::keep_damaged(config_path());
    std::printf("tcpip.ini %s: %s, its items written anew\n",
                Utils::read_trouble(r, kFileLimit).toLocal8Bit().constData(), kept.toLocal8Bit().constData());
    writeLogMsg(LOG_ERROR, QStringLiteral("tcpip.ini damaged"));
    return true;
}

void ConfigEngine::load()
{
    platform::ensure_device_tree();
    // Read once, from what was checked: reading the name again could follow a link
    // planted since.
    QByteArray checked;
    keep_aside_if_odd(&checked, true);
    uint missing = 0;
    for (int i = 0; i < ConfigItem::ConfigCount; ++i) {
        const auto item = static_cast<ConfigItem::ConfigName>(i);
        const QVariant def = item_default(item);
        QVariant v = ini::string_item(checked, item_key(item));
        bool ok = !v.toString().isEmpty();
        if (ok && def.type() == QVariant::UInt) {
            const uint n = v.toString().toUInt(&ok, 0);
            v = n;
        }
        if (!ok) {
            v = def;
            missing |= 1u << i;
        }
        m_values[i] = v;
    }
    if (missing)
        store(missing);

    QByteArray load;
    m_appEntryOk = Utils::read_file(load_config_path(), &load) && load.contains(app_path().toLatin1());
}

QVariant ConfigEngine::read_config_variant(ConfigItem::ConfigName item) const
{
    if (item < 0 || item >= ConfigItem::ConfigCount)
        return QVariant();
    QMutexLocker l(&m_mutex);
    return m_values[item];
}

void ConfigEngine::write_config_variant(ConfigItem::ConfigName item, const QVariant& value)
{
    if (item < 0 || item >= ConfigItem::ConfigCount)
        return;
    {
        QMutexLocker l(&m_mutex);
        m_values[item] = value;
    }
    store(1u << item);
}

void ConfigEngine::store(uint items)
{
    QMutexLocker file(&m_fileMutex);
    // Checked at every write: a link may have been planted since the start. A missing,
    // empty or unreadable file gets every item too.
    QByteArray text;
    qint64 modified = -1;
    if (keep_aside_if_odd(&text, false, &modified) || text.isEmpty())
        items = (1u << ConfigItem::ConfigCount) - 1;
    if (before_write_for_test)
        before_write_for_test();
    QVariant values[ConfigItem::ConfigCount];
    {
        QMutexLocker l(&m_mutex);
        std::copy(std::begin(m_values), std::end(m_values), std::begin(values));
    }
    QVector<QPair<QString, QVariant>> set;
    for (int i = 0; i < ConfigItem::ConfigCount; ++i)
        if (items & (1u << i))
            set.push_back({item_key(static_cast<ConfigItem::ConfigName>(i)), values[i]});
    // Laid out as QSettings lays it out, but written here: a fresh file renamed over the
    // name, so a link planted meanwhile is replaced, never written through (QSettings
    // would follow it). QSettings objects see the change by size and time: the time moves
    // past the one of the file read.
    Utils::write_file_atomic(config_path(), ini::with_items(text, set), QString(), modified);
}
