#include "combofield.h"

#include "ui/shell/screenkit.h"

#include <QComboBox>
#include <QFontMetrics>
#include <algorithm>

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
    QFont f = box->font();
    // The form's size is the base: a shorter language gets it back.
    f.setPixelSize(kit::fit_base(box));
    auto widest = [box](const QFont& font) {
        int w = 0;
        for (int i = 0; i < box->count(); ++i)
            w = std::max(w, QFontMetrics(font).horizontalAdvance(box->itemText(i)));
        return w;
    };
    while (f.pixelSize() > 7 && widest(f) > box->width() - 22)
        f.setPixelSize(f.pixelSize() - 1);
    box->setFont(f);
}

} // namespace combo
