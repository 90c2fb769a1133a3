#include "vnc_gate.h"

#include "rfb_filter.h"

#include <QByteArray>
#include <QMetaObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <cstdio>
#include <sys/socket.h>

namespace host {

namespace {

// What may wait to be written to a viewer before its messages (its frame requests) are
// held back: a few raw frames of 320x240 at 32 bits.
constexpr qint64 kToViewerMax = 1 << 20;

// QTcpServer queues sockets of its subclasses' making only; Qt's server takes the gate's
// socket from that queue as it takes one it accepted.
struct PendingQueue : QTcpServer
{
    static void add(QTcpServer* server, QTcpSocket* socket)
    {
        (server->*&PendingQueue::addPendingConnection)(socket);
    }
};

class Gate : public QObject
{
public:
    Gate(QTcpSocket* viewer, QTcpServer* tcp, QObject* server) : QObject(tcp), m_viewer(viewer)
    {
        m_viewer->setParent(this);
        m_viewer->setReadBufferSize(1 << 16);
        // Small frames go at once, not after the viewer's delayed acknowledgement.
        m_viewer->setSocketOption(QAbstractSocket::LowDelayOption, 1);
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
        connect(m_viewer, &QTcpSocket::bytesWritten, this, &Gate::pump);
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
    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        m_viewer->abort();
        m_qt->disconnectFromHost(); // what Qt's side had queued still goes
        deleteLater();
    }

    void fromServer()
    {
        const QByteArray bytes = m_qt->readAll();
        m_filter.server_sent(bytes);
        if (!m_closed)
            m_viewer->write(bytes);
        pump(); // the viewer's messages may wait for the server's pixel format
    }

    // Reads what the viewer sent and passes on its whole steps, up to a frame request at a
    // time: the next once Qt's side took these and while the viewer takes its frames. A
    // viewer held back still has bytes to be written to it, so its end is seen.
    void pump()
    {
        while (!m_closed && m_qt->bytesToWrite() == 0 && m_viewer->bytesToWrite() < kToViewerMax) {
            if (m_in.size() < RfbFilter::MessageMax)
                m_in.append(m_viewer->read(RfbFilter::MessageMax - m_in.size()));
            const int held = m_in.size();
            const QByteArray out = m_filter.take(&m_in);
            if (!out.isEmpty())
                m_qt->write(out);
            if (m_filter.refusal()) {
                std::fprintf(stderr, "yuqK87N: VNC: a viewer sent %s; its connection is closed\n",
                             m_filter.refusal());
                close();
                return;
            }
            if (m_in.size() == held || m_viewer->bytesAvailable() == 0)
                return;
        }
    }

    QTcpSocket* m_viewer;
    QTcpSocket* m_qt = nullptr;
    RfbFilter m_filter;
    QByteArray m_in; // from the viewer, not yet passed on
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
