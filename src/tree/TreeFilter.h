#pragma once

#include "data/BookSearch.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QModelIndex>
#include <QObject>
#include <QTimer>

#include <deque>
#include <memory>
#include <vector>

class BookSearchIndex;
class DataSet;
class QTreeWidget;
class QTreeWidgetItem;

// Filters the review tree by a query: only the matching books stay visible,
// with the file and folder nodes above them. Nodes are only hidden, never
// taken out, so every action sees the whole tree as before.
//
// A pass runs in slices from the event loop, so typing never waits for it; a
// new query stops the pass under way and starts another. The books' texts
// come from a search index of the review table, built on first use.
class TreeFilter : public QObject
{
    Q_OBJECT

public:
    TreeFilter(QTreeWidget *tree, DataSet &table, QObject *parent = nullptr);
    ~TreeFilter() override;

    // Filters by text from now on; blanks only show the whole tree again.
    void setQuery(const QString &text);
    // A query with words is in force.
    bool isActive() const { return !m_query.isEmpty(); }
    // Starts building the search index, so that the first query is quick.
    void prepare();
    // Runs what is due (index, pass) to its end now.
    void finish();
    bool isBusy() const;

    // Of the last pass: matching books and all books of the tree.
    int matchCount() const { return m_matchCount; }
    int bookCount() const { return m_bookCount; }

    // Selects the next (previous) matching book in tree order after (before)
    // the selected node, wrapping at the end; false when nothing matches.
    bool selectNext() { return selectMatch(true); }
    bool selectPrevious() { return selectMatch(false); }

signals:
    // A pass has been applied to the tree (also when the filter went off).
    void filtered(int matches, int books);
    // A pass takes longer than a moment.
    void working();

private:
    // The tree flattened in pre-order for one pass.
    struct Node
    {
        QTreeWidgetItem *item;
        int parent; // index of the parent, -1 for a top-level node
        int end; // index after the node's subtree
        int book; // index among the books, -1 for folders and files
        int row; // among its siblings
    };

    void schedule();
    void step();
    void treeChanged();
    void indexChanged();
    // Works until the deadline; true when nothing is due any more.
    bool work(const QDeadlineTimer &deadline);
    void collect();
    // Matches the books from one index to another.
    void matchBooks(size_t from, size_t to);
    void apply();
    void setHidden(size_t node, bool hide);
    void showEverything();
    bool selectMatch(bool forward);

    QTreeWidget *m_tree;
    DataSet &m_table;
    std::unique_ptr<BookSearchIndex> m_index;
    QTimer m_timer;
    FindQuery m_query;

    bool m_passDue = false;
    bool m_collected = false;
    bool m_warned = false;
    std::vector<Node> m_nodes;
    std::vector<const SearchableBook *> m_books;
    // Books without a record (no number, or a number edited since) are
    // matched by their titles.
    std::deque<SearchableBook> m_titlesOnly;
    std::vector<char> m_match;
    size_t m_matched = 0; // books matched so far in this pass
    // Of each node: hidden now, opened by the filter.
    std::vector<char> m_hidden;
    std::vector<char> m_opened;
    // The model indexes of the folders and files, by node.
    QHash<int, QModelIndex> m_parentIndexes;
    // The outcome of the last whole pass over the collected books. A query
    // that narrows it looks only at its matches.
    std::vector<char> m_base;
    FindQuery m_baseQuery;
    bool m_baseValid = false;
    bool m_narrowing = false;

    // The tree shows the outcome of the last pass; while it does, m_nodes
    // and m_match describe it.
    bool m_shown = false;
    int m_matchCount = 0;
    int m_bookCount = 0;
};
