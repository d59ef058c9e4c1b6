#include "CoverImages.h"

#include "base/VexUtils.h"
#include "store/DataSet.h"
#include "store/TableFile.h"

#include <QFileInfo>

#include <functional>
#include <optional>

namespace {

std::optional<double> numberOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    if (value.typeId() == QMetaType::QString)
        return ParseNumber(value.toString());
    bool ok = false;
    const double n = value.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

int yearOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return 0;
    if (value.typeId() == QMetaType::QString)
        return ParseInteger(value.toString()).value_or(0);
    return value.toInt();
}

QString folderPath(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

// Reads the review file and hands each record's cover file name and title to
// visit, in the given order; false with error set when a record cannot be
// named. The record count goes to count.
bool visitCovers(const QString &reviewFile, const QString &order,
    const std::function<void(const QString &fileName, const QString &title)> &visit, int &count,
    QString *error)
{
    DataSet table;
    QString loadError;
    if (!LoadFromFile(table, reviewFile, &loadError)) {
        if (error)
            *error = loadError;
        return false;
    }
    table.setIndexFieldNames(order);
    table.open();
    const int number = table.fieldIndex(QStringLiteral("BookNbr"));
    const int title = table.fieldIndex(QStringLiteral("BookTitle"));
    const int year = table.fieldIndex(QStringLiteral("YearPublished"));
    count = table.recordCount();
    for (int row = 0; row < count; ++row) {
        const QString bookTitle = title < 0 ? QString() : table.valueAt(row, title).toString();
        const QString name = number < 0 ? QString()
                                        : CoverImageFileNameOf(table.valueAt(row, number),
                                            year < 0 ? QVariant() : table.valueAt(row, year));
        if (name.isEmpty()) {
            if (error) {
                *error = QStringLiteral("Der Besprechungsbericht\r\n") + reviewFile
                    + QStringLiteral("\r\nenthält ein Buch ohne gültige Buchnummer: \"") + bookTitle
                    + QStringLiteral("\".");
            }
            return false;
        }
        visit(name, bookTitle);
    }
    return true;
}

} // namespace

QString CoverImageName(double bookNumber, int year)
{
    if (year % 100 < 10)
        return NumberText(bookNumber);
    return QString::number(bookNumber, 'f', 2);
}

QString CoverImageFileName(double bookNumber, int year)
{
    return CoverImageName(bookNumber, year) + QStringLiteral(".jpg");
}

QString CoverImageFileNameOf(const QVariant &bookNumber, const QVariant &year)
{
    const std::optional<double> n = numberOf(bookNumber);
    if (!n)
        return {};
    return CoverImageFileName(*n, yearOf(year));
}

QString CoverLineFileName(const QString &line) { return line.section(u'=', 0, 0); }

QString CoverLineTitle(const QString &line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

int ListCoverImages(const QString &reviewFile, const QString &coverFolder, QStringList &available,
    QStringList &missing, QString *error)
{
    const QString folder = folderPath(coverFolder);
    int count = 0;
    const bool ok = visitCovers(
        reviewFile, QStringLiteral("BookTitle"),
        [&](const QString &name, const QString &title) {
            const QString line = name + u'=' + title;
            if (QFileInfo::exists(folder + name))
                available.append(line);
            else
                missing.append(line);
        },
        count, error);
    return ok ? count : -1;
}

QString ListCoverImageFiles(const QString &reviewFile, const QString &coverFolder, QString *error)
{
    const QString folder = folderPath(coverFolder);
    QString result;
    int count = 0;
    const bool ok = visitCovers(
        reviewFile, QString(),
        [&](const QString &name, const QString &) {
            if (QFileInfo::exists(folder + name))
                result += folder + name + QStringLiteral("\r\n");
        },
        count, error);
    return ok ? result : QString();
}
