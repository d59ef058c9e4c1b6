#include "ProgramFolder.h"

#include <QDir>
#include <QFileInfo>

namespace {

// The data beside an installed program file, relative to its folder.
const QString kInstalledData = QStringLiteral("/../share/skribando");

QString withSlash(QString folder)
{
    if (!folder.endsWith(u'/'))
        folder += u'/';
    return folder;
}

// The program file's path with its extension replaced by ".ini".
QString settingsFileBeside(const QString &programFile)
{
    const QFileInfo fi(programFile);
    QString name = fi.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0)
        name.truncate(dot);
    return fi.absolutePath() + u'/' + name + QStringLiteral(".ini");
}

} // namespace

bool IsInstalledProgram(const QString &programFile)
{
    return QFileInfo(QFileInfo(programFile).absolutePath() + kInstalledData).isDir();
}

QString DataHomeFolder()
{
    const QString xdg = qEnvironmentVariable("XDG_DATA_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
        return QDir::cleanPath(xdg);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

ProgramPlace ChooseProgramFolder(const QString &programFile,
    const std::function<bool(const QString &folder)> &writable, const QString &dataHome)
{
    const QString beside = QFileInfo(programFile).absolutePath();
    ProgramPlace place;
    // An installed program never writes into the system's folders, also when
    // it runs with the rights to do so.
    if (!IsInstalledProgram(programFile) && writable(beside)) {
        place.folder = withSlash(beside);
        place.settingsFile = settingsFileBeside(programFile);
        place.portable = true;
    } else {
        place.folder = withSlash(dataHome) + QStringLiteral("Skribando/");
        place.settingsFile = place.folder + QStringLiteral("Skribando.ini");
        place.portable = false;
    }
    return place;
}

ProgramPlace ChooseProgramFolder(const QString &programFile)
{
    return ChooseProgramFolder(
        programFile,
        [](const QString &folder) {
            const QFileInfo fi(folder);
            return fi.isDir() && fi.isWritable();
        },
        DataHomeFolder());
}

QString ManualPath(const QString &programFile)
{
    const QString beside = QFileInfo(programFile).absolutePath();
    if (IsInstalledProgram(programFile))
        return QDir::cleanPath(beside + kInstalledData) + QStringLiteral("/Hilfe/Skribando.html");
    return beside + QStringLiteral("/Hilfe/Skribando.html");
}
