#pragma once
// Window layout (page 9): one window at a time (name, source, state, rectangle, mirror,
// dot-by-dot) under a strip of the six window tiles; left and right pick the panel's
// current window. A view only: it writes nothing into the image.
#include "ui/shell/screenkit.h"
#include "core/yuqrampara.h"

namespace Ui {
class ImageLayout;
}

class ImageLayout : public PanelDialog
{
    Q_OBJECT
public:
    explicit ImageLayout(QWidget* parent = nullptr);
    ~ImageLayout() override;

    // Texts, then the shown window drawn again: the input-choice screen re-texts this one
    // when it closes, after it may have changed the window's input.
    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    void image_init();
    void image_para_update();

    int shown_window() const { return ui_select; } // tests

protected:
    void key_left() override;
    void key_right() override;

private:
    void menulist_init();
    void step(int dir);
    void mirror_select(int value);
    void fill_dbd_items();
    void load_names();

    Ui::ImageLayout* ui;
    uint8_t ui_select = 0; // the shown window
    QString m_names[WINDOW_COUNT]; // each window's name line, from the alias file
};
