// Every text of every built screen fits its label or button, in every language, with the
// panel's fonts: a long translation must never be cut.
#include "shellsupport.h"
#include "app/host_start.h"
#include "ui/shell/numberfields.h"
#include "ui/shell/numberkeyboard.h"
#include "ui/picture/inputchoose.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <QToolButton>
#include <QTextDocument>
#include <QtTest>

using namespace shellsupport;

namespace {
// Where a widget draws its text in the look it has now, and how it aligns it.
struct Room
{
    QRect rect;
    Qt::Alignment align;
    QStringList texts; // each drawn alone (a combo box's items), lines split by '\n'
};

// The panels a widget shows with: its hidden parents (a screen shows them in turn).
QList<const QWidget*> hidden_panels(const QWidget* c)
{
    QList<const QWidget*> hidden;
    for (const QWidget* a = c->parentWidget(); a && !a->isWindow(); a = a->parentWidget())
        if (a->isHidden())
            hidden << a;
    return hidden;
}

// Texts of hidden panels count too: the screen shows them at some moment.
bool room_of(const QWidget* c, Room* r)
{
    if (c->isHidden() || c->width() <= 0)
        return false;
    if (const auto* l = qobject_cast<const QLabel*>(c)) {
        if (l->wordWrap() || Qt::mightBeRichText(l->text()) || l->text().isEmpty())
            return false;
        const int m = l->margin(), i = qMax(0, l->indent());
        const Qt::Alignment a = l->alignment();
        *r = {l->contentsRect().adjusted(m + (a & Qt::AlignLeft ? i : 0), m, -m - (a & Qt::AlignRight ? i : 0), -m), a, {l->text()}};
        return true;
    }
    if (const auto* b = qobject_cast<const QPushButton*>(c)) {
        if (b->text().isEmpty())
            return false;
        QStyleOptionButton o;
        o.initFrom(b);
        o.text = b->text();
        o.icon = b->icon();
        o.iconSize = b->iconSize();
        QRect rect = b->style()->subElementRect(QStyle::SE_PushButtonContents, &o, b);
        if (!b->icon().isNull()) // icon and text centred together: the text's share
            rect.adjust(0, 0, -(b->iconSize().width() + 4), 0);
        *r = {rect, Qt::AlignCenter, {b->text()}};
        return true;
    }
    if (const auto* t = qobject_cast<const QToolButton*>(c)) {
        if (t->text().isEmpty())
            return false;
        QRect rect = t->contentsRect();
        if (t->toolButtonStyle() == Qt::ToolButtonTextUnderIcon && !t->icon().isNull())
            rect.setTop(rect.top() + t->iconSize().height()); // the text under the picture
        *r = {rect, Qt::AlignCenter, {t->text()}};
        return true;
    }
    if (const auto* b = qobject_cast<const QAbstractButton*>(c)) {
        if (b->text().isEmpty())
            return false;
        *r = {b->contentsRect(), Qt::AlignCenter, {b->text()}};
        return true;
    }
    if (const auto* box = qobject_cast<const QComboBox*>(c)) {
        QStyleOptionComboBox o;
        o.initFrom(box);
        o.editable = box->isEditable();
        o.frame = box->hasFrame();
        o.subControls = QStyle::SC_All;
        r->rect = box->style()->subControlRect(QStyle::CC_ComboBox, &o, QStyle::SC_ComboBoxEditField, box);
        r->align = Qt::AlignLeft | Qt::AlignVCenter;
        r->texts.clear();
        for (int i = 0; i < box->count(); ++i)
            r->texts << box->itemText(i);
        return !r->texts.isEmpty();
    }
    return false;
}

// Every text found cut printed, so one run names them all; true when there are none.
bool none_cut(const QStringList& cut)
{
    for (const QString& c : cut)
        qWarning("cut: %s", qPrintable(c));
    return cut.isEmpty();
}

// Empty when every line's ink lies inside the room (a pixel over at the sides allowed, an
// anti-aliased bearing; none at the top and bottom, where it is a descender's tail), else
// what sticks out.
QString ink_outside(const QFont& f, const QRect& room, Qt::Alignment a, const QString& text)
{
    QStringList out;
    const QFontMetrics m(f);
    for (const auto& line : kit::ink_lines(f, room, a, text)) {
        const QRect& ink = line.second;
        QStringList sides;
        if (ink.left() < room.left() - 1)
            sides << QStringLiteral("left %1").arg(room.left() - ink.left());
        if (ink.right() > room.right() + 1)
            sides << QStringLiteral("right %1").arg(ink.right() - room.right());
        if (ink.top() < room.top())
            sides << QStringLiteral("top %1").arg(room.top() - ink.top());
        if (ink.bottom() > room.bottom())
            sides << QStringLiteral("bottom %1").arg(ink.bottom() - room.bottom());
        if (!sides.isEmpty())
            out << QStringLiteral("\"%1\" out %2 px (room %3x%4, font %5 px)")
                       .arg(line.first, sides.join(QLatin1Char('/')))
                       .arg(room.width())
                       .arg(room.height())
                       .arg(m.height());
    }
    return out.join(QStringLiteral(", "));
}

// A picture or field drawn over a label's text, or touching it: the ink of every label
// against every other widget of the window that shows a picture or a field and is not its
// own parent or child.
void overlaps(QWidget* w, QStringList* cut)
{
    QList<const QWidget*> covers;
    for (const QWidget* c : w->findChildren<QWidget*>()) {
        const auto* l = qobject_cast<const QLabel*>(c);
        // A picture, or a label drawn as a field (a value in a frame of its own).
        const bool picture = l && (!l->pixmap(Qt::ReturnByValue).isNull() || l->styleSheet().contains(QLatin1String("solid")));
        if (!c->isHidden() && (picture || qobject_cast<const QLineEdit*>(c) || qobject_cast<const QComboBox*>(c)))
            covers << c;
    }
    for (const QWidget* c : w->findChildren<QWidget*>()) {
        const auto* l = qobject_cast<const QLabel*>(c);
        Room r;
        if (!l || !room_of(c, &r))
            continue;
        for (const auto& line : kit::ink_lines(c->font(), r.rect, r.align, r.texts.value(0))) {
            // Clipped to the label, as it is drawn; "touching" is within a pixel.
            const QRect ink = line.second.intersected(c->rect());
            const QRect onWindow(c->mapTo(w, ink.topLeft()), ink.size());
            for (const QWidget* p : covers) {
                if (p == c || p->isAncestorOf(c) || c->isAncestorOf(p) || hidden_panels(p) != hidden_panels(c))
                    continue; // or shown at another time
                const QRect box(p->mapTo(w, QPoint(0, 0)), p->size());
                if (box.intersects(onWindow.adjusted(-1, 0, 1, 0)))
                    *cut << QStringLiteral("%1 [as shown]: \"%2\" under or touching %3").arg(c->objectName(), line.first, p->objectName());
            }
        }
    }
}

// The looks a widget can be given besides the one it has: the kit's sheet families and the
// values its screen's sheet has for its property "look".
QStringList kit_family(const QString& sheet)
{
    using namespace kit::sheet;
    const QList<QStringList> families = {
        {large_menu, large_menu_focus, disabled_menu, disabled_menu_focus},
        {sub_menu, sub_menu_focus},
        {small_button, small_button_focus},
        {field, field_focus, field_edit},
    };
    for (const QStringList& f : families)
        if (f.contains(sheet))
            return f;
    return {};
}

QStringList look_values(const QWidget* c)
{
    QStringList values;
    if (!c->property("look").isValid())
        return values;
    static const QRegularExpression rule(QStringLiteral("\\[look=\"([a-z]*)\"\\]"));
    for (const QWidget* w = c; w; w = w->parentWidget()) {
        auto it = rule.globalMatch(w->styleSheet());
        while (it.hasNext()) {
            const QString v = it.next().captured(1);
            if (!values.contains(v))
                values << v;
        }
    }
    return values;
}

// How wide a combo box draws the ink of its item `index`: the columns of its picture that
// differ from its picture with no item shown.
int drawn_ink_width(QComboBox* box, int index)
{
    const QSignalBlocker quiet(box);
    const int shown = box->currentIndex();
    box->setCurrentIndex(-1);
    const QImage empty = box->grab().toImage();
    box->setCurrentIndex(index);
    const QImage item = box->grab().toImage();
    box->setCurrentIndex(shown);
    int left = item.width(), right = -1;
    for (int x = 0; x < item.width(); ++x)
        for (int y = 0; y < item.height(); ++y)
            if (item.pixel(x, y) != empty.pixel(x, y)) {
                left = qMin(left, x);
                right = qMax(right, x);
                break;
            }
    return right < left ? 0 : right - left + 1;
}

// Where the style clips a box's text is its own: the ink drawn in the box against the ink
// the same box draws when it is far wider.
QString clipped_items(QComboBox* box)
{
    QStringList out;
    const QSize size = box->size();
    for (int i = 0; i < box->count(); ++i) {
        const int drawn = drawn_ink_width(box, i);
        box->resize(size.width() + 200, size.height());
        const int whole = drawn_ink_width(box, i);
        box->resize(size);
        if (drawn < whole - 1)
            out << QStringLiteral("\"%1\" drawn %2 px of %3 px (box %4 px wide, font %5 px)")
                       .arg(box->itemText(i))
                       .arg(drawn)
                       .arg(whole)
                       .arg(size.width())
                       .arg(QFontMetrics(box->font()).height());
    }
    return out.join(QStringLiteral(", "));
}

// Every text of the widget in its look now, against the room that look leaves.
void measure(const QWidget* c, const QString& look, QStringList* cut)
{
    if (auto* box = qobject_cast<QComboBox*>(const_cast<QWidget*>(c))) {
        const QString bad = box->isVisibleTo(box->window()) ? clipped_items(box) : QString();
        if (!bad.isEmpty())
            *cut << QStringLiteral("%1 [%2]: %3").arg(c->objectName(), look, bad);
    }
    Room r;
    if (!room_of(c, &r))
        return;
    for (const QString& t : r.texts) {
        const QString bad = ink_outside(c->font(), r.rect, r.align, t);
        if (!bad.isEmpty())
            *cut << QStringLiteral("%1 [%2]: %3").arg(c->objectName(), look, bad);
    }
}

// Each text in its look now, then in every other look it can be given (restored after).
void measure_all_looks(QWidget* w, QStringList* cut)
{
    for (QWidget* c : w->findChildren<QWidget*>()) {
        measure(c, QStringLiteral("as shown"), cut);
        const QString sheet = c->styleSheet();
        for (const QString& s : kit_family(sheet)) {
            if (s == sheet)
                continue;
            kit::set_sheet(c, s); // as the screens set it
            measure(c, s.contains(QLatin1String("solid")) ? QStringLiteral("focused") : QStringLiteral("plain"), cut);
        }
        if (!kit_family(sheet).isEmpty())
            kit::set_sheet(c, sheet);
        const QByteArray own = c->property("look").toByteArray();
        for (const QString& v : look_values(c)) {
            kit::set_own_look(c, v.toLatin1().constData());
            measure(c, v, cut);
        }
        if (!look_values(c).isEmpty())
            kit::set_own_look(c, own.constData());
    }
}
// ---- ink as it is drawn ----
// A text's ink found in pictures of the widget itself, not in font metrics: the widget
// drawn with and without its text, grown by kGrow pixels on every side (the text stays
// where it was and nothing clips it), and without its text at its own size (what it draws
// besides: its border). Ink is a pixel at least kInk off in a colour channel.
constexpr int kGrow = 6, kInk = 64;

bool differs(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) >= kInk || qAbs(qGreen(a) - qGreen(b)) >= kInk || qAbs(qBlue(a) - qBlue(b)) >= kInk;
}

// The plain text a label or button shows beside no picture; null for any other widget.
QString own_text(const QWidget* c)
{
    if (const auto* l = qobject_cast<const QLabel*>(c))
        return l->wordWrap() || Qt::mightBeRichText(l->text()) || !l->pixmap(Qt::ReturnByValue).isNull() ? QString() : l->text();
    if (const auto* b = qobject_cast<const QAbstractButton*>(c))
        return b->icon().isNull() ? b->text() : QString(); // a picture moves with the text
    return QString();
}

void set_own_text(QWidget* c, const QString& t)
{
    if (auto* l = qobject_cast<QLabel*>(c))
        l->setText(t);
    else if (auto* b = qobject_cast<QAbstractButton*>(c))
        b->setText(t);
}

// Grown away from the sides the text is aligned to: the text stays where it was, and what
// the room clipped shows (a centred text grows both ways alike).
QImage grown(QWidget* c, Qt::Alignment a)
{
    const QRect g = c->geometry();
    const QSize least = c->minimumSize(), most = c->maximumSize();
    c->setMinimumSize(0, 0);
    c->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    c->setGeometry(g.adjusted(a & Qt::AlignLeft ? 0 : -kGrow, a & Qt::AlignTop ? 0 : -kGrow, a & Qt::AlignRight ? 0 : kGrow,
                              a & Qt::AlignBottom ? 0 : kGrow));
    const QImage out = c->grab().toImage();
    c->setGeometry(g);
    c->setMinimumSize(least);
    c->setMaximumSize(most);
    return out;
}

// Empty when the text's ink stays inside its room (the widget clips it there) and clear of
// the border the widget draws; else where it is clipped away (an underscore or descender
// below a label), lies on the border or touches it.
QString ink_as_drawn(QWidget* c)
{
    const QString text = own_text(c);
    Room r;
    if (text.trimmed().isEmpty() || !room_of(c, &r))
        return QString();
    set_own_text(c, QString());
    const Qt::Alignment a = r.align;
    const QImage bare = c->grab().toImage(), bareGrown = grown(c, a);
    set_own_text(c, text);
    const QImage inked = grown(c, a);
    const QRect& room = r.rect;
    const QPoint at(a & Qt::AlignLeft ? 0 : kGrow, a & Qt::AlignTop ? 0 : kGrow); // the widget's origin in them
    const QRgb ground = bare.pixel(room.center());
    auto border = [&](int x, int y) {
        return c->rect().contains(x, y) && !room.contains(x, y) && differs(bare.pixel(x, y), ground);
    };
    int out[4] = {}; // left, top, right, bottom: pixels clipped away
    bool on = false, touching = false;
    for (int y = 0; y < inked.height(); ++y)
        for (int x = 0; x < inked.width(); ++x) {
            if (!differs(inked.pixel(x, y), bareGrown.pixel(x, y)))
                continue;
            const int X = x - at.x(), Y = y - at.y();
            if (!room.contains(X, Y)) {
                out[0] = qMax(out[0], room.left() - X);
                out[1] = qMax(out[1], room.top() - Y);
                out[2] = qMax(out[2], X - room.right());
                out[3] = qMax(out[3], Y - room.bottom());
            } else if (border(X, Y)) {
                on = true;
            } else if (border(X - 1, Y) || border(X + 1, Y) || border(X, Y - 1) || border(X, Y + 1)) {
                touching = true;
            }
        }
    QStringList what;
    static const char* const side[4] = {"left", "top", "right", "bottom"};
    for (int s = 0; s < 4; ++s)
        if (out[s] > 0)
            what << QStringLiteral("clipped %1 px at the %2").arg(out[s]).arg(QLatin1String(side[s]));
    if (on)
        what << QStringLiteral("on its border");
    else if (touching)
        what << QStringLiteral("touching its border");
    if (what.isEmpty())
        return QString();
    return QStringLiteral("%1 \"%2\" %3 (%4x%5, font %6 px)")
        .arg(c->objectName(), text, what.join(QStringLiteral(", ")))
        .arg(c->width())
        .arg(c->height())
        .arg(QFontInfo(c->font()).pixelSize());
}

// Every text of the window as drawn now, and the texts the input choice's rows draw
// themselves, each as a label in its place would draw it. Remembered by all a picture
// depends on, so a focus walk measures only what changed.
void measure_drawn(QWidget* w, QStringList* cut, QHash<QString, QString>* seen)
{
    QList<QWidget*> all = w->findChildren<QWidget*>();
    QList<QLabel*> twins;
    if (auto* choose = qobject_cast<InputChoose*>(w))
        for (int row = 0; row < 3; ++row)
            for (const bool detail : {false, true}) {
                QFont f;
                const QRect place = choose->row_text_place(row, detail, &f);
                if (choose->row_text(row, detail).isEmpty())
                    continue;
                auto* l = new QLabel(choose->row_text(row, detail), w);
                l->setObjectName(QStringLiteral("row%1_%2").arg(row).arg(detail ? "detail" : "name"));
                l->setGeometry(place);
                l->setFont(f);
                l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
                l->setStyleSheet(QStringLiteral("color:#FFFFFF;background-color:#212435"));
                l->show();
                twins << l;
            }
    for (QLabel* l : twins)
        all << l;
    for (QWidget* c : all) {
        if (own_text(c).trimmed().isEmpty() || !c->isVisibleTo(w))
            continue;
        const QString key = c->objectName() + QLatin1Char('\x1f') + c->metaObject()->className() + QLatin1Char('\x1f')
            + own_text(c) + QLatin1Char('\x1f') + c->font().key() + QLatin1Char('\x1f') + c->styleSheet() + QLatin1Char('\x1f')
            + c->property("look").toString() + QStringLiteral("\x1f%1x%2").arg(c->width()).arg(c->height());
        auto it = seen->constFind(key);
        if (it == seen->constEnd())
            it = seen->insert(key, ink_as_drawn(c));
        if (!it->isEmpty() && !cut->contains(*it))
            *cut << *it;
    }
    qDeleteAll(twins);
}

// A page shown fresh in a language: the home window, or a new screen the caller deletes.
QWidget* show_page(int pageId, int language, bool fresh = true)
{
    if (fresh)
        fresh_panel();
    g_language = uint8_t(language);
    QWidget* w = pageId == page::MainWindow ? static_cast<QWidget*>(g_mainwindow)
                                            : kit::create(uint8_t(pageId))->widget();
    w->show();
    QCoreApplication::processEvents();
    return w;
}

} // namespace

class TstTextFit : public QObject
{
    Q_OBJECT
private slots:
    void texts_fit_their_boxes_data()
    {
        QTest::addColumn<int>("pageId");
        QTest::addColumn<int>("language");
        fresh_panel();
        for (int p = 0; p < page::Count; ++p) {
            if (!kit::kPages[p].built)
                continue;
            for (int l = 0; l < 5; ++l)
                QTest::addRow("%s/%d", kit::kPages[p].name, l) << p << l;
        }
    }

    void texts_fit_their_boxes()
    {
        QFETCH(int, pageId);
        QFETCH(int, language);
        QWidget* w = show_page(pageId, language);
        QStringList cut;
        for (const QWidget* c : w->findChildren<QWidget*>()) {
            // The plain text of a label or button against its width; wrapped and rich text
            // are laid out by Qt.
            int room = c->contentsRect().width();
            QString text;
            if (const auto* l = qobject_cast<const QLabel*>(c))
                text = l->wordWrap() || Qt::mightBeRichText(l->text()) ? QString() : l->text();
            if (const auto* b = qobject_cast<const QAbstractButton*>(c)) {
                text = b->text();
                room -= b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            }
            for (const QString& line : text.split(QLatin1Char('\n'))) {
                const int need = c->fontMetrics().horizontalAdvance(line);
                if (!line.isEmpty() && need > room)
                    cut << QStringLiteral("%1 \"%2\" needs %3 px, has %4").arg(c->objectName(), line).arg(need).arg(room);
            }
        }
        if (pageId != page::MainWindow)
            delete w;
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(QStringLiteral("; "))));
    }


    // What the operator sees: the ink of every text inside the room its box leaves in every
    // look the screen gives it (the focused look as the focus moves over the screen, the
    // kit's and the form's other looks), combo-box items in the box's text field.
    void ink_inside_every_look_data() { texts_fit_their_boxes_data(); }

    void ink_inside_every_look()
    {
        QFETCH(int, pageId);
        QFETCH(int, language);
        QWidget* w = show_page(pageId, language);
        QStringList cut;
        measure_all_looks(w, &cut);
        overlaps(w, &cut);
        // The focus over the screen: right until it has come round (at most 24 moves).
        ScreenBase* s = pageId == page::MainWindow ? nullptr : kit::screen(uint8_t(pageId));
        for (int i = 0; s && i < 24 && kit::screen(uint8_t(pageId)) == s; ++i) {
            s->key(kit::Key::Right);
            QCoreApplication::processEvents();
            for (const QWidget* c : w->findChildren<QWidget*>())
                measure(c, QStringLiteral("after %1 right").arg(i + 1), &cut);
        }
        // One line a text, with the looks it is cut in.
        QMap<QString, QStringList> byText;
        for (const QString& c : cut) {
            const int open = c.indexOf(QLatin1String(" [")), close = c.indexOf(QLatin1String("]: "));
            QStringList& looks = byText[c.left(open) + c.mid(close + 1)];
            const QString look = c.mid(open + 2, close - open - 2);
            if (!looks.contains(look) && looks.size() < 3)
                looks << look;
        }
        cut.clear();
        for (auto it = byText.cbegin(); it != byText.cend(); ++it)
            cut << it.key() + QStringLiteral(" (") + it.value().join(QStringLiteral(", ")) + QLatin1Char(')');
        if (pageId != page::MainWindow && kit::screen(uint8_t(pageId)) == s)
            delete w;
        QVERIFY2(none_cut(cut), qPrintable(QStringLiteral("%1 texts cut or crowded").arg(cut.size())));
    }

    // The ink as the panel draws it, in pictures of each widget: inside its box and clear of
    // the border it draws, as the screen opens (or after `keys`) and as the focus goes
    // round. HDMI1 has crops, so their names show in the input choice's rows and the crop
    // screen's cells; with all 40 the crop screen's save says why it stores nothing.
    void ink_as_drawn_data()
    {
        QTest::addColumn<int>("pageId");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("crops");
        fresh_panel();
        for (int l = 0; l < 5; ++l) {
            for (int p = 0; p < page::Count; ++p)
                if (kit::kPages[p].built)
                    QTest::addRow("%s/%d", kit::kPages[p].name, l) << p << l << QString() << 2;
            QTest::addRow("InputCut add/%d", l) << int(page::InputCut) << l << QStringLiteral("QQ") << 2;
            QTest::addRow("InputCut edit/%d", l) << int(page::InputCut) << l << QStringLiteral("QRRQ") << 2;
            QTest::addRow("InputCut full/%d", l) << int(page::InputCut) << l << QStringLiteral("QQSQ") << CROP_COUNT;
        }
    }

    void ink_as_drawn()
    {
        QFETCH(int, pageId);
        QFETCH(int, language);
        QFETCH(QString, keys);
        QFETCH(int, crops);
        fresh_panel();
        for (int n = 1; n <= crops; ++n)
            set_crop(YuqRamPara::p_yuqrampara_config, n - 1, 2, n, 640, 360);
        QWidget* w = show_page(pageId, language, false);
        for (const QChar k : keys)
            release(w, k.unicode());
        QStringList cut;
        QHash<QString, QString> seen;
        measure_drawn(w, &cut, &seen);
        ScreenBase* s = pageId == page::MainWindow ? nullptr : kit::screen(uint8_t(pageId));
        for (int i = 0; s && i < 24 && kit::screen(uint8_t(pageId)) == s; ++i) {
            s->key(kit::Key::Right);
            QCoreApplication::processEvents();
            measure_drawn(w, &cut, &seen);
        }
        if (pageId != page::MainWindow && kit::screen(uint8_t(pageId)) == s)
            delete w;
        QVERIFY2(none_cut(cut), qPrintable(QStringLiteral("%1 texts cut or crowded").arg(cut.size())));
    }

    // Texts a screen shows only further in: the mapping wizard's steps, the route picker and
    // the scan files found, the EDID panel; measured after every key in every language.
    void texts_further_in_data()
    {
        QTest::addColumn<int>("pageId");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<int>("language");
        const QList<QPair<int, QString>> walks = {
            {page::SmartMapping, QStringLiteral("QRRQQRQ")},          // step 2
            {page::SmartMapping, QStringLiteral("QRRQRRRRQRRQRRRRRRQ")}, // step 3, routes, send
            {page::SmartMapping, QStringLiteral("RQRRRQRQ")},         // load scan, a file
            {page::SmartMapping, QStringLiteral("SQ")},               // mapping switch
            {page::EDIDset, QStringLiteral("RQRRQ")},                 // panel, rate
        };
        for (const auto& w : walks)
            for (int l = 0; l < 5; ++l)
                QTest::addRow("%s %s/%d", kit::kPages[w.first].name, qPrintable(w.second), l) << w.first << w.second << l;
    }

    void texts_further_in()
    {
        QFETCH(int, pageId);
        QFETCH(QString, keys);
        QFETCH(int, language);
        fresh_panel();
        g_language = uint8_t(language);
        testsupport::put_file("/data/smartmapping/indoor_p3.wzfile", "scan");
        QWidget* w = kit::create(uint8_t(pageId))->widget();
        w->show();
        QCoreApplication::processEvents();
        QStringList cut;
        // A number pad a key opens is measured and closed.
        QTimer pads;
        QObject::connect(&pads, &QTimer::timeout, [&cut] {
            if (g_numberkeyboard && g_numberkeyboard->isVisible()) {
                measure_all_looks(g_numberkeyboard, &cut);
                g_numberkeyboard->done(0);
            }
        });
        pads.start(0);
        for (const QChar k : keys) {
            release(w, k.unicode());
            QCoreApplication::processEvents();
            if (!kit::still_open(w))
                break;
            measure_all_looks(w, &cut);
            overlaps(w, &cut);
        }
        pads.stop();
        cut.removeDuplicates();
        QVERIFY2(none_cut(cut), qPrintable(QStringLiteral("%1 texts cut or crowded").arg(cut.size())));
    }

    // The number pad's title for every number field of every screen, and the access code's.
    void pad_titles_fit_data() { texts_fit_their_boxes_data(); }

    void pad_titles_fit()
    {
        QFETCH(int, pageId);
        QFETCH(int, language);
        fresh_panel();
        g_language = uint8_t(language);
        if (pageId == page::MainWindow)
            return;
        QWidget* w = kit::create(uint8_t(pageId))->widget();
        QStringList titles;
        if (pageId == page::AdvancedOption)
            titles << kit::text(Txt::advancedoption_code_title);
        for (const kit::NumberFields* f : w->findChildren<kit::NumberFields*>())
            for (const QLineEdit* e : w->findChildren<QLineEdit*>())
                if (f->owns(e))
                    titles << f->title(e);
        titles.removeDuplicates();
        NumberKeyboard* pad = number_pad();
        QStringList cut;
        for (const QString& t : titles) {
            pad->label_show(t, QString());
            pad->show();
            QCoreApplication::processEvents();
            measure_all_looks(pad, &cut);
            pad->hide();
        }
        delete w;
        QVERIFY2(none_cut(cut), qPrintable(QStringLiteral("%1 texts cut or crowded").arg(cut.size())));
    }

    // A text a screen draws itself gets the font a fitted label of its font and width has.
    void drawn_text_fits_as_a_label_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::newRow("fits") << QStringLiteral("640x360") << 88;
        QTest::newRow("down to 7 px") << QStringLiteral("3840x2160@30Hz 3840x2160@30Hz") << 88;
        QTest::newRow("two lines") << QStringLiteral("1920x1080\n@60Hz") << 40;
    }

    void drawn_text_fits_as_a_label()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QLabel label;
        QFont f = label.font();
        f.setPixelSize(10);
        label.setFont(f);
        label.resize(width, 12);
        label.setText(text);
        kit::fit_text(&label);
        for (int again = 0; again < 2; ++again) // the second one remembered
            QCOMPARE(kit::fitted_font(f, width, text), label.font());
    }
};

// The panel's look: its font resolution, style and fonts, set as the program sets them.
int main(int argc, char* argv[])
{
    qputenv("QT_FONT_DPI", "100");
    QApplication app(argc, argv);
    host::device_look();
    TstTextFit t;
    return QTest::qExec(&t, argc, argv);
}
#include "tst_text_fit.moc"
