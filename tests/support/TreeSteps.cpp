#include "TreeSteps.h"

#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QTest>
#include <QTreeWidget>

QTreeWidgetItem *TreeNode(WindowFixture &f, const QString &path)
{
    return FindNodeByPath(f.window().TreeView1, path);
}

void SelectNode(WindowFixture &f, const QString &path)
{
    QTreeWidgetItem *n = TreeNode(f, path);
    QVERIFY2(n, qPrintable(path));
    f.window().TreeView1->setCurrentItem(n);
    f.window().TreeView1Enter();
}

void TriggerReviewAction(WindowFixture &f, int bit)
{
    QAction *a = f.window().actions()->reviewAction(bit);
    QVERIFY2(a->isEnabled(), qPrintable(a->objectName() + QStringLiteral(" is disabled")));
    a->trigger();
}
