#include "CommandLineFiles.h"

#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/UState.h"
#include "base/WorkingFolders.h"
#include "files/ReviewFiles.h"
#include "store/DataPacket.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QApplication>
#include <QFileInfo>
#include <QTreeWidget>

namespace {

constexpr int kRetryMilliseconds = 250;

const QString kOpenCaption = QStringLiteral("Datei öffnen...");
const QString kImportCaption = QStringLiteral("Importieren...");

} // namespace

CommandLineFiles::CommandLineFiles(
    MainContext &ctx, TreeNavigation &tree, ReviewFileActions &files, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_tree(tree)
    , m_files(files)
{
    busy = [] {
        return QApplication::activeModalWidget() || QApplication::activePopupWidget()
            || QGuiApplication::overrideCursor() || CurrentState == &StateEditSettings();
    };
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryMilliseconds);
    connect(&m_retry, &QTimer::timeout, this, &CommandLineFiles::processNext);
}

void CommandLineFiles::offer(const QStringList &files)
{
    for (const QString &file : files) {
        if (!file.isEmpty())
            m_pending.append(file);
    }
    // Never inside the caller: it may be reading a socket, or deep in an
    // action that opened a dialog.
    if (!m_pending.isEmpty())
        QTimer::singleShot(0, this, &CommandLineFiles::processNext);
}

void CommandLineFiles::processNext()
{
    if (m_pending.isEmpty() || m_opening)
        return;
    if (busy && busy()) {
        m_retry.start();
        return;
    }
    open(m_pending.takeFirst());
    if (!m_pending.isEmpty())
        QTimer::singleShot(0, this, &CommandLineFiles::processNext);
}

void CommandLineFiles::open(const QString &file)
{
    m_opening = true;
    const QFileInfo fi(file);
    const QString path = fi.absoluteFilePath();
    if (!fi.isFile()) {
        m_ctx.desktop->ShowMessageDialog(kOpenCaption,
            QStringLiteral("Die Datei\r\n%1\r\n").arg(path)
                + (fi.exists() ? QStringLiteral("ist keine Datei.")
                               : QStringLiteral("wurde nicht gefunden.")),
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        m_opening = false;
        return;
    }
    const QString canonical = fi.canonicalFilePath();
    const QString db = QFileInfo(m_ctx.folders->dbFolder).canonicalFilePath();
    if (!db.isEmpty() && canonical.startsWith(db + u'/')) {
        if (!selectInTree(canonical.mid(db.size() + 1))) {
            m_ctx.desktop->ShowMessageDialog(kOpenCaption,
                QStringLiteral("Die Datei\r\n%1\r\nliegt im Datenbankverzeichnis, wird im "
                               "Verzeichnisbaum aber nicht gezeigt.")
                    .arg(path),
                Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
        }
    } else {
        offerImport(path);
    }
    m_opening = false;
}

bool CommandLineFiles::selectInTree(const QString &relativeToDb)
{
    // The first part of a node path stands for the root node.
    const QString nodePath = m_ctx.folders->dbFolderName + u'/' + relativeToDb;
    QTreeWidgetItem *node = FindNodeByPath(m_ctx.tree, nodePath);
    if (!node && CountLoadedFiles(m_ctx.tree) == 0) {
        // Made after the tree was filled; with no file showing its books,
        // filling it again loses nothing.
        m_tree.TreeViewPopulate();
        node = FindNodeByPath(m_ctx.tree, nodePath);
    }
    if (!node || GetNodeKind(node) != VexConst::nkReviewFile)
        return false;
    m_ctx.tree->setCurrentItem(node);
    m_ctx.tree->scrollToItem(node);
    m_ctx.tree->setFocus();
    return true;
}

void CommandLineFiles::offerImport(const QString &file)
{
    // Only a readable review file is offered; what the reader finds wrong
    // is said in its own words, and nothing is copied.
    PacketData packet;
    QString error;
    if (!DataPacket::loadFromFile(file, packet, &error)) {
        m_ctx.desktop->ShowMessageDialog(kImportCaption,
            QStringLiteral("Die Datei kann nicht importiert werden:\r\n") + error, Msg::mtWarning,
            Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    const int answer = m_ctx.desktop->ShowMessageDialog(kImportCaption,
        QStringLiteral("Die Datei\r\n%1\r\nliegt nicht in den gespeicherten Zadizezerev.\r\n\r\n"
                       "Soll sie in das Verzeichnis\r\n%2\r\nimportiert werden?")
            .arg(file, m_files.ImportFolder()),
        Msg::mtConfirmation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
    if (answer == Msg::mrOk)
        m_files.ImportReviewFile(file);
}
