#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QVariant>
#include <QtEndian>

#include <memory>

// One row: a value per field, in field order; an invalid QVariant is an empty
// (null) field. The form in which values are handed out and taken in.
using Record = QList<QVariant>;

// One row as the store keeps it: all values in one block of bytes. A text
// that Windows-1252 holds stays in its one-byte form, as review files carry
// it, and becomes a QString only when someone asks for it; numbers lie
// inline. A coordinator's archive of tens of thousands of books fits in
// little more memory than its files this way, where a QVariant per field and
// a QString per text took four times as much.
//
// Values come back exactly as they went in (type and value): whatever has no
// compact form (dates, empty or null strings, other types) is kept beside
// the block as the QVariant it was. Copies share the block.
class CompactRow
{
public:
    // How a value is kept.
    enum Tag : quint8 {
        Null, // an invalid QVariant
        Ansi, // a non-empty QString, as its Windows-1252 bytes
        Utf16, // a non-empty QString that Windows-1252 cannot hold
        Int,
        LongLong,
        ULongLong,
        Double,
        Bool,
        Bytes, // a non-empty QByteArray
        Extra, // anything else: an index into the kept QVariants
    };

    CompactRow() = default;
    // Implicit, so that rows built as Records (tests, tools, the XML reader)
    // go where compact rows are kept.
    CompactRow(const Record &values); // NOLINT(google-explicit-constructor)

    qsizetype size() const { return m_data.isEmpty() ? 0 : qsizetype(countWord() & ~kWideOffsets); }
    bool isEmpty() const { return size() == 0; }
    Tag tag(qsizetype field) const
    {
        if (field < 0 || field >= size())
            return Null;
        return Tag(quint8(m_data.constData()[kCountBytes + field]));
    }
    bool isNull(qsizetype field) const { return tag(field) == Null; }
    // The value as a QVariant; invalid for null fields and past the end.
    QVariant value(qsizetype field) const;
    QVariant at(qsizetype field) const { return value(field); }
    QVariant operator[](qsizetype field) const { return value(field); }
    // The bytes a value is kept in: for Ansi the Windows-1252 text, for
    // Utf16 the UTF-16 code units.
    QByteArrayView bytes(qsizetype field) const
    {
        const qsizetype n = size();
        if (field < 0 || field >= n)
            return {};
        const bool wide = countWord() & kWideOffsets;
        const char *offsets = m_data.constData() + kCountBytes + n + (wide ? 4 : 2) * field;
        const qsizetype start
            = wide ? qFromUnaligned<quint32>(offsets) : qFromUnaligned<quint16>(offsets);
        const qsizetype end
            = wide ? qFromUnaligned<quint32>(offsets + 4) : qFromUnaligned<quint16>(offsets + 2);
        return QByteArrayView(m_data.constData() + headerSize(n, wide) + start, end - start);
    }
    // Characters of an Ansi or Utf16 text; -1 for other values.
    qsizetype textLength(qsizetype field) const;
    double doubleValue(qsizetype field) const; // of a Double; 0 for others
    int intValue(qsizetype field) const; // of an Int; 0 for others

    Record toRecord() const;
    // This row with one field replaced.
    CompactRow withValue(qsizetype field, const QVariant &value) const;

    // Equal as their Records compare.
    friend bool operator==(const CompactRow &a, const CompactRow &b);
    friend bool operator!=(const CompactRow &a, const CompactRow &b) { return !(a == b); }

    // Builds a row value by value, in field order.
    class Builder
    {
    public:
        explicit Builder(qsizetype fields, qsizetype payloadHint = 0);
        void addNull();
        // Text already in Windows-1252 (an empty text is kept as an empty
        // QString, as the readers hand it over).
        void addAnsi(const char *data, qsizetype size);
        void addValue(const QVariant &value);
        // The row; a value not added is null.
        CompactRow finish();

    private:
        void put(Tag tag, const void *data, qsizetype size);
        QByteArray m_buf;
        qsizetype m_fields = 0;
        qsizetype m_next = 0;
        std::shared_ptr<QList<QVariant>> m_extras;
    };

    static constexpr qsizetype kCountBytes = 4;
    // Set in the count word when the offsets take 32 bits (rows of more
    // than 64 KiB); otherwise they take 16.
    static constexpr quint32 kWideOffsets = 0x80000000u;
    static constexpr qsizetype headerSize(qsizetype fields, bool wide)
    {
        return kCountBytes + fields + (wide ? 4 : 2) * (fields + 1);
    }

private:
    quint32 countWord() const { return qFromUnaligned<quint32>(m_data.constData()); }

    // quint32 field count (with kWideOffsets), a tag byte per field, 16- or
    // 32-bit offsets of each value's start (and of the end) within the
    // payload, then the payload.
    QByteArray m_data;
    std::shared_ptr<const QList<QVariant>> m_extras;
};
