#include "TreeFilter.h"

#include "TreeProcedures.h"
#include "data/BookSearchIndex.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QSemaphore>
#include <QThreadPool>
#include <QTreeWidget>

#include <algorithm>

using namespace VexConst;

namespace {

// Marks a node that the filter opened to show a match; it is closed again
// when the filter goes off.
constexpr int kOpenedByFilter = 0x0110;

// One slice of a pass: short enough that a keystroke in between is taken at
// once, long enough that a pass over the whole archive needs few of them.
constexpr int kSliceMs = 12;

// How often a pass looks again whether a dialog has closed.
constexpr int kWaitForDialogMs = 100;

// Books matched between two looks at the clock.
constexpr size_t kBooksPerLook = 4096;

// Fewer books than this are matched on one thread.
constexpr size_t kBooksPerThread = 1024;

} // namespace

TreeFilter::TreeFilter(QTreeWidget *tree, DataSet &table, QObject *parent)
    : QObject(parent)
    , m_tree(tree)
    , m_table(table)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &TreeFilter::step);
    QAbstractItemModel *model = tree->model();
    // Before nodes go away: the pass must not hold on to them.
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this, &TreeFilter::treeChanged);
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, &TreeFilter::treeChanged);
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, &TreeFilter::treeChanged);
    connect(model, &QAbstractItemModel::rowsAboutToBeMoved, this, &TreeFilter::treeChanged);
    // New nodes are shown until the next pass has looked at them.
    connect(model, &QAbstractItemModel::rowsInserted, this, &TreeFilter::treeChanged);
}

TreeFilter::~TreeFilter() = default;

void TreeFilter::setQuery(const QString &text)
{
    const bool wasActive = isActive();
    m_query = FindQuery(text);
    if (!isActive() && !wasActive)
        return;
    if (isActive())
        prepare();
    m_narrowing = m_baseValid && m_query.narrows(m_baseQuery);
    // The pass under way (if any) starts over with the new query; the tree
    // it collected is still good.
    m_matched = 0;
    m_passDue = true;
    schedule();
}

void TreeFilter::prepare()
{
    if (!m_index) {
        m_index = std::make_unique<BookSearchIndex>(m_table);
        connect(m_index.get(), &BookSearchIndex::outdated, this, &TreeFilter::indexChanged);
    }
    if (!m_index->isUpToDate())
        schedule();
}

bool TreeFilter::isBusy() const { return m_passDue || (m_index && !m_index->isUpToDate()); }

void TreeFilter::finish()
{
    m_timer.stop();
    work(QDeadlineTimer(QDeadlineTimer::Forever));
}

void TreeFilter::schedule()
{
    if (!m_timer.isActive())
        m_timer.start();
}

void TreeFilter::step()
{
    // While a dialog asks something, the action that opened it may be
    // halfway through the table or the tree: the pass waits for its end.
    if (QApplication::activeModalWidget()) {
        m_timer.start(kWaitForDialogMs);
        return;
    }
    m_timer.setInterval(0);
    if (work(QDeadlineTimer(kSliceMs)))
        return;
    if (m_passDue && !m_warned) {
        m_warned = true;
        emit working();
    }
    m_timer.start();
}

void TreeFilter::treeChanged()
{
    m_collected = false;
    m_shown = false;
    m_nodes.clear();
    m_books.clear();
    m_titlesOnly.clear();
    m_hidden.clear();
    m_opened.clear();
    m_parentIndexes.clear();
    m_baseValid = false;
    if (isActive()) {
        m_passDue = true;
        schedule();
    }
}

void TreeFilter::indexChanged()
{
    // The texts the pass holds may be replaced: it collects them anew.
    m_collected = false;
    if (isActive())
        m_passDue = true;
    schedule();
}

bool TreeFilter::work(const QDeadlineTimer &deadline)
{
    if (m_index && !m_index->isUpToDate()) {
        if (!m_index->update(deadline))
            return false;
        m_collected = false;
    }
    if (!m_passDue)
        return true;
    if (!isActive()) {
        showEverything();
    } else {
        if (!m_collected) {
            collect();
            m_matched = 0;
        }
        const size_t count = m_books.size();
        while (m_matched < count) {
            const size_t end = std::min(count, m_matched + kBooksPerLook);
            matchBooks(m_matched, end);
            m_matched = end;
            if (m_matched < count && deadline.hasExpired())
                return false;
        }
        apply();
        m_base = m_match;
        m_baseQuery = m_query;
        m_baseValid = true;
    }
    m_passDue = false;
    m_warned = false;
    emit filtered(m_matchCount, m_bookCount);
    return true;
}

void TreeFilter::matchBooks(size_t from, size_t to)
{
    const auto run = [this](size_t a, size_t b) {
        for (size_t i = a; i < b; ++i)
            m_match[i] = (!m_narrowing || m_base[i]) && m_query.matches(*m_books[i]);
    };
    // The books are shared out among the pool's threads, which only read
    // them and write each its own part of the outcome; this thread waits
    // for them, so nothing changes the books meanwhile.
    QThreadPool *pool = QThreadPool::globalInstance();
    const size_t parts = std::min<size_t>(size_t(std::max(pool->maxThreadCount(), 1)), 4);
    const size_t share = (to - from + parts - 1) / parts;
    if (parts < 2 || to - from < kBooksPerThread) {
        run(from, to);
        return;
    }
    QSemaphore done;
    int started = 0;
    for (size_t a = from + share; a < to; a += share) {
        const size_t b = std::min(to, a + share);
        if (pool->tryStart([&run, &done, a, b] {
                run(a, b);
                done.release();
            })) {
            ++started;
        } else {
            run(a, b);
        }
    }
    run(from, std::min(to, from + share));
    done.acquire(started);
}

void TreeFilter::collect()
{
    m_nodes.clear();
    m_books.clear();
    m_titlesOnly.clear();
    m_hidden.clear();
    m_opened.clear();
    QAbstractItemModel *model = m_tree->model();
    const auto walk = [this, model](const auto &self, QTreeWidgetItem *item, int parent, int row,
                          const QModelIndex &parentIndex) -> void {
        const int at = int(m_nodes.size());
        m_nodes.push_back({ item, parent, 0, -1, row });
        m_hidden.push_back(item->isHidden());
        m_opened.push_back(0);
        if (GetNodeKind(item) == nkBook) {
            const SearchableBook *book = m_index ? m_index->find(NodeData(item)) : nullptr;
            if (!book) {
                m_titlesOnly.push_back(SearchableBook::fromTitle(item->text(0)));
                book = &m_titlesOnly.back();
            }
            m_nodes[size_t(at)].book = int(m_books.size());
            m_books.push_back(book);
        } else if (item->childCount() > 0) {
            m_opened[size_t(at)] = item->data(0, kOpenedByFilter).isValid();
            const QModelIndex index = model->index(row, 0, parentIndex);
            m_parentIndexes.insert(at, index);
            for (int i = 0; i < item->childCount(); ++i)
                self(self, item->child(i), at, i, index);
        }
        m_nodes[size_t(at)].end = int(m_nodes.size());
    };
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        walk(walk, m_tree->topLevelItem(i), -1, i, QModelIndex());
    m_match.assign(m_books.size(), 0);
    m_bookCount = int(m_books.size());
    m_baseValid = false;
    m_narrowing = false;
    m_collected = true;
}

void TreeFilter::setHidden(size_t node, bool hide)
{
    // By row below the parent's index, which the walk found once: asking
    // each node for its row and its parent's costs as much again.
    const Node &n = m_nodes[node];
    m_tree->setRowHidden(
        n.row, n.parent < 0 ? QModelIndex() : m_parentIndexes.value(n.parent), hide);
}

void TreeFilter::apply()
{
    const size_t n = m_nodes.size();
    // A node is shown when it is a matching book or holds one; the top
    // level always stays, and so does the folder or file being worked on (a
    // new folder, a file just imported) with the nodes above it.
    const QTreeWidgetItem *current = m_tree->currentItem();
    std::vector<char> shown(n, 0);
    std::vector<char> holdsMatch(n, 0);
    for (size_t i = n; i-- > 0;) {
        const Node &node = m_nodes[i];
        if (node.book >= 0)
            shown[i] = m_match[size_t(node.book)];
        else if (node.item == current)
            shown[i] = 1;
        if (shown[i] && node.parent >= 0)
            shown[size_t(node.parent)] = holdsMatch[size_t(node.parent)] = 1;
        if (node.parent < 0)
            shown[i] = 1;
    }
    m_matchCount = int(std::count(m_match.begin(), m_match.end(), 1));

    // Below a hidden node nothing needs to change: its books are looked at
    // again when it is shown.
    for (size_t i = 0; i < n;) {
        QTreeWidgetItem *item = m_nodes[i].item;
        const char hide = !shown[i];
        if (m_hidden[i] != hide) {
            setHidden(i, hide);
            m_hidden[i] = hide;
        }
        if (hide) {
            i = size_t(m_nodes[i].end);
            continue;
        }
        if (holdsMatch[i] && !m_opened[i] && !item->isExpanded()) {
            item->setExpanded(true);
            item->setData(0, kOpenedByFilter, true);
            m_opened[i] = 1;
        }
        ++i;
    }
    m_shown = true;
}

void TreeFilter::showEverything()
{
    if (!m_collected)
        collect();
    QTreeWidgetItem *current = m_tree->currentItem();
    const auto holdsCurrent = [current](const QTreeWidgetItem *node) {
        for (const QTreeWidgetItem *p = current; p; p = p->parent()) {
            if (p == node)
                return true;
        }
        return false;
    };
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        QTreeWidgetItem *item = m_nodes[i].item;
        if (m_hidden[i]) {
            setHidden(i, false);
            m_hidden[i] = 0;
        }
        if (m_opened[i]) {
            item->setData(0, kOpenedByFilter, QVariant());
            m_opened[i] = 0;
            if (!holdsCurrent(item))
                item->setExpanded(false);
        }
    }
    m_shown = false;
    m_matchCount = 0;
    if (current)
        m_tree->scrollToItem(current);
}

bool TreeFilter::selectMatch(bool forward)
{
    finish();
    if (!isActive() || !m_shown || m_matchCount == 0)
        return false;
    QTreeWidgetItem *current = m_tree->currentItem();
    const int n = int(m_nodes.size());
    int at = -1;
    for (int i = 0; current && i < n; ++i) {
        if (m_nodes[size_t(i)].item == current) {
            at = i;
            break;
        }
    }
    const auto isMatch = [this](int i) {
        const int book = m_nodes[size_t(i)].book;
        return book >= 0 && m_match[size_t(book)];
    };
    int found = -1;
    if (forward) {
        // After the selected node, then from the top.
        for (int k = 1; k <= n && found < 0; ++k) {
            const int i = (at + k) % n;
            if (isMatch(i))
                found = i;
        }
    } else {
        const int start = at < 0 ? n : at;
        for (int k = 1; k <= n && found < 0; ++k) {
            const int i = ((start - k) % n + n) % n;
            if (isMatch(i))
                found = i;
        }
    }
    if (found < 0)
        return false;
    QTreeWidgetItem *item = m_nodes[size_t(found)].item;
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
    return true;
}
