#include "image_edit.h"

#include "engine_handshake.h"

#include <cstring>

namespace {
bool word_ok(int off)
{
    return off >= 0 && off + 1 < RAM_PARA_SIZE;
}
int window_off(int w)
{
    return img::Window + img::WindowSize * w;
}
} // namespace

ImageEdit::ImageEdit(uint8_t raise) : m_p(YuqRamPara::pInstance()), m_raise(raise)
{
    EngineHandshake::instance().lock();
}

ImageEdit::~ImageEdit()
{
    if (m_written && m_raise)
        EngineHandshake::instance().raise(m_raise);
    EngineHandshake::instance().unlock();
}

uint16_t ImageEdit::get(int off) const
{
    return word_ok(off) ? m_p->image16(off) : 0;
}

void ImageEdit::set(int off, uint16_t v)
{
    if (!word_ok(off))
        return;
    m_p->set_image16(off, v);
    m_written = true;
}

uint8_t ImageEdit::byte(int off) const
{
    return m_p->image8(off);
}

void ImageEdit::set_byte(int off, uint8_t v)
{
    if (off < 0 || off >= RAM_PARA_SIZE)
        return;
    // Bytes go in as their word, so no reader sees half of one.
    const int even = off & ~1;
    uint16_t w = m_p->image16(even);
    w = (off & 1) ? uint16_t((w & 0x00FF) | (v << 8)) : uint16_t((w & 0xFF00) | v);
    m_p->set_image16(even, w);
    m_written = true;
}

WindowRecord ImageEdit::window(int w) const
{
    WindowRecord r;
    if (w >= 0 && w < WindowSlots)
        m_p->read_image(window_off(w), r.bytes, int(sizeof r.bytes));
    return r;
}

void ImageEdit::set_window(int w, const WindowRecord& r)
{
    if (w < 0 || w >= WindowSlots)
        return;
    copy_in(window_off(w), r.bytes, int(sizeof r.bytes));
}

void ImageEdit::copy_in(int off, const unsigned char* src, int len)
{
    if (off < 0 || len <= 0 || off >= RAM_PARA_SIZE)
        return;
    if (off + len > RAM_PARA_SIZE)
        len = RAM_PARA_SIZE - off;
    m_p->write_image(off, src, len);
    m_written = true;
}
