#pragma once
// Device information (page 2): the twenty output ports' links, the six inputs' signals,
// the application and FPGA versions and the serial number. Read-only: no focus, OK and
// the arrows do nothing; back returns to the home screen.
#include "screenkit.h"

#include <QPointer>
#include <cstdint>

namespace Ui {
class MachineState;
}
class QFrame;
class QLabel;

class MachineState : public PanelDialog
{
    Q_OBJECT
public:
    explicit MachineState(QWidget* parent = nullptr);
    ~MachineState() override;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // "V11.00.05 2024-03-12" from an FPGA's BCD mirror bytes 28..31 (minor version, day,
    // month, year - 2000).
    static QString fpga_version(const uint8_t r28to31[4]);
    static QString mcu_version();
    // The label texts as the screen shows them now ("FPGA1:" alone while FPGA 1 does not run).
    static QString fpga_label(int fpga);
    static QString serial_label(const QString& barcode);

    // Tests: the link picture shown at port index k (0..19).
    QString port_picture(int k) const;

private:
    void version_changed();
    void source_check();
    void initWlan();

    class PortFrame;
    Ui::MachineState* ui;
    QPointer<PortFrame> m_ports;
};
