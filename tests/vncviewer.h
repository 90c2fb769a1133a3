#pragma once
// A panel served on VNC, and a VNC viewer of the tests' own that reads its frames back.
#include "panelprocess.h"

#include <QHostAddress>
#include <QImage>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstring>
#include <zlib.h>

inline QStringList vnc_args(quint16 port)
{
    return {QStringLiteral("-platform"), QStringLiteral("vnc:size=320x240:port=%1").arg(port)};
}

// A panel served on VNC at a free port, in a root of its own.
struct VncPanel
{
    const quint16 port = free_local_port();
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("root"));
    Panel p;
    // True once it answers.
    bool start()
    {
        p.start(root, vnc_args(port));
        return Panel::answers(root);
    }
};

// A full FramebufferUpdateRequest of the 320x240 panel.
const QByteArray kFullRequest = QByteArray::fromHex("030000000000014000f0");

// A VNC viewer of the test's own: RFB 3.3 without security, the server's pixel format kept,
// raw frames read back whole.
struct RawViewer
{
    QTcpSocket s;

    QByteArray read(int n)
    {
        QByteArray b;
        while (b.size() < n && (s.bytesAvailable() > 0 || s.waitForReadyRead(5000)))
            b += s.read(n - b.size());
        return b;
    }
    // The handshake, then a SetEncodings of `encodings`; false where the server answers
    // otherwise than at 32 bits per pixel. `shared` 0 asks for the panel alone; `together`
    // writes the version and the ClientInit in one segment.
    bool open(quint16 port, const QVector<qint32>& encodings = {0}, char shared = 1, bool together = false)
    {
        s.connectToHost(QHostAddress::LocalHost, port);
        s.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        // Any 3.x server takes a 3.3 viewer: no security list, the type said by the server.
        if (!s.waitForConnected(3000) || !read(12).startsWith("RFB 003."))
            return false;
        s.write(QByteArray("RFB 003.003\n") + (together ? QByteArray(1, shared) : QByteArray()));
        if (read(4) != QByteArray("\0\0\0\1", 4))
            return false;
        if (!together)
            s.write(&shared, 1);
        const QByteArray init = read(24);
        if (init.size() != 24 || quint8(init[4]) != 32)
            return false;
        read(int(qFromBigEndian<quint32>(init.constData() + 20)));
        QByteArray set(4 + 4 * encodings.size(), '\0');
        set[0] = 2;
        qToBigEndian<quint16>(quint16(encodings.size()), set.data() + 2);
        for (int i = 0; i < encodings.size(); ++i)
            qToBigEndian<qint32>(encodings[i], set.data() + 4 + 4 * i);
        return s.write(set) == set.size();
    }
    // A true-colour pixel format a viewer may set.
    struct Format
    {
        quint8 bpp;
        bool big;
        quint16 max[3]; // red, green, blue
        quint8 shift[3];
    };
    Format format{32, false, {255, 255, 255}, {16, 8, 0}}; // the server's own
    void set_format(const Format& f)
    {
        QByteArray m(20, '\0');
        m[4] = char(f.bpp);
        m[5] = char(f.bpp == 32 ? 24 : f.bpp);
        m[6] = f.big;
        m[7] = 1;
        for (int c = 0; c < 3; ++c) {
            qToBigEndian<quint16>(f.max[c], m.data() + 8 + 2 * c);
            m[14 + c] = char(f.shift[c]);
        }
        s.write(m);
        format = f;
    }
    quint32 mask() const
    {
        return quint32(format.max[0]) << format.shift[0] | quint32(format.max[1]) << format.shift[1]
               | quint32(format.max[2]) << format.shift[2];
    }
    // The panel's screenshot in the viewer's format, as the server must scale each channel.
    QVector<quint32> expected(const QString& root) const
    {
        return in_format(QImage(root + QStringLiteral("/tmp/ready.png")), format);
    }
    static QVector<quint32> in_format(const QImage& image, const Format& format)
    {
        const QImage shot = image.convertToFormat(QImage::Format_RGB32);
        QVector<quint32> v;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x) {
                const QRgb c = shot.pixel(x, y);
                const int ch[3] = {qRed(c), qGreen(c), qBlue(c)};
                quint32 p = 0;
                for (int i = 0; i < 3; ++i)
                    p |= quint32((ch[i] * format.max[i] + 127) / 255) << format.shift[i];
                v << p;
            }
        return v;
    }
    // A full raw frame in the viewer's format, as pixel values; empty unless whole.
    QVector<quint32> values()
    {
        s.write(kFullRequest);
        const int bytes = format.bpp / 8;
        QVector<quint32> v(320 * 240);
        int pixels = 0;
        const QByteArray head = read(4);
        for (int r = head.size() == 4 && head[0] == 0 ? qFromBigEndian<quint16>(head.constData() + 2) : 0; r > 0; --r) {
            const QByteArray rect = read(12);
            const auto at = [&rect](int i) { return int(qFromBigEndian<quint16>(rect.constData() + 2 * i)); };
            if (rect.size() != 12 || qFromBigEndian<qint32>(rect.constData() + 8) != 0 || at(0) + at(2) > 320 || at(1) + at(3) > 240)
                return {};
            const QByteArray data = read(at(2) * at(3) * bytes);
            if (data.size() != at(2) * at(3) * bytes)
                return {};
            for (int i = 0; i < at(2) * at(3); ++i) {
                quint32 p = 0;
                for (int b = 0; b < bytes; ++b) {
                    const quint32 byte = quint8(data[i * bytes + b]);
                    p |= byte << 8 * (format.big ? bytes - 1 - b : b);
                }
                v[(at(1) + i / at(2)) * 320 + at(0) + i % at(2)] = p & mask();
            }
            pixels += at(2) * at(3);
        }
        return pixels == 320 * 240 ? v : QVector<quint32>();
    }
    // A full frame in ZRLE (the encoding the lossy ZYWRLE builds on), decoded; null unless
    // every rectangle came so and whole. The server's format: 3-byte pixels B G R.
    z_stream zs{};
    bool zs_open = false;
    QImage zrle_frame()
    {
        if (!zs_open)
            zs_open = inflateInit(&zs) == Z_OK;
        s.write(kFullRequest);
        QImage image(320, 240, QImage::Format_RGB32);
        int pixels = 0;
        const QByteArray head = read(4);
        for (int r = head.size() == 4 && head[0] == 0 ? qFromBigEndian<quint16>(head.constData() + 2) : 0; r > 0; --r) {
            const QByteArray rect = read(12);
            const auto at = [&rect](int i) { return int(qFromBigEndian<quint16>(rect.constData() + 2 * i)); };
            if (rect.size() != 12 || qFromBigEndian<qint32>(rect.constData() + 8) != 16 || at(0) + at(2) > 320 || at(1) + at(3) > 240)
                return QImage();
            QByteArray in = read(int(qFromBigEndian<quint32>(read(4).constData())));
            QByteArray out;
            zs.next_in = reinterpret_cast<Bytef*>(in.data());
            zs.avail_in = uInt(in.size());
            while (zs.avail_in > 0) {
                char buf[65536];
                zs.next_out = reinterpret_cast<Bytef*>(buf);
                zs.avail_out = sizeof buf;
                if (inflate(&zs, Z_SYNC_FLUSH) < 0)
                    return QImage();
                out.append(buf, int(sizeof buf - zs.avail_out));
            }
            int i = 0;
            const auto byte = [&] { return i < out.size() ? int(quint8(out[i++])) : -1; };
            const auto pixel = [&] { const int b = byte(), g = byte(), r = byte(); return qRgb(r, g, b); };
            for (int ty = 0; ty < at(3); ty += 64)
                for (int tx = 0; tx < at(2); tx += 64) {
                    const int w = qMin(64, at(2) - tx), h = qMin(64, at(3) - ty);
                    QVector<QRgb> tile;
                    const int sub = byte();
                    QVector<QRgb> palette;
                    for (int n = sub >= 2 && sub <= 16 ? sub : sub >= 130 ? sub - 128 : 0; n > 0; --n)
                        palette << pixel();
                    if (sub == 0) {
                        while (tile.size() < w * h)
                            tile << pixel();
                    } else if (sub == 1) {
                        tile.fill(pixel(), w * h);
                    } else if (sub <= 16) {
                        const int bits = sub == 2 ? 1 : sub <= 4 ? 2 : 4;
                        for (int y = 0; y < h; ++y) {
                            int have = 0, b = 0;
                            for (int x = 0; x < w; ++x) {
                                if (have == 0) {
                                    b = byte();
                                    have = 8;
                                }
                                have -= bits;
                                tile << palette.value((b >> have) & ((1 << bits) - 1));
                            }
                        }
                    } else if (sub == 128 || sub >= 130) {
                        while (tile.size() < w * h && i < out.size()) {
                            int index = sub == 128 ? 0 : byte();
                            const QRgb c = sub == 128 ? pixel() : palette.value(index & 0x7f);
                            int run = 1;
                            if (sub == 128 || (index & 0x80))
                                for (int b = 255; b == 255;)
                                    run += (b = byte());
                            tile.append(QVector<QRgb>(run, c));
                        }
                    }
                    if (tile.size() != w * h)
                        return QImage();
                    for (int k = 0; k < w * h; ++k)
                        image.setPixel(at(0) + tx + k % w, at(1) + ty + k / w, tile[k]);
                }
            pixels += at(2) * at(3);
        }
        return pixels == 320 * 240 ? image : QImage();
    }
    ~RawViewer()
    {
        if (zs_open)
            inflateEnd(&zs);
    }
    // True once a full frame equals the screenshot in the viewer's format.
    bool shows_the_screenshot_in_its_format(const QString& root)
    {
        for (int i = 0; i < 50 && Panel::answers(root) && s.state() == QAbstractSocket::ConnectedState; ++i) {
            if (values() == expected(root))
                return true;
            QThread::msleep(100);
        }
        return false;
    }
    // A full frame requested and read; null unless it came raw and whole.
    QImage frame()
    {
        s.write(kFullRequest);
        const QByteArray head = read(4);
        QImage image(320, 240, QImage::Format_RGB32);
        int pixels = 0;
        for (int r = head.size() == 4 && head[0] == 0 ? qFromBigEndian<quint16>(head.constData() + 2) : 0; r > 0; --r) {
            const QByteArray rect = read(12);
            const auto at = [&rect](int i) { return int(qFromBigEndian<quint16>(rect.constData() + 2 * i)); };
            const qint32 encoding = rect.size() == 12 ? qFromBigEndian<qint32>(rect.constData() + 8) : 1;
            if (encoding == -239) { // a cursor, where the viewer asked for it: not the frame
                read(at(2) * at(3) * 4 + (at(2) + 7) / 8 * at(3));
                continue;
            }
            if (encoding != 0 || !image.rect().contains(QRect(at(0), at(1), at(2), at(3))))
                return QImage();
            const QByteArray data = read(at(2) * at(3) * 4);
            if (data.size() != at(2) * at(3) * 4)
                return QImage();
            for (int y = 0; y < at(3); ++y) // the server's format is the image's (bytes B G R X)
                std::memcpy(image.scanLine(at(1) + y) + 4 * at(0), data.constData() + 4 * at(2) * y, size_t(4 * at(2)));
            pixels += at(2) * at(3);
        }
        return pixels == 320 * 240 ? image : QImage();
    }
    // True once a full frame equals the panel's screenshot (the screen may lag the last keys).
    bool shows_the_screenshot(const QString& root)
    {
        for (int i = 0; i < 50 && Panel::answers(root) && s.state() == QAbstractSocket::ConnectedState; ++i) {
            if (frame() == QImage(root + QStringLiteral("/tmp/ready.png")).convertToFormat(QImage::Format_RGB32))
                return true;
            QThread::msleep(100);
        }
        return false;
    }
};

inline qint64 rss_kb(qint64 pid)
{
    static const QRegularExpression rss(QStringLiteral("VmRSS:\\s*(\\d+)"));
    return rss.match(QString::fromLatin1(file_bytes(QStringLiteral("/proc/%1/status").arg(pid)))).captured(1).toLongLong();
}

inline int descriptors(qint64 pid)
{
    return QDir(QStringLiteral("/proc/%1/fd").arg(pid)).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).size();
}

// True once the panel holds no more descriptors than `count` (a viewer's end was seen).
inline bool descriptors_back_to(qint64 pid, int count)
{
    for (int i = 0; i < 100 && descriptors(pid) > count; ++i)
        QThread::msleep(100);
    return descriptors(pid) <= count;
}

