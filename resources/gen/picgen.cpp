// Picture generator: paints the panel's pictures from a text table (see
// resources/README.md for the format) and writes them as PNGs plus a .qrc.
//
//   picgen <pictures.txt> <out-dir> [--sheet <contact.png>]
//
// Output is a pure function of the table and the installed fonts, so a
// rebuild gives the same bytes.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <QVector>
#include <cstdio>
#include <functional>
#include <stdexcept>

namespace {

struct Fail : std::runtime_error {
    using std::runtime_error::runtime_error;
};

const QStringList kLangs = {"zh", "en", "ru", "vn", "tn"};

QString prefix_of(const QString& lang)
{
    return lang == "zh" ? QString() : lang + "_";
}

struct Line {
    int number = 0;
    QStringList tok;
};

struct Picture {
    QString name;
    QSize size;
    QStringList langs;               // empty: one picture, no variants
    QMap<QString, QSize> sizeFor;    // per-language size
    QMap<QString, QString> nameFor;  // per-language file name (without .png)
    QVector<Line> ops;
};

// ---- tokens and expressions -------------------------------------------------

QStringList tokenize(const QString& line, int number)
{
    QStringList out;
    int i = 0;
    const int n = line.size();
    while (i < n) {
        while (i < n && line[i].isSpace())
            ++i;
        if (i >= n)
            break;
        QString t;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < n) {
                    const QChar e = line[i++];
                    t += e == 'n' ? QChar('\n') : e;
                } else {
                    t += c;
                }
            }
            if (!closed)
                throw Fail(QString("line %1: unclosed quote").arg(number).toStdString());
            out << QChar(0x1) + t;  // marks a quoted literal
        } else {
            while (i < n && !line[i].isSpace())
                t += line[i++];
            out << t;
        }
    }
    return out;
}

bool is_literal(const QString& t) { return t.startsWith(QChar(0x1)); }

class Expr {
public:
    Expr(const QString& s, const QMap<QString, double>& vars) : s_(s), vars_(vars) {}
    double eval()
    {
        const double v = sum();
        if (p_ != s_.size())
            bad();
        return v;
    }

private:
    [[noreturn]] void bad() { throw Fail(("bad number or expression '" + s_ + "'").toStdString()); }
    double sum()
    {
        double v = product();
        while (p_ < s_.size() && (s_[p_] == '+' || s_[p_] == '-')) {
            const QChar op = s_[p_++];
            const double r = product();
            v = op == '+' ? v + r : v - r;
        }
        return v;
    }
    double product()
    {
        double v = atom();
        while (p_ < s_.size() && (s_[p_] == '*' || s_[p_] == '/')) {
            const QChar op = s_[p_++];
            const double r = atom();
            if (op == '/' && r == 0)
                bad();
            v = op == '*' ? v * r : v / r;
        }
        return v;
    }
    double atom()
    {
        if (p_ >= s_.size())
            bad();
        if (s_[p_] == '-') {
            ++p_;
            return -atom();
        }
        if (s_[p_] == '(') {
            ++p_;
            const double v = sum();
            if (p_ >= s_.size() || s_[p_] != ')')
                bad();
            ++p_;
            return v;
        }
        const int start = p_;
        if (s_[p_].isDigit() || s_[p_] == '.') {
            while (p_ < s_.size() && (s_[p_].isDigit() || s_[p_] == '.'))
                ++p_;
            bool ok = false;
            const double v = s_.mid(start, p_ - start).toDouble(&ok);
            if (!ok)
                bad();
            return v;
        }
        while (p_ < s_.size() && (s_[p_].isLetterOrNumber() || s_[p_] == '_'))
            ++p_;
        const QString name = s_.mid(start, p_ - start);
        if (name.isEmpty() || !vars_.contains(name))
            bad();
        return vars_.value(name);
    }

    QString s_;
    const QMap<QString, double>& vars_;
    int p_ = 0;
};

// ---- the table --------------------------------------------------------------

struct Table {
    QMap<QString, QColor> colours;
    QMap<QString, QMap<QString, QString>> words;  // key -> lang -> text
    QMap<QString, QVector<Line>> groups;
    QVector<Picture> pictures;
};

QSize parse_size(const QString& t, int number)
{
    const QStringList p = t.split('x');
    bool a = false, b = false;
    QSize s;
    if (p.size() == 2)
        s = QSize(p[0].toInt(&a), p[1].toInt(&b));
    if (!a || !b || s.width() <= 0 || s.height() <= 0 || s.width() > 1024 || s.height() > 1024)
        throw Fail(QString("line %1: bad size '%2'").arg(number).arg(t).toStdString());
    return s;
}

Table read_table(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Fail(("cannot read " + path).toStdString());
    QTextStream in(&f);
    in.setCodec("UTF-8");
    Table t;
    t.colours["none"] = Qt::transparent;
    enum { Top, InWords, InGroup, InPicture } state = Top;
    QString key;
    int number = 0;
    while (!in.atEnd()) {
        const QString raw = in.readLine();
        ++number;
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith("# ") || line == "#")
            continue;
        const QStringList tok = tokenize(line, number);
        auto need = [&](int n) {
            if (tok.size() < n)
                throw Fail(QString("line %1: too few words in '%2'").arg(number).arg(line).toStdString());
        };
        if (tok[0] == "end") {
            if (state == Top)
                throw Fail(QString("line %1: 'end' outside a block").arg(number).toStdString());
            state = Top;
            continue;
        }
        switch (state) {
        case Top:
            if (tok[0] == "colour") {
                need(3);
                QColor c(tok[2]);
                if (!c.isValid())
                    throw Fail(QString("line %1: bad colour '%2'").arg(number).arg(tok[2]).toStdString());
                t.colours[tok[1]] = c;
            } else if (tok[0] == "words") {
                need(2);
                key = tok[1];
                t.words[key];
                state = InWords;
            } else if (tok[0] == "define") {
                need(2);
                key = tok[1];
                t.groups[key];
                state = InGroup;
            } else if (tok[0] == "picture") {
                need(3);
                Picture p;
                p.name = tok[1];
                p.size = parse_size(tok[2], number);
                if (tok.size() >= 5 && tok[3] == "langs")
                    p.langs = tok[4].split(',');
                else if (tok.size() > 3)
                    throw Fail(QString("line %1: expected 'langs'").arg(number).toStdString());
                for (const QString& l : p.langs)
                    if (!kLangs.contains(l))
                        throw Fail(QString("line %1: unknown language '%2'").arg(number).arg(l).toStdString());
                t.pictures << p;
                state = InPicture;
            } else {
                throw Fail(QString("line %1: unknown statement '%2'").arg(number).arg(tok[0]).toStdString());
            }
            break;
        case InWords:
            need(2);
            if (!kLangs.contains(tok[0]) || !is_literal(tok[1]))
                throw Fail(QString("line %1: expected <lang> \"text\"").arg(number).toStdString());
            t.words[key][tok[0]] = tok[1].mid(1);
            break;
        case InGroup:
            t.groups[key] << Line{number, tok};
            break;
        case InPicture: {
            Picture& p = t.pictures.last();
            if (tok[0] == "size") {
                need(3);
                p.sizeFor[tok[1]] = parse_size(tok[2], number);
            } else if (tok[0] == "name") {
                need(3);
                p.nameFor[tok[1]] = tok[2];
            } else {
                p.ops << Line{number, tok};
            }
            break;
        }
        }
    }
    if (state != Top)
        throw Fail("missing 'end' at the end of the table");
    return t;
}

// ---- painting -----------------------------------------------------------------

class Painter {
public:
    Painter(const Table& t, const QString& lang, QImage& img)
        : t_(t), lang_(lang), img_(img), p_(&img)
    {
        p_.setRenderHint(QPainter::Antialiasing);
        p_.setRenderHint(QPainter::TextAntialiasing);
        p_.setRenderHint(QPainter::SmoothPixmapTransform);
        vars_["W"] = img.width();
        vars_["H"] = img.height();
    }

    void run(const QVector<Line>& ops, int depth = 0)
    {
        if (depth > 8)
            throw Fail("groups nested too deep");
        for (const Line& l : ops) {
            try {
                op(l.tok, depth);
            } catch (const Fail& e) {
                throw Fail(QString("line %1: %2").arg(l.number).arg(e.what()).toStdString());
            }
        }
    }

    QStringList warnings;

private:
    double num(const QString& s) { return Expr(s, vars_).eval(); }
    QColor colour(const QString& s)
    {
        if (t_.colours.contains(s))
            return t_.colours.value(s);
        const QColor c(s);
        if (!c.isValid())
            throw Fail(("bad colour '" + s + "'").toStdString());
        return c;
    }
    QPen pen(const QString& c, const QString& w)
    {
        const QColor col = colour(c);
        if (col.alpha() == 0)
            return Qt::NoPen;
        QPen p(col, num(w));
        p.setCapStyle(Qt::RoundCap);
        p.setJoinStyle(Qt::RoundJoin);
        return p;
    }
    QBrush brush(const QString& c)
    {
        const QColor col = colour(c);
        return col.alpha() == 0 ? QBrush(Qt::NoBrush) : QBrush(col);
    }
    QString text(const QString& t)
    {
        if (is_literal(t))
            return t.mid(1);
        if (!t.startsWith('@'))
            throw Fail(("text must be \"quoted\" or @key: " + t).toStdString());
        const QString key = t.mid(1);
        if (!t_.words.contains(key))
            throw Fail(("no words '" + key + "'").toStdString());
        const auto& w = t_.words[key];
        if (w.contains(lang_))
            return w.value(lang_);
        // Traditional Chinese falls back to the Simplified text, the rest to English.
        const QString fb = lang_ == "tn" ? "zh" : "en";
        if (w.contains(fb))
            return w.value(fb);
        throw Fail(("words '" + key + "' lack " + lang_).toStdString());
    }
    QFont font(double px, bool bold)
    {
        QFont f;
        const bool cjk = lang_ == "zh" || lang_ == "tn";
        f.setFamilies(cjk ? QStringList{"WenQuanYi Micro Hei", "DejaVu Sans"}
                          : QStringList{"DejaVu Sans", "WenQuanYi Micro Hei"});
        f.setPixelSize(qMax(1, qRound(px)));
        f.setBold(bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        return f;
    }
    // Largest pixel size up to px at which the text fits the box (never below 6).
    QFont fit(const QString& s, QSizeF box, double px, bool bold, int flags, bool& fits)
    {
        for (double size = px; ; size -= 0.5) {
            QFont f = font(size, bold);
            QFontMetricsF m(f);
            const QRectF r = m.boundingRect(QRectF(QPointF(0, 0), box), flags, s);
            fits = r.width() <= box.width() + 0.01 && r.height() <= box.height() + 0.01;
            if (fits || size <= 6)
                return f;
        }
    }
    QVector<QPointF> points(const QStringList& tok, int from)
    {
        if ((tok.size() - from) % 2 != 0 || tok.size() - from < 4)
            throw Fail("points come in x y pairs, at least two");
        QVector<QPointF> pts;
        for (int i = from; i + 1 < tok.size(); i += 2)
            pts << QPointF(num(tok[i]), num(tok[i + 1]));
        return pts;
    }

    void op(const QStringList& tok, int depth)
    {
        const QString& o = tok[0];
        auto need = [&](int n) {
            if (tok.size() < n)
                throw Fail(("too few words for " + o).toStdString());
        };
        auto opt_width = [&](int i) { return tok.size() > i ? tok[i] : QString("1"); };
        if (o == "only") {  // only <langs> <op ...>
            need(3);
            if (tok[1].split(',').contains(lang_))
                op(tok.mid(2), depth);
        } else if (o == "use") {
            need(2);
            if (!t_.groups.contains(tok[1]))
                throw Fail(("no group '" + tok[1] + "'").toStdString());
            run(t_.groups[tok[1]], depth + 1);
        } else if (o == "set") {
            need(3);
            vars_[tok[1]] = num(tok[2]);
        } else if (o == "fill") {
            need(2);
            img_.fill(colour(tok[1]));
        } else if (o == "rect" || o == "ellipse") {
            need(7);
            p_.setPen(pen(tok[5], opt_width(7)));
            p_.setBrush(brush(tok[6]));
            const QRectF r(num(tok[1]), num(tok[2]), num(tok[3]), num(tok[4]));
            if (o == "rect")
                p_.drawRect(r);
            else
                p_.drawEllipse(r);
        } else if (o == "rrect") {
            need(8);
            p_.setPen(pen(tok[6], opt_width(8)));
            p_.setBrush(brush(tok[7]));
            const double rad = num(tok[5]);
            p_.drawRoundedRect(QRectF(num(tok[1]), num(tok[2]), num(tok[3]), num(tok[4])), rad, rad);
        } else if (o == "circle") {
            need(6);
            p_.setPen(pen(tok[4], opt_width(6)));
            p_.setBrush(brush(tok[5]));
            const double r = num(tok[3]);
            p_.drawEllipse(QPointF(num(tok[1]), num(tok[2])), r, r);
        } else if (o == "line") {
            need(6);
            p_.setPen(pen(tok[5], opt_width(6)));
            p_.drawLine(QPointF(num(tok[1]), num(tok[2])), QPointF(num(tok[3]), num(tok[4])));
        } else if (o == "poly") {  // poly stroke fill width x y x y ...
            need(8);
            p_.setPen(pen(tok[1], tok[3]));
            p_.setBrush(brush(tok[2]));
            p_.drawPolygon(points(tok, 4));
        } else if (o == "path") {  // path colour width x y x y ...
            need(7);
            p_.setPen(pen(tok[1], tok[2]));
            p_.setBrush(Qt::NoBrush);
            p_.drawPolyline(points(tok, 3));
        } else if (o == "arc" || o == "pie") {  // arc cx cy r start span colour width / pie ... fill
            need(7);
            const double r = num(tok[3]);
            const QRectF box(num(tok[1]) - r, num(tok[2]) - r, 2 * r, 2 * r);
            const int a = qRound(num(tok[4]) * 16), span = qRound(num(tok[5]) * 16);
            if (o == "arc") {
                p_.setPen(pen(tok[6], opt_width(7)));
                p_.setBrush(Qt::NoBrush);
                p_.drawArc(box, a, span);
            } else {
                p_.setPen(Qt::NoPen);
                p_.setBrush(brush(tok[6]));
                p_.drawPie(box, a, span);
            }
        } else if (o == "text" || o == "vtext" || o == "stack") {
            // text x y w h px colour align TEXT [bold] [wrap]
            // vtext: the same, turned to read upwards; stack: one character a line
            need(9);
            QRectF box(num(tok[1]), num(tok[2]), num(tok[3]), num(tok[4]));
            const double px = num(tok[5]);
            p_.setPen(colour(tok[6]));
            const QString& al = tok[7];
            int flags = Qt::AlignVCenter;
            flags |= al == "l" ? Qt::AlignLeft : al == "r" ? Qt::AlignRight : Qt::AlignHCenter;
            QString s = text(tok[8]);
            const bool bold = tok.mid(9).contains("bold");
            if (tok.mid(9).contains("wrap"))
                flags |= Qt::TextWordWrap;
            if (o == "stack")
                s = s.split(QString(), Qt::SkipEmptyParts).join('\n');
            p_.save();
            if (o == "vtext") {
                p_.translate(box.left(), box.bottom());
                p_.rotate(-90);
                box = QRectF(0, 0, box.height(), box.width());
            }
            bool fits = true;
            p_.setFont(fit(s, box.size(), px, bold, flags, fits));
            if (!fits)
                warnings << QString("text '%1' does not fit %2x%3").arg(s).arg(box.width()).arg(box.height());
            p_.drawText(box, flags, s);
            p_.restore();
        } else {
            throw Fail(("unknown drawing word '" + o + "'").toStdString());
        }
    }

    const Table& t_;
    QString lang_;
    QImage& img_;
    QPainter p_;
    QMap<QString, double> vars_;
};

struct Made {
    QString name;
    QImage image;
};

QVector<Made> paint_all(const Table& t, QStringList& warnings)
{
    QVector<Made> out;
    QMap<QString, int> seen;
    for (const Picture& p : t.pictures) {
        const QStringList langs = p.langs.isEmpty() ? QStringList{"zh"} : p.langs;
        for (const QString& lang : langs) {
            const QString name = p.nameFor.value(lang, p.langs.isEmpty() ? p.name : prefix_of(lang) + p.name);
            if (seen.contains(name))
                throw Fail(("picture '" + name + "' made twice").toStdString());
            seen[name] = 1;
            QImage img(p.sizeFor.value(lang, p.size), QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
            {
                Painter painter(t, lang, img);
                painter.run(p.ops);
                for (const QString& w : painter.warnings)
                    warnings << name + ": " + w;
            }
            out << Made{name, img};
        }
    }
    return out;
}

bool write_if_changed(const QString& path, const QByteArray& data)
{
    QFile old(path);
    if (old.open(QIODevice::ReadOnly) && old.readAll() == data)
        return true;
    QSaveFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size() && f.commit();
}

QByteArray png_bytes(const QImage& img)
{
    QByteArray b;
    QBuffer buf(&b);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return b;
}

// All pictures tiled at twice their size with their names, on the panel
// background, in pages of about 1000 pixels height.
QVector<QImage> contact_sheet(const QVector<Made>& made)
{
    const int cellW = 220, cols = 6, pad = 6, label = 14, pageH = 1000;
    auto shown = [&](const QImage& img) {
        QSize s = img.size() * 2;
        if (s.width() > cellW - 2 * pad)
            s.scale(cellW - 2 * pad, 1000, Qt::KeepAspectRatio);
        return s;
    };
    QVector<QVector<int>> pages;  // first picture of each row, per page
    QVector<int> rowH;
    int used = 0;
    for (int i = 0; i < made.size(); i += cols) {
        int h = 0;
        for (int j = i; j < qMin(i + cols, made.size()); ++j)
            h = qMax(h, shown(made[j].image).height());
        h += label + 2 * pad;
        if (pages.isEmpty() || used + h > pageH) {
            pages.append(QVector<int>());
            used = 0;
        }
        pages.last() << i;
        rowH << h;
        used += h;
    }
    QVector<QImage> out;
    int row = 0;
    for (const QVector<int>& rows : pages) {
        int total = 0;
        for (int r = 0; r < rows.size(); ++r)
            total += rowH[row + r];
        QImage sheet(cellW * cols, total, QImage::Format_RGB32);
        sheet.fill(QColor(16, 16, 28));
        QPainter p(&sheet);
        QFont f("DejaVu Sans");
        f.setPixelSize(10);
        p.setFont(f);
        int y = 0;
        for (int first : rows) {
            for (int i = first; i < qMin(first + cols, made.size()); ++i) {
                const int col = i - first;
                const QImage& img = made[i].image;
                const QSize s = shown(img);
                const QRect target(col * cellW + pad, y + pad, s.width(), s.height());
                p.fillRect(target, QColor(50, 50, 70));  // shows transparent parts
                p.drawImage(target, img);
                p.setPen(QColor(200, 200, 200));
                p.drawText(QRect(col * cellW + pad, y + pad + s.height() + 1, cellW - 2 * pad, label),
                           Qt::AlignLeft | Qt::AlignVCenter,
                           QString("%1 %2x%3").arg(made[i].name).arg(img.width()).arg(img.height()));
            }
            y += rowH[row++];
        }
        out << sheet;
    }
    return out;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt warns in every build without a runtime folder; a private one for this run.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && !(args.size() == 5 && args[3] == "--sheet")) {
        std::fprintf(stderr, "usage: picgen <pictures.txt> <out-dir> [--sheet <contact.png>]\n");
        return 2;
    }
    if (!QFontDatabase().families().contains("WenQuanYi Micro Hei"))
        std::fprintf(stderr, "picgen: warning: font \"WenQuanYi Micro Hei\" missing, Chinese words may not show\n");
    try {
        const Table table = read_table(args[1]);
        QStringList warnings;
        const QVector<Made> made = paint_all(table, warnings);
        for (const QString& w : warnings)
            std::fprintf(stderr, "picgen: warning: %s\n", qPrintable(w));
        const QDir out(args[2]);
        if (!out.mkpath("png"))
            throw Fail(("cannot create " + out.filePath("png")).toStdString());
        QByteArray qrc = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/\">\n";
        for (const Made& m : made) {
            if (!write_if_changed(out.filePath("png/" + m.name + ".png"), png_bytes(m.image)))
                throw Fail(("cannot write " + m.name).toStdString());
            qrc += "  <file>png/" + m.name.toUtf8() + ".png</file>\n";
        }
        qrc += "</qresource>\n</RCC>\n";
        if (!write_if_changed(out.filePath("pictures.qrc"), qrc))
            throw Fail("cannot write pictures.qrc");
        if (args.size() == 5) {
            // contact.png, contact-2.png, ...
            const QVector<QImage> pages = contact_sheet(made);
            QString base = args[4];
            if (base.endsWith(".png"))
                base.chop(4);
            for (int i = 0; i < pages.size(); ++i) {
                const QString file = i == 0 ? base + ".png" : QString("%1-%2.png").arg(base).arg(i + 1);
                if (!pages[i].save(file))
                    throw Fail(("cannot write " + file).toStdString());
            }
        }
        std::printf("picgen: %d pictures\n", int(made.size()));
    } catch (const Fail& e) {
        std::fprintf(stderr, "picgen: %s: %s\n", qPrintable(args[1]), e.what());
        return 1;
    }
    return 0;
}
