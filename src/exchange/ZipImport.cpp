#include "ZipImport.h"

#include "base/Progress.h"
#include "util/CodecCp850.h"
#include "util/SafeWrite.h"

#include <QDir>
#include <QStringDecoder>

namespace {

bool hasControlCharacter(const QString &name)
{
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

QString decodedName(const ZipArchive::Entry &entry, bool *ok)
{
    *ok = true;
    if (!entry.utf8)
        return CodecCp850::decode(entry.rawName);
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8(entry.rawName);
    *ok = !utf8.hasError();
    return name;
}

const char *const kPassPatterns[] = { ".cds", ".xml", ".jpg" };

} // namespace

QString EntryFileName(const ZipArchive::Entry &entry)
{
    if (entry.isLink || entry.isDirectory)
        return {};
    bool ok = false;
    const QString name = decodedName(entry, &ok);
    if (!ok || hasControlCharacter(name))
        return {};
    const qsizetype cut = qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const QString part = name.mid(cut + 1);
    if (part.isEmpty() || part == u"." || part == u"..")
        return {};
    return part;
}

void ZipForge1ExtractFile(const QString &coverFolder, QString &name)
{
    const qsizetype cut = qMax(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\'));
    const QString part = name.mid(cut + 1);
    name = part.endsWith(QStringLiteral(".jpg"), Qt::CaseSensitive) ? coverFolder + part : part;
}

ZipImportResult ExtractReviewArchive(
    ZipArchive &zip, const QString &targetFolder, const QString &coverFolder, IProgress *progress)
{
    ZipImportResult result;
    const auto fail = [&](const QString &message) {
        result.ok = false;
        result.error = message;
        return result;
    };
    const QString archive = zip.ArchivePath();
    const QString inArchive = archive.isEmpty()
        ? QStringLiteral(" des Zip-Archivs")
        : QStringLiteral(" des Zip-Archivs\r\n") + archive + QStringLiteral("\r\n");
    const int count = zip.Count();
    int entries = 0;
    for (int i = 0; i < count; ++i) {
        const QString name = EntryFileName(zip.EntryAt(i));
        for (const char *pattern : kPassPatterns)
            entries += name.endsWith(QLatin1String(pattern), Qt::CaseInsensitive) ? 1 : 0;
    }
    LongWork work(progress, QStringLiteral("Entpacke %1 Dateien").arg(entries), entries, true);
    for (const char *pattern : kPassPatterns) {
        const QString extension = QLatin1String(pattern);
        for (int i = 0; i < count; ++i) {
            const ZipArchive::Entry entry = zip.EntryAt(i);
            QString name = EntryFileName(entry);
            if (name.isEmpty() || !name.endsWith(extension, Qt::CaseInsensitive))
                continue;
            const qsizetype done = result.extracted.size();
            if (!work.step(done,
                    QStringLiteral("Entpacke %1 von %2 Dateien").arg(done + 1).arg(entries))) {
                result.stopped = true;
                return result;
            }
            const QString entryName = QStringLiteral("Der Eintrag \"") + name + u'"' + inArchive;
            if (entry.size > MaxZipEntrySize) {
                return fail(
                    entryName + QStringLiteral(" ist grösser als 256 MB und wird nicht entpackt."));
            }
            const QString bare = name;
            ZipForge1ExtractFile(coverFolder, name);
            // A bare name lands in the target folder.
            const QString target = name == bare ? targetFolder + bare : name;
            const QString folder = target.left(target.lastIndexOf(u'/'));
            if (!QDir().mkpath(folder)) {
                return fail(QStringLiteral("Das Verzeichnis\r\n") + folder
                    + QStringLiteral("\r\nkann nicht angelegt werden."));
            }
            SafeFileWriter out;
            if (!out.open(target)) {
                return fail(QStringLiteral("Die Datei\r\n") + target
                    + QStringLiteral("\r\nkann nicht geschrieben werden: ") + out.errorString());
            }
            bool writeFailed = false;
            const bool read = zip.ReadEntry(i, MaxZipEntrySize, [&](const char *data, qint64 n) {
                writeFailed = !out.write(data, n);
                return !writeFailed;
            });
            if (writeFailed) {
                return fail(QStringLiteral("Die Datei\r\n") + target
                    + QStringLiteral("\r\nkann nicht geschrieben werden: ") + out.errorString());
            }
            if (!read) {
                return fail(entryName + QStringLiteral(" kann nicht entpackt werden.\r\n")
                    + zip.ErrorString());
            }
            if (!out.commit()) {
                return fail(QStringLiteral("Die Datei\r\n") + target
                    + QStringLiteral("\r\nkann nicht geschrieben werden: ") + out.errorString());
            }
            result.extracted.append(target);
        }
    }
    return result;
}
