#pragma once
// LED size and splicing (page 13): the wall's width and height, how the picture is split
// over the engine's two outputs, and output 1's size. Apply writes them into the image
// and, when the panel changed, starts the LED-size change on the engine and the FPGAs.
// Keypad only: the buttons and the combo box are driven from the key handler.
#include "ui/shell/screenkit.h"

#include <cstdint>

namespace Ui {
class ledset;
}
class QComboBox;
class QLineEdit;
namespace kit {
class NumberFields;
}

// The wall's limits and the splits the screen proposes.
namespace ledsize {
constexpr int MinSide = 512;
constexpr int MaxSide = 16376;
constexpr int MaxPixels = 13107200;
constexpr int CopyMaxWidth = 8188;
// Splice modes as the image stores them.
constexpr int Vertical = 2, Horizontal = 3, Copy = 4;

int mode_of_index(int index);  // 0 horizontal, 1 vertical, 2 copy
int index_of_mode(int mode);   // anything but 2 and 3 is copy

struct Split
{
    int out1w = 0, out2w = 0, out1h = 0, out2h = 0;
    bool operator==(const Split& o) const
    {
        return out1w == o.out1w && out2w == o.out2w && out1h == o.out1h && out2h == o.out2h;
    }
};
// The split proposed for a mode; copy ignores the width cap (the caller applies it).
Split propose(int mode, int W, int H);
// Whether output 1 (a x b) and output 2's height c split W x H as the mode needs.
bool fits(int mode, int W, int H, int a, int b, int c);
// A side typed on the pad: 512..16376 (digits too long for a number count as too large).
int clamp_side(const QString& typed, bool* corrected);
} // namespace ledsize

class ledset : public PanelDialog
{
    Q_OBJECT
public:
    explicit ledset(QWidget* parent = nullptr);
    ~ledset() override;

    static constexpr int ItemCount = 7;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // Plain members, not slots: browsing the box changes nothing until OK, and apply is
    // reached only through the key handler.
    void on_comboBox_currentIndexChanged(int index);
    void on_Button_apply1_clicked();
    // The pad's value for one of the four number fields, corrected by the entry rules.
    void confirm(QLineEdit* field, const QString& typed);

    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    bool combo_editing() const { return combo_edit; }
    int splice() const { return splice_mode; }
    QWidget* item(int i) const { return menulist[i]; }

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void para_init();
    void menulist_init();
    void combox_language_change();
    void out_label_changed();
    void move(int dir);
    void show_split(const ledsize::Split& s);
    int copy_width(); // W, capped (and shown capped) in copy mode
    void set_focus_look(int index, bool focused);

    Ui::ledset* ui;
    uint8_t ui_select = 0;
    uint8_t splice_index = 0;
    uint8_t splice_mode = 0;
    bool combo_edit = false;
    QWidget* menulist[ItemCount] = {};
    kit::NumberFields* m_fields = nullptr;
};
