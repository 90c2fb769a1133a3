// Boost's JSON parser still includes <boost/bind.hpp>, which notes its global _1, _2 in
// every build unless asked for them; nothing here uses them.
#define BOOST_BIND_GLOBAL_PLACEHOLDERS
#include "json_reader.h"

#include "utils.h"
#include "platform/devpath.h"
#include "platform/shell_gate.h"

#include <QByteArray>
#include <QString>
#include <boost/property_tree/json_parser.hpp>
#include <cstdio>
#include <sstream>

JsonRead read_json_file(const char* devicePath, boost::property_tree::ptree* tree)
{
    QByteArray data;
    {
        QMutexLocker lock(&Utils::_file_deal_mutex);
        if (!Utils::read_file(QString::fromUtf8(devicePath), &data))
            return JsonRead::Missing;
    }
    try {
        std::istringstream in(data.toStdString());
        boost::property_tree::read_json(in, *tree);
        return JsonRead::Ok;
    } catch (const std::exception& e) {
        std::printf("json error: %s\n", e.what());
        std::fflush(stdout);
        platform::shell_run(QStringLiteral("rm -rf ") + QString::fromUtf8(devicePath));
        return JsonRead::Broken;
    }
}
