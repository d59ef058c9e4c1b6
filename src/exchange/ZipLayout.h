#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The layout of a zip archive as its central directory and its local headers
// tell it, read byte by byte. A reader that trusts the central directory
// alone extracts what a hostile archive makes of it: central entries that
// point at one local entry turn a small archive into gigabytes, and a local
// header that names another file or size than its central entry shows one
// thing to this program and another to the next. Such an archive is damaged
// and is refused before anything of it is extracted.
struct ZipLayoutEntry
{
    QByteArray name; // as stored in the central directory
    bool utf8 = false;
    quint16 method = 0;
    quint64 compressedSize = 0;
    quint64 size = 0;
};

// length bytes of the archive from offset on; fewer at its end, none when
// it cannot be read.
using ZipReadAt = std::function<QByteArray(quint64 offset, qint64 length)>;

// Checks an archive of size bytes: every local header names the file, the
// compression method and the sizes of its central entry (sizes that follow
// the data are zero or the same), and the entries' headers and data lie
// apart from each other and before the central directory. The central
// entries in their order, or nothing with error set (German).
std::optional<QList<ZipLayoutEntry>> CheckZipLayout(
    quint64 size, const ZipReadAt &read, QString *error);

// An entry's name for a message: UTF-8 where the entry says so, code page
// 850 otherwise, control characters as "?".
QString ZipLayoutDisplayName(const QByteArray &name, bool utf8);
