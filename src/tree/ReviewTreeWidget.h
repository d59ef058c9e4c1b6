#pragma once

#include <QPersistentModelIndex>
#include <QTreeWidget>

#include <functional>

// The review tree's control: labels that can be edited under a guard, and
// nodes that can be dragged onto other nodes of the same tree. What an edit
// or a drop means is left to the hooks; the control itself never renames or
// moves a node.
class ReviewTreeWidget : public QTreeWidget
{
    Q_OBJECT

public:
    explicit ReviewTreeWidget(QWidget *parent = nullptr);

    // Asked before a label editor opens; false keeps the label as it is.
    std::function<bool(QTreeWidgetItem *node)> editingAllowed;
    // A finished label edit. text comes in as typed; the node shows what it
    // holds on return (the hook puts the old text back when it refuses).
    // Runs after the editor has closed.
    std::function<void(QTreeWidgetItem *node, QString &text)> edited;
    // Whether a drag from source may be dropped on target (null when the
    // mouse is over no node). source is the drag's origin, null for drags
    // from other programs.
    std::function<bool(QObject *source, QTreeWidgetItem *target)> dragOver;
    // An accepted drop on target. Runs once the drag has ended.
    std::function<void(QObject *source, QTreeWidgetItem *target)> dropped;

    // Many nodes are about to be added or moved: the view lays its rows out
    // once, when they are next needed, instead of after every change.
    void deferLayout() { scheduleDelayedItemsLayout(); }

protected:
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    friend class LabelDelegate;

    bool mayEdit(const QModelIndex &index);
    void labelCommitted(const QModelIndex &index, const QString &text);
    void finishEdit(const QPersistentModelIndex &index, QString text);
    bool acceptsDrop(QObject *source, const QPoint &pos);
    void runDrop(QObject *source, const QPersistentModelIndex &target);

    bool m_dragging = false;
    bool m_dropPending = false;
    QPersistentModelIndex m_dropTarget;
};
