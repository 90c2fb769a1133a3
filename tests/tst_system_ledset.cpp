// LED size and splicing, the change through the simulated device, the output-port view.
#include "shellsupport.h"

#include "engine/c331_manage.h"
#include "fpga/fpga_manage.h"
#include "platform/wire.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/shell/tip.h"
#include "ui/system/ledset.h"
#include "ui/system/netset.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>
#include <memory>

using namespace shellsupport;

namespace {
YuqRamPara* P;
const char* const kFields[6] = {"lineEdit_ledw",        "lineEdit_ledh",        "lineEdit_out1_width",
                                "lineEdit_out2_width", "lineEdit_out1_height", "lineEdit_out2_height"};

void run(const std::function<void(ledset*)>& body) { QVERIFY(in_screen<ledset>(page::ledset, body)); }

QLineEdit* field(ledset* s, int i) { return s->findChild<QLineEdit*>(QLatin1String(kFields[i])); }

QString fields(ledset* s, int from = 0, int to = 5)
{
    QStringList t;
    for (int i = from; i <= to; ++i)
        t << field(s, i)->text();
    return t.join(' ');
}

void set_fields(ledset* s, const QString& values, const QList<int>& which)
{
    for (int i = 0; i < which.size(); ++i)
        field(s, which[i])->setText(values.section(' ', i, i));
}

// Apply; a tip that opens runs `during`, then 300 ticks inside its loop. True when a tip showed.
bool apply(ledset* s, const std::function<void()>& during = {})
{
    auto tip = std::make_shared<bool>(false);
    QTimer::singleShot(0, [tip, during] {
        *tip = g_tip && g_tip->isVisible();
        if (*tip && during)
            during();
        if (*tip)
            ticks(300);
    });
    s->on_Button_apply1_clicked();
    return *tip;
}

QString words(std::initializer_list<int> offs)
{
    QStringList l;
    for (int o : offs)
        l << QString::number(P->image16(o));
    return l.join(' ');
}

// The focused port's area "x y w h", then the four columns' links ("1" linked).
QString view(netset* s)
{
    QStringList area;
    QString links;
    for (int i = 0; i < 4; ++i) {
        area << s->area_field(i)->text();
        links += s->link_label(i)->property("png").toString() == QLatin1String(":/png/online_up.png") ? '1' : '0';
    }
    return area.join(' ') + '/' + links;
}

// Port area x, y, w, h of index `i` in FPGA `f`'s parameter image, as the PC writes it.
void put_area(int f, int i, int x, int y, int w, int h)
{
    unsigned short o[4];
    fpga_manage::get_eth_param_addr(uint8_t(i), &o[0], &o[1], &o[2], &o[3]);
    const int v[4] = {x, y, w, h};
    for (int k = 0; k < 4; ++k)
        wr16(fpga_manage::p_fpga_manage->MCU_RAM_PARA_func[f], o[k], uint16_t(v[k]));
}

} // namespace

class TstSystemLedset : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        sim::SimFpga::boot_ms = 0;
        sim::install();
        sim::restore_all();
        g_set_led_para = 0;
        g_set_led_setup = 0;
        settled(P);
    }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        fpga_manage::destroy_for_test();
    }

    // W and H capped by side and pixels; outputs split the wall in the mode ("" or "R" browsed).
    void entry_limits_data()
    {
        QTest::addColumn<QString>("start"); // W H
        QTest::addColumn<QByteArray>("mode"); // null: the mode as stored
        QTest::addColumn<int>("which"); QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // W H, or the output pair typed into
        const QByteArray stored;
        QTest::newRow("W below the side") << "1920 1080" << stored << 0 << "100" << "512 1080";
        QTest::newRow("W at the cap") << "1920 4000" << stored << 0 << "4000" << "4000 3276";
        QTest::newRow("exactly the cap") << "3200 4096" << stored << 0 << "3200" << "3200 4096";
        QTest::newRow("too many digits") << "1920 1080" << stored << 0 << "99999999999999999999" << "16376 800";
        QTest::newRow("width above W, horizontal") << "1920 1080" << QByteArray("") << 2 << "5000" << "1920 0";
        QTest::newRow("height below 512, vertical") << "1920 1080" << QByteArray("R") << 4 << "100" << "512 568";
    }
    void entry_limits()
    {
        QFETCH(QString, start); QFETCH(QByteArray, mode); QFETCH(int, which); QFETCH(QString, typed);
        QFETCH(QString, shown);
        if (!mode.isNull())
            P->set_image16(img::SpliceMode, 3);
        run([&](ledset* s) {
            set_fields(s, start, {0, 1});
            if (!mode.isNull())
                keys(s, ("RRQ" + mode + "Q").constData()); // edit the box, browse to the mode, confirm
            s->confirm(field(s, which), typed);
            const int pair = which < 2 ? 0 : which;
            QCOMPARE(fields(s, pair, pair + 1), shown);
        });
    }

    void splice_proposals_data()
    {
        QTest::addColumn<QString>("wall"); // W H
        QTest::addColumn<QByteArray>("browse"); QTest::addColumn<QString>("shown"); QTest::addColumn<int>("mode");
        QTest::newRow("horizontal odd") << "1921 1080" << QByteArray("") << "1921 1080 968 953 1080 1080" << 3;
        QTest::newRow("vertical odd") << "1920 1081" << QByteArray("R") << "1920 1081 1920 1920 540 541" << 2;
        QTest::newRow("copy caps W") << "10000 1080" << QByteArray("RR") << "8188 1080 8188 8188 1080 1080" << 4;
    }
    void splice_proposals()
    {
        QFETCH(QString, wall); QFETCH(QByteArray, browse); QFETCH(QString, shown); QFETCH(int, mode);
        P->set_image16(img::SpliceMode, 3);
        run([&](ledset* s) {
            set_fields(s, wall, {0, 1});
            keys(s, ("RRQ" + browse).constData());
            QCOMPARE(fields(s, 2), QStringLiteral("1920 1920 1080 1080")); // browsing proposes nothing
            keys(s, "Q");
            for (int pass = 0; pass < 2; ++pass) {
                QCOMPARE(fields(s), shown);
                QCOMPARE(s->splice(), mode);
                // The box's own index signal is connected to nothing.
                s->findChild<QComboBox*>()->setCurrentIndex(mode == 3 ? 1 : 0);
            }
        });
    }

    // Output fields that do not split the wall are replaced; nothing wraps.
    void apply_stores_data()
    {
        QTest::addColumn<int>("stored"); // splice mode at opening
        QTest::addColumn<QString>("typed"); // W, out1 w, out1 h, out2 h
        QTest::addColumn<QString>("image"); // mode, out1 w h, out2 x y w h
        QTest::newRow("horizontal stale") << 3 << "1280 1920 1080 1080" << "3 640 1080 640 0 640 1080";
        QTest::newRow("vertical as typed") << 2 << "1920 1920 600 480" << "2 1920 600 0 600 1920 480";
        QTest::newRow("copy ignores fields") << 7 << "1280 1 1 1" << "4 1280 1080 0 0 1280 1080";
    }
    void apply_stores()
    {
        QFETCH(int, stored); QFETCH(QString, typed); QFETCH(QString, image);
        P->set_image16(img::SpliceMode, uint16_t(stored));
        settled(P);
        run([&](ledset* s) {
            set_fields(s, typed, {0, 2, 4, 5});
            apply(s);
            QCOMPARE(words({img::SpliceMode, img::Out1Width, img::Out1Height, img::Out2X, img::Out2Y, img::Out2Width,
                            img::Out2Height}),
                     image);
        });
    }

    // Copy stored, a wider W from the pad: Apply keeps it to what one output takes, and shows it.
    void copy_apply_caps_the_width()
    {
        P->set_image16(img::SpliceMode, 4);
        settled(P);
        run([&](ledset* s) {
            s->confirm(field(s, 0), "20000");
            QCOMPARE(field(s, 0)->text(), QStringLiteral("16376"));
            apply(s);
            QCOMPARE(fields(s), QStringLiteral("8188 800 8188 8188 800 800"));
            QCOMPARE(words({img::LedWidth, img::Out1Width, img::Out2Width, win(0, img::WinW)}),
                     QStringLiteral("8188 8188 8188 8188"));
        });
    }

    // Tip only on a change and with the mutex free; hand-off only for a new size, both FPGAs up.
    void change_test_data()
    {
        QTest::addColumn<int>("W"); QTest::addColumn<int>("out2h"); // stored output-2 height before
        QTest::addColumn<bool>("both"); QTest::addColumn<bool>("tip"); QTest::addColumn<int>("handoff");
        QTest::newRow("nothing changed") << 1920 << 1080 << true << false << 0;
        QTest::newRow("new size") << 3840 << 1080 << true << true << 1;
        QTest::newRow("new size, one FPGA") << 3840 << 1080 << false << true << 0;
        QTest::newRow("only output 2") << 1920 << 900 << true << true << 0;
    }
    void change_test()
    {
        QFETCH(int, W); QFETCH(int, out2h); QFETCH(bool, both); QFETCH(bool, tip); QFETCH(int, handoff);
        // Stored: copy 1920 x 1080 with window 1 on.
        for (auto [o, v] : {std::pair{img::SpliceMode, 4}, {img::Out1Width, 1920}, {img::Out2Width, 1920},
                            {img::Out1Height, 1080}, {img::Out2Height, out2h}, {win(1, img::WinFlags), 1},
                            {win(0, img::WinX), 100}, {win(0, img::WinW), 0}})
            P->set_image16(o, uint16_t(v));
        settled(P);
        fpgas_running(both);
        run([&](ledset* s) {
            field(s, 0)->setText(QString::number(W));
            bool free = false;
            QCOMPARE(apply(s, [&free] {
                         free = pthread_mutex_trylock(&EngineHandshake::instance().mutex) == 0;
                         if (free)
                             EngineHandshake::instance().unlock();
                     }),
                     tip);
            QCOMPARE(free, tip);
            QCOMPARE(int(g_set_led_para), handoff);
            QCOMPARE(words({win(1, img::WinFlags), win(0, img::WinX), win(0, img::WinW)}),
                     tip ? QString("0 0 %1").arg(W) : QString("1 100 0"));
        });
    }

    // The whole change on the simulated device: blanked, panel as split, both FPGAs back on.
    void handshake_end_to_end()
    {
        fpga_manage* f = fpga_manage::pInstance();
        f->initialize_start();
        QTRY_VERIFY(f->get_fpga_status());
        c331_manage::pInstance()->start_thread();
        // Bring-up's own panel init done: only the LED change's init counts from here.
        QTRY_VERIFY_WITH_TIMEOUT(c331_manage::pInstance()->brought_up(), 30000);
        const int inits = sim::scaler().state().panel_inits;
        const int blanks = sim::fpga(0).reg_writes(fpgawire::RegControl);
        run([&](ledset* s) {
            s->confirm(field(s, 0), QStringLiteral("3840"));
            keys(s, "RRQRQ"); // from copy to horizontal: 1920 + 1920
            QVERIFY(apply(s, [&] {
                // Ticks until the engine is past the steps: a loop cut short leaves it waiting.
                QDeadlineTimer deadline(30000);
                while (sim::scaler().state().panel_inits == inits && !deadline.hasExpired()) {
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
        QTRY_VERIFY(f->get_fpga_status());
        QTRY_COMPARE(sim::fpga(0).peek_reg(fpgawire::RegControl) & 0x04, 0);
    }

    // ---- the output-port view ----

    // Without an FPGA side: no area and no link; the window of four stops at the last port.
    void ports_without_fpga_side()
    {
        run_screen<netset>(page::netset, [](netset* s) {
            keys(s, QByteArray(25, 'R').constData());
            QCOMPARE((QList<int>{s->focused_port(), s->first_port(), s->column()}), (QList<int>{19, 16, 3}));
            QCOMPARE(view(s), QStringLiteral("   /0000"));
        });
    }

    // Areas from the parameter images (odd offsets too), links from the map.
    void areas_and_links()
    {
        for (int i = 0; i < 4; ++i) // both FPGAs running
            fpga_manage::pInstance()->run_pass();
        put_area(0, 0, 0, 0, 256, 128);
        put_area(0, 1, 256, 0, 256, 128);
        put_area(1, 0, 4096, 2048, 512, 64); // port 11 on the panel
        run_screen<netset>(page::netset, [](netset* s) {
            keys(s, "R");
            // A link lost shows after the next key, not on a refresh.
            QVERIFY(sim::run_control_line(QStringLiteral("port 2 off")));
            s->refresh(kit::Refresh::PortLinks);
            QCOMPARE(view(s), QStringLiteral("256 0 256 128/1110")); // x at an odd offset
            keys(s, "S");
            QCOMPARE(view(s), QStringLiteral("0 0 256 128/1010"));
            keys(s, "RRRRRRRRRR"); // port 11, LED8-LED11 shown
            QCOMPARE(view(s), QStringLiteral("4096 2048 512 64/0101")); // ports 9 and 11 linked
            keys(s, "R"); // port 12: FPGA 1's own image as delivered
            QVERIFY(view(s).startsWith(QStringLiteral("1440 432 480 ")));
        });
    }

    // The columns number the ports from 1 in the language's words, at both ends of the
    // row and after a language change while open.
    void port_captions_number_from_one()
    {
        switch_language(P, 1);
        run_screen<netset>(page::netset, [](netset* s) {
            const auto captions = [s] {
                QStringList l;
                for (int c = 0; c < 4; ++c)
                    l << s->number_label(c)->text();
                return l.join(' ');
            };
            QCOMPARE(captions(), QStringLiteral("LED1 LED2 LED3 LED4"));
            keys(s, QByteArray(19, 'R').constData());
            QCOMPARE(captions(), QStringLiteral("LED17 LED18 LED19 LED20"));
            P->set_image16(img::Language, 0);
            s->refresh(kit::Refresh::Applied);
            QCOMPARE(captions(), QStringLiteral("网口LED17 网口LED18 网口LED19 网口LED20"));
            keys(s, QByteArray(19, 'S').constData());
            QCOMPARE(captions(), QStringLiteral("网口LED1 网口LED2 网口LED3 网口LED4"));
        });
    }
};

QTEST_MAIN(TstSystemLedset)
#include "tst_system_ledset.moc"
