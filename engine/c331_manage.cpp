#include "c331_manage.h"

#include "c331_drv.h"
#include "core/global.h"
#include "core/utils.h"
#include "fpga/fpga_manage.h"
#include "inputs/zarvosource.h"

#include <QMutexLocker>
#include <chrono>
#include <cstring>
#include <thread>

c331_manage* c331_manage::p_c331_manage = nullptr;

namespace {
// Fixed red, green and blue gains of the colour-temperature presets 1 warm, 2 nature, 3 cool.
const int kPresetGains[4][3] = {{0, 0, 0}, {6400, 5760, 4480}, {6400, 6400, 6400}, {4480, 5760, 6400}};
// Image words that make a panel re-initialisation.
const int kPanelWords[] = {img::SpliceMode, img::LedWidth, img::LedHeight, img::Out1Width, img::Out1Height};

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }
} // namespace

c331_manage* c331_manage::pInstance()
{
    if (!p_c331_manage)
        p_c331_manage = new c331_manage;
    return p_c331_manage;
}

void c331_manage::destroy_for_test()
{
    if (!p_c331_manage)
        return;
    p_c331_manage->stop_for_test();
    delete p_c331_manage;
    p_c331_manage = nullptr;
}

c331_manage::c331_manage()
    : c331_mutex(EngineHandshake::instance().mutex), c331_update(EngineHandshake::instance().reapply)
{
    std::memset(m_chip, 0, sizeof m_chip);
}

// ---- operations ----

int c331_manage::read_c331_font()
{
    uint32_t bits = 0;
    for (int f = 0; f < 4; ++f)
        if (c331_drv::font_present(f) == 1)
            bits |= 1u << f;
    c331_font_valid = bits;
    return int(bits);
}

int c331_manage::c331_SetPattern(int n)
{
    if (n < 0 || n > 8)
        return -1;
    if (n != 0) {
        int used = 0;
        for (int w = 0; w < WINDOW_COUNT; ++w)
            used += rd16(m_view, img::Window + img::WindowSize * w + img::WinFlags) & 1;
        if (used > 1)
            return -1;
    }
    return c331_drv::set_pattern(n);
}

int c331_manage::c331_SetColorTemp(int value)
{
    const uint32_t v = uint32_t(value);
    const int type = int(v & 0xFF);
    int gains[3];
    if (type >= 1 && type <= 3) {
        std::memcpy(gains, kPresetGains[type], sizeof gains);
    } else {
        gains[0] = int((v >> 24) & 0xFF) * 64;
        gains[1] = int((v >> 16) & 0xFF) * 64;
        gains[2] = int((v >> 8) & 0xFF) * 64;
    }
    return c331_drv::set_colour(value, gains[0], gains[1], gains[2]);
}

int c331_manage::yuqApi_PnlInit2(int ledW, int ledH, int out1W, int out1H, int splice)
{
    return c331_drv::panel_init(ledW, ledH, out1W, out1H, splice);
}

// ---- the pass ----

void c331_manage::wait_led_steps()
{
    // The FPGA thread blanks the outputs first; its steps advance with the GUI tick. The
    // engine mutex is not held here, so writers are never kept waiting.
    while (g_set_led_para.load() == 1 && !m_stop.load())
        sleep_ms(10);
}

void c331_manage::apply_window(const unsigned char* snap, int w, bool all)
{
    const int b = img::Window + img::WindowSize * w;
    auto diff = [&](int off, int len) { return all || std::memcmp(snap + off, m_chip + off, size_t(len)) != 0; };
    if (diff(b + img::WinFlags, 2) || diff(b + img::WinMirror, 2) || diff(b + img::WinX, 8))
        c331_drv::set_window(w, rd16(snap, b + img::WinFlags) & 1, rd16(snap, b + img::WinX),
                             rd16(snap, b + img::WinY), rd16(snap, b + img::WinW), rd16(snap, b + img::WinH),
                             rd16(snap, b + img::WinMirror));
    short crop = 0;
    char index = 0;
    const int source = YuqRamPara::p_yuqrampara_config->YuqGetImageSource(
        const_cast<unsigned char*>(snap), uint8_t(w), &crop, &index, 0);
    const int e = uint8_t(index);
    const bool cropOk = crop && e < CROP_COUNT;
    if (diff(b + img::WinInput, 2) || (cropOk && diff(img::CropTable + 10 * e, 10))) {
        if (cropOk) {
            const int c = img::CropTable + 10 * e;
            c331_drv::set_window_input(w, source, rd16(snap, c + 2), rd16(snap, c + 4), rd16(snap, c + 6),
                                       rd16(snap, c + 8));
        } else {
            c331_drv::set_window_input(w, source, 0, 0, 0, 0);
        }
    }
    if (diff(b + img::WinMode, 2) || diff(b + img::WinDotMode, 2))
        c331_drv::set_window_mode(w, rd16(snap, b + img::WinMode), rd16(snap, b + img::WinDotMode));
    if (diff(b + img::WinVolume, 2))
        c331_drv::set_volume(w, rd16(snap, b + img::WinVolume));
    const int f = img::FadeWords + 4 * w;
    if (diff(f, 4))
        c331_drv::set_fade(w, rd16(snap, f), rd16(snap, f + 2));
}

void c331_manage::apply(const unsigned char* snap, bool all)
{
    m_view = snap;
    auto diff16 = [&](int off) { return all || rd16(snap, off) != rd16(m_chip, off); };

    bool panel = false;
    for (int off : kPanelWords)
        panel = panel || diff16(off);
    if (panel) {
        if (!all)
            wait_led_steps();
        yuqApi_PnlInit2(rd16(snap, img::LedWidth), rd16(snap, img::LedHeight), rd16(snap, img::Out1Width),
                        rd16(snap, img::Out1Height), rd16(snap, img::SpliceMode));
        if (!all) {
            QMutexLocker l(&Utils::_led_para_init_mutex);
            g_set_led_para = 2;
        }
        if (rd16(snap, img::OsdEnable))
            c331_drv::osd_reload();
    }

    for (int w = 0; w < WINDOW_COUNT; ++w)
        apply_window(snap, w, all);
    if (diff16(img::AllWindowsState))
        c331_drv::set_all_windows(rd16(snap, img::AllWindowsState));
    // The record keeps the pattern the chip shows: a refused one (several windows in
    // use) is tried again on the next pass, and input timings keep flowing meanwhile.
    m_pattern = m_chip[img::TestPattern];
    if (all || snap[img::TestPattern] != m_chip[img::TestPattern])
        if (c331_SetPattern(snap[img::TestPattern]) == 0)
            m_pattern = snap[img::TestPattern];

    // Every input whose EDID record changed gets its rewrite.
    if (!all) {
        zarvosource* z = zarvosource::p_zarvo_source;
        for (int s = 0; s < 6 && z; ++s)
            if (std::memcmp(snap + img::Edid + 6 * s, m_chip + img::Edid + 6 * s, 6) != 0)
                z->source_edid_rewrite[s] = 1;
    }

    if (diff16(img::Brightness)) {
        c331_drv::set_picture(0, 50);
        if (fpga_manage* f = fpga_manage::p_fpga_manage)
            f->set_brightness_pending(rd16(snap, img::Brightness));
    }
    const int pictureWords[3] = {img::Contrast, img::Sharpness, img::Saturation};
    for (int i = 0; i < 3; ++i)
        if (diff16(pictureWords[i]))
            c331_drv::set_picture(i + 1, rd16(snap, pictureWords[i]));
    if (all || std::memcmp(snap + img::ColorTempType, m_chip + img::ColorTempType, 8) != 0)
        c331_SetColorTemp(int(uint32_t(snap[img::ColorTempType]) | uint32_t(snap[img::Blue]) << 8
                              | uint32_t(snap[img::Green]) << 16 | uint32_t(snap[img::Red]) << 24));

    if (all || snap[img::CurrentWindow] != m_chip[img::CurrentWindow])
        c331_drv::set_current_window(snap[img::CurrentWindow]);
    if (diff16(img::DotByDot))
        c331_drv::set_dot_by_dot(rd16(snap, img::DotByDot));
    if (diff16(img::SwitchEffect))
        c331_drv::set_switch_effect(rd16(snap, img::SwitchEffect));
    m_view = m_chip;
}

void c331_manage::bring_up()
{
    c331_drv::reset(true);
    sleep_ms(1);
    c331_drv::reset(false);
    for (int stage = 0; stage < 3; ++stage)
        c331_drv::init(stage);
    read_c331_font();
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p)
        return;
    unsigned char snap[RAM_PARA_SIZE];
    {
        EngineLock lock;
        p->read_image(0, snap, sizeof snap);
    }
    apply(snap, true);
    record(snap);
}

void c331_manage::record(const unsigned char* snap)
{
    std::memcpy(m_chip, snap, sizeof m_chip);
    m_chip[img::TestPattern] = m_pattern;
}

int c331_manage::c331managerdeal()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p || c331_update.load() == 0)
        return 0;
    // The mutex is held only while the snapshot is taken: a change written after it
    // raises the byte again and is applied on the next pass.
    unsigned char snap[RAM_PARA_SIZE];
    uint8_t code;
    {
        EngineLock lock;
        code = c331_update.exchange(0);
        p->read_image(0, snap, sizeof snap);
    }
    if (code == 0)
        return 0;
    apply(snap, false);
    record(snap);
    p->test_signal(code);
    return code;
}

void c331_manage::input_timing_deal()
{
    zarvosource* z = zarvosource::p_zarvo_source;
    if (!z || m_chip[img::TestPattern] != 0)
        return;
    SourceHdmiInfo rec[6];
    {
        QMutexLocker l(&Utils::_source_hdminfo_mutex);
        std::memcpy(rec, z->source_hdminfo, sizeof rec);
    }
    for (int s = 0; s < 6; ++s) {
        uint16_t t[3];
        zarvosource::timing_of(rec[s], &t[0], &t[1], &t[2]);
        if (std::memcmp(t, m_timing[s], sizeof t) != 0) {
            std::memcpy(m_timing[s], t, sizeof t);
            c331_drv::set_input_timing(s, t[0], t[1], t[2]);
        }
    }
}

void c331_manage::start_thread()
{
    m_stop = false;
    m_thread.start("c331_manage", [this] {
        if (!m_up) {
            bring_up();
            m_up = true;
        }
        c331managerdeal();
        input_timing_deal();
    }, 10);
}

void c331_manage::stop_for_test()
{
    m_stop = true;
    m_thread.stop();
}
