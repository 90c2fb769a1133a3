// LED size and splicing: the entry limits, the three splice proposals, what apply stores
// (stale output fields replaced, nothing wrapping), the change test with its tip and the
// LED-size hand-off, and the whole change through the simulated engine and FPGAs.
#include "shellsupport.h"

#include "core/utils.h"
#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "platform/wire.h"
#include "sim/sim_device.h"
#include "ui/shell/tip.h"
#include "ui/system/ledset.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void run(const std::function<void(ledset*)>& body)
{
    QVERIFY(in_screen<ledset>(page::ledset, body));
}

QLineEdit* field(ledset* s, const char* name)
{
    return s->findChild<QLineEdit*>(QString::fromLatin1(name));
}

QString fields(ledset* s)
{
    QStringList t;
    for (const char* n : {"lineEdit_ledw", "lineEdit_ledh", "lineEdit_out1_width", "lineEdit_out2_width",
                          "lineEdit_out1_height", "lineEdit_out2_height"})
        t << field(s, n)->text();
    return t.join(QLatin1Char(' '));
}

void keys(ledset* s, const char* seq)
{
    for (const char* c = seq; *c; ++c)
        release(s, *c);
}

// Apply (focus 5); a tip that opens runs its loop until 300 ticks have passed, with
// `during` run inside it first. Returns whether a tip was shown.
bool apply(ledset* s, const std::function<void()>& during = {})
{
    auto tip = std::make_shared<bool>(false);
    QTimer::singleShot(0, [tip, during] {
        // Without a tip this runs later, in the screen's own loop.
        *tip = g_tip && g_tip->isVisible();
        if (*tip && during)
            during();
        if (*tip)
            ticks(300);
    });
    s->on_Button_apply1_clicked();
    return *tip;
}

void applied()
{
    std::memcpy(P->ram_para_old, P->ram_para, RAM_PARA_SIZE);
}

QList<int> words(std::initializer_list<int> offs)
{
    QList<int> l;
    for (int o : offs)
        l << P->image16(o);
    return l;
}

} // namespace

class TstSystemLedset : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        g_set_led_para = 0;
        g_set_led_setup = 0;
        applied();
    }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        fpga_manage::destroy_for_test();
    }

    void entry_limits_data()
    {
        QTest::addColumn<QString>("start");  // W H
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // W H
        QTest::newRow("W above the side") << "1920 1080" << "lineEdit_ledw" << "20000" << "16376 800";
        QTest::newRow("W above, H small") << "1920 700" << "lineEdit_ledw" << "20000" << "16376 700";
        QTest::newRow("W below the side") << "1920 1080" << "lineEdit_ledw" << "100" << "512 1080";
        QTest::newRow("W at the cap") << "1920 4000" << "lineEdit_ledw" << "4000" << "4000 3276";
        QTest::newRow("H at the cap") << "4000 1920" << "lineEdit_ledh" << "4000" << "3276 4000";
        QTest::newRow("H below keeps W") << "16376 800" << "lineEdit_ledh" << "1" << "16376 512";
        QTest::newRow("exactly the cap") << "3200 4096" << "lineEdit_ledw" << "3200" << "3200 4096";
        QTest::newRow("empty is 512") << "1920 1080" << "lineEdit_ledh" << "" << "1920 512";
        QTest::newRow("too many digits") << "1920 1080" << "lineEdit_ledw" << "99999999999999999999" << "16376 800";
    }
    void entry_limits()
    {
        QFETCH(QString, start);
        QFETCH(QString, which);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        run([&](ledset* s) {
            field(s, "lineEdit_ledw")->setText(start.section(' ', 0, 0));
            field(s, "lineEdit_ledh")->setText(start.section(' ', 1, 1));
            s->confirm(field(s, qPrintable(which)), typed);
            QCOMPARE(field(s, "lineEdit_ledw")->text() + ' ' + field(s, "lineEdit_ledh")->text(), shown);
        });
    }

    void output_entry_data()
    {
        QTest::addColumn<QByteArray>("mode");  // combo keys before: "" horizontal, "R" vertical
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("width above W, horizontal") << QByteArray() << "lineEdit_out1_width" << "5000"
                                                   << "1920 1080 1920 0 540 1080";
        QTest::newRow("width, horizontal") << QByteArray() << "lineEdit_out1_width" << "1000"
                                           << "1920 1080 1000 920 540 1080";
        QTest::newRow("height below 512, vertical") << QByteArray("R") << "lineEdit_out1_height" << "100"
                                                    << "1920 1080 1920 1920 512 568";
        QTest::newRow("height above H, vertical") << QByteArray("R") << "lineEdit_out1_height" << "2000"
                                                  << "1920 1080 1920 1920 1080 0";
    }
    void output_entry()
    {
        QFETCH(QByteArray, mode);
        QFETCH(QString, which);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        P->set_image16(img::SpliceMode, 3);
        run([&](ledset* s) {
            // Focus the box, edit, browse to the mode, confirm.
            keys(s, "RRQ");
            keys(s, mode.constData());
            keys(s, "Q");
            s->confirm(field(s, qPrintable(which)), typed);
            QCOMPARE(fields(s).section(' ', 0, 1), QStringLiteral("1920 1080"));
            if (which.contains(QLatin1String("width")))
                QCOMPARE(fields(s).section(' ', 2, 3), shown.section(' ', 2, 3));
            else
                QCOMPARE(fields(s).section(' ', 4, 5), shown.section(' ', 4, 5));
        });
    }

    void splice_proposals_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("H");
        QTest::addColumn<QByteArray>("browse");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("mode");
        QTest::newRow("horizontal") << 1920 << 1080 << QByteArray("") << "1920 1080 960 960 1080 1080" << 3;
        QTest::newRow("horizontal odd") << 1921 << 1080 << QByteArray("") << "1921 1080 968 953 1080 1080" << 3;
        QTest::newRow("horizontal 1000") << 1000 << 1080 << QByteArray("") << "1000 1080 504 496 1080 1080" << 3;
        QTest::newRow("vertical") << 1920 << 1080 << QByteArray("R") << "1920 1080 1920 1920 542 538" << 2;
        QTest::newRow("vertical odd") << 1920 << 1081 << QByteArray("R") << "1920 1081 1920 1920 540 541" << 2;
        QTest::newRow("copy caps W") << 10000 << 1080 << QByteArray("RR") << "8188 1080 8188 8188 1080 1080" << 4;
        QTest::newRow("copy by left") << 1920 << 1080 << QByteArray("S") << "1920 1080 1920 1920 1080 1080" << 4;
    }
    void splice_proposals()
    {
        QFETCH(int, W);
        QFETCH(int, H);
        QFETCH(QByteArray, browse);
        QFETCH(QString, shown);
        QFETCH(int, mode);
        P->set_image16(img::SpliceMode, 3);
        run([&](ledset* s) {
            field(s, "lineEdit_ledw")->setText(QString::number(W));
            field(s, "lineEdit_ledh")->setText(QString::number(H));
            keys(s, "RRQ");
            QVERIFY(s->combo_editing());
            keys(s, browse.constData());
            // Browsing shows the mode but changes neither fields nor picture.
            QCOMPARE(fields(s).section(' ', 2), QStringLiteral("1920 1920 1080 1080"));
            QCOMPARE(s->findChild<QLabel*>("out_label")->property("png").toString(),
                     QStringLiteral(":/png/out_horizontal.png"));
            keys(s, "Q");
            QVERIFY(!s->combo_editing());
            QCOMPARE(fields(s), shown);
            QCOMPARE(s->splice(), mode);
            // The box's own index signal is connected to nothing.
            s->findChild<QComboBox*>()->setCurrentIndex(mode == 3 ? 1 : 0);
            QCOMPARE(fields(s), shown);
            QCOMPARE(s->splice(), mode);
        });
    }

    // What apply stores per mode; output fields that do not split the wall are replaced.
    void apply_stores_data()
    {
        QTest::addColumn<int>("stored");  // splice mode at opening
        QTest::addColumn<int>("W");
        QTest::addColumn<QString>("out"); // out1 w, out1 h, out2 h typed into the fields
        QTest::addColumn<QString>("image"); // 0x560, 0x584, 0x586, 0x588, 0x58A, 0x58C, 0x58E
        QTest::newRow("horizontal as typed") << 3 << 3840 << "1920 1080 1080" << "3 1920 1080 1920 0 1920 1080";
        QTest::newRow("horizontal stale") << 3 << 1280 << "1920 1080 1080" << "3 640 1080 640 0 640 1080";
        QTest::newRow("horizontal wrong height") << 3 << 3840 << "1920 540 540" << "3 1920 1080 1920 0 1920 1080";
        QTest::newRow("vertical as typed") << 2 << 1920 << "1920 600 480" << "2 1920 600 0 600 1920 480";
        QTest::newRow("vertical stale") << 2 << 1280 << "1920 1080 1080" << "2 1280 542 0 542 1280 538";
        QTest::newRow("copy ignores fields") << 7 << 1280 << "1 1 1" << "4 1280 1080 0 0 1280 1080";
    }
    void apply_stores()
    {
        QFETCH(int, stored);
        QFETCH(int, W);
        QFETCH(QString, out);
        QFETCH(QString, image);
        P->set_image16(img::SpliceMode, uint16_t(stored));
        applied();
        run([&](ledset* s) {
            field(s, "lineEdit_ledw")->setText(QString::number(W));
            field(s, "lineEdit_out1_width")->setText(out.section(' ', 0, 0));
            field(s, "lineEdit_out1_height")->setText(out.section(' ', 1, 1));
            field(s, "lineEdit_out2_height")->setText(out.section(' ', 2, 2));
            apply(s);
            QStringList got;
            for (int v : words({img::SpliceMode, img::Out1Width, img::Out1Height, img::Out2X, img::Out2Y,
                                img::Out2Width, img::Out2Height}))
                got << QString::number(v);
            QCOMPARE(got.join(' '), image);
            QCOMPARE(words({img::LedWidth, img::LedHeight}), (QList<int>{W, 1080}));
        });
    }

    // The change test: tip, windows and the hand-off only when something changed, the
    // hand-off only for the engine's panel words and only with both FPGAs running, and the
    // tip only after the engine mutex is free again.
    void change_test_data()
    {
        QTest::addColumn<int>("W");
        QTest::addColumn<int>("out2h"); // stored output-2 height before (applied)
        QTest::addColumn<bool>("both");
        QTest::addColumn<bool>("tip");
        QTest::addColumn<int>("handoff");
        QTest::newRow("nothing changed") << 1920 << 1080 << true << false << 0;
        QTest::newRow("new size") << 3840 << 1080 << true << true << 1;
        QTest::newRow("new size, one FPGA") << 3840 << 1080 << false << true << 0;
        QTest::newRow("only output 2") << 1920 << 900 << true << true << 0;
    }
    void change_test()
    {
        QFETCH(int, W);
        QFETCH(int, out2h);
        QFETCH(bool, both);
        QFETCH(bool, tip);
        QFETCH(int, handoff);
        // Stored: copy 1920 x 1080 with window 1 on.
        P->set_image16(img::SpliceMode, 4);
        for (int o : {img::Out1Width, img::Out2Width})
            P->set_image16(o, 1920);
        for (int o : {img::Out1Height, img::Out2Height})
            P->set_image16(o, 1080);
        P->set_image16(img::Out2Height, uint16_t(out2h));
        P->set_image16(win(1, img::WinFlags), 1);
        P->set_image16(win(0, img::WinX), 100);
        P->set_image16(win(0, img::WinW), 0);
        applied();
        fpgas_running(both);
        run([&](ledset* s) {
            field(s, "lineEdit_ledw")->setText(QString::number(W));
            EngineHandshake::instance().reapply = 0;
            bool free = false;
            const bool shown = apply(s, [&free] {
                free = pthread_mutex_trylock(&EngineHandshake::instance().mutex) == 0;
                if (free)
                    EngineHandshake::instance().unlock();
            });
            QCOMPARE(shown, tip);
            QCOMPARE(free, tip);
            QCOMPARE(int(EngineHandshake::instance().reapply), 1);
            QCOMPARE(int(g_set_led_para), handoff);
            QCOMPARE(P->image16(win(1, img::WinFlags)), uint16_t(tip ? 0 : 1));
            const QList<int> window0 = tip ? QList<int>{0, W} : QList<int>{100, 0};
            QCOMPARE(words({win(0, img::WinX), win(0, img::WinW)}), window0);
        });
    }

    void refresh_reloads_a_new_size()
    {
        run([](ledset* s) {
            field(s, "lineEdit_ledw")->setText(QStringLiteral("777"));
            s->refresh(kit::Refresh::Applied);
            QCOMPARE(field(s, "lineEdit_ledw")->text(), QStringLiteral("777")); // nothing new stored
            P->set_image16(img::LedWidth, 2560);
            P->set_image16(img::SpliceMode, 2);
            s->refresh(kit::Refresh::Applied);
            QCOMPARE(field(s, "lineEdit_ledw")->text(), QStringLiteral("2560"));
            QCOMPARE(s->findChild<QComboBox*>()->currentIndex(), 1);
        });
    }

    // The whole change on the simulated device: blank, panel init, restart, no deadlock.
    void handshake_end_to_end()
    {
        sim::SimFpga::boot_ms = 0;
        sim::install();
        sim::restore_all();
        fpga_manage* f = fpga_manage::pInstance();
        f->initialize_start();
        QTRY_VERIFY(f->get_fpga_status());
        c331_manage* e = c331_manage::pInstance();
        e->start_thread();
        QTRY_COMPARE(sim::scaler().state().init_stage, 2);
        const int inits = sim::scaler().state().panel_inits;
        const int blanks = sim::fpga(0).reg_writes(fpgawire::RegControl);
        run([&](ledset* s) {
            s->confirm(field(s, "lineEdit_ledw"), QStringLiteral("3840"));
            keys(s, "RRQRQ"); // from copy to horizontal: 1920 + 1920
            QVERIFY(apply(s, [&] {
                QCOMPARE(int(g_set_led_para), 1);
                // The tick drives the FPGA side's steps while the tip is up.
                for (int i = 0; i < 250 && sim::scaler().state().panel_inits == inits; ++i) {
                    ticks(1);
                    QTest::qWait(2);
                }
            }));
        });
        QTRY_COMPARE(sim::scaler().state().panel_inits, inits + 1);
        const sim::ScalerState st = sim::scaler().state();
        QCOMPARE((QList<int>{st.panel[0], st.panel[1], st.panel[2], st.panel[3], st.panel[4]}),
                 (QList<int>{3840, 1080, 1920, 1080, 3}));
        QVERIFY(sim::fpga(0).reg_writes(fpgawire::RegControl) > blanks);
        QTRY_COMPARE(int(g_set_led_para), 0);
        QTRY_VERIFY(f->get_fpga_status());
        QTRY_COMPARE(int(P->applied16(img::LedWidth)), 3840);
    }
};

QTEST_MAIN(TstSystemLedset)
#include "tst_system_ledset.moc"
