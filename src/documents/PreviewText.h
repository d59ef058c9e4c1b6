#pragma once

#include "store/ReviewSchema.h"

#include <QLocale>
#include <QString>

#include <array>

class DataSet;

// The field texts of one review record as the documents read them: numbers
// in their plain text ("123", "12.8"), the empty text for an empty field.
struct ReviewTexts
{
    std::array<QString, ReviewFieldCount> field;

    const QString &operator[](ReviewField f) const { return field[f]; }
    QString &operator[](ReviewField f) { return field[f]; }
};

// The current record of the review table (its edit buffer while editing).
ReviewTexts CurrentReviewTexts(const DataSet &table);
// A posted row of the review table, without moving the table.
ReviewTexts ReviewTextsAt(const DataSet &table, int row);
// The values of one record.
ReviewTexts ReviewTextsOf(const Record &values);
// The same of a row as the table keeps it (for many records at once:
// DataSet::rows()), without building its values first.
ReviewTexts ReviewTextsOf(const CompactRow &row);
// The same with one field left empty, for a caller that takes that one's
// kept bytes itself.
ReviewTexts ReviewTextsOf(const CompactRow &row, ReviewField without);
// One field's text of a row, where the others are not needed.
QString ReviewFieldText(const CompactRow &row, ReviewField f);

// The contributor phrases of a record: the authors followed by ": ", the
// illustrators (readers of an audio book) followed by ". ", the translators
// followed by ". ". A combination of filled fields the phrases know no form
// for gives the empty phrase (the translators then ". " alone).
QString GetAuthors(const ReviewTexts &r);
QString GetIllustrators(const ReviewTexts &r);
QString GetTranslators(const ReviewTexts &r);

// The book number as pages and documents show it: "12.8" for a book of 2008,
// "7.10" for a book of 2010 (two decimals once the year has two digits).
QString BookNumberText(const ReviewTexts &r);

// The preview text of one record: four lines and an empty one, lines ended
// by a carriage return alone. Prices follow the given number format.
QString ComposePreview(const ReviewTexts &r, const QLocale &locale = QLocale::system());
// The same appended to t, for many records into one text.
void AppendPreview(QString &t, const ReviewTexts &r, const QLocale &locale);
// Room for the previews of these records (reserve it before appending).
qsizetype PreviewSizeEstimate(const QList<CompactRow> &rows);

// A price in fixed notation with two decimals, in the regional separators
// and without thousands separators.
QString PriceText(double value, const QLocale &locale);

// The number format for many previews at once: the regional one without
// thousands separators, as prices are written.
QLocale PriceLocale(QLocale locale = QLocale::system());

// The same for the review table's current record.
QString GetAuthors(const DataSet &table);
QString GetIllustrators(const DataSet &table);
QString GetTranslators(const DataSet &table);
QString BookNumberText(const DataSet &table);
QString ComposePreview(const DataSet &table, const QLocale &locale = QLocale::system());

// A price field in fixed notation with two decimals, with the decimal
// separator of the given number format and no group separators; empty for an
// empty field.
QString PriceText(const QString &priceField, const QLocale &locale);
