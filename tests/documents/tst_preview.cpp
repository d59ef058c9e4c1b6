#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"

#include "app/DesktopPrinter.h"
#include "app/Fmain.h"
#include "app/PageControl.h"
#include "base/ActionList.h"
#include "base/VexUtils.h"
#include "data/DDataAccess.h"
#include "documents/Preview.h"
#include "documents/PreviewPage.h"
#include "documents/PreviewText.h"
#include "documents/ReviewDocuments.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeProcedures.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTreeWidget>

namespace {

struct Book
{
    double number;
    QString publisher;
    QString author;
};

// A review file of books of 2007 with titles "Buch 1", "Buch 2", ...
void writeBooks(const QString &path, const QList<Book> &books)
{
    QList<TestBook> out;
    for (const Book &b : books) {
        out.append({ b.number, 2007, QStringLiteral("Buch %1").arg(out.size() + 1), b.publisher,
            { { fAuthor1Name, b.author }, { fLanguage, QStringLiteral("-") },
                { fPagination, QStringLiteral("P") }, { fPages, 32 },
                { fBinding, QStringLiteral("geb") } } });
    }
    QString error;
    QVERIFY2(WriteTestReviewFile(path, out, &error), qPrintable(error));
}

// Starts the window with A.cds loaded.
void startLoaded(WindowFixture &f, const QList<Book> &books)
{
    writeBooks(f.dbFolder() + QStringLiteral("A.cds"), books);
    QVERIFY(f.start());
    SelectNode(f, QStringLiteral("DB/A.cds"));
    f.window().actions()->reviewAction(baLoad)->trigger();
    QCOMPARE(f.table().recordCount(), books.size());
}

QString shown(WindowFixture &f) { return f.window().previewPage()->RichEdit1->toPlainText(); }

void showPreviewPage(WindowFixture &f)
{
    f.window().PageControl1->setCurrentIndex(TMainform::pgPreview);
    QCOMPARE(f.window().ActivePage(), int(TMainform::pgPreview));
}

void clickMode(WindowFixture &f, int item)
{
    auto *button
        = f.window().findChild<QRadioButton *>(QStringLiteral("RadioGroupPreviewItem%1").arg(item));
    QVERIFY(button);
    button->click();
}

QAction *action(WindowFixture &f, const char *name)
{
    return f.window().actions()->action(QLatin1String(name));
}

} // namespace

// The preview page, its printout and the word-processor documents, in the
// real window.
class TestPreview : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void currentAndAllReviews()
    {
        WindowFixture f;
        startLoaded(
            f, { { 1.7, "A", "X" }, { 2.7, "A", "Y" }, { 3.7, "A", "Z" }, { 4.7, "A", "W" } });
        DataSet &t = f.table();
        ToggleBookMark(
            FindNodeByData(f.window().TreeView1, EncodeBookKey(QStringLiteral("2.7")), false));
        f.window().RemoveBookNode(EncodeBookKey(QStringLiteral("3.7")));
        QVERIFY(t.locate(QStringLiteral("BookNbr"), 2.7));
        const int current = t.recNo();

        showPreviewPage(f);
        QVERIFY(f.window().previewPage()->showsCurrent());
        QCOMPARE(shown(f), ComposePreview(t).replace(u'\r', u'\n'));
        QVERIFY(shown(f).contains(QStringLiteral("Buch 2")));
        QVERIFY(f.window().DBNavigator1->isEnabled());
        QVERIFY(action(f, "ActionPrint")->isEnabled());

        clickMode(f, 1);
        const QString all = shown(f);
        // The excluded book is left out, the one without a node is shown.
        QVERIFY(all.contains(QStringLiteral("Buch 1")));
        QVERIFY(!all.contains(QStringLiteral("Buch 2")));
        QVERIFY(all.contains(QStringLiteral("Buch 3")));
        QVERIFY(all.contains(QStringLiteral("Buch 4")));
        QCOMPARE(all.count(u'\n'), 3 * 5);
        QCOMPARE(t.recNo(), current);
        QVERIFY(!f.window().DBNavigator1->isEnabled());

        // The mode stays when the page is shown again.
        f.window().PageControl1->setCurrentIndex(TMainform::pgReview);
        showPreviewPage(f);
        QCOMPARE(shown(f), all);
        clickMode(f, 0);
        QVERIFY(f.window().DBNavigator1->isEnabled());
        QVERIFY(shown(f).contains(QStringLiteral("Buch 2")));
        QCOMPARE(shown(f).count(u'\n'), 5);
    }

    // The preview of all reviews holds the navigator still only while it is
    // shown.
    void navigatorComesBackOffThePreview_data()
    {
        QTest::addColumn<int>("page");
        QTest::newRow("Buchdaten") << int(TMainform::pgBookData);
        QTest::newRow("Besprechung") << int(TMainform::pgReview);
        QTest::newRow("DB-Überblick") << int(TMainform::pgDbOverview);
    }
    void navigatorComesBackOffThePreview()
    {
        QFETCH(int, page);
        WindowFixture f;
        startLoaded(f, { { 1.7, "A", "X" }, { 2.7, "A", "Y" } });
        showPreviewPage(f);
        clickMode(f, 1);
        QVERIFY(!f.window().DBNavigator1->isEnabled());

        f.window().PageControl1->setCurrentIndex(page);
        QCOMPARE(f.window().ActivePage(), page);
        QVERIFY(f.window().DBNavigator1->isEnabled());
        QVERIFY(f.table().first());
        auto *next = f.window().DBNavigator1->findChild<QAbstractButton *>(
            QStringLiteral("DBNavigatorButtonNext"));
        QVERIFY(next);
        next->click();
        QCOMPARE(f.table().recNo(), 1);

        // Back on the preview the mode still holds it.
        showPreviewPage(f);
        QVERIFY(!f.window().previewPage()->showsCurrent());
        QVERIFY(!f.window().DBNavigator1->isEnabled());
    }

    void printJob()
    {
        WindowFixture f;
        startLoaded(f, { { 1.7, "A", "X" } });
        showPreviewPage(f);
        action(f, "ActionPrint")->trigger();
        QCOMPARE(f.printer.jobs.size(), 1);
        const PrintJob &job = f.printer.jobs[0];
        QCOMPARE(job.title, QStringLiteral("Besprechungsbericht"));
        // 600 dpi, 95 pixels unprintable: 25, 15 and 20 mm less the strips.
        QCOMPARE(job.pageRect, QRect(QPoint(496, 377), QPoint(4321, 6257)));
        QCOMPARE(job.text, ComposePreview(f.table()));
        QVERIFY(job.pdfFile.isEmpty());
        QCOMPARE(job.pixelSize, 13);
        QVERIFY(f.desktop.dialogs().isEmpty());

        f.printer.printSucceeds = false;
        f.desktop.answer(Msg::mrOk, QStringLiteral("Drucken..."));
        action(f, "ActionPrint")->trigger();
        QVERIFY(f.desktop.lastDialog().message.contains(QStringLiteral("nicht gedruckt")));
    }

    void noPrinterGivesAPdf_data()
    {
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("pdf");
        QTest::newRow("saved") << int(Msg::mrOk) << "/x/Bericht"
                               << "/x/Bericht.pdf";
        QTest::newRow("dialog cancelled") << int(Msg::mrOk) << ""
                                          << "";
        QTest::newRow("question refused") << int(Msg::mrCancel) << "-"
                                          << "";
    }

    void noPrinterGivesAPdf()
    {
        QFETCH(int, question);
        QFETCH(QString, chosen);
        QFETCH(QString, pdf);
        WindowFixture f;
        f.desktop.documentsFolder = QStringLiteral("/home/erika/Dokumente");
        startLoaded(f, { { 1.7, "A", "X" } });
        f.printer.metrics.installed = false;
        showPreviewPage(f);
        f.desktop.answer(question, QStringLiteral("Drucken..."));
        if (!chosen.isEmpty())
            f.printer.saveAnswers.enqueue(chosen);
        action(f, "ActionPrint")->trigger();
        QVERIFY(f.desktop.dialogs()[0].message.contains(QStringLiteral("kein Drucker")));
        if (question == Msg::mrOk)
            QCOMPARE(f.printer.saveDialogs,
                QStringList { QStringLiteral("/home/erika/Dokumente/Besprechungsbericht.pdf") });
        QCOMPARE(f.printer.jobs.size(), pdf.isEmpty() ? 0 : 1);
        if (!pdf.isEmpty()) {
            QCOMPARE(f.printer.jobs[0].pdfFile, pdf);
            QCOMPARE(f.desktop.opened, QStringList { pdf });
        }
    }

    // The real printer's PDF output, laid out within the page rectangle.
    void realPdfOutput()
    {
        TestEnv env;
        DesktopPrinter printer;
        const PrinterMetrics m = printer.DefaultPrinter();
        QVERIFY(m.dpiX > 0 && m.printableWidth > 0);
        PrintJob job;
        job.title = QStringLiteral("Besprechungsbericht");
        job.pageRect = PrintPageRect(m);
        job.fontFamily = PreviewPage::previewFont().family();
        for (int i = 0; i < 200; ++i)
            job.text += QStringLiteral("Zeile %1 mit Umlauten äöü\r").arg(i);
        job.pdfFile = env.path(QStringLiteral("Bericht.pdf"));
        QString error;
        QVERIFY2(printer.Print(job, &error), qPrintable(error));
        QFile pdf(job.pdfFile);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QVERIFY(
            bytes.count("/Type /Page\n") + bytes.count("/Type /Page ") + bytes.count("/Type/Page\n")
            >= 1);

        // A folder that does not exist: the reason comes back.
        job.pdfFile = env.path(QStringLiteral("fehlt/Bericht.pdf"));
        QVERIFY(!printer.Print(job, &error));
        QVERIFY(!error.isEmpty());
    }

    // Every line is drawn once, on its page: text extraction and search in a
    // PDF viewer find each word once, also in paragraphs that run over a
    // page break.
    void pdfHoldsEveryLineOnce()
    {
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        QVERIFY2(!pdftotext.isEmpty(), "pdftotext (poppler-utils, see scripts/deps) is missing");
        TestEnv env;
        DesktopPrinter printer;
        PrintJob job;
        job.title = QStringLiteral("Besprechungsbericht");
        job.pageRect = PrintPageRect(printer.DefaultPrinter());
        job.fontFamily = PreviewPage::previewFont().family();
        // Paragraphs of about ten lines, each word once.
        QStringList words;
        for (int p = 0; p < 30; ++p) {
            QStringList paragraph;
            for (int w = 0; w < 120; ++w)
                paragraph.append(QStringLiteral("w%1x%2").arg(p).arg(w));
            job.text += paragraph.join(u' ') + QStringLiteral("\r\r");
            words += paragraph;
        }
        job.pdfFile = env.path(QStringLiteral("Bericht.pdf"));
        QString error;
        QVERIFY2(printer.Print(job, &error), qPrintable(error));

        QProcess extract;
        extract.start(pdftotext, { QStringLiteral("-q"), job.pdfFile, QStringLiteral("-") });
        QVERIFY(extract.waitForFinished());
        const QString text = QString::fromUtf8(extract.readAllStandardOutput());
        QVERIFY2(text.count(u'\f') >= 4, "the text should fill several pages");
        QHash<QString, int> found;
        for (const QString &word :
            text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
            ++found[word];
        QStringList wrong;
        for (const QString &word : std::as_const(words)) {
            if (found.value(word) != 1)
                wrong.append(QStringLiteral("%1 (%2 times)").arg(word).arg(found.value(word)));
        }
        QVERIFY2(wrong.isEmpty(),
            qPrintable(QString::number(wrong.size()) + QStringLiteral(": ")
                + wrong.mid(0, 8).join(QStringLiteral(", "))));
    }

    void publisherDocuments()
    {
        WindowFixture f;
        startLoaded(f, { { 1.7, "B", "Z" }, { 2.7, "A", "Y" }, { 3.7, "B", "X" } });
        f.useScriptedWordProcessor();
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/A.cds"));
        f.window().TreeView1->setCurrentItem(file);
        QAction *publishers = action(f, "ActionPublisherDocuments");
        QVERIFY(publishers->isEnabled());

        // "Nein" changes nothing, not even the order.
        const QString order = f.table().indexFieldNames();
        f.desktop.answer(Msg::mrCancel, QStringLiteral("Verlagsdokumente erzeugen..."));
        publishers->trigger();
        QCOMPARE(f.desktop.lastDialog().captions, QStringList({ "Ja", "Nein" }));
        QVERIFY(f.wordProcessor.commands.isEmpty());
        QCOMPARE(f.table().indexFieldNames(), order);

        f.desktop.answer(Msg::mrOk, QStringLiteral("Verlagsdokumente erzeugen..."));
        publishers->trigger();
        const QString word = f.env.path(QStringLiteral("Zadizezerev/Word/"));
        QCOMPARE(f.wordProcessor.arguments(QStringLiteral("FileSaveAs")),
            QStringList({ word + QStringLiteral("A.doc"), word + QStringLiteral("B.doc") }));
        QCOMPARE(f.wordProcessor.commands.last(), QStringLiteral("FileQuit"));
        QCOMPARE(f.table().indexFieldNames(), QStringLiteral("Publisher;Author1Name"));
        QVERIFY(!QApplication::overrideCursor());

        // A failing save is reported and the word processor quit.
        f.wordProcessor.commands.clear();
        f.wordProcessor.failOn = QStringLiteral("FileSaveAs");
        // The run ends on the last record, whose book node the tree then shows.
        f.window().TreeView1->setCurrentItem(file);
        f.desktop.answer(Msg::mrOk, QStringLiteral("Verlagsdokumente erzeugen..."));
        f.desktop.answer(Msg::mrOk);
        publishers->trigger();
        QCOMPARE(f.desktop.lastDialog().message, f.wordProcessor.failText);
        QCOMPARE(f.wordProcessor.commands.last(), QStringLiteral("FileQuit"));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!f.table().controlsDisabled());
    }

    void badFontSizeStartsNothing()
    {
        WindowFixture f("[DocStyle]\r\nFontSize=12pt\r\n");
        startLoaded(f, { { 1.7, "B", "Z" } });
        f.useScriptedWordProcessor();
        f.window().documents()->WriteWordFile(f.env.path(QStringLiteral("x.doc")));
        QVERIFY(f.wordProcessor.commands.isEmpty());
        QCOMPARE(f.desktop.systemMessages.size(), 1);
        QVERIFY(f.desktop.systemMessages[0].contains(QStringLiteral("12pt")));
    }

    void wordDocSwitch()
    {
        WindowFixture f;
        QVERIFY(f.start());
        QAction *toggle = action(f, "ActionCreateWordDoc");
        QVERIFY(!toggle->isChecked());
        f.desktop.answer(Msg::mrOk, QStringLiteral("Word-Dokument erzeugen..."));
        toggle->trigger();
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral(
                "Der Besprechungsbericht wird von jetzt an auch als Word-Dokument gespeichert."));
        QVERIFY(f.window().SettingsFile().readBool(
            QStringLiteral("Reviewer"), QStringLiteral("CreateWordDoc"), false));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Kein Word-Dokument erzeugen..."));
        toggle->trigger();
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Der Besprechungsbericht wird von jetzt an  n i c h t  mehr als "
                           "Word-Dokument gespeichert"));
        QVERIFY(!f.window().SettingsFile().readBool(
            QStringLiteral("Reviewer"), QStringLiteral("CreateWordDoc"), true));
    }

    // Saving with the switch on writes the document beside the others, in the
    // configured font and size, all records included.
    void savingWritesTheDocument()
    {
        WindowFixture f("[DocStyle]\r\nFont=Arial\r\nFontSize=12\r\n");
        startLoaded(f, { { 1.7, "B", "Z" }, { 2.7, "A", "Y" } });
        action(f, "ActionCreateWordDoc")->setChecked(true);
        ToggleBookMark(
            FindNodeByData(f.window().TreeView1, EncodeBookKey(QStringLiteral("2.7")), false));
        f.window().TreeView1->setCurrentItem(TreeNode(f, QStringLiteral("DB/A.cds")));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        f.window().actions()->reviewAction(baSave)->trigger();
        QFile doc(f.env.path(QStringLiteral("Zadizezerev/Word/A.doc")));
        QVERIFY(doc.open(QIODevice::ReadOnly));
        const QByteArray rtf = doc.readAll();
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        QVERIFY(rtf.contains("{\\f0\\fnil\\fcharset0 Arial;}"));
        QVERIFY(rtf.contains("\\fs24 1.7\\par"));
        // The excluded book was dropped by the save before the document.
        QVERIFY(!rtf.contains("Buch 2"));
        QVERIFY(f.desktop.dialogs().size() == 1);
    }
};

QTEST_MAIN(TestPreview)
#include "tst_preview.moc"
