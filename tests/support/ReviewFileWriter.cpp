#include "ReviewFileWriter.h"

#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"

#include <QDir>
#include <QFileInfo>

bool WriteTestReviewFile(const QString &path, const QList<TestBook> &books, QString *error)
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
        t.setValue(fPublisher, b.publisher);
        for (const auto &[field, value] : b.more)
            t.setValue(field, value);
        if (!t.post()) {
            if (error)
                *error = QStringLiteral("book %1 does not post").arg(b.title);
            return false;
        }
    }
    return SaveToFile(t, path, error);
}
