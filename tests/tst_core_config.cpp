// The INI configuration, network helpers and the JSON readers.
#include "testsupport.h"

#include "core/alias.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "core/omenu.h"
#include "core/utils.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QSettings>
#include <QtTest>

using testsupport::exists;
using testsupport::put_file;

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
