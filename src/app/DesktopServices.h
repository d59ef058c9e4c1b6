#pragma once

#include "base/IDesktop.h"

#include <QPointer>
#include <QWidget>

// The real desktop: Qt's dialogs, the freedesktop tools and the trash.
class DesktopServices : public IDesktop
{
public:
    // Dialogs are shown over this window once it is set.
    void setOwner(QWidget *owner) { m_owner = owner; }

    int ShowMessageDialog(const QString &caption, const QString &message, Msg::Kind kind,
        int buttonSet, const QStringList &captions) override;
    void ShowSystemMessage(const QString &message, Msg::Kind kind) override;
    int ShellOpen(const QString &target) override;
    QString GetOpenFileName(const QString &title, const QString &defaultExtension,
        const QString &filter, const QString &initialFolder) override;
    QString DocumentsFolder() override;
    QDate Today() override;
    void Pause(int milliseconds) override;
    bool MoveToTrash(const QString &path) override;

    // "Desc (*.a)|*.a|Desc|*.b" in Qt's form "Desc (*.a);;Desc (*.b)".
    static QString qtFilter(const QString &filter);
    // Whether a path lies in the files of a freedesktop trash: the home trash
    // ".../Trash/files/" or a mount's "$topdir/.Trash-$uid/files/" or
    // "$topdir/.Trash/$uid/files/".
    static bool isInTrash(const QString &path);
    // The folder a file dialog opens in: initialFolder, or its nearest
    // existing parent when it is missing (Qt would put the missing part into
    // the name field); empty when nothing of it exists.
    static QString existingFolder(const QString &initialFolder);

private:
    QPointer<QWidget> m_owner;
};
