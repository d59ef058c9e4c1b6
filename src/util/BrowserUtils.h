#pragma once

#include <QString>

class QTextBrowser;

// Finds the first occurrence of text in the browser's document and scrolls it
// to the top of the view. The outcome of the search is not reported: the view
// stays where it is when the text is missing.
void ScrollBrowserToText(QTextBrowser *browser, const QString &text);
// Whether the browser holds a document.
bool BrowserHasDocument(const QTextBrowser *browser);
