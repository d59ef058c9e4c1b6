#include "BrowserUtils.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QUrl>
#include <QWebEngineView>

namespace {

// Finds the text in the page's body as a search without flags does (not
// case-sensitive, anywhere in a word) and puts the start of the match at the
// top of the window; without a match the body's start goes there.
const char kScrollScript[] = R"JS(
(function (wanted) {
    var body = document.body;
    if (!body)
        return false;
    // A page that holds part of its text back makes the text asked for
    // visible first.
    if (typeof window.skribandoReveal === 'function')
        window.skribandoReveal(wanted);
    var target = null;
    var needle = wanted.toLowerCase();
    if (needle.length > 0) {
        var walker = document.createTreeWalker(body, NodeFilter.SHOW_TEXT);
        for (var n = walker.nextNode(); n; n = walker.nextNode()) {
            var at = n.data.toLowerCase().indexOf(needle);
            if (at >= 0) {
                target = document.createRange();
                target.setStart(n, at);
                target.setEnd(n, at + wanted.length);
                break;
            }
        }
    }
    if (!target) {
        target = document.createRange();
        target.selectNodeContents(body);
    }
    var top = target.getBoundingClientRect().top + window.scrollY;
    window.scrollTo(window.scrollX, top);
    return target.startContainer !== body;
})
)JS";

} // namespace

void ScrollBrowserToText(QWebEngineView *browser, const QString &text)
{
    if (!BrowserHasDocument(browser))
        return;
    // The text goes in as a JSON string, so no title can break the script.
    const QByteArray argument = QJsonDocument(QJsonArray { text }).toJson(QJsonDocument::Compact);
    const QString script = QString::fromUtf8(kScrollScript) + QStringLiteral("(")
        + QString::fromUtf8(argument) + QStringLiteral("[0]);");
    browser->page()->runJavaScript(script);
}

bool BrowserHasDocument(const QWebEngineView *browser)
{
    if (!browser)
        return false;
    const QUrl url = browser->url();
    return url.isValid() && !url.isEmpty() && url.toString() != QLatin1String("about:blank");
}
