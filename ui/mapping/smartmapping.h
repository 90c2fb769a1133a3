#pragma once
// The mapping wizard (page 24): a left menu of four functions and a stack of eight pages.
// Debugging screen (pages 0-3): cabinet size, output port, rows, columns, route and
// offsets, then Send (job 1). Load scan (pages 4-5): port and scan file (job 2). Curing
// parameter (page 6, job 3). Mapping (page 7): the mapping switch (job 4).
// A job runs under the progress wheel; while it exists every handler that would change
// the page or post again is refused, and a refused handler changes no state at all.
#include "ui/shell/numberfields.h"
#include "ui/shell/screenkit.h"

#include <QPointer>
#include <QStringList>

namespace Ui {
class SmartMapping;
}
class QFrame;
class QLabel;
class QPushButton;
class QToolButton;

class SmartMapping : public PanelDialog
{
    Q_OBJECT
public:
    explicit SmartMapping(QWidget* parent = nullptr);
    ~SmartMapping() override;

    static constexpr int PortGroups = 3;   // LED1-8, LED9-16, LED17-20
    static constexpr int FilesPerPage = 3;
    static constexpr int MaxFiles = 100;

    void retext() override;
    // Stick events rebuild the list in front; other codes re-text on a language change.
    void refresh(kit::Refresh code) override;
    // The back action (nothing while a job runs); also the PC link's after it wrote or
    // deleted a scan file.
    void back() override;
    // How the job just run ended (kit::ReqJobOutcome); other requests as every dialog.
    void request(int what, int value, const QString& text) override;

    // State (tests).
    int menu() const { return menu_select; }
    bool entered() const { return menu_entered; }
    int page_index() const;
    int step() const { return shortcut_page; }
    int scan_files_found() const { return scan_file_found; }
    int listed_files() const { return file_list.size(); }
    int device_files() const { return smart_file_count; }
    int list_page() const { return current_page; }
    // g_wzfile_name: the scan file chosen on the list (a device path), or empty.
    static QString chosen_file();
    QLabel* file_label(int k) const;
    // The line that tells why the last job failed, shown from the wheel's end to the next key.
    QLabel* failure_label() const { return m_failure; }

public slots:
    void on_Button_shortcut_clicked();
    void on_Button_loadscan_clicked();
    void on_Button_paraweld_clicked();
    void on_Button_mapping_clicked();
    void on_Button_next_clicked();
    void on_Button_front_2_clicked();
    void on_Button_next_2_clicked();
    void on_Button_front_3_clicked();
    void on_Button_send_clicked();
    void on_Button_route_clicked();
    void on_Button_cancel_clicked();
    void on_Button_next_5_clicked();
    void on_Button_front_6_clicked();
    void on_Button_load_clicked();
    void on_Button_confirm_clicked();
    void on_Button_mapping_state_clicked();
    void yuq_button_wlan_clicked();
    void yuq_button_file_clicked();
    void yuq_Button_previous_clicked();
    void yuq_Button_next_clicked();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;
    void key_back() override;
    void keyReleaseEvent(QKeyEvent* e) override;

private:
    // Frame and menu.
    void menulist_init();
    void menu_move(int dir);
    void key_move(int dir);
    void menulist_main_sel();
    void menulist_fuc_sel_default();
    void button_select(QPushButton* b);
    void wlan_foucus_style(QPushButton* b);
    bool wheel() const;
    // Posts a card job under a new wheel; false (and no wheel left) when refused.
    bool post_job(uint8_t job);
    void style_menu_fonts();

    // Handlers that the wheel refuses return false and then change nothing.
    bool show_shortcut();
    bool back_to_step2();
    bool back_to_loadscan_step1();
    bool show_function(int function);

    // Debugging screen.
    void group_clicked(int group, bool loadscan);
    void wlan_init(unsigned char page, unsigned char = 0);
    void mark_port_cell(int cell, bool marked);
    void set_port(int port);
    void line_select(int route);
    int field_value(const QLineEdit* field) const;
    QString pad_title(const QLineEdit* field) const;
    void apply_number(QLineEdit* field, const QString& value);
    bool texts_due(int page);
    void texts_page2();
    void language_for_shortcutt_page0();
    void language_for_shortcutt_page1();
    void language_for_shortcutt_page2();
    void language_for_shortcutt_page3();
    QString route_text(int route) const;
    void menulist_shortcut_page1_init();
    void menulist_shortcut_page1_move(int dir);
    void menulist_shortcut_default();
    void menulist_shortcut_page2_init();
    void menulist_shortcut_page2_move(int dir);
    void menulist_shortcut_page2_sel_default();
    void menulist_shortcut_page2_sel_recovery();
    void menulist_shortcut_page3_init();
    void menulist_shortcut_page3_move(int dir);
    void menulist_shortcut_page3_sel_default();
    void menulist_shortcut_page3_sel_recovery();
    void menulist_shortcut_page3_button_route_init();
    void menulist_shortcut_page3_button_route_move(int dir);
    void menulist_shortcut_page3_button_route_ok();
    void menulist_shortcut_button_ok_page();
    void menulist_shortcut_back_page();
    void grid_move(int dir, bool loadscan);

    // Load scan, curing, mapping switch.
    void language_for_loadscan_page4();
    void language_for_loadscan_page5();
    void language_for_paraweld_page6();
    void language_for_mapping_onoff_page7();
    int count_scan_files(); // 1 when the device folder or the stick holds a scan file, else 0
    void build_file_list();
    void scan_file_list(unsigned char = 0);
    // Writes g_wzfile_name (never while a wheel exists: a running job 2 reads it).
    void choose_file(const QString& path);
    void job_progress(int value);
    // Shows why a job failed (or could not start), until the next key; JobDone shows nothing.
    void show_outcome(int outcome);
    void show_failure();
    // Job 4 failed: bit 7 and the switch's picture as they were before it.
    void undo_switch();
    bool device_entry(int index) const { return index < smart_file_count; }
    QString file_sheet(int index, bool selected, bool focused) const;
    void mark_entry(int k, bool focused);
    int entries_on_page() const;
    // Bit 7 of FPGA 0 and 1 as bits 0 and 1, read now; -1 when one does not answer.
    static constexpr int BothOn = 3;
    int mapping_bits() const;
    // The same from the mirrors: what each FPGA last answered.
    int mirror_bits() const;
    void show_mapping_state(bool on);
    void menulist_loadscan_page1_init(unsigned char enter);
    void menulist_loadscan_page1_move(int dir);
    void menulist_loadscan_page1_sel_recovery();
    void menulist_loadscan_page2_init();
    void menulist_loadscan_page2_move(int dir);
    void menulist_loadscan_button_ok_page();
    void menulist_loadscan_back_page();
    void menulist_paraweld_page1_init();
    void menulist_mapping_page1_init();
    void menulist_function_back_page();

    Ui::SmartMapping* ui;
    QLabel* m_failure = nullptr;
    int m_outcome = 0;          // JobOutcome of the running job, shown when its wheel ends
    int m_shown_outcome = 0;    // the failure on show (re-texted with the language)
    int m_switch_undo = -1;     // job 4: both bits 7 before it (as mapping_bits), -1 when none runs
    int m_texted[8] = {-1, -1, -1, -1, -1, -1, -1, -1}; // language each page was texted in
    kit::NumberFields* m_numbers = nullptr;

    QPushButton* m_menu_highlight = nullptr;
    QPushButton* m_group_highlight = nullptr;
    QPushButton* m_menu[4] = {};
    uint8_t menu_select = 0;
    bool menu_entered = false;
    int scan_file_found = 0;
    uint8_t shortcut_page = 0;
    bool route_picker_open = false;
    uint8_t loadscan_page = 0;

    // Debugging screen.
    uint8_t port_group = 0;
    uint8_t port_index = 0;
    uint8_t page1_select = 0;
    uint8_t page2_select = 0;
    bool port_grid_active = false;
    bool port_chosen = false;
    uint8_t port_saved = 0;
    uint8_t page3_select = 0;
    uint8_t route_select = 0;
    QPointer<QFrame> m_grid;
    QPushButton* m_cell_buttons[8] = {};
    QFrame* m_cell_frames[8] = {};
    QWidget* m_page1_focus[3] = {};
    QWidget* m_page2_focus[5] = {};
    QWidget* m_page3_focus[7] = {};
    QToolButton* m_routes[17] = {};

    // Load scan.
    QStringList file_list;       // device paths: /data/smartmapping first, then the stick
    int smart_file_count = 0;
    int current_page = 0;
    int last_page = 0;
    bool file_page_shown = false;
    bool m_list_stale = false;   // a stick event came while the list was not in front
    uint8_t loadscan_select = 0;
    bool loadscan_grid_active = false;
    bool loadscan_port_chosen = false;
    uint8_t loadscan_button_select = 0;
    uint8_t loadscan_entry_select = 0;
    bool loadscan_on_buttons = false;
    QPointer<QFrame> m_file_frame;
    QLabel* m_file_labels[FilesPerPage] = {};
    QPushButton* m_file_buttons[FilesPerPage] = {};
    QString m_file_paths[FilesPerPage];
};
