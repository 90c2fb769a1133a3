#pragma once
// The scaler chip's operations, each one message on the SPI bus under Utils::_spi_mutex.
// Every operation returns 0, or -1 when the chip did not take it.
#include <cstdint>
#include <initializer_list>

class c331_drv
{
public:
    static int reset(bool held);              // the chip's reset line
    static int init(int stage);
    static int font_present(int font);        // 1, 0, or -1
    static int panel_init(int ledW, int ledH, int out1W, int out1H, int splice);
    static int set_window(int w, int enabled, int x, int y, int width, int height, int mirror);
    static int set_window_input(int w, int source, int cx, int cy, int cw, int ch);
    static int set_window_mode(int w, int modeWord, int dotMode);
    static int set_all_windows(int state);
    static int set_pattern(int n);
    static int set_colour(int colourWord, int red, int green, int blue);
    static int set_picture(int item, int value); // 0 brightness, 1 contrast, 2 sharpness, 3 saturation
    static int set_current_window(int w);
    static int set_dot_by_dot(int on);
    static int set_switch_effect(int effect);
    static int set_volume(int w, int word);
    static int set_fade(int w, int word1, int word2);
    static int osd_reload();
    static int set_input_timing(int source, int width, int height, int rate);

private:
    static int op(uint8_t code, std::initializer_list<int> args, uint8_t* answer = nullptr);
};
