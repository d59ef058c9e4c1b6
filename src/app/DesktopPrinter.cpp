#include "DesktopPrinter.h"

#include "util/FileErrors.h"
#include "util/SafeWrite.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QFileDialog>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <algorithm>

namespace {

// Without a printer the pages go to a PDF file: no unprintable strips.
void prepare(QPrinter &printer, bool pdf)
{
    if (pdf) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
}

// A laid-out line with where it goes in the document.
struct PlacedLine
{
    QTextLine line;
    QPointF origin; // of its block's layout
    qreal top;
};

// Every line of the document from top to bottom.
QList<PlacedLine> placedLines(QTextDocument &doc)
{
    QList<PlacedLine> lines;
    QAbstractTextDocumentLayout *layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        const QTextLayout *text = block.layout();
        if (!text)
            continue;
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        for (int i = 0; i < text->lineCount(); ++i) {
            const QTextLine line = text->lineAt(i);
            lines.append({ line, origin, origin.y() + line.y() });
        }
    }
    std::stable_sort(lines.begin(), lines.end(),
        [](const PlacedLine &a, const PlacedLine &b) { return a.top < b.top; });
    return lines;
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
    // Line by line: drawing the page's part of the document would draw a
    // paragraph that runs over a page break whole on both pages, its lines
    // beyond the page only hidden by the clip, and a PDF would hold them
    // twice (found twice by a search, copied twice). The layout keeps every
    // line within one page.
    const int pages = doc.pageCount();
    const QList<PlacedLine> lines = placedLines(doc);
    qsizetype next = 0;
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            printer.newPage();
        painter.save();
        painter.translate(rect.topLeft());
        painter.setClipRect(QRect(QPoint(0, 0), rect.size()));
        painter.translate(0, -i * rect.height());
        for (; next < lines.size() && lines[next].top < qreal(i + 1) * rect.height(); ++next)
            lines[next].line.draw(&painter, lines[next].origin);
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
        *error = FileErrorText(written.errorString());
        return false;
    }
    return WriteFileSafely(job.pdfFile, written.readAll(), error);
}

QString DesktopPrinter::GetSavePdfFileName(const QString &title, const QString &suggestedPath)
{
    return QFileDialog::getSaveFileName(
        m_owner, title, suggestedPath, QStringLiteral("PDF-Dateien (*.pdf)"));
}
