#pragma once

#include "data/DataSet.h"
#include "data/ReviewSchema.h"
#include "data/TableFile.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QVariant>

// A book of a review file written for a test.
struct CoverBook
{
    QVariant number;
    QVariant year;
    QString title;
    QString publisher = {};
};

// Writes a review file with the books, creating its folder; false when that
// fails.
inline bool WriteCoverTestFile(const QString &path, const QList<CoverBook> &books)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    DataSet t;
    t.setFields(ReviewFields());
    t.open();
    for (const CoverBook &b : books) {
        t.append();
        t.setValue(fBookNbr, b.number);
        t.setValue(fYearPublished, b.year);
        t.setValue(fBookTitle, b.title);
        t.setValue(fPublisher, b.publisher);
        if (!t.post())
            return false;
    }
    return SaveToFile(t, path);
}
