#include "DataPacket.h"
#include "DataPacketInternal.h"
#include "DataPacketXmlInput.h"

#include <QDateTime>
#include <QHash>
#include <QIODevice>
#include <QSet>
#include <QStringList>
#include <QXmlStreamReader>

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

namespace DataPacket {

using namespace Internal;

namespace {

constexpr char kDeclaration[] = "<?xml version=\"1.0\" standalone=\"yes\"?>";

QString columnName(const QString &name) { return QStringLiteral("„%1“").arg(name); }

// The column attributes that the XML form writes as "true"-valued flags.
constexpr std::pair<quint16, const char *> kAttributeFlags[] = {
    { 2, "readonly" },
    { 4, "required" },
    { 1, "hidden" },
    { 8, "linkfield" },
};

// Names a FIELD element uses for itself; a property may not take them.
bool isFieldAttribute(QByteArrayView name)
{
    if (name == "attrname" || name == "fieldname" || name == "fieldtype")
        return true;
    for (const auto &flag : kAttributeFlags) {
        if (name == flag.second)
            return true;
    }
    return false;
}

// --- writing ------------------------------------------------------------------

// What an attribute value may hold literally; everything else is written as
// an entity or a numeric character reference, so the file is plain ASCII.
const std::array<bool, 128> &plainAscii()
{
    static const std::array<bool, 128> table = [] {
        std::array<bool, 128> t {};
        for (int c = 0x20; c < 0x7F; ++c)
            t[c] = true;
        for (char c : { '<', '>', '&', '\'', '"', '\\' })
            t[uchar(c)] = false;
        return t;
    }();
    return table;
}

void putNumber(ByteSink &sink, quint64 value)
{
    char buf[24];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    sink.put(buf, res.ptr - buf);
}

void putCharRef(ByteSink &sink, uint codePoint)
{
    // Three digits at least: "&#013;", as these files have always had it.
    char buf[16];
    buf[0] = '&';
    buf[1] = '#';
    char *p = buf + 2;
    if (codePoint < 100)
        *p++ = '0';
    if (codePoint < 10)
        *p++ = '0';
    p = std::to_chars(p, buf + sizeof buf, codePoint).ptr;
    *p++ = ';';
    sink.put(buf, p - buf);
}

// False when the text holds a character that XML 1.0 cannot carry at all,
// not even as a reference (most control characters, broken surrogates);
// `*bad` then names it. Such text is refused rather than written without it.
bool putEscaped(ByteSink &sink, QStringView text, char32_t *bad = nullptr)
{
    const std::array<bool, 128> &plain = plainAscii();
    const QChar *s = text.data();
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        // Copy the run of characters that need no escaping in one go.
        qsizetype j = i;
        while (j < n && s[j].unicode() < 128 && plain[s[j].unicode()])
            ++j;
        if (j > i) {
            sink.reserveMore(j - i);
            char *out = sink.cursor();
            for (qsizetype k = i; k < j; ++k)
                out[k - i] = char(s[k].unicode());
            sink.advance(j - i);
            i = j;
            if (i == n)
                break;
        }
        const char16_t c = s[i].unicode();
        switch (c) {
        case '<':
            sink.put("&lt;", 4);
            break;
        case '>':
            sink.put("&gt;", 4);
            break;
        case '&':
            sink.put("&amp;", 5);
            break;
        case '\'':
            sink.put("&apos;", 6);
            break;
        case '"':
            sink.put("&quot;", 6);
            break;
        case '\t':
        case '\n':
        case '\r':
        case '\\':
            putCharRef(sink, c);
            break;
        default:
            if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate()) {
                putCharRef(sink, QChar::surrogateToUcs4(c, s[i + 1].unicode()));
                ++i;
            } else if (c >= 0x80 && !QChar::isSurrogate(c) && c != 0xFFFE && c != 0xFFFF) {
                putCharRef(sink, c);
            } else if (c == 0x7F) {
                sink.put(char(c));
            } else {
                if (bad)
                    *bad = c;
                return false;
            }
            break;
        }
        ++i;
    }
    return true;
}

QString unwritable(char32_t c)
{
    return QStringLiteral("Das Zeichen %1 kann in einem XML-Datenpaket nicht gespeichert "
                          "werden.")
        .arg(codePointName(c));
}

bool putAttribute(ByteSink &sink, QByteArrayView name, QStringView value, char32_t *bad)
{
    sink.put(' ');
    sink.put(name);
    sink.put("=\"", 2);
    if (!putEscaped(sink, value, bad))
        return false;
    sink.put('"');
    return true;
}

void putAttributeAscii(ByteSink &sink, QByteArrayView name, QByteArrayView value)
{
    sink.put(' ');
    sink.put(name);
    sink.put("=\"", 2);
    sink.put(value);
    sink.put('"');
}

void putDigits(char *&p, int value, int width)
{
    for (int i = width - 1; i >= 0; --i) {
        p[i] = char('0' + value % 10);
        value /= 10;
    }
    p += width;
}

// "19950202", "10:00:00000", "19950202T01:05:03000" (years 1 to 9999); a
// date-time at midnight is written as its date alone.
QByteArray dateText(QDate d)
{
    char buf[8];
    char *p = buf;
    putDigits(p, d.year(), 4);
    putDigits(p, d.month(), 2);
    putDigits(p, d.day(), 2);
    return QByteArray(buf, 8);
}

QByteArray timeText(QTime t)
{
    char buf[11];
    char *p = buf;
    putDigits(p, t.hour(), 2);
    *p++ = ':';
    putDigits(p, t.minute(), 2);
    *p++ = ':';
    putDigits(p, t.second(), 2);
    putDigits(p, t.msec(), 3);
    return QByteArray(buf, 11);
}

// Shortest text that reads back as the same double, with "." as point;
// plain digits for the magnitudes prices and counts have ("33000000", not
// "3.3e+07"), exponent notation only far outside them.
// A 4-byte float column gets the shortest text of its single-precision
// value, which is what both forms hold ("12.7", not "12.6999998092651").
template<typename Real>
QByteArray realText(Real d)
{
    char buf[400];
    const double magnitude = std::fabs(double(d));
    const bool plain = magnitude == 0 || (magnitude >= 1e-5 && magnitude < 1e15);
    const auto res = plain ? std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed)
                           : std::to_chars(buf, buf + sizeof buf, d);
    return QByteArray(buf, res.ptr - buf);
}

QByteArray doubleText(double d) { return realText(d); }

// The text a property has as an attribute; false for properties without one.
bool propertyAttributeText(const PacketProperty &p, QString *text)
{
    qint64 number = 0;
    QList<quint32> values;
    if (propertyInteger(p, &number)) {
        *text = QString::number(number);
        return true;
    }
    if (propertyArray(p, &values)) {
        if (values.isEmpty())
            return false;
        QStringList parts;
        for (quint32 v : values)
            parts.append(QString::number(v));
        *text = parts.join(u' ');
        return true;
    }
    const int lt = TypeWord::logicalType(p.typeWord);
    if ((p.typeWord & TypeWord::Varying) && (lt == ltText || lt == ltWideText)) {
        *text = propertyText(p);
        return true;
    }
    return false;
}

bool isNameStart(char16_t c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool isNameChar(char16_t c) { return isNameStart(c) || (c >= '0' && c <= '9'); }

// Names beginning with "xml" belong to XML itself ("xmlns" declares a
// namespace), so none is used for a column or a property.
bool isReservedName(QStringView name)
{
    return name.startsWith(QLatin1String("xml"), Qt::CaseInsensitive);
}

bool isXmlName(QByteArrayView name)
{
    if (name.isEmpty() || !isNameStart(uchar(name[0]))
        || isReservedName(QString::fromLatin1(name.first(qMin<qsizetype>(3, name.size())))))
        return false;
    for (char c : name) {
        if (!isNameChar(uchar(c)) && c != '.' && c != '-')
            return false;
    }
    return true;
}

// Column names become attribute names; characters outside a safe set are
// replaced with "_" and the real name goes into `fieldname`.
// Names that clean up alike get numbers ("Gr__e", "Gr__e2"); each name
// continues where its numbering stopped, so many alike names cost linear time.
QList<QString> attributeNames(const QList<FieldDef> &fields)
{
    QList<QString> names;
    names.reserve(fields.size());
    QSet<QString> used;
    QHash<QString, int> nextNumber;
    used.insert(QStringLiteral("RowState"));
    for (const FieldDef &f : fields) {
        QString name = f.name;
        for (qsizetype i = 0; i < name.size(); ++i) {
            const char16_t c = name[i].unicode();
            if (i == 0 ? !isNameStart(c) : !isNameChar(c))
                name[i] = u'_';
        }
        if (name.isEmpty() || isReservedName(name))
            name.prepend(u'_');
        if (used.contains(name)) {
            const QString base = name;
            int &k = nextNumber[base];
            if (k < 2)
                k = 2;
            do
                name = base + QString::number(k++);
            while (used.contains(name));
        }
        used.insert(name);
        names.append(name);
    }
    return names;
}

bool putValue(ByteSink &sink, const FieldDef &f, const QVariant &v, qsizetype row, QString *error)
{
    switch (f.kind) {
    case FieldKind::Integer: {
        // Only what the column's integer type holds, so the file reads back.
        const quint32 word = effectiveTypeWord(f);
        const int bits = 8 * qBound(1, TypeWord::size(word), 8);
        const bool isUnsigned = TypeWord::logicalType(word) == ltUnsigned;
        bool ok = false;
        if (v.metaType().id() == QMetaType::ULongLong) {
            const quint64 x = v.toULongLong();
            if (bits < 64 && (isUnsigned ? x >> bits : x >> (bits - 1)))
                break;
            if (!isUnsigned && bits == 64 && x >> 63)
                break;
            putNumber(sink, x);
            return true;
        }
        const qint64 x = v.toLongLong(&ok);
        if (!ok)
            break;
        if (isUnsigned
                ? (x < 0 || (bits < 64 && quint64(x) >> bits))
                : (bits < 64 && (x < -(qint64(1) << (bits - 1)) || x >= (qint64(1) << (bits - 1)))))
            break;
        if (x < 0) {
            sink.put('-');
            putNumber(sink, quint64(0) - quint64(x));
        } else {
            putNumber(sink, quint64(x));
        }
        return true;
    }
    case FieldKind::Float: {
        bool ok = false;
        const double d = v.toDouble(&ok);
        if (!ok)
            break;
        if (TypeWord::size(effectiveTypeWord(f)) == 4)
            sink.put(realText(float(d)));
        else
            sink.put(doubleText(d));
        return true;
    }
    case FieldKind::Boolean:
        sink.putLiteral(v.toBool() ? "TRUE" : "FALSE");
        return true;
    case FieldKind::Date: {
        const QDate d = v.toDate();
        if (!d.isValid() || d.year() < 1 || d.year() > 9999)
            break;
        sink.put(dateText(d));
        return true;
    }
    case FieldKind::Time: {
        const QTime t = v.toTime();
        if (!t.isValid())
            break;
        sink.put(timeText(t));
        return true;
    }
    case FieldKind::DateTime: {
        const QDateTime dt = v.toDateTime();
        if (!dt.isValid() || dt.date().year() < 1 || dt.date().year() > 9999)
            break;
        sink.put(dateText(dt.date()));
        if (dt.time().msecsSinceStartOfDay() != 0) {
            sink.put('T');
            sink.put(timeText(dt.time()));
        }
        return true;
    }
    case FieldKind::Bytes:
        sink.put(v.toByteArray().toBase64());
        return true;
    case FieldKind::Text:
    case FieldKind::WideText:
    case FieldKind::Memo:
    case FieldKind::Bcd:
    case FieldKind::Other: {
        char32_t bad = 0;
        const bool written = v.metaType().id() == QMetaType::QString
            ? putEscaped(sink, *static_cast<const QString *>(v.constData()), &bad)
            : putEscaped(sink, v.toString(), &bad);
        if (written)
            return true;
        return fail(error,
            QStringLiteral("Zeile %1, Spalte %2: %3")
                .arg(row + 1)
                .arg(columnName(f.name), unwritable(bad)));
    }
    }
    return fail(error,
        QStringLiteral("Zeile %1, Spalte %2: Der Wert „%3“ passt nicht in diese Spalte.")
            .arg(row + 1)
            .arg(columnName(f.name), v.toString()));
}

// --- reading ------------------------------------------------------------------

// A number in the plain form the XML form writes (an optional "+", no
// blanks inside, ASCII digits), read without locale or allocation.
template<typename T>
std::optional<T> parseNumber(QStringView s)
{
    s = s.trimmed();
    if (s.startsWith(u'+'))
        s = s.mid(1);
    char buf[64];
    if (s.isEmpty() || s.size() >= qsizetype(sizeof buf))
        return std::nullopt;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i].unicode() >= 128)
            return std::nullopt;
        buf[i] = char(s[i].unicode());
    }
    T v = 0;
    const auto res = std::from_chars(buf, buf + s.size(), v);
    if (res.ec != std::errc() || res.ptr != buf + s.size())
        return std::nullopt;
    return v;
}

std::optional<qint64> parseInt(QStringView s) { return parseNumber<qint64>(s); }

std::optional<quint64> parseUInt(QStringView s) { return parseNumber<quint64>(s); }

std::optional<double> parseDouble(QStringView s) { return parseNumber<double>(s); }

int digitsAt(QStringView s, qsizetype at, int count)
{
    if (at + count > s.size())
        return -1;
    int v = 0;
    for (int i = 0; i < count; ++i) {
        const char16_t c = s[at + i].unicode();
        if (c < '0' || c > '9')
            return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// "19881228", also "1988-12-28".
QDate parseDate(QStringView s, qsizetype *used)
{
    if (digitsAt(s, 4, 1) < 0 && s.size() >= 10 && s[4] == u'-' && s[7] == u'-') {
        *used = 10;
        return QDate(digitsAt(s, 0, 4), digitsAt(s, 5, 2), digitsAt(s, 8, 2));
    }
    *used = 8;
    return QDate(digitsAt(s, 0, 4), digitsAt(s, 4, 2), digitsAt(s, 6, 2));
}

// "10:00:00000" (milliseconds right after the seconds), also "10:00:00" and
// "10:00:00.000".
QTime parseTime(QStringView s)
{
    if (s.size() < 8 || s[2] != u':' || s[5] != u':')
        return {};
    int ms = 0;
    QStringView rest = s.mid(8);
    if (rest.startsWith(u'.') || rest.startsWith(u','))
        rest = rest.mid(1);
    if (!rest.isEmpty()) {
        if (rest.size() > 3)
            rest = rest.first(3);
        ms = digitsAt(rest, 0, int(rest.size()));
        for (qsizetype k = rest.size(); k < 3; ++k)
            ms *= 10;
    }
    const int h = digitsAt(s, 0, 2), m = digitsAt(s, 3, 2), sec = digitsAt(s, 6, 2);
    if (h < 0 || m < 0 || sec < 0 || ms < 0)
        return {};
    return QTime(h, m, sec, ms);
}

struct XmlType
{
    const char *name;
    quint32 word;
};

constexpr XmlType kXmlTypes[] = {
    { "i1", 0x00010001 },
    { "i2", 0x00010002 },
    { "i4", 0x00010004 },
    { "i8", 0x00010008 },
    { "ui1", 0x00020001 },
    { "ui2", 0x00020002 },
    { "ui4", 0x00020004 },
    { "ui8", 0x00020008 },
    { "boolean", 0x00030002 },
    { "r8", 0x00040008 },
    { "r4", 0x00040004 },
    { "fixed", 0x00050022 },
    { "fixedFMT", 0x00050022 },
    { "date", 0x00060004 },
    { "time", 0x00070004 },
    { "dateTime", 0x00080008 },
    { "SQLdateTime", 0x00110010 },
    { "bin.hex", TypeWord::Blob },
};

quint32 typeWordForXml(const QString &type, int widthBytes)
{
    if (type == QLatin1String("string"))
        return widthBytes > 0 && widthBytes <= 255 ? TypeWord::Text1 : TypeWord::Text2;
    if (type == QLatin1String("string.uni"))
        return widthBytes > 0 && widthBytes <= 255 ? 0x004A0001 : 0x004A0002;
    for (const XmlType &t : kXmlTypes) {
        if (type == QLatin1String(t.name))
            return t.word;
    }
    // Date-time variants with a format suffix ("dateTime:...").
    if (type.startsWith(QLatin1String("SQLdateTime")))
        return 0x00110010;
    if (type.startsWith(QLatin1String("dateTime")))
        return 0x00080008;
    return 0;
}

// A property from an attribute. Numbers and number lists become integer
// properties only in the form the writer gives them ("5", "1 2"), so that any
// other text ("+5", "007") is kept as it stands.
PacketProperty paramProperty(const QByteArray &key, QStringView value)
{
    const QList<QStringView> parts = value.split(u' ');
    const bool isKeyList = key == "DEFAULT_ORDER" || key == "PRIMARY_KEY" || key == "UNIQUE_KEY";
    const bool isLog = key == "CHANGE_LOG";
    if (isKeyList || isLog) {
        QList<quint32> values;
        bool ok = true;
        for (QStringView part : parts) {
            const auto v = parseUInt(part);
            ok = ok && v && *v <= (isLog ? 0xFFFFFFFFu : 0xFFFFu);
            if (ok)
                values.append(quint32(*v));
        }
        if (ok && !value.isEmpty()) {
            PacketProperty p
                = arrayProperty(key, isLog ? TypeWord::UInt32Array : TypeWord::UInt16Array, values);
            QString text;
            if (propertyAttributeText(p, &text) && text == value)
                return p;
        }
    }
    const auto number = parseInt(value);
    if (number && *number >= std::numeric_limits<qint32>::min()
        && *number <= std::numeric_limits<qint32>::max() && QString::number(*number) == value)
        return integerProperty(key, TypeWord::Int32, *number);
    return textProperty(key, value.toString());
}

// The name of a property as the binary form keeps it; false for a name the
// XML form could not write again.
bool propertyName(QStringView name, QByteArray *key)
{
    for (QChar c : name) {
        if (c.unicode() >= 128)
            return false;
    }
    *key = name.toLatin1();
    return isXmlName(*key);
}

class XmlReader
{
public:
    bool read(QByteArrayView bytes, PacketData &out);
    bool read(QIODevice *device, PacketData &out);
    const QString &error() const { return m_error; }
    bool inputFailed() const { return m_inputFailed; }

private:
    bool failWith(const QString &message)
    {
        if (m_error.isEmpty())
            m_error = message;
        return false;
    }
    QString xmlError() const
    {
        QString why = m_xml.errorString();
        if (!why.endsWith(u'.'))
            why += u'.';
        return QStringLiteral("Das XML ist fehlerhaft (Zeile %1, Spalte %2): %3")
            .arg(m_xml.lineNumber())
            .arg(m_xml.columnNumber())
            .arg(why);
    }
    bool readMetadata();
    bool readField();
    bool readParams();
    bool readRows();
    bool convert(int column, QStringView text, QVariant &value, qsizetype row);
    bool spend(qint64 bytes)
    {
        if (m_budget.charge(bytes))
            return true;
        m_overBudget = true;
        return failWith(MemoryBudget::refusal());
    }
    bool badPropertyName(QStringView name)
    {
        return failWith(QStringLiteral("Die Angabe „%1“ hat einen Namen, der in einem "
                                       "Datenpaket nicht vorkommen kann.")
                            .arg(name.left(40).toString()));
    }

    bool parse(PacketData &out);

    QXmlStreamReader m_xml;
    QList<FieldDef> m_fields;
    QList<QString> m_attrNames;
    QList<quint32> m_words;
    QList<PacketProperty> m_tableProps;
    QList<Record> m_rows;
    QList<quint8> m_status;
    // Column by attribute name, for attributes that are not in column order.
    QHash<QString, int> m_columnByName;
    std::unique_ptr<ShortTextCache<char16_t>> m_cache;
    MemoryBudget m_budget { 0 };
    bool m_overBudget = false;
    bool m_haveMetadata = false;
    bool m_changes = false;
    bool m_inputFailed = false;
    QString m_error;
};

bool XmlReader::readField()
{
    const QXmlStreamAttributes attrs = m_xml.attributes();
    FieldDef f;
    QString attrName, fieldName, type;
    int widthBytes = 0;
    for (const QXmlStreamAttribute &a : attrs) {
        const QStringView name = a.name();
        const QStringView value = a.value();
        const bool yes = value.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        if (name == QLatin1String("attrname")) {
            attrName = value.toString();
        } else if (name == QLatin1String("fieldname")) {
            fieldName = value.toString();
        } else if (name == QLatin1String("fieldtype")) {
            type = value.toString();
        } else if (name == QLatin1String("hidden")) {
            f.attributes |= yes ? 1 : 0;
        } else if (name == QLatin1String("readonly")) {
            f.attributes |= yes ? 2 : 0;
        } else if (name == QLatin1String("required")) {
            f.attributes |= yes ? 4 : 0;
        } else if (name == QLatin1String("linkfield")) {
            f.attributes |= yes ? 8 : 0;
        } else if (name == QLatin1String("SUBTYPE")) {
            f.xmlSubtype = value.toString();
            f.properties.append(textProperty("SUBTYPE", f.xmlSubtype));
        } else if (name == QLatin1String("WIDTH") || name == QLatin1String("DECIMALS")) {
            const auto v = parseInt(value);
            if (!v || *v < 0 || *v > 0xFFFF) {
                return failWith(QStringLiteral("Die Angabe %1=\"%2\" einer Spalte ist ungültig.")
                                    .arg(name.toString(), value.toString()));
            }
            if (name == QLatin1String("WIDTH"))
                widthBytes = int(*v);
            f.properties.append(integerProperty(name.toLatin1(), TypeWord::UInt16, *v));
        } else {
            QByteArray key;
            if (!propertyName(name, &key))
                return badPropertyName(name);
            f.properties.append(paramProperty(key, value));
        }
    }
    if (attrName.isEmpty())
        return failWith(QStringLiteral("Eine Spalte hat keinen Namen (attrname fehlt)."));
    if (type.isEmpty()) {
        return failWith(QStringLiteral("Die Spalte %1 hat keinen Typ (fieldtype fehlt).")
                            .arg(columnName(attrName)));
    }
    f.name = fieldName.isEmpty() ? attrName : fieldName;
    f.xmlFieldType = type;
    f.typeWord = typeWordForXml(type, widthBytes);
    f.kind = f.typeWord ? kindForTypeWord(f.typeWord, f.properties) : FieldKind::Other;
    if (f.kind == FieldKind::Text || f.kind == FieldKind::WideText) {
        f.width = f.kind == FieldKind::WideText ? widthBytes / 2 : widthBytes;
        f.entryLength = f.width;
    } else {
        f.width = widthBytes;
    }

    // A nested table declares its own columns inside its FIELD; its values
    // are not taken over.
    bool nested = false;
    while (m_xml.readNextStartElement()) {
        nested = true;
        m_xml.skipCurrentElement();
    }
    if (nested || type == QLatin1String("nested")) {
        f.kind = FieldKind::Other;
        f.typeWord = 0;
    }
    if (!spend(3 * qint64(sizeof(FieldDef)) + MemoryBudget::textCost(f.name.size() + type.size())
            + MemoryBudget::textCost(attrName.size()) + 64 * f.properties.size()))
        return false;
    m_columnByName.insert(attrName, int(m_fields.size()));
    m_fields.append(f);
    m_attrNames.append(attrName);
    m_words.append(f.typeWord);
    return true;
}

bool XmlReader::readParams()
{
    for (const QXmlStreamAttribute &a : m_xml.attributes()) {
        QByteArray key;
        if (!propertyName(a.name(), &key))
            return badPropertyName(a.name());
        m_tableProps.append(paramProperty(key, a.value()));
    }
    m_xml.skipCurrentElement();
    return true;
}

bool XmlReader::readMetadata()
{
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == QLatin1String("FIELDS")) {
            while (m_xml.readNextStartElement()) {
                if (m_xml.name() == QLatin1String("FIELD")) {
                    if (!readField())
                        return false;
                } else {
                    m_xml.skipCurrentElement();
                }
            }
        } else if (m_xml.name() == QLatin1String("PARAMS")) {
            if (!readParams())
                return false;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    return !m_xml.hasError();
}

bool XmlReader::convert(int column, QStringView text, QVariant &value, qsizetype row)
{
    const FieldDef &f = m_fields[column];
    auto bad = [&] {
        return failWith(QStringLiteral("Der Wert „%1“ in Zeile %2, Spalte %3 passt nicht zum "
                                       "Typ %4.")
                            .arg(text.left(40).toString())
                            .arg(row + 1)
                            .arg(columnName(f.name), f.xmlFieldType));
    };
    switch (f.kind) {
    case FieldKind::Text:
    case FieldKind::WideText:
        value = m_cache->lookup(text.utf16(), text.size(), [&] {
            spend(MemoryBudget::textCost(text.size()));
            return text.toString();
        });
        return !m_overBudget;
    case FieldKind::Memo:
        if (!spend(MemoryBudget::textCost(text.size())))
            return false;
        value = text.toString();
        return true;
    case FieldKind::Integer: {
        const quint32 word = m_words[column];
        const int size = TypeWord::size(word);
        if (TypeWord::logicalType(word) == ltUnsigned) {
            const auto v = parseUInt(text);
            if (!v || (size < 8 && *v >> (8 * size)))
                return bad();
            if (size <= 2)
                value = int(*v);
            else if (size == 4)
                value = qint64(*v);
            else
                value = *v;
        } else {
            const auto v = parseInt(text);
            if (!v)
                return bad();
            if (size < 8) {
                const qint64 lo = -(qint64(1) << (8 * size - 1));
                const qint64 hi = (qint64(1) << (8 * size - 1)) - 1;
                if (*v < lo || *v > hi)
                    return bad();
            }
            if (size <= 4)
                value = int(*v);
            else
                value = *v;
        }
        return true;
    }
    case FieldKind::Float: {
        const auto v = parseDouble(text);
        if (!v)
            return bad();
        // A 4-byte float column holds single precision, as in the binary form.
        if (TypeWord::size(m_words[column]) == 4) {
            const float single = float(*v);
            if (std::isfinite(*v) && !std::isfinite(single))
                return bad();
            value = double(single);
        } else {
            value = *v;
        }
        return true;
    }
    case FieldKind::Bcd: {
        const QStringView t = text.trimmed();
        if (!spend(MemoryBudget::textCost(t.size())))
            return false;
        for (QChar c : t) {
            if (!(c.isDigit() || c == u'.' || c == u'-' || c == u'+'))
                return bad();
        }
        value = t.toString();
        return true;
    }
    case FieldKind::Boolean: {
        const QStringView t = text.trimmed();
        if (t.compare(QLatin1String("TRUE"), Qt::CaseInsensitive) == 0 || t == u"1")
            value = true;
        else if (t.compare(QLatin1String("FALSE"), Qt::CaseInsensitive) == 0 || t == u"0")
            value = false;
        else
            return bad();
        return true;
    }
    case FieldKind::Date: {
        qsizetype used = 0;
        const QDate d = parseDate(text, &used);
        if (!d.isValid())
            return bad();
        value = d;
        return true;
    }
    case FieldKind::Time: {
        const QTime t = parseTime(text);
        if (!t.isValid())
            return bad();
        value = t;
        return true;
    }
    case FieldKind::DateTime: {
        qsizetype used = 0;
        const QDate d = parseDate(text, &used);
        if (!d.isValid())
            return bad();
        QTime t(0, 0);
        if (text.size() > used) {
            if (text[used] != u'T' && text[used] != u' ')
                return bad();
            t = parseTime(text.mid(used + 1));
            if (!t.isValid())
                return bad();
        }
        value = QDateTime(d, t, Qt::UTC);
        return true;
    }
    case FieldKind::Bytes: {
        if (!spend(MemoryBudget::bytesCost(text.size())))
            return false;
        const QByteArray latin = text.toLatin1();
        auto decoded
            = QByteArray::fromBase64Encoding(latin, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return bad();
        value = *decoded;
        return true;
    }
    case FieldKind::Other:
        if (!spend(MemoryBudget::bytesCost(3 * text.size())))
            return false;
        value = text.toUtf8();
        return true;
    }
    return bad();
}

bool XmlReader::readRows()
{
    const int n = int(m_fields.size());
    if (!m_haveMetadata) {
        return failWith(QStringLiteral("Die Zeilen (ROWDATA) stehen vor den "
                                       "Spaltenbeschreibungen (METADATA)."));
    }
    if (!m_cache) {
        if (!spend(sizeof(ShortTextCache<char16_t>)))
            return false;
        m_cache = std::make_unique<ShortTextCache<char16_t>>();
    }
    int last = -1;
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() != QLatin1String("ROW")) {
            m_xml.skipCurrentElement();
            continue;
        }
        const qsizetype row = m_rows.size();
        if (!spend(MemoryBudget::rowCost(n) + (m_changes ? 64 : 0)))
            return false;
        Record rec(n);
        quint8 status = 0;
        const QXmlStreamAttributes attrs = m_xml.attributes();
        for (const QXmlStreamAttribute &a : attrs) {
            const QStringView name = a.name();
            // Attributes come in column order: try the next column first,
            // then look the name up.
            int column = -1;
            if (n > 0 && m_attrNames[(last + 1) % n] == name)
                column = (last + 1) % n;
            else
                column = m_columnByName.value(name.toString(), -1);
            if (column < 0) {
                if (name == QLatin1String("RowState")) {
                    const auto v = parseUInt(a.value());
                    if (!v || *v > 0xFF) {
                        return failWith(
                            QStringLiteral("Ungültiger Zeilenstatus in Zeile %1.").arg(row + 1));
                    }
                    status = quint8(*v);
                }
                continue;
            }
            last = column;
            if (!convert(column, a.value(), rec[column], row))
                return false;
        }
        if (status && !m_changes) {
            // The status and applying the log cost about this much per row.
            if (!spend(64 * qint64(m_rows.size() + 1)))
                return false;
            m_changes = true;
            m_status.resize(m_rows.size());
        }
        if (m_changes)
            m_status.append(status);
        m_rows.append(std::move(rec));
        // Nested rows of nested tables are not taken over.
        m_xml.skipCurrentElement();
    }
    return !m_xml.hasError();
}

bool XmlReader::read(QByteArrayView bytes, PacketData &out)
{
    m_budget = MemoryBudget(bytes.size());
    QByteArray input;
    QString refusal;
    if (!prepareXmlInput(bytes, &input, &refusal))
        return failWith(refusal);
    // The converted copy, and what the XML reader keeps of it (charged for a
    // file read in chunks too, so both ways refuse alike).
    if (!spend(3 * bytes.size()))
        return false;
    m_xml.addData(input);
    return parse(out);
}

bool XmlReader::read(QIODevice *device, PacketData &out)
{
    const qint64 size = device->size() - device->pos();
    m_budget = MemoryBudget(size);
    if (!spend(3 * size))
        return false;
    XmlInputDevice input(device, size);
    m_xml.setDevice(&input);
    const bool ok = parse(out);
    m_xml.setDevice(nullptr);
    m_inputFailed = input.sourceFailed();
    if (!ok && !input.refusal().isEmpty())
        m_error = input.refusal();
    return ok;
}

bool XmlReader::parse(PacketData &out)
{
    if (!m_xml.readNextStartElement() || m_xml.name() != QLatin1String("DATAPACKET")) {
        if (m_xml.hasError())
            return failWith(xmlError());
        return failWith(QStringLiteral("Das XML-Dokument ist kein Datenpaket "
                                       "(das Element DATAPACKET fehlt)."));
    }
    while (m_xml.readNextStartElement()) {
        if (m_xml.name() == QLatin1String("METADATA")) {
            if (m_haveMetadata) {
                failWith(QStringLiteral("Das Datenpaket beschreibt seine Spalten zweimal "
                                        "(METADATA)."));
                break;
            }
            m_haveMetadata = true;
            if (!readMetadata())
                break;
        } else if (m_xml.name() == QLatin1String("ROWDATA")) {
            if (!readRows())
                break;
        } else {
            m_xml.skipCurrentElement();
        }
    }
    if (!m_error.isEmpty())
        return false;
    // Anything after the root element must still be well-formed.
    while (!m_xml.atEnd() && !m_xml.hasError())
        m_xml.readNext();
    if (m_xml.hasError() && m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError) {
        return failWith(xmlError());
    }
    if (m_xml.hasError()) {
        return failWith(
            QStringLiteral("Das XML endet vorzeitig (Zeile %1).").arg(m_xml.lineNumber()));
    }
    if (!m_haveMetadata)
        return failWith(
            QStringLiteral("Dem Datenpaket fehlen die Spaltenbeschreibungen (METADATA)."));

    QList<quint32> changeLog;
    for (qsizetype i = 0; i < m_tableProps.size(); ++i) {
        if (m_tableProps[i].name == "CHANGE_LOG") {
            if (!propertyArray(m_tableProps[i], &changeLog))
                return failWith(QStringLiteral("Das Änderungsprotokoll ist ungültig."));
            m_tableProps.removeAt(i);
            break;
        }
    }
    if (m_changes && !applyChangeLog(m_rows, m_status, {}, changeLog, &m_error))
        return false;

    out.fields = std::move(m_fields);
    out.tableProperties = std::move(m_tableProps);
    out.rows.reserve(m_rows.size());
    for (const Record &row : std::as_const(m_rows))
        out.rows.append(CompactRow(row));
    m_rows.clear();
    return true;
}

} // namespace

bool readXml(QByteArrayView bytes, PacketData &out, QString *error)
{
    out = PacketData();
    XmlReader reader;
    PacketData packet;
    if (!reader.read(bytes, packet))
        return fail(error, reader.error());
    out = std::move(packet);
    return true;
}

namespace Internal {

bool readXmlDevice(QIODevice *device, PacketData &out, QString *error, bool *deviceFailed)
{
    out = PacketData();
    XmlReader reader;
    PacketData packet;
    if (!reader.read(device, packet)) {
        *deviceFailed = reader.inputFailed();
        return fail(error, reader.error());
    }
    out = std::move(packet);
    return true;
}

} // namespace Internal

namespace {

// The XML form; with a drain, handed on in pieces of about chunk bytes and
// only the last piece returned (*drainFailed set when the drain refused
// one). Empty, with a message, for a packet that cannot be written.
QByteArray writeXmlPieces(const PacketData &packet, QString *error, qsizetype limit,
    const std::function<bool(const char *, qsizetype)> &drain, qsizetype chunk, bool *drainFailed)
{
    const QList<FieldDef> &fields = packet.fields;
    auto refuseColumn = [&](const FieldDef &f, const QString &why) {
        fail(error,
            QStringLiteral("Die Spalte %1 kann im XML-Datenpaket nicht geschrieben werden: %2")
                .arg(columnName(f.name), why));
        return QByteArray();
    };
    QList<QString> types;
    types.reserve(fields.size());
    for (const FieldDef &f : fields) {
        const QString type = xmlTypeName(f);
        const bool rawBinary = f.kind == FieldKind::Other && f.xmlFieldType.isEmpty();
        if (type.isEmpty() || type == QLatin1String("nested") || rawBinary) {
            fail(error,
                QStringLiteral("Die Spalte %1 hat einen Typ, der im XML-Datenpaket nicht "
                               "geschrieben werden kann.")
                    .arg(columnName(f.name)));
            return {};
        }
        if (f.name.isEmpty())
            return refuseColumn(f, QStringLiteral("Sie hat keinen Namen."));
        types.append(type);
    }
    const QList<QString> attrNames = attributeNames(fields);
    QList<QByteArray> attrNameBytes;
    attrNameBytes.reserve(attrNames.size());
    for (const QString &a : attrNames)
        attrNameBytes.append(a.toLatin1());

    qsizetype expected = 256 + fields.size() * 64;
    for (const CompactRow &r : packet.rows) {
        for (qsizetype c = 0; c < r.size(); ++c)
            expected += 8 + qMax<qsizetype>(r.textLength(c), 0) * 11 / 10;
        expected += fields.size() * 16;
    }
    ByteSink sink(drain ? qMin(expected, chunk + chunk / 4) : expected, limit);
    if (drain)
        sink.setDrain(drain);
    // What the reader's guard counts: the attributes of each element squared.
    qint64 attributeWork = 1;
    char32_t bad = 0;
    sink.putLiteral(kDeclaration);
    sink.putLiteral("  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>");
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const FieldDef &f = fields[i];
        qint64 count = 2;
        sink.putLiteral("<FIELD");
        putAttribute(sink, "attrname", attrNames[i], &bad);
        if (attrNames[i] != f.name) {
            ++count;
            if (!putAttribute(sink, "fieldname", f.name, &bad))
                return refuseColumn(f, unwritable(bad));
        }
        if (!putAttribute(sink, "fieldtype", types[i], &bad))
            return refuseColumn(f, unwritable(bad));
        for (const auto &[bit, name] : kAttributeFlags) {
            if (f.attributes & bit) {
                ++count;
                putAttributeAscii(sink, name, "true");
            }
        }
        QSet<QByteArray> seen;
        for (const PacketProperty &p : writtenProperties(f)) {
            QString text;
            if (!isXmlName(p.name) || !propertyAttributeText(p, &text))
                continue;
            qint64 number = -1;
            if (isFieldAttribute(p.name) || seen.contains(p.name)) {
                return refuseColumn(f,
                    QStringLiteral("Ihre Eigenschaft %1 kommt doppelt vor oder trägt den Namen "
                                   "einer Angabe der Spaltenbeschreibung.")
                        .arg(QString::fromLatin1(p.name)));
            }
            if ((p.name == "WIDTH" || p.name == "DECIMALS")
                && (!propertyInteger(p, &number) || number < 0 || number > 0xFFFF)) {
                return refuseColumn(f,
                    QStringLiteral("Ihre Eigenschaft %1 ist keine Zahl von 0 bis 65535.")
                        .arg(QString::fromLatin1(p.name)));
            }
            seen.insert(p.name);
            ++count;
            if (!putAttribute(sink, p.name, text, &bad))
                return refuseColumn(f, unwritable(bad));
        }
        if (count > kSpareAttributes)
            return refuseColumn(f, QStringLiteral("Sie hat zu viele Eigenschaften."));
        attributeWork += count * count;
        sink.putLiteral("/>");
    }
    sink.putLiteral("</FIELDS><PARAMS");
    QSet<QByteArray> seen;
    qint64 count = 0;
    for (const PacketProperty &p : packet.tableProperties) {
        QString text;
        if (p.name == "CHANGE_LOG" || !isXmlName(p.name) || !propertyAttributeText(p, &text))
            continue;
        if (seen.contains(p.name) || !putAttribute(sink, p.name, text, &bad)) {
            fail(error,
                QStringLiteral("Die Eigenschaft %1 der Tabelle kann im XML-Datenpaket nicht "
                               "geschrieben werden: %2")
                    .arg(QString::fromLatin1(p.name),
                        seen.contains(p.name) ? QStringLiteral("Sie kommt doppelt vor.")
                                              : unwritable(bad)));
            return {};
        }
        seen.insert(p.name);
        ++count;
    }
    if (count > fields.size() + kSpareAttributes) {
        fail(error,
            QStringLiteral("Die Tabelle hat zu viele Eigenschaften für ein XML-Datenpaket."));
        return {};
    }
    attributeWork += count * count;
    sink.putLiteral("/></METADATA><ROWDATA>");
    for (qsizetype r = 0; r < packet.rows.size(); ++r) {
        const CompactRow &rec = packet.rows[r];
        sink.put("<ROW", 4);
        const qsizetype n = qMin(rec.size(), fields.size());
        count = 0;
        for (qsizetype c = 0; c < n; ++c) {
            if (rec.isNull(c))
                continue;
            const QVariant value = rec[c];
            if (isNullValue(value))
                continue;
            ++count;
            sink.put(' ');
            sink.put(attrNameBytes[c]);
            sink.put("=\"", 2);
            if (!putValue(sink, fields[c], value, r, error))
                return {};
            sink.put('"');
        }
        attributeWork += count * count;
        sink.put("/>", 2);
        if (sink.overLimit()) {
            fail(error, outputTooLarge(limit));
            return {};
        }
        if (!sink.drainFull(chunk)) {
            *drainFailed = true;
            return {};
        }
    }
    sink.putLiteral("</ROWDATA></DATAPACKET>");
    if (attributeWork > attributeWorkAllowed(sink.size())) {
        fail(error,
            QStringLiteral("Das XML-Datenpaket hätte so viele Werte in einer Zeile, dass es sich "
                           "nicht in angemessener Zeit wieder lesen ließe."));
        return {};
    }
    return sink.take();
}

} // namespace

QByteArray writeXml(const PacketData &packet, QString *error, qsizetype limit)
{
    return writeXmlPieces(packet, error, limit, {}, 0, nullptr);
}

namespace Internal {

bool writeXmlDrained(const PacketData &packet, qsizetype chunk,
    const std::function<bool(const char *, qsizetype)> &drain, QString *error, bool *drainFailed,
    qsizetype limit)
{
    *drainFailed = false;
    const QByteArray rest
        = writeXmlPieces(packet, error, limit, drain, qMax<qsizetype>(chunk, 4096), drainFailed);
    if (rest.isEmpty())
        return false;
    if (!drain(rest.constData(), rest.size())) {
        *drainFailed = true;
        return false;
    }
    return true;
}

} // namespace Internal

} // namespace DataPacket
