// A reviewer's whole day in the real window: person data, "Neu", two reviews,
// "Speichern", a new folder, moving the file there, "Entfernen", "Laden" of the
// folder, and both books found again. With SKRIBANDO_SHOTS set to a folder,
// screenshots of the window are saved there on the way (the manual uses
// them).

#include "WindowFixture.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "base/ActionList.h"
#include "base/UState.h"
#include "data/DDataAccess.h"
#include "forms/BookDataPage.h"
#include "forms/DBControls.h"
#include "forms/ReviewPage.h"
#include "settings_pages/PersonDataPage.h"
#include "store/DataPacket.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"
#include "tree/TreeEditing.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

void shot(TMainform &w, const QString &name)
{
    const QString folder = qEnvironmentVariable("SKRIBANDO_SHOTS");
    if (folder.isEmpty())
        return;
    QCoreApplication::processEvents();
    w.grab().save(folder + u'/' + name + QStringLiteral(".png"));
}

void clickInto(TMainform &w, const QString &path)
{
    QTreeWidgetItem *node = FindNodeByPath(w.TreeView1, path);
    QVERIFY2(node, qPrintable(path));
    w.TreeView1->setCurrentItem(node);
    w.TreeView1Enter();
}

void type(QWidget *edit, const QString &text)
{
    edit->setFocus();
    for (QChar c : text)
        QTest::sendKeyEvent(
            QTest::KeyAction::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

} // namespace

class TestTour : public QObject
{
    Q_OBJECT

private slots:
    void aReviewersDay()
    {
        WindowFixture f("[Reviewer]\r\nFirstname=X\r\nName=Y\r\nInitials=XY\r\n");
        QVERIFY(f.makeDbFolder(QStringLiteral("2007")));
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.resize(1000, 700);
        w.show();

        // Without person data "Neu" opens the person page.
        clickInto(w, QStringLiteral("DB/2007/"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Personendaten prüfen..."));
        w.actions()->reviewAction(baNew)->trigger();
        PersonDataPage &person = *w.personDataPage();
        person.EditReviewingPersonFirstname->setText(QStringLiteral("Erika"));
        person.EditReviewingPersonName->setText(QStringLiteral("Muster"));
        person.EditReviewingPersonInitials->setText(QStringLiteral("EM"));
        shot(w, QStringLiteral("personendaten"));
        w.findChild<QPushButton *>(QStringLiteral("ButtonPersonDataSaveSettings"))->click();

        // "Neu" in the year folder, two reviews typed into the form.
        clickInto(w, QStringLiteral("DB/2007/"));
        w.actions()->reviewAction(baNew)->trigger();
        QCOMPARE(w.context().CurrentFileName, QStringLiteral("EM_2007_05_12.cds"));
        BookDataPage &book = *w.bookDataPage();
        ReviewPage &review = *w.reviewPage();
        const QList<QStringList> books {
            { "5.7", "Krabat", "Thienemann", "3-522-17610-3", "19.9", "Abenteuer", "12" },
            { "6.7", "Die Brücke", "Hanser", "3-446-20917-4", "24.8", "Freundschaft", "10" },
        };
        for (const QStringList &b : books) {
            if (f.table().state() != DataSet::dsInsert)
                f.table().append();
            type(book.DBEditBookNbr, b[0]);
            type(book.DBEditBookTitle, b[1]);
            type(book.DBEditPublisher, b[2]);
            type(book.DBEditBookSerie, b[3]);
            type(book.DBEditPrice, b[4]);
            book.DBEditBookTitle->setFocus();
            QVERIFY(f.table().post());
            QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgReview));
            f.table().edit();
            type(review.DBEditCategory, b[5]);
            review.DBEditAge->clear();
            type(review.DBEditAge, b[6]);
            type(review.DBMemoReview, QStringLiteral("Sehr lesenswert."));
            review.DBEditCategory->setFocus();
            QVERIFY(f.table().post());
            QVERIFY(w.PageControl1->userSwitchTo(TMainform::pgBookData));
        }
        QCOMPARE(f.table().recordCount(), 2);
        QVERIFY(f.desktop.dialogs().size() == 1);

        // Saving into the year folder writes the file and shows its books.
        clickInto(w, QStringLiteral("DB/2007/"));
        w.actions()->reviewAction(baSave)->trigger();
        const QString saved = f.dbFolder() + QStringLiteral("2007/EM_2007_05_12.cds");
        QVERIFY(QFileInfo::exists(saved));
        QTreeWidgetItem *file
            = FindNodeByPath(w.TreeView1, QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        QCOMPARE(file->childCount(), 2);
        shot(w, QStringLiteral("gespeichert"));

        // A new folder, renamed, and the file moved into it.
        clickInto(w, QStringLiteral("DB/2007/"));
        f.desktop.answer(Msg::mrOk, QStringLiteral("Neues Verzeichnis..."));
        w.actions()->reviewAction(baNewFolder)->trigger();
        QTreeWidgetItem *folder = FindNodeByPath(w.TreeView1, QStringLiteral("DB/2007/Unbenannt/"));
        QVERIFY(folder);
        QString name = QStringLiteral("Bilderbücher");
        w.treeEditing()->TreeView1Edited(folder, name);
        folder->setText(0, name);
        QVERIFY(QFileInfo(f.dbFolder() + QStringLiteral("2007/Bilderbücher")).isDir());
        w.TreeView1->setCurrentItem(file);
        w.treeEditing()->TreeView1DragDrop(w.TreeView1, folder);
        QVERIFY(QFileInfo::exists(
            f.dbFolder() + QStringLiteral("2007/Bilderbücher/EM_2007_05_12.cds")));

        // Remove, then load the folder: both books are back.
        clickInto(w, QStringLiteral("DB/2007/Bilderbücher/EM_2007_05_12.cds"));
        QVERIFY(w.actions()->reviewAction(baRemove)->isEnabled());
        w.actions()->reviewAction(baRemove)->trigger();
        QCOMPARE(f.table().recordCount(), 0);
        clickInto(w, QStringLiteral("DB/2007/Bilderbücher/"));
        w.actions()->reviewAction(baLoad)->trigger();
        QCOMPARE(f.table().recordCount(), 2);
        QTreeWidgetItem *brucke = FindNodeByPath(
            w.TreeView1, QStringLiteral("DB/2007/Bilderbücher/EM_2007_05_12.cds/Die Brücke"));
        QVERIFY(brucke);
        w.TreeView1->setCurrentItem(brucke);
        QCOMPARE(book.DBEditBookTitle->text(), QStringLiteral("Die Brücke"));
        w.SetActivePage(TMainform::pgBookData);
        shot(w, QStringLiteral("buchdaten"));
        w.SetActivePage(TMainform::pgReview);
        shot(w, QStringLiteral("besprechung"));
        w.SetActivePage(TMainform::pgDbOverview);
        shot(w, QStringLiteral("db-ueberblick"));
        w.hide();
    }

    void sampleFileShowsInTheTree()
    {
        // The fixture file of three reviews, as another reviewer sends it.
        WindowFixture f;
        PacketData packet;
        QVERIFY(DataPacket::loadFromFile(
            TestEnv::fixtures() + QStringLiteral("/EM_2007_05_12.xml"), packet));
        QVERIFY(
            DataPacket::saveToFile(f.dbFolder() + QStringLiteral("2007/EM_2007_05_12.cds"), packet)
            || (QDir().mkpath(f.dbFolder() + QStringLiteral("2007"))
                && DataPacket::saveToFile(
                    f.dbFolder() + QStringLiteral("2007/EM_2007_05_12.cds"), packet)));
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.resize(1000, 700);
        w.show();
        clickInto(w, QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        w.actions()->reviewAction(baLoad)->trigger();
        QTreeWidgetItem *file
            = FindNodeByPath(w.TreeView1, QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        QCOMPARE(file->childCount(), 3);
        QTreeWidgetItem *second
            = FindChildByText(file, QStringLiteral("Das Mädchen mit dem Drachen"));
        QVERIFY(second);
        w.TreeView1->setCurrentItem(second);
        QCOMPARE(w.bookDataPage()->DBEditBookTitle->text(),
            QStringLiteral("Das Mädchen mit dem Drachen"));
        QCOMPARE(w.bookDataPage()->DBEditPublisher->text(), QStringLiteral("Oetinger"));
        w.TreeView1->setCurrentItem(
            FindChildByText(file, QStringLiteral("Die Reise zum Mittelpunkt der Welt")));
        w.SetActivePage(TMainform::pgBookData);
        shot(w, QStringLiteral("beispiel_buchdaten"));
        w.SetActivePage(TMainform::pgReview);
        shot(w, QStringLiteral("beispiel_besprechung"));
        w.hide();
    }
};

QTEST_MAIN(TestTour)
#include "tst_tour.moc"
