#include "combofield.h"

#include "ui/shell/screenkit.h"

#include <QComboBox>

namespace combo {

namespace {
const char* const kLookName[3] = {"normal", "focused", "editing"};
} // namespace

void set_look(QWidget* box, Look look)
{
    kit::set_own_look(box, kLookName[look]);
}

void fit(QComboBox* box)
{
    kit::fit_text(box);
}

} // namespace combo
