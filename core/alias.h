#pragma once
// User names of sources, crops, windows and user modes from /data/configs/alias.json:
// {"namelist": {"source": [{"id": 0, "valid": "on", "name": "Camera"}, ...], "crop": [...],
//  "win": [...], "usermode": [...]}}
#include <string>

struct ALIAS_PARA
{
    int id = 0;
    std::string valid; // "on" / "off"
    std::string name;  // UTF-8
};

// 1 when the entry exists, is not "off" and has a name; 0 otherwise. A file that does not
// parse, or is over the JSON reader's size or depth bound, is reported ("json error: %s")
// and deleted. The file is parsed once per change; lookups come from memory (any thread).
int get_json_alias_para(ALIAS_PARA* out, std::string section, int id);

// Same on any device path (tests, fuzzing).
int get_json_alias_para_from(const char* devicePath, ALIAS_PARA* out, const std::string& section, int id);
