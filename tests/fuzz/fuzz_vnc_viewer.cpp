// What a VNC viewer sends, through the filter in front of Qt's VNC server: whatever the
// bytes and however they are cut, Qt's server gets the handshake, its own pixel format,
// then only whole messages of the client types it handles, with no cursor encoding, the
// same for every cut.
#include "app/rfb_filter.h"

#include <QtEndian>
#include <cstdlib>
#include <cstring>

namespace {

// Qt's server at 32 bits per pixel, as it answers a viewer.
QByteArray server_head()
{
    QByteArray h("RFB 003.003\n");
    h.append(QByteArray::fromHex("00000001" "014000f0" "2020000100ff00ff00ff100800000000" "00000004"));
    return h + "test";
}

// All that the filter passes on of *in now (it stops at each frame request).
QByteArray take_all(host::RfbFilter& f, QByteArray* in)
{
    QByteArray out;
    for (QByteArray step = f.take(in); !step.isEmpty(); step = f.take(in))
        out += step;
    return out;
}

QByteArray run(const QByteArray& viewer, int cut, const char** refusal)
{
    host::RfbFilter f;
    QByteArray in, out;
    for (int at = 0; at < viewer.size(); at += cut) {
        in.append(viewer.mid(at, cut));
        out += take_all(f, &in);
        if (at == 0)
            f.server_sent(server_head()); // the server answers after the viewer's first bytes
        out += take_all(f, &in);
    }
    if (viewer.isEmpty())
        f.server_sent(server_head());
    *refusal = f.refusal();
    return out;
}

void check(const QByteArray& out)
{
    const char* d = out.constData();
    const int n = out.size();
    if (n == 0)
        return;
    if (n < 12 || std::memcmp(d, "RFB 003.003\n", 12) != 0)
        std::abort();
    int pos = 13;
    if (n <= 13)
        return;
    // The server's own format first.
    if (n < pos + 20 || d[pos] != 0 || out.mid(pos + 4, 16) != server_head().mid(20, 16))
        std::abort();
    pos += 20;
    while (pos < n) {
        const int left = n - pos;
        int size = 0;
        switch (quint8(d[pos])) {
        case 0: {
            size = 20;
            const int bpp = left >= 5 ? quint8(d[pos + 4]) : 0;
            if (left < size || (bpp != 8 && bpp != 16 && bpp != 32) || !d[pos + 7])
                std::abort();
            break;
        }
        case 2:
            size = left >= 4 ? 4 + 4 * qFromBigEndian<quint16>(d + pos + 2) : 4;
            for (int e = pos + 4; e + 4 <= pos + size && e + 4 <= n; e += 4)
                if (qFromBigEndian<qint32>(d + e) == -239)
                    std::abort();
            break;
        case 3: size = 10; break;
        case 4: size = 8; break;
        case 5: size = 6; break;
        case 6:
            size = 8;
            if (left < 8 || qFromBigEndian<quint32>(d + pos + 4) != 0)
                std::abort();
            break;
        default: std::abort();
        }
        if (left < size)
            std::abort();
        pos += size;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const int cut = 1 + data[0] % 64;
    const QByteArray viewer(reinterpret_cast<const char*>(data + 1), int(size - 1));
    const char* whole = nullptr;
    const char* pieces = nullptr;
    const QByteArray a = run(viewer, viewer.size() + 1, &whole);
    const QByteArray b = run(viewer, cut, &pieces);
    check(a);
    if (a != b || (whole == nullptr) != (pieces == nullptr))
        std::abort();
    return 0;
}
