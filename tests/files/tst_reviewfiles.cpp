#include "FileSizeLimit.h"
#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "app/StatusPanels.h"
#include "base/ActionList.h"
#include "base/IniFile.h"
#include "base/UState.h"
#include "data/DDataAccess.h"
#include "files/MergeDataSets.h"
#include "files/ReviewFiles.h"
#include "store/DataPacket.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTest>
#include <QTreeWidget>

using namespace VexConst;

namespace {

struct Book
{
    double number;
    QString title;
};

// A review file as another copy of the program writes it: books of Carlsen,
// the year from the tenths of the number.
void writeReviewFile(const QString &path, const QList<Book> &books)
{
    QList<TestBook> out;
    for (const Book &b : books)
        out.append({ b.number, 2000 + int(qRound((b.number - int(b.number)) * 10)), b.title,
            QStringLiteral("Carlsen") });
    QString error;
    QVERIFY2(WriteTestReviewFile(path, out, &error), qPrintable(error));
}

QList<Book> numbered(int from, int count)
{
    QList<Book> books;
    for (int i = 0; i < count; ++i)
        books.append({ from + i + 0.7, QStringLiteral("Buch %1").arg(from + i) });
    return books;
}

QStringList titlesBelow(const QTreeWidgetItem *node)
{
    QStringList out;
    for (int i = 0; node && i < node->childCount(); ++i)
        out.append(node->child(i)->text(0));
    return out;
}

// Fills and posts the current new record so it passes the book-data checks.
void fillGoodBook(WindowFixture &f, double number, const QString &title)
{
    DataSet &t = f.table();
    t.setValue(fBookNbr, number);
    t.setValue(fYearPublished, 2007);
    t.setValue(fBookTitle, title);
    t.setValue(fBookSerie, QStringLiteral("3-473-58008-2"));
    t.setValue(fPublisher, QStringLiteral("Ravensburger"));
    t.setValue(fPrice, 19.8);
    QVERIFY(t.post());
}

} // namespace

class TestReviewFiles : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    // --- New ------------------------------------------------------------------

    void newNamesTodaysFileAndWritesNothing()
    {
        WindowFixture f("[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\nInitials=XY\r\n");
        QVERIFY(f.makeDbFolder(QStringLiteral("2007")));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baNew);
        TMainform &w = f.window();
        QCOMPARE(w.context().CurrentFileName, QStringLiteral("XY_2007_05_12.cds"));
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/2007/XY_2007_05_12.cds"));
        QVERIFY(file);
        QCOMPARE(w.TreeView1->currentItem(), file);
        QCOMPARE(f.table().state(), DataSet::dsInsert);
        QCOMPARE(f.table().fileName(), f.dbFolder() + QStringLiteral("2007/XY_2007_05_12.cds"));
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEdit()));
        QCOMPARE(w.statusText(StatusPanel::File), QStringLiteral("XY_2007_05_12.cds"));
        QVERIFY(!QFileInfo::exists(f.dbFolder() + QStringLiteral("2007/XY_2007_05_12.cds")));
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    void newWithUnsavedChangesAsksNothing()
    {
        WindowFixture f;
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        QVERIFY(f.data().UnsavedChanges);
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        QCOMPARE(f.table().recordCount(), 0);
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    void newWhenTodaysFileExists_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Laden") << int(Msg::mrYes);
        QTest::newRow("Löschen") << int(Msg::mrNo);
        QTest::newRow("Abbrechen") << int(Msg::mrCancel);
    }
    void newWhenTodaysFileExists()
    {
        QFETCH(int, answer);
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("EM_2007_05_12.cds"), numbered(1, 2));
        writeReviewFile(f.dbFolder() + QStringLiteral("Alt.cds"), numbered(7, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/Alt.cds"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.table().recordCount(), 1);

        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(answer, QStringLiteral("Besprechungsbericht existiert..."));
        TriggerReviewAction(f, baNew);
        const ScriptedDesktop::Dialog &q = f.desktop.dialogs().at(0);
        QCOMPARE(q.message,
            QStringLiteral("Der Besprechungsbericht\r\n\r\nDB/EM_2007_05_12.cds\r\n\r\n"
                           "mit dem heutigen Datum existiert bereits.\r\n"
                           "Wollen Sie diesen Bericht laden und weiterbearbeiten\r\n"
                           "oder löschen und neu beginnen?"));
        QCOMPARE(q.captions, (QStringList { "Laden", "Löschen", "Abbrechen" }));
        const QString path = f.dbFolder() + QStringLiteral("EM_2007_05_12.cds");
        if (answer == Msg::mrYes) {
            QCOMPARE(f.table().recordCount(), 3); // combined with what was loaded
        } else if (answer == Msg::mrNo) {
            // To the trash, where it can be fetched back.
            QCOMPARE(f.desktop.trashed, QStringList { path });
            QVERIFY(!QFileInfo::exists(path));
            QCOMPARE(f.table().recordCount(), 0);
            QCOMPARE(f.table().state(), DataSet::dsInsert);
            QCOMPARE(f.window().TreeView1->currentItem(),
                TreeNode(f, QStringLiteral("DB/EM_2007_05_12.cds")));
            QCOMPARE(f.window().context().CurrentFileName, QStringLiteral("EM_2007_05_12.cds"));
        } else {
            QVERIFY(QFileInfo::exists(path));
            QCOMPARE(f.table().recordCount(), 1);
        }
    }

    void todaysFileThatTheTrashRefusesStays()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("EM_2007_05_12.cds"), numbered(1, 2));
        writeReviewFile(f.dbFolder() + QStringLiteral("Alt.cds"), numbered(7, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/Alt.cds"));
        TriggerReviewAction(f, baLoad);
        f.desktop.trashSucceeds = false;
        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(Msg::mrNo, QStringLiteral("Besprechungsbericht existiert..."));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Besprechungsbericht existiert..."));
        TriggerReviewAction(f, baNew);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Der Besprechungsbericht\r\n\r\nDB/EM_2007_05_12.cds\r\n\r\n"
                           "konnte nicht in den Papierkorb verschoben werden und bleibt, wie er "
                           "ist."));
        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtWarning));
        QVERIFY(QFileInfo::exists(f.dbFolder() + QStringLiteral("EM_2007_05_12.cds")));
        // Nothing started: what was loaded is still there.
        QCOMPARE(f.table().recordCount(), 1);
        QCOMPARE(f.window().context().CurrentFileName, QStringLiteral("Alt.cds"));
    }

    void personDataGateOpensThePersonPageAlone()
    {
        WindowFixture f("[Reviewer]\r\nFirstname=X\r\nName=Y\r\n");
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Personendaten prüfen..."));
        TriggerReviewAction(f, baNew);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Geben Sie zuerst Ihre Personendaten ein."));
        TMainform &w = f.window();
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEditSettings()));
        for (int i = 0; i < TMainform::pgCount; ++i)
            QCOMPARE(w.PageControl1->isTabVisible(i), i == TMainform::pgSettingsPersonData);
        QCOMPARE(f.table().recordCount(), 0);
        QVERIFY(f.window().context().CurrentFileName.isEmpty());
    }

    // --- Load -----------------------------------------------------------------

    void loadFolderWithTwoFiles()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("2007/A.cds"), numbered(1, 2));
        writeReviewFile(f.dbFolder() + QStringLiteral("2007/B.cds"), numbered(3, 3));
        QVERIFY(f.start());
        QStringList fileField;
        QStringList loadedField;
        connect(f.window().StatusBar1, &StatusPanels::panelChanged, this,
            [&](int panel, const QString &text) {
                if (panel == StatusPanel::File)
                    fileField.append(text);
                if (panel == StatusPanel::LoadedFiles)
                    loadedField.append(text);
            });
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baLoad);
        TMainform &w = f.window();
        QCOMPARE(f.table().recordCount(), 5);
        QCOMPARE(w.context().CurrentFileName, QStringLiteral("Comb_2007_05_12.cds"));
        QVERIFY(!w.TreeView1->currentItem());
        QCOMPARE(w.statusText(StatusPanel::LoadedFiles), QStringLiteral("2"));
        fileField.removeAll(QString());
        fileField.erase(std::unique(fileField.begin(), fileField.end()), fileField.end());
        QCOMPARE(fileField, (QStringList { "A.cds", "mehrere", "Comb_2007_05_12.cds" }));
        QVERIFY(
            loadedField.indexOf(QStringLiteral("1")) < loadedField.indexOf(QStringLiteral("2")));
        QCOMPARE(loadedField.constLast(), QStringLiteral("2"));
        QCOMPARE(w.statusText(StatusPanel::Books), QStringLiteral("5"));
        QCOMPARE(titlesBelow(TreeNode(f, QStringLiteral("DB/2007/A.cds"))),
            (QStringList { "Buch 1", "Buch 2" }));
        QVERIFY(TreeNode(f, QStringLiteral("DB/2007/B.cds"))->isExpanded());
        QVERIFY(w.Panel2->isEnabled());
        QVERIFY(!f.data().UnsavedChanges);
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    void loadingOneFileKeepsItSelected()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("2007/B.cds"),
            { { 3.7, QStringLiteral("Zora") }, { 1.7, QStringLiteral("Anna") } });
        QVERIFY(f.makeDbFolder(QStringLiteral("2007/Alt")));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/2007/B.cds"));
        TriggerReviewAction(f, baLoad);
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/2007/B.cds"));
        QCOMPARE(titlesBelow(file), (QStringList { "Anna", "Zora" })); // sorted
        QCOMPARE(f.window().TreeView1->currentItem(), file);
        QVERIFY(file->isSelected());
        for (int bit : { baSave, baRemove, baSendMail }) {
            QAction *a = f.window().actions()->reviewAction(bit);
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        }
    }

    void loadingAgainReportsEveryBookAsPresent()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 2));
        writeReviewFile(f.dbFolder() + QStringLiteral("Kopie.cds"), numbered(1, 2));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.window().context().CurrentFileName, QStringLiteral("A.cds"));
        SelectNode(f, QStringLiteral("DB/Kopie.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Zadizezerev laden"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Folgende Buchenummern sind bereits vorhanden\r\n\r\n1.7\t2.7\t\r\n\r\n"
                           "und wurden nicht mehr geladen."));
        QCOMPARE(f.table().recordCount(), 2);
        QCOMPARE(TreeNode(f, QStringLiteral("DB/Kopie.cds"))->childCount(), 0);
        QCOMPARE(f.window().context().CurrentFileName, QStringLiteral("A.cds"));
    }

    void missingFileIsReportedAndTheVisitGoesOn()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 1));
        writeReviewFile(f.dbFolder() + QStringLiteral("B.cds"), numbered(2, 1));
        QVERIFY(f.start());
        QVERIFY(QFile::remove(f.dbFolder() + QStringLiteral("A.cds")));
        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Besprechungsbericht laden"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Datei\r\n") + f.dbFolder()
                + QStringLiteral("A.cds\r\nnicht gefunden."));
        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtWarning));
        QCOMPARE(f.table().recordCount(), 1);
    }

    void unreadableFileEndsTheLoadAndKeepsWhatCameBefore()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 2));
        QVERIFY(f.writeDbFile(QStringLiteral("B.cds"), "kein Datenpaket"));
        writeReviewFile(f.dbFolder() + QStringLiteral("C.cds"), numbered(5, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Besprechungsbericht laden"));
        TriggerReviewAction(f, baLoad);
        QVERIFY(f.desktop.lastDialog().message.contains(QStringLiteral("B.cds")));
        QCOMPARE(f.table().recordCount(), 2);
        QCOMPARE(TreeNode(f, QStringLiteral("DB/C.cds"))->childCount(), 0);
        // One file came in: the folder it was loaded from stays selected.
        QCOMPARE(f.window().TreeView1->currentItem(), TreeNode(f, QStringLiteral("DB")));
        QVERIFY(TreeNode(f, QStringLiteral("DB"))->isSelected());
    }

    // --- Merge ----------------------------------------------------------------

    void mergeTakesBooksOf2000()
    {
        // 12.0 is book 12 of 2000; its text has no point, yet it must load
        // back, or the next save of the file would lose it.
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("Alt.cds")));
        QVERIFY(f.start());
        DataSet &source = *f.data().DSetBuffer;
        source.setFields(ReviewFields());
        source.open();
        source.append();
        source.setValue(fBookNbr, 12.0);
        source.setValue(fBookTitle, QStringLiteral("Zweitausend"));
        QVERIFY(source.post());
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/Alt.cds"));
        QString error;
        QVERIFY(MergeDataSets(f.window().context(), file, f.table(), source, &error));
        QCOMPARE(f.table().recordCount(), 1);
        QCOMPARE(titlesBelow(file), (QStringList { "Zweitausend" }));
        QCOMPARE(NodeData(file->child(0)), 122000);
    }

    void mergeRules()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("Alt.cds")));
        QVERIFY(f.start());
        // An older file: price and pages kept as text, a whole book number.
        QList<FieldDef> fields = ReviewFields();
        fields[fPrice] = FieldDef::text(QStringLiteral("Price"), 20, 20);
        fields[fPages] = FieldDef::text(QStringLiteral("Pages"), 20, 20);
        DataSet &source = *f.data().DSetBuffer;
        source.setFields(fields);
        source.open();
        const QList<QVariant> numbers { 5.7, 0.0, 6.7 };
        const QStringList prices { "1 234.-", "3.-", "25.-" };
        const QStringList pages { "ca. 200", "10", "123" };
        for (int i = 0; i < 3; ++i) {
            source.append();
            source.setValue(fBookNbr, numbers[i]);
            source.setValue(fBookTitle, QStringLiteral("Titel %1").arg(i));
            source.setValue(fPrice, prices[i]);
            source.setValue(fPages, pages[i]);
            source.setValue(fRecommendation, QStringLiteral("s.e. und mehr"));
            QVERIFY(source.post());
        }
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/Alt.cds"));
        QString error;
        QVERIFY(MergeDataSets(f.window().context(), file, f.table(), source, &error));
        DataSet &t = f.table();
        QCOMPARE(t.recordCount(), 2);
        QCOMPARE(
            f.window().statusText(StatusPanel::Hint), QStringLiteral("Ungültige Buchnummer: <0>"));
        QVERIFY(t.locate(QStringLiteral("BookNbr"), 5.7));
        QCOMPARE(t.value(fPrice).toDouble(), 1234.0);
        QVERIFY(t.isNull(fPages));
        QCOMPARE(t.asText(fRecommendation), QStringLiteral("s.e."));
        QVERIFY(t.locate(QStringLiteral("BookNbr"), 6.7));
        QCOMPARE(t.value(fPages).toInt(), 123);
        QCOMPARE(t.value(fPrice).toDouble(), 25.0);
        QCOMPARE(titlesBelow(file), (QStringList { "Titel 0", "Titel 2" }));
        QCOMPARE(NodeData(file->child(0)), 52007);
    }

    // The record's whole numbers are 32 bits: a larger value from a file ends
    // the merge as a value that does not convert, instead of failing every
    // later save.
    void integerBeyond32BitsEndsTheMerge_data()
    {
        QTest::addColumn<int>("field");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("year") << int(fYearPublished) << QVariant(qint64(5000000000));
        QTest::newRow("age") << int(fAge) << QVariant(qint64(5000000000));
        QTest::newRow("age, negative") << int(fAge) << QVariant(qint64(-5000000000));
    }
    void integerBeyond32BitsEndsTheMerge()
    {
        QFETCH(int, field);
        QFETCH(QVariant, value);
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("Alt.cds")));
        QVERIFY(f.start());
        DataSet &source = *f.data().DSetBuffer;
        QList<FieldDef> fields = ReviewFields();
        QList<Record> rows;
        for (const double number : { 5.7, 6.7 }) {
            Record row(fields.size());
            row[fBookNbr] = number;
            row[fBookTitle] = QStringLiteral("Buch %1").arg(number);
            row[fYearPublished] = 2007;
            rows.append(row);
        }
        rows[1][field] = value;
        source.setData(fields, rows);
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/Alt.cds"));
        QString error;
        QVERIFY(!MergeDataSets(f.window().context(), file, f.table(), source, &error));
        QCOMPARE(
            error, QStringLiteral("'%1' ist kein gültiger Integerwert.").arg(value.toLongLong()));
        QCOMPARE(f.table().recordCount(), 1);
        QVERIFY(f.table().locate(QStringLiteral("BookNbr"), 5.7));
        QCOMPARE(titlesBelow(file), QStringList { QStringLiteral("Buch 5.7") });
    }

    void twelveDuplicatesInTwoLines()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 12));
        writeReviewFile(f.dbFolder() + QStringLiteral("B.cds"), numbered(1, 12));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        SelectNode(f, QStringLiteral("DB/B.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Zadizezerev laden"));
        TriggerReviewAction(f, baLoad);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Folgende Buchenummern sind bereits vorhanden\r\n\r\n"
                           "1.7\t2.7\t3.7\t4.7\t5.7\t6.7\t7.7\t8.7\t9.7\t10.7\t\r\n11.7\t12.7\t"
                           "\r\n\r\nund wurden nicht mehr geladen."));
    }

    void fewerColumnsKeepStartingValues()
    {
        WindowFixture f;
        QList<FieldDef> fields = ReviewFields().mid(0, 20);
        DataSet narrow;
        narrow.setFields(fields);
        narrow.open();
        narrow.append();
        narrow.setValue(fBookNbr, 5.7);
        narrow.setValue(fBookTitle, QStringLiteral("Kurz"));
        narrow.setValue(fYearPublished, QVariant());
        QVERIFY(narrow.post());
        QVERIFY(SaveToFile(narrow, f.dbFolder() + QStringLiteral("Kurz.cds")));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/Kurz.cds"));
        TriggerReviewAction(f, baLoad);
        DataSet &t = f.table();
        QCOMPARE(t.recordCount(), 1);
        QCOMPARE(t.asText(fLanguage), QStringLiteral("-"));
        QCOMPARE(t.asText(fReviewerInitials), QStringLiteral("EM"));
        QCOMPARE(t.asText(fAgegroup), QStringLiteral("K"));
        // Within the file's columns, its empty values win.
        QVERIFY(t.isNull(fYearPublished));
    }

    void moreColumnsStopAtTheFirstBook()
    {
        WindowFixture f;
        QList<FieldDef> fields = ReviewFields();
        fields.append(FieldDef::text(QStringLiteral("Extra"), 10, 10));
        DataSet wide;
        wide.setFields(fields);
        wide.open();
        for (double n : { 5.7, 6.7 }) {
            wide.append();
            wide.setValue(fBookNbr, n);
            QVERIFY(wide.post());
        }
        QVERIFY(SaveToFile(wide, f.dbFolder() + QStringLiteral("Breit.cds")));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/Breit.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Besprechungsbericht laden"));
        TriggerReviewAction(f, baLoad);
        QVERIFY(f.desktop.lastDialog().message.contains(QStringLiteral("35 Spalten")));
        QCOMPARE(f.table().recordCount(), 0);
    }

    // --- Save -----------------------------------------------------------------

    void saveIntoAFolderAndReadItBack()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2007")));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        f.table().append();
        fillGoodBook(f, 6.7, QStringLiteral("Momo"));
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baSave);
        const QString path = f.dbFolder() + QStringLiteral("2007/EM_2007_05_12.cds");
        QVERIFY(QFileInfo::exists(path));
        QVERIFY(!f.data().UnsavedChanges);
        QCOMPARE(f.table().fileName(), path);
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        QCOMPARE(f.window().TreeView1->currentItem(), file);
        QCOMPARE(titlesBelow(file), (QStringList { "Krabat", "Momo" }));
        QCOMPARE(f.window().SettingsFile().readString(
                     QStringLiteral("WEBpage"), QStringLiteral("SubTitle"), {}),
            QStringLiteral("2007"));
        DataSet back;
        QVERIFY(LoadFromFile(back, path));
        QCOMPARE(back.recordCount(), 2);
    }

    // The subtitle taken from a folder's name is one the settings file holds.
    void subtitleFromAFolderWithOtherLetters()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("Dvořák")));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/Dvořák/"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        SelectNode(f, QStringLiteral("DB/Dvořák/"));
        TriggerReviewAction(f, baSave);
        QVERIFY(QFileInfo::exists(f.dbFolder() + QStringLiteral("Dvořák/EM_2007_05_12.cds")));
        QCOMPARE(f.window().SettingsFile().readString(
                     QStringLiteral("WEBpage"), QStringLiteral("SubTitle"), {}),
            QStringLiteral("Dvorák"));
    }

    void saveIntoAnExistingFile_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("files");
        QTest::newRow("Ersetzen") << int(Msg::mrYes) << 1;
        QTest::newRow("Kopieren") << int(Msg::mrNo) << 2;
        QTest::newRow("Abbrechen") << int(Msg::mrCancel) << 1;
    }
    void saveIntoAnExistingFile()
    {
        QFETCH(int, answer);
        QFETCH(int, files);
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        QVERIFY(f.table().locate(QStringLiteral("BookNbr"), 1.7));
        f.table().edit();
        f.table().setValue(fBookTitle, QStringLiteral("Neu"));
        f.table().setTag(TDataAccess::tagNone);
        QVERIFY(f.table().post());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(answer, QStringLiteral("Speichern..."));
        TriggerReviewAction(f, baSave);
        QCOMPARE(
            f.desktop.lastDialog().captions, (QStringList { "Ersetzen", "Kopieren", "Abbrechen" }));
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral(
                "Die Datei existiert:\r\nDB/A.cds\r\nWollen Sie diese mit den neuen Daten ersetzen"
                "\r\noder\r\nsoll eine Kopie angelegt werden?"));
        QCOMPARE(QDir(f.dbFolder()).entryList(QDir::Files).size(), files);
        DataSet back;
        QVERIFY(LoadFromFile(back, f.dbFolder() + QStringLiteral("A.cds")));
        QCOMPARE(back.asText(fBookTitle),
            answer == Msg::mrCancel ? QStringLiteral("Buch 1") : QStringLiteral("Neu"));
        if (answer == Msg::mrNo) {
            DataSet copy;
            QVERIFY(LoadFromFile(copy, f.dbFolder() + QStringLiteral("A - Kopie.cds")));
            QCOMPARE(copy.asText(fBookTitle), QStringLiteral("Buch 1"));
        }
    }

    void allBooksExcludedGoesToTheTrash()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 2));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/A.cds"));
        for (int i = 0; i < file->childCount(); ++i)
            ToggleBookMark(file->child(i));
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        TriggerReviewAction(f, baSave);
        QCOMPARE(f.table().recordCount(), 0);
        QCOMPARE(f.desktop.trashed, QStringList { f.dbFolder() + QStringLiteral("A.cds") });
        QVERIFY(!TreeNode(f, QStringLiteral("DB/A.cds")));
        QVERIFY(f.window().context().CurrentFileName.isEmpty());
    }

    void excludedBooksAreDroppedFromTheFile()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 3));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        ToggleBookMark(TreeNode(f, QStringLiteral("DB/A.cds/Buch 2")));
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        TriggerReviewAction(f, baSave);
        QCOMPARE(titlesBelow(TreeNode(f, QStringLiteral("DB/A.cds"))),
            (QStringList { "Buch 1", "Buch 3" }));
        DataSet back;
        QVERIFY(LoadFromFile(back, f.dbFolder() + QStringLiteral("A.cds")));
        QCOMPARE(back.recordCount(), 2);
    }

    // Excluding a book must drop exactly that book, also for books of 2000
    // (whole numbers) and for numbers a file holds as text with a trailing 0.
    void excludedBookIsFoundByItsStoredNumber_data()
    {
        QTest::addColumn<QStringList>("numbers");
        QTest::addColumn<int>("excluded");
        QTest::newRow("books of 2000") << QStringList { "12", "13" } << 1;
        QTest::newRow("first of two books of 2000") << QStringList { "12", "13" } << 0;
        QTest::newRow("typed as 8.70") << QStringList { "8.70", "9.70" } << 0;
    }
    void excludedBookIsFoundByItsStoredNumber()
    {
        QFETCH(QStringList, numbers);
        QFETCH(int, excluded);
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("Alt.cds")));
        QVERIFY(f.start());
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/Alt.cds"));
        DataSet &t = f.table();
        if (numbers.constFirst().contains(u'.')) {
            // An older file that keeps the book number as text.
            QList<FieldDef> fields = ReviewFields();
            fields[fBookNbr] = FieldDef::text(QStringLiteral("BookNbr"), 20, 20);
            DataSet &source = *f.data().DSetBuffer;
            source.setFields(fields);
            source.open();
            for (const QString &number : numbers) {
                source.append();
                source.setValue(fBookNbr, number);
                source.setValue(fBookTitle, QStringLiteral("Buch ") + number);
                QVERIFY(source.post());
            }
            QString error;
            QVERIFY(MergeDataSets(f.window().context(), file, t, source, &error));
        } else {
            // Books of 2000 come into the tree as a saved file's books do.
            t.setTag(TDataAccess::tagNone);
            for (const QString &number : numbers) {
                t.append();
                t.setValue(fBookNbr, number.toDouble());
                t.setValue(fYearPublished, 2000);
                t.setValue(fBookTitle, QStringLiteral("Buch ") + number);
                QVERIFY(t.post());
            }
            f.window().treeNavigation()->TreeViewPopulateFileNode(file);
        }
        f.window().context().CurrentFileName = QStringLiteral("Alt.cds");
        QCOMPARE(file->childCount(), 2);
        ToggleBookMark(file->child(excluded));
        SelectNode(f, QStringLiteral("DB/Alt.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        TriggerReviewAction(f, baSave);
        DataSet back;
        QVERIFY(LoadFromFile(back, f.dbFolder() + QStringLiteral("Alt.cds")));
        QCOMPARE(back.recordCount(), 1);
        QCOMPARE(back.value(fBookNbr).toDouble(), numbers.at(1 - excluded).toDouble());
        QCOMPARE(titlesBelow(TreeNode(f, QStringLiteral("DB/Alt.cds"))),
            QStringList { QStringLiteral("Buch ") + numbers.at(1 - excluded) });
    }

    void refusedCheckStopsTheSaveBeforeWriting()
    {
        WindowFixture f;
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        f.table().edit();
        f.table().setValue(fBookTitle, QVariant());
        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Konsistenzprüfung..."));
        TriggerReviewAction(f, baSave);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Sie haben noch keinen Buchtitel eingegeben."));
        QVERIFY(!QFileInfo::exists(f.dbFolder() + QStringLiteral("EM_2007_05_12.cds")));
        QCOMPARE(f.table().state(), DataSet::dsEdit);
    }

    void xmlNameWritesXml()
    {
        WindowFixture f("[Extensions]\r\nFormatDB=.XML\r\n");
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baSave);
        QFile saved(f.dbFolder() + QStringLiteral("EM_2007_05_12.XML"));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().startsWith("<?xml version=\"1.0\" standalone=\"yes\"?>"));
    }

    void wordFolderThatCannotBeMadeStopsBeforeTheHtmlPage()
    {
        WindowFixture f(
            "[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\nInitials=EM\r\nCreateWordDoc=1\r\n"
            "CreateWebPage=1\r\n");
        QVERIFY(f.start());
        QVERIFY(QDir(f.env.path(QStringLiteral("Zadizezerev/Word"))).removeRecursively());
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Word"), "a file in the way"));
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baSave);
        QCOMPARE(f.desktop.systemMessages,
            QStringList {
                QStringLiteral("Fehler: Das Verzeichniss\r\n%1\r\nkann nicht angelegt werden.")
                    .arg(f.env.path(QStringLiteral("Zadizezerev/Word/"))) });
        QVERIFY(QFileInfo::exists(f.dbFolder() + QStringLiteral("EM_2007_05_12.cds")));
    }

    void failedWriteKeepsOldFileAndTable()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("2007/A.cds"), numbered(1, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/2007/A.cds"));
        TriggerReviewAction(f, baLoad);
        const QByteArray before = f.env.readFile(QStringLiteral("Zadizezerev/DB/2007/A.cds"));
        SelectNode(f, QStringLiteral("DB/2007/A.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Besprechungsbericht speichern..."));
        {
            // No file may grow past a few bytes: the write fails on any disk,
            // whatever rights the test runs with.
            FileSizeLimit limit(200);
            TriggerReviewAction(f, baSave);
        }
        QVERIFY(f.desktop.lastDialog().message.contains(QStringLiteral("A.cds")));
        QCOMPARE(f.table().recordCount(), 1);
        const QByteArray after = f.env.readFile(QStringLiteral("Zadizezerev/DB/2007/A.cds"));
        QCOMPARE(after, before);
    }

    void failedWriteKeepsTheExcludedBooks()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 3));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        QTreeWidgetItem *excluded = TreeNode(f, QStringLiteral("DB/A.cds/Buch 2"));
        ToggleBookMark(excluded);
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Besprechungsbericht speichern..."));
        {
            FileSizeLimit limit(200);
            TriggerReviewAction(f, baSave);
        }
        QCOMPARE(f.table().recordCount(), 3);
        QVERIFY(f.table().locate(QStringLiteral("BookNbr"), 2.7));
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Buch 2"));
        // Taken back in, the book survives the next save.
        ToggleBookMark(TreeNode(f, QStringLiteral("DB/A.cds/Buch 2")));
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        TriggerReviewAction(f, baSave);
        DataSet back;
        QVERIFY(LoadFromFile(back, f.dbFolder() + QStringLiteral("A.cds")));
        QCOMPARE(back.recordCount(), 3);
    }

    void emptyTableSavesNothing()
    {
        WindowFixture f;
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Speichern..."));
        f.window().reviewFiles()->ActionSaveExecute();
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral(
                "Die Datenbank enthält keine Besprechungen.\n\rEs wird nichts gespeichert."));
    }

    // --- Closing the window ---------------------------------------------------

    void closingWithUnsavedChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closes");
        QTest::newRow("Ja: stay and save") << int(Msg::mrOk) << false;
        QTest::newRow("Nein: discard") << int(Msg::mrCancel) << true;
    }
    void closingWithUnsavedChanges()
    {
        QFETCH(int, answer);
        QFETCH(bool, closes);
        WindowFixture f;
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
        f.window().resize(1111, 777);
        f.desktop.answer(answer, QStringLiteral("Ungesicherte Daten..."));
        QCOMPARE(f.window().close(), closes);
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral(
                "Sie haben die letzen Änderungen noch nicht mit \"Speichern\" gesichert.\r\n"
                "Möchten Sie abbrechen und die Daten dann speichern?"));
        QCOMPARE(f.desktop.lastDialog().captions, (QStringList { "Ja", "Nein" }));
        // The window's place is written either way.
        IniFile saved(f.env.path(QStringLiteral("Skribando.ini")));
        QCOMPARE(saved.readInteger(QStringLiteral("Position"), QStringLiteral("Width"), 0), 1111);
        QCOMPARE(f.table().recordCount(), 1);
        QCOMPARE(f.table().fileName().isEmpty(), closes);
        QVERIFY(!QFileInfo::exists(f.dbFolder() + QStringLiteral("EM_2007_05_12.cds")));
    }

    void closingWithAnEmptiedTableTrashesItsFile()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        SelectNode(f, QStringLiteral("DB/A.cds"));
        f.desktop.answer(Msg::mrYes, QStringLiteral("Speichern..."));
        TriggerReviewAction(f, baSave);
        f.desktop.answer(Msg::mrOk, QStringLiteral("Datensatz löschen..."));
        QVERIFY(f.table().deleteRecord());
        QVERIFY(f.window().close());
        // Nobody was asked, so the file goes where it can be fetched back.
        QCOMPARE(f.desktop.trashed, QStringList { f.dbFolder() + QStringLiteral("A.cds") });
        QVERIFY(f.table().fileName().isEmpty());
    }

    // Closing with an empty table removes only the file this run saved, and
    // only while it is as the save left it.
    void closingRemovesOnlyTheFileThisRunSaved_data()
    {
        QTest::addColumn<bool>("saved");
        QTest::addColumn<QString>("meanwhile");
        QTest::addColumn<bool>("trashed");
        QTest::newRow("saved, left as it was") << true << QString() << true;
        QTest::newRow("saved, then another copy saved there") << true << "other copy" << false;
        QTest::newRow("never saved, another copy saved there") << false << "other copy" << false;
        QTest::newRow("never saved, imported there") << false << "import" << false;
    }
    void closingRemovesOnlyTheFileThisRunSaved()
    {
        QFETCH(bool, saved);
        QFETCH(QString, meanwhile);
        QFETCH(bool, trashed);
        WindowFixture f;
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB"));
        TriggerReviewAction(f, baNew);
        const QString path = f.dbFolder() + QStringLiteral("EM_2007_05_12.cds");
        if (saved) {
            fillGoodBook(f, 5.7, QStringLiteral("Krabat"));
            TriggerReviewAction(f, baSave);
            QVERIFY(QFileInfo::exists(path));
            f.desktop.answer(Msg::mrOk, QStringLiteral("Datensatz löschen..."));
            QVERIFY(f.table().deleteRecord());
            f.table().cancel();
            QCOMPARE(f.table().recordCount(), 0);
        }
        if (meanwhile == u"other copy") {
            QVERIFY(QFile::remove(path) || !saved);
            writeReviewFile(path, numbered(1, 2));
        } else if (meanwhile == u"import") {
            const QString outside = f.env.path(QStringLiteral("Post/EM_2007_05_12.cds"));
            writeReviewFile(outside, numbered(1, 2));
            f.desktop.openFileAnswers.enqueue(outside);
            SelectNode(f, QStringLiteral("DB"));
            TriggerReviewAction(f, baImport);
        }
        const QByteArray before
            = f.env.readFile(QStringLiteral("Zadizezerev/DB/EM_2007_05_12.cds"));
        QVERIFY(f.window().close());
        QCOMPARE(f.desktop.trashed, trashed ? QStringList { path } : QStringList());
        QCOMPARE(QFileInfo::exists(path), !trashed);
        if (!trashed)
            QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/DB/EM_2007_05_12.cds")), before);
    }

    void closingAfterRemoveTouchesNothing()
    {
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 1));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        f.window().reviewFiles()->ActionRemoveExecute();
        QVERIFY(f.window().close());
        QVERIFY(f.desktop.trashed.isEmpty());
        QVERIFY(QFileInfo::exists(f.dbFolder() + QStringLiteral("A.cds")));
    }

    // --- Remove and import ----------------------------------------------------

    void removeAsksOnlyWithUnsavedChanges_data()
    {
        QTest::addColumn<bool>("unsaved");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("removed");
        QTest::newRow("saved") << false << 0 << true;
        QTest::newRow("unsaved, Ja") << true << int(Msg::mrOk) << true;
        QTest::newRow("unsaved, Nein") << true << int(Msg::mrCancel) << false;
    }
    void removeAsksOnlyWithUnsavedChanges()
    {
        QFETCH(bool, unsaved);
        QFETCH(int, answer);
        QFETCH(bool, removed);
        WindowFixture f;
        writeReviewFile(f.dbFolder() + QStringLiteral("A.cds"), numbered(1, 2));
        QVERIFY(f.start());
        SelectNode(f, QStringLiteral("DB/A.cds"));
        TriggerReviewAction(f, baLoad);
        f.data().UnsavedChanges = unsaved;
        if (unsaved)
            f.desktop.answer(answer, QStringLiteral("Alle Datensätze entfernen..."));
        f.window().reviewFiles()->ActionRemoveExecute();
        QCOMPARE(f.table().recordCount(), removed ? 0 : 2);
        if (removed) {
            QVERIFY(f.window().context().CurrentFileName.isEmpty());
            QCOMPARE(CurrentState, static_cast<TState *>(&StateInitial()));
            QCOMPARE(CountLoadedFiles(f.window().TreeView1), 0);
            QVERIFY(QFileInfo::exists(f.dbFolder() + QStringLiteral("A.cds")));
        }
        QCOMPARE(f.desktop.pendingAnswers(), 0);
    }

    void importCopiesIntoTheSelectedFolder()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2007")));
        writeReviewFile(f.dbFolder() + QStringLiteral("2007/Fremd.cds"), numbered(1, 1));
        QVERIFY(f.start());
        const QString outside = f.env.path(QStringLiteral("Post/Fremd.cds"));
        writeReviewFile(outside, numbered(2, 1));
        f.desktop.documentsFolder = f.env.path(QStringLiteral("Post"));
        f.desktop.openFileAnswers.enqueue(outside);
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baImport);
        QCOMPARE(f.desktop.openFileCalls.at(0),
            (QStringList { "Besprechungsbericht in die Skribandosverwaltung importieren", ".cds",
                "Besprechungsbericht (*.cds)|*.cds|Besprechungsbericht (*.xml)|*.xml",
                f.env.path(QStringLiteral("Post")) }));
        QVERIFY(QFileInfo::exists(f.dbFolder() + QStringLiteral("2007/Fremd - Kopie.cds")));
        QCOMPARE(
            f.window().TreeView1->currentItem(), TreeNode(f, QStringLiteral("DB/2007/Fremd.cds")));
        QCOMPARE(f.table().recordCount(), 0);

        // Cancelling the dialog does nothing.
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baImport);
        QCOMPARE(QDir(f.dbFolder() + QStringLiteral("2007")).entryList(QDir::Files).size(), 2);
    }
};

QTEST_MAIN(TestReviewFiles)
#include "tst_reviewfiles.moc"
