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
    return word_ok(off) ? rd16(m_p->ram_para, off) : 0;
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
    return (off >= 0 && off < RAM_PARA_SIZE) ? m_p->ram_para[off] : 0;
}

void ImageEdit::set_byte(int off, uint8_t v)
{
    if (off < 0 || off >= RAM_PARA_SIZE)
        return;
    m_p->ram_para[off] = v;
    m_written = true;
}

WindowRecord ImageEdit::window(int w) const
{
    WindowRecord r;
    if (w >= 0 && w < WindowSlots)
        std::memcpy(r.bytes, m_p->ram_para + window_off(w), sizeof r.bytes);
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
    std::memmove(m_p->ram_para + off, src, size_t(len));
    m_written = true;
}
