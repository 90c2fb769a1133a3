#include "alias.h"

#include "json_reader.h"

namespace pt = boost::property_tree;

int get_json_alias_para_from(const char* devicePath, ALIAS_PARA* out, const std::string& section, int id)
{
    pt::ptree tree;
    if (read_json_file(devicePath, &tree) != JsonRead::Ok)
        return 0;
    try {
        const auto list = tree.get_child_optional(pt::ptree::path_type("namelist." + section, '.'));
        if (!list)
            return 0;
        for (const auto& child : *list) {
            const auto& e = child.second;
            const auto eid = e.get_optional<int>("id");
            if (!eid || *eid != id)
                continue;
            out->id = *eid;
            out->valid = e.get<std::string>("valid", "");
            out->name = e.get<std::string>("name", "");
            return (out->valid != "off" && !out->name.empty()) ? 1 : 0;
        }
    } catch (const std::exception&) {
        // A value of the wrong kind: treat as no alias, keep the file.
    }
    return 0;
}

int get_json_alias_para(ALIAS_PARA* out, std::string section, int id)
{
    return get_json_alias_para_from("/data/configs/alias.json", out, section, id);
}
