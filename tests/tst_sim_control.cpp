// The control channel of the simulated device: commands, refusals, registration, FIFO.
#include "hwtest.h"

#include "platform/devpath.h"
#include "sim/control.h"

#include <QtTest>
#include <atomic>
#include <fcntl.h>
#include <unistd.h>

using namespace hwtest;

class TstSimControl : public QObject
{
    Q_OBJECT
private slots:
    void bad_lines_change_nothing()
    {
        YuqRamPara* p = fresh();
        unsigned char before[RAM_PARA_SIZE];
        std::memcpy(before, p->ram_para, sizeof before);
        const char* bad[] = {"", "hello", "input 6 off", "input 1 1920 1080", "input 1 0 1080 60",
                             "input x off", "port 0 on", "port 21 off", "port 3 maybe", "fpga 2 down",
                             "fpga 0 sideways", "pc", "screenshot"};
        for (const char* line : bad)
            QVERIFY2(!sim::run_control_line(QString::fromLatin1(line)), line);
        QVERIFY(std::memcmp(before, p->ram_para, sizeof before) == 0);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
        QCOMPARE(sim::fpga(0).done(), true);
        // A screenshot without a panel is refused too.
        sim::set_screenshot_hook(nullptr);
        QVERIFY(!sim::run_control_line("screenshot /x.png"));
    }

    void registration_takes_the_longest_match()
    {
        fresh();
        QStringList got;
        sim::register_control_command("pc update", "pc update start|end", [&](const QStringList& a) {
            got = a;
            return a.size() == 1;
        });
        QVERIFY(sim::run_control_line("pc update start"));
        QCOMPARE(got, QStringList{"start"});
        QVERIFY(!sim::run_control_line("pc update"));
        sim::register_control_command("pc", "pc X", [](const QStringList&) { return true; });
        QVERIFY(sim::run_control_line("pc busy off")); // the shorter command takes the rest
    }

    void fifo_lines_act()
    {
        fresh();
        // Set on the FIFO's reader thread, read here.
        std::atomic<bool> shot{false};
        QString shotPath;
        sim::set_screenshot_hook([&](const QString& path) {
            shotPath = path;
            shot = true;
            return true;
        });
        sim::start_control_fifo();
        const QByteArray fifo = platform::dev_path("/sim/control").toLocal8Bit();
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const char lines[] = "port 1 off\nnonsense\nfpga 0 down\nscreenshot /shots/a.png\n";
        QCOMPARE(::write(fd, lines, sizeof lines - 1), ssize_t(sizeof lines - 1));
        ::close(fd);
        QTRY_VERIFY(shot.load());
        QCOMPARE(shotPath, platform::dev_path("/shots/a.png"));
        QVERIFY(!sim::fpga(0).done());
        sim::stop_control_fifo();
        sim::set_screenshot_hook(nullptr);
    }
};

QTEST_GUILESS_MAIN(TstSimControl)
#include "tst_sim_control.moc"
