// The output-port view: the window of four ports under the arrow keys, each port's area
// from its FPGA's parameter image, the links from the map (read on keys, not on refresh),
// and the view without an FPGA side.
#include "shellsupport.h"

#include "fpga/fpga_manage.h"
#include "platform/wire.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/system/netset.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

using namespace shellsupport;

namespace {
void run(const std::function<void(netset*)>& body) { QVERIFY(in_screen<netset>(page::netset, body)); }

// The four columns' areas ("x y w h" of the focused port), numbers and links ("1" linked).
QString area(netset* s)
{
    QStringList t;
    for (int i = 0; i < 4; ++i)
        t << s->area_field(i)->text();
    return t.join(' ');
}
QString columns(netset* s)
{
    QStringList t;
    for (int c = 0; c < 4; ++c)
        t << s->number_label(c)->text();
    return t.join(' ');
}
QString links(netset* s)
{
    QString t;
    for (int c = 0; c < 4; ++c)
        t += s->link_label(c)->property("png").toString() == QLatin1String(":/png/online_up.png") ? '1' : '0';
    return t;
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

fpga_manage* running_fpgas()
{
    fpga_manage* f = fpga_manage::pInstance();
    for (int i = 0; i < 4; ++i)
        f->run_pass();
    return f;
}
} // namespace

class TstSystemNetset : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        fresh_panel();
        sim::SimFpga::boot_ms = 0;
        sim::install();
        sim::restore_all();
    }
    void cleanup() { fpga_manage::destroy_for_test(); }

    void window_of_four_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<QList<int>>("state"); // ui_select, ui_min_select, ui_sel
        QTest::addColumn<QString>("numbers");
        QTest::newRow("left on port 0") << QByteArray("S") << QList<int>{0, 0, 0} << "LED1 LED2 LED3 LED4";
        QTest::newRow("right five, left four") << QByteArray("RRRRRSSSS") << QList<int>{1, 1, 0} << "LED2 LED3 LED4 LED5";
        QTest::newRow("right beyond") << QByteArray(25, 'R') << QList<int>{19, 16, 3} << "LED17 LED18 LED19 LED20";
    }
    // Without an FPGA side: no area and no link whatever the port.
    void window_of_four()
    {
        QFETCH(QByteArray, keys); QFETCH(QList<int>, state); QFETCH(QString, numbers);
        run([&](netset* s) {
            shellsupport::keys(s, keys.constData());
            QCOMPARE((QList<int>{s->focused_port(), s->first_port(), s->column()}), state);
            QCOMPARE(columns(s), numbers);
            QCOMPARE(area(s) + links(s), QStringLiteral("   0000"));
        });
    }

    // Areas from the parameter images (odd offsets too), links from the map.
    void areas_and_links()
    {
        running_fpgas();
        put_area(0, 0, 0, 0, 256, 128);
        put_area(0, 1, 256, 0, 256, 128);
        put_area(1, 0, 4096, 2048, 512, 64); // port 11 on the panel
        run([](netset* s) {
            QCOMPARE(area(s), QStringLiteral("0 0 256 128"));
            QCOMPARE(links(s), QStringLiteral("1110"));
            keys(s, "R");
            QCOMPARE(area(s), QStringLiteral("256 0 256 128")); // x at an odd offset
            // A link lost shows after the next key, not on a refresh.
            QVERIFY(sim::run_control_line(QStringLiteral("port 2 off")));
            s->refresh(kit::Refresh::PortLinks);
            QCOMPARE(links(s), QStringLiteral("1110"));
            keys(s, "S");
            QCOMPARE(links(s), QStringLiteral("1010"));
            keys(s, "RRRRRRRRRR"); // port 11, LED8-LED11 shown
            QCOMPARE(area(s), QStringLiteral("4096 2048 512 64"));
            QCOMPARE(links(s), QStringLiteral("0101")); // ports 9 and 11
        });
    }

    // The FPGA thread reloads the images after a restart; the view reads them on a refresh.
    void area_after_reload()
    {
        fpga_manage* f = running_fpgas();
        put_area(0, 0, 7, 8, 9, 10);
        YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
        p->ram_para[img::Language] = p->ram_para_old[img::Language] = 1;
        run([f, p](netset* s) {
            QCOMPARE(area(s), QStringLiteral("7 8 9 10"));
            f->reset_fpga_rst(0);
            for (int i = 0; i < 4; ++i)
                f->run_pass();
            QCOMPARE(area(s), QStringLiteral("7 8 9 10")); // read again only when asked
            p->ram_para[img::Language] = 0;
            s->refresh(kit::Refresh::Applied);
            QCOMPARE(area(s), QStringLiteral("0 0 480 216")); // the FPGA's own image again
        });
    }
};

QTEST_MAIN(TstSystemNetset)
#include "tst_system_netset.moc"
