#include "control_commands.h"

#include "core/global.h"
#include "core/image_edit.h"
#include "engine/c331_manage.h"
#include "sim/control.h"
#include "sim/control_scaler.h"

#include <QStringList>

namespace {

// The image's language codes: 0 zh, 1 en, 2 ru, 3 vn, 4 zh-TW.
const QStringList kLanguages{QStringLiteral("zh"), QStringLiteral("en"), QStringLiteral("ru"),
                             QStringLiteral("vn"), QStringLiteral("tn")};

bool set_language(const QStringList& args)
{
    const int code = args.size() == 1 ? kLanguages.indexOf(args[0].toLower()) : -1;
    // A language the mask leaves out would be swapped for another by the refresh.
    if (code < 0 || !YuqRamPara::p_yuqrampara_config || !language_enabled(code))
        return false;
    ImageEdit e;
    e.set(img::Language, uint16_t(code));
    return true;
}

} // namespace

void register_control_commands()
{
    sim::register_control_command(QStringLiteral("language"),
                                  QStringLiteral("language zh|en|ru|vn|tn (one the language mask enables)"),
                                  set_language);
    // The engine reads the chip's fonts at bring-up; a change made from the channel is read
    // again at once, as a font upgrade would be.
    sim::set_font_reader([] {
        if (c331_manage* e = c331_manage::p_c331_manage)
            e->read_c331_font();
    });
}
