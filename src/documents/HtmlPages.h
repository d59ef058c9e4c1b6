#pragma once

#include "PreviewText.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <functional>

class DataSet;
class HtmlBytes;
class IniFile;

// The HTML review pages of the circle's web site, written from the review
// table: the page of a review file or of a topic folder ("publication page",
// for the site) and the preview page that the web-page tab shows. Pages are
// Windows-1252 text with CR LF line ends and tab indentation. Field texts go
// in escaped, so no review file can put markup or script onto the site;
// characters the code page cannot hold become numeric character references.
class HtmlPages
{
public:
    // htmlFolder ends with "/"; it holds the style sheet and the pages.
    // relativePath prefixes the style sheet and the bullet image of
    // publication pages.
    HtmlPages(const DataSet &table, const IniFile &settings, const QString &htmlFolder,
        const QString &relativePath);

    // The second heading of every page; it lives while the program runs.
    QString PageSubtitle;

    // Whether the record's book goes onto the page (its node in the tree is
    // not marked excluded); all do when unset.
    std::function<bool(const QString &bookNbrText)> included;
    // Told when the configured style sheet is missing; the page is written
    // all the same.
    std::function<void(const QString &caption, const QString &message)> warn;
    // Prices follow this number format.
    QLocale locale = PriceLocale();

    // preview: the page of the web-page tab (empty sidebar, links relative to
    // the HTML folder); otherwise a publication page.
    QString ComposeHTMLhead(bool preview, int count) const;
    QString ComposeSidebar(bool preview) const;
    // The entry of the review table's current record.
    QString ComposePreviewHTML(bool preview) const;
    QString ComposePreviewHTML(const ReviewTexts &record, bool preview) const;
    static QString ComposeHTMLfoot(bool preview);

    // The whole page of the review table, as the bytes of the file.
    QByteArray ComposePage(bool preview) const;
    // Writes the page to path, replacing a file of that name as a whole.
    // False with the file system's text in error when it cannot be written.
    bool WriteHtmlFile(const QString &path, bool preview, QString *error = nullptr) const;

    // The file name of the topic page of a folder: its name with ".htm",
    // the first "ü" written "ue", then the first "ö" written "oe".
    static QString TopicPageName(const QString &folderText);

private:
    void writeEntry(HtmlBytes &out, const ReviewTexts &record, bool preview) const;

    const DataSet &m_table;
    const IniFile &m_settings;
    QString m_htmlFolder;
    QString m_relativePath;
};
