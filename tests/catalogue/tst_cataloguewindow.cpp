// "Katalogdaten holen" and "Umschlagbild holen" in the real window, against
// a local server on 127.0.0.1.

#include "CatalogueFixtures.h"
#include "LocalHttpServer.h"
#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "base/StatusPanel.h"
#include "catalogue/CatalogueActions.h"
#include "catalogue/CatalogueDialogs.h"
#include "forms/BookDataPage.h"
#include "forms/DBControls.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"

#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <memory>

namespace {

const QString kIsbn = QStringLiteral("9783789142123");

QByteArray jpegBytes()
{
    QImage image(30, 40, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

QByteArray pngBytes()
{
    QImage image(30, 40, QImage::Format_ARGB32);
    image.fill(QColor(40, 40, 200, 128));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The local catalogue and a window whose settings point there.
struct Setup
{
    LocalHttpServer server;
    std::unique_ptr<WindowFixture> f;

    explicit Setup(int timeout = 5)
    {
        if (!server.listen())
            qFatal("no local server");
        const QString a = server.address();
        f = std::make_unique<WindowFixture>(QStringLiteral(
            "[Catalogue]\r\nSruURL=%1/sru/dnb\r\nOpenLibraryURL=%1/api/books\r\n"
            "CoverURL=%1/cover\r\nOpenLibraryCoverURL=%1/b/isbn\r\nTimeoutSeconds=%2\r\n")
                                                .arg(a)
                                                .arg(timeout)
                                                .toLatin1());
    }

    TMainform &w() { return f->window(); }
    CatalogueActions &actions() { return *w().findChild<CatalogueActions *>(); }
    DBEdit *edit(const char *name) { return w().findChild<DBEdit *>(QLatin1String(name)); }
    QString coverPath(const QString &name)
    {
        return f->env.path(QStringLiteral("Zadizezerev/Html/Umschlagbilder/") + name);
    }

    // A new record on the book-data page with the ISBN typed into the series field.
    bool startNew(const QString &isbn)
    {
        if (!f->start())
            return false;
        SelectNode(*f, QStringLiteral("DB"));
        TriggerReviewAction(*f, baNew);
        DBEdit *serie = edit("DBEditBookSerie");
        serie->setFocus();
        QTest::keyClicks(serie, isbn);
        return f->table().state() == DataSet::dsInsert;
    }

    // Starts the action and waits until it is done with all its dialogs.
    bool run(const char *action = "ActionFetchCatalogueData")
    {
        QSignalSpy done(&actions(), &CatalogueActions::finished);
        w().actions()->action(QLatin1String(action))->trigger();
        return done.wait(20000);
    }
};

} // namespace

class TestCatalogueWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void theActionsSitBesideTheSeriesField()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        QAction *fetch = w.actions()->action(QStringLiteral("ActionFetchCatalogueData"));
        QAction *cover = w.actions()->action(QStringLiteral("ActionFetchCover"));
        QVERIFY(fetch && cover);
        QCOMPARE(fetch->text(), QStringLiteral("Katalogdaten holen"));
        QCOMPARE(fetch->shortcut(), QKeySequence(QStringLiteral("Ctrl+K")));
        QCOMPARE(cover->text(), QStringLiteral("Umschlagbild holen"));
        const QList<QAction *> popup = w.bookDataPage()->PopupMenuISBN->actions();
        QVERIFY(popup.contains(fetch) && popup.contains(cover));
        auto *button = w.findChild<QToolButton *>(QStringLiteral("ToolButtonFetchCatalogueData"));
        QVERIFY(button);
        QCOMPARE(button->defaultAction(), fetch);
    }

    void aNewRecordIsFilled()
    {
        Setup s;
        s.server.answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-one.xml")));
        QVERIFY(s.startNew(QStringLiteral("978-3-7891-4212-3")));
        QVERIFY(s.run());
        DataSet &t = s.f->table();
        // The starting values of a new record give way without a question.
        QCOMPARE(t.state(), DataSet::dsInsert);
        QCOMPARE(t.asText(fBookTitle), QString::fromUtf16(u"Die Brüder Löwenherz"));
        QCOMPARE(t.asText(fBookSerie), QStringLiteral("978-3-7891-4212-3"));
        QCOMPARE(t.asText(fPublisher), QStringLiteral("Oetinger"));
        QCOMPARE(t.asText(fPublisherLocation), QStringLiteral("Hamburg"));
        QCOMPARE(t.value(fYearPublished).toInt(), 2018);
        QCOMPARE(t.value(fPages).toInt(), 235);
        QCOMPARE(t.asText(fBinding), QStringLiteral("geb"));
        QCOMPARE(t.asText(fCurrency), QStringLiteral("Fr"));
        QCOMPARE(t.value(fPrice).toDouble(), 21.9);
        QCOMPARE(t.asText(fAuthor1Name), QStringLiteral("Lindgren"));
        QCOMPARE(t.asText(fIllustrator1Name), QStringLiteral("Wikland"));
        QCOMPARE(t.asText(fTranslator1Name), QStringLiteral("Kornitzky"));
        QCOMPARE(t.asText(fLanguage), QStringLiteral("Schwed"));
        QCOMPARE(t.asText(fAgegroup), QStringLiteral("K"));
        QCOMPARE(s.edit("DBEditBookTitle")->text(), QString::fromUtf16(u"Die Brüder Löwenherz"));
        QVERIFY(s.w()
                    .statusText(StatusPanel::Hint)
                    .startsWith(
                        QStringLiteral("Katalogdaten übernommen: Deutsche Nationalbibliothek")));
        // Without a book number there is no cover name, so no cover is offered.
        QVERIFY(s.f->desktop.dialogs().isEmpty());
        QVERIFY(!QApplication::overrideCursor());
        // The filled book passes the checks of the book-data page.
        t.setValue(fBookNbr, 5.18);
        QVERIFY(t.post());
        QVERIFY(s.f->desktop.dialogs().isEmpty());
    }

    void differentValuesAreAsked_data()
    {
        QTest::addColumn<bool>("takeTitle");
        QTest::newRow("title taken") << true;
        QTest::newRow("all kept") << false;
    }

    void differentValuesAreAsked()
    {
        QFETCH(bool, takeTitle);
        Setup s;
        s.server.answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-one.xml")));
        QVERIFY(WriteTestReviewFile(s.f->dbFolder() + QStringLiteral("2018/EM.cds"),
            { { 5.18, 2017, QStringLiteral("Brüder Löwenherz"), QString(),
                { { fBookSerie, kIsbn }, { fAuthor1Name, QStringLiteral("Lindgren") },
                    { fAuthor1Firstname, QStringLiteral("Astrid") },
                    { fCurrency, QStringLiteral("Fr") }, { fPrice, 19.8 } } } }));
        QVERIFY(s.f->start());
        SelectNode(*s.f, QStringLiteral("DB/2018/EM.cds"));
        TriggerReviewAction(*s.f, baLoad);
        QCOMPARE(s.f->table().recordCount(), 1);
        s.w().SetActivePage(TMainform::pgBookData);

        QStringList shown;
        bool tickedAtFirst = false;
        s.actions().modalAnswer = [&](QDialog &dialog) {
            auto *conflicts = qobject_cast<CatalogueConflictDialog *>(&dialog);
            if (!conflicts) {
                QTest::qFail("not the conflict dialog", __FILE__, __LINE__);
                return int(QDialog::Rejected);
            }
            QTableWidget *table = conflicts->TableConflicts;
            for (int row = 0; row < table->rowCount(); ++row) {
                tickedAtFirst = tickedAtFirst || conflicts->isTaken(row);
                shown.append(table->item(row, 0)->text() + u'|' + table->item(row, 1)->text() + u'|'
                    + table->item(row, 2)->text());
            }
            if (!takeTitle) {
                conflicts->ButtonKeep->click();
                return conflicts->result();
            }
            // The person ticks the title with the keyboard.
            table->setFocus();
            table->setCurrentCell(0, 0);
            QTest::keyClick(table->viewport(), Qt::Key_Space);
            conflicts->ButtonTake->click();
            return conflicts->result();
        };
        // The cover of the book is not there: the offer is declined.
        s.f->desktop.answer(Msg::mrCancel, QStringLiteral("Umschlagbild holen"));
        QVERIFY(s.run());
        QVERIFY(!tickedAtFirst);
        QCOMPARE(shown,
            QStringList({ QString::fromUtf16(u"Titel|Brüder Löwenherz|Die Brüder Löwenherz"),
                QStringLiteral("Jahr|2017|2018"), QStringLiteral("Preis|Fr 19.80|Fr 21.90") }));
        const DataSet &t = s.f->table();
        QCOMPARE(t.asText(fBookTitle),
            takeTitle ? QString::fromUtf16(u"Die Brüder Löwenherz")
                      : QString::fromUtf16(u"Brüder Löwenherz"));
        QCOMPARE(t.value(fYearPublished).toInt(), 2017);
        QCOMPARE(t.value(fPrice).toDouble(), 19.8);
        // Empty fields are filled at once, the same ones stay.
        QCOMPARE(t.asText(fPublisher), QStringLiteral("Oetinger"));
        QCOMPARE(t.asText(fBookSerie), QStringLiteral("978-3-7891-4212-3"));
        QCOMPARE(t.asText(fAuthor1Firstname), QStringLiteral("Astrid"));
        QCOMPARE(t.state(), DataSet::dsEdit);
        QCOMPARE(s.f->desktop.dialogs().size(), 1);
        QVERIFY(s.f->desktop.lastDialog().message.contains(QStringLiteral("kein Umschlagbild")));
    }

    void oneOfSeveralIsChosen()
    {
        Setup s;
        s.server.answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-several.xml")));
        QVERIFY(s.startNew(kIsbn));
        QStringList rows;
        int chosenAtFirst = -1;
        s.actions().modalAnswer = [&](QDialog &dialog) {
            auto *choice = qobject_cast<CatalogueChoiceDialog *>(&dialog);
            if (!choice) {
                QTest::qFail("not the choice dialog", __FILE__, __LINE__);
                return int(QDialog::Rejected);
            }
            QTableWidget *table = choice->TableCatalogueRecords;
            for (int row = 0; row < table->rowCount(); ++row) {
                QStringList cells;
                for (int column = 0; column < table->columnCount(); ++column)
                    cells.append(table->item(row, column)->text());
                rows.append(cells.join(u'|'));
            }
            chosenAtFirst = choice->chosen();
            table->selectRow(1);
            choice->ButtonTake->click();
            return choice->result();
        };
        QVERIFY(s.run());
        // Print editions first, and the first is chosen.
        QCOMPARE(chosenAtFirst, 0);
        QCOMPARE(rows,
            QStringList({ QString::fromUtf16(u"Die Brüder Löwenherz|2018|gebunden|Oetinger"),
                QString::fromUtf16(u"Die Brüder Löwenherz|2019|E-Book|Oetinger") }));
        QCOMPARE(s.f->table().value(fYearPublished).toInt(), 2019);
    }

    void withoutAValidIsbnNothingIsAsked()
    {
        Setup s;
        QVERIFY(s.startNew(QStringLiteral("3-7891-4212-0")));
        s.f->desktop.answer(Msg::mrOk, QStringLiteral("ISBN prüfen"));
        s.w().actions()->action(QStringLiteral("ActionFetchCatalogueData"))->trigger();
        QCOMPARE(s.f->desktop.lastDialog().message,
            QStringLiteral("3789142120 ist  k e i n e  gültige ISBN10"));
        QVERIFY(!s.actions().isBusy());
        QVERIFY(s.server.requests.isEmpty());
    }

    void failuresChangeNothing_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("kind");
        QTest::newRow("server error")
            << 503
            << "Die Abfrage bei der Deutschen Nationalbibliothek ist fehlgeschlagen:\r\n"
               "Der Server meldet den HTTP-Fehler 503 (Error)."
            << int(Msg::mtError);
        QTest::newRow("no hit") << 200 << "Kein Eintrag im Katalog für ISBN 9783789142123"
                                << int(Msg::mtInformation);
    }

    void failuresChangeNothing()
    {
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(int, kind);
        Setup s;
        s.server.answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-none.xml")), status);
        s.server.answerFile(
            QStringLiteral("/api/books"), CatalogueFixture(QStringLiteral("ol-none.json")));
        QVERIFY(s.startNew(kIsbn));
        const Record before = s.f->table().currentValues();
        s.f->desktop.answer(Msg::mrOk, QStringLiteral("Katalogdaten holen..."));
        QVERIFY(s.run());
        QCOMPARE(s.f->desktop.lastDialog().message, message);
        QCOMPARE(s.f->desktop.lastDialog().kind, kind);
        QCOMPARE(s.f->table().currentValues(), before);
    }

    void theWindowStaysUsableAndEscapeCancels()
    {
        Setup s(15);
        LocalHttpServer::Answer slow;
        slow.body = CatalogueFixtureBytes(QStringLiteral("dnb-one.xml"));
        slow.delayMs = 8000;
        s.server.answer(QStringLiteral("/sru/dnb"), slow);
        QVERIFY(s.startNew(kIsbn));
        QSignalSpy done(&s.actions(), &CatalogueActions::finished);
        s.w().actions()->action(QStringLiteral("ActionFetchCatalogueData"))->trigger();
        QVERIFY(s.actions().isBusy());
        QVERIFY(QApplication::overrideCursor());
        QVERIFY(s.w().statusText(StatusPanel::Hint).contains(QStringLiteral("Esc bricht ab")));
        QTRY_COMPARE(s.server.requests.size(), 1);
        // The person goes on typing meanwhile.
        DBEdit *title = s.edit("DBEditBookTitle");
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("Krabat"));
        QCOMPARE(s.f->table().asText(fBookTitle), QStringLiteral("Krabat"));
        QVERIFY(s.actions().isBusy());

        QTest::keyClick(title, Qt::Key_Escape);
        QTRY_COMPARE_WITH_TIMEOUT(done.size(), 1, 2000);
        QVERIFY(!s.actions().isBusy());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(s.w().statusText(StatusPanel::Hint),
            QStringLiteral("Abfrage des Katalogs abgebrochen."));
        QCOMPARE(s.f->table().asText(fBookTitle), QStringLiteral("Krabat"));
        QCOMPARE(s.f->table().asText(fPublisher), QString());
        QVERIFY(s.f->desktop.dialogs().isEmpty());
    }

    void theCoverIsOfferedAndKeptByteForByte()
    {
        Setup s;
        s.server.answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-one.xml")));
        const QByteArray jpeg = jpegBytes();
        s.server.answer(QStringLiteral("/cover"), { 200, "OK", "image/jpeg", jpeg });
        QVERIFY(s.startNew(kIsbn));
        DBEdit *number = s.edit("DBEditBookNbr");
        number->setFocus();
        QTest::keyClicks(number, QStringLiteral("5.18"));
        QSignalSpy done(&s.actions(), &CatalogueActions::finished);
        s.f->desktop.answer(Msg::mrOk, QStringLiteral("Umschlagbild holen"));
        QVERIFY(s.run());
        // The data first, then the cover.
        QVERIFY(done.wait(20000));
        QFile file(s.coverPath(QStringLiteral("5.18.jpg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), jpeg);
        QCOMPARE(s.w().statusText(StatusPanel::Hint),
            QStringLiteral("Umschlagbild gespeichert: 5.18.jpg"));
    }

    void fetchingACoverConvertsOtherFormats()
    {
        Setup s;
        s.server.answer(QStringLiteral("/cover"), { 404, "Not Found", "text/html", "" });
        s.server.answer(
            QStringLiteral("/b/isbn/9783789142123-L.jpg"), { 200, "OK", "image/png", pngBytes() });
        QVERIFY(s.startNew(kIsbn));
        s.f->table().setValue(fBookNbr, 7.7);
        QVERIFY(s.run("ActionFetchCover"));
        QFile file(s.coverPath(QStringLiteral("7.7.jpg")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray saved = file.readAll();
        QVERIFY(saved.startsWith("\xFF\xD8\xFF"));
        QCOMPARE(QImage::fromData(saved).size(), QSize(30, 40));
        QVERIFY(s.f->desktop.dialogs().isEmpty());

        // A cover that is there is replaced only with a yes, asked before the fetch.
        s.f->desktop.answer(Msg::mrCancel, QStringLiteral("Umschlagbild speichern"));
        s.w().actions()->action(QStringLiteral("ActionFetchCover"))->trigger();
        QVERIFY(s.f->desktop.lastDialog().message.contains(QStringLiteral("Ersetzen?")));
        QVERIFY(!s.actions().isBusy());
        QCOMPARE(s.server.requests.size(), 2);
    }
};

QTEST_MAIN(TestCatalogueWindow)
#include "tst_cataloguewindow.moc"
