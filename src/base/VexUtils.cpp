#include "VexUtils.h"

#include "IDesktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Whole number as the platform's integer conversion reads it: an optional
// sign and digits, leading blanks allowed.
std::optional<qint64> parseWhole(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == u' ')
        ++i;
    text = text.mid(i);
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 v = text.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return v;
}

} // namespace

int EncodeBookKey(const QString &numberText)
{
    // A number without decimals is a book of 2000: its text has no point.
    const qsizetype dot = numberText.indexOf(u'.');
    QString whole = dot < 0 ? numberText : numberText.left(dot);
    whole.remove(u'_');
    const auto n = parseWhole(whole);
    const auto f
        = dot < 0 ? std::optional<qint64>(0) : parseWhole(QStringView(numberText).mid(dot + 1));
    if (!n || !f)
        return 0;
    const qint64 key = *n * 10000 + 2000 + *f;
    if (key < std::numeric_limits<int>::min() || key > std::numeric_limits<int>::max())
        return 0;
    return int(key);
}

int BookKeyOf(const QVariant &storedNumber)
{
    if (!storedNumber.isValid() || storedNumber.isNull())
        return 0;
    bool ok = false;
    const double number = storedNumber.toDouble(&ok);
    return ok ? EncodeBookKey(NumberText(number)) : 0;
}

QString BookKeyToText(int key)
{
    if (key == 0)
        return QStringLiteral("---.-");
    return QStringLiteral("%1.%2").arg(key / 10000).arg(key % 10000 - 2000);
}


// --- shell operations ------------------------------------------------------

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

bool copyRecursively(const QString &source, const QString &target)
{
    const QFileInfo fi(source);
    if (!fi.isDir() || fi.isSymLink())
        return QFile::copy(source, target);
    if (!QDir().mkpath(target))
        return false;
    const QStringList entries = QDir(source).entryList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        if (!copyRecursively(source + u'/' + name, target + u'/' + name))
            return false;
    }
    return true;
}

// A rename, or a copy and delete where the rename cannot cross file systems.
bool moveItem(const QString &source, const QString &target)
{
    if (QDir().rename(source, target))
        return true;
    if (!copyRecursively(source, target)) {
        // Leave nothing half-copied behind; the source is untouched.
        if (QFileInfo(target).isDir())
            QDir(target).removeRecursively();
        else
            QFile::remove(target);
        return false;
    }
    return QFileInfo(source).isDir() ? QDir(source).removeRecursively() : QFile::remove(source);
}

} // namespace

bool DeleteToRecycleBin(IDesktop &desktop, const QString &path)
{
    const QString p = withoutTrailingSlash(path);
    if (p.isEmpty() || !QFileInfo::exists(p))
        return false;
    return desktop.MoveToTrash(p);
}

bool ShellMove(IDesktop &desktop, const QString &source, const QString &destinationFolder)
{
    const QString from = withoutTrailingSlash(source);
    const QString folder = withoutTrailingSlash(destinationFolder);
    const QFileInfo fi(from);
    if (!fi.exists() || !QFileInfo(folder).isDir())
        return false;
    const QString target = folder + u'/' + fi.fileName();
    // A folder cannot go into itself or below itself.
    const QString sourcePath = fi.absoluteFilePath();
    const QString folderPath = QFileInfo(folder).absoluteFilePath() + u'/';
    if (QFileInfo(target).absoluteFilePath() == sourcePath
        || (fi.isDir() && folderPath.startsWith(sourcePath + u'/')))
        return false;
    if (QFileInfo::exists(target)) {
        const int answer = desktop.ShowMessageDialog(QStringLiteral("Verschieben..."),
            QStringLiteral("Im Verzeichnis\r\n%1\r\ngibt es bereits \"%2\".\r\n"
                           "Soll es ersetzt werden? Das vorhandene kommt in den Papierkorb.")
                .arg(folder, fi.fileName()),
            Msg::mtConfirmation, Msg::mbOKCancel,
            { QStringLiteral("Ersetzen"), QStringLiteral("Abbrechen") });
        if (answer != Msg::mrOk || !desktop.MoveToTrash(target))
            return false;
    }
    return moveItem(from, target);
}

bool ShellRenameFolder(const QString &oldPath, const QString &newPath)
{
    const QString from = withoutTrailingSlash(oldPath);
    const QString to = withoutTrailingSlash(newPath);
    if (!QFileInfo(from).isDir() || QFileInfo::exists(to))
        return false;
    return QDir().rename(from, to);
}

QString FreeCopyName(const QString &folder, const QString &fileName)
{
    const QString dir = withoutTrailingSlash(folder) + u'/';
    if (!QFileInfo::exists(dir + fileName))
        return fileName;
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const QString base = dot > 0 ? fileName.left(dot) : fileName;
    const QString ext = dot > 0 ? fileName.mid(dot) : QString();
    QString candidate = base + QStringLiteral(" - Kopie") + ext;
    for (int n = 2; QFileInfo::exists(dir + candidate); ++n)
        candidate = base + QStringLiteral(" - Kopie (%1)").arg(n) + ext;
    return candidate;
}

bool CopyFileInto(const QString &file, const QString &folder, QString *copyPath)
{
    const QFileInfo fi(file);
    if (!fi.isFile() || !QFileInfo(withoutTrailingSlash(folder)).isDir())
        return false;
    const QString target
        = withoutTrailingSlash(folder) + u'/' + FreeCopyName(folder, fi.fileName());
    if (!QFile::copy(file, target))
        return false;
    if (copyPath)
        *copyPath = target;
    return true;
}

int ShellOpen(IDesktop &desktop, const QString &target) { return desktop.ShellOpen(target); }
