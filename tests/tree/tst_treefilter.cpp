#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "files/ReviewFiles.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/FindBar.h"
#include "tree/TreeFilter.h"
#include "tree/TreeProcedures.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QTreeWidget>

using namespace VexConst;

namespace {

// The archive of every test: two loaded files in a year folder, one file
// beside them that is not loaded, an empty folder.
//   DB/2007/A.cds   Krabat (Carlsen), Momo (Carlsen)
//   DB/2007/B.cds   Das doppelte Lottchen (Dressler), Emil und die Detektive (Carlsen)
//   DB/C.cds        not loaded
//   DB/2008/
bool startWithArchive(WindowFixture &f)
{
    const auto book = [](double number, const char *title, const char *publisher) {
        return TestBook { number, 2007, QString::fromUtf8(title), QString::fromUtf8(publisher),
            { { fAuthor1Name, QStringLiteral("Preußler") } } };
    };
    QString error;
    if (!WriteTestReviewFile(f.dbFolder() + QStringLiteral("2007/A.cds"),
            { book(1.7, "Krabat", "Carlsen"), book(2.7, "Momo", "Carlsen") }, &error)
        || !WriteTestReviewFile(f.dbFolder() + QStringLiteral("2007/B.cds"),
            { book(3.7, "Emil und die Detektive", "Carlsen"),
                book(4.7, "Das doppelte Lottchen", "Dressler") },
            &error)
        || !WriteTestReviewFile(
            f.dbFolder() + QStringLiteral("C.cds"), { book(5.7, "Krabat", "Thienemann") }, &error)
        || !f.makeDbFolder(QStringLiteral("2008")) || !f.start()) {
        qWarning("%s", qPrintable(error));
        return false;
    }
    SelectNode(f, QStringLiteral("DB/2007/"));
    TriggerReviewAction(f, baLoad);
    return f.table().recordCount() == 4;
}

FindBar &findBar(WindowFixture &f) { return *f.window().findBar(); }

// Types the query as a person does and waits until the tree shows it.
void search(WindowFixture &f, const QString &query)
{
    QLineEdit *edit = findBar(f).EditFind;
    edit->clear();
    QTest::keyClicks(edit, query);
    QTRY_VERIFY(!findBar(f).filter()->isBusy());
}

// Whether the node and all above it are shown.
bool shown(WindowFixture &f, const QString &path)
{
    const QTreeWidgetItem *node = TreeNode(f, path);
    if (!node)
        return false;
    for (const QTreeWidgetItem *n = node; n; n = n->parent()) {
        if (n->isHidden() || (n != node && !n->isExpanded()))
            return false;
    }
    return true;
}

QString currentPath(WindowFixture &f) { return GetNodePath(f.window().TreeView1->currentItem()); }

} // namespace

class TestTreeFilter : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void actionFieldAndLabel()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        QAction *find = w.actions()->action(QStringLiteral("ActionFind"));
        QVERIFY(find);
        QCOMPARE(find->text().remove(u'&'), QStringLiteral("Suchen"));
        QCOMPARE(find->shortcut(), QKeySequence(QStringLiteral("Ctrl+F")));
        QMenu *menu = w.menuBar()->findChild<QMenu *>(QStringLiteral("MenuSkribando"));
        QVERIFY(menu->actions().contains(find));
        QVERIFY(w.ToolBar1->actions().contains(find));
        QVERIFY(!w.PopupMenuTreeView->findChild<QAction *>(QStringLiteral("ActionFindPopup")));

        QLineEdit *edit = w.findChild<QLineEdit *>(QStringLiteral("EditFind"));
        QVERIFY(edit && w.Panel1->isAncestorOf(edit));
        QCOMPARE(edit->placeholderText(), QStringLiteral("Suchen (Strg+F)"));
        QVERIFY(edit->isClearButtonEnabled());
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("LabelFindCount")));

        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.TreeView1->setFocus();
        QTest::keyClick(w.TreeView1, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(edit->hasFocus());
    }

    void filterShowsMatchesAndRestores()
    {
        WindowFixture f;
        QVERIFY(startWithArchive(f));
        QTreeWidget *tree = f.window().TreeView1;
        QAbstractItemModelTester tester(tree->model());
        TreeNode(f, QStringLiteral("DB/2007/B.cds"))->setExpanded(false);
        SelectNode(f, QStringLiteral("DB/2007/A.cds/Momo"));
        QLabel *count = findBar(f).LabelFindCount;

        search(f, QStringLiteral("DETEKTIVE"));
        QVERIFY(shown(f, QStringLiteral("DB/2007/B.cds/Emil und die Detektive")));
        for (const char *path :
            { "DB/2007/B.cds/Das doppelte Lottchen", "DB/2007/A.cds", "DB/C.cds", "DB/2008/" })
            QVERIFY2(!shown(f, QString::fromUtf8(path)), path);
        QCOMPARE(count->text(), QStringLiteral("1 von 4 Büchern"));
        // Nothing moved: the book being worked on stays the table's current
        // record, though the tree does not show it now.
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/A.cds/Momo"));
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Momo"));

        // Blanks only show everything, as emptying the field does.
        search(f, QStringLiteral("   "));
        QVERIFY(count->text().isEmpty());
        for (const char *path :
            { "DB/2007/A.cds/Krabat", "DB/2007/A.cds/Momo", "DB/C.cds", "DB/2008/" })
            QVERIFY2(shown(f, QString::fromUtf8(path)), path);
        // The file closed before is closed again.
        QVERIFY(!TreeNode(f, QStringLiteral("DB/2007/B.cds"))->isExpanded());
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/A.cds/Momo"));

        // The current book stays selected when it matches; no match leaves
        // the folders, and the counter says so.
        search(f, QStringLiteral("mo"));
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/A.cds/Momo"));
        QVERIFY(shown(f, QStringLiteral("DB/2007/A.cds/Momo")));
        search(f, QStringLiteral("momo krabat"));
        QCOMPARE(count->text(), QStringLiteral("0 von 4 Büchern"));
        QVERIFY(!shown(f, QStringLiteral("DB/2007/")));
        QVERIFY(shown(f, QStringLiteral("DB/")));

        // Escape empties the field; a book selected meanwhile stays selected.
        search(f, QStringLiteral("verlag:dressler"));
        QVERIFY(findBar(f).filter()->selectNext());
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/B.cds/Das doppelte Lottchen"));
        QTest::keyClick(findBar(f).EditFind, Qt::Key_Escape);
        QTRY_VERIFY(!findBar(f).filter()->isBusy());
        QVERIFY(findBar(f).EditFind->text().isEmpty());
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/B.cds/Das doppelte Lottchen"));
        QVERIFY(shown(f, QStringLiteral("DB/2007/B.cds/Das doppelte Lottchen")));
        QVERIFY(shown(f, QStringLiteral("DB/C.cds")));
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Das doppelte Lottchen"));
    }

    void enterAndF3StepThroughMatches()
    {
        WindowFixture f;
        QVERIFY(startWithArchive(f));
        TMainform &w = f.window();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QLineEdit *edit = findBar(f).EditFind;
        edit->setFocus();
        w.TreeView1->setCurrentItem(nullptr);
        // In tree order: Krabat, Momo, then Emil (after "Das doppelte
        // Lottchen" of Dressler).
        search(f, QStringLiteral("carlsen"));
        QCOMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("3 von 4 Büchern"));
        QStringList steps;
        QTest::keyClick(edit, Qt::Key_Return);
        steps.append(currentPath(f));
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(edit, Qt::Key_F3);
            steps.append(currentPath(f));
        }
        QTest::keyClick(edit, Qt::Key_F3, Qt::ShiftModifier);
        steps.append(currentPath(f));
        QTest::keyClick(edit, Qt::Key_Return, Qt::ShiftModifier);
        steps.append(currentPath(f));
        QCOMPARE(steps,
            (QStringList { "DB/2007/A.cds/Krabat", "DB/2007/A.cds/Momo",
                "DB/2007/B.cds/Emil und die Detektive", "DB/2007/A.cds/Krabat",
                "DB/2007/B.cds/Emil und die Detektive", "DB/2007/A.cds/Momo" }));
        // The typing goes on in the field.
        QVERIFY(edit->hasFocus());
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Momo"));

        // From a file node: its first match; back from there: the one before.
        SelectNode(f, QStringLiteral("DB/2007/B.cds"));
        QVERIFY(findBar(f).filter()->selectNext());
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/B.cds/Emil und die Detektive"));
        SelectNode(f, QStringLiteral("DB/2007/B.cds"));
        QVERIFY(findBar(f).filter()->selectPrevious());
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/A.cds/Momo"));

        search(f, QStringLiteral("krabat momo"));
        QVERIFY(!findBar(f).filter()->selectNext());
        QCOMPARE(currentPath(f), QStringLiteral("DB/2007/A.cds/Momo"));
    }

    void excludedBookStaysExcludedThroughFilterAndSave()
    {
        WindowFixture f;
        QVERIFY(startWithArchive(f));
        ToggleBookMark(TreeNode(f, QStringLiteral("DB/2007/A.cds/Momo")));
        search(f, QStringLiteral("krabat"));
        QVERIFY(!shown(f, QStringLiteral("DB/2007/A.cds/Momo")));
        search(f, QString());
        QVERIFY(!IsBookIncluded(TreeNode(f, QStringLiteral("DB/2007/A.cds/Momo"))));

        // Saved while the filter hides three of the four books: every book
        // but the excluded one is written.
        search(f, QStringLiteral("krabat"));
        SelectNode(f, QStringLiteral("DB/2007/"));
        TriggerReviewAction(f, baSave);
        const QString saved
            = f.dbFolder() + QStringLiteral("2007/") + f.window().context().CurrentFileName;
        DataSet back;
        QVERIFY(LoadFromFile(back, saved));
        QStringList titles;
        for (const Record &r : back.records())
            titles.append(r[fBookTitle].toString());
        titles.sort();
        QCOMPARE(
            titles, (QStringList { "Das doppelte Lottchen", "Emil und die Detektive", "Krabat" }));
        // The rebuilt tree is filtered as well.
        QTRY_VERIFY(!findBar(f).filter()->isBusy());
        const QString file = QStringLiteral("DB/2007/") + f.window().context().CurrentFileName;
        QVERIFY(shown(f, file + QStringLiteral("/Krabat")));
        QVERIFY(!shown(f, file + QStringLiteral("/Emil und die Detektive")));
        QVERIFY(!shown(f, QStringLiteral("DB/2007/A.cds")));
        QCOMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("1 von 3 Büchern"));
    }

    // Loading, editing and removing while a filter is in force: new books
    // are filtered, an edited book is found by its new text.
    void filterFollowsTheData()
    {
        WindowFixture f;
        QVERIFY(startWithArchive(f));
        search(f, QStringLiteral("krabat"));
        QCOMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("1 von 4 Büchern"));
        SelectNode(f, QStringLiteral("DB/C.cds"));
        TriggerReviewAction(f, baLoad);
        QTRY_COMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("2 von 5 Büchern"));
        QVERIFY(shown(f, QStringLiteral("DB/C.cds/Krabat")));

        SelectNode(f, QStringLiteral("DB/2007/A.cds/Momo"));
        DataSet &t = f.table();
        QCOMPARE(t.asText(fBookTitle), QStringLiteral("Momo"));
        t.setTag(0);
        t.edit();
        t.setValue(fReview, QStringLiteral("Wie Krabat, nur mit Zeitdieben."));
        QVERIFY(t.post());
        QTRY_COMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("3 von 5 Büchern"));
        QVERIFY(shown(f, QStringLiteral("DB/2007/A.cds/Momo")));

        // A new folder stays in sight while it waits for its name.
        SelectNode(f, QStringLiteral("DB/"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Neues Verzeichnis..."));
        TriggerReviewAction(f, baNewFolder);
        QTRY_VERIFY(!findBar(f).filter()->isBusy());
        QCOMPARE(currentPath(f), QStringLiteral("DB/Unbenannt/"));
        QVERIFY(shown(f, QStringLiteral("DB/Unbenannt/")));
        QVERIFY(!shown(f, QStringLiteral("DB/2008/")));

        f.desktop.answer(Msg::mrOk, QStringLiteral("Alle Datensätze entfernen..."));
        f.window().reviewFiles()->ActionRemoveExecute();
        QCOMPARE(t.recordCount(), 0);
        QTRY_COMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("0 von 0 Büchern"));
        QVERIFY(!shown(f, QStringLiteral("DB/2007/A.cds")));
    }

    // Thousands of books are matched on several threads: the outcome is the
    // rule's, book by book.
    void manyBooksOnATreeOfItsOwn()
    {
        QTreeWidget tree;
        QAbstractItemModelTester tester(tree.model());
        DataSet table;
        table.setFields(ReviewFields());
        table.open();
        auto *root = new QTreeWidgetItem(&tree, QStringList { QStringLiteral("DB") });
        root->setData(0, TreeRoles::Data, int(nkFolder));
        QList<QTreeWidgetItem *> books;
        int expected = 0;
        for (int file = 0; file < 3; ++file) {
            QTreeWidgetItem *node = AddReviewFileNode(root, QStringLiteral("F%1.cds").arg(file));
            for (int i = 0; i < 1000; ++i) {
                const int n = file * 1000 + i + 1;
                table.append();
                table.setValue(fBookNbr, n + 0.7);
                table.setValue(fBookTitle, QStringLiteral("Buch %1").arg(n));
                const bool hit = n % 7 == 0;
                expected += hit;
                table.setValue(fReview,
                    QString(n % 300, u'a')
                        + (hit ? QStringLiteral(" Drache ") : QStringLiteral(" ")));
                QVERIFY(table.post());
                books.append(AddBookNode(node, QStringLiteral("Buch %1").arg(n), 2007 + n * 10000));
            }
        }
        AddReviewFileNode(root, QStringLiteral("leer.cds"));
        tree.expandAll();

        TreeFilter filter(&tree, table);
        filter.setQuery(QStringLiteral("DRACHE"));
        filter.finish();
        QCOMPARE(filter.bookCount(), 3000);
        QCOMPARE(filter.matchCount(), expected);
        for (int i = 0; i < books.size(); ++i)
            QCOMPARE(books[i]->isHidden(), (i + 1) % 7 != 0);
        QVERIFY(root->child(3)->isHidden());

        // One more letter looks only at the matches; the outcome is the same.
        filter.setQuery(QStringLiteral("DRACHE "));
        filter.finish();
        QCOMPARE(filter.matchCount(), expected);
        filter.setQuery(QString());
        filter.finish();
        for (QTreeWidgetItem *b : books)
            QVERIFY(!b->isHidden());
        QVERIFY(!root->child(3)->isHidden());
    }

    // A keystroke never waits for the pass: the field takes it at once and
    // the tree follows from the event loop.
    void typingDoesNotWaitForTheFilter()
    {
        WindowFixture f;
        QVERIFY(startWithArchive(f));
        QLineEdit *edit = findBar(f).EditFind;
        TreeFilter *filter = findBar(f).filter();
        QTest::keyClicks(edit, QStringLiteral("krab"));
        QVERIFY(filter->isBusy());
        QVERIFY(shown(f, QStringLiteral("DB/2007/A.cds/Momo")));
        QTest::keyClicks(edit, QStringLiteral("at"));
        QTRY_VERIFY(!filter->isBusy());
        QCOMPARE(findBar(f).LabelFindCount->text(), QStringLiteral("1 von 4 Büchern"));
        QVERIFY(!shown(f, QStringLiteral("DB/2007/A.cds/Momo")));
    }
};

QTEST_MAIN(TestTreeFilter)
#include "tst_treefilter.moc"
