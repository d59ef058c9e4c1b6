#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"
#include "ZipBytes.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "app/StatusPanels.h"
#include "app/StatusProgress.h"
#include "base/ActionList.h"
#include "base/StatusPanel.h"
#include "data/DDataAccess.h"
#include "documents/PreviewPage.h"
#include "documents/ReviewDocuments.h"
#include "store/ReviewSchema.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTreeWidget>

#include <functional>

namespace {

StatusProgress *progressOf(WindowFixture &f) { return f.window().StatusBar1->progress(); }

// Review files A.cds, B.cds, ... in DB/<folder>, each of `books` books of
// its own publisher ("Verlag A", ...).
void writeFiles(WindowFixture &f, const QString &folder, int files, int books)
{
    int number = 1;
    for (int i = 0; i < files; ++i) {
        const QString letter = QString(QChar(u'A' + i));
        QList<TestBook> list;
        for (int b = 0; b < books; ++b, ++number)
            list.append({ number + 0.7, 2007, QStringLiteral("Buch %1").arg(number),
                QStringLiteral("Verlag ") + letter });
        QString error;
        QVERIFY2(WriteTestReviewFile(
                     f.dbFolder() + folder + u'/' + letter + QStringLiteral(".cds"), list, &error),
            qPrintable(error));
    }
}

// How the person stops the work.
enum Stop { ByEscape, ByButton, ByClosingTheWindow };

void stopWork(WindowFixture &f, Stop how)
{
    StatusProgress *progress = progressOf(f);
    switch (how) {
    case ByEscape:
        QTest::keyClick(&f.window(), Qt::Key_Escape);
        break;
    case ByButton:
        QVERIFY(progress->ButtonStopWork->isVisible());
        QTest::mouseClick(progress->ButtonStopWork, Qt::LeftButton);
        break;
    case ByClosingTheWindow: {
        QCloseEvent close;
        QApplication::sendEvent(f.window().windowHandle(), &close);
        break;
    }
    }
}

// Stops the work the first time a step says `when` (the step's text, or
// its count when a number).
class StopAt : public QObject
{
public:
    StopAt(WindowFixture &f, std::function<bool(qint64, const QString &)> when, Stop how = ByEscape)
    {
        connect(progressOf(f), &StatusProgress::advanced, this,
            [this, &f, when, how](qint64 done, qint64, const QString &text) {
                texts.append(text);
                if (!stopped && when(done, text)) {
                    stopped = true;
                    stopWork(f, how);
                }
            });
    }
    QStringList texts;
    bool stopped = false;
};

} // namespace

// Long work shows its progress in the status bar, and the person may stop
// what can be stopped: what was done stays whole, nothing is half done.
class TestProgress : public QObject
{
    Q_OBJECT

    void start(WindowFixture &f)
    {
        QVERIFY(f.start());
        f.window().show();
        progressOf(f)->setShowDelay(0);
    }

private slots:
    void longWorkShowsWhatItDoes()
    {
        WindowFixture f;
        writeFiles(f, QStringLiteral("Archiv"), 3, 2);
        start(f);
        StatusProgress *progress = progressOf(f);
        QStringList labels;
        QStringList steps;
        bool busyPointer = false;
        connect(progress, &StatusProgress::advanced, this,
            [&](qint64, qint64, const QString &text) { steps.append(text); });
        connect(progress, &StatusProgress::advanced, this, [&] {
            if (progress->isVisible())
                labels.append(progress->ProgressLabel->text());
            busyPointer = busyPointer || QApplication::overrideCursor();
        });
        SelectNode(f, QStringLiteral("DB/Archiv/"));
        TriggerReviewAction(f, baLoad);

        // The bar says what the work does as the window paints.
        QVERIFY(!labels.isEmpty());
        QVERIFY2(
            labels.first().contains(QRegularExpression(QStringLiteral("^Lade \\d von 3 Dateien$"))),
            qPrintable(labels.first()));
        QVERIFY2(
            steps.contains(QStringLiteral("Lade 2 von 3 Dateien")), qPrintable(steps.join(u'|')));
        QVERIFY(busyPointer);
        QCOMPARE(f.table().recordCount(), 6);
        QVERIFY(!progress->isVisible());
        QVERIFY(!QApplication::overrideCursor());
    }

    void shortWorkShowsNothing()
    {
        WindowFixture f;
        writeFiles(f, QStringLiteral("Archiv"), 1, 2);
        QVERIFY(f.start());
        f.window().show();
        StatusProgress *progress = progressOf(f);
        bool seen = false;
        connect(progress, &StatusProgress::advanced, this,
            [&] { seen = seen || progress->isVisible() || QApplication::overrideCursor(); });
        SelectNode(f, QStringLiteral("DB/Archiv/A.cds"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.table().recordCount(), 2);
        QVERIFY(!seen);
        QVERIFY(!progress->isVisible());
    }

    void stoppedLoadKeepsWholeFiles_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("Escape") << int(ByEscape);
        QTest::newRow("Abbrechen") << int(ByButton);
        QTest::newRow("closing the window") << int(ByClosingTheWindow);
    }

    void stoppedLoadKeepsWholeFiles()
    {
        QFETCH(int, how);
        WindowFixture f;
        writeFiles(f, QStringLiteral("Archiv"), 5, 3);
        start(f);
        {
            StopAt stop(
                f, [](qint64 done, const QString &) { return done == 2; }, Stop(how));
            SelectNode(f, QStringLiteral("DB/Archiv/"));
            TriggerReviewAction(f, baLoad);
            QVERIFY(stop.stopped);
        }
        TMainform &w = f.window();
        QVERIFY(w.isVisible());
        QCOMPARE(f.table().recordCount(), 6);
        for (const char *file : { "A", "B", "C", "D", "E" }) {
            QTreeWidgetItem *node
                = TreeNode(f, QStringLiteral("DB/Archiv/%1.cds").arg(QLatin1String(file)));
            QVERIFY(node);
            QCOMPARE(node->childCount(), *file < 'C' ? 3 : 0);
        }
        QCOMPARE(w.statusText(StatusPanel::LoadedFiles), QStringLiteral("2"));
        QCOMPARE(w.statusText(StatusPanel::Hint),
            QStringLiteral("Laden abgebrochen: 2 von 5 Dateien geladen"));
        QVERIFY(!f.table().controlsDisabled());
        QVERIFY(!progressOf(f)->isVisible());
        QVERIFY(f.desktop.dialogs().isEmpty());

        // The rest loads as ever.
        SelectNode(f, QStringLiteral("DB/Archiv/C.cds"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.table().recordCount(), 9);
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    void stoppedDocumentRunKeepsWholeDocuments()
    {
        WindowFixture f;
        writeFiles(f, QStringLiteral("Archiv"), 3, 2);
        start(f);
        SelectNode(f, QStringLiteral("DB/Archiv/"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.table().recordCount(), 6);

        f.desktop.answer(Msg::mrOk, QStringLiteral("Verlagsdokumente erzeugen..."));
        {
            StopAt stop(f, [](qint64, const QString &text) {
                return text == QStringLiteral("Verlagsdokument 2 von 3");
            });
            f.window().documents()->ActionPublisherDocumentsExecute();
            QVERIFY(stop.stopped);
        }
        // The first document is whole; the one being written and those after
        // it are not there, nor anything half written.
        const QString word = f.env.path(QStringLiteral("Zadizezerev/Word"));
        QCOMPARE(QDir(word).entryList(QDir::Files), QStringList({ "Verlag A.doc" }));
        const QByteArray first = f.env.readFile(QStringLiteral("Zadizezerev/Word/Verlag A.doc"));
        QVERIFY(first.startsWith("{\\rtf1") && first.trimmed().endsWith('}'));
        QVERIFY(first.contains("Buch 1") && first.contains("Buch 2"));
        QCOMPARE(f.window().statusText(StatusPanel::Hint),
            QStringLiteral("Abgebrochen: 1 Verlagsdokumente erzeugt"));
        QCOMPARE(f.desktop.dialogs().size(), 1);
        QVERIFY(!f.table().controlsDisabled());
        QCOMPARE(f.table().recordCount(), 6);
    }

    void stoppedZipImportKeepsWholeFiles()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2008")));
        start(f);
        const QString archive = f.env.path(QStringLiteral("Post/Paket.zip"));
        QVERIFY(f.env.writeFile(QStringLiteral("Post/Paket.zip"),
            ZipBytes::build(
                { ZipBytes::deflated("A.cds", "eins"), ZipBytes::deflated("B.cds", "zwei"),
                    ZipBytes::deflated("C.cds", "drei"), ZipBytes::stored("1.8.jpg", "bild") })));
        SelectNode(f, QStringLiteral("DB/2008/"));
        f.desktop.openFileAnswers.enqueue(archive);
        {
            StopAt stop(f, [](qint64 done, const QString &) { return done == 2; });
            TriggerReviewAction(f, baImportZip);
            QVERIFY(stop.stopped);
        }
        QCOMPARE(TestEnv::listing(f.dbFolder() + QStringLiteral("2008")),
            QStringList({ "A.cds=eins", "B.cds=zwei" }));
        QVERIFY(
            !QFile::exists(f.env.path(QStringLiteral("Zadizezerev/Html/Umschlagbilder/1.8.jpg"))));
        QVERIFY(TreeNode(f, QStringLiteral("DB/2008/B.cds")));
        QCOMPARE(f.window().statusText(StatusPanel::Hint),
            QStringLiteral("Zip-Import abgebrochen: 2 Dateien entpackt"));
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    // A stopped preview of all reviews shows the current one, and the
    // choice says so; a stopped page is not written.
    void stoppedPreviewAndPage()
    {
        WindowFixture f("[WEBpage]\r\nStyleSheet=ubo.css\r\n");
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/ubo.css"), "body {}\n"));
        writeFiles(f, QStringLiteral("Archiv"), 1, 3);
        start(f);
        SelectNode(f, QStringLiteral("DB/Archiv/A.cds"));
        TriggerReviewAction(f, baLoad);
        TMainform &w = f.window();
        w.PageControl1->setCurrentIndex(TMainform::pgPreview);
        {
            StopAt stop(f, [](qint64, const QString &) { return true; });
            w.previewPage()->setShowsCurrent(false);
            w.ShowPreviewInRichEdit(true);
            QVERIFY(stop.stopped);
        }
        QVERIFY(w.previewPage()->showsCurrent());
        QCOMPARE(w.previewPage()->RichEdit1->toPlainText().count(QStringLiteral("Buch ")), 1);
        QCOMPARE(w.statusText(StatusPanel::Hint),
            QStringLiteral("Vorschau aller Besprechungen abgebrochen"));

        SelectNode(f, QStringLiteral("DB/Archiv/A.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Webseite erzeugen..."));
        {
            StopAt stop(f, [](qint64, const QString &) { return true; });
            w.actions()->reviewAction(baWebPage)->setEnabled(true);
            w.actions()->reviewAction(baWebPage)->trigger();
            QVERIFY(stop.stopped);
        }
        QVERIFY(!QFile::exists(f.env.path(QStringLiteral("Zadizezerev/Html/Archiv.htm"))));
        QCOMPARE(w.statusText(StatusPanel::Hint),
            QStringLiteral("Die Web-Seite wurde nicht geschrieben (abgebrochen)"));
        QVERIFY(f.desktop.systemMessages.isEmpty());
        QCOMPARE(f.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestProgress)
#include "tst_progress.moc"
