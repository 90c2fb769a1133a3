#pragma once
// The FPGA side: start-up of both FPGAs, the register mirrors and parameter images, port
// links, brightness and output switching, the LED-size steps, and the FPGA thread.
#include "card_jobs.h"
#include "clock_record_run.h"
#include "core/service_thread.h"
#include "rcv_recovery_file.h"
#include "usb_upgrade.h"

#include <QMutex>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

// A calendar date and time.
struct TimeRealType
{
    uint8_t second, minute, hour, day, weekday, month;
    uint16_t year;
};

class fpga_manage
{
public:
    static fpga_manage* pInstance();
    static fpga_manage* p_fpga_manage;
    // Tests: stop the thread and drop the object.
    static void destroy_for_test();

    static constexpr int StartState = 80; // mirror byte: 3 once the FPGA runs
    static constexpr int MirrorSize = 256;
    static constexpr int RamSize = 1024;

    // Register mirrors, one byte per register number (byte 80 is the start state, which
    // no register read touches). Read without a lock.
    std::atomic<uint8_t> MCU_REG_func[2][MirrorSize];
    // The parameter-RAM images, as loaded when each FPGA came up. The FPGA thread reloads
    // them after every restart: other threads read them through port_area.
    unsigned char* MCU_RAM_PARA_func[2];
    // The area x, y, width, height of output port p (0..19: 0-9 FPGA 0, 10-19 FPGA 1),
    // copied from its FPGA's image under the image lock; false for another p.
    bool port_area(int p, uint16_t area[4]);

    // Register reads and writes on the caller's thread. Registers 0-63 and 128-170 only;
    // -1 when the register does not exist or the FPGA did not answer.
    int read_from_register(unsigned char reg, unsigned char fpga);
    int write_to_register(unsigned char reg, unsigned char mask, unsigned char value, unsigned char fpga);
    // Non-zero when both FPGAs run (start state 3) and neither reports a fault (reg 0 bit 3).
    int get_fpga_status();
    // Link map of the twenty output ports: bits 0-9 FPGA 0, bits 10-19 FPGA 1.
    uint32_t get_wlan_state();
    static int get_eth_param_addr(unsigned char index, unsigned short* x, unsigned short* y,
                                  unsigned short* w, unsigned short* h);
    static int IT8563WE_Get(TimeRealType* t);

    // Restart one FPGA from its reset line; it comes back through the start-up steps.
    void reset_fpga_rst(int fpga);
    // The engine hands a changed brightness (percent) over; the FPGA thread drives it.
    void set_brightness_pending(int percent);
    std::atomic<uint8_t> brightness_flag{0};
    std::atomic<uint8_t> output_off[2] = {{0}, {0}}; // register 0 bit 2 as last written

    // The FPGA thread.
    void initialize_start();
    void stop_for_test();
    // One pass of the thread: the USB-stick upgrade while g_usb_grade is set, else the
    // normal pass. Tests call it directly.
    void run_pass();
    void fpga_manage_deal();
    void set_led_para_deal();

    // Hooks of the pass for the card jobs and the USB-stick upgrade, each in its own
    // source file (fpga_jobs.cpp, fpga_usb_upgrade.cpp).
    void run_card_job_step();
    void usb_upgrade_manage_deal();

    QMutex fpga_mutex;          // frames to and from the cards
    clock_record_run clock_record;

    // The lister of the recovery and scan files; the screens recount through it.
    std::unique_ptr<rcvRecovery> rcv_recovery{new rcvRecovery};
    // Card jobs 5 (query) and 6 (self-recovery), one step a pass (fpga_jobs.cpp).
    void rcv_recovery_check_deal(RCV_CHECK_OR_RECOVERY mode);
    // The USB-stick upgrade (fpga_usb_upgrade.cpp): one step a pass, the package list,
    // the installation, and the time text the upgrade screen shows on code 104.
    void usb_upgrade_deal();
    int get_usb_file_list_path();
    void usb_upgrade_main_deal();
    QString usb_upgrade_time_text() const;
    UsbUpgrade::Result usb_upgrade_result() const;

private:
    fpga_manage();
    void startup_step(int fpga);
    int load_fpga_para(int fpga);
    void status_poll();
    void brightness_deal();
    void pc_cmd_deal();

    QMutex m_reg_mutex;         // the register mirrors
    QMutex m_ram_mutex;         // the parameter images
    unsigned char m_ram[2][RamSize];
    std::atomic<int> m_brightness{100};
    uint32_t m_last_links = 0;
    uint32_t m_led_step_tick = 0;
    unsigned m_pass = 0;

    CardJobs::Hooks card_job_hooks();
    CardJobs m_card_jobs{card_job_hooks()};
    UsbUpgrade m_usb_upgrade;

    ServiceThread m_thread;
};
