#pragma once
// The aging log: every three minutes, while both FPGAs run and no PC command is going, one
// line of the two FPGAs' aging registers (40, 42, 43), with counts of how far register 42
// moved between samples. Sampled on the GUI thread by the panel clock; the aging-log
// screen reads it there.
#include <QString>
#include <QVector>
#include <cstdint>
#include <functional>

// Where the sampler reads the two FPGAs (fpga_manage on the panel; tests put their own in).
struct AgingSource
{
    std::function<bool()> ready;                 // manager exists and both FPGAs run
    std::function<int(int reg, int fpga)> read;  // one register through the mirror
};

// How often register 42 moved by less than 3, 5, 10, 20, or more, between two samples.
struct AgingBands
{
    int32_t diff3 = 0, diff5 = 0, diff10 = 0, diff20 = 0, diffmore = 0;
};

class AgingLog
{
public:
    static AgingLog& instance();
    static constexpr int Max = 3360;        // lines kept (a week)
    static constexpr int PeriodTicks = 18000;

    // Called by every 10 ms tick; true when a period ended (a sample was due).
    bool tick();
    // One sample now (the time text and the six registers).
    void sample();
    // The device's time as a sample shows it ("MM-dd hh:mm").
    static QString time_text();
    // One line from a time text and the six register values (FPGA 0: 40, 42, 43; FPGA 1:
    // 40, 42, 43), appended with the band counting and the line cap.
    void append(const QString& time, const int regs[6]);
    void clear();

    AgingSource source;
    QVector<QString> factoryage_log;
    AgingBands bands[2]; // FPGA 0 (factoryage_log_diff*), FPGA 1 (factoryage_log2_diff*)

private:
    AgingLog();
};
