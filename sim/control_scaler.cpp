// "scaler" on the control channel: everything the simulated scaler was told, as it holds it
// now, one "name value" line each so a check on the running panel is a grep:
//   echo scaler > device-root/sim/control; grep '^scaler.win0.' panel.log
// "scaler fonts HEX" changes the fonts the chip reports (e.g. 3: no 64-dot fonts).
// Rectangles are "x,y,w,h" (a crop of 0 width and height is the whole input), words that
// are bit sets are hexadecimal. A window the scaler was never told about has source -1.
#include "control_scaler.h"

#include "control.h"
#include "sim_device.h"

#include <QMutex>
#include <cstdio>

namespace sim {

namespace {
QMutex g_readerMutex;
std::function<void()> g_fontReader;

bool set_fonts(const QString& word)
{
    bool ok = false;
    const uint v = word.toUInt(&ok, 16);
    if (!ok || v > 0xF)
        return false;
    scaler().fonts = v;
    std::function<void()> reader;
    {
        QMutexLocker l(&g_readerMutex);
        reader = g_fontReader;
    }
    if (reader)
        reader();
    return true;
}

QString rect(int x, int y, int w, int h)
{
    return QStringLiteral("%1,%2,%3,%4").arg(x).arg(y).arg(w).arg(h);
}

QString hex(int v)
{
    return QStringLiteral("0x") + QString::number(uint(v), 16);
}
} // namespace

QStringList scaler_report()
{
    const ScalerState s = scaler().state();
    QStringList out;
    auto put = [&out](const QString& name, const QString& value) {
        out << QStringLiteral("scaler.") + name + QLatin1Char(' ') + value;
    };
    auto num = [&put](const QString& name, int v) { put(name, QString::number(v)); };

    num(QStringLiteral("init_stage"), s.init_stage);
    num(QStringLiteral("panel_inits"), s.panel_inits);
    num(QStringLiteral("led.width"), s.panel[0]);
    num(QStringLiteral("led.height"), s.panel[1]);
    num(QStringLiteral("out1.width"), s.panel[2]);
    num(QStringLiteral("out1.height"), s.panel[3]);
    num(QStringLiteral("splice"), s.panel[4]);
    num(QStringLiteral("pattern"), s.pattern);
    put(QStringLiteral("colour_word"), hex(s.colour_word));
    num(QStringLiteral("gain.red"), s.gains[0]);
    num(QStringLiteral("gain.green"), s.gains[1]);
    num(QStringLiteral("gain.blue"), s.gains[2]);
    num(QStringLiteral("brightness"), s.picture[0]);
    num(QStringLiteral("contrast"), s.picture[1]);
    num(QStringLiteral("sharpness"), s.picture[2]);
    num(QStringLiteral("saturation"), s.picture[3]);
    num(QStringLiteral("current_window"), s.current_window);
    put(QStringLiteral("all_windows"), hex(s.all_windows));
    num(QStringLiteral("dot_by_dot"), s.dot_by_dot);
    num(QStringLiteral("switch_effect"), s.switch_effect);
    num(QStringLiteral("osd_reloads"), s.osd_reloads);
    put(QStringLiteral("fonts"), hex(int(scaler().fonts.load())));
    for (int w = 0; w < 6; ++w) {
        const ScalerWindow& win = s.win[w];
        const QString p = QStringLiteral("win%1.").arg(w);
        num(p + QStringLiteral("enabled"), win.enabled);
        put(p + QStringLiteral("rect"), rect(win.x, win.y, win.w, win.h));
        num(p + QStringLiteral("mirror"), win.mirror);
        num(p + QStringLiteral("source"), win.source);
        put(p + QStringLiteral("crop"), rect(win.cx, win.cy, win.cw, win.ch));
        put(p + QStringLiteral("mode"), hex(win.mode));
        num(p + QStringLiteral("dot_mode"), win.dot_mode);
        put(p + QStringLiteral("volume"), hex(win.volume));
        put(p + QStringLiteral("fade"), QStringLiteral("%1,%2").arg(win.fade1).arg(win.fade2));
    }
    for (int i = 0; i < 6; ++i)
        put(QStringLiteral("input%1.timing").arg(i),
            QStringLiteral("%1x%2@%3").arg(s.timing[i][0]).arg(s.timing[i][1]).arg(s.timing[i][2]));
    num(QStringLiteral("ops"), s.ops);
    return out;
}

void register_scaler_commands()
{
    register_control_command(QStringLiteral("scaler"), QStringLiteral("scaler | scaler fonts HEX (0..f)"),
                             [](const QStringList& a) {
        if (a.size() == 2 && a[0] == QLatin1String("fonts"))
            return set_fonts(a[1]);
        if (!a.isEmpty())
            return false;
        // One write, so the block stays together among the other threads' traces.
        const QByteArray text = (scaler_report().join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        std::fflush(stdout);
        return true;
    });
}

void set_font_reader(std::function<void()> reader)
{
    QMutexLocker l(&g_readerMutex);
    g_fontReader = std::move(reader);
}

} // namespace sim
