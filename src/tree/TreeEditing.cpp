#include "TreeEditing.h"

#include "TreeProcedures.h"
#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/UState.h"
#include "base/VexUtils.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTreeWidget>

using namespace VexConst;

namespace {

const QString kNewFolderName = QStringLiteral("Unbenannt");

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// Whether path is base itself or lies somewhere below it.
bool isWithin(const QString &path, const QString &base)
{
    const QString p = QDir::cleanPath(path);
    const QString b = QDir::cleanPath(base);
    return p == b || p.startsWith(b + u'/');
}

// A label that can stand as one name in a folder: not empty, no separator,
// not one of the two names every folder already has.
bool isUsableName(const QString &name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(0))
        && name != QLatin1String(".") && name != QLatin1String("..");
}

bool hasSiblingNamed(const QTreeWidgetItem *node, const QString &name)
{
    const QTreeWidgetItem *parent = node->parent();
    for (int i = 0; parent && i < parent->childCount(); ++i) {
        if (parent->child(i) != node && parent->child(i)->text(0) == name)
            return true;
    }
    return false;
}

void collectExpanded(QTreeWidgetItem *node, QList<QTreeWidgetItem *> &out)
{
    if (node->isExpanded())
        out.append(node);
    for (int i = 0; i < node->childCount(); ++i)
        collectExpanded(node->child(i), out);
}

} // namespace

TreeEditing::TreeEditing(MainContext &ctx, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
{ }

QString TreeEditing::fullPath(const QTreeWidgetItem *node) const
{
    return m_ctx.folders->rootFolder + GetNodePath(node);
}

// --- new folder ------------------------------------------------------------

void TreeEditing::ActionNewFolderExecute()
{
    QTreeWidget *tree = m_ctx.tree;
    QTreeWidgetItem *parent = tree->currentItem();
    if (!parent || GetNodeKind(parent) != nkFolder)
        return;
    QTreeWidgetItem *node = AddFolderNode(parent, kNewFolderName);
    parent->setExpanded(true);
    tree->setCurrentItem(node);
    tree->scrollToItem(node);

    // A folder of that name that is already there will do.
    const QString path = fullPath(node);
    if (QDir().mkpath(path)) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Neues Verzeichnis..."),
            QStringLiteral("Geben Sie dem neuen Verzeichis 'Unbenannt' einen sinnvollen Namen."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    } else {
        m_ctx.desktop->ShowSystemMessage(QStringLiteral("Verzeichnis\r\n") + path
                + QStringLiteral("\r\nkann nicht angelegt werden"),
            Msg::mtWarning);
    }
}

// --- rename ------------------------------------------------------------------

bool TreeEditing::TreeView1Editing(QTreeWidgetItem *node)
{
    if (!node)
        return false;
    if (node == RootNode(m_ctx.tree)) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Verzeichnis umbenennen"),
            QStringLiteral("Das Wurzelverzeichnis kann nicht umbenannt werden."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
        return false;
    }
    const int kind = GetNodeKind(node);
    return kind == nkFolder || kind == nkReviewFile;
}

void TreeEditing::renameFailed(bool folder)
{
    if (folder) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Verzeichnis umbenennen"),
            QStringLiteral("Das Verzeichnis konnte nicht umbenannt werden."), Msg::mtInformation,
            Msg::mbOK, { QStringLiteral("OK") });
    } else {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Datei umbenennen"),
            QStringLiteral("Die Datei konnte nicht umbenannt werden."), Msg::mtInformation,
            Msg::mbOK, { QStringLiteral("OK") });
    }
}

void TreeEditing::TreeView1Edited(QTreeWidgetItem *node, QString &text)
{
    if (!node || !node->parent())
        return;
    const QString oldText = node->text(0);
    const int kind = GetNodeKind(node);
    if (kind != nkFolder && kind != nkReviewFile) {
        text = oldText;
        return;
    }
    // Nothing to do on disk for an unchanged name.
    if (text == oldText)
        return;
    // A name that cannot stand in the folder, or one a neighbour already
    // has, would lose the node's path or clobber the neighbour.
    if (!isUsableName(text) || hasSiblingNamed(node, text)) {
        renameFailed(kind == nkFolder);
        text = oldText;
        return;
    }

    const QString parent = m_ctx.folders->rootFolder + GetParentPath(node);
    const QString oldPath = parent + oldText;
    const QString newPath = parent + text;
    // The current file is known by its name alone; a folder of that name is
    // not it.
    const bool isCurrentFile = kind == nkReviewFile && m_ctx.CurrentFileName == oldText;

    bool renamed = true;
    const QFileInfo old(oldPath);
    if (old.isFile() || old.isSymLink()) {
        // QFile::rename never replaces an existing file.
        renamed = QFile::rename(oldPath, newPath);
        if (!renamed)
            renameFailed(false);
    } else if (old.isDir()) {
        renamed = ShellRenameFolder(oldPath, newPath);
        if (!renamed)
            renameFailed(true);
    }
    // Neither there: only the node changes.

    if (renamed) {
        retargetTablePath(oldPath, newPath);
        if (isCurrentFile) {
            // The file field shows the current file; it follows the name.
            m_ctx.CurrentFileName = text;
            m_ctx.window->StatusMsg(StatusPanel::File, text);
        }
    } else {
        text = oldText;
    }
    m_ctx.window->DebugMsg(QStringLiteral("Rename %1 to %2").arg(oldPath, newPath));
}

// --- move ----------------------------------------------------------------------

bool TreeEditing::TreeView1DragOver(QObject *source, QTreeWidgetItem *target) const
{
    QTreeWidget *tree = m_ctx.tree;
    if (!source || (source != tree && source != tree->viewport()) || !target)
        return false;
    const QTreeWidgetItem *dragged = tree->currentItem();
    if (!dragged)
        return false;
    const int kind = GetNodeKind(dragged);
    if (kind != nkFolder && kind != nkReviewFile)
        return false;
    if (GetNodeKind(target) != nkFolder)
        return false;
    if (target == dragged->parent())
        return false;
    // Not onto itself, nor into a folder below it.
    for (const QTreeWidgetItem *n = target; n; n = n->parent()) {
        if (n == dragged)
            return false;
    }
    return true;
}

void TreeEditing::TreeView1DragDrop(QObject *source, QTreeWidgetItem *target)
{
    if (!target || !TreeView1DragOver(source, target))
        return;
    QTreeWidget *tree = m_ctx.tree;
    QTreeWidgetItem *dragged = tree->currentItem();
    const QString from = fullPath(dragged);
    const QString into = fullPath(target);
    m_ctx.window->DebugMsg(QStringLiteral("Move ") + from + QStringLiteral(" to ") + into);

    const QString name = dragged->text(0);
    const QString landing = into + name;
    const bool replacing = QFileInfo::exists(landing);
    if (!ShellMove(*m_ctx.desktop, from, into)) {
        m_ctx.window->DebugMsg(QStringLiteral("Move failed"));
        return;
    }

    if (replacing) {
        // What stood there is in the trash now; its node goes with it.
        forgetTablePath(landing);
        for (int i = target->childCount() - 1; i >= 0; --i) {
            if (target->child(i)->text(0) == name)
                delete target->takeChild(i);
        }
    }
    retargetTablePath(from, landing);

    QList<QTreeWidgetItem *> expanded;
    collectExpanded(dragged, expanded);
    QTreeWidgetItem *oldParent = dragged->parent();
    oldParent->takeChild(oldParent->indexOfChild(dragged));
    target->insertChild(0, dragged);
    for (QTreeWidgetItem *n : expanded)
        n->setExpanded(true);
    target->setExpanded(true);
    tree->setCurrentItem(target);
    m_ctx.window->DebugMsg(QStringLiteral("Move succeeded"));
}

// --- delete ----------------------------------------------------------------------

void TreeEditing::ActionDeletefromTreeExecute()
{
    QTreeWidget *tree = m_ctx.tree;
    QTreeWidgetItem *node = tree->currentItem();
    if (!node)
        return;
    const int kind = GetNodeKind(node);
    if (kind != nkFolder && kind != nkReviewFile)
        return;
    if (node == RootNode(tree)) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Verzeichnis löschen..."),
            QStringLiteral("Das Stammverzeichnis kann nicht gelöscht werden!"), Msg::mtWarning,
            Msg::mbOK, { QStringLiteral("OK") });
        return;
    }

    const QString caption = kind == nkFolder ? QStringLiteral("Verzeichnis löschen...")
                                             : QStringLiteral("Bericht löschen...");
    const QString question = kind == nkFolder
        ? QStringLiteral("Wollen Sie das Verzeichnis wirklich löschen?\r\n"
                         "Das Verzeichnis und der gesamte Inhalt werden gelöscht.\r\n"
                         "Alle Daten sind unwiederbringlich verloren!")
        : QStringLiteral("Wollen Sie den Bericht wirklich löschen?\r\n"
                         "Der Bericht wird gelöscht und ist unwiederbringlich verloren!");
    int answer = m_ctx.desktop->ShowMessageDialog(caption, question, Msg::mtConfirmation,
        Msg::mbOKCancel, { QStringLiteral("Löschen"), QStringLiteral("Abbrechen") });
    if (answer == Msg::mrOk) {
        answer = m_ctx.desktop->ShowMessageDialog(caption,
            QStringLiteral("Ihre letzte Chance! Wirklich löschen?"), Msg::mtConfirmation,
            Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
    }
    if (answer != Msg::mrOk) {
        m_ctx.desktop->ShowMessageDialog(caption, QStringLiteral("Noch einmal glück gehabt!"),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }

    const QString path = fullPath(node);
    m_ctx.window->DebugMsg(QStringLiteral("Delete: ") + path);
    if (QFileInfo::exists(path)) {
        if (DeleteToRecycleBin(*m_ctx.desktop, path)) {
            forgetTablePath(path);
        } else {
            m_ctx.desktop->ShowMessageDialog(caption, QStringLiteral("Löschen fehlgeschlagen"),
                Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
        }
    }
    // The node goes also when the disk refused; the next rebuild shows what
    // is really there.
    delete node;

    if (m_ctx.data->DSetReview->recordCount() == 0) {
        m_ctx.CurrentFileName.clear();
        m_ctx.window->StatusMsg(StatusPanel::File, QString());
    }
    SetState(StateNavigateTreeView());
}

// --- the review table's path ---------------------------------------------------

void TreeEditing::retargetTablePath(const QString &from, const QString &to)
{
    DataSet &table = *m_ctx.data->DSetReview;
    const QString current = table.fileName();
    if (current.isEmpty() || !isWithin(current, from))
        return;
    const QString rest = QDir::cleanPath(current).mid(QDir::cleanPath(from).size());
    table.setFileName(withoutTrailingSlash(to) + rest);
}

void TreeEditing::forgetTablePath(const QString &removed)
{
    DataSet &table = *m_ctx.data->DSetReview;
    if (!table.fileName().isEmpty() && isWithin(table.fileName(), removed))
        table.setFileName(QString());
}
