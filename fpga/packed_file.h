#pragma once
// The packed card-job file: the layout of the smart-mapping scan files (/data/smartmapping,
// the stick) and of the card-recovery files (/data/rcvrecovery). A file holds screens;
// a screen its output ports (the port number of that screen's network and the cards on
// it); a card its operation records, replayed to the card in file order. The layout is
// in fpga/README.md. The parser checks every length against the bytes that are there:
// a short, truncated or inconsistent file is refused as a whole, never read past its end.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>

namespace packed {

constexpr char Magic[4] = {'W', 'Z', 'P', 'K'};
constexpr uint8_t Version = 1;
constexpr int HeaderSize = 12;
constexpr int MaxScreens = 16;
constexpr int MaxPorts = 20;        // output ports of one network, numbers 0..19
constexpr int MaxCards = 254;       // card index 0xFF means "no card" on the wire
constexpr int MaxRecords = 4096;    // per card
constexpr int MaxRecordSize = 256;  // bytes of one operation record

struct Card
{
    QList<QByteArray> records; // each 1..MaxRecordSize bytes
};

struct Port
{
    int number = 0;     // port number of the screen's network, 0-based
    QList<Card> cards;  // the card count is cards.size()
    int card_count() const { return cards.size(); }
};

struct Screen
{
    QList<Port> ports;
};

struct File
{
    QList<Screen> screens;
    // Operation records of every card of every port of every screen.
    int record_count() const;
};

enum class Error {
    None = 0,
    Short,        // smaller than the header
    Magic,        // not a packed file
    Version,      // a layout this build does not know
    Size,         // the header's size differs from the file's
    Truncated,    // a count or length reaches past the end
    Inconsistent, // a count out of range, a repeated port, bytes after the last screen
};

// Parses `data` into `out` (left empty on failure). Returns Error::None on success.
Error parse(const QByteArray& data, File* out);
// A short English reason for traces.
const char* error_text(Error e);
// The bytes of `file`; empty when `file` breaks a limit above. Tests and sample files.
QByteArray write(const File& file);

} // namespace packed
