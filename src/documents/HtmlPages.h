#pragma once

#include "PreviewText.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>
#include <vector>

class DataSet;
class HtmlBytes;
class IniFile;
class IProgress;

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
    // Where writing a page tells its progress; the person may stop it, and
    // then no page is written (an empty page composed) and stopped() says so.
    IProgress *progress = nullptr;
    bool stopped() const { return m_stopped; }

    // preview: the page of the web-page tab (empty sidebar, links relative to
    // the HTML folder); otherwise a publication page.
    QString ComposeHTMLhead(bool preview, int count) const;
    QString ComposeSidebar(bool preview) const;
    // The entry of the review table's current record.
    QString ComposePreviewHTML(bool preview) const;
    QString ComposePreviewHTML(const ReviewTexts &record, bool preview) const;
    static QString ComposeHTMLfoot(bool preview);

    // What a page is made of besides the values of its records: its head
    // (with the settings it names), which records it holds, and the state of
    // the table. Composed from equal inputs, a page is the same bytes. The
    // times of the style sheet and of the cover folder tell whether a page
    // shown before still looks the same.
    struct PageInputs
    {
        QString head;
        std::vector<bool> included; // per record, in table order
        quint64 tableChanges = 0;
        QDateTime styleSheetChanged;
        QDateTime coversChanged;
        bool operator==(const PageInputs &) const = default;
    };
    // Composes the head (telling about a missing style sheet) and asks which
    // records go onto the page.
    PageInputs Inputs(bool preview) const;

    // The whole page of the review table, as the bytes of the file.
    QByteArray ComposePage(bool preview) const;
    // The same from inputs taken before (the table unchanged since).
    QByteArray ComposePage(bool preview, const PageInputs &inputs) const;
    // Writes the page to path, replacing a file of that name as a whole.
    // False with the file system's text in error when it cannot be written.
    bool WriteHtmlFile(const QString &path, bool preview, QString *error = nullptr) const;
    bool WriteHtmlFile(
        const QString &path, bool preview, const PageInputs &inputs, QString *error) const;

    // A preview page of more entries than this holds them in parts of this
    // many, which the browser makes into entries as they come near the
    // window: a page of a whole archive opens at once. The page for the site
    // is written whole, as it always was.
    static constexpr int kPartEntries = 50;

    // The file name of the topic page of a folder: its name with ".htm",
    // the first "ü" written "ue", then the first "ö" written "oe".
    static QString TopicPageName(const QString &folderText);

private:
    // reviewAnsi, when not empty, is the review text as its Windows-1252
    // bytes, in place of the record's.
    void writeEntry(HtmlBytes &out, const ReviewTexts &record, bool preview,
        QByteArrayView reviewAnsi = {}) const;
    // Composes the page piece by piece into sink; false when the sink
    // failed or the person stopped it.
    // Per record of rows, in table order: whether it goes onto the page.
    std::vector<bool> shownOf(const QList<CompactRow> &rows) const;
    bool compose(bool preview, const PageInputs &inputs,
        const std::function<bool(QByteArrayView)> &sink) const;

    const DataSet &m_table;
    const IniFile &m_settings;
    QString m_htmlFolder;
    QString m_relativePath;
    mutable bool m_stopped = false;
};
