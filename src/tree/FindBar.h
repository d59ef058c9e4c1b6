#pragma once

#include <QWidget>

class DataSet;
class QLabel;
class QLineEdit;
class QTreeWidget;
class TreeFilter;

// The search field above the review tree. Typing filters the tree; Enter
// and F3 select the next match, Shift+Enter and Shift+F3 the previous one;
// Escape empties the field (and, when it is empty, goes back to the tree).
class FindBar : public QWidget
{
    Q_OBJECT

public:
    FindBar(QTreeWidget *tree, DataSet &table, QWidget *parent = nullptr);

    QLineEdit *EditFind = nullptr;
    QLabel *LabelFindCount = nullptr;
    TreeFilter *filter() const { return m_filter; }

    // "Suchen": the field gets the focus with its text selected.
    void ActionFindExecute();
    void FindNext();
    void FindPrevious();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showCount(int matches, int books);

    QTreeWidget *m_tree;
    TreeFilter *m_filter;
};
