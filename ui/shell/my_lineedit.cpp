#include "my_lineedit.h"

My_lineEdit::My_lineEdit(QWidget* parent) : QLineEdit(parent) {}
