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

QString look_sheet(const char* frame)
{
    return QStringLiteral("QComboBox{color:rgb(255,255,255);\nborder:1px solid %1;\n}\nQComboBox{padding-left:2px}\nQComboBox::drop-down{\nborder-style:none;\nwidth:0px\n}\n"
                          "QLabel{color: rgb(255, 255, 255);border:1px solid %1;background-color:rgb(0, 0, 0)}")
        .arg(QLatin1String(frame));
}
} // namespace

yuqcontrol::yuqcontrol(QRect boxRect, QRect left, QRect right, QWidget* parent)
    : QWidget(parent),
      // One sheet for the three parts: the frames orange (live) or blue (held).
      m_live_sheet(look_sheet("rgb(255,171,84)")),
      m_held_sheet(look_sheet("rgb(71,119,255)"))
{
    m_font.setPointSize(9);
    box = new SlotBox(this);
    box->setObjectName(QStringLiteral("yuqcontrol"));
    box->setGeometry(boxRect);
    box->setFont(m_font);
    box->setFocusPolicy(Qt::NoFocus);
    label_right = new QLabel(this);
    label_right->setGeometry(right);
    label_right->setFont(m_font);
    label_right->setText(QStringLiteral(">"));
    label_left = new QLabel(this);
    label_left->setGeometry(left);
    label_left->setFont(m_font);
    label_left->setText(QStringLiteral("<"));
    setStyleSheet(m_live_sheet);
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

void yuqcontrol::set_box_default()
{
    m_live = true;
    kit::set_sheet(this, m_live_sheet);
}

void yuqcontrol::set_box_modify()
{
    m_live = false;
    kit::set_sheet(this, m_held_sheet);
}

void yuqcontrol::set_boxindexsel(char index)
{
    box->setCurrentIndex(static_cast<unsigned char>(index));
}
