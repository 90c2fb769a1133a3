// Every picture a panel screen names is in the resource set at the size the
// screen shows it, and each per-language picture has all its language variants.
#include "yuq_resources.h"

#include <QImage>
#include <QMap>
#include <QtTest>

namespace {

const char* const Plain = "";
const char* const PerLanguage = "en_ ru_ vn_ tn_";

// Pictures the screens name, by size and language variants.
struct Pics {
    int w, h;
    const char* variants;  // prefixes of the language variants each one has
    QStringList names;
};
const Pics kPictures[] = {
    {64, 64, PerLanguage, {"machinestate", "inputchoose", "custommode", "option"}},
    {16, 16, Plain, {"lock", "unlock", "tools", "ip", "mode_exist", "mode_blank", "LED", "bright", "contrast",
        "volume_open", "volume_close", "freeze", "warning"}},
    {24, 36, PerLanguage, {"closeled", "uncloseled", "slience", "unslience", "call", "uncall", "save", "unsave"}},
    {9, 12, Plain, {"pointer"}},
    {20, 20, Plain, {"menu_status", "delete", "add", "previous", "next"}},
    {12, 12, Plain, {"osd_yes"}},
    {32, 32, Plain, {"back", "mirror1_on", "mirror1_off", "mirror2_on", "mirror2_off", "mirror3_on", "mirror3_off",
        "mirror4_on", "mirror4_off"}},
    {15, 65, "ru_", {"output_state"}},
    {15, 55, "ru_", {"input_state"}},
    {15, 40, "en_ ru_", {"version_state"}},
    {16, 14, Plain, {"online", "offline"}},
    {55, 60, PerLanguage, {"output_set", "input_cut", "image_layout", "link_set", "image_quality", "test_chart",
        "smart_mapping"}},
    {55, 60, "ru_ vn_ tn_", {"AdvanceButton"}},
    {54, 60, Plain, {"en_advance_option"}}, // the English advanced button
    {51, 17, Plain, {"OK_Enter"}},
    {56, 17, Plain, {"back_return"}},
    {80, 80, Plain, {"check_180"}},
    {64, 64, Plain, {"update"}},
    {40, 12, Plain, {"HDMI", "extlv", "DVI", "dvilv", "HDMI13", "HDMI13_lv", "HDMI13_1", "HDMI20", "HDMI20_lv"}},
    {7, 7, Plain, {"state_on", "state_off"}},
    {50, 50, Plain, {"img_test1", "img_test2", "img_test3", "img_test4", "img_test5", "img_test6", "img_test7",
        "img_test8"}},
    {14, 14, Plain, {"ltri", "rtri"}},
    {12, 10, Plain, {"online_up", "offline_up"}},
    {70, 20, Plain, {"out_horizontal", "out_vertical", "out_copy"}},
    {40, 20, Plain, {"button_on", "button_off"}},
};
const int kRoutes = 16;  // line1 .. line16, 40x25

} // namespace

class TstResources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { yuq_resources_init(); }

    void named_pictures_have_their_size_and_variants()
    {
        QMap<QString, QSize> all;
        for (const Pics& p : kPictures)
            for (const QString& name : p.names) {
                all[name] = QSize(p.w, p.h);
                for (const QString& pre : QString(p.variants).split(' ', Qt::SkipEmptyParts))
                    all[pre + name] = QSize(); // a variant may be wider for its words
            }
        for (int n = 1; n <= kRoutes; ++n)
            all[QString("line%1").arg(n)] = QSize(40, 25);
        for (auto it = all.begin(); it != all.end(); ++it) {
            const QImage img(":/png/" + it.key() + ".png");
            QVERIFY2(!img.isNull(), qPrintable("missing " + it.key()));
            QVERIFY2(!it.value().isValid() || img.size() == it.value(), qPrintable(it.key() + " has the wrong size"));
        }
    }
};

QTEST_GUILESS_MAIN(TstResources)
#include "tst_resources.moc"
