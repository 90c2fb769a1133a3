#pragma once
// The combo-box fields of the system screens (LED size, LCD timers, other settings): three
// looks (normal, focused, editing) and a font that lets the widest item fit the box.

class QComboBox;
class QWidget;

namespace combo {

enum Look { Normal, Focused, Editing };
// The looks by the box's property "look" ("normal", "focused", "editing"), matched by
// [look="..."] rules of the screen's sheet (its form): a look change re-polishes the box
// alone, where a sheet of its own would restyle its (never shown) pop-up list and lay the
// items out again. Nothing when the box has that look already.
void set_look(QWidget* box, Look look);
// Steps the box's font down (not below 7 px) until its widest item fits its text field.
void fit(QComboBox* box);

} // namespace combo
