#pragma once
// The one way to write the live parameter image: a scope that holds the engine mutex,
// offers typed access and raises the re-apply byte when it ends, so the engine's next
// pass never sees half an edit and never misses one.
//
//     {
//         ImageEdit e;
//         e.set(img::Brightness, 60);
//     } // re-apply raised, mutex released
#include <cstdint>

#include "yuqrampara.h"

// One 26-byte window record (slots 0..15 at img::Window + 26*w), fields at img::Win*.
struct WindowRecord
{
    uint8_t bytes[img::WindowSize] = {};
    uint16_t word(int field) const { return rd16(bytes, field); }
    void set(int field, uint16_t v) { wr16(bytes, field, v); }
};

class ImageEdit
{
public:
    // `raise`: the re-apply byte written at the end when anything was set (1 apply, 2 take
    // over user-mode slots, 0 none).
    explicit ImageEdit(uint8_t raise = 1);
    ~ImageEdit();
    ImageEdit(const ImageEdit&) = delete;
    ImageEdit& operator=(const ImageEdit&) = delete;

    uint16_t get(int off) const;
    void set(int off, uint16_t v);
    uint8_t byte(int off) const;
    void set_byte(int off, uint8_t v);
    static constexpr int WindowSlots = 16;
    WindowRecord window(int w) const;         // w out of 0..15: a zero record
    void set_window(int w, const WindowRecord& r);
    // Copies `len` bytes into the image at `off` (bounded to the image).
    void copy_in(int off, const unsigned char* src, int len);
    bool written() const { return m_written; }

private:
    YuqRamPara* m_p;
    uint8_t m_raise;
    bool m_written = false;
};
