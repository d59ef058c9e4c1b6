#include "DesktopPrinter.h"

#include "util/SafeWrite.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextFrame>

namespace {

// Without a printer the pages go to a PDF file: no unprintable strips.
void prepare(QPrinter &printer, bool pdf)
{
    if (pdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
}

} // namespace

PrinterMetrics DesktopPrinter::DefaultPrinter()
{
    PrinterMetrics m;
    m.installed = !QPrinterInfo::defaultPrinter().isNull();
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer, !m.installed);
    m.dpiX = printer.logicalDpiX();
    m.dpiY = printer.logicalDpiY();
    const QRect paper = printer.paperRect(QPrinter::DevicePixel).toRect();
    const QRect page = printer.pageRect(QPrinter::DevicePixel).toRect();
    m.offsetX = page.left() - paper.left();
    m.offsetY = page.top() - paper.top();
    m.printableWidth = page.width();
    m.printableHeight = page.height();
    return m;
}

bool DesktopPrinter::Print(const PrintJob &job, QString *error)
{
    const bool pdf = !job.pdfFile.isEmpty();
    QPrinter printer(QPrinter::HighResolution);
    prepare(printer, pdf);
    printer.setDocName(job.title);
    QTemporaryDir scratch;
    const QString scratchPdf = scratch.filePath(QStringLiteral("Druck.pdf"));
    if (pdf) {
        if (!scratch.isValid()) {
            *error = QStringLiteral("Es kann keine temporäre Datei angelegt werden.");
            return false;
        }
        printer.setOutputFileName(scratchPdf);
    } else if (!printer.isValid()) {
        *error = QStringLiteral("Der Drucker kann nicht angesprochen werden.");
        return false;
    }

    // Laid out on the printer itself, so the margins are exactly the page
    // rectangle's (QTextDocument::print would add its own).
    QTextDocument doc;
    doc.documentLayout()->setPaintDevice(&printer);
    QFont font(job.fontFamily);
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(job.pixelSize * 72.0 / 96.0);
    doc.setDefaultFont(font);
    QString text = job.text;
    text.replace(u'\r', u'\n');
    doc.setPlainText(text);
    QTextFrameFormat frame = doc.rootFrame()->frameFormat();
    frame.setMargin(0);
    doc.rootFrame()->setFrameFormat(frame);
    QRect rect = job.pageRect;
    if (rect.isEmpty())
        rect = QRect(QPoint(0, 0), printer.pageRect(QPrinter::DevicePixel).size().toSize());
    doc.setPageSize(rect.size());

    QPainter painter;
    if (!painter.begin(&printer)) {
        *error = QStringLiteral("Der Druckauftrag kann nicht begonnen werden.");
        return false;
    }
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            printer.newPage();
        painter.save();
        painter.translate(rect.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), rect.size()));
        painter.translate(0, -i * rect.height());
        doc.drawContents(&painter, QRectF(0, i * rect.height(), rect.width(), rect.height()));
        painter.restore();
    }
    if (!painter.end()) {
        *error = QStringLiteral("Der Druckauftrag ist fehlgeschlagen.");
        return false;
    }
    if (!pdf)
        return true;

    QFile written(scratchPdf);
    if (!written.open(QIODevice::ReadOnly)) {
        *error = written.errorString();
        return false;
    }
    return WriteFileSafely(job.pdfFile, written.readAll(), error);
}

QString DesktopPrinter::GetSavePdfFileName(const QString &title, const QString &suggestedPath)
{
    return QFileDialog::getSaveFileName(
        m_owner, title, suggestedPath, QStringLiteral("PDF-Dateien (*.pdf)"));
}
