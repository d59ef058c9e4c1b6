#include "Preview.h"

#include "PreviewPage.h"
#include "PreviewText.h"
#include "base/IDesktop.h"
#include "base/IPrinter.h"
#include "base/MainContext.h"
#include "base/Progress.h"
#include "base/StatusPanel.h"
#include "base/VexUtils.h"
#include "data/DDataAccess.h"
#include "tree/TreeProcedures.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QTreeWidget>

namespace {

const QString kJobTitle = QStringLiteral("Besprechungsbericht");
const QString kPrintCaption = QStringLiteral("Drucken...");

} // namespace

Preview::Preview(MainContext &ctx, PreviewPage &page, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
    , m_page(page)
{
    connect(&m_page, &PreviewPage::previewModeClicked, this, &Preview::RadioGroupPreviewClick);
}

void Preview::ShowPreviewInRichEdit(bool allRecords)
{
    m_pageRect = m_ctx.printer ? PrintPageRect(m_ctx.printer->DefaultPrinter()) : PrintPageRect({});
    QPlainTextEdit *edit = m_page.RichEdit1;
    edit->clear();
    DataSet &t = *m_ctx.data->DSetReview;
    if (!t.isActive())
        return;
    if (!allRecords) {
        // Without a record there is nothing to compose.
        if (t.recNo() >= 0 || t.state() == DataSet::dsInsert)
            // The control starts a line at each CR as at LF.
            edit->setPlainText(ComposePreview(t));
        return;
    }

    // The records are read where they are, so the current one stays current;
    // a pending change is posted first, as moving through the table would.
    t.checkBrowseMode();
    edit->setUpdatesEnabled(false);
    if (m_ctx.tree)
        m_ctx.tree->setUpdatesEnabled(false);
    const QLocale locale = PriceLocale();
    // Row by row: the texts of one record at a time are decoded.
    const QList<CompactRow> rows = t.rows();
    QString text;
    text.reserve(PreviewSizeEstimate(rows));
    bool stopped = false;
    {
        LongWork work(
            m_ctx.progress, QStringLiteral("Vorschau aller Besprechungen"), rows.size(), true);
        for (qsizetype i = 0; i < rows.size(); ++i) {
            if (i % 256 == 0
                && !work.step(i,
                    QStringLiteral("Vorschau: %1 von %2 Besprechungen")
                        .arg(i + 1)
                        .arg(rows.size()))) {
                stopped = true;
                break;
            }
            const ReviewTexts r = ReviewTextsOf(rows[i]);
            const QTreeWidgetItem *node
                = FindNodeByData(m_ctx.tree, EncodeBookKey(r[fBookNbr]), false);
            if (!node || IsBookIncluded(node))
                AppendPreview(text, r, locale);
        }
        if (!stopped)
            edit->setPlainText(text);
    }
    if (m_ctx.tree)
        m_ctx.tree->setUpdatesEnabled(true);
    edit->setUpdatesEnabled(true);
    if (stopped) {
        // Half a preview is no preview of all reviews: the page shows the
        // current one, as its choice then says.
        m_page.setShowsCurrent(true);
        m_ctx.window->SetNavigatorEnabled(true);
        ShowPreviewInRichEdit(false);
        m_ctx.window->StatusMsg(
            StatusPanel::Hint, QStringLiteral("Vorschau aller Besprechungen abgebrochen"));
    }
}

void Preview::RadioGroupPreviewClick()
{
    const bool current = m_page.showsCurrent();
    m_ctx.window->SetNavigatorEnabled(current);
    ShowPreviewInRichEdit(!current);
}

void Preview::ActionPrintExecute()
{
    IDesktop &desktop = *m_ctx.desktop;
    if (!m_ctx.printer) {
        desktop.ShowMessageDialog(kPrintCaption, QStringLiteral("Es ist kein Drucker verfügbar."),
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    PrintJob job;
    job.title = kJobTitle;
    job.pageRect = m_pageRect;
    job.text = m_page.RichEdit1->toPlainText().replace(u'\n', u'\r');
    job.fontFamily = PreviewPage::previewFont().family();
    job.pixelSize = PreviewPage::previewFont().pixelSize();

    if (!m_ctx.printer->DefaultPrinter().installed) {
        const int answer = desktop.ShowMessageDialog(kPrintCaption,
            QStringLiteral("Es ist kein Drucker eingerichtet.\r\nSie können den "
                           "Besprechungsbericht als PDF-Datei speichern und von dort drucken."),
            Msg::mtInformation, Msg::mbOKCancel,
            { QStringLiteral("PDF speichern"), QStringLiteral("Abbrechen") });
        if (answer != Msg::mrOk)
            return;
        QString folder = desktop.DocumentsFolder();
        if (folder.isEmpty())
            folder = QDir::homePath();
        QString path = m_ctx.printer->GetSavePdfFileName(
            QStringLiteral("Besprechungsbericht als PDF speichern"),
            QDir(folder).filePath(kJobTitle + QStringLiteral(".pdf")));
        if (path.isEmpty())
            return;
        if (!path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            path += QStringLiteral(".pdf");
        job.pdfFile = path;
    }

    QString error;
    if (!m_ctx.printer->Print(job, &error)) {
        desktop.ShowMessageDialog(kPrintCaption,
            (job.pdfFile.isEmpty()
                    ? QStringLiteral("Der Besprechungsbericht konnte nicht gedruckt werden.")
                    : QStringLiteral("Die PDF-Datei\r\n%1\r\nkonnte nicht geschrieben werden.")
                          .arg(job.pdfFile))
                + QStringLiteral("\r\n") + error,
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return;
    }
    if (!job.pdfFile.isEmpty() && ShellOpen(desktop, job.pdfFile) <= 32) {
        desktop.ShowMessageDialog(kPrintCaption,
            QStringLiteral("Die PDF-Datei wurde gespeichert:\r\n%1\r\nSie kann aber nicht "
                           "geöffnet werden.")
                .arg(job.pdfFile),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    }
}
