#pragma once

#include "store/FieldDef.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

#include <array>

// Finding books as the person types. A query is split at blanks into words,
// and a book matches when every word matches. Texts are compared folded:
// decomposed (NFKD), without combining marks, case-folded, "ß" as "ss", so
// "muller" finds "Müller" and "GROSSE" finds "Größe".
//
// A plain word matches when it occurs anywhere in the book's searchable text.
// A word with a field prefix ("titel:", "autor:", "ill:", "übers:",
// "verlag:", "ort:", "jahr:", "thema:", "text:") matches in that field only;
// "jahr:" takes the whole year, the others any part. A plain word that is an
// ISBN (10 or 13 characters without hyphens, valid check digit) also matches
// the book whose series field holds that ISBN, the ISBN-10 and ISBN-13 forms
// of a book being equal.

// The folded form of a text, as searching compares it.
QString FoldForSearch(QStringView text);

// The searchable text of one book, folded once, so that each keystroke only
// scans it. The parts lie one after the other in UTF-8, each ended by a line
// break (which no query word can hold), so no word matches across two parts.
class SearchableBook
{
public:
    enum Part {
        Title,
        Serie,
        Publisher,
        Place,
        Year,
        Authors,
        Illustrators,
        Translators,
        Language,
        Topic,
        Age,
        Recommendation,
        Initials,
        Number, // the book number as the review tree knows the book
        Review,
        PartCount
    };

    SearchableBook() = default;
    // From the values of a review record, by field position.
    explicit SearchableBook(const Record &values);
    // A book known only by its title (a tree node without a record).
    static SearchableBook fromTitle(const QString &title);

    // The folded UTF-8 text of a part, without its line break.
    QByteArray part(Part p) const;
    // Bytes held, for the memory a search keeps.
    qsizetype bytes() const { return m_text.size(); }

private:
    friend class FindQuery;

    QByteArray m_text;
    std::array<quint32, PartCount + 1> m_start {};
    // The ISBN of the series field as the 13 digits of its ISBN-13 form; 0
    // when the field holds no valid ISBN.
    quint64 m_isbn = 0;
};

// A query, parsed and folded once for all the books it is matched with.
class FindQuery
{
public:
    FindQuery() = default;
    explicit FindQuery(const QString &text);

    // No words: blanks only or nothing. Such a query filters nothing.
    bool isEmpty() const { return m_words.isEmpty(); }
    bool matches(const SearchableBook &book) const;
    // Whether every book this query matches is matched by older too (one
    // more letter typed, or one more word), so that a search need only look
    // at older's matches.
    bool narrows(const FindQuery &older) const;

private:
    struct Word
    {
        QByteArray needle; // folded UTF-8
        int part = -1; // a SearchableBook::Part, or -1 for the whole text
        bool whole = false; // the part must equal the needle
        quint64 isbn = 0; // a plain word that is an ISBN, as ISBN-13
    };
    QList<Word> m_words;
};

// The one rule: whether the review record (values by field position)
// matches the query.
bool BookMatches(const QString &query, const Record &values);

// The ISBN-13 digits (as a number) of a text that is an ISBN-10 or ISBN-13
// once hyphens and blanks are gone, with a valid check digit; 0 otherwise.
quint64 IsbnThirteenOf(QStringView text);
