#pragma once
// The combo-box fields of the system screens (LED size, LCD timers, other settings): three
// looks (normal, focused, editing) and a font that lets the widest item fit the box.
#include <QString>

class QComboBox;

namespace combo {

enum Look { Normal, Focused, Editing };
// The look's sheet. `zeroDropDown`: the drop-down arrow has no width (other settings)
// rather than no border (LED size, LCD timers).
QString sheet(Look look, bool zeroDropDown = false);
// Steps the box's font down (not below 7 px) until its widest item fits beside the arrow.
void fit(QComboBox* box);

} // namespace combo
