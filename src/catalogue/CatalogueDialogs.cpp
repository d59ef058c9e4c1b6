#include "CatalogueDialogs.h"

#include "store/ReviewSchema.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

QString bindingText(const CatalogueEntry &entry)
{
    if (entry.medium == CatalogueEntry::EBook)
        return QStringLiteral("E-Book");
    if (entry.medium == CatalogueEntry::Audio)
        return QStringLiteral("Hörbuch");
    const QString binding = entry.values.value(fBinding).toString();
    if (binding == QLatin1String("geb"))
        return QStringLiteral("gebunden");
    if (binding == QLatin1String("brosch"))
        return QStringLiteral("broschiert");
    return binding;
}

QTableWidgetItem *readOnly(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(text);
    return item;
}

QTableWidget *table(const QStringList &titles, QWidget *parent)
{
    auto *t = new QTableWidget(0, int(titles.size()), parent);
    t->setHorizontalHeaderLabels(titles);
    t->verticalHeader()->hide();
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setWordWrap(false);
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

} // namespace

CatalogueChoiceDialog::CatalogueChoiceDialog(const QList<CatalogueEntry> &entries, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CatalogueChoiceDialog"));
    setWindowTitle(QStringLiteral("Katalogdaten holen..."));
    auto *layout = new QVBoxLayout(this);
    LabelChoice = new QLabel(QStringLiteral("Der Katalog kennt zu dieser ISBN mehrere Ausgaben. "
                                            "Welche wollen Sie übernehmen?"),
        this);
    LabelChoice->setWordWrap(true);
    layout->addWidget(LabelChoice);

    TableCatalogueRecords = table({ QStringLiteral("Titel"), QStringLiteral("Jahr"),
                                      QStringLiteral("Einband"), QStringLiteral("Verlag") },
        this);
    TableCatalogueRecords->setObjectName(QStringLiteral("TableCatalogueRecords"));
    TableCatalogueRecords->setRowCount(int(entries.size()));
    for (int row = 0; row < entries.size(); ++row) {
        const CatalogueEntry &e = entries[row];
        TableCatalogueRecords->setItem(row, 0, readOnly(e.values.value(fBookTitle).toString()));
        TableCatalogueRecords->setItem(
            row, 1, readOnly(CatalogueValueText(fYearPublished, e.values.value(fYearPublished))));
        TableCatalogueRecords->setItem(row, 2, readOnly(bindingText(e)));
        TableCatalogueRecords->setItem(row, 3, readOnly(e.values.value(fPublisher).toString()));
    }
    TableCatalogueRecords->setColumnWidth(0, 300);
    TableCatalogueRecords->setColumnWidth(1, 50);
    TableCatalogueRecords->setColumnWidth(2, 90);
    if (!entries.isEmpty())
        TableCatalogueRecords->selectRow(0);
    layout->addWidget(TableCatalogueRecords, 1);
    connect(TableCatalogueRecords, &QTableWidget::cellDoubleClicked, this, &QDialog::accept);

    auto *buttons = new QDialogButtonBox(this);
    ButtonTake = buttons->addButton(QStringLiteral("Übernehmen"), QDialogButtonBox::AcceptRole);
    ButtonTake->setObjectName(QStringLiteral("ButtonTake"));
    ButtonTake->setDefault(true);
    ButtonCancel = buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 260);
}

int CatalogueChoiceDialog::chosen() const
{
    const QList<QTableWidgetItem *> selected = TableCatalogueRecords->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

CatalogueConflictDialog::CatalogueConflictDialog(
    const QString &catalogue, const QList<CatalogueConflict> &conflicts, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CatalogueConflictDialog"));
    setWindowTitle(QStringLiteral("Katalogdaten übernehmen..."));
    auto *layout = new QVBoxLayout(this);
    LabelConflicts = new QLabel(QStringLiteral("Diese Angaben stehen schon im Datensatz und "
                                               "weichen vom Katalog (%1) ab. Setzen Sie ein "
                                               "Häkchen, wo der Wert des Katalogs gelten soll.")
                                    .arg(catalogue),
        this);
    LabelConflicts->setWordWrap(true);
    layout->addWidget(LabelConflicts);

    TableConflicts = table(
        { QStringLiteral("Feld"), QStringLiteral("Im Datensatz"), QStringLiteral("Im Katalog") },
        this);
    TableConflicts->setObjectName(QStringLiteral("TableConflicts"));
    TableConflicts->setRowCount(int(conflicts.size()));
    for (int row = 0; row < conflicts.size(); ++row) {
        const CatalogueConflict &c = conflicts[row];
        auto *tick = new QTableWidgetItem(c.label);
        tick->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        tick->setCheckState(Qt::Unchecked);
        TableConflicts->setItem(row, 0, tick);
        TableConflicts->setItem(row, 1, readOnly(c.current));
        TableConflicts->setItem(row, 2, readOnly(c.catalogue));
    }
    TableConflicts->setColumnWidth(0, 130);
    TableConflicts->setColumnWidth(1, 220);
    // Space ticks the selected row's box, as in any list of choices.
    TableConflicts->setCurrentCell(0, 0);
    layout->addWidget(TableConflicts, 1);

    auto *buttons = new QDialogButtonBox(this);
    ButtonTake = buttons->addButton(QStringLiteral("Übernehmen"), QDialogButtonBox::AcceptRole);
    ButtonTake->setObjectName(QStringLiteral("ButtonTake"));
    ButtonTake->setDefault(true);
    ButtonKeep = buttons->addButton(QStringLiteral("Alle behalten"), QDialogButtonBox::RejectRole);
    ButtonKeep->setObjectName(QStringLiteral("ButtonKeep"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 300);
}

bool CatalogueConflictDialog::isTaken(int row) const
{
    const QTableWidgetItem *item = TableConflicts->item(row, 0);
    return item && item->checkState() == Qt::Checked;
}

void CatalogueConflictDialog::setTaken(int row, bool take)
{
    if (QTableWidgetItem *item = TableConflicts->item(row, 0))
        item->setCheckState(take ? Qt::Checked : Qt::Unchecked);
}

QList<int> CatalogueConflictDialog::takenRows() const
{
    QList<int> rows;
    if (result() != QDialog::Accepted)
        return rows;
    for (int row = 0; row < TableConflicts->rowCount(); ++row) {
        if (isTaken(row))
            rows.append(row);
    }
    return rows;
}
