#pragma once

#include <QList>
#include <QString>

// Writes a review file as another copy of the program would, with the book
// number, publication year and title of each book.
struct TestBook
{
    double number;
    int year;
    QString title;
};
bool WriteTestReviewFile(const QString &path, const QList<TestBook> &books);
