#pragma once
// What the input-choice and crop screens both show of the inputs and their crops: the
// source tabs with their entry counts, an input's timing, a crop's list name.
#include <QString>
#include <cstdint>

class QFont;
class QLabel;

namespace cropview {

// Crops of a source, counted in the map of used crop numbers (YuqCropSourceInit first):
// every one of them resolves by its ordinal, whatever the table holds besides.
int crop_count(int source);
// Input s shows a picture: width, height and rate all measured.
bool has_signal(int source);
// "1920x1080@60Hz", or `noSignal`.
QString timing_text(int source, const QString& noSignal);
// The six tab labels in list order: the source's alias (elided to the tab) or its name,
// then "(" entries ")" (entries = crops + 1). The markup stays the labels' (plain) text;
// each tab is painted from a picture of it drawn once for the process, by text, font, look
// and size, so no screen lays the rich text out again. The tabs' own sheet must paint
// their whole background.
void source_tabs(QLabel* const labels[6]);
// A crop's list name: its usable alias, elided to `width` in `font`, else
// "<source>_crop<number>" with the number of its entry word.
QString crop_name(const QString& sourceName, int tableIndex, uint16_t word, const QFont& font, int width);

} // namespace cropview
