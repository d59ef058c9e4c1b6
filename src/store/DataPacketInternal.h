#pragma once

// Shared by the binary and the XML half of the packet reader and writer.

#include "FieldDef.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>
#include <QVariant>

#include <array>
#include <cstring>
#include <functional>

class QIODevice;

namespace DataPacket::Internal {

// An append-only byte buffer that writes through a raw pointer; the writers
// put out tens of megabytes a few bytes at a time.
class ByteSink
{
public:
    // With a limit (0: none) the sink grows to little more than the limit
    // and overLimit() then tells the writer to stop.
    explicit ByteSink(qsizetype expected = 4096, qsizetype limit = 0)
        : m_limit(limit)
    {
        if (m_limit > 0)
            expected = qMin(expected, m_limit);
        m_buf.resize(qMax<qsizetype>(expected, 64));
        m_p = m_buf.data();
        m_end = m_p + m_buf.size();
    }

    void reserveMore(qsizetype n)
    {
        if (m_end - m_p < n)
            grow(n);
    }
    // Unchecked writes, after reserveMore().
    void putRaw(char c) { *m_p++ = c; }
    void putRaw(const char *s, qsizetype n)
    {
        std::memcpy(m_p, s, size_t(n));
        m_p += n;
    }
    char *cursor() { return m_p; }
    void advance(qsizetype n) { m_p += n; }

    void put(char c)
    {
        reserveMore(1);
        *m_p++ = c;
    }
    void put(const char *s, qsizetype n)
    {
        reserveMore(n);
        putRaw(s, n);
    }
    void put(QByteArrayView bytes) { put(bytes.data(), bytes.size()); }
    void putLiteral(const char *s) { put(s, qsizetype(std::strlen(s))); }

    template<typename T>
    void putLE(T value)
    {
        reserveMore(sizeof(T));
        for (size_t i = 0; i < sizeof(T); ++i)
            *m_p++ = char((quint64(value) >> (8 * i)) & 0xFF);
    }

    // Every byte written, also those already handed to the drain.
    qsizetype size() const { return m_drained + local(); }

    // A sink with a drain hands its bytes on in pieces (to a file), so a
    // packet of tens of megabytes never lies in memory whole. Bytes already
    // handed on cannot be patched: drain only after the last patch.
    void setDrain(std::function<bool(const char *, qsizetype)> drain)
    {
        m_drain = std::move(drain);
    }
    // Hands the bytes on once there are at least chunk of them; false when
    // the drain failed.
    bool drainFull(qsizetype chunk)
    {
        const qsizetype n = local();
        if (!m_drain || n < chunk)
            return true;
        if (!m_drain(m_buf.constData(), n))
            return false;
        m_drained += n;
        m_p = m_buf.data();
        return true;
    }
    bool overLimit() const { return m_limit > 0 && size() > m_limit; }
    // Overwrites bytes already written (sizes and counts known later).
    template<typename T>
    void patchLE(qsizetype offset, T value)
    {
        char *at = m_buf.data() + offset;
        for (size_t i = 0; i < sizeof(T); ++i)
            at[i] = char((quint64(value) >> (8 * i)) & 0xFF);
    }

    QByteArray take()
    {
        m_buf.resize(local());
        if (m_buf.capacity() > m_buf.size() + m_buf.size() / 8 + 4096)
            m_buf.squeeze();
        QByteArray out = std::move(m_buf);
        m_buf = QByteArray();
        m_p = m_end = nullptr;
        return out;
    }

private:
    qsizetype local() const { return m_p - m_buf.constData(); }

    void grow(qsizetype n)
    {
        const qsizetype used = local();
        qsizetype bigger = qMax(m_buf.size() * 2, used + n + 64);
        if (m_limit > 0)
            bigger = qMin(bigger, qMax(m_limit, used + n) + 64);
        m_buf.resize(bigger);
        m_p = m_buf.data() + used;
        m_end = m_buf.data() + m_buf.size();
    }

    QByteArray m_buf;
    char *m_p = nullptr;
    char *m_end = nullptr;
    qsizetype m_limit = 0;
    qsizetype m_drained = 0;
    std::function<bool(const char *, qsizetype)> m_drain;
};

inline QString outputTooLarge(qsizetype limit)
{
    return QStringLiteral("Das Datenpaket würde größer als %1 Bytes.").arg(limit);
}

// Review files repeat short texts column by column (currencies, bindings,
// publishers, names, initials). One cache per packet hands out one shared
// QString for equal input instead of a new allocation for every field; the
// values are implicitly shared, so nothing changes for their users. One for
// the whole packet, not one per column: a forged packet with tens of
// thousands of text columns would otherwise cost kilobytes per column before
// a single row is read.
template<typename Char>
class ShortTextCache
{
public:
    static constexpr qsizetype kMaxLength = 40;

    template<typename Make>
    QString lookup(const Char *data, qsizetype size, Make make)
    {
        if (size > kMaxLength)
            return make();
        quint32 h = quint32(size);
        for (qsizetype i = 0; i < size; ++i)
            h = h * 31 + quint32(data[i]);
        Slot &slot = m_slots[(h ^ (h >> 11)) % kSlots];
        if (slot.length == size && std::memcmp(slot.chars, data, size_t(size) * sizeof(Char)) == 0)
            return slot.text;
        slot.text = make();
        slot.length = int(size);
        std::memcpy(slot.chars, data, size_t(size) * sizeof(Char));
        return slot.text;
    }

private:
    static constexpr int kSlots = 1021;
    struct Slot
    {
        int length = -1;
        Char chars[kMaxLength];
        QString text;
    };
    std::array<Slot, kSlots> m_slots;
};

// Reading a file of n bytes may use at most 64·n + 64 MiB of memory. The
// readers charge what they build (rows, values, columns) against this before
// they build it, and refuse a packet that would need more; some of the fixed
// part is kept back for what is not charged (buffers, the parser, the
// program itself).
class MemoryBudget
{
public:
    explicit MemoryBudget(qint64 inputSize)
        : m_left(56 * qMax<qint64>(inputSize, 0) + (qint64(32) << 20))
    { }
    // False once the charges exceed the budget.
    bool charge(qint64 bytes)
    {
        m_left -= bytes;
        return m_left >= 0;
    }
    bool affords(qint64 bytes) const { return bytes <= m_left; }

    // Heap bytes of one row of n fields: its entry in the row list, the list
    // header and one QVariant per field.
    static constexpr qint64 rowCost(qsizetype fields) { return 64 + 32 * qint64(fields); }
    // Heap bytes of a text of n characters or n bytes.
    static constexpr qint64 textCost(qsizetype chars) { return 48 + 2 * qint64(chars); }
    static constexpr qint64 bytesCost(qsizetype bytes) { return 48 + qint64(bytes); }

    static QString refusal()
    {
        return QStringLiteral("Das Datenpaket braucht zum Lesen mehr Speicher, als eine Datei "
                              "dieser Größe brauchen darf (das 64-Fache ihrer Größe); es ist "
                              "wohl beschädigt oder gefälscht.");
    }

private:
    qint64 m_left;
};

// Windows-1252 bytes to text; fast for the usual case without bytes in
// 0x80..0x9F.
QString decodeAnsi(const char *data, qsizetype size);
// The Windows-1252 byte of a character, or -1 when it has none.
int ansiByte(char16_t c);

// "U+0001": how messages name a character that cannot be written.
inline QString codePointName(char32_t c)
{
    return QStringLiteral("U+") + QString::number(uint(c), 16).toUpper().rightJustified(4, u'0');
}

// Day numbers of the packet: 1 is 0001-01-01.
inline qint64 dayNumberOffset()
{
    static const qint64 jd = QDate(1, 1, 1).toJulianDay() - 1;
    return jd;
}

// Applies a change log to rows read in packet order: a changed version takes
// the fields marked unchanged from the version it replaced (following chains),
// then old versions and deleted rows are dropped. `status` has one entry per
// row; `unchanged` lists, per row, the fields that were marked unchanged (their
// values are null in `rows`). `changeLog` holds the triples (row, previous
// row, action) with rows counted from 1. False with a message when the change
// log refers to rows that are not there.
bool applyChangeLog(QList<Record> &rows, const QList<quint8> &status,
    const QList<QList<int>> &unchanged, const QList<quint32> &changeLog, QString *error);

// The properties a field is written with: those it was read with, or for a
// field built by the program WIDTH on text columns and SUBTYPE on memos.
QList<PacketProperty> writtenProperties(const FieldDef &field);

// An empty field: an invalid value, or a date or time that is none.
inline bool isNullValue(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return true;
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return !v.toDate().isValid();
    case QMetaType::QTime:
        return !v.toTime().isValid();
    case QMetaType::QDateTime:
        return !v.toDateTime().isValid();
    default:
        return false;
    }
}

// Readers for a file read in chunks. `deviceFailed` tells a failing read
// from a packet that does not hold together.
bool readBinaryDevice(QIODevice *device, PacketData &out, QString *error, bool *deviceFailed);
// The binary form, handed to drain in pieces of about chunk bytes. False
// with a message for a packet that cannot be written (as writeBinary), or
// with *drainFailed set when the drain refused a piece.
bool writeBinaryDrained(const PacketData &packet, qsizetype chunk,
    const std::function<bool(const char *, qsizetype)> &drain, QString *error, bool *drainFailed,
    qsizetype limit);
bool readXmlDevice(QIODevice *device, PacketData &out, QString *error, bool *deviceFailed);
// The XML form in pieces, as writeBinaryDrained() the binary one.
bool writeXmlDrained(const PacketData &packet, qsizetype chunk,
    const std::function<bool(const char *, qsizetype)> &drain, QString *error, bool *drainFailed,
    qsizetype limit);

inline bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace DataPacket::Internal
