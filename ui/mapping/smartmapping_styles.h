#pragma once
// The mapping wizard's style sheets (normal, focused, disabled, menu-active, selected,
// the number-field looks, the port cells and the scan-file entries).
namespace mapping_style {
constexpr const char* Normal =
    "background-color: rgb(33, 36, 53);color:rgb(255, 255, 255);border:1px solid rgb(255, 255, 255);";
constexpr const char* Focused =
    "background-color: rgb(33, 36, 53);color:rgb(255, 255, 255);border:1px solid rgb(255,171,84);";
constexpr const char* Disabled =
    "background-color: gray;border:2px;border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
constexpr const char* MenuActive = "color:rgb(255, 255, 255);border:1px solid rgb(71, 119, 255);";
constexpr const char* Selected =
    "background-color: #4777FF;color: rgb(255, 255, 255);border:1px solid rgb(255, 255, 255);";
constexpr const char* Entry =
    "color:rgb(255, 255, 255);background-color:rgb(33, 36, 53);border:1px solid rgb(255,255,255);";
constexpr const char* FocusedEntry =
    "color:rgb(255, 255, 255);background-color: rgb(33, 36, 53);border:1px solid rgb(255,171,84);";

constexpr const char* CellMarked = "background-color: #212435;border:1px solid #00D65B;";
constexpr const char* CellUnmarked = "background-color: #212435;border:1px solid #FFFFFF;";
constexpr const char* CellText = "background-color: #212435;color: #FFFFFF";
constexpr const char* Transparent = "background-color: transparent;";

constexpr const char* FileFrame = "#frame_file{background-color: rgb(33, 36, 53);border:1px solid #FFFFFF;}";
// Scan-file entries: [stick][look], look 0 file, 1 selected, 2 selected and focused.
constexpr const char* FileLooks[2][3] = {
    {"background-color: rgb(33, 36, 53);color: #FFFFFF",
     "background-color:#4777FF;color: #FFFFFF;border:1px solid rgb(255,255,255);",
     "background-color:#4777FF;color: #FFFFFF;border:1px solid rgb(255,171,84);"},
    {"background-color: rgb(33, 36, 53);color: #00FF00",
     "background-color:#4777FF;color: #00FF00;border:1px solid rgb(255,255,255);",
     "background-color:#4777FF;color: #00FF00;border:1px solid rgb(255,171,84);"},
};
constexpr const char* Arrow = "background-color: rgb(33, 36, 53);";
} // namespace mapping_style
