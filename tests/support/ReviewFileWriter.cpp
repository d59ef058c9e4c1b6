#include "ReviewFileWriter.h"

#include "data/DataSet.h"
#include "data/ReviewSchema.h"
#include "data/TableFile.h"

#include <QDir>
#include <QFileInfo>

bool WriteTestReviewFile(const QString &path, const QList<TestBook> &books)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    DataSet t;
    t.setFields(ReviewFields());
    t.open();
    for (const TestBook &b : books) {
        t.append();
        t.setValue(fBookNbr, b.number);
        t.setValue(fYearPublished, b.year);
        t.setValue(fBookTitle, b.title);
        if (!t.post())
            return false;
    }
    return SaveToFile(t, path);
}
