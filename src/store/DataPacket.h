#pragma once

#include "FieldDef.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Review files are data packets of the table store: a binary packet, or the
// same content as XML. This reads and writes both forms.
//
// Reading treats the bytes as untrusted: every length and count is checked
// against what is left, and a packet that does not hold together is refused
// with a German message; the receiving PacketData is then left empty.
//
// Reading keeps what a packet declares (type words, attributes, properties,
// XML field types) in the FieldDefs, so writing a packet that was read keeps
// every type it had. Fields without a type word get one derived from their
// kind and width.
namespace DataPacket {

// A type word: bits 0-15 a size in bytes, bits 16-21 the logical type,
// Varying marks a type whose size is the width of its length prefix, Array
// a list of elements with a 32-bit count in front.
namespace TypeWord {
constexpr quint32 SizeMask = 0x0000FFFF;
constexpr quint32 Varying = 0x00400000;
constexpr quint32 Array = 0x00800000;
// Set on columns that have sub-columns (nested tables and other structures).
constexpr quint32 Structured = 0x01000000;

constexpr quint32 Int32 = 0x00010004;
constexpr quint32 Double = 0x00040008;
constexpr quint32 Text1 = 0x00490001; // ANSI text, 1-byte length
constexpr quint32 Text2 = 0x00490002; // ANSI text, 2-byte length
constexpr quint32 UInt16 = 0x00020002;
constexpr quint32 UInt16Array = 0x00820002;
constexpr quint32 UInt32Array = 0x00820004;
constexpr quint32 Blob = 0x004B0004;

constexpr int logicalType(quint32 word) { return int((word >> 16) & 0x3F); }
constexpr int size(quint32 word) { return int(word & SizeMask); }
} // namespace TypeWord

enum LogicalType {
    ltInteger = 1,
    ltUnsigned = 2,
    ltBoolean = 3,
    ltFloat = 4,
    ltBcd = 5,
    ltDate = 6,
    ltTime = 7,
    ltDateTime = 8,
    ltText = 9,
    ltWideText = 10,
    ltBytes = 11,
    ltNested = 14,
    ltSqlTimeStamp = 17,
};

constexpr quint32 kMagic = 0xBDE01996;
constexpr int kHeaderSize = 24;
constexpr int kHighestVersion = 3;

// Row status bits of a packet that records changes.
enum RowStatus : quint8 {
    rsOldVersion = 0x01,
    rsDeleted = 0x02,
    rsInserted = 0x04,
    rsChanged = 0x08,
    rsDetailChanged = 0x40,
};

// The binary form. Returns an empty array and a message when a value does not
// fit the type its column declares (text longer than its length prefix can
// hold, a number outside its integer type, a column type that cannot be
// written). With a limit (0: none), a packet whose form would take more bytes
// is refused as well.
QByteArray writeBinary(const PacketData &packet, QString *error = nullptr, qsizetype limit = 0);
// The XML form: plain ASCII, every character above 127 as a numeric character
// reference. Returns an empty array and a message for a column whose type has
// no XML form, for a value it cannot hold (a control character), and for a
// property that would clash with the names of the form.
QByteArray writeXml(const PacketData &packet, QString *error = nullptr, qsizetype limit = 0);
// The XML form when the extension is ".xml" in any letter case, the binary
// form otherwise; written through QSaveFile, so a failed write leaves the
// previous file as it was. The limit as for the writers.
bool saveToFile(
    const QString &path, const PacketData &packet, QString *error = nullptr, qsizetype limit = 0);
bool isXmlPath(const QString &path);

// Recognises the form by content. On failure `out` is left empty.
bool readBytes(QByteArrayView bytes, PacketData &out, QString *error = nullptr);
bool readBinary(QByteArrayView bytes, PacketData &out, QString *error = nullptr);
bool readXml(QByteArrayView bytes, PacketData &out, QString *error = nullptr);
// On failure `out` is left empty and the message names the file.
bool loadFromFile(const QString &path, PacketData &out, QString *error = nullptr);

// The type word the binary writer uses for the field: the one it was read
// with, or one derived from kind and width.
quint32 effectiveTypeWord(const FieldDef &field);
// The XML field type name ("string", "i4", "r8", "bin.hex", ...): as read, or
// derived from the type word. Empty when the type has no XML form.
QString xmlTypeName(const FieldDef &field);
// Kind of a binary column from its type word and SUBTYPE property.
FieldKind kindForTypeWord(quint32 word, const QList<PacketProperty> &properties);

// Property helpers.
const PacketProperty *findProperty(const QList<PacketProperty> &properties, QByteArrayView name);
// The integer value of a plain integer property; false when it is none.
bool propertyInteger(const PacketProperty &property, qint64 *value);
// The text of a text property, without the trailing NUL it is stored with.
QString propertyText(const PacketProperty &property);
PacketProperty integerProperty(const QByteArray &name, quint32 typeWord, qint64 value);
PacketProperty textProperty(const QByteArray &name, const QString &text);
PacketProperty arrayProperty(
    const QByteArray &name, quint32 typeWord, const QList<quint32> &values);
// The elements of an integer array property; false when it is none or does
// not hold together.
bool propertyArray(const PacketProperty &property, QList<quint32> *values);

} // namespace DataPacket
