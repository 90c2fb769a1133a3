#pragma once
// The paged list of the USB upgrade and card-recovery screens: a frame "frame_file" inside
// the screen's frame, four rows (a label under a flat, focus-less button named by the row)
// and previous/next arrows. Every rebuild replaces the frame and clears the row pointers,
// so a touch never reaches a row of an earlier page; the page is kept within the list.
#include <QObject>
#include <QString>
#include <functional>

class QFrame;
class QLabel;
class QPushButton;
class QWidget;

namespace kit {

class PagedList : public QObject
{
    Q_OBJECT
public:
    static constexpr int Rows = 4;
    static const char* const RowSheet;
    static const char* const ChosenSheet;

    struct Row
    {
        QString text;
        bool rich = false; // markup of our own; anything from outside is plain text
        bool chosen = false;
    };
    // Fills the row of list entry `index`; false draws no row there.
    using Fill = std::function<bool(int index, Row* row)>;

    explicit PagedList(QWidget* host);

    // Rebuilds the page for `count` entries; `empty` is shown when there is none.
    void rebuild(int count, const Fill& fill, const QString& empty);

    int page() const { return m_page; }
    void set_page(int page) { m_page = page; }
    QLabel* row_label(int r) const;
    QPushButton* row_button(int r) const;
    QPushButton* previous_button() const { return m_previous; }
    QPushButton* next_button() const { return m_next; }
    // The empty text's label while no row is listed, else null.
    QLabel* note_label() const { return m_note; }
    // The row last touched (0..3), shown chosen; reset with set_chosen(0).
    int chosen() const { return m_chosen; }
    void set_chosen(int row) { m_chosen = row; }

signals:
    // An arrow changed the page: the screen rebuilds the list.
    void paged(int page);

private:
    void previous();
    void next();
    void row_touched();

    QWidget* m_host;
    QFrame* m_frame = nullptr;
    QLabel* m_rows[Rows] = {};
    QPushButton* m_buttons[Rows] = {};
    QLabel* m_note = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    int m_page = 0;
    int m_last = 0;
    int m_chosen = 0;
};

} // namespace kit
