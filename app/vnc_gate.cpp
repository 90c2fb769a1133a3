#include "vnc_gate.h"

#include <QByteArray>
#include <QMetaObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace host {

namespace {

// The only version Qt's server speaks: a viewer that answers another is taken as this one,
// as the protocol asks of it.
const QByteArray kVersion("RFB 003.003\n");
// Server bytes before the pixel format of its init message: version, security type, size.
constexpr int kFormatAt = 12 + 4 + 4;
constexpr int kFormatSize = 16;
// A whole message is held before it is passed on; the largest is a SetEncodings of 65535.
constexpr int kMessageMax = 4 + 4 * 65535;
// What Qt's side may have queued before the viewer is read again.
constexpr qint64 kQueuedMax = 1 << 20;

// QTcpServer queues sockets of its subclasses' making only; Qt's server takes the gate's
// socket from that queue as it takes one it accepted.
struct PendingQueue : QTcpServer
{
    static void add(QTcpServer* server, QTcpSocket* socket)
    {
        (server->*&PendingQueue::addPendingConnection)(socket);
    }
};

// A pixel format Qt's server can convert to: true colour at 8, 16 or 32 bits, channels of
// at most 8 bits placed inside the pixel.
bool servable(const char* f)
{
    const int bpp = quint8(f[0]);
    if ((bpp != 8 && bpp != 16 && bpp != 32) || !f[3])
        return false;
    for (int c = 0; c < 3; ++c) {
        const int max = qFromBigEndian<quint16>(f + 4 + 2 * c);
        if (max < 1 || max > 255 || quint8(f[10 + c]) >= bpp)
            return false;
    }
    return true;
}

class Gate : public QObject
{
public:
    Gate(QTcpSocket* viewer, QTcpServer* tcp, QObject* server) : QObject(tcp), m_viewer(viewer)
    {
        m_viewer->setParent(this);
        m_viewer->setReadBufferSize(1 << 16);
        int pair[2];
        auto* inner = new QTcpSocket(tcp);
        m_qt = new QTcpSocket(this);
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0
            || !inner->setSocketDescriptor(pair[0]) || !m_qt->setSocketDescriptor(pair[1])) {
            std::fprintf(stderr, "yuqK87N: VNC: a viewer cannot be served (no local socket pair)\n");
            delete inner;
            deleteLater();
            m_viewer->abort();
            return;
        }
        connect(m_viewer, &QTcpSocket::readyRead, this, &Gate::pump);
        connect(m_qt, &QTcpSocket::bytesWritten, this, &Gate::pump);
        connect(m_qt, &QTcpSocket::readyRead, this, &Gate::fromServer);
        connect(m_viewer, &QTcpSocket::disconnected, this, &Gate::close);
        connect(m_qt, &QTcpSocket::disconnected, this, &Gate::close);
        // Qt's server lets go of its client with the connection, never of the socket.
        connect(inner, &QTcpSocket::disconnected, inner, &QObject::deleteLater);
        PendingQueue::add(tcp, inner);
        QMetaObject::invokeMethod(server, "newConnection", Qt::DirectConnection);
        pump();
    }

private:
    enum Stage { Version, Init, Format, Messages };

    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        m_viewer->abort();
        m_qt->disconnectFromHost(); // what Qt's side had queued still goes
        deleteLater();
    }

    void refuse(const char* why)
    {
        std::fprintf(stderr, "yuqK87N: VNC: a viewer sent %s; its connection is closed\n", why);
        close();
    }

    void fromServer()
    {
        const QByteArray bytes = m_qt->readAll();
        if (m_head.size() < kFormatAt + kFormatSize)
            m_head.append(bytes.left(kFormatAt + kFormatSize - m_head.size()));
        if (!m_closed)
            m_viewer->write(bytes);
        if (m_stage == Format)
            pump();
    }

    // Reads what the viewer sent, up to the bound, and passes on every whole message.
    void pump()
    {
        while (!m_closed && m_qt->bytesToWrite() < kQueuedMax) {
            if (m_in.size() < kMessageMax)
                m_in.append(m_viewer->read(kMessageMax - m_in.size()));
            int pos = 0;
            for (;;) {
                if (m_skip > 0) {
                    const int drop = int(qMin<qint64>(m_skip, m_in.size() - pos));
                    pos += drop;
                    m_skip -= drop;
                    if (m_skip > 0)
                        break;
                }
                const int used = take(m_in.constData() + pos, m_in.size() - pos);
                if (used <= 0 || m_closed)
                    break;
                pos += used;
            }
            m_in.remove(0, pos);
            if (m_closed || pos == 0 || m_viewer->bytesAvailable() == 0)
                return;
        }
    }

    // The bytes at d (n of them) that the next step of the protocol consumes: 0 while
    // incomplete.
    int take(const char* d, int n)
    {
        switch (m_stage) {
        case Version:
            if (n < 12)
                return 0;
            m_qt->write(kVersion);
            m_stage = Init;
            return 12;
        case Init:
            if (n < 1)
                return 0;
            m_qt->write(d, 1);
            m_stage = Format;
            return 1;
        case Format: {
            // Sent once the server's own format is known: it holds until the viewer sends one.
            if (m_head.size() < kFormatAt + kFormatSize)
                return 0;
            if (!m_head.startsWith(kVersion)) {
                refuse("its messages to a server of another protocol version");
                return 0;
            }
            QByteArray set(4, '\0');
            set.append(m_head.mid(kFormatAt, kFormatSize));
            m_qt->write(set);
            m_stage = Messages;
            return n > 0 ? take(d, n) : 0;
        }
        case Messages:
            break;
        }
        if (n < 1)
            return 0;
        int size = 0;
        switch (quint8(d[0])) {
        case 0: // SetPixelFormat
            size = 20;
            if (n >= size && !servable(d + 4)) {
                refuse("a pixel format the server cannot serve");
                return 0;
            }
            break;
        case 1: // FixColourMapEntries: Qt's server has no colour map; dropped whole
            if (n < 6)
                return 0;
            size = 6 + 6 * qFromBigEndian<quint16>(d + 4);
            return n >= size ? size : 0;
        case 2: // SetEncodings
            if (n < 4)
                return 0;
            size = 4 + 4 * qFromBigEndian<quint16>(d + 2);
            break;
        case 3: // FramebufferUpdateRequest
            size = 10;
            break;
        case 4: // KeyEvent
            size = 8;
            break;
        case 5: // PointerEvent
            size = 6;
            break;
        case 6: { // ClientCutText: the panel has no clipboard; the text is not passed on
            if (n < 8)
                return 0;
            m_skip = qFromBigEndian<quint32>(d + 4);
            QByteArray empty(d, 4);
            empty.append(4, '\0');
            m_qt->write(empty);
            return 8;
        }
        default:
            refuse("a message the protocol does not have");
            return 0;
        }
        if (n < size)
            return 0;
        m_qt->write(d, size);
        return size;
    }

    QTcpSocket* m_viewer;
    QTcpSocket* m_qt = nullptr;
    Stage m_stage = Version;
    QByteArray m_in;   // from the viewer, not yet passed on
    QByteArray m_head; // the server's first bytes, up to its pixel format
    qint64 m_skip = 0; // text of a ClientCutText still to drop
    bool m_closed = false;
};

} // namespace

void gate_vnc_clients(QTcpServer* tcp, QObject* server)
{
    QObject::disconnect(tcp, &QTcpServer::newConnection, server, nullptr);
    QPointer<QObject> qt(server);
    QObject::connect(tcp, &QTcpServer::newConnection, tcp, [tcp, qt] {
        QList<QTcpSocket*> viewers;
        while (tcp->hasPendingConnections())
            viewers << tcp->nextPendingConnection();
        for (QTcpSocket* v : viewers) {
            if (qt)
                new Gate(v, tcp, qt);
            else
                v->deleteLater();
        }
    });
}

} // namespace host
