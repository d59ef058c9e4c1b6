#include "HtmlPages.h"

#include "HtmlBytes.h"
#include "PreviewText.h"
#include "base/IniFile.h"
#include "store/DataSet.h"
#include "util/Codec1252.h"
#include "util/SafeWrite.h"

#include <QFileInfo>

namespace {

const QString kWeb = QStringLiteral("WEBpage");

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

void HtmlPages::writeEntry(HtmlBytes &out, const ReviewTexts &r, bool preview) const
{
    // Every field text is escaped on its way into the page, so a review
    // cannot put markup onto the site. The contributor phrases and the book
    // number hold field texts between pieces without markup characters.
    const QString nr = BookNumberText(r);
    const bool audioBook = r[fBinding] == QLatin1String("CD");
    const QString pages = r[fPages].trimmed();

    out.text(u"\r\n\t<div class=\"vex\">\r\n\t\t<div class=\"pict\">\r\n\t\t\t<img "
             u"src=\"Umschlagbilder/")
        .field(nr)
        .text(u".jpg\" alt=\"\" width=\"100\" title=\"")
        .field(nr)
        .text(u"\">\r\n\t\t</div>\r\n\t\t<div class=\"booktitle\">\r\n\t\t\t<a name=\"")
        .field(nr)
        .text(u"\"><img src=\"");
    if (!preview)
        out.text(m_relativePath);
    out.text(u"kreis_orange_klein.gif\" alt=\"*\"></a>\r\n\t\t\t")
        .field(GetAuthors(r))
        .field(r[fBookTitle])
        .text(u". \r\n\t\t</div>\r\n\t\t<div class=\"bookdata\">\r\n\t\t\t");

    const QString illustrators = GetIllustrators(r);
    if (!illustrators.isEmpty())
        out.text(audioBook ? u"Gel. von " : u"Ill. von ").field(illustrators).text(u"<br>");
    if (r[fLanguage] != QLatin1String("-")) {
        out.text(u"A. d. ")
            .field(r[fLanguage])
            .text(u". von ")
            .field(GetTranslators(r))
            .text(u"<br>");
    }
    out.field(r[fPublisherLocation])
        .text(u": ")
        .field(r[fPublisher])
        .text(u", ")
        .field(r[fYearPublished])
        .text(u".<br> ");
    if (r[fPagination] == QLatin1String("P")) {
        if (audioBook)
            out.text(u"Hörbuch, ").field(pages).text(u"&nbsp;");
        else
            out.field(pages).text(u"&nbsp;S., ");
    } else {
        out.text(u"Unpag., ");
    }
    out.field(r[fBinding]);
    if (audioBook)
        out.text(pages == QLatin1String("1") ? u", " : u"s, ");
    else
        out.text(u"., ");
    out.text(r[fCurrency] == QLatin1String("Fr") ? u"Fr." : u"&euro;")
        .text(u"&nbsp;")
        .field(PriceText(r[fPrice], locale))
        .text(u".<br>");
    if (!r[fBookSerie].isEmpty())
        out.text(u" (").field(r[fBookSerie]).text(u").");

    const QString age = r[fAge].trimmed();
    out.text(u"\r\n\t\t</div>\r\n\t\t<div class=\"txt\">\r\n\t\t\t")
        .fieldWithBreaks(r[fReview])
        .text(u"\r\n\t\t</div>\r\n\t\t<div class=\"rating\">\r\n\t\t\t")
        .field(r[fAgegroup])
        .text(u" ")
        .field(r[fCategory])
        .text(u". Ab ")
        .field(age.isEmpty() ? QStringLiteral("0") : age)
        .text(u", ")
        .field(r[fRecommendation])
        .text(u" ")
        .field(r[fReviewerInitials])
        .text(u"\r\n\t\t</div>\r\n\t</div>\r\n");
}

QString HtmlPages::ComposeHTMLfoot(bool)
{
    return QStringLiteral("\r\n\t</div>\r\n</body>\r\n</html>\r\n");
}

QByteArray HtmlPages::ComposePage(bool preview) const
{
    const int count = m_table.recordCount();
    QByteArray page;
    // Room for entries of about a page's length each, so that a large table
    // seldom moves the bytes written so far.
    page.reserve(qsizetype(count) * 2048 + 8192);
    HtmlBytes out(page);
    out.text(ComposeHTMLhead(preview, count));
    // Row by row: the texts of one record at a time are decoded.
    const QList<CompactRow> rows = m_table.rows();
    for (const CompactRow &row : rows) {
        const ReviewTexts r = ReviewTextsOf(row.toRecord());
        if (!included || included(r[fBookNbr]))
            writeEntry(out, r, preview);
    }
    out.text(ComposeHTMLfoot(preview));
    out.finish();
    return page;
}

bool HtmlPages::WriteHtmlFile(const QString &path, bool preview, QString *error) const
{
    return WriteFileSafely(path, ComposePage(preview), error);
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
