#include "global.h"

std::atomic<uint32_t> G_timeTicks{0};
std::atomic<uint32_t> G_reboot_tickTicks{0};
std::atomic<uint32_t> G_factoryage_ticks{0};

std::atomic<uint8_t> g_language{0};
std::atomic<uint32_t> g_lcd_lang_valid{0x1F};
std::atomic<uint8_t> g_image_current{0};
std::atomic<uint8_t> g_page_focus{0};
std::atomic<uint8_t> g_update_flag{0};
std::atomic<uint8_t> g_yuq_keys{0};
std::atomic<uint8_t> g_debugSwitch{254};
std::atomic<uint8_t> g_mode_select{0};
std::atomic<uint8_t> g_mode_shortcut_key{0};

std::atomic<uint8_t> g_app_reset_flag{0};
std::atomic<uint32_t> g_delay_usbserver{0};
std::atomic<uint8_t> pc_cmd_valid{0};
std::atomic<uint32_t> pc_cmd_time{0};
std::atomic<uint32_t> g_usb_grade{0};
std::atomic<uint8_t> g_set_led_para{0};
std::atomic<uint8_t> g_set_led_setup{0};
std::atomic<uint8_t> g_wifi_reset_flag{0};

SharedString g_str_ip{QStringLiteral("192.168.1.199")};
SharedString g_srt_mask{QStringLiteral("255.255.255.0")};
SharedString g_str_gateway{QStringLiteral("192.168.1.1")};
SharedString g_str_barcode{QStringLiteral(" ")};
SharedString g_usb_grade_path{QStringLiteral("YUQ-K64")};
std::atomic<uint32_t> g_tcp_port{5005};
std::atomic<uint32_t> g_max_pixel{13107200};

uint8_t g_cut_source_state[30] = {};

