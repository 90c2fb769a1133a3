#pragma once
// Input choice (page 3): the window strip, the six inputs in list order with their signal,
// and a list of the chosen input's choices (the input whole, then its crops, three a page).
// Confirming a row puts it on the window.
#include "ui/shell/screenkit.h"

#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QRect>

namespace Ui {
class InputChoose;
}

class InputChoose : public PanelDialog
{
    Q_OBJECT
public:
    explicit InputChoose(QWidget* parent = nullptr);
    ~InputChoose() override;

    void refresh(kit::Refresh code) override;
    // Texts, and the lists again: the crop and EDID screens re-text this screen when they
    // close, after changing crops or signals.
    void retext() override;
    void back() override;
    void initSource();
    void crop_source_num_update();

    // State (tests).
    int band() const { return ui_seltype; }
    int focus() const { return ui_select; }
    int window() const { return image_index; }
    int list_page() const { return current_page; }
    int listed_source() const { return source_number; }
    int window_boxes() const { return image_count; }
    QString box_name(int window) const; // null when the window has no box
    // The name a window's box draws, where on the screen and in which font; null when none.
    QString box_text(int window, QRect* place, QFont* font) const;
    QRect strip_focus() const;          // the ring in the strip; empty when none is drawn
    QFrame* card() const { return m_card.data(); }
    QString row_text(int row, bool detail) const;
    // Where that text is drawn, on the screen, and in which font: as a label there would.
    QRect row_text_place(int row, bool detail, QFont* font) const;

public slots:
    void yuq_source_button_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;
    void key_back() override;

private:
    void menulist_init();
    void retext_own();
    void build_card();
    const char* row_look(int row) const;
    struct CardRow;
    class Row;
    Row* card_row(int row);
    void move_row_focus(int from);
    void strip_key();
    void row_key(int before, int page, int rows);
    void initMenu();
    QString TextCreate(char window, char = 0) const;
    void imagemenu();
    void draw_strip_focus();
    void image_select();
    void on_Button_source_clicked();
    int source_current_check();
    void source_name_update();
    void source_check_update();
    void para_source_index_init();
    void para_uiselect_init();
    void input_source_changed(char window);
    void read_in_use();
    void follow_window_input();
    int box_position(int window) const;
    void yuq_button_inputcut_clicked();
    void yuq_button_EDID_clicked();

    Ui::InputChoose* ui;
    uint8_t ui_select = 0;
    uint8_t ui_seltype = 0;
    uint8_t image_index = 0;
    uint8_t source_number = 0;
    uint8_t source_listseq = 0;
    uint8_t source_id = 0;
    uint16_t source_type = 0;
    uint8_t crop_id = 0;
    uint8_t image_ui_select = 0;
    uint8_t current_page = 0;
    uint8_t last_page = 0;
    uint8_t image_count = 0;
    uint8_t image_list[6] = {};
    QString m_inputName;

    // The window strip, one drawn widget: its boxes are filled again when windows come or go.
    class Strip;
    Strip* m_strip = nullptr;
    // The card of the listed input: three rows made when first listed, filled in place.
    QPointer<QFrame> m_card;
    Row* m_rows[3] = {};
    int m_usedRow = -1; // row of the card's page the window uses
    int m_cardRows = 0; // rows of the listed input at the last fill
};
