#pragma once

#include "base/VexConst.h"

#include <QString>

#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// Free functions over the review tree. A node carries a data value that tells
// its kind (-1 folder, -2 review file, any other value a book's key) and the
// indexes of its two pictures in the image list. Paths are relative to the
// root folder, with "/" between names; a folder's path ends with "/".

namespace TreeRoles {
enum : int {
    Data = 0x0100, // Qt::UserRole: the node's data value
    ImageIndex = 0x0101, // picture when not selected
    SelectedIndex = 0x0102,
};
}

int NodeData(const QTreeWidgetItem *node);
int ImageIndex(const QTreeWidgetItem *node);
int SelectedIndex(const QTreeWidgetItem *node);
// Sets the data value (keeps the book-key index in step).
void SetNodeData(QTreeWidgetItem *node, int data);
void SetNodeImages(QTreeWidgetItem *node, int image, int selectedImage);

// Adds a child with text, data and pictures as the last child of parent.
QTreeWidgetItem *AddChildNode(
    QTreeWidgetItem *parent, const QString &text, int data, int image, int selectedImage);
QTreeWidgetItem *AddFolderNode(QTreeWidgetItem *parent, const QString &text);
QTreeWidgetItem *AddReviewFileNode(QTreeWidgetItem *parent, const QString &text);
// A book node, included: text the title, data the book key.
QTreeWidgetItem *AddBookNode(QTreeWidgetItem *parent, const QString &title, int bookKey);

// -1 folder, -2 review file, -3 book, -4 and 0x0FFFFFFF for the reserved values.
int GetNodeKind(const QTreeWidgetItem *node);
bool IsBookIncluded(const QTreeWidgetItem *node);
// Switches a book node between included (11) and excluded (10).
void ToggleBookMark(QTreeWidgetItem *node);

QTreeWidgetItem *RootNode(const QTreeWidget *tree);
// The first node in tree order (pre-order from the root) whose data equals
// value. With select, the node is made visible and selected.
QTreeWidgetItem *FindNodeByData(QTreeWidget *tree, int value, bool select);
QTreeWidgetItem *FindChildByText(const QTreeWidgetItem *node, const QString &text);
QTreeWidgetItem *FindNodeByPath(const QTreeWidget *tree, const QString &path);
QString GetNodePath(const QTreeWidgetItem *node);
QString GetParentPath(const QTreeWidgetItem *node);
QTreeWidgetItem *GetEnclosingFolder(QTreeWidgetItem *node);
// Review-file nodes with at least one child.
int CountLoadedFiles(const QTreeWidget *tree);
// Clears flag, then calls visitor for node and every node below it,
// depth-first, a node before its children.
void VisitSubtree(QTreeWidgetItem *node,
    const std::function<void(QTreeWidgetItem *, bool &)> &visitor, bool &flag);
bool SubtreeHasBook(const QTreeWidgetItem *node);
bool SubtreeHasUnloadedFile(const QTreeWidgetItem *node);
// Sorts every level below node by text with the locale-aware collation of
// the default locale; folders and files in one order.
void SortSubtree(QTreeWidgetItem *node);
void SortTree(QTreeWidget *tree);
// Before many nodes change: the review tree lays its rows out once afterwards.
void DeferTreeLayout(QTreeWidget *tree);
