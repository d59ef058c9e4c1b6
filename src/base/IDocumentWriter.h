#pragma once

#include <QString>

// Writes the documents of the review table: the word-processor document and
// the HTML page that saving produces when they are switched on.
class IDocumentWriter
{
public:
    virtual ~IDocumentWriter() = default;
    virtual void WriteWordFile(const QString &path) = 0;
    // preview: the page of the web-page tab rather than a page for the site.
    virtual void WriteHtmlFile(const QString &path, bool preview) = 0;
};
