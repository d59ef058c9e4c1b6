#include "app/MessageDialog.h"

#include <QApplication>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

enum class Gesture { Enter, Escape, CloseBox };

// Answers the dialog that is about to run, the way a person would.
void answerSoon(Gesture g)
{
    QTimer::singleShot(0, [g] {
        QWidget *box = QApplication::activeModalWidget();
        QVERIFY(box);
        switch (g) {
        case Gesture::Enter:
            QTest::keyClick(box, Qt::Key_Return);
            break;
        case Gesture::Escape:
            QTest::keyClick(box, Qt::Key_Escape);
            break;
        case Gesture::CloseBox:
            box->close();
            break;
        }
    });
}

} // namespace

class TestMessageDialog : public QObject
{
    Q_OBJECT

private slots:
    void resultCodes_data()
    {
        QTest::addColumn<int>("buttonSet");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<int>("gesture");
        QTest::addColumn<int>("result");
        const QStringList ok { "OK" };
        const QStringList yesNo { "Ja", "Nein" };
        const QStringList three { "Ja", "Nein", "Nie mehr" };
        QTest::newRow("4 Enter") << 4 << ok << int(Gesture::Enter) << 1;
        QTest::newRow("4 Escape") << 4 << ok << int(Gesture::Escape) << 1;
        QTest::newRow("4 close box") << 4 << ok << int(Gesture::CloseBox) << 2;
        QTest::newRow("12 Enter") << 12 << yesNo << int(Gesture::Enter) << 1;
        QTest::newRow("12 Escape") << 12 << yesNo << int(Gesture::Escape) << 2;
        QTest::newRow("12 close box") << 12 << yesNo << int(Gesture::CloseBox) << 2;
        QTest::newRow("11 Enter") << 11 << three << int(Gesture::Enter) << 6;
        QTest::newRow("11 Escape") << 11 << three << int(Gesture::Escape) << 2;
        QTest::newRow("11 close box") << 11 << three << int(Gesture::CloseBox) << 2;
    }
    void resultCodes()
    {
        QFETCH(int, buttonSet);
        QFETCH(QStringList, captions);
        QFETCH(int, gesture);
        QFETCH(int, result);
        answerSoon(Gesture(gesture));
        QCOMPARE(ExecMessageDialog(nullptr, QStringLiteral("Frage..."), QStringLiteral("Text"),
                     Msg::mtConfirmation, buttonSet, captions),
            result);
    }

    void buttonsStandInFixedOrderWithCaptions()
    {
        MessageDialog box(nullptr, QStringLiteral("Speichern..."), QStringLiteral("Text"),
            Msg::mtConfirmation, Msg::mbYesNoCancel,
            { QStringLiteral("Ersetzen"), QStringLiteral("Kopieren"),
                QStringLiteral("Abbrechen") });
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        const QList<QPushButton *> buttons = box.orderedButtons();
        QCOMPARE(buttons.size(), 3);
        QCOMPARE(buttons[0]->text(), QStringLiteral("Ersetzen"));
        QCOMPARE(buttons[1]->text(), QStringLiteral("Kopieren"));
        QCOMPARE(buttons[2]->text(), QStringLiteral("Abbrechen"));
        QVERIFY(buttons[0]->x() < buttons[1]->x());
        QVERIFY(buttons[1]->x() < buttons[2]->x());
        QCOMPARE(box.windowTitle(), QStringLiteral("Speichern..."));
        QCOMPARE(box.defaultButton(), buttons[0]);
        QCOMPARE(box.escapeButton(), buttons[2]);
        box.close();
    }

    void fewerCaptionsKeepStandardOnes()
    {
        MessageDialog box(nullptr, QString(), QString(), Msg::mtWarning, Msg::mbOKCancel,
            { QStringLiteral("Löschen") });
        QCOMPARE(box.orderedButtons().at(0)->text(), QStringLiteral("Löschen"));
        QCOMPARE(box.orderedButtons().at(1)->text(), QStringLiteral("Abbrechen"));
    }

    void plainKindHasNoIconAndTextKeepsItsBreaks()
    {
        MessageDialog plain(nullptr, QString(),
            QStringLiteral("Inifile \n\r/x/Skribando.ini\r\nkonnte"), Msg::mtCustom, Msg::mbOK, {});
        QCOMPARE(plain.icon(), QMessageBox::NoIcon);
        QCOMPARE(plain.text(), QStringLiteral("Inifile \n/x/Skribando.ini\nkonnte"));
        MessageDialog error(nullptr, QString(), QString(), Msg::mtError, Msg::mbOK, {});
        QCOMPARE(error.icon(), QMessageBox::Critical);
    }
};

QTEST_MAIN(TestMessageDialog)
#include "tst_messagedialog.moc"
