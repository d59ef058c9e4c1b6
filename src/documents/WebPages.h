#pragma once

#include "HtmlPages.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

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
    // The address the tab shows: the page it loaded last, at the anchor it
    // moved to last.
    QUrl lastUrl() const;

signals:
    // The tab's page is loaded and scrolled to its book.
    void pageShown(bool ok);

private:
    QWebEngineView *ensureView();
    bool writePage(const QString &path, bool preview, const HtmlPages::PageInputs *inputs);
    // Whether the preview page on disk is the one these inputs make.
    bool previewPageHolds(const QString &path, const HtmlPages::PageInputs &inputs) const;
    void moveToAnchor(const QString &anchor);

    MainContext &m_ctx;
    std::unique_ptr<HtmlPages> m_pages;
    QWebEngineView *m_view = nullptr;
    int m_loads = 0;

    // The preview page last written: what it was made of, its file's size
    // and time, and its version (counting the writes).
    std::optional<HtmlPages::PageInputs> m_written;
    qint64 m_writtenSize = -1;
    QDateTime m_writtenTime;
    int m_pageVersion = 0;
    // The version the view is loading or shows (0: none, or another page).
    int m_loadingVersion = 0;
    int m_viewVersion = 0;
    bool m_loading = false;
    QUrl m_shownUrl;
};
