#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

// Every reviewed book may have one cover picture, a JPEG file in the cover
// folder named after the book number. The number is written with "." as
// decimal point: for books of a year ending in 00 to 09 in its shortest form
// (9.0 of 2000 gives "9", 123.7 of 2007 "123.7"), for the others with exactly
// two decimals (8.10 of 2010 gives "8.10", 45.12 of 2012 "45.12").
QString CoverImageName(double bookNumber, int year);
// The same followed by ".jpg".
QString CoverImageFileName(double bookNumber, int year);

// The cover file name of a record's BookNbr and YearPublished values; empty
// when the number is missing or not a number (an empty year counts as 0).
QString CoverImageFileNameOf(const QVariant &bookNumber, const QVariant &year);

// A line of the cover lists is "name.jpg=title"; its file name part.
QString CoverLineFileName(const QString &line);
// Its title part.
QString CoverLineTitle(const QString &line);

// Reads the review file into a table of its own and adds one line
// "name.jpg=title" per book, in title order, to available when the cover
// exists in coverFolder and to missing otherwise. Returns the number of
// records; -1 when the file cannot be read or a book has no usable number
// (error then says why, in German, and the lists hold what was found before).
int ListCoverImages(const QString &reviewFile, const QString &coverFolder, QStringList &available,
    QStringList &missing, QString *error = nullptr);

// The full paths of the existing covers of the review file's books, in file
// order, each followed by "\r\n". Empty with error set when the file cannot be
// listed (as above).
QString ListCoverImageFiles(
    const QString &reviewFile, const QString &coverFolder, QString *error = nullptr);
