#include "packed_file.h"

#include <cstring>

namespace packed {

namespace {
// Reads from a byte range; every read checks what is left first.
class Reader
{
public:
    Reader(const QByteArray& d, int from)
        : m_data(reinterpret_cast<const uint8_t*>(d.constData())), m_size(d.size()), m_pos(from)
    {
    }
    bool u8(int* v)
    {
        if (m_size - m_pos < 1)
            return false;
        *v = m_data[m_pos++];
        return true;
    }
    bool u16(int* v)
    {
        if (m_size - m_pos < 2)
            return false;
        *v = m_data[m_pos] | m_data[m_pos + 1] << 8;
        m_pos += 2;
        return true;
    }
    bool u32(uint32_t* v)
    {
        if (m_size - m_pos < 4)
            return false;
        *v = uint32_t(m_data[m_pos]) | uint32_t(m_data[m_pos + 1]) << 8 | uint32_t(m_data[m_pos + 2]) << 16
             | uint32_t(m_data[m_pos + 3]) << 24;
        m_pos += 4;
        return true;
    }
    bool bytes(int n, QByteArray* out)
    {
        if (n < 0 || m_size - m_pos < n)
            return false;
        *out = QByteArray(reinterpret_cast<const char*>(m_data + m_pos), n);
        m_pos += n;
        return true;
    }
    bool at_end() const { return m_pos == m_size; }

private:
    const uint8_t* m_data;
    int m_size;
    int m_pos;
};

void put16(QByteArray* b, int v)
{
    b->append(char(v & 0xFF));
    b->append(char((v >> 8) & 0xFF));
}

Error parse_card(Reader& r, Card* card)
{
    int records = 0;
    if (!r.u16(&records))
        return Error::Truncated;
    if (records > MaxRecords)
        return Error::Inconsistent;
    for (int i = 0; i < records; ++i) {
        int len = 0;
        QByteArray rec;
        if (!r.u16(&len))
            return Error::Truncated;
        if (len < 1 || len > MaxRecordSize)
            return Error::Inconsistent;
        if (!r.bytes(len, &rec))
            return Error::Truncated;
        card->records << rec;
    }
    return Error::None;
}

Error parse_screen(Reader& r, Screen* screen)
{
    int ports = 0, reserved = 0;
    if (!r.u8(&ports) || !r.u8(&reserved))
        return Error::Truncated;
    if (ports < 1 || ports > MaxPorts || reserved != 0)
        return Error::Inconsistent;
    uint32_t seen = 0;
    for (int p = 0; p < ports; ++p) {
        Port port;
        int cards = 0;
        if (!r.u8(&port.number) || !r.u8(&cards))
            return Error::Truncated;
        if (port.number >= MaxPorts || (seen & (1u << port.number)) || cards < 1 || cards > MaxCards)
            return Error::Inconsistent;
        seen |= 1u << port.number;
        for (int c = 0; c < cards; ++c) {
            Card card;
            const Error e = parse_card(r, &card);
            if (e != Error::None)
                return e;
            port.cards << card;
        }
        screen->ports << port;
    }
    return Error::None;
}
} // namespace

int File::record_count() const
{
    int n = 0;
    for (const Screen& s : screens)
        for (const Port& p : s.ports)
            for (const Card& c : p.cards)
                n += c.records.size();
    return n;
}

Error parse(const QByteArray& data, File* out)
{
    *out = File();
    if (data.size() < HeaderSize)
        return Error::Short;
    if (std::memcmp(data.constData(), Magic, sizeof Magic) != 0)
        return Error::Magic;
    Reader r(data, int(sizeof Magic));
    int version = 0, screens = 0, reserved = 0;
    uint32_t size = 0;
    r.u8(&version);
    r.u8(&screens);
    r.u16(&reserved);
    r.u32(&size);
    if (version != Version)
        return Error::Version;
    if (size != uint32_t(data.size()))
        return Error::Size;
    if (screens < 1 || screens > MaxScreens || reserved != 0)
        return Error::Inconsistent;
    File file;
    for (int s = 0; s < screens; ++s) {
        Screen screen;
        const Error e = parse_screen(r, &screen);
        if (e != Error::None)
            return e;
        file.screens << screen;
    }
    if (!r.at_end())
        return Error::Inconsistent;
    *out = file;
    return Error::None;
}

const char* error_text(Error e)
{
    switch (e) {
    case Error::None: return "ok";
    case Error::Short: return "shorter than its header";
    case Error::Magic: return "not a packed file";
    case Error::Version: return "unknown layout version";
    case Error::Size: return "size differs from the header";
    case Error::Truncated: return "truncated";
    case Error::Inconsistent: return "inconsistent counts";
    }
    return "?";
}

QByteArray write(const File& file)
{
    if (file.screens.isEmpty() || file.screens.size() > MaxScreens)
        return QByteArray();
    QByteArray b(Magic, sizeof Magic);
    b.append(char(Version));
    b.append(char(file.screens.size()));
    put16(&b, 0);
    b.append(4, '\0'); // size, filled in below
    for (const Screen& s : file.screens) {
        if (s.ports.isEmpty() || s.ports.size() > MaxPorts)
            return QByteArray();
        b.append(char(s.ports.size()));
        b.append('\0');
        uint32_t seen = 0;
        for (const Port& p : s.ports) {
            if (p.number < 0 || p.number >= MaxPorts || (seen & (1u << p.number)) || p.cards.isEmpty()
                || p.cards.size() > MaxCards)
                return QByteArray();
            seen |= 1u << p.number;
            b.append(char(p.number));
            b.append(char(p.cards.size()));
            for (const Card& c : p.cards) {
                if (c.records.size() > MaxRecords)
                    return QByteArray();
                put16(&b, c.records.size());
                for (const QByteArray& rec : c.records) {
                    if (rec.isEmpty() || rec.size() > MaxRecordSize)
                        return QByteArray();
                    put16(&b, rec.size());
                    b.append(rec);
                }
            }
        }
    }
    const uint32_t size = uint32_t(b.size());
    for (int i = 0; i < 4; ++i)
        b[8 + i] = char((size >> (8 * i)) & 0xFF);
    return b;
}

} // namespace packed
