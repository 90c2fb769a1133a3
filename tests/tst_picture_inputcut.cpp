// Input crops: the list over its pages, add, edit and delete through the panels, the
// table changing under an open screen (the PC), refused fields.
#include "shellsupport.h"

#include "ui/picture/inputcut.h"
#include "ui/shell/numberkeyboard.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>

using namespace shellsupport;

namespace {
YuqRamPara* P;
constexpr int kHdmi1 = 2;

uint16_t entry_word(int e) { return P->image16(img::CropTable + 10 * e); }

// Crops 1..n of HDMI1 in table entries 0..n-1, crop k sized k x 10k; taken as applied.
void hdmi1_crops(int n)
{
    for (int e = 0; e < n; ++e)
        set_crop(P, e, kHdmi1, e + 1, e + 1, 10 * (e + 1));
    settled(P);
}

void run(const std::function<void(InputCut*)>& body) { run_screen<InputCut>(page::InputCut, body); }

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

class TstPictureInputCut : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        std::memset(P->ram_para + img::CropTable, 0, 10 * CROP_COUNT);
        for (int s = 0; s < 6; ++s)
            set_timing(P, s, 1920, 1080, 60);
        settled(P);
    }

    // A full table: right visits the add button, the source and every crop once, in
    // order over the pages, then wraps; left from the add button is the last crop.
    void list_walk()
    {
        hdmi1_crops(CROP_COUNT);
        run([&](InputCut* s) {
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
            QCOMPARE(s->page_shown(), 6);
            QCOMPARE(selected(s), expected.last());
            keys(s, "RRQ"); // OK on the source cell opens nothing
            QVERIFY(!panel_shown(s));
        });
    }

    void add_takes_the_lowest_free_number_in_the_first_free_entry()
    {
        set_crop(P, 0, kHdmi1, 1, 100, 100);
        set_crop(P, 1, 3, 2, 100, 100); // HDMI2's crop 2
        set_crop(P, 3, kHdmi1, 3, 100, 100);
        settled(P);
        run([](InputCut* s) {
            keys(s, "QQRRRRRQ"); // list, add; X Y W H cancel save: no delete in the add panel
            QCOMPARE(entry_word(2), uint16_t(0x8000 | (1 << 8) | kHdmi1));
            QCOMPARE(int(P->image16(img::CropTable + 26)), 1920);
            QVERIFY(!panel_shown(s));
            QVERIFY(s->findChild<QLabel*>("sourcelistseq0name")->text().contains(">4<"));
            QVERIFY(tab_painted_as_its_text(s));
        });
        // A full table: the add panel saves nothing.
        for (int e = 0; e < CROP_COUNT; ++e)
            set_crop(P, e, 3, e + 1, 10, 10);
        settled(P);
        run([](InputCut* s) {
            keys(s, "QQSQ"); // tabs, list, add (save is left of X)
            QVERIFY(table_unchanged());
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
        run([](InputCut* s) {
            keys(s, "QRRRQ"); // list: add, source, crop 2, crop 5
            QCOMPARE(field(s, "lineEdit_W")->text(), QStringLiteral("50"));
            field(s, "lineEdit_X")->setText("7");
            keys(s, "SQ"); // save
            QCOMPARE(int(P->image16(img::CropTable + 2)), 7);
            QCOMPARE(entry_word(0), uint16_t(0x8000 | (4 << 8) | kHdmi1));
            QCOMPARE(int(P->image16(img::CropTable + 16)), 20); // crop 2 untouched
            engine_pass();
            keys(s, "SQSSSQ"); // crop 2, delete
            QCOMPARE(entry_word(1), uint16_t(0));
            QCOMPARE(P->image16(win(0, img::WinInput)), uint16_t(kHdmi1));
            QCOMPARE(P->image16(win(1, img::WinInput)), uint16_t(0x8000));
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
        run([&](InputCut* s) {
            ::keys(s, "QRRRQ"); // crop 2's edit panel (entry 1)
            if (name.isEmpty()) {
                set_crop(P, 1, 3, 1, 640, 480); // the PC: entry 1 is HDMI2's crop 1 now
                engine_pass();
            } else {
                field(s, qPrintable(name))->setText(text);
            }
            ::keys(s, keys.constData());
            QVERIFY(table_unchanged());
            QCOMPARE(int(EngineHandshake::instance().reapply.load()), 0);
            QCOMPARE(panel_shown(s), item >= 0);
            if (item >= 0)
                QCOMPARE(s->panel_focus(), item);
            else
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
        run([](InputCut* s) {
            keys(s, "QS");
            QCOMPARE(selected(s), QStringLiteral("HDMI1_crop6"));
            keys(s, "QSSSQ"); // delete
            QCOMPARE(selected(s), QStringLiteral("HDMI1_crop5"));
            P->set_image16(img::CropTable + 40, 0);
            release(s, 'Q');
            QVERIFY(!panel_shown(s));
        });
    }

    void panel_focus_survives_crops_deleted_by_the_pc()
    {
        hdmi1_crops(3);
        run([](InputCut* s) {
            keys(s, "QRRRQRRR"); // crop 2, H
            P->set_image16(img::CropTable + 20, 0); // the PC deletes crop 3
            engine_pass();
            QCOMPARE(s->panel_focus(), 3);
            // OK on H opens the pad for H, never deletes.
            bool padShown = false;
            QTimer::singleShot(0, [&] {
                padShown = g_numberkeyboard && g_numberkeyboard->isVisible();
                g_numberkeyboard->hide();
            });
            release(s, 'Q');
            QVERIFY(padShown);
            QCOMPARE(entry_word(1), uint16_t(0x8000 | (1 << 8) | kHdmi1));
        });
    }
};

QTEST_MAIN(TstPictureInputCut)
#include "tst_picture_inputcut.moc"
