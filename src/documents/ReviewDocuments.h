#pragma once

#include "RtfWordProcessor.h"
#include "base/IDocumentWriter.h"

#include <QObject>

struct MainContext;
class IWordProcessor;
class WebPages;

// The documents of the review table: the word-processor document that
// saving writes, the publisher documents and the switch for the former.
class ReviewDocuments : public QObject, public IDocumentWriter
{
    Q_OBJECT

public:
    explicit ReviewDocuments(MainContext &ctx, QObject *parent = nullptr);

    // Every record in table order into one document at path. Failures are
    // reported to the person.
    void WriteWordFile(const QString &path) override;
    // The HTML page of the review table, through the window's page writer.
    void WriteHtmlFile(const QString &path, bool preview) override;
    void setWebPages(WebPages *pages) { m_webPages = pages; }

    void ActionPublisherDocumentsExecute();
    // The switch has already flipped to on.
    void ActionCreateWordDocExecute(bool on);

private:
    // The context's word processor, else this platform's own.
    IWordProcessor &wordProcessor();

    MainContext &m_ctx;
    RtfWordProcessor m_ownWordProcessor;
    WebPages *m_webPages = nullptr;
};
