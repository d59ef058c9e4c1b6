#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "base/IniFile.h"
#include "base/StatusPanel.h"
#include "data/DDataAccess.h"
#include "documents/PageStyle.h"
#include "documents/WebPages.h"
#include "store/ReviewSchema.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"
#include "util/BrowserUtils.h"
#include "util/Codec1252.h"

#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineView>

using namespace VexConst;

namespace {

const QByteArray kStyleSheet = "[WEBpage]\r\nStyleSheet=ubo.css\r\n";

struct Book
{
    double number;
    int year;
    QString title;
};

// Posts books straight into the review table (no checks); with a file node
// they get their book nodes below it, as loading gives them.
void addBooks(WindowFixture &f, QTreeWidgetItem *fileNode, const QList<Book> &books)
{
    DataSet &t = f.table();
    t.setTag(TDataAccess::tagNone);
    for (const Book &b : books) {
        t.append();
        t.setValue(fBookNbr, b.number);
        t.setValue(fYearPublished, b.year);
        t.setValue(fBookTitle, b.title);
        t.setValue(fLanguage, QStringLiteral("-"));
        t.setValue(
            fReview, QStringLiteral("Eine lange Besprechung, die Platz braucht. ").repeated(12));
        QVERIFY(t.post());
    }
    if (fileNode) {
        f.window().treeNavigation()->TreeViewPopulateFileNode(fileNode);
        fileNode->setExpanded(true);
    }
}

// Thirty books of 2008, 2010 or 2020 in the file DB/<folder>/A.cds.
QList<Book> manyBooks(int year)
{
    QList<Book> books;
    const int digits = year % 100;
    for (int i = 1; i <= 30; ++i) {
        const double number = i + digits / (digits < 10 ? 10.0 : 100.0);
        books.append({ number, year, QStringLiteral("Buch Nummer %1").arg(i) });
    }
    return books;
}

// Runs a script in the page and waits for its result.
QVariant evaluate(QWebEngineView *view, const QString &script)
{
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant &v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 20000))
        qWarning("the page did not answer");
    return result;
}

double scrollY(QWebEngineView *view)
{
    return evaluate(view, QStringLiteral("window.scrollY")).toDouble();
}

// Where an element is, relative to the top of the window.
double topOf(QWebEngineView *view, const QString &selector)
{
    return evaluate(view,
        QStringLiteral("document.querySelector('%1').getBoundingClientRect().top").arg(selector))
        .toDouble();
}

bool showWebPage(WindowFixture &f)
{
    TMainform &w = f.window();
    QSignalSpy shown(w.webPages(), &WebPages::pageShown);
    w.SetActivePage(TMainform::pgWebPage);
    if (!shown.wait(60000))
        return false;
    return shown.first().first().toBool();
}

} // namespace

// The web-page tab in its browser view, the topic pages, and the switch
// that makes saving write the page.
class TestWebPages : public QObject
{
    Q_OBJECT

    // A started window with a shown size, the style sheet in place and the
    // folder DB/<folder> holding the file A.cds.
    QTreeWidgetItem *start(WindowFixture &f, const QString &folder)
    {
        if (!f.env.writeFile(QStringLiteral("Zadizezerev/Html/ubo.css"), "body { margin: 0 }\n")
            || !f.writeDbFile(folder + QStringLiteral("/A.cds")) || !f.start())
            return nullptr;
        f.window().resize(900, 600);
        f.window().show();
        return FindNodeByPath(
            f.window().TreeView1, QStringLiteral("DB/") + folder + QStringLiteral("/A.cds"));
    }

private slots:
    void tabShowsThePageAtTheCurrentBook_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("anchor");
        QTest::newRow("book of 2008") << 2008 << QStringLiteral("12.8");
        QTest::newRow("book of 2010") << 2010 << QStringLiteral("12.10");
        QTest::newRow("book of 2020") << 2020 << QStringLiteral("12.20");
    }

    void tabShowsThePageAtTheCurrentBook()
    {
        QFETCH(int, year);
        QFETCH(QString, anchor);
        WindowFixture f(kStyleSheet);
        QTreeWidgetItem *file = start(f, QStringLiteral("Bilderbücher"));
        QVERIFY(file);
        addBooks(f, file, manyBooks(year));
        TMainform &w = f.window();
        QTreeWidgetItem *book = file->child(11);
        w.TreeView1->setCurrentItem(book);
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Buch Nummer 12"));

        QVERIFY(showWebPage(f));
        QWebEngineView *view = w.webPages()->WebBrowser();
        QVERIFY(view);
        QCOMPARE(view->objectName(), QStringLiteral("WebBrowser"));
        const QUrl url = w.webPages()->lastUrl();
        QCOMPARE(url.fragment(), anchor);
        QCOMPARE(url.toLocalFile(), f.env.path(QStringLiteral("Zadizezerev/Html/tmp.htm")));
        QVERIFY(url.hasQuery());
        QVERIFY(scrollY(view) > 100);
        QVERIFY(qAbs(topOf(view, QStringLiteral("a[name=\"%1\"]").arg(anchor))) < 5);

        const QByteArray page = f.env.readFile(QStringLiteral("Zadizezerev/Html/tmp.htm"));
        QVERIFY(page.contains("<h2>Bilderb\xfc"
                              "cher (30 Titel)</h2>"));
        QCOMPARE(w.TreeView1->currentItem(), book);
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Buch Nummer 12"));
        QCOMPARE(w.statusText(StatusPanel::Books), QStringLiteral("30"));

        // Shown again for another book with nothing changed, the page stays
        // and moves to that book.
        const QString pagePath = f.env.path(QStringLiteral("Zadizezerev/Html/tmp.htm"));
        const QDateTime written = QFileInfo(pagePath).lastModified();
        w.SetActivePage(TMainform::pgBookData);
        w.TreeView1->setCurrentItem(file->child(2));
        QVERIFY(showWebPage(f));
        QCOMPARE(w.webPages()->lastUrl().query(), url.query());
        const QString again = w.webPages()->lastUrl().fragment();
        QVERIFY(again != anchor);
        QVERIFY(qAbs(topOf(view, QStringLiteral("a[name=\"%1\"]").arg(again))) < 5);
        QCOMPARE(QFileInfo(pagePath).lastModified(), written);

        // A cover picture put in place: the page is loaded afresh to show it.
        QVERIFY(f.env.writeFile(
            QStringLiteral("Zadizezerev/Html/Umschlagbilder/3.%1.jpg").arg(year % 100), "jpg"));
        w.SetActivePage(TMainform::pgBookData);
        QVERIFY(showWebPage(f));
        QVERIFY(w.webPages()->lastUrl().query() != url.query());
        const QUrl withCover = w.webPages()->lastUrl();

        // A changed record: the page is written again and loaded afresh.
        f.table().setTag(TDataAccess::tagNone);
        f.table().edit();
        f.table().setValue(fBookTitle, QStringLiteral("Neuer Titel"));
        QVERIFY(f.table().post());
        w.SetActivePage(TMainform::pgBookData);
        QVERIFY(showWebPage(f));
        QVERIFY(w.webPages()->lastUrl().query() != withCover.query());
        QCOMPARE(w.webPages()->lastUrl().fragment(), again);
        QVERIFY(qAbs(topOf(view, QStringLiteral("a[name=\"%1\"]").arg(again))) < 5);
        QVERIFY(f.env.readFile(QStringLiteral("Zadizezerev/Html/tmp.htm")).contains("Neuer Titel"));
        QCOMPARE(f.desktop.dialogs().size(), 0);
    }

    // A page of many books keeps most of its entries in waiting parts; the
    // book shown, scrolling and the search of a title make them entries.
    void longPageIsShownInParts()
    {
        WindowFixture f(kStyleSheet);
        QTreeWidgetItem *file = start(f, QStringLiteral("Archiv"));
        QVERIFY(file);
        QList<Book> books;
        for (int i = 1; i <= 130; ++i)
            books.append({ i + 0.8, 2008, QStringLiteral("Titel %1 Ende").arg(i) });
        addBooks(f, file, books);
        TMainform &w = f.window();
        ToggleBookMark(file->child(4)); // "Titel 5 Ende" is left out
        w.TreeView1->setCurrentItem(file->child(119));
        QVERIFY(showWebPage(f));
        QWebEngineView *view = w.webPages()->WebBrowser();
        QVERIFY(qAbs(topOf(view, QStringLiteral("a[name=\"120.8\"]"))) < 5);
        QVERIFY(scrollY(view) > 1000);
        const auto entries = [&] {
            return evaluate(view, QStringLiteral("document.getElementsByClassName('vex').length"))
                .toInt();
        };
        QVERIFY(entries() < 129);
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/Html/tmp.htm"))
                     .count("<div class=\"skribando-part\""),
            3);

        // Found by its title, a book of a waiting part comes to the top.
        ScrollBrowserToText(view, QStringLiteral("titel 7 ende"));
        QTRY_VERIFY_WITH_TIMEOUT(
            qAbs(topOf(view, QStringLiteral("a[name=\"7.8\"]")) - 0) < 40, 20000);

        // Scrolled through from the top to the end, every entry is there.
        evaluate(view, QStringLiteral("window.scrollTo(0, 0)"));
        for (int step = 0; step < 400; ++step) {
            if (evaluate(view,
                    QStringLiteral("window.scrollBy(0, window.innerHeight);"
                                   "window.scrollY + window.innerHeight >= "
                                   "document.documentElement.scrollHeight - 1"))
                    .toBool()
                && entries() == 129)
                break;
            QTest::qWait(20);
        }
        QCOMPARE(entries(), 129);
        QCOMPARE(evaluate(view,
                     QStringLiteral("document.getElementsByClassName('skribando-part').length"))
                     .toInt(),
            0);
        // In the order of the table, as a page written whole.
        QCOMPARE(evaluate(view,
                     QStringLiteral("Array.prototype.map.call(document.getElementsByTagName('a'),"
                                    " function (a) { return a.name; }).join(' ')"))
                     .toString(),
            [] {
                QStringList names;
                for (int i = 1; i <= 130; ++i)
                    if (i != 5)
                        names.append(QStringLiteral("%1.8").arg(i));
                return names.join(u' ');
            }());
    }

    void bookWithoutNodeShowsThePageFromTheTop()
    {
        WindowFixture f(kStyleSheet);
        QTreeWidgetItem *file = start(f, QStringLiteral("Neu"));
        QVERIFY(file);
        TMainform &w = f.window();
        w.webPages()->pages().PageSubtitle = QStringLiteral("Vorher");
        addBooks(f, nullptr, manyBooks(2008));
        QVERIFY(showWebPage(f));
        QVERIFY(!w.webPages()->lastUrl().hasFragment());
        QCOMPARE(w.TreeView1->currentItem(), nullptr);
        QCOMPARE(scrollY(w.webPages()->WebBrowser()), 0.0);
        QVERIFY(f.env.readFile(QStringLiteral("Zadizezerev/Html/tmp.htm"))
                    .contains("<h2>Vorher (30 Titel)</h2>"));
    }

    void clickingABookScrollsTheWebPageToIt()
    {
        WindowFixture f(kStyleSheet);
        QTreeWidgetItem *file = start(f, QStringLiteral("Bilderbücher"));
        QVERIFY(file);
        addBooks(f, file, manyBooks(2008));
        TMainform &w = f.window();
        w.TreeView1->setCurrentItem(file->child(0));
        QVERIFY(showWebPage(f));
        QWebEngineView *view = w.webPages()->WebBrowser();
        const double atFirstBook = scrollY(view);

        QTreeWidgetItem *book = file->child(19);
        w.TreeView1->scrollToItem(book);
        const QRect row = w.TreeView1->visualItemRect(book);
        QTest::mouseClick(
            w.TreeView1->viewport(), Qt::LeftButton, {}, QPoint(row.right() - 5, row.center().y()));
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Buch Nummer 20"));
        QVERIFY(IsBookIncluded(book));
        // The title's line is at the top of the window.
        QTRY_VERIFY_WITH_TIMEOUT(scrollY(view) > atFirstBook + 1000, 20000);
        const double titleTop = evaluate(view,
            QStringLiteral("document.getElementsByName('20.8')[0].parentNode"
                           ".getBoundingClientRect().top"))
                                    .toDouble();
        QVERIFY2(qAbs(titleTop) < 40, QByteArray::number(titleTop).constData());

        // A title the page does not hold puts the page at its top.
        ScrollBrowserToText(view, QStringLiteral("Kommt nicht vor"));
        QTRY_COMPARE_WITH_TIMEOUT(scrollY(view), 0.0, 20000);

        // Emptying the table empties the view; a click then has nothing to
        // scroll.
        w.ClearViews();
        QTRY_COMPARE_WITH_TIMEOUT(view->url().toString(), QStringLiteral("about:blank"), 20000);
        QVERIFY(!BrowserHasDocument(view));
    }

    void styleSheetMissingIsToldEachTime()
    {
        WindowFixture f;
        QTreeWidgetItem *file = start(f, QStringLiteral("Neu"));
        QVERIFY(file);
        addBooks(f, file, manyBooks(2008).mid(0, 2));
        TMainform &w = f.window();
        for (int i = 0; i < 2; ++i) {
            f.desktop.answer(Msg::mrOk, QStringLiteral("CSS-Stylesheet..."));
            QVERIFY(showWebPage(f));
            w.SetActivePage(TMainform::pgBookData);
        }
        QCOMPARE(f.desktop.pendingAnswers(), 0);
        QCOMPARE(f.desktop.dialogs().size(), 2);
    }

    // A fresh folder shows a page in the program's own style, without a
    // warning; a style sheet removed during the run comes back.
    void ownPageStyleWithoutWarning()
    {
        WindowFixture f(QByteArrayLiteral("[WEBpage]\r\nStyleSheet=Neu.css\r\n"));
        QVERIFY(f.writeDbFile(QStringLiteral("Neu/A.cds")));
        QVERIFY(f.start());
        const QString html = f.env.path(QStringLiteral("Zadizezerev/Html/"));
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/Html/Neu.css")),
            PageStyle::DefaultStyleSheet());
        QVERIFY(QFileInfo::exists(html + QStringLiteral("kreis_orange_klein.gif")));
        TMainform &w = f.window();
        // The settings page offers it.
        QCOMPARE(w.findChild<QComboBox *>(QStringLiteral("ComboBoxStyleSheet"))->currentText(),
            QStringLiteral("Neu.css"));
        w.resize(900, 600);
        w.show();
        QTreeWidgetItem *file = FindNodeByPath(w.TreeView1, QStringLiteral("DB/Neu/A.cds"));
        addBooks(f, file, manyBooks(2008).mid(0, 2));
        QVERIFY(QFile::remove(html + QStringLiteral("Neu.css")));
        QVERIFY(showWebPage(f));
        QCOMPARE(f.desktop.dialogs().size(), 0);
        QVERIFY(QFileInfo::exists(html + QStringLiteral("Neu.css")));
        // The style is in force: the entries' text keeps its column.
        QCOMPARE(evaluate(w.webPages()->WebBrowser(),
                     QStringLiteral("getComputedStyle(document.querySelector('.txt')).marginLeft"))
                     .toString(),
            QStringLiteral("118px"));
    }

    void unwritablePreviewPageIsReported()
    {
        WindowFixture f(kStyleSheet);
        QTreeWidgetItem *file = start(f, QStringLiteral("Neu"));
        QVERIFY(file);
        addBooks(f, file, manyBooks(2008).mid(0, 2));
        // A folder where the page should go.
        QVERIFY(QDir().mkpath(f.env.path(QStringLiteral("Zadizezerev/Html/tmp.htm/x"))));
        f.window().SetActivePage(TMainform::pgWebPage);
        QCOMPARE(f.desktop.systemMessages.size(), 1);
        QVERIFY(f.desktop.systemMessages.first().contains(QStringLiteral("tmp.htm")));
        QVERIFY(!f.window().webPages()->WebBrowser());
    }

    void topicPageOfAFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("answer");
        QTest::newRow("yes") << QStringLiteral("Hörbücher") << QStringLiteral("Hoerbuecher.htm")
                             << int(Msg::mrOk);
        QTest::newRow("only the first ü")
            << QStringLiteral("Bücher über Bücher") << QStringLiteral("Buecher über Bücher.htm")
            << int(Msg::mrOk);
        QTest::newRow("no") << QStringLiteral("Hörbücher") << QStringLiteral("Hoerbuecher.htm")
                            << int(Msg::mrCancel);
    }

    void topicPageOfAFolder()
    {
        QFETCH(QString, folder);
        QFETCH(QString, page);
        QFETCH(int, answer);
        WindowFixture f(kStyleSheet);
        QTreeWidgetItem *file = start(f, folder);
        QVERIFY(file);
        addBooks(f, file, manyBooks(2010).mid(0, 3));
        TMainform &w = f.window();
        ToggleBookMark(file->child(1));
        w.TreeView1->setCurrentItem(file);
        f.desktop.answer(answer, QStringLiteral("Webseite erzeugen..."));
        w.actions()->reviewAction(baWebPage)->setEnabled(true);
        w.actions()->reviewAction(baWebPage)->trigger();
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Soll die Webseite für die Rubrik \"") + folder
                + QStringLiteral("\" erzeugt werden?"));
        QCOMPARE(f.desktop.lastDialog().captions,
            QStringList({ QStringLiteral("Ja"), QStringLiteral("Nein") }));
        const QString path = f.env.path(QStringLiteral("Zadizezerev/Html/") + page);
        if (answer != Msg::mrOk) {
            QVERIFY(!QFile::exists(path));
            return;
        }
        QFile written(path);
        QVERIFY(written.open(QIODevice::ReadOnly));
        const QByteArray bytes = written.readAll();
        QVERIFY(bytes.contains("<h2>" + Codec1252::encode(folder) + " (3 Titel)</h2>"));
        QVERIFY(bytes.contains("<link href=\"../ubo.css\" "));
        QVERIFY(bytes.contains("<li><a href=\"Hoerbuecher.htm\">"));
        QCOMPARE(bytes.count("<div class=\"vex\">"), 2);
        QVERIFY(!bytes.contains("<a name=\"2.10\">"));
        // Nothing shows a page, so no browser engine was started.
        QVERIFY(!w.webPages()->WebBrowser());
    }

    // With the switch on, saving writes the review file's page for the site,
    // without the books that saving dropped.
    void savingWritesThePageForTheSite()
    {
        WindowFixture f(kStyleSheet
            + "[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\n"
              "Initials=EM\r\nCreateWebPage=1\r\n");
        QTreeWidgetItem *file = start(f, QStringLiteral("Bilderbücher"));
        QVERIFY(file);
        addBooks(f, file, manyBooks(2008).mid(0, 3));
        ToggleBookMark(file->child(2));
        TMainform &w = f.window();
        w.TreeView1->setCurrentItem(file);
        w.TreeView1Enter();
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        w.actions()->reviewAction(baSave)->setEnabled(true);
        w.actions()->reviewAction(baSave)->trigger();
        QCOMPARE(f.desktop.pendingAnswers(), 0);
        QVERIFY(f.desktop.systemMessages.isEmpty());
        QFile page(f.env.path(QStringLiteral("Zadizezerev/Html/A.htm")));
        QVERIFY(page.open(QIODevice::ReadOnly));
        const QByteArray bytes = page.readAll();
        QVERIFY(bytes.contains("<h2> (2 Titel)</h2>"));
        QCOMPARE(bytes.count("<div class=\"vex\">"), 2);
        QVERIFY(bytes.contains("<a name=\"2.8\"><img src=\"../kreis_orange_klein.gif\""));
        QVERIFY(!bytes.contains("<a name=\"3.8\">"));
        QVERIFY(bytes.contains("<div class=\"sidebarmenu\">"));
        QVERIFY(!w.webPages()->WebBrowser());
    }

    void switchTellsWhatSavingWillDo()
    {
        WindowFixture f(kStyleSheet);
        QVERIFY(f.start());
        TMainform &w = f.window();
        QAction *toggle = w.actions()->action(QStringLiteral("ActionCreateWebPage"));
        QVERIFY(!toggle->isChecked());
        f.desktop.answer(Msg::mrOk);
        f.desktop.answer(Msg::mrOk);
        toggle->trigger();
        QVERIFY(w.SettingsFile().readBool(
            QStringLiteral("Reviewer"), QStringLiteral("CreateWebPage"), false));
        toggle->trigger();
        QVERIFY(!w.SettingsFile().readBool(
            QStringLiteral("Reviewer"), QStringLiteral("CreateWebPage"), true));
        const auto &d = f.desktop.dialogs();
        QCOMPARE(d.size(), 2);
        QCOMPARE(d[0].caption, QStringLiteral("Html-Dokument erzeugen..."));
        QCOMPARE(d[0].message,
            QStringLiteral(
                "Der Besprechungsbericht wird von jetzt an auch als Html-Dokument gespeichert."));
        QCOMPARE(d[1].caption, QStringLiteral("Kein Html-Dokument erzeugen..."));
        QCOMPARE(d[1].message,
            QStringLiteral("Der Besprechungsbericht wird von jetzt an  n i c h t  mehr als "
                           "HTML-Dokument gespeichert"));
        QCOMPARE(d[1].kind, int(Msg::mtInformation));
    }
};

QTEST_MAIN(TestWebPages)
#include "tst_webpages.moc"
