#include "fpga_manage.h"

// The USB-stick upgrade, one step per FPGA pass while g_usb_grade is set. Not built yet.
void fpga_manage::usb_upgrade_manage_deal() {}
