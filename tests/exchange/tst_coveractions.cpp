#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "base/DefaultSettings.h"
#include "base/IniFile.h"
#include "exchange/CoverActions.h"
#include "exchange/FFrontImageDlg.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

const QList<TestBook> kThreeBooks = { { 8.1, 2010, QStringLiteral("Zwerg Nase"), {} },
    { 3.7, 2007, QStringLiteral("Momo"), {} }, { 5.7, 2007, QStringLiteral("Krabat"), {} } };

// What the cover dialog showed when it came up.
struct Shown
{
    int count = 0;
    QString caption;
    bool appendMode = true;
    QStringList available;
    QStringList missing;
    bool searchEnabled = false;
};

void answerCoverDialog(WindowFixture &f, Shown &shown, int answer)
{
    f.coverDialog().modalAnswer = [&shown, answer](TFrontImageDlg &dlg) {
        ++shown.count;
        shown.caption = dlg.windowTitle();
        shown.appendMode = dlg.appendMode();
        shown.available = dlg.availableLines();
        shown.missing = dlg.missingLines();
        shown.searchEnabled = dlg.BitBtnFindImage->isEnabled();
        return answer;
    };
}

const QByteArray kProviders
    = "[WEBsearch]\n"
      "Amazone=http://shop.example/gp/search?search-alias=aps&field-keywords=\n"
      "AOL=http://aol.example/aol/image?query=\n"
      "buch.example=http://buch.example/shop/suche/?sq=\n"
      "Google=http://g.example/images?hl=de&q=\n"
      "Live Search=http://live.example/images/results.aspx?q=\n";

} // namespace

class TestCoverActions : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void missingCoversOfAReviewFile_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("opened");
        // The search is for the current row of the missing list, its first.
        const QString krabat = QStringLiteral("Krabat");
        QTest::newRow("search, default address")
            << QByteArray() << int(Msg::mrYes) << GoogleImageSearchUrl() + krabat;
        // The chosen provider does not count here, the search address does.
        QTest::newRow("search, own address") << QByteArray(kProviders
            + "[WEBsearchDefault]\nDefault=AOL\n"
              "[WEBsearch]\nSearchURL=http://s.example/?q=\n")
                                             << int(Msg::mrYes) << "http://s.example/?q=" + krabat;
        QTest::newRow("closed") << QByteArray() << int(Msg::mrCancel) << QString();
    }
    void missingCoversOfAReviewFile()
    {
        QFETCH(QByteArray, settings);
        QFETCH(int, answer);
        QFETCH(QString, opened);
        WindowFixture f(settings);
        QList<TestBook> books = kThreeBooks;
        books[1].title = QStringLiteral("Momo & Co.");
        QVERIFY(
            WriteTestReviewFile(f.dbFolder() + QStringLiteral("2007/EM_2007_05_12.cds"), books));
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/8.10.jpg"), "x"));
        QVERIFY(f.start());
        Shown shown;
        answerCoverDialog(f, shown, answer);
        SelectNode(f, QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        TriggerReviewAction(f, baShowMissingFrontImages);

        QCOMPARE(shown.count, 1);
        QCOMPARE(shown.caption, QStringLiteral("Umschlagbilder für... EM_2007_05_12.cds"));
        QVERIFY(!shown.appendMode);
        QCOMPARE(shown.available, QStringList { QStringLiteral("8.10.jpg=Zwerg Nase") });
        QCOMPARE(shown.missing,
            (QStringList {
                QStringLiteral("5.7.jpg=Krabat"), QStringLiteral("3.7.jpg=Momo & Co.") }));
        QVERIFY(shown.searchEnabled);
        QVERIFY(f.desktop.dialogs().isEmpty());
        QCOMPARE(f.desktop.opened, opened.isEmpty() ? QStringList() : QStringList { opened });

        // The same dialog again, with freshly cleared lists.
        TFrontImageDlg *first = &f.coverDialog();
        TriggerReviewAction(f, baShowMissingFrontImages);
        QCOMPARE(&f.coverDialog(), first);
        QCOMPARE(shown.count, 2);
        QCOMPARE(shown.missing.size(), 2);
    }

    void everyCoverThere()
    {
        WindowFixture f;
        QVERIFY(WriteTestReviewFile(f.dbFolder() + QStringLiteral("A.cds"), { kThreeBooks[1] }));
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/3.7.jpg"), "x"));
        QVERIFY(f.start());
        Shown shown;
        answerCoverDialog(f, shown, Msg::mrCancel);
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baShowMissingFrontImages);
        QCOMPARE(shown.count, 1);
        QVERIFY(shown.missing.isEmpty());
        QVERIFY(!shown.searchEnabled);
        QVERIFY(f.desktop.opened.isEmpty());
    }

    void reviewFileGoneOrUnusable()
    {
        WindowFixture f;
        QVERIFY(WriteTestReviewFile(f.dbFolder() + QStringLiteral("A.cds"), kThreeBooks));
        QVERIFY(WriteTestReviewFile(f.dbFolder() + QStringLiteral("B.cds"),
            { kThreeBooks[0], { QVariant(), 2007, QStringLiteral("Ohne Nummer"), {} } }));
        QVERIFY(f.start());
        QVERIFY(QFile::remove(f.dbFolder() + QStringLiteral("A.cds")));
        // The fixture fails the test when the dialog shows.
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Umschlagbilder prüfen..."));
        TriggerReviewAction(f, baShowMissingFrontImages);
        QCOMPARE(f.desktop.dialogs().size(), 1);
        const auto &gone = f.desktop.lastDialog();
        QCOMPARE(gone.caption, QStringLiteral("Umschlagbilder prüfen..."));
        QCOMPARE(gone.message,
            QStringLiteral("Der Besprechungsbericht \r\n") + f.dbFolder()
                + QStringLiteral("A.cds\r\n wurde nicht gefunden."));
        QCOMPARE(gone.kind, int(Msg::mtInformation));
        QCOMPARE(gone.captions, QStringList { QStringLiteral("OK") });

        SelectNode(f, QStringLiteral("DB/B.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Umschlagbilder prüfen..."));
        TriggerReviewAction(f, baShowMissingFrontImages);
        QCOMPARE(f.desktop.dialogs().size(), 2);
        QCOMPARE(f.desktop.lastDialog().caption, QStringLiteral("Umschlagbilder prüfen..."));
        QVERIFY(f.desktop.lastDialog().message.contains(QStringLiteral("\"Ohne Nummer\"")));
        QVERIFY(f.desktop.opened.isEmpty());
    }

    void searchForTheCurrentBook_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QString>("address");
        QTest::newRow("defaults") << QByteArray() << GoogleImageSearchUrl();
        QTest::newRow("chosen provider")
            << QByteArray(kProviders + "[WEBsearchDefault]\nDefault=Live Search\n")
            << "http://live.example/images/results.aspx?q=";
        QTest::newRow("provider without address")
            << QByteArray("[WEBsearchDefault]\nDefault=Nirgends\n") << GoogleImageSearchUrl();
    }
    void searchForTheCurrentBook()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QString, address);
        WindowFixture f(settings);
        QVERIFY(WriteTestReviewFile(f.dbFolder() + QStringLiteral("2007/A.cds"),
            { { 3.7, 2007, QStringLiteral("Äpfel & Birnen / Teil #2"),
                QStringLiteral("Beltz & Gelberg") } }));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/2007/A.cds"));
        TriggerReviewAction(f, baLoad);
        QTreeWidgetItem *file
            = FindNodeByPath(f.window().TreeView1, QStringLiteral("DB/2007/A.cds"));
        QCOMPARE(file->childCount(), 1);
        f.window().TreeView1->setCurrentItem(file->child(0));
        TriggerReviewAction(f, baFindFrontImage);
        QCOMPARE(f.desktop.opened,
            QStringList { address
                + QStringLiteral(
                    "Beltz%20%26%20Gelberg%20%C3%84pfel%20%26%20Birnen%20%2F%20Teil%20%232") });
    }

    void providerMenu()
    {
        WindowFixture f(kProviders + "[WEBsearchDefault]\nDefault=Google\n");
        QVERIFY(f.start());
        TMainform &w = f.window();
        const QList<QAction *> items = w.PopupMenuSearchEngine->actions();
        QStringList texts;
        for (QAction *a : items)
            texts.append(a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(texts,
            (QStringList { "&Suchmaschine auswählen:", "-", "Amazone", "AOL", "buch.example",
                "Google", "Live Search" }));
        const auto checked = [&items] {
            QStringList out;
            for (QAction *a : items) {
                if (a->isChecked())
                    out.append(a->text());
            }
            return out;
        };
        QCOMPARE(checked(), QStringList { QStringLiteral("Google") });
        for (QAction *a : w.coverActions()->providerActions()) {
            QVERIFY(a->isCheckable());
            QCOMPARE(a->parent(), &w);
        }

        // Choosing writes the setting at once; the mark stays until the next start.
        items[3]->trigger();
        QCOMPARE(w.SettingsFile().readString(
                     QStringLiteral("WEBsearchDefault"), QStringLiteral("Default"), {}),
            QStringLiteral("AOL"));
        QCOMPARE(checked(), QStringList { QStringLiteral("Google") });
        items[6]->trigger();
        QCOMPARE(w.SettingsFile().readString(
                     QStringLiteral("WEBsearchDefault"), QStringLiteral("Default"), {}),
            QStringLiteral("Live Search"));
        QCOMPARE(checked(), QStringList { QStringLiteral("Google") });
    }

    void noProvidersNoItems()
    {
        WindowFixture f("[WEBsearchDefault]\nDefault=Google\n");
        QVERIFY(f.start());
        QCOMPARE(f.window().PopupMenuSearchEngine->actions().size(), 2);
    }
};

QTEST_MAIN(TestCoverActions)
#include "tst_coveractions.moc"
