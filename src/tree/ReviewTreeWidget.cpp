#include "ReviewTreeWidget.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMetaProperty>
#include <QMimeData>
#include <QStyledItemDelegate>

// Opens label editors only where the tree's guard allows it, and hands a
// finished edit to the tree instead of writing it into the node.
class LabelDelegate : public QStyledItemDelegate
{
public:
    explicit LabelDelegate(ReviewTreeWidget *tree)
        : QStyledItemDelegate(tree)
        , m_tree(tree)
    { }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override
    {
        if (!m_tree->mayEdit(index))
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }

    void setModelData(
        QWidget *editor, QAbstractItemModel *, const QModelIndex &index) const override
    {
        const QMetaProperty property = editor->metaObject()->userProperty();
        m_tree->labelCommitted(index, property.read(editor).toString());
    }

private:
    ReviewTreeWidget *m_tree;
};

ReviewTreeWidget::ReviewTreeWidget(QWidget *parent)
    : QTreeWidget(parent)
{
    setItemDelegate(new LabelDelegate(this));
    // F2, or a second click on the selected node; a double click loads.
    setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::InternalMove);
    setDefaultDropAction(Qt::MoveAction);
    // Every drop lands on a node, never between two.
    setDropIndicatorShown(false);
    // All nodes are one line high; rows of varying height are laid out one
    // by one, which takes seconds for the first End in tens of thousands.
    setUniformRowHeights(true);

    // The selected node stays marked while another control has the focus.
    QPalette pal = palette();
    for (auto role : { QPalette::Highlight, QPalette::HighlightedText })
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);
}

bool ReviewTreeWidget::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    // As far as the view is concerned every label is editable; the guard
    // decides when an editor is about to open.
    if (trigger != NoEditTriggers) {
        QTreeWidgetItem *node = itemFromIndex(index);
        if (node && !(node->flags() & Qt::ItemIsEditable))
            node->setFlags(node->flags() | Qt::ItemIsEditable);
    }
    return QTreeWidget::edit(index, trigger, event);
}

bool ReviewTreeWidget::mayEdit(const QModelIndex &index)
{
    QTreeWidgetItem *node = itemFromIndex(index);
    return node && (!editingAllowed || editingAllowed(node));
}

void ReviewTreeWidget::labelCommitted(const QModelIndex &index, const QString &text)
{
    // The rename may ask or report something; that waits until the editor
    // is gone, so losing the focus to a message cannot commit a second time.
    QMetaObject::invokeMethod(
        this, [this, node = QPersistentModelIndex(index), text] { finishEdit(node, text); },
        Qt::QueuedConnection);
}

void ReviewTreeWidget::finishEdit(const QPersistentModelIndex &index, QString text)
{
    QTreeWidgetItem *node = index.isValid() ? itemFromIndex(index) : nullptr;
    if (!node)
        return;
    if (edited)
        edited(node, text);
    // Look the node up again: the hook may have changed the tree.
    if (QTreeWidgetItem *still = index.isValid() ? itemFromIndex(index) : nullptr)
        still->setText(0, text);
}

void ReviewTreeWidget::startDrag(Qt::DropActions)
{
    // Pressing the mouse selects, so the dragged node is the selected one.
    QTreeWidgetItem *node = currentItem();
    if (!node)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData({ node }));
    drag->setPixmap(node->icon(0).pixmap(iconSize()));
    m_dragging = true;
    m_dropPending = false;
    // The node is moved by the drop hook, never by the view itself.
    drag->exec(Qt::MoveAction, Qt::MoveAction);
    m_dragging = false;
    // The move may ask questions; it runs once the drag has ended.
    if (m_dropPending) {
        m_dropPending = false;
        const QPersistentModelIndex target = m_dropTarget;
        m_dropTarget = QPersistentModelIndex();
        runDrop(this, target);
    }
}

void ReviewTreeWidget::dragEnterEvent(QDragEnterEvent *event)
{
    QTreeWidget::dragEnterEvent(event);
    // Whether a node may take the drop is decided while moving over it.
    if (event->source() == this) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ReviewTreeWidget::dragMoveEvent(QDragMoveEvent *event)
{
    // The view scrolls near its edges.
    QTreeWidget::dragMoveEvent(event);
    if (acceptsDrop(event->source(), event->position().toPoint())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ReviewTreeWidget::dropEvent(QDropEvent *event)
{
    stopAutoScroll();
    setState(NoState);
    viewport()->update();
    const QPoint pos = event->position().toPoint();
    if (!acceptsDrop(event->source(), pos)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    const QPersistentModelIndex target = indexFromItem(itemAt(pos));
    if (m_dragging && event->source() == this) {
        m_dropPending = true;
        m_dropTarget = target;
    } else {
        runDrop(event->source(), target);
    }
}

bool ReviewTreeWidget::acceptsDrop(QObject *source, const QPoint &pos)
{
    return dragOver && dragOver(source, itemAt(pos));
}

void ReviewTreeWidget::runDrop(QObject *source, const QPersistentModelIndex &target)
{
    if (dropped)
        dropped(source, target.isValid() ? itemFromIndex(target) : nullptr);
}
