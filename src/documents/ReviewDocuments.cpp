#include "ReviewDocuments.h"

#include "WebPages.h"
#include "WordDocuments.h"
#include "base/IDesktop.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"

#include <QApplication>
#include <QCursor>

namespace {

// The hourglass while the documents are written, also when it fails.
struct WaitCursor
{
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

ReviewDocuments::ReviewDocuments(MainContext &ctx, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
{ }

IWordProcessor &ReviewDocuments::wordProcessor()
{
    return m_ctx.wordProcessor ? *m_ctx.wordProcessor : m_ownWordProcessor;
}

void ReviewDocuments::WriteWordFile(const QString &path)
{
    QString error;
    const auto style = ReadDocStyle(*m_ctx.settings, &error);
    if (!style) {
        m_ctx.desktop->ShowSystemMessage(error, Msg::mtError);
        return;
    }
    WordDocuments documents(*m_ctx.data->DSetReview, wordProcessor());
    documents.progress = m_ctx.progress;
    if (documents.WriteWordFile(path, *style, &error))
        return;
    if (documents.stopped())
        m_ctx.window->StatusMsg(StatusPanel::Hint,
            QStringLiteral("Das Word-Dokument wurde nicht geschrieben (abgebrochen)"));
    else
        m_ctx.desktop->ShowPlainMessage(error);
}

void ReviewDocuments::WriteHtmlFile(const QString &path, bool preview)
{
    if (m_webPages)
        m_webPages->WriteHtmlFile(path, preview);
}

void ReviewDocuments::ActionPublisherDocumentsExecute()
{
    IDesktop &desktop = *m_ctx.desktop;
    const QString caption = QStringLiteral("Verlagsdokumente erzeugen...");
    if (desktop.ShowMessageDialog(caption,
            QStringLiteral("Sollen die Word-Dokumente für die Verlage erzeugt werden?"),
            Msg::mtInformation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") })
        != Msg::mrOk)
        return;
    DataSet &table = *m_ctx.data->DSetReview;
    table.setIndexFieldNames(QStringLiteral("Publisher;Author1Name"));
    QString error;
    const auto style = ReadDocStyle(*m_ctx.settings, &error);
    if (!style) {
        desktop.ShowSystemMessage(error, Msg::mtError);
        return;
    }
    bool ok;
    bool stopped;
    QStringList written;
    {
        WaitCursor wait;
        WordDocuments documents(table, wordProcessor());
        documents.progress = m_ctx.progress;
        ok = documents.WritePublisherDocuments(m_ctx.folders->wordFolder, *style, &error, &written);
        stopped = documents.stopped();
    }
    if (stopped)
        m_ctx.window->StatusMsg(StatusPanel::Hint,
            QStringLiteral("Abgebrochen: %1 Verlagsdokumente erzeugt").arg(written.size()));
    else if (ok)
        m_ctx.window->StatusMsg(
            StatusPanel::Hint, QStringLiteral("%1 Verlagsdokumente erzeugt").arg(written.size()));
    else if (error.isEmpty())
        desktop.ShowMessageDialog(caption, QStringLiteral("Es sind keine Besprechungen geladen."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    else
        desktop.ShowPlainMessage(error);
}

void ReviewDocuments::ActionCreateWordDocExecute(bool on)
{
    if (on)
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Word-Dokument erzeugen..."),
            QStringLiteral(
                "Der Besprechungsbericht wird von jetzt an auch als Word-Dokument gespeichert."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    else
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Kein Word-Dokument erzeugen..."),
            QStringLiteral("Der Besprechungsbericht wird von jetzt an  n i c h t  mehr als "
                           "Word-Dokument gespeichert"),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
}
