// Boost's JSON parser still includes <boost/bind.hpp>, which notes its global _1, _2 in
// every build unless asked for them; nothing here uses them.
#define BOOST_BIND_GLOBAL_PLACEHOLDERS
#include "json_reader.h"

#include "utils.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QString>
#include <boost/property_tree/json_parser.hpp>
#include <cstdio>
#include <sstream>

// A user mode's OSD file is the gate's copy of omenu.json: it takes what this reader reads.
static_assert(platform::kOwnFileCopyMax == kJsonMaxBytes, "the OSD copy's bound is the reader's");

namespace {

// The deepest nesting of arrays and objects, brackets inside strings not counted.
int nesting_depth(const QByteArray& data)
{
    int depth = 0, deepest = 0;
    bool inString = false;
    for (int i = 0; i < data.size(); ++i) {
        const char c = data[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

JsonRead broken(const char* devicePath, const std::string& why)
{
    std::printf("json error: %s\n", why.c_str());
    std::fflush(stdout);
    platform::shell_run(QStringLiteral("rm -rf ") + QString::fromUtf8(devicePath));
    return JsonRead::Broken;
}

} // namespace

JsonRead parse_json_file(const char* devicePath, const QByteArray& data, boost::property_tree::ptree* tree)
{
    if (nesting_depth(data) > kJsonMaxDepth)
        return broken(devicePath, std::string(devicePath) + ": nested deeper than " + std::to_string(kJsonMaxDepth));
    try {
        std::istringstream in(data.toStdString());
        boost::property_tree::read_json(in, *tree);
        return JsonRead::Ok;
    } catch (const std::exception& e) {
        return broken(devicePath, e.what());
    }
}

JsonRead read_json_bytes(const char* devicePath, QByteArray* data)
{
    Utils::Read r;
    {
        QMutexLocker lock(&Utils::_file_deal_mutex);
        r = Utils::read_file_checked(QString::fromUtf8(devicePath), data, kJsonMaxBytes);
    }
    // One that cannot be read (its mode) is left as it is: nothing here writes it over.
    if (r == Utils::Read::Missing || r == Utils::Read::Unreadable)
        return JsonRead::Missing;
    if (r == Utils::Read::Refused)
        return broken(devicePath, std::string(devicePath) + ": " + Utils::read_trouble(r, kJsonMaxBytes).toStdString());
    return JsonRead::Ok;
}

JsonRead read_json_file(const char* devicePath, boost::property_tree::ptree* tree)
{
    QByteArray data;
    const JsonRead r = read_json_bytes(devicePath, &data);
    return r == JsonRead::Ok ? parse_json_file(devicePath, data, tree) : r;
}
