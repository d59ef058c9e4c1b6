#pragma once

#include <QString>
#include <QStringList>

class ZipArchive;

// Replaces a file name's extension (the part from its last ".") by
// extension; a name without one gets it appended.
QString ChangeFileExt(const QString &fileName, const QString &extension);

// Packs a review file and, in the order given, the named covers of the cover
// folder into zipFolder + zipFileName, replacing an older archive of that
// name. Entries carry their bare file names. The folder is created when
// missing (one level). Returns the archive's full path, or an empty string
// with error set (German) when the archive could not be made; then no file
// of that name has been written.
QString CreateMailArchive(ZipArchive &zip, const QString &zipFolder, const QString &zipFileName,
    const QString &reviewFile, const QString &coverFolder, const QStringList &coverNames,
    QString *error = nullptr);
