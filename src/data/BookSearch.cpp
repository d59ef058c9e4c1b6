#include "BookSearch.h"

#include "base/VexUtils.h"
#include "store/ISBN.h"
#include "store/ReviewSchema.h"

#include <atomic>
#include <cstring>
#include <string>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

// --- folding -----------------------------------------------------------------

bool isMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

// The folded UTF-8 form of one character (a surrogate pair counts as one),
// the long way.
QByteArray foldSlowly(QStringView character)
{
    const QList<uint> decomposed
        = character.toString().normalized(QString::NormalizationForm_KD).toUcs4();
    QList<char32_t> bases;
    for (uint c : decomposed) {
        if (!isMark(c))
            bases.append(c);
    }
    QString kept = QString::fromUcs4(bases.constData(), bases.size()).toCaseFolded();
    kept.replace(u'ß', QLatin1String("ss"));
    return kept.toUtf8();
}

// The folded forms of the characters below the surrogates, worked out once
// each and kept: the low byte holds the length with bit 7 set once known (0xFF
// when the form is longer than the seven bytes above it), the bytes follow.
// Atomic words, so that folding from several threads stays sound.
constexpr quint64 kKnown = 0x80;
constexpr quint64 kTooLong = 0xFF;
std::atomic<quint64> g_folded[0x10000];

quint64 foldedEntry(char16_t c)
{
    quint64 entry = g_folded[c].load(std::memory_order_relaxed);
    if (entry & kKnown)
        return entry;
    const QChar ch(c);
    const QByteArray bytes = foldSlowly(QStringView(&ch, 1));
    if (bytes.size() > 7) {
        entry = kTooLong;
    } else {
        entry = kKnown | quint64(bytes.size());
        for (qsizetype i = 0; i < bytes.size(); ++i)
            entry |= quint64(quint8(bytes[i])) << (8 * (i + 1));
    }
    g_folded[c].store(entry, std::memory_order_relaxed);
    return entry;
}

void appendFolded(std::string &out, QStringView text)
{
    out.reserve(out.size() + size_t(text.size()));
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c < 0x80) {
            out.push_back(char(c >= u'A' && c <= u'Z' ? c + 32 : c));
            continue;
        }
        if (QChar::isSurrogate(c)) {
            // A pair is one character; a lone half is no character at all
            // and stands as the replacement character.
            if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(p[i + 1])) {
                const QByteArray bytes = foldSlowly(text.mid(i, 2));
                out.append(bytes.constData(), size_t(bytes.size()));
                ++i;
            } else {
                out.append("\xEF\xBF\xBD");
            }
            continue;
        }
        const quint64 entry = foldedEntry(c);
        if (entry == kTooLong) {
            const QByteArray bytes = foldSlowly(text.mid(i, 1));
            out.append(bytes.constData(), size_t(bytes.size()));
            continue;
        }
        const int len = int(entry & 0x7F);
        for (int k = 1; k <= len; ++k)
            out.push_back(char(quint8(entry >> (8 * k))));
    }
}

QByteArray foldedUtf8(QStringView text)
{
    std::string out;
    appendFolded(out, text);
    return QByteArray(out.data(), qsizetype(out.size()));
}

// --- books -------------------------------------------------------------------

// The text of a stored value: text fields as they are, numbers as their text.
QString valueText(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::QString)
        return *static_cast<const QString *>(v.constData());
    return v.toString();
}

bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

quint64 digitsValue(QStringView digits)
{
    quint64 v = 0;
    for (QChar c : digits)
        v = v * 10 + quint64(c.unicode() - u'0');
    return v;
}

// The ISBN-13 of a normalised, valid ISBN of 10 or 13 characters.
quint64 thirteenOf(const QString &isbn)
{
    if (isbn.size() == 13)
        return digitsValue(isbn);
    // "978", the first nine digits, and the check digit of the new form.
    const QString body = QStringLiteral("978") + isbn.left(9);
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += (body[i].unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return digitsValue(body) * 10 + quint64((10 - sum % 10) % 10);
}

// Scratch space for composing a book's text; reused, so that building tens
// of thousands of books allocates once per book.
std::string &scratch()
{
    thread_local std::string buffer;
    buffer.clear();
    return buffer;
}

// --- queries -----------------------------------------------------------------

struct Prefix
{
    const char *folded;
    int part;
};

// Field prefixes, folded as the query is ("übers" is "ubers").
const Prefix kPrefixes[] = {
    { "titel", SearchableBook::Title },
    { "autor", SearchableBook::Authors },
    { "ill", SearchableBook::Illustrators },
    { "ubers", SearchableBook::Translators },
    { "verlag", SearchableBook::Publisher },
    { "ort", SearchableBook::Place },
    { "jahr", SearchableBook::Year },
    { "thema", SearchableBook::Topic },
    { "text", SearchableBook::Review },
};

// Whether a needle of two bytes or more occurs in the text. Many places at
// a time are tested for the needle's first and last byte; the bytes between
// are compared only where both fit, which in running text is seldom.
#if defined(__x86_64__)
__attribute__((target("avx2"))) size_t scanWide(
    const char *text, size_t size, const char *n, size_t k, bool *found)
{
    const __m256i first = _mm256_set1_epi8(n[0]);
    const __m256i last = _mm256_set1_epi8(n[k - 1]);
    size_t i = 0;
    for (; i + k + 31 <= size; i += 32) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(text + i));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(text + i + k - 1));
        unsigned mask = unsigned(_mm256_movemask_epi8(
            _mm256_and_si256(_mm256_cmpeq_epi8(first, a), _mm256_cmpeq_epi8(last, b))));
        while (mask) {
            const int at = __builtin_ctz(mask);
            if (std::memcmp(text + i + at + 1, n + 1, k - 2) == 0) {
                *found = true;
                return i;
            }
            mask &= mask - 1;
        }
    }
    return i;
}

size_t scanNarrow(const char *text, size_t size, const char *n, size_t k, bool *found)
{
    const __m128i first = _mm_set1_epi8(n[0]);
    const __m128i last = _mm_set1_epi8(n[k - 1]);
    size_t i = 0;
    for (; i + k + 15 <= size; i += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i + k - 1));
        unsigned mask = unsigned(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, a), _mm_cmpeq_epi8(last, b))));
        while (mask) {
            const int at = __builtin_ctz(mask);
            if (std::memcmp(text + i + at + 1, n + 1, k - 2) == 0) {
                *found = true;
                return i;
            }
            mask &= mask - 1;
        }
    }
    return i;
}

const bool g_wide = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
}();
#endif

bool contains(const char *text, size_t size, const QByteArray &needle)
{
    const size_t k = size_t(needle.size());
    const char *n = needle.constData();
    if (k > size)
        return false;
    if (k == 1)
        return std::memchr(text, n[0], size) != nullptr;
    size_t i = 0;
#if defined(__x86_64__)
    bool found = false;
    i = g_wide ? scanWide(text, size, n, k, &found) : scanNarrow(text, size, n, k, &found);
    if (found)
        return true;
#endif
    // The last places (or all of them elsewhere).
    return memmem(text + i, size - i, n, k) != nullptr;
}

} // namespace

QString FoldForSearch(QStringView text) { return QString::fromUtf8(foldedUtf8(text)); }

quint64 IsbnThirteenOf(QStringView text)
{
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (c != u'-' && c != u' ')
            compact.append(c);
    }
    if (compact.size() != 10 && compact.size() != 13)
        return 0;
    for (qsizetype i = 0; i < compact.size(); ++i) {
        const QChar c = compact[i];
        const bool checkX = compact.size() == 10 && i == 9 && (c == u'X' || c == u'x');
        if (!isDigit(c) && !checkX)
            return 0;
    }
    compact = compact.toUpper();
    if (!IsValidISBN(compact, nullptr))
        return 0;
    return thirteenOf(compact);
}

SearchableBook::SearchableBook(const Record &values)
{
    const auto at = [&values](int field) {
        return field < values.size() ? valueText(values[field]) : QString();
    };
    std::string &out = scratch();
    const auto start = [&](Part p) { m_start[p] = quint32(out.size()); };
    const auto field = [&](int f) {
        appendFolded(out, at(f));
        out.push_back('\n');
    };
    const auto fields = [&](std::initializer_list<int> list) {
        for (int f : list)
            field(f);
    };

    start(Title);
    field(fBookTitle);
    start(Serie);
    field(fBookSerie);
    start(Publisher);
    field(fPublisher);
    start(Place);
    field(fPublisherLocation);
    start(Year);
    field(fYearPublished);
    start(Authors);
    fields({ fAuthor1Name, fAuthor1Firstname, fAuthor2Name, fAuthor2Firstname, fAuthor3Name,
        fAuthor3Firstname });
    start(Illustrators);
    fields({ fIllustrator1Name, fIllustrator1FirstName, fIllustrator2Name, fIllustrator2Firstname,
        fIllustrator3Name, fIllustrator3Firstname });
    start(Translators);
    fields({ fTranslator1Name, fTranslator1Firstname, fTranslator2Name, fTranslator2Firstname });
    start(Language);
    field(fLanguage);
    start(Topic);
    field(fCategory);
    start(Age);
    field(fAge);
    start(Recommendation);
    field(fRecommendation);
    start(Initials);
    field(fReviewerInitials);
    start(Number);
    const int key = fBookNbr < values.size() ? BookKeyOf(values[fBookNbr]) : 0;
    if (key != 0)
        appendFolded(out, BookKeyToText(key));
    out.push_back('\n');
    start(Review);
    field(fReview);
    m_start[PartCount] = quint32(out.size());
    m_text = QByteArray(out.data(), qsizetype(out.size()));

    int kind = 0;
    const QString isbn = NormalizeISBN(at(fBookSerie));
    if (IsValidISBN(isbn, &kind))
        m_isbn = thirteenOf(isbn);
}

SearchableBook SearchableBook::fromTitle(const QString &title)
{
    Record values(ReviewFieldCount);
    values[fBookTitle] = title;
    return SearchableBook(values);
}

QByteArray SearchableBook::part(Part p) const
{
    const quint32 from = m_start[p];
    const quint32 to = m_start[p + 1];
    if (to <= from)
        return {};
    return m_text.mid(from, to - from - 1);
}

FindQuery::FindQuery(const QString &text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        const qsizetype begin = i;
        while (i < n && !text[i].isSpace())
            ++i;
        if (i == begin)
            break;
        const QStringView word = QStringView(text).mid(begin, i - begin);

        Word w;
        QStringView value = word;
        const qsizetype colon = word.indexOf(u':');
        if (colon > 0) {
            const QByteArray prefix = foldedUtf8(word.left(colon));
            for (const Prefix &p : kPrefixes) {
                if (prefix == p.folded) {
                    w.part = p.part;
                    value = word.mid(colon + 1);
                    break;
                }
            }
        }
        w.needle = foldedUtf8(value);
        w.whole = w.part == SearchableBook::Year;
        if (w.part < 0)
            w.isbn = IsbnThirteenOf(word);
        m_words.append(w);
    }
}

bool FindQuery::matches(const SearchableBook &book) const
{
    const char *text = book.m_text.constData();
    for (const Word &w : m_words) {
        if (w.isbn != 0 && w.isbn == book.m_isbn)
            continue;
        // A word that folds to nothing ("titel:" while the title is still
        // being typed) holds back no book.
        if (w.needle.isEmpty())
            continue;
        size_t from = 0;
        size_t size = size_t(book.m_text.size());
        if (w.part >= 0) {
            from = book.m_start[w.part];
            const size_t to = book.m_start[w.part + 1];
            size = to > from ? to - from - 1 : 0;
        }
        if (w.whole) {
            if (size != size_t(w.needle.size())
                || std::memcmp(text + from, w.needle.constData(), size) != 0)
                return false;
        } else if (!contains(text + from, size, w.needle)) {
            return false;
        }
    }
    return true;
}

bool FindQuery::narrows(const FindQuery &older) const
{
    if (older.isEmpty() || m_words.size() < older.m_words.size())
        return false;
    for (qsizetype i = 0; i < older.m_words.size(); ++i) {
        const Word &was = older.m_words[i];
        const Word &now = m_words[i];
        if (now.part != was.part || now.whole != was.whole)
            return false;
        // A whole year matches none of the books of a shorter one.
        if (now.whole && now.needle != was.needle)
            return false;
        // An ISBN may match a book whose text holds neither word.
        if (now.isbn != 0 && now.isbn != was.isbn)
            return false;
        if (!now.needle.contains(was.needle))
            return false;
    }
    return true;
}

bool BookMatches(const QString &query, const Record &values)
{
    return FindQuery(query).matches(SearchableBook(values));
}
