#include "HtmlPages.h"

#include "PreviewText.h"
#include "app/IniFile.h"
#include "data/DataSet.h"
#include "util/Codec1252.h"
#include "util/SafeWrite.h"

#include <QFileInfo>

#include <array>
#include <memory>

namespace {

const QString kWeb = QStringLiteral("WEBpage");

// Opens and closes a line at a given depth of tabs.
void appendLine(QString &out, int tabs, QStringView text)
{
    for (int i = 0; i < tabs; ++i)
        out += u'\t';
    out += text;
    out += u"\r\n";
}

// Byte of every UTF-16 unit in Windows-1252, or -1; built once, so encoding
// a page of many megabytes is one table look-up per character.
const std::array<qint16, 0x10000> &byteTable()
{
    static const auto table = [] {
        auto t = std::make_unique<std::array<qint16, 0x10000>>();
        QString all(0x10000, Qt::Uninitialized);
        for (int u = 0; u < 0x10000; ++u)
            all[u] = QChar(char16_t(u));
        const QByteArray bytes = Codec1252::encode(all);
        for (int u = 0; u < 0x10000; ++u) {
            const bool known = u < 0x80 || Codec1252::canEncode(QChar(char16_t(u)));
            (*t)[size_t(u)] = known ? qint16(static_cast<unsigned char>(bytes[u])) : qint16(-1);
        }
        return t;
    }();
    return *table;
}

} // namespace

QString HtmlEscaped(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    while (i < n) {
        const char16_t c = s[i].unicode();
        if (c == u'<' || c == u'>' || c == u'&' || c == u'"')
            break;
        ++i;
    }
    if (i == n)
        return text;
    QString out;
    out.reserve(n + 16);
    out.append(s, i);
    for (; i < n; ++i) {
        switch (s[i].unicode()) {
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += u"&gt;";
            break;
        case u'&':
            out += u"&amp;";
            break;
        case u'"':
            out += u"&quot;";
            break;
        default:
            out += s[i];
        }
    }
    return out;
}

QByteArray HtmlEncode1252(QStringView text)
{
    const auto &table = byteTable();
    QByteArray out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = text[i].unicode();
        const qint16 b = table[u];
        if (b >= 0) {
            out += char(b);
            continue;
        }
        char32_t code = u;
        if (QChar::isHighSurrogate(u) && i + 1 < n && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(u, text[i + 1].unicode());
            ++i;
        }
        out += "&#";
        out += QByteArray::number(uint(code));
        out += ';';
    }
    return out;
}

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

QString HtmlPages::ComposePreviewHTML(const ReviewTexts &raw, bool preview) const
{
    // Every field text is escaped, so a review cannot put markup onto the
    // site; the decisions below look at the texts as they are.
    ReviewTexts r;
    for (int f = 0; f < ReviewFieldCount; ++f)
        r.field[size_t(f)] = HtmlEscaped(raw.field[size_t(f)]);

    const QString nr = BookNumberText(r);
    const QString cover = QStringLiteral("Umschlagbilder/") + nr + QStringLiteral(".jpg");
    const QString bullet = preview ? QStringLiteral("kreis_orange_klein.gif")
                                   : m_relativePath + QStringLiteral("kreis_orange_klein.gif");
    const QString titleLine = GetAuthors(r) + r[fBookTitle] + QStringLiteral(". ");

    const bool audioBook = raw[fBinding] == QStringLiteral("CD");
    QString data;
    const QString illustrators = GetIllustrators(r);
    if (!illustrators.isEmpty()) {
        data += audioBook ? QStringLiteral("Gel. von ") : QStringLiteral("Ill. von ");
        data += illustrators + QStringLiteral("<br>");
    }
    if (raw[fLanguage] != QStringLiteral("-")) {
        data += QStringLiteral("A. d. ") + r[fLanguage] + QStringLiteral(". von ")
            + GetTranslators(r) + QStringLiteral("<br>");
    }
    data += r[fPublisherLocation] + QStringLiteral(": ") + r[fPublisher] + QStringLiteral(", ")
        + r[fYearPublished] + QStringLiteral(".<br> ");
    const QString pages = r[fPages].trimmed();
    if (raw[fPagination] == QStringLiteral("P")) {
        if (audioBook)
            data += QStringLiteral("Hörbuch, ") + pages + QStringLiteral("&nbsp;");
        else
            data += pages + QStringLiteral("&nbsp;S., ");
    } else {
        data += QStringLiteral("Unpag., ");
    }
    data += r[fBinding];
    if (audioBook) {
        if (raw[fPages].trimmed() != QStringLiteral("1"))
            data += u's';
        data += QStringLiteral(", ");
    } else {
        data += QStringLiteral("., ");
    }
    data += raw[fCurrency] == QStringLiteral("Fr") ? QStringLiteral("Fr.")
                                                   : QStringLiteral("&euro;");
    data += QStringLiteral("&nbsp;") + PriceText(raw[fPrice], locale) + QStringLiteral(".<br>");
    if (!r[fBookSerie].isEmpty())
        data += QStringLiteral(" (") + r[fBookSerie] + QStringLiteral(").");

    QString review = r[fReview];
    review.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    QString age = r[fAge].trimmed();
    if (age.isEmpty())
        age = QStringLiteral("0");
    const QString rating = r[fAgegroup] + u' ' + r[fCategory] + QStringLiteral(". Ab ") + age
        + QStringLiteral(", ") + r[fRecommendation] + u' ' + r[fReviewerInitials];

    QString t;
    t.reserve(review.size() + data.size() + titleLine.size() + 400);
    t += u"\r\n";
    appendLine(t, 1, u"<div class=\"vex\">");
    appendLine(t, 2, u"<div class=\"pict\">");
    appendLine(t, 3,
        QString(QStringLiteral("<img src=\"") + cover
            + QStringLiteral("\" alt=\"\" width=\"100\" title=\"") + nr + QStringLiteral("\">")));
    appendLine(t, 2, u"</div>");
    appendLine(t, 2, u"<div class=\"booktitle\">");
    appendLine(t, 3,
        QString(QStringLiteral("<a name=\"") + nr + QStringLiteral("\"><img src=\"") + bullet
            + QStringLiteral("\" alt=\"*\"></a>")));
    appendLine(t, 3, titleLine);
    appendLine(t, 2, u"</div>");
    appendLine(t, 2, u"<div class=\"bookdata\">");
    appendLine(t, 3, data);
    appendLine(t, 2, u"</div>");
    appendLine(t, 2, u"<div class=\"txt\">");
    appendLine(t, 3, review);
    appendLine(t, 2, u"</div>");
    appendLine(t, 2, u"<div class=\"rating\">");
    appendLine(t, 3, rating);
    appendLine(t, 2, u"</div>");
    appendLine(t, 1, u"</div>");
    return t;
}

QString HtmlPages::ComposeHTMLfoot(bool)
{
    return QStringLiteral("\r\n\t</div>\r\n</body>\r\n</html>\r\n");
}

QByteArray HtmlPages::ComposePage(bool preview) const
{
    const int count = m_table.recordCount();
    QString page = ComposeHTMLhead(preview, count);
    for (int row = 0; row < count; ++row) {
        const ReviewTexts r = ReviewTextsAt(m_table, row);
        if (!included || included(r[fBookNbr]))
            page += ComposePreviewHTML(r, preview);
    }
    page += ComposeHTMLfoot(preview);
    return HtmlEncode1252(page);
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
