// The control channel of the simulated device: commands, refusals, FIFO.
#include "hwtest.h"

#include "platform/devpath.h"
#include "sim/control.h"
#include "sim/sim_cards.h"

#include <QTemporaryFile>
#include <QtTest>
#include <atomic>
#include <cstdio>
#include <functional>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

using namespace hwtest;

namespace {
// What f printed on stdout.
QString printed(const std::function<void()>& f)
{
    std::fflush(stdout);
    QTemporaryFile out;
    out.open();
    const int saved = ::dup(1);
    ::dup2(out.handle(), 1);
    f();
    std::fflush(stdout);
    ::dup2(saved, 1);
    ::close(saved);
    out.seek(0);
    return QString::fromLocal8Bit(out.readAll());
}
} // namespace

class TstSimControl : public QObject
{
    Q_OBJECT
private slots:
    void bad_lines_change_nothing()
    {
        YuqRamPara* p = fresh();
        sim::set_panel_ready(true);
        unsigned char before[RAM_PARA_SIZE];
        std::memcpy(before, p->ram_para, sizeof before);
        for (const char* line : {"hello", "input 6 off", "input 1 0 1080 60", "port 21 off", "fpga 2 down", "screenshot"})
            QVERIFY2(!sim::run_control_line(QString::fromLatin1(line)), line);
        QVERIFY(std::memcmp(before, p->ram_para, sizeof before) == 0);
        QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
        QCOMPARE(sim::fpga(0).done(), true);
        // A screenshot without a panel is refused too.
        sim::set_screenshot_hook(nullptr);
        QVERIFY(!sim::run_control_line("screenshot /x.png"));
    }

    // "cards bad" goes to its own command, not to "cards" with words over.
    void cards_bad_marks_one_card()
    {
        fresh();
        auto cards = SimCards::instance();
        cards->restore();
        QVERIFY(sim::run_control_line("cards bad 1 6"));
        QVERIFY(!sim::run_control_line("cards bad 1 7"));
        QCOMPARE(cards->needs_recovery(0), 5);
        cards->restore();
    }

    void fifo_lines_act()
    {
        fresh();
        sim::set_panel_ready(true);
        // Set on the FIFO's reader thread, read here.
        std::atomic<bool> shot{false};
        QString shotPath;
        sim::set_screenshot_hook([&](const QString& path) {
            shotPath = path;
            shot = true;
            return QString();
        });
        sim::start_control_fifo();
        const QByteArray fifo = platform::dev_path("/sim/control").toLocal8Bit();
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
        QVERIFY(fd >= 0);
        const char lines[] = "nonsense\nfpga 0 down\nscreenshot /shots/a.png\n";
        QCOMPARE(::write(fd, lines, sizeof lines - 1), ssize_t(sizeof lines - 1));
        ::close(fd);
        QTRY_VERIFY(shot.load());
        QCOMPARE(shotPath, platform::dev_path("/shots/a.png"));
        QVERIFY(!sim::fpga(0).done());
        sim::stop_control_fifo();
        sim::set_screenshot_hook(nullptr);
    }

    // However an overlong line arrives, it is dropped whole (with one trace) and the line
    // after it runs.
    void overlong_lines_dropped_whole_data()
    {
        QTest::addColumn<QList<QByteArray>>("pieces");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<int>("drops"); // one trace each
        const QByteArray big(sim::kControlLineMax + 1, 'x');
        const QByteArray tail = "\nport 1 off\n";
        const QByteArray fits = QByteArray(sim::kControlLineMax - 4, ' ') + "pc x";
        QTest::newRow("tail later") << QList<QByteArray>{big, "fpga 0 down", tail} << QStringList{"port 1 off"} << 1;
        QTest::newRow("at the limit") << QList<QByteArray>{fits + "\n", "a\nb"} << QStringList{"pc x", "a"} << 0;
        QTest::newRow("two in a row") << QList<QByteArray>{big, big, big + "\n" + big + "\nkey M\n"} << QStringList{"key M"} << 2;
    }
    void overlong_lines_dropped_whole()
    {
        QFETCH(QList<QByteArray>, pieces);
        QFETCH(QStringList, lines);
        QFETCH(int, drops);
        sim::ControlLines reader;
        QStringList got;
        const QString out = printed([&] {
            for (const QByteArray& p : pieces) {
                got << reader.take(p);
                QVERIFY(reader.pending().size() <= sim::kControlLineMax);
            }
        });
        QCOMPARE(got, lines);
        QCOMPARE(out.count("line over 4096 bytes dropped"), drops);
    }

    // The screenshot's echo names the host file; a refusal or a write error names the
    // device path and the host path.
    void screenshot_traces_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("hookError");
        QTest::addColumn<QString>("trace"); // %1: the host path
        QTest::newRow("written") << "screenshot /shots/a.png" << "" << "sim control: screenshot /shots/a.png (host %1)";
        QTest::newRow("write error") << "screenshot /shots/a.png" << "No space left on device"
                                     << "sim control: screenshot /shots/a.png (host %1): No space left on device";
        QTest::newRow("device file") << "screenshot /data/a.png" << ""
                                     << "screenshot /data/a.png (host %1): /data holds the device's own files";
    }
    void screenshot_traces()
    {
        QFETCH(QString, line);
        QFETCH(QString, hookError);
        QFETCH(QString, trace);
        fresh();
        sim::set_panel_ready(true);
        sim::set_screenshot_hook([&](const QString&) { return hookError; });
        const QString out = printed([&] { sim::run_control_line(line); });
        const QString host = platform::dev_path(line.section(' ', 1));
        QVERIFY2(out.contains(trace.arg(host)), qPrintable(out));
        sim::set_screenshot_hook(nullptr);
    }

    // Key and screenshot lines that come before the panel wait for it, in order, instead of
    // being refused; other commands are not held for them once they run.
    void panel_commands_wait_for_the_panel()
    {
        fresh();
        sim::set_panel_ready(false);
        std::atomic<int> ran{0};
        sim::register_control_command("test panel", "test panel", [&](const QStringList&) {
            ++ran;
            return true;
        }, true);
        std::atomic<bool> ok{false};
        std::thread reader([&] { ok = sim::run_control_line("test panel"); });
        QTest::qWait(100);
        QCOMPARE(ran.load(), 0);
        QVERIFY(sim::run_control_line("port 1 off")); // a command without the panel runs
        sim::set_panel_ready(true);
        reader.join();
        QVERIFY(ok.load());
        QCOMPARE(ran.load(), 1);
    }

    void echo_is_escaped()
    {
        // Binary from the FIFO must not reach the terminal raw.
        fresh();
        const QByteArray out = printed([] {
            sim::run_control_line(QString::fromUtf8("ab\x01\x1b[2J\xff"));
            sim::run_control_line(QStringLiteral("port 1\ton"));
        }).toUtf8();
        QVERIFY2(out.contains("\"ab\\x01\\x1b[2J\\ufffd\""), out.constData());
        QVERIFY2(out.contains("port 1\\x09on"), out.constData());
        for (char c : out)
            QVERIFY2(c == '\n' || (uchar(c) >= 0x20 && uchar(c) < 0x7f), out.constData());
    }
};

QTEST_GUILESS_MAIN(TstSimControl)
#include "tst_sim_control.moc"
