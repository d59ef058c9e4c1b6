#pragma once

#include <QString>
#include <QStringList>

class QTreeWidget;

// One entry of a folder listing.
struct DirEntry
{
    enum Attribute : int { faDirectory = 16 };
    QString name;
    int attributes = 0;
    bool isDirectory() const { return attributes & faDirectory; }
};

// Walks a folder's entries (hidden and system entries and every name that
// begins with "." are skipped), a folder's own entry before anything inside it.
class TDirWalk
{
public:
    virtual ~TDirWalk();
    void Walk(const QString &folder, bool recursive);

protected:
    virtual void ProcessEntry(const DirEntry &entry, const QString &folder) = 0;
};

// Adds a tree node per entry below the node of the entry's folder. Every
// file counts as a review file, whatever its extension, but for the
// temporary file of a save that was cut short ("A.cds.AbC123", see
// IsSaveTemporaryName) of a file with one of reviewExtensions.
class TVexWalk : public TDirWalk
{
public:
    TVexWalk(QTreeWidget *tree, const QString &rootFolder, const QStringList &reviewExtensions);

protected:
    void ProcessEntry(const DirEntry &entry, const QString &folder) override;

private:
    QTreeWidget *m_tree;
    QString m_rootFolder;
    QStringList m_reviewExtensions;
};
