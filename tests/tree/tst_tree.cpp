#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "data/DDataAccess.h"
#include "store/ReviewSchema.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QAbstractItemModelTester>
#include <QCollator>
#include <QFile>
#include <QTest>
#include <QTreeWidget>

using namespace VexConst;

namespace {

// Texts of a node's children, in order.
QStringList childTexts(const QTreeWidgetItem *node)
{
    QStringList out;
    for (int i = 0; node && i < node->childCount(); ++i)
        out.append(node->child(i)->text(0));
    return out;
}

// Posts books straight into the review table (no checks) and shows them as
// book nodes below a file node, as loading does.
void addBooks(
    WindowFixture &f, QTreeWidgetItem *fileNode, const QList<QPair<double, QString>> &books)
{
    DataSet &t = f.table();
    t.setTag(TDataAccess::tagNone);
    for (const auto &[number, title] : books) {
        t.append();
        t.setValue(fBookNbr, number);
        t.setValue(fBookTitle, title);
        QVERIFY(t.post());
    }
    f.window().treeNavigation()->TreeViewPopulateFileNode(fileNode);
}

// A started window with one file "A.cds" showing the books Krabat and Momo.
QTreeWidgetItem *startWithTwoBooks(WindowFixture &f)
{
    if (!f.writeDbFile(QStringLiteral("A.cds")) || !f.start())
        return nullptr;
    QTreeWidgetItem *file = FindNodeByPath(f.window().TreeView1, QStringLiteral("DB/A.cds"));
    addBooks(f, file, { { 5.7, QStringLiteral("Krabat") }, { 6.7, QStringLiteral("Momo") } });
    return file;
}

int bits(std::initializer_list<int> list)
{
    int set = 0;
    for (int b : list)
        set |= 1 << b;
    return set;
}

} // namespace

class TestTree : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void populationMirrorsTheDisk()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/EM_2007_05_12.cds")));
        QVERIFY(f.writeDbFile(QStringLiteral("2007/AB_2007_01_02.cds")));
        QVERIFY(f.writeDbFile(QStringLiteral("Neue Bücher 2007/Zürich.cds")));
        QVERIFY(f.writeDbFile(QStringLiteral("notizen.txt"), "kein Bericht"));
        QVERIFY(f.writeDbFile(QStringLiteral(".versteckt.cds")));
        QVERIFY(f.makeDbFolder(QStringLiteral(".git/objects")));
        QVERIFY(f.makeDbFolder(QStringLiteral("2006/leer")));
        QVERIFY(f.writeDbFile(QStringLiteral("Ärger.cds")));
        QVERIFY(f.start());
        QTreeWidget *tree = f.window().TreeView1;
        QAbstractItemModelTester tester(tree->model());

        QTreeWidgetItem *root = RootNode(tree);
        QCOMPARE(tree->topLevelItemCount(), 1);
        QCOMPARE(root->text(0), QStringLiteral("DB"));
        QCOMPARE(ImageIndex(root), int(imgRootNode));
        QCOMPARE(SelectedIndex(root), int(imgRootNode));
        // Folders and files in one locale-aware order; dot names stay out.
        QCOMPARE(childTexts(root),
            (QStringList { "2006", "2007", "Ärger.cds", "Neue Bücher 2007", "notizen.txt" }));
        QCOMPARE(
            childTexts(root->child(1)), (QStringList { "AB_2007_01_02.cds", "EM_2007_05_12.cds" }));
        QCOMPARE(ImageIndex(root->child(0)), int(imgFolderClosed));
        QCOMPARE(SelectedIndex(root->child(0)), int(imgFolderOpen));
        QCOMPARE(NodeData(root->child(0)), int(nkFolder));
        QTreeWidgetItem *text = root->child(4);
        QCOMPARE(NodeData(text), int(nkReviewFile));
        QCOMPARE(ImageIndex(text), int(imgReviewFile));
        QVERIFY(root->child(0)->isExpanded());
        QVERIFY(
            root->child(0)->child(0)->isExpanded() || root->child(0)->child(0)->childCount() == 0);
        QVERIFY(!tree->currentItem());

        QTreeWidgetItem *zuerich
            = FindNodeByPath(tree, QStringLiteral("DB/Neue Bücher 2007/Zürich.cds"));
        QVERIFY(zuerich);
        QCOMPARE(GetNodePath(zuerich), QStringLiteral("DB/Neue Bücher 2007/Zürich.cds"));
        QCOMPARE(GetParentPath(zuerich), QStringLiteral("DB/Neue Bücher 2007/"));
        QCOMPARE(GetNodePath(zuerich->parent()), QStringLiteral("DB/Neue Bücher 2007/"));
        QCOMPARE(FindNodeByPath(tree, QStringLiteral("DB/Neue Bücher 2007/")), zuerich->parent());
        QCOMPARE(FindNodeByPath(tree, QStringLiteral("DB")), root);
        QVERIFY(!FindNodeByPath(tree, QStringLiteral("DB/2008/x.cds")));
        QCOMPARE(GetEnclosingFolder(zuerich), zuerich->parent());
        QCOMPARE(f.window().folders().rootFolder + GetNodePath(zuerich),
            f.dbFolder() + QStringLiteral("Neue Bücher 2007/Zürich.cds"));
    }

    // What a save or an import left behind when it was cut short is no
    // review file: a save's temporary file (the file's name, a dot and six
    // letters or digits) and the import's hidden ".part" files.
    void strayTemporariesAreNoReviewFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("shown");
        QTest::newRow("a save's temporary") << "A.cds.AbC123" << false;
        QTest::newRow("of an XML review file") << "A.xml.xYzabc" << false;
        QTest::newRow("extension in capitals") << "A.CDS.qwErty" << false;
        QTest::newRow("an import's leftover") << ".k3j2a9.part" << false;
        QTest::newRow("the review file itself") << "A.cds" << true;
        QTest::newRow("a suffix of three") << "A.cds.bak" << true;
        QTest::newRow("a suffix of seven") << "A.cds.AbC1234" << true;
        QTest::newRow("a suffix with a dash") << "A.cds.Ab-123" << true;
        QTest::newRow("another kind of file") << "notizen.txt.AbC123" << true;
    }

    void strayTemporariesAreNoReviewFiles()
    {
        QFETCH(QString, name);
        QFETCH(bool, shown);
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/") + name, "x"));
        QVERIFY(f.start());
        QTreeWidgetItem *year = FindNodeByPath(f.window().TreeView1, QStringLiteral("DB/2007/"));
        QVERIFY(year);
        QCOMPARE(childTexts(year), shown ? QStringList { name } : QStringList {});
    }

    void loadedFilesAndVisits()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/A.cds")));
        QVERIFY(f.writeDbFile(QStringLiteral("2007/B.cds")));
        QVERIFY(f.start());
        QTreeWidget *tree = f.window().TreeView1;
        QTreeWidgetItem *a = FindNodeByPath(tree, QStringLiteral("DB/2007/A.cds"));
        QVERIFY(SubtreeHasUnloadedFile(RootNode(tree)));
        QVERIFY(!SubtreeHasBook(RootNode(tree)));
        addBooks(f, a, { { 5.7, QStringLiteral("Krabat") }, { 6.7, QStringLiteral("Momo") } });
        QCOMPARE(CountLoadedFiles(tree), 1);
        QVERIFY(SubtreeHasBook(a));
        QCOMPARE(GetNodeKind(a->child(0)), int(nkBook));
        QCOMPARE(ImageIndex(a->child(0)), int(imgBookIncluded));

        QStringList visited;
        bool flag = true;
        VisitSubtree(
            RootNode(tree), [&](QTreeWidgetItem *n, bool &) { visited.append(n->text(0)); }, flag);
        QVERIFY(!flag);
        QCOMPARE(visited, (QStringList { "DB", "2007", "A.cds", "Krabat", "Momo", "B.cds" }));

        QCOMPARE(FindNodeByData(tree, 62007, false), a->child(1));
        QVERIFY(!FindNodeByData(tree, 72007, false));
        QCOMPARE(FindNodeByData(tree, 52007, true), a->child(0));
        QCOMPARE(tree->currentItem(), a->child(0));
        // The review table followed the selection.
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Krabat"));
    }

    // A key that appears twice (two files holding the same book) must not
    // hide the books after it; the first node in tree order is the answer.
    void findNodeByDataWithARepeatedKey_data()
    {
        QTest::addColumn<bool>("indexBuiltFirst");
        QTest::addColumn<bool>("repeatInFront");
        QTest::newRow("index built on the whole tree") << false << false;
        QTest::newRow("repeat added after a lookup") << true << false;
        QTest::newRow("repeat added in front after a lookup") << true << true;
    }
    void findNodeByDataWithARepeatedKey()
    {
        QFETCH(bool, indexBuiltFirst);
        QFETCH(bool, repeatInFront);
        QTreeWidget tree;
        QAbstractItemModelTester tester(tree.model());
        QTreeWidgetItem *root = new QTreeWidgetItem(&tree, QStringList { "DB" });
        root->setData(0, TreeRoles::Data, int(nkFolder));
        QTreeWidgetItem *a = AddReviewFileNode(root, QStringLiteral("A.cds"));
        QTreeWidgetItem *b = AddReviewFileNode(root, QStringLiteral("B.cds"));
        QTreeWidgetItem *krabat = AddBookNode(a, QStringLiteral("Krabat"), 52007);
        QTreeWidgetItem *momo = AddBookNode(b, QStringLiteral("Momo"), 62007);
        QTreeWidgetItem *emil = AddBookNode(b, QStringLiteral("Emil"), 72007);
        if (indexBuiltFirst)
            QCOMPARE(FindNodeByData(&tree, 62007, false), momo);
        QTreeWidgetItem *again = new QTreeWidgetItem(QStringList { "Krabat" });
        again->setData(0, TreeRoles::Data, 52007);
        if (repeatInFront)
            a->insertChild(0, again);
        else
            b->insertChild(0, again);
        QTreeWidgetItem *first = repeatInFront ? again : krabat;
        QCOMPARE(FindNodeByData(&tree, 52007, false), first);
        QCOMPARE(FindNodeByData(&tree, 62007, false), momo);
        QCOMPARE(FindNodeByData(&tree, 72007, true), emil);
        QCOMPARE(tree.currentItem(), emil);
        QVERIFY(!FindNodeByData(&tree, 82007, false));
    }

    // A folder of a whole archive is sorted in two halves side by side; the
    // order must be the collator's at every level, ties in the order they
    // had, and every node, expansion and the current node kept.
    void sortingAnArchiveKeepsEveryNode()
    {
        QTreeWidget tree;
        QTreeWidgetItem *db = AddFolderNode(tree.invisibleRootItem(), QStringLiteral("DB"));
        QTreeWidgetItem *archive = AddFolderNode(db, QStringLiteral("Archiv"));
        AddFolderNode(db, QStringLiteral("2007"));
        const QStringList titles = { QStringLiteral("Krabat"), QStringLiteral("momo"),
            QStringLiteral("Momo"), QStringLiteral("Ärger im Wald"), QStringLiteral("Anna"),
            QStringLiteral("Zora"), QStringLiteral("Œuvre"), QStringLiteral("éclair"),
            QStringLiteral("10 Tage"), QStringLiteral("2 Tage"), QString() };
        int nodes = 0;
        for (int file = 0; file < 120; ++file) {
            QTreeWidgetItem *f
                = AddReviewFileNode(archive, QStringLiteral("Datei%1.cds").arg((file * 37) % 120));
            for (int book = 0; book < 40; ++book) {
                AddBookNode(f, titles[(file * 7 + book * 13) % titles.size()], file * 100 + book);
                ++nodes;
            }
            f->setExpanded(file % 3 == 0);
        }
        db->setExpanded(true);
        archive->setExpanded(true);
        QTreeWidgetItem *current = archive->child(5);
        tree.setCurrentItem(current);

        QAbstractItemModelTester tester(tree.model());
        SortTree(&tree);

        const QCollator collator { QLocale() };
        int seen = 0;
        std::function<void(QTreeWidgetItem *)> check = [&](QTreeWidgetItem *node) {
            for (int i = 1; i < node->childCount(); ++i) {
                const QTreeWidgetItem *a = node->child(i - 1);
                const QTreeWidgetItem *b = node->child(i);
                const int c = collator.compare(a->text(0), b->text(0));
                QVERIFY2(c < 0 || (c == 0 && NodeData(a) < NodeData(b)),
                    qPrintable(a->text(0) + u'|' + b->text(0)));
            }
            for (int i = 0; i < node->childCount(); ++i) {
                QTreeWidgetItem *child = node->child(i);
                if (GetNodeKind(child) == nkBook)
                    ++seen;
                if (GetNodeKind(child) == nkReviewFile) {
                    const int number = child->text(0).mid(5).chopped(4).toInt();
                    QCOMPARE(child->isExpanded(), ((number * 13) % 120) % 3 == 0);
                    QCOMPARE(NodeData(child->child(0)) / 100, (number * 13) % 120);
                }
                check(child);
            }
        };
        check(tree.invisibleRootItem());
        QCOMPARE(seen, nodes);
        QCOMPARE(childTexts(db), (QStringList { "2007", "Archiv" }));
        QVERIFY(archive->isExpanded());
        QCOMPARE(tree.currentItem(), current);
    }

    void rowsAreOneLineEach()
    {
        WindowFixture f;
        QVERIFY(f.start());
        // Laid out all at once: the first End in 40,000 books is quick.
        QVERIFY(f.window().TreeView1->uniformRowHeights());
    }

    void actionSetsPerNode_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("withBooks");
        QTest::addColumn<int>("expected");
        const int root = bits({ baNewFolder, baNew, baImport, baImportZip });
        const int file = bits({ baDeletefromTree, baSendMail, baShowMissingFrontImages });
        QTest::newRow("root, unloaded file below") << "DB" << false << (root | bits({ baLoad }));
        QTest::newRow("root, all loaded, records") << "DB" << true << (root | bits({ baSave }));
        QTest::newRow("folder") << "DB/2007/" << false
                                << (root | bits({ baLoad, baDeletefromTree }));
        QTest::newRow("unloaded file") << "DB/2007/A.cds" << false << (file | bits({ baLoad }));
        QTest::newRow("loaded current file")
            << "DB/2007/A.cds" << true
            << (file | bits({ baRemove, baSave, baPublisherDocuments, baWebPage }));
        QTest::newRow("book") << "DB/2007/A.cds/Krabat" << true << bits({ baFindFrontImage });
    }
    void actionSetsPerNode()
    {
        QFETCH(QString, path);
        QFETCH(bool, withBooks);
        QFETCH(int, expected);
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/A.cds")));
        QVERIFY(f.start());
        TMainform &w = f.window();
        QTreeWidgetItem *file = FindNodeByPath(w.TreeView1, QStringLiteral("DB/2007/A.cds"));
        if (withBooks) {
            addBooks(f, file, { { 5.7, QStringLiteral("Krabat") } });
            w.context().CurrentFileName = QStringLiteral("A.cds");
        }
        QTreeWidgetItem *node = FindNodeByPath(w.TreeView1, path);
        QVERIFY(node);
        w.TreeView1->setCurrentItem(node);
        w.TreeView1Enter();
        QCOMPARE(w.actions()->enabledSet(), expected);
    }

    void reservedKindWarnsAndKeepsTheActions()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.EnableActions(bits({ baNew }));
        QTreeWidgetItem *odd
            = AddChildNode(RootNode(w.TreeView1), QStringLiteral("?"), nkReserved, 0, 0);
        f.desktop.answer(Msg::mrOk, QStringLiteral("Strukturansicht..."));
        w.SetAllowedTreeActions(odd);
        QCOMPARE(f.desktop.lastDialog().message, QStringLiteral("Unbekannter Knotentyp"));
        QCOMPARE(w.actions()->enabledSet(), bits({ baNew }));
        QCOMPARE(GetNodeKind(odd), int(nkReserved));
        SetNodeData(odd, nkReservedMinus4);
        QCOMPARE(GetNodeKind(odd), int(nkReservedMinus4));
    }

    void iconClickTogglesLabelClickDoesNot()
    {
        WindowFixture f;
        QTreeWidgetItem *file = startWithTwoBooks(f);
        QVERIFY(file);
        TMainform &w = f.window();
        file->setExpanded(true);
        w.resize(900, 600);
        QTreeWidgetItem *momo = file->child(1);
        const QRect row = w.TreeView1->visualItemRect(momo);
        QVERIFY(row.isValid());
        QPoint onIcon;
        for (int x = row.left(); x < row.right(); ++x) {
            if (w.treeNavigation()->isOnIcon(momo, QPoint(x, row.center().y()))) {
                onIcon = QPoint(x + 4, row.center().y());
                break;
            }
        }
        QVERIFY(!onIcon.isNull());
        const QPoint onLabel(onIcon.x() + 40, onIcon.y());

        f.table().first();
        QTest::mouseClick(w.TreeView1->viewport(), Qt::LeftButton, {}, onLabel);
        QCOMPARE(ImageIndex(momo), int(imgBookIncluded));
        QCOMPARE(f.table().asText(fBookTitle), QStringLiteral("Momo"));
        for (int expected : { imgBookExcluded, imgBookIncluded, imgBookExcluded }) {
            QTest::mouseClick(w.TreeView1->viewport(), Qt::LeftButton, {}, onIcon);
            QCOMPARE(ImageIndex(momo), expected);
            QCOMPARE(SelectedIndex(momo), expected);
        }
        QVERIFY(!IsBookIncluded(momo));
    }

    void doubleClickLoadsOnlyWhenLoadIsEnabled()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("A.cds")));
        QVERIFY(f.start());
        TMainform &w = f.window();
        int loads = 0;
        connect(w.actions()->reviewAction(baLoad), &QAction::triggered, this, [&] { ++loads; });
        QTreeWidgetItem *file = FindNodeByPath(w.TreeView1, QStringLiteral("DB/A.cds"));
        w.TreeView1->setCurrentItem(file);
        f.desktop.answer(
            Msg::mrOk, QStringLiteral("Besprechungsbericht laden")); // the file is empty
        w.treeNavigation()->TreeView1DblClick();
        QCOMPARE(loads, 1);
        addBooks(f, file, { { 5.7, QStringLiteral("Krabat") } });
        w.TreeView1->setCurrentItem(nullptr);
        w.TreeView1->setCurrentItem(file);
        w.treeNavigation()->TreeView1DblClick();
        QCOMPARE(loads, 1);
    }

    void deletingARecordRemovesItsNode()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("A.cds")));
        QVERIFY(f.start());
        QTreeWidgetItem *file = FindNodeByPath(f.window().TreeView1, QStringLiteral("DB/A.cds"));
        addBooks(f, file, { { 5.7, QStringLiteral("Krabat") }, { 6.7, QStringLiteral("Momo") } });
        QVERIFY(f.table().locate(QStringLiteral("BookNbr"), 6.7));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Datensatz löschen..."));
        QVERIFY(f.table().deleteRecord());
        QCOMPARE(childTexts(file), QStringList { "Krabat" });
    }
};

QTEST_MAIN(TestTree)
#include "tst_tree.moc"
