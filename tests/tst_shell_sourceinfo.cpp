// Source names and list order, name styles, icons of unknown sources.
#include "resources/yuq_resources.h"
#include "ui/shell/sourceinfo.h"

#include <QLabel>
#include <QtTest>

class TstShellSourceinfo : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { yuq_resources_init(); }

    void tables_are_inverse_and_fall_back_to_ext()
    {
        const char* listed[6] = {"HDMI1", "HDMI2", "HDMI3", "HDMI4", "DVI", "EXT"};
        for (int n = 0; n < 6; ++n) {
            const unsigned char id = sourceinfo::get_source_id_by_listseq(uchar(n));
            QCOMPARE(int(sourceinfo::get_listseq_by_source_id(id)), n);
            QCOMPARE(sourceinfo::get_source_name_by_sourceid(id), QString::fromLatin1(listed[n]));
        }
        QCOMPARE(int(sourceinfo::get_source_id_by_listseq(200)), 0);
        QCOMPARE(int(sourceinfo::get_listseq_by_source_id(6)), 0);
        QCOMPARE(sourceinfo::get_source_name_by_listseq(6), QString());
    }

    // A name from the PC cannot inject markup into the template.
    void style_escapes_the_name()
    {
        const QString evil = sourceinfo::get_source_specialstyle1_by_sourceid(1, "<b>A&B</b>", 1);
        QVERIFY(evil.contains("&lt;b&gt;A&amp;B&lt;/b&gt;"));
        QVERIFY(!evil.contains("<b>"));
        QCOMPARE(sourceinfo::get_source_specialstyle1_by_sourceid(6, "x", 1), QString());
    }

    void icon_of_an_unknown_source_leaves_the_label_alone()
    {
        QLabel l;
        sourceinfo::set_source_pixmap(&l, 0);
        sourceinfo::set_source_pixmap(&l, 6);
        sourceinfo::set_sourceonline_pixmap(&l, 9, 1);
        QCOMPARE(l.property("png").toString(), QStringLiteral(":/png/HDMI.png"));
    }
};

QTEST_MAIN(TstShellSourceinfo)
#include "tst_shell_sourceinfo.moc"
