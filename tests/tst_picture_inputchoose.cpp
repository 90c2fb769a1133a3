// Input choice: the window strip, the source strip, crop rows in crop-number order,
// confirmations (input word, re-apply byte) and what stays after the refresh that
// follows; windows and crops that disappear while the screen is open; aliases; the way
// back from the crop and EDID screens.
#include "shellsupport.h"

#include "ui/picture/edidset.h"
#include "ui/picture/inputchoose.h"
#include "ui/picture/inputcut.h"

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
    return rows(s).at(i)->findChild<QLabel*>(which)->text();
}

QString strip_text(InputChoose* s, int listseq)
{
    return s->findChild<QLabel*>(QStringLiteral("sourcelistseq%1name").arg(listseq))->text();
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

    void source_strip_signal_and_counts()
    {
        set_timing(P, 3, 1280, 720, 0); // HDMI2 without a rate: no signal
        set_crop(P, 0, 2, 1, 640, 360);
        set_crop(P, 1, 2, 2, 320, 200);
        settled(P);
        run([](InputChoose* s) {
            QVERIFY(strip_text(s, 0).contains(">3<")); // HDMI1's crops
            keys(s, "QR"); // the source strip on HDMI1, then HDMI2
            QCOMPARE(s->listed_source(), 3);
            QCOMPARE(row_text(s, 0, "row_detail"), QStringLiteral("No signal"));
            // HDMI1's three rows: a row key keeps the same rows.
            keys(s, "SQ");
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
            QCOMPARE(s->box_name(0)->text(), QStringLiteral("HDMI1_Crop2"));
            QCOMPARE(row_text(s, 1), QStringLiteral("HDMI1_crop1"));
            keys(s, "QQ");
            QCOMPARE(at(s), (QList<int>{2, 0, 2})); // the focus enters on the row in use
            QCOMPARE(row_text(s, 2, "row_detail"), QStringLiteral("200x20"));
            release(s, 'R');
            QCOMPARE(at(s), (QList<int>{2, 1, 0}));
            QCOMPARE(row_text(s, 0), QStringLiteral("HDMI1_crop3"));
        });
    }

    // It opens on the current window, which follows the window strip (wrapping). The input
    // word of the chosen window: a crop's table entry, the input whole, another input; the
    // refresh that follows moves nothing.
    void confirmations_write_the_window_and_stay_on_it()
    {
        show_windows({0, 3});
        set_crop(P, 0, 2, 2, 200, 20);
        set_crop(P, 1, 2, 1, 100, 10);
        settled(P);
        g_image_current = 3;
        run([](InputChoose* s) {
            keys(s, "RRR"); // wraps
            QCOMPARE(int(g_image_current), 0);
            keys(s, "SSS");
            QCOMPARE(s->window(), 3);
            keys(s, "QQR"); // window 3, HDMI1's row 1: crop 1, table entry 1
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(0x8001));
            QCOMPARE(int(EngineHandshake::instance().reapply), 1);
            P->test_signal(1);
            QCOMPARE(at(s), (QList<int>{2, 0, 1}));
            keys(s, "S"); // row 0: the input whole
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(2));
            release(s, 'O');
            keys(s, "RRRQ"); // HDMI4, its row 0
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(5));
            P->test_signal(1);
            QCOMPARE(s->box_name(3)->text(), QStringLiteral("HDMI4"));
            QCOMPARE(s->window(), 3);
            QCOMPARE(input_word(0), uint16_t(2)); // window 0 never touched
        });
    }

    // The PC turns windows off while the screen is open, in the window or the source strip.
    void windows_disabled_while_open()
    {
        show_windows({0, 3, 5});
        settled(P);
        g_image_current = 5;
        run([](InputChoose* s) {
            show_windows({0});
            P->test_signal(1);
            QCOMPARE(s->window_boxes(), 1);
            QCOMPARE(s->focus(), 0);
        });

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
        for (int c = 1; c <= 4; ++c)
            set_crop(P, c - 1, 2, c, 100 * c, 10 * c);
        settled(P);
        run([](InputChoose* s) {
            keys(s, "QQRRR"); // page 1, crop 3
            // Deleted while the engine has not reported yet: OK on the vanished row does nothing.
            std::memset(P->ram_para + img::CropTable + 20, 0, 20);
            release(s, 'Q');
            QCOMPARE(input_word(0), uint16_t(2));
            QCOMPARE(int(EngineHandshake::instance().reapply), 0);
            // The refresh brings the focus back inside the list.
            P->test_signal(1);
            QCOMPARE(at(s), (QList<int>{2, 0, 2}));
            QCOMPARE(rows(s).size(), 3);
        });
    }

    // Names from the alias file are shown as text, never as markup, and cut to the row.
    void aliases()
    {
        set_crop(P, 7, 2, 1, 100, 10);
        settled(P);
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{
            "source":[{"id":2,"valid":"on","name":"<i>Cam</i>"},{"id":3,"valid":"off","name":"Off"}],
            "crop":[{"id":7,"valid":"on","name":"<b>Left half of the stage</b>"}]}})");
        run([](InputChoose* s) {
            QVERIFY(strip_text(s, 0).contains("&lt;i&gt;"));
            QVERIFY(strip_text(s, 1).contains(">HDMI2<"));
            const QString crop = row_text(s, 1);
            QVERIFY(crop.startsWith("<b>Left"));
            QVERIFY(crop.endsWith(QChar(0x2026)));
            QCOMPARE(rows(s).at(1)->findChild<QLabel*>("row_name")->textFormat(), Qt::PlainText);
            // The PC replaces the file.
            testsupport::put_file("/data/configs/alias.json",
                                  R"({"namelist":{"source":[{"id":3,"valid":"on","name":"Desk"}]}})");
            P->test_signal(103);
            QVERIFY(strip_text(s, 1).contains(">Desk<"));
            QCOMPARE(row_text(s, 1), QStringLiteral("HDMI1_crop1"));
        });
    }

    // The crop and EDID screens lead back to it, filled again in place, the new crop counted.
    void children_lead_back_to_it()
    {
        run([](InputChoose* s) {
            const QFrame* card = s->card();
            QTimer::singleShot(0, [] {
                QVERIFY(g_inputcut);
                keys(g_inputcut, "QQRRRRRQOO"); // add a crop to HDMI1, then back twice
            });
            keys(s, "SSQ"); // the crop button: left of the EDID button, left of the strip
            QVERIFY(strip_text(s, 0).contains(">2<"));
            QTimer::singleShot(0, [] {
                QVERIFY(g_edidset);
                release(g_edidset, 'O');
            });
            keys(s, "RQ");
            QCOMPARE(int(g_page_focus.load()), int(page::InputChoose));
            QCOMPARE(s->card(), card);
        });
    }
};

QTEST_MAIN(TstPictureInputChoose)
#include "tst_picture_inputchoose.moc"
