#include "TreeSteps.h"
#include "WindowFixture.h"
#include "ZipBytes.h"

#include "app/Fmain.h"
#include "base/ActionList.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QFileInfo>
#include <QTest>
#include <QTreeWidget>

namespace {

void importZip(WindowFixture &f, const QString &folder, const QString &archive)
{
    SelectNode(f, folder);
    f.desktop.openFileAnswers.enqueue(archive);
    TriggerReviewAction(f, baImportZip);
}

} // namespace

class TestZipImport : public QObject
{
    Q_OBJECT

private slots:
    void importPutsEverythingWhereItBelongs_data()
    {
        QTest::addColumn<QString>("reviewFile");
        QTest::newRow("binary review file") << QStringLiteral("XY_2008_05_01.cds");
        QTest::newRow("XML review file") << QStringLiteral("XY_2008_05_01.xml");
    }

    void importPutsEverythingWhereItBelongs()
    {
        QFETCH(QString, reviewFile);
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2008")));
        QVERIFY(f.start());
        const QString archive = f.env.path(QStringLiteral("Post/XY_2008_05_01.zip"));
        QVERIFY(f.env.writeFile(QStringLiteral("Post/XY_2008_05_01.zip"),
            ZipBytes::build({ ZipBytes::deflated(reviewFile.toLatin1(), "review"),
                ZipBytes::deflated("Umschlagbilder/123.7.jpg", "cover"),
                ZipBytes::stored("4.8.JPG", "capital"), ZipBytes::stored("liesmich.txt", "t") })));
        importZip(f, QStringLiteral("DB/2008/"), archive);

        QCOMPARE(f.desktop.openFileCalls.value(0),
            (QStringList { "Zip-Archiv laden ...", "zip", "Zip-Archiv(*.zip)|*.zip",
                f.env.path(QStringLiteral("Zadizezerev/Zip/2008")) }));
        QCOMPARE(TestEnv::listing(f.dbFolder() + QStringLiteral("2008")),
            (QStringList { "4.8.JPG=capital", reviewFile + QStringLiteral("=review") }));
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/123.7.jpg")),
            QByteArray("cover"));
        QTreeWidgetItem *imported = TreeNode(f, QStringLiteral("DB/2008/") + reviewFile);
        QVERIFY(imported);
        QCOMPARE(f.window().TreeView1->currentItem(), imported);
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    void archiveWithoutItsReviewFileLeavesNoSelection()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2008")));
        QVERIFY(f.start());
        QVERIFY(f.env.writeFile(QStringLiteral("Post/Anders.zip"),
            ZipBytes::build({ ZipBytes::stored("XY_2008_05_01.cds", "review") })));
        importZip(f, QStringLiteral("DB/2008/"), f.env.path(QStringLiteral("Post/Anders.zip")));
        QVERIFY(TreeNode(f, QStringLiteral("DB/2008/XY_2008_05_01.cds")));
        QCOMPARE(f.window().TreeView1->currentItem(), nullptr);
    }

    // A file of the same name is still replaced without a question, but its
    // old version goes to the trash first.
    void replacedFilesGoToTheTrash()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2008/XY_2008_05_01.cds"), "old review"));
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/1.8.jpg"), "old"));
        QVERIFY(f.start());
        QVERIFY(f.env.writeFile(QStringLiteral("Post/XY_2008_05_01.zip"),
            ZipBytes::build({ ZipBytes::deflated("XY_2008_05_01.cds", "new review"),
                ZipBytes::stored("1.8.jpg", "new"), ZipBytes::stored("2.8.jpg", "fresh") })));
        importZip(
            f, QStringLiteral("DB/2008/"), f.env.path(QStringLiteral("Post/XY_2008_05_01.zip")));

        const QString covers = f.env.path(QStringLiteral("Zadizezerev/Html/Umschlagbilder/"));
        QCOMPARE(f.desktop.trashed,
            (QStringList { f.dbFolder() + QStringLiteral("2008/XY_2008_05_01.cds"),
                covers + QStringLiteral("1.8.jpg") }));
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/DB/2008/XY_2008_05_01.cds")),
            QByteArray("new review"));
        QCOMPARE(TestEnv::listing(covers), (QStringList { "1.8.jpg=new", "2.8.jpg=fresh" }));
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    // Without a trash nothing is replaced for good: the import stops there.
    void aFileTheTrashRefusesStays()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2008/XY_2008_05_01.cds"), "old review"));
        QVERIFY(f.start());
        QVERIFY(f.env.writeFile(QStringLiteral("Post/XY_2008_05_01.zip"),
            ZipBytes::build({ ZipBytes::stored("XY_2008_05_01.cds", "new review") })));
        f.desktop.trashSucceeds = false;
        f.desktop.answer(Msg::mrOk, QStringLiteral("Zip-Archiv laden ..."));
        importZip(
            f, QStringLiteral("DB/2008/"), f.env.path(QStringLiteral("Post/XY_2008_05_01.zip")));

        const QString old = f.dbFolder() + QStringLiteral("2008/XY_2008_05_01.cds");
        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtError));
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Die vorhandene Datei\r\n") + old
                + QStringLiteral("\r\nkann nicht in den Papierkorb verschoben werden und wird "
                                 "deshalb nicht ersetzt."));
        QCOMPARE(TestEnv::listing(f.dbFolder() + QStringLiteral("2008")),
            QStringList { QStringLiteral("XY_2008_05_01.cds=old review") });
    }

    // The hidden pieces an import cut short left behind in the two target
    // folders go at the next import; other files stay.
    void leftoverPiecesGoAtTheNextImport()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2008/.k3j2a9.part"), "piece"));
        QVERIFY(f.writeDbFile(QStringLiteral("2008/Lied.part"), "not ours"));
        QVERIFY(f.writeDbFile(QStringLiteral("2007/.x7.part"), "elsewhere"));
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/.1zz9.part"), "p"));
        QVERIFY(f.start());
        QVERIFY(f.env.writeFile(QStringLiteral("Post/XY_2008_05_01.zip"),
            ZipBytes::build({ ZipBytes::stored("XY_2008_05_01.cds", "review") })));
        importZip(
            f, QStringLiteral("DB/2008/"), f.env.path(QStringLiteral("Post/XY_2008_05_01.zip")));

        QCOMPARE(TestEnv::listing(f.dbFolder()),
            (QStringList { "2007/", "2007/.x7.part=elsewhere", "2008/", "2008/Lied.part=not ours",
                "2008/XY_2008_05_01.cds=review" }));
        QCOMPARE(TestEnv::listing(f.env.path(QStringLiteral("Zadizezerev/Html/Umschlagbilder"))),
            QStringList {});
    }

    // Central entries that share one local entry would write its data many
    // times over: the archive is refused whole, before anything is written.
    void sharedDataRefusesTheWholeArchive()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2008")));
        QVERIFY(f.start());
        QList<ZipBytes::RawEntry> entries { ZipBytes::stored("first.cds", "1"),
            ZipBytes::deflated("XY_2008_05_01.cds", QByteArray(1 << 16, 'x')) };
        for (int i = 0; i < 7; ++i) {
            ZipBytes::RawEntry again = entries.last();
            again.sharesLocalOf = 1;
            entries.append(again);
        }
        const QString archive = f.env.path(QStringLiteral("Post/XY_2008_05_01.zip"));
        QVERIFY(
            f.env.writeFile(QStringLiteral("Post/XY_2008_05_01.zip"), ZipBytes::build(entries)));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Zip-Archiv laden ..."));
        importZip(f, QStringLiteral("DB/2008/"), archive);

        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtError));
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Das Zip-Archiv\r\n") + archive
                + QStringLiteral("\r\nkann nicht gelesen werden.\r\nDas Zip-Archiv ist "
                                 "beschädigt: Die Daten der Einträge \"XY_2008_05_01.cds\" und "
                                 "\"XY_2008_05_01.cds\" überschneiden sich."));
        QCOMPARE(TestEnv::listing(f.dbFolder() + QStringLiteral("2008")), QStringList {});
    }

    void damagedArchiveStopsWithItsMessage()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2008")));
        QVERIFY(f.writeDbFile(QStringLiteral("2008/XY_2008_05_01.cds"), "the good one"));
        QVERIFY(f.start());
        ZipBytes::RawEntry damaged = ZipBytes::deflated("XY_2008_05_01.cds", "broken");
        damaged.crc = 7;
        QVERIFY(f.env.writeFile(QStringLiteral("Post/XY_2008_05_01.zip"),
            ZipBytes::build({ ZipBytes::stored("A.cds", "first"), damaged })));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Zip-Archiv laden ..."));
        importZip(
            f, QStringLiteral("DB/2008/"), f.env.path(QStringLiteral("Post/XY_2008_05_01.zip")));

        QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtError));
        QVERIFY2(f.desktop.lastDialog().message.startsWith(
                     QStringLiteral("Der Eintrag \"XY_2008_05_01.cds\" des Zip-Archivs\r\n")),
            qPrintable(f.desktop.lastDialog().message));
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/DB/2008/XY_2008_05_01.cds")),
            QByteArray("the good one"));
        // What came before stays on disk; the tree is as it was.
        QCOMPARE(f.env.readFile(QStringLiteral("Zadizezerev/DB/2008/A.cds")), QByteArray("first"));
        QVERIFY(!TreeNode(f, QStringLiteral("DB/2008/A.cds")));
        QCOMPARE(f.desktop.pendingAnswers(), 0);
    }
};

QTEST_MAIN(TestZipImport)
#include "tst_zipimport.moc"
