// Control commands of the device-information and output screens: what the PC would store.
#include "control.h"

#include "core/config_engine.h"
#include "core/global.h"

namespace sim {

void register_output_commands()
{
    // "pc barcode TEXT": the serial number as the PC's command stores it. The line's words
    // are joined by single spaces; `pc barcode` alone stores an empty one and a quoted
    // text keeps what is inside the quotes (`pc barcode " "` is the configuration's none).
    register_control_command(QStringLiteral("pc barcode"), QStringLiteral("pc barcode [TEXT | \"TEXT\"]"),
                             [](const QStringList& a) {
        QString text = a.join(QLatin1Char(' '));
        if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
            text = text.mid(1, text.size() - 2);
        if (ConfigEngine* c = ConfigEngine::p_config)
            c->write_config_variant(ConfigItem::BarCode, text);
        g_str_barcode = text;
        return true;
    });
}

} // namespace sim
