// Every service thread at once on the simulated device while this thread does what the
// panel does. Built with -DTSAN=ON this is where the sanitizer sees the hand-offs; in
// every build the services must end it consistent.
#include "hwtest.h"
#include "servicethreads.h"

#include "comm/k87_wifi_config.h"
#include "comm/message_deal.h"
#include "comm/usbserver.h"
#include "fpga/card_jobs.h"
#include "fpga/rcv_recovery_file.h"
#include "platform/devpath.h"
#include "sim/control.h"
#include "sim/sim_cards.h"
#include "sim/sim_usb_stick.h"

#include <QtTest>
#include <thread>

using namespace hwtest;

class TstCommThreads : public QObject
{
    Q_OBJECT
private slots:
    void panel_and_services_at_once()
    {
        fresh();
        g_delay_usbserver = 1;
        g_send_para.clear();
        g_usb_grade = 0;
        SimCards::instance()->restore();
        testsupport::put_file("/data/rcvrecovery/screen.rcv", QByteArray(300, 'r'));
        testsupport::put_file("/data/smartmapping/a.wzfile", QByteArray(600, 's'));
        testsupport::put_file("/stick/YUQ-K64/new app.YUQ", "new application");
        const QString stick = platform::dev_path("/stick");

        // Start-up's order: the services exist before the first thread starts.
        zarvosource::pInstance();
        fpga_manage::pInstance();
        UsbServer::reset_for_test();
        K87_WIFI_CONFIG::reset_for_test();
        c331_manage::pInstance()->start_thread();
        fpga_manage::pInstance()->initialize_start();
        zarvosource::pInstance()->initialize();
        UsbServer::pInstance()->start();
        K87_WIFI_CONFIG::pInstance()->start();
        sim::start_control_fifo();
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        rcvRecovery* lister = fpga_manage::p_fpga_manage->rcv_recovery.get();

        for (int i = 0; i < 400; ++i) {
            G_timeTicks += 7; // the panel's tick
            screen_write16(img::Brightness, uint16_t(i % 100));
            screen_write16(img::Window + img::WinX, uint16_t(i % 64));
            g_str_ip = QStringLiteral("192.168.1.%1").arg(i % 250);
            g_usb_grade_path = (i % 2) ? QStringLiteral("YUQ-K64") : QStringLiteral(" ");
            switch (i % 10) {
            case 0: sim::run_control_line(QStringLiteral("input 3 off")); break;
            case 1: sim::run_control_line(QStringLiteral("input 3 1280 720 50")); break;
            case 2: SimUsbStick::instance()->insert(stick); break;
            case 3: post_card_job(uint8_t(JobMapping + (i / 10) % 6)); break;
            case 4: (void)lister->file_list(rcvRecovery::RecoveryFiles); break;
            case 5:
                message_deal::store_transfer_file(message_deal::FileRecovery, QStringLiteral("b.rcv"), "rr");
                message_deal::write_file_end(message_deal::FileRecovery);
                break;
            case 6:
                message_deal::delete_transfer_file(QStringLiteral("/data/rcvrecovery/b.rcv"));
                message_deal::delete_file_name(QStringLiteral("/data/rcvrecovery/b.rcv"));
                break;
            case 7: post_usb_upgrade(); break;
            case 8: SimUsbStick::instance()->remove(); break;
            case 9: sim::run_control_line(QStringLiteral("port 2 off")); sim::run_control_line(QStringLiteral("port 2 on")); break;
            }
            p->write_ram_file();
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }

        servicethreads::stop_all();
        QCoreApplication::processEvents();

        // Whatever ran last ends when the passes go on without the panel.
        for (int i = 0; i < 20000 && (g_send_para.word.load() != 0 || g_usb_grade.load() != 0); ++i) {
            fpga_manage::p_fpga_manage->run_pass();
            G_timeTicks += 1;
        }
        QCOMPARE(int(g_send_para.word.load()), 0);
        QCOMPARE(int(g_usb_grade.load()), 0);
        c331_manage::destroy_for_test();
        fpga_manage::destroy_for_test();
        zarvosource::destroy_for_test();
    }
};

QTEST_GUILESS_MAIN(TstCommThreads)
#include "tst_comm_threads.moc"
