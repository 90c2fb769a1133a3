// Input choice (source strip, crop rows, confirmations, things vanishing under it, aliases)
// and input crops (the list, add, edit, delete, refused fields, the table changing under it).
#include "shellsupport.h"

#include "ui/picture/edidset.h"
#include "ui/picture/inputchoose.h"
#include "ui/picture/inputcut.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/shell/sourceinfo.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

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

QString strip_text(InputChoose* s, int listseq)
{
    return s->findChild<QLabel*>(QStringLiteral("sourcelistseq%1name").arg(listseq))->text();
}

// Band (0 windows, 1 sources, 2 rows), list page and focus.
QList<int> at(InputChoose* s) { return {s->band(), s->list_page(), s->focus()}; }

uint16_t input_word(int w) { return P->image16(win(w, img::WinInput)); }

// The listed rows' "Using" badges, "in use" or "-" each.
QString badges(InputChoose* s)
{
    QStringList b;
    for (QFrame* r : rows(s))
        b << (r->findChild<QLabel*>("row_badge")->isHidden() ? "-" : "in use");
    return b.join(' ');
}

constexpr int kHdmi1 = 2;

// The list position the source tab stands on.
int tab(InputChoose* s) { return (s->findChild<QFrame*>("frame1")->x() - 1) / 53; }

uint16_t entry_word(int e) { return P->image16(img::CropTable + 10 * e); }

// Crops 1..n of HDMI1 in table entries 0..n-1, crop k sized k x 10k; taken as applied.
void hdmi1_crops(int n)
{
    for (int e = 0; e < n; ++e)
        set_crop(P, e, kHdmi1, e + 1, e + 1, 10 * (e + 1));
    settled(P);
}

void run_cut(const std::function<void(InputCut*)>& body) { run_screen<InputCut>(page::InputCut, body); }

QLineEdit* field(InputCut* s, const char* name) { return s->findChild<QLineEdit*>(name); }

bool panel_shown(InputCut* s) { return !s->findChild<QFrame*>("frame_add")->isHidden(); }

bool table_unchanged()
{
    return std::memcmp(P->ram_para + img::CropTable, P->ram_para_old + img::CropTable, 10 * CROP_COUNT) == 0;
}

// The name in the selected cell, "add" for the add button, "" for none.
QString selected(InputCut* s)
{
    if (s->add() && s->add()->styleSheet().contains("255,171,84"))
        return QStringLiteral("add");
    for (QFrame* c : s->list()->findChildren<QFrame*>(QRegularExpression("^cell\\d$")))
        if (c->styleSheet().contains("#FFA854"))
            return s->list()->findChildren<QLabel*>("cell_name").at(c->objectName().mid(4).toInt())->text();
    return QString();
}

// The tabs are drawn from kept pictures: HDMI1's tab must show what the label itself
// paints for its current text.
bool tab_painted_as_its_text(InputCut* s)
{
    QLabel* tab = s->findChild<QLabel*>("sourcelistseq0name");
    QLabel plain(s);
    plain.setGeometry(tab->geometry());
    plain.setFont(tab->font());
    plain.setStyleSheet(tab->styleSheet());
    plain.setAlignment(tab->alignment());
    plain.setTextFormat(Qt::RichText);
    plain.setText(tab->text());
    return plain.grab().toImage() == tab->grab().toImage();
}

// The refresh that follows an applied change, as the engine's pass ends.
void engine_pass()
{
    SyncUpdate::pInstance()->para_sync(1);
    settled(P);
}
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
        settled(P);
    }

    // The strip counts an input's crops and marks one without signal; the rows stand in
    // crop-number order, the focus enters on the row in use, a row key keeps the same rows.
    void strip_and_rows()
    {
        // HDMI1's crops stand in the table as 3, 1, 2; window 0 uses crop 2 (entry 4).
        set_crop(P, 0, 2, 3, 300, 30);
        set_crop(P, 2, 2, 1, 100, 10);
        set_crop(P, 3, 4, 1, 50, 5); // another input's crop in between
        set_crop(P, 4, 2, 2, 200, 20);
        P->set_image16(win(0, img::WinInput), 0x8000 | 4);
        set_timing(P, 3, 1280, 720, 0); // HDMI2 without a rate: no signal
        settled(P);
        run([](InputChoose* s) {
            QVERIFY(strip_text(s, 0).contains(">4<"));
            QCOMPARE(s->box_name(0), QStringLiteral("HDMI1_Crop2"));
            QCOMPARE(s->row_text(1, false), QStringLiteral("HDMI1_crop1"));
            keys(s, "QR"); // the source strip on HDMI1, then HDMI2
            QCOMPARE(s->row_text(0, true), QStringLiteral("No signal"));
            keys(s, "SQ");
            const QList<QFrame*> before = rows(s);
            keys(s, "SR");
            QCOMPARE(rows(s), before);
            release(s, 'R'); // from crop 2, the row in use
            QCOMPARE(at(s), (QList<int>{2, 1, 0}));
            QCOMPARE(s->row_text(0, false), QStringLiteral("HDMI1_crop3"));
            keys(s, "RS"); // wraps both ways
            QCOMPARE(at(s), (QList<int>{2, 1, 0}));
        });
    }

    // A box names its window's input inside the box: a crop's name too long even at the
    // smallest size shows that it is cut and keeps the crop number whole ("HDMI1" and a
    // pixel of the underscore read as the input whole).
    void box_name_keeps_the_crop_number_data()
    {
        QTest::addColumn<int>("source"); QTest::addColumn<int>("crop"); QTest::addColumn<QString>("name");
        QTest::newRow("input whole") << kHdmi1 << 0 << "HDMI1";
        QTest::newRow("HDMI1 crop 1") << kHdmi1 << 1 << "HDMI1_Crop1";
        QTest::newRow("DVI crop 12") << 1 << 12 << "DVI_Crop12";
    }
    void box_name_keeps_the_crop_number()
    {
        QFETCH(int, source); QFETCH(int, crop); QFETCH(QString, name);
        set_crop(P, 0, source, crop ? crop : 1, 100, 10);
        P->set_image16(win(0, img::WinInput), uint16_t(crop ? 0x8000 : source));
        settled(P);
        run([&](InputChoose* s) {
            QCOMPARE(s->box_name(0), name);
            QRect place;
            QFont font;
            const QString shown = s->box_text(0, &place, &font);
            for (const auto& line : kit::ink_lines(font, place, Qt::AlignLeft | Qt::AlignVCenter, shown))
                QVERIFY2(place.contains(line.second), qPrintable(shown));
            if (!crop)
                QCOMPARE(shown, name);
            else
                QVERIFY2(shown.startsWith(QChar(0x2026)) && shown.endsWith(QStringLiteral("p%1").arg(crop)), qPrintable(shown));
        });
    }

    // The input word of the chosen window (reached by wrapping): a crop's table entry, the
    // input whole, another input; the refresh that follows moves nothing, no stale badge.
    void confirmations_write_the_window_and_stay_on_it()
    {
        show_windows({0, 3});
        set_crop(P, 0, 2, 2, 200, 20);
        set_crop(P, 1, 2, 1, 100, 10);
        settled(P);
        g_image_current = 3;
        run([](InputChoose* s) {
            keys(s, "RRRSSSQQR"); // wraps to window 0 and back to 3; HDMI1's row 1: crop 1, entry 1
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(0x8001));
            QCOMPARE(int(EngineHandshake::instance().reapply), 1);
            P->test_signal(1);
            QCOMPARE(at(s), (QList<int>{2, 0, 1}));
            keys(s, "S"); // row 0: the input whole
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(2));
            QCOMPARE(badges(s), QStringLiteral("in use - -"));
            release(s, 'O');
            keys(s, "RRRQ"); // HDMI4, its row 0
            confirm(s);
            QCOMPARE(input_word(3), uint16_t(5));
            P->test_signal(1);
            QCOMPARE(s->box_name(3), QStringLiteral("HDMI4"));
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
        });
    }

    void crops_deleted_by_the_pc()
    {
        hdmi1_crops(4);
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
        });
    }

    // The PC rewrites the crop window 0 uses to another input's, or deletes it (the window
    // falls back to EXT): the tab goes with the listed input, and OK enters the strip there;
    // in the strip the tab stays and only the "Using" badge follows.
    void tab_follows_the_crop_in_use_changed_by_the_pc_data()
    {
        QTest::addColumn<int>("from"); QTest::addColumn<int>("to"); // -1: deleted
        QTest::newRow("EXT crop -> HDMI1 crop") << 0 << kHdmi1;
        QTest::newRow("HDMI1 crop deleted") << kHdmi1 << -1;
    }
    void tab_follows_the_crop_in_use_changed_by_the_pc()
    {
        QFETCH(int, from); QFETCH(int, to);
        set_crop(P, 0, from, 1, 100, 10);
        P->set_image16(win(0, img::WinInput), 0x8000);
        settled(P);
        run([&](InputChoose* s) {
            if (to < 0)
                P->set_image16(img::CropTable, 0);
            else
                set_crop(P, 0, to, 1, 100, 10);
            engine_pass();
            const int listed = qMax(to, 0);
            const int seq = sourceinfo::get_listseq_by_source_id(uchar(listed));
            QCOMPARE(s->listed_source(), listed);
            QCOMPARE(tab(s), seq);
            release(s, 'Q');
            QCOMPARE(at(s), (QList<int>{1, 0, seq}));
            QCOMPARE(s->listed_source(), listed);
            QCOMPARE(badges(s), to < 0 ? QStringLiteral("in use") : QStringLiteral("- in use"));
            // In the strip the tab stays; the badge follows the window, now on EXT.
            P->set_image16(img::CropTable, 0);
            engine_pass();
            QCOMPARE(tab(s), seq);
            QCOMPARE(badges(s), to < 0 ? QStringLiteral("in use") : QStringLiteral("-"));
        });
    }

    // Names from the alias file are shown as text, never as markup, and cut to the row.
    void aliases()
    {
        set_crop(P, 7, 2, 1, 100, 10);
        settled(P);
        testsupport::put_file("/data/configs/alias.json", R"({"namelist":{
            "source":[{"id":2,"valid":"on","name":"<i>Cam</i>"}],
            "crop":[{"id":7,"valid":"on","name":"<b>Left half of the stage</b>"}]}})");
        run([](InputChoose* s) {
            QVERIFY(strip_text(s, 0).contains("&lt;i&gt;"));
            QVERIFY(s->row_text(1, false).endsWith(QChar(0x2026)));
            // The PC replaces the file.
            testsupport::put_file("/data/configs/alias.json",
                                  R"({"namelist":{"source":[{"id":3,"valid":"on","name":"Desk"}]}})");
            P->test_signal(103);
            QVERIFY(strip_text(s, 1).contains(">Desk<"));
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
            QCOMPARE(s->card(), card);
        });
    }

    // A full table: right visits the add button, the source and every crop once, in
    // order over the pages, then wraps; left from the add button is the last crop.
    void list_walk()
    {
        hdmi1_crops(CROP_COUNT);
        run_cut([&](InputCut* s) {
            release(s, 'Q');
            QStringList seen, expected{"add", "HDMI1"};
            for (int k = 1; k <= CROP_COUNT; ++k)
                expected << QStringLiteral("HDMI1_crop%1").arg(k);
            for (int i = 0; i < expected.size(); ++i) {
                seen << selected(s);
                release(s, 'R');
            }
            QCOMPARE(seen, expected);
            release(s, 'S');
            QCOMPARE(selected(s), expected.last());
            keys(s, "RRQ"); // OK on the source cell opens nothing
            QVERIFY(!panel_shown(s));
        });
    }

    // Add takes the lowest free number of its source and the first free entry, and paints
    // the source tab for the new count; a full table takes nothing.
    void add_takes_the_lowest_free_number_in_the_first_free_entry()
    {
        set_crop(P, 0, kHdmi1, 1, 100, 100);
        set_crop(P, 1, 3, 2, 100, 100); // HDMI2's crop 2
        set_crop(P, 3, kHdmi1, 3, 100, 100);
        settled(P);
        run_cut([](InputCut* s) {
            QVERIFY(tab_painted_as_its_text(s)); // painted before the count changes
            keys(s, "QQRRRRRQ"); // list, add; X Y W H cancel save: no delete in the add panel
            QCOMPARE(entry_word(2), uint16_t(0x8000 | (1 << 8) | kHdmi1));
            QVERIFY(s->findChild<QLabel*>("sourcelistseq0name")->text().contains(">4<"));
            QVERIFY(tab_painted_as_its_text(s));
        });
        for (int e = 0; e < CROP_COUNT; ++e)
            set_crop(P, e, 3, e + 1, 10, 10);
        settled(P);
        run_cut([](InputCut* s) {
            keys(s, "QQSQ"); // tabs, list, add (save is left of X)
            QVERIFY(table_unchanged());
        });
    }

    // The 41st crop: save leaves the add panel open, says why and stores nothing; the next
    // key takes the line away. The 40th was stored as any other.
    void full_table_refuses_visibly()
    {
        for (int e = 0; e < CROP_COUNT - 1; ++e)
            set_crop(P, e, 3, e + 1, 10, 10); // HDMI2's
        settled(P);
        run_cut([](InputCut* s) {
            keys(s, "QQSQ"); // list, add, save
            QVERIFY(!panel_shown(s) && !s->refusal());
            QCOMPARE(entry_word(CROP_COUNT - 1), uint16_t(0x8000 | kHdmi1));
            engine_pass();
            keys(s, "QSQ"); // add again, save
            QVERIFY(table_unchanged());
            QVERIFY(panel_shown(s));
            QCOMPARE(s->panel_focus(), 6);
            QVERIFY(s->refusal()->isVisible());
            QCOMPARE(s->refusal()->text(), QStringLiteral("All 40 crops in use!"));
            release(s, 'O'); // back: the list again
            QVERIFY(!panel_shown(s) && !s->refusal()->isVisible());
        });
    }

    // The add panel's four fields are what the new entry holds, each in its own word.
    void add_stores_the_fields_typed()
    {
        run_cut([](InputCut* s) {
            keys(s, "QQ"); // list, add
            const char* names[4] = {"lineEdit_X", "lineEdit_Y", "lineEdit_W", "lineEdit_H"};
            for (int i = 0; i < 4; ++i)
                field(s, names[i])->setText(QString::number(11 * (i + 1)));
            keys(s, "RRRRRQ"); // save
            QList<int> entry;
            for (int i = 0; i < 5; ++i)
                entry << P->image16(img::CropTable + 2 * i);
            QCOMPARE(entry, (QList<int>{0x8000 | kHdmi1, 11, 22, 33, 44}));
        });
    }

    // Save changes only its entry; deleting a crop a window shows puts that window on the
    // crop's source.
    void edit_and_delete_touch_only_their_entry()
    {
        set_crop(P, 0, kHdmi1, 5, 50, 50);
        set_crop(P, 1, kHdmi1, 2, 20, 20);
        P->set_image16(win(0, img::WinInput), 0x8001); // window 0 shows crop 2
        P->set_image16(win(1, img::WinInput), 0x8000); // window 1 shows crop 5
        settled(P);
        run_cut([](InputCut* s) {
            keys(s, "QRRRQ"); // list: add, source, crop 2, crop 5
            field(s, "lineEdit_X")->setText("7");
            keys(s, "SQ"); // save
            QCOMPARE(int(P->image16(img::CropTable + 2)), 7);
            QCOMPARE(int(P->image16(img::CropTable + 16)), 20); // crop 2 untouched
            engine_pass();
            keys(s, "SQSSSQ"); // crop 2, delete
            QCOMPARE(entry_word(1), uint16_t(0));
            QCOMPARE(input_word(0), uint16_t(kHdmi1));
            QCOMPARE(input_word(1), uint16_t(0x8000));
        });
    }

    // Refused fields keep the panel open on the field to mend; an entry the PC changed under
    // the panel closes it. Neither writes the table.
    void refused_saves_data()
    {
        QTest::addColumn<QString>("name"); // "" for the PC's change
        QTest::addColumn<QString>("text"); QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("item"); // the field to mend, -1 for a closed panel
        QTest::newRow("not a number") << "lineEdit_Y" << "1*2" << QByteArray("SQ") << 1;
        QTest::newRow("above 16 bits") << "lineEdit_X" << "40000" << QByteArray("SQ") << 0;
        QTest::newRow("zero width") << "lineEdit_W" << "0" << QByteArray("SQ") << 2;
        QTest::newRow("changed entry, save") << "" << "" << QByteArray("SQ") << -1;
        QTest::newRow("changed entry, delete") << "" << "" << QByteArray("SSSQ") << -1;
    }
    void refused_saves()
    {
        QFETCH(QString, name); QFETCH(QString, text); QFETCH(QByteArray, keys); QFETCH(int, item);
        hdmi1_crops(2);
        run_cut([&](InputCut* s) {
            ::keys(s, "QRRRQ"); // crop 2's edit panel (entry 1)
            if (name.isEmpty()) {
                set_crop(P, 1, 3, 1, 640, 480); // the PC: entry 1 is HDMI2's crop 1 now
                engine_pass();
            } else {
                field(s, qPrintable(name))->setText(text);
            }
            ::keys(s, keys.constData());
            QVERIFY(table_unchanged());
            QCOMPARE(panel_shown(s) ? s->panel_focus() : -1, item);
            if (item < 0)
                QCOMPARE(selected(s), QStringLiteral("HDMI1_crop1")); // the nearest entry left
        });
    }

    // A map left from another table (the PC rewrote it) is rebuilt when the screen opens;
    // deleting the last entry moves to the nearest; a crop the PC deleted without a refresh
    // yet opens nothing.
    void stale_map_last_entry_and_missing_entries()
    {
        hdmi1_crops(6); // crop 6 alone on page 1
        std::memset(g_cut_source_state, 0xFF, sizeof g_cut_source_state);
        run_cut([](InputCut* s) {
            keys(s, "QS");
            QCOMPARE(selected(s), QStringLiteral("HDMI1_crop6"));
            keys(s, "QSSSQ"); // delete
            QCOMPARE(selected(s), QStringLiteral("HDMI1_crop5"));
            P->set_image16(img::CropTable + 40, 0);
            release(s, 'Q');
            QVERIFY(!panel_shown(s));
        });
    }

    // The PC deletes another crop while a field of the edit panel has the focus.
    void panel_focus_survives_crops_deleted_by_the_pc()
    {
        hdmi1_crops(3);
        run_cut([](InputCut* s) {
            keys(s, "QRRRQRRR"); // crop 2, H
            P->set_image16(img::CropTable + 20, 0); // the PC deletes crop 3
            engine_pass();
            // OK on H opens the pad for H, never deletes.
            bool padShown = false;
            QTimer::singleShot(0, [&] {
                padShown = g_numberkeyboard && g_numberkeyboard->isVisible();
                g_numberkeyboard->hide();
            });
            release(s, 'Q');
            QVERIFY(padShown && entry_word(1) == (0x8000 | (1 << 8) | kHdmi1));
        });
    }
};

QTEST_MAIN(TstPictureInputChoose)
#include "tst_picture_inputchoose.moc"
