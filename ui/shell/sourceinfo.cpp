#include "sourceinfo.h"
#include "screenkit.h"

#include <QLabel>
#include <QPixmap>
#include <QVariant>

namespace {
const char* const kNames[6] = {"EXT", "DVI", "HDMI1", "HDMI2", "HDMI3", "HDMI4"};
// List position -> id; position 5 (EXT) is the fallback of the lookup.
const unsigned char kIdByListseq[5] = {2, 3, 4, 5, 1};
const unsigned char kListseqById[6] = {5, 4, 0, 1, 2, 3};

const char* const kGreen = "#51BB28";
const char* const kGreenShort = "<font style = 'font-size:9px' color = #51BB28 >%1</font>";
const char* const kWhite = "<font style = 'font-size:9px' color = #ffffff >%1</font>";
const char* const kGreenLong = "<font style = 'font-size:9px' color = #12BB32 >%1</font>";
const char* const kBlue = "<font style = 'font-size:9px' color = #4777ff >%1</font>";

struct Icons
{
    const char* plain;
    const char* online;
    const char* offline;
};
const Icons kIcons[6] = {
    {":/png/HDMI.png", ":/png/extlv.png", ":/png/HDMI.png"},
    {":/png/DVI.png", ":/png/dvilv.png", ":/png/DVI.png"},
    {":/png/HDMI13.png", ":/png/HDMI13_lv.png", ":/png/HDMI13_1.png"},
    {":/png/HDMI13.png", ":/png/HDMI13_lv.png", ":/png/HDMI13_1.png"},
    {":/png/HDMI20.png", ":/png/HDMI20_lv.png", ":/png/HDMI20.png"},
    {":/png/HDMI20.png", ":/png/HDMI20_lv.png", ":/png/HDMI20.png"},
};

bool hdmi20(unsigned char id)
{
    return id == 4 || id == 5;
}

void put_icon(QLabel* label, const QString& r)
{
    label->setPixmap(kit::picture(r));
    label->setProperty("png", r); // read by tests, as the kit does
}
} // namespace

QString sourceinfo::get_source_name_by_sourceid(unsigned char id)
{
    return id < 6 ? QString::fromLatin1(kNames[id]) : QString();
}

QString sourceinfo::get_source_name_by_listseq(unsigned char listseq)
{
    return listseq < 6 ? get_source_name_by_sourceid(get_source_id_by_listseq(listseq)) : QString();
}

unsigned char sourceinfo::get_source_id_by_listseq(unsigned char listseq)
{
    return listseq < 5 ? kIdByListseq[listseq] : 0;
}

unsigned char sourceinfo::get_listseq_by_source_id(unsigned char id)
{
    return id < 6 ? kListseqById[id] : 0;
}

QString sourceinfo::get_source_specialstyle0_by_sourceid(unsigned char id)
{
    return QString::fromLatin1(hdmi20(id) ? kGreenShort : kWhite);
}

QString sourceinfo::get_source_name_colour(unsigned char id)
{
    return QString::fromLatin1(hdmi20(id) ? kGreen : "#ffffff");
}

QString sourceinfo::get_source_specialstyle1_by_sourceid(unsigned char id, QString name, unsigned char count)
{
    if (id > 5)
        return QString();
    const QString blue = QString::fromLatin1(kBlue);
    return QString::fromLatin1(hdmi20(id) ? kGreenLong : kWhite).arg(name.toHtmlEscaped())
           + blue.arg(QStringLiteral("(")) + blue.arg(int(count)) + blue.arg(QStringLiteral(")"));
}

void sourceinfo::set_source_pixmap(QLabel* label, unsigned char id)
{
    if (label && id < 6)
        put_icon(label, source_picture(id));
}

QString sourceinfo::source_picture(unsigned char id)
{
    return id < 6 ? QString::fromLatin1(kIcons[id].plain) : QString();
}

QString sourceinfo::sourceonline_picture(unsigned char id, unsigned char online)
{
    return id < 6 ? QString::fromLatin1(online ? kIcons[id].online : kIcons[id].offline) : QString();
}

void sourceinfo::set_sourceonline_pixmap(QLabel* label, unsigned char id, unsigned char online)
{
    if (label && id < 6)
        put_icon(label, sourceonline_picture(id, online));
}
