// EDID settings: the input row and its card, the edit panel's focus order, width and
// height through the number pad, refused sizes, the rate field (toggle, OK, back), what
// SAVE, Cancel and Delete write, the refresh of the card, back to input choice, and the
// saved record reaching the input's EDID memory on the simulated receiver.
#include "shellsupport.h"

#include "engine/c331_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/picture/edidset.h"
#include "ui/picture/inputchoose.h"
#include "ui/shell/my_lineedit.h"
#include "ui/shell/numberkeyboard.h"

#include <QFrame>
#include <QLabel>

using namespace shellsupport;

namespace {
YuqRamPara* P;

bool focus_look(QWidget* w) { return w->styleSheet().contains("255,171,84"); }

void set_edid(int s, int w, int h, int hz)
{
    P->set_image16(img::Edid + 6 * s, uint16_t(w));
    P->set_image16(img::Edid + 6 * s + 2, uint16_t(h));
    P->set_image16(img::Edid + 6 * s + 4, uint16_t(hz));
}

QString edid(int s)
{
    const int r = img::Edid + 6 * s;
    return QStringLiteral("%1x%2@%3").arg(P->image16(r)).arg(P->image16(r + 2)).arg(P->image16(r + 4));
}

void run(const std::function<void(EDIDset*)>& body) { QVERIFY(in_screen<EDIDset>(page::EDIDset, body)); }

My_lineEdit* field(EDIDset* s, const char* name) { return s->findChild<My_lineEdit*>(QLatin1String(name)); }

QString rate_text(EDIDset* s) { return s->findChild<QLabel*>("label_rate")->text(); }

// Opens the pad on the focused field from a key and types `digits` there, then OK.
void type_on_pad(EDIDset* s, const QString& digits)
{
    QTimer::singleShot(0, [digits] {
        auto press_at = [pad = g_numberkeyboard](int index) {
            while (pad->focus_index() != index)
                release(pad, 'R');
            release(pad, 'Q');
        };
        for (QChar c : digits)
            press_at(c == QLatin1Char('0') ? 9 : c.digitValue() - 1);
        press_at(13); // OK
    });
    release(s, 'Q');
}
} // namespace

class TstPictureEdidset : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        P = fresh_panel();
        g_page_focus = page::InputChoose; // as opened from input choice
        settled(P);
    }
    void cleanup()
    {
        c331_manage::destroy_for_test();
        zarvosource::destroy_for_test();
    }

    // The input row wraps and the card shows the chosen record; the edit panel walks width,
    // height, rate, Delete, Cancel, SAVE and wraps, the focus look on one line alone.
    void input_row_and_panel_focus()
    {
        set_edid(0, 1024, 768, 75);
        settled(P);
        run([](EDIDset* s) {
            QCOMPARE(s->card_timing(), QStringLiteral("1920x1080@60Hz"));
            release(s, 'S'); // left on HDMI1: EXT
            QCOMPARE(s->shown_source(), 0);
            QCOMPARE(s->card_timing(), QStringLiteral("1024x768@75Hz"));
            keys(s, "RSS"); // HDMI1, EXT, DVI
            QCOMPARE(s->shown_source(), 1);
            release(s, 'Q');
            QList<int> lines;
            for (char k : QByteArray("RRRRRRS")) {
                lines << s->line();
                for (int i = 0; i < EDIDset::LineCount; ++i)
                    QCOMPARE(focus_look(s->line_widget(i)), i == s->line());
                release(s, k);
            }
            QCOMPARE(lines, (QList<int>{0, 1, 2, 3, 4, 5, 0}));
            QCOMPARE(s->line(), 5);
            QCOMPARE(s->state(), 1);
        });
    }

    // SAVE takes sizes as whole numbers of 1..4095 only; otherwise the panel stays open on
    // the field to mend. Delete, Cancel and back write nothing. The next opening shows the
    // stored record.
    void panel_outcomes_data()
    {
        QTest::addColumn<QString>("width"); QTest::addColumn<QString>("height");
        QTest::addColumn<QByteArray>("leave"); QTest::addColumn<bool>("saved");
        QTest::addColumn<int>("line"); // where the panel stays, -1 closed
        const QByteArray save("SQ");
        QTest::newRow("720p") << "1280" << "720" << save << true << -1;
        QTest::newRow("smallest") << "1" << "1" << save << true << -1;
        QTest::newRow("largest") << "4095" << "4095" << save << true << -1;
        QTest::newRow("width 0") << "0" << "720" << save << false << 0;
        QTest::newRow("width 4096") << "4096" << "720" << save << false << 0;
        QTest::newRow("width 40000") << "40000" << "720" << save << false << 0;
        QTest::newRow("empty height") << "1280" << "" << save << false << 1;
        QTest::newRow("pad stars") << "12*4" << "720" << save << false << 0;
        QTest::newRow("negative") << "1280" << "-720" << save << false << 1;
        QTest::newRow("delete") << "800" << "600" << QByteArray("RRRQ") << false << -1;
        QTest::newRow("cancel") << "800" << "600" << QByteArray("SSQ") << false << -1;
        QTest::newRow("back after a rate toggle") << "800" << "600" << QByteArray("RRQRQO") << false << -1;
    }
    void panel_outcomes()
    {
        QFETCH(QString, width); QFETCH(QString, height); QFETCH(QByteArray, leave); QFETCH(bool, saved);
        QFETCH(int, line);
        run([&](EDIDset* s) {
            keys(s, "RQ"); // HDMI2, panel
            field(s, "lineEdit_W")->setText(width);
            field(s, "lineEdit_H")->setText(height);
            keys(s, leave.constData());
            const QString stored = saved ? QStringLiteral("%1x%2").arg(width, height) : QStringLiteral("1920x1080");
            QCOMPARE(edid(3), stored + "@60");
            QCOMPARE(int(EngineHandshake::instance().reapply.load()), int(saved));
            QCOMPARE(s->state(), line < 0 ? 0 : 1);
            if (line >= 0) {
                QCOMPARE(s->line(), line);
                return;
            }
            QCOMPARE(s->card_timing(), stored + "@60Hz");
            release(s, 'Q');
            QCOMPARE(field(s, "lineEdit_W")->text(), stored.section('x', 0, 0));
            QCOMPARE(rate_text(s), QStringLiteral("60"));
        });
    }

    // The rate: left/right toggle 60 and 30, OK keeps what is shown, back restores what
    // was shown before; SAVE writes what is shown.
    void rate_field_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("keys"); // after opening the panel on the rate field
        QTest::addColumn<QString>("shown");
        QTest::newRow("50 OK without toggle") << 50 << "QQ" << "50";
        QTest::newRow("50 toggled then back") << 50 << "QRO" << "50";
        QTest::newRow("50 toggled once") << 50 << "QRQ" << "60";
        QTest::newRow("50 toggled twice") << 50 << "QRSQ" << "30";
        QTest::newRow("60 toggled") << 60 << "QSQ" << "30";
        QTest::newRow("odd rate kept") << 65535 << "QQ" << "65535";
    }
    void rate_field()
    {
        QFETCH(int, stored); QFETCH(QString, keys); QFETCH(QString, shown);
        set_edid(4, 3840, 2160, stored);
        settled(P);
        run([&](EDIDset* s) {
            ::keys(s, "RRQRR"); // HDMI3, panel, rate field
            ::keys(s, keys.toLatin1().constData());
            QCOMPARE(s->state(), 1);
            QCOMPARE(rate_text(s), shown);
            ::keys(s, "RRRQ"); // SAVE
            QCOMPARE(edid(4), QStringLiteral("3840x2160@%1").arg(shown));
        });
    }

    // The card follows a record the PC changed while an input is being chosen, not while
    // the panel is open; the pad fills width and height, nothing is written before SAVE.
    void refresh_and_pad_typing()
    {
        run([](EDIDset* s) {
            set_edid(2, 1600, 1200, 60);
            s->syncUpdate(code_of(Refresh::Applied));
            QCOMPARE(s->card_timing(), QStringLiteral("1600x1200@60Hz"));
            settled(P);
            release(s, 'Q');
            set_edid(2, 800, 600, 60);
            s->syncUpdate(code_of(Refresh::Applied));
            QCOMPARE(s->card_timing(), QStringLiteral("1600x1200@60Hz"));
            QCOMPARE(field(s, "lineEdit_W")->text(), QStringLiteral("1600"));
            type_on_pad(s, QStringLiteral("1280"));
            release(s, 'R');
            type_on_pad(s, QStringLiteral("720"));
            QCOMPARE(field(s, "lineEdit_W")->text(), QStringLiteral("1280"));
            QCOMPARE(field(s, "lineEdit_H")->text(), QStringLiteral("720"));
            QCOMPARE(s->state(), 1);
            QCOMPARE(edid(2), QStringLiteral("800x600@60"));
        });
    }

    // HDMI2 saved as 1280x720@60 reaches the input service's rewrite request and the
    // receiver's EDID memory; the card and the file follow the refresh.
    void saved_record_reaches_the_receiver()
    {
        sim::install();
        sim::restore_all();
        zarvosource* z = zarvosource::pInstance();
        c331_manage* e = c331_manage::pInstance();
        e->bring_up();
        run([&](EDIDset* s) {
            keys(s, "RQ");
            field(s, "lineEdit_W")->setText(QStringLiteral("1280"));
            field(s, "lineEdit_H")->setText(QStringLiteral("720"));
            keys(s, "SQ");
            QCOMPARE(e->c331managerdeal(), 1);
            for (int i = 0; i < 6; ++i)
                QCOMPARE(int(z->source_edid_rewrite[i].load()), i == 3 ? 1 : 0);
            z->source_manage_deal();
            QCOMPARE(sim::edid_report(3), QStringLiteral("sim edid: input 3 1280x720@60Hz, writes 1"));
            QCOMPARE(s->card_timing(), QStringLiteral("1280x720@60Hz"));
            QCOMPARE(P->applied16(img::Edid + 6 * 3), uint16_t(1280)); // written back
        });
        QVERIFY(sim::run_control_line(QStringLiteral("edid 3")));
        QVERIFY(!sim::run_control_line(QStringLiteral("edid 6")));
        QVERIFY(!sim::run_control_line(QStringLiteral("edid")));
    }

    // Back returns to input choice, which lists its inputs again.
    void back_to_input_choice()
    {
        QVERIFY(in_screen<InputChoose>(page::InputChoose, [](InputChoose* ic) {
            release(ic, 'S'); // the EDID button
            QPointer<QFrame> card = ic->card();
            QTimer::singleShot(0, [] {
                QCOMPARE(int(g_page_focus), int(page::EDIDset));
                release(g_edidset, 'O');
            });
            release(ic, 'Q');
            QVERIFY(!g_edidset);
            QCOMPARE(int(g_page_focus), int(page::InputChoose));
            QVERIFY(kit::still_open(ic));
            QCOMPARE(ic->card(), card.data()); // the list filled again in place
        }));
    }
};

QTEST_MAIN(TstPictureEdidset)
#include "tst_picture_edidset.moc"
