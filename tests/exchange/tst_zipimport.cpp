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
