#pragma once
// What a VNC viewer sends, cut into the steps of the protocol before it reaches Qt's VNC
// server. Qt's server takes a viewer's pixel format for set before the viewer sent one
// (RFB lets a viewer keep the server's) and then writes frames from memory never filled
// in; it also trusts every length a viewer sends. The filter therefore answers Qt's server
// in the one version it speaks, tells it its own pixel format first thing, and passes on
// only whole messages of the protocol's client types, with a pixel format it can serve,
// no clipboard text and no cursor encoding; anything else refuses the viewer.
#include <QByteArray>

namespace host {

class RfbFilter
{
public:
    // A whole message is held before it is passed on; the largest is a SetEncodings of 65535.
    static constexpr int MessageMax = 4 + 4 * 65535;

    // The server's bytes as they go to the viewer: its first ones hold its pixel format.
    void server_sent(const QByteArray& bytes);
    // Takes the whole steps at the front of *in (what the viewer sent and nobody took yet)
    // off it and returns what Qt's server gets for them, up to the first
    // FramebufferUpdateRequest: Qt's server answers each with a frame at once, so the
    // caller may hold the next until the viewer took the frames.
    QByteArray take(QByteArray* in);
    // Why the viewer is refused; null while it keeps to the protocol.
    const char* refusal() const { return m_refusal; }

private:
    int step(const char* d, int n, QByteArray* out);
    void set_encodings(const char* d, int size, QByteArray* out);

    enum Stage { Version, Init, Format, Messages };
    Stage m_stage = Version;
    QByteArray m_head;  // the server's first bytes, up to its pixel format
    qint64 m_skip = 0;  // text of a ClientCutText still to drop
    const char* m_refusal = nullptr;
    bool m_request = false; // the step taken last was a FramebufferUpdateRequest
};

} // namespace host
