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

} // namespace Codec1252
