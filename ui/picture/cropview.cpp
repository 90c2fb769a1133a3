#include "cropview.h"

#include "ui/shell/sourceinfo.h"
#include "core/alias.h"
#include "core/global.h"
#include "core/yuqrampara.h"

#include <QFontMetrics>
#include <QLabel>

namespace cropview {

int crop_count(int source)
{
    if (source < 0 || source >= 6)
        return 0;
    int n = 0;
    for (int k = 0; k < CROP_COUNT; ++k)
        n += (g_cut_source_state[source * 5 + k / 8] & (1u << (k % 8))) ? 1 : 0;
    return n;
}

namespace {
// Width, height and rate of one state: the input thread writes them as a record.
void timing(int source, uint16_t t[3])
{
    unsigned char b[6];
    YuqRamPara::p_yuqrampara_config->image_snapshot(img::SourceTiming + 6 * source, b, sizeof b);
    for (int k = 0; k < 3; ++k)
        t[k] = rd16(b, 2 * k);
}
} // namespace

bool has_signal(int source)
{
    uint16_t t[3];
    timing(source, t);
    return t[0] && t[1] && t[2];
}

QString timing_text(int source, const QString& noSignal)
{
    uint16_t t[3];
    timing(source, t);
    if (!(t[0] && t[1] && t[2]))
        return noSignal;
    return QStringLiteral("%1x%2@%3Hz").arg(t[0]).arg(t[1]).arg(t[2]);
}

void source_tabs(QLabel* const labels[6])
{
    QFont font = labels[0]->font();
    font.setPixelSize(9);
    for (int k = 0; k < 6; ++k) {
        const unsigned char id = sourceinfo::get_source_id_by_listseq(uchar(k));
        QString name = sourceinfo::get_source_name_by_listseq(uchar(k));
        ALIAS_PARA alias;
        if (get_json_alias_para(&alias, "source", id))
            name = QFontMetrics(font).elidedText(QString::fromStdString(alias.name), Qt::ElideRight,
                                                 labels[k]->width() - 16, Qt::TextShowMnemonic);
        if (labels[k]->textFormat() != Qt::RichText) {
            // Emptied first: a new format lays out the text already shown again.
            labels[k]->clear();
            labels[k]->setTextFormat(Qt::RichText);
        }
        // The style escapes the name: an alias cannot bring markup of its own.
        labels[k]->setText(sourceinfo::get_source_specialstyle1_by_sourceid(id, name, uchar(crop_count(id) + 1)));
    }
}

QString crop_name(const QString& sourceName, int tableIndex, uint16_t word, const QFont& font, int width)
{
    ALIAS_PARA alias;
    if (tableIndex >= 0 && tableIndex < CROP_COUNT && get_json_alias_para(&alias, "crop", tableIndex))
        return QFontMetrics(font).elidedText(QString::fromStdString(alias.name), Qt::ElideRight, width,
                                             Qt::TextShowMnemonic);
    return sourceName + QStringLiteral("_crop%1").arg(((word >> 8) & 0x7F) + 1);
}

} // namespace cropview
