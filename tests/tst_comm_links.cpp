// The control link's hooks (overlay, refresh codes, file transfers and deletes) and the
// WiFi manager's commands.
#include "testsupport.h"

#include "comm/k87_wifi_config.h"
#include "comm/message_deal.h"
#include "core/config_engine.h"
#include "core/global.h"
#include "core/panel_bridge.h"
#include "core/yuqrampara.h"
#include "fpga/fpga_manage.h"
#include "platform/shell_gate.h"

#include <QSignalSpy>
#include <QtTest>

class TstCommLinks : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        testsupport::fresh_core();
        g_update_flag = 0;
        g_page_focus = 0;
    }
    void cleanupTestCase() { K87_WIFI_CONFIG::p_wifi->stop_for_test(); }

    void register_flag_opens_and_closes_the_overlay_once()
    {
        auto* bridge = PanelBridge::instance();
        QSignalSpy start(bridge, &PanelBridge::sig_update_start);
        QSignalSpy over(bridge, &PanelBridge::sig_update_over);
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);

        message_deal::REG_comm_flag(true);
        message_deal::REG_comm_flag(true); // already shown: no second overlay
        QCOMPARE(g_update_flag.load(), uint8_t(1));
        QCOMPARE(start.size(), 1);
        message_deal::REG_comm_flag(false);
        message_deal::REG_comm_flag(false);
        QCOMPARE(g_update_flag.load(), uint8_t(0));
        QCOMPARE(over.size(), 1);
        QCOMPARE(testsupport::spy_ints(refresh), (QList<int>{105, 105, 106, 106}));
    }

    void transfer_start_only_for_application_and_kernel()
    {
        QSignalSpy start(PanelBridge::instance(), &PanelBridge::sig_update_start);
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        message_deal::write_file_start("ALIS");
        QCOMPARE(start.size(), 0);
        message_deal::write_file_start("FKRN");
        QCOMPARE(start.size(), 1);
        message_deal::write_file_start("FMCU");
        QCOMPARE(start.size(), 1);
        QCOMPARE(testsupport::spy_ints(refresh), (QList<int>{105, 105}));
    }

    void alias_written_raises_103()
    {
        QSignalSpy refresh(YuqRamPara::p_yuqrampara_config, &YuqRamPara::sig_update_para);
        QVERIFY(message_deal::store_transfer_file(5, "whatever.json", "{}"));
        QCOMPARE(testsupport::get_file("/data/configs/alias.json"), QByteArray("{}"));
        message_deal::write_file_end(5);
        QCOMPARE(testsupport::spy_ints(refresh), QList<int>{103});
    }

    // Hostile names: tst_hostile_names. Here the types and the folders they map to.
    void transfer_types_map_to_their_folder()
    {
        QCOMPARE(message_deal::transfer_path(9, "a.bin"), QString("/data/rcvrecovery/a.bin"));
        QCOMPARE(message_deal::transfer_path(13, "m.wzfile"), QString("/data/smartmapping/m.wzfile"));
        QVERIFY(message_deal::transfer_path(7, "a").isEmpty());
        for (const char* bad : {"", ".", "..", "../x", "a/b"})
            QVERIFY2(message_deal::transfer_path(9, bad).isEmpty(), bad);
        testsupport::put_file("/data/configs/tcpip.ini.keep", "k");
        QVERIFY(!message_deal::delete_transfer_file("/data/configs/tcpip.ini.keep"));
        QVERIFY(testsupport::exists("/data/configs/tcpip.ini.keep"));
    }

    void file_hooks_need_the_fpga_manager_and_the_page()
    {
        auto* bridge = PanelBridge::instance();
        QSignalSpy written(bridge, &PanelBridge::sig_file_written);
        QSignalSpy deleted(bridge, &PanelBridge::sig_file_deleted);
        g_page_focus = 24;
        message_deal::write_file_end(13); // no FPGA manager: nothing for the screens
        QCOMPARE(written.size(), 0);

        fpga_manage* f = fpga_manage::pInstance();
        message_deal::write_file_end(13);
        message_deal::write_file_end(9); // page 24 is not the advanced menu
        g_page_focus = 12;
        message_deal::write_file_end(9);
        message_deal::write_file_end(13);
        QCOMPARE(written.size(), 2);
        QCOMPARE(written.at(0).at(0).toInt(), 13);
        QCOMPARE(written.at(1).at(0).toInt(), 9);

        testsupport::put_file("/data/rcvrecovery/a.rcv", "r");
        testsupport::put_file("/data/smartmapping/m.wzfile", "m");
        QCOMPARE(f->rcv_recovery->get_dir_file("/data/rcvrecovery"), 0);
        QCOMPARE(f->rcv_recovery->get_dir_file("/data/smartmapping"), 0);
        g_page_focus = 24;
        QVERIFY(message_deal::delete_transfer_file("/data/smartmapping/m.wzfile"));
        message_deal::delete_file_name("/data/smartmapping/m.wzfile");
        QCOMPARE(f->rcv_recovery->file_count(rcvRecovery::ScanFiles), 0);
        QCOMPARE(f->rcv_recovery->file_count(rcvRecovery::RecoveryFiles), 1);
        g_page_focus = 25;
        message_deal::delete_file_name("/data/rcvrecovery/a.rcv");
        QCOMPARE(f->rcv_recovery->file_count(rcvRecovery::RecoveryFiles), 0);
        g_page_focus = 4; // nothing of these in front: lists emptied, no request
        message_deal::delete_file_name("/data/rcvrecovery/a.rcv");
        QCOMPARE(deleted.size(), 2);
        QCOMPARE(deleted.at(0).at(0).toInt(), 1);
        QCOMPARE(deleted.at(1).at(0).toInt(), 0);
        fpga_manage::destroy_for_test();
    }

    void delete_always_retexts_the_settings_menu()
    {
        QSignalSpy retext(PanelBridge::instance(), &PanelBridge::sig_option_retext);
        message_deal::delete_file_name("/data/configs/alias.json");
        QCOMPARE(retext.size(), 1);
    }

    void wifi_setup_recorded_never_run()
    {
        auto* w = K87_WIFI_CONFIG::reset_for_test();
        platform::shell_clear_recorded();
        const QStringList ap = {"/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B",
                                "udhcpd -fS /etc/udhcpd.conf &"};
        w->wifi_deal(); // the set-up at start
        QCOMPARE(platform::shell_recorded(), ap);
        w->wifi_deal(); // nothing asked: nothing again
        QCOMPARE(platform::shell_recorded(), ap);

        G_timeTicks = 4321;
        w->set_wifi_reset_flag();
        QCOMPARE(g_wifi_reset_flag.load(), uint8_t(1));
        QCOMPARE(w->reset_tick(), 4321u);
        w->wifi_deal();
        QCOMPARE(g_wifi_reset_flag.load(), uint8_t(0));
        QCOMPARE(platform::shell_recorded(), ap + ap);

        // Access point switched off: the reset starts neither.
        YuqRamPara::p_yuqrampara_config->ram_para[img::ApOff] = 1;
        w->set_wifi_reset_flag();
        w->wifi_deal();
        QCOMPARE(platform::shell_recorded(), ap + ap);
    }

    void wifi_thread_runs_the_setup()
    {
        auto* w = K87_WIFI_CONFIG::reset_for_test();
        platform::shell_clear_recorded();
        QVERIFY(w->start());
        QTRY_COMPARE(platform::shell_recorded().size(), 2);
        w->stop_for_test();
    }
};

QTEST_MAIN(TstCommLinks)
#include "tst_comm_links.moc"
