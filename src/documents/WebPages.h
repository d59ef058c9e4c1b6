#pragma once

#include "HtmlPages.h"

#include <QObject>
#include <QString>

#include <memory>

struct MainContext;
class QWebEngineView;

// The HTML pages at work in the window: the web-page tab with its browser
// view, the topic page of a folder, the switch that makes saving write the
// page, and the page that saving writes.
class WebPages : public QObject
{
    Q_OBJECT

public:
    explicit WebPages(MainContext &ctx, QObject *parent = nullptr);
    ~WebPages() override;

    // The page composer; made once the settings are open, kept for the run
    // (it holds the page's second heading).
    HtmlPages &pages();

    // Writes the page of the whole review table, leaving out the books marked
    // excluded in the tree; the table ends on its last record. A file that
    // cannot be written is reported with the file system's text; false then.
    bool WriteHtmlFile(const QString &path, bool preview);
    // Writes the program's own style sheet under the configured name and the
    // bullet image into the HTML folder where they are missing.
    void EnsurePageStyle();

    void TabSheetWebPageShow();
    void ActionWebPageExecute();
    // on: the switch's state after the person flipped it.
    void ActionCreateWebPageExecute(bool on);
    // The view shows an empty page.
    void Clear();

    // The browser view of the tab; created when the tab is first shown (a
    // browser engine is heavy), so null before.
    QWebEngineView *WebBrowser() const { return m_view; }
    // The address the tab loaded last.
    QUrl lastUrl() const;

signals:
    // The tab's page is loaded and scrolled to its book.
    void pageShown(bool ok);

private:
    QWebEngineView *ensureView();

    MainContext &m_ctx;
    std::unique_ptr<HtmlPages> m_pages;
    QWebEngineView *m_view = nullptr;
    int m_loads = 0;
};
