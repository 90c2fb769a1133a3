#pragma once
// Number fields and the one number pad: see ui/shell/README.md.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class NumberKeyboard;

class QLineEdit;
class My_lineEdit;
class QWidget;

namespace kit {

// The number pad as a screen uses it. The screen's fields open the one pad
// (show_numberkeyboard_ui), and the value confirmed there comes back through
// confirmString to the field it was opened for. Every screen with number fields connects
// to the pad, so a screen acts only on its own request: a confirmation for another
// screen's field (one opened above it, say) never touches this one.
class NumberFields : public QObject
{
    Q_OBJECT
public:
    // The pad's title for a field (by its object name and the language).
    using Title = std::function<QString(const QLineEdit* field)>;
    // Writes the confirmed value into the field, corrected as the screen needs, and
    // applies it. Without one the value is written as it is.
    using Apply = std::function<void(QLineEdit* field, const QString& value)>;

    NumberFields(QWidget* screen, Title title, Apply apply = Apply());
    ~NumberFields() override;
    // A number field of this screen: its send_show opens the pad.
    void add(My_lineEdit* field);
    bool owns(const QLineEdit* field) const;
    // The pad's title for one of these fields.
    QString title(const QLineEdit* field) const { return m_title ? m_title(field) : QString(); }
    // The pad is open for one of these fields (or for this screen's ask()).
    bool pending() const { return m_pending; }
    // A value asked on the pad without a field (an access code): runs the pad modally and
    // returns once it has closed, true with the confirmed text in `value`. False when the
    // pad was closed without OK, was busy, or the screen closed meanwhile (then `this` is
    // gone: the caller checks kit::still_open before touching its screen).
    bool ask(const QString& title, const QString& shown, QString* value);

public slots:
    // From a field's send_show (the sender is the field): runs the pad modally.
    void show_numberkeyboard_ui(QString text);
    // From the pad's OK.
    void confirmString(QString value);

private:
    NumberKeyboard* pad(); // made on first use, connected to this set once

    Title m_title;
    Apply m_apply;
    QList<QPointer<QLineEdit>> m_fields;
    bool m_pending = false;
    bool m_asking = false;   // ask() runs: a confirmation is its answer
    bool m_answered = false;
    QString m_answer;
};

} // namespace kit
