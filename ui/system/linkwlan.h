#pragma once
// Ethernet settings (page 22): address, mask and gateway as four octet fields each, typed
// on the number pad; Apply stores the rows the operator edited and reconfigures eth0.
// Keypad only: the buttons act through the OK key.
#include "ui/shell/screenkit.h"

#include <cstdint>

namespace Ui {
class linkwlan;
}
class QLineEdit;
namespace kit {
class NumberFields;
}

namespace ipv4 {
// A typed octet as stored: decimal 0..255 without leading zeros ("010" is 10, never
// octal); a null string when the text is no such number (empty, too large, not digits).
QString octet(const QString& typed);
} // namespace ipv4

class linkwlan : public PanelDialog
{
    Q_OBJECT
public:
    explicit linkwlan(QWidget* parent = nullptr);
    ~linkwlan() override;

    static constexpr int RowCount = 3;   // address, mask, gateway
    static constexpr int FieldCount = 12;
    static constexpr int ItemCount = 14; // the fields, Apply, Cancel

    void retext() override;
    void back() override;

    // Reached through the OK key on Apply.
    void on_Button_net_apply_clicked();
    // The pad's value for one of the fields.
    void confirm(QLineEdit* field, const QString& typed);

    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    QWidget* item(int i) const { return menulist[i]; }
    bool marked(int field) const { return m_bad[field]; }

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void menulist_init();
    // The fields show the stored texts (parts 0..3 of each; missing parts empty).
    void para_init();
    QString sheet(int index, bool focused) const;
    void restyle(int index);
    void move(int dir);

    Ui::linkwlan* ui;
    uint8_t ui_select = 0;
    QWidget* menulist[ItemCount] = {};
    QLineEdit* m_field[FieldCount] = {};
    bool m_edited[RowCount] = {};
    bool m_bad[FieldCount] = {};
    kit::NumberFields* m_fields = nullptr;
};
