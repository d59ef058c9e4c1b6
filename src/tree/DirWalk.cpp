#include "DirWalk.h"

#include "TreeProcedures.h"
#include "util/SafeWrite.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

TDirWalk::~TDirWalk() = default;

void TDirWalk::Walk(const QString &folder, bool recursive)
{
    QString base = folder;
    if (!base.endsWith(u'/'))
        base += u'/';
    // Without QDir::Hidden and QDir::System those entries stay out.
    const QFileInfoList entries
        = QDir(base).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo &fi : entries) {
        const QString name = fi.fileName();
        if (name.startsWith(u'.'))
            continue;
        DirEntry entry { name, fi.isDir() ? int(DirEntry::faDirectory) : 0 };
        ProcessEntry(entry, base);
        // Links to folders are not followed, so a link back up cannot make
        // the walk endless.
        if (recursive && entry.isDirectory() && !fi.isSymLink())
            Walk(base + name, recursive);
    }
}

TVexWalk::TVexWalk(
    QTreeWidget *tree, const QString &rootFolder, const QStringList &reviewExtensions)
    : m_tree(tree)
    , m_rootFolder(rootFolder)
    , m_reviewExtensions(reviewExtensions)
{ }

void TVexWalk::ProcessEntry(const DirEntry &entry, const QString &folder)
{
    if (!entry.isDirectory() && IsSaveTemporaryName(entry.name, m_reviewExtensions))
        return;
    QString relative = folder;
    relative.replace(m_rootFolder, QString());
    if (relative.endsWith(u'/'))
        relative.chop(1);
    QTreeWidgetItem *parent = FindNodeByPath(m_tree, relative);
    if (!parent)
        return;
    if (entry.isDirectory())
        AddFolderNode(parent, entry.name);
    else
        AddReviewFileNode(parent, entry.name);
}
