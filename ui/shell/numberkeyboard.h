#pragma once
// The number pad: one for the whole program (g_numberkeyboard), shown and hidden again.
#include <QDialog>

class NumberKeyboard : public QDialog
{
    Q_OBJECT
public:
    explicit NumberKeyboard(QWidget* parent = nullptr);
    // Title and current value; the caller then runs the pad with exec().
    void label_show(const QString& title, const QString& value);

signals:
    void sendKeyBoardUIDataToLineEdit(QString text);

protected:
    void keyPressEvent(QKeyEvent*) override {}
    void keyReleaseEvent(QKeyEvent*) override {}
    void reject() override {}
};
