#include "aging_log.h"

#include "fpga_manage.h"
#include "core/global.h"
#include "core/utils.h"

#include "platform/clock.h"

#include <QDateTime>
#include <QMutexLocker>
#include <QStringList>

AgingLog& AgingLog::instance()
{
    static AgingLog a;
    return a;
}

AgingLog::AgingLog()
{
    source.ready = [] { return fpga_manage::p_fpga_manage && fpga_manage::p_fpga_manage->get_fpga_status(); };
    source.read = [](int reg, int fpga) {
        fpga_manage* f = fpga_manage::p_fpga_manage;
        f->read_from_register(uchar(reg), uchar(fpga));
        return int(f->MCU_REG_func[fpga][reg].load());
    };
}

bool AgingLog::tick()
{
    const int aging = Utils::getTimeSpace(G_factoryage_ticks);
    if (aging >= 0 && aging < PeriodTicks)
        return false;
    G_factoryage_ticks = G_timeTicks.load();
    if (source.ready && source.read && pc_cmd_valid == 0 && source.ready())
        sample();
    G_factoryage_ticks = G_timeTicks.load();
    return true;
}

QString AgingLog::time_text()
{
    QMutexLocker lock(&Utils::_system_mutex);
    return platform::device_now().toString(QStringLiteral("MM-dd hh:mm"));
}

void AgingLog::sample()
{
    const QString time = time_text();
    int regs[6];
    const int order[3] = {40, 42, 43};
    for (int fpga = 0; fpga < 2; ++fpga)
        for (int k = 0; k < 3; ++k)
            regs[fpga * 3 + k] = source.read(order[k], fpga);
    append(time, regs);
}

void AgingLog::append(const QString& time, const int regs[6])
{
    // Line: time, then per FPGA its registers 42, 40 and 43.
    QString line = time;
    for (int fpga = 0; fpga < 2; ++fpga)
        for (int k : {1, 0, 2})
            line += QLatin1Char(' ') + QString::number(regs[fpga * 3 + k]);
    factoryage_log.append(line);
    if (factoryage_log.size() > Max)
        factoryage_log.removeFirst();
    if (factoryage_log.size() < 2)
        return;
    const QStringList older = factoryage_log[factoryage_log.size() - 2].split(QLatin1Char(' '));
    const QStringList newer = factoryage_log.last().split(QLatin1Char(' '));
    const int fields[2] = {2, 5}; // register 42 of each FPGA (after the two time words)
    for (int f = 0; f < 2; ++f) {
        const int i = fields[f];
        if (older.size() <= i || newer.size() <= i)
            continue;
        const int a = older[i].toInt();
        int b = newer[i].toInt();
        if (b < a)
            b += 256;
        const int d = b - a;
        if (d <= 0)
            continue;
        AgingBands& n = bands[f];
        ++(d < 3 ? n.diff3 : d < 5 ? n.diff5 : d < 10 ? n.diff10 : d < 20 ? n.diff20 : n.diffmore);
    }
}

void AgingLog::clear()
{
    factoryage_log.clear();
    bands[0] = bands[1] = AgingBands();
}
