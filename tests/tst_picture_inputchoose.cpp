// Input choice: the window strip, the source strip, crop rows in crop-number order,
// confirmations (input word, re-apply byte, tip) and what stays after the refresh that
// follows; windows and crops that disappear while the screen is open; aliases.
#include "shellsupport.h"

#include "ui/picture/inputchoose.h"

#include <QFrame>
#include <QLabel>

using namespace shellsupport;

namespace {
YuqRamPara* P;

void show_windows(std::initializer_list<int> ws)
{
    for (int w = 0; w < 6; ++w)
        P->set_image16(win(w, img::WinFlags), 0);
    for (int w : ws)
        P->set_image16(win(w, img::WinFlags), 1);
}

void run(const std::function<void(InputChoose*)>& body) { run_screen<InputChoose>(page::InputChoose, body); }

// OK on a row: the tip that follows runs its own loop until 300 ticks have passed.
void confirm(InputChoose* s)
{
    QTimer::singleShot(0, [] { ticks(300); });
    release(s, 'Q');
}

QList<QFrame*> rows(InputChoose* s)
{
    QList<QFrame*> r = s->card()->findChildren<QFrame*>("source_frame", Qt::FindDirectChildrenOnly);
    r.erase(std::remove_if(r.begin(), r.end(), [](QFrame* f) { return f->isHidden(); }), r.end());
    std::sort(r.begin(), r.end(), [](QFrame* a, QFrame* b) { return a->x() < b->x(); });
    return r;
}

QString row_text(InputChoose* s, int i, const char* which = "row_name")
{
    return s->row_text(i, qstrcmp(which, "row_detail") == 0);
}
// "name detail" of row i.
QString row_line(InputChoose* s, int i) { return row_text(s, i) + ' ' + row_text(s, i, "row_detail"); }

int using_row(InputChoose* s)
{
    const QList<QFrame*> r = rows(s);
    int found = -1;
    for (int i = 0; i < r.size(); ++i)
        if (!r[i]->findChild<QLabel*>("row_badge")->isHidden()) {
            if (found >= 0)
                return -2; // two badges
            found = i;
        }
    return found;
}

QLabel* strip_label(InputChoose* s, int listseq)
{
    return s->findChild<QLabel*>(QStringLiteral("sourcelistseq%1name").arg(listseq));
}

// Band (0 windows, 1 sources, 2 rows), list page and focus.
QList<int> at(InputChoose* s) { return {s->band(), s->list_page(), s->focus()}; }

uint16_t input_word(int w) { return P->image16(win(w, img::WinInput)); }
} // namespace

class TstPictureInputChoose : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        show_windows({0});
        for (int w = 0; w < 6; ++w)
            P->set_image16(win(w, img::WinInput), 2);
        std::memset(P->ram_para + img::CropTable, 0, 400);
        for (int s = 0; s < 6; ++s)
            set_timing(P, s, 1920, 1080, 60);
        settled(P);
    }

    void window_strip_walk()
    {
        run([](InputChoose* s) {
            QCOMPARE(s->window_boxes(), 1);
            keys(s, "RSS");
            QCOMPARE(s->focus(), 7);
        });

        show_windows({0, 3});
        g_image_current = 3;
        run([](InputChoose* s) {
            QCOMPARE(s->window_boxes(), 2);
            QCOMPARE(s->focus(), 1);
            QCOMPARE(s->window(), 3);
            keys(s, "RRR");
            QCOMPARE(s->focus(), 0);
            QCOMPARE(int(g_image_current), 0); // the device's current window follows
            keys(s, "SSS");
            QCOMPARE(s->focus(), 1);
            QCOMPARE(int(g_image_current), 3);
            release(s, 'O');
            QCOMPARE(int(g_page_focus), int(page::MainWindow));
            QVERIFY(!g_inputchoose);
        });
    }

    void source_strip_signal_and_counts()
    {
        set_timing(P, 3, 1280, 720, 0); // HDMI2 without a rate: no signal
        set_crop(P, 0, 2, 1, 640, 360);
        set_crop(P, 1, 2, 2, 320, 200);
        settled(P);
        run([](InputChoose* s) {
            QVERIFY(strip_label(s, 0)->text().contains(">3<")); // HDMI1's crops
            // Into the source strip on the window's input (HDMI1), then to HDMI2.
            release(s, 'Q');
            QCOMPARE(at(s), (QList<int>{1, 0, 0}));
            release(s, 'R');
            QCOMPARE(s->listed_source(), 3);
            QCOMPARE(rows(s).size(), 1);
            QCOMPARE(row_text(s, 0, "row_detail"), QStringLiteral("No signal"));
            release(s, 'Q');
            QCOMPARE(s->band(), 2);
            keys(s, "RS"); // one row: stays on it
            QCOMPARE(at(s), (QList<int>{2, 0, 0}));
            keys(s, "OO");
            QCOMPARE(s->band(), 0);
            QCOMPARE(s->listed_source(), 2);
            // HDMI1's three rows: a row key keeps the same rows.
            keys(s, "QQ");
            const QList<QFrame*> before = rows(s);
            QCOMPARE(before.size(), 3);
            release(s, 'R');
            QCOMPARE(rows(s), before);
        });
    }

    void crops_count_in_crop_number_order()
    {
        // HDMI1's crops stand in the table as 3, 1, 2; window 0 uses crop 2 (entry 4).
        set_crop(P, 0, 2, 3, 300, 30);
        set_crop(P, 2, 2, 1, 100, 10);
        set_crop(P, 3, 4, 1, 50, 5); // another input's crop in between
        set_crop(P, 4, 2, 2, 200, 20);
        P->set_image16(win(0, img::WinInput), 0x8000 | 4);
        settled(P);
        run([](InputChoose* s) {
            QCOMPARE(s->box_name(0), QStringLiteral("HDMI1_Crop2"));
            QCOMPARE(row_line(s, 1), QStringLiteral("HDMI1_crop1 100x10"));
            QCOMPARE(row_line(s, 2), QStringLiteral("HDMI1_crop2 200x20"));
            QCOMPARE(using_row(s), 2);
            keys(s, "QQ");
            QCOMPARE(at(s), (QList<int>{2, 0, 2})); // the focus enters on the row in use
            release(s, 'R');
            QCOMPARE(at(s), (QList<int>{2, 1, 0}));
            QCOMPARE(row_line(s, 0), QStringLiteral("HDMI1_crop3 300x30"));
            QCOMPARE(using_row(s), -1);
            release(s, 'R'); // wraps
            QCOMPARE(at(s), (QList<int>{2, 0, 0}));
            release(s, 'S'); // to the last page's last row
            QCOMPARE(at(s), (QList<int>{2, 1, 0}));
            release(s, 'S');
            QCOMPARE(at(s), (QList<int>{2, 0, 2}));
        });
    }

    void confirmations_write_the_window_and_stay_on_it()
    {
        show_windows({0, 3});
        set_crop(P, 0, 2, 2, 200, 20);
        set_crop(P, 1, 2, 1, 100, 10);
        settled(P);
        g_image_current = 3;
        run([](InputChoose* s) {
            keys(s, "QQ"); // window 3, HDMI1's list
            QCOMPARE(s->window(), 3);
            release(s, 'R'); // row 1: crop 1, table entry 1
            EngineHandshake::instance().reapply = 0;
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(0x8001));
            QCOMPARE(int(EngineHandshake::instance().reapply), 1);
            QCOMPARE(int(g_tip_flag), 0);
            QCOMPARE(s->box_name(3), QStringLiteral("HDMI1_Crop1"));
            QCOMPARE(using_row(s), 1);
            // The engine applies it and asks for the refresh: nothing moves.
            P->test_signal(1);
            QCOMPARE(s->window(), 3);
            QCOMPARE(at(s), (QList<int>{2, 0, 1}));
            QCOMPARE(using_row(s), 1);
            release(s, 'R'); // crop 2, entry 0
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(0x8000));
            P->test_signal(1);
            keys(s, "SS"); // row 0: the input whole
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(2));
            QCOMPARE(input_word(0), uint16_t(2)); // window 0 never touched
            QCOMPARE(s->box_name(3), QStringLiteral("HDMI1"));
            // Another input: back to the source strip, HDMI4, its row 0.
            release(s, 'O');
            keys(s, "RRRQ");
            QCOMPARE(s->listed_source(), 5);
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(5));
            QCOMPARE(using_row(s), 0);
            P->test_signal(1);
            QCOMPARE(s->box_name(3), QStringLiteral("HDMI4"));
            QCOMPARE(s->window(), 3);
        });
    }

    void windows_disabled_while_open()
    {
        show_windows({0, 3, 5});
        settled(P);
        g_image_current = 5;
        run([](InputChoose* s) {
            QCOMPARE(s->focus(), 2);
            show_windows({0}); // the PC turns windows 3 and 5 off
            P->test_signal(1);
            QCOMPARE(s->window_boxes(), 1);
            QCOMPARE(s->window(), 0);
            QCOMPARE(s->focus(), 0);
            release(s, 'Q'); // enters on window 0
            QCOMPARE(s->band(), 1);
            release(s, 'O');
            QCOMPARE(s->focus(), 0);
            QVERIFY(s->box_name(5).isNull());
        });

        // In the source strip when the window goes: back lands inside the strip.
        show_windows({0, 3});
        settled(P);
        g_image_current = 3;
        run([](InputChoose* s) {
            release(s, 'Q');
            show_windows({0});
            P->test_signal(1);
            release(s, 'O');
            QCOMPARE(at(s), (QList<int>{0, 0, 0}));
            QCOMPARE(s->window(), 0);
        });
    }

    void crops_deleted_by_the_pc()
    {
        set_crop(P, 0, 2, 1, 100, 10);
        set_crop(P, 1, 2, 2, 200, 20);
        set_crop(P, 2, 2, 3, 300, 30);
        set_crop(P, 3, 2, 4, 400, 40);
        settled(P);
        run([](InputChoose* s) {
            keys(s, "QQRRR"); // page 1, crop 3
            QCOMPARE(at(s), (QList<int>{2, 1, 0}));
            // Deleted while the engine has not reported yet: OK on the vanished row does nothing.
            std::memset(P->ram_para + img::CropTable + 20, 0, 20);
            EngineHandshake::instance().reapply = 0;
            release(s, 'Q');
            QCOMPARE(input_word(0), uint16_t(2));
            QCOMPARE(int(EngineHandshake::instance().reapply), 0);
            QCOMPARE(int(g_tip_flag), 0);
            // The refresh brings the focus back inside the list.
            P->test_signal(1);
            QCOMPARE(at(s), (QList<int>{2, 0, 2}));
            QCOMPARE(rows(s).size(), 3);
            QVERIFY(strip_label(s, 0)->text().contains(">3<"));
            confirm(s);
            QCOMPARE(input_word(0), uint16_t(0x8001));
        });
    }

    void aliases()
    {
        set_crop(P, 7, 2, 1, 100, 10);
        settled(P);
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{
            "source":[{"id":2,"valid":"on","name":"<i>Cam</i>"},{"id":3,"valid":"off","name":"Off"}],
            "crop":[{"id":7,"valid":"on","name":"<b>Left half of the stage</b>"}]}})");
        run([](InputChoose* s) {
            const QString hdmi1 = strip_label(s, 0)->text();
            QVERIFY(hdmi1.contains("&lt;i&gt;"));
            QVERIFY(!hdmi1.contains("<i>"));
            QVERIFY(strip_label(s, 1)->text().contains(">HDMI2<"));
            QCOMPARE(row_text(s, 0), QStringLiteral("HDMI1"));
            const QString crop = row_text(s, 1);
            QVERIFY(crop.startsWith("<b>Left"));
            QVERIFY(crop.endsWith(QChar(0x2026)));
            // The PC replaces the file.
            testsupport::put_file("/data/configs/alias.json",
                                  R"({"namelist":{"source":[{"id":3,"valid":"on","name":"Desk"}]}})");
            P->test_signal(103);
            QVERIFY(strip_label(s, 0)->text().contains(">HDMI1<"));
            QVERIFY(strip_label(s, 1)->text().contains(">Desk<"));
            QCOMPARE(row_text(s, 1), QStringLiteral("HDMI1_crop1"));
        });
    }

    void mode_key()
    {
        run([](InputChoose* s) {
            P->set_image16(img::KeyLock, 1);
            release(s, 'M');
            QCOMPARE(g_inputchoose, s);
            P->set_image16(img::KeyLock, 0);
            release(s, 'M');
            QCOMPARE(int(g_page_focus), int(page::CustomMode));
            QVERIFY(!g_inputchoose);
            kit::close_page(page::CustomMode);
        });
    }
};

QTEST_MAIN(TstPictureInputChoose)
#include "tst_picture_inputchoose.moc"
