#pragma once
// Shared by the alias and OSD readers: parse a device file, deleting it on a parse error.
#include <boost/property_tree/ptree.hpp>

enum class JsonRead { Ok, Missing, Broken };

JsonRead read_json_file(const char* devicePath, boost::property_tree::ptree* tree);
