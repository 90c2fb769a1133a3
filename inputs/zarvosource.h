#pragma once
// The input sources: the thread that polls the six receivers, publishes their timings and
// rewrites EDIDs on request.
#include <atomic>
#include <cstdint>

#include "core/service_thread.h"

// The timing record of one input.
struct SourceHdmiInfo
{
    uint32_t Hact, Hsync, Hback, Hpol, Htotal;
    uint32_t Vact, Vsync, Vback, Vpol, Vtotal;
    float pclk;          // MHz
    uint32_t type, datamode, lanes, interlace;
    uint32_t nosignal, valid;
};

class zarvosource
{
public:
    static constexpr int SourceCount = 6;

    static zarvosource* pInstance();
    static zarvosource* p_zarvo_source;
    static void destroy_for_test();

    // The six records, under Utils::_source_hdminfo_mutex.
    SourceHdmiInfo source_hdminfo[SourceCount];
    // EDID-rewrite requests, input order 0-5: 1 = rewrite that input's EDID from its image
    // record; the thread clears the byte when done.
    std::atomic<uint8_t> source_edid_rewrite[SourceCount];

    // Width, height and frame rate as the image carries them (all 0 without signal).
    static void timing_of(const SourceHdmiInfo& r, uint16_t* width, uint16_t* height, uint16_t* rate);

    void initialize();     // starts the thread
    void stop_for_test();
    // One pass: poll the receivers, publish changes (code 12), serve EDID requests.
    void source_manage_deal();

private:
    zarvosource();
    bool read_receiver(int s, SourceHdmiInfo* r);
    void edid_rewrite(int s);

    ServiceThread m_thread;
    bool m_first = true;
};
