#include "ReviewFiles.h"

#include "MergeDataSets.h"
#include "base/ActionList.h"
#include "base/IDesktop.h"
#include "base/IDocumentWriter.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/PersonData.h"
#include "base/Progress.h"
#include "base/StatusPanel.h"
#include "base/UState.h"
#include "base/VexUtils.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"
#include "store/PacketReadAhead.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"
#include "util/Codec1252.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

using namespace VexConst;

namespace {

const QString kSave = QStringLiteral("Speichern...");

} // namespace

ReviewFileActions::ReviewFileActions(MainContext &ctx, TreeNavigation &tree, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_tree(tree)
{ }

QString ReviewFileActions::today() const
{
    return m_ctx.desktop->Today().toString(QStringLiteral("yyyy_MM_dd"));
}

QString ReviewFileActions::NewFileName() const
{
    return m_ctx.UserInitials + u'_' + today() + m_ctx.ReviewFileExtension;
}

QString ReviewFileActions::relativePath(const QString &fullPath) const
{
    QString relative = fullPath;
    relative.replace(m_ctx.folders->rootFolder, QString());
    return relative;
}

void ReviewFileActions::showFileError(const QString &caption, const QString &message)
{
    m_ctx.desktop->ShowMessageDialog(
        caption, message, Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
}

bool ReviewFileActions::PersonDataGate()
{
    if (IsPersonDataGiven(*m_ctx.settings))
        return false;
    const int answer = m_ctx.desktop->ShowMessageDialog(QStringLiteral("Personendaten prüfen..."),
        QStringLiteral("Geben Sie zuerst Ihre Personendaten ein."), Msg::mtInformation, Msg::mbOK,
        { QStringLiteral("OK") });
    if (answer == Msg::mrOk) {
        SetState(StateEditSettings());
        m_ctx.window->ShowTabsheets(32, 5);
        if (QWidget *first = m_ctx.window->control(QStringLiteral("EditReviewingPersonFirstname")))
            first->setFocus();
    }
    return true;
}

// --- New ------------------------------------------------------------------------

void ReviewFileActions::startTableFor(const QString &fullPath)
{
    DataSet &table = *m_ctx.data->DSetReview;
    if (table.isEditing())
        table.cancel();
    table.emptyTable();
    table.setFileName(fullPath);
    SetState(StateEdit());
    m_ctx.data->IniReviewRecord();
}

void ReviewFileActions::ActionNewExecute()
{
    if (PersonDataGate())
        return;
    QTreeWidgetItem *folder = GetEnclosingFolder(m_ctx.tree->currentItem());
    if (!folder)
        folder = RootNode(m_ctx.tree);
    const QString name = NewFileName();
    const QString full = m_ctx.folders->rootFolder + GetNodePath(folder) + name;

    if (QFileInfo::exists(full)) {
        const int answer = m_ctx.desktop->ShowMessageDialog(
            QStringLiteral("Besprechungsbericht existiert..."),
            QStringLiteral("Der Besprechungsbericht\r\n\r\n%1\r\n\r\nmit dem heutigen Datum "
                           "existiert bereits.\r\n"
                           "Wollen Sie diesen Bericht laden und weiterbearbeiten\r\noder löschen "
                           "und neu beginnen?")
                .arg(relativePath(full)),
            Msg::mtConfirmation, Msg::mbYesNoCancel,
            { QStringLiteral("Laden"), QStringLiteral("Löschen"), QStringLiteral("Abbrechen") });
        if (answer == Msg::mrYes) {
            if (QTreeWidgetItem *node = FindNodeByPath(m_ctx.tree, relativePath(full))) {
                m_ctx.tree->setCurrentItem(node);
                ActionLoadExecute();
            }
        } else if (answer == Msg::mrNo) {
            // Nobody is asked again, so the file goes where it can be
            // fetched back; if it cannot, it stays and nothing starts.
            if (!DeleteToRecycleBin(*m_ctx.desktop, full)) {
                m_ctx.desktop->ShowMessageDialog(QStringLiteral("Besprechungsbericht existiert..."),
                    QStringLiteral("Der Besprechungsbericht\r\n\r\n%1\r\n\r\nkonnte nicht in "
                                   "den Papierkorb verschoben werden und bleibt, wie er ist.")
                        .arg(relativePath(full)),
                    Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
                return;
            }
            startTableFor(full);
            if (QTreeWidgetItem *node = FindNodeByPath(m_ctx.tree, relativePath(full)))
                m_ctx.tree->setCurrentItem(node);
            m_ctx.CurrentFileName = name;
            m_ctx.window->StatusMsg(StatusPanel::File, name);
        }
        return;
    }

    startTableFor(full);
    QTreeWidgetItem *node = AddReviewFileNode(folder, name);
    m_ctx.tree->setCurrentItem(node);
    m_ctx.CurrentFileName = name;
    m_ctx.window->StatusMsg(StatusPanel::File, name);
}

// --- Load -------------------------------------------------------------------------

void ReviewFileActions::ActionLoadExecute()
{
    if (PersonDataGate())
        return;
    QTreeWidgetItem *start = m_ctx.tree->currentItem();
    if (!start)
        return;
    m_loadFailed = false;
    // Counted once: walking the whole tree for every file grows with the
    // square of the archive.
    m_loadedFiles = CountLoadedFiles(m_ctx.tree);
    // Moving the table while books pour in would select node after node.
    m_tree.setFollowTable(false);
    DeferTreeLayout(m_ctx.tree);
    // The controls show the table once, when everything is in.
    m_ctx.data->DSetReview->disableControls();
    // A long load shows how far it is and may be stopped between two files:
    // each file is loaded whole or not at all.
    QStringList paths;
    bool flag = false;
    VisitSubtree(
        start,
        [&](QTreeWidgetItem *node, bool &) {
            if (GetNodeKind(node) == nkReviewFile)
                paths.append(m_ctx.folders->rootFolder + GetNodePath(node));
        },
        flag);
    const int files = int(paths.size());
    // A load of several files leaves no node current. Letting go of it now,
    // while the tree is small, spares laying out the grown tree only to
    // repaint the one row that is no longer selected.
    if (files > 1)
        clearCurrentNode();
    PacketReadAhead readAhead(paths);
    m_readAhead = &readAhead;
    LongWork work(m_ctx.progress, QStringLiteral("Lade %1 Dateien").arg(files), files, true);
    int visited = 0;
    VisitSubtree(
        start,
        [&](QTreeWidgetItem *node, bool &f) {
            if (GetNodeKind(node) != nkReviewFile || m_loadFailed
                || !work.step(
                    visited, QStringLiteral("Lade %1 von %2 Dateien").arg(visited + 1).arg(files)))
                return;
            ++visited;
            LoadReviewFileNode(node, f);
        },
        flag);
    m_readAhead = nullptr;
    work.step(files, QStringLiteral("Ordne den Baum"));
    m_ctx.data->DSetReview->enableControls();
    m_tree.setFollowTable(true);
    m_loadedFiles = -1;

    const int loaded = CountLoadedFiles(m_ctx.tree);
    if (loaded > 1) {
        m_ctx.CurrentFileName = QStringLiteral("Comb_") + today() + m_ctx.ReviewFileExtension;
        clearCurrentNode();
    } else if (files > 1) {
        m_ctx.tree->setCurrentItem(start);
    }
    SortTree(m_ctx.tree);
    m_ctx.window->SetEditingPanelEnabled(true);
    m_ctx.window->SetActivePage(0);
    m_ctx.window->FocusBookNumber();
    m_ctx.window->StatusMsg(StatusPanel::File, m_ctx.CurrentFileName);
    m_ctx.window->StatusMsg(StatusPanel::LoadedFiles, QString::number(loaded));
    if (work.stopped()) {
        m_ctx.window->StatusMsg(StatusPanel::Hint,
            QStringLiteral("Laden abgebrochen: %1 von %2 Dateien geladen").arg(visited).arg(files));
    }
}

void ReviewFileActions::clearCurrentNode()
{
    if (m_ctx.tree->currentItem())
        m_ctx.tree->setCurrentItem(nullptr);
    m_ctx.tree->clearSelection();
}

void ReviewFileActions::LoadReviewFileNode(QTreeWidgetItem *node, bool &flag)
{
    if (m_loadFailed || GetNodeKind(node) != nkReviewFile)
        return;
    const int before = m_loadedFiles >= 0 ? m_loadedFiles : CountLoadedFiles(m_ctx.tree);
    const bool wasLoaded = node->childCount() > 0;
    const QString full = m_ctx.folders->rootFolder + GetNodePath(node);
    const QString caption = QStringLiteral("Besprechungsbericht laden");
    if (!QFileInfo(full).isFile()) {
        m_ctx.desktop->ShowMessageDialog(caption,
            QStringLiteral("Datei\r\n") + full + QStringLiteral("\r\nnicht gefunden."),
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }

    DataSet &review = *m_ctx.data->DSetReview;
    DataSet &buffer = *m_ctx.data->DSetBuffer;
    QString error;
    review.disableControls();
    bool ok = m_readAhead ? LoadFromFile(buffer, *m_readAhead, full, &error)
                          : LoadFromFile(buffer, full, &error);
    if (ok && !MergeDataSets(m_ctx, node, review, buffer, &error)) {
        ok = false;
        error = QStringLiteral("Beim Laden von\r\n") + full + QStringLiteral("\r\n") + error;
    }
    review.enableControls();
    if (!ok) {
        // One unreadable file ends the whole load; what came before stays.
        m_loadFailed = true;
        showFileError(caption, error);
        return;
    }

    // Only this node can have changed from unloaded to loaded.
    const int after = before + (!wasLoaded && node->childCount() > 0 ? 1 : 0);
    if (m_loadedFiles >= 0)
        m_loadedFiles = after;
    if (after > before)
        m_ctx.CurrentFileName = node->text(0);
    m_ctx.window->StatusMsg(StatusPanel::LoadedFiles, QString::number(after));
    m_ctx.window->StatusMsg(StatusPanel::File,
        after == 0       ? QString()
            : after == 1 ? QFileInfo(full).fileName()
                         : QStringLiteral("mehrere"));
    m_ctx.window->StatusMsg(StatusPanel::Books, QString::number(review.recordCount()));
    const QVariant year = review.value(fYearPublished);
    m_ctx.data->SetBookNumberFormat(year.isValid() ? year.toInt() : 0);
    flag = true;
}

// --- Save -------------------------------------------------------------------------

bool ReviewFileActions::saveLoop(QList<CompactRow> *keptRecords)
{
    DataSet &table = *m_ctx.data->DSetReview;
    QTreeWidget *tree = m_ctx.tree;
    tree->setUpdatesEnabled(false);
    table.disableControls();
    m_tree.setFollowTable(false);
    auto resume = [&] {
        m_tree.setFollowTable(true);
        table.enableControls();
        tree->setUpdatesEnabled(true);
    };

    // A record being edited is posted first, with the checks of its page.
    if (table.isEditing() && !table.post()) {
        resume();
        return false;
    }
    table.first();
    const int previousTag = table.tag();
    table.setTag(TDataAccess::tagSaving);
    const int numberField = table.fieldIndex(QStringLiteral("BookNbr"));
    while (!table.eof() && table.recordCount() > 0) {
        const QTreeWidgetItem *node
            = FindNodeByData(tree, BookKeyOf(table.value(numberField)), false);
        if (node && GetNodeKind(node) == nkBook && !IsBookIncluded(node)) {
            if (keptRecords->isEmpty())
                *keptRecords = table.rows();
            table.deleteRecord();
        } else
            table.next();
    }
    table.setTag(previousTag);
    resume();
    return true;
}

void ReviewFileActions::restoreRecords(const QList<CompactRow> &records)
{
    DataSet &table = *m_ctx.data->DSetReview;
    // The tree still shows every book; the table is put back under it
    // without moving the selection.
    m_tree.setFollowTable(false);
    table.setRows(table.fields(), records);
    m_tree.setFollowTable(true);
}

void ReviewFileActions::ActionSaveExecute()
{
    DataSet &table = *m_ctx.data->DSetReview;
    if (table.recordCount() == 0) {
        m_ctx.desktop->ShowMessageDialog(kSave,
            QStringLiteral(
                "Die Datenbank enthält keine Besprechungen.\n\rEs wird nichts gespeichert."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    QTreeWidgetItem *node = m_ctx.tree->currentItem();
    if (!node)
        return;
    QString full = m_ctx.folders->rootFolder + GetNodePath(node);
    if (GetNodeKind(node) == nkFolder) {
        if (!QFileInfo(full).isDir()) {
            m_ctx.desktop->ShowMessageDialog(kSave,
                QStringLiteral("Verzeichnis nicht gefunden:\r\n") + GetNodePath(node),
                Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
            return;
        }
        const QString web = QStringLiteral("WEBpage");
        if (m_ctx.settings->readBool(web, QStringLiteral("takeFromDirectory"), true))
            // The settings file holds Windows-1252 only: a folder named with
            // other letters gives their closest ones.
            m_ctx.settings->writeString(
                web, QStringLiteral("SubTitle"), Codec1252::replaceUnencodable(node->text(0)));
        // Without a current name (nothing started or loaded by name) the
        // file is named as a new one of today, so no folder is written over.
        full += m_ctx.CurrentFileName.isEmpty() ? NewFileName() : m_ctx.CurrentFileName;
    } else if (GetNodeKind(node) != nkReviewFile) {
        return;
    }

    if (QFileInfo::exists(full)) {
        const int answer = m_ctx.desktop->ShowMessageDialog(kSave,
            QStringLiteral("Die Datei existiert:\r\n") + relativePath(full)
                + QStringLiteral("\r\nWollen Sie diese mit den neuen Daten ersetzen")
                + QStringLiteral("\r\noder")
                + QStringLiteral("\r\nsoll eine Kopie angelegt werden?"),
            Msg::mtConfirmation, Msg::mbYesNoCancel,
            { QStringLiteral("Ersetzen"), QStringLiteral("Kopieren"),
                QStringLiteral("Abbrechen") });
        if (answer != Msg::mrYes && answer != Msg::mrNo)
            return;
        if (answer == Msg::mrNo && !CopyFileInto(full, QFileInfo(full).absolutePath())) {
            m_ctx.desktop->ShowMessageDialog(QStringLiteral("Besprechungsbericht speichern..."),
                QStringLiteral("Die Kopie des Besprechungsberichts konnte nicht angelegt werden."),
                Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
            return;
        }
    }

    if (table.state() == DataSet::dsInsert)
        table.cancel();
    // Saving is not stopped halfway; the documents it writes afterwards
    // may be.
    LongWork work(m_ctx.progress, QStringLiteral("Speichere ") + QFileInfo(full).fileName(), 0);
    QList<CompactRow> keptRecords;
    if (!saveLoop(&keptRecords))
        return;

    table.setFileName(full);
    QString error;
    work.step(0);
    if (!SaveToFile(table, full, &error)) {
        // The table keeps its records, the excluded ones too, so the save
        // can be repeated.
        if (!keptRecords.isEmpty())
            restoreRecords(keptRecords);
        showFileError(QStringLiteral("Besprechungsbericht speichern..."), error);
        return;
    }
    m_ctx.SavedReviewFile = FileStamp::of(full);
    m_ctx.window->StatusMsg(StatusPanel::Books, QString::number(table.recordCount()));

    work.step(0, QStringLiteral("Ordne den Baum"));
    m_tree.TreeViewPopulateAndFocus(full);
    QTreeWidgetItem *saved = m_ctx.tree->currentItem();
    if (saved) {
        m_tree.TreeViewPopulateFileNode(saved);
        saved->setExpanded(true);
        SortTree(m_ctx.tree);
        m_ctx.tree->setCurrentItem(saved);
    }

    if (table.recordCount() == 0 && saved) {
        const QString path = m_ctx.folders->rootFolder + GetNodePath(saved);
        if (QFileInfo::exists(path) && !DeleteToRecycleBin(*m_ctx.desktop, path)) {
            m_ctx.desktop->ShowMessageDialog(QStringLiteral("Leere Skribando..."),
                QStringLiteral("Löschen fehlgeschlagen"), Msg::mtInformation, Msg::mbOK,
                { QStringLiteral("OK") });
        }
        delete saved;
        m_ctx.CurrentFileName.clear();
        m_ctx.window->StatusMsg(StatusPanel::File, m_ctx.CurrentFileName);
    }

    m_ctx.data->UnsavedChanges = false;

    if (m_ctx.actions->action(QStringLiteral("ActionCreateWordDoc"))->isChecked()
        && !writeFollowUp(m_ctx.folders->wordFolder, full, QStringLiteral(".doc"), true))
        return;
    if (m_ctx.actions->action(QStringLiteral("ActionCreateWebPage"))->isChecked())
        writeFollowUp(m_ctx.folders->htmlFolder, full, QStringLiteral(".htm"), false);
}

bool ReviewFileActions::writeFollowUp(
    const QString &folder, const QString &savedFile, const QString &extension, bool word)
{
    if (!QDir().mkpath(folder)) {
        m_ctx.desktop->ShowSystemMessage(
            QStringLiteral("Fehler: Das Verzeichniss\r\n%1\r\nkann nicht angelegt werden.")
                .arg(folder),
            Msg::mtError);
        return false;
    }
    const QString path = folder + QFileInfo(savedFile).completeBaseName() + extension;
    if (!m_ctx.documents)
        return true;
    if (word)
        m_ctx.documents->WriteWordFile(path);
    else
        m_ctx.documents->WriteHtmlFile(path, false);
    return true;
}

// --- Remove -----------------------------------------------------------------------

void ReviewFileActions::ActionRemoveExecute()
{
    if (m_ctx.data->UnsavedChanges) {
        const int answer = m_ctx.desktop->ShowMessageDialog(
            QStringLiteral("Alle Datensätze entfernen..."),
            QStringLiteral(
                "Sie haben die letzten Änderungen noch nicht mit\r\n\"Speichern\" gesichert. "
                "Wollen Sie trotzdem alle\r\nBesprechungen aus dem Arbeitsspeicher entfernen\r\n"
                "und die Änderungen verwerfen"),
            Msg::mtConfirmation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
        if (answer != Msg::mrOk)
            return;
    }
    DataSet &table = *m_ctx.data->DSetReview;
    if (table.isEditing())
        table.cancel();
    table.emptyTable();
    m_ctx.window->ClearViews();
    m_ctx.CurrentFileName.clear();
    table.setFileName(QString());

    m_tree.TreeViewPopulate();
    m_ctx.tree->setFocus();
    SetState(StateInitial());
    m_ctx.window->StatusMsg(
        StatusPanel::LoadedFiles, QString::number(CountLoadedFiles(m_ctx.tree)));
    m_ctx.window->StatusMsg(StatusPanel::File, QString());
    m_ctx.window->StatusMsg(StatusPanel::Books, QString::number(table.recordCount()));
}

// --- Import -----------------------------------------------------------------------

void ReviewFileActions::ActionImportExecute()
{
    const QString chosen = m_ctx.desktop->GetOpenFileName(
        QStringLiteral("Besprechungsbericht in die Skribandosverwaltung importieren"),
        m_ctx.ReviewFileExtension,
        QStringLiteral("Besprechungsbericht (*.cds)|*.cds|Besprechungsbericht (*.xml)|*.xml"),
        m_ctx.desktop->DocumentsFolder());
    if (chosen.isEmpty())
        return;
    ImportReviewFile(chosen);
}

QString ReviewFileActions::ImportFolder() const
{
    QTreeWidgetItem *node = GetEnclosingFolder(m_ctx.tree->currentItem());
    if (!node)
        node = RootNode(m_ctx.tree);
    return m_ctx.folders->rootFolder + GetNodePath(node);
}

bool ReviewFileActions::ImportReviewFile(const QString &file)
{
    const QString folder = ImportFolder();
    if (!CopyFileInto(file, folder)) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Besprechungsbericht kopieren..."),
            QStringLiteral(
                "Der Besprechungsbericht konnte nicht in die Skribandosverwaltung kopiert werden."),
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return false;
    }
    m_tree.TreeViewPopulateAndFocus(folder + QFileInfo(file).fileName());
    return true;
}
