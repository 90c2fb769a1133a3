#pragma once
// The slot selector box of the user-mode screen: a combo box between a "<" and a ">"
// label. Its owner fills the box, moves the selection and switches the look: live
// (orange frames, the keys move it) or held (blue frames, the focus is elsewhere).
// It takes neither keyboard focus nor mouse input: only the owner's keys change it.
#include <QFont>
#include <QRect>
#include <QWidget>

class QComboBox;
class QLabel;

class yuqcontrol : public QWidget
{
    Q_OBJECT
public:
    yuqcontrol(QRect box, QRect left, QRect right, QWidget* parent);

    void set_box_default(); // live look
    void set_box_modify();  // held look
    void set_boxindexsel(char index);

    bool is_live() const { return m_live; }

    QComboBox* box = nullptr;
    QLabel* label_left = nullptr;
    QLabel* label_right = nullptr;

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QString m_live_sheet, m_held_sheet;
    QFont m_font;
    bool m_live = true;
};
