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

enum Setup { SecondPanel, ReadOnlyRoot, RootIsFile, PortTaken };

struct Panel
{
    QProcess proc;
    QByteArray out;

    void start(const QString& root, const QStringList& args, const QStringList& wrap = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DEVICE_ROOT"), root);
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        proc.setProcessEnvironment(env);
        proc.setProcessChannelMode(QProcess::MergedChannels);
        QStringList all = wrap;
        all << QStringLiteral(YUQK87N) << args;
        proc.start(all.takeFirst(), all);
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

bool unshare_works()
{
    return QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}) == 0;
}

} // namespace

class TstAppStart : public QObject
{
    Q_OBJECT
private slots:
    void refused_with_a_reason_data()
    {
        QTest::addColumn<int>("setup");
        QTest::addColumn<QString>("says");
        QTest::newRow("second panel on the root") << int(SecondPanel) << "another panel (process ";
        QTest::newRow("read-only root") << int(ReadOnlyRoot) << "cannot be written";
        QTest::newRow("root is a file") << int(RootIsFile) << "not a folder";
        QTest::newRow("VNC port taken") << int(PortTaken) << "cannot be opened (Address already in use)";
    }
    void refused_with_a_reason()
    {
        QFETCH(int, setup);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QString root = dir.filePath(QStringLiteral("root"));
        QStringList args = kOffscreen;
        QStringList wrap;
        Panel first;
        QTcpServer taken;
        switch (setup) {
        case SecondPanel:
            first.start(root, kOffscreen);
            QVERIFY(first.wait_for("device root:"));
            break;
        case ReadOnlyRoot:
            QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("ro"))));
            root = dir.filePath(QStringLiteral("ro/root"));
            if (unshare_works()) {
                // A read-only bind mount in a namespace of its own: unlike a mode, root cannot pass it.
                wrap = QStringList{QStringLiteral("unshare"), QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                                   QStringLiteral("mount --bind \"$0\" \"$0\" && mount -o remount,bind,ro \"$0\" \"$0\" && exec \"$@\""),
                                   dir.filePath(QStringLiteral("ro"))};
            } else if (::geteuid() != 0) {
                QFile::setPermissions(dir.filePath(QStringLiteral("ro")), QFile::ReadOwner | QFile::ExeOwner);
            } else {
                QSKIP("no way to make a read-only folder here (no user namespaces, running as root)");
            }
            break;
        case RootIsFile: {
            QFile f(dir.filePath(QStringLiteral("file")));
            QVERIFY(f.open(QIODevice::WriteOnly));
            root = dir.filePath(QStringLiteral("file/root"));
            break;
        }
        case PortTaken:
            QVERIFY(taken.listen(QHostAddress::LocalHost));
            args = QStringList{QStringLiteral("-platform"),
                               QStringLiteral("vnc:size=320x240:port=%1").arg(taken.serverPort())};
            break;
        }
        Panel p;
        p.start(root, args, wrap);
        QCOMPARE(p.finish(), 1);
        const QString out = QString::fromLocal8Bit(p.out);
        QVERIFY2(out.contains(says), qPrintable(out));
        QVERIFY2(!out.contains(QStringLiteral("No such file")), qPrintable(out));
        if (setup == PortTaken)
            QVERIFY2(out.contains(QString::number(taken.serverPort())), qPrintable(out));
        else
            QVERIFY2(out.contains(root.section(QLatin1Char('/'), 0, -2)), qPrintable(out));
    }

    void lock_released_when_the_panel_dies()
    {
        QTemporaryDir dir;
        const QString root = dir.filePath(QStringLiteral("root"));
        {
            Panel first;
            first.start(root, kOffscreen);
            QVERIFY(first.wait_for("device root:"));
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
