#pragma once
// The number pad: one for the whole program (g_numberkeyboard), shown and hidden again.
// It has no page id: the screen underneath stays the page in front. Its keys go to no
// keypad shortcut, and the mode key does nothing here.
#include <QDialog>
#include <cstdint>

class QPushButton;
namespace Ui {
class NumberKeyboard;
}

// The pad, made on its first use (most sessions never open it): frameless over the right
// half of the panel.
class NumberKeyboard;
NumberKeyboard* number_pad();

class NumberKeyboard : public QDialog
{
    Q_OBJECT
public:
    explicit NumberKeyboard(QWidget* parent = nullptr);
    ~NumberKeyboard() override;
    // Title and current value; the caller then runs the pad with exec().
    void label_show(const QString& title, const QString& value);
    void language_changed();

    // For tests and screenshots.
    uint8_t focus_index() const { return ui_select; }
    QPushButton* key(int index) const { return m_keys[index]; }
    QString shown_value() const;
    QString title() const;
    static constexpr int KeyCount = 14;

signals:
    void sendKeyBoardUIDataToLineEdit(QString text);

public slots:
    void on_ButtonC_clicked();
    void on_ButtonX_clicked();
    void on_Button_ok_clicked();
    void on_Button_close_clicked();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    // Escape and a window manager's close do not close the pad; its keys do.
    void reject() override {}

private:
    void menulist_init();
    void set_look(int index, bool focused);
    void type_digit(int digit);

    Ui::NumberKeyboard* ui;
    uint8_t ui_select = 0;
    QPushButton* m_focused = nullptr;
    QPushButton* m_keys[KeyCount] = {};
};
