#include "MailArchive.h"

#include "ZipArchive.h"
#include "util/CodecCp850.h"

#include <QDir>
#include <QFileInfo>

QString ChangeFileExt(const QString &fileName, const QString &extension)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const qsizetype slash = fileName.lastIndexOf(u'/');
    if (dot <= slash)
        return fileName + extension;
    return fileName.left(dot) + extension;
}

QString CreateMailArchive(ZipArchive &zip, const QString &zipFolder, const QString &zipFileName,
    const QString &reviewFile, const QString &coverFolder, const QStringList &coverNames,
    QString *error)
{
    const auto fail = [&](const QString &message) {
        zip.Discard();
        if (error)
            *error = message;
        return QString();
    };
    QString folder = zipFolder;
    if (folder.endsWith(u'/'))
        folder.chop(1);
    if (!QFileInfo(folder).isDir() && !QDir().mkdir(folder)) {
        return fail(QStringLiteral("Das Verzeichnis\r\n") + folder
            + QStringLiteral("\r\nkann nicht angelegt werden."));
    }
    const QString path = folder + u'/' + zipFileName;
    const QString cannot = QStringLiteral("Das Zip-Archiv\r\n") + path
        + QStringLiteral("\r\nkann nicht angelegt werden.\r\n");
    if (!zip.Create(path))
        return fail(cannot + zip.ErrorString());
    QStringList files { reviewFile };
    for (const QString &name : coverNames)
        files.append(coverFolder + name);
    for (const QString &file : files) {
        if (!zip.AddFile(file, CodecCp850::encode(QFileInfo(file).fileName())))
            return fail(cannot + zip.ErrorString());
    }
    if (!zip.Close())
        return fail(cannot + zip.ErrorString());
    return path;
}
