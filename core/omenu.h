#pragma once
// OSD caption set from /data/configs/omenu.json or a user mode's copy /data/modes/MOxx.json:
// {"osdcount": 1, "oactcount": 1, "menu": [{"pos": {"x":0,"y":0,"w":320,"h":32},
//   "effect": 0, "speed": 0, "backpara": {"color": "#000000"},
//   "fontpara": {"startx":0,"starty":0,"fontw":32,"fonth":32,"wordspace":0,
//                "verticalspace":0,"color":"#ffffff"}, "texts": "Welcome"}, ...]}
#include <cstdint>
#include <string>

struct OSD_MENU
{
    uint32_t x = 0, y = 0, w = 0, h = 0;
    uint32_t effect = 0, speed = 0;
    std::string back_color;
    uint32_t startx = 0, starty = 0, fontw = 0, fonth = 0, wordspace = 0, verticalspace = 0;
    std::string font_color;
    std::string texts;
};

struct OSD_LIST
{
    uint32_t osdcount = 0;
    uint32_t oactcount = 0;
    OSD_MENU menu[3];
};

// Fills *out from the file at devicePath; 1 on success. On any failure *out is a zeroed
// record and 0 is returned; only a file that does not parse is deleted, and only that file.
int get_json_omenu_para(const char* devicePath, OSD_LIST* out);
