#include "DesktopServices.h"

#include "MessageDialog.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>

int DesktopServices::ShowMessageDialog(const QString &caption, const QString &message,
    Msg::Kind kind, int buttonSet, const QStringList &captions)
{
    return ExecMessageDialog(m_owner, caption, message, kind, buttonSet, captions);
}

void DesktopServices::ShowSystemMessage(const QString &message, Msg::Kind kind)
{
    QMessageBox::Icon icon = QMessageBox::Warning;
    if (kind == Msg::mtError)
        icon = QMessageBox::Critical;
    else if (kind == Msg::mtInformation)
        icon = QMessageBox::Information;
    QMessageBox box(icon, Msg::standardTitle(kind), MessageDialog::displayText(message),
        QMessageBox::Ok, m_owner);
    box.exec();
}

int DesktopServices::ShellOpen(const QString &target)
{
    constexpr int fileNotFound = 2;
    constexpr int noAssociation = 31;
    constexpr int success = 42;
    const QUrl asUrl(target);
    const bool isWebAddress = !asUrl.scheme().isEmpty() && asUrl.scheme().size() > 1
        && asUrl.scheme() != QLatin1String("file");
    QUrl url;
    if (isWebAddress) {
        url = asUrl;
    } else {
        if (!QFileInfo::exists(target))
            return fileNotFound;
        url = QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath());
    }
    return QDesktopServices::openUrl(url) ? success : noAssociation;
}

QString DesktopServices::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString &desc = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        out.append(desc.contains(u'(') ? desc : desc + QStringLiteral(" (") + patterns + u')');
    }
    return out.join(QStringLiteral(";;"));
}

QString DesktopServices::GetOpenFileName(const QString &title, const QString &defaultExtension,
    const QString &filter, const QString &initialFolder)
{
    QFileDialog dialog(m_owner, title, existingFolder(initialFolder), qtFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QString suffix = defaultExtension;
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString DesktopServices::existingFolder(const QString &initialFolder)
{
    QString folder = initialFolder;
    while (!folder.isEmpty() && !QFileInfo(folder).isDir()) {
        const QString parent = QFileInfo(folder).path();
        if (parent == folder || parent == QStringLiteral("."))
            return {};
        folder = parent;
    }
    return folder;
}

QString DesktopServices::DocumentsFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

QDate DesktopServices::Today() { return QDate::currentDate(); }

void DesktopServices::Pause(int milliseconds)
{
    // Keep painting while waiting, so the splash window stays on screen.
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        QThread::msleep(10);
    }
}

bool DesktopServices::MoveToTrash(const QString &path)
{
    QString p = path;
    while (p.size() > 1 && p.endsWith(u'/'))
        p.chop(1);
    // The trash lives in the user's data folder; without it the move would
    // land in a stray "files" folder and still report success.
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome))
        return false;
    QString inTrash;
    if (!QFile::moveToTrash(p, &inTrash))
        return false;
    return isInTrash(inTrash);
}

bool DesktopServices::isInTrash(const QString &path)
{
    if (!QFileInfo(path).isAbsolute())
        return false;
    // A file on another file system goes to the trash of its mount.
    static const QRegularExpression trashFiles(
        QStringLiteral("/(?:Trash|\\.Trash-\\d+|\\.Trash/\\d+)/files/[^/]"));
    return trashFiles.match(path).hasMatch();
}
