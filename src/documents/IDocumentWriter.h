#pragma once

#include <QString>

// Writes the documents of the review table: the word-processor document and
// the HTML page that saving produces when they are switched on.
class IDocumentWriter
{
public:
    virtual ~IDocumentWriter() = default;
    virtual void WriteWordFile(const QString &path) = 0;
    // topicPage: the page is a topic page of a folder rather than the page of
    // one review file.
    virtual void WriteHtmlFile(const QString &path, bool topicPage) = 0;
};

// Until the documents are built, saving writes none.
class NoDocuments : public IDocumentWriter
{
public:
    void WriteWordFile(const QString &) override { }
    void WriteHtmlFile(const QString &, bool) override { }
};
