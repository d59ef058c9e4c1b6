#include "CompactRow.h"

#include "DataPacketInternal.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr qsizetype kCountBytes = CompactRow::kCountBytes;

// The builder lays the row out with 32-bit offsets; finish() narrows them.
constexpr qsizetype builderHeader(qsizetype fields) { return CompactRow::headerSize(fields, true); }

quint32 readU32(const char *p) { return qFromUnaligned<quint32>(p); }

// Whether every character of the text has a Windows-1252 byte that decodes
// to it again; writes the bytes to out (text.size() bytes) as it goes.
bool encodeExactly(QStringView text, char *out)
{
    const qsizetype n = text.size();
    const char16_t *in = text.utf16();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = in[i];
        if (c < 0x80) {
            out[i] = char(c);
            continue;
        }
        const int b = DataPacket::Internal::ansiByte(c);
        if (b < 0)
            return false;
        out[i] = char(b);
    }
    return true;
}

} // namespace

CompactRow::CompactRow(const Record &values)
{
    qsizetype hint = 0;
    for (const QVariant &v : values) {
        hint += 8;
        if (v.metaType().id() == QMetaType::QString)
            hint += static_cast<const QString *>(v.constData())->size();
    }
    Builder b(values.size(), hint);
    for (const QVariant &v : values)
        b.addValue(v);
    *this = b.finish();
}

qsizetype CompactRow::textLength(qsizetype field) const
{
    switch (tag(field)) {
    case Ansi:
        return bytes(field).size();
    case Utf16:
        return bytes(field).size() / 2;
    default:
        return -1;
    }
}

double CompactRow::doubleValue(qsizetype field) const
{
    if (tag(field) != Double)
        return 0;
    double d;
    std::memcpy(&d, bytes(field).data(), sizeof d);
    return d;
}

int CompactRow::intValue(qsizetype field) const
{
    if (tag(field) != Int)
        return 0;
    return qFromUnaligned<qint32>(bytes(field).data());
}

QVariant CompactRow::value(qsizetype field) const
{
    const Tag t = tag(field);
    if (t == Null)
        return {};
    const QByteArrayView b = bytes(field);
    switch (t) {
    case Ansi:
        return QVariant(DataPacket::Internal::decodeAnsi(b.data(), b.size()));
    case Utf16: {
        QString s(b.size() / 2, Qt::Uninitialized);
        std::memcpy(s.data(), b.data(), size_t(b.size()));
        return QVariant(s);
    }
    case Int:
        return QVariant(qFromUnaligned<qint32>(b.data()));
    case LongLong:
        return QVariant(qlonglong(qFromUnaligned<qint64>(b.data())));
    case ULongLong:
        return QVariant(qulonglong(qFromUnaligned<quint64>(b.data())));
    case Double:
        return QVariant(doubleValue(field));
    case Bool:
        return QVariant(b.data()[0] != 0);
    case Bytes:
        return QVariant(b.toByteArray());
    case Extra:
        return m_extras ? m_extras->value(qsizetype(readU32(b.data()))) : QVariant();
    case Null:
        break;
    }
    return {};
}

Record CompactRow::toRecord() const
{
    const qsizetype n = size();
    Record out(n);
    for (qsizetype i = 0; i < n; ++i)
        out[i] = value(i);
    return out;
}

CompactRow CompactRow::withValue(qsizetype field, const QVariant &value) const
{
    Record values = toRecord();
    if (field >= 0 && field < values.size())
        values[field] = value;
    return CompactRow(values);
}

bool operator==(const CompactRow &a, const CompactRow &b)
{
    if (!a.m_extras && !b.m_extras && a.m_data == b.m_data)
        return true;
    return a.toRecord() == b.toRecord();
}

// --- building -----------------------------------------------------------------

CompactRow::Builder::Builder(qsizetype fields, qsizetype payloadHint)
    : m_fields(fields)
{
    const qsizetype header = builderHeader(fields);
    m_buf.reserve(header + payloadHint);
    m_buf.resize(header);
    char *p = m_buf.data();
    qToUnaligned<quint32>(quint32(fields), p);
    std::memset(p + kCountBytes, Null, size_t(fields));
    std::memset(p + kCountBytes + fields, 0, size_t(4 * (fields + 1)));
}

void CompactRow::Builder::put(Tag tag, const void *data, qsizetype size)
{
    if (m_next >= m_fields)
        return;
    const qsizetype header = builderHeader(m_fields);
    char *p = m_buf.data();
    p[kCountBytes + m_next] = char(tag);
    qToUnaligned<quint32>(quint32(m_buf.size() - header), p + kCountBytes + m_fields + 4 * m_next);
    m_buf.append(static_cast<const char *>(data), size);
    ++m_next;
}

void CompactRow::Builder::addNull() { put(Null, nullptr, 0); }

void CompactRow::Builder::addAnsi(const char *data, qsizetype size) { put(Ansi, data, size); }

void CompactRow::Builder::addValue(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::UnknownType:
        addNull();
        return;
    case QMetaType::QString: {
        const QString &s = *static_cast<const QString *>(v.constData());
        if (s.isEmpty())
            break;
        QVarLengthArray<char, 256> bytes(s.size());
        if (encodeExactly(s, bytes.data()))
            put(Ansi, bytes.data(), bytes.size());
        else
            put(Utf16, s.utf16(), 2 * s.size());
        return;
    }
    case QMetaType::Int: {
        const qint32 i = *static_cast<const int *>(v.constData());
        put(Int, &i, 4);
        return;
    }
    case QMetaType::LongLong: {
        const qint64 i = *static_cast<const qlonglong *>(v.constData());
        put(LongLong, &i, 8);
        return;
    }
    case QMetaType::ULongLong: {
        const quint64 i = *static_cast<const qulonglong *>(v.constData());
        put(ULongLong, &i, 8);
        return;
    }
    case QMetaType::Double: {
        const double d = *static_cast<const double *>(v.constData());
        put(Double, &d, 8);
        return;
    }
    case QMetaType::Bool: {
        const char b = *static_cast<const bool *>(v.constData()) ? 1 : 0;
        put(Bool, &b, 1);
        return;
    }
    case QMetaType::QByteArray: {
        const QByteArray &b = *static_cast<const QByteArray *>(v.constData());
        if (b.isEmpty())
            break;
        put(Bytes, b.constData(), b.size());
        return;
    }
    default:
        break;
    }
    if (!m_extras)
        m_extras = std::make_shared<QList<QVariant>>();
    const quint32 index = quint32(m_extras->size());
    m_extras->append(v);
    put(Extra, &index, 4);
}

CompactRow CompactRow::Builder::finish()
{
    while (m_next < m_fields)
        addNull();
    const qsizetype header = builderHeader(m_fields);
    const qsizetype payload = m_buf.size() - header;
    const char *in = m_buf.constData();
    qToUnaligned<quint32>(quint32(payload), m_buf.data() + kCountBytes + m_fields + 4 * m_fields);
    CompactRow row;
    if (m_fields > 0) {
        // Copied once into a block of exactly its size, with 16-bit offsets
        // where they do.
        const bool wide = payload > 0xFFFF;
        QByteArray out(CompactRow::headerSize(m_fields, wide) + payload, Qt::Uninitialized);
        char *p = out.data();
        qToUnaligned<quint32>(quint32(m_fields) | (wide ? kWideOffsets : 0u), p);
        std::memcpy(p + kCountBytes, in + kCountBytes, size_t(m_fields));
        const char *offsets = in + kCountBytes + m_fields;
        char *to = p + kCountBytes + m_fields;
        if (wide) {
            std::memcpy(to, offsets, size_t(4 * (m_fields + 1)));
        } else {
            for (qsizetype i = 0; i <= m_fields; ++i)
                qToUnaligned<quint16>(quint16(readU32(offsets + 4 * i)), to + 2 * i);
        }
        std::memcpy(p + CompactRow::headerSize(m_fields, wide), in + header, size_t(payload));
        row.m_data = std::move(out);
    }
    row.m_extras = std::move(m_extras);
    m_buf = QByteArray();
    return row;
}
