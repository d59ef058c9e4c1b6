#include "TreeProcedures.h"

#include "ReviewTreeWidget.h"
#include "base/ImageList1.h"
#include "util/SideBySide.h"

#include <QCollator>
#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <QTreeWidget>

#include <algorithm>

using namespace VexConst;

namespace {

// Book nodes by key, so that moving the review table selects its node
// without walking tens of thousands of nodes. Built on first use; nodes added
// afterwards join it, and any other change of the tree drops it until the
// next lookup.
class BookNodeIndex : public QObject
{
public:
    explicit BookNodeIndex(QTreeWidget *tree)
        : QObject(tree)
        , m_tree(tree)
    {
        setObjectName(QStringLiteral("BookNodeIndex"));
        indexes().insert(tree, this);
        QAbstractItemModel *model = tree->model();
        connect(model, &QAbstractItemModel::rowsInserted, this, &BookNodeIndex::inserted);
        connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &BookNodeIndex::invalidate);
        connect(model, &QAbstractItemModel::modelReset, this, &BookNodeIndex::invalidate);
        connect(model, &QAbstractItemModel::layoutChanged, this, &BookNodeIndex::invalidate);
        connect(model, &QAbstractItemModel::rowsMoved, this, &BookNodeIndex::invalidate);
    }

    ~BookNodeIndex() override { indexes().remove(m_tree); }

    // Looked up for every record of a page or a preview: a small hash rather
    // than a search of the tree's children by name.
    static BookNodeIndex *of(QTreeWidget *tree)
    {
        BookNodeIndex *index = indexes().value(tree);
        return index ? index : new BookNodeIndex(tree);
    }

    QTreeWidgetItem *find(int key)
    {
        if (!m_valid)
            rebuild();
        return m_nodes.value(key);
    }

    void invalidate()
    {
        m_valid = false;
        m_nodes.clear();
    }

private:
    static QHash<const QTreeWidget *, BookNodeIndex *> &indexes()
    {
        static QHash<const QTreeWidget *, BookNodeIndex *> all;
        return all;
    }

    void rebuild()
    {
        m_nodes.clear();
        bool repeated = false;
        for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
            addSubtree(m_tree->topLevelItem(i), repeated);
        m_valid = true;
    }

    // Adds in pre-order, so the first node of a key in tree order wins; a
    // node whose key is taken stays out but its subtree is still walked.
    // repeated tells whether such a node was met.
    void addSubtree(QTreeWidgetItem *node, bool &repeated)
    {
        const int data = NodeData(node);
        if (data != nkFolder && data != nkReviewFile) {
            if (m_nodes.contains(data))
                repeated = true;
            else
                m_nodes.insert(data, node);
        }
        for (int i = 0; i < node->childCount(); ++i)
            addSubtree(node->child(i), repeated);
    }

    void inserted(const QModelIndex &parent, int first, int last)
    {
        if (!m_valid)
            return;
        QTreeWidgetItem *parentItem = parent.isValid() ? m_tree->itemFromIndex(parent) : nullptr;
        for (int row = first; row <= last; ++row) {
            QTreeWidgetItem *item = parentItem ? parentItem->child(row) : m_tree->topLevelItem(row);
            // A key met twice needs the tree order to pick the first node:
            // start afresh then.
            bool repeated = false;
            if (item)
                addSubtree(item, repeated);
            if (!item || repeated) {
                invalidate();
                return;
            }
        }
    }

    QTreeWidget *m_tree;
    QHash<int, QTreeWidgetItem *> m_nodes;
    bool m_valid = false;
};

} // namespace

int NodeData(const QTreeWidgetItem *node)
{
    return node ? node->data(0, TreeRoles::Data).toInt() : 0;
}

int ImageIndex(const QTreeWidgetItem *node)
{
    return node ? node->data(0, TreeRoles::ImageIndex).toInt() : -1;
}

int SelectedIndex(const QTreeWidgetItem *node)
{
    return node ? node->data(0, TreeRoles::SelectedIndex).toInt() : -1;
}

void SetNodeData(QTreeWidgetItem *node, int data)
{
    node->setData(0, TreeRoles::Data, data);
    if (QTreeWidget *tree = node->treeWidget())
        BookNodeIndex::of(tree)->invalidate();
}

namespace {

// One icon per pair of pictures: the tree shows the second one while the
// node is selected.
QIcon nodeIcon(int image, int selectedImage)
{
    // Freed with the application, before the pixmaps' platform goes away.
    static QHash<int, QIcon> *icons = nullptr;
    if (!icons) {
        icons = new QHash<int, QIcon>;
        qAddPostRoutine([] {
            delete icons;
            icons = nullptr;
        });
    }
    const int key = image * 64 + selectedImage;
    auto it = icons->find(key);
    if (it == icons->end()) {
        // Drawn for screens of single, double and triple density, so the
        // pictures stay sharp when the desktop scales the window.
        QIcon icon;
        const QSize size(16, 16);
        for (const qreal ratio : { 1.0, 2.0, 3.0 }) {
            icon.addPixmap(ImageList1::icon(image).pixmap(size, ratio), QIcon::Normal);
            icon.addPixmap(ImageList1::icon(selectedImage).pixmap(size, ratio), QIcon::Selected);
        }
        it = icons->insert(key, icon);
    }
    return it.value();
}

} // namespace

void SetNodeImages(QTreeWidgetItem *node, int image, int selectedImage)
{
    node->setData(0, TreeRoles::ImageIndex, image);
    node->setData(0, TreeRoles::SelectedIndex, selectedImage);
    node->setIcon(0, nodeIcon(image, selectedImage));
}

QTreeWidgetItem *AddChildNode(
    QTreeWidgetItem *parent, const QString &text, int data, int image, int selectedImage)
{
    auto *node = new QTreeWidgetItem;
    node->setText(0, text);
    node->setData(0, TreeRoles::Data, data);
    SetNodeImages(node, image, selectedImage);
    parent->addChild(node);
    return node;
}

QTreeWidgetItem *AddFolderNode(QTreeWidgetItem *parent, const QString &text)
{
    return AddChildNode(parent, text, nkFolder, imgFolderClosed, imgFolderOpen);
}

QTreeWidgetItem *AddReviewFileNode(QTreeWidgetItem *parent, const QString &text)
{
    return AddChildNode(parent, text, nkReviewFile, imgReviewFile, imgReviewFile);
}

QTreeWidgetItem *AddBookNode(QTreeWidgetItem *parent, const QString &title, int bookKey)
{
    return AddChildNode(parent, title, bookKey, imgBookIncluded, imgBookIncluded);
}

int GetNodeKind(const QTreeWidgetItem *node)
{
    const int data = NodeData(node);
    switch (data) {
    case nkFolder:
    case nkReviewFile:
    case nkReservedMinus4:
    case nkReserved:
        return data;
    default:
        return nkBook;
    }
}

bool IsBookIncluded(const QTreeWidgetItem *node) { return ImageIndex(node) != imgBookExcluded; }

void ToggleBookMark(QTreeWidgetItem *node)
{
    const int image = ImageIndex(node) == imgBookExcluded ? imgBookIncluded : imgBookExcluded;
    SetNodeImages(node, image, image);
}

QTreeWidgetItem *RootNode(const QTreeWidget *tree)
{
    return tree && tree->topLevelItemCount() > 0 ? tree->topLevelItem(0) : nullptr;
}

QTreeWidgetItem *FindNodeByData(QTreeWidget *tree, int value, bool select)
{
    if (!tree || tree->topLevelItemCount() == 0)
        return nullptr;
    QTreeWidgetItem *found = nullptr;
    if (value == nkFolder || value == nkReviewFile) {
        // Folders and files are not indexed; they are few.
        std::function<QTreeWidgetItem *(QTreeWidgetItem *)> walk
            = [&](QTreeWidgetItem *n) -> QTreeWidgetItem * {
            if (NodeData(n) == value)
                return n;
            for (int i = 0; i < n->childCount(); ++i) {
                if (QTreeWidgetItem *hit = walk(n->child(i)))
                    return hit;
            }
            return nullptr;
        };
        for (int i = 0; i < tree->topLevelItemCount() && !found; ++i)
            found = walk(tree->topLevelItem(i));
    } else {
        found = BookNodeIndex::of(tree)->find(value);
    }
    if (found && select) {
        for (QTreeWidgetItem *p = found->parent(); p; p = p->parent())
            p->setExpanded(true);
        tree->setCurrentItem(found);
        tree->scrollToItem(found);
    }
    return found;
}

QTreeWidgetItem *FindChildByText(const QTreeWidgetItem *node, const QString &text)
{
    if (!node)
        return nullptr;
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->text(0) == text)
            return node->child(i);
    }
    return nullptr;
}

QTreeWidgetItem *FindNodeByPath(const QTreeWidget *tree, const QString &path)
{
    QTreeWidgetItem *node = RootNode(tree);
    if (!node)
        return nullptr;
    const QStringList parts = path.split(u'/');
    // The first name stands for the root and is not compared; a trailing
    // "/" leaves an empty last part, which names nothing.
    for (qsizetype i = 1; i < parts.size(); ++i) {
        if (i == parts.size() - 1 && parts[i].isEmpty())
            break;
        node = FindChildByText(node, parts[i]);
        if (!node)
            return nullptr;
    }
    return node;
}

QString GetNodePath(const QTreeWidgetItem *node)
{
    if (!node)
        return {};
    QStringList names;
    for (const QTreeWidgetItem *n = node; n; n = n->parent())
        names.prepend(n->text(0));
    QString path = names.join(u'/');
    if (GetNodeKind(node) == nkFolder)
        path += u'/';
    return path;
}

QString GetParentPath(const QTreeWidgetItem *node)
{
    return node && node->parent() ? GetNodePath(node->parent()) : QString();
}

QTreeWidgetItem *GetEnclosingFolder(QTreeWidgetItem *node)
{
    while (node && GetNodeKind(node) != nkFolder)
        node = node->parent();
    return node;
}

int CountLoadedFiles(const QTreeWidget *tree)
{
    int count = 0;
    std::function<void(const QTreeWidgetItem *)> walk = [&](const QTreeWidgetItem *n) {
        const int kind = GetNodeKind(n);
        if (kind == nkReviewFile) {
            if (n->childCount() > 0)
                ++count;
            return; // below a file there are only books
        }
        if (kind != nkFolder)
            return;
        for (int i = 0; i < n->childCount(); ++i)
            walk(n->child(i));
    };
    for (int i = 0; tree && i < tree->topLevelItemCount(); ++i)
        walk(tree->topLevelItem(i));
    return count;
}

void VisitSubtree(QTreeWidgetItem *node,
    const std::function<void(QTreeWidgetItem *, bool &)> &visitor, bool &flag)
{
    flag = false;
    if (!node)
        return;
    // The visitor may add children (book nodes) to the node it visits; the
    // walk goes by position so that these are visited too, as in the tree.
    std::function<void(QTreeWidgetItem *)> walk = [&](QTreeWidgetItem *n) {
        visitor(n, flag);
        for (int i = 0; i < n->childCount(); ++i)
            walk(n->child(i));
    };
    walk(node);
}

bool SubtreeHasBook(const QTreeWidgetItem *node)
{
    if (!node)
        return false;
    if (GetNodeKind(node) == nkBook)
        return true;
    for (int i = 0; i < node->childCount(); ++i) {
        if (SubtreeHasBook(node->child(i)))
            return true;
    }
    return false;
}

bool SubtreeHasUnloadedFile(const QTreeWidgetItem *node)
{
    if (!node)
        return false;
    const int kind = GetNodeKind(node);
    if (kind == nkReviewFile)
        return node->childCount() == 0;
    if (kind != nkFolder)
        return false;
    for (int i = 0; i < node->childCount(); ++i) {
        if (SubtreeHasUnloadedFile(node->child(i)))
            return true;
    }
    return false;
}

namespace {

// From this many nodes below a level on, its two halves are sorted side by
// side.
constexpr int kSortSideBySide = 4096;

void sortBelow(QTreeWidgetItem *node, const QCollator &collator, bool mayShare = true)
{
    if (node->childCount() == 0)
        return;
    // Out of the tree while they are sorted: the deeper levels then change
    // without telling the views, which hear of it once.
    const QList<QTreeWidgetItem *> children = node->takeChildren();
    // The texts are taken once. Comparing them directly is cheaper than a
    // collation key for each, as titles mostly differ early on.
    QList<QPair<QString, QTreeWidgetItem *>> keyed;
    keyed.reserve(children.size());
    for (QTreeWidgetItem *c : children)
        keyed.append({ c->text(0), c });
    std::stable_sort(keyed.begin(), keyed.end(), [&collator](const auto &a, const auto &b) {
        return collator.compare(a.first, b.first) < 0;
    });
    QList<QTreeWidgetItem *> sorted;
    sorted.reserve(children.size());
    for (const auto &k : keyed)
        sorted.append(k.second);
    // The children are out of the tree now, and no node lies below two of
    // them: a second thread may sort below the one half (with a collator of
    // its own) while this one sorts below the other.
    qsizetype below = 0;
    for (const QTreeWidgetItem *c : std::as_const(sorted))
        below += c->childCount();
    if (mayShare && sorted.size() > 1 && below >= kSortSideBySide) {
        const qsizetype half = sorted.size() / 2;
        QCollator own(collator.locale());
        own.setCaseSensitivity(collator.caseSensitivity());
        own.setNumericMode(collator.numericMode());
        own.setIgnorePunctuation(collator.ignorePunctuation());
        RunSideBySide(
            true,
            [&sorted, half, &own] {
                for (qsizetype i = 0; i < half; ++i)
                    sortBelow(sorted.at(i), own, false);
            },
            [&] {
                for (qsizetype i = half; i < sorted.size(); ++i)
                    sortBelow(sorted.at(i), collator, false);
            });
    } else {
        for (QTreeWidgetItem *c : std::as_const(sorted))
            sortBelow(c, collator, mayShare);
    }
    node->addChildren(sorted);
}

// Taking nodes out of the tree loses their expansion; it is put back after.
void collectExpanded(QTreeWidgetItem *node, QList<QTreeWidgetItem *> &expanded)
{
    if (node->isExpanded())
        expanded.append(node);
    for (int i = 0; i < node->childCount(); ++i) {
        if (node->child(i)->childCount() > 0)
            collectExpanded(node->child(i), expanded);
    }
}

} // namespace

void SortSubtree(QTreeWidgetItem *node)
{
    if (!node)
        return;
    QList<QTreeWidgetItem *> expanded;
    collectExpanded(node, expanded);
    // Taking the nodes out also drops the current node when it lies below;
    // it is made current again, so its actions stay enabled.
    QTreeWidget *tree = node->treeWidget();
    QTreeWidgetItem *current = tree ? tree->currentItem() : nullptr;
    bool below = false;
    for (QTreeWidgetItem *p = current ? current->parent() : nullptr; p && !below; p = p->parent())
        below = p == node;
    sortBelow(node, QCollator(QLocale()));
    for (QTreeWidgetItem *n : expanded)
        n->setExpanded(true);
    if (below && tree->currentItem() != current)
        tree->setCurrentItem(current);
}

void SortTree(QTreeWidget *tree)
{
    DeferTreeLayout(tree);
    for (int i = 0; tree && i < tree->topLevelItemCount(); ++i)
        SortSubtree(tree->topLevelItem(i));
}

void DeferTreeLayout(QTreeWidget *tree)
{
    if (auto *review = qobject_cast<ReviewTreeWidget *>(tree))
        review->deferLayout();
}
