#pragma once
// INI text as QSettings (Qt 5, no codec) reads and writes it, for a file written whole
// through a fresh temp file: QSettings itself writes through a link planted at the name.
#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVector>

namespace ini {

// `text` with the items set (key "section/name", value a string or a number), laid out
// as QSettings writes it: sections and their items in name order, an empty line between
// sections, every value escaped as QSettings escapes it; comments and lines without '='
// go, as QSettings drops them.
QByteArray with_items(const QByteArray& text, const QVector<QPair<QString, QVariant>>& items);
// The string QSettings gives for `key` ("section/name") in `text`; null when the key is
// missing or holds a list or a value of another type.
QString string_item(const QByteArray& text, const QString& key);

} // namespace ini
