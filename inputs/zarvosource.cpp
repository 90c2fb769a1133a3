#include "zarvosource.h"

#include "drv_i2c.h"
#include "core/engine_handshake.h"
#include "core/global.h"
#include "core/utils.h"
#include "core/yuqrampara.h"
#include "platform/wire.h"

#include <QMutexLocker>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>

zarvosource* zarvosource::p_zarvo_source = nullptr;

zarvosource* zarvosource::pInstance()
{
    if (!p_zarvo_source)
        p_zarvo_source = new zarvosource;
    return p_zarvo_source;
}

void zarvosource::destroy_for_test()
{
    if (!p_zarvo_source)
        return;
    p_zarvo_source->stop_for_test();
    delete p_zarvo_source;
    p_zarvo_source = nullptr;
}

zarvosource::zarvosource()
{
    std::memset(source_hdminfo, 0, sizeof source_hdminfo);
    for (auto& r : source_hdminfo)
        r.nosignal = 1;
    for (auto& b : source_edid_rewrite)
        b.store(0);
}

void zarvosource::timing_of(const SourceHdmiInfo& r, uint16_t* width, uint16_t* height, uint16_t* rate)
{
    *width = *height = *rate = 0;
    if (!r.valid || r.nosignal)
        return;
    *width = uint16_t(r.Hact);
    *height = uint16_t(r.Vact);
    const double frame = double(r.Htotal) * double(r.Vtotal);
    if (frame > 0 && r.pclk > 0)
        *rate = uint16_t(std::lround(double(r.pclk) * 1e6 / frame));
}

bool zarvosource::read_receiver(int s, SourceHdmiInfo* r)
{
    uint8_t buf[4 * rxwire::RecordWords];
    std::memset(r, 0, sizeof *r);
    if (Drv_I2C0::read(uint8_t(rxwire::ReceiverBase + s), 0, buf, sizeof buf) != 0) {
        r->nosignal = 1; // a receiver that does not answer shows no signal
        return false;
    }
    uint32_t w[rxwire::RecordWords];
    for (int i = 0; i < rxwire::RecordWords; ++i)
        w[i] = uint32_t(scalerwire::get32(buf + 4 * i));
    r->Hact = w[rxwire::Hact];
    r->Hsync = w[rxwire::Hsync];
    r->Hback = w[rxwire::Hback];
    r->Hpol = w[rxwire::Hpol];
    r->Htotal = w[rxwire::Htotal];
    r->Vact = w[rxwire::Vact];
    r->Vsync = w[rxwire::Vsync];
    r->Vback = w[rxwire::Vback];
    r->Vpol = w[rxwire::Vpol];
    r->Vtotal = w[rxwire::Vtotal];
    r->pclk = float(w[rxwire::PixelKHz] / 1000.0);
    r->type = w[rxwire::Type];
    r->datamode = w[rxwire::DataMode];
    r->lanes = w[rxwire::Lanes];
    r->interlace = w[rxwire::Interlace];
    r->nosignal = w[rxwire::NoSignal];
    r->valid = w[rxwire::Valid];
    return true;
}

void zarvosource::edid_rewrite(int s)
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p)
        return;
    uint8_t rec[6];
    p->image_snapshot(img::Edid + 6 * s, rec, sizeof rec);
    if (Drv_I2C0::write(uint8_t(rxwire::EdidBase + s), 0, rec, sizeof rec) != 0)
        std::printf("edid rewrite of input %d failed\n", s);
    else
        YUQ_TRACE("edid of input %d: %dx%d@%d\n", s, rd16(rec, 0), rd16(rec, 2), rd16(rec, 4));
}

void zarvosource::source_manage_deal()
{
    bool changed = false;
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    for (int s = 0; s < SourceCount; ++s) {
        SourceHdmiInfo r;
        read_receiver(s, &r);
        QMutexLocker l(&Utils::_source_hdminfo_mutex);
        if (!m_first && std::memcmp(&r, &source_hdminfo[s], sizeof r) == 0)
            continue;
        source_hdminfo[s] = r;
        uint16_t w, h, hz;
        timing_of(r, &w, &h, &hz);
        if (p) {
            // The engine and the write-back copy the whole image under the engine mutex.
            EngineLock image;
            p->set_image16(img::SourceTiming + 6 * s, w);
            p->set_image16(img::SourceTiming + 6 * s + 2, h);
            p->set_image16(img::SourceTiming + 6 * s + 4, hz);
        }
        changed = true;
    }
    m_first = false;
    if (changed && p)
        p->test_signal(12);
    for (int s = 0; s < SourceCount; ++s) {
        // Taken before the rewrite, so a request raised meanwhile is served next pass.
        if (source_edid_rewrite[s].exchange(0))
            edid_rewrite(s);
    }
}

void zarvosource::initialize()
{
    m_thread.start("zarvosource", [this] { source_manage_deal(); }, 20);
}

void zarvosource::stop_for_test()
{
    m_thread.stop();
}
