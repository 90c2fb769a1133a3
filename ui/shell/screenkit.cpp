#include "screenkit.h"

#include "screens.h"
#include "mainwindow.h"
#include "numberkeyboard.h"
#include "tip.h"
#include "firmwareupdate.h"
#include "core/yuqrampara.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QtMath>
#include <QLabel>
#include <QHash>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPushButton>
#include <QStyleOption>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolButton>
#include <QSet>
#include <QStyle>
#include <QtDebug>
#include <array>

namespace kit {

// ---- keys ----

Key key_role(int code)
{
    switch (code) {
    case 'S':
    case Qt::Key_F4:
        return Key::Left;
    case 'R':
    case Qt::Key_F5:
        return Key::Right;
    case 'Q':
    case Qt::Key_F6:
        return Key::Ok;
    case 'M':
    case Qt::Key_Stop:
        return Key::Mode;
    case 'O':
    case Qt::Key_PowerOff:
        return Key::Back;
    default:
        return Key::None;
    }
}

bool key_locked()
{
    YuqRamPara* p = YuqRamPara::p_yuqrampara_config;
    return p && p->image16(img::KeyLock) != 0;
}

void log_key(const char* screen, Key role, bool release)
{
    const char* when = release ? "Release" : "Press";
    switch (role) {
    case Key::Ok:
        qDebug("this is OK button(%s)[%s]\n", screen, when);
        break;
    case Key::Back:
        qDebug("this is back button(%s)[%s]\n", screen, when);
        break;
    case Key::Mode:
        qDebug("this is mode-code [%s][%s]", screen, when);
        break;
    case Key::Left:
        qDebug("this is left-code [%s][%s]", screen, when);
        break;
    case Key::Right:
        qDebug("this is right-code [%s][%s]", screen, when);
        break;
    case Key::None:
        break;
    }
}

// ---- languages ----

int shown_language()
{
    const int l = g_language.load();
    return language_enabled(l) ? l : 1;
}

QString text(const char* zh, const char* en, const char* ru, const char* vn, const char* tn)
{
    const char* const t[5] = {zh, en, ru, vn, tn};
    return QString::fromUtf8(t[shown_language()]);
}

QString text(Txt id)
{
    return QString::fromUtf8(yuq_text(id, shown_language()));
}

QString pic_prefix()
{
    static const char* const p[5] = {"", "en_", "ru_", "vn_", "tn_"};
    return QString::fromLatin1(p[shown_language()]);
}

QString pic(const QString& name)
{
    return QStringLiteral(":/png/") + name;
}

QString lang_pic(const QString& name)
{
    return QStringLiteral(":/png/") + pic_prefix() + name;
}

namespace {
// Every picture decoded once for the life of the process: the resource set is fixed, so
// the cache is bounded by it.
struct PictureCache
{
    QHash<QString, QPixmap> pixmaps;
    QHash<QString, QIcon> icons;
    QHash<QString, QPixmap> sized; // "resource@WxH": scaled to a label's size
};
PictureCache& pictures()
{
    static PictureCache c;
    return c;
}
} // namespace

QPixmap picture(const QString& resource)
{
    auto it = pictures().pixmaps.constFind(resource);
    if (it != pictures().pixmaps.constEnd())
        return *it;
    // Every picture is a PNG: a reader told so and not to guess spares loading every image
    // plugin of the system to ask it.
    QImageReader reader(resource, "png");
    reader.setAutoDetectImageFormat(false);
    const QPixmap p = QPixmap::fromImageReader(&reader);
    if (!p.isNull()) // a missing name is looked up again: resources may be added later
        pictures().pixmaps.insert(resource, p);
    return p;
}

QIcon icon(const QString& resource)
{
    auto it = pictures().icons.constFind(resource);
    if (it != pictures().icons.constEnd())
        return *it;
    const QPixmap p = picture(resource);
    if (p.isNull())
        return QIcon();
    return *pictures().icons.insert(resource, QIcon(p));
}

void set_icon(QAbstractButton* b, const QString& resource, int w, int h)
{
    const QSize size(w, h);
    if (b->property("png").toString() == resource && b->iconSize() == size)
        return; // already shown
    b->setIcon(icon(resource));
    b->setIconSize(size);
    b->setProperty("png", resource);
}

void relang_icon(QAbstractButton* b)
{
    QString name = b->property("png").toString();
    if (!name.startsWith(pic(QString())))
        return;
    name.remove(0, pic(QString()).size());
    for (const char* prefix : {"en_", "ru_", "vn_", "tn_"})
        if (name.startsWith(QLatin1String(prefix)))
            name.remove(0, 3);
    set_icon(b, lang_pic(name), b->iconSize().width(), b->iconSize().height());
}

void set_picture(QLabel* l, const QString& resource)
{
    if (l->property("png").toString() == resource && l->hasScaledContents())
        return;
    l->setPixmap(picture(resource));
    l->setScaledContents(true);
    l->setProperty("png", resource);
}

QPixmap picture(const QString& resource, const QSize& size)
{
    const QString key = QStringLiteral("%1@%2x%3").arg(resource).arg(size.width()).arg(size.height());
    auto it = pictures().sized.constFind(key);
    if (it != pictures().sized.constEnd())
        return *it;
    const QPixmap p = picture(resource);
    if (p.isNull() || size.isEmpty())
        return p;
    // As QLabel scales a picture for its scaled contents; scaling one of that size again is a copy.
    const QPixmap s = p.size() == size ? p
                                       : QPixmap::fromImage(p.toImage().scaled(size, Qt::IgnoreAspectRatio,
                                                                               Qt::SmoothTransformation));
    return *pictures().sized.insert(key, s);
}

void set_sized_picture(QLabel* l, const QString& resource)
{
    // Again after a sheet changed its border: the label would scale the old size once more.
    const QSize size = l->contentsRect().size();
    if (l->property("png").toString() == resource && l->hasScaledContents()
        && l->pixmap(Qt::ReturnByValue).size() == size)
        return;
    l->setPixmap(picture(resource, size));
    l->setScaledContents(true);
    l->setProperty("png", resource);
}

void set_plain_text(QLabel* l, const QString& text)
{
    if (l->textFormat() != Qt::PlainText)
        l->setTextFormat(Qt::PlainText);
    l->setText(text);
}

namespace {
// A fitted text fitted again when a look changed its border or padding: the focused look's
// frame takes room the plain look leaves.
void refit(QWidget* w);
} // namespace

void set_sheet(QWidget* w, const QString& sheet)
{
    if (w && w->styleSheet() != sheet) {
        w->setStyleSheet(sheet);
        refit(w);
    }
}

void set_look(QWidget* w, const char* look)
{
    if (!w || w->property("look").toByteArray() == look)
        return;
    w->setProperty("look", QByteArray(look));
    w->style()->unpolish(w);
    w->style()->polish(w);
    refit(w);
    w->update();
}

void set_own_look(QWidget* w, const char* look)
{
    if (!w || w->property("look").toByteArray() == look)
        return;
    w->setProperty("look", QByteArray(look));
    w->style()->polish(w); // drops the widget's cached rules first
    refit(w);
    w->update();
}

int fit_base(QWidget* w)
{
    if (!w->property("fit_base").isValid()) {
        // The size a scalable font is drawn at, as the font engine rounds it: computed, since
        // asking QFontInfo loads an engine for a size the widget is then no longer drawn at.
        const QFont& own = w->font();
        w->setProperty("fit_base", own.pixelSize() > 0 ? own.pixelSize()
                                                       : qRound(own.pointSizeF() * w->logicalDpiY() / 72.0));
    }
    return w->property("fit_base").toInt();
}

namespace {
// A pixel a quarter covered or more is ink: a fainter one is an edge's anti-aliasing.
constexpr int kInkAlpha = 64;

int widest_line(const QFontMetrics& m, const QString& text)
{
    int w = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        w = qMax(w, m.horizontalAdvance(line));
    return w;
}

// The ink of `text` drawn in `room` with `a` lies inside the room: every line's glyphs,
// ascenders, accents and descenders, not only its advance. Where the room is inset from the
// widget's `box` (its border or padding lies beyond that edge) the ink keeps a pixel off the
// edge: a glyph touching a border reads as running into it. A room without height is
// measured across only (a text a screen draws itself).
bool ink_inside(const QFont& f, const QRect& room, const QRect& box, Qt::Alignment a, const QString& text)
{
    if (widest_line(QFontMetrics(f), text) > room.width())
        return false;
    if (room.height() <= 0)
        return true;
    const QRect keep = room.adjusted(room.left() > box.left() ? 1 : 0, room.top() > box.top() ? 1 : 0,
                                     room.right() < box.right() ? -1 : 0, room.bottom() < box.bottom() ? -1 : 0);
    for (const auto& line : ink_lines(f, room, a, text))
        if (!keep.contains(line.second))
            return false;
    return true;
}

// The smallest size a fitted text is drawn at: below it the panel's glyphs no longer read.
constexpr int kSmallestPx = 7;

// `f` at `base` pixels, stepped down (not below kSmallestPx) until `text` fits `room`.
// Widths scale with the pixel size: one measurement gives a first size, the ink checks it.
QFont fit(QFont f, int base, const QRect& room, const QRect& box, Qt::Alignment a, const QString& text)
{
    f.setPixelSize(base);
    if (base <= kSmallestPx || ink_inside(f, room, box, a, text))
        return f;
    const int need = widest_line(QFontMetrics(f), text);
    int px = need > room.width() ? qMax(kSmallestPx, base * room.width() / qMax(1, need)) : base - 1;
    f.setPixelSize(px);
    while (px > kSmallestPx && !ink_inside(f, room, box, a, text))
        f.setPixelSize(--px);
    return f;
}

// All a fit depends on, as a key of the remembered fits.
QString fit_key(const QFont& font, const QRect& room, const QRect& box, Qt::Alignment a, const QString& text)
{
    const int inset = (room.left() > box.left()) | (room.top() > box.top()) << 1 | (room.right() < box.right()) << 2
                      | (room.bottom() < box.bottom()) << 3;
    return font.key() + QLatin1Char('\x1f') + QString::number(room.x()) + QLatin1Char(',') + QString::number(room.y())
        + QLatin1Char(',') + QString::number(room.width()) + QLatin1Char(',') + QString::number(room.height())
        + QLatin1Char(',') + QString::number(inset) + QLatin1Char(',') + QString::number(int(a)) + QLatin1Char('\x1f')
        + text;
}

// The fit of `font` (at its pixel size) for `text` in `room`, remembered: what fit gives
// depends on nothing else, so a screen built again or a text shown again fits unmeasured.
QFont remembered_fit(const QFont& font, const QRect& room, const QRect& box, Qt::Alignment a, const QString& text)
{
    static QHash<QString, QFont> fits;
    const QString key = fit_key(font, room, box, a, text);
    auto it = fits.constFind(key);
    if (it != fits.constEnd())
        return *it;
    if (fits.size() >= 512) // texts with numbers in them: stays small however long it runs
        fits.clear();
    const int base = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    return *fits.insert(key, fit(font, base, room, box, a, text));
}

// Where the widget draws its text in its look now, and how it aligns it there: a push
// button inside its border and padding (beside its icon), a label inside its frame.
QRect text_room(const QWidget* w, Qt::Alignment* a)
{
    if (const auto* b = qobject_cast<const QPushButton*>(w)) {
        QStyleOptionButton o;
        o.initFrom(b);
        o.text = b->text();
        o.icon = b->icon();
        o.iconSize = b->iconSize();
        QRect r = b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b);
        if (!b->icon().isNull())
            r.setWidth(r.width() - b->iconSize().width() - 4);
        *a = Qt::AlignCenter;
        return r;
    }
    if (const auto* t = qobject_cast<const QToolButton*>(w)) {
        // Text under the picture: the room below it.
        *a = Qt::AlignCenter;
        QRect r = t->contentsRect();
        if (t->toolButtonStyle() == Qt::ToolButtonTextUnderIcon && !t->icon().isNull())
            r.setTop(r.top() + t->iconSize().height());
        return r;
    }
    if (const auto* l = qobject_cast<const QLabel*>(w)) {
        *a = l->alignment();
        const int m = l->margin(), i = qMax(0, l->indent());
        return l->contentsRect().adjusted(m + (*a & Qt::AlignLeft ? i : 0), m, -m - (*a & Qt::AlignRight ? i : 0), -m);
    }
    *a = Qt::AlignCenter;
    return w->contentsRect();
}

QString fitted_text(const QWidget* w)
{
    if (const auto* l = qobject_cast<const QLabel*>(w))
        return l->wordWrap() || Qt::mightBeRichText(l->text()) ? QString() : l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return b->text();
    return QString();
}

void fit_font(QWidget* l, const QString& text)
{
    l->ensurePolished(); // the room its sheet leaves, before it is first shown
    // Always from the widget's own size, so a shorter text gets it back.
    QFont base = l->font();
    base.setPixelSize(fit_base(l));
    Qt::Alignment a;
    const QRect room = text_room(l, &a);
    const QFont f = remembered_fit(base, room, l->rect(), a, text);
    if (f != l->font())
        l->setFont(f);
}

void refit(QWidget* w)
{
    if (w->property("fit_base").isValid() && (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w)))
        fit_font(w, fitted_text(w));
}
} // namespace

void fit_text(QLabel* l)
{
    fit_font(l, l->text());
}

void fit_text(QAbstractButton* b)
{
    fit_font(b, b->text());
}

void fit_text(QComboBox* box)
{
    box->ensurePolished();
    QStyleOptionComboBox o;
    o.initFrom(box);
    o.editable = box->isEditable();
    o.frame = box->hasFrame();
    o.subControls = QStyle::SC_All;
    // The field the box draws its text in: the whole box where its sheet hides the arrow.
    const QRect room = box->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, box);
    QFont f = box->font();
    f.setPixelSize(fit_base(box));
    for (int i = 0; i < box->count(); ++i) // the widest item's fit fits them all
        f = remembered_fit(f, room, box->rect(), Qt::AlignLeft | Qt::AlignVCenter, box->itemText(i));
    if (f != box->font())
        box->setFont(f);
}

void keep_clear(QLabel* l, const QWidget* over)
{
    const QPoint at = over->mapTo(over->window(), QPoint(0, 0)) - l->mapTo(l->window(), QPoint(0, 0));
    const QRect picture(at, over->size());
    if (!l->rect().intersects(picture.adjusted(-1, 0, 1, 0)))
        return; // neither over it nor touching it
    // The room ends two pixels before the picture, on the side it covers (a pixel of the
    // ink's overhang still leaves one between them).
    QMargins m = l->contentsMargins();
    if (picture.center().x() < l->rect().center().x())
        m.setLeft(qMax(m.left(), picture.right() + 3));
    else
        m.setRight(qMax(m.right(), l->width() - picture.left() + 2));
    l->setContentsMargins(m);
}

QLabel* failure_line(QWidget* parent, const QRect& r, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QLatin1String(name));
    l->setGeometry(r);
    l->setAlignment(Qt::AlignCenter);
    l->setTextFormat(Qt::PlainText);
    l->setStyleSheet(QStringLiteral("background-color: rgb(33, 36, 53);color: #FF5A5A;border:1px solid #FFFFFF;"));
    QFont f = l->font();
    f.setPointSize(9);
    l->setFont(f);
    l->hide();
    return l;
}

void show_failure(QLabel* line, const QString& text)
{
    line->setText(text);
    fit_text(line); // from its 9 points: a shorter text gets them back
    line->show();
    line->raise();
}

QFont fitted_font(const QFont& font, int width, const QString& text)
{
    return remembered_fit(font, QRect(0, 0, width, 0), QRect(0, 0, width, 0), Qt::AlignLeft, text);
}

QFont fitted_font(const QFont& font, const QSize& room, Qt::Alignment a, const QString& text)
{
    const QRect r(QPoint(0, 0), room);
    return remembered_fit(font, r, r, a, text);
}

QString fitted_end(const QFont& font, const QSize& room, Qt::Alignment a, const QString& text, QFont* fitted)
{
    const QRect r(QPoint(0, 0), room);
    *fitted = remembered_fit(font, r, r, a, text);
    if (fitted->pixelSize() > kSmallestPx) // above the smallest size it fits
        return text;
    static QHash<QString, QString> shown;
    const QString key = fit_key(*fitted, r, r, a, text);
    auto it = shown.constFind(key);
    if (it != shown.constEnd())
        return *it;
    if (shown.size() >= 512)
        shown.clear();
    // Elided by advance, then narrower until the ink fits too (bearings reach past it).
    QString cut = text;
    const QFontMetrics m(*fitted);
    for (int w = room.width(); w > 0 && !ink_inside(*fitted, r, r, a, cut); --w)
        cut = m.elidedText(text, Qt::ElideLeft, w);
    return *shown.insert(key, cut);
}

void fit_text_remembered(QLabel* l)
{
    fit_font(l, l->text());
}

TextLine::TextLine() = default;
TextLine::~TextLine() = default;

void TextLine::set(const QString& text, const QFont& font)
{
    m_text = text;
    m_layout.reset();
    if (text.isEmpty() || text.contains(QLatin1Char('\n')))
        return; // nothing, or more than a line: drawText's own way
    // Laid out as drawText lays out a line that does not wrap.
    m_layout.reset(new QTextLayout(text, font));
    QTextOption o;
    o.setTextDirection(Qt::LeftToRight);
    m_layout->setTextOption(o);
    m_layout->setCacheEnabled(true);
    m_layout->beginLayout();
    QTextLine l = m_layout->createLine();
    l.setLineWidth(0x01000000);
    l.setPosition(QPointF(0, 0));
    m_layout->endLayout();
    m_height = l.ascent() + l.descent();
    m_width = l.naturalTextWidth();
    m_advance = l.horizontalAdvance();
}

void TextLine::draw(QPainter* p, const QRect& r, Qt::Alignment a) const
{
    if (!m_layout) {
        if (!m_text.isEmpty())
            p->drawText(r, int(a), m_text);
        return;
    }
    const qreal y = r.y() + ((a & Qt::AlignVCenter) ? (r.height() - m_height) / 2 : 0);
    const bool centre = a & Qt::AlignHCenter;
    // Clipped to the rectangle only where the line leaves it, as drawText does.
    const QRectF bounds(r.x() + (centre ? (r.width() - m_width) / 2 : 0), y, m_width, m_height);
    const bool clip = !QRectF(r).contains(bounds);
    if (clip) {
        p->save();
        p->setClipRect(r, Qt::IntersectClip);
    }
    m_layout->lineAt(0).draw(p, QPointF(r.x() + (centre ? (r.width() - m_advance) / 2 : 0), y));
    if (clip)
        p->restore();
}

QVector<QPair<QString, QRect>> ink_lines(const QFont& f, const QRect& room, Qt::Alignment a, const QString& text)
{
    // Drawn as QPainter::drawText draws it, unclipped, into a picture with room around the
    // text's box (accents and descenders may leave it), at the screen's resolution.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int dpm = qRound((screen ? screen->logicalDotsPerInchY() : 96.0) / 0.0254);
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied); // point sizes as the panel resolves them
    probe.setDotsPerMeterX(dpm);
    probe.setDotsPerMeterY(dpm);
    const int flags = int(a) | Qt::TextDontClip;
    const QFontMetrics m(f, &probe);
    const QRect box = m.boundingRect(room, flags, text);
    const QRect area = box.united(room).adjusted(-m.height(), -m.height(), m.height(), m.height());
    QImage picture(area.size(), QImage::Format_ARGB32_Premultiplied);
    picture.setDotsPerMeterX(dpm);
    picture.setDotsPerMeterY(dpm);
    picture.fill(Qt::transparent);
    {
        QPainter p(&picture);
        p.translate(-area.topLeft());
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(room, flags, text);
    }
    // Each line's ink lies in its band of the text's box.
    const QStringList lines = text.split(QLatin1Char('\n'));
    const int n = lines.size();
    QVector<QRect> ink(n);
    for (int y = 0; y < picture.height(); ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        int left = -1, right = -1;
        for (int x = 0; x < picture.width(); ++x)
            if (qAlpha(row[x]) >= kInkAlpha) {
                if (left < 0)
                    left = x;
                right = x;
            }
        if (left < 0)
            continue;
        const int at = area.top() + y;
        const int i = qBound(0, int(qFloor(qreal(at - box.top()) * n / qMax(1, box.height()))), n - 1);
        ink[i] |= QRect(area.left() + left, at, right - left + 1, 1);
    }
    QVector<QPair<QString, QRect>> inks;
    for (int i = 0; i < n; ++i)
        if (!lines[i].trimmed().isEmpty() && !ink[i].isNull())
            inks << qMakePair(lines[i], ink[i]);
    return inks;
}

// ---- shared style sheets ----

namespace sheet {
const char* const large_menu = "background-color: rgb(33, 36, 53);border:2px;border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const large_menu_focus = "background-color: rgb(33, 36, 53); border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const disabled_menu = "background-color: gray;border:2px;border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const disabled_menu_focus = "background-color: gray; border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px;color:rgb(255,255,255)";
const char* const sub_menu = "color:rgb(255,255,255);background-color: rgb(33, 36, 53) ; border:2px ;border-radius:10px;padding:2px 4px";
const char* const sub_menu_focus = "color:rgb(255,255,255);background-color: rgb(33, 36, 53); border:2px solid rgb(255,171,84);border-radius:10px;padding:2px 4px";
const char* const small_button = "color:rgb(255, 255, 255);background-color:rgb(33, 36, 53);border:1px solid rgb(255,255,255);";
const char* const small_button_focus = "color:rgb(255, 255, 255);background-color: rgb(33, 36, 53);border:1px solid rgb(255,171,84);";
const char* const field = "border:1px solid rgb(255,255,255);";
const char* const field_focus = "border:1px solid rgb(255,171,84);";
const char* const field_edit = "border:1px solid rgb(255,0,0);";
} // namespace sheet

// ---- focus ----

int step(int index, int count, int dir, bool wrap)
{
    if (count <= 0)
        return 0;
    int n = index + (dir > 0 ? 1 : -1);
    if (n < 0)
        n = wrap ? count - 1 : 0;
    else if (n >= count)
        n = wrap ? 0 : count - 1;
    return n;
}

void move_focus(QWidget* from, const QString& fromSheet, QWidget* to, const QString& toSheet)
{
    set_sheet(from, fromSheet);
    set_sheet(to, toSheet);
}

QRegion ring_region(const QRect& outer, int width)
{
    return QRegion(outer).subtracted(QRegion(outer.adjusted(width, width, -width, -width)));
}

// ---- the registry ----

namespace {
struct Registry
{
    std::array<Factory, page::Count> factories{};
    std::array<QPointer<QWidget>, page::Count> widgets;
    std::array<ScreenBase*, page::Count> screens{};
};

Registry& reg()
{
    static Registry r;
    return r;
}

bool valid(uint8_t p)
{
    return p < page::Count;
}
} // namespace

QWidget* slot_widget(uint8_t pageId)
{
    return valid(pageId) ? reg().widgets[pageId].data() : nullptr;
}

ScreenBase* slot_screen(uint8_t pageId)
{
    return slot_widget(pageId) ? reg().screens[pageId] : nullptr;
}

void take_slot(uint8_t pageId, QWidget* w, ScreenBase* s)
{
    if (!valid(pageId))
        return;
    reg().widgets[pageId] = w;
    reg().screens[pageId] = s;
}

void release_slot(uint8_t pageId, const ScreenBase* s)
{
    if (!valid(pageId) || (s && reg().screens[pageId] != s))
        return;
    reg().widgets[pageId] = nullptr;
    reg().screens[pageId] = nullptr;
}

void set_factory(uint8_t pageId, Factory make)
{
    if (valid(pageId))
        reg().factories[pageId] = make;
}

void unregister_all()
{
    reg().factories.fill(nullptr);
}

bool is_registered(uint8_t pageId)
{
    return valid(pageId) && reg().factories[pageId];
}

QWidget* instance(uint8_t pageId)
{
    return slot_widget(pageId);
}

ScreenBase* screen(uint8_t pageId)
{
    return slot_screen(pageId);
}

void refresh(uint8_t pageId, int code)
{
    ScreenBase* s = slot_screen(pageId);
    if (!s) {
        // Nothing is open under that id: a language change still takes effect.
        if (YuqRamPara::p_yuqrampara_config)
            YuqRamPara::p_yuqrampara_config->YuqLanguageChanged();
        return;
    }
    s->refresh(static_cast<Refresh>(code));
}

void retext(uint8_t pageId)
{
    if (ScreenBase* s = slot_screen(pageId))
        s->retext();
}

ScreenBase* create(uint8_t pageId)
{
    if (!valid(pageId))
        return nullptr;
    return reg().factories[pageId] ? reg().factories[pageId]() : new StandInScreen(pageId);
}

void open(uint8_t pageId)
{
    if (!valid(pageId) || kPages[pageId].kind == PageKind::Home)
        return;
    ScreenBase* s = create(pageId);
    QWidget* w = s->widget();
    take_slot(pageId, w, s); // the pointer first, then the page
    g_page_focus = pageId;
    if (opens_modal(pageId)) {
        if (auto* d = qobject_cast<QDialog*>(w)) {
            d->exec();
            return;
        }
    }
    w->show();
}

void back(uint8_t pageId)
{
    if (ScreenBase* s = slot_screen(pageId))
        s->back();
}

void request(uint8_t pageId, int what, int value, const QString& text)
{
    if (ScreenBase* s = slot_screen(pageId))
        s->request(what, value, text);
}

void close_page(uint8_t pageId)
{
    close_widget(slot_widget(pageId));
}

uint8_t parent_page(uint8_t pageId)
{
    if (!valid(pageId))
        return page::MainWindow;
    switch (pageId) {
    case page::InputChoose:
        return instance(page::ImageLayout) ? page::ImageLayout : page::MainWindow;
    case page::InputCut:
        return instance(page::InputChoose) ? page::InputChoose : page::Option;
    case page::CustomMode:
        return page::MainWindow; // the mode key's way back is the user-mode screen's own
    default:
        return kPages[pageId].parent;
    }
}

bool opens_modal(uint8_t pageId)
{
    return valid(pageId) && kPages[pageId].kind == PageKind::Modal;
}

// ---- open, back and mode key ----

void close_widget(QWidget* w)
{
    if (!w)
        return;
    for (int p = 0; p < page::Count; ++p)
        if (reg().widgets[size_t(p)] == w)
            release_slot(uint8_t(p), nullptr);
    w->setProperty("kit_closing", true);
    w->setAttribute(Qt::WA_DeleteOnClose);
    w->close();
}

void close_by_back(ScreenBase* self)
{
    close_by_back(self, parent_page(self->page_id()));
}

void close_by_back(ScreenBase* self, uint8_t parent)
{
    close_widget(self->widget());
    retext(parent);
    g_page_focus = parent;
}

bool mode_key(ScreenBase* self)
{
    if (key_locked())
        return false;
    const int own = self->page_id();
    if ((own == page::SmartMapping || own == page::rcv_recovery) && g_qround_bar)
        return false; // a card job runs: the screen stays until its wheel closes
    close_widget(self->widget());
    for (int p = page::Count - 1; p >= 0; --p)
        if (p != page::MainWindow && p != page::LockWindow && p != page::CustomMode)
            close_page(uint8_t(p));
    g_mode_shortcut_key = 1;
    open(page::CustomMode);
    return true;
}

bool still_open(const QWidget* w)
{
    return w && !w->property("kit_closing").toBool();
}

void panel_window(QWidget* w)
{
    w->setWindowFlags(w->windowFlags() | Qt::FramelessWindowHint);
    w->move(0, 0);
}

// ---- desktop rules ----

namespace {
QWidget* key_target()
{
    // While the update overlay shows, it takes the keys and acts on none: the screens
    // beneath cannot be seen, so nothing may move them.
    QWidget* overlay = g_move_update;
    if (g_move_update && overlay->isVisible())
        return overlay;
    // A modal pop-up in front takes the keys (the tip ignores them).
    QWidget* tip = g_tip;
    if (g_tip && tip->isVisible())
        return tip;
    QWidget* pad = g_numberkeyboard;
    if (g_numberkeyboard && pad->isVisible())
        return pad;
    return instance(g_page_focus.load());
}

class PanelRules : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* o, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* k = static_cast<QKeyEvent*>(e);
            QWidget* w = qobject_cast<QWidget*>(o);
            if (!w)
                return false;
            if (e->type() == QEvent::KeyPress
                && (k->key() == Qt::Key_Escape || k->key() == Qt::Key_Return
                    || k->key() == Qt::Key_Enter)
                && qobject_cast<QDialog*>(w->window()))
                return true; // QDialog would reject or click a default button
            QWidget* target = key_target();
            if (!target || target->window() == w->window() || m_copies.contains(e))
                return false;
            // Only the copy itself passes unredirected: a key handler that runs a nested
            // loop (a screen opening another) must not stop later keys from being routed.
            QKeyEvent copy(k->type(), k->key(), k->modifiers(), k->text(), k->isAutoRepeat(),
                           ushort(k->count()));
            m_copies.insert(&copy);
            QCoreApplication::sendEvent(target, &copy);
            m_copies.remove(&copy);
            return true;
        }
        case QEvent::Close:
            if (e->spontaneous()) {
                e->ignore();
                return true; // a window manager's close
            }
            return false;
        default:
            return false;
        }
    }

private:
    QSet<const QEvent*> m_copies; // redirected copies being delivered (nested loops nest them)
};

bool g_rules_installed = false;
QPointer<QWidget> g_last_front;
int g_last_page = -1;
} // namespace

void install_panel_rules(QApplication* app)
{
    app->installEventFilter(new PanelRules(app));
    g_rules_installed = true;
}

void follow_front()
{
    if (!g_rules_installed)
        return;
    const uint8_t p = g_page_focus.load();
    QWidget* front = instance(p);
    if (!front || (int(p) == g_last_page && g_last_front == front))
        return;
    g_last_page = p;
    g_last_front = front;
    front->raise();
    front->activateWindow();
}

} // namespace kit

// ---- ScreenBase ----

ScreenBase::ScreenBase(QWidget* self, uint8_t pageId) : m_self(self), m_page(pageId)
{
    kit::take_slot(pageId, self, this);
}

ScreenBase::~ScreenBase()
{
    kit::release_slot(m_page, this);
}

void ScreenBase::refresh(kit::Refresh)
{
    if (YuqRamPara::p_yuqrampara_config && YuqRamPara::p_yuqrampara_config->YuqLanguageChanged())
        retext();
}

bool ScreenBase::key(kit::Key role)
{
    switch (role) {
    case kit::Key::Left:
        key_left();
        break;
    case kit::Key::Right:
        key_right();
        break;
    case kit::Key::Ok:
        key_ok();
        break;
    case kit::Key::Back:
        key_back();
        break;
    case kit::Key::Mode:
        return key_mode();
    case kit::Key::None:
        break;
    }
    return true;
}

bool ScreenBase::key_mode()
{
    return kit::mode_key(this);
}

// ---- PanelDialog ----

PanelPopup::PanelPopup(QWidget* parent) : QDialog(parent)
{
    kit::panel_window(this);
}

PanelDialog::PanelDialog(uint8_t pageId, QWidget* parent) : PanelPopup(parent), ScreenBase(this, pageId)
{
}

void PanelPopup::reject()
{
    // Only the kit closes a screen; Escape and a window manager's close do not.
    if (property("kit_closing").toBool())
        QDialog::reject();
}

void PanelDialog::request(int what, int value, const QString&)
{
    if (what == kit::ReqProgress)
        emit sig_qround_bar_update(value);
}

void PanelDialog::keyPressEvent(QKeyEvent* e)
{
    const kit::Key r = kit::key_role(e->key());
    if (r == kit::Key::Ok || r == kit::Key::Back)
        kit::log_key(screen_name(), r, false);
}

void PanelDialog::keyReleaseEvent(QKeyEvent* e)
{
    const int code = e->key();
    const kit::Key r = kit::key_role(code);
    kit::log_key(screen_name(), r, true);
    QPointer<PanelDialog> self(this);
    if (!key(r))
        return; // a refused mode key goes nowhere
    // A screen closed by its own key is deleted later, so the member is still there; one
    // deleted meanwhile (a nested loop ran) hands nothing on.
    if (!self)
        return;
    m_keyboard.update_usb_keyEvent(code);
}

// ---- StandInScreen ----

StandInScreen::StandInScreen(uint8_t pageId, QWidget* parent) : PanelDialog(pageId, parent)
{
    setObjectName(QStringLiteral("standin_%1").arg(pageId));
    setWindowTitle(QStringLiteral("Dialog"));
    setFixedSize(320, 240);
    setStyleSheet(QStringLiteral("background-color: rgb(16, 16, 28);"));
    setProperty("page_id", int(pageId));
}

void StandInScreen::back()
{
    if (page_id() == page::LockWindow)
        return;
    if (page_id() == page::CustomMode && g_mode_shortcut_key) {
        // Entered by the mode key: back leads to a new standby screen.
        kit::close_widget(this);
        g_mode_shortcut_key = 0;
        kit::open(page::LockWindow);
        return;
    }
    kit::close_by_back(this);
}

void StandInScreen::key_ok()
{
    if (page_id() == page::LockWindow)
        kit::close_by_back(this, page::MainWindow);
}

bool StandInScreen::key_mode()
{
    if (page_id() == page::CustomMode)
        return true; // the mode key does nothing on the user-mode screen
    return kit::mode_key(this);
}

void StandInScreen::mousePressEvent(QMouseEvent* e)
{
    if (page_id() == page::LockWindow)
        key_ok();
    else
        PanelDialog::mousePressEvent(e);
}
