#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Every file the program reads or writes holds 8-bit Windows-1252 text. This
// is the one place that converts it; it is table driven because review files
// of a coordinator run to tens of megabytes.
namespace Codec1252 {

QString decode(QByteArrayView bytes);
// Characters that Windows-1252 cannot hold become "?".
QByteArray encode(QStringView text);
bool canEncode(QChar c);
bool canEncode(QStringView text);
// Drops every character that Windows-1252 cannot hold.
QString filterEncodable(QStringView text);
// Replaces every character that Windows-1252 cannot hold by its closest
// letter: the letter without its accent ("ř" -> "r", "Č" -> "C", "ő" -> "o"),
// a few letters by their look-alike ("Ł" -> "L", "đ" -> "d", "ı" -> "i"),
// anything else by "?". One character of the result stands for each
// character of the text (a pair of surrogates counts as one character and
// becomes one "?"). replaced, when given, receives each replaced character
// once, in order of first appearance.
QString replaceUnencodable(QStringView text, QString *replaced = nullptr);

} // namespace Codec1252
