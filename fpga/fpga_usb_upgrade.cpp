#include "fpga_manage.h"

#include "core/global.h"

// The USB-stick upgrade, one step per FPGA pass while g_usb_grade is set.
void fpga_manage::usb_upgrade_manage_deal()
{
    // The upgrade's step shares byte 1 with a card job: a job posted first ends first.
    if (g_send_para.job() != 0) {
        run_card_job_step();
        return;
    }
    usb_upgrade_deal();
}

void fpga_manage::usb_upgrade_deal()
{
    m_usb_upgrade.usb_upgrade_deal();
}

int fpga_manage::get_usb_file_list_path()
{
    return m_usb_upgrade.get_usb_file_list_path();
}

void fpga_manage::usb_upgrade_main_deal()
{
    m_usb_upgrade.usb_upgrade_main_deal();
}

QString fpga_manage::usb_upgrade_time_text() const
{
    return m_usb_upgrade.time_text();
}

UsbUpgrade::Result fpga_manage::usb_upgrade_result() const
{
    return m_usb_upgrade.result();
}
