#pragma once
// The open instance of every panel screen and pop-up, null while closed. Each is defined
// once (screens.cpp); the classes are only declared here, so nothing needs a screen's
// header to hold its pointer.
#include <QFrame>
#include <QLineEdit>
#include <QTimer>
#include <atomic>
#include <cstdint>

class LockWindow;
class MainWindow;
class MachineState;
class InputChoose;
class CustomMode;
class Option;
class OutputSet;
class InputCut;
class EDIDset;
class ImageLayout;
class LinkOption;
class ImageQuality;
class AdvancedOption;
class ledset;
class netset;
class lcdshow;
class test_chart;
class othersetup;
class factory;
class quality;
class temperature;
class linkcom;
class linkwlan;
class factoryage;
class SmartMapping;
class rcv_recovery;
class firmware_usbgrade;
class NumberKeyboard;
class TIP;
class QRoundProgressBar;
class FirmwareUpdate;

extern LockWindow* g_lockwindow;
extern MainWindow* g_mainwindow;
extern MachineState* g_machinestate;
extern InputChoose* g_inputchoose;
extern CustomMode* g_custommode;
extern Option* g_option;
extern OutputSet* g_outputset;
extern InputCut* g_inputcut;
extern EDIDset* g_edidset;
extern ImageLayout* g_imagelayout;
extern LinkOption* g_linkoption;
extern ImageQuality* g_imagequality;
extern AdvancedOption* g_advancedoption;
extern ledset* g_ledset;
extern netset* g_netset;
extern lcdshow* g_lcdshow;
extern test_chart* g_test_chart;
extern othersetup* g_othersetup;
extern factory* g_factory;
extern quality* g_quality;
extern temperature* g_temperature;
extern linkcom* g_linkcom;
extern linkwlan* g_linkwlan;
extern factoryage* g_factoryage;
extern SmartMapping* g_smartmapping;
extern rcv_recovery* g_rcv_recovery;
extern firmware_usbgrade* g_firmware_usbgrade;

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
