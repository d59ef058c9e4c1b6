#include "ZipImport.h"

#include "base/Progress.h"
#include "util/CodecCp850.h"
#include "util/SafeWrite.h"

#include <QDir>
#include <QFileInfo>
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

ZipImportResult ExtractReviewArchive(ZipArchive &zip, const QString &targetFolder,
    const QString &coverFolder, const std::function<bool(const QString &)> &moveToTrash,
    IProgress *progress)
{
    ZipImportResult result;
    const auto fail = [&](const QString &message) {
        result.ok = false;
        result.error = message;
        return result;
    };
    const auto cannotWrite = [&](const QString &target, const QString &why) {
        return fail(QStringLiteral("Die Datei\r\n") + target
            + QStringLiteral("\r\nkann nicht geschrieben werden: ") + why);
    };
    const QString archive = zip.ArchivePath();
    const QString inArchive = archive.isEmpty()
        ? QStringLiteral(" des Zip-Archivs")
        : QStringLiteral(" des Zip-Archivs\r\n") + archive + QStringLiteral("\r\n");

    // The entries to extract, pass by pass, and what they declare together.
    struct Planned
    {
        int index;
        QString name;
    };
    QList<Planned> plan;
    quint64 total = 0;
    const int count = zip.Count();
    for (const char *pattern : kPassPatterns) {
        const QString extension = QLatin1String(pattern);
        for (int i = 0; i < count; ++i) {
            const ZipArchive::Entry entry = zip.EntryAt(i);
            const QString name = EntryFileName(entry);
            if (name.isEmpty() || !name.endsWith(extension, Qt::CaseInsensitive))
                continue;
            plan.append({ i, name });
            total += qMin(entry.size, MaxZipImportSize + 1);
            if (total > MaxZipImportSize) {
                return fail(QStringLiteral("Die Einträge") + inArchive
                    + QStringLiteral(" sind zusammen grösser als 4 GB und werden nicht entpackt."));
            }
        }
    }

    // Pieces of an import that was cut short.
    RemoveLeftoverPieces(targetFolder);
    RemoveLeftoverPieces(coverFolder);

    const qsizetype entries = plan.size();
    LongWork work(progress, QStringLiteral("Entpacke %1 Dateien").arg(entries), entries, true);
    for (const Planned &planned : std::as_const(plan)) {
        const qsizetype done = result.extracted.size();
        if (!work.step(done,
                QStringLiteral("Entpacke %1 von %2 Dateien").arg(done + 1).arg(entries))) {
            result.stopped = true;
            return result;
        }
        const int i = planned.index;
        const ZipArchive::Entry entry = zip.EntryAt(i);
        QString name = planned.name;
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
        if (!out.open(target))
            return cannotWrite(target, out.errorString());
        bool writeFailed = false;
        const bool read = zip.ReadEntry(i, MaxZipEntrySize, [&](const char *data, qint64 n) {
            writeFailed = !out.write(data, n);
            return !writeFailed;
        });
        if (writeFailed)
            return cannotWrite(target, out.errorString());
        if (!read) {
            return fail(
                entryName + QStringLiteral(" kann nicht entpackt werden.\r\n") + zip.ErrorString());
        }
        // The version it replaces can be had back from the trash; one this
        // import wrote itself is in the archive still.
        const QFileInfo old(target);
        if ((old.isFile() || old.isSymLink()) && !result.extracted.contains(target)
            && !moveToTrash(target)) {
            out.cancel();
            return fail(QStringLiteral("Die vorhandene Datei\r\n") + target
                + QStringLiteral("\r\nkann nicht in den Papierkorb verschoben werden und wird "
                                 "deshalb nicht ersetzt."));
        }
        if (!out.commit())
            return cannotWrite(target, out.errorString());
        result.extracted.append(target);
    }
    return result;
}
