#include "ZipActions.h"

#include "MailArchive.h"
#include "ZipArchive.h"
#include "ZipImport.h"
#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/VexUtils.h"
#include "base/WorkingFolders.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QFileInfo>
#include <QTreeWidget>

ZipActions::ZipActions(MainContext &ctx, TreeNavigation &tree, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_tree(tree)
{ }

void ZipActions::ActionImportZipExecute()
{
    QTreeWidgetItem *node = GetEnclosingFolder(m_ctx.tree->currentItem());
    if (!node)
        return;
    const QString caption = QStringLiteral("Zip-Archiv laden ...");
    const QString chosen = m_ctx.desktop->GetOpenFileName(caption, QStringLiteral("zip"),
        QStringLiteral("Zip-Archiv(*.zip)|*.zip"), m_ctx.folders->zipFolder + node->text(0));
    if (chosen.isEmpty())
        return;
    const QString nodePath = GetNodePath(node);
    const QString targetFolder = m_ctx.folders->rootFolder + nodePath;

    ZipArchive &zip = *m_ctx.zip;
    ZipImportResult result;
    if (zip.OpenFile(chosen)) {
        result = ExtractReviewArchive(zip, targetFolder, m_ctx.folders->coverFolder,
            [this](const QString &path) { return DeleteToRecycleBin(*m_ctx.desktop, path); },
            m_ctx.progress);
    } else {
        result.ok = false;
        result.error = QStringLiteral("Das Zip-Archiv\r\n") + chosen
            + QStringLiteral("\r\nkann nicht gelesen werden.\r\n") + zip.ErrorString();
    }
    zip.Close();
    if (!result.ok) {
        m_ctx.desktop->ShowMessageDialog(
            caption, result.error, Msg::mtError, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }

    if (result.stopped) {
        m_ctx.window->StatusMsg(StatusPanel::Hint,
            QStringLiteral("Zip-Import abgebrochen: %1 Dateien entpackt")
                .arg(result.extracted.size()));
    }
    const QString archiveName = QFileInfo(chosen).fileName();
    QString expected = ChangeFileExt(archiveName, QStringLiteral(".cds"));
    if (!QFileInfo::exists(targetFolder + expected))
        expected = ChangeFileExt(archiveName, QStringLiteral(".xml"));
    if (QFileInfo::exists(targetFolder + expected))
        m_tree.TreeViewPopulateAndFocus(targetFolder + expected);
    else
        m_tree.TreeViewPopulate();
}
