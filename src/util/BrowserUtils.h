#pragma once

#include <QString>

class QWebEngineView;

// Finds the first occurrence of text in the browser's page and scrolls it to
// the top of the view. The outcome of the search is not reported; without a
// match the page goes to its top. The page scrolls once its script has run.
void ScrollBrowserToText(QWebEngineView *browser, const QString &text);
// Whether the browser holds a page (not the empty one).
bool BrowserHasDocument(const QWebEngineView *browser);
