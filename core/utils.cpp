#include "utils.h"

#include "config_engine.h"
#include "global.h"
#include "logMsg.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstdio>
#include <cstring>
#include <utility>

QMutex Utils::_spi_mutex;
QMutex Utils::_c331_reg_mutex;
QMutex Utils::_file_deal_mutex;
QMutex Utils::_system_mutex;
QMutex Utils::_test_signal_mutex;
QMutex Utils::_source_hdminfo_mutex;
QMutex Utils::_source_start_mutex;
QMutex Utils::_brightness_mutex;
QMutex Utils::_led_para_init_mutex;
QMutex Utils::_multicast_mutex;

unsigned char Utils::BCC(const unsigned char* data, int len)
{
    unsigned char x = 0;
    for (int i = 0; i < len; ++i)
        x ^= data[i];
    return x;
}

int Utils::getTimeSpace(unsigned int start)
{
    const uint32_t now = G_timeTicks.load();
    if (now >= start)
        return static_cast<int>(now - start);
    return static_cast<int>(static_cast<uint32_t>(now - start - 1));
}

int Utils::system_mutex(const QString& command, int* status)
{
    QMutexLocker lock(&_system_mutex);
    const int rc = platform::shell_run(QString::fromLatin1(command.toLatin1()));
    if (status)
        *status = rc;
    return rc == 0 ? 0 : 255;
}

namespace {
// An address from the configuration goes into a shell line: a plain dotted address
// as it is, anything else as one quoted word so it can never add a command.
QString address_word(const QString& address)
{
    // Checked by hand: a regular expression engine costs the panel half a megabyte.
    const QStringList parts = address.split(QLatin1Char('.'));
    bool dotted = parts.size() == 4;
    for (const QString& p : parts)
        dotted = dotted && !p.isEmpty() && p.size() <= 3
                 && std::all_of(p.begin(), p.end(), [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
    return dotted ? address : platform::shell_quote(address);
}
} // namespace

int Utils::getIPAddress()
{
    ConfigEngine* c = ConfigEngine::p_config;
    if (!c)
        return 0;
    g_tcp_port = c->read_config_variant(ConfigItem::TCPPort).toUInt();
    g_str_ip = c->read_config_variant(ConfigItem::IPAddress).toString();
    g_srt_mask = c->read_config_variant(ConfigItem::SubNetMask).toString();
    g_str_gateway = c->read_config_variant(ConfigItem::GateWay).toString();
    g_str_barcode = c->read_config_variant(ConfigItem::BarCode).toString();
    g_usb_grade_path = c->read_config_variant(ConfigItem::usbupgradedir).toString();
    g_max_pixel = c->read_config_variant(ConfigItem::YuqMaxPixel_UINT).toUInt();
    g_lcd_lang_valid = c->read_config_variant(ConfigItem::LcdLangValid).toUInt();
    return 0;
}

int Utils::initIPAddress()
{
    if (system_mutex(QStringLiteral("ifconfig eth0 &>/dev/null")) != 0)
        return 255;
    getIPAddress();
    const QString ip = address_word(g_str_ip.get()), mask = address_word(g_srt_mask.get()),
                  gw = address_word(g_str_gateway.get());
    system_mutex(QStringLiteral("route del default wlan0"));
    system_mutex(QStringLiteral("ifconfig eth0 %1 netmask %2").arg(ip, mask));
    system_mutex(QStringLiteral("route add -host %1 dev eth0").arg(gw));
    system_mutex(QStringLiteral("route add default gw %1 metric 100").arg(gw));
    system_mutex(QStringLiteral("route add -host 255.255.255.255 eth0"));
    system_mutex(QStringLiteral("route del 255.255.255.255 wlan1"));
    return 0;
}

int Utils::setIPAddress(const QString& ip, const QString& mask, const QString& gateway)
{
    ConfigEngine* c = ConfigEngine::p_config;
    if (c) {
        const std::pair<ConfigItem::ConfigName, QString> items[] = {
            {ConfigItem::IPAddress, ip}, {ConfigItem::SubNetMask, mask}, {ConfigItem::GateWay, gateway}};
        for (const auto& item : items)
            if (!item.second.isNull())
                c->write_config_variant(item.first, item.second);
    }
    system_mutex(QStringLiteral("sync"));
    usleep(100);
    const int rc = initIPAddress();
    // Without eth0 nothing reloaded the globals: they would keep the old address, and
    // the next change would be compared against it.
    if (rc != 0)
        getIPAddress();
    return rc;
}

namespace {
qint64 ms_since_epoch(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}
} // namespace

bool Utils::write_file_atomic(const QString& devicePath, const QByteArray& data, const QString& tempName,
                              qint64 laterThanMs, unsigned modeLimit)
{
    const QString target = platform::dev_path(devicePath);
    if (target.isEmpty())
        return false;
    const QFileInfo fi(target);
    QDir().mkpath(fi.path());
    const QByteArray name = target.toLocal8Bit();
    const QByteArray tmp =
        (tempName.isEmpty() ? target + QStringLiteral(".tmp") : fi.path() + QLatin1Char('/') + tempName).toLocal8Bit();
    // Says which file a failed step was for, and removes the temp file.
    const auto fail = [&name, &tmp](const char* step, int fd) {
        const int err = errno;
        std::fprintf(stderr, "write_file_atomic %s %s: %s\n", step, name.constData(), std::strerror(err));
        if (fd >= 0)
            ::close(fd);
        ::unlink(tmp.constData());
        return false;
    };
    // The file keeps the mode it has (an operator's 0600 stays 0600); a new one gets 0644.
    // The owner keeps reading and writing it: a 0000 file written back would be read as
    // missing at the next start and its items lost.
    struct stat old;
    const mode_t mode =
        ((::lstat(name.constData(), &old) == 0 && S_ISREG(old.st_mode) ? old.st_mode : 0644) & modeLimit & 0777) | 0600;
    // Made fresh: a link planted at the temp name would have the data written outside the
    // root, and renamed into place as the device file.
    const int fd = platform::create_fresh(tmp, 0600);
    if (fd < 0)
        return fail("open", -1);
    if (::fchmod(fd, mode) != 0)
        return fail("chmod", fd);
    qint64 done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return fail("write", fd);
        }
        done += n;
    }
    struct stat now;
    if (laterThanMs >= 0 && ::fstat(fd, &now) == 0 && ms_since_epoch(now.st_mtim) <= laterThanMs) {
        const qint64 later = laterThanMs + 1;
        const struct timespec times[2] = {{0, UTIME_OMIT}, {later / 1000, (later % 1000) * 1000000}};
        ::futimens(fd, times);
    }
    if (::fsync(fd) != 0)
        return fail("fsync", fd);
    if (::close(fd) != 0)
        return fail("close", -1);
    if (::rename(tmp.constData(), name.constData()) != 0)
        return fail("rename", -1);
    // Make the rename itself durable.
    const int dfd = ::open(fi.path().toLocal8Bit().constData(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

namespace {
// Removes a directory entry as it is: a link itself, never what it points to.
bool remove_entry(const QString& path)
{
    const QByteArray p = QFile::encodeName(path);
    struct stat st;
    if (::lstat(p.constData(), &st) != 0)
        return false;
    if (S_ISDIR(st.st_mode))
        return QDir(path).removeRecursively();
    return ::unlink(p.constData()) == 0;
}
} // namespace

void Utils::remove_stale_temp_files()
{
    // QSettings writes the configuration through "<file>.XXXXXX" under "<file>.lock" (whose
    // stale-lock removal takes "<file>.lock.rmlock", and so on): an empty lock a kill left
    // would hold the next write for half a minute.
    const QString ini = QFileInfo(ConfigEngine::config_path()).fileName();
    const auto settings_leftover = [&ini](QString name) {
        while (name.endsWith(QLatin1String(".rmlock")))
            name.chop(7);
        if (name == ini + QLatin1String(".lock"))
            return true;
        if (name.size() != ini.size() + 7 || !name.startsWith(ini + QLatin1Char('.')))
            return false;
        return std::all_of(name.end() - 6, name.end(), [](QChar c) { return c.isLetterOrNumber() && c.unicode() < 128; });
    };
    const struct
    {
        const char* folder;
        bool jobs; // the PC names its files
    } folders[] = {{"/data", false}, {"/data/configs", false}, {"/data/modes", false}, {"/data/app", false},
                   {"/data/rcvrecovery", true}, {"/data/smartmapping", true}};
    for (const auto& f : folders) {
        const QString folder = QString::fromLatin1(f.folder);
        const QDir dir(platform::dev_path(folder));
        // No name filter: it would start a regular expression engine for one suffix.
        // Whatever lies at a temp name goes: a link, a fifo or a folder there too.
        for (const QFileInfo& e :
             dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System)) {
            const QString name = e.fileName();
            const bool stale = f.jobs ? name == QLatin1String(UploadTemp)
                                      : name.endsWith(QLatin1String(".tmp"))
                                            || (folder == QLatin1String("/data/configs") && settings_leftover(name));
            if (!stale || !remove_entry(e.filePath()))
                continue;
            std::printf("removed %s, left by a write cut short\n", e.filePath().toLocal8Bit().constData());
        }
    }
    if (const int probes = platform::remove_stale_write_probes())
        std::printf("removed %d write probe(s) left by a start cut short\n", probes);
}

Utils::Read Utils::read_file_checked(const QString& devicePath, QByteArray* data, qint64 maxBytes,
                                     qint64* modifiedMs)
{
    data->clear();
    const QString p = platform::dev_path(devicePath);
    if (p.isEmpty())
        return Read::Missing;
    // Non-blocking, so that opening a fifo returns at once; fstat then turns it away. A
    // link is turned away too: the panel writes its files back, and would then write (or
    // copy what it read) through it to a file outside the root.
    const int fd = ::open(QFile::encodeName(p).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? Read::Missing : errno == ELOOP ? Read::Refused : Read::Unreadable;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > maxBytes) {
        ::close(fd);
        return Read::Refused;
    }
    // Read up to one byte past the bound: a file that grows meanwhile is refused too.
    QByteArray buf(int(std::min<qint64>(st.st_size, maxBytes)) + 1, Qt::Uninitialized);
    qint64 done = 0;
    bool failed = false;
    for (;;) {
        if (done == buf.size()) {
            if (done > maxBytes)
                break;
            buf.resize(int(std::min<qint64>(2 * done, maxBytes + 1)));
        }
        const ssize_t n = ::read(fd, buf.data() + done, size_t(buf.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        done += n;
    }
    ::close(fd);
    if (failed)
        return Read::Unreadable;
    if (done > maxBytes)
        return Read::Refused;
    buf.resize(int(done));
    *data = buf;
    if (modifiedMs)
        *modifiedMs = ms_since_epoch(st.st_mtim);
    return Read::Ok;
}

QString Utils::read_trouble(Read r, qint64 maxBytes)
{
    return r == Read::Unreadable ? QStringLiteral("cannot be read")
                                 : QStringLiteral("not a regular file of at most %1 bytes").arg(maxBytes);
}

bool Utils::read_file(const QString& devicePath, QByteArray* data, qint64 maxBytes)
{
    return read_file_checked(devicePath, data, maxBytes) == Read::Ok;
}

QString Utils::keep_damaged(const QString& devicePath)
{
    const int kept = 5;
    const QString host = platform::dev_path(devicePath);
    const QString bad = host + QStringLiteral(".bad");
    auto nth = [&bad](int i) { return i == 0 ? bad : bad + QLatin1Char('.') + QString::number(i); };
    // Names renamed as they are: a link planted at one is moved or removed, never written
    // through (QFile::rename copies into a name it takes for absent). Nothing replaces a
    // kept name: the chain stops below the first one that cannot be freed, every copy kept.
    QString blocked;
    const QByteArray oldest = QFile::encodeName(nth(kept - 1));
    if (::unlink(oldest.constData()) != 0 && errno != ENOENT)
        blocked = QStringLiteral("%1: %2").arg(nth(kept - 1), QString::fromLocal8Bit(std::strerror(errno)));
    for (int i = kept - 2; i >= -1; --i) {
        const QString from = i < 0 ? host : nth(i);
        struct stat st;
        if (::lstat(QFile::encodeName(from).constData(), &st) != 0)
            continue; // a gap in the chain
        const QString why = platform::rename_entry(from, nth(i + 1), false);
        if (!why.isEmpty() && blocked.isEmpty())
            blocked = QStringLiteral("%1: %2").arg(nth(i + 1), why);
        if (!why.isEmpty() && i < 0)
            return QStringLiteral("not kept (%1)").arg(blocked);
    }
    return QStringLiteral("kept as ") + bad;
}
