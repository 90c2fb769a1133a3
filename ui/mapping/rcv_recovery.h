#pragma once
// The receiving-card query and self-recovery (page 25): Query posts card job 5, Recovery
// job 6 for the card the query found; the progress wheel runs meanwhile. The outcome and
// the list's entries reach the screen on the GUI thread as kit requests.
#include "ui/shell/pagedlist.h"
#include "ui/shell/screenkit.h"

#include <QStringList>

namespace Ui {
class rcv_recovery;
}
class QLabel;
class QPushButton;

class rcv_recovery : public PanelDialog
{
    Q_OBJECT
public:
    explicit rcv_recovery(QWidget* parent = nullptr);
    ~rcv_recovery() override;

    static constexpr int RowsPerPage = kit::PagedList::Rows;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;
    void request(int what, int value, const QString& text) override;

    // State, read by tests.
    uint8_t focus_index() const { return ui_select; }
    int page() const { return m_list->page(); }
    const QStringList& entries() const { return m_entries; }
    bool blocked() const { return block_flag; }
    QLabel* row_label(int r) const { return m_list->row_label(r); }
    QPushButton* row_button(int r) const { return m_list->row_button(r); }
    QPushButton* previous_button() const { return m_list->previous_button(); }
    QPushButton* next_button() const { return m_list->next_button(); }
    // The text shown when no entry is listed (empty or failed), null while rows show.
    QLabel* note_label() const { return m_list->note_label(); }
    // Tests: entries as the FPGA side would hand them.
    void set_entries(const QStringList& entries);

    void rcv_self_recovery_file_list();

protected:
    void key_left() override;
    void key_right() override;
    void key_ok() override;

private:
    void select(int index);
    bool post(uint8_t job);

    Ui::rcv_recovery* ui;
    QStringList m_entries;     // the result list, GUI thread only
    bool m_found = false;      // the last query found a card
    bool m_failed = false;     // the last query failed
    uint8_t ui_select = 0;
    bool block_flag = false;
    QWidget* m_focus[2] = {};
    kit::PagedList* m_list;
};
