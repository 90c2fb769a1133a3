#pragma once
// The program as a user starts it, in a process of its own, and what the tests do with it
// through its output and its control FIFO.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTcpServer>
#include <QThread>
#include <QtTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct Panel
{
    QProcess proc;
    QByteArray out;

    void start(const QString& root, const QStringList& args, const QString& program = QStringLiteral(YUQK87N))
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DEVICE_ROOT"), root);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        proc.setProcessEnvironment(env);
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(program, args);
        QVERIFY(proc.waitForStarted());
    }
    // Reads output until `text` shows (`times` times) or the process ends.
    bool wait_for(const QByteArray& text, int times = 1, int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (out.count(text) < times && t.elapsed() < ms && proc.state() != QProcess::NotRunning) {
            proc.waitForReadyRead(200);
            out += proc.readAll();
        }
        out += proc.readAll();
        return out.count(text) >= times;
    }
    // Writes `line` into the control FIFO once it is there and read; false when it is not.
    static bool write_line(const QString& root, const QByteArray& line)
    {
        const QByteArray fifo = QFile::encodeName(root + QStringLiteral("/sim/control"));
        const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        struct stat st;
        bool sent = false;
        if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode))
            sent = ::write(fd, line.constData(), size_t(line.size())) == line.size();
        if (fd >= 0)
            ::close(fd);
        return sent;
    }
    // True once the panel answers a screenshot through its control FIFO.
    static bool answers(const QString& root)
    {
        const QString shot = root + QStringLiteral("/tmp/ready.png");
        QFile::remove(shot);
        QElapsedTimer t;
        t.start();
        bool sent = false;
        while (t.elapsed() < 20000) {
            if (!sent)
                sent = write_line(root, "screenshot /tmp/ready.png\n");
            if (QFileInfo(shot).size() > 0)
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    int finish()
    {
        if (!proc.waitForFinished(20000))
            proc.kill();
        out += proc.readAll();
        return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
    }
    ~Panel()
    {
        // A failed check shows what the panel said last (a sanitizer's report among it): a
        // check's own message is cut at about 1,000 characters.
        if (QTest::currentTestFailed()) {
            wait_for("\x01", 1, 500);
            qWarning().noquote() << "the panel's output, its end:\n" << out.right(6000);
        }
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished();
        }
    }
};

// A local port free at this moment.
inline quint16 free_local_port()
{
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost) ? probe.serverPort() : 0;
}

// A file's bytes (empty when it cannot be read).
inline QByteArray file_bytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// From the standby screen of a fresh panel: English, the USB upgrade screen.
inline void open_usb_upgrade(const QString& root)
{
    QByteArray lines = "language en\n";
    for (const char* k : {"ok", "right", "right", "right", "ok", "right", "right", "right", "ok", "right", "right", "ok"})
        lines += QByteArray("key ") + k + '\n';
    QVERIFY(Panel::write_line(root, lines));
    QVERIFY(Panel::answers(root));
}

// On a freshly started panel: the USB upgrade screen, the sample stick in once the watcher
// listens, and OK until the application's copy starts; *params: the parameter file just
// before. The reboot follows 3 s after the install.
inline void install_sample_application(Panel& p, const QString& root, QByteArray* params = nullptr)
{
    QVERIFY2(Panel::answers(root), p.out.constData());
    open_usb_upgrade(root);
    if (params) {
        // The language's write-back lands after the screenshot: the file as it settles, the
        // same over a second.
        const QString ram = root + QStringLiteral("/data/ram_device_info");
        *params = file_bytes(ram);
        QElapsedTimer settled;
        settled.start();
        for (int i = 0; i < 100 && settled.elapsed() < 1000; ++i) {
            QThread::msleep(100);
            const QByteArray now = file_bytes(ram);
            if (now != *params) {
                *params = now;
                settled.restart();
            }
        }
    }
    // The stick goes in once the watcher listens (some 14 s after the start); then the
    // screen lists its packages and OK installs the application.
    QVERIFY(Panel::write_line(root, "stick in " YUQ_SOURCE_DIR "/sim/samples/upgrade_stick\n"));
    QVERIFY2(p.wait_for("app_v2.1.YUQ\"", 1, 40000), p.out.right(2000).constData());
    // The stick's tip may hold the first OK.
    for (int i = 0; i < 10 && !p.wait_for("shell: cp ", 1, 1000); ++i)
        QVERIFY(Panel::write_line(root, "key ok\n"));
    QVERIFY2(p.out.contains("shell: cp "), p.out.right(2000).constData());
}
