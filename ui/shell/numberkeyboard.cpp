#include "numberkeyboard.h"

// The pad's keys come with the number pad; until then it is an empty 160x240 dialog.
NumberKeyboard::NumberKeyboard(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("NumberKeyboard"));
    setWindowTitle(QStringLiteral("Dialog"));
    resize(160, 240);
}

void NumberKeyboard::label_show(const QString& title, const QString& value)
{
    (void)title;
    (void)value;
}
