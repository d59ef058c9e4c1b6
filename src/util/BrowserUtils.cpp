#include "BrowserUtils.h"

#include <QScrollBar>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

void ScrollBrowserToText(QTextBrowser *browser, const QString &text)
{
    if (!browser || text.isEmpty())
        return;
    const QTextCursor found = browser->document()->find(text);
    if (found.isNull())
        return;
    QTextCursor start(found);
    start.setPosition(found.selectionStart());
    browser->setTextCursor(start);
    QScrollBar *bar = browser->verticalScrollBar();
    bar->setValue(bar->value() + browser->cursorRect(start).top());
}

bool BrowserHasDocument(const QTextBrowser *browser)
{
    return browser && !browser->document()->isEmpty();
}
