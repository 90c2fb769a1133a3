#pragma once
// The aging log (page 23): the sampler's lines eight a page, each as the sample time and
// both FPGAs' registers 42, 40 (five status flags, green set, red clear) and 43, and per
// FPGA how often register 42 grew by less than 3, 5, 10, 20 or more between samples.
// View only; the panel clock's request after every sampling period redraws it.
#include "ui/shell/screenkit.h"

#include <QFont>
#include <cstdint>

namespace Ui {
class factoryage;
}
class QLabel;
class QPushButton;

class factoryage : public PanelDialog
{
    Q_OBJECT
public:
    explicit factoryage(QWidget* parent = nullptr);
    ~factoryage() override;

    static constexpr int LinesPerPage = 8;

    // Texts are the same in every language.
    void retext() override {}
    void back() override;
    void request(int what, int value, const QString& text) override;

    void ageloginit();
    void update_agelog();
    // The rich text of one log line (two display lines), empty when it has not 8 fields.
    static QString line_text(const QString& line);
    // Pages of a log of n lines.
    static unsigned pages(int n) { return unsigned((n + LinesPerPage - 1) / LinesPerPage); }

    // State (tests).
    unsigned page() const { return m_page; }
    int focus_index() const { return ui_select; }
    QLabel* list() const { return m_list; }
    QLabel* page_label() const;
    QLabel* total_label() const;
    QLabel* band_label(int band) const;

public slots:
    void on_ButtonNext_clicked();
    void on_ButtonPriv_clicked();

protected:
    void key_left() override { toggle(); }
    void key_right() override { toggle(); }
    void key_ok() override;

private:
    void menulist_init();
    void toggle();
    void show_bands();

    Ui::factoryage* ui;
    QWidget* m_container = nullptr;
    QFont m_font;
    uint8_t ui_select = 0;
    unsigned m_page = 0;
    QLabel* m_list = nullptr;
    QString m_text;
    QPushButton* m_buttons[2] = {};
};
