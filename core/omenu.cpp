#include "omenu.h"

#include "json_reader.h"

#include <stdexcept>

namespace pt = boost::property_tree;

namespace {
// Absent numbers read as 0; present but not a number is a bad file.
uint32_t u32(const pt::ptree& t, const char* key)
{
    const auto child = t.get_child_optional(pt::ptree::path_type(key, '.'));
    if (!child)
        return 0;
    const auto v = child->get_value_optional<uint32_t>();
    if (!v)
        throw std::runtime_error(std::string("bad value: ") + key);
    return *v;
}
} // namespace

int get_json_omenu_para(const char* devicePath, OSD_LIST* out)
{
    *out = OSD_LIST();
    pt::ptree tree;
    if (read_json_file(devicePath, &tree) != JsonRead::Ok)
        return 0;
    try {
        OSD_LIST l;
        l.osdcount = u32(tree, "osdcount");
        l.oactcount = u32(tree, "oactcount");
        const auto menu = tree.get_child_optional("menu");
        if (!menu)
            return 0;
        int i = 0;
        for (const auto& child : *menu) {
            if (i >= 3)
                break;
            const auto& m = child.second;
            OSD_MENU& o = l.menu[i++];
            o.x = u32(m, "pos.x");
            o.y = u32(m, "pos.y");
            o.w = u32(m, "pos.w");
            o.h = u32(m, "pos.h");
            o.effect = u32(m, "effect");
            o.speed = u32(m, "speed");
            o.back_color = m.get<std::string>("backpara.color", "");
            o.startx = u32(m, "fontpara.startx");
            o.starty = u32(m, "fontpara.starty");
            o.fontw = u32(m, "fontpara.fontw");
            o.fonth = u32(m, "fontpara.fonth");
            o.wordspace = u32(m, "fontpara.wordspace");
            o.verticalspace = u32(m, "fontpara.verticalspace");
            o.font_color = m.get<std::string>("fontpara.color", "");
            o.texts = m.get<std::string>("texts", "");
        }
        *out = l;
        return 1;
    } catch (const std::exception&) {
        *out = OSD_LIST();
        return 0;
    }
}
