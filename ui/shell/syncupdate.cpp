#include "syncupdate.h"

#include "mainwindow.h"
#include "screenkit.h"
#include "screens.h"
#include "tip.h"
#include "core/engine_handshake.h"
#include "core/image_edit.h"
#include "core/global.h"
#include "core/yuqrampara.h"

#include <QMetaObject>
#include <QScopedValueRollback>
#include <cstring>

SyncUpdate* SyncUpdate::p_SyncUpdate = nullptr;

SyncUpdate* SyncUpdate::pInstance()
{
    if (!p_SyncUpdate)
        p_SyncUpdate = new SyncUpdate;
    return p_SyncUpdate;
}

void SyncUpdate::para_sync(int code)
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p)
        return;
    const QScopedValueRollback<bool> inSync(m_inSync, true);
    current_window_check();
    if (g_yuq_keys)
        update_usb_keyLed();
    if (code == 105 || code == 106)
        return;

    const uint8_t pg = g_page_focus.load();
    int tip = 0;
    bool homeTip = false;
    refresh_front(code);
    if (pg == page::MainWindow && g_mainwindow && g_mainwindow->l_tip_request) {
        g_mainwindow->l_tip_request = false;
        tip = 1;
        homeTip = true;
    } else if (pg == page::LinkOption) {
        tip = 1;
    } else if ((pg == page::SmartMapping || pg == page::firmware_usbgrade) && code >= 100
               && code <= 102) {
        tip = code - 97;
    }

    // No check mark for a save that did not land.
    if (!save_request() && homeTip)
        tip = 0;
    if (code == 2)
        slot_files();
    write_back();
    // The check mark means "done": it comes after the save and the write-back, and outside
    // this refresh, since the tip runs its own loop for 3 s.
    if (tip)
        tip_later(tip);
}

void SyncUpdate::refresh_front(int code)
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p)
        return;
    const uint8_t pg = g_page_focus.load();
    if (pg < page::Count)
        kit::refresh(pg, code);
    // A language set from the PC takes effect whatever is in front (a screen's refresh
    // may not look at it), and before the applied copy takes the new byte. One written
    // while that refresh ran (a control line of another thread) re-texts the screen here.
    if (p->YuqLanguageChanged() && pg < page::Count)
        kit::retext(pg);
}

void SyncUpdate::current_window_check()
{
    const int w = g_image_current.load();
    if (w >= WINDOW_COUNT) {
        g_image_current = 0; // no window record to look at
        return;
    }
    if (g_page_focus.load() == page::ImageLayout)
        return;
    if (!(YuqRamPara::p_yuqrampara_config->image16(img::Window + img::WindowSize * w) & 1))
        g_image_current = 0;
}

bool SyncUpdate::save_request()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    const uint16_t n = p->image16(img::SaveRequest);
    if (n == 0 || n == p->applied16(img::SaveRequest))
        return true;
    if (n > USER_MODE_COUNT) {
        // Names no slot (a PC may write anything here): refused and cleared.
        YUQ_TRACE("save request %u names no user mode\n", unsigned(n));
        ImageEdit e(0);
        e.set(img::SaveRequest, 0);
        return true;
    }
    const int slot = n - 1;
    p->image_snapshot(USER_MODE_IMAGE_BASE, p->user_mode[slot] + 2, USER_MODE_COPY_LEN);
    const bool saved = p->mode_file_write(slot, 0);
    // The slot is in use only once its file holds it; a failed save leaves the slot as its
    // file has it and the current mode as it was. The request is done either way.
    ImageEdit e(0); // the slot takes the image as it is: nothing to apply
    if (saved)
        e.set(img::CurrentMode, n);
    e.set(img::SaveRequest, 0);
    return saved;
}

void SyncUpdate::slot_files()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    for (int slot = 0; slot < USER_MODE_COUNT; ++slot) {
        const unsigned char* m = p->user_mode[slot];
        if (m[0] == 0xFF || m[1] == 0xFF) {
            p->mode_file_deal(slot, 1);
            ImageEdit e(0);
            e.set(img::SaveRequest, 0);
        } else if (m[0] == 0xAA || m[1] == 0xAA) {
            p->mode_file_write(slot, 2);
        }
    }
}

void SyncUpdate::write_back()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    // A failed write stays pending in the parameter block; retry_write_back tries it again.
    if (p->take_applied() || p->ram_file_pending()) {
        m_retryWait = 0;
        p->write_ram_file();
    }
}

void SyncUpdate::retry_write_back()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    if (!p || !p->ram_file_pending()) {
        m_retryWait = 0;
        return;
    }
    // A second after the last try, and not inside a refresh (its own write-back comes): an
    // idle panel has no refresh to bring the write, so the tick does.
    if (m_inSync || ++m_retryWait < 100)
        return;
    m_retryWait = 0;
    p->retry_ram_file();
}

void SyncUpdate::tip_later(int n)
{
    QMetaObject::invokeMethod(
        this,
        [n] {
            if (g_tip)
                g_tip->tip_create(n);
        },
        Qt::QueuedConnection);
}
