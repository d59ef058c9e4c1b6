#pragma once

#include "CompactRow.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

// One property of a packet column or of the packet's table, kept as read so
// that a packet read and written again keeps what it declared.
struct PacketProperty
{
    QByteArray name;
    quint32 typeWord = 0;
    QByteArray value; // the encoded value bytes exactly as in the binary packet

    bool operator==(const PacketProperty &) const = default;
};

// What a field holds. The review record uses Text, Integer and Float; the
// scratch table takes whatever a packet declares.
enum class FieldKind {
    Text, // ANSI text, QString values
    WideText, // Unicode text, QString values
    Integer, // signed or unsigned whole numbers of 1 to 8 bytes, qint64/int values
    Float, // IEEE double
    Bcd, // packed decimal, kept as its decimal text (QString)
    Boolean,
    Date, // QDate
    Time, // QTime
    DateTime, // QDateTime
    Bytes, // fixed or varying bytes and blobs, QByteArray values
    Memo, // text blob, QString values
    Other, // a type this program does not interpret; values kept as QByteArray
};

struct FieldDef
{
    QString name;
    FieldKind kind = FieldKind::Text;
    // Declared width: characters for text, as review files declare it in WIDTH.
    int width = 0;
    // Longest text a value keeps; longer text is cut. 0 means no limit.
    int entryLength = 0;
    // Display name, used as the overview grid's column title.
    QString label;

    // Packet details of columns read from a file. A typeWord of 0 means "derive
    // it from kind and width" when writing.
    quint32 typeWord = 0;
    quint16 attributes = 0;
    QList<PacketProperty> properties;
    // XML form: the field type name and subtype as read (for example "r8",
    // "string", "bin.hex" with subtype "Text").
    QString xmlFieldType;
    QString xmlSubtype;

    bool operator==(const FieldDef &) const = default;

    static FieldDef text(const QString &name, int width, int entry, const QString &label = {})
    {
        FieldDef f;
        f.name = name;
        f.kind = FieldKind::Text;
        f.width = width;
        f.entryLength = entry;
        f.label = label;
        return f;
    }
    static FieldDef integer(const QString &name, const QString &label = {})
    {
        FieldDef f;
        f.name = name;
        f.kind = FieldKind::Integer;
        f.label = label;
        return f;
    }
    static FieldDef real(const QString &name, const QString &label = {})
    {
        FieldDef f;
        f.name = name;
        f.kind = FieldKind::Float;
        f.label = label;
        return f;
    }
};

// The content of one data packet: its columns, its table properties and the
// rows the table shows (after the change log, when reading).
struct PacketData
{
    QList<FieldDef> fields;
    QList<PacketProperty> tableProperties;
    QList<CompactRow> rows;
};
