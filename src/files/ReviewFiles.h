#pragma once

#include "store/FieldDef.h"

#include <QObject>
#include <QString>

struct MainContext;
class PacketReadAhead;
class QTreeWidgetItem;
class TreeNavigation;

// The actions on review files: "Neu", "Laden", "Speichern", "Entfernen" and
// "Importieren".
class ReviewFileActions : public QObject
{
    Q_OBJECT

public:
    ReviewFileActions(MainContext &ctx, TreeNavigation &tree, QObject *parent = nullptr);

    void ActionNewExecute();
    void ActionLoadExecute();
    void LoadReviewFileNode(QTreeWidgetItem *node, bool &flag);
    void ActionSaveExecute();
    void ActionRemoveExecute();
    void ActionImportExecute();
    // The folder an import copies into: the one of the selected node, or the
    // database folder itself. Ends with "/".
    QString ImportFolder() const;
    // Copies a review file into that folder, rebuilds the tree and selects
    // the new file's node; reports a failed copy. False then.
    bool ImportReviewFile(const QString &file);

    // "Neu" and "Laden" first make sure the person data are there; without
    // them the person-data page opens alone. False when they are missing.
    bool PersonDataGate();

    // The name a new review file gets today.
    QString NewFileName() const;

private:
    // Empties the review table and starts a new record for a review file.
    void startTableFor(const QString &fullPath);
    // Drops the excluded books from the table. keptRecords receives every
    // record as it was before the first one was dropped (nothing when none
    // was), so a failed write can give them back.
    bool saveLoop(QList<CompactRow> *keptRecords);
    void restoreRecords(const QList<CompactRow> &records);
    // A word-processor or HTML follow-up of saving; false when its folder
    // cannot be made (then nothing further is written).
    bool writeFollowUp(
        const QString &folder, const QString &savedFile, const QString &extension, bool word);
    // No node of the tree current or selected.
    void clearCurrentNode();
    QString today() const;
    QString relativePath(const QString &fullPath) const;
    void showFileError(const QString &caption, const QString &message);

    MainContext &m_ctx;
    TreeNavigation &m_tree;
    bool m_loadFailed = false;
    // Loaded files while a load runs; -1 outside of one.
    int m_loadedFiles = -1;
    // The files of a load of many, read ahead while the ones before are
    // taken over; none outside of one.
    PacketReadAhead *m_readAhead = nullptr;
};
