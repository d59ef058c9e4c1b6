#include "TreeFilter.h"

#include "TreeProcedures.h"
#include "data/BookSearchIndex.h"

#include <QAbstractItemModel>
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

// Books matched between two looks at the clock.
constexpr size_t kBooksPerLook = 256;

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
            for (; m_matched < end; ++m_matched)
                m_match[m_matched] = m_query.matches(*m_books[m_matched]);
            if (m_matched < count && deadline.hasExpired())
                return false;
        }
        apply();
    }
    m_passDue = false;
    m_warned = false;
    emit filtered(m_matchCount, m_bookCount);
    return true;
}

void TreeFilter::collect()
{
    m_nodes.clear();
    m_books.clear();
    m_titlesOnly.clear();
    const auto walk = [this](const auto &self, QTreeWidgetItem *item, int parent) -> void {
        const int at = int(m_nodes.size());
        m_nodes.push_back({ item, parent, 0, -1 });
        if (GetNodeKind(item) == nkBook) {
            const SearchableBook *book = m_index ? m_index->find(NodeData(item)) : nullptr;
            if (!book) {
                m_titlesOnly.push_back(SearchableBook::fromTitle(item->text(0)));
                book = &m_titlesOnly.back();
            }
            m_nodes[at].book = int(m_books.size());
            m_books.push_back(book);
        }
        for (int i = 0; i < item->childCount(); ++i)
            self(self, item->child(i), at);
        m_nodes[at].end = int(m_nodes.size());
    };
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        walk(walk, m_tree->topLevelItem(i), -1);
    m_match.assign(m_books.size(), 0);
    m_bookCount = int(m_books.size());
    m_collected = true;
}

void TreeFilter::apply()
{
    const size_t n = m_nodes.size();
    // A node is shown when it is a matching book or holds one; the top
    // level always stays.
    std::vector<char> shown(n, 0);
    std::vector<char> holdsMatch(n, 0);
    for (size_t i = n; i-- > 0;) {
        const Node &node = m_nodes[i];
        if (node.book >= 0)
            shown[i] = m_match[size_t(node.book)];
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
        const bool hide = !shown[i];
        if (item->isHidden() != hide)
            item->setHidden(hide);
        if (hide) {
            i = size_t(m_nodes[i].end);
            continue;
        }
        if (holdsMatch[i] && !item->isExpanded()) {
            item->setExpanded(true);
            item->setData(0, kOpenedByFilter, true);
        }
        ++i;
    }
    m_shown = true;
}

void TreeFilter::showEverything()
{
    QTreeWidgetItem *current = m_tree->currentItem();
    const auto holdsCurrent = [current](const QTreeWidgetItem *node) {
        for (const QTreeWidgetItem *p = current; p; p = p->parent()) {
            if (p == node)
                return true;
        }
        return false;
    };
    const auto walk = [&](const auto &self, QTreeWidgetItem *item) -> void {
        if (item->isHidden())
            item->setHidden(false);
        if (item->childCount() == 0)
            return;
        if (item->data(0, kOpenedByFilter).isValid()) {
            item->setData(0, kOpenedByFilter, QVariant());
            if (!holdsCurrent(item))
                item->setExpanded(false);
        }
        for (int i = 0; i < item->childCount(); ++i)
            self(self, item->child(i));
    };
    for (int i = 0; i < m_tree->topLevelItemCount(); ++i)
        walk(walk, m_tree->topLevelItem(i));
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
