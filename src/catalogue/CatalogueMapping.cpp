#include "CatalogueMapping.h"

#include "CatalogueSettings.h"
#include "store/ISBN.h"
#include "store/ReviewSchema.h"
#include "util/Codec1252.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>
#include <QRegularExpression>

#include <cmath>
#include <functional>

namespace {

constexpr int kMaxAuthors = 3;
constexpr int kMaxIllustrators = 3;
constexpr int kMaxTranslators = 2;
constexpr int kMaxPages = 99999;

using Rx = QRegularExpression;
constexpr auto kNoCase = QRegularExpression::CaseInsensitiveOption;

// ISO 639-2 codes (bibliographic and terminological) with the English name
// and the German long forms a language list may use for them, best first.
struct IsoLanguage
{
    const char *codes;
    const char *english;
    const char *german; // "|" between the forms
};

const IsoLanguage kIsoLanguages[] = {
    { "eng", "English", "Englischen" },
    { "fre fra", "French", "Französischen" },
    { "ger deu", "German", "Deutschen" },
    { "swe", "Swedish", "Schwedischen" },
    { "dan", "Danish", "Dänischen" },
    { "nor nob nno", "Norwegian", "Norwegischen" },
    { "fin", "Finnish", "Finnischen" },
    { "dut nld", "Dutch", "Niederländischen|Holländischen|Flämischen" },
    { "ita", "Italian", "Italienischen" },
    { "spa", "Spanish", "Spanischen" },
    { "por", "Portuguese", "Portugiesischen" },
    { "rus", "Russian", "Russischen" },
    { "pol", "Polish", "Polnischen" },
    { "cze ces", "Czech", "Tschechischen" },
    { "slo slk", "Slovak", "Slowakischen" },
    { "hun", "Hungarian", "Ungarischen" },
    { "tur", "Turkish", "Türkischen" },
    { "gre ell grc", "Greek", "Griechischen" },
    { "heb", "Hebrew", "Hebräischen" },
    { "ara", "Arabic", "Arabischen" },
    { "chi zho", "Chinese", "Chinesischen" },
    { "jpn", "Japanese", "Japanischen" },
    { "kor", "Korean", "Koreanischen" },
    { "hrv", "Croatian", "Kroatischen" },
    { "srp", "Serbian", "Serbischen" },
    { "bos", "Bosnian", "Bosnischen" },
    { "slv", "Slovenian", "Slowenischen" },
    { "bul", "Bulgarian", "Bulgarischen" },
    { "rum ron", "Romanian", "Rumänischen" },
    { "ice isl", "Icelandic", "Isländischen" },
    { "baq eus", "Basque", "Baskischen" },
    { "roh", "Romansh", "Romanischen|Rätoromanischen" },
    { "uzb", "Uzbek", "Usbekischen" },
    { "ukr", "Ukrainian", "Ukrainischen" },
    { "cat", "Catalan", "Katalanischen" },
    { "lat", "Latin", "Lateinischen" },
    { "per fas", "Persian", "Persischen" },
    { "yid", "Yiddish", "Jiddischen" },
    { "est", "Estonian", "Estnischen" },
    { "lav", "Latvian", "Lettischen" },
    { "lit", "Lithuanian", "Litauischen" },
    { "alb sqi", "Albanian", "Albanischen" },
    { "mac mkd", "Macedonian", "Mazedonischen" },
    { "gle", "Irish", "Irischen" },
    { "wel cym", "Welsh", "Walisischen" },
    { "fry", "Frisian", "Friesischen" },
    { "ltz", "Luxembourgish", "Luxemburgischen" },
    { "vie", "Vietnamese", "Vietnamesischen" },
};

const IsoLanguage *isoLanguage(const QString &code)
{
    const QString wanted = code.trimmed().toLower();
    if (wanted.size() != 3)
        return nullptr;
    for (const IsoLanguage &l : kIsoLanguages) {
        if (QString::fromLatin1(l.codes).split(u' ').contains(wanted))
            return &l;
    }
    return nullptr;
}

// Whether the word after "aus dem" names a language ("Engl.", "Amerikanischen")
// rather than anything else ("aus dem Nachlass von").
bool namesLanguage(const QString &word, const QList<CatalogueLanguage> &languages)
{
    QString stem = word.trimmed();
    while (stem.endsWith(u'.'))
        stem.chop(1);
    if (stem.size() < 3)
        return false;
    QStringList forms { QStringLiteral("Amerikanischen"), QStringLiteral("Australischen"),
        QStringLiteral("Kanadischen"), QStringLiteral("Brasilianischen"),
        QStringLiteral("Altgriechischen"), QStringLiteral("Mittelhochdeutschen") };
    for (const IsoLanguage &l : kIsoLanguages)
        forms += QString::fromUtf8(l.german).split(u'|');
    for (const CatalogueLanguage &l : languages)
        forms.append(l.longName.trimmed());
    return std::any_of(forms.begin(), forms.end(),
        [&stem](const QString &form) { return form.startsWith(stem, Qt::CaseInsensitive); });
}

QString shortForLongForms(const QStringList &forms, const QList<CatalogueLanguage> &languages)
{
    for (const QString &form : forms) {
        for (const CatalogueLanguage &l : languages) {
            if (l.shortName != QLatin1String("-")
                && l.longName.trimmed().compare(form, Qt::CaseInsensitive) == 0)
                return l.shortName;
        }
    }
    return {};
}

// Trailing punctuation that the catalogues leave before the next part
// (" /", " :"). A plain loop: answers are untrusted and may be long.
QString trimTrailing(QString text)
{
    qsizetype end = text.size();
    while (end > 0) {
        const QChar c = text[end - 1];
        if (!c.isSpace() && c != u'/' && c != u':' && c != u';' && c != u'=' && c != u',')
            break;
        --end;
    }
    text.truncate(end);
    return text.trimmed();
}

bool isSmallWord(const QString &word) { return !word.isEmpty() && word.front().isLower(); }

// A relator term ($e) as its code.
QString relatorCode(const QString &term)
{
    static const struct
    {
        const char16_t *term;
        const char *code;
    } terms[] = {
        { u"verfasser", "aut" },
        { u"verfasserin", "aut" },
        { u"autor", "aut" },
        { u"autorin", "aut" },
        { u"illustrator", "ill" },
        { u"illustratorin", "ill" },
        { u"illustriert", "ill" },
        { u"übersetzer", "trl" },
        { u"übersetzerin", "trl" },
        { u"übersetzung", "trl" },
        { u"erzähler", "nrt" },
        { u"erzählerin", "nrt" },
        { u"sprecher", "nrt" },
        { u"sprecherin", "nrt" },
        { u"vorleser", "nrt" },
        { u"vorleserin", "nrt" },
    };
    const QString t = term.trimmed().toLower();
    for (const auto &e : terms) {
        if (t == QString::fromUtf16(e.term))
            return QLatin1String(e.code);
    }
    // An editor, a foreword's author: someone, but none of the record's people.
    return QStringLiteral("oth");
}

struct Person
{
    PersonName name;
    QStringList roles;
};

QList<Person> personsOf(const MarcRecord &record)
{
    QList<Person> persons;
    for (const char16_t *tag : { u"100", u"700" }) {
        for (const MarcField *f : record.fieldsWithTag(QStringView(tag))) {
            // A person with a title is a work (an added title), not a contributor.
            if (f->has(u't'))
                continue;
            const PersonName name = SplitMarcName(f->subfield(u'a'));
            if (name.name.isEmpty())
                continue;
            Person p { name, {} };
            for (QString code : f->subfieldsOf(u'4')) {
                code = code.trimmed().toLower();
                code = code.mid(code.lastIndexOf(u'/') + 1);
                if (code == QLatin1String("spk"))
                    code = QStringLiteral("nrt");
                p.roles.append(code);
            }
            for (const QString &term : f->subfieldsOf(u'e'))
                p.roles.append(relatorCode(term));
            if (p.roles.isEmpty() && f->tag == QLatin1String("100"))
                p.roles.append(QStringLiteral("aut"));
            persons.append(p);
        }
    }
    return persons;
}

QList<PersonName> withRole(const QList<Person> &persons, const QString &role, int most)
{
    QList<PersonName> names;
    for (const Person &p : persons) {
        if (names.size() >= most)
            break;
        if (p.roles.contains(role) && !names.contains(p.name))
            names.append(p.name);
    }
    return names;
}

void putPersons(QMap<int, QVariant> &values, const QList<PersonName> &names, int firstField)
{
    for (qsizetype i = 0; i < names.size(); ++i) {
        const int nameField = firstField + int(2 * i);
        values.insert(nameField, names[i].name);
        if (!names[i].firstName.isEmpty())
            values.insert(nameField + 1, names[i].firstName);
    }
}

bool anyField(const MarcRecord &record, const char16_t *tag,
    const std::function<bool(const MarcField &)> &test)
{
    const QList<const MarcField *> fields = record.fieldsWithTag(QStringView(tag));
    return std::any_of(
        fields.begin(), fields.end(), [&test](const MarcField *f) { return test(*f); });
}

// The product forms ("(Produktform)Hardback") the record names.
QStringList productForms(const MarcRecord &record)
{
    QStringList forms;
    const QString prefix = QStringLiteral("(Produktform)");
    for (const MarcField *f : record.fieldsWithTag(u"653")) {
        for (const QString &a : f->subfieldsOf(u'a')) {
            if (a.startsWith(prefix, Qt::CaseInsensitive))
                forms.append(a.mid(prefix.size()).trimmed());
        }
    }
    return forms;
}

CatalogueEntry::Medium mediumOf(const MarcRecord &record, const QStringList &forms)
{
    const auto contains = [](const QString &text, const char *what) {
        return text.contains(QLatin1String(what), Qt::CaseInsensitive);
    };
    const bool spoken = (record.leader.size() > 6 && record.leader[6] == u'i')
        || anyField(record, u"336",
            [&](const MarcField &f) {
                return contains(f.subfield(u'a'), "Gesprochenes Wort")
                    || f.subfield(u'b').trimmed() == QLatin1String("spw");
            })
        || std::any_of(forms.begin(), forms.end(),
            [&](const QString &form) { return contains(form, "Audio"); });
    if (spoken)
        return CatalogueEntry::Audio;
    const bool online = anyField(record, u"338", [&](const MarcField &f) {
        return contains(f.subfield(u'a'), "Online-Ressource")
            || f.subfield(u'b').trimmed() == QLatin1String("cr");
    }) || anyField(record, u"007", [](const MarcField &f) {
        return f.data.startsWith(u"cr");
    }) || std::any_of(forms.begin(), forms.end(), [&](const QString &form) {
        return contains(form, "Electronic") || contains(form, "Digital");
    });
    return online ? CatalogueEntry::EBook : CatalogueEntry::Print;
}

QString titleOf(const MarcRecord &record)
{
    const MarcField *f = record.field(u"245");
    if (!f)
        return {};
    QStringList parts;
    for (const MarcSubfield &s : f->subfields) {
        if (s.code != u'a' && s.code != u'n' && s.code != u'p')
            continue;
        const QString part = trimTrailing(s.text);
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.join(QStringLiteral(". "));
}

// The publication statement: 264 with second indicator 1, else any 264, else
// the older 260.
const MarcField *publicationOf(const MarcRecord &record)
{
    const QList<const MarcField *> fields = record.fieldsWithTag(u"264");
    for (const MarcField *f : fields) {
        if (f->ind2 == u'1')
            return f;
    }
    if (!fields.isEmpty())
        return fields.first();
    return record.field(u"260");
}

std::optional<int> firstYear(const QString &text)
{
    static const Rx year(QStringLiteral("(?<!\\d)(\\d{4})(?!\\d)"));
    const QRegularExpressionMatch m = year.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    return m.captured(1).toInt();
}

// The ISBN of the record that matches the one asked for, with its qualifier
// (binding and prices).
struct IsbnMatch
{
    QString hyphenated;
    QString qualifier;
};

QString isbn13Check(const QString &twelve)
{
    int sum = 0;
    for (qsizetype i = 0; i < 12; ++i)
        sum += (twelve[i].unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return QString(QChar(u'0' + (10 - sum % 10) % 10));
}

QString hyphenated13(const QString &written, const QString &isbn13)
{
    const QString plain = QString(written).remove(u'-').remove(u' ').toUpper();
    if (plain == isbn13 && written.contains(u'-'))
        return written.trimmed();
    // A hyphenated ISBN-10 keeps its groups behind the prefix 978.
    if (plain.size() == 10 && ToIsbn13(plain) == isbn13 && written.contains(u'-')) {
        QString groups = written.trimmed();
        groups.chop(1);
        return QStringLiteral("978-") + groups + isbn13Check(isbn13.left(12));
    }
    return isbn13;
}

IsbnMatch isbnOf(const MarcRecord &record, const QString &isbn13)
{
    const QList<const MarcField *> fields = record.fieldsWithTag(u"020");
    for (const MarcField *f : fields) {
        const QString a = NormalizeISBN(f->subfield(u'a'));
        const QString nine = NormalizeISBN(f->subfield(u'9'));
        if ((!a.isEmpty() && ToIsbn13(a) == isbn13)
            || (!nine.isEmpty() && ToIsbn13(nine) == isbn13)) {
            const QString written = f->has(u'9') ? f->subfield(u'9') : f->subfield(u'a');
            return { hyphenated13(written, isbn13), f->subfield(u'c') };
        }
    }
    // A record with one ISBN that is written differently still is the book's.
    if (fields.size() == 1)
        return { isbn13, fields.first()->subfield(u'c') };
    return { isbn13, {} };
}

void putPages(QMap<int, QVariant> &values, const QString &extent, bool audio)
{
    static const Rx pages(QStringLiteral("\\[?(\\d{1,6})\\]?\\s*(?:S\\.|Seiten?\\b)"), kNoCase);
    static const Rx discs(
        QStringLiteral("(\\d{1,3})\\s*(?:Audio-?)?(?:CDs?|Compact\\s*Discs?)\\b"), kNoCase);
    const QRegularExpressionMatch m = (audio ? discs : pages).match(extent);
    if (m.hasMatch()) {
        const int n = m.captured(1).toInt();
        if (n > 0 && n <= kMaxPages) {
            values.insert(fPagination, QStringLiteral("P"));
            values.insert(fPages, n);
            return;
        }
    }
    if (!audio
        && (extent.contains(QStringLiteral("ungezählt"), Qt::CaseInsensitive)
            || extent.contains(QLatin1String("unpaginiert"), Qt::CaseInsensitive)))
        values.insert(fPagination, QStringLiteral("U"));
}

void putPrice(QMap<int, QVariant> &values, const QString &qualifier, const QString &currency)
{
    if (const auto price = PriceOf(qualifier, currency)) {
        values.insert(fCurrency, price->currency);
        values.insert(fPrice, price->amount);
    }
}

// Cuts every text to its field and replaces letters the review files cannot hold.
void finish(CatalogueEntry &entry)
{
    const QList<FieldDef> fields = ReviewFields();
    for (auto it = entry.values.begin(); it != entry.values.end();) {
        if (it.value().typeId() != QMetaType::QString) {
            ++it;
            continue;
        }
        QString replaced;
        QString text = Codec1252::replaceUnencodable(it.value().toString(), &replaced);
        for (QChar c : replaced) {
            if (!entry.replacedLetters.contains(c))
                entry.replacedLetters.append(c);
        }
        const int length = fields[it.key()].entryLength;
        if (length > 0 && text.size() > length)
            text.truncate(length);
        text = text.trimmed();
        if (text.isEmpty()) {
            it = entry.values.erase(it);
            continue;
        }
        it.value() = text;
        ++it;
    }
}

// Where a statement names the original language: the list's short key.
QString languageOfStatement(const TranslationStatement &statement, const MappingContext &context)
{
    return statement.language.isEmpty() ? QString()
                                        : LanguageForWord(statement.language, context.languages);
}

QString jsonText(const QJsonValue &v)
{
    return v.isString() ? CatalogueText(v.toString()) : QString();
}

// The "name" of the first object of an array ({"publishers": [{"name": …}]}).
QString firstName(const QJsonValue &v)
{
    const QJsonArray array = v.toArray();
    return array.isEmpty() ? QString() : jsonText(array.first().toObject().value(u"name"));
}

} // namespace

QString DnbCatalogueName() { return QStringLiteral("Deutsche Nationalbibliothek"); }

QString OpenLibraryCatalogueName() { return QStringLiteral("Open Library"); }

PersonName SplitMarcName(const QString &text)
{
    const QString t = trimTrailing(CatalogueText(text));
    const qsizetype comma = t.indexOf(QLatin1String(", "));
    if (comma < 0)
        return { t, {} };
    return { t.left(comma).trimmed(), trimTrailing(t.mid(comma + 2)) };
}

PersonName SplitDisplayName(const QString &text)
{
    QStringList words = CatalogueText(text).split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        return {};
    qsizetype start = words.size() - 1;
    while (start > 0 && isSmallWord(words[start - 1]))
        --start;
    // A name of small words alone stays a name.
    if (start == 0 && words.size() > 1)
        start = words.size() - 1;
    return { words.mid(start).join(u' '), words.mid(0, start).join(u' ') };
}

TranslationStatement ParseTranslationStatement(const QString &statement)
{
    TranslationStatement result;
    const QString text = CatalogueText(statement);
    static const Rx german(
        QStringLiteral("\\baus\\s+dem\\s+([^\\s;,/]+)([^;/]{0,40}?)\\bvon\\s+(.+)"), kNoCase);
    static const Rx english(
        QStringLiteral("\\btranslated(?:\\s+from\\s+(?:the\\s+)?([A-Za-z]+))?\\s+by\\s+(.+)"),
        kNoCase);
    QString names;
    if (const QRegularExpressionMatch m = german.match(text);
        m.hasMatch() && namesLanguage(m.captured(1), {})) {
        result.language = m.captured(1);
        names = m.captured(3);
    } else if (const QRegularExpressionMatch e = english.match(text); e.hasMatch()) {
        const QString from = e.captured(1);
        for (const IsoLanguage &l : kIsoLanguages) {
            if (!from.isEmpty() && from.compare(QLatin1String(l.english), Qt::CaseInsensitive) == 0)
                result.language = QString::fromUtf8(l.german).section(u'|', 0, 0);
        }
        names = e.captured(2);
    } else {
        return result;
    }

    // The names end where the statement goes on: at ";", "/", "=", " mit "
    // or a full stop after a word (an initial's point belongs to the name).
    static const Rx end(QStringLiteral("\\s*(?:;|\\s/\\s|\\s=\\s|\\s\\[|\\bmit\\s|\\bwith\\s|"
                                       "\\billustrat|(?<=\\w{3})\\.(?:\\s|$))"),
        kNoCase);
    if (const QRegularExpressionMatch m = end.match(names); m.hasMatch())
        names.truncate(m.capturedStart());
    static const Rx separator(QStringLiteral("\\s*,\\s*|\\s+(?:und|u\\.|and|&)\\s+"), kNoCase);
    for (const QString &one : names.split(separator, Qt::SkipEmptyParts)) {
        if (result.translators.size() >= kMaxTranslators)
            break;
        const PersonName name = SplitDisplayName(trimTrailing(one));
        if (!name.name.isEmpty() && !name.name.contains(QRegularExpression(QStringLiteral("\\d"))))
            result.translators.append(name);
    }
    return result;
}

QString BindingOf(const QString &text)
{
    static const Rx hard(
        QStringLiteral("(?<!\\w)(?:Pp\\.?|Pappband|Festeinband|geb\\.|gebunden|Gb\\.|"
                       "Hardback|Hardcover)(?!\\w)"),
        kNoCase);
    static const Rx soft(
        QStringLiteral("(?<!\\w)(?:kart\\.?|kartoniert|Kt\\.|\\w*broschur|brosch\\.?|"
                       "broschiert|Paperback|Taschenbuch|Softcover)(?!\\w)"),
        kNoCase);
    const QRegularExpressionMatch h = hard.match(text);
    const QRegularExpressionMatch s = soft.match(text);
    if (h.hasMatch() && (!s.hasMatch() || h.capturedStart() < s.capturedStart()))
        return QStringLiteral("geb");
    if (s.hasMatch())
        return QStringLiteral("brosch");
    return {};
}

std::optional<Price> PriceOf(const QString &text, const QString &recordCurrency)
{
    static const Rx amount(QStringLiteral("(?<![A-Za-z])(EUR|€|sfr\\.?|CHF|Fr\\.|DM)\\s*"
                                          "(\\d{1,7}(?:[.,]\\d{1,2})?)(?!\\d)"
                                          "(?:\\s*\\(([A-Z]{2})\\))?"),
        kNoCase);
    std::optional<double> swiss;
    std::optional<double> euro;
    QRegularExpressionMatchIterator it = amount.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QString currency = m.captured(1).toUpper();
        bool ok = false;
        const double value = QString(m.captured(2)).replace(u',', u'.').toDouble(&ok);
        if (!ok || !(value > 0))
            continue;
        const QString country = m.captured(3);
        if (currency.startsWith(QLatin1String("SFR")) || currency == QLatin1String("CHF")
            || currency == QLatin1String("FR.")) {
            if (!swiss)
                swiss = value;
        } else if (currency == QLatin1String("EUR") || currency == QStringLiteral("€")) {
            if (!euro && (country.isEmpty() || country.toUpper() == QLatin1String("DE")))
                euro = value;
        }
    }
    const auto price = [](const char16_t *currency, double value) {
        return Price { QString::fromUtf16(currency), std::round(value * 100) / 100 };
    };
    if (recordCurrency == QStringLiteral("€")) {
        if (euro)
            return price(u"€", *euro);
        if (swiss)
            return price(u"Fr", *swiss);
    } else {
        if (swiss)
            return price(u"Fr", *swiss);
        if (euro)
            return price(u"€", *euro);
    }
    return std::nullopt;
}

QString LanguageForCode(const QString &code, const QList<CatalogueLanguage> &languages)
{
    const IsoLanguage *iso = isoLanguage(code);
    if (!iso)
        return {};
    return shortForLongForms(QString::fromUtf8(iso->german).split(u'|'), languages);
}

QString LanguageForWord(const QString &word, const QList<CatalogueLanguage> &languages)
{
    QString stem = word.trimmed();
    while (stem.endsWith(u'.'))
        stem.chop(1);
    if (stem.size() < 3)
        return {};
    for (const CatalogueLanguage &l : languages) {
        if (l.shortName != QLatin1String("-")
            && l.longName.trimmed().startsWith(stem, Qt::CaseInsensitive))
            return l.shortName;
    }
    return {};
}

CatalogueEntry MapMarcRecord(
    const MarcRecord &record, const QString &isbn13, const MappingContext &context)
{
    CatalogueEntry entry;
    entry.catalogue = DnbCatalogueName();
    const QStringList forms = productForms(record);
    entry.medium = mediumOf(record, forms);
    const bool audio = entry.medium == CatalogueEntry::Audio;
    QMap<int, QVariant> &values = entry.values;

    values.insert(fBookTitle, titleOf(record));

    const IsbnMatch isbn = isbnOf(record, isbn13);
    values.insert(fBookSerie, isbn.hyphenated);

    if (const MarcField *pub = publicationOf(record)) {
        QString place = pub->subfield(u'a');
        place.remove(u'[').remove(u']');
        values.insert(fPublisherLocation, trimTrailing(place));
        values.insert(fPublisher, trimTrailing(pub->subfield(u'b')));
        if (const auto year = firstYear(pub->subfieldsOf(u'c').join(u' ')))
            values.insert(fYearPublished, *year);
    }
    if (!values.contains(fYearPublished)) {
        // The first date of the fixed-length data.
        if (const MarcField *fixed = record.field(u"008"); fixed && fixed->data.size() >= 11) {
            if (const auto year = firstYear(fixed->data.mid(7, 4)))
                values.insert(fYearPublished, *year);
        }
    }

    if (const MarcField *extent = record.field(u"300"))
        putPages(values, extent->subfield(u'a'), audio);

    QString binding = audio ? QStringLiteral("CD") : BindingOf(isbn.qualifier);
    for (qsizetype i = 0; binding.isEmpty() && i < forms.size(); ++i)
        binding = BindingOf(forms[i]);
    if (!binding.isEmpty() && entry.medium != CatalogueEntry::EBook)
        values.insert(fBinding, binding);
    putPrice(values, isbn.qualifier, context.currency);

    const QList<Person> persons = personsOf(record);
    putPersons(values, withRole(persons, QStringLiteral("aut"), kMaxAuthors), fAuthor1Name);
    putPersons(values,
        withRole(persons, audio ? QStringLiteral("nrt") : QStringLiteral("ill"), kMaxIllustrators),
        fIllustrator1Name);
    const MarcField *title = record.field(u"245");
    const TranslationStatement statement
        = ParseTranslationStatement(title ? title->subfield(u'c') : QString());
    QList<PersonName> translators = withRole(persons, QStringLiteral("trl"), kMaxTranslators);
    if (translators.isEmpty())
        translators = statement.translators;
    putPersons(values, translators, fTranslator1Name);

    // The statement on the book says it best ("aus dem Amerikanischen"); then
    // the original language's code; a book without either is no translation.
    QString language = languageOfStatement(statement, context);
    bool originalNamed = false;
    for (const MarcField *f : record.fieldsWithTag(u"041")) {
        for (const QString &codes : f->subfieldsOf(u'h')) {
            originalNamed = true;
            // Older records run several codes together ("engfre").
            const QString packed = codes.trimmed();
            for (qsizetype at = 0; language.isEmpty() && at + 3 <= packed.size(); at += 3)
                language = LanguageForCode(packed.mid(at, 3), context.languages);
        }
    }
    if (!language.isEmpty())
        values.insert(fLanguage, language);
    else if (!originalNamed && translators.isEmpty())
        values.insert(fLanguage, QStringLiteral("-"));

    finish(entry);
    return entry;
}

OpenLibraryOutcome ParseOpenLibraryAnswer(QByteArrayView json, const QString &isbn13,
    const MappingContext &context, CatalogueEntry &entry, QString *error)
{
    entry = CatalogueEntry();
    entry.catalogue = OpenLibraryCatalogueName();
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        if (error) {
            *error = parseError.error != QJsonParseError::NoError
                ? QStringLiteral("Die Antwort ist kein gültiges JSON (Zeichen %1: %2).")
                      .arg(parseError.offset)
                      .arg(parseError.errorString())
                : QStringLiteral("Die Antwort ist kein JSON-Objekt.");
        }
        return OpenLibraryOutcome::Malformed;
    }
    const QJsonObject root = doc.object();
    QJsonValue book = root.value(QStringLiteral("ISBN:") + isbn13);
    if (!book.isObject()) {
        for (auto it = root.begin(); it != root.end() && !book.isObject(); ++it)
            book = it.value();
    }
    if (!book.isObject())
        return OpenLibraryOutcome::NotFound;
    const QJsonObject data = book.toObject();
    QMap<int, QVariant> &values = entry.values;

    values.insert(fBookTitle, trimTrailing(jsonText(data.value(u"title"))));
    const QJsonArray isbns = data.value(u"identifiers").toObject().value(u"isbn_13").toArray();
    QString isbn = isbn13;
    for (const QJsonValue &v : isbns) {
        if (NormalizeISBN(jsonText(v)) == isbn13)
            isbn = hyphenated13(jsonText(v), isbn13);
    }
    values.insert(fBookSerie, isbn);
    values.insert(fPublisher, firstName(data.value(u"publishers")));
    values.insert(fPublisherLocation, firstName(data.value(u"publish_places")));
    if (const auto year = firstYear(jsonText(data.value(u"publish_date"))))
        values.insert(fYearPublished, *year);
    const double pages = data.value(u"number_of_pages").toDouble();
    if (pages >= 1 && pages <= kMaxPages) {
        values.insert(fPagination, QStringLiteral("P"));
        values.insert(fPages, int(pages));
    }

    QList<PersonName> authors;
    const QJsonArray people = data.value(u"authors").toArray();
    for (const QJsonValue &v : people) {
        if (authors.size() >= kMaxAuthors)
            break;
        const PersonName name = SplitDisplayName(jsonText(v.toObject().value(u"name")));
        if (!name.name.isEmpty() && !authors.contains(name))
            authors.append(name);
    }
    putPersons(values, authors, fAuthor1Name);
    const TranslationStatement statement
        = ParseTranslationStatement(jsonText(data.value(u"by_statement")));
    putPersons(values, statement.translators, fTranslator1Name);
    const QString language = languageOfStatement(statement, context);
    if (!language.isEmpty())
        values.insert(fLanguage, language);

    const QString cover = jsonText(data.value(u"cover").toObject().value(u"large"));
    if (cover.startsWith(QLatin1String("https://")) || cover.startsWith(QLatin1String("http://")))
        entry.coverUrl = cover;

    finish(entry);
    return OpenLibraryOutcome::Found;
}

void OrderForChoice(QList<CatalogueEntry> &entries)
{
    std::stable_sort(
        entries.begin(), entries.end(), [](const CatalogueEntry &a, const CatalogueEntry &b) {
            return a.medium == CatalogueEntry::Print && b.medium != CatalogueEntry::Print;
        });
}

QJsonObject CatalogueEntryJson(const CatalogueEntry &entry)
{
    const QList<FieldDef> fields = ReviewFields();
    QJsonObject object;
    for (auto it = entry.values.begin(); it != entry.values.end(); ++it) {
        const QVariant &v = it.value();
        QJsonValue value;
        if (v.typeId() == QMetaType::Int)
            value = v.toInt();
        else if (v.typeId() == QMetaType::Double)
            value = v.toDouble();
        else
            value = v.toString();
        object.insert(fields[it.key()].name, value);
    }
    return object;
}

QString CatalogueValueText(int field, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (field == fPrice)
        return QString::asprintf("%.2f", value.toDouble());
    return value.toString();
}
