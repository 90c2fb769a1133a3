// The program as a user starts it: what stops it says why and exits non-zero; a running
// panel keeps its device root and its VNC port to itself.
#include <QNetworkInterface>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <unistd.h>

namespace {

struct Panel
{
    QProcess proc;
    QByteArray out;

    void start(const QString& root, const QStringList& args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DEVICE_ROOT"), root);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        proc.setProcessEnvironment(env);
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(QStringLiteral(YUQK87N), args);
        QVERIFY(proc.waitForStarted());
    }
    // Reads output until `text` shows or the process ends.
    bool wait_for(const QByteArray& text, int ms = 20000)
    {
        QElapsedTimer t;
        t.start();
        while (!out.contains(text) && t.elapsed() < ms) {
            if (proc.state() == QProcess::NotRunning)
                break;
            proc.waitForReadyRead(200);
            out += proc.readAll();
        }
        out += proc.readAll();
        return out.contains(text);
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
        if (proc.state() != QProcess::NotRunning) {
            proc.kill();
            proc.waitForFinished();
        }
    }
};

const QStringList kOffscreen{QStringLiteral("-platform"), QStringLiteral("offscreen")};

} // namespace

class TstAppStart : public QObject
{
    Q_OBJECT
private slots:
    // A root that cannot be a folder or a taken VNC port stops the panel with a message
    // naming them (not a bare "No such file") and exit status 1.
    void refused_with_a_reason_data()
    {
        QTest::addColumn<bool>("portTaken");
        QTest::addColumn<QString>("says");
        QTest::newRow("root is a file") << false << "not a folder";
        QTest::newRow("VNC port taken") << true << "cannot be opened (Address already in use)";
    }
    void refused_with_a_reason()
    {
        QFETCH(bool, portTaken);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QFile f(dir.filePath(QStringLiteral("file")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        QString root = dir.filePath(QStringLiteral("file/root"));
        QStringList args = kOffscreen;
        QTcpServer taken;
        if (portTaken) {
            root = dir.filePath(QStringLiteral("root"));
            QVERIFY(taken.listen(QHostAddress::LocalHost));
            args = QStringList{QStringLiteral("-platform"),
                               QStringLiteral("vnc:size=320x240:port=%1").arg(taken.serverPort())};
        }
        Panel p;
        p.start(root, args);
        QCOMPARE(p.finish(), 1);
        const QString out = QString::fromLocal8Bit(p.out);
        QVERIFY2(out.contains(says), qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("No such file")), qPrintable(out));
        const QString named = portTaken ? QString::number(taken.serverPort()) : dir.filePath(QStringLiteral("file"));
        QVERIFY2(out.contains(named), qPrintable(out));
    }

    // One panel per device root; the lock goes with a killed panel.
    void one_panel_per_root_until_it_dies()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        {
            Panel first;
            first.start(root, kOffscreen);
            QVERIFY(first.wait_for("device root:"));
            Panel second;
            second.start(root, kOffscreen);
            QCOMPARE(second.finish(), 1);
            QVERIFY2(second.out.contains("another panel (process "), second.out.constData());
            // A pid of 0 would be this test's whole process group.
            const qint64 pid = first.proc.processId();
            QVERIFY(pid > 0);
            ::kill(pid_t(pid), SIGKILL);
            first.finish();
        }
        Panel again;
        again.start(root, kOffscreen);
        QVERIFY2(again.wait_for("device root:"), again.out.constData());
        QVERIFY(again.proc.state() == QProcess::Running);
    }

    void vnc_on_localhost_only()
    {
        QTcpServer probe; // a free port
        QVERIFY(probe.listen(QHostAddress::LocalHost));
        const quint16 port = probe.serverPort();
        probe.close();
        QTemporaryDir dir;
        Panel p;
        p.start(dir.filePath(QStringLiteral("root")),
                {QStringLiteral("-platform"), QStringLiteral("vnc:size=320x240:port=%1").arg(port)});
        QVERIFY2(p.wait_for("VNC: the panel is served at 127.0.0.1 port"), p.out.constData());
        QTcpSocket local;
        local.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(local.waitForConnected(3000));
        QVERIFY(local.waitForReadyRead(3000));
        QVERIFY(local.readAll().startsWith("RFB "));
        for (const QHostAddress& a : QNetworkInterface::allAddresses()) {
            if (a.isLoopback() || a.protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            QTcpSocket outside;
            outside.connectToHost(a, port);
            QVERIFY2(!outside.waitForConnected(1000), qPrintable(a.toString()));
        }
    }
};

QTEST_GUILESS_MAIN(TstAppStart)
#include "tst_app_start.moc"
