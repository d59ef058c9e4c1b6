#pragma once

#include <QObject>
#include <QRect>

struct MainContext;
class PreviewPage;

// The preview of the reviews: showing it for the current record or for all
// of them, and printing it.
class Preview : public QObject
{
    Q_OBJECT

public:
    Preview(MainContext &ctx, PreviewPage &page, QObject *parent = nullptr);

    // Computes the print page rectangle from the default printer and fills
    // the page's text: the current record, or every record whose book is not
    // excluded in the tree (books without a node count as included).
    void ShowPreviewInRichEdit(bool allRecords);
    void RadioGroupPreviewClick();
    // Prints the shown text as "Besprechungsbericht"; where no printer is
    // installed the same pages can go into a PDF file, which is then opened.
    void ActionPrintExecute();

    // Where the last preview put the printed text, in printer pixels.
    QRect pageRect() const { return m_pageRect; }

private:
    MainContext &m_ctx;
    PreviewPage &m_page;
    QRect m_pageRect;
};
