#pragma once
// The parameter block: live image, applied copy, sixteen user-mode slots, register area.
// Image offsets are little-endian; bytes 0x300-0xFFF persist in /data/ram_device_info.
#include <QObject>
#include <QVector>
#include <atomic>
#include <cstdint>

// Image words are little-endian and accessed as native 16-bit words.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "the image accessors need a little-endian CPU");

constexpr int RAM_PARA_SIZE = 4096;
constexpr int USER_MODE_COUNT = 16;
constexpr int USER_MODE_SIZE = 4098;      // 2 marker bytes + 4096 data bytes
constexpr int USER_MODE_IMAGE_BASE = 0x380; // slot data offset k holds image byte 0x380 + k
constexpr int USER_MODE_COPY_LEN = 3200;  // image 0x380..0xFFF
constexpr int RAM_FILE_MIN = 3330;        // marker + image 0x300..0xFFF
constexpr int CROP_COUNT = 40;
constexpr int WINDOW_COUNT = 6;

// Image offsets used across subsystems.
namespace img {
constexpr int SourceTiming = 0x100; // + 6*s: width, height, rate
constexpr int Language = 0x300;
constexpr int KeyLock = 0x304;
constexpr int ApOff = 0x306;
constexpr int TestPattern = 0x360;
constexpr int CurrentMode = 0x362;
constexpr int SaveRequest = 0x364;
constexpr int Edid = 0x380;         // + 6*s: width, height, rate
constexpr int SpliceMode = 0x560;
constexpr int LedWidth = 0x562;
constexpr int LedHeight = 0x564;
constexpr int CropTable = 0x5C0;    // + 10*e: word, x, y, w, h
constexpr int Out1Width = 0x584;
constexpr int Out1Height = 0x586;
constexpr int Out2X = 0x588;
constexpr int Out2Y = 0x58A;
constexpr int Out2Width = 0x58C;
constexpr int Out2Height = 0x58E;
constexpr int CurrentWindow = 0x840;
constexpr int DotByDot = 0x842;
constexpr int AllWindowsState = 0x844;
constexpr int SwitchEffect = 0x846;
constexpr int OsdEnable = 0x84C;
constexpr int Brightness = 0x880;
constexpr int Contrast = 0x882;
constexpr int Sharpness = 0x884;
constexpr int Saturation = 0x886;
constexpr int ColorTempType = 0x888;
constexpr int Red = 0x88A;
constexpr int Green = 0x88C;
constexpr int Blue = 0x88E;
constexpr int Window = 0x8E0;       // + 26*w
constexpr int WindowSize = 26;
constexpr int WinFlags = 0, WinMirror = 4, WinInput = 8, WinX = 10, WinY = 12, WinW = 14,
              WinH = 16, WinMode = 18, WinVolume = 20, WinDotMode = 22;
constexpr int FadeWords = 0xB00;    // + 4*w
} // namespace img

struct CROP_PARA
{
    int32_t word; // bit 15 used, bits 8-14 crop number - 1, bits 0-7 source id
    int32_t x, y, w, h;
};

// Factory parameter list: 0xAA 0xAA, then the factory image from 0x300 on.
extern unsigned char default_para_ramlist[RAM_PARA_SIZE];

inline uint16_t rd16(const unsigned char* base, int off)
{
    return uint16_t(base[off] | (base[off + 1] << 8));
}
inline void wr16(unsigned char* base, int off, uint16_t v)
{
    base[off] = uint8_t(v & 0xFF);
    base[off + 1] = uint8_t(v >> 8);
}

class YuqRamPara : public QObject
{
    Q_OBJECT
public:
    static YuqRamPara* pInstance();
    static YuqRamPara* p_yuqrampara_config;
    // Tests: drop the singleton and load a fresh one from the current device root.
    static YuqRamPara* reset_for_test();

    // The live image is shared: the engine, input and link threads write it under the
    // engine mutex while the panel reads it without. Its words are read and written only
    // through the accessors below (relaxed 16-bit atomics on 2-byte aligned words), so no
    // reader ever sees half of a value; a reader of a whole record takes image_snapshot.
    alignas(8) unsigned char ram_para[RAM_PARA_SIZE];     // live image
    alignas(8) unsigned char ram_para_old[RAM_PARA_SIZE]; // applied copy
    unsigned char user_mode[USER_MODE_COUNT][USER_MODE_SIZE];
    unsigned char reg_status[256];             // register and status area

    uint16_t image16(int off) const { return in_image(off, 2) ? load16(ram_para, off) : 0; }
    uint16_t applied16(int off) const { return in_image(off, 2) ? load16(ram_para_old, off) : 0; }
    uint8_t image8(int off) const { return in_image(off, 1) ? __atomic_load_n(ram_para + off, __ATOMIC_RELAXED) : 0; }
    void set_image16(int off, uint16_t v)
    {
        if (in_image(off, 2))
            store16(ram_para, off, v);
    }
    // Copies of a range of the live image, out and in, word by word as above. They take
    // no lock: a caller that needs the range as one state holds the engine mutex.
    void read_image(int off, unsigned char* dst, int len) const { load_words(ram_para, off, dst, len); }
    void write_image(int off, const unsigned char* src, int len) { store_words(ram_para, off, src, len); }
    // read_image under the engine mutex: one state of a whole record (the caller must not
    // hold the mutex).
    void image_snapshot(int off, unsigned char* dst, int len) const;
    // Whether [off, off + len) of the live image differs from the applied copy, read word by
    // word (a record the engine or a link thread is writing is never compared torn).
    bool differs_from_applied(int off, int len) const;
    // The applied copy becomes the live image (under the engine mutex); false when the
    // two were equal already (bytes 0x300 on, the persisted part).
    bool take_applied();

    // Refresh request: emits sig_update_para(code); 1.
    int test_signal(int code);
    int ram_para_save() { return test_signal(1); }

    // 1 when the image's language word moved since the engine's pass or since the screen
    // last took it (g_language then set from it), else 0. GUI thread.
    int YuqLanguageChanged();
    // 0 when the file was not written: the slot then holds what its file holds.
    int mode_file_write(int slot, int op);
    int mode_file_deal(int slot, int op);
    int YuqUserModeSaved(int slot) const;
    int YuqUserModeIndex(char start, char mode) const;
    int YuqGetCurrentModeIndex() const;

    int YuqGetImageSource(unsigned char* base, unsigned char window, short* crop, char* index,
                          unsigned char slot) const;
    void YuqSetImageSource(int crop, char source, char window);
    void YuqSetImageFreeze();
    void YuqSetImageBlack();

    void YuqCropSourceInit();
    int YuqGetSourceNum(int source, int n) const;
    int YuqGetCropID(int source, int n) const;
    // The lowest crop number (1..40) the source does not use yet, 0 when it uses all.
    int YuqFreeCropID(int source) const;
    void YuqGetCropPara(int source, int n, CROP_PARA* para, int* index) const;
    void YuqSetCropPara(char source, char n, CROP_PARA* para);
    // A new crop of `source` with its lowest free crop number in the first free entry; false
    // when nothing was stored (no such source, or all 40 entries used).
    bool YuqAddNewCrop(int source, CROP_PARA* para);
    void YuqDeleteCrop(char source, char n);
    void YuqSetEDIDPara(int source, short width, short height, short rate);

    // /data/ram_device_info: load at start (repairing a bad file) and write back bytes
    // 0x300-0xFFF without tearing the file. write_ram_file returns false on failure.
    void load_ram_file();
    bool write_ram_file();
    // A word the engine never applies (the key lock): set in the live image and the applied
    // copy under the engine mutex, no re-apply, and written to the file at once, since no
    // engine pass will bring a write-back. GUI thread (it writes the applied copy).
    bool store_panel_word(int off, uint16_t v);
    // The last write of the file failed: it is behind the applied copy.
    bool ram_file_pending() const { return m_ramFilePending.load(); }
    // Writes the applied copy when the file is behind it; true when the file is current.
    // GUI thread (it reads the applied copy).
    bool retry_ram_file();
    void load_user_modes();

    // The pause after each "sync" of a parameter or user-mode write (µs).
    static std::atomic<int> write_pause_us;

    static QString mode_file_path(int slot);  // "/data/modes/custom_mode<slot+1>"
    static QString mode_osd_path(int slot);   // "/data/modes/MO<xx>.json"

signals:
    void sig_update_para(int code);

private:
    YuqRamPara();
    static bool in_image(int off, int len) { return off >= 0 && len >= 0 && off + len <= RAM_PARA_SIZE; }
    // Words at even offsets (every image field) load and store whole; an odd offset goes
    // byte by byte.
    using word_alias = uint16_t __attribute__((may_alias));
    static uint16_t load16(const unsigned char* base, int off)
    {
        if (off & 1)
            return uint16_t(__atomic_load_n(base + off, __ATOMIC_RELAXED)
                            | (__atomic_load_n(base + off + 1, __ATOMIC_RELAXED) << 8));
        return __atomic_load_n(reinterpret_cast<const word_alias*>(base + off), __ATOMIC_RELAXED);
    }
    static void store16(unsigned char* base, int off, uint16_t v)
    {
        if (off & 1) {
            __atomic_store_n(base + off, uint8_t(v), __ATOMIC_RELAXED);
            __atomic_store_n(base + off + 1, uint8_t(v >> 8), __ATOMIC_RELAXED);
            return;
        }
        __atomic_store_n(reinterpret_cast<word_alias*>(base + off), v, __ATOMIC_RELAXED);
    }
    // Range [off, off + len) of an image to or from a plain buffer; out-of-image parts are
    // left alone.
    static void load_words(const unsigned char* image, int off, unsigned char* dst, int len);
    static void store_words(unsigned char* image, int off, const unsigned char* src, int len);
    int crop_entry_of(int source, int n) const; // table position or -1
    void sync_and_pause();
    bool write_ram_bytes(const unsigned char* image); // image bytes 0x300-0xFFF into the file

    void run_pending();

    std::atomic<bool> m_ramFilePending{false};
    bool m_inRefresh = false;
    uint16_t m_shownLanguage = 0; // the language word g_language was last taken from
    QVector<int> m_pending; // asked for during a refresh (GUI thread only)
};
