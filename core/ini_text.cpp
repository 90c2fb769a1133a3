#include "ini_text.h"

#include <QByteArrayList>
#include <QMap>
#include <QStringList>
#include <cstring>

namespace ini {
namespace {

bool blank(char c)
{
    return c == ' ' || c == '\t';
}

bool line_end(char c)
{
    return c == '\n' || c == '\r';
}

// A line as QSettings splits the text: from its first character that is no blank to a
// line end outside quotes (a backslash carries the line over) or to a ';' that starts a
// comment; comment lines are skipped. `equals`: the first '=' outside quotes, else -1.
struct Line
{
    int from, to, equals;
};

QVector<Line> lines_of(const QByteArray& d)
{
    QVector<Line> lines;
    const int n = d.size();
    int i = d.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < n) {
        while (i < n && (blank(d[i]) || line_end(d[i])))
            ++i;
        Line l{i, i, -1};
        bool quoted = false;
        while (i < n) {
            const char c = d[i++];
            if (c == '=' && !quoted && l.equals < 0) {
                l.equals = i - 1;
            } else if (c == '"') {
                quoted = !quoted;
            } else if (c == '\\' && i < n) {
                const char e = d[i++];
                if (i < n && line_end(e) && line_end(d[i]) && d[i] != e)
                    ++i;
            } else if (c == ';' && i == l.from + 1) {
                while (i < n && !line_end(d[i]))
                    ++i;
                l.from = i; // a comment line
                break;
            } else if ((line_end(c) || c == ';') && !quoted) {
                --i;
                break;
            }
        }
        l.to = i;
        if (l.to > l.from)
            lines.push_back(l);
    }
    return lines;
}

int digit(char c, int base)
{
    const int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
    return v < base ? v : -1;
}

// A value as QSettings reads it, its '@' forms left as text: quotes, the C escapes, \x and
// octal escapes, a backslash before a line break carrying the value over, the blanks
// around an unquoted part dropped; an unquoted ',' parts a list (more than one string).
QStringList unescaped(const QByteArray& d, int from, int to)
{
    static const char kEscape[] = "abfnrtv\"?'\\", kMeans[] = "\a\b\f\n\r\t\v\"?'\\";
    QStringList parts;
    QString cur;
    bool inQuotes = false, quoted = false, cut = false;
    int keep = 0; // what an escape or a closing quote wrote keeps its blanks
    const auto skip_blanks = [&] {
        while (from < to && blank(d[from]))
            ++from;
        keep = cur.size();
    };
    skip_blanks();
    while (from < to) {
        const char c = d[from++];
        if (c == '\\') {
            if (from == to) {
                cut = true; // a backslash at the end: what came before stays as it is
                break;
            }
            const char e = d[from++];
            const int base = e == 'x' ? 16 : e >= '0' && e <= '7' ? 8 : 0;
            if (const char* k = e ? std::strchr(kEscape, e) : nullptr) {
                cur += QLatin1Char(kMeans[k - kEscape]);
            } else if (base) {
                uint v = base == 8 ? uint(e - '0') : 0;
                bool any = base == 8;
                for (int x; from < to && (x = digit(d[from], base)) >= 0; ++from, any = true)
                    v = v * uint(base) + uint(x);
                if (any)
                    cur += QChar(ushort(v));
                else if (from == to)
                    cut = true;
            } else if (line_end(e) && from < to && line_end(d[from]) && d[from] != e) {
                ++from;
            }
            keep = cur.size();
        } else if (c == '"') {
            quoted = true;
            inQuotes = !inQuotes;
            if (!inQuotes)
                skip_blanks();
        } else if (c == ',' && !inQuotes) {
            if (!quoted)
                while (cur.size() > keep && blank(cur.back().toLatin1()))
                    cur.chop(1);
            parts += cur;
            cur.clear();
            quoted = false;
            skip_blanks();
        } else {
            cur += QLatin1Char(c);
            while (from < to && d[from] != '\\' && d[from] != '"' && d[from] != ',')
                cur += QLatin1Char(d[from++]);
        }
    }
    if (!quoted && !cut)
        while (cur.size() > keep && blank(cur.back().toLatin1()))
            cur.chop(1);
    parts += cur;
    return parts;
}

// Text as QSettings escapes it: C escapes, \x for what is not printable ASCII (a hex
// digit after such an escape escaped too, so it is not read into it), in quotes when it
// holds ';', ',' or '=' or starts or ends with a space.
QByteArray escaped(const QString& text)
{
    static const char kControl[] = "\a\b\t\n\v\f\r", kLetter[] = "abtnvfr";
    QByteArray out;
    bool quote = false, hexNext = false;
    for (const QChar qc : text) {
        const ushort c = qc.unicode();
        quote = quote || c == ';' || c == ',' || c == '=';
        if (hexNext && c < 128 && digit(char(c), 16) >= 0) {
            out += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        hexNext = false;
        if (const char* k = c > 0 && c < 0x20 ? std::strchr(kControl, c) : nullptr) {
            out += '\\';
            out += kLetter[k - kControl];
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20 || c >= 0x7F) {
            out += c == 0 ? QByteArray("\\0") : "\\x" + QByteArray::number(c, 16);
            hexNext = true;
        } else {
            out += char(c);
        }
    }
    if (quote || out.startsWith(' ') || out.endsWith(' '))
        out = '"' + out + '"';
    return out;
}

// A string value: one with a NUL as "@String(...)", a leading '@' doubled.
QByteArray string_value(const QString& s)
{
    if (s.contains(QChar(0)))
        return escaped(QStringLiteral("@String(") + s + QLatin1Char(')'));
    return escaped(s.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + s : s);
}

// A text read back as QSettings writes it again: the '@' forms of other types as they are,
// "@String(...)" and "@@..." as the string they stand for.
QByteArray rewritten(const QString& s)
{
    if (s.startsWith(QLatin1String("@String(")) && s.endsWith(QLatin1Char(')')))
        return string_value(s.mid(8, s.size() - 9));
    if (s.startsWith(QLatin1String("@@")))
        return string_value(s.mid(1));
    for (const char* form : {"@ByteArray(", "@Variant(", "@DateTime(", "@Rect(", "@Size(", "@Point("})
        if (s.startsWith(QLatin1String(form)) && s.endsWith(QLatin1Char(')')))
            return escaped(s);
    return s == QLatin1String("@Invalid()") ? escaped(s) : string_value(s);
}

// A key or section name as QSettings reads it: '\\' stands for '/', %XX and %UXXXX for a
// character.
QString unescaped_key(const QByteArray& raw)
{
    QString out;
    for (int i = 0; i < raw.size();) {
        const int digits = raw.mid(i + 1, 1) == "U" ? 4 : 2, at = i + 1 + (digits == 4);
        bool ok = false;
        const int v = raw[i] == '%' && at + digits <= raw.size() ? raw.mid(at, digits).toInt(&ok, 16) : 0;
        if (ok) {
            out += QChar(ushort(v));
            i = at + digits;
        } else {
            out += raw[i] == '\\' ? QLatin1Char('/') : QLatin1Char(raw[i]);
            ++i;
        }
    }
    return out;
}

// A key or section name as QSettings writes it: '/' as '\\', letters, digits, '_', '-'
// and '.' as they are, anything else as %XX or %UXXXX.
QByteArray escaped_key(const QString& key)
{
    QByteArray out;
    for (const QChar qc : key) {
        const ushort c = qc.unicode();
        if (c == '/')
            out += '\\';
        else if ((c < 128 && qc.isLetterOrNumber()) || c == '_' || c == '-' || c == '.')
            out += char(c);
        else
            out += (c <= 0xFF ? "%" : "%U") + QByteArray::number(c, 16).toUpper().rightJustified(c <= 0xFF ? 2 : 4, '0');
    }
    return out;
}

// The items as QSettings holds them: "section/name" (a [General] item: "name") -> the
// value's parts as read (more than one: a list), '@' forms left as text.
QMap<QString, QStringList> items_of(const QByteArray& text)
{
    QMap<QString, QStringList> items;
    QString prefix;
    for (const Line& l : lines_of(text)) {
        if (text[l.from] == '[') {
            int close = text.indexOf(']', l.from);
            if (close < 0 || close >= l.to)
                close = l.to;
            const QByteArray name = text.mid(l.from + 1, close - l.from - 1).trimmed();
            prefix = name.toLower() == "general" ? QString()
                     : name.toLower() == "%general" ? QString::fromLatin1(name.mid(1)) + QLatin1Char('/')
                                                     : unescaped_key(name) + QLatin1Char('/');
        } else if (l.equals >= 0) {
            int keyEnd = l.equals;
            while (keyEnd > l.from && blank(text[keyEnd - 1]))
                --keyEnd;
            items[prefix + unescaped_key(text.mid(l.from, keyEnd - l.from))] = unescaped(text, l.equals + 1, l.to);
        }
    }
    return items;
}

} // namespace

QString string_item(const QByteArray& text, const QString& key)
{
    const QStringList parts = items_of(text).value(key);
    if (parts.size() != 1)
        return QString();
    const QString& s = parts.front();
    for (const char* form : {"@String(", "@ByteArray("}) {
        const QLatin1String f(form);
        if (s.startsWith(f) && s.endsWith(QLatin1Char(')')))
            return s.mid(f.size(), s.size() - f.size() - 1);
    }
    if (s.startsWith(QLatin1String("@@")))
        return s.mid(1);
    return s.startsWith(QLatin1Char('@')) ? QString() : s;
}

QByteArray with_items(const QByteArray& text, const QVector<QPair<QString, QVariant>>& items)
{
    // The items as QSettings writes them back.
    QMap<QString, QByteArray> keys;
    const QMap<QString, QStringList> read = items_of(text);
    for (auto k = read.cbegin(); k != read.cend(); ++k) {
        QByteArrayList parts;
        for (const QString& part : *k)
            parts += rewritten(part);
        keys[k.key()] = parts.join(", ");
    }
    for (const auto& item : items)
        keys[item.first] = string_value(item.second.toString());

    // Sections by the part before the first '/'.
    QMap<QString, QMap<QString, QByteArray>> sections;
    for (auto k = keys.cbegin(); k != keys.cend(); ++k) {
        const int slash = k.key().indexOf(QLatin1Char('/'));
        sections[k.key().left(qMax(slash, 0))][k.key().mid(slash + 1)] = k.value();
    }
    QByteArray out;
    for (auto s = sections.cbegin(); s != sections.cend(); ++s) {
        const QByteArray name = escaped_key(s.key());
        if (!out.isEmpty())
            out += '\n';
        out += name.isEmpty() ? QByteArray("[General]\n")
               : name.toLower() == "general" ? QByteArray("[%General]\n") : '[' + name + "]\n";
        for (auto i = s->cbegin(); i != s->cend(); ++i)
            out += escaped_key(i.key()) + '=' + i.value() + '\n';
    }
    return out;
}

} // namespace ini
