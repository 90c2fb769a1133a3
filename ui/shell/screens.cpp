#include "screens.h"

#define YUQ_PAGE(id, Class, pointer, parent, kind) kit::ScreenPtr<Class> pointer(id);
#include "pages.def"
#undef YUQ_PAGE

NumberKeyboard* g_numberkeyboard = nullptr;
QLineEdit* g_lineedit = nullptr;
TIP* g_tip = nullptr;
uint8_t g_tip_flag = 0;
QRoundProgressBar* g_qround_bar = nullptr;
FirmwareUpdate* g_move_update = nullptr;

QFrame* g_mode[16] = {};

QTimer* g_timer = nullptr;

uint32_t g_back_to_mainwindow_time = 3000;
uint32_t g_auto_lock_time = 30000;
