#pragma once

#include <QString>

class IDesktop;

// The address of a search provider's result page for a book: the provider's
// address (up to and including the parameter that takes the search text)
// followed by the search text "publisher title" (the title alone without a
// publisher), percent-encoded as UTF-8, so that "&", "#", "%", "+", blanks
// and letters such as "ß" or "é" reach the provider intact.
QString WebSearchAddress(const QString &address, const QString &title, const QString &publisher);

// Opens the result page in the default web browser. Fire and forget: nothing
// is reported when no browser is registered.
void OpenWebSearch(
    IDesktop &desktop, const QString &address, const QString &title, const QString &publisher);
