#pragma once
// Stands between VNC viewers and Qt's VNC server. Qt's server takes a viewer's pixel
// format for set before the viewer sent one (RFB lets a viewer keep the server's), and
// then writes frames from memory never filled in; it also trusts every length a viewer
// sends. Each viewer is therefore relayed through a pair of local sockets: the gate tells
// Qt's server, first thing, the server's own pixel format, passes on only whole messages
// of the protocol's client types, and closes the viewer that sends anything else.
class QObject;
class QTcpServer;

namespace host {

// From now on the connections `tcp` accepts reach Qt's VNC server `server` through the gate.
void gate_vnc_clients(QTcpServer* tcp, QObject* server);

} // namespace host
