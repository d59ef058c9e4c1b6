#include "TestEnv.h"

#include "base/IniFile.h"
#include "documents/HtmlPages.h"
#include "documents/PageStyle.h"
#include "documents/PreviewText.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "util/Codec1252.h"

#include "store/DataPacket.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>
#include <QtEndian>

namespace {

using Fields = QList<QPair<ReviewField, QString>>;

// A bound book with one of each contributor, every field filled.
Fields boundBook()
{
    return { { fBookNbr, QStringLiteral("12.8") }, { fBookTitle, QStringLiteral("Der Titel") },
        { fPublisherLocation, QStringLiteral("Zürich") }, { fPublisher, QStringLiteral("Verlag") },
        { fYearPublished, QStringLiteral("2008") }, { fPagination, QStringLiteral("P") },
        { fPages, QStringLiteral(" 123 ") }, { fBinding, QStringLiteral("geb") },
        { fCurrency, QStringLiteral("Fr") }, { fPrice, QStringLiteral("24.8") },
        { fAuthor1Name, QStringLiteral("Muster") }, { fAuthor1Firstname, QStringLiteral("Anna") },
        { fIllustrator1Name, QStringLiteral("Beispiel") },
        { fIllustrator1FirstName, QStringLiteral("Ben") },
        { fTranslator1Name, QStringLiteral("Probe") },
        { fTranslator1Firstname, QStringLiteral("Cara") }, { fLanguage, QStringLiteral("Engl") },
        { fReview, QStringLiteral("Erster Absatz.\r\nZweiter Absatz.") },
        { fAgegroup, QStringLiteral("K") }, { fCategory, QStringLiteral("Tiere") },
        { fAge, QStringLiteral("6") }, { fRecommendation, QStringLiteral("e.") },
        { fReviewerInitials, QStringLiteral("XY") } };
}

// An audio book of 2010 read by one person, priced in euros, in a series,
// with no reading age and not translated.
Fields audioBook()
{
    return { { fBookNbr, QStringLiteral("7.1") }, { fBookTitle, QStringLiteral("Wer bist du?") },
        { fBookSerie, QStringLiteral("Hörspaß") }, { fPublisherLocation, QStringLiteral("Köln") },
        { fPublisher, QStringLiteral("Hörverlag") }, { fYearPublished, QStringLiteral("2010") },
        { fPagination, QStringLiteral("P") }, { fPages, QStringLiteral("3") },
        { fBinding, QStringLiteral("CD") }, { fCurrency, QStringLiteral("€") },
        { fPrice, QStringLiteral("12.9") }, { fAuthor1Name, QStringLiteral("Probe") },
        { fAuthor1Firstname, QStringLiteral("Cara") },
        { fIllustrator1Name, QStringLiteral("Muster") },
        { fIllustrator1FirstName, QStringLiteral("Anna") }, { fLanguage, QStringLiteral("-") },
        { fReview, QStringLiteral("Gut gelesen.") }, { fAgegroup, QStringLiteral("J") },
        { fCategory, QStringLiteral("Hörbuch") }, { fRecommendation, QStringLiteral("s.e.") },
        { fReviewerInitials, QStringLiteral("EM") } };
}

// An unpaginated paperback with no contributors.
Fields paperback(const QString &number, const QString &title)
{
    return { { fBookNbr, number }, { fBookTitle, title },
        { fYearPublished, QStringLiteral("2009") }, { fPagination, QStringLiteral("U") },
        { fBinding, QStringLiteral("brosch") }, { fCurrency, QStringLiteral("Fr") },
        { fPrice, QStringLiteral("9") }, { fLanguage, QStringLiteral("-") },
        { fAgegroup, QStringLiteral("E") }, { fRecommendation, QStringLiteral("b.e.") },
        { fReviewerInitials, QStringLiteral("EM") } };
}

void addRecord(DataSet &t, const Fields &fields)
{
    t.append();
    for (const auto &[field, text] : fields)
        QVERIFY(t.setText(field, text));
    QVERIFY(t.post());
}

QByteArray fixture(const QString &name)
{
    QFile f(TestEnv::fixtures() + QStringLiteral("/html/") + name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The first difference of two pages, for a readable failure.
QByteArray firstDifference(const QByteArray &a, const QByteArray &b)
{
    qsizetype i = 0;
    while (i < a.size() && i < b.size() && a[i] == b[i])
        ++i;
    return "at byte " + QByteArray::number(i) + ": \"" + a.mid(qMax(0, int(i) - 20), 60) + "\" / \""
        + b.mid(qMax(0, int(i) - 20), 60) + "\"";
}

} // namespace

// The HTML pages composed from the review table, byte for byte.
class TestHtmlPages : public QObject
{
    Q_OBJECT

    TestEnv m_env;
    QString htmlFolder() const { return m_env.path(QStringLiteral("Html/")); }

    // A settings file naming a style sheet that lies in the HTML folder.
    std::unique_ptr<IniFile> settings(const QByteArray &web = "StyleSheet=ubo.css\r\n")
    {
        const QString name = QStringLiteral("s%1.ini").arg(++m_settingsFiles);
        if (!m_env.writeFile(name, "[WEBpage]\r\n" + web))
            return nullptr;
        return std::make_unique<IniFile>(m_env.path(name));
    }
    int m_settingsFiles = 0;

    static DataSet *reviewTable(QObject *parent)
    {
        auto *t = new DataSet(parent);
        t->setFields(ReviewFields());
        t->open();
        return t;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_env.isValid());
        QVERIFY(m_env.writeFile(QStringLiteral("Html/ubo.css"), "body {}\n"));
    }

    void pageOfThreeRecordsWithOneExcluded_data()
    {
        QTest::addColumn<bool>("preview");
        QTest::addColumn<QString>("expected");
        QTest::newRow("preview page") << true << QStringLiteral("three_preview.htm");
        QTest::newRow("publication page") << false << QStringLiteral("three_publication.htm");
    }

    void pageOfThreeRecordsWithOneExcluded()
    {
        QFETCH(bool, preview);
        QFETCH(QString, expected);
        DataSet *t = reviewTable(this);
        addRecord(*t, boundBook());
        addRecord(*t, paperback(QStringLiteral("3.9"), QStringLiteral("Nicht dabei")));
        addRecord(*t, audioBook());
        const auto ini = settings();
        HtmlPages pages(*t, *ini, htmlFolder(), QStringLiteral("../"));
        pages.PageSubtitle = QStringLiteral("Bilderbücher");
        pages.locale = QLocale::c();
        pages.included = [](const QString &number) { return number != QStringLiteral("3.9"); };
        int warnings = 0;
        pages.warn = [&](const QString &, const QString &) { ++warnings; };

        const QString path = htmlFolder() + QStringLiteral("Seite.htm");
        QString error;
        QVERIFY2(pages.WriteHtmlFile(path, preview, &error), qPrintable(error));
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray page = written.readAll();
        const QByteArray want = fixture(expected);
        QVERIFY(!want.isEmpty());
        QVERIFY2(page == want, firstDifference(page, want).constData());
        QCOMPARE(warnings, 0);
    }

    // A long preview page holds its entries in parts that wait as comments:
    // without the parts' wrapping it is the page written whole, entry for
    // entry; the page for the site is written whole.
    void longPreviewPageHoldsItsEntriesInParts()
    {
        DataSet *t = reviewTable(this);
        for (int i = 1; i <= 107; ++i) {
            Fields fields
                = paperback(QStringLiteral("%1.9").arg(i), QStringLiteral("Titel %1").arg(i));
            if (i == 60)
                fields.append({ fReview, QStringLiteral("Ende --> hier --!> und <!-- da") });
            addRecord(*t, fields);
        }
        const auto ini = settings();
        HtmlPages pages(*t, *ini, htmlFolder(), QStringLiteral("../"));
        pages.locale = QLocale::c();
        pages.included = [](const QString &number) { return number != QStringLiteral("7.9"); };
        const QByteArray page = pages.ComposePage(true);

        QByteArray whole = Codec1252::encode(pages.ComposeHTMLhead(true, 107));
        for (int row = 0; row < t->recordCount(); ++row) {
            if (row != 6)
                whole += Codec1252::encode(pages.ComposePreviewHTML(ReviewTextsAt(*t, row), true));
        }
        whole += Codec1252::encode(HtmlPages::ComposeHTMLfoot(true));

        static const QRegularExpression opening(QStringLiteral(
            "<div class=\"skribando-part\" data-entries=\"(\\d+)\" "
            "style=\"height:calc\\(\\1 \\* var\\(--skribando-entry, 400px\\)\\)\"><!--"));
        QStringList sizes;
        QString text = QString::fromLatin1(page);
        for (auto m = opening.globalMatch(text); m.hasNext();)
            sizes << m.next().captured(1);
        QCOMPARE(sizes,
            QStringList({ QStringLiteral("50"), QStringLiteral("50"), QStringLiteral("6") }));
        // No field text ends a part early.
        QCOMPARE(page.count("-->"), 3);
        text.remove(opening);
        text.remove(QStringLiteral("--></div>"));
        const qsizetype script = text.indexOf(QStringLiteral("\r\n<script>"));
        QVERIFY(script > 0);
        text.remove(script, text.indexOf(QStringLiteral("</script>")) + 9 - script);
        const QByteArray unwrapped = text.toLatin1();
        QVERIFY2(unwrapped == whole, firstDifference(unwrapped, whole).constData());

        const QByteArray site = pages.ComposePage(false);
        QVERIFY(!site.contains("skribando-part") && !site.contains("<script"));
        QCOMPARE(site.count("<div class=\"vex\">"), 106);
    }

    void emptyTableGivesHeadAndFoot()
    {
        DataSet *t = reviewTable(this);
        const auto ini = settings();
        HtmlPages pages(*t, *ini, htmlFolder(), QStringLiteral("../"));
        const QByteArray page = pages.ComposePage(true);
        QVERIFY(page.contains("<h2> (0 Titel)</h2>\r\n\r\n\t</div>\r\n</body>\r\n</html>\r\n"));
        QVERIFY(!page.contains("class=\"vex\""));
    }

    // Field texts cannot put markup onto the page; what Windows-1252 cannot
    // hold arrives as a character reference; the program's own pieces stay.
    void fieldTextsAreEscaped_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("written");
        QTest::newRow("markup in the title")
            << int(fBookTitle) << QStringLiteral("Tom & Jerry <b>\"1\"</b>")
            << QByteArray("\t\t\tTom &amp; Jerry &lt;b&gt;&quot;1&quot;&lt;/b&gt;. \r\n");
        QTest::newRow("script in the review")
            << int(fReview) << QStringLiteral("<script>alert(1)</script>\r\nweiter")
            << QByteArray("\t\t\t&lt;script&gt;alert(1)&lt;/script&gt;<br>weiter\r\n");
        QTest::newRow("long review, markup between runs")
            << int(fReview)
            << QStringLiteral("Ein langer Text mit <b>Markup</b> & mehr, über \"Zitate\" "
                              "und noch mehr\r\nZeilen; das Ende\rbleibt.")
            << QByteArray("\t\t\tEin langer Text mit &lt;b&gt;Markup&lt;/b&gt; &amp; mehr, "
                          "\xfc"
                          "ber &quot;Zitate&quot; und noch mehr<br>Zeilen; das Ende\rbleibt.\r\n");
        QTest::newRow("Windows-1252 letters stay bytes")
            << int(fPublisher) << QStringLiteral("Müller & Söhne")
            << QByteArray(": M\xfcller &amp; S\xf6hne, 2009.<br> ");
        QTest::newRow("letters beyond Windows-1252")
            << int(fAuthor1Name) << QStringLiteral("Łukasz 😀")
            << QByteArray("\t\t\t&#321;ukasz &#128512;: Titel. \r\n");
        QTest::newRow("euro sign of a series")
            << int(fBookSerie) << QStringLiteral("Je 5 €") << QByteArray(" (Je 5 \x80).");
        QTest::newRow("markup in the topic")
            << int(fCategory) << QStringLiteral("K\"><img src=x onerror=alert(1)>")
            << QByteArray("E K&quot;&gt;&lt;img src=x onerror=alert(1)&gt;. Ab 0, b.e. EM\r\n");
    }

    void fieldTextsAreEscaped()
    {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QByteArray, written);
        DataSet *t = reviewTable(this);
        Fields fields = paperback(QStringLiteral("4.9"), QStringLiteral("Titel"));
        fields.append({ ReviewField(field), text });
        addRecord(*t, fields);
        const auto ini = settings();
        HtmlPages pages(*t, *ini, htmlFolder(), QStringLiteral("../"));
        const QByteArray page = pages.ComposePage(false);
        QVERIFY2(page.contains(written), page.constData());
        QVERIFY(!page.contains("<script") && !page.contains("<b>") && !page.contains("<img src=x"));
        QVERIFY(page.contains("Fr.&nbsp;9.00.<br>"));
    }

    void styleSheetWarning_data()
    {
        QTest::addColumn<QByteArray>("web");
        QTest::addColumn<bool>("warned");
        QTest::addColumn<QByteArray>("link");
        QTest::newRow("present") << QByteArray("StyleSheet=ubo.css\r\n") << false
                                 << QByteArray("<link href=\"../ubo.css\" ");
        QTest::newRow("missing file") << QByteArray("StyleSheet=weg.css\r\n") << true
                                      << QByteArray("<link href=\"../weg.css\" ");
        QTest::newRow("not set") << QByteArray() << true << QByteArray("<link href=\"../\" ");
    }

    void styleSheetWarning()
    {
        QFETCH(QByteArray, web);
        QFETCH(bool, warned);
        QFETCH(QByteArray, link);
        DataSet *t = reviewTable(this);
        const auto ini = settings(web);
        HtmlPages pages(*t, *ini, htmlFolder(), QStringLiteral("../"));
        QStringList told;
        pages.warn
            = [&](const QString &caption, const QString &message) { told << caption << message; };
        const QByteArray page = pages.ComposePage(false);
        if (warned) {
            QCOMPARE(told,
                QStringList({ QStringLiteral("CSS-Stylesheet..."),
                    QStringLiteral("Stylesheet nicht gefunden.\r\nÜberprüfen Sie die "
                                   "Einstellungen für die WEB-Seite") }));
        } else {
            QVERIFY(told.isEmpty());
        }
        // The page is written all the same, with the link as configured.
        QVERIFY(page.contains(link));
        QVERIFY(page.endsWith("</html>\r\n"));
    }

    void unwritablePageFolderReportsAndWritesNothing()
    {
        DataSet *t = reviewTable(this);
        addRecord(*t, boundBook());
        const auto ini = settings();
        HtmlPages pages(*t, *ini, htmlFolder(), QStringLiteral("../"));
        const QString path = m_env.path(QStringLiteral("fehlt/Seite.htm"));
        QString error;
        QVERIFY(!pages.WriteHtmlFile(path, false, &error));
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    // The companion tool writes the page with the program's own composing:
    // every record of the file, in file order.
    void toolWritesTheSamePage_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("preview");
        QTest::newRow("publication page") << QStringList() << false;
        QTest::newRow("preview page") << QStringList { QStringLiteral("--preview") } << true;
    }

    void toolWritesTheSamePage()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, preview);
        DataSet *t = reviewTable(this);
        addRecord(*t, boundBook());
        addRecord(*t, paperback(QStringLiteral("3.9"), QStringLiteral("Tom & Jerry")));
        addRecord(*t, audioBook());
        const QString file = m_env.path(QStringLiteral("Buecher.xml"));
        PacketData packet { t->fields(), {}, t->rows() };
        QVERIFY(DataPacket::saveToFile(file, packet));
        QVERIFY(m_env.writeFile(QStringLiteral("tool.ini"),
            "[WEBpage]\r\nStyleSheet=ubo.css\r\nTitle=Neu gelesen\r\nRelativePath=../../\r\n"));
        const QString out = htmlFolder() + QStringLiteral("Werkzeug.htm");

        QProcess tool;
        tool.start(QStringLiteral(SKRIBANDO_PACKET_TOOL),
            QStringList { QStringLiteral("html"), file, out, QStringLiteral("--settings"),
                m_env.path(QStringLiteral("tool.ini")), QStringLiteral("--subtitle"),
                QStringLiteral("Bilderbücher") }
                + options);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
        QVERIFY2(tool.readAllStandardError().isEmpty(), "no warning for a style sheet in place");

        IniFile ini(m_env.path(QStringLiteral("tool.ini")));
        HtmlPages pages(*t, ini, htmlFolder(), QStringLiteral("../../"));
        pages.PageSubtitle = QStringLiteral("Bilderbücher");
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray page = written.readAll();
        const QByteArray want = pages.ComposePage(preview);
        QVERIFY2(page == want, firstDifference(page, want).constData());
        QCOMPARE(page.count("<div class=\"vex\">"), 3);
        QVERIFY(page.contains("<h1>Neu gelesen</h1>"));
    }

    void toolRefusesBadInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("missing file") << QStringList { QStringLiteral("html"),
            QStringLiteral("fehlt.cds"), QStringLiteral("aus.htm") };
        QTest::newRow("not a review file") << QStringList { QStringLiteral("html"),
            QStringLiteral("ubo.css"), QStringLiteral("aus.htm") };
        QTest::newRow("unknown option") << QStringList { QStringLiteral("html"),
            QStringLiteral("fehlt.cds"), QStringLiteral("aus.htm"), QStringLiteral("--farbig") };
        QTest::newRow("missing settings") << QStringList { QStringLiteral("html"),
            QStringLiteral("fehlt.cds"), QStringLiteral("aus.htm"), QStringLiteral("--settings"),
            QStringLiteral("keine.ini") };
    }

    void toolRefusesBadInput()
    {
        QFETCH(QStringList, args);
        QProcess tool;
        tool.setWorkingDirectory(htmlFolder());
        tool.start(QStringLiteral(SKRIBANDO_PACKET_TOOL), args);
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 1);
        QVERIFY(!tool.readAllStandardError().isEmpty());
        QVERIFY(!QFile::exists(htmlFolder() + QStringLiteral("aus.htm")));
    }

    void topicPageNames_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("page");
        QTest::newRow("audio books")
            << QStringLiteral("Hörbücher") << QStringLiteral("Hoerbuecher.htm");
        QTest::newRow("only the first ü")
            << QStringLiteral("Bücher über Bücher") << QStringLiteral("Buecher über Bücher.htm");
        QTest::newRow("ö before ü") << QStringLiteral("Öl und Töpfe für Kühe")
                                    << QStringLiteral("Öl und Toepfe fuer Kühe.htm");
        QTest::newRow("ä and capitals stay")
            << QStringLiteral("Märchen Übersee") << QStringLiteral("Märchen Übersee.htm");
    }

    void topicPageNames()
    {
        QFETCH(QString, folder);
        QFETCH(QString, page);
        QCOMPARE(HtmlPages::TopicPageName(folder), page);
    }

    // The program's own page style: written where it is missing, once, and
    // never over a file the circle put there.
    void pageStyleIsWrittenOnce()
    {
        TestEnv env;
        const QString html = env.path(QStringLiteral("Html/"));
        QVERIFY(QDir().mkpath(html));
        QCOMPARE(PageStyle::EnsurePageStyle(html, QStringLiteral("ubo_morbel.css")),
            (QStringList { "ubo_morbel.css", "kreis_orange_klein.gif" }));
        QCOMPARE(
            env.readFile(QStringLiteral("Html/ubo_morbel.css")), PageStyle::DefaultStyleSheet());
        const QByteArray gif = env.readFile(QStringLiteral("Html/kreis_orange_klein.gif"));
        QVERIFY(gif.startsWith("GIF89a"));
        QCOMPARE(qFromLittleEndian<quint16>(gif.constData() + 6), quint16(11)); // width
        QCOMPARE(qFromLittleEndian<quint16>(gif.constData() + 8), quint16(11)); // height
        QVERIFY(gif.endsWith(';'));
        // The style sheet is plain ASCII, as pages of any code page read it,
        // and styles every part of a page.
        const QByteArray css = PageStyle::DefaultStyleSheet();
        for (char c : css)
            QVERIFY(uchar(c) < 128);
        for (const char *selector :
            { "body.ubo", ".sidebarleft", ".sidebarmenu", ".page", "h1", "h2", ".vex", ".pict",
                ".booktitle", ".bookdata", ".txt", ".rating", "@media print" })
            QVERIFY2(css.contains(selector), selector);

        QCOMPARE(PageStyle::EnsurePageStyle(html, QStringLiteral("ubo_morbel.css")), QStringList());
        // Gone again: written again.
        QVERIFY(QFile::remove(html + QStringLiteral("ubo_morbel.css")));
        QCOMPARE(PageStyle::EnsurePageStyle(html, QStringLiteral("ubo_morbel.css")),
            QStringList { "ubo_morbel.css" });
    }

    void pageStyleNeverReplacesAFile_data()
    {
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("configured");
        QTest::newRow("same name") << QStringLiteral("ubo.css") << QStringLiteral("ubo.css");
        QTest::newRow("other letter case")
            << QStringLiteral("UBO.CSS") << QStringLiteral("ubo.css");
        QTest::newRow("bullet") << QStringLiteral("kreis_orange_klein.gif")
                                << QStringLiteral("ubo.css");
    }
    void pageStyleNeverReplacesAFile()
    {
        QFETCH(QString, present);
        QFETCH(QString, configured);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Html/") + present, "the circle's own"));
        const QStringList written
            = PageStyle::EnsurePageStyle(env.path(QStringLiteral("Html/")), configured);
        QVERIFY(!written.contains(present));
        QCOMPARE(env.readFile(QStringLiteral("Html/") + present), QByteArray("the circle's own"));
        QCOMPARE(QDir(env.path(QStringLiteral("Html"))).entryList(QDir::Files).size(), 2);
    }

    void pageStyleOnlyUnderAPlainName_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::newRow("empty") << QString();
        QTest::newRow("up a folder") << QStringLiteral("../ubo.css");
        QTest::newRow("in a folder") << QStringLiteral("css/ubo.css");
        QTest::newRow("backslash") << QStringLiteral("css\\ubo.css");
        QTest::newRow("no style sheet") << QStringLiteral("index.htm");
        QTest::newRow("hidden") << QStringLiteral(".css");
    }
    void pageStyleOnlyUnderAPlainName()
    {
        QFETCH(QString, configured);
        TestEnv env;
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("Html"))));
        QCOMPARE(PageStyle::EnsurePageStyle(env.path(QStringLiteral("Html/")), configured),
            QStringList { "kreis_orange_klein.gif" });
        QCOMPARE(TestEnv::listing(env.programFolder()).size(), 2); // the folder and the bullet
    }
};

QTEST_GUILESS_MAIN(TestHtmlPages)
#include "tst_htmlpages.moc"
