#include "yuqcontrol.h"

#include "ui/shell/screenkit.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>

namespace {
// The box never opens its list (it takes no input): a font change need not make the list's
// popup, which costs more than the rest of the box.
class SlotBox : public QComboBox
{
public:
    explicit SlotBox(QWidget* parent) : QComboBox(parent) {}

protected:
    void changeEvent(QEvent* e) override
    {
        if (e->type() == QEvent::FontChange)
            QWidget::changeEvent(e);
        else
            QComboBox::changeEvent(e);
    }
};
} // namespace

yuqcontrol::yuqcontrol(QRect boxRect, QRect left, QRect right, QWidget* parent)
    : QWidget(parent),
      m_labelLive(QStringLiteral("color: rgb(255, 255, 255);border:1px solid rgb(255,171,84);background-color:rgb(0, 0, 0)")),
      m_labelHeld(QStringLiteral("color: rgb(255, 255, 255);border:1px solid rgb(71,119,255);background-color:rgb(0, 0, 0)")),
      m_boxLive(QStringLiteral("QComboBox{color:rgb(255,255,255);\nborder:1px solid rgb(255,171,84);\n}\nQComboBox:drop-down{\nborder-style:none\n}")),
      m_boxHeld(QStringLiteral("QComboBox{color:rgb(255,255,255);\nborder:1px solid rgb(71,119,255);\n}\nQComboBox:drop-down{\nborder-style:none\n}"))
{
    m_font.setPointSize(9);
    box = new SlotBox(this);
    box->setObjectName(QStringLiteral("yuqcontrol"));
    box->setGeometry(boxRect);
    box->setFont(m_font);
    box->setFocusPolicy(Qt::NoFocus);
    box->setStyleSheet(m_boxLive);
    label_right = new QLabel(this);
    label_right->setGeometry(right);
    label_right->setFont(m_font);
    label_right->setStyleSheet(m_labelLive);
    label_right->setText(QStringLiteral(">"));
    label_left = new QLabel(this);
    label_left->setGeometry(left);
    label_left->setFont(m_font);
    label_left->setStyleSheet(m_labelLive);
    label_left->setText(QStringLiteral("<"));
    // A touch would change the shown slot behind the screen's back: the box lets presses
    // through to the screen and swallows any mouse or wheel event sent to it directly.
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(box),
                       static_cast<QWidget*>(label_left), static_cast<QWidget*>(label_right)}) {
        w->setAttribute(Qt::WA_TransparentForMouseEvents);
        w->installEventFilter(this);
    }
}

bool yuqcontrol::eventFilter(QObject* o, QEvent* e)
{
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
        return true;
    default:
        return QWidget::eventFilter(o, e);
    }
}

// A sheet on the box restyles its list of sixteen slots too: only when the look changes.
void yuqcontrol::set_box_default()
{
    m_live = true;
    kit::set_sheet(box, m_boxLive);
    kit::set_sheet(label_left, m_labelLive);
    kit::set_sheet(label_right, m_labelLive);
}

void yuqcontrol::set_box_modify()
{
    m_live = false;
    kit::set_sheet(box, m_boxHeld);
    kit::set_sheet(label_left, m_labelHeld);
    kit::set_sheet(label_right, m_labelHeld);
}

void yuqcontrol::set_boxindexsel(char index)
{
    box->setCurrentIndex(static_cast<unsigned char>(index));
}
