// Device information: version texts from the FPGAs' BCD mirror bytes, the serial label,
// the input icons, the port frame from the link map, and what a refresh re-reads.
#include "shellsupport.h"

#include "fpga/fpga_manage.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/shell/machinestate.h"

#include <QLabel>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void run(const std::function<void(MachineState*)>& body)
{
    QVERIFY(in_screen<MachineState>(page::MachineState, body));
}

QString text(QWidget* s, const char* name)
{
    return s->findChild<QLabel*>(QString::fromLatin1(name))->text();
}

// Both simulated FPGAs up, as after start-up.
fpga_manage* running_fpgas()
{
    sim::SimFpga::boot_ms = 0;
    sim::install();
    sim::restore_all();
    fpga_manage* f = fpga_manage::pInstance();
    for (int i = 0; i < 4; ++i)
        f->run_pass();
    return f;
}

QList<int> linked_icons(MachineState* s)
{
    QList<int> on;
    for (int k = 0; k < 20; ++k)
        if (s->port_picture(k) == QLatin1String(":/png/online.png"))
            on << k + 1;
    return on;
}
} // namespace

class TstShellMachineState : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        g_str_barcode = QStringLiteral(" ");
    }
    void cleanup() { fpga_manage::destroy_for_test(); }

    void fpga_version_from_bcd()
    {
        auto shown = [](const char* regs) { // registers 28..31
            return MachineState::fpga_version(reinterpret_cast<const uint8_t*>(regs));
        };
        QCOMPARE(shown("\x05\x12\x03\x24"), QStringLiteral("V11.00.05 2024-03-12"));
        QCOMPARE(shown("\x1a\x31\x12\x00"), QStringLiteral("V11.00.1a 2000-12-31")); // letters lower case
    }

    // The PC's serial-number command (the control FIFO stands in for it): stored, and shown
    // as plain text.
    void serial_number_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("stored");
        QTest::newRow("words") << "pc barcode WZ 2024  01" << "WZ 2024 01";
        QTest::newRow("quoted blank") << "pc barcode \" \"" << " ";
        QTest::newRow("markup stays text") << "pc barcode <b>7</b>" << "<b>7</b>";
    }
    void serial_number()
    {
        QFETCH(QString, line);
        QFETCH(QString, stored);
        sim::install();
        QVERIFY(sim::run_control_line(line));
        QCOMPARE(ConfigEngine::p_config->read_config_variant(ConfigItem::BarCode).toString(), stored);
        run([&](MachineState* s) {
            auto* l = s->findChild<QLabel*>(QStringLiteral("label_2"));
            QCOMPARE(l->text(), "SN:" + stored.trimmed());
            QCOMPARE(l->textFormat(), Qt::PlainText);
        });
    }

    // No FPGA side, or an FPGA that has not come up: the prefix alone, every port offline.
    void without_fpgas_nothing_is_made_up()
    {
        run([](MachineState* s) {
            QCOMPARE(text(s, "label_FPGA1"), QStringLiteral("FPGA1:"));
            // Code 11 without the FPGA side rebuilds nothing and reads nothing.
            s->refresh(kit::Refresh::PortLinks);
            QCOMPARE(linked_icons(s), QList<int>{});
        });
        running_fpgas()->MCU_REG_func[1][fpga_manage::StartState] = 2; // FPGA 2 still starting
        run([](MachineState* s) {
            QCOMPARE(text(s, "label_FPGA2"), QStringLiteral("FPGA2:"));
            QCOMPARE(linked_icons(s), (QList<int>{1, 2, 3, 9})); // FPGA 2's ports count as unlinked
        });
    }

    // The port frame follows the link map only on code 11; the input icons on every refresh;
    // the versions never.
    void refresh_rules()
    {
        fpga_manage* f = running_fpgas();
        run([f](MachineState* s) {
            QVERIFY(sim::run_control_line(QStringLiteral("port 3 off")));
            QVERIFY(sim::run_control_line(QStringLiteral("port 20 on")));
            set_timing(P, 0, 720, 576, 50); // EXT gets a signal
            f->MCU_REG_func[0][28] = 0x77;
            s->refresh(kit::Refresh::InputTiming);
            QCOMPARE(linked_icons(s), (QList<int>{1, 2, 3, 9, 11, 12}));
            QCOMPARE(s->findChild<QLabel*>(QStringLiteral("sourceid5pixmap"))->property("png").toString(),
                     QStringLiteral(":/png/extlv.png"));
            s->refresh(kit::Refresh::PortLinks);
            QCOMPARE(linked_icons(s), (QList<int>{1, 2, 9, 11, 12, 20}));
            QCOMPARE(text(s, "label_FPGA1"), QStringLiteral("FPGA1:V11.00.05 2024-03-12"));
        });
    }

    // A rate of 0 counts as no signal; only back leaves the screen.
    void inputs_with_and_without_signal()
    {
        set_timing(P, 5, 1920, 1080, 0); // HDMI4
        run([](MachineState* s) {
            QCOMPARE(s->findChild<QLabel*>(QStringLiteral("sourceid3pixmap"))->property("png").toString(),
                     QStringLiteral(":/png/HDMI20.png"));
            keys(s, "QSR");
            QVERIFY(g_machinestate);
            release(s, 'O');
            QVERIFY(!g_machinestate);
        });
    }
};

QTEST_MAIN(TstShellMachineState)
#include "tst_shell_machinestate.moc"
