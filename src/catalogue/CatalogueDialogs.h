#pragma once

#include "CatalogueMapping.h"

#include <QDialog>
#include <QList>
#include <QString>

class QLabel;
class QPushButton;
class QTableWidget;

// The choice among the records a catalogue has for one ISBN (print edition,
// e-book, audio book): title, year, binding and publisher of each.
class CatalogueChoiceDialog : public QDialog
{
    Q_OBJECT

public:
    CatalogueChoiceDialog(const QList<CatalogueEntry> &entries, QWidget *parent = nullptr);

    // The chosen entry's index; -1 when none is selected.
    int chosen() const;

    QLabel *LabelChoice = nullptr;
    QTableWidget *TableCatalogueRecords = nullptr;
    QPushButton *ButtonTake = nullptr;
    QPushButton *ButtonCancel = nullptr;
};

// One row of the conflict dialog: a field (or a name with its first name, a
// price with its currency) whose value in the record differs from the
// catalogue's.
struct CatalogueConflict
{
    QString label;
    QString current;
    QString catalogue;
    QList<int> fields; // the record's fields the row stands for
};

// Lists the fields that already hold something else than the catalogue says,
// each with a tick; nothing is ticked at first, so the record keeps its values
// unless the person asks for the catalogue's.
class CatalogueConflictDialog : public QDialog
{
    Q_OBJECT

public:
    CatalogueConflictDialog(const QString &catalogue, const QList<CatalogueConflict> &conflicts,
        QWidget *parent = nullptr);

    bool isTaken(int row) const;
    void setTaken(int row, bool take);
    // The rows ticked when the dialog was closed with "Übernehmen".
    QList<int> takenRows() const;

    QLabel *LabelConflicts = nullptr;
    QTableWidget *TableConflicts = nullptr;
    QPushButton *ButtonTake = nullptr;
    QPushButton *ButtonKeep = nullptr;
};
