#pragma once

#include <QRect>
#include <QString>

#include <cmath>

// What the program needs to know of the default printer, in its pixels.
struct PrinterMetrics
{
    // False where no printer is installed: the figures are then those of the
    // PDF output that stands in for it.
    bool installed = false;
    int dpiX = 0;
    int dpiY = 0;
    // The unprintable strips at the left and top edge.
    int offsetX = 0;
    int offsetY = 0;
    int printableWidth = 0;
    int printableHeight = 0;
};

// One print job: plain text in one font, laid out within pageRect (printer
// pixels, relative to the printable area) on every page.
struct PrintJob
{
    QString title;
    QRect pageRect;
    QString text; // lines end in CR
    QString fontFamily;
    int pixelSize = 13; // on a 96 dpi screen
    // Empty: the default printer. Otherwise the same pages go into this PDF file.
    QString pdfFile;
};

// The printer, behind the desktop seam.
class IPrinter
{
public:
    virtual ~IPrinter() = default;
    virtual PrinterMetrics DefaultPrinter() = 0;
    // False with the reason when the job could not be printed or written.
    virtual bool Print(const PrintJob &job, QString *error) = 0;
    // A save dialog for a PDF file; the chosen path, or empty when cancelled.
    virtual QString GetSavePdfFileName(const QString &title, const QString &suggestedPath) = 0;
};

// Margins of 25 mm left, 15 mm right and 20 mm top and bottom, in printer
// pixels relative to the printable area.
inline QRect PrintPageRect(const PrinterMetrics &m)
{
    const auto px = [](int dpi, double mm) { return int(std::lround(dpi * mm / 25.4)); };
    const int left = px(m.dpiX, 25) - m.offsetX;
    const int right = m.printableWidth - px(m.dpiX, 15) - m.offsetX;
    const int top = px(m.dpiY, 20) - m.offsetY;
    const int bottom = m.printableHeight - px(m.dpiY, 20) - m.offsetY;
    return QRect(left, top, qMax(0, right - left), qMax(0, bottom - top));
}
