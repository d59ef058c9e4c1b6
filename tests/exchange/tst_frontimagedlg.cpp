#include "ReviewFileWriter.h"
#include "TestEnv.h"

#include "base/IDesktop.h"
#include "exchange/FFrontImageDlg.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <functional>

namespace {

// Runs the real modal dialog; act is done once it shows.
int runWith(TFrontImageDlg &dlg, const std::function<void()> &act)
{
    QTimer::singleShot(0, &dlg, [&dlg, act] {
        QTRY_VERIFY(dlg.isVisible());
        dlg.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dlg));
        act();
        // Whatever act did, the dialog must not stay open.
        QTimer::singleShot(2000, &dlg, [&dlg] {
            if (dlg.isVisible())
                dlg.done(-1);
        });
    });
    return dlg.ShowModal();
}

} // namespace

class TestFrontImageDlg : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void layoutAndTexts()
    {
        TFrontImageDlg dlg;
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Umschlagbilder..."));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(dlg.LabelImagesAvailable->text(),
            QStringLiteral("Die Umschlagbilder folgender Bücher sind vorhanden:"));
        QCOMPARE(dlg.LabelImagesMissing->text(),
            QStringLiteral("Die Umschlagbilder folgender Bücher fehlen:"));
        for (CoverListEditor *list :
            { dlg.ValueListEditorImagesAvailable, dlg.ValueListEditorImagesMissing }) {
            QCOMPARE(list->columnCount(), 2);
            QCOMPARE(list->horizontalHeaderItem(0)->text(), QStringLiteral("Bild"));
            QCOMPARE(list->horizontalHeaderItem(1)->text(), QStringLiteral("Buchtitel"));
            QCOMPARE(list->columnWidth(0), 80);
            QCOMPARE(list->columnWidth(1), 327);
            QCOMPARE(list->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
            QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);
        }
        QCOMPARE(
            dlg.ValueListEditorImagesMissing->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(dlg.GroupBoxFindImages->title(), QStringLiteral(" Bild suchen "));
        QCOMPARE(dlg.BitBtnFindImage->text(), QStringLiteral("&Bild suchen"));
        QCOMPARE(dlg.BitBtnClose->text(), QStringLiteral("&Schliessen"));
        QCOMPARE(dlg.GroupBoxAppendImages->title(),
            QStringLiteral(" Vorhandene Bilder der Mail anhängen? "));
        QCOMPARE(dlg.BitBtnYes->text(), QStringLiteral("&Ja"));
        QCOMPARE(dlg.BitBtnNo->text(), QStringLiteral("&Nein"));
        QCOMPARE(dlg.BitBtnCancel->text(), QStringLiteral("&Mail nicht senden"));

        // Exactly one of the two groups.
        QVERIFY(!dlg.GroupBoxFindImages->isHidden());
        QVERIFY(dlg.GroupBoxAppendImages->isHidden());
        dlg.SetAppendMode(true);
        QVERIFY(dlg.GroupBoxFindImages->isHidden());
        QVERIFY(!dlg.GroupBoxAppendImages->isHidden());
        QVERIFY(dlg.BitBtnYes->isDefault());
        dlg.SetAppendMode(false);
        QVERIFY(!dlg.GroupBoxFindImages->isHidden());
        QVERIFY(dlg.GroupBoxAppendImages->isHidden());
        QVERIFY(!dlg.BitBtnYes->isDefault());
    }

    void listsFillAndClear()
    {
        TestEnv env;
        const QString file = env.path(QStringLiteral("EM.cds"));
        QVERIFY(WriteTestReviewFile(file,
            { { 3.7, 2007, QStringLiteral("Momo") }, { 5.7, 2007, QStringLiteral("Krabat") } }));
        QVERIFY(env.writeFile(QStringLiteral("covers/5.7.jpg"), "x"));

        TFrontImageDlg dlg;
        QCOMPARE(dlg.ListCoverImages(file, env.path(QStringLiteral("covers/"))), 2);
        QCOMPARE(dlg.availableLines(), QStringList { QStringLiteral("5.7.jpg=Krabat") });
        QCOMPARE(dlg.missingLines(), QStringList { QStringLiteral("3.7.jpg=Momo") });
        QCOMPARE(dlg.ValueListEditorImagesMissing->item(0, 0)->text(), QStringLiteral("3.7.jpg"));
        QCOMPARE(dlg.ValueListEditorImagesMissing->currentKey(), QStringLiteral("3.7.jpg"));
        QCOMPARE(dlg.ValueListEditorImagesMissing->currentValue(), QStringLiteral("Momo"));
        // Without clearing, a second listing adds to the lists.
        QCOMPARE(dlg.ListCoverImages(file, env.path(QStringLiteral("covers/"))), 2);
        QCOMPARE(dlg.missingLines().size(), 2);
        dlg.ClearLists();
        QVERIFY(dlg.availableLines().isEmpty());
        QVERIFY(dlg.missingLines().isEmpty());
        QVERIFY(dlg.ValueListEditorImagesMissing->currentKey().isEmpty());
    }

    // The real dialog with key events and clicks, in both modes.
    void results_data()
    {
        QTest::addColumn<bool>("mail");
        QTest::addColumn<QString>("press"); // a button's name, or "Enter" / "Escape"
        QTest::addColumn<int>("result");
        QTest::newRow("mail: Ja") << true << "BitBtnYes" << int(Msg::mrYes);
        QTest::newRow("mail: Nein") << true << "BitBtnNo" << int(Msg::mrNo);
        QTest::newRow("mail: Mail nicht senden") << true << "BitBtnCancel" << int(Msg::mrCancel);
        QTest::newRow("mail: Enter is Ja") << true << "Enter" << int(Msg::mrYes);
        QTest::newRow("mail: Escape is Nein") << true << "Escape" << int(Msg::mrNo);
        QTest::newRow("mail: Alt+M") << true << "Alt+M" << int(Msg::mrCancel);
        // Closed by the window manager (close box, Alt+F4): nothing is sent.
        QTest::newRow("mail: window closed") << true << "Close" << int(Msg::mrCancel);
        QTest::newRow("search: Bild suchen") << false << "BitBtnFindImage" << int(Msg::mrYes);
        QTest::newRow("search: Schliessen") << false << "BitBtnClose" << int(Msg::mrCancel);
        QTest::newRow("search: Escape closes") << false << "Escape" << int(Msg::mrCancel);
        QTest::newRow("search: Enter searches") << false << "Enter" << int(Msg::mrYes);
        QTest::newRow("search: window closed") << false << "Close" << int(Msg::mrCancel);
    }
    void results()
    {
        QFETCH(bool, mail);
        QFETCH(QString, press);
        QFETCH(int, result);
        TFrontImageDlg dlg;
        dlg.SetAppendMode(mail);
        const int got = runWith(dlg, [&dlg, press] {
            if (press == QLatin1String("Close"))
                dlg.windowHandle()->close();
            else if (press == QLatin1String("Enter"))
                QTest::keyClick(&dlg, Qt::Key_Return);
            else if (press == QLatin1String("Escape"))
                QTest::keyClick(&dlg, Qt::Key_Escape);
            else if (press == QLatin1String("Alt+M"))
                QTest::keyClick(&dlg, Qt::Key_M, Qt::AltModifier);
            else
                dlg.findChild<QPushButton *>(press)->click();
        });
        QCOMPARE(got, result);
        QVERIFY(!dlg.isVisible());
    }

    void disabledSearchOnlyCloses()
    {
        TFrontImageDlg dlg;
        dlg.SetAppendMode(false);
        dlg.BitBtnFindImage->setEnabled(false);
        const int got = runWith(dlg, [&dlg] {
            QTest::keyClick(&dlg, Qt::Key_Return);
            QVERIFY(dlg.isVisible());
            QTest::keyClick(&dlg, Qt::Key_Escape);
        });
        QCOMPARE(got, int(Msg::mrCancel));
    }

    void scriptedAnswerSkipsTheWindow()
    {
        TFrontImageDlg dlg;
        dlg.SetAppendMode(true);
        bool asked = false;
        dlg.modalAnswer = [&asked](TFrontImageDlg &d) {
            asked = true;
            d.BitBtnNo->click();
            return d.result();
        };
        QCOMPARE(dlg.ShowModal(), int(Msg::mrNo));
        QVERIFY(asked);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(dlg.result(), int(Msg::mrNo));
    }
};

QTEST_MAIN(TestFrontImageDlg)
#include "tst_frontimagedlg.moc"
