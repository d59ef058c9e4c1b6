#include "DataSet.h"

#include "DataPacketInternal.h"
#include "util/Codec1252.h"
#include "util/NumberText.h"
#include "util/SideBySide.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <QVarLengthArray>
#include <QtDebug>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

namespace {

bool isTextKind(FieldKind kind)
{
    return kind == FieldKind::Text || kind == FieldKind::WideText || kind == FieldKind::Memo;
}

bool isNumberKind(FieldKind kind)
{
    return kind == FieldKind::Integer || kind == FieldKind::Float || kind == FieldKind::Bcd;
}

bool isString(const QVariant &v) { return v.metaType().id() == QMetaType::QString; }

const QString &stringRef(const QVariant &v) { return *static_cast<const QString *>(v.constData()); }

// Whole numbers that fit into qint64, whatever integer type holds them.
std::optional<qint64> wholeOf(const QVariant &v)
{
    switch (v.metaType().id()) {
    // The types the store itself writes are read directly: sorting calls this
    // for every comparison.
    case QMetaType::Int:
        return *static_cast<const int *>(v.constData());
    case QMetaType::LongLong:
        return *static_cast<const qlonglong *>(v.constData());
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return v.toLongLong();
    case QMetaType::ULongLong: {
        const quint64 u = v.toULongLong();
        if (u <= quint64(std::numeric_limits<qint64>::max()))
            return qint64(u);
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool isNumericType(const QVariant &v)
{
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::ULongLong:
        return true;
    default:
        return wholeOf(v).has_value();
    }
}

// A number held in any form a field may have got it in; NaN when it is none.
double numberOf(const QVariant &v)
{
    if (v.metaType().id() == QMetaType::Double)
        return *static_cast<const double *>(v.constData());
    if (isString(v))
        return ParseNumber(stringRef(v)).value_or(std::numeric_limits<double>::quiet_NaN());
    bool ok = false;
    const double d = v.toDouble(&ok);
    return ok ? d : std::numeric_limits<double>::quiet_NaN();
}

// A number as it is compared: whole numbers exactly, everything else by its
// double value.
struct NumberKey
{
    bool hasWhole = false;
    qint64 whole = 0;
    double real = 0;
};

NumberKey numberKeyOf(const QVariant &v)
{
    NumberKey k;
    if (const auto w = wholeOf(v)) {
        k.hasWhole = true;
        k.whole = *w;
    }
    k.real = numberOf(v);
    return k;
}

int compareNumberKeys(const NumberKey &a, const NumberKey &b)
{
    if (a.hasWhole && b.hasWhole)
        return a.whole < b.whole ? -1 : (a.whole > b.whole ? 1 : 0);
    // NaN sorts after every number so the order stays total.
    const bool na = std::isnan(a.real);
    const bool nb = std::isnan(b.real);
    if (na || nb)
        return na == nb ? 0 : (na ? 1 : -1);
    return a.real < b.real ? -1 : (a.real > b.real ? 1 : 0);
}

int compareNumbers(const QVariant &a, const QVariant &b)
{
    return compareNumberKeys(numberKeyOf(a), numberKeyOf(b));
}

int compareTexts(const QString &a, const QString &b)
{
    // Equal texts are common in a sort field (many books by one author);
    // comparing them exactly is much quicker than folding case.
    if (a.size() == b.size() && a == b)
        return 0;
    return QString::compare(a, b, Qt::CaseInsensitive);
}

int compareValues(FieldKind kind, const QVariant &a, const QVariant &b)
{
    const bool va = a.isValid();
    const bool vb = b.isValid();
    if (!va || !vb)
        return va == vb ? 0 : (va ? 1 : -1); // null first
    if (isNumberKind(kind))
        return compareNumbers(a, b);
    if (isTextKind(kind)) {
        if (isString(a) && isString(b))
            return compareTexts(stringRef(a), stringRef(b));
        return compareTexts(a.toString(), b.toString());
    }
    switch (kind) {
    case FieldKind::Boolean:
        return int(a.toBool()) - int(b.toBool());
    case FieldKind::Bytes:
    case FieldKind::Other: {
        const int c = a.toByteArray().compare(b.toByteArray());
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    default:
        break;
    }
    const QPartialOrdering o = QVariant::compare(a, b);
    if (o == QPartialOrdering::Less)
        return -1;
    if (o == QPartialOrdering::Greater)
        return 1;
    if (o == QPartialOrdering::Equivalent)
        return 0;
    return a.toString().compare(b.toString());
}

// What the lookup index keys a value by: numbers by value (so 5.1 and 5.10 are
// one key, and 12 and 12.0 too), everything else by its exact text.
struct LookupKey
{
    enum Type : quint8 { Null, Whole, Real, NotANumber, Text };
    Type type = Null;
    qint64 whole = 0;
    double real = 0;
    QString text;

    bool operator==(const LookupKey &o) const
    {
        if (type != o.type)
            return false;
        switch (type) {
        case Whole:
            return whole == o.whole;
        case Real:
            return real == o.real;
        case Text:
            return text == o.text;
        default:
            return true;
        }
    }
};

size_t qHash(const LookupKey &k, size_t seed = 0)
{
    switch (k.type) {
    case LookupKey::Whole:
        return qHashMulti(seed, int(k.type), k.whole);
    case LookupKey::Real:
        return qHashMulti(seed, int(k.type), k.real);
    case LookupKey::Text:
        return qHashMulti(seed, int(k.type), k.text);
    default:
        return qHashMulti(seed, int(k.type));
    }
}

LookupKey numberKey(double d)
{
    LookupKey k;
    constexpr double limit = 9223372036854775808.0; // 2^63
    if (std::isnan(d)) {
        k.type = LookupKey::NotANumber;
    } else if (d == std::trunc(d) && d > -limit && d < limit) {
        k.type = LookupKey::Whole;
        k.whole = qint64(d);
    } else {
        k.type = LookupKey::Real;
        k.real = d;
    }
    return k;
}

LookupKey makeKey(FieldKind kind, const QVariant &v)
{
    LookupKey k;
    if (!v.isValid())
        return k;
    if (isNumberKind(kind)) {
        if (const auto w = wholeOf(v)) {
            k.type = LookupKey::Whole;
            k.whole = *w;
            return k;
        }
        const double d = numberOf(v);
        if (!std::isnan(d) || !isString(v))
            return numberKey(d);
        // Text in a number field that is no number: keyed by the text itself.
    }
    k.type = LookupKey::Text;
    if (kind == FieldKind::Bytes || kind == FieldKind::Other)
        k.text = QString::fromLatin1(v.toByteArray());
    else
        k.text = isString(v) ? stringRef(v) : v.toString();
    return k;
}

QString cutText(QString s, int entryLength)
{
    if (entryLength > 0 && s.size() > entryLength) {
        qsizetype n = entryLength;
        // Never leave half a surrogate pair behind.
        if (s.at(n - 1).isHighSurrogate())
            --n;
        s.truncate(n);
    }
    return s;
}

QVariant wholeValue(qint64 v)
{
    if (v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max())
        return QVariant(int(v));
    return QVariant(v);
}

// Text in a number field: blank text is null, any other must parse.
template<typename Parse>
std::optional<QVariant> numberFromText(const QString &text, Parse parse)
{
    if (text.trimmed().isEmpty())
        return QVariant();
    if (const auto n = parse(text))
        return QVariant(*n);
    return std::nullopt;
}

// Converts a value to what a field of the given kind stores; nullopt when it
// does not convert. An invalid value and an empty string give null.
std::optional<QVariant> convertForField(const FieldDef &f, const QVariant &v, bool cut)
{
    if (!v.isValid())
        return QVariant();
    if (isString(v) && stringRef(v).isEmpty())
        return QVariant();

    if (isTextKind(f.kind)) {
        if (isString(v) && (!cut || f.entryLength <= 0 || stringRef(v).size() <= f.entryLength))
            return v; // text that fits: nothing to convert
        QString s;
        if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float)
            s = NumberText(v.toDouble());
        else
            s = v.toString();
        if (cut)
            s = cutText(std::move(s), f.entryLength);
        if (s.isEmpty())
            return QVariant();
        return QVariant(s);
    }

    switch (f.kind) {
    case FieldKind::Integer: {
        if (isString(v))
            return numberFromText(stringRef(v), ParseInteger);
        if (const auto w = wholeOf(v))
            return wholeValue(*w);
        if (v.metaType().id() == QMetaType::ULongLong)
            return v; // beyond qint64: kept as it came
        if (v.metaType().id() == QMetaType::Bool)
            return QVariant(v.toBool() ? 1 : 0);
        if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::Float) {
            const double d = std::round(v.toDouble());
            if (!std::isfinite(d) || d < -9.2e18 || d > 9.2e18)
                return std::nullopt;
            return wholeValue(qint64(d));
        }
        return std::nullopt;
    }
    case FieldKind::Float: {
        if (isString(v))
            return numberFromText(stringRef(v), ParseNumber);
        if (isNumericType(v) || v.metaType().id() == QMetaType::Bool) {
            bool ok = false;
            const double d = v.toDouble(&ok);
            if (ok)
                return QVariant(d);
        }
        return std::nullopt;
    }
    case FieldKind::Bcd: {
        if (isString(v)) {
            const QString t = stringRef(v).trimmed();
            if (t.isEmpty())
                return QVariant();
            if (!ParseNumber(t))
                return std::nullopt;
            return QVariant(t);
        }
        if (const auto w = wholeOf(v))
            return QVariant(QString::number(*w));
        if (isNumericType(v))
            return QVariant(NumberText(v.toDouble()));
        return std::nullopt;
    }
    default:
        return v; // kinds this store does not interpret are kept as given
    }
}

// Whether convertForField() would give the value back as it is, so that a
// whole row can be taken over without converting value by value.
bool isStoredForm(const FieldDef &f, const QVariant &v)
{
    if (!v.isValid())
        return true;
    const int type = v.metaType().id();
    const bool emptyText = type == QMetaType::QString && stringRef(v).isEmpty();
    if (isTextKind(f.kind)) {
        return type == QMetaType::QString && !emptyText
            && (f.entryLength <= 0 || stringRef(v).size() <= f.entryLength);
    }
    switch (f.kind) {
    case FieldKind::Integer:
        return type == QMetaType::Int;
    case FieldKind::Float:
        return type == QMetaType::Double;
    case FieldKind::Bcd:
        return false;
    default:
        return !emptyText;
    }
}

// The same for a value of a compact row, mostly without making a QVariant.
bool isStoredForm(const FieldDef &f, const CompactRow &row, qsizetype i)
{
    const CompactRow::Tag tag = row.tag(i);
    if (tag == CompactRow::Null)
        return true;
    if (tag == CompactRow::Extra)
        return isStoredForm(f, row.value(i));
    const bool text = tag == CompactRow::Ansi || tag == CompactRow::Utf16;
    if (isTextKind(f.kind))
        return text && (f.entryLength <= 0 || row.textLength(i) <= f.entryLength);
    switch (f.kind) {
    case FieldKind::Integer:
        return tag == CompactRow::Int;
    case FieldKind::Float:
        return tag == CompactRow::Double;
    case FieldKind::Bcd:
        return false;
    default:
        return true; // texts kept in the row are never empty
    }
}

QString conversionMessage(FieldKind kind, const QString &text)
{
    switch (kind) {
    case FieldKind::Integer:
        return QStringLiteral("'%1' ist kein gültiger Integerwert.").arg(text);
    case FieldKind::Float:
        return QStringLiteral("'%1' ist kein gültiger Gleitkommawert.").arg(text);
    case FieldKind::Bcd:
        return QStringLiteral("'%1' ist kein gültiger BCD-Wert.").arg(text);
    case FieldKind::Boolean:
        return QStringLiteral("'%1' ist kein gültiger Wahrheitswert.").arg(text);
    case FieldKind::Date:
        return QStringLiteral("'%1' ist kein gültiges Datum.").arg(text);
    case FieldKind::Time:
        return QStringLiteral("'%1' ist keine gültige Uhrzeit.").arg(text);
    case FieldKind::DateTime:
        return QStringLiteral("'%1' ist kein gültiger Zeitpunkt.").arg(text);
    default:
        return QStringLiteral("'%1' ist kein gültiger Wert.").arg(text);
    }
}

// Text as a person types it or a merge takes it over, converted to the kind.
std::optional<QVariant> textForField(const FieldDef &f, const QString &text)
{
    if (text.isEmpty())
        return QVariant();
    switch (f.kind) {
    case FieldKind::Boolean: {
        const QString t = text.trimmed();
        if (t.compare(u"true", Qt::CaseInsensitive) == 0 || t == u"1")
            return QVariant(true);
        if (t.compare(u"false", Qt::CaseInsensitive) == 0 || t == u"0")
            return QVariant(false);
        return t.isEmpty() ? std::optional<QVariant>(QVariant()) : std::nullopt;
    }
    case FieldKind::Date: {
        const QDate d = QDate::fromString(text.trimmed(), Qt::ISODate);
        return d.isValid() ? std::optional<QVariant>(QVariant(d)) : std::nullopt;
    }
    case FieldKind::Time: {
        const QTime t = QTime::fromString(text.trimmed(), Qt::ISODateWithMs);
        return t.isValid() ? std::optional<QVariant>(QVariant(t)) : std::nullopt;
    }
    case FieldKind::DateTime: {
        const QDateTime t = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
        return t.isValid() ? std::optional<QVariant>(QVariant(t)) : std::nullopt;
    }
    case FieldKind::Bytes:
    case FieldKind::Other:
        return QVariant(Codec1252::encode(text));
    default:
        return convertForField(f, QVariant(text), true);
    }
}

QString valueText(FieldKind kind, const QVariant &v)
{
    if (!v.isValid())
        return {};
    if (isString(v))
        return stringRef(v);
    switch (kind) {
    case FieldKind::Integer:
    case FieldKind::Float:
    case FieldKind::Bcd:
        if (const auto w = wholeOf(v))
            return QString::number(*w);
        if (v.metaType().id() == QMetaType::ULongLong)
            return QString::number(v.toULongLong());
        return NumberText(v.toDouble());
    case FieldKind::Bytes:
    case FieldKind::Other:
        return Codec1252::decode(v.toByteArray());
    case FieldKind::Date:
        return v.toDate().toString(Qt::ISODate);
    case FieldKind::Time:
        return v.toTime().toString(Qt::ISODateWithMs);
    case FieldKind::DateTime:
        return v.toDateTime().toString(Qt::ISODateWithMs);
    default:
        if (v.metaType().id() == QMetaType::Double)
            return NumberText(v.toDouble());
        return v.toString();
    }
}

// Windows-1252 bytes as QString::compare() without regard to case sees
// them: the character of each byte, case-folded.
const std::array<char16_t, 256> &foldedAnsi()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t {};
        for (int b = 0; b < 256; ++b) {
            const char byte = char(b);
            t[size_t(b)]
                = DataPacket::Internal::decodeAnsi(&byte, 1).at(0).toCaseFolded().unicode();
        }
        return t;
    }();
    return table;
}

// One field of a row as the comparisons read it, looked up once.
struct FieldView
{
    CompactRow::Tag tag = CompactRow::Null;
    QByteArrayView bytes;
};

FieldView viewOf(const CompactRow &row, int f) { return { row.tag(f), row.bytes(f) }; }

constexpr int kUndecided = std::numeric_limits<int>::min();

// From this many records on a sort takes a second thread.
constexpr size_t kTwoThreadSort = 8192;

// A kept value by its form and bytes: equal keys are equal values.
struct RankKey
{
    CompactRow::Tag tag;
    QByteArrayView bytes;
    bool operator==(const RankKey &o) const { return tag == o.tag && bytes == o.bytes; }
};

size_t qHash(const RankKey &k, size_t seed = 0) { return qHashMulti(seed, int(k.tag), k.bytes); }

// compareValues() of two fields where their kept form allows it without
// decoding (nulls, numbers of one type, texts in the one-byte code page);
// kUndecided otherwise.
int compareViews(FieldKind kind, const FieldView &a, const FieldView &b)
{
    if (a.tag == CompactRow::Null || b.tag == CompactRow::Null)
        return a.tag == b.tag ? 0 : (a.tag == CompactRow::Null ? -1 : 1);
    if (a.tag == b.tag && isNumberKind(kind)) {
        if (a.tag == CompactRow::Int) {
            const qint32 x = qFromUnaligned<qint32>(a.bytes.data());
            const qint32 y = qFromUnaligned<qint32>(b.bytes.data());
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        if (a.tag == CompactRow::Double) {
            NumberKey x;
            NumberKey y;
            std::memcpy(&x.real, a.bytes.data(), sizeof x.real);
            std::memcpy(&y.real, b.bytes.data(), sizeof y.real);
            return compareNumberKeys(x, y);
        }
    }
    if (a.tag == CompactRow::Ansi && b.tag == CompactRow::Ansi && isTextKind(kind)) {
        // As QString::compare() without regard to case: character by
        // character folded, then the shorter first.
        if (a.bytes == b.bytes)
            return 0;
        const std::array<char16_t, 256> &fold = foldedAnsi();
        const auto *x = reinterpret_cast<const uchar *>(a.bytes.data());
        const auto *y = reinterpret_cast<const uchar *>(b.bytes.data());
        const qsizetype n = qMin(a.bytes.size(), b.bytes.size());
        for (qsizetype i = 0; i < n; ++i) {
            if (x[i] == y[i])
                continue;
            const char16_t fx = fold[x[i]];
            const char16_t fy = fold[y[i]];
            if (fx != fy)
                return fx < fy ? -1 : 1;
        }
        return a.bytes.size() == b.bytes.size() ? 0 : (a.bytes.size() < b.bytes.size() ? -1 : 1);
    }
    return kUndecided;
}

// compareValues() on one field of two rows, decoding only what the rows do
// not keep in a form that compares directly.
int compareRowValues(FieldKind kind, const CompactRow &a, const CompactRow &b, int f)
{
    const int c = compareViews(kind, viewOf(a, f), viewOf(b, f));
    return c != kUndecided ? c : compareValues(kind, a.value(f), b.value(f));
}

struct Node
{
    DataSet::Bookmark id = 0;
    // Position in the unsorted order; also breaks ties of the sort order, so
    // equal keys keep the order in which the records came.
    qint64 rank = 0;
    CompactRow row;
};

struct Lookup
{
    QString name;
    int field = -1; // -1 while the current columns have no such field
    // Most keys (book numbers) name one record: it is kept without a list
    // of its own.
    QHash<LookupKey, QVarLengthArray<Node *, 1>> map;
};

const FieldDef &noField()
{
    static const FieldDef none;
    return none;
}

} // namespace

struct DataSet::Private
{
    DataSet *q = nullptr;
    std::vector<std::pair<const QObject *, std::function<bool()>>> postGuards;

    QList<FieldDef> fields;
    QHash<QString, int> exactNames;
    QHash<QString, int> foldedNames;

    State state = dsInactive;
    // Every record since the table was last emptied, by bookmark: that of
    // bookmark b is nodes[b - firstId]. A removed record leaves its place
    // behind with bookmark 0, so the others keep their addresses.
    std::deque<Node> nodes;
    Bookmark firstId = 1;
    qsizetype alive = 0;
    // The posted records: view is sorted, pending holds those posted (or
    // moved by an edit) since the last sort. Sorting waits until an order is
    // asked for, so a long run of appends and posts does no per-post work
    // proportional to the table.
    std::vector<Node *> view;
    std::vector<Node *> pending;
    bool fullSortNeeded = false;

    // The current posted record; while inserting, the one that becomes
    // current again when the new record is cancelled.
    Node *current = nullptr;
    std::unique_ptr<Node> fresh; // the new record while inserting
    // What is being edited or inserted: the row as it was taken over
    // (bufferCompact) until a field is assigned, then its values.
    Record buffer;
    CompactRow bufferRow;
    bool bufferCompact = false;
    bool bof = true;
    bool eof = true;
    bool savedBof = true;
    bool savedEof = true;
    int cachedRow = -1;
    bool rowKnown = false;

    Bookmark nextId = 1;
    qint64 nextRank = 0;

    QString indexNames;
    QList<int> sortFields;
    QList<FieldKind> sortKinds;
    std::vector<Lookup> lookups;

    int disabled = 0;
    quint64 changes = 0;
    bool posting = false;
    bool deleting = false;

    QString fileName;
    int tag = 0;

    // --- edit buffer ---------------------------------------------------
    QVariant bufferValue(int field) const
    {
        return bufferCompact ? bufferRow.value(field) : buffer.value(field);
    }
    void clearBuffer()
    {
        buffer.clear();
        bufferRow = CompactRow();
        bufferCompact = false;
    }
    void takeIntoBuffer(const CompactRow &row)
    {
        buffer.clear();
        bufferRow = row;
        bufferCompact = true;
    }
    // The values, to assign single fields.
    Record &materialized()
    {
        if (bufferCompact) {
            buffer = bufferRow.toRecord();
            bufferRow = CompactRow();
            bufferCompact = false;
        }
        return buffer;
    }
    CompactRow takeBufferRow()
    {
        CompactRow row = bufferCompact ? bufferRow : CompactRow(buffer);
        clearBuffer();
        return row;
    }

    // --- order ---------------------------------------------------------
    bool less(const Node *a, const Node *b) const
    {
        for (qsizetype i = 0; i < sortFields.size(); ++i) {
            const int f = sortFields[i];
            const int c = compareRowValues(sortKinds[i], a->row, b->row, f);
            if (c != 0)
                return c < 0;
        }
        return a->rank < b->rank;
    }

    // Sorts many records. Each sort field's values are ranked once (equal
    // values share a rank, and each distinct kept value is compared only
    // with the others), so that the records compare by whole numbers held
    // side by side.
    void sortNodes(std::vector<Node *> &list) const
    {
        const auto lessFn = [this](const Node *a, const Node *b) { return less(a, b); };
        const qsizetype width = sortFields.size();
        if (list.size() < 64 || width == 0) {
            std::sort(list.begin(), list.end(), lessFn);
            return;
        }
        const size_t w = size_t(width);
        // A large table reads its rows, ranks its fields and sorts its
        // halves on two threads: the rows are only read meanwhile, and each
        // thread writes to places of its own.
        const bool twoThreads = list.size() >= kTwoThreadSort;
        // Each row is read once, for all its sort fields.
        std::vector<FieldView> views(list.size() * w);
        const auto readRows = [&](size_t from, size_t to) {
            for (size_t j = from; j < to; ++j)
                for (size_t i = 0; i < w; ++i)
                    views[j * w + i] = viewOf(list[j]->row, sortFields[qsizetype(i)]);
        };
        const size_t half = list.size() / 2;
        RunSideBySide(
            twoThreads, [&] { readRows(0, half); }, [&] { readRows(half, list.size()); });
        // The odd fields on the one side, the even ones on the other.
        std::vector<std::vector<quint32>> fieldRanks(w);
        const auto rankFields = [&](size_t from) {
            for (size_t i = from; i < w; i += 2)
                fieldRanks[i] = rankField(list, views, qsizetype(i));
        };
        RunSideBySide(
            twoThreads && w > 1, [&] { rankFields(1); }, [&] { rankFields(0); });
        std::vector<quint32> ranks(list.size() * w);
        for (size_t j = 0; j < list.size(); ++j)
            for (size_t i = 0; i < w; ++i)
                ranks[j * w + i] = fieldRanks[i][j];
        std::vector<size_t> order(list.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = i;
        const auto byRanks = [&](size_t a, size_t b) {
            const quint32 *ra = &ranks[a * w];
            const quint32 *rb = &ranks[b * w];
            for (size_t i = 0; i < w; ++i) {
                if (ra[i] != rb[i])
                    return ra[i] < rb[i];
            }
            return list[a]->rank < list[b]->rank;
        };
        const auto middle = order.begin() + std::ptrdiff_t(half);
        RunSideBySide(
            twoThreads, [&] { std::sort(order.begin(), middle, byRanks); },
            [&] { std::sort(middle, order.end(), byRanks); });
        std::inplace_merge(order.begin(), middle, order.end(), byRanks);
        std::vector<Node *> sorted;
        sorted.reserve(list.size());
        for (size_t i : order)
            sorted.push_back(list[i]);
        list.swap(sorted);
    }

    // The rank of each record's value of the i-th sort field among all the
    // values of that field; views holds the sort fields of each record side
    // by side.
    std::vector<quint32> rankField(
        const std::vector<Node *> &list, const std::vector<FieldView> &views, qsizetype i) const
    {
        const size_t width = size_t(sortFields.size());
        const int f = sortFields[i];
        const FieldKind kind = sortKinds[i];
        struct Distinct
        {
            FieldView view;
            const Node *node; // whose row decodes the value when it must
        };
        std::vector<Distinct> distinct;
        std::vector<quint32> which(list.size());
        QHash<RankKey, quint32> seen;
        // Texts repeat (many books of one author) and are dear to compare;
        // numbers are mostly distinct and compare at once from here.
        const bool dedupe = !isNumberKind(kind);
        for (size_t j = 0; j < list.size(); ++j) {
            const FieldView &value = views[j * width + size_t(i)];
            // Values kept beside the row are not told apart by their bytes.
            if (dedupe && value.tag != CompactRow::Extra) {
                const auto found = seen.constFind(RankKey { value.tag, value.bytes });
                if (found != seen.constEnd()) {
                    which[j] = *found;
                    continue;
                }
                seen.insert(RankKey { value.tag, value.bytes }, quint32(distinct.size()));
            }
            which[j] = quint32(distinct.size());
            distinct.push_back({ value, list[j] });
        }
        const auto compare = [&](const Distinct &a, const Distinct &b) {
            const int c = compareViews(kind, a.view, b.view);
            return c != kUndecided
                ? c
                : compareValues(kind, a.node->row.value(f), b.node->row.value(f));
        };
        std::vector<quint32> byValue(distinct.size());
        for (size_t k = 0; k < byValue.size(); ++k)
            byValue[k] = quint32(k);
        std::sort(byValue.begin(), byValue.end(),
            [&](quint32 a, quint32 b) { return compare(distinct[a], distinct[b]) < 0; });
        std::vector<quint32> rankOf(distinct.size());
        quint32 rank = 0;
        for (size_t k = 0; k < byValue.size(); ++k) {
            if (k > 0 && compare(distinct[byValue[k - 1]], distinct[byValue[k]]) != 0)
                ++rank;
            rankOf[byValue[k]] = rank;
        }
        for (size_t j = 0; j < list.size(); ++j)
            which[j] = rankOf[which[j]];
        return which;
    }

    void ensureSorted()
    {
        const auto lessFn = [this](const Node *a, const Node *b) { return less(a, b); };
        if (fullSortNeeded) {
            view.insert(view.end(), pending.begin(), pending.end());
            pending.clear();
            sortNodes(view);
            fullSortNeeded = false;
            rowKnown = false;
            return;
        }
        if (pending.empty())
            return;
        if (pending.size() <= 16) {
            for (Node *n : pending)
                view.insert(std::upper_bound(view.begin(), view.end(), n, lessFn), n);
        } else {
            sortNodes(pending);
            std::vector<Node *> merged;
            merged.reserve(view.size() + pending.size());
            std::merge(view.begin(), view.end(), pending.begin(), pending.end(),
                std::back_inserter(merged), lessFn);
            view.swap(merged);
        }
        pending.clear();
        rowKnown = false;
    }

    int rowOf(const Node *n)
    {
        if (!n)
            return -1;
        ensureSorted();
        const auto it = std::lower_bound(view.begin(), view.end(), n,
            [this](const Node *a, const Node *b) { return less(a, b); });
        if (it != view.end() && *it == n)
            return int(it - view.begin());
        const auto found = std::find(view.begin(), view.end(), n);
        return found == view.end() ? -1 : int(found - view.begin());
    }

    int currentRow()
    {
        ensureSorted();
        if (!rowKnown) {
            cachedRow = rowOf(current);
            rowKnown = true;
        }
        return cachedRow;
    }

    void resolveSort()
    {
        sortFields.clear();
        sortKinds.clear();
        const QStringList names = indexNames.split(u';');
        for (const QString &raw : names) {
            const int f = fieldIndex(raw.trimmed());
            if (f < 0 || sortFields.contains(f))
                continue;
            sortFields.append(f);
            sortKinds.append(fields[f].kind);
        }
    }

    // --- structure ---------------------------------------------------
    int fieldIndex(const QString &name) const
    {
        if (name.isEmpty())
            return -1;
        const auto exact = exactNames.constFind(name);
        if (exact != exactNames.constEnd())
            return exact.value();
        return foldedNames.value(name.toCaseFolded(), -1);
    }

    bool sameNames(const QList<FieldDef> &newFields) const
    {
        if (newFields.size() != fields.size())
            return false;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            if (newFields[i].name != fields[i].name)
                return false;
        }
        return true;
    }

    void takeFields(const QList<FieldDef> &newFields)
    {
        // File after file comes with the same columns: the name lookup stays.
        const bool namesKept = sameNames(newFields);
        fields = newFields;
        if (namesKept) {
            resolveSort();
            for (Lookup &l : lookups)
                l.map.clear();
            return;
        }
        exactNames.clear();
        foldedNames.clear();
        // Of equal names the first field wins.
        for (int i = 0; i < fields.size(); ++i) {
            if (!exactNames.contains(fields[i].name))
                exactNames.insert(fields[i].name, i);
            const QString folded = fields[i].name.toCaseFolded();
            if (!foldedNames.contains(folded))
                foldedNames.insert(folded, i);
        }
        resolveSort();
        for (Lookup &l : lookups) {
            l.field = fieldIndex(l.name);
            l.map.clear();
        }
    }

    void dropRecords()
    {
        fresh.reset();
        clearBuffer();
        current = nullptr;
        view.clear();
        pending.clear();
        nodes.clear();
        alive = 0;
        firstId = nextId;
        for (Lookup &l : lookups)
            l.map.clear();
        fullSortNeeded = false;
        rowKnown = false;
        nextRank = 0;
    }

    // --- lookup indexes --------------------------------------------------
    // A new posted record with the row, at the end of the insertion order;
    // it joins order (the sorted view or the records still to sort in).
    Node *admit(CompactRow row, std::vector<Node *> &order)
    {
        Node n;
        n.id = nextId++;
        n.rank = nextRank++;
        n.row = std::move(row);
        Node *added = keep(std::move(n));
        order.push_back(added);
        indexAdd(added);
        return added;
    }

    Node *keep(Node &&n)
    {
        // A new record that was cancelled left its bookmark unused.
        Q_ASSERT(n.id >= firstId + Bookmark(nodes.size()));
        while (firstId + Bookmark(nodes.size()) < n.id)
            nodes.emplace_back();
        ++alive;
        return &nodes.emplace_back(std::move(n));
    }

    Node *nodeOf(Bookmark b)
    {
        if (b < firstId || b - firstId >= Bookmark(nodes.size()))
            return nullptr;
        Node &n = nodes[size_t(b - firstId)];
        return n.id != 0 ? &n : nullptr;
    }

    void forget(Node *n)
    {
        n->id = 0;
        n->row = CompactRow();
        --alive;
    }

    void indexAdd(Node *n)
    {
        for (Lookup &l : lookups)
            if (l.field >= 0)
                l.map[makeKey(fields[l.field].kind, n->row.value(l.field))].append(n);
    }

    void indexRemove(Node *n)
    {
        for (Lookup &l : lookups) {
            if (l.field < 0)
                continue;
            const auto it = l.map.find(makeKey(fields[l.field].kind, n->row.value(l.field)));
            if (it == l.map.end())
                continue;
            it->removeOne(n);
            if (it->isEmpty())
                l.map.erase(it);
        }
    }

    const Lookup *lookupFor(int field) const
    {
        for (const Lookup &l : lookups)
            if (l.field == field)
                return &l;
        return nullptr;
    }

    // The first posted record in sort order whose field equals value.
    Node *find(int field, const QVariant &value)
    {
        const FieldDef &f = fields[field];
        const auto converted = convertForField(f, value, false);
        if (!converted)
            return nullptr;
        const LookupKey key = makeKey(f.kind, *converted);
        if (const Lookup *l = lookupFor(field)) {
            const auto it = l->map.constFind(key);
            if (it == l->map.constEnd() || it->isEmpty())
                return nullptr;
            Node *best = it->first();
            for (Node *n : *it)
                if (less(n, best))
                    best = n;
            return best;
        }
        ensureSorted();
        for (Node *n : view)
            if (makeKey(f.kind, n->row.value(field)) == key)
                return n;
        return nullptr;
    }

    // --- state and notification -------------------------------------------
    Bookmark identity() const
    {
        if (state == dsInactive)
            return 0;
        if (state == dsInsert && fresh)
            return fresh->id;
        return current ? current->id : 0;
    }

    void setState(State s)
    {
        if (state == s)
            return;
        state = s;
        emit q->stateChanged();
    }

    void controlsCurrent()
    {
        if (disabled == 0)
            emit q->currentChanged();
    }
    // Every change of the posted rows, their values, their order or the
    // columns passes here.
    void controlsLayout()
    {
        ++changes;
        if (disabled == 0)
            emit q->layoutChanged();
    }
    void controlsField(int f)
    {
        if (disabled == 0)
            emit q->fieldChanged(f);
    }

    void scrolledFrom(Bookmark before)
    {
        if (identity() != before)
            emit q->afterScroll();
    }

    void setFlagsForEmptiness() { bof = eof = alive == 0; }

    // Makes n current (row -1 when not known) with the given end flags.
    void go(Node *n, int row, bool newBof, bool newEof)
    {
        const Bookmark before = identity();
        const bool changed = current != n || bof != newBof || eof != newEof;
        current = n;
        bof = newBof;
        eof = newEof;
        if (row >= 0) {
            cachedRow = row;
            rowKnown = true;
        } else {
            rowKnown = false;
        }
        if (changed)
            controlsCurrent();
        scrolledFrom(before);
    }

    void setEnds(bool newBof, bool newEof)
    {
        if (bof == newBof && eof == newEof)
            return;
        bof = newBof;
        eof = newEof;
        controlsCurrent();
    }

    // Drops what is being edited or inserted without any event.
    void discardPending()
    {
        fresh.reset();
        clearBuffer();
        if (state == dsEdit || state == dsInsert)
            state = dsBrowse; // the caller reports the state change
    }

    void startNew(bool before)
    {
        const Bookmark was = identity();
        auto n = std::make_unique<Node>();
        n->id = nextId++;
        if (before && current) {
            // Make room in the unsorted order just before the current record.
            const qint64 at = current->rank;
            for (Node &other : nodes)
                if (other.id != 0 && other.rank >= at)
                    ++other.rank;
            n->rank = at;
            ++nextRank;
        } else {
            n->rank = nextRank++;
        }
        fresh = std::move(n);
        clearBuffer();
        buffer = Record(fields.size());
        savedBof = bof;
        savedEof = eof;
        bof = eof = false;
        setState(dsInsert);
        controlsCurrent();
        emit q->afterInsert();
        scrolledFrom(was);
    }

    void assign(int field, const QVariant &v)
    {
        QVariant &slot = materialized()[field];
        if (slot.metaType() == v.metaType() && slot == v)
            return;
        slot = v;
        controlsField(field);
    }
};

DataSet::DataSet(QObject *parent)
    : QObject(parent)
    , d(new Private)
{
    d->q = this;
}

DataSet::~DataSet() { delete d; }

void DataSet::addPostGuard(QObject *owner, std::function<bool()> guard)
{
    d->postGuards.emplace_back(owner, std::move(guard));
    connect(owner, &QObject::destroyed, this, [this](QObject *gone) {
        std::erase_if(d->postGuards, [gone](const auto &g) { return g.first == gone; });
    });
}

// --- structure ------------------------------------------------------------

void DataSet::setFields(const QList<FieldDef> &fields)
{
    const Bookmark before = d->identity();
    const State was = d->state;
    d->discardPending();
    d->dropRecords();
    d->takeFields(fields);
    d->setFlagsForEmptiness();
    if (d->state != was)
        emit stateChanged();
    d->controlsLayout();
    d->controlsCurrent();
    d->scrolledFrom(before);
}

const QList<FieldDef> &DataSet::fields() const { return d->fields; }

int DataSet::fieldCount() const { return int(d->fields.size()); }

int DataSet::fieldIndex(const QString &name) const { return d->fieldIndex(name); }

const FieldDef &DataSet::field(int index) const
{
    if (index < 0 || index >= d->fields.size())
        return noField();
    return d->fields[index];
}

void DataSet::setData(const QList<FieldDef> &fields, QList<Record> records)
{
    QList<CompactRow> rows;
    rows.reserve(records.size());
    for (Record &r : records) {
        // Made to fit the columns, so no later access runs past the end of
        // a short row.
        r.resize(fields.size());
        rows.append(CompactRow(r));
        r = Record();
    }
    setRows(fields, std::move(rows));
}

void DataSet::setRows(const QList<FieldDef> &fields, QList<CompactRow> rows)
{
    const State was = d->state;
    d->discardPending();
    d->dropRecords();
    d->takeFields(fields);
    const qsizetype columns = d->fields.size();
    d->view.reserve(size_t(rows.size()));
    for (CompactRow &r : rows) {
        // Rows from a file are made to fit the columns, so no later access
        // runs past the end of a short row.
        if (r.size() != columns) {
            Record values = r.toRecord();
            values.resize(columns);
            r = CompactRow(values);
        }
        d->admit(std::move(r), d->view);
    }
    d->fullSortNeeded = !d->sortFields.isEmpty();
    d->ensureSorted();
    d->state = dsBrowse;
    d->current = d->view.empty() ? nullptr : d->view.front();
    d->cachedRow = d->current ? 0 : -1;
    d->rowKnown = true;
    d->setFlagsForEmptiness();
    if (was != dsBrowse)
        emit stateChanged();
    d->controlsLayout();
    d->controlsCurrent();
    emit afterOpen();
    emit afterScroll();
}

QList<Record> DataSet::records() const
{
    d->ensureSorted();
    QList<Record> out;
    out.reserve(qsizetype(d->view.size()));
    for (const Node *n : d->view)
        out.append(n->row.toRecord());
    return out;
}

QList<CompactRow> DataSet::rows() const
{
    d->ensureSorted();
    QList<CompactRow> out;
    out.reserve(qsizetype(d->view.size()));
    for (const Node *n : d->view)
        out.append(n->row);
    return out;
}

// --- open and close -----------------------------------------------------------

bool DataSet::isActive() const { return d->state != dsInactive; }

void DataSet::open()
{
    if (isActive())
        return;
    d->ensureSorted();
    d->current = d->view.empty() ? nullptr : d->view.front();
    d->cachedRow = d->current ? 0 : -1;
    d->rowKnown = true;
    d->setFlagsForEmptiness();
    d->setState(dsBrowse);
    d->controlsLayout();
    d->controlsCurrent();
    emit afterOpen();
    emit afterScroll();
}

void DataSet::close()
{
    if (!isActive())
        return;
    d->discardPending();
    d->current = nullptr;
    d->rowKnown = false;
    d->bof = d->eof = true;
    d->setState(dsInactive);
    d->controlsLayout();
    d->controlsCurrent();
    emit afterClose();
}

// --- navigation -----------------------------------------------------------

int DataSet::recordCount() const { return int(d->alive); }

bool DataSet::isEmpty() const { return d->alive == 0; }

int DataSet::recNo() const
{
    if (!isActive() || d->state == dsInsert || !d->current)
        return -1;
    return d->currentRow();
}

bool DataSet::bof() const { return !isActive() || d->bof; }

bool DataSet::eof() const { return !isActive() || d->eof; }

bool DataSet::first()
{
    if (!isActive() || !checkBrowseMode())
        return false;
    d->ensureSorted();
    if (d->view.empty()) {
        d->setEnds(true, true);
        return false;
    }
    d->go(d->view.front(), 0, false, false);
    return true;
}

bool DataSet::last()
{
    if (!isActive() || !checkBrowseMode())
        return false;
    d->ensureSorted();
    if (d->view.empty()) {
        d->setEnds(true, true);
        return false;
    }
    d->go(d->view.back(), int(d->view.size()) - 1, false, false);
    return true;
}

bool DataSet::next() { return step(+1); }

bool DataSet::prior() { return step(-1); }

bool DataSet::step(int delta)
{
    if (!isActive() || !checkBrowseMode())
        return false;
    d->ensureSorted();
    if (d->view.empty()) {
        d->setEnds(true, true);
        return false;
    }
    if (!d->current) {
        d->go(d->view.front(), 0, false, false);
        return true;
    }
    const int row = d->currentRow() + delta;
    if (row >= 0 && row < int(d->view.size())) {
        d->go(d->view[size_t(row)], row, false, false);
        return true;
    }
    // Past either end the record stays; the end it met is marked.
    d->setEnds(delta<0, delta> 0);
    return false;
}

bool DataSet::moveTo(int row)
{
    if (!isActive() || !checkBrowseMode())
        return false;
    d->ensureSorted();
    if (row < 0 || row >= int(d->view.size()))
        return false;
    d->go(d->view[size_t(row)], row, false, false);
    return true;
}

bool DataSet::locate(const QString &fieldName, const QVariant &value)
{
    const int f = fieldIndex(fieldName);
    if (f < 0 || !isActive() || !checkBrowseMode())
        return false;
    Node *n = d->find(f, value);
    if (!n)
        return false;
    d->go(n, -1, false, false);
    return true;
}

bool DataSet::contains(const QString &fieldName, const QVariant &value) const
{
    const int f = fieldIndex(fieldName);
    if (f < 0)
        return false;
    const FieldDef &def = d->fields[f];
    const auto converted = convertForField(def, value, false);
    if (!converted)
        return false;
    const LookupKey key = makeKey(def.kind, *converted);
    if (const Lookup *l = d->lookupFor(f)) {
        const auto it = l->map.constFind(key);
        return it != l->map.constEnd() && !it->isEmpty();
    }
    for (const Node &n : d->nodes)
        if (n.id != 0 && makeKey(def.kind, n.row.value(f)) == key)
            return true;
    return false;
}

void DataSet::addLookupIndex(const QString &fieldName)
{
    for (const Lookup &l : d->lookups)
        if (l.name.compare(fieldName, Qt::CaseInsensitive) == 0)
            return;
    Lookup l;
    l.name = fieldName;
    l.field = fieldIndex(fieldName);
    if (l.field >= 0) {
        const FieldKind kind = d->fields[l.field].kind;
        for (Node &n : d->nodes)
            if (n.id != 0)
                l.map[makeKey(kind, n.row.value(l.field))].append(&n);
    }
    d->lookups.push_back(std::move(l));
}

DataSet::Bookmark DataSet::bookmark() const
{
    if (!isActive() || d->state == dsInsert || !d->current)
        return 0;
    return d->current->id;
}

bool DataSet::bookmarkValid(Bookmark b) const { return d->nodeOf(b) != nullptr; }

bool DataSet::gotoBookmark(Bookmark b)
{
    if (!isActive() || !checkBrowseMode())
        return false;
    Node *n = d->nodeOf(b);
    if (!n)
        return false;
    d->go(n, -1, false, false);
    return true;
}

// --- values -----------------------------------------------------------------

QVariant DataSet::value(int field) const
{
    if (field < 0 || field >= d->fields.size())
        return {};
    if (isEditing())
        return d->bufferValue(field);
    if (isActive() && d->current)
        return d->current->row.value(field);
    return {};
}

QVariant DataSet::value(const QString &fieldName) const { return value(fieldIndex(fieldName)); }

bool DataSet::isNull(int field) const { return !value(field).isValid(); }

QString DataSet::asText(int field) const
{
    if (field < 0 || field >= d->fields.size())
        return {};
    return valueText(d->fields[field].kind, value(field));
}

QString DataSet::asText(const QString &fieldName) const { return asText(fieldIndex(fieldName)); }

QVariant DataSet::valueAt(int row, int field) const
{
    if (field < 0 || field >= d->fields.size())
        return {};
    d->ensureSorted();
    if (row < 0 || row >= int(d->view.size()))
        return {};
    return d->view[size_t(row)]->row.value(field);
}

void DataSet::setValue(int field, const QVariant &value)
{
    if (field < 0 || field >= d->fields.size())
        return;
    if (!isEditing()) {
        qWarning("DataSet::setValue: %s is not being edited", qPrintable(d->fields[field].name));
        return;
    }
    const auto converted = convertForField(d->fields[field], value, true);
    if (!converted) {
        qWarning(
            "DataSet::setValue: value for %s does not convert", qPrintable(d->fields[field].name));
        return;
    }
    d->assign(field, *converted);
}

Record DataSet::currentValues() const
{
    if (isEditing())
        return d->bufferCompact ? d->bufferRow.toRecord() : d->buffer;
    if (isActive() && d->current)
        return d->current->row.toRecord();
    return {};
}

CompactRow DataSet::currentRow() const
{
    if (isEditing())
        return d->bufferCompact ? d->bufferRow : CompactRow(d->buffer);
    if (isActive() && d->current)
        return d->current->row;
    return {};
}

bool DataSet::setStoredValues(const Record &values)
{
    if (!isEditing() || values.size() != d->fields.size())
        return false;
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!isStoredForm(d->fields[i], values.at(i)))
            return false;
    }
    QList<int> changed;
    if (d->disabled == 0) {
        for (qsizetype i = 0; i < values.size(); ++i) {
            const QVariant was = d->bufferValue(int(i));
            if (!(was.metaType() == values.at(i).metaType() && was == values.at(i)))
                changed.append(int(i));
        }
    }
    d->clearBuffer();
    d->buffer = values;
    for (int i : changed)
        emit fieldChanged(i);
    return true;
}

bool DataSet::setStoredValues(const CompactRow &row)
{
    if (!isEditing() || row.size() != d->fields.size())
        return false;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (!isStoredForm(d->fields[i], row, i))
            return false;
    }
    QList<int> changed;
    if (d->disabled == 0) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            const QVariant was = d->bufferValue(int(i));
            const QVariant now = row.value(i);
            if (!(was.metaType() == now.metaType() && was == now))
                changed.append(int(i));
        }
    }
    d->takeIntoBuffer(row);
    for (int i : changed)
        emit fieldChanged(i);
    return true;
}

DataSet::Bookmark DataSet::appendRow(const CompactRow &row)
{
    if (d->state != dsBrowse || row.size() != d->fields.size())
        return 0;
    for (qsizetype i = 0; i < row.size(); ++i) {
        if (!isStoredForm(d->fields[i], row, i))
            return 0;
    }
    const Node *added = d->admit(row, d->pending);
    d->rowKnown = false;
    d->controlsLayout();
    emit rowsAppended();
    return added->id;
}

void DataSet::setValue(const QString &fieldName, const QVariant &value)
{
    const int f = fieldIndex(fieldName);
    if (f < 0) {
        qWarning("DataSet::setValue: no field %s", qPrintable(fieldName));
        return;
    }
    setValue(f, value);
}

bool DataSet::setText(int field, const QString &text, QString *error)
{
    if (field < 0 || field >= d->fields.size()) {
        if (error)
            *error = QStringLiteral("Feld nicht gefunden.");
        return false;
    }
    if (!isEditing()) {
        if (error)
            *error = QStringLiteral("Der Datensatz wird nicht bearbeitet.");
        return false;
    }
    const FieldDef &f = d->fields[field];
    const auto converted = textForField(f, text);
    if (!converted) {
        if (error)
            *error = conversionMessage(f.kind, text);
        return false;
    }
    d->assign(field, *converted);
    return true;
}

// --- editing ------------------------------------------------------------------

DataSet::State DataSet::state() const { return d->state; }

bool DataSet::isEditing() const { return d->state == dsEdit || d->state == dsInsert; }

void DataSet::edit()
{
    if (d->state != dsBrowse || !d->current)
        return;
    d->takeIntoBuffer(d->current->row);
    d->setState(dsEdit);
    d->controlsCurrent();
}

void DataSet::append()
{
    if (!isActive() || !checkBrowseMode())
        return;
    d->startNew(false);
}

void DataSet::insert()
{
    if (!isActive() || !checkBrowseMode())
        return;
    d->startNew(true);
}

bool DataSet::post()
{
    if (!isEditing())
        return true;
    // A post asked for while the checks of another post run (a move from
    // inside beforePost, say) must not slip past those checks.
    if (d->posting)
        return false;
    // A copy: a guard may show a message, during which a control can go.
    const auto guards = d->postGuards;
    for (const auto &guard : guards) {
        if (!guard.second())
            return false;
    }
    if (beforePost) {
        d->posting = true;
        const bool accepted = beforePost(*this);
        d->posting = false;
        if (!accepted || !isEditing())
            return false;
    }

    if (d->state == dsInsert) {
        d->fresh->row = d->takeBufferRow();
        Node *n = d->keep(std::move(*d->fresh));
        d->fresh.reset();
        d->pending.push_back(n);
        d->indexAdd(n);
        d->current = n;
    } else {
        Node *n = d->current;
        bool moves = false;
        for (qsizetype i = 0; i < d->sortFields.size() && !moves; ++i) {
            const int f = d->sortFields[i];
            moves = compareValues(d->sortKinds[i], n->row.value(f), d->bufferValue(f)) != 0;
        }
        if (moves) {
            const int row = d->rowOf(n);
            if (row >= 0)
                d->view.erase(d->view.begin() + row);
        }
        d->indexRemove(n);
        n->row = d->takeBufferRow();
        d->indexAdd(n);
        if (moves)
            d->pending.push_back(n);
    }
    d->rowKnown = false;
    d->bof = d->eof = false;
    d->setState(dsBrowse);
    d->controlsLayout();
    d->controlsCurrent();
    emit afterPost();
    return true;
}

void DataSet::cancel()
{
    if (d->state == dsEdit) {
        d->clearBuffer();
        d->setState(dsBrowse);
        d->controlsCurrent();
        emit afterCancel();
    } else if (d->state == dsInsert) {
        const Bookmark before = d->identity();
        d->fresh.reset();
        d->clearBuffer();
        d->bof = d->savedBof;
        d->eof = d->savedEof;
        d->rowKnown = false;
        d->setState(dsBrowse);
        d->controlsCurrent();
        emit afterCancel();
        d->scrolledFrom(before);
    }
}

bool DataSet::deleteRecord()
{
    if (!isActive() || d->deleting)
        return false;
    if (d->state == dsInsert) {
        cancel();
        return true;
    }
    if (!d->current)
        return false;
    const Bookmark target = d->current->id;
    if (beforeDelete) {
        d->deleting = true;
        const bool accepted = beforeDelete(*this);
        d->deleting = false;
        if (!accepted)
            return false;
    }
    // The handler may have moved the table (removing a tree node can select
    // another book); the record asked about is the one that goes.
    Node *n = d->nodeOf(target);
    if (!n || !isActive())
        return false;
    const Bookmark before = d->identity();
    const State was = d->state;
    d->discardPending(); // an edit of the record that goes is void

    const int row = d->rowOf(n);
    d->indexRemove(n);
    if (row >= 0)
        d->view.erase(d->view.begin() + row);
    d->forget(n);

    const int count = int(d->view.size());
    if (count == 0) {
        d->current = nullptr;
        d->cachedRow = -1;
        d->bof = d->eof = true;
    } else if (row >= 0 && row < count) {
        d->current = d->view[size_t(row)];
        d->cachedRow = row;
        d->bof = d->eof = false;
    } else {
        d->current = d->view.back();
        d->cachedRow = count - 1;
        d->bof = false;
        d->eof = true;
    }
    d->rowKnown = true;
    if (d->state != was)
        emit stateChanged();
    d->controlsLayout();
    d->controlsCurrent();
    emit afterDelete();
    d->scrolledFrom(before);
    return true;
}

void DataSet::emptyTable()
{
    const Bookmark before = d->identity();
    const State was = d->state;
    d->discardPending();
    d->dropRecords();
    d->bof = d->eof = true;
    if (d->state != was)
        emit stateChanged();
    d->controlsLayout();
    d->controlsCurrent();
    d->scrolledFrom(before);
}

bool DataSet::checkBrowseMode() { return isEditing() ? post() : true; }

// --- sort order ---------------------------------------------------------------

void DataSet::setIndexFieldNames(const QString &names)
{
    d->indexNames = names;
    const QList<int> before = d->sortFields;
    d->resolveSort();
    if (d->sortFields == before)
        return;
    d->fullSortNeeded = true;
    d->rowKnown = false;
    d->controlsLayout();
    d->controlsCurrent();
}

QString DataSet::indexFieldNames() const { return d->indexNames; }

// --- miscellany -------------------------------------------------------------

QString DataSet::fileName() const { return d->fileName; }

void DataSet::setFileName(const QString &path) { d->fileName = path; }

int DataSet::tag() const { return d->tag; }

void DataSet::setTag(int tag) { d->tag = tag; }

void DataSet::disableControls() { ++d->disabled; }

void DataSet::enableControls()
{
    if (d->disabled == 0)
        return;
    if (--d->disabled == 0) {
        emit layoutChanged();
        emit currentChanged();
    }
}

bool DataSet::controlsDisabled() const { return d->disabled > 0; }

quint64 DataSet::changeCount() const { return d->changes; }
