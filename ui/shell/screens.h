#pragma once
// The open instance of every panel screen (null while closed), named in the page table,
// and the pop-up globals. The screen classes are only declared here, so nothing needs a
// screen's header to test or hold its pointer.
#include <QFrame>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <cstdint>

#include "pages.h"
#include "screenbase.h"

#define YUQ_PAGE(id, Class, pointer, parent, kind)                                                 \
    class Class;                                                                                   \
    extern kit::ScreenPtr<Class> pointer;
#include "pages.def"
#undef YUQ_PAGE

class NumberKeyboard;
class TIP;
class QRoundProgressBar;
class FirmwareUpdate;

// Pop-ups without a page id.
extern NumberKeyboard* g_numberkeyboard;
extern QLineEdit* g_lineedit;           // the field being edited on the number pad
extern TIP* g_tip;
extern uint8_t g_tip_flag;              // a tip is shown (GUI thread only)
extern QRoundProgressBar* g_qround_bar;
extern FirmwareUpdate* g_move_update;

// The home screen's user-mode strip: slot frames of the last build.
extern QFrame* g_mode[16];

// The 10 ms tick's timer.
extern QTimer* g_timer;

// Panel times chosen on the LCD-timer screen, in ms (GUI thread only, not persisted).
extern uint32_t g_back_to_mainwindow_time; // 3000, 6000 or 120000 (never)
extern uint32_t g_auto_lock_time;          // 30000, 60000 or 120000 (never)
