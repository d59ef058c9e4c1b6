// The zip archives of the mail and the import, each against the plain work on
// the same bytes in the same run: writing the mail archive of a review file of
// 40 books with 40 covers of 200 KB against copying those bytes into one
// file; importing an archive of 1,000 review files and 1,000 covers against
// "unzip -o -q" of the same archive.

#include "exchange/MailArchive.h"
#include "exchange/ZipArchive.h"
#include "exchange/ZipImport.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "util/SafeWrite.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

// A JPEG file's entropy-coded data compress as little as noise does.
QByteArray noise(qsizetype size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    const char start[] = { char(0xFF), char(0xD8), char(0xFF), char(0xE0) };
    quint32 x = seed * 2654435761u + 12345;
    for (char &c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x >> 7);
    }
    memcpy(out.data(), start, sizeof start);
    return out;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool writeReviewFile(const QString &path, int books, int firstNumber)
{
    DataSet t;
    t.setFields(ReviewFields());
    t.open();
    for (int i = 0; i < books; ++i) {
        t.append();
        t.setValue(fBookNbr, (firstNumber + i) + 0.8);
        t.setValue(fYearPublished, 2008);
        t.setValue(fBookTitle, QStringLiteral("Das Buch Nummer %1").arg(firstNumber + i));
        t.setValue(fPublisher, QStringLiteral("Carlsen"));
        t.setValue(
            fReview, QString::fromUtf8("Eine Geschichte über Freundschaft und Mut. ").repeated(20));
        if (!t.post())
            return false;
    }
    return SaveToFile(t, path);
}

double medianMs(int runs, const std::function<void()> &work)
{
    QList<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        times.append(t.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void line(const char *name, double value, const char *unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

int mailRatio(const QString &root)
{
    const QString covers = root + QStringLiteral("/covers/");
    QDir().mkpath(covers);
    const QString review = root + QStringLiteral("/XY_2008_05_01.cds");
    if (!writeReviewFile(review, 40, 1))
        return 1;
    QStringList names;
    for (int i = 1; i <= 40; ++i) {
        names.append(QStringLiteral("%1.8.jpg").arg(i));
        if (!writeFile(covers + names.last(), noise(200 * 1024, quint32(i))))
            return 1;
    }
    ZipArchive zip;
    const QString zipFolder = root + QStringLiteral("/Zip/");
    bool failed = false;
    const auto archive = [&] {
        QString error;
        if (CreateMailArchive(
                zip, zipFolder, QStringLiteral("XY_2008_05_01.zip"), review, covers, names, &error)
                .isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            failed = true;
        }
    };
    const auto copy = [&] {
        QByteArray all;
        QFile r(review);
        r.open(QIODevice::ReadOnly);
        all += r.readAll();
        for (const QString &n : names) {
            QFile c(covers + n);
            c.open(QIODevice::ReadOnly);
            all += c.readAll();
        }
        failed |= !WriteFileSafely(root + QStringLiteral("/copy.bin"), all);
    };
    archive();
    copy();
    double zipMs = 0;
    double copyMs = 0;
    for (int round = 0; round < 3; ++round) {
        zipMs += medianMs(3, archive);
        copyMs += medianMs(3, copy);
    }
    if (failed)
        return 1;
    line("zip_mail_archive", zipMs / 3, "ms");
    line("zip_mail_copy", copyMs / 3, "ms");
    line("zip_mail_ratio", zipMs / copyMs, "x");
    return 0;
}

int importRatio(const QString &root)
{
    const QString source = root + QStringLiteral("/source/");
    QDir().mkpath(source);
    ZipArchive zip;
    const QString archivePath = root + QStringLiteral("/XY_2008_05_01.zip");
    if (!zip.Create(archivePath))
        return 1;
    for (int i = 0; i < 1000; ++i) {
        const QString review
            = source + QStringLiteral("R%1_2008_05_01.cds").arg(i, 4, 10, QChar(u'0'));
        const QString cover = source + QStringLiteral("%1.8.jpg").arg(i + 1);
        if (!writeReviewFile(review, 1, i + 1) || !writeFile(cover, noise(20 * 1024, quint32(i))))
            return 1;
        zip.AddFile(review, QFileInfo(review).fileName().toLatin1());
        zip.AddFile(cover, QFileInfo(cover).fileName().toLatin1());
    }
    if (!zip.Close()) {
        std::fprintf(stderr, "%s\n", qPrintable(zip.ErrorString()));
        return 1;
    }

    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    int round = 0;
    bool failed = false;
    const auto import = [&] {
        const QString target = root + QStringLiteral("/import%1/").arg(round++);
        QDir().mkpath(target + QStringLiteral("DB/2008"));
        if (!zip.OpenFile(archivePath)) {
            failed = true;
            return;
        }
        const ZipImportResult r = ExtractReviewArchive(zip, target + QStringLiteral("DB/2008/"),
            target + QStringLiteral("Html/Umschlagbilder/"),
            [](const QString &path) { return QFile::remove(path); });
        zip.Close();
        failed |= !r.ok || r.extracted.size() != 2000;
    };
    const auto plain = [&] {
        const QString target = root + QStringLiteral("/unzip%1/").arg(round++);
        QDir().mkpath(target);
        failed |= QProcess::execute(unzip,
                      { QStringLiteral("-o"), QStringLiteral("-q"), archivePath,
                          QStringLiteral("-d"), target })
            != 0;
    };
    double importMs = medianMs(3, import);
    if (failed)
        return 1;
    if (unzip.isEmpty()) {
        line("zip_import", importMs, "ms");
        std::printf("# zip_import_ratio skipped: unzip is not installed\n");
        return 0;
    }
    double plainMs = medianMs(3, plain);
    importMs = (importMs + medianMs(3, import)) / 2;
    plainMs = (plainMs + medianMs(3, plain)) / 2;
    if (failed)
        return 1;
    line("zip_import", importMs, "ms");
    line("zip_import_unzip", plainMs, "ms");
    line("zip_import_ratio", importMs / plainMs, "x");
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    if (mailRatio(dir.path() + QStringLiteral("/mail")) != 0)
        return 1;
    return importRatio(dir.path() + QStringLiteral("/import"));
}
