#include "control_commands.h"
#include "services.h"

#include "core/global.h"
#include "core/image_edit.h"
#include "engine/c331_manage.h"
#include "fpga/aging_log.h"
#include "platform/clock.h"
#include "sim/control.h"
#include "sim/control_scaler.h"
#include "ui/shell/screenkit.h"
#include "ui/shell/syncupdate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QStringList>

namespace {

// The image's language codes: 0 zh, 1 en, 2 ru, 3 vn, 4 zh-TW.
const QStringList kLanguages{QStringLiteral("zh"), QStringLiteral("en"), QStringLiteral("ru"),
                             QStringLiteral("vn"), QStringLiteral("tn")};

bool set_language(const QStringList& args)
{
    const int code = args.size() == 1 ? kLanguages.indexOf(args[0].toLower()) : -1;
    if (code < 0 || !YuqRamPara::p_yuqrampara_config)
        return false;
    // A language the mask leaves out would be swapped for another by the refresh.
    if (!language_enabled(code)) {
        sim::control_note(QStringLiteral("language %1: not enabled by the language mask (0x%2)")
                              .arg(kLanguages[code])
                              .arg(g_lcd_lang_valid.load(), 0, 16));
        return false;
    }
    {
        ImageEdit e;
        e.set(img::Language, uint16_t(code));
    }
    // The engine's refresh re-texts the screen later; the screen in front is re-texted on
    // the GUI thread now, ahead of the next line's key or screenshot, which queue behind it.
    on_gui_thread([] { SyncUpdate::pInstance()->refresh_front(code_of(kit::Refresh::Applied)); });
    return true;
}

// "age sample [N]": N aging samples now (1 unless told), as the sampler takes them, then
// the open aging screen redraws. GUI thread only, like the sampler.
bool age_sample(const QStringList& args)
{
    bool ok = true;
    const int n = args.isEmpty() ? 1 : args.size() == 1 ? args[0].toInt(&ok) : 0;
    if (!ok || n < 1 || n > AgingLog::Max)
        return false;
    return on_gui_thread([n] {
        AgingLog& log = AgingLog::instance();
        if (!log.source.ready || !log.source.read || !log.source.ready()) {
            sim::control_trace(QStringLiteral("age sample: the FPGAs do not run, nothing sampled"));
            return;
        }
        for (int i = 0; i < n; ++i)
            log.sample();
        kit::request(page::factoryage, kit::ReqUpdateAgeLog, 0);
    });
}

// "clock DATE TIME": the device's clock stands at that time from now on (the aging log's
// and the USB upgrade's times; the update overlay's animation stands with it), so that
// pictures showing a time or the overlay come out alike.
bool set_clock(const QStringList& args)
{
    const QDateTime at = QDateTime::fromString(args.join(QLatin1Char(' ')), QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    if (!at.isValid())
        return false;
    platform::set_device_clock(at);
    return true;
}

} // namespace

void register_control_commands()
{
    // Every command before the channel opens; those that need the panel's parameter block,
    // its refresh or its services wait for the panel, in order.
    register_link_commands();
    register_pc_commands();
    sim::register_control_command(QStringLiteral("language"),
                                  QStringLiteral("language zh|en|ru|vn|tn (one the language mask enables)"),
                                  set_language, true);
    sim::register_control_command(QStringLiteral("age sample"), QStringLiteral("age sample [N] (1..3360 aging samples now)"),
                                  age_sample, true);
    sim::register_control_command(QStringLiteral("clock"),
                                  QStringLiteral("clock YYYY-MM-DD hh:mm:ss (the device's clock stands there)"), set_clock);
    // The engine reads the chip's fonts at bring-up; a change made from the channel is read
    // again at once, as a font upgrade would be.
    sim::set_font_reader([] {
        if (c331_manage* e = c331_manage::p_c331_manage)
            e->read_c331_font();
    });
}
