#include "BookSearchIndex.h"

#include "base/VexUtils.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"

namespace {

// Records posted between two updates are kept as they were posted. Beyond
// this many (loading a folder posts every book) the whole table is read
// again instead, so that a big load holds no second copy of its records.
constexpr qsizetype kPostedLimit = 512;

// Rows between two looks at the clock.
constexpr int kRowsPerLook = 32;

} // namespace

BookSearchIndex::BookSearchIndex(DataSet &table, QObject *parent)
    : QObject(parent)
    , m_table(table)
{
    connect(&table, &DataSet::afterPost, this, &BookSearchIndex::posted);
    connect(&table, &DataSet::afterOpen, this, &BookSearchIndex::replaced);
    connect(&table, &DataSet::layoutChanged, this, &BookSearchIndex::layoutChanged);
    connect(&table, &DataSet::afterDelete, this, &BookSearchIndex::rowsMayHaveMoved);
    connect(&table, &DataSet::rowsAppended, this, &BookSearchIndex::rowsAppended);
}

void BookSearchIndex::posted()
{
    // A scan of the whole table is due and has folded nothing yet: it will
    // read this record too.
    if (m_scanRow == 0 && m_books.empty())
        return;
    if (m_posted.size() - m_postedDone >= kPostedLimit) {
        replaced();
        return;
    }
    const bool wasUpToDate = isUpToDate();
    m_posted.append(m_table.currentValues());
    if (wasUpToDate)
        emit outdated();
}

void BookSearchIndex::replaced()
{
    m_books.clear();
    m_posted.clear();
    m_postedDone = 0;
    m_scanRow = 0;
    emit outdated();
}

void BookSearchIndex::layoutChanged()
{
    if (m_table.recordCount() == 0) {
        // Emptied: nothing is left to find.
        const bool had = !m_books.empty() || !isUpToDate();
        m_books.clear();
        m_posted.clear();
        m_postedDone = 0;
        m_scanRow = -1;
        if (had)
            emit outdated();
        return;
    }
    rowsMayHaveMoved();
}

void BookSearchIndex::rowsAppended()
{
    // Rows taken over whole come by the thousand (loading a folder), and a
    // book number may come back with other texts after its book was
    // removed: the index is built afresh, once.
    if (m_scanRow == 0 && m_books.empty() && m_posted.isEmpty())
        return;
    replaced();
}

void BookSearchIndex::rowsMayHaveMoved()
{
    // Rows came, went or were sorted anew: a scan under way starts over, or
    // it could miss a row. What it has folded stays.
    if (m_scanRow > 0)
        m_scanRow = 0;
}

bool BookSearchIndex::update(QDeadlineTimer deadline)
{
    const int fields = m_table.fieldCount();
    const int numberField = fBookNbr < fields ? int(fBookNbr) : -1;
    while (m_scanRow >= 0 && m_scanRow < m_table.recordCount()) {
        for (int n = 0; n < kRowsPerLook && m_scanRow < m_table.recordCount(); ++n, ++m_scanRow) {
            const int key
                = numberField < 0 ? 0 : BookKeyOf(m_table.valueAt(m_scanRow, numberField));
            if (key == 0 || m_books.count(key))
                continue;
            Record values;
            values.reserve(fields);
            for (int f = 0; f < fields; ++f)
                values.append(m_table.valueAt(m_scanRow, f));
            m_books.emplace(key, SearchableBook(values));
        }
        if (deadline.hasExpired())
            return false;
    }
    m_scanRow = -1;

    while (m_postedDone < m_posted.size()) {
        for (int n = 0; n < kRowsPerLook && m_postedDone < m_posted.size(); ++n) {
            const Record &values = m_posted.at(m_postedDone++);
            const int key = values.size() > fBookNbr ? BookKeyOf(values[fBookNbr]) : 0;
            if (key != 0)
                m_books.insert_or_assign(key, SearchableBook(values));
        }
        if (deadline.hasExpired() && m_postedDone < m_posted.size())
            return false;
    }
    m_posted.clear();
    m_postedDone = 0;
    return true;
}

const SearchableBook *BookSearchIndex::find(int bookKey) const
{
    const auto it = m_books.find(bookKey);
    return it == m_books.end() ? nullptr : &it->second;
}
