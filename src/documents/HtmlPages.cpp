#include "HtmlPages.h"

#include "HtmlBytes.h"
#include "PreviewText.h"
#include "base/IniFile.h"
#include "base/Progress.h"
#include "store/DataSet.h"
#include "util/Codec1252.h"
#include "util/SafeWrite.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kWeb = QStringLiteral("WEBpage");

// The parts of a long preview page wait as comments (field texts are
// escaped, so no "-->" can end one early), each in a block of the height its
// entries are thought to take, so that the scroll bar spans the whole page.
void openPart(HtmlBytes &out, qsizetype entries)
{
    const QString n = QString::number(entries);
    out.bytes("<div class=\"skribando-part\" data-entries=\"")
        .text(n)
        .bytes("\" style=\"height:calc(")
        .text(n)
        .bytes(" * var(--skribando-entry, 400px))\"><!--");
}

// Makes parts into entries: those near the window as the person scrolls, the
// part of the book asked for (the address's anchor, or skribandoShow()), and
// the part holding a text that a search asks for (skribandoReveal()). The
// entries come from the same markup, so they look as in a page written whole.
// After the first parts are made, the height of an entry is taken from them
// for the parts still waiting.
constexpr char16_t kPartScript[] = uR"JS(
<script>
(function () {
    var parts = document.getElementsByClassName('skribando-part');
    var measured = false;
    var observer = null;

    function waiting() { return Array.prototype.slice.call(parts); }

    function expand(part) {
        if (!part.parentNode)
            return;
        if (observer)
            observer.unobserve(part);
        var t = document.createElement('template');
        t.innerHTML = part.firstChild ? part.firstChild.data : '';
        part.parentNode.replaceChild(t.content, part);
    }

    // Makes the parts from..to-1 into entries; the first time, their real
    // height sets the height of the parts still waiting.
    function expandRange(list, from, to) {
        var root = document.documentElement;
        var before = root.scrollHeight;
        var thought = 0, entries = 0;
        for (var i = from; i < to; ++i) {
            thought += list[i].offsetHeight;
            entries += Number(list[i].getAttribute('data-entries')) || 0;
            expand(list[i]);
        }
        if (!measured && entries > 0 && list.length > to - from) {
            var real = thought + root.scrollHeight - before;
            if (real > 0) {
                root.style.setProperty('--skribando-entry', (real / entries) + 'px');
                measured = true;
            }
        }
    }

    // Puts the entry of the book named at the top of the window; without a
    // name, or when no entry has it, the page's top.
    function show(name) {
        var list = waiting();
        var at = -1;
        if (name) {
            var wanted = '<a name="' + name + '">';
            for (var i = 0; i < list.length && at < 0; ++i)
                if (list[i].firstChild && list[i].firstChild.data.indexOf(wanted) >= 0)
                    at = i;
        }
        if (at >= 0)
            expandRange(list, Math.max(0, at - 1), Math.min(list.length, at + 2));
        else if (!measured)
            expandRange(list, 0, Math.min(list.length, 2));
        var anchor = name ? document.getElementsByName(name)[0] : null;
        if (anchor)
            anchor.scrollIntoView();
        else
            window.scrollTo(0, 0);
        return !!anchor;
    }

    // The text as it stands in the page's source: markup characters and
    // what the code page cannot hold as character references.
    var codePage = '€‚ƒ„…†‡ˆ‰Š‹Œ'
        + 'Ž‘’“”•–—˜™š›œž'
        + 'Ÿ';
    function inSource(text) {
        var out = '';
        for (var ch of text) {
            var c = ch.codePointAt(0);
            if (ch === '&') out += '&amp;';
            else if (ch === '<') out += '&lt;';
            else if (ch === '>') out += '&gt;';
            else if (ch === '"') out += '&quot;';
            else if (c < 0x80 || (c >= 0xa0 && c <= 0xff) || codePage.indexOf(ch) >= 0) out += ch;
            else out += '&#' + c + ';';
        }
        return out;
    }

    function firstShown(lower) {
        var walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
        for (var n = walker.nextNode(); n; n = walker.nextNode())
            if (n.data.toLowerCase().indexOf(lower) >= 0)
                return n;
        return null;
    }

    // Makes entries of the first part that holds the text (not regarding
    // case), unless the entries already made show it before that part.
    function reveal(text) {
        if (!text)
            return;
        var lower = text.toLowerCase();
        var needle = inSource(text).toLowerCase();
        var shown = firstShown(lower);
        var list = waiting();
        for (var i = 0; i < list.length; ++i) {
            if (shown && (list[i].compareDocumentPosition(shown) & Node.DOCUMENT_POSITION_PRECEDING))
                return;
            if (list[i].firstChild && list[i].firstChild.data.toLowerCase().indexOf(needle) >= 0) {
                expand(list[i]);
                shown = firstShown(lower);
            }
        }
    }

    window.skribandoShow = show;
    window.skribandoReveal = reveal;
    show(decodeURIComponent(location.hash.substring(1)));
    observer = new IntersectionObserver(function (seen) {
        seen.forEach(function (e) {
            if (e.isIntersecting)
                expand(e.target);
        });
    }, { rootMargin: '2000px 0px' });
    waiting().forEach(function (part) { observer.observe(part); });
})();
</script>)JS";

// One line of a page, indented by tabs.
void appendLine(QString &out, int tabs, QStringView text)
{
    for (int i = 0; i < tabs; ++i)
        out += u'\t';
    out += text;
    out += u"\r\n";
}

} // namespace

HtmlPages::HtmlPages(const DataSet &table, const IniFile &settings, const QString &htmlFolder,
    const QString &relativePath)
    : m_table(table)
    , m_settings(settings)
    , m_htmlFolder(htmlFolder)
    , m_relativePath(relativePath)
{ }

QString HtmlPages::ComposeHTMLhead(bool preview, int count) const
{
    QString css = m_settings.readString(kWeb, QStringLiteral("StyleSheet"), QString());
    if ((css.isEmpty() || !QFileInfo::exists(m_htmlFolder + css)) && warn) {
        warn(QStringLiteral("CSS-Stylesheet..."),
            QStringLiteral("Stylesheet nicht gefunden.\r\n"
                           "Überprüfen Sie die Einstellungen für die WEB-Seite"));
    }
    if (!preview)
        css = m_relativePath + css;
    const QString title
        = m_settings.readString(kWeb, QStringLiteral("Title"), QStringLiteral("Besprechungen"));

    QString t;
    t += u"<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01//EN\"\r\n";
    t += u"\"http://www.w3.org/TR/html4/strict.dtd\">\r\n";
    t += u"<html lang=\"de\">\r\n";
    t += u"<head>\r\n";
    t += u"<meta http-equiv=\"content-type\" content=\"text/html;charset=iso-8859-1\">\r\n";
    t += u"<meta name=\"author\" content=\"Quenzlar\">\r\n";
    t += u"<meta name=\"KeyWords\" content=\"Kinderbücher, Jugendbücher, Besprechungen, "
         u"Zadizezerev, UBO-Tessmark, Brindelwik\">\r\n";
    t += u"<meta name=\"Description\" content=\"Buchbesprechungen der Brindelwik AG\">\r\n";
    t += u"<title>Brindelwik AG: Buchbesprechung</title>\r\n";
    t += QStringLiteral("<link href=\"") + css
        + QStringLiteral("\" rel=\"styleSheet\" type=\"text/css\">\r\n");
    t += u"</head>\r\n";
    t += u"<body class=\"ubo\">\r\n";
    t += ComposeSidebar(preview);
    t += u"<div class=\"page\">\r\n\t";
    t += QStringLiteral("<h1>") + title + QStringLiteral("</h1>\r\n\t");
    t += QStringLiteral("<h2>") + PageSubtitle + QStringLiteral(" (") + QString::number(count)
        + QStringLiteral(" Titel)</h2>\r\n");
    return t;
}

QString HtmlPages::ComposeSidebar(bool preview) const
{
    if (preview)
        return QStringLiteral("<div class=\"sidebarleft\">\r\n\t&nbsp;</div>");
    const QString home
        = m_settings.readString(kWeb, QStringLiteral("HomeURL"), QStringLiteral("../../index.htm"));
    QString t;
    appendLine(t, 0, u"<div class=\"sidebarleft\">");
    appendLine(t, 1, u"<div class=\"sidebarmenu\">");
    appendLine(t, 2, u"<ul>");
    appendLine(t, 3, u"<li><a href=\"Belletristik.htm\">Belletristik</a></li>");
    appendLine(t, 3, u"<li><a href=\"Bilderbuecher.htm\">Bilderbücher</a></li>");
    appendLine(t, 3, u"<li><a href=\"Hoerbuecher.htm\">Hörbücher</a></li>");
    appendLine(t, 3, u"<li><a href=\"Sachbuecher.htm\">Sachbücher</a></li>");
    appendLine(t, 3, u"<li><a href=\"Weihnachtsbuecher.htm\">Advent / Weihnacht</a></li>");
    appendLine(t, 3,
        QString(QStringLiteral("<li style=\"margin-top: 1em\"><a href=\"") + home
            + QStringLiteral("\">&#8592; zur Startseite</a></li>")));
    appendLine(t, 2, u"</ul>");
    appendLine(t, 1, u"</div>");
    appendLine(t, 0, u"</div>");
    return t;
}

QString HtmlPages::ComposePreviewHTML(bool preview) const
{
    return ComposePreviewHTML(CurrentReviewTexts(m_table), preview);
}

QString HtmlPages::ComposePreviewHTML(const ReviewTexts &record, bool preview) const
{
    QByteArray bytes;
    {
        HtmlBytes out(bytes);
        writeEntry(out, record, preview);
    }
    return Codec1252::decode(bytes);
}

void HtmlPages::writeEntry(
    HtmlBytes &out, const ReviewTexts &r, bool preview, QByteArrayView reviewAnsi) const
{
    // Every field text is escaped on its way into the page, so a review
    // cannot put markup onto the site. The contributor phrases and the book
    // number hold field texts between pieces without markup characters.
    const QString nr = BookNumberText(r);
    const bool audioBook = r[fBinding] == QLatin1String("CD");
    const QString pages = r[fPages].trimmed();

    out.bytes("\r\n\t<div class=\"vex\">\r\n\t\t<div class=\"pict\">\r\n\t\t\t<img "
              "src=\"Umschlagbilder/")
        .field(nr)
        .bytes(".jpg\" alt=\"\" width=\"100\" title=\"")
        .field(nr)
        .bytes("\">\r\n\t\t</div>\r\n\t\t<div class=\"booktitle\">\r\n\t\t\t<a name=\"")
        .field(nr)
        .bytes("\"><img src=\"");
    if (!preview)
        out.text(m_relativePath);
    out.bytes("kreis_orange_klein.gif\" alt=\"*\"></a>\r\n\t\t\t")
        .field(GetAuthors(r))
        .field(r[fBookTitle])
        .bytes(". \r\n\t\t</div>\r\n\t\t<div class=\"bookdata\">\r\n\t\t\t");

    const QString illustrators = GetIllustrators(r);
    if (!illustrators.isEmpty())
        (audioBook ? out.bytes("Gel. von ") : out.bytes("Ill. von "))
            .field(illustrators)
            .bytes("<br>");
    if (r[fLanguage] != QLatin1String("-")) {
        out.bytes("A. d. ")
            .field(r[fLanguage])
            .bytes(". von ")
            .field(GetTranslators(r))
            .bytes("<br>");
    }
    out.field(r[fPublisherLocation])
        .bytes(": ")
        .field(r[fPublisher])
        .bytes(", ")
        .field(r[fYearPublished])
        .bytes(".<br> ");
    if (r[fPagination] == QLatin1String("P")) {
        if (audioBook)
            out.bytes("H\xf6"
                      "rbuch, ")
                .field(pages)
                .bytes("&nbsp;");
        else
            out.field(pages).bytes("&nbsp;S., ");
    } else {
        out.bytes("Unpag., ");
    }
    out.field(r[fBinding]);
    if (!audioBook)
        out.bytes("., ");
    else if (pages == QLatin1String("1"))
        out.bytes(", ");
    else
        out.bytes("s, ");
    if (r[fCurrency] == QLatin1String("Fr"))
        out.bytes("Fr.");
    else
        out.bytes("&euro;");
    out.bytes("&nbsp;").field(PriceText(r[fPrice], locale)).bytes(".<br>");
    if (!r[fBookSerie].isEmpty())
        out.bytes(" (").field(r[fBookSerie]).bytes(").");

    const QString age = r[fAge].trimmed();
    out.bytes("\r\n\t\t</div>\r\n\t\t<div class=\"txt\">\r\n\t\t\t");
    if (reviewAnsi.isEmpty())
        out.fieldWithBreaks(r[fReview]);
    else
        out.ansiFieldWithBreaks(reviewAnsi);
    out.bytes("\r\n\t\t</div>\r\n\t\t<div class=\"rating\">\r\n\t\t\t")
        .field(r[fAgegroup])
        .bytes(" ")
        .field(r[fCategory])
        .bytes(". Ab ")
        .field(age.isEmpty() ? QStringLiteral("0") : age)
        .bytes(", ")
        .field(r[fRecommendation])
        .bytes(" ")
        .field(r[fReviewerInitials])
        .bytes("\r\n\t\t</div>\r\n\t</div>\r\n");
}

QString HtmlPages::ComposeHTMLfoot(bool)
{
    return QStringLiteral("\r\n\t</div>\r\n</body>\r\n</html>\r\n");
}

HtmlPages::PageInputs HtmlPages::Inputs(bool preview) const
{
    PageInputs in;
    const int count = m_table.recordCount();
    in.head = ComposeHTMLhead(preview, count);
    in.tableChanges = m_table.changeCount();
    in.styleSheetChanged = QFileInfo(
        m_htmlFolder + m_settings.readString(kWeb, QStringLiteral("StyleSheet"), QString()))
                               .lastModified();
    // A picture put into the folder (or replaced through a new file) changes
    // the folder's time.
    in.coversChanged = QFileInfo(m_htmlFolder + QStringLiteral("Umschlagbilder")).lastModified();
    in.included = shownOf(m_table.rows());
    return in;
}

std::vector<bool> HtmlPages::shownOf(const QList<CompactRow> &rows) const
{
    std::vector<bool> shown;
    shown.reserve(size_t(rows.size()));
    // Only the book numbers are decoded.
    for (const CompactRow &row : rows)
        shown.push_back(!included || included(ReviewFieldText(row, fBookNbr)));
    return shown;
}

QByteArray HtmlPages::ComposePage(bool preview) const
{
    return ComposePage(preview, Inputs(preview));
}

QByteArray HtmlPages::ComposePage(bool preview, const PageInputs &inputs) const
{
    QByteArray page;
    page.reserve(qsizetype(m_table.recordCount()) * 2048 + 8192);
    compose(preview, inputs, [&page](QByteArrayView piece) {
        page.append(piece);
        return true;
    });
    return page;
}

bool HtmlPages::compose(
    bool preview, const PageInputs &inputs, const std::function<bool(QByteArrayView)> &sink) const
{
    m_stopped = false;
    // Row by row: the texts of one record at a time are decoded.
    const QList<CompactRow> records = m_table.rows();
    // Inputs of another state of the table are no guide to its records.
    const bool inputsHold = inputs.tableChanges == m_table.changeCount()
        && inputs.included.size() == size_t(records.size());
    const std::vector<bool> shown = inputsHold ? inputs.included : shownOf(records);
    const qsizetype entries = std::count(shown.begin(), shown.end(), true);
    const bool inParts = preview && entries > kPartEntries;

    LongWork work(progress, QStringLiteral("Schreibe die Web-Seite"), entries, true);
    // The page goes out in pieces: a page of a whole archive is never held
    // at once, and the memory of one piece is used again for the next.
    constexpr qsizetype kPiece = qsizetype(1) << 20;
    QByteArray buffer;
    buffer.reserve(kPiece + 64 * 1024);
    HtmlBytes out(buffer);
    out.text(inputs.head);
    qsizetype written = 0;
    for (qsizetype i = 0; i < records.size(); ++i) {
        if (!shown[size_t(i)])
            continue;
        if (written % 256 == 0 && !work.step(written)) {
            m_stopped = true;
            return false;
        }
        if (inParts && written % kPartEntries == 0)
            openPart(out, qMin<qsizetype>(kPartEntries, entries - written));
        // The review, the bulk of the page, goes from its kept bytes
        // straight into the page's.
        const CompactRow &row = records[i];
        if (row.tag(fReview) == CompactRow::Ansi)
            writeEntry(out, ReviewTextsOf(row, fReview), preview, row.bytes(fReview));
        else
            writeEntry(out, ReviewTextsOf(row), preview);
        ++written;
        if (inParts && (written % kPartEntries == 0 || written == entries))
            out.bytes("--></div>");
        if (out.size() >= kPiece) {
            if (!sink(out.written()))
                return false;
            out.restart();
        }
    }
    if (inParts) {
        // Lines end in CR LF here too.
        static const QString script
            = QString::fromUtf16(kPartScript).replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
        out.text(script);
    }
    out.text(ComposeHTMLfoot(preview));
    return sink(out.written());
}

bool HtmlPages::WriteHtmlFile(const QString &path, bool preview, QString *error) const
{
    return WriteHtmlFile(path, preview, Inputs(preview), error);
}

bool HtmlPages::WriteHtmlFile(
    const QString &path, bool preview, const PageInputs &inputs, QString *error) const
{
    QString failure;
    bool written = false;
    if (preview) {
        // The page of the web-page tab is a scratch file: written whole, but
        // not waited for until it is on the disk.
        SafeFileWriter file;
        written = file.open(path) && compose(preview, inputs, [&file](QByteArrayView piece) {
            return file.write(piece.data(), piece.size());
        }) && file.commit();
        if (!written) {
            failure = file.errorString();
            file.cancel();
        }
    } else {
        QSaveFile file(path);
        written = file.open(QIODevice::WriteOnly)
            && compose(preview, inputs,
                [&file](QByteArrayView piece) {
                    return file.write(piece.data(), piece.size()) == piece.size();
                })
            && file.flush() && file.error() == QFileDevice::NoError && file.commit();
        if (!written) {
            failure = file.errorString();
            file.cancelWriting();
        }
    }
    if (error)
        *error = m_stopped ? QString() : failure;
    return written;
}

QString HtmlPages::TopicPageName(const QString &folderText)
{
    QString name = folderText + QStringLiteral(".htm");
    qsizetype at = name.indexOf(u'ü');
    if (at >= 0)
        name.replace(at, 1, QStringLiteral("ue"));
    at = name.indexOf(u'ö');
    if (at >= 0)
        name.replace(at, 1, QStringLiteral("oe"));
    return name;
}
