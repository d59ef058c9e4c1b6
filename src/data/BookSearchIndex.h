#pragma once

#include "BookSearch.h"

#include <QDeadlineTimer>
#include <QList>
#include <QObject>

#include <unordered_map>

class DataSet;

// The searchable texts of the review table's books by book key, folded once
// so that a search only scans them. The index is built in slices, from the
// first search on, and follows the table: a posted record is folded again, a
// replaced or emptied table starts afresh, records taken over without a post
// are found by a scan. Only the thread of the table may
// use it.
class BookSearchIndex : public QObject
{
    Q_OBJECT

public:
    explicit BookSearchIndex(DataSet &table, QObject *parent = nullptr);

    // Brings the index up to date, working until the deadline; true when it
    // is up to date.
    bool update(QDeadlineTimer deadline = QDeadlineTimer(QDeadlineTimer::Forever));
    bool isUpToDate() const { return m_scanRow < 0 && m_posted.isEmpty(); }

    // The book of a key, as of the last update; null when no record has it.
    // Valid until the next update.
    const SearchableBook *find(int bookKey) const;
    qsizetype size() const { return qsizetype(m_books.size()); }

signals:
    // The table changed since the last update; the next one has work.
    void outdated();

private:
    void posted();
    void replaced();
    void layoutChanged();
    void rowsAppended();
    void rowsMayHaveMoved();

    DataSet &m_table;
    std::unordered_map<int, SearchableBook> m_books;
    // The next row of a scan over the whole table, -1 when none is due. The
    // scan folds the books the index does not hold yet.
    int m_scanRow = 0;
    // Records posted since the last update, folded after the scan; they
    // replace what the index holds under their keys.
    QList<Record> m_posted;
    qsizetype m_postedDone = 0;
};
