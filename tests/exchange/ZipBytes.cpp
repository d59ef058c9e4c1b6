#include "ZipBytes.h"

#include <QtEndian>

namespace ZipBytes {

namespace {

void put16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, quint16(v & 0xFFFF));
    put16(out, quint16(v >> 16));
}

quint16 get16(const QByteArray &in, qsizetype at)
{
    return qFromLittleEndian<quint16>(in.constData() + at);
}

quint32 get32(const QByteArray &in, qsizetype at)
{
    return qFromLittleEndian<quint32>(in.constData() + at);
}

} // namespace

quint32 crc32(const QByteArray &data)
{
    static quint32 table[256] = {};
    if (!table[1]) {
        for (quint32 i = 0; i < 256; ++i) {
            quint32 c = i;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    }
    quint32 c = 0xFFFFFFFFu;
    for (const char ch : data)
        c = table[(c ^ quint8(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

RawEntry stored(const QByteArray &name, const QByteArray &data)
{
    RawEntry e;
    e.name = name;
    e.data = data;
    return e;
}

RawEntry deflated(const QByteArray &name, const QByteArray &data)
{
    RawEntry e = stored(name, data);
    e.deflate = true;
    return e;
}

QByteArray build(const QList<RawEntry> &entries)
{
    QByteArray out;
    QByteArray central;
    QList<quint32> offsets;
    for (const RawEntry &e : entries) {
        QByteArray body = e.data;
        if (e.deflate) {
            // qCompress gives a 4-byte length, a 2-byte zlib header, the raw
            // deflate stream and a 4-byte checksum.
            const QByteArray z = qCompress(e.data, 1);
            body = z.mid(6, z.size() - 10);
        }
        const quint16 flags = e.utf8 ? 0x0800 : 0;
        const quint16 method = e.deflate ? 8 : 0;
        const quint32 crc = e.crc.value_or(crc32(e.data));
        const quint32 size = e.size.value_or(quint32(e.data.size()));
        const quint32 compressedSize = e.compressedSize.value_or(quint32(body.size()));
        const quint32 offset
            = e.sharesLocalOf >= 0 ? offsets.value(e.sharesLocalOf) : quint32(out.size());
        offsets.append(offset);
        if (e.sharesLocalOf < 0) {
            const QByteArray localName = e.localName.value_or(e.name);
            put32(out, 0x04034b50);
            put16(out, 20);
            put16(out, flags);
            put16(out, e.localMethod.value_or(method));
            put16(out, 0);
            put16(out, 0x21);
            put32(out, crc);
            put32(out, compressedSize);
            put32(out, e.localSize.value_or(size));
            put16(out, quint16(localName.size()));
            put16(out, 0);
            out.append(localName);
            out.append(body);
        }

        put32(central, 0x02014b50);
        put16(central, 0x0314); // made by Unix
        put16(central, 20);
        put16(central, flags);
        put16(central, method);
        put16(central, 0);
        put16(central, 0x21);
        put32(central, crc);
        put32(central, compressedSize);
        put32(central, size);
        put16(central, quint16(e.name.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, e.mode << 16);
        put32(central, offset);
        central.append(e.name);
    }
    const quint32 centralOffset = quint32(out.size());
    out.append(central);
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, quint16(entries.size()));
    put16(out, quint16(entries.size()));
    put32(out, quint32(central.size()));
    put32(out, centralOffset);
    put16(out, 0);
    return out;
}

Directory readCentralDirectory(const QByteArray &zip)
{
    Directory d;
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > zip.size()) {
        d.error = QStringLiteral("no end record");
        return d;
    }
    d.zip64
        = zip.contains(QByteArray("PK\x06\x06", 4)) || zip.contains(QByteArray("PK\x06\x07", 4));
    const quint16 count = get16(zip, end + 10);
    const quint32 size = get32(zip, end + 12);
    qsizetype at = get32(zip, end + 16);
    if (at + qsizetype(size) > end) {
        d.error = QStringLiteral("central directory out of range");
        return d;
    }
    for (int i = 0; i < count; ++i) {
        if (at + 46 > end || get32(zip, at) != 0x02014b50) {
            d.error = QStringLiteral("bad central entry %1").arg(i);
            return d;
        }
        CentralEntry e;
        e.flags = get16(zip, at + 8);
        e.method = get16(zip, at + 10);
        e.crc = get32(zip, at + 16);
        e.compressedSize = get32(zip, at + 20);
        e.size = get32(zip, at + 24);
        const quint16 nameLength = get16(zip, at + 28);
        const quint16 extraLength = get16(zip, at + 30);
        const quint16 commentLength = get16(zip, at + 32);
        e.name = zip.mid(at + 46, nameLength);
        e.extra = zip.mid(at + 46 + nameLength, extraLength);
        if (extraField(e.extra, 0x0001))
            d.zip64 = true;
        e.localOffset = get32(zip, at + 42);
        const qsizetype local = e.localOffset;
        if (local + 30 <= zip.size() && get32(zip, local) == 0x04034b50) {
            e.localFound = true;
            e.localCompressedSize = get32(zip, local + 18);
            const quint16 localNameLength = get16(zip, local + 26);
            e.localName = zip.mid(local + 30, localNameLength);
            e.localExtra = zip.mid(local + 30 + localNameLength, get16(zip, local + 28));
        }
        d.entries.append(e);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return d;
}

std::optional<QByteArray> extraField(const QByteArray &extra, quint16 id)
{
    for (qsizetype x = 0; x + 4 <= extra.size(); x += 4 + get16(extra, x + 2)) {
        if (get16(extra, x) == id)
            return extra.mid(x + 4, get16(extra, x + 2));
    }
    return std::nullopt;
}

} // namespace ZipBytes
