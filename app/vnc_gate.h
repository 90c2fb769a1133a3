#pragma once
// Stands between VNC viewers and Qt's VNC server: each viewer is relayed through a pair of
// local sockets and what it sends through an RfbFilter (see there why); a viewer the
// filter refuses is closed.
class QObject;
class QTcpServer;

namespace host {

// From now on the connections `tcp` accepts reach Qt's VNC server `server` through the gate.
void gate_vnc_clients(QTcpServer* tcp, QObject* server);

} // namespace host
