#include "DataPacket.h"
#include "DataPacketInternal.h"

#include "util/Codec1252.h"

#include <QDateTime>
#include <QIODevice>
#include <QVarLengthArray>
#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace DataPacket {

using namespace Internal;

namespace {

constexpr qint64 kMsPerDay = 86400000;
// Nested tables inside nested tables: real packets go two or three deep; the
// limit keeps a forged packet from exhausting the stack.
constexpr int kMaxNesting = 16;

// How a column's values are encoded in a row; decided once per column.
enum class Enc : quint8 {
    Int8,
    Int16,
    Int32,
    Int64,
    UInt8,
    UInt16,
    UInt32,
    UInt64,
    Bool,
    Float32,
    Float64,
    Bcd,
    Date,
    Time,
    DateTime,
    SqlTimeStamp,
    Ansi, // varying ANSI text
    Wide, // varying UTF-16 text, length in bytes
    Bytes, // varying bytes
    MemoAnsi, // varying bytes holding ANSI text
    MemoWide, // varying bytes holding UTF-16 text
    FixedBytes, // exactly `size` bytes
    Raw, // a type kept as its encoded bytes
    Nested, // a nested table, kept as its encoded bytes
    Unreadable, // a structure whose values cannot be measured
};

struct Column
{
    FieldDef def;
    Enc enc = Enc::Raw;
    int size = 0; // fixed size, or the width of the length prefix of varying types
    int descendants = 0;
    QList<Column> children; // sub-columns of a nested table
};

bool isPrefixWidth(int size) { return size == 1 || size == 2 || size == 4; }

Enc encodingFor(quint32 word, FieldKind kind)
{
    const int size = TypeWord::size(word);
    const int lt = TypeWord::logicalType(word);
    if (lt == ltNested)
        return Enc::Nested;
    if (word & TypeWord::Structured)
        return Enc::Unreadable;
    const bool isSigned = lt == ltInteger;
    switch (kind) {
    case FieldKind::Integer:
        switch (size) {
        case 1:
            return isSigned ? Enc::Int8 : Enc::UInt8;
        case 2:
            return isSigned ? Enc::Int16 : Enc::UInt16;
        case 4:
            return isSigned ? Enc::Int32 : Enc::UInt32;
        default:
            return isSigned ? Enc::Int64 : Enc::UInt64;
        }
    case FieldKind::Boolean:
        return Enc::Bool;
    case FieldKind::Float:
        return size == 4 ? Enc::Float32 : Enc::Float64;
    case FieldKind::Bcd:
        return Enc::Bcd;
    case FieldKind::Date:
        return Enc::Date;
    case FieldKind::Time:
        return Enc::Time;
    case FieldKind::DateTime:
        return lt == ltSqlTimeStamp ? Enc::SqlTimeStamp : Enc::DateTime;
    case FieldKind::Text:
        return Enc::Ansi;
    case FieldKind::WideText:
        return Enc::Wide;
    case FieldKind::Bytes:
        return (word & TypeWord::Varying) ? Enc::Bytes : Enc::FixedBytes;
    case FieldKind::Memo:
        return Enc::MemoAnsi;
    case FieldKind::Other:
        break;
    }
    return Enc::Raw;
}

bool isWideMemo(const QList<PacketProperty> &properties)
{
    const PacketProperty *sub = findProperty(properties, "SUBTYPE");
    return sub && propertyText(*sub) == QLatin1String("WideText");
}

QString columnName(const FieldDef &f) { return QStringLiteral("„%1“").arg(f.name); }

// --- BCD ----------------------------------------------------------------------
// Precision byte (number of digits), sign/scale byte (0x80 negative, low six
// bits the digits after the point), then the digits packed two to a byte, the
// first in the high nibble.

bool decodeBcd(const uchar *p, int size, QString *text)
{
    const int precision = p[0];
    const int scale = p[1] & 0x3F;
    const bool negative = p[1] & 0x80;
    if (precision > 2 * (size - 2) || scale > precision)
        return false;
    QString digits;
    digits.reserve(precision + 2);
    for (int i = 0; i < precision; ++i) {
        const int nibble = (i % 2 == 0) ? (p[2 + i / 2] >> 4) : (p[2 + i / 2] & 0x0F);
        if (nibble > 9)
            return false;
        digits.append(QChar(u'0' + nibble));
    }
    QString whole = digits.left(precision - scale);
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    QString result = whole;
    if (scale > 0)
        result += u'.' + digits.right(scale);
    bool allZero = true;
    for (QChar c : digits)
        allZero = allZero && c == u'0';
    if (negative && !allZero)
        result.prepend(u'-');
    *text = result;
    return true;
}

bool encodeBcd(const QString &value, int size, QByteArray *out)
{
    QString t = value.trimmed();
    bool negative = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        negative = t.startsWith(u'-');
        t.remove(0, 1);
    }
    const qsizetype point = t.indexOf(u'.');
    QString whole = point < 0 ? t : t.left(point);
    const QString fraction = point < 0 ? QString() : t.mid(point + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || fraction.size() > 63)
        return false;
    for (QChar c : whole + fraction) {
        if (c < u'0' || c > u'9')
            return false;
    }
    while (whole.size() > 1 && whole.startsWith(u'0'))
        whole.remove(0, 1);
    if (whole.isEmpty())
        whole = QStringLiteral("0");
    const QString digits = whole + fraction;
    if (digits.size() > 2 * (size - 2) || digits.size() > 255)
        return false;
    out->fill('\0', size);
    (*out)[0] = char(digits.size());
    (*out)[1] = char((negative ? 0x80 : 0) | fraction.size());
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int d = digits[i].unicode() - u'0';
        char &b = (*out)[2 + i / 2];
        b = char(uchar(b) | (i % 2 == 0 ? d << 4 : d));
    }
    return true;
}

// --- reading ------------------------------------------------------------------

// Where in the packet a check failed; the text is only made when it did.
struct Where
{
    Where(const QString &text)
        : m_text(&text)
    { }
    Where(qint64 row, const FieldDef *field)
        : m_row(row)
        , m_field(field)
    { }
    QString toString() const
    {
        if (m_text)
            return *m_text;
        if (!m_field)
            return QStringLiteral("in Zeile %1").arg(m_row + 1);
        return QStringLiteral("in Zeile %1, Spalte %2").arg(m_row + 1).arg(columnName(*m_field));
    }

private:
    const QString *m_text = nullptr;
    qint64 m_row = -1;
    const FieldDef *m_field = nullptr;
};

// Reads a packet from bytes in memory, or from a device in chunks: a file is
// not held in memory twice (its bytes and the table read from them).
class BinaryReader
{
public:
    explicit BinaryReader(QByteArrayView bytes)
        : m_begin(reinterpret_cast<const uchar *>(bytes.data()))
        , m_p(m_begin)
        , m_end(m_begin + bytes.size())
        , m_total(bytes.size())
        , m_budget(m_total)
    { }
    explicit BinaryReader(QIODevice *device)
        : m_device(device)
        , m_total(device->size() - device->pos())
        , m_budget(m_total)
    {
        static const uchar none = 0;
        m_begin = m_p = m_end = &none;
    }

    bool read(PacketData &out);
    // The encoded length of one value of the type at the start of the input.
    bool measureOne(quint32 word, qsizetype *length)
    {
        return measureAt(0, word, {}, length, 0, Where(QString()));
    }
    const QString &error() const { return m_error; }
    bool deviceFailed() const { return m_deviceFailed; }

private:
    static constexpr qsizetype kChunk = 1 << 16;

    // Bytes buffered from the cursor on.
    qsizetype available() const { return m_end - m_p; }
    // Bytes left in the whole input from the cursor on.
    quint64 remaining() const
    {
        const qint64 left = m_total - (m_base + (m_p - m_begin));
        return left > 0 ? quint64(left) : 0;
    }
    qint64 position() const { return m_base + (m_p - m_begin); }

    // Makes n bytes from the cursor available; pointers into the buffer are
    // not valid across a call, offsets from the cursor are.
    bool need(quint64 n, const Where &where)
    {
        if (quint64(available()) >= n)
            return true;
        if (!m_device || n > remaining() || !refill(qsizetype(n)))
            return failTruncated(where);
        return true;
    }
    bool refill(qsizetype n);
    bool failTruncated(const Where &where)
    {
        if (m_deviceFailed)
            return failWith(QStringLiteral("Die Daten können nicht gelesen werden."));
        return failWith(QStringLiteral("Die Daten enden vorzeitig %1.").arg(where.toString()));
    }
    bool failWith(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    // Charges what is about to be built; false (with the message) once the
    // packet needs more memory than its size allows.
    bool spend(qint64 bytes)
    {
        if (m_budget.charge(bytes))
            return true;
        m_overBudget = true;
        return failWith(MemoryBudget::refusal());
    }
    template<typename T>
    T take()
    {
        T v = qFromLittleEndian<T>(m_p);
        m_p += sizeof(T);
        return v;
    }
    quint64 littleEndianAt(qsizetype offset, int size) const
    {
        quint64 v = 0;
        for (int i = 0; i < size; ++i)
            v |= quint64(m_p[offset + i]) << (8 * i);
        return v;
    }

    bool readProperties(QList<PacketProperty> &props, const Where &where);
    bool readProperty(PacketProperty &prop, const Where &where);
    bool readColumn(Column &col, int index, int depth, int available);
    bool readColumns(QList<Column> &cols, int count, int depth);
    bool readRow(const QList<Column> &cols, CompactRow::Builder &values, quint8 *status,
        QList<int> *unchanged, qint64 row);
    // With a builder, text in the one-byte code page goes into it as its
    // bytes (*taken then says so) instead of into value.
    bool readValue(const Column &col, QVariant &value, qint64 row, ShortTextCache<char> *cache,
        CompactRow::Builder *builder = nullptr, bool *taken = nullptr);
    bool measureAt(qsizetype offset, quint32 word, const QList<Column> &children, qsizetype *length,
        int depth, const Where &where);
    bool measureNestedAt(qsizetype offset, const QList<Column> &cols, qsizetype *length, int depth,
        const Where &where);

    QIODevice *m_device = nullptr;
    QByteArray m_buffer;
    const uchar *m_begin;
    const uchar *m_p;
    const uchar *m_end;
    qint64 m_base = 0; // input offset of m_begin
    qint64 m_total;
    MemoryBudget m_budget;
    bool m_overBudget = false;
    bool m_deviceFailed = false;
    QString m_error;
    // Shared by the ANSI text columns of the table (not of nested tables).
    std::unique_ptr<ShortTextCache<char>> m_cache;
};

bool BinaryReader::refill(qsizetype n)
{
    const qsizetype keep = available();
    const qsizetype want = qMax(n, kChunk);
    if (m_buffer.size() < want) {
        QByteArray bigger(qMax(want, m_buffer.size() * 2), Qt::Uninitialized);
        std::memcpy(bigger.data(), m_p, size_t(keep));
        m_buffer = std::move(bigger);
    } else if (keep) {
        std::memmove(m_buffer.data(), m_p, size_t(keep));
    }
    m_base = position();
    m_begin = reinterpret_cast<const uchar *>(m_buffer.constData());
    m_p = m_begin;
    m_end = m_begin + keep;
    while (available() < n) {
        const qint64 got
            = m_device->read(m_buffer.data() + available(), m_buffer.size() - available());
        if (got < 0)
            m_deviceFailed = true;
        if (got <= 0)
            return false;
        m_end += got;
    }
    // Fill the rest of the chunk while at it, so small values do not each
    // cost a read.
    if (m_buffer.size() > available() && remaining() > quint64(available())) {
        const qint64 got
            = m_device->read(m_buffer.data() + available(), m_buffer.size() - available());
        if (got < 0)
            m_deviceFailed = true;
        else
            m_end += got;
    }
    return true;
}

bool BinaryReader::readProperty(PacketProperty &prop, const Where &where)
{
    if (!need(1, where))
        return false;
    const int nameLength = m_p[0];
    if (!need(1 + quint64(nameLength) + 4, where))
        return false;
    prop.name = QByteArray(reinterpret_cast<const char *>(m_p + 1), nameLength);
    prop.typeWord = quint32(littleEndianAt(1 + nameLength, 4));
    m_p += 1 + nameLength + 4;
    qsizetype length = 0;
    if (!measureAt(0, prop.typeWord, {}, &length, 0, where)
        || !spend(64 + MemoryBudget::bytesCost(nameLength) + MemoryBudget::bytesCost(length)))
        return false;
    prop.value = QByteArray(reinterpret_cast<const char *>(m_p), length);
    m_p += length;
    return true;
}

bool BinaryReader::readProperties(QList<PacketProperty> &props, const Where &where)
{
    if (!need(2, where))
        return false;
    const quint16 count = take<quint16>();
    // Every property takes at least five bytes: its name length and its type
    // word (an empty name and a type without bytes take no more).
    if (quint64(count) * 5 > remaining())
        return failTruncated(where);
    props.reserve(count);
    for (int i = 0; i < count; ++i) {
        PacketProperty p;
        if (!readProperty(p, where))
            return false;
        props.append(std::move(p));
    }
    return true;
}

// The encoded length of one value of the given type at `offset` from the
// cursor, checked against the input and made available; nested tables are
// walked row by row.
bool BinaryReader::measureAt(qsizetype offset, quint32 word, const QList<Column> &children,
    qsizetype *length, int depth, const Where &where)
{
    const int size = TypeWord::size(word);
    auto invalid = [&] {
        return failWith(QStringLiteral("Ungültiger Typ %1 %2.")
                            .arg(word, 8, 16, QLatin1Char('0'))
                            .arg(where.toString()));
    };
    if (TypeWord::logicalType(word) == ltNested && !(word & TypeWord::Array))
        return measureNestedAt(offset, children, length, depth + 1, where);
    if (word & TypeWord::Array) {
        if (!need(quint64(offset) + 4, where))
            return false;
        const quint64 count = littleEndianAt(offset, 4);
        quint64 total = 4;
        if (word & TypeWord::Varying) {
            if (!isPrefixWidth(size))
                return invalid();
            // Each element takes at least its prefix, so the loop is bounded
            // by the input.
            if (count * quint64(size) > remaining() - quint64(offset) - 4)
                return failTruncated(where);
            for (quint64 k = 0; k < count; ++k) {
                if (!need(quint64(offset) + total + size, where))
                    return false;
                total += size + littleEndianAt(offset + qsizetype(total), size);
                if (!need(quint64(offset) + total, where))
                    return false;
            }
        } else {
            total += count * quint64(size);
            if (!need(quint64(offset) + total, where))
                return false;
        }
        *length = qsizetype(total);
        return true;
    }
    if (word & TypeWord::Varying) {
        if (!isPrefixWidth(size))
            return invalid();
        if (!need(quint64(offset) + size, where))
            return false;
        const quint64 total = size + littleEndianAt(offset, size);
        if (!need(quint64(offset) + total, where))
            return false;
        *length = qsizetype(total);
        return true;
    }
    if (!need(quint64(offset) + size, where))
        return false;
    *length = size;
    return true;
}

// A nested table's value: a row count, then rows laid out like the outer
// table's rows, with the nested table's columns.
bool BinaryReader::measureNestedAt(
    qsizetype offset, const QList<Column> &cols, qsizetype *length, int depth, const Where &where)
{
    if (depth > kMaxNesting)
        return failWith(
            QStringLiteral("Die Tabellen sind zu tief verschachtelt %1.").arg(where.toString()));
    if (!need(quint64(offset) + 4, where))
        return false;
    const quint64 count = littleEndianAt(offset, 4);
    qsizetype pos = offset + 4;
    const qsizetype stateBytes = (cols.size() + 3) / 4;
    if (count * quint64(1 + stateBytes) > remaining() - quint64(pos))
        return failTruncated(where);
    QVarLengthArray<uchar, 32> states(stateBytes);
    for (quint64 r = 0; r < count; ++r) {
        if (!need(quint64(pos) + 1 + stateBytes, where))
            return false;
        std::memcpy(states.data(), m_p + pos + 1, size_t(stateBytes));
        pos += 1 + stateBytes;
        for (qsizetype c = 0; c < cols.size(); ++c) {
            if ((states[c / 4] >> (2 * (c % 4))) & 3)
                continue;
            if (cols[c].enc == Enc::Unreadable)
                return failWith(QStringLiteral("Werte der Spalte %1 können nicht gelesen werden.")
                                    .arg(columnName(cols[c].def)));
            qsizetype len = 0;
            if (!measureAt(pos, cols[c].def.typeWord, cols[c].children, &len, depth, where))
                return false;
            pos += len;
        }
    }
    *length = pos - offset;
    return true;
}

bool BinaryReader::readColumn(Column &col, int index, int depth, int available)
{
    const QString where = QStringLiteral("in der Beschreibung der Spalte %1").arg(index + 1);
    if (depth > kMaxNesting)
        return failWith(QStringLiteral("Die Tabellen sind zu tief verschachtelt."));
    if (!need(1, where))
        return false;
    const int nameLength = m_p[0];
    if (!need(1 + quint64(nameLength) + 6, where)
        || !spend(2 * qint64(sizeof(Column)) + MemoryBudget::textCost(nameLength)))
        return false;
    FieldDef &f = col.def;
    f.name = decodeAnsi(reinterpret_cast<const char *>(m_p + 1), nameLength);
    f.typeWord = quint32(littleEndianAt(1 + nameLength, 4));
    f.attributes = quint16(littleEndianAt(1 + nameLength + 4, 2));
    m_p += 1 + nameLength + 6;
    if (!readProperties(f.properties, where))
        return false;

    f.kind = kindForTypeWord(f.typeWord, f.properties);
    col.enc = encodingFor(f.typeWord, f.kind);
    if (col.enc == Enc::MemoAnsi && isWideMemo(f.properties))
        col.enc = Enc::MemoWide;
    col.size = TypeWord::size(f.typeWord);
    if (const PacketProperty *w = findProperty(f.properties, "WIDTH")) {
        qint64 width = 0;
        if (propertyInteger(*w, &width) && width > 0 && width <= std::numeric_limits<int>::max())
            f.width = int(f.kind == FieldKind::WideText ? width / 2 : width);
    }
    if (f.kind == FieldKind::Text || f.kind == FieldKind::WideText)
        f.entryLength = f.width;

    const int lt = TypeWord::logicalType(f.typeWord);
    if (lt == ltNested || (f.typeWord & TypeWord::Structured)) {
        // The size of a structured column is the number of columns below it,
        // counted at every level; they follow it directly.
        col.descendants = col.size;
        if (col.descendants > available)
            return failWith(QStringLiteral("Die Spalte %1 hat mehr Unterspalten, als das "
                                           "Datenpaket Spalten hat.")
                                .arg(columnName(f)));
        int consumed = 0;
        while (consumed < col.descendants) {
            Column child;
            if (!readColumn(child, index + 1 + consumed, depth + 1, col.descendants - consumed - 1))
                return false;
            consumed += 1 + child.descendants;
            col.children.append(std::move(child));
        }
        if (lt == ltNested) {
            QList<PacketProperty> nestedTableProps;
            if (!readProperties(nestedTableProps, where))
                return false;
        }
    }
    return true;
}

bool BinaryReader::readColumns(QList<Column> &cols, int count, int depth)
{
    int consumed = 0;
    while (consumed < count) {
        Column col;
        if (!readColumn(col, consumed, depth, count - consumed - 1))
            return false;
        consumed += 1 + col.descendants;
        cols.append(std::move(col));
    }
    return true;
}

bool BinaryReader::readValue(const Column &col, QVariant &value, qint64 row,
    ShortTextCache<char> *cache, CompactRow::Builder *builder, bool *taken)
{
    // A value with a length prefix: makes prefix and value available, leaves
    // the cursor on the value.
    auto prefixed = [&](int prefix, qsizetype *len) -> bool {
        if (!need(prefix, Where(row, &col.def)))
            return false;
        const quint64 n = littleEndianAt(0, prefix);
        if (!need(prefix + n, Where(row, &col.def)))
            return false;
        m_p += prefix;
        *len = qsizetype(n);
        return true;
    };
    auto fixed = [&](int n) { return need(n, Where(row, &col.def)); };

    switch (col.enc) {
    case Enc::Int8:
        if (!fixed(1))
            return false;
        value = int(qint8(take<quint8>()));
        return true;
    case Enc::Int16:
        if (!fixed(2))
            return false;
        value = int(take<qint16>());
        return true;
    case Enc::Int32:
        if (!fixed(4))
            return false;
        value = take<qint32>();
        return true;
    case Enc::Int64:
        if (!fixed(8))
            return false;
        value = take<qint64>();
        return true;
    case Enc::UInt8:
        if (!fixed(1))
            return false;
        value = int(take<quint8>());
        return true;
    case Enc::UInt16:
        if (!fixed(2))
            return false;
        value = int(take<quint16>());
        return true;
    case Enc::UInt32:
        if (!fixed(4))
            return false;
        value = qint64(take<quint32>());
        return true;
    case Enc::UInt64:
        if (!fixed(8))
            return false;
        value = take<quint64>();
        return true;
    case Enc::Bool: {
        if (!fixed(col.size))
            return false;
        bool any = false;
        for (int i = 0; i < col.size; ++i)
            any = any || m_p[i];
        m_p += col.size;
        value = any;
        return true;
    }
    case Enc::Float32: {
        if (!fixed(4))
            return false;
        const quint32 bits = take<quint32>();
        float f;
        std::memcpy(&f, &bits, 4);
        value = double(f);
        return true;
    }
    case Enc::Float64: {
        if (!fixed(8))
            return false;
        const quint64 bits = take<quint64>();
        double d;
        std::memcpy(&d, &bits, 8);
        value = d;
        return true;
    }
    case Enc::Bcd: {
        if (!fixed(col.size))
            return false;
        QString text;
        if (!spend(MemoryBudget::textCost(m_p[0] + 2)))
            return false;
        if (!decodeBcd(m_p, col.size, &text))
            return failWith(
                QStringLiteral("Ungültige Dezimalzahl %1.").arg(Where(row, &col.def).toString()));
        m_p += col.size;
        value = text;
        return true;
    }
    case Enc::Date: {
        if (!fixed(4))
            return false;
        const qint32 day = take<qint32>();
        const QDate date = QDate::fromJulianDay(dayNumberOffset() + day);
        if (date.isValid())
            value = date;
        return true;
    }
    case Enc::Time: {
        if (!fixed(4))
            return false;
        const qint32 ms = take<qint32>();
        if (ms >= 0 && ms < kMsPerDay)
            value = QTime::fromMSecsSinceStartOfDay(ms);
        return true;
    }
    case Enc::DateTime: {
        if (!fixed(8))
            return false;
        const quint64 bits = take<quint64>();
        double d;
        std::memcpy(&d, &bits, 8);
        // Beyond a few million years the day number means nothing.
        if (std::isfinite(d) && std::fabs(d) < 1e18) {
            const qint64 total = qint64(std::llround(d));
            qint64 day = total / kMsPerDay;
            qint64 ms = total % kMsPerDay;
            if (ms < 0) {
                ms += kMsPerDay;
                --day;
            }
            const QDate date = QDate::fromJulianDay(dayNumberOffset() + day);
            if (date.isValid())
                value = QDateTime(date, QTime::fromMSecsSinceStartOfDay(int(ms)), Qt::UTC);
        }
        return true;
    }
    case Enc::SqlTimeStamp: {
        if (!fixed(16))
            return false;
        const int year = take<qint16>();
        const int month = take<quint16>();
        const int day = take<quint16>();
        const int hour = take<quint16>();
        const int minute = take<quint16>();
        const int second = take<quint16>();
        const quint32 ms = take<quint32>();
        const QDate date(year, month, day);
        const QTime time(hour, minute, second, ms < 1000 ? int(ms) : 0);
        if (date.isValid() && time.isValid())
            value = QDateTime(date, time, Qt::UTC);
        return true;
    }
    case Enc::Ansi:
    case Enc::MemoAnsi: {
        qsizetype len = 0;
        if (!prefixed(col.size, &len))
            return false;
        const char *text = reinterpret_cast<const char *>(m_p);
        if (builder) {
            // Kept as the bytes it came as; decoded when someone needs it.
            if (!spend(MemoryBudget::bytesCost(len)))
                return false;
            builder->addAnsi(text, len);
            *taken = true;
            m_p += len;
            return true;
        }
        auto make = [&] {
            spend(MemoryBudget::textCost(len));
            return decodeAnsi(text, len);
        };
        value = cache ? cache->lookup(text, len, make) : make();
        m_p += len;
        return !m_overBudget;
    }
    case Enc::Wide:
    case Enc::MemoWide: {
        qsizetype len = 0;
        if (!prefixed(col.size, &len) || !spend(MemoryBudget::textCost(len / 2)))
            return false;
        QString text(len / 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(m_p + 2 * i));
        m_p += len;
        value = text;
        return true;
    }
    case Enc::Bytes: {
        qsizetype len = 0;
        if (!prefixed(col.size, &len) || !spend(MemoryBudget::bytesCost(len)))
            return false;
        value = QByteArray(reinterpret_cast<const char *>(m_p), len);
        m_p += len;
        return true;
    }
    case Enc::FixedBytes:
        if (!fixed(col.size) || !spend(MemoryBudget::bytesCost(col.size)))
            return false;
        value = QByteArray(reinterpret_cast<const char *>(m_p), col.size);
        m_p += col.size;
        return true;
    case Enc::Raw:
    case Enc::Nested: {
        qsizetype len = 0;
        if (!measureAt(0, col.def.typeWord, col.children, &len, 0, Where(row, &col.def))
            || !spend(MemoryBudget::bytesCost(len)))
            return false;
        value = QByteArray(reinterpret_cast<const char *>(m_p), len);
        m_p += len;
        return true;
    }
    case Enc::Unreadable:
        break;
    }
    return failWith(QStringLiteral("Werte der Spalte %1 können nicht gelesen werden.")
                        .arg(columnName(col.def)));
}

bool BinaryReader::readRow(const QList<Column> &cols, CompactRow::Builder &values, quint8 *status,
    QList<int> *unchanged, qint64 row)
{
    const qsizetype n = cols.size();
    const qsizetype stateBytes = (n + 3) / 4;
    if (!need(1 + stateBytes, Where(row, nullptr)))
        return false;
    *status = m_p[0];
    QVarLengthArray<uchar, 32> states(stateBytes);
    std::memcpy(states.data(), m_p + 1, size_t(stateBytes));
    m_p += 1 + stateBytes;
    for (qsizetype c = 0; c < n; ++c) {
        const int state = (states[c >> 2] >> (2 * (c & 3))) & 3;
        if (state == 0) {
            QVariant value;
            bool taken = false;
            if (!readValue(cols[c], value, row, m_cache.get(), &values, &taken))
                return false;
            if (!taken)
                values.addValue(value);
            continue;
        }
        values.addNull();
        if (state == 2) {
            // "Unchanged against the old version"; the change log fills it in.
            unchanged->append(int(c));
        }
    }
    return true;
}

bool BinaryReader::read(PacketData &out)
{
    const QString inHeader = QStringLiteral("im Kopf des Datenpakets");
    if (!need(kHeaderSize, inHeader))
        return false;
    if (qFromLittleEndian<quint32>(m_p) != kMagic)
        return failWith(QStringLiteral("Die Kennung eines Datenpakets fehlt."));
    const quint16 major = qFromLittleEndian<quint16>(m_p + 4);
    const quint16 minor = qFromLittleEndian<quint16>(m_p + 6);
    if (major > kHighestVersion || minor > kHighestVersion) {
        return failWith(QStringLiteral("Die Version %1.%2 des Datenpakets wird nicht unterstützt "
                                       "(höchstens %3).")
                            .arg(major)
                            .arg(minor)
                            .arg(kHighestVersion));
    }
    const quint32 headerSize = qFromLittleEndian<quint32>(m_p + 8);
    const quint16 columnCount = qFromLittleEndian<quint16>(m_p + 12);
    const quint32 rowCount = qFromLittleEndian<quint32>(m_p + 14);
    const quint32 flags = qFromLittleEndian<quint32>(m_p + 18);
    const quint16 metadataSize = qFromLittleEndian<quint16>(m_p + 22);
    if (headerSize < quint32(kHeaderSize) || headerSize > remaining()
        || !need(headerSize, inHeader))
        return failWith(QStringLiteral("Die Kopfgröße %1 ist ungültig.").arg(headerSize));
    m_p += headerSize;

    // Every column descriptor takes at least nine bytes.
    if (quint64(columnCount) * 9 > remaining()) {
        return failWith(
            QStringLiteral("Die Spaltenzahl %1 passt nicht zur Größe der Daten.").arg(columnCount));
    }
    QList<Column> cols;
    if (!readColumns(cols, columnCount, 0))
        return false;
    QList<PacketProperty> tableProps;
    if (!readProperties(tableProps, QStringLiteral("in den Tabelleneigenschaften")))
        return false;

    const qint64 metadataEnd = position();
    if ((flags & 2) && metadataEnd <= 0xFFFF) {
        if (metadataSize > m_total) {
            return failWith(QStringLiteral("Die Größe der Metadaten (%1) zeigt über das Ende "
                                           "der Daten hinaus.")
                                .arg(metadataSize));
        }
        if (metadataSize < metadataEnd) {
            return failWith(QStringLiteral("Die Metadaten sind länger (%1 Bytes), als der Kopf "
                                           "angibt (%2 Bytes).")
                                .arg(metadataEnd)
                                .arg(metadataSize));
        }
        if (!need(quint64(metadataSize - metadataEnd), QStringLiteral("nach den Metadaten")))
            return false;
        m_p += metadataSize - metadataEnd;
    }

    const qsizetype stateBytes = (cols.size() + 3) / 4;
    if (quint64(rowCount) * quint64(1 + stateBytes) > remaining()) {
        return failWith(
            QStringLiteral("Die Zeilenzahl %1 passt nicht zur Größe der Daten.").arg(rowCount));
    }

    // Rows are charged before any is built, so that a forged row count over
    // many columns is refused at once.
    if (!m_budget.affords(qint64(rowCount) * MemoryBudget::rowCost(cols.size())))
        return spend(qint64(rowCount) * MemoryBudget::rowCost(cols.size()));
    for (const Column &c : cols) {
        if (c.enc == Enc::Ansi && !m_cache) {
            if (!spend(sizeof(ShortTextCache<char>)))
                return false;
            m_cache = std::make_unique<ShortTextCache<char>>();
        }
    }

    QList<CompactRow> rows;
    rows.reserve(rowCount);
    QList<quint8> status;
    QList<QList<int>> unchanged;
    bool changes = false;
    QList<int> rowUnchanged;
    for (quint32 r = 0; r < rowCount; ++r) {
        // Sized exactly: resize() would leave room to grow, nearly twice the
        // memory for a table of tens of thousands of rows.
        if (!spend(MemoryBudget::rowCost(cols.size())))
            return false;
        CompactRow::Builder values(cols.size(), 1024);
        quint8 st = 0;
        rowUnchanged.clear();
        if (!readRow(cols, values, &st, &rowUnchanged, r))
            return false;
        if ((st || !rowUnchanged.isEmpty()) && !changes) {
            // The status, the unchanged fields and applying the log cost
            // about this much per row.
            if (!spend(64 * qint64(rowCount)))
                return false;
            changes = true;
            status.resize(rowCount);
            unchanged.resize(rowCount);
        }
        if (changes) {
            status[r] = st;
            if (!rowUnchanged.isEmpty()) {
                if (!spend(MemoryBudget::bytesCost(4 * rowUnchanged.size())))
                    return false;
                unchanged[r] = rowUnchanged;
            }
        }
        rows.append(values.finish());
    }

    // The rows now show what the change log leaves, so the log itself is not
    // kept: written again, they are plain rows.
    QList<quint32> changeLog;
    for (qsizetype i = 0; i < tableProps.size(); ++i) {
        if (tableProps[i].name == "CHANGE_LOG") {
            if (!propertyArray(tableProps[i], &changeLog))
                return failWith(QStringLiteral("Das Änderungsprotokoll ist ungültig."));
            tableProps.removeAt(i);
            break;
        }
    }
    if (changes) {
        // Rare: the log is applied to the rows as values.
        QList<Record> values;
        values.reserve(rows.size());
        for (const CompactRow &row : std::as_const(rows))
            values.append(row.toRecord());
        rows.clear();
        if (!applyChangeLog(values, status, unchanged, changeLog, &m_error))
            return false;
        for (const Record &v : std::as_const(values))
            rows.append(CompactRow(v));
    }

    out.fields.reserve(cols.size());
    for (Column &c : cols)
        out.fields.append(std::move(c.def));
    out.tableProperties = std::move(tableProps);
    out.rows = std::move(rows);
    return true;
}

// --- writing ------------------------------------------------------------------

struct WriteColumn
{
    quint32 word = 0;
    Enc enc = Enc::Raw;
    int size = 0;
    QList<PacketProperty> properties;
};

// Text in Windows-1252 after its length. False when it is too long for the
// prefix, or when a character has no Windows-1252 byte (`*bad` then holds it):
// nothing is changed on the way to the file.
bool putAnsi(ByteSink &sink, QStringView text, int prefix, char16_t *bad)
{
    const qsizetype n = text.size();
    const quint64 limit = prefix == 1 ? 0xFF : prefix == 2 ? 0xFFFF : 0xFFFFFFFF;
    *bad = 0;
    if (quint64(n) > limit)
        return false;
    sink.reserveMore(prefix + n);
    for (int i = 0; i < prefix; ++i)
        sink.putRaw(char((quint64(n) >> (8 * i)) & 0xFF));
    char *out = sink.cursor();
    const QChar *in = text.data();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i].unicode();
        if (c < 0x80) {
            out[i] = char(c);
        } else {
            const int b = ansiByte(c);
            if (b < 0) {
                *bad = c;
                return false;
            }
            out[i] = char(b);
        }
    }
    sink.advance(n);
    return true;
}

QString unencodable(char16_t c)
{
    return QStringLiteral("Das Zeichen %1 kann in einem binären Datenpaket nicht "
                          "gespeichert werden (nur Zeichen des Windows-Zeichensatzes).")
        .arg(Internal::codePointName(c));
}

bool putPrefixed(ByteSink &sink, QByteArrayView bytes, int prefix)
{
    const quint64 limit = prefix == 1 ? 0xFF : prefix == 2 ? 0xFFFF : 0xFFFFFFFF;
    if (quint64(bytes.size()) > limit)
        return false;
    sink.reserveMore(prefix + bytes.size());
    for (int i = 0; i < prefix; ++i)
        sink.putRaw(char((quint64(bytes.size()) >> (8 * i)) & 0xFF));
    sink.putRaw(bytes.data(), bytes.size());
    return true;
}

QByteArray utf16le(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
    return bytes;
}

class BinaryWriter
{
public:
    BinaryWriter(const PacketData &packet, qsizetype limit)
        : m_packet(packet)
        , m_limit(limit)
    { }
    QByteArray write();
    const QString &error() const { return m_error; }
    // Hands the packet on in pieces instead of keeping it whole.
    void setDrain(qsizetype chunk, std::function<bool(const char *, qsizetype)> drain)
    {
        m_chunk = chunk;
        m_drain = std::move(drain);
    }
    bool drainFailed() const { return m_drainFailed; }

private:
    bool prepareColumns();
    bool putProperty(const PacketProperty &p, const QString &where);
    bool putValue(const WriteColumn &col, const FieldDef &f, const QVariant &v, qsizetype row);
    bool failWith(const QString &message)
    {
        m_error = message;
        return false;
    }
    bool failValue(const FieldDef &f, qsizetype row, const QString &why)
    {
        return failWith(
            QStringLiteral("Zeile %1, Spalte %2: %3").arg(row + 1).arg(columnName(f), why));
    }

    const PacketData &m_packet;
    qsizetype m_limit;
    qsizetype m_chunk = 0;
    std::function<bool(const char *, qsizetype)> m_drain;
    bool m_drainFailed = false;
    QList<WriteColumn> m_cols;
    ByteSink m_sink;
    QString m_error;
};

bool BinaryWriter::prepareColumns()
{
    if (m_packet.fields.size() > 0xFFFF)
        return failWith(QStringLiteral("Ein Datenpaket kann höchstens 65535 Spalten haben."));
    m_cols.reserve(m_packet.fields.size());
    for (const FieldDef &f : m_packet.fields) {
        WriteColumn c;
        c.word = effectiveTypeWord(f);
        const int lt = TypeWord::logicalType(c.word);
        if (!c.word || lt == ltNested || (c.word & TypeWord::Structured)) {
            return failWith(QStringLiteral("Die Spalte %1 hat einen Typ, der in einem binären "
                                           "Datenpaket nicht geschrieben werden kann.")
                                .arg(columnName(f)));
        }
        c.size = TypeWord::size(c.word);
        c.properties = writtenProperties(f);
        // The encoding follows the type word, so a field whose kind and type
        // word disagree is written as its type word says.
        const FieldKind kind = kindForTypeWord(c.word, c.properties);
        c.enc = encodingFor(c.word, kind);
        if (c.enc == Enc::MemoAnsi && isWideMemo(c.properties))
            c.enc = Enc::MemoWide;
        if (c.enc == Enc::Raw && (f.kind != FieldKind::Other || !f.typeWord)) {
            return failWith(QStringLiteral("Die Spalte %1 hat einen Typ, der in einem binären "
                                           "Datenpaket nicht geschrieben werden kann.")
                                .arg(columnName(f)));
        }
        m_cols.append(c);
    }
    return true;
}

bool BinaryWriter::putProperty(const PacketProperty &p, const QString &where)
{
    if (p.name.size() > 255)
        return failWith(QStringLiteral("Der Name einer Eigenschaft %1 ist zu lang.").arg(where));
    // A value that does not match its type word would leave the packet
    // unreadable from there on.
    BinaryReader probe(p.value);
    qsizetype length = -1;
    if (!probe.measureOne(p.typeWord, &length) || length != p.value.size()) {
        return failWith(QStringLiteral("Die Eigenschaft %1 %2 passt nicht zu ihrem Typ.")
                            .arg(QString::fromLatin1(p.name), where));
    }
    m_sink.put(char(p.name.size()));
    m_sink.put(p.name);
    m_sink.putLE<quint32>(p.typeWord);
    m_sink.put(p.value);
    return true;
}

bool BinaryWriter::putValue(
    const WriteColumn &col, const FieldDef &f, const QVariant &v, qsizetype row)
{
    auto integer = [&](qint64 lo, qint64 hi) -> std::optional<qint64> {
        bool ok = false;
        const qint64 x = v.toLongLong(&ok);
        if (!ok || x < lo || x > hi)
            return std::nullopt;
        return x;
    };
    auto notFitting = [&] {
        return failValue(
            f, row, QStringLiteral("Der Wert „%1“ passt nicht in diese Spalte.").arg(v.toString()));
    };
    switch (col.enc) {
    case Enc::Int8:
    case Enc::Int16:
    case Enc::Int32:
    case Enc::UInt8:
    case Enc::UInt16:
    case Enc::UInt32: {
        const bool isSigned
            = col.enc == Enc::Int8 || col.enc == Enc::Int16 || col.enc == Enc::Int32;
        const int bits = 8 * col.size;
        const qint64 lo = isSigned ? -(qint64(1) << (bits - 1)) : 0;
        const qint64 hi = isSigned ? (qint64(1) << (bits - 1)) - 1 : (qint64(1) << bits) - 1;
        const auto x = integer(lo, hi);
        if (!x)
            return notFitting();
        m_sink.reserveMore(col.size);
        for (int i = 0; i < col.size; ++i)
            m_sink.putRaw(char((quint64(*x) >> (8 * i)) & 0xFF));
        return true;
    }
    case Enc::Int64: {
        bool ok = false;
        const qint64 x = v.toLongLong(&ok);
        if (!ok)
            return notFitting();
        m_sink.putLE<quint64>(quint64(x));
        return true;
    }
    case Enc::UInt64: {
        bool ok = false;
        const quint64 x = v.toULongLong(&ok);
        if (!ok)
            return notFitting();
        m_sink.putLE<quint64>(x);
        return true;
    }
    case Enc::Bool:
        m_sink.reserveMore(col.size);
        for (int i = 0; i < col.size; ++i)
            m_sink.putRaw(char(i == 0 && v.toBool() ? 1 : 0));
        return true;
    case Enc::Float32:
    case Enc::Float64: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            return failValue(
                f, row, QStringLiteral("Der Wert „%1“ ist keine Zahl.").arg(v.toString()));
        if (col.enc == Enc::Float32) {
            const float x = float(d);
            quint32 bits;
            std::memcpy(&bits, &x, 4);
            m_sink.putLE<quint32>(bits);
        } else {
            quint64 bits;
            std::memcpy(&bits, &d, 8);
            m_sink.putLE<quint64>(bits);
        }
        return true;
    }
    case Enc::Bcd: {
        QByteArray bytes;
        if (!encodeBcd(v.toString(), col.size, &bytes))
            return failValue(f, row,
                QStringLiteral("Der Wert „%1“ passt nicht in diese "
                               "Dezimalspalte.")
                    .arg(v.toString()));
        m_sink.put(bytes);
        return true;
    }
    case Enc::Date: {
        const QDate d = v.toDate();
        const qint64 day = d.toJulianDay() - dayNumberOffset();
        if (!d.isValid() || day < std::numeric_limits<qint32>::min()
            || day > std::numeric_limits<qint32>::max())
            return failValue(f, row, QStringLiteral("Der Wert ist kein gültiges Datum."));
        m_sink.putLE<qint32>(qint32(day));
        return true;
    }
    case Enc::Time: {
        const QTime t = v.toTime();
        if (!t.isValid())
            return failValue(f, row, QStringLiteral("Der Wert ist keine gültige Uhrzeit."));
        m_sink.putLE<qint32>(t.msecsSinceStartOfDay());
        return true;
    }
    case Enc::DateTime:
    case Enc::SqlTimeStamp: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid())
            return failValue(f, row, QStringLiteral("Der Wert ist kein gültiger Zeitpunkt."));
        const QDate d = dt.date();
        const QTime t = dt.time();
        if (col.enc == Enc::DateTime) {
            const double x = double(d.toJulianDay() - dayNumberOffset()) * double(kMsPerDay)
                + double(t.msecsSinceStartOfDay());
            quint64 bits;
            std::memcpy(&bits, &x, 8);
            m_sink.putLE<quint64>(bits);
        } else {
            if (d.year() < -32768 || d.year() > 32767)
                return failValue(f, row, QStringLiteral("Das Jahr liegt außerhalb des Bereichs."));
            m_sink.putLE<qint16>(qint16(d.year()));
            m_sink.putLE<quint16>(quint16(d.month()));
            m_sink.putLE<quint16>(quint16(d.day()));
            m_sink.putLE<quint16>(quint16(t.hour()));
            m_sink.putLE<quint16>(quint16(t.minute()));
            m_sink.putLE<quint16>(quint16(t.second()));
            m_sink.putLE<quint32>(quint32(t.msec()));
        }
        return true;
    }
    case Enc::Ansi:
    case Enc::MemoAnsi: {
        // Text values are QStrings; avoid a copy for the common case.
        const bool isString = v.metaType().id() == QMetaType::QString;
        const QString copy = isString ? QString() : v.toString();
        const QString &text = isString ? *static_cast<const QString *>(v.constData()) : copy;
        char16_t bad = 0;
        if (!putAnsi(m_sink, text, col.size, &bad)) {
            if (bad)
                return failValue(f, row, unencodable(bad));
            return failValue(f, row,
                QStringLiteral("Der Text ist mit %1 Zeichen zu lang für "
                               "diese Spalte.")
                    .arg(text.size()));
        }
        return true;
    }
    case Enc::Wide:
    case Enc::MemoWide: {
        const QByteArray bytes = utf16le(v.toString());
        if (!putPrefixed(m_sink, bytes, col.size)) {
            return failValue(f, row,
                QStringLiteral("Der Text ist mit %1 Zeichen zu lang für "
                               "diese Spalte.")
                    .arg(bytes.size() / 2));
        }
        return true;
    }
    case Enc::Bytes: {
        const QByteArray bytes = v.toByteArray();
        if (!putPrefixed(m_sink, bytes, col.size))
            return failValue(f, row, QStringLiteral("Der Wert ist zu lang für diese Spalte."));
        return true;
    }
    case Enc::FixedBytes: {
        QByteArray bytes = v.toByteArray();
        if (bytes.size() > col.size)
            return failValue(f, row, QStringLiteral("Der Wert ist zu lang für diese Spalte."));
        bytes.append(QByteArray(col.size - bytes.size(), '\0'));
        m_sink.put(bytes);
        return true;
    }
    case Enc::Raw: {
        // Values of types this program does not interpret are kept as the
        // bytes they were read as; check that they still measure up.
        const QByteArray bytes = v.toByteArray();
        BinaryReader probe(bytes);
        qsizetype length = -1;
        if (!probe.measureOne(col.word, &length) || length != bytes.size())
            return failValue(f, row, QStringLiteral("Der Wert passt nicht zum Typ der Spalte."));
        m_sink.put(bytes);
        return true;
    }
    case Enc::Nested:
    case Enc::Unreadable:
        break;
    }
    return failValue(f, row, QStringLiteral("Werte dieses Typs können nicht geschrieben werden."));
}

QByteArray BinaryWriter::write()
{
    if (!prepareColumns())
        return {};
    const QList<FieldDef> &fields = m_packet.fields;

    bool structured = false;
    qsizetype expected = kHeaderSize + 64;
    for (const WriteColumn &c : m_cols) {
        structured = structured || (c.word & TypeWord::Array)
            || TypeWord::logicalType(c.word) == ltSqlTimeStamp;
        expected += 16 + 16 * c.properties.size();
    }
    for (const CompactRow &r : m_packet.rows) {
        expected += 1 + (fields.size() + 3) / 4;
        for (qsizetype c = 0; c < r.size(); ++c)
            expected += 8 + qMax<qsizetype>(r.textLength(c), 0);
    }
    if (m_drain) {
        m_sink = ByteSink(qMin(expected, 2 * m_chunk), m_limit);
        m_sink.setDrain(m_drain);
    } else {
        m_sink = ByteSink(expected, m_limit);
    }

    m_sink.putLE<quint32>(kMagic);
    m_sink.putLE<quint16>(structured ? 2 : 1);
    m_sink.putLE<quint16>(0);
    m_sink.putLE<quint32>(kHeaderSize);
    m_sink.putLE<quint16>(quint16(fields.size()));
    m_sink.putLE<quint32>(quint32(m_packet.rows.size()));
    m_sink.putLE<quint32>(3);
    m_sink.putLE<quint16>(0); // metadata size, filled in below

    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldDef &f = fields[i];
        const WriteColumn &c = m_cols[i];
        const QString where = QStringLiteral("der Spalte %1").arg(columnName(f));
        if (!Codec1252::canEncode(f.name) || f.name.size() > 255 || f.name.isEmpty()) {
            m_error = QStringLiteral("Der Spaltenname %1 kann nicht geschrieben werden.")
                          .arg(columnName(f));
            return {};
        }
        const QByteArray name = Codec1252::encode(f.name);
        m_sink.put(char(name.size()));
        m_sink.put(name);
        m_sink.putLE<quint32>(c.word);
        m_sink.putLE<quint16>(f.attributes);
        if (c.properties.size() > 0xFFFF) {
            m_error
                = QStringLiteral("Die Spalte %1 hat zu viele Eigenschaften.").arg(columnName(f));
            return {};
        }
        m_sink.putLE<quint16>(quint16(c.properties.size()));
        for (const PacketProperty &p : c.properties) {
            if (!putProperty(p, where))
                return {};
        }
    }

    // The rows are written as plain rows, so a change log read with them does
    // not apply any more.
    QList<PacketProperty> tableProps;
    for (const PacketProperty &p : m_packet.tableProperties) {
        if (p.name != "CHANGE_LOG")
            tableProps.append(p);
    }
    if (tableProps.isEmpty())
        tableProps.append(arrayProperty("DEFAULT_ORDER", TypeWord::UInt16Array, {}));
    if (tableProps.size() > 0xFFFF) {
        m_error = QStringLiteral("Die Tabelle hat zu viele Eigenschaften.");
        return {};
    }
    m_sink.putLE<quint16>(quint16(tableProps.size()));
    for (const PacketProperty &p : tableProps) {
        if (!putProperty(p, QStringLiteral("der Tabelle")))
            return {};
    }

    // The 16-bit metadata size only holds small metadata; the flag that says
    // it is valid is cleared when it does not fit.
    const qsizetype metadataSize = m_sink.size();
    if (metadataSize <= 0xFFFF) {
        m_sink.patchLE<quint16>(22, quint16(metadataSize));
    } else {
        m_sink.patchLE<quint32>(18, 1);
    }

    const qsizetype n = fields.size();
    const qsizetype stateBytes = (n + 3) / 4;
    for (qsizetype r = 0; r < m_packet.rows.size(); ++r) {
        const CompactRow &rec = m_packet.rows[r];
        m_sink.reserveMore(1 + stateBytes);
        m_sink.putRaw(char(0));
        char *states = m_sink.cursor();
        std::memset(states, 0, size_t(stateBytes));
        m_sink.advance(stateBytes);
        // Only a value kept beside the row can be an empty one of its kind
        // (a date that is none).
        const auto isNull = [&rec](qsizetype c) {
            const CompactRow::Tag tag = rec.tag(c);
            return tag == CompactRow::Null || (tag == CompactRow::Extra && isNullValue(rec[c]));
        };
        for (qsizetype c = 0; c < n; ++c) {
            // All states are set before the first value is written: the
            // sink may move once values follow.
            if (c >= rec.size() || isNull(c)) {
                states[c >> 2] = char(uchar(states[c >> 2]) | (1 << (2 * (c & 3))));
            }
        }
        for (qsizetype c = 0; c < n; ++c) {
            if (c >= rec.size() || isNull(c))
                continue;
            const WriteColumn &col = m_cols[c];
            if ((col.enc == Enc::Ansi || col.enc == Enc::MemoAnsi)
                && rec.tag(c) == CompactRow::Ansi) {
                // Text kept in the file's code page goes out as it is.
                const QByteArrayView bytes = rec.bytes(c);
                if (putPrefixed(m_sink, bytes, col.size))
                    continue;
            }
            if (!putValue(col, fields[c], rec[c], r))
                return {};
        }
        if (m_sink.overLimit()) {
            m_error = outputTooLarge(m_limit);
            return {};
        }
        if (!m_sink.drainFull(m_chunk)) {
            m_drainFailed = true;
            return {};
        }
    }
    return m_sink.take();
}

} // namespace

bool readBinary(QByteArrayView bytes, PacketData &out, QString *error)
{
    out = PacketData();
    BinaryReader reader(bytes);
    PacketData packet;
    if (!reader.read(packet))
        return fail(error, reader.error());
    out = std::move(packet);
    return true;
}

namespace Internal {

bool writeBinaryDrained(const PacketData &packet, qsizetype chunk,
    const std::function<bool(const char *, qsizetype)> &drain, QString *error, bool *drainFailed,
    qsizetype limit)
{
    *drainFailed = false;
    BinaryWriter writer(packet, limit);
    writer.setDrain(qMax<qsizetype>(chunk, 4096), drain);
    const QByteArray rest = writer.write();
    if (writer.drainFailed()) {
        *drainFailed = true;
        return false;
    }
    if (!writer.error().isEmpty())
        return fail(error, writer.error());
    if (!rest.isEmpty() && !drain(rest.constData(), rest.size())) {
        *drainFailed = true;
        return false;
    }
    return true;
}

bool readBinaryDevice(QIODevice *device, PacketData &out, QString *error, bool *deviceFailed)
{
    out = PacketData();
    BinaryReader reader(device);
    PacketData packet;
    if (!reader.read(packet)) {
        *deviceFailed = reader.deviceFailed();
        return fail(error, reader.error());
    }
    out = std::move(packet);
    return true;
}

} // namespace Internal

QByteArray writeBinary(const PacketData &packet, QString *error, qsizetype limit)
{
    BinaryWriter writer(packet, limit);
    QByteArray bytes = writer.write();
    if (bytes.isEmpty())
        fail(error, writer.error());
    return bytes;
}

} // namespace DataPacket
