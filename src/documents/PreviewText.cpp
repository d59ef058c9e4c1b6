#include "PreviewText.h"

#include "base/VexUtils.h"
#include "store/DataSet.h"

#include <cmath>
#include <iterator>

namespace {

QString fieldText(const QVariant &v)
{
    if (!v.isValid())
        return {};
    // The stored value itself: the conversions of QVariant look the types up
    // again for every one of the fields of every record.
    switch (v.metaType().id()) {
    case QMetaType::QString:
        return *static_cast<const QString *>(v.constData());
    case QMetaType::Double:
        return NumberText(*static_cast<const double *>(v.constData()));
    case QMetaType::Int:
        return QString::number(*static_cast<const int *>(v.constData()));
    case QMetaType::LongLong:
        return QString::number(*static_cast<const qlonglong *>(v.constData()));
    default:
        return v.toString();
    }
}

// What a person of a contributor kind has filled in.
enum Filled { None = 0, NameOnly = 1, FirstOnly = 2, Both = 3 };

struct PhraseRow
{
    Filled p1, p2, p3;
    // N1..N3 stand for the names, F1..F3 for the first names; everything
    // else is taken literally.
    const char16_t *author;
    const char16_t *illustrator;
};

// Every combination not listed here has no phrase.
constexpr PhraseRow kPhrases[] = {
    { NameOnly, None, None, u"N1", u"N1" },
    { FirstOnly, None, None, u"F1", u"F1" },
    { Both, None, None, u"N1, F1", u"F1 N1" },
    { None, Both, None, u"N2, F2", u"F2 N2" },
    { None, None, Both, u"N3, F3", u"F3 N3" },
    { Both, Both, None, u"N1, F1 / N2, F2", u"F1 N1 und F2 N2" },
    { Both, None, Both, u"N1, F1 / N3, F3", u"F1 N1 und F3 N3" },
    { None, Both, Both, u"N2, F2 / N3, F3", u"F2 N2 und F3 N3" },
    { Both, Both, Both, u"N1, F1 / N2, F2 / N3, F3", u"F1 N1, F2 N2 und F3 N3" },
    { Both, FirstOnly, None, u"N1, F1 und F2", u"F1 und F2 N1" },
    { FirstOnly, Both, None, u"N2, F1 und F2", u"F1 und F2 N2" },
    { None, Both, FirstOnly, u"N2, F2 und F3", u"F2 und F3 N2" },
    { None, FirstOnly, Both, u"N3, F2 und F3", u"F2 und F3 N3" },
    { Both, FirstOnly, FirstOnly, u"N1, F1, F2 und F3", u"F1, F2 und F3 N1" },
    { FirstOnly, Both, FirstOnly, u"N2, F1, F2 und F3", u"F1, F2 und F3 N2" },
    { FirstOnly, FirstOnly, Both, u"N3, F1, F2 und F3", u"F1, F2 und F3 N3" },
    { Both, Both, FirstOnly, u"N1, F1 / N2, F2 und F3", u"F1 N1 und F2 und F3 N2" },
    { Both, FirstOnly, Both, u"N1, F1 und F2 / N3, F3", u"F1 N1 und F2 und F3 N3" },
    { FirstOnly, Both, Both, u"N2, F1 und F2 / N3, F3", u"F1 und F2 N2 und F3 N3" },
};

Filled filled(const QString &name, const QString &firstName)
{
    return Filled((name.isEmpty() ? 0 : NameOnly) | (firstName.isEmpty() ? 0 : FirstOnly));
}

QString fillPattern(
    const char16_t *pattern, const QString *const *names, const QString *const *firstNames)
{
    QString out;
    out.reserve(96);
    for (const char16_t *c = pattern; *c; ++c) {
        if ((*c == u'N' || *c == u'F') && c[1] >= u'1' && c[1] <= u'3') {
            const int k = c[1] - u'1';
            out += *c == u'N' ? *names[k] : *firstNames[k];
            ++c;
        } else {
            out += QChar(*c);
        }
    }
    return out;
}

// persons: 3 for authors and illustrators, 2 for translators.
QString phrase(const ReviewTexts &r, const ReviewField (*fields)[2], int persons, bool author)
{
    // The record's own texts, not copies of them.
    const QString nobody;
    const QString *names[3] = { &nobody, &nobody, &nobody };
    const QString *firstNames[3] = { &nobody, &nobody, &nobody };
    Filled state[3] = { None, None, None };
    for (int k = 0; k < persons; ++k) {
        names[k] = &r[fields[k][0]];
        firstNames[k] = &r[fields[k][1]];
        state[k] = filled(*names[k], *firstNames[k]);
    }
    for (const PhraseRow &row : kPhrases) {
        if (row.p1 == state[0] && row.p2 == state[1] && row.p3 == state[2])
            return fillPattern(author ? row.author : row.illustrator, names, firstNames);
    }
    return {};
}

constexpr ReviewField kAuthors[3][2] = { { fAuthor1Name, fAuthor1Firstname },
    { fAuthor2Name, fAuthor2Firstname }, { fAuthor3Name, fAuthor3Firstname } };
constexpr ReviewField kIllustrators[3][2] = { { fIllustrator1Name, fIllustrator1FirstName },
    { fIllustrator2Name, fIllustrator2Firstname }, { fIllustrator3Name, fIllustrator3Firstname } };
constexpr ReviewField kTranslators[2][2]
    = { { fTranslator1Name, fTranslator1Firstname }, { fTranslator2Name, fTranslator2Firstname } };

} // namespace

ReviewTexts ReviewTextsOf(const Record &values)
{
    ReviewTexts r;
    const qsizetype count = qMin(qsizetype(ReviewFieldCount), values.size());
    for (qsizetype i = 0; i < count; ++i)
        r.field[i] = fieldText(values[i]);
    return r;
}

ReviewTexts ReviewTextsOf(const CompactRow &row) { return ReviewTextsOf(row, ReviewFieldCount); }

ReviewTexts ReviewTextsOf(const CompactRow &row, ReviewField without)
{
    ReviewTexts r;
    const qsizetype count = qMin(qsizetype(ReviewFieldCount), row.size());
    for (qsizetype i = 0; i < count; ++i) {
        if (i != without)
            r.field[i] = fieldText(row.value(i));
    }
    return r;
}

QString ReviewFieldText(const CompactRow &row, ReviewField f)
{
    return f < row.size() ? fieldText(row.value(f)) : QString();
}

ReviewTexts CurrentReviewTexts(const DataSet &table)
{
    return ReviewTextsOf(table.currentValues());
}

ReviewTexts ReviewTextsAt(const DataSet &table, int row)
{
    ReviewTexts r;
    const int count = qMin(int(ReviewFieldCount), table.fieldCount());
    for (int i = 0; i < count; ++i)
        r.field[i] = fieldText(table.valueAt(row, i));
    return r;
}

QString GetAuthors(const ReviewTexts &r)
{
    QString p = phrase(r, kAuthors, 3, true);
    if (!p.isEmpty())
        p += QStringLiteral(": ");
    return p;
}

QString GetIllustrators(const ReviewTexts &r)
{
    QString p = phrase(r, kIllustrators, 3, false);
    if (!p.isEmpty())
        p += QStringLiteral(". ");
    return p;
}

QString GetTranslators(const ReviewTexts &r)
{
    QString p = phrase(r, kTranslators, 2, false);
    p += QStringLiteral(". ");
    return p;
}

QString BookNumberText(const ReviewTexts &r)
{
    const auto number = ParseNumber(r[fBookNbr]);
    if (!number)
        return r[fBookNbr];
    const int year = ParseInteger(r[fYearPublished]).value_or(0);
    if (year % 1000 < 10)
        return NumberText(*number);
    return QString::number(*number, 'f', 2);
}

qsizetype PreviewSizeEstimate(const QList<CompactRow> &rows)
{
    qsizetype size = 0;
    for (const CompactRow &row : rows)
        size += 400 + qMax<qsizetype>(row.textLength(fReview), 0);
    return size;
}

QString ComposePreview(const ReviewTexts &r, const QLocale &locale)
{
    QString t;
    t.reserve(320 + r[fBookTitle].size() + r[fReview].size());
    AppendPreview(t, r, locale);
    return t;
}

void AppendPreview(QString &t, const ReviewTexts &r, const QLocale &locale)
{
    // Piece by piece straight into t: with tens of thousands of records,
    // temporaries of the long review text would cost as much as the rest.
    const QChar cr(u'\r');
    const qsizetype start = t.size();
    t += BookNumberText(r);
    t += cr;
    t += GetAuthors(r);
    t += r[fBookTitle];
    const QChar last = t.size() > start ? t.back() : QChar();
    if (last == u'.' || last == u'!' || last == u'?')
        t += u' ';
    else
        t += QStringLiteral(". ");

    const bool audioBook = r[fBinding] == QStringLiteral("CD");
    const QString illustrators = GetIllustrators(r);
    if (!illustrators.isEmpty()) {
        t += audioBook ? QStringLiteral("Gel. von ") : QStringLiteral("Ill. von ");
        t += illustrators;
    }
    if (r[fLanguage] != QStringLiteral("-")) {
        t += QStringLiteral("A. d. ");
        t += r[fLanguage];
        t += QStringLiteral(". von ");
        t += GetTranslators(r);
    }
    t += r[fPublisherLocation];
    t += QStringLiteral(": ");
    t += r[fPublisher];
    t += QStringLiteral(", ");
    t += r[fYearPublished];
    t += QStringLiteral(". ");

    const QString pages = r[fPages].trimmed();
    if (r[fPagination] == QStringLiteral("P")) {
        if (audioBook) {
            t += QStringLiteral("Hörbuch, ");
            t += pages;
            t += u' ';
        } else {
            t += pages;
            t += QStringLiteral(" S., ");
        }
    } else {
        t += QStringLiteral("Unpag., ");
    }
    t += r[fBinding];
    if (audioBook) {
        if (pages != QStringLiteral("1"))
            t += u's';
        t += QStringLiteral(", ");
    } else {
        t += QStringLiteral("., ");
    }

    t += r[fCurrency];
    if (r[fCurrency] == QStringLiteral("Fr"))
        t += u'.';
    t += u' ';
    if (const auto value = ParseNumber(r[fPrice])) {
        t += PriceText(*value, locale);
    }
    t += u'.';
    if (!r[fBookSerie].isEmpty()) {
        t += QStringLiteral(" (");
        t += r[fBookSerie];
        t += QStringLiteral(").");
    }

    t += cr;
    t += r[fReview];
    t += cr;
    t += r[fAgegroup];
    t += u' ';
    t += r[fCategory];
    const QString age = r[fAge].trimmed();
    if (!age.isEmpty()) {
        t += QStringLiteral(". Ab ");
        t += age;
    }
    t += QStringLiteral(", ");
    t += r[fRecommendation];
    t += u' ';
    t += r[fReviewerInitials];
    t += cr;
    t += cr;
}

namespace {

// The separators of the last number format asked for: QLocale makes a new
// text for each on every call, which tens of thousands of prices notice.
struct PriceSigns
{
    QLocale locale;
    bool plainDigits = false;
    QString decimalPoint;
    QString negativeSign;
};

const PriceSigns &priceSigns(const QLocale &locale)
{
    static thread_local PriceSigns signs { QLocale::c(), true, QStringLiteral("."),
        QStringLiteral("-") };
    if (!(signs.locale == locale)) {
        signs.locale = locale;
        signs.plainDigits = locale.zeroDigit() == QStringLiteral("0");
        signs.decimalPoint = locale.decimalPoint();
        signs.negativeSign = locale.negativeSign();
    }
    return signs;
}

} // namespace

QString PriceText(double value, const QLocale &locale)
{
    // QLocale's own formatting is the slowest step of a preview; whole cents
    // are written here directly. Halves, values from ten million on (where
    // scaling to cents may round), negative zero and
    // locales with other digits are left to QLocale, which rounds exactly.
    const PriceSigns &signs = priceSigns(locale);
    const double scaled = value * 100;
    const double fraction = scaled - std::floor(scaled);
    if (!std::isfinite(value) || std::abs(value) >= 1e7 || std::abs(fraction - 0.5) < 1e-6
        || !signs.plainDigits || (value < 0 && scaled > -0.5)) {
        QLocale plain = locale;
        plain.setNumberOptions(plain.numberOptions() | QLocale::OmitGroupSeparator);
        return plain.toString(value, 'f', 2);
    }
    qint64 cents = std::llround(scaled);
    const bool negative = cents < 0;
    if (negative)
        cents = -cents;
    // The digits from the last one backwards, then the text in one piece.
    char16_t digits[24];
    char16_t *first = std::end(digits);
    *--first = char16_t(u'0' + cents % 10);
    *--first = char16_t(u'0' + cents / 10 % 10);
    qint64 whole = cents / 100;
    do {
        *--first = char16_t(u'0' + whole % 10);
        whole /= 10;
    } while (whole > 0);
    const qsizetype wholeDigits = std::end(digits) - first - 2;
    QString text;
    text.reserve(
        (negative ? signs.negativeSign.size() : 0) + wholeDigits + signs.decimalPoint.size() + 2);
    if (negative)
        text += signs.negativeSign;
    text += QStringView(first, wholeDigits);
    text += signs.decimalPoint;
    text += QStringView(first + wholeDigits, 2);
    return text;
}

QLocale PriceLocale(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

QString GetAuthors(const DataSet &table) { return GetAuthors(CurrentReviewTexts(table)); }
QString GetIllustrators(const DataSet &table) { return GetIllustrators(CurrentReviewTexts(table)); }
QString GetTranslators(const DataSet &table) { return GetTranslators(CurrentReviewTexts(table)); }
QString BookNumberText(const DataSet &table) { return BookNumberText(CurrentReviewTexts(table)); }

QString ComposePreview(const DataSet &table, const QLocale &locale)
{
    return ComposePreview(CurrentReviewTexts(table), locale);
}

QString PriceText(const QString &priceField, const QLocale &locale)
{
    const auto value = ParseNumber(priceField);
    return value ? PriceText(*value, locale) : QString();
}
