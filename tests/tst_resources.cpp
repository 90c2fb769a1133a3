// Every picture a panel screen names is in the resource set at the size the
// screen shows it, and each per-language picture has all its language variants.
#include "yuq_resources.h"

#include <QImage>
#include <QMap>
#include <QtTest>

namespace {

const char* const Plain = "";
const char* const PerLanguage = "en_ ru_ vn_ tn_";

struct Pic {
    const char* name;
    int w, h;
    const char* variants;  // prefixes of its language variants
};

// Pictures the screens name, with their language variants.
const Pic kPictures[] = {
    // home screen
    {"machinestate", 64, 64, PerLanguage},
    {"inputchoose", 64, 64, PerLanguage},
    {"custommode", 64, 64, PerLanguage},
    {"option", 64, 64, PerLanguage},
    {"lock", 16, 16, Plain},
    {"unlock", 16, 16, Plain},
    {"tools", 16, 16, Plain},
    {"closeled", 24, 36, PerLanguage},
    {"uncloseled", 24, 36, PerLanguage},
    {"slience", 24, 36, PerLanguage},
    {"unslience", 24, 36, PerLanguage},
    {"call", 24, 36, PerLanguage},
    {"uncall", 24, 36, PerLanguage},
    {"save", 24, 36, PerLanguage},
    {"unsave", 24, 36, PerLanguage},
    {"ip", 16, 16, Plain},
    {"pointer", 9, 12, Plain},
    {"mode_exist", 16, 16, Plain},
    {"mode_blank", 16, 16, Plain},
    // standby screen
    {"LED", 16, 16, Plain},
    {"bright", 16, 16, Plain},
    {"contrast", 16, 16, Plain},
    {"volume_open", 16, 16, Plain},
    {"volume_close", 16, 16, Plain},
    {"menu_status", 20, 20, Plain},
    {"osd_yes", 12, 12, Plain},
    {"freeze", 16, 16, Plain},
    // device information
    {"back", 32, 32, Plain},
    {"output_state", 15, 65, "ru_"},
    {"input_state", 15, 55, "ru_"},
    {"version_state", 15, 40, "en_ ru_"},
    {"online", 16, 14, Plain},
    {"offline", 16, 14, Plain},
    // settings menu (English advanced button: en_advance_option)
    {"output_set", 55, 60, PerLanguage},
    {"input_cut", 55, 60, PerLanguage},
    {"image_layout", 55, 60, PerLanguage},
    {"link_set", 55, 60, PerLanguage},
    {"image_quality", 55, 60, PerLanguage},
    {"test_chart", 55, 60, PerLanguage},
    {"smart_mapping", 55, 60, PerLanguage},
    {"AdvanceButton", 55, 60, "ru_ vn_ tn_"},
    {"en_advance_option", 54, 60, Plain},
    {"OK_Enter", 51, 17, Plain},
    {"back_return", 56, 17, Plain},
    // number pad, tip, update overlay
    {"delete", 20, 20, Plain},
    {"check_180", 80, 80, Plain},
    {"update", 64, 64, Plain},
    // input icons
    {"HDMI", 40, 12, Plain},
    {"extlv", 40, 12, Plain},
    {"DVI", 40, 12, Plain},
    {"dvilv", 40, 12, Plain},
    {"HDMI13", 40, 12, Plain},
    {"HDMI13_lv", 40, 12, Plain},
    {"HDMI13_1", 40, 12, Plain},
    {"HDMI20", 40, 12, Plain},
    {"HDMI20_lv", 40, 12, Plain},
    // input choice, crops, layout, test patterns
    {"state_on", 7, 7, Plain},
    {"state_off", 7, 7, Plain},
    {"add", 20, 20, Plain},
    {"mirror1_on", 32, 32, Plain}, {"mirror1_off", 32, 32, Plain},
    {"mirror2_on", 32, 32, Plain}, {"mirror2_off", 32, 32, Plain},
    {"mirror3_on", 32, 32, Plain}, {"mirror3_off", 32, 32, Plain},
    {"mirror4_on", 32, 32, Plain}, {"mirror4_off", 32, 32, Plain},
    {"img_test1", 50, 50, Plain}, {"img_test2", 50, 50, Plain},
    {"img_test3", 50, 50, Plain}, {"img_test4", 50, 50, Plain},
    {"img_test5", 50, 50, Plain}, {"img_test6", 50, 50, Plain},
    {"img_test7", 50, 50, Plain}, {"img_test8", 50, 50, Plain},
    // system screens and mapping wizard
    {"previous", 20, 20, Plain},
    {"next", 20, 20, Plain},
    {"ltri", 14, 14, Plain},
    {"rtri", 14, 14, Plain},
    {"online_up", 12, 10, Plain},
    {"offline_up", 12, 10, Plain},
    {"warning", 16, 16, Plain},
    {"out_horizontal", 70, 20, Plain},
    {"out_vertical", 70, 20, Plain},
    {"out_copy", 70, 20, Plain},
    {"button_on", 40, 20, Plain},
    {"button_off", 40, 20, Plain},
};
const int kRoutes = 16;  // line1 .. line16, 40x25

QString path_of(const QString& name) { return ":/png/" + name + ".png"; }

} // namespace

class TstResources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { yuq_resources_init(); }

    void named_pictures_have_their_size_and_variants()
    {
        QMap<QString, QSize> all;
        for (const Pic& p : kPictures) {
            all[p.name] = QSize(p.w, p.h);
            for (const QString& pre : QString(p.variants).split(' ', Qt::SkipEmptyParts))
                all[pre + p.name] = QSize(); // a variant may be wider for its words
        }
        for (int n = 1; n <= kRoutes; ++n)
            all[QString("line%1").arg(n)] = QSize(40, 25);
        for (auto it = all.begin(); it != all.end(); ++it) {
            const QImage img(path_of(it.key()));
            QVERIFY2(!img.isNull(), qPrintable("missing " + it.key()));
            QVERIFY2(!it.value().isValid() || img.size() == it.value(),
                     qPrintable(QString("%1 is %2x%3, screens show it at %4x%5")
                                    .arg(it.key()).arg(img.width()).arg(img.height())
                                    .arg(it.value().width()).arg(it.value().height())));
        }
    }
};

QTEST_GUILESS_MAIN(TstResources)
#include "tst_resources.moc"
