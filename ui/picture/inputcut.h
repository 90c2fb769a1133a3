#pragma once
// Input crops (page 7): the six sources as tabs, the chosen source's list (the source
// itself, then its crops in crop-number order, six a page, with the add button), and the
// add and edit panels whose fields take numbers from the number pad.
#include "ui/shell/screenkit.h"
#include "core/yuqrampara.h"

#include "ui/shell/numberfields.h"

#include <array>

#include <QFont>
#include <QFrame>
#include <QHash>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

class QLabel;
class QLineEdit;

namespace Ui {
class InputCut;
}

class InputCut : public PanelDialog
{
    Q_OBJECT
public:
    enum Area { Tabs = 0, List = 1, AddPanel = 2, EditPanel = 3 };

    explicit InputCut(QWidget* parent = nullptr);
    ~InputCut() override;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // State (tests).
    int area() const { return focus_area; }
    int selection() const { return ui_select; }
    int page_shown() const { return current_pag; }
    int listed_source() const { return source_number; }
    int panel_focus() const { return panel_item; }
    QFrame* list() const { return m_list.data(); }
    // Why the last save stored nothing, shown until the next key (null before the first).
    QLabel* refusal() const { return m_refusal; }
    QPushButton* add() const { return add_button.data(); }

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;
    void key_back() override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    void crop_source_num_update();
    void source_name_update();
    int source_current_check();
    void build_list();
    void add_cells(int count);
    void source_init();
    QString list_crop_name(int index, uint16_t word);
    void yuq_button_input_clicked();
    void open_add();
    void open_edit();
    void show_panel(bool edit);
    bool save();
    void erase();
    void panel_done(); // the list again, the panel closed
    void para_changed_over();
    void yuq_sel_info(int item, int mode);
    void panel_move(int dir);
    void list_next();
    void list_prev();
    void keep_selection_in_list();
    QLineEdit* panel_field(int item) const;
    QWidget* panel_widget(int item) const;
    bool read_fields(CROP_PARA* crop, int* badItem) const;
    void caption();
    void panel_texts();

    Ui::InputCut* ui;
    kit::NumberFields* m_fields = nullptr;
    uint8_t ui_select = 0;
    uint8_t focus_area = Tabs;
    uint8_t tab_select_saved = 0;
    uint8_t list_select_saved = 0;
    uint8_t current_pag = 0;
    uint8_t last_page = 0;
    uint8_t source_number = 2; // HDMI1
    int max_source_info = 1;
    QString source_name;
    // The open panel: its own focus item 0..6 (X, Y, W, H, delete, cancel, save), and for
    // the edit panel the crop's table entry and its entry word as they were at opening.
    uint8_t panel_item = 0;
    int panel_index = -1;
    uint16_t panel_word = 0;
    QString crop_name;

    QLabel* m_tabs[6] = {}; // the source tabs' names
    QFrame* tab_frame = nullptr;
    // The list: six cells and the add button, built once, filled by source_init.
    struct Cell
    {
        QFrame* frame = nullptr;
        QLabel* state = nullptr;
        QLabel* icon = nullptr;
        QLabel* name = nullptr;
        QLabel* size = nullptr;
        bool fitted = false; // the size shows the source's timing, fitted to the cell
        std::array<QWidget*, 5> widgets() const { return {frame, state, icon, name, size}; }
    };
    QPointer<QFrame> m_list;
    QPointer<QPushButton> add_button;
    Cell m_cells[6];
    int m_cellCount = 0; // cells made so far
    QFont m_cellFont;
    int m_cellIcon = -1;             // the source picture the cells show
    QHash<quint64, QString> m_cropNames; // list names by source, table entry and entry word
    QPushButton* button_cancel = nullptr; // the panel's buttons, made when one first opens
    QPushButton* button_ok = nullptr;
    QPushButton* button_delete = nullptr;
    QLabel* m_refusal = nullptr; // made at the first refused save
};
