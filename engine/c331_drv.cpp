#include "c331_drv.h"

#include "core/utils.h"
#include "platform/buses.h"
#include "platform/wire.h"

#include <QMutexLocker>

using namespace scalerwire;

int c331_drv::op(uint8_t code, std::initializer_list<int> args, uint8_t* answer)
{
    platform::SpiBus* bus = platform::spi_bus();
    if (!bus || args.size() > size_t(MaxArgs))
        return -1;
    uint8_t tx[MsgSize] = {};
    uint8_t rx[MsgSize] = {};
    tx[0] = code;
    tx[1] = uint8_t(args.size());
    int i = 0;
    for (int a : args)
        put32(tx + 2 + 4 * i++, a);
    int rc;
    {
        QMutexLocker l(&Utils::_spi_mutex);
        rc = bus->transfer(platform::SpiScaler, tx, rx, size_t(2 + 4 * i));
    }
    if (rc == 0 && answer)
        *answer = rx[2];
    return rc == 0 ? 0 : -1;
}

int c331_drv::reset(bool held)
{
    platform::GpioBlock* g = platform::gpio_block();
    if (!g)
        return -1;
    g->write(platform::GpioScalerReset, held ? 0 : 1);
    return 0;
}

int c331_drv::init(int stage) { return op(OpInit, {stage}); }

int c331_drv::font_present(int font)
{
    uint8_t a = 0;
    if (op(OpReadFont, {font}, &a) != 0)
        return -1;
    return a ? 1 : 0;
}

int c331_drv::panel_init(int ledW, int ledH, int out1W, int out1H, int splice)
{
    return op(OpPanelInit, {ledW, ledH, out1W, out1H, splice});
}

int c331_drv::set_window(int w, int enabled, int x, int y, int width, int height, int mirror)
{
    return op(OpWindow, {w, enabled, x, y, width, height, mirror});
}

int c331_drv::set_window_input(int w, int source, int cx, int cy, int cw, int ch)
{
    return op(OpWindowInput, {w, source, cx, cy, cw, ch});
}

int c331_drv::set_window_mode(int w, int modeWord, int dotMode) { return op(OpWindowMode, {w, modeWord, dotMode}); }
int c331_drv::set_all_windows(int state) { return op(OpAllWindows, {state}); }
int c331_drv::set_pattern(int n) { return op(OpPattern, {n}); }
int c331_drv::set_colour(int word, int r, int g, int b) { return op(OpColourGains, {word, r, g, b}); }
int c331_drv::set_picture(int item, int value) { return op(OpPicture, {item, value}); }
int c331_drv::set_current_window(int w) { return op(OpCurrentWindow, {w}); }
int c331_drv::set_dot_by_dot(int on) { return op(OpDotByDot, {on}); }
int c331_drv::set_switch_effect(int effect) { return op(OpSwitchEffect, {effect}); }
int c331_drv::set_volume(int w, int word) { return op(OpVolume, {w, word}); }
int c331_drv::set_fade(int w, int word1, int word2) { return op(OpFade, {w, word1, word2}); }
int c331_drv::osd_reload() { return op(OpOsdReload, {}); }

int c331_drv::set_input_timing(int source, int width, int height, int rate)
{
    return op(OpInputTiming, {source, width, height, rate});
}
