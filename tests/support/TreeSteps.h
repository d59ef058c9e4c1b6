#pragma once

#include <QString>

class QTreeWidgetItem;
class WindowFixture;

// The tree node at a path such as "DB/2007/A.cds" or "DB/2007/", or null.
QTreeWidgetItem *TreeNode(WindowFixture &f, const QString &path);
// Selects the node as a click into the tree does: it becomes current, then
// the tree has the focus. Fails the test when the node is missing.
void SelectNode(WindowFixture &f, const QString &path);
// Triggers a review action; fails the test when it is disabled.
void TriggerReviewAction(WindowFixture &f, int bit);
