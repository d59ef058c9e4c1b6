#pragma once

#include <QObject>
#include <QString>

struct MainContext;
class QTreeWidgetItem;

// Reorganising the stored review files from the review tree: a new folder
// below the selected one, renaming by editing a label, moving by dragging a
// node onto a folder, deleting to the trash. Each change is made on disk
// first and then mirrored in the tree, without a rebuild.
class TreeEditing : public QObject
{
    Q_OBJECT

public:
    explicit TreeEditing(MainContext &ctx, QObject *parent = nullptr);

    // A folder "Unbenannt" below the selected folder node.
    void ActionNewFolderExecute();

    // Whether the label of node may be edited.
    bool TreeView1Editing(QTreeWidgetItem *node);
    // Carries out a finished label edit on disk. text is the new label; when
    // the rename is refused or fails it is set back to the old one.
    void TreeView1Edited(QTreeWidgetItem *node, QString &text);

    // Whether the selected node, dragged from source, may be dropped on
    // target.
    bool TreeView1DragOver(QObject *source, QTreeWidgetItem *target) const;
    // Moves the selected node into the folder of target, on disk and in the
    // tree.
    void TreeView1DragDrop(QObject *source, QTreeWidgetItem *target);

    // Deletes the selected folder or review file, after two questions.
    void ActionDeletefromTreeExecute();

private:
    QString fullPath(const QTreeWidgetItem *node) const;
    void renameFailed(bool folder);
    // The review table's own path follows its file when the file or a folder
    // above it is renamed or moved, and is dropped when the file goes.
    void retargetTablePath(const QString &from, const QString &to);
    void forgetTablePath(const QString &removed);

    MainContext &m_ctx;
};
