#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The DOS code page 850, in which zip archives from other copies of the
// program carry their entry names.
namespace CodecCp850 {

QString decode(QByteArrayView bytes);
// Characters that code page 850 cannot hold become "_", so a name stays a
// usable file name.
QByteArray encode(QStringView text);

} // namespace CodecCp850
