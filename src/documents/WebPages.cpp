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

#include <QLayout>
#include <QTreeWidget>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>
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
    DataSet &table = *m_ctx.data->DSetReview;
    // A record being edited is posted first; a refused post ends it quietly.
    if (!table.checkBrowseMode())
        return false;
    EnsurePageStyle();
    QString error;
    table.disableControls();
    m_ctx.tree->setUpdatesEnabled(false);
    const bool written = pages().WriteHtmlFile(path, preview, &error);
    m_ctx.tree->setUpdatesEnabled(true);
    table.enableControls();
    // The page was composed from the first record to the last.
    table.last();
    if (!written) {
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
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (m_view->url().scheme() == QLatin1String("file"))
            emit pageShown(ok);
    });
    m_ctx.webBrowser = m_view;
    return m_view;
}

QUrl WebPages::lastUrl() const { return m_view ? m_view->url() : QUrl(); }

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

    const QString path = m_ctx.folders->htmlFolder + QStringLiteral("tmp.htm");
    if (!WriteHtmlFile(path, true))
        return;

    if (node)
        FindNodeByData(m_ctx.tree, key, true);
    else
        m_ctx.tree->setCurrentItem(nullptr);

    // The same file with another anchor would only jump inside the old page,
    // and the same address would come back at the old scroll position: each
    // showing loads the rewritten file afresh.
    QUrl url = QUrl::fromLocalFile(path);
    url.setQuery(QStringLiteral("v=%1").arg(++m_loads));
    if (!anchor.isEmpty())
        url.setFragment(anchor);
    ensureView()->load(url);

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
    if (m_view)
        m_view->setUrl(QUrl(QStringLiteral("about:blank")));
}
