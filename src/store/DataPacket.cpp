#include "DataPacket.h"
#include "DataPacketInternal.h"

#include "util/Codec1252.h"
#include "util/FileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <array>

namespace DataPacket {

using namespace Internal;

namespace {

// 128 KB once, so that encoding text does not search a table per character.
const std::array<qint16, 65536> &ansiTable()
{
    static const std::array<qint16, 65536> table = [] {
        std::array<qint16, 65536> t;
        t.fill(-1);
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString text = Codec1252::decode(all);
        for (int b = 0; b < 256; ++b)
            t[text.at(b).unicode()] = qint16(b);
        return t;
    }();
    return table;
}

QString quoted(const QString &path) { return QStringLiteral("„%1“").arg(path); }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

enum class Form { Binary, Xml, Empty, Unknown };

// The form of a packet from its first bytes; `more` tells that the input goes
// on beyond them.
Form formOf(QByteArrayView head, bool more)
{
    if (head.size() >= 4 && qFromLittleEndian<quint32>(head.data()) == kMagic)
        return Form::Binary;
    if (head.size() >= 2
        && ((uchar(head[0]) == 0xFF && uchar(head[1]) == 0xFE)
            || (uchar(head[0]) == 0xFE && uchar(head[1]) == 0xFF)))
        return Form::Xml;
    qsizetype i = 0;
    if (head.size() >= 3 && uchar(head[0]) == 0xEF && uchar(head[1]) == 0xBB
        && uchar(head[2]) == 0xBF)
        i = 3;
    while (i < head.size() && isBlank(head[i]))
        ++i;
    if (i < head.size())
        return head[i] == '<' ? Form::Xml : Form::Unknown;
    if (head.isEmpty() && !more)
        return Form::Empty;
    // Nothing but blanks so far: only XML may start like that.
    return more ? Form::Xml : Form::Unknown;
}

QString unknownForm()
{
    return QStringLiteral("Der Inhalt ist weder ein binäres Datenpaket noch ein XML-Datenpaket.");
}

} // namespace

namespace Internal {

QString decodeAnsi(const char *data, qsizetype size)
{
    // Bytes 0x80..0x9F are the only ones where Windows-1252 and Latin-1
    // differ: convert as Latin-1 (vectorised in Qt) and mend those few.
    static const std::array<char16_t, 32> c1 = [] {
        std::array<char16_t, 32> t {};
        QByteArray high(32, Qt::Uninitialized);
        for (int b = 0; b < 32; ++b)
            high[b] = char(0x80 + b);
        const QString text = Codec1252::decode(high);
        for (int b = 0; b < 32; ++b)
            t[b] = text.at(b).unicode();
        return t;
    }();
    unsigned special = 0;
    const auto *bytes = reinterpret_cast<const uchar *>(data);
    for (qsizetype i = 0; i < size; ++i)
        special |= unsigned(bytes[i] - 0x80u < 0x20u);
    QString text = QString::fromLatin1(data, size);
    if (special) {
        QChar *out = text.data();
        for (qsizetype i = 0; i < size; ++i) {
            const unsigned k = bytes[i] - 0x80u;
            if (k < 0x20u)
                out[i] = QChar(c1[k]);
        }
    }
    return text;
}

int ansiByte(char16_t c)
{
    if (c < 0x80)
        return c;
    return ansiTable()[c];
}

QList<PacketProperty> writtenProperties(const FieldDef &field)
{
    if (field.typeWord || !field.properties.isEmpty())
        return field.properties;
    QList<PacketProperty> props;
    if ((field.kind == FieldKind::Text || field.kind == FieldKind::WideText) && field.width > 0) {
        const int width = field.kind == FieldKind::WideText ? field.width * 2 : field.width;
        props.append(integerProperty("WIDTH", TypeWord::UInt16, qMin(width, 0xFFFF)));
    } else if (field.kind == FieldKind::Memo) {
        props.append(textProperty("SUBTYPE", QStringLiteral("Text")));
    }
    return props;
}

bool applyChangeLog(QList<Record> &rows, const QList<quint8> &status,
    const QList<QList<int>> &unchanged, const QList<quint32> &changeLog, QString *error)
{
    const qsizetype n = rows.size();
    if (changeLog.size() % 3 != 0)
        return fail(error, QStringLiteral("Das Änderungsprotokoll ist unvollständig."));
    QList<qsizetype> previous(n, -1);
    for (qsizetype i = 0; i < changeLog.size(); i += 3) {
        const quint32 row = changeLog[i];
        const quint32 prev = changeLog[i + 1];
        if (row < 1 || row > quint64(n) || prev > quint64(n)) {
            return fail(error,
                QStringLiteral("Das Änderungsprotokoll verweist auf die Zeile %1, "
                               "die es im Datenpaket nicht gibt.")
                    .arg(row < 1 || row > quint64(n) ? row : prev));
        }
        if (prev >= 1 && prev != row)
            previous[row - 1] = qsizetype(prev) - 1;
    }

    // A changed version takes what it did not change from the version it
    // replaced, which may itself be a changed version: resolve each chain
    // from its oldest unresolved member forward. Cycles cannot come from a
    // well-formed packet; they end the chain with nulls.
    enum : quint8 { Done, Pending, InChain };
    QList<quint8> state(n, Done);
    for (qsizetype r = 0; r < n; ++r) {
        if (r < unchanged.size() && !unchanged[r].isEmpty() && (status[r] & rsChanged))
            state[r] = Pending;
    }
    QList<qsizetype> chain;
    for (qsizetype r = 0; r < n; ++r) {
        if (state[r] != Pending)
            continue;
        chain.clear();
        for (qsizetype cur = r; cur >= 0 && state[cur] == Pending; cur = previous[cur]) {
            state[cur] = InChain;
            chain.append(cur);
        }
        for (qsizetype k = chain.size() - 1; k >= 0; --k) {
            const qsizetype row = chain[k];
            const qsizetype from = previous[row];
            const bool usable = from >= 0 && state[from] == Done;
            for (int field : unchanged[row]) {
                if (usable && field < rows[from].size())
                    rows[row][field] = rows[from][field];
            }
            state[row] = Done;
        }
    }

    QList<Record> shown;
    shown.reserve(n);
    for (qsizetype r = 0; r < n; ++r) {
        if (!(status[r] & (rsOldVersion | rsDeleted)))
            shown.append(std::move(rows[r]));
    }
    rows = std::move(shown);
    return true;
}

} // namespace Internal

// --- types ------------------------------------------------------------------

FieldKind kindForTypeWord(quint32 word, const QList<PacketProperty> &properties)
{
    if (word & (TypeWord::Array | TypeWord::Structured))
        return FieldKind::Other;
    const int size = TypeWord::size(word);
    const bool varying = word & TypeWord::Varying;
    const bool intSize = size == 1 || size == 2 || size == 4 || size == 8;
    switch (TypeWord::logicalType(word)) {
    case ltInteger:
    case ltUnsigned:
        return !varying && intSize ? FieldKind::Integer : FieldKind::Other;
    case ltBoolean:
        return !varying && intSize ? FieldKind::Boolean : FieldKind::Other;
    case ltFloat:
        return !varying && (size == 8 || size == 4) ? FieldKind::Float : FieldKind::Other;
    case ltBcd:
        return !varying && size >= 2 ? FieldKind::Bcd : FieldKind::Other;
    case ltDate:
        return !varying && size == 4 ? FieldKind::Date : FieldKind::Other;
    case ltTime:
        return !varying && size == 4 ? FieldKind::Time : FieldKind::Other;
    case ltDateTime:
        return !varying && size == 8 ? FieldKind::DateTime : FieldKind::Other;
    case ltSqlTimeStamp:
        return !varying && size == 16 ? FieldKind::DateTime : FieldKind::Other;
    case ltText:
        return varying && (size == 1 || size == 2 || size == 4) ? FieldKind::Text
                                                                : FieldKind::Other;
    case ltWideText:
        return varying && (size == 1 || size == 2 || size == 4) ? FieldKind::WideText
                                                                : FieldKind::Other;
    case ltBytes: {
        if (!varying)
            return FieldKind::Bytes;
        if (size != 1 && size != 2 && size != 4)
            return FieldKind::Other;
        const PacketProperty *sub = findProperty(properties, "SUBTYPE");
        if (sub) {
            const QString subtype = propertyText(*sub);
            if (subtype == QLatin1String("Text") || subtype == QLatin1String("WideText"))
                return FieldKind::Memo;
        }
        return FieldKind::Bytes;
    }
    default:
        return FieldKind::Other;
    }
}

quint32 effectiveTypeWord(const FieldDef &field)
{
    if (field.typeWord)
        return field.typeWord;
    switch (field.kind) {
    case FieldKind::Text:
        return field.width > 255 ? TypeWord::Text2 : TypeWord::Text1;
    case FieldKind::WideText:
        return field.width * 2 > 255 ? 0x004A0002 : 0x004A0001;
    case FieldKind::Integer:
        return TypeWord::Int32;
    case FieldKind::Float:
        return TypeWord::Double;
    case FieldKind::Bcd:
        return 0x00050022;
    case FieldKind::Boolean:
        return 0x00030002;
    case FieldKind::Date:
        return 0x00060004;
    case FieldKind::Time:
        return 0x00070004;
    case FieldKind::DateTime:
        return 0x00080008;
    case FieldKind::Bytes:
    case FieldKind::Memo:
        return TypeWord::Blob;
    case FieldKind::Other:
        break;
    }
    return 0;
}

QString xmlTypeName(const FieldDef &field)
{
    if (!field.xmlFieldType.isEmpty())
        return field.xmlFieldType;
    const quint32 word = effectiveTypeWord(field);
    if (!word)
        return {};
    if (TypeWord::logicalType(word) == ltNested)
        return QStringLiteral("nested");
    if (word & (TypeWord::Array | TypeWord::Structured))
        return {};
    const int size = TypeWord::size(word);
    const bool varying = word & TypeWord::Varying;
    const int lt = TypeWord::logicalType(word);
    if (!varying && (lt == ltInteger || lt == ltUnsigned)) {
        const char *names[2][4] = { { "i1", "i2", "i4", "i8" }, { "ui1", "ui2", "ui4", "ui8" } };
        const int index = size == 1 ? 0 : size == 2 ? 1 : size == 4 ? 2 : size == 8 ? 3 : -1;
        return index < 0 ? QString() : QLatin1String(names[lt == ltUnsigned][index]);
    }
    switch (kindForTypeWord(word, field.properties)) {
    case FieldKind::Boolean:
        return QStringLiteral("boolean");
    case FieldKind::Float:
        return size == 4 ? QStringLiteral("r4") : QStringLiteral("r8");
    case FieldKind::Bcd:
        return QStringLiteral("fixed");
    case FieldKind::Date:
        return QStringLiteral("date");
    case FieldKind::Time:
        return QStringLiteral("time");
    case FieldKind::DateTime:
        return lt == ltSqlTimeStamp ? QStringLiteral("SQLdateTime") : QStringLiteral("dateTime");
    case FieldKind::Text:
        return QStringLiteral("string");
    case FieldKind::WideText:
        return QStringLiteral("string.uni");
    case FieldKind::Bytes:
    case FieldKind::Memo:
        return QStringLiteral("bin.hex");
    default:
        return {};
    }
}

// --- properties ---------------------------------------------------------------

const PacketProperty *findProperty(const QList<PacketProperty> &properties, QByteArrayView name)
{
    for (const PacketProperty &p : properties) {
        if (p.name == name)
            return &p;
    }
    return nullptr;
}

bool propertyInteger(const PacketProperty &property, qint64 *value)
{
    const quint32 word = property.typeWord;
    const int lt = TypeWord::logicalType(word);
    const int size = TypeWord::size(word);
    if ((word & (TypeWord::Varying | TypeWord::Array)) || (lt != ltInteger && lt != ltUnsigned)
        || (size != 1 && size != 2 && size != 4 && size != 8) || property.value.size() != size)
        return false;
    quint64 raw = 0;
    for (int i = 0; i < size; ++i)
        raw |= quint64(uchar(property.value[i])) << (8 * i);
    if (lt == ltInteger && size < 8 && (raw >> (8 * size - 1)) & 1)
        raw |= ~quint64(0) << (8 * size);
    *value = qint64(raw);
    return true;
}

QString propertyText(const PacketProperty &property)
{
    const quint32 word = property.typeWord;
    const int lt = TypeWord::logicalType(word);
    const int prefix = TypeWord::size(word);
    if (!(word & TypeWord::Varying) || (word & TypeWord::Array)
        || (lt != ltText && lt != ltWideText) || (prefix != 1 && prefix != 2 && prefix != 4)
        || property.value.size() < prefix)
        return {};
    const QByteArray &v = property.value;
    quint64 length = 0;
    for (int i = 0; i < prefix; ++i)
        length |= quint64(uchar(v[i])) << (8 * i);
    length = qMin<quint64>(length, quint64(v.size() - prefix));
    QString text;
    if (lt == ltText) {
        text = decodeAnsi(v.constData() + prefix, qsizetype(length));
    } else {
        text.resize(qsizetype(length / 2));
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(qFromLittleEndian<quint16>(v.constData() + prefix + 2 * i));
    }
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

PacketProperty integerProperty(const QByteArray &name, quint32 typeWord, qint64 value)
{
    PacketProperty p;
    p.name = name;
    p.typeWord = typeWord;
    const int size = TypeWord::size(typeWord);
    p.value.resize(size);
    for (int i = 0; i < size; ++i)
        p.value[i] = char((quint64(value) >> (8 * i)) & 0xFF);
    return p;
}

PacketProperty textProperty(const QByteArray &name, const QString &text)
{
    PacketProperty p;
    p.name = name;
    // Text properties count their trailing NUL. Text that Windows-1252 cannot
    // hold is kept as Unicode text, long text gets a 4-byte length: nothing is
    // cut or replaced.
    QByteArray bytes;
    int type = ltText;
    if (Codec1252::canEncode(text)) {
        bytes = Codec1252::encode(text);
        bytes.append('\0');
    } else {
        type = ltWideText;
        bytes.resize((text.size() + 1) * 2);
        for (qsizetype i = 0; i < text.size(); ++i)
            qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
        bytes[bytes.size() - 2] = bytes[bytes.size() - 1] = '\0';
    }
    const int prefix = bytes.size() <= 0xFFFF ? 2 : 4;
    p.typeWord = TypeWord::Varying | (quint32(type) << 16) | quint32(prefix);
    p.value.resize(prefix);
    if (prefix == 2)
        qToLittleEndian<quint16>(quint16(bytes.size()), p.value.data());
    else
        qToLittleEndian<quint32>(quint32(bytes.size()), p.value.data());
    p.value.append(bytes);
    return p;
}

PacketProperty arrayProperty(const QByteArray &name, quint32 typeWord, const QList<quint32> &values)
{
    PacketProperty p;
    p.name = name;
    p.typeWord = typeWord;
    const int size = TypeWord::size(typeWord);
    p.value.resize(4 + values.size() * size);
    qToLittleEndian<quint32>(quint32(values.size()), p.value.data());
    char *out = p.value.data() + 4;
    for (quint32 v : values) {
        for (int i = 0; i < size; ++i)
            *out++ = char((quint64(v) >> (8 * i)) & 0xFF);
    }
    return p;
}

bool propertyArray(const PacketProperty &property, QList<quint32> *values)
{
    const quint32 word = property.typeWord;
    const int lt = TypeWord::logicalType(word);
    const int size = TypeWord::size(word);
    if (!(word & TypeWord::Array) || (word & TypeWord::Varying)
        || (lt != ltInteger && lt != ltUnsigned) || (size != 1 && size != 2 && size != 4)
        || property.value.size() < 4)
        return false;
    const quint32 count = qFromLittleEndian<quint32>(property.value.constData());
    if (quint64(property.value.size() - 4) != quint64(count) * quint64(size))
        return false;
    values->clear();
    values->reserve(count);
    const char *in = property.value.constData() + 4;
    for (quint32 k = 0; k < count; ++k) {
        quint32 v = 0;
        for (int i = 0; i < size; ++i)
            v |= quint32(uchar(in[i])) << (8 * i);
        in += size;
        values->append(v);
    }
    return true;
}

// --- form detection and files ---------------------------------------------------

bool readBytes(QByteArrayView bytes, PacketData &out, QString *error)
{
    out = PacketData();
    switch (formOf(bytes, false)) {
    case Form::Binary:
        return readBinary(bytes, out, error);
    case Form::Xml:
        return readXml(bytes, out, error);
    case Form::Empty:
        return fail(error, QStringLiteral("Die Datei ist leer."));
    case Form::Unknown:
        break;
    }
    return fail(error, unknownForm());
}

bool isXmlPath(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0;
}

bool loadFromFile(const QString &path, PacketData &out, QString *error)
{
    out = PacketData();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return fail(error,
            QStringLiteral("Die Datei %1 kann nicht geöffnet werden: %2")
                .arg(quoted(path), FileErrorText(file.errorString())));
    }
    auto readFailure = [&] {
        return fail(error,
            QStringLiteral("Die Datei %1 kann nicht gelesen werden: %2")
                .arg(quoted(path), FileErrorText(file.errorString())));
    };
    auto invalid = [&](const QString &why) {
        return fail(error,
            QStringLiteral("Die Datei %1 ist kein gültiger Besprechungsbericht: %2")
                .arg(quoted(path), why));
    };

    // The form is told by the first bytes; the file is then read in chunks.
    const QByteArray head = file.peek(4096);
    if (head.isEmpty() && file.error() != QFileDevice::NoError)
        return readFailure();
    QString why;
    bool deviceFailed = false;
    bool ok = false;
    switch (formOf(head, file.size() > head.size())) {
    case Form::Binary:
        ok = readBinaryDevice(&file, out, &why, &deviceFailed);
        break;
    case Form::Xml:
        ok = readXmlDevice(&file, out, &why, &deviceFailed);
        break;
    case Form::Empty:
        return invalid(QStringLiteral("Die Datei ist leer."));
    case Form::Unknown:
        return invalid(unknownForm());
    }
    if (ok)
        return true;
    out = PacketData();
    if (deviceFailed || file.error() != QFileDevice::NoError)
        return readFailure();
    return invalid(why);
}

bool saveToFile(const QString &path, const PacketData &packet, QString *error, qsizetype limit)
{
    // Written as it is made: a coordinator's file of tens of megabytes
    // never lies in memory whole. Until the commit the old file stays.
    QSaveFile file(path);
    auto fileError = [&] {
        return fail(error,
            QStringLiteral("Die Datei %1 kann nicht geschrieben werden: %2")
                .arg(quoted(path), FileErrorText(file.errorString())));
    };
    if (!file.open(QIODevice::WriteOnly))
        return fileError();
    QString why;
    bool drainFailed = false;
    const auto drain
        = [&file](const char *data, qsizetype size) { return file.write(data, size) == size; };
    const bool written = isXmlPath(path)
        ? Internal::writeXmlDrained(packet, 1 << 20, drain, &why, &drainFailed, limit)
        : Internal::writeBinaryDrained(packet, 1 << 20, drain, &why, &drainFailed, limit);
    if (!written && !drainFailed) {
        file.cancelWriting();
        return fail(error,
            QStringLiteral("Der Besprechungsbericht %1 kann nicht geschrieben "
                           "werden: %2")
                .arg(quoted(path), why));
    }
    if (!written || !file.flush() || file.error() != QFileDevice::NoError) {
        const bool failed = fileError();
        file.cancelWriting();
        return failed;
    }
    if (!file.commit())
        return fileError();
    return true;
}

} // namespace DataPacket
