#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <utility>

// A book of a review file written for a test. Values left empty stay null in
// the file.
struct TestBook
{
    QVariant number;
    QVariant year;
    QString title;
    QString publisher = {};
    // Further fields of the book, by field number.
    QList<std::pair<int, QVariant>> more = {};
};

// Writes a review file as another copy of the program would, creating its
// folder; false, with the reason in *error, when a book or the file fails.
bool WriteTestReviewFile(
    const QString &path, const QList<TestBook> &books, QString *error = nullptr);
