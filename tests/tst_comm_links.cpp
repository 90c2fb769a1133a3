// The control link's hooks (overlay, file transfers and deletes) and the WiFi manager's
// commands.
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
        for (const char* kind : {"ALIS", "FKRN", "FMCU"})
            message_deal::write_file_start(kind);
        QCOMPARE(start.size(), 1);
    }

    // The screens hear of a written or deleted file only with the FPGA manager there and
    // their page in front; the settings menu is retexted on every delete.
    void file_hooks_need_the_fpga_manager_and_the_page()
    {
        auto* bridge = PanelBridge::instance();
        QSignalSpy written(bridge, &PanelBridge::sig_file_written);
        QSignalSpy deleted(bridge, &PanelBridge::sig_file_deleted);
        QSignalSpy retext(bridge, &PanelBridge::sig_option_retext);
        g_page_focus = 24;
        message_deal::write_file_end(13); // no FPGA manager: nothing for the screens
        QCOMPARE(written.size(), 0);

        fpga_manage* f = fpga_manage::pInstance();
        message_deal::write_file_end(13);
        message_deal::write_file_end(9); // page 24 is not the advanced menu
        QCOMPARE(testsupport::spy_ints(written), QList<int>{13});

        testsupport::put_file("/data/rcvrecovery/a.rcv", "r");
        QCOMPARE(f->rcv_recovery->get_dir_file("/data/rcvrecovery"), 0);
        message_deal::delete_file_name("/data/smartmapping/m.wzfile");
        g_page_focus = 4; // nothing of these in front: list emptied, no request
        message_deal::delete_file_name("/data/rcvrecovery/a.rcv");
        QCOMPARE(f->rcv_recovery->file_count(rcvRecovery::RecoveryFiles), 0);
        QCOMPARE(testsupport::spy_ints(deleted), QList<int>{1});
        QCOMPARE(retext.size(), 2);
        fpga_manage::destroy_for_test();
    }

    // The access point's set-up goes to the gate (recorded, never run): once from the
    // thread at start, again on a reset, not when the access point is off.
    void wifi_setup_recorded_never_run()
    {
        auto* w = K87_WIFI_CONFIG::reset_for_test();
        platform::shell_clear_recorded();
        const QStringList ap = {"/usr/bin/hostapd /etc/rtl_hostapd_2G.conf -B",
                                "udhcpd -fS /etc/udhcpd.conf &"};
        QVERIFY(w->start());
        QTRY_COMPARE(platform::shell_recorded(), ap);
        w->stop_for_test();
        w->wifi_deal(); // nothing asked: nothing again
        w->set_wifi_reset_flag();
        w->wifi_deal();
        QCOMPARE(g_wifi_reset_flag.load(), uint8_t(0));
        QCOMPARE(platform::shell_recorded(), ap + ap);

        YuqRamPara::p_yuqrampara_config->ram_para[img::ApOff] = 1;
        w->set_wifi_reset_flag();
        w->wifi_deal();
        QCOMPARE(platform::shell_recorded(), ap + ap);
    }
};

QTEST_MAIN(TstCommLinks)
#include "tst_comm_links.moc"
