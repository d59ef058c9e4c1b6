#include "TreeNavigation.h"

#include "DirWalk.h"
#include "TreeProcedures.h"
#include "base/ActionList.h"
#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/UState.h"
#include "base/VexUtils.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"
#include "store/ReviewSchema.h"
#include "util/BrowserUtils.h"

#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTreeWidget>

using namespace VexConst;

namespace {

constexpr int kBookSet = 1 << baFindFrontImage; // 2048
constexpr int kFileSet
    = (1 << baDeletefromTree) | (1 << baSendMail) | (1 << baShowMissingFrontImages); // 1664
constexpr int kCurrentFileExtras
    = (1 << baRemove) | (1 << baSave) | (1 << baPublisherDocuments) | (1 << baWebPage); // 12360
constexpr int kRootSet
    = (1 << baNewFolder) | (1 << baNew) | (1 << baImport) | (1 << baImportZip); // 51

} // namespace

TreeNavigation::TreeNavigation(MainContext &ctx, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
{ }

void TreeNavigation::TreeViewPopulate()
{
    QTreeWidget *tree = m_ctx.tree;
    tree->setUpdatesEnabled(false);
    DeferTreeLayout(tree);
    tree->clear();
    auto *root = new QTreeWidgetItem;
    root->setText(0, m_ctx.folders->dbFolderName);
    root->setData(0, TreeRoles::Data, int(nkFolder));
    tree->addTopLevelItem(root);
    SetNodeImages(root, imgRootNode, imgRootNode);

    // Review files are written in either form, whatever the setting names.
    TVexWalk walk(tree, m_ctx.folders->rootFolder,
        { m_ctx.ReviewFileExtension, QStringLiteral(".cds"), QStringLiteral(".xml") });
    walk.Walk(m_ctx.folders->dbFolder, true);

    tree->expandAll();
    SortTree(tree);
    tree->setUpdatesEnabled(true);
    tree->setCurrentItem(nullptr);
}

void TreeNavigation::TreeViewPopulateAndFocus(const QString &fullPath)
{
    TreeViewPopulate();
    QString relative = fullPath;
    relative.replace(m_ctx.folders->rootFolder, QString());
    if (QTreeWidgetItem *node = FindNodeByPath(m_ctx.tree, relative)) {
        m_ctx.tree->setCurrentItem(node);
        m_ctx.tree->setFocus();
    }
}

void TreeNavigation::TreeViewPopulateFileNode(QTreeWidgetItem *node)
{
    if (!node)
        return;
    DataSet &table = *m_ctx.data->DSetReview;
    table.disableControls();
    const int titleField = table.fieldIndex(QStringLiteral("BookTitle"));
    const int numberField = table.fieldIndex(QStringLiteral("BookNbr"));
    QList<QTreeWidgetItem *> books;
    for (int row = 0; row < table.recordCount(); ++row) {
        auto *book = new QTreeWidgetItem;
        book->setText(0, table.valueAt(row, titleField).toString());
        book->setData(0, TreeRoles::Data, BookKeyOf(table.valueAt(row, numberField)));
        // Before the node is in the tree: there every change of a node looks
        // for its row among all its siblings.
        SetNodeImages(book, imgBookIncluded, imgBookIncluded);
        books.append(book);
    }
    DeferTreeLayout(m_ctx.tree);
    node->addChildren(books);
    table.enableControls();
}

int TreeNavigation::TreeActionSet(const QTreeWidgetItem *node, bool *reserved) const
{
    *reserved = false;
    switch (GetNodeKind(node)) {
    case nkBook:
        return kBookSet;
    case nkReviewFile: {
        int set = kFileSet;
        if (!SubtreeHasBook(node))
            set |= 1 << baLoad;
        if (node->text(0) == m_ctx.CurrentFileName)
            set |= kCurrentFileExtras;
        return set;
    }
    case nkFolder: {
        int set = kRootSet;
        if (node != RootNode(m_ctx.tree))
            set |= 1 << baDeletefromTree;
        if (SubtreeHasUnloadedFile(node))
            set |= 1 << baLoad;
        if (m_ctx.data->DSetReview->recordCount() > 0)
            set |= 1 << baSave;
        return set;
    }
    default:
        *reserved = true;
        return 0;
    }
}

void TreeNavigation::SetAllowedTreeActions(QTreeWidgetItem *node)
{
    m_ctx.window->DebugMsg(QStringLiteral("SetAllowedTreeActions"));
    if (!node)
        return;
    bool reserved = false;
    const int set = TreeActionSet(node, &reserved);
    if (reserved) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Strukturansicht..."),
            QStringLiteral("Unbekannter Knotentyp"), Msg::mtWarning, Msg::mbOK,
            { QStringLiteral("OK") });
    } else {
        m_ctx.window->EnableActions(set);
    }
    if (CurrentState == &StateEdit())
        m_ctx.window->SetAllowedFormActions();
}

void TreeNavigation::locateRecord(QTreeWidgetItem *book)
{
    m_ctx.data->DSetReview->locate(QStringLiteral("BookNbr"), BookKeyToText(NodeData(book)));
}

void TreeNavigation::TreeView1Change(QTreeWidgetItem *node)
{
    if (!node) {
        m_ctx.window->DebugMsg(QStringLiteral("TreeView1Change, node is nil"));
        return;
    }
    m_ctx.window->DebugMsg(QStringLiteral("TreeViewChange, Node: %1").arg(node->text(0)));
    SetAllowedTreeActions(node);
    if (GetNodeKind(node) == nkBook)
        locateRecord(node);
    if (m_ctx.window->PreviewShowsCurrent()) {
        m_ctx.window->SetNavigatorEnabled(true);
        m_ctx.window->ShowPreviewInRichEdit(false);
    }
}

bool TreeNavigation::isOnIcon(QTreeWidgetItem *node, const QPoint &viewportPos) const
{
    QTreeWidget *tree = m_ctx.tree;
    QStyleOptionViewItem opt;
    opt.initFrom(tree->viewport());
    opt.rect = tree->visualItemRect(node);
    opt.features = QStyleOptionViewItem::HasDecoration | QStyleOptionViewItem::HasDisplay;
    opt.decorationSize = tree->iconSize();
    opt.decorationPosition = QStyleOptionViewItem::Left;
    opt.icon = node->icon(0);
    opt.text = node->text(0);
    opt.font = tree->font();
    opt.fontMetrics = tree->fontMetrics();
    const QRect icon = tree->style()->subElementRect(QStyle::SE_ItemViewItemDecoration, &opt, tree);
    return icon.contains(viewportPos);
}

void TreeNavigation::TreeView1Click(const QPoint &viewportPos)
{
    m_ctx.window->DebugMsg(QStringLiteral("TreeView1Click"));
    LocateBook(m_ctx.tree->itemAt(viewportPos), viewportPos);
}

void TreeNavigation::LocateBook(QTreeWidgetItem *node, const QPoint &viewportPos)
{
    if (!node || GetNodeKind(node) != nkBook)
        return;
    if (isOnIcon(node, viewportPos))
        ToggleBookMark(node);
    locateRecord(node);
    if (BrowserHasDocument(m_ctx.webBrowser))
        ScrollBrowserToText(m_ctx.webBrowser, node->text(0));
}

void TreeNavigation::TreeView1DblClick()
{
    QAction *load = m_ctx.actions->reviewAction(baLoad);
    if (load->isEnabled())
        load->trigger();
}

void TreeNavigation::TreeView1Enter()
{
    if (CurrentState == &StateEditSettings())
        m_ctx.window->ShowTabsheets(31, 0);
    SetState(StateNavigateTreeView());
    m_ctx.window->DebugMsg(QStringLiteral("TreeViewEnter"));
    if (QTreeWidgetItem *node = m_ctx.tree->currentItem())
        SetAllowedTreeActions(node);
}
