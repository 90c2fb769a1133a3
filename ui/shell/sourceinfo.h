#pragma once
// Input sources as the operator sees them: names, list order (HDMI first), icons and the
// small rich-text name styles. Source ids 0 EXT, 1 DVI, 2 HDMI1, 3 HDMI2, 4 HDMI3, 5 HDMI4.
// Stateless; the screens of every panel folder use it.
#include <QString>

class QLabel;

class sourceinfo
{
public:
    sourceinfo() = delete;

    static QString get_source_name_by_sourceid(unsigned char id);   // "" above 5
    static QString get_source_name_by_listseq(unsigned char listseq); // "" above 5
    static unsigned char get_source_id_by_listseq(unsigned char listseq); // 0 (EXT) from 5 on
    static unsigned char get_listseq_by_source_id(unsigned char id);  // 0 above 5

    // The name template with "%1" left in it; the caller fills it with an escaped name.
    static QString get_source_specialstyle0_by_sourceid(unsigned char id);
    // The colour that template gives the name.
    static QString get_source_name_colour(unsigned char id);
    // "name(count)": the name in its colour, the count part in blue. `name` is plain text
    // (an alias from the PC may hold markup): it is escaped here.
    static QString get_source_specialstyle1_by_sourceid(unsigned char id, QString name, unsigned char count);

    // Icons; an id above 5 leaves the label as it is. Scaling is the caller's.
    static void set_source_pixmap(QLabel* label, unsigned char id);
    static QString source_picture(unsigned char id); // set_source_pixmap's; "" above 5
    static void set_sourceonline_pixmap(QLabel* label, unsigned char id, unsigned char online);
    static QString sourceonline_picture(unsigned char id, unsigned char online); // "" above 5
};
