// The INI configuration, network helpers and the JSON readers.
#include "testsupport.h"

#include "core/alias.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "core/omenu.h"
#include "core/utils.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QDirIterator>
#include <QSettings>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using testsupport::exists;
using testsupport::put_file;

namespace {
// Sets a device file's modification time, `secondsAgo` before now.
void set_mtime(const QString& devicePath, int secondsAgo)
{
    const struct timespec times[2] = {{time(nullptr) - secondsAgo, 0}, {time(nullptr) - secondsAgo, 0}};
    QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(platform::dev_path(devicePath)).constData(), times, 0), 0);
}

// Overwrites a device file in place, keeping its inode and its modification time.
void rewrite_keeping_time(const QString& devicePath, const QByteArray& data)
{
    struct stat st;
    const QByteArray host = QFile::encodeName(platform::dev_path(devicePath));
    QCOMPARE(::stat(host.constData(), &st), 0);
    QFile f(platform::dev_path(devicePath));
    QVERIFY(f.open(QIODevice::ReadWrite));
    f.write(data);
    f.close();
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    QCOMPARE(::utimensat(AT_FDCWD, host.constData(), times, 0), 0);
}

QByteArray alias_file(const char* section, const QByteArray& name, const QByteArray& extra = QByteArray())
{
    // With a caption, so that the OSD reader takes it too.
    return QByteArray("{\"menu\": [{\"texts\": \"x\"}], \"namelist\": {\"") + section
           + "\": [{\"id\": 1, \"valid\": \"on\", \"name\": \"" + name + '"' + extra + "}]}}";
}
// In a child process: says what failed and ends it.
void child_expect(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "%s\n", what);
        ::_exit(1);
    }
}

// Runs f in a child process as an ordinary user (root reads a file of mode 0000), the
// device root handed to that user first. The child's exit status: 0 when f returned, 77
// when no ordinary user can be taken, 78 when the root is closed to it (a private TMPDIR).
int as_ordinary_user(const std::function<void()>& f)
{
    const uid_t nobody = 65534;
    if (::geteuid() == 0) {
        QDirIterator it(platform::device_root(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        if (::lchown(QFile::encodeName(platform::device_root()).constData(), nobody, nobody) != 0)
            return -1;
        while (it.hasNext())
            if (::lchown(QFile::encodeName(it.next()).constData(), nobody, nobody) != 0)
                return -1;
    }
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgid(nobody) != 0 || ::setuid(nobody) != 0))
            ::_exit(77);
        if (::access(QFile::encodeName(platform::device_root()).constData(), X_OK) != 0)
            ::_exit(78);
        f();
        std::fflush(stdout);
        ::_exit(0);
    }
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

#define AS_ORDINARY_USER(f)                                                                                           \
    do {                                                                                                               \
        const int rc = as_ordinary_user(f);                                                                            \
        if (rc == 77)                                                                                                  \
            QSKIP("cannot change to an ordinary user");                                                                \
        if (rc == 78)                                                                                                  \
            QSKIP("an ordinary user cannot reach the device root");                                                    \
        QCOMPARE(rc, 0);                                                                                               \
    } while (false)

class TstCoreConfig : public QObject
{
    Q_OBJECT
private slots:
    void init() { testsupport::fresh_device_root(); }

    // Values a file holds are kept (the stick's top folder is a quoted space); missing ones
    // are written with their defaults, and writes persist.
    void ini_values_kept_defaults_and_writes_persist()
    {
        put_file("/data/configs/tcpip.ini", "[config]\nLcdLangValid=3\nusbupgradedir=\" \"\n");
        ConfigEngine::reset_for_test();
        QCOMPARE((QList<uint>{g_lcd_lang_valid.load(), uint(g_usb_grade_path.get() == " ")}), (QList<uint>{3, 1}));
        ConfigEngine::p_config->write_config_variant(ConfigItem::GateWay, QString("10.0.0.1"));
        QSettings ini(platform::dev_path("/data/configs/tcpip.ini"), QSettings::IniFormat);
        QCOMPARE(ini.value("config/IPAddress").toString(), QString("192.168.1.199"));
        QCOMPARE(ini.value("config/GateWay").toString(), QString("10.0.0.1"));
        g_lcd_lang_valid = 0x1F;
        // A reader that goes by size and time sees rewrites of one size within a clock tick.
        for (const QString code : {"B1", "B2", "B3", "B4", "B5", "B6"}) {
            ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, code);
            ini.sync();
            QCOMPARE(ini.value("config/BarCode").toString(), code);
        }
    }

    // The file is written byte for byte as QSettings writes it (the PC and other readers use
    // QSettings): other sections and items kept, hand edits read as QSettings reads them.
    void ini_laid_out_as_qsettings_lays_it_out_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::newRow("written by QSettings") << QByteArray("[config]\nLcdLangValid=3\nusbupgradedir=\" \"\n\n[wifi]\nssid=a b\n");
        QTest::newRow("none") << QByteArray();
        QTest::newRow("hand edited") << QByteArray("; note\n[wifi]\nz = 1 ; why\n; more\n  a=2\n[config]\nTCPPort = 5006 \nx=1\n");
        QTest::newRow("quotes and lists") << QByteArray("[o]\nl=a, \"b,c\" ,  d\nq=\"two\nlines\"\nn=@@x\nb=@ByteArray(x)\n");
        QTest::newRow("escapes") << QByteArray("[o]\nr=x\\\ny\nu=\\101\\x4e2dz\\q\nk\\sub=1\nk%41=2\n");
        QTest::newRow("general") << QByteArray("x=1\n[General]\ny=2\n[zz]\nk=v\n");
        QTest::newRow("cut short") << QByteArray("[o]\nw=end\\");
        QTest::newRow("open quote") << QByteArray("[o]\nw=\"open\n[config]\nIPAddress=1.2.3.4\n");
        QTest::newRow("config forms") << QByteArray("[config]\nBarCode=\" a;b \"\nMACAddress=@String(m)\nGateWay=@@g\n"
                                                    "SubNetMask=a, b\nusbupgradedir=@Rect(1 2 3 4)\nTCPPort=0x10\n");
    }
    void ini_laid_out_as_qsettings_lays_it_out()
    {
        QFETCH(QByteArray, start);
        const QString odd = QStringLiteral("@A, \"b\"\\") + QChar(1) + QStringLiteral("1") + QChar(0xe9) + QChar(0) + " ";
        QTemporaryDir dir;
        int step = 0;
        // `text` set through QSettings (each time a new file: no cached copy).
        const auto through_qsettings = [&](const QByteArray& text, const std::function<void(QSettings&)>& set) {
            const QString copy = testsupport::host_file(dir.filePath(QString::number(step++)), text);
            {
                QSettings q(copy, QSettings::IniFormat);
                set(q);
            }
            return testsupport::host_bytes(copy);
        };
        put_file("/data/configs/tcpip.ini", start);
        ConfigEngine::reset_for_test();
        // Each item read as QSettings reads it; the default where it gives no text.
        through_qsettings(start, [](QSettings& q) {
            for (int i = 0; i < ConfigItem::ConfigCount; ++i) {
                const auto item = ConfigItem::ConfigName(i);
                const QString text = q.value(ConfigEngine::item_key(item)).toString();
                const QVariant def = ConfigEngine::item_default(item);
                const QVariant want = text.isEmpty() ? def : def.type() == QVariant::UInt ? QVariant(text.toUInt(nullptr, 0)) : QVariant(text);
                QCOMPARE(ConfigEngine::p_config->read_config_variant(item), want);
            }
        });
        QByteArray expected = through_qsettings(start, [](QSettings& q) {
            for (int i = 0; i < ConfigItem::ConfigCount; ++i)
                if (q.value(ConfigEngine::item_key(ConfigItem::ConfigName(i))).toString().isEmpty())
                    q.setValue(ConfigEngine::item_key(ConfigItem::ConfigName(i)), ConfigEngine::item_default(ConfigItem::ConfigName(i)));
        });
        QCOMPARE(testsupport::get_file("/data/configs/tcpip.ini"), expected);
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, odd);
        expected = through_qsettings(expected, [&odd](QSettings& q) { q.setValue("config/BarCode", odd); });
        QCOMPARE(testsupport::get_file("/data/configs/tcpip.ini"), expected);
        QCOMPARE(QSettings(platform::dev_path("/data/configs/tcpip.ini"), QSettings::IniFormat).value("config/BarCode").toString(), odd);
        g_lcd_lang_valid = 0x1F;
    }

    // tcpip.ini is read up to 64 KiB: a file of exactly that size keeps its items; one
    // byte more is kept aside and the defaults are written anew.
    void ini_at_the_size_bound_data()
    {
        testsupport::size_bound_rows(64 * 1024);
    }
    void ini_at_the_size_bound()
    {
        QFETCH(int, size);
        const bool whole = size <= 64 * 1024;
        QByteArray ini("[config]\nLcdLangValid=3\n;");
        ini += QByteArray(size - ini.size() - 1, 'c') + '\n';
        put_file("/data/configs/tcpip.ini", ini);
        ConfigEngine::reset_for_test();
        QCOMPARE(g_lcd_lang_valid.load(), whole ? 3u : 0x1Fu);
        QCOMPARE(exists("/data/configs/tcpip.ini.bad"), !whole);
        g_lcd_lang_valid = 0x1F;
    }

    void init_ip_runs_the_route_commands_through_the_gate()
    {
        ConfigEngine::reset_for_test();
        QCOMPARE(Utils::initIPAddress(), 0);
        QCOMPARE(platform::shell_recorded(),
                 QStringList({"ifconfig eth0 &>/dev/null", "route del default wlan0",
                              "ifconfig eth0 192.168.1.199 netmask 255.255.255.0",
                              "route add -host 192.168.1.1 dev eth0",
                              "route add default gw 192.168.1.1 metric 100",
                              "route add -host 255.255.255.255 eth0", "route del 255.255.255.255 wlan1"}));

        // A hand-edited or hostile address stays one word of the command line.
        ConfigEngine::p_config->write_config_variant(ConfigItem::IPAddress, QStringLiteral("1.2.3.4;reboot"));
        ConfigEngine::p_config->write_config_variant(ConfigItem::GateWay, QStringLiteral("$(kill -9 1)"));
        platform::shell_clear_recorded();
        QCOMPARE(Utils::initIPAddress(), 0);
        const QStringList rec = platform::shell_recorded();
        QVERIFY(rec.contains("ifconfig eth0 '1.2.3.4;reboot' netmask 255.255.255.0"));
        QVERIFY(rec.contains("route add default gw '$(kill -9 1)' metric 100"));
    }

    // tcpip.ini as a link to a file outside the root, at the start, planted between writes
    // or within a write after its check: the file outside is never written; a link found is
    // kept aside and every item written anew, one planted after the check is replaced.
    void ini_never_written_through_a_link()
    {
        QTemporaryDir outside;
        const QString victim = outside.filePath("victim.ini");
        const QByteArray before = "[config]\nIPAddress=10.9.9.9\n";
        const QString ini = platform::dev_path(ConfigEngine::config_path());
        const auto plant = [&] {
            QFile v(victim);
            QVERIFY(v.open(QIODevice::WriteOnly) && v.write(before) == before.size());
            v.close();
            QFile::remove(ini);
            QVERIFY(QFile::link(victim, ini));
        };
        plant();
        ConfigEngine::reset_for_test();
        QCOMPARE(g_str_ip.get(), QStringLiteral("192.168.1.199"));
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("B1"));
        plant();
        ConfigEngine::p_config->write_config_variant(ConfigItem::GateWay, QStringLiteral("10.0.0.1"));
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("B2"));

        QFile v(victim);
        QVERIFY(v.open(QIODevice::ReadOnly));
        QCOMPARE(v.readAll(), before);
        QVERIFY(QFileInfo(ini).isFile() && !QFileInfo(ini).isSymLink());
        QVERIFY(QFileInfo(ini + ".bad").isSymLink() && QFileInfo(ini + ".bad.1").isSymLink());
        QVERIFY(!QFileInfo::exists(ini + ".bad.2")); // a regular file is not kept aside
        QSettings s(ini, QSettings::IniFormat);
        QCOMPARE(s.value("config/IPAddress").toString(), QStringLiteral("192.168.1.199"));
        QCOMPARE(s.value("config/GateWay").toString(), QStringLiteral("10.0.0.1"));
        QCOMPARE(s.value("config/BarCode").toString(), QStringLiteral("B2"));

        ConfigEngine::before_write_for_test = plant;
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("B3"));
        ConfigEngine::before_write_for_test = nullptr;
        QCOMPARE(testsupport::host_bytes(victim), before);
        QVERIFY(QFileInfo(ini).isFile() && !QFileInfo(ini).isSymLink());
        s.sync(); // re-reads the renamed file: a later time, though the size is the same
        QCOMPARE(s.value("config/GateWay").toString(), QStringLiteral("10.0.0.1"));
        QCOMPARE(s.value("config/BarCode").toString(), QStringLiteral("B3"));
    }

    // A write keeps the mode an operator gave the file; a file made anew gets 0644.
    void ini_keeps_its_mode()
    {
        const QByteArray ini = QFile::encodeName(platform::dev_path(ConfigEngine::config_path()));
        const auto mode = [&ini] {
            struct stat st;
            return ::stat(ini.constData(), &st) == 0 ? st.st_mode & 0777 : 0u;
        };
        ConfigEngine::reset_for_test();
        QVERIFY(::unlink(ini.constData()) == 0);
        ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("B0"));
        QCOMPARE(mode(), 0644u);
        for (const unsigned m : {0600u, 0640u}) {
            QCOMPARE(::chmod(ini.constData(), m), 0);
            ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QString::number(m, 8));
            QCOMPARE(mode(), m);
        }
    }

    // Under an ordinary user (root reads a file of mode 0000): a write gives tcpip.ini back
    // its owner's read and write (0000 becomes 0600), so a bar code written to it outlives
    // a restart; one that cannot be read at the start is said and kept aside, not written
    // over.
    void ini_unreadable_is_not_lost()
    {
        const QString ini = platform::dev_path(ConfigEngine::config_path());
        const QByteArray host = QFile::encodeName(ini);
        ConfigEngine::reset_for_test();
        AS_ORDINARY_USER([&host] {
            ::chmod(host.constData(), 0);
            ConfigEngine::p_config->write_config_variant(ConfigItem::BarCode, QStringLiteral("KEEP"));
            struct stat st;
            child_expect(::stat(host.constData(), &st) == 0 && (st.st_mode & 0777) == 0600, "written as other than 0600");
            ConfigEngine::reset_for_test();
            child_expect(g_str_barcode.get() == QLatin1String("KEEP"), "the bar code written to a 0000 file was lost");
            ::chmod(host.constData(), 0);
            const QString said = testsupport::printed([] { ConfigEngine::reset_for_test(); });
            child_expect(said.contains("tcpip.ini cannot be read") && said.contains("kept as"), "nothing said");
        });
        QVERIFY(testsupport::get_file("/data/configs/tcpip.ini.bad").contains("BarCode=KEEP"));
        QCOMPARE(QSettings(ini, QSettings::IniFormat).value("config/BarCode").toString(), QStringLiteral(" "));
    }

    // Under an ordinary user, an alias file that cannot be read (its mode) is no broken
    // file: left as it is, not removed.
    void unreadable_json_is_left_alone()
    {
        put_file("/data/configs/alias.json", alias_file("source", "Cam"));
        const QByteArray host = QFile::encodeName(platform::dev_path("/data/configs/alias.json"));
        AS_ORDINARY_USER([&host] {
            ::chmod(host.constData(), 0);
            ALIAS_PARA a;
            child_expect(get_json_alias_para(&a, "source", 1) == 0, "an unreadable file was read");
        });
        QVERIFY(QFileInfo::exists(QFile::decodeName(host)));
    }

    // The PC's alias file: only a valid, named, numbered entry of its own section names a source.
    void alias_lookups()
    {
        put_file("/data/configs/alias.json", R"({"namelist": {
            "source": [{"id": 2, "valid": "on", "name": "Camera"},
                       {"id": 3, "valid": "off", "name": "Off"},
                       {"id": 4, "valid": "on", "name": ""},
                       {"id": "x", "valid": "on", "name": "bad id"}],
            "crop": [{"id": 5, "valid": "on", "name": "Left <b>"}]}})");
        ALIAS_PARA a;
        QCOMPARE(get_json_alias_para(&a, "source", 2), 1);
        QCOMPARE(QString::fromStdString(a.name), QString("Camera"));
        for (int id : {3, 4, 5})
            QCOMPARE(get_json_alias_para(&a, "source", id), 0);

        // A broken file goes, through the gate.
        put_file("/data/configs/alias.json", "{\"namelist\": [");
        QCOMPARE(get_json_alias_para(&a, "source", 2), 0);
        QVERIFY(platform::shell_recorded().contains("rm -rf /data/configs/alias.json"));
    }

    // Outside JSON over the size or depth bound, or not a regular file, is handled as a file
    // that does not parse: removed, and the reader answers with nothing. Files within the
    // bounds, brackets in strings included, still read.
    void outside_json_bounds_data()
    {
        QTest::addColumn<QByteArray>("content"); // null: see `special`
        QTest::addColumn<QString>("special");
        QTest::addColumn<bool>("readable");
        QTest::newRow("200000 [") << QByteArray(200000, '[') << QString() << false;
        auto objects = [](int n) { return ", \"x\": " + QByteArray("{\"a\":").repeated(n) + '1' + QByteArray(n, '}'); };
        QTest::newRow("65 deep objects") << alias_file("source", "Deep", objects(61)) << QString() << false;
        QTest::newRow("64 deep objects") << alias_file("source", "Deep", objects(60)) << QString() << true;
        QTest::newRow("65 deep") << alias_file("source", "Deep", ", \"x\": " + QByteArray(61, '[') + QByteArray(61, ']'))
                                 << QString() << false;
        QTest::newRow("64 deep") << alias_file("source", "Deep", ", \"x\": " + QByteArray(60, '[') + QByteArray(60, ']'))
                                 << QString() << true;
        QTest::newRow("brackets in a string") << alias_file("source", QByteArray(1000, '[') + "\\\"{") << QString() << true;
        QTest::newRow("huge") << alias_file("source", QByteArray(300 * 1024, 'x')) << QString() << false;
        // Padded with spaces to exactly the size bound, then one byte past it.
        const QByteArray small = alias_file("source", "Bound");
        QTest::newRow("at the size bound") << small + QByteArray(256 * 1024 - small.size(), ' ') << QString() << true;
        QTest::newRow("a byte over the size bound")
            << small + QByteArray(256 * 1024 + 1 - small.size(), ' ') << QString() << false;
        QTest::newRow("fifo") << QByteArray() << QStringLiteral("fifo") << false;
        QTest::newRow("endless device") << QByteArray() << QStringLiteral("/dev/zero") << false;
    }
    void outside_json_bounds()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, special);
        QFETCH(bool, readable);
        const QString alias = QStringLiteral("/data/configs/alias.json");
        const QString osd = QStringLiteral("/data/modes/MO03.json");
        for (const QString& path : {alias, osd}) {
            const QString host = platform::dev_path(path);
            QFile::remove(host);
            if (special == QLatin1String("fifo"))
                QCOMPARE(::mkfifo(QFile::encodeName(host).constData(), 0600), 0);
            else if (!special.isEmpty())
                QVERIFY(QFile::link(special, host));
            else
                put_file(path, content);
        }
        ALIAS_PARA a;
        QCOMPARE(get_json_alias_para(&a, "source", 1), readable ? 1 : 0);
        OSD_LIST l;
        QCOMPARE(get_json_omenu_para(osd.toUtf8().constData(), &l), readable ? 1 : 0);
        for (const QString& path : {alias, osd})
            QCOMPARE(QFileInfo(platform::dev_path(path)).exists() || QFileInfo(platform::dev_path(path)).isSymLink(),
                     readable);
    }

    // alias.json is parsed once per change of the file: lookups come from memory while the
    // file keeps its identity, size and time; a new file, or a young one whose bytes
    // changed within one tick of the file clock, is read again.
    void alias_parsed_once_per_change()
    {
        const QString path = QStringLiteral("/data/configs/alias.json");
        ALIAS_PARA a;
        auto name = [&a] {
            a = ALIAS_PARA();
            return get_json_alias_para(&a, "win", 1) ? QString::fromStdString(a.name) : QString();
        };
        put_file(path, alias_file("win", "Stage"));
        set_mtime(path, 3600);
        QCOMPARE(name(), QStringLiteral("Stage"));
        // Changed under the same time and size (no writer of the device does that): the
        // lookups do not read the file again.
        rewrite_keeping_time(path, alias_file("win", "Hall!"));
        for (int i = 0; i < 100; ++i)
            QCOMPARE(name(), QStringLiteral("Stage"));
        // Any write gives the file a new time: the next lookup sees the new name.
        put_file(path, alias_file("win", "Front"));
        QCOMPARE(name(), QStringLiteral("Front"));
        // A young file is compared by its bytes: a same-size change in the same tick shows.
        rewrite_keeping_time(path, alias_file("win", "Back!"));
        QCOMPARE(name(), QStringLiteral("Back!"));
        // The PC's upload replaces the file.
        QVERIFY(Utils::write_file_atomic(path, alias_file("win", "Side")));
        QCOMPARE(name(), QStringLiteral("Side"));
        QVERIFY(QFile::remove(platform::dev_path(path)));
        QCOMPARE(name(), QString());
    }

    void omenu_reader_deletes_only_its_own_broken_file()
    {
        put_file("/data/configs/omenu.json", R"({"osdcount": 1, "menu": [{"texts": "Hello"}]})");
        OSD_LIST l;
        QCOMPARE(get_json_omenu_para("/data/configs/omenu.json", &l), 1);

        put_file("/data/modes/MO01.json", "{ broken");
        QCOMPARE(get_json_omenu_para("/data/modes/MO01.json", &l), 0);
        QVERIFY(l.menu[0].texts.empty()); // nothing left of the good file
        QVERIFY(!exists("/data/modes/MO01.json"));

        put_file("/data/modes/MO02.json", R"({"osdcount": "many", "menu": [{"pos": {"x": "left"}}]})");
        QCOMPARE(get_json_omenu_para("/data/modes/MO02.json", &l), 0);
        QVERIFY(exists("/data/modes/MO02.json"));
    }
};

QTEST_GUILESS_MAIN(TstCoreConfig)
#include "tst_core_config.moc"
