// The packed card-job file: what it holds survives writing and parsing, and every short,
// truncated or inconsistent file is refused as a whole.
#include "fpga/packed_file.h"

#include <QtTest>

Q_DECLARE_METATYPE(packed::Error)

namespace {
packed::File sample()
{
    packed::File f;
    packed::Screen s0, s1;
    s0.ports = {packed::Port{2, {packed::Card{{QByteArray(256, 'a'), QByteArray(1, 'b')}}, packed::Card{}}},
                packed::Port{0, {packed::Card{{QByteArray(3, 'c')}}}}};
    s1.ports = {packed::Port{19, {packed::Card{{QByteArray(5, 'd')}}}}};
    f.screens = {s0, s1};
    return f;
}

// One screen, one port, one card with one record of `len` bytes, laid out by hand (the
// writer refuses what the parser must refuse).
QByteArray one_record(int len)
{
    QByteArray b("WZPK\x01\x01\x00\x00", 8);
    const int size = 12 + 2 + 2 + 2 + 2 + len;
    for (int i = 0; i < 4; ++i)
        b.append(char((size >> (8 * i)) & 0xFF));
    b.append("\x01\x00\x00\x01\x01\x00", 6); // 1 port, reserved; port 0, 1 card; 1 record
    b.append(char(len & 0xFF));
    b.append(char(len >> 8));
    b.append(QByteArray(len, 'r'));
    return b;
}
} // namespace

class TstFpgaPackedFile : public QObject
{
    Q_OBJECT
private slots:
    void round_trip()
    {
        const QByteArray bytes = packed::write(sample());
        packed::File f;
        QCOMPARE(packed::parse(bytes, &f), packed::Error::None);
        QCOMPARE(packed::write(f), bytes);
        QCOMPARE(f.record_count(), 4);
    }

    void broken_files_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<packed::Error>("error");
        const QByteArray good = packed::write(sample());
        // The good file with a byte, or a 16-bit field, changed.
        auto patched = [&good](int at, int v, int bytes = 1) {
            QByteArray b = good;
            for (int i = 0; i < bytes; ++i)
                b[at + i] = char((v >> (8 * i)) & 0xFF);
            return b;
        };
        // Offsets: header 0-11; screen 0 at 12 (ports, reserved); its port 0 at 14
        // (number, cards); card 0 at 16 (records); record 0 at 18 (length).
        QTest::newRow("empty") << QByteArray() << packed::Error::Short;
        QTest::newRow("magic") << patched(0, 'X') << packed::Error::Magic;
        QTest::newRow("version") << patched(4, 2) << packed::Error::Version;
        QTest::newRow("size") << patched(8, good[8] + 1) << packed::Error::Size;
        QByteArray trailing = good + 'x'; // its size in the header
        trailing[8] = char(trailing.size() & 0xFF);
        trailing[9] = char(trailing.size() >> 8);
        QTest::newRow("trailing byte") << trailing << packed::Error::Inconsistent;
        QTest::newRow("no screen") << patched(5, 0) << packed::Error::Inconsistent;
        QTest::newRow("port 20") << patched(14, 20) << packed::Error::Inconsistent;
        QTest::newRow("repeated port") << patched(14, 0) << packed::Error::Inconsistent;
        QTest::newRow("no card") << patched(15, 0) << packed::Error::Inconsistent;
        QTest::newRow("4097 records") << patched(16, 4097, 2) << packed::Error::Inconsistent;
        QTest::newRow("record of 257") << patched(18, 257, 2) << packed::Error::Inconsistent;
        QTest::newRow("last record past the end") << patched(good.size() - 7, 200, 2) << packed::Error::Truncated;
    }
    void broken_files()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(packed::Error, error);
        packed::File f;
        QCOMPARE(packed::parse(bytes, &f), error);
        QVERIFY(f.screens.isEmpty());
    }

    // A record's length at and beyond its bounds, parser and writer alike.
    void record_length_bounds_data()
    {
        QTest::addColumn<int>("len");
        QTest::addColumn<bool>("taken");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("1") << 1 << true;
        QTest::newRow("256") << 256 << true;
        QTest::newRow("257") << 257 << false;
    }
    void record_length_bounds()
    {
        QFETCH(int, len);
        QFETCH(bool, taken);
        packed::File f;
        QCOMPARE(packed::parse(one_record(len), &f), taken ? packed::Error::None : packed::Error::Inconsistent);
        QCOMPARE(f.record_count(), int(taken));
        if (taken)
            QCOMPARE(f.screens[0].ports[0].cards[0].records[0], QByteArray(len, 'r'));
        packed::File g;
        g.screens = {packed::Screen{{packed::Port{0, {packed::Card{{QByteArray(len, 'r')}}}}}}};
        QCOMPARE(packed::write(g), taken ? one_record(len) : QByteArray());
    }

    // The samples the simulated device ships.
    void shipped_samples_parse()
    {
        for (const char* name : {"scan.wzfile", "recovery.rcv"}) {
            QFile file(QStringLiteral(YUQ_SOURCE_DIR "/sim/samples/") + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            packed::File f;
            QCOMPARE(packed::parse(file.readAll(), &f), packed::Error::None);
        }
    }

    void writer_refuses_what_the_parser_would()
    {
        packed::File f = sample();
        f.screens[0].ports[1].number = 2; // repeated
        QVERIFY(packed::write(f).isEmpty());
        f = sample();
        f.screens[1].ports[0].cards[0].records << QByteArray(257, 'x');
        QVERIFY(packed::write(f).isEmpty());
    }
};

QTEST_MAIN(TstFpgaPackedFile)
#include "tst_fpga_packed_file.moc"
