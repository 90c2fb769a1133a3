// EDID settings: the input row and its card, refused sizes, the rate field, what SAVE,
// Cancel and Delete write, and the saved record reaching the simulated receiver.
#include "shellsupport.h"

#include "engine/c331_manage.h"
#include "inputs/zarvosource.h"
#include "sim/control.h"
#include "sim/sim_device.h"
#include "ui/picture/edidset.h"
#include "ui/shell/my_lineedit.h"

using namespace shellsupport;

namespace {
YuqRamPara* P;

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

    // The input row wraps; the card shows the chosen record, and follows one the PC
    // changed while an input is being chosen, not while the panel is open.
    void input_row_and_card()
    {
        run([](EDIDset* s) {
            release(s, 'S'); // left on HDMI1: EXT
            set_edid(0, 1600, 1200, 60);
            s->syncUpdate(code_of(Refresh::Applied));
            QCOMPARE(s->card_timing(), QStringLiteral("1600x1200@60Hz"));
            settled(P);
            release(s, 'Q');
            set_edid(0, 800, 600, 60);
            s->syncUpdate(code_of(Refresh::Applied));
            QCOMPARE(field(s, "lineEdit_W")->text(), QStringLiteral("1600"));
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
        QTest::newRow("smallest") << "1" << "1" << save << true << -1;
        QTest::newRow("largest") << "4095" << "4095" << save << true << -1;
        QTest::newRow("width 0") << "0" << "720" << save << false << 0;
        QTest::newRow("width 4096") << "4096" << "720" << save << false << 0;
        QTest::newRow("empty height") << "1280" << "" << save << false << 1;
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
            QCOMPARE(s->state() ? s->line() : -1, line);
            if (line < 0) {
                release(s, 'Q');
                QCOMPARE(field(s, "lineEdit_W")->text(), stored.section('x', 0, 0));
            }
        });
    }

    // The rate: left/right toggle 60 and 30, OK keeps what is shown (a stored 50 too),
    // back restores what was shown before; SAVE writes what is shown.
    void rate_field_data()
    {
        QTest::addColumn<QString>("keys"); // after opening the panel on the rate field
        QTest::addColumn<QString>("shown");
        QTest::newRow("OK without toggle") << "QQ" << "50";
        QTest::newRow("toggled then back") << "QRO" << "50";
        QTest::newRow("toggled twice") << "QRSQ" << "30";
    }
    void rate_field()
    {
        QFETCH(QString, keys); QFETCH(QString, shown);
        set_edid(4, 3840, 2160, 50);
        settled(P);
        run([&](EDIDset* s) {
            ::keys(s, "RRQRR"); // HDMI3, panel, rate field
            ::keys(s, keys.toLatin1().constData());
            QCOMPARE(s->state(), 1); // still in the panel
            ::keys(s, "RRRQ"); // SAVE
            QCOMPARE(edid(4), QStringLiteral("3840x2160@%1").arg(shown));
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
            e->c331managerdeal();
            z->source_manage_deal();
            QCOMPARE(sim::edid_report(3), QStringLiteral("sim edid: input 3 1280x720@60Hz, writes 1"));
            QCOMPARE(s->card_timing(), QStringLiteral("1280x720@60Hz"));
            QCOMPARE(P->applied16(img::Edid + 6 * 3), uint16_t(1280)); // written back
        });
        QVERIFY(sim::run_control_line(QStringLiteral("edid 3")));
        QVERIFY(!sim::run_control_line(QStringLiteral("edid 6")));
    }
};

QTEST_MAIN(TstPictureEdidset)
#include "tst_picture_edidset.moc"
