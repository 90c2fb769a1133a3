#include "rfb_filter.h"

#include <QtEndian>

namespace host {

namespace {

// The only version Qt's server speaks: a viewer that answers another is taken as this one,
// as the protocol asks of it.
const char kVersion[] = "RFB 003.003\n";
constexpr int kVersionSize = 12;
// Server bytes before the pixel format of its init message: version, security type, size.
constexpr int kFormatAt = kVersionSize + 4 + 4;
constexpr int kFormatSize = 16;

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

} // namespace

void RfbFilter::server_sent(const QByteArray& bytes)
{
    if (m_head.size() < kFormatAt + kFormatSize)
        m_head.append(bytes.left(kFormatAt + kFormatSize - m_head.size()));
}

QByteArray RfbFilter::take(QByteArray* in)
{
    QByteArray out;
    int pos = 0;
    m_request = false;
    while (!m_refusal && !m_request) {
        if (m_skip > 0) {
            const int drop = int(qMin<qint64>(m_skip, in->size() - pos));
            pos += drop;
            m_skip -= drop;
            if (m_skip > 0)
                break;
        }
        const int used = step(in->constData() + pos, in->size() - pos, &out);
        if (used <= 0)
            break;
        pos += used;
    }
    in->remove(0, pos);
    return out;
}

// Qt's server keeps a viewer that asked for the cursor pseudo-encoding in its list of
// cursor clients after the viewer left (the next cursor change writes to it), and draws a
// cursor into every frame once the last such client left: it never sees the encoding.
void RfbFilter::set_encodings(const char* d, int size, QByteArray* out)
{
    constexpr qint32 kCursor = -239;
    const int at = out->size();
    out->append(d, 4);
    quint16 kept = 0;
    for (int i = 4; i < size; i += 4) {
        if (qFromBigEndian<qint32>(d + i) != kCursor) {
            out->append(d + i, 4);
            ++kept;
        }
    }
    qToBigEndian(kept, out->data() + at + 2);
}

// The bytes at d (n of them) that the next step consumes, its output appended to *out:
// 0 while incomplete.
int RfbFilter::step(const char* d, int n, QByteArray* out)
{
    switch (m_stage) {
    case Version:
        if (n < kVersionSize)
            return 0;
        out->append(kVersion, kVersionSize);
        m_stage = Init;
        return kVersionSize;
    case Init:
        if (n < 1)
            return 0;
        out->append(d, 1);
        m_stage = Format;
        return 1;
    case Format:
        // Sent once the server's own format is known: it holds until the viewer sends one.
        if (m_head.size() < kFormatAt + kFormatSize)
            return 0;
        if (!m_head.startsWith(kVersion)) {
            m_refusal = "its messages to a server of another protocol version";
            return 0;
        }
        out->append(4, '\0');
        out->append(m_head.mid(kFormatAt, kFormatSize));
        m_stage = Messages;
        return step(d, n, out);
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
            m_refusal = "a pixel format the server cannot serve";
            return 0;
        }
        break;
    case 1: // FixColourMapEntries: Qt's server has no colour map; dropped whole
        if (n < 6)
            return 0;
        size = 6 + 6 * qFromBigEndian<quint16>(d + 4);
        if (size > MessageMax) {
            m_refusal = "a message longer than the filter holds";
            return 0;
        }
        return n >= size ? size : 0;
    case 2: // SetEncodings
        if (n < 4)
            return 0;
        size = 4 + 4 * qFromBigEndian<quint16>(d + 2);
        if (n >= size)
            set_encodings(d, size, out);
        return n >= size ? size : 0;
    case 3: // FramebufferUpdateRequest: Qt's server may answer it at once with a whole frame
        if (n < 10)
            return 0;
        out->append(d, 10);
        m_request = true;
        return 10;
    case 4: // KeyEvent
        size = 8;
        break;
    case 5: // PointerEvent
        size = 6;
        break;
    case 6: // ClientCutText: the panel has no clipboard; the text is not passed on
        if (n < 8)
            return 0;
        m_skip = qFromBigEndian<quint32>(d + 4);
        out->append(d, 4);
        out->append(4, '\0');
        return 8;
    default:
        m_refusal = "a message the protocol does not have";
        return 0;
    }
    if (n < size)
        return 0;
    out->append(d, size);
    return size;
}

} // namespace host
