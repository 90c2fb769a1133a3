// Every picture a panel screen names is in the resource set at the size the
// screen shows it, each per-language picture has all its language variants,
// and the set holds nothing no screen names.
#include "yuq_resources.h"

#include <QDirIterator>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QtTest>

namespace {

enum Kind { Plain, PerLanguage };

struct Pic {
    const char* name;
    int w, h;
    Kind kind;
};

// Pictures the screens name. PerLanguage pictures also come as "en_", "ru_",
// "vn_" and "tn_" variants of the same size unless kSizes says otherwise.
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
};

// Variants whose size differs from their base picture's.
const QMap<QString, QSize> kSizes = {
    {"en_inputchoose", {90, 64}},
    {"ru_inputchoose", {96, 76}},
    {"vn_inputchoose", {96, 76}},
};

const char* const kPrefixes[] = {"en_", "ru_", "vn_", "tn_"};

QString path_of(const QString& name) { return ":/png/" + name + ".png"; }

} // namespace

class TstResources : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { yuq_resources_init(); }

    void named_pictures_have_their_size_and_variants()
    {
        for (const Pic& p : kPictures) {
            QStringList names{p.name};
            if (p.kind == PerLanguage)
                for (const char* pre : kPrefixes)
                    names << QString(pre) + p.name;
            for (const QString& n : names) {
                const QImage img(path_of(n));
                QVERIFY2(!img.isNull(), qPrintable("missing " + n));
                const QSize want = kSizes.value(n, QSize(p.w, p.h));
                QVERIFY2(img.size() == want,
                         qPrintable(QString("%1 is %2x%3, screens show it at %4x%5")
                                        .arg(n).arg(img.width()).arg(img.height())
                                        .arg(want.width()).arg(want.height())));
                // a picture that paints nothing means a broken source entry
                bool painted = false;
                const QImage argb = img.convertToFormat(QImage::Format_ARGB32);
                for (int y = 0; y < argb.height() && !painted; ++y)
                    for (int x = 0; x < argb.width() && !painted; ++x)
                        painted = qAlpha(argb.pixel(x, y)) > 0;
                QVERIFY2(painted, qPrintable(n + " is empty"));
            }
        }
    }

    void no_picture_goes_unnamed()
    {
        QSet<QString> known;
        for (const Pic& p : kPictures) {
            known << p.name;
            if (p.kind == PerLanguage)
                for (const char* pre : kPrefixes)
                    known << QString(pre) + p.name;
        }
        QStringList extra;
        QDirIterator it(":/png");
        while (it.hasNext()) {
            it.next();
            const QString n = it.fileInfo().completeBaseName();
            if (!known.contains(n))
                extra << n;
        }
        QVERIFY2(extra.isEmpty(), qPrintable("pictures no screen names: " + extra.join(", ")));
    }
};

QTEST_GUILESS_MAIN(TstResources)
#include "tst_resources.moc"
