// The PC link's stand-ins on the control channel: what a PC's register writes would do to
// the panel's state. Here in app/, since they write core state and sim/ stays behind the
// platform seams.
#include "services.h"

#include "core/config_engine.h"
#include "core/global.h"
#include "core/image_edit.h"
#include "sim/control.h"

#include <cctype>

void register_pc_commands()
{
    sim::register_control_command(QStringLiteral("pc image"), QStringLiteral("pc image OFFSET HEXBYTES"),
                                  [](const QStringList& a) {
        bool ok = false;
        const int off = a.size() == 2 ? a[0].toInt(&ok, 0) : -1;
        if (!ok || off < 0 || off >= RAM_PARA_SIZE)
            return false;
        const QByteArray hex = a[1].toLatin1();
        for (char c : hex)
            if (!std::isxdigit(uchar(c)))
                return false;
        const QByteArray bytes = QByteArray::fromHex(hex);
        if (hex.size() % 2 || bytes.isEmpty() || off + bytes.size() > RAM_PARA_SIZE)
            return false;
        ImageEdit e;
        e.copy_in(off, reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("pc lang-mask"), QStringLiteral("pc lang-mask HEX"),
                                  [](const QStringList& a) {
        bool ok = false;
        const uint v = a.size() == 1 ? a[0].toUInt(&ok, 16) : 0;
        if (!ok)
            return false;
        g_lcd_lang_valid = v;
        return true;
    }, true);
    sim::register_control_command(QStringLiteral("pc busy"), QStringLiteral("pc busy on|off"),
                                  [](const QStringList& a) {
        if (a.size() != 1 || (a[0] != QLatin1String("on") && a[0] != QLatin1String("off")))
            return false;
        if (a[0] == QLatin1String("on")) {
            pc_cmd_time = G_timeTicks.load();
            pc_cmd_valid = 1;
        } else {
            pc_cmd_valid = 0;
        }
        return true;
    });
    // The serial number as the PC's command stores it. The line's words are joined by
    // single spaces; `pc barcode` alone stores an empty one and a quoted text keeps what is
    // inside the quotes (`pc barcode " "` is the configuration's none).
    sim::register_control_command(QStringLiteral("pc barcode"), QStringLiteral("pc barcode [TEXT | \"TEXT\"]"),
                                  [](const QStringList& a) {
        QString text = a.join(QLatin1Char(' '));
        if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
            text = text.mid(1, text.size() - 2);
        if (ConfigEngine* c = ConfigEngine::p_config)
            c->write_config_variant(ConfigItem::BarCode, text);
        g_str_barcode = text;
        return true;
    }, true);
}
