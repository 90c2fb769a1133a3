#pragma once
// Other settings (page 17): per-window volume, the switch effect between windows, the
// device's WiFi access point and dot-by-dot for all windows, each a drop-down field edited
// with the keys and applied on OK; the projection field has no action.
#include "ui/shell/screenkit.h"

#include <QVector>
#include <cstdint>

namespace Ui {
class othersetup;
}
class QComboBox;

class othersetup : public PanelDialog
{
    Q_OBJECT
public:
    explicit othersetup(QWidget* parent = nullptr);
    ~othersetup() override;

    // Focus order of the fields.
    enum Field { Window = 0, Volume, Switch, Projection, Wifi, Dbd, FieldCount };
    static constexpr int FadeSteps = 60; // fade words written for a fade switch

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    void para_init();
    // Applies the focused field's value (reached only through the key handler).
    void on_button_box_clicked();

    // State (tests).
    int focus_index() const { return ui_select; }
    bool editing() const { return m_editing; }
    QComboBox* field(int f) const { return m_fields[f]; }
    const QVector<int>& listed_windows() const { return m_windows; }

protected:
    void key_left() override { arrow(-1); }
    void key_right() override { arrow(1); }
    void key_ok() override;
    void key_back() override;

private:
    void menulist_init();
    void arrow(int dir);
    void set_look(int f, int look);
    int count(int f) const;
    void apply_volume();
    void apply_switch(bool fade);
    void apply_wifi(bool off);
    void apply_dbd(bool on);

    Ui::othersetup* ui;
    uint8_t ui_select = 0;
    bool m_editing = false;
    uint8_t m_value = 0;
    uint8_t m_saved = 0;
    QComboBox* m_fields[FieldCount] = {};
    QVector<int> m_windows; // window number (0..5) of each ImageVolume item
};
