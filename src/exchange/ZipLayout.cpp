#include "ZipLayout.h"

#include "util/CodecCp850.h"

#include <algorithm>

namespace {

constexpr quint32 kLocalSignature = 0x04034b50;
constexpr quint32 kCentralSignature = 0x02014b50;
constexpr quint32 kEndSignature = 0x06054b50;
constexpr quint32 kZip64EndSignature = 0x06064b50;
constexpr quint32 kZip64LocatorSignature = 0x07064b50;
constexpr quint16 kZip64Field = 0x0001;
constexpr quint16 kFollowingSizes = 0x0008; // sizes and checksum follow the data
constexpr quint16 kUtf8Name = 0x0800;
constexpr qint64 kEndLength = 22;
constexpr qint64 kMaxComment = 0xFFFF;

quint16 get16(const QByteArray &b, qsizetype at)
{
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

quint32 get32(const QByteArray &b, qsizetype at)
{
    return quint32(get16(b, at)) | quint32(get16(b, at + 2)) << 16;
}

quint64 get64(const QByteArray &b, qsizetype at)
{
    return quint64(get32(b, at)) | quint64(get32(b, at + 4)) << 32;
}

// The data of the extra field with that ID, if there is one.
std::optional<QByteArray> extraField(const QByteArray &extra, quint16 id)
{
    for (qsizetype x = 0; x + 4 <= extra.size(); x += 4 + get16(extra, x + 2)) {
        if (get16(extra, x) == id)
            return extra.mid(x + 4, get16(extra, x + 2));
    }
    return std::nullopt;
}

// Takes the Zip64 values in their fixed order for the fields that are
// marked as too small; false when the field lacks one.
struct Zip64Values
{
    quint64 *value;
    bool marked;
};

bool takeZip64(const QByteArray &extra, std::initializer_list<Zip64Values> values)
{
    if (std::none_of(values.begin(), values.end(), [](const Zip64Values &v) { return v.marked; }))
        return true;
    const std::optional<QByteArray> field = extraField(extra, kZip64Field);
    if (!field)
        return false;
    qsizetype at = 0;
    for (const Zip64Values &v : values) {
        if (!v.marked)
            continue;
        if (at + 8 > field->size())
            return false;
        *v.value = get64(*field, at);
        at += 8;
    }
    return true;
}

struct Central
{
    ZipLayoutEntry entry;
    quint16 flags = 0;
    quint64 local = 0;
};

struct Range
{
    quint64 start;
    quint64 end;
    int entry;
};

} // namespace

QString ZipLayoutDisplayName(const QByteArray &name, bool utf8)
{
    QString text = utf8 ? QString::fromUtf8(name) : CodecCp850::decode(name);
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u'?';
    }
    return text;
}

std::optional<QList<ZipLayoutEntry>> CheckZipLayout(
    quint64 size, const ZipReadAt &read, QString *error)
{
    const QString damaged = QStringLiteral("Das Zip-Archiv ist beschädigt: ");
    const auto fail = [&](const QString &why) {
        *error = damaged + why;
        return std::nullopt;
    };
    const auto name = [](const Central &c) {
        return QStringLiteral("\"") + ZipLayoutDisplayName(c.entry.name, c.entry.utf8)
            + QStringLiteral("\"");
    };

    // The end record: the last one whose comment reaches the end of the
    // file, else the last one there is.
    const quint64 tailStart
        = size > quint64(kEndLength + kMaxComment) ? size - quint64(kEndLength + kMaxComment) : 0;
    const QByteArray tail = read(tailStart, qint64(size - tailStart));
    const QByteArray endMagic("PK\x05\x06", 4);
    qsizetype end = -1;
    for (qsizetype at = tail.lastIndexOf(endMagic); at >= 0;
         at = at > 0 ? tail.lastIndexOf(endMagic, at - 1) : -1) {
        if (at + kEndLength > tail.size())
            continue;
        if (end < 0)
            end = at;
        if (at + kEndLength + get16(tail, at + 20) == tail.size()) {
            end = at;
            break;
        }
    }
    if (end < 0)
        return fail(QStringLiteral("Das Ende des Inhaltsverzeichnisses fehlt."));
    const quint64 endOffset = tailStart + quint64(end);
    quint64 count = get16(tail, end + 10);
    quint64 centralSize = get32(tail, end + 12);
    quint64 centralOffset = get32(tail, end + 16);
    if (endOffset >= 20) {
        const QByteArray locator = read(endOffset - 20, 20);
        if (locator.size() == 20 && get32(locator, 0) == kZip64LocatorSignature) {
            const QByteArray end64 = read(get64(locator, 8), 56);
            if (end64.size() != 56 || get32(end64, 0) != kZip64EndSignature)
                return fail(QStringLiteral("Das Ende des Inhaltsverzeichnisses fehlt."));
            count = get64(end64, 32);
            centralSize = get64(end64, 40);
            centralOffset = get64(end64, 48);
        }
    }
    if (centralOffset > endOffset || centralSize > endOffset - centralOffset)
        return fail(QStringLiteral("Das Inhaltsverzeichnis liegt ausserhalb der Datei."));
    // Every central entry takes at least 46 bytes.
    if (count > centralSize / 46)
        return fail(QStringLiteral("Das Inhaltsverzeichnis ist unvollständig."));
    const QByteArray directory = read(centralOffset, qint64(centralSize));
    if (quint64(directory.size()) != centralSize)
        return fail(QStringLiteral("Das Inhaltsverzeichnis kann nicht gelesen werden."));

    QList<Central> entries;
    entries.reserve(qsizetype(count));
    qsizetype at = 0;
    for (quint64 i = 0; i < count; ++i) {
        if (at + 46 > directory.size() || get32(directory, at) != kCentralSignature)
            return fail(QStringLiteral("Das Inhaltsverzeichnis ist unvollständig."));
        Central c;
        c.flags = get16(directory, at + 8);
        c.entry.utf8 = c.flags & kUtf8Name;
        c.entry.method = get16(directory, at + 10);
        c.entry.compressedSize = get32(directory, at + 20);
        c.entry.size = get32(directory, at + 24);
        const int nameLength = get16(directory, at + 28);
        const int extraLength = get16(directory, at + 30);
        const int commentLength = get16(directory, at + 32);
        c.local = get32(directory, at + 42);
        if (at + 46 + nameLength + extraLength + commentLength > directory.size())
            return fail(QStringLiteral("Das Inhaltsverzeichnis ist unvollständig."));
        c.entry.name = directory.mid(at + 46, nameLength);
        const QByteArray extra = directory.mid(at + 46 + nameLength, extraLength);
        if (!takeZip64(extra,
                { { &c.entry.size, c.entry.size == 0xFFFFFFFF },
                    { &c.entry.compressedSize, c.entry.compressedSize == 0xFFFFFFFF },
                    { &c.local, c.local == 0xFFFFFFFF } }))
            return fail(QStringLiteral("Die Grössen des Eintrags %1 fehlen.").arg(name(c)));
        entries.append(c);
        at += 46 + nameLength + extraLength + commentLength;
    }

    QList<Range> ranges;
    ranges.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        const Central &c = entries[i];
        const QByteArray header = c.local < centralOffset ? read(c.local, 30) : QByteArray();
        if (header.size() != 30 || get32(header, 0) != kLocalSignature)
            return fail(QStringLiteral("Der Kopf des Eintrags %1 fehlt.").arg(name(c)));
        const int nameLength = get16(header, 26);
        const int extraLength = get16(header, 28);
        const QByteArray rest = read(c.local + 30, nameLength + extraLength);
        if (rest.size() != nameLength + extraLength)
            return fail(QStringLiteral("Der Kopf des Eintrags %1 fehlt.").arg(name(c)));
        quint64 compressedSize = get32(header, 18);
        quint64 uncompressedSize = get32(header, 22);
        const bool zip64Marked = compressedSize == 0xFFFFFFFF || uncompressedSize == 0xFFFFFFFF;
        // A local Zip64 field holds both sizes, whichever is marked.
        if (!takeZip64(rest.mid(nameLength),
                { { &uncompressedSize, zip64Marked }, { &compressedSize, zip64Marked } }))
            return fail(QStringLiteral("Die Grössen des Eintrags %1 fehlen.").arg(name(c)));
        const bool sizesFollow = get16(header, 6) & kFollowingSizes;
        const auto sameSize = [sizesFollow](quint64 local, quint64 central) {
            return local == central || (sizesFollow && local == 0);
        };
        if (rest.left(nameLength) != c.entry.name || get16(header, 8) != c.entry.method
            || !sameSize(compressedSize, c.entry.compressedSize)
            || !sameSize(uncompressedSize, c.entry.size)) {
            return fail(QStringLiteral("Der Kopf des Eintrags %1 beschreibt ihn anders als das "
                                       "Inhaltsverzeichnis (Name, Grösse oder Kompressionsart).")
                            .arg(name(c)));
        }
        const quint64 data = c.local + 30 + quint64(nameLength + extraLength);
        if (c.entry.compressedSize > centralOffset || data > centralOffset - c.entry.compressedSize)
            return fail(QStringLiteral("Die Daten des Eintrags %1 reichen in das "
                                       "Inhaltsverzeichnis.")
                            .arg(name(c)));
        ranges.append({ c.local, data + c.entry.compressedSize, i });
    }
    std::sort(ranges.begin(), ranges.end(),
        [](const Range &a, const Range &b) { return a.start < b.start; });
    for (qsizetype i = 1; i < ranges.size(); ++i) {
        if (ranges[i].start < ranges[i - 1].end) {
            return fail(
                QStringLiteral("Die Daten der Einträge %1 und %2 überschneiden sich.")
                    .arg(name(entries[ranges[i - 1].entry]), name(entries[ranges[i].entry])));
        }
    }

    QList<ZipLayoutEntry> out;
    out.reserve(entries.size());
    for (const Central &c : std::as_const(entries))
        out.append(c.entry);
    return out;
}
