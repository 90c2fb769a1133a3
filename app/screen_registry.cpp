#include "screen_registry.h"

#include "ui/picture/inputchoose.h"
#include "ui/shell/lockwindow.h"
#include "ui/picture/custommode.h"
#include "ui/shell/mainwindow.h"
#include "ui/shell/option.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/screens.h"

void register_screens()
{
    kit::Screen home;
    home.instance = []() -> QWidget* { return g_mainwindow; };
    home.refresh = [](int) { g_mainwindow->syncUpdate(); };
    home.retext = [] { g_mainwindow->language_changed(); };
    kit::register_screen(page::MainWindow, home);
    kit::register_screen(page::LockWindow, kit::standard_screen<LockWindow>(page::LockWindow, g_lockwindow));
    kit::register_screen(page::InputChoose, kit::standard_screen<InputChoose>(page::InputChoose, g_inputchoose));

    kit::register_screen(page::CustomMode, kit::standard_screen<CustomMode>(page::CustomMode, g_custommode));
    kit::register_screen(page::Option, kit::standard_screen<Option>(page::Option, g_option));
}
