// The input sources: timings into the records and the image, code 12.
#include "hwtest.h"

#include "sim/control.h"

#include <QtTest>

using namespace hwtest;

class TstInputsSources : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { zarvosource::destroy_for_test(); }

    // The timings land in the image where the PC reads them; code 12 only on a change.
    void timings_published_with_12_on_a_change()
    {
        YuqRamPara* p = fresh();
        Codes codes;
        zarvosource* z = zarvosource::pInstance();
        z->source_manage_deal();
        z->source_manage_deal();
        QVERIFY(sim::run_control_line("input 4 800 600 75"));
        z->source_manage_deal();
        // Source 4's record: width, height, rate at 6 bytes a source.
        QCOMPARE((QList<int>{p->image16(img::SourceTiming + 24), p->image16(img::SourceTiming + 28)}), (QList<int>{800, 75}));
        QCOMPARE(codes.codes, (QVector<int>{12, 12}));
    }

    void engine_follows_timings_unless_a_pattern_shows()
    {
        fresh();
        zarvosource* z = zarvosource::pInstance();
        c331_manage* e = c331_manage::pInstance();
        e->bring_up();
        z->source_manage_deal();
        e->input_timing_deal();
        screen_write16(img::TestPattern, 1);
        e->c331managerdeal();
        sim::run_control_line("input 3 1920 1080 60");
        z->source_manage_deal();
        e->input_timing_deal();
        QCOMPARE(sim::scaler().state().timing[3][0], 1280);
        screen_write16(img::TestPattern, 0);
        e->c331managerdeal();
        e->input_timing_deal();
        QCOMPARE(sim::scaler().state().timing[3][0], 1920);
        c331_manage::destroy_for_test();
    }
};

QTEST_GUILESS_MAIN(TstInputsSources)
#include "tst_inputs_sources.moc"
