#pragma once
// Shared by the alias and OSD readers: parse a device file, deleting it on a parse error.
#include <QByteArray>
#include <boost/property_tree/ptree.hpp>

enum class JsonRead { Ok, Missing, Broken };

// Bounds checked before the parser runs; a file over them counts as broken. Boost's parser
// recurses once per nesting level, so a deep file would overflow the stack. The PC's files
// are a few kilobytes, nested four levels ({"namelist": {"source": [{...}]}}, {"menu":
// [{"pos": {...}}]}): the bounds leave a wide margin over any real file while a parse on
// the panel's thread stays short.
constexpr qint64 kJsonMaxBytes = 256 * 1024;
constexpr int kJsonMaxDepth = 64;

JsonRead read_json_file(const char* devicePath, boost::property_tree::ptree* tree);

// The two halves of read_json_file, for a reader that keeps what it parsed: the bytes of
// the file (Ok, Missing, or Broken for a file over the size bound or not a regular file,
// then deleted) ...
JsonRead read_json_bytes(const char* devicePath, QByteArray* data);
// ... and their parse (Ok, or Broken and the file deleted: nested too deep or no JSON).
JsonRead parse_json_file(const char* devicePath, const QByteArray& data, boost::property_tree::ptree* tree);
