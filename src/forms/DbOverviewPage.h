#pragma once

#include <QWidget>

class DBGrid;
class TDataAccess;

// The page "DB-Überblick": every loaded review in a read-only grid; a click
// on a column title sorts the review table by that column.
class DbOverviewPage : public QWidget
{
    Q_OBJECT

public:
    explicit DbOverviewPage(TDataAccess &dataAccess, QWidget *parent = nullptr);

    DBGrid *DBGrid1 = nullptr;

    void DBGrid1TitleClick(int column);
    // pos in the grid's coordinates.
    void DBGrid1MouseMove(const QPoint &pos);
    // The book numbers' display format changed.
    void refreshValues();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TDataAccess &m_data;
};
