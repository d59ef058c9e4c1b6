#pragma once

#include "MarcRecord.h"

#include <QByteArrayView>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include <optional>

// What a library catalogue knows of a book, turned into the values of the
// review record's fields. Every text fits its field and holds only letters
// the review files can store.

// An entry of the language list: the long form (after "aus dem") and the
// short key the record stores.
struct CatalogueLanguage
{
    QString longName;
    QString shortName;
};

// What the mapping needs to know of the record and the program.
struct MappingContext
{
    // The record's currency ("Fr" or "€"): a price in it is taken first.
    QString currency = QStringLiteral("Fr");
    // The language list, in its order.
    QList<CatalogueLanguage> languages;
};

struct CatalogueEntry
{
    enum Medium { Print, EBook, Audio };
    Medium medium = Print;
    // The catalogue's name for the person ("Deutsche Nationalbibliothek").
    QString catalogue;
    // The values the catalogue gives, by the record's field (ReviewField).
    // Fields it says nothing about are missing.
    QMap<int, QVariant> values;
    // A cover the answer itself names (Open Library); empty otherwise.
    QString coverUrl;
    // Letters outside the code page that were replaced, each once.
    QString replacedLetters;
};

// The catalogues' names as the person reads them.
QString DnbCatalogueName();
QString OpenLibraryCatalogueName();

// The values of a MARC 21 record of the German National Library for the book
// with this ISBN-13 (digits only).
CatalogueEntry MapMarcRecord(
    const MarcRecord &record, const QString &isbn13, const MappingContext &context);

// Reads Open Library's book data (jscmd=data) for the ISBN-13. Found fills
// entry; NotFound is an answer without the book; Malformed sets error (German).
enum class OpenLibraryOutcome { Found, NotFound, Malformed };
OpenLibraryOutcome ParseOpenLibraryAnswer(QByteArrayView json, const QString &isbn13,
    const MappingContext &context, CatalogueEntry &entry, QString *error);

// The order of the choice list: print editions first, otherwise as the
// catalogue sent them.
void OrderForChoice(QList<CatalogueEntry> &entries);

// The values keyed by the record's field names: texts as strings, numbers
// as numbers.
QJsonObject CatalogueEntryJson(const CatalogueEntry &entry);

// A value as the dialogs show it (prices with two decimals).
QString CatalogueValueText(int field, const QVariant &value);

// --- the pieces of the mapping -------------------------------------------------

struct PersonName
{
    QString name;
    QString firstName;
    bool operator==(const PersonName &) const = default;
};

// "Name, Vorname": split at the first ", ".
PersonName SplitMarcName(const QString &text);
// "Vorname Name": the last word is the name, with the small words before it
// ("von", "de", "van der").
PersonName SplitDisplayName(const QString &text);

// The translation in a statement of responsibility: "aus dem Englischen
// (übersetzt) von Vorname Name[, Vorname Name]" or "translated from the
// English by ...". language is the word after "aus dem" as written ("Engl."),
// or the German long form for an English statement; at most two translators.
struct TranslationStatement
{
    QString language;
    QList<PersonName> translators;
};
TranslationStatement ParseTranslationStatement(const QString &statement);

// "geb" for hardbacks, "brosch" for paperbacks, empty when the text says neither.
QString BindingOf(const QString &text);

// The price of a price text such as "kart. : EUR 9.95 (DE), EUR 10.20 (AT),
// sfr 18.00": the amount in the record's currency ("sfr"/"CHF" for "Fr",
// "EUR (DE)" for "€"), else the other one with its currency; none for prices
// in other currencies or no price.
struct Price
{
    QString currency; // "Fr" or "€"
    double amount = 0;
};
std::optional<Price> PriceOf(const QString &text, const QString &recordCurrency);

// The language list's short key for an ISO 639-2 code ("eng"); empty when the
// list has no language of the code.
QString LanguageForCode(const QString &code, const QList<CatalogueLanguage> &languages);
// The short key of the list entry whose long form starts with the word
// ("Engl." and "Englischen" give "Engl"); empty when none does.
QString LanguageForWord(const QString &word, const QList<CatalogueLanguage> &languages);
