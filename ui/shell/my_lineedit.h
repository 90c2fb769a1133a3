#pragma once
// A number field that asks its screen to open the number pad.
#include <QLineEdit>

class My_lineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit My_lineEdit(QWidget* parent = nullptr);

signals:
    // A touch on the field, or the screen's own key handler choosing it.
    void send_show(QString text);

protected:
    void mousePressEvent(QMouseEvent* e) override;
};
