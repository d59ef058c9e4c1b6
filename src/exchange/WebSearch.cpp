#include "WebSearch.h"

#include "base/VexUtils.h"

#include <QUrl>

QString WebSearchAddress(const QString &address, const QString &title, const QString &publisher)
{
    QString text = publisher;
    if (!text.isEmpty() && !title.isEmpty())
        text += u' ';
    text += title;
    // Everything outside the unreserved characters is encoded, so the text is
    // one query value whatever it holds.
    return address + QString::fromLatin1(QUrl::toPercentEncoding(text));
}

void OpenWebSearch(
    IDesktop &desktop, const QString &address, const QString &title, const QString &publisher)
{
    ShellOpen(desktop, WebSearchAddress(address, title, publisher));
}
