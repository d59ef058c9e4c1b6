#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// Zip archives byte by byte, without the zip library: a second reader for
// what the program writes, and a writer for archives that the program must
// refuse or read with care.
namespace ZipBytes {

quint32 crc32(const QByteArray &data);

struct RawEntry
{
    QByteArray name;
    QByteArray data; // uncompressed
    bool utf8 = false;
    bool deflate = false;
    // Values the archive declares instead of the true ones.
    std::optional<quint32> crc;
    std::optional<quint32> size;
    // Unix mode in the external attributes (made by Unix).
    quint32 mode = 0100644;
    // What the local header says where it disagrees with the central one.
    std::optional<QByteArray> localName;
    std::optional<quint16> localMethod;
    std::optional<quint32> localSize;
    // A central compressed size other than that of the data (both headers).
    std::optional<quint32> compressedSize;
    // The central entry points at the local entry of an earlier entry
    // (its index) and brings no data of its own.
    int sharesLocalOf = -1;
};

RawEntry stored(const QByteArray &name, const QByteArray &data);
RawEntry deflated(const QByteArray &name, const QByteArray &data);
QByteArray build(const QList<RawEntry> &entries);

struct CentralEntry
{
    QByteArray name;
    quint16 flags = 0;
    quint16 method = 0;
    quint32 crc = 0;
    quint32 compressedSize = 0;
    quint32 size = 0;
    QByteArray extra;
    // The entry's local header, as the central one points to it.
    quint32 localOffset = 0;
    QByteArray localName;
    QByteArray localExtra;
    quint32 localCompressedSize = 0;
    bool localFound = false;
};

struct Directory
{
    QList<CentralEntry> entries;
    bool zip64 = false; // a Zip64 end record or locator, or a Zip64 extra field
    QString error;
};

// Reads the end record, the central directory and the local headers.
Directory readCentralDirectory(const QByteArray &zip);

// The data of the extra field with that header ID, if there is one.
std::optional<QByteArray> extraField(const QByteArray &extra, quint16 id);

} // namespace ZipBytes
