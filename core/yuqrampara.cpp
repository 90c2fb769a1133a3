#include "yuqrampara.h"
#include "image_edit.h"

#include "engine_handshake.h"
#include "global.h"
#include "logMsg.h"
#include "utils.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QFile>
#include <QMetaObject>
#include <QThread>
#include <cstdio>
#include <cstring>
#include <unistd.h>

YuqRamPara* YuqRamPara::p_yuqrampara_config = nullptr;
std::atomic<int> YuqRamPara::write_pause_us{100000};

namespace {
const char* const kRamFile = "/data/ram_device_info";
// The parameter and mode files hold 4096 bytes at most; a file many times that is not one
// of them, and is not read into memory.
const qint64 kParaFileLimit = 64 * 1024;

void build_factory_list(unsigned char* list)
{
    std::memset(list, 0, RAM_PARA_SIZE);
    list[0] = 0xAA;
    list[1] = 0xAA;
    // Image offset o sits at list index 2 + o - 0x300.
    auto put16 = [list](int off, uint16_t v) { wr16(list, 2 + off - 0x300, v); };
    put16(img::Language, 0);
    put16(img::ApOff, 0);
    for (int s = 0; s < 6; ++s) {
        const bool uhd = s >= 4;
        put16(img::Edid + 6 * s, uhd ? 3840 : 1920);
        put16(img::Edid + 6 * s + 2, uhd ? 2160 : 1080);
        put16(img::Edid + 6 * s + 4, 60);
    }
    put16(img::SpliceMode, 4);
    put16(img::LedWidth, 1920);
    put16(img::LedHeight, 1080);
    put16(img::Out1Width, 1920);
    put16(img::Out1Height, 1080);
    put16(img::Out2X, 0);
    put16(img::Out2Y, 0);
    put16(img::Out2Width, 1920);
    put16(img::Out2Height, 1080);
    put16(img::CurrentWindow, 0);
    const uint16_t picture[8] = {100, 50, 10, 50, 2, 64, 64, 64};
    for (int i = 0; i < 8; ++i)
        put16(img::Brightness + 2 * i, picture[i]);
    // A new device shows HDMI1 full-canvas on window 0, sound on; the other windows off.
    const int w0 = img::Window;
    put16(w0 + img::WinFlags, 1);
    put16(w0 + img::WinInput, 2);
    put16(w0 + img::WinW, 1920);
    put16(w0 + img::WinH, 1080);
    put16(w0 + img::WinVolume, 0x80FF);
}

bool factory_built = (build_factory_list(default_para_ramlist), true);
} // namespace

unsigned char default_para_ramlist[RAM_PARA_SIZE];

YuqRamPara* YuqRamPara::pInstance()
{
    if (!p_yuqrampara_config) {
        p_yuqrampara_config = new YuqRamPara;
        p_yuqrampara_config->load_ram_file();
        p_yuqrampara_config->YuqCropSourceInit();
        p_yuqrampara_config->load_user_modes();
    }
    return p_yuqrampara_config;
}

YuqRamPara* YuqRamPara::reset_for_test()
{
    delete p_yuqrampara_config;
    p_yuqrampara_config = nullptr;
    return pInstance();
}

YuqRamPara::YuqRamPara()
{
    (void)factory_built;
    std::memset(ram_para, 0, sizeof ram_para);
    std::memset(ram_para_old, 0, sizeof ram_para_old);
    std::memset(user_mode, 0xFF, sizeof user_mode);
    std::memset(reg_status, 0, sizeof reg_status);
}

void YuqRamPara::sync_and_pause()
{
    platform::shell_run(QStringLiteral("sync"));
    const int us = write_pause_us.load();
    if (us > 0)
        usleep(useconds_t(us));
}

// ---- shared access to the image ----

void YuqRamPara::load_words(const unsigned char* image, int off, unsigned char* dst, int len)
{
    if (!in_image(off, len))
        return;
    for (int i = 0; i < len;) {
        if (((off + i) & 1) == 0 && i + 1 < len) {
            const uint16_t v = load16(image, off + i);
            std::memcpy(dst + i, &v, 2);
            i += 2;
        } else {
            dst[i] = __atomic_load_n(image + off + i, __ATOMIC_RELAXED);
            ++i;
        }
    }
}

void YuqRamPara::store_words(unsigned char* image, int off, const unsigned char* src, int len)
{
    if (!in_image(off, len))
        return;
    for (int i = 0; i < len;) {
        if (((off + i) & 1) == 0 && i + 1 < len) {
            uint16_t v;
            std::memcpy(&v, src + i, 2);
            store16(image, off + i, v);
            i += 2;
        } else {
            __atomic_store_n(image + off + i, src[i], __ATOMIC_RELAXED);
            ++i;
        }
    }
}

void YuqRamPara::image_snapshot(int off, unsigned char* dst, int len) const
{
    EngineLock lock;
    read_image(off, dst, len);
}

bool YuqRamPara::differs_from_applied(int off, int len) const
{
    if (!in_image(off, len))
        return false;
    unsigned char live[RAM_PARA_SIZE], applied[RAM_PARA_SIZE];
    read_image(off, live, len);
    load_words(ram_para_old, off, applied, len);
    return std::memcmp(live, applied, size_t(len)) != 0;
}

bool YuqRamPara::take_applied()
{
    unsigned char live[RAM_PARA_SIZE], applied[RAM_PARA_SIZE];
    // The engine compares the same two images under its mutex: taking it here keeps a
    // change it has not applied yet from slipping into the applied copy mid-pass.
    EngineLock lock;
    read_image(0, live, RAM_PARA_SIZE);
    load_words(ram_para_old, 0, applied, RAM_PARA_SIZE);
    if (std::memcmp(live + 0x300, applied + 0x300, RAM_PARA_SIZE - 0x300) == 0)
        return false;
    store_words(ram_para_old, 0, live, RAM_PARA_SIZE);
    return true;
}

// ---- the parameter file ----

void YuqRamPara::load_ram_file()
{
    platform::ensure_device_tree();
    QByteArray data;
    Utils::Read r;
    {
        QMutexLocker lock(&Utils::_file_deal_mutex);
        r = Utils::read_file_checked(QString::fromLatin1(kRamFile), &data, kParaFileLimit);
    }
    // A fifo, a device, a huge or an unreadable file in its place counts as damaged: kept
    // aside, replaced.
    const bool present = r != Utils::Read::Missing;
    const bool good = r == Utils::Read::Ok && data.size() >= RAM_FILE_MIN && uchar(data[0]) == 0xAA
                      && uchar(data[1]) == 0xAA;
    if (good) {
        write_image(0x300, reinterpret_cast<const unsigned char*>(data.constData()) + 2, RAM_PARA_SIZE - 0x300);
    } else {
        if (present) {
            // Keep the bad file for a look later, then start from the factory image.
            const QString kept = Utils::keep_damaged(QString::fromLatin1(kRamFile));
            if (r != Utils::Read::Ok)
                std::printf("ram_device_info %s: %s, factory image used\n",
                            Utils::read_trouble(r, kParaFileLimit).toLocal8Bit().constData(),
                            kept.toLocal8Bit().constData());
            else
                std::printf("ram_device_info damaged (%d bytes): %s, factory image used\n",
                            int(data.size()), kept.toLocal8Bit().constData());
            writeLogMsg(LOG_ERROR, QStringLiteral("ram_device_info damaged"));
        }
        write_image(0x300, default_para_ramlist + 2, RAM_PARA_SIZE - 0x300);
        QMutexLocker lock(&Utils::_file_deal_mutex);
        if (!Utils::write_file_atomic(QString::fromLatin1(kRamFile),
                                      QByteArray(reinterpret_cast<const char*>(default_para_ramlist),
                                                 RAM_PARA_SIZE)))
            writeLogMsg(LOG_ERROR, QStringLiteral("ram_device_info not created"));
    }
    // A test pattern left on (mode key, power cut) is not brought back: the wall starts
    // with the picture, and the engine sees no pattern to show.
    set_image16(img::TestPattern, 0);
    take_applied();
    g_language = image8(img::Language) <= 4 ? image8(img::Language) : 1;
    m_shownLanguage = image16(img::Language);
}

bool YuqRamPara::write_ram_file()
{
    // One state of the image, taken before the file lock (the engine mutex is never taken
    // under it).
    unsigned char image[RAM_PARA_SIZE - 0x300];
    image_snapshot(0x300, image, sizeof image);
    return write_ram_bytes(image);
}

bool YuqRamPara::store_panel_word(int off, uint16_t v)
{
    if (off < 0x300 || !in_image(off, 2))
        return false;
    unsigned char applied[RAM_PARA_SIZE - 0x300];
    {
        ImageEdit e(0);
        e.set(off, v);
        store16(ram_para_old, off, v);
        load_words(ram_para_old, 0x300, applied, sizeof applied);
    }
    // The applied copy, not the live image: a change the engine has not applied yet stays
    // out of the file. One that fails is written again by retry_ram_file.
    return write_ram_bytes(applied);
}

bool YuqRamPara::retry_ram_file()
{
    if (!m_ramFilePending.load())
        return true;
    unsigned char applied[RAM_PARA_SIZE - 0x300];
    load_words(ram_para_old, 0x300, applied, sizeof applied);
    return write_ram_bytes(applied);
}

bool YuqRamPara::write_ram_bytes(const unsigned char* image)
{
    QMutexLocker lock(&Utils::_file_deal_mutex);
    QByteArray data;
    // Bytes past the image (3330-4095) keep what the file held; a missing or short file
    // starts from the factory list.
    if (!Utils::read_file(QString::fromLatin1(kRamFile), &data, kParaFileLimit) || data.size() < RAM_PARA_SIZE)
        data = QByteArray(reinterpret_cast<const char*>(default_para_ramlist), RAM_PARA_SIZE);
    data[0] = char(0xAA);
    data[1] = char(0xAA);
    data.replace(2, RAM_PARA_SIZE - 0x300, reinterpret_cast<const char*>(image), RAM_PARA_SIZE - 0x300);
    const bool ok = Utils::write_file_atomic(QString::fromLatin1(kRamFile), data);
    // The applied copy already counts the change as kept: a write that failed stays pending
    // until one lands, or a change made on a full disk would be lost at power-off. Nothing
    // was written, so there is nothing to sync or wait for.
    const bool wasPending = m_ramFilePending.exchange(!ok);
    if (!ok) {
        if (!wasPending) {
            std::printf("ram_device_info not written, written again every second until it is\n");
            writeLogMsg(LOG_ERROR, QStringLiteral("ram_device_info write-back failed"));
        }
        return false;
    }
    if (wasPending)
        std::printf("ram_device_info written after all\n");
    sync_and_pause();
    return true;
}

// ---- refresh requests ----

int YuqRamPara::test_signal(int code)
{
    if (QThread::currentThread() == thread()) {
        // On the GUI thread the refresh runs at once; one asked for during a refresh waits
        // until that refresh is over instead of nesting in it. The mutex is not held
        // across the refresh: it may show a modal tip for seconds and worker threads must
        // not stall behind it.
        if (m_inRefresh) {
            m_pending.append(code);
            return 1;
        }
        m_inRefresh = true;
        emit sig_update_para(code);
        m_inRefresh = false;
        if (!m_pending.isEmpty())
            QMetaObject::invokeMethod(this, [this] { run_pending(); }, Qt::QueuedConnection);
        return 1;
    }
    QMutexLocker lock(&Utils::_test_signal_mutex);
    emit sig_update_para(code);
    return 1;
}

void YuqRamPara::run_pending()
{
    // Each one may ask for more; those join the list and run after it.
    while (!m_pending.isEmpty() && !m_inRefresh) {
        const int code = m_pending.takeFirst();
        m_inRefresh = true;
        emit sig_update_para(code);
        m_inRefresh = false;
    }
}

int YuqRamPara::YuqLanguageChanged()
{
    // The word against the applied copy and against the word last shown: a language taken
    // early (the control line's re-text) and set back before the engine's pass, or a PC's
    // word taken into the applied copy before the screen looked, leaves the two alike.
    const uint16_t word = image16(img::Language);
    if (word == applied16(img::Language) && word == m_shownLanguage)
        return 0;
    m_shownLanguage = word;
    const uint8_t stored = image8(img::Language);
    if (language_enabled(stored)) {
        g_language = stored;
        return 1;
    }
    for (uint8_t l = 0; l <= 4; ++l) {
        if (language_enabled(l)) {
            ImageEdit e(0); // the PC writes this word too; the engine does not use it
            e.set(img::Language, l);
            m_shownLanguage = l;
            g_language = l;
            return 1;
        }
    }
    if (stored <= 4)
        g_language = stored;
    return 1;
}

// ---- user modes ----

QString YuqRamPara::mode_file_path(int slot)
{
    return QStringLiteral("/data/modes/custom_mode%1").arg(slot + 1);
}

QString YuqRamPara::mode_osd_path(int slot)
{
    return QStringLiteral("/data/modes/MO%1.json").arg(slot + 1, 2, 16, QLatin1Char('0'));
}

int YuqRamPara::mode_file_write(int slot, int op)
{
    if (slot < 0 || slot >= USER_MODE_COUNT)
        return 0;
    unsigned char* s = user_mode[slot];
    unsigned char image[USER_MODE_COPY_LEN];
    if (op == 1)
        image_snapshot(USER_MODE_IMAGE_BASE, image, USER_MODE_COPY_LEN);
    bool ok;
    {
        QMutexLocker lock(&Utils::_file_deal_mutex);
        if (op == 1)
            std::memcpy(s + 2, image, USER_MODE_COPY_LEN);
        s[0] = 0xAA;
        s[1] = 0xAA;
        ok = Utils::write_file_atomic(mode_file_path(slot),
                                      QByteArray(reinterpret_cast<const char*>(s), RAM_PARA_SIZE));
        sync_and_pause();
    }
    if (!ok) {
        writeLogMsg(LOG_ERROR, QStringLiteral("user mode %1 not written").arg(slot + 1));
        std::printf("user mode %d not written: the slot keeps what its file holds\n", slot + 1);
        // Never saved in memory only: the slot goes back to its file (the mode saved before,
        // or none), as a restart would show it.
        mode_file_deal(slot, 0);
        return 0;
    }
    if (op == 0 && image16(img::OsdEnable) == 1)
        platform::shell_run(QStringLiteral("cp /data/configs/omenu.json ") + mode_osd_path(slot));
    return 1;
}

int YuqRamPara::mode_file_deal(int slot, int op)
{
    if (slot < 0 || slot >= USER_MODE_COUNT)
        return 0;
    unsigned char* s = user_mode[slot];
    if (op == 1) {
        platform::shell_run(QStringLiteral("rm  -rf  ") + mode_file_path(slot));
        const int osd = 2 + img::OsdEnable - USER_MODE_IMAGE_BASE;
        if (rd16(s, osd) == 1) {
            platform::shell_run(QStringLiteral("rm  -rf  ") + mode_osd_path(slot));
            wr16(s, osd, 0);
        }
        platform::shell_run(QStringLiteral("sync"));
    }
    QByteArray data;
    QMutexLocker lock(&Utils::_file_deal_mutex);
    if (!Utils::read_file(mode_file_path(slot), &data, kParaFileLimit)) {
        s[0] = s[1] = 0xFF;
        return 0;
    }
    // A file too short to hold the mode counts as not saved.
    if (data.size() < 2 + USER_MODE_COPY_LEN) {
        s[0] = s[1] = 0xFF;
        return 1;
    }
    std::memcpy(s, data.constData(), size_t(qMin(data.size(), RAM_PARA_SIZE)));
    return 1;
}

void YuqRamPara::load_user_modes()
{
    for (int i = 0; i < USER_MODE_COUNT; ++i)
        mode_file_deal(i, 0);
}

int YuqRamPara::YuqUserModeSaved(int slot) const
{
    if (slot < 0 || slot >= USER_MODE_COUNT)
        return 0;
    return (user_mode[slot][0] == 0xAA && user_mode[slot][1] == 0xAA) ? 1 : 0;
}

int YuqRamPara::YuqUserModeIndex(char start, char mode) const
{
    const int s = static_cast<unsigned char>(start) % USER_MODE_COUNT;
    for (int i = (mode == 2 ? 0 : 1); i <= USER_MODE_COUNT; ++i) {
        const int slot = mode == 0 ? (s - i + 2 * USER_MODE_COUNT) % USER_MODE_COUNT
                                   : (s + i) % USER_MODE_COUNT;
        if (YuqUserModeSaved(slot))
            return slot;
    }
    return 256;
}

int YuqRamPara::YuqGetCurrentModeIndex() const
{
    const uint16_t m = image16(img::CurrentMode);
    return m <= 16 ? m : 0;
}

// ---- windows and sources ----

int YuqRamPara::YuqGetImageSource(unsigned char* base, unsigned char window, short* crop,
                                  char* index, unsigned char slot) const
{
    *crop = 0;
    if (!base || window >= WINDOW_COUNT)
        return 0;
    const int winBase = slot ? (img::Window + 8 - USER_MODE_IMAGE_BASE) : (img::Window + 8);
    const int cropBase = slot ? (img::CropTable - USER_MODE_IMAGE_BASE) : img::CropTable;
    // The live image is read word by word as every shared reader does.
    auto word16 = [this, base](int off) { return base == ram_para ? image16(off) : rd16(base, off); };
    const uint16_t word = word16(winBase + img::WindowSize * window);
    if (!(word & 0x8000)) {
        const int src = word & 0xFF;
        return src < 6 ? src : 0;
    }
    *crop = 1;
    const int e = word & 0xFF;
    *index = char(e);
    if (e >= CROP_COUNT)
        return 0;
    const int src = word16(cropBase + 10 * e) & 0xFF;
    return src < 6 ? src : 0;
}

void YuqRamPara::YuqSetImageSource(int crop, char source, char window)
{
    const int w = static_cast<unsigned char>(window);
    const int src = static_cast<unsigned char>(source);
    if (w >= WINDOW_COUNT || src >= 6)
        return;
    YuqCropSourceInit();
    uint16_t word = uint16_t(src);
    if (crop >= 1) {
        const int e = crop_entry_of(src, crop);
        word = e >= 0 ? uint16_t(0x8000 | e) : 0;
    }
    EngineLock lock;
    set_image16(img::Window + img::WindowSize * w + img::WinInput, word);
    if (image16(img::CurrentMode) == applied16(img::CurrentMode))
        set_image16(img::CurrentMode, 0);
    EngineHandshake::instance().raise(1);
}

void YuqRamPara::YuqSetImageFreeze()
{
    const int w = g_image_current.load();
    EngineLock lock;
    if (w < WINDOW_COUNT) {
        const int base = img::Window + img::WindowSize * w;
        if (image16(base + img::WinFlags) & 1)
            set_image16(base + img::WinMode, image16(base + img::WinMode) ^ 0x0002);
    }
    EngineHandshake::instance().raise(1);
}

void YuqRamPara::YuqSetImageBlack()
{
    const int w = g_image_current.load();
    EngineLock lock;
    if (w < WINDOW_COUNT) {
        const int base = img::Window + img::WindowSize * w + img::WinMode;
        set_image16(base, image16(base) ^ 0x0001);
    }
    EngineHandshake::instance().raise(1);
}

// ---- crops ----

void YuqRamPara::YuqCropSourceInit()
{
    std::memset(g_cut_source_state, 0, sizeof g_cut_source_state);
    for (int e = 0; e < CROP_COUNT; ++e) {
        const uint16_t word = image16(img::CropTable + 10 * e);
        if (!(word & 0x8000))
            continue;
        const int src = word & 0xFF;
        const int num = (word >> 8) & 0x7F; // crop number - 1
        if (src < 6 && num < CROP_COUNT)
            g_cut_source_state[src * 5 + num / 8] |= uint8_t(1u << (num % 8));
    }
}

int YuqRamPara::YuqGetSourceNum(int source, int n) const
{
    int count = 0;
    for (int e = 0; e < qMin(n, CROP_COUNT); ++e) {
        const uint16_t word = image16(img::CropTable + 10 * e);
        if ((word & 0x8000) && (word & 0xFF) == source)
            ++count;
    }
    return count;
}

int YuqRamPara::YuqGetCropID(int source, int n) const
{
    if (source < 0 || source >= 6 || n < 1)
        return 0;
    int seen = 0;
    for (int k = 0; k < CROP_COUNT; ++k) {
        if (g_cut_source_state[source * 5 + k / 8] & (1u << (k % 8))) {
            if (++seen == n)
                return k + 1;
        }
    }
    return 0;
}

int YuqRamPara::YuqFreeCropID(int source) const
{
    if (source < 0 || source >= 6)
        return 0;
    for (int k = 0; k < CROP_COUNT; ++k)
        if (!(g_cut_source_state[source * 5 + k / 8] & (1u << (k % 8))))
            return k + 1;
    return 0;
}

int YuqRamPara::crop_entry_of(int source, int n) const
{
    const int id = YuqGetCropID(source, n);
    if (id == 0)
        return -1;
    for (int e = 0; e < CROP_COUNT; ++e) {
        const uint16_t word = image16(img::CropTable + 10 * e);
        if ((word & 0x8000) && (word & 0xFF) == source && ((word >> 8) & 0x7F) == id - 1)
            return e;
    }
    return -1;
}

void YuqRamPara::YuqGetCropPara(int source, int n, CROP_PARA* para, int* index) const
{
    const int e = crop_entry_of(source, n);
    if (e < 0) {
        *index = CROP_COUNT;
        return;
    }
    *index = e;
    const int b = img::CropTable + 10 * e;
    para->word = image16(b);
    para->x = image16(b + 2);
    para->y = image16(b + 4);
    para->w = image16(b + 6);
    para->h = image16(b + 8);
}

void YuqRamPara::YuqSetCropPara(char source, char n, CROP_PARA* para)
{
    YuqCropSourceInit();
    const int e = crop_entry_of(static_cast<unsigned char>(source), static_cast<unsigned char>(n));
    if (e < 0)
        return;
    const int b = img::CropTable + 10 * e;
    EngineLock lock;
    set_image16(b + 2, uint16_t(para->x));
    set_image16(b + 4, uint16_t(para->y));
    set_image16(b + 6, uint16_t(para->w));
    set_image16(b + 8, uint16_t(para->h));
    EngineHandshake::instance().raise(1);
}

bool YuqRamPara::YuqAddNewCrop(int source, CROP_PARA* para)
{
    if (source < 0 || source >= 6)
        return false;
    YuqCropSourceInit();
    const int num = YuqFreeCropID(source) - 1;
    int e = -1;
    for (int i = 0; i < CROP_COUNT && e < 0; ++i)
        if (!(image16(img::CropTable + 10 * i) & 0x8000))
            e = i;
    if (num < 0 || e < 0)
        return false;
    const int b = img::CropTable + 10 * e;
    {
        EngineLock lock;
        set_image16(b, uint16_t(0x8000 | (num << 8) | source));
        set_image16(b + 2, uint16_t(para->x));
        set_image16(b + 4, uint16_t(para->y));
        set_image16(b + 6, uint16_t(para->w));
        set_image16(b + 8, uint16_t(para->h));
        EngineHandshake::instance().raise(1);
    }
    YuqCropSourceInit();
    return true;
}

void YuqRamPara::YuqDeleteCrop(char source, char n)
{
    YuqCropSourceInit();
    const int e = crop_entry_of(static_cast<unsigned char>(source), static_cast<unsigned char>(n));
    if (e < 0)
        return;
    {
        EngineLock lock;
        set_image16(img::CropTable + 10 * e, 0);
        EngineHandshake::instance().raise(1);
    }
    YuqCropSourceInit();
}

void YuqRamPara::YuqSetEDIDPara(int source, short width, short height, short rate)
{
    if (source < 0 || source >= 6)
        return;
    EngineLock lock;
    set_image16(img::Edid + 6 * source, uint16_t(width));
    set_image16(img::Edid + 6 * source + 2, uint16_t(height));
    set_image16(img::Edid + 6 * source + 4, uint16_t(rate));
    EngineHandshake::instance().raise(1);
}
