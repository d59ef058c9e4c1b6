#include "TestEnv.h"
#include "TreeSteps.h"
#include "WindowFixture.h"

#include "app/Fmain.h"
#include "app/StatusPanels.h"
#include "base/ActionList.h"
#include "base/UState.h"
#include "data/DDataAccess.h"
#include "store/ReviewSchema.h"
#include "tree/TreeEditing.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QTreeWidget>

using namespace VexConst;

namespace {

// Every node's path in tree order.
QStringList treeDump(const QTreeWidget *tree)
{
    QStringList out;
    bool flag = false;
    if (QTreeWidgetItem *root = RootNode(tree))
        VisitSubtree(
            root, [&](QTreeWidgetItem *n, bool &) { out.append(GetNodePath(n)); }, flag);
    return out;
}

// Files from "path=content", folders from "path/", below the database folder.
void makeDisk(WindowFixture &f, const QStringList &entries)
{
    for (const QString &e : entries) {
        if (e.endsWith(u'/')) {
            QVERIFY(f.makeDbFolder(e));
        } else {
            const qsizetype eq = e.indexOf(u'=');
            QVERIFY(f.writeDbFile(e.left(eq), eq < 0 ? QByteArray() : e.mid(eq + 1).toUtf8()));
        }
    }
}

// A node that the tree shows but the disk does not have.
QTreeWidgetItem *treeOnlyNode(WindowFixture &f, const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/', path.endsWith(u'/') ? -2 : -1);
    QTreeWidgetItem *parent = TreeNode(f, path.left(slash + 1));
    const QString name = path.mid(slash + 1);
    if (name.endsWith(u'/'))
        return AddFolderNode(parent, name.chopped(1));
    return AddReviewFileNode(parent, name);
}

void select(WindowFixture &f, QTreeWidgetItem *n) { f.window().TreeView1->setCurrentItem(n); }

// The label editor that is open now, if any.
QLineEdit *openEditor(QTreeWidget *tree)
{
    const QList<QLineEdit *> edits = tree->viewport()->findChildren<QLineEdit *>();
    for (QLineEdit *e : edits) {
        if (e->isVisible())
            return e;
    }
    return nullptr;
}

QString dialogLine(const ScriptedDesktop::Dialog &d)
{
    return d.caption + u'|' + d.message + u'|' + QString::number(d.kind) + u'|'
        + d.captions.join(u',');
}

QStringList dialogLines(const ScriptedDesktop &desktop)
{
    QStringList out;
    for (const ScriptedDesktop::Dialog &d : desktop.dialogs())
        out.append(dialogLine(d));
    return out;
}

void postRecord(WindowFixture &f, double number, const QString &title)
{
    DataSet &t = f.table();
    t.setTag(TDataAccess::tagNone);
    t.append();
    t.setValue(fBookNbr, number);
    t.setValue(fBookTitle, title);
    QVERIFY(t.post());
}

int bits(std::initializer_list<int> list)
{
    int set = 0;
    for (int b : list)
        set |= 1 << b;
    return set;
}

const QString kFileQuestion = QStringLiteral("Wollen Sie den Bericht wirklich löschen?\r\n"
                                             "Der Bericht wird gelöscht und ist "
                                             "unwiederbringlich verloren!");
const QString kFolderQuestion
    = QStringLiteral("Wollen Sie das Verzeichnis wirklich löschen?\r\n"
                     "Das Verzeichnis und der gesamte Inhalt werden gelöscht.\r\n"
                     "Alle Daten sind unwiederbringlich verloren!");

} // namespace

class TestTreeEditing : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    // --- new folder -------------------------------------------------------

    void newFolder_data()
    {
        QTest::addColumn<QStringList>("disk");
        QTest::addColumn<QString>("parent");
        QTest::addColumn<bool>("created");
        QTest::addColumn<QStringList>("diskAfter");
        QTest::addColumn<QStringList>("children");
        QTest::newRow("fresh") << QStringList { "2007/Z.cds=z" } << "DB/2007/" << true
                               << QStringList { "2007/", "2007/Unbenannt/", "2007/Z.cds=z" }
                               << QStringList { "Z.cds", "Unbenannt" };
        QTest::newRow("beside an existing Unbenannt")
            << QStringList { "2007/Unbenannt/x.cds=x", "2007/Z.cds=z" } << "DB/2007/" << true
            << QStringList { "2007/", "2007/Unbenannt/", "2007/Unbenannt/x.cds=x", "2007/Z.cds=z" }
            << QStringList { "Unbenannt", "Z.cds", "Unbenannt" };
        QTest::newRow("below the root")
            << QStringList {} << "DB" << true << QStringList { "Unbenannt/" }
            << QStringList { "Unbenannt" };
        QTest::newRow("parent only in the tree")
            << QStringList { "2007/" } << "DB/2007/Neu/" << true
            << QStringList { "2007/", "2007/Neu/", "2007/Neu/Unbenannt/" }
            << QStringList { "Unbenannt" };
        QTest::newRow("a file in the way")
            << QStringList { "2007/Unbenannt=kein Ordner" } << "DB/2007/" << false
            << QStringList { "2007/", "2007/Unbenannt=kein Ordner" }
            << QStringList { "Unbenannt", "Unbenannt" };
    }
    void newFolder()
    {
        QFETCH(QStringList, disk);
        QFETCH(QString, parent);
        QFETCH(bool, created);
        QFETCH(QStringList, diskAfter);
        QFETCH(QStringList, children);
        WindowFixture f;
        makeDisk(f, disk);
        QVERIFY(f.start());
        QTreeWidget *tree = f.window().TreeView1;
        QAbstractItemModelTester tester(tree->model());
        QTreeWidgetItem *folder = TreeNode(f, parent);
        if (!folder)
            folder = treeOnlyNode(f, parent);
        select(f, folder);
        if (created)
            f.desktop.answer(Msg::mrOk, QStringLiteral("Neues Verzeichnis..."));

        f.window().actions()->action(QStringLiteral("ActionNewFolder"))->trigger();

        QStringList texts;
        for (int i = 0; i < folder->childCount(); ++i)
            texts.append(folder->child(i)->text(0));
        QCOMPARE(texts, children);
        QTreeWidgetItem *added = folder->child(folder->childCount() - 1);
        QCOMPARE(tree->currentItem(), added);
        QCOMPARE(NodeData(added), int(nkFolder));
        QCOMPARE(ImageIndex(added), int(imgFolderClosed));
        QCOMPARE(SelectedIndex(added), int(imgFolderOpen));
        QCOMPARE(TestEnv::listing(f.dbFolder()), diskAfter);
        if (created) {
            QCOMPARE(dialogLines(f.desktop),
                QStringList { QStringLiteral("Neues Verzeichnis...|Geben Sie dem neuen Verzeichis "
                                             "'Unbenannt' einen sinnvollen Namen.|2|OK") });
            QCOMPARE(f.desktop.systemMessages, QStringList {});
        } else {
            QCOMPARE(dialogLines(f.desktop), QStringList {});
            QCOMPARE(f.desktop.systemMessages,
                QStringList { QStringLiteral("Verzeichnis\r\n") + f.dbFolder()
                    + QStringLiteral("2007/Unbenannt/\r\nkann nicht angelegt werden") });
        }
    }

    // --- label editing ------------------------------------------------------

    void editingRules_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("allowed");
        QTest::addColumn<QStringList>("dialogs");
        QTest::newRow("root") << "DB" << false
                              << QStringList { QStringLiteral(
                                     "Verzeichnis umbenennen|Das Wurzelverzeichnis kann nicht "
                                     "umbenannt werden.|2|OK") };
        QTest::newRow("folder") << "DB/2007/" << true << QStringList {};
        QTest::newRow("review file") << "DB/2007/A.cds" << true << QStringList {};
        QTest::newRow("book") << "DB/2007/A.cds/Krabat" << false << QStringList {};
    }
    void editingRules()
    {
        QFETCH(QString, path);
        QFETCH(bool, allowed);
        QFETCH(QStringList, dialogs);
        WindowFixture f;
        makeDisk(f, { "2007/A.cds=a" });
        QVERIFY(f.start());
        AddBookNode(TreeNode(f, QStringLiteral("DB/2007/A.cds")), QStringLiteral("Krabat"), 52007);
        if (!dialogs.isEmpty())
            f.desktop.answer(Msg::mrOk);
        QCOMPARE(f.window().treeEditing()->TreeView1Editing(TreeNode(f, path)), allowed);
        QCOMPARE(dialogLines(f.desktop), dialogs);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("newText");
        QTest::addColumn<QString>("treeOnly"); // a node the disk does not have
        QTest::addColumn<QString>("taken"); // made on disk after start-up
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QString>("tablePath");
        QTest::addColumn<QStringList>("diskAfter");

        const QString em = QStringLiteral("EM_2007_05_12.cds");
        const QString emPath = QStringLiteral("2007/EM_2007_05_12.cds");
        const QString file = QStringLiteral("Datei umbenennen");
        const QString folder = QStringLiteral("Verzeichnis umbenennen");
        const QStringList unchanged { "2007/", "2007/AB.cds=ab", "2007/Alt/", "2007/Alt/X.cds=x",
            "2007/EM_2007_05_12.cds=em", "2008/" };

        QTest::newRow("current file") << "DB/2007/" + em << "EM_neu.cds"
                                      << ""
                                      << ""
                                      << "EM_neu.cds"
                                      << ""
                                      << "EM_neu.cds"
                                      << "2007/EM_neu.cds"
                                      << QStringList { "2007/", "2007/AB.cds=ab", "2007/Alt/",
                                             "2007/Alt/X.cds=x", "2007/EM_neu.cds=em", "2008/" };
        QTest::newRow("another file")
            << "DB/2007/AB.cds"
            << "CD.xml"
            << ""
            << ""
            << "CD.xml"
            << "" << em << emPath
            << QStringList { "2007/", "2007/Alt/", "2007/Alt/X.cds=x", "2007/CD.xml=ab",
                   "2007/EM_2007_05_12.cds=em", "2008/" };
        QTest::newRow("current file, name taken on disk")
            << "DB/2007/" + em << "EM_neu.cds"
            << ""
            << "2007/EM_neu.cds=fremd" << em << file << em << emPath
            << (unchanged + QStringList { "2007/EM_neu.cds=fremd" });
        QTest::newRow("another file, name taken on disk")
            << "DB/2007/AB.cds"
            << "CD.cds"
            << ""
            << "2007/CD.cds=fremd"
            << "AB.cds" << file << em << emPath
            << (unchanged + QStringList { "2007/CD.cds=fremd" });
        QTest::newRow("name of a neighbour") << "DB/2007/AB.cds" << em << ""
                                             << ""
                                             << "AB.cds" << file << em << emPath << unchanged;
        QTest::newRow("name of a neighbour only the tree knows")
            << "DB/2007/AB.cds"
            << "Geist.cds"
            << "DB/2007/Geist.cds"
            << ""
            << "AB.cds" << file << em << emPath << unchanged;
        QTest::newRow("empty name") << "DB/2007/AB.cds"
                                    << ""
                                    << ""
                                    << ""
                                    << "AB.cds" << file << em << emPath << unchanged;
        QTest::newRow("name with a separator") << "DB/2007/AB.cds"
                                               << "../AB.cds"
                                               << ""
                                               << ""
                                               << "AB.cds" << file << em << emPath << unchanged;
        QTest::newRow("folder") << "DB/2007/Alt/"
                                << "Neu"
                                << ""
                                << ""
                                << "Neu"
                                << "" << em << emPath
                                << QStringList { "2007/", "2007/AB.cds=ab",
                                       "2007/EM_2007_05_12.cds=em", "2007/Neu/", "2007/Neu/X.cds=x",
                                       "2008/" };
        QTest::newRow("folder holding the table's file")
            << "DB/2007/"
            << "2007 alt"
            << ""
            << ""
            << "2007 alt"
            << "" << em << "2007 alt/EM_2007_05_12.cds"
            << QStringList { "2007 alt/", "2007 alt/AB.cds=ab", "2007 alt/Alt/",
                   "2007 alt/Alt/X.cds=x", "2007 alt/EM_2007_05_12.cds=em", "2008/" };
        QTest::newRow("folder, name taken on disk")
            << "DB/2007/Alt/"
            << "Neu"
            << ""
            << "2007/Neu/"
            << "Alt" << folder << em << emPath << (unchanged + QStringList { "2007/Neu/" });
        QTest::newRow("folder, name with a separator")
            << "DB/2007/Alt/"
            << "a/b"
            << ""
            << ""
            << "Alt" << folder << em << emPath << unchanged;
        QTest::newRow("folder, dot dot") << "DB/2007/Alt/"
                                         << ".."
                                         << ""
                                         << ""
                                         << "Alt" << folder << em << emPath << unchanged;
        QTest::newRow("neither on disk") << "DB/2008/Geist.cds"
                                         << "Spuk.cds"
                                         << "DB/2008/Geist.cds"
                                         << ""
                                         << "Spuk.cds"
                                         << "" << em << emPath << unchanged;
        QTest::newRow("current file unchanged") << "DB/2007/" + em << em << ""
                                                << "" << em << "" << em << emPath << unchanged;
        QTest::newRow("folder unchanged") << "DB/2007/Alt/"
                                          << "Alt"
                                          << ""
                                          << ""
                                          << "Alt"
                                          << "" << em << emPath << unchanged;
    }
    void rename()
    {
        QFETCH(QString, path);
        QFETCH(QString, newText);
        QFETCH(QString, treeOnly);
        QFETCH(QString, taken);
        QFETCH(QString, label);
        QFETCH(QString, caption);
        QFETCH(QString, current);
        QFETCH(QString, tablePath);
        QFETCH(QStringList, diskAfter);
        diskAfter.sort();
        WindowFixture f;
        makeDisk(f, { "2007/EM_2007_05_12.cds=em", "2007/AB.cds=ab", "2007/Alt/X.cds=x", "2008/" });
        QVERIFY(f.start());
        TMainform &w = f.window();
        if (!treeOnly.isEmpty())
            treeOnlyNode(f, treeOnly);
        if (!taken.isEmpty())
            makeDisk(f, { taken });
        w.context().CurrentFileName = QStringLiteral("EM_2007_05_12.cds");
        w.StatusMsg(StatusPanel::File, QStringLiteral("EM_2007_05_12.cds"));
        f.table().setFileName(f.dbFolder() + QStringLiteral("2007/EM_2007_05_12.cds"));
        if (!caption.isEmpty())
            f.desktop.answer(Msg::mrOk, caption);

        QTreeWidgetItem *n = TreeNode(f, path);
        QVERIFY(n);
        QString text = newText;
        w.treeEditing()->TreeView1Edited(n, text);
        n->setText(0, text);

        QCOMPARE(text, label);
        if (caption.isEmpty()) {
            QCOMPARE(dialogLines(f.desktop), QStringList {});
        } else {
            const QString message = caption == QLatin1String("Datei umbenennen")
                ? QStringLiteral("Die Datei konnte nicht umbenannt werden.")
                : QStringLiteral("Das Verzeichnis konnte nicht umbenannt werden.");
            QCOMPARE(dialogLines(f.desktop),
                QStringList { caption + u'|' + message + QStringLiteral("|2|OK") });
        }
        QCOMPARE(w.context().CurrentFileName, current);
        QCOMPARE(w.statusText(StatusPanel::File), current);
        QCOMPARE(f.table().fileName(), f.dbFolder() + tablePath);
        QCOMPARE(TestEnv::listing(f.dbFolder()), diskAfter);
        // Whatever the disk now holds, the tree shows it where it is (except
        // what was made behind the tree's back).
        const QStringList nodes = treeDump(w.TreeView1);
        for (QString entry : diskAfter) {
            entry = entry.section(u'=', 0, 0);
            if (entry != taken.section(u'=', 0, 0))
                QVERIFY2(nodes.contains(QStringLiteral("DB/") + entry), qPrintable(entry));
        }
    }

    void renameThroughTheEditor()
    {
        WindowFixture f;
        makeDisk(f, { "2007/EM_2007_05_12.cds=em", "2007/AB.cds=ab" });
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.resize(900, 600);
        QTreeWidget *tree = w.TreeView1;
        w.context().CurrentFileName = QStringLiteral("EM_2007_05_12.cds");
        QTreeWidgetItem *em = TreeNode(f, QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        select(f, em);

        QTest::keyClick(tree, Qt::Key_F2);
        QLineEdit *editor = openEditor(tree);
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("EM_2007_05_12.cds"));
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("EM_neu.cds"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(em->text(0), QStringLiteral("EM_neu.cds"));
        QCOMPARE(TestEnv::listing(f.dbFolder()),
            (QStringList { "2007/", "2007/AB.cds=ab", "2007/EM_neu.cds=em" }));
        QCOMPARE(w.context().CurrentFileName, QStringLiteral("EM_neu.cds"));
        // Still the current file, with its extra actions.
        w.SetAllowedTreeActions(em);
        QCOMPARE(w.actions()->enabledSet(),
            bits({ baDeletefromTree, baSendMail, baShowMissingFrontImages, baLoad, baRemove, baSave,
                baPublisherDocuments, baWebPage }));

        // A neighbour's name is refused; the label stays.
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(openEditor(tree));
        editor = openEditor(tree);
        QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("AB.cds"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Datei umbenennen"));
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Die Datei konnte nicht umbenannt werden."));
        QCOMPARE(em->text(0), QStringLiteral("EM_neu.cds"));
        QCOMPARE(w.context().CurrentFileName, QStringLiteral("EM_neu.cds"));

        // Escape leaves everything as it was.
        QTRY_VERIFY(!openEditor(tree));
        QTest::keyClick(tree, Qt::Key_F2);
        QTRY_VERIFY(openEditor(tree));
        editor = openEditor(tree);
        QTest::keyClicks(editor, QStringLiteral("x"));
        QTest::keyClick(editor, Qt::Key_Escape);
        QTRY_VERIFY(!openEditor(tree));
        QTest::qWait(20);
        QCOMPARE(em->text(0), QStringLiteral("EM_neu.cds"));
        QCOMPARE(TestEnv::listing(f.dbFolder()),
            (QStringList { "2007/", "2007/AB.cds=ab", "2007/EM_neu.cds=em" }));
    }

    void editorDoesNotOpenWhereEditingIsRefused_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QStringList>("dialogs");
        QTest::newRow("root") << "DB"
                              << QStringList { QStringLiteral(
                                     "Verzeichnis umbenennen|Das Wurzelverzeichnis kann nicht "
                                     "umbenannt werden.|2|OK") };
        QTest::newRow("book") << "DB/A.cds/Krabat" << QStringList {};
    }
    void editorDoesNotOpenWhereEditingIsRefused()
    {
        QFETCH(QString, path);
        QFETCH(QStringList, dialogs);
        WindowFixture f;
        makeDisk(f, { "A.cds=a" });
        QVERIFY(f.start());
        QTreeWidget *tree = f.window().TreeView1;
        f.window().resize(900, 600);
        AddBookNode(TreeNode(f, QStringLiteral("DB/A.cds")), QStringLiteral("Krabat"), 52007);
        TreeNode(f, QStringLiteral("DB/A.cds"))->setExpanded(true);
        select(f, TreeNode(f, path));
        if (!dialogs.isEmpty())
            f.desktop.answer(Msg::mrOk);
        QTest::keyClick(tree, Qt::Key_F2);
        QVERIFY(!openEditor(tree));
        QCOMPARE(dialogLines(f.desktop), dialogs);
        QCOMPARE(TreeNode(f, path)->text(0), path.section(u'/', -1));
    }

    // --- drag and drop ------------------------------------------------------------

    void drop_data()
    {
        QTest::addColumn<QString>("dragged");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QStringList>("treeAfter"); // empty: refused
        QTest::addColumn<QStringList>("diskAfter");
        QTest::addColumn<QString>("tablePath");

        const QString tree = QStringLiteral("tree");
        QTest::newRow("folder onto its own sub-folder")
            << "DB/2007/"
            << "DB/2007/Sub/" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("folder onto itself")
            << "DB/2007/"
            << "DB/2007/" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("file onto its present parent")
            << "DB/2007/A.cds"
            << "DB/2007/" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("folder onto its present parent")
            << "DB/2007/Sub/"
            << "DB/2007/" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("book node")
            << "DB/2007/A.cds/Krabat"
            << "DB/2008/" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("onto a review file")
            << "DB/Z.cds"
            << "DB/2007/A.cds" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("onto a book") << "DB/Z.cds"
                                     << "DB/2007/A.cds/Krabat" << tree << QStringList {}
                                     << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("nothing under the mouse")
            << "DB/Z.cds"
            << "" << tree << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("from another control")
            << "DB/Z.cds"
            << "DB/2008/"
            << "window" << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("from another program")
            << "DB/Z.cds"
            << "DB/2008/"
            << "" << QStringList {} << QStringList {} << "2007/Sub/S.cds";
        QTest::newRow("the root") << "DB"
                                  << "DB/2008/" << tree << QStringList {} << QStringList {}
                                  << "2007/Sub/S.cds";

        QTest::newRow("loaded file onto the root")
            << "DB/2007/A.cds"
            << "DB" << tree
            << QStringList { "DB/", "DB/A.cds", "DB/A.cds/Krabat", "DB/2007/", "DB/2007/Sub/",
                   "DB/2007/Sub/S.cds", "DB/2008/", "DB/Z.cds" }
            << QStringList { "2007/", "2007/Sub/", "2007/Sub/S.cds=s", "2008/", "A.cds=a",
                   "Z.cds=z" }
            << "2007/Sub/S.cds";
        QTest::newRow("folder holding the table's file onto a neighbour")
            << "DB/2007/Sub/"
            << "DB/2008/" << tree
            << QStringList { "DB/", "DB/2007/", "DB/2007/A.cds", "DB/2007/A.cds/Krabat", "DB/2008/",
                   "DB/2008/Sub/", "DB/2008/Sub/S.cds", "DB/Z.cds" }
            << QStringList { "2007/", "2007/A.cds=a", "2008/", "2008/Sub/", "2008/Sub/S.cds=s",
                   "Z.cds=z" }
            << "2008/Sub/S.cds";
        QTest::newRow("file into a sub-folder, first place")
            << "DB/Z.cds"
            << "DB/2007/Sub/" << tree
            << QStringList { "DB/", "DB/2007/", "DB/2007/A.cds", "DB/2007/A.cds/Krabat",
                   "DB/2007/Sub/", "DB/2007/Sub/Z.cds", "DB/2007/Sub/S.cds", "DB/2008/" }
            << QStringList { "2007/", "2007/A.cds=a", "2007/Sub/", "2007/Sub/S.cds=s",
                   "2007/Sub/Z.cds=z", "2008/" }
            << "2007/Sub/S.cds";
    }
    void drop()
    {
        QFETCH(QString, dragged);
        QFETCH(QString, target);
        QFETCH(QString, source);
        QFETCH(QStringList, treeAfter);
        QFETCH(QStringList, diskAfter);
        QFETCH(QString, tablePath);
        WindowFixture f;
        makeDisk(f, { "2007/A.cds=a", "2007/Sub/S.cds=s", "2008/", "Z.cds=z" });
        QVERIFY(f.start());
        TMainform &w = f.window();
        QTreeWidget *tree = w.TreeView1;
        QAbstractItemModelTester tester(tree->model());
        AddBookNode(TreeNode(f, QStringLiteral("DB/2007/A.cds")), QStringLiteral("Krabat"), 52007);
        f.table().setFileName(f.dbFolder() + QStringLiteral("2007/Sub/S.cds"));
        const QStringList treeBefore = treeDump(tree);
        const QStringList diskBefore = TestEnv::listing(f.dbFolder());

        QTreeWidgetItem *draggedNode = TreeNode(f, dragged);
        QTreeWidgetItem *targetNode = target.isEmpty() ? nullptr : TreeNode(f, target);
        QVERIFY(draggedNode);
        QVERIFY(target.isEmpty() || targetNode);
        select(f, draggedNode);
        if (targetNode)
            targetNode->setExpanded(false);
        QObject *from = source == QLatin1String("tree") ? static_cast<QObject *>(tree)
            : source == QLatin1String("window")         ? static_cast<QObject *>(&w)
                                                        : nullptr;

        TreeEditing *editing = w.treeEditing();
        const bool allowed = !treeAfter.isEmpty();
        QCOMPARE(editing->TreeView1DragOver(from, targetNode), allowed);
        editing->TreeView1DragDrop(from, targetNode);

        QCOMPARE(dialogLines(f.desktop), QStringList {});
        if (!allowed) {
            QCOMPARE(treeDump(tree), treeBefore);
            QCOMPARE(TestEnv::listing(f.dbFolder()), diskBefore);
            QCOMPARE(tree->currentItem(), draggedNode);
        } else {
            QCOMPARE(treeDump(tree), treeAfter);
            QCOMPARE(TestEnv::listing(f.dbFolder()), diskAfter);
            QCOMPARE(targetNode->child(0), draggedNode);
            QVERIFY(targetNode->isExpanded());
            QCOMPARE(tree->currentItem(), targetNode);
        }
        QCOMPARE(f.table().fileName(), f.dbFolder() + tablePath);
    }

    void dropOntoATakenName_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("treeAfter");
        QTest::addColumn<QStringList>("diskAfter");
        QTest::addColumn<QStringList>("trashed");
        QTest::newRow("Ersetzen") << int(Msg::mrOk)
                                  << QStringList { "DB/", "DB/2007/", "DB/2008/", "DB/2008/A.cds",
                                         "DB/2008/A.cds/Krabat", "DB/2008/C.cds" }
                                  << QStringList { "2007/", "2008/", "2008/A.cds=neu",
                                         "2008/C.cds=c" }
                                  << QStringList { "2008/A.cds" };
        QTest::newRow("Abbrechen")
            << int(Msg::mrCancel)
            << QStringList { "DB/", "DB/2007/", "DB/2007/A.cds", "DB/2007/A.cds/Krabat", "DB/2008/",
                   "DB/2008/A.cds", "DB/2008/C.cds" }
            << QStringList { "2007/", "2007/A.cds=neu", "2008/", "2008/A.cds=alt", "2008/C.cds=c" }
            << QStringList {};
    }
    void dropOntoATakenName()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, treeAfter);
        QFETCH(QStringList, diskAfter);
        QFETCH(QStringList, trashed);
        WindowFixture f;
        makeDisk(f, { "2007/A.cds=neu", "2008/A.cds=alt", "2008/C.cds=c" });
        QVERIFY(f.start());
        QTreeWidget *tree = f.window().TreeView1;
        QTreeWidgetItem *moved = TreeNode(f, QStringLiteral("DB/2007/A.cds"));
        AddBookNode(moved, QStringLiteral("Krabat"), 52007);
        select(f, moved);
        f.desktop.answer(answer, QStringLiteral("Verschieben..."));
        f.window().treeEditing()->TreeView1DragDrop(tree, TreeNode(f, QStringLiteral("DB/2008/")));
        QCOMPARE(treeDump(tree), treeAfter);
        QCOMPARE(TestEnv::listing(f.dbFolder()), diskAfter);
        QStringList expectedTrash;
        for (const QString &t : trashed)
            expectedTrash.append(f.dbFolder() + t);
        QCOMPARE(f.desktop.trashed, expectedTrash);
    }

    void treeRefusesDropsFromOutside()
    {
        WindowFixture f;
        makeDisk(f, { "2007/A.cds=a", "2008/" });
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.resize(900, 600);
        QTreeWidget *tree = w.TreeView1;
        QTreeWidgetItem *file = TreeNode(f, QStringLiteral("DB/2007/A.cds"));
        QTreeWidgetItem *target = TreeNode(f, QStringLiteral("DB/2008/"));
        select(f, file);
        const QStringList before = treeDump(tree);
        // Looks like one of the tree's own nodes, but comes from no drag of
        // the tree.
        QAbstractItemModel *model = tree->model();
        const QModelIndex year = model->index(0, 0, model->index(0, 0));
        QCOMPARE(year.data().toString(), QStringLiteral("2007"));
        std::unique_ptr<QMimeData> mime(model->mimeData({ model->index(0, 0, year) }));
        QVERIFY(mime);
        const QPoint pos = tree->visualItemRect(target).center();
        QVERIFY(tree->viewport()->rect().contains(pos));
        QDragEnterEvent enter(pos, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(pos, Qt::MoveAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(tree->viewport(), &move);
        QVERIFY(!move.isAccepted());
        QDropEvent dropped(QPointF(pos), Qt::MoveAction, mime.get(), Qt::LeftButton, {});
        QApplication::sendEvent(tree->viewport(), &dropped);
        QVERIFY(!dropped.isAccepted());
        QCOMPARE(treeDump(tree), before);
        QCOMPARE(
            TestEnv::listing(f.dbFolder()), (QStringList { "2007/", "2007/A.cds=a", "2008/" }));
    }

    // --- delete --------------------------------------------------------------

    void deleteNeedsTwoAnswers_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("dialogs");
        QTest::addColumn<QStringList>("trashed");
        const QString file = QStringLiteral("Bericht löschen...");
        const QString folder = QStringLiteral("Verzeichnis löschen...");
        const QString first = QStringLiteral("|3|Löschen,Abbrechen");
        const QString last = QStringLiteral("|Ihre letzte Chance! Wirklich löschen?|3|Ja,Nein");
        const QString lucky = QStringLiteral("|Noch einmal glück gehabt!|2|OK");
        QTest::newRow("file, Abbrechen")
            << "DB/Z.cds" << QList<int> { Msg::mrCancel, Msg::mrOk }
            << QStringList { file + u'|' + kFileQuestion + first, file + lucky } << QStringList {};
        QTest::newRow("file, Nein")
            << "DB/Z.cds" << QList<int> { Msg::mrOk, Msg::mrCancel, Msg::mrOk }
            << QStringList { file + u'|' + kFileQuestion + first, file + last, file + lucky }
            << QStringList {};
        QTest::newRow("file, closed")
            << "DB/Z.cds" << QList<int> { Msg::mrOk, Msg::mrNone, Msg::mrOk }
            << QStringList { file + u'|' + kFileQuestion + first, file + last, file + lucky }
            << QStringList {};
        QTest::newRow("file, Löschen and Ja")
            << "DB/Z.cds" << QList<int> { Msg::mrOk, Msg::mrOk }
            << QStringList { file + u'|' + kFileQuestion + first, file + last }
            << QStringList { "Z.cds" };
        QTest::newRow("folder, Abbrechen")
            << "DB/2007/" << QList<int> { Msg::mrCancel, Msg::mrOk }
            << QStringList { folder + u'|' + kFolderQuestion + first, folder + lucky }
            << QStringList {};
        QTest::newRow("folder, Nein")
            << "DB/2007/" << QList<int> { Msg::mrOk, Msg::mrCancel, Msg::mrOk }
            << QStringList { folder + u'|' + kFolderQuestion + first, folder + last,
                   folder + lucky }
            << QStringList {};
        QTest::newRow("folder, Löschen and Ja")
            << "DB/2007/" << QList<int> { Msg::mrOk, Msg::mrOk }
            << QStringList { folder + u'|' + kFolderQuestion + first, folder + last }
            << QStringList { "2007" };
    }
    void deleteNeedsTwoAnswers()
    {
        QFETCH(QString, path);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, dialogs);
        QFETCH(QStringList, trashed);
        WindowFixture f;
        makeDisk(f, { "2007/A.cds=a", "2007/Sub/S.cds=s", "Z.cds=z" });
        QVERIFY(f.start());
        QTreeWidget *tree = f.window().TreeView1;
        const QStringList treeBefore = treeDump(tree);
        const QStringList diskBefore = TestEnv::listing(f.dbFolder());
        select(f, TreeNode(f, path));
        for (int a : answers)
            f.desktop.answer(a);

        f.window().actions()->action(QStringLiteral("ActionDeletefromTree"))->trigger();

        QCOMPARE(dialogLines(f.desktop), dialogs);
        QStringList expectedTrash;
        for (const QString &t : trashed)
            expectedTrash.append(f.dbFolder() + t);
        QCOMPARE(f.desktop.trashed, expectedTrash);
        if (trashed.isEmpty()) {
            QCOMPARE(treeDump(tree), treeBefore);
            QCOMPARE(TestEnv::listing(f.dbFolder()), diskBefore);
        } else {
            QVERIFY(!TreeNode(f, path));
            QVERIFY(!QFileInfo::exists(f.dbFolder() + trashed.first()));
            QStringList rest;
            for (const QString &n : treeBefore) {
                if (!n.startsWith(path))
                    rest.append(n);
            }
            QCOMPARE(treeDump(tree), rest);
            QVERIFY(CurrentState == &StateNavigateTreeView());
        }
    }

    void rootIsNeverDeleted()
    {
        WindowFixture f;
        makeDisk(f, { "A.cds=a" });
        QVERIFY(f.start());
        select(f, RootNode(f.window().TreeView1));
        f.desktop.answer(Msg::mrOk);
        f.window().treeEditing()->ActionDeletefromTreeExecute();
        QCOMPARE(dialogLines(f.desktop),
            QStringList { QStringLiteral(
                "Verzeichnis löschen...|Das Stammverzeichnis kann nicht gelöscht werden!|0|OK") });
        QCOMPARE(treeDump(f.window().TreeView1), (QStringList { "DB/", "DB/A.cds" }));
        QCOMPARE(f.desktop.trashed, QStringList {});
    }

    void failedDeletionStillRemovesTheNode()
    {
        WindowFixture f;
        makeDisk(f, { "A.cds=a", "B.cds=b" });
        QVERIFY(f.start());
        f.desktop.trashSucceeds = false;
        select(f, TreeNode(f, QStringLiteral("DB/A.cds")));
        for (int a : { Msg::mrOk, Msg::mrOk, Msg::mrOk })
            f.desktop.answer(a);
        f.window().treeEditing()->ActionDeletefromTreeExecute();
        QCOMPARE(f.desktop.lastDialog().caption, QStringLiteral("Bericht löschen..."));
        QCOMPARE(f.desktop.lastDialog().message, QStringLiteral("Löschen fehlgeschlagen"));
        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtInformation));
        QCOMPARE(treeDump(f.window().TreeView1), (QStringList { "DB/", "DB/B.cds" }));
        QCOMPARE(TestEnv::listing(f.dbFolder()), (QStringList { "A.cds=a", "B.cds=b" }));
    }

    void deletionClearsTheCurrentFileOnlyWithAnEmptyTable_data()
    {
        QTest::addColumn<bool>("withRecords");
        QTest::addColumn<QString>("current");
        QTest::newRow("empty table") << false << "";
        QTest::newRow("table with records") << true << "A.cds";
    }
    void deletionClearsTheCurrentFileOnlyWithAnEmptyTable()
    {
        QFETCH(bool, withRecords);
        QFETCH(QString, current);
        WindowFixture f;
        makeDisk(f, { "A.cds=a", "B.cds=b" });
        QVERIFY(f.start());
        TMainform &w = f.window();
        if (withRecords)
            postRecord(f, 5.7, QStringLiteral("Krabat"));
        w.context().CurrentFileName = QStringLiteral("A.cds");
        w.StatusMsg(StatusPanel::File, QStringLiteral("A.cds"));
        f.table().setFileName(f.dbFolder() + QStringLiteral("B.cds"));
        select(f, TreeNode(f, QStringLiteral("DB/B.cds")));
        for (int a : { Msg::mrOk, Msg::mrOk })
            f.desktop.answer(a);
        w.actions()->action(QStringLiteral("ActionDeletefromTree"))->trigger();

        QCOMPARE(f.desktop.trashed, QStringList { f.dbFolder() + QStringLiteral("B.cds") });
        QCOMPARE(w.context().CurrentFileName, current);
        QCOMPARE(w.statusText(StatusPanel::File), current);
        // The table no longer belongs to the file that went to the trash.
        QCOMPARE(f.table().fileName(), QString());
        QVERIFY(CurrentState == &StateNavigateTreeView());
        bool reserved = false;
        QTreeWidgetItem *now = w.TreeView1->currentItem();
        QVERIFY(now);
        QCOMPARE(w.actions()->enabledSet(), w.treeNavigation()->TreeActionSet(now, &reserved));
    }
};

QTEST_MAIN(TestTreeEditing)
#include "tst_treeediting.moc"
