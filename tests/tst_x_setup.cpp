// The X window's reading of a server's connection setup and its pixels in the layout that
// setup names, against the panel's own picture.
#include "x_setup.h"

#include <QImage>
#include <QtEndian>
#include <QtTest>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// A setup of one screen (root 0x100, visual 0x21 at depth 24 in 32-bit pixels) with the
// given byte order and colour masks.
QByteArray setup_bytes(uint8_t byte_order, uint32_t red, uint32_t green, uint32_t blue)
{
    const QByteArray vendor("vendor");
    xcb_setup_t s{};
    s.status = 1;
    s.vendor_len = uint16_t(vendor.size());
    s.roots_len = 1;
    s.pixmap_formats_len = 1;
    s.image_byte_order = byte_order;
    xcb_format_t f{};
    f.depth = 24;
    f.bits_per_pixel = 32;
    xcb_screen_t sc{};
    sc.root = 0x100;
    sc.root_visual = 0x21;
    sc.root_depth = 24;
    sc.allowed_depths_len = 1;
    xcb_depth_t d{};
    d.depth = 24;
    d.visuals_len = 1;
    xcb_visualtype_t v{};
    v.visual_id = 0x21;
    v._class = XCB_VISUAL_CLASS_TRUE_COLOR;
    v.bits_per_rgb_value = 8;
    v.red_mask = red;
    v.green_mask = green;
    v.blue_mask = blue;
    QByteArray b(reinterpret_cast<const char*>(&s), sizeof s);
    b += vendor + QByteArray(8 - vendor.size(), '\0');
    for (const QByteArray& part : {QByteArray(reinterpret_cast<const char*>(&f), sizeof f),
                                   QByteArray(reinterpret_cast<const char*>(&sc), sizeof sc),
                                   QByteArray(reinterpret_cast<const char*>(&d), sizeof d),
                                   QByteArray(reinterpret_cast<const char*>(&v), sizeof v)})
        b += part;
    const uint16_t length = uint16_t((b.size() - 8) / 4);
    std::memcpy(b.data() + offsetof(xcb_setup_t, length), &length, sizeof length);
    return b;
}

} // namespace

class TstXSetup : public QObject
{
    Q_OBJECT
private slots:
    // Each layout a server may name: the window's pixels, read back as that server reads
    // them (its byte order, its masks), show the panel's colours.
    void pixels_in_every_layout()
    {
        QImage panel(5, 1, QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0), qRgb(0, 0, 255), qRgb(0x12, 0x34, 0x56), qRgb(250, 128, 1)};
        for (int x = 0; x < 5; ++x)
            panel.setPixel(x, 0, colours[x]);
        const struct
        {
            const char* name;
            uint8_t order;
            uint32_t red, green, blue;
        } layouts[] = {
            {"B G R X", XCB_IMAGE_ORDER_LSB_FIRST, 0xff0000, 0xff00, 0xff},
            {"R G B X", XCB_IMAGE_ORDER_LSB_FIRST, 0xff, 0xff00, 0xff0000},
            {"X R G B", XCB_IMAGE_ORDER_MSB_FIRST, 0xff0000, 0xff00, 0xff},
            {"X B G R", XCB_IMAGE_ORDER_MSB_FIRST, 0xff, 0xff00, 0xff0000},
            {"R G B X big-endian", XCB_IMAGE_ORDER_MSB_FIRST, 0xff000000, 0xff0000, 0xff00},
            {"X B G R little-endian", XCB_IMAGE_ORDER_LSB_FIRST, 0xff00, 0xff0000, 0xff000000},
        };
        for (const auto& l : layouts) {
            const QByteArray setup = setup_bytes(l.order, l.red, l.green, l.blue);
            host::XFormat f;
            QCOMPARE(host::x_setup_format(reinterpret_cast<const uint8_t*>(setup.constData()), size_t(setup.size()), 0, &f),
                     QString());
            QCOMPARE(f.root, 0x100u);
            QCOMPARE(f.visual, 0x21u);
            uint32_t out[5];
            const auto* in = reinterpret_cast<const uint32_t*>(panel.constScanLine(0));
            if (f.convert)
                host::x_convert(f, in, out, 5);
            else
                std::memcpy(out, in, sizeof out);
            const auto* bytes = reinterpret_cast<const uchar*>(out);
            for (int x = 0; x < 5; ++x) {
                const uint32_t v = l.order == XCB_IMAGE_ORDER_MSB_FIRST ? qFromBigEndian<uint32_t>(bytes + 4 * x)
                                                                        : qFromLittleEndian<uint32_t>(bytes + 4 * x);
                const auto colour = [v](uint32_t mask) { return int((v & mask) / (mask & ~(mask << 1))); };
                QVERIFY2(qRgb(colour(l.red), colour(l.green), colour(l.blue)) == colours[x],
                         qPrintable(QStringLiteral("%1, pixel %2: %3").arg(QLatin1String(l.name)).arg(x).arg(v, 8, 16)));
            }
        }
    }

    // A setup cut anywhere, or whose screen's depths run past its length, is refused by
    // name; a screen it lacks too.
    void setups_that_do_not_add_up()
    {
        const QByteArray whole = setup_bytes(XCB_IMAGE_ORDER_LSB_FIRST, 0xff0000, 0xff00, 0xff);
        const auto read = [](const QByteArray& b, int screen = 0) {
            host::XFormat f;
            return host::x_setup_format(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()), screen, &f);
        };
        QCOMPARE(read(whole), QString());
        QCOMPARE(read(whole, 1), QStringLiteral("it has no such screen"));
        const QString bad = QStringLiteral("its connection setup does not add up");
        for (int n = 0; n < whole.size(); ++n)
            QCOMPARE(read(whole.left(n)), bad);
        QByteArray more_depths = whole;
        more_depths[whole.size() - int(sizeof(xcb_visualtype_t) + sizeof(xcb_depth_t) + sizeof(xcb_screen_t))
                    + int(offsetof(xcb_screen_t, allowed_depths_len))] = 2;
        QCOMPARE(read(more_depths), bad);
    }
};

QTEST_GUILESS_MAIN(TstXSetup)
#include "tst_x_setup.moc"
