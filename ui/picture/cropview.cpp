#include "cropview.h"

#include "ui/shell/sourceinfo.h"
#include "core/alias.h"
#include "core/global.h"
#include "core/yuqrampara.h"

#include <QEvent>
#include <QFontMetrics>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QVariant>
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

namespace {
// A tab's picture by everything its paint depends on.
QHash<QString, QPixmap>& tab_pictures()
{
    static QHash<QString, QPixmap> pictures;
    return pictures;
}

QString picture_key(const QLabel* l)
{
    return l->text() + QLatin1Char('\x1f') + l->font().key() + QLatin1Char('\x1f') + l->styleSheet()
           + QStringLiteral("\x1f%1x%2/%3").arg(l->width()).arg(l->height()).arg(int(l->alignment()));
}

// The tab as its markup draws, painted once by a twin beside it (a label never grabs itself
// while it paints).
const QPixmap& tab_picture(const QLabel* l)
{
    const QString key = picture_key(l);
    auto it = tab_pictures().constFind(key);
    if (it != tab_pictures().constEnd())
        return *it;
    QLabel twin(l->parentWidget());
    twin.setGeometry(l->geometry());
    twin.setFont(l->font());
    twin.setStyleSheet(l->styleSheet());
    twin.setAlignment(l->alignment());
    twin.setWordWrap(l->wordWrap());
    twin.setMargin(l->margin());
    twin.setIndent(l->indent());
    twin.setTextFormat(Qt::RichText);
    twin.setText(l->text());
    if (tab_pictures().size() >= 64) // aliases and counts vary: bounded however long it runs
        tab_pictures().clear();
    return *tab_pictures().insert(key, twin.grab());
}

// Paints a tab from its picture: the label holds the markup as plain text, which it never
// lays out.
class TabPictures : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        if (e->type() != QEvent::Paint)
            return false;
        auto* l = static_cast<QLabel*>(o);
        QPainter painter(l);
        painter.drawPixmap(0, 0, tab_picture(l));
        return true;
    }
};
} // namespace

void source_tabs(QLabel* const labels[6])
{
    if (!labels[0]->property("tab_pictures").toBool()) {
        labels[0]->setProperty("tab_pictures", true);
        auto* filter = new TabPictures(labels[0]);
        for (int k = 0; k < 6; ++k) {
            labels[k]->setTextFormat(Qt::PlainText);
            labels[k]->installEventFilter(filter);
        }
    }
    QFont font = labels[0]->font();
    font.setPixelSize(9);
    for (int k = 0; k < 6; ++k) {
        const unsigned char id = sourceinfo::get_source_id_by_listseq(uchar(k));
        QString name = sourceinfo::get_source_name_by_listseq(uchar(k));
        ALIAS_PARA alias;
        if (get_json_alias_para(&alias, "source", id))
            name = QFontMetrics(font).elidedText(QString::fromStdString(alias.name), Qt::ElideRight,
                                                 labels[k]->width() - 16, Qt::TextShowMnemonic);
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
