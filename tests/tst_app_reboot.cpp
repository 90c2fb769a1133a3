// The simulated reboot that follows an application installed from a stick: what was
// written to the control FIFO meanwhile runs, and a program file that cannot start again
// ends the panel as a board that cannot start its application is down.
#include "panelprocess.h"

#include <QTemporaryDir>
#include <atomic>
#include <csignal>
#include <thread>

namespace {
const QStringList kOffscreen{QStringLiteral("-platform"), QStringLiteral("offscreen")};

// A panel on a fresh root that has just installed the sample application: the reboot
// follows.
struct Installed
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("root"));
    Panel p;
    Installed()
    {
        p.start(root, kOffscreen);
        install_sample_application(p, root);
    }
};
} // namespace

class TstAppReboot : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { std::signal(SIGPIPE, SIG_IGN); }

    // Lines written 20 ms apart from before the reboot until after the new program reads:
    // every write goes through and every line runs, once, in order.
    void lines_written_across_a_reboot_all_run()
    {
        Installed i;
        if (QTest::currentTestFailed())
            return;
        Panel& p = i.p;
        const QString& root = i.root;
        const int fd = ::open(QFile::encodeName(root + QStringLiteral("/sim/control")).constData(), O_WRONLY | O_CLOEXEC);
        QVERIFY(fd >= 0);
        constexpr int kLines = 300;
        std::atomic<int> written{0};
        std::thread writer([&] {
            for (int i = 0; i < kLines; ++i) {
                const QByteArray line = QStringLiteral("clock 2030-01-01 00:%1:%2\n").arg(i / 60, 2, 10, QLatin1Char('0'))
                                            .arg(i % 60, 2, 10, QLatin1Char('0')).toLatin1();
                if (::write(fd, line.constData(), size_t(line.size())) == line.size())
                    ++written;
                QThread::msleep(20);
            }
        });
        const bool rebooted = p.wait_for("device root:", 2, 30000);
        writer.join();
        ::close(fd);
        QVERIFY2(rebooted, p.out.right(2000).constData());
        QCOMPARE(written.load(), kLines);
        QVERIFY2(p.wait_for("sim control: clock 2030-", kLines), p.out.right(3000).constData());
        const QByteArray echoed = p.out.mid(p.out.indexOf("sim control: clock 2030-"));
        int from = 0;
        for (int i = 0; i < kLines; ++i) {
            const QByteArray line = QStringLiteral("sim control: clock 2030-01-01 00:%1:%2\n").arg(i / 60, 2, 10, QLatin1Char('0'))
                                        .arg(i % 60, 2, 10, QLatin1Char('0')).toLatin1();
            from = echoed.indexOf(line, from);
            QVERIFY2(from >= 0, line.constData());
        }
    }

    // An overlong line cut by the reboot: what the next program reads up to its newline is
    // still that line's and is dropped; the line after it runs.
    void overlong_line_across_the_reboot_runs_no_tail()
    {
        Installed i;
        if (QTest::currentTestFailed())
            return;
        Panel& p = i.p;
        const QString& root = i.root;
        QVERIFY(Panel::write_line(root, "pc barcode " + QByteArray(5000, 'x')));
        QVERIFY2(p.wait_for("line over 4096 bytes dropped"), p.out.right(2000).constData());
        QVERIFY2(p.wait_for("device root:", 2, 30000), p.out.right(2000).constData());
        QVERIFY(Panel::write_line(root, " pc barcode TAIL\npc barcode NEXT\n"));
        QVERIFY2(p.wait_for("sim control: pc barcode NEXT"), p.out.right(2000).constData());
        QVERIFY2(!p.out.contains("TAIL"), p.out.right(2000).constData());
    }

    // The program file gone when the reboot comes: the panel says which file and why, ends
    // with status 1 and leaves the parameter file as it was; the next start is clean.
    void failed_reboot_ends_the_panel()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        const QString program = dir.filePath(QStringLiteral("yuqK87N"));
        QVERIFY(QFile::copy(QStringLiteral(YUQK87N), program));
        Panel p;
        p.start(root, kOffscreen, program);
        QVERIFY2(Panel::answers(root), p.out.constData());
        QVERIFY(QFile::remove(program));
        const QString ram = root + QStringLiteral("/data/ram_device_info");
        QByteArray before;
        install_sample_application(p, root, &before);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(p.finish(), 1);
        QVERIFY2(p.out.contains(QStringLiteral("reboot: %1").arg(program).toLocal8Bit()), p.out.right(2000).constData());
        QVERIFY2(p.out.contains("cannot be started again (No such file or directory): the simulated device is down"),
                 p.out.right(2000).constData());
        QCOMPARE(file_bytes(ram), before);
        Panel again;
        again.start(root, kOffscreen);
        QVERIFY2(Panel::answers(root), again.out.constData());
    }
};

QTEST_GUILESS_MAIN(TstAppReboot)
#include "tst_app_reboot.moc"
