// The engine: bring-up, the re-apply handshake, and what the chip receives for each field.
#include "hwtest.h"

#include "core/utils.h"
#include "platform/wire.h"
#include "sim/control.h"
#include "sim/control_scaler.h"

#include <QDeadlineTimer>
#include <QtTest>
#include <cstring>

using namespace hwtest;

namespace {
c331_manage* engine_without_thread()
{
    c331_manage* e = c331_manage::pInstance();
    e->bring_up();
    return e;
}

int win(int w, int field) { return img::Window + img::WindowSize * w + field; }

// As a screen applies (under the engine mutex, re-apply raised), then one engine pass.
template <typename Write>
int apply(c331_manage* e, Write write)
{
    {
        EngineLock lock;
        e->request_update();
        write();
    }
    return e->c331managerdeal();
}
} // namespace

class TstEngineReapply : public QObject
{
    Q_OBJECT
    YuqRamPara* p = nullptr;
private slots:
    void init() { p = fresh(); }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        fpga_manage::destroy_for_test();
        zarvosource::destroy_for_test();
    }

    // The chip's brightness stays at 50: the FPGA thread drives the LEDs with x 255 / 100.
    void bring_up_then_brightness_to_the_leds()
    {
        sim::scaler().fonts = 0x5;
        fpga_manage::pInstance();
        c331_manage* e = engine_without_thread();
        const sim::ScalerState s = sim::scaler().state();
        QCOMPARE((QList<int>{s.init_stage, s.panel[0], s.panel[1], s.panel[4], s.picture[1], s.win[0].source}),
                 (QList<int>{2, 1920, 1080, 4, 50, 2}));
        QCOMPARE(e->c331_font_valid.load(), 0x5u);
        QCOMPARE(e->c331managerdeal(), 0); // nothing raised
        apply(e, [this] { p->set_image16(img::Brightness, 40); });
        QCOMPARE(sim::scaler().state().picture[0], 50);
        run_fpga_passes(4);
        QCOMPARE(int(sim::fpga(1).peek_reg(fpgawire::RegBrightness)), 102);
    }

    // A refresh copying the live image over the applied one must not lose the change.
    void change_survives_a_refresh_copy()
    {
        c331_manage* e = engine_without_thread();
        screen_write16(img::Contrast, 77);
        std::memcpy(p->ram_para_old, p->ram_para, RAM_PARA_SIZE); // what the refresh does
        e->c331managerdeal();
        // And one made between two passes, with the copy after the first.
        screen_write16(img::Saturation, 33);
        std::memcpy(p->ram_para_old, p->ram_para, RAM_PARA_SIZE);
        e->c331managerdeal();
        QCOMPARE((QList<int>{sim::scaler().state().picture[1], sim::scaler().state().picture[3]}), (QList<int>{77, 33}));
    }

    void takeover_request_is_never_lowered()
    {
        c331_manage* e = engine_without_thread();
        Codes codes;
        {
            EngineLock lock;
            e->request_update(2);
            p->set_image16(img::DotByDot, 1);
        }
        screen_write16(img::SwitchEffect, 1); // a plain writer afterwards
        QCOMPARE(e->c331managerdeal(), 2);
        QCOMPARE(codes.codes, QVector<int>{2});
    }

    void windows_crops_and_modes_reach_the_chip()
    {
        c331_manage* e = engine_without_thread();
        // Window 0 on crop-table entry 3 (source 4, crop 1).
        apply(e, [this] {
            const uint16_t crop[5] = {0x8004, 10, 20, 300, 200};
            for (int i = 0; i < 5; ++i)
                wr16(p->ram_para, img::CropTable + 10 * 3 + 2 * i, crop[i]);
            wr16(p->ram_para, win(0, img::WinInput), 0x8003);
            wr16(p->ram_para, win(0, img::WinMirror), 2);
            wr16(p->ram_para, win(0, img::WinMode), 0x0003);
            wr16(p->ram_para, win(0, img::WinDotMode), 9);
            wr16(p->ram_para, win(0, img::WinVolume), 0);
            wr16(p->ram_para, img::FadeWords, 60);
            wr16(p->ram_para, img::FadeWords + 2, 61);
            wr16(p->ram_para, img::AllWindowsState, 2);
        });
        sim::ScalerState s = sim::scaler().state();
        QCOMPARE((QList<int>{s.win[0].source, s.win[0].cx, s.win[0].ch, s.win[0].mirror, s.win[0].mode,
                             s.win[0].dot_mode, s.win[0].volume, s.win[0].fade1, s.win[0].fade2, s.all_windows}),
                 (QList<int>{4, 10, 200, 2, 3, 9, 0, 60, 61, 2}));
        // Only the crop entry changes: the window's input is reprogrammed.
        const int inputs = sim::scaler().count(scalerwire::OpWindowInput);
        screen_write16(img::CropTable + 10 * 3 + 2, 11);
        e->c331managerdeal();
        QCOMPARE(sim::scaler().count(scalerwire::OpWindowInput), inputs + 1);

        // The control channel's "scaler" reports it, one "scaler.name value" line each.
        const QStringList lines = sim::scaler_report();
        for (const QString& l : lines)
            QVERIFY2(l.split(QLatin1Char(' ')).size() == 2 && l.startsWith(QLatin1String("scaler.")), qPrintable(l));
        QVERIFY(lines.contains("scaler.win0.crop 11,20,300,200"));
        QVERIFY(!sim::run_control_line("scaler now")); // takes no arguments
    }

    // A change to any one field of a window's rectangle or of the panel reaches the chip
    // alone, with the field's new value.
    void single_field_reaches_the_scaler_data()
    {
        QTest::addColumn<int>("off");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("window"); // -1: the panel
        QTest::addColumn<int>("index");  // rectangle x, y, w, h or panel[]
        const int rect[4] = {img::WinX, img::WinY, img::WinW, img::WinH};
        const char* names[4] = {"x", "y", "width", "height"};
        for (int w : {0, WINDOW_COUNT - 1})
            for (int i = 0; i < 4; ++i)
                QTest::newRow(qPrintable(QStringLiteral("window %1 %2").arg(w).arg(names[i])))
                    << win(w, rect[i]) << 100 + 10 * w + i << w << i;
        // In the order the panel initialisation takes them.
        const int panel[5] = {img::LedWidth, img::LedHeight, img::Out1Width, img::Out1Height, img::SpliceMode};
        const char* panelNames[5] = {"LED width", "LED height", "output 1 width", "output 1 height", "splice mode"};
        for (int i = 0; i < 5; ++i)
            QTest::newRow(panelNames[i]) << panel[i] << (i == 4 ? 3 : 1000 + i) << -1 << i;
    }
    void single_field_reaches_the_scaler()
    {
        QFETCH(int, off);
        QFETCH(int, value);
        QFETCH(int, window);
        QFETCH(int, index);
        c331_manage* e = engine_without_thread();
        const sim::ScalerState before = sim::scaler().state();
        screen_write16(off, uint16_t(value));
        e->c331managerdeal();
        const sim::ScalerState s = sim::scaler().state();
        if (window < 0) {
            QCOMPARE(s.panel_inits, before.panel_inits + 1);
            QCOMPARE(s.panel[index], value);
            return;
        }
        const sim::ScalerWindow& w = s.win[window];
        QCOMPARE((QList<int>{w.x, w.y, w.w, w.h}[index]), value);
    }

    // Every changed EDID record gets its rewrite, not only the first.
    void every_changed_edid_is_rewritten()
    {
        zarvosource* z = zarvosource::pInstance();
        c331_manage* e = engine_without_thread();
        apply(e, [this] {
            wr16(p->ram_para, img::Edid + 6 * 1, 1280);
            wr16(p->ram_para, img::Edid + 6 * 4 + 4, 30);
        });
        z->source_manage_deal();
        int w, h, r, n;
        // {source, width, rate, writes}: unchanged records are left alone.
        for (const auto& c : {QList<int>{1, 1280, -1, 1}, QList<int>{4, 3840, 30, 1}, QList<int>{0, -1, -1, 0}}) {
            sim::receivers().edid(c[0], &w, &h, &r, &n);
            QCOMPARE((QList<int>{c[1] < 0 ? c[1] : w, c[2] < 0 ? c[2] : r, n}), c.mid(1));
        }
    }

    void led_size_waits_for_the_fpga_steps_without_holding_the_mutex()
    {
        fpga_manage* f = fpga_manage::pInstance();
        f->initialize_start();
        QTRY_VERIFY(f->get_fpga_status());
        c331_manage* e = c331_manage::pInstance();
        e->start_thread();
        // Bring-up's own panel init done: only the LED change's init counts from here.
        QTRY_VERIFY_WITH_TIMEOUT(e->brought_up(), 30000);
        const int inits = sim::scaler().state().panel_inits;
        {
            // As the LED-size screen applies: engine mutex, then the LED mutex.
            EngineLock lock;
            p->set_image16(img::LedWidth, 3840);
            {
                QMutexLocker l(&Utils::_led_para_init_mutex);
                g_set_led_para = 1;
                g_set_led_setup = 0;
            }
            e->request_update(1);
        }
        // The engine now waits for the steps.
        QTRY_COMPARE_WITH_TIMEOUT(g_set_led_setup.load(), uint8_t(1), 30000);
        // The GUI thread still gets the engine mutex and changes another field.
        QDeadlineTimer deadline(30000);
        bool locked;
        while (!(locked = pthread_mutex_trylock(&EngineHandshake::instance().mutex) == 0)
               && !deadline.hasExpired())
            QTest::qWait(10);
        QVERIFY(locked);
        EngineHandshake::instance().raise(1);
        p->set_image16(img::Contrast, 66);
        EngineHandshake::instance().unlock();
        // The GUI tick advances the steps until the engine, past them, inits the panel: a
        // tick loop cut short would leave the engine waiting for steps that never end.
        deadline.setRemainingTime(30000);
        while (sim::scaler().state().panel_inits == inits && !deadline.hasExpired()) {
            G_timeTicks += 1;
            QTest::qWait(2);
        }
        QCOMPARE(sim::scaler().state().panel_inits, inits + 1);
        QTRY_COMPARE(sim::scaler().state().picture[1], 66);
    }
};

QTEST_GUILESS_MAIN(TstEngineReapply)
#include "tst_engine_reapply.moc"
