#pragma once
// The USB-stick upgrade screen (page 26): the upgrade packages of the stick's upgrade
// folder, four to a page, and OK to have the FPGA thread run the upgrade. The screen
// reads no package itself; the end of the upgrade arrives as code 104, and the FPGA side
// says how it ended (a failure in red, with the package). After a run that installed
// nothing, OK starts another.
#include "ui/shell/pagedlist.h"
#include "ui/shell/screenkit.h"

#include <QStringList>
#include <QVector>

namespace Ui {
class firmware_usbgrade;
}
class QLabel;
class QPushButton;

class firmware_usbgrade : public PanelDialog
{
    Q_OBJECT
public:
    explicit firmware_usbgrade(QWidget* parent = nullptr);
    ~firmware_usbgrade() override;

    static constexpr int RowsPerPage = kit::PagedList::Rows;

    void retext() override;
    void refresh(kit::Refresh code) override;
    void back() override;

    // State, read by tests.
    const QStringList& files() const { return file_list; }
    bool marked(int i) const { return i >= 0 && i < m_marks.size() && m_marks[i]; }
    int page() const { return m_list->page(); }
    bool started() const { return file_downing; }
    QLabel* row_label(int r) const { return m_list->row_label(r); }
    QPushButton* row_button(int r) const { return m_list->row_button(r); }
    QPushButton* previous_button() const { return m_list->previous_button(); }
    QPushButton* next_button() const { return m_list->next_button(); }
    QLabel* log_label() const;

    void get_file_list_smartpath();
    void upgrade_file_list();
    // The OK action; false when nothing was started.
    bool menulist_button_ok_page();

public slots:
    void on_Button_grade_clicked();

protected:
    void key_ok() override;
    bool key_mode() override;

private:
    void show_log(const QString& text, const char* colour, int px);
    void show_log_html(const QString& html);
    QString named_html(Txt line, const QStringList& packages, const char* colour) const;
    void clear_log();
    void show_nothing();
    void show_end();

    Ui::firmware_usbgrade* ui;
    QStringList file_list;
    QVector<bool> m_marks;
    int yuq_count = 0;
    int yuqzk_count = 0;
    bool file_downing = false; // set by OK; cleared by the end of a run that installed nothing
    // What the log shows, in the language of the moment: nothing, OK's refusal of an empty
    // list, or the end of the upgrade.
    enum class Log { Empty, Nothing, End } m_log = Log::Empty;
    QString m_start_time;
    kit::PagedList* m_list;
};
