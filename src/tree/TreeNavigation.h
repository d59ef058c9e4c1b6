#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

struct MainContext;
class QTreeWidgetItem;

// The review tree at work: building it from the disk, the actions allowed
// for the selected node, and moving the review table with the selection.
class TreeNavigation : public QObject
{
    Q_OBJECT

public:
    TreeNavigation(MainContext &ctx, QObject *parent = nullptr);

    // Rebuilds the whole tree from the database folder.
    void TreeViewPopulate();
    // Rebuilds, then selects and focuses the node of a full path.
    void TreeViewPopulateAndFocus(const QString &fullPath);
    // One included book node per record of the review table below node.
    void TreeViewPopulateFileNode(QTreeWidgetItem *node);

    // The action set for a node; reserved kinds set *reserved and give 0.
    int TreeActionSet(const QTreeWidgetItem *node, bool *reserved) const;
    void SetAllowedTreeActions(QTreeWidgetItem *node);

    void TreeView1Change(QTreeWidgetItem *node);
    void TreeView1Click(const QPoint &viewportPos);
    void LocateBook(QTreeWidgetItem *node, const QPoint &viewportPos);
    void TreeView1DblClick();
    void TreeView1Enter();

    // Whether a point of the viewport lies on the node's picture.
    bool isOnIcon(QTreeWidgetItem *node, const QPoint &viewportPos) const;

    // While loading, moving the review table does not select tree nodes.
    void setFollowTable(bool follow) { m_followTable = follow; }
    bool followTable() const { return m_followTable; }

private:
    // Moves the review table to the book of a book node.
    void locateRecord(QTreeWidgetItem *book);

    MainContext &m_ctx;
    bool m_followTable = true;
};
