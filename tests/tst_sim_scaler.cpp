// The control channel's "scaler": what the simulated scaler holds after the engine applied
// the image, one "name value" line each.
#include "hwtest.h"

#include "sim/control.h"
#include "sim/control_scaler.h"

#include <QtTest>

using namespace hwtest;

namespace {
int win(int w, int field) { return img::Window + img::WindowSize * w + field; }

QString value(const QStringList& lines, const QString& name)
{
    for (const QString& l : lines)
        if (l.startsWith(QStringLiteral("scaler.") + name + QLatin1Char(' ')))
            return l.section(QLatin1Char(' '), 1);
    return QStringLiteral("<missing>");
}
} // namespace

class TstSimScaler : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { c331_manage::destroy_for_test(); }

    void report_follows_the_applied_image()
    {
        YuqRamPara* p = fresh();
        c331_manage* e = c331_manage::pInstance();
        e->bring_up();
        // Window 1 on crop-table entry 3: crop 2 of HDMI2 at 100,50 960x540.
        const int b = img::CropTable + 30;
        {
            EngineLock lock;
            wr16(p->ram_para, b, 0x8000 | (1 << 8) | 3);
            wr16(p->ram_para, b + 2, 100);
            wr16(p->ram_para, b + 4, 50);
            wr16(p->ram_para, b + 6, 960);
            wr16(p->ram_para, b + 8, 540);
            wr16(p->ram_para, win(1, img::WinFlags), 1);
            wr16(p->ram_para, win(1, img::WinInput), 0x8003);
            wr16(p->ram_para, img::Contrast, 42);
            EngineHandshake::instance().raise(1);
        }
        e->c331managerdeal();

        const QStringList lines = sim::scaler_report();
        for (const QString& l : lines)
            QVERIFY2(l.split(QLatin1Char(' ')).size() == 2 && l.startsWith(QLatin1String("scaler.")), qPrintable(l));
        QCOMPARE(value(lines, "win1.enabled"), QStringLiteral("1"));
        QCOMPARE(value(lines, "win1.source"), QStringLiteral("3"));
        QCOMPARE(value(lines, "win1.crop"), QStringLiteral("100,50,960,540"));
        QCOMPARE(value(lines, "win0.source"), QStringLiteral("2"));
        QCOMPARE(value(lines, "win0.crop"), QStringLiteral("0,0,0,0"));
        QCOMPARE(value(lines, "contrast"), QStringLiteral("42"));
        QCOMPARE(value(lines, "led.width"), QStringLiteral("1920"));
        QCOMPARE(value(lines, "panel_inits"), QString::number(sim::scaler().state().panel_inits));
        QCOMPARE(value(lines, "win5.source"), QString::number(sim::scaler().state().win[5].source));

        QVERIFY(sim::run_control_line("scaler"));
        QVERIFY(!sim::run_control_line("scaler now")); // takes no arguments
    }

};

QTEST_GUILESS_MAIN(TstSimScaler)
#include "tst_sim_scaler.moc"
