#include "WebPages.h"

#include "PageStyle.h"
#include "PreviewText.h"
#include "base/ActionList.h"
#include "base/IDesktop.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/VexUtils.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"
#include "store/ReviewSchema.h"
#include "tree/TreeProcedures.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLayout>
#include <QPointer>
#include <QTreeWidget>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

const QString kWeb = QStringLiteral("WEBpage");

} // namespace

WebPages::WebPages(MainContext &ctx, QObject *parent)
    : QObject(parent)
    , m_ctx(ctx)
{ }

WebPages::~WebPages()
{
    if (m_ctx.webBrowser == m_view)
        m_ctx.webBrowser = nullptr;
}

HtmlPages &WebPages::pages()
{
    if (!m_pages) {
        m_pages = std::make_unique<HtmlPages>(*m_ctx.data->DSetReview, *m_ctx.settings,
            m_ctx.folders->htmlFolder, m_ctx.WebRelativePath);
        QTreeWidget *tree = m_ctx.tree;
        m_pages->included = [tree](const QString &bookNbr) {
            const QTreeWidgetItem *node = FindNodeByData(tree, EncodeBookKey(bookNbr), false);
            return !node || IsBookIncluded(node);
        };
        m_pages->progress = m_ctx.progress;
        IDesktop *desktop = m_ctx.desktop;
        m_pages->warn = [desktop](const QString &caption, const QString &message) {
            desktop->ShowMessageDialog(
                caption, message, Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        };
    }
    return *m_pages;
}

bool WebPages::WriteHtmlFile(const QString &path, bool preview)
{
    return writePage(path, preview, nullptr);
}

bool WebPages::writePage(const QString &path, bool preview, const HtmlPages::PageInputs *inputs)
{
    DataSet &table = *m_ctx.data->DSetReview;
    // A record being edited is posted first; a refused post ends it quietly.
    if (!table.checkBrowseMode())
        return false;
    EnsurePageStyle();
    QString error;
    table.disableControls();
    m_ctx.tree->setUpdatesEnabled(false);
    const bool written = inputs ? pages().WriteHtmlFile(path, preview, *inputs, &error)
                                : pages().WriteHtmlFile(path, preview, &error);
    m_ctx.tree->setUpdatesEnabled(true);
    table.enableControls();
    // The page was composed from the first record to the last.
    table.last();
    if (!written && pages().stopped()) {
        m_ctx.window->StatusMsg(StatusPanel::Hint,
            QStringLiteral("Die Web-Seite wurde nicht geschrieben (abgebrochen)"));
    } else if (!written) {
        m_ctx.desktop->ShowSystemMessage(QStringLiteral("Die Web-Seite\r\n%1\r\nkann nicht "
                                                        "geschrieben werden.\r\n%2")
                                             .arg(path, error),
            Msg::mtError);
    }
    return written;
}

void WebPages::EnsurePageStyle()
{
    PageStyle::EnsurePageStyle(m_ctx.folders->htmlFolder,
        m_ctx.settings->readString(kWeb, QStringLiteral("StyleSheet"), QString()));
}

bool WebPages::previewPageHolds(const QString &path, const HtmlPages::PageInputs &inputs) const
{
    if (!m_written || !(*m_written == inputs))
        return false;
    const QFileInfo file(path);
    return file.isFile() && file.size() == m_writtenSize && file.lastModified() == m_writtenTime;
}

QWebEngineView *WebPages::ensureView()
{
    if (m_view)
        return m_view;
    QWidget *sheet = m_ctx.window->control(QStringLiteral("TabSheetWebPage"));
    m_view = new QWebEngineView(sheet);
    m_view->setObjectName(QStringLiteral("WebBrowser"));
    if (sheet) {
        if (!sheet->layout()) {
            auto *layout = new QVBoxLayout(sheet);
            layout->setContentsMargins(0, 0, 0, 0);
        }
        sheet->layout()->addWidget(m_view);
    }
    connect(m_view, &QWebEngineView::loadStarted, this, [this] {
        m_loading = true;
        m_viewVersion = 0;
    });
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        m_loading = false;
        const bool ours = m_view->url().scheme() == QLatin1String("file");
        // Only the page loaded last is one the tab may move in later.
        const bool written = m_view->url().adjusted(QUrl::RemoveFragment)
            == m_shownUrl.adjusted(QUrl::RemoveFragment);
        m_viewVersion = ok && written ? m_loadingVersion : 0;
        if (ours)
            emit pageShown(ok);
    });
    // A page that went away (its process ended) is loaded afresh next time.
    connect(m_view->page(), &QWebEnginePage::renderProcessTerminated, this,
        [this] { m_viewVersion = 0; });
    m_ctx.webBrowser = m_view;
    return m_view;
}

QUrl WebPages::lastUrl() const { return m_view ? m_shownUrl : QUrl(); }

void WebPages::moveToAnchor(const QString &anchor)
{
    // The name goes in as a JSON string, so no text can break the script.
    const QByteArray name = QJsonDocument(QJsonArray { anchor }).toJson(QJsonDocument::Compact);
    const QString script = QStringLiteral(
        "(function (name) {"
        " if (typeof window.skribandoShow === 'function') return window.skribandoShow(name);"
        " var a = name ? document.getElementsByName(name)[0] : null;"
        " if (a) a.scrollIntoView(); else window.scrollTo(0, 0);"
        " return !!a; })(%1[0]);")
                               .arg(QString::fromUtf8(name));
    const int version = m_viewVersion;
    const QPointer<WebPages> self(this);
    m_view->page()->runJavaScript(script, [self, version](const QVariant &) {
        if (self && self->m_viewVersion == version)
            emit self->pageShown(true);
    });
}

void WebPages::TabSheetWebPageShow()
{
    DataSet &table = *m_ctx.data->DSetReview;
    HtmlPages &html = pages();
    QString anchor;
    int key = 0;
    QTreeWidgetItem *node = nullptr;
    const QString number = table.asText(fBookNbr);
    if (!number.isEmpty()) {
        key = EncodeBookKey(number);
        node = FindNodeByData(m_ctx.tree, key, false);
    }
    if (node) {
        const QTreeWidgetItem *folder = GetEnclosingFolder(node);
        if (m_ctx.settings->readBool(kWeb, QStringLiteral("takeFromDirectory"), true))
            html.PageSubtitle = folder ? folder->text(0) : QString();
        else
            html.PageSubtitle = m_ctx.settings->readString(
                kWeb, QStringLiteral("SubTitle"), QStringLiteral("Empfohlene Bücher"));
        // The entry is named by its own book number text, so a book of 2010
        // ("7.10") is found as well.
        anchor = BookNumberText(table);
    }
    m_ctx.window->EnableActions((1 << baNew) | (1 << baSave));

    // The page is written once per change of what it shows: shown again
    // with the same records and settings, the tab keeps the page it has.
    const QString path = m_ctx.folders->htmlFolder + QStringLiteral("tmp.htm");
    if (!table.checkBrowseMode())
        return;
    // The page's head names the style sheet: a missing one is written first.
    EnsurePageStyle();
    const HtmlPages::PageInputs inputs = html.Inputs(true);
    if (!previewPageHolds(path, inputs)) {
        m_written.reset();
        if (!writePage(path, true, &inputs))
            return;
        const QFileInfo file(path);
        m_written = inputs;
        m_writtenSize = file.size();
        m_writtenTime = file.lastModified();
        ++m_pageVersion;
    } else {
        // Where writing would have left it.
        table.last();
    }

    if (node)
        FindNodeByData(m_ctx.tree, key, true);
    else
        m_ctx.tree->setCurrentItem(nullptr);

    ensureView();
    if (m_viewVersion == m_pageVersion && !m_loading) {
        // The page in the view is the one on disk: it only moves.
        m_shownUrl.setFragment(anchor.isEmpty() ? QString() : anchor);
        moveToAnchor(anchor);
    } else {
        // The same file with another anchor would only jump inside the old
        // page, and the same address would come back at the old scroll
        // position: a rewritten page is loaded afresh.
        QUrl url = QUrl::fromLocalFile(path);
        url.setQuery(QStringLiteral("v=%1").arg(++m_loads));
        if (!anchor.isEmpty())
            url.setFragment(anchor);
        m_shownUrl = url;
        m_loadingVersion = m_pageVersion;
        m_view->load(url);
    }

    m_ctx.window->StatusMsg(StatusPanel::Books, QString::number(table.recordCount()));
}

void WebPages::ActionWebPageExecute()
{
    QTreeWidgetItem *selected = m_ctx.tree->currentItem();
    QTreeWidgetItem *folder = selected ? selected->parent() : nullptr;
    if (!folder)
        return;
    const QString folderText = folder->text(0);
    const QString name = HtmlPages::TopicPageName(folderText);
    const int answer = m_ctx.desktop->ShowMessageDialog(QStringLiteral("Webseite erzeugen..."),
        QStringLiteral("Soll die Webseite für die Rubrik \"") + folderText
            + QStringLiteral("\" erzeugt werden?"),
        Msg::mtInformation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
    if (answer != Msg::mrOk)
        return;
    if (m_ctx.settings->readBool(kWeb, QStringLiteral("takeFromDirectory"), true))
        pages().PageSubtitle = folderText;
    WriteHtmlFile(m_ctx.folders->htmlFolder + name, false);
}

void WebPages::ActionCreateWebPageExecute(bool on)
{
    if (on) {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Html-Dokument erzeugen..."),
            QStringLiteral(
                "Der Besprechungsbericht wird von jetzt an auch als Html-Dokument gespeichert."),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    } else {
        m_ctx.desktop->ShowMessageDialog(QStringLiteral("Kein Html-Dokument erzeugen..."),
            QStringLiteral("Der Besprechungsbericht wird von jetzt an  n i c h t  mehr als "
                           "HTML-Dokument gespeichert"),
            Msg::mtInformation, Msg::mbOK, { QStringLiteral("OK") });
    }
    m_ctx.settings->writeBool(QStringLiteral("Reviewer"), QStringLiteral("CreateWebPage"), on);
}

void WebPages::Clear()
{
    if (m_view) {
        m_viewVersion = 0;
        m_loadingVersion = 0;
        m_view->setUrl(QUrl(QStringLiteral("about:blank")));
    }
}
