#include "ScriptedDesktop.h"

#include "data/DDataAccess.h"
#include "data/IReviewHost.h"
#include "store/ReviewSchema.h"

#include <QTest>

namespace {

// The window around the review table, reduced to what the table asks of it.
class FakeHost : public IReviewHost
{
public:
    QMap<int, QString> status;
    QList<int> removedKeys;
    QList<int> selectedKeys;
    int bookDataShown = 0;
    int formActions = 0;
    int focused = 0;
    QString initials = QStringLiteral("AB");

    void StatusMsg(int panel, const QString &text) override { status[panel] = text; }
    int CountLoadedFiles() const override { return 1; }
    QString CurrentFileName() const override { return QStringLiteral("AB_2007_05_12.cds"); }
    QString DefaultReviewerInitials() const override { return initials; }
    void FocusBookNumber() override { ++focused; }
    void ShowBookDataPage() override { ++bookDataShown; }
    void SetAllowedFormActions() override { ++formActions; }
    void RemoveBookNode(int key) override { removedKeys.append(key); }
    void SelectBookNode(int key) override { selectedKeys.append(key); }
    void BookNumberFormatChanged(int) override { }
};

const QString kCheck = QStringLiteral("Konsistenzprüfung...");
constexpr int kAnswerFirst = Msg::mrOk; // "Ändern", "Eingeben", "Korrigieren"
constexpr int kIgnore = Msg::mrCancel; // "Ignorieren", and the close box

struct Fixture
{
    ScriptedDesktop desktop;
    FakeHost host;
    TDataAccess data { desktop };
    DataSet &t = *data.DSetReview;

    Fixture() { data.setHost(&host); }

    // A new record that passes every book-data check.
    void startGoodBook(double number = 5.7, int year = 2007)
    {
        data.IniReviewRecord();
        t.setValue(fBookNbr, number);
        t.setValue(fYearPublished, year);
        t.setValue(fBookTitle, QStringLiteral("Die Welle"));
        t.setValue(fBookSerie, QStringLiteral("ISBN 3-473-58008-2"));
        t.setValue(fPublisher, QStringLiteral("Ravensburger"));
        t.setValue(fPrice, 12.5);
    }
};

} // namespace

class TestReview : public QObject
{
    Q_OBJECT

private slots:
    void startingValues()
    {
        Fixture f;
        f.desktop.today = QDate(2010, 3, 1);
        f.data.IniReviewRecord();
        QCOMPARE(f.t.state(), DataSet::dsInsert);
        QCOMPARE(f.t.value(fYearPublished).toInt(), 2010);
        const QList<QPair<int, QString>> texts
            = { { fPagination, "P" }, { fBinding, "geb" }, { fCurrency, "Fr" }, { fLanguage, "-" },
                  { fAgegroup, "K" }, { fRecommendation, "e." }, { fReviewerInitials, "AB" } };
        for (const auto &[field, text] : texts)
            QCOMPARE(f.t.asText(field), text);
        QVERIFY(f.t.isNull(fBookTitle));
        QVERIFY(f.t.isNull(fBookNbr));
        QCOMPARE(f.host.status.value(3), QStringLiteral("1"));
        QCOMPARE(f.host.status.value(5), QStringLiteral("AB_2007_05_12.cds"));
        QCOMPARE(f.host.status.value(7), QStringLiteral("0"));
        QCOMPARE(f.data.bookNumberDecimals(), 2);
        QCOMPARE(f.data.BookNumberDisplay(5.1), QStringLiteral("5.10"));
    }

    void navigatorInsertGetsStartingValuesToo()
    {
        Fixture f;
        f.t.insert();
        QCOMPARE(f.t.asText(fBinding), QStringLiteral("geb"));
        QCOMPARE(f.t.value(fYearPublished).toInt(), 2007);
        QCOMPARE(f.t.recordCount(), 0);
    }

    void numberCheck_data()
    {
        QTest::addColumn<QVariant>("number");
        QTest::addColumn<QVariant>("year");
        QTest::addColumn<bool>("passes");
        QTest::newRow("5.7 of 2007") << QVariant(5.7) << QVariant(2007) << true;
        QTest::newRow("5.07 of 2007") << QVariant(5.07) << QVariant(2007) << false;
        QTest::newRow("5.10 of 2010") << QVariant(5.10) << QVariant(2010) << true;
        QTest::newRow("5.10 of 2001") << QVariant(5.10) << QVariant(2001) << true;
        QTest::newRow("no year") << QVariant(5.7) << QVariant() << false;
        QTest::newRow("no number, 2000") << QVariant() << QVariant(2000) << true;
        QTest::newRow("no number, 2007") << QVariant() << QVariant(2007) << false;
    }
    void numberCheck()
    {
        QFETCH(QVariant, number);
        QFETCH(QVariant, year);
        QFETCH(bool, passes);
        for (int answer : { kAnswerFirst, kIgnore }) {
            Fixture f;
            f.startGoodBook();
            f.t.setValue(fBookNbr, number);
            f.t.setValue(fYearPublished, year);
            f.t.setTag(TDataAccess::tagBookData);
            if (!passes)
                f.desktop.answer(answer, kCheck);
            QCOMPARE(f.t.post(), passes);
            if (passes) {
                QVERIFY(f.desktop.dialogs().isEmpty());
                break;
            }
            // Refused whichever button was chosen; the entries stay.
            const ScriptedDesktop::Dialog &d = f.desktop.lastDialog();
            QCOMPARE(d.message,
                QStringLiteral("Die Buchnummer entspricht nicht dem Erscheinungsjahr.\r\n"
                               "Ändern Sie die Nummer oder das Jahr."));
            QCOMPARE(d.captions, (QStringList { "Ändern", "Ignorieren" }));
            QCOMPARE(d.kind, int(Msg::mtInformation));
            QCOMPARE(d.buttonSet, 12);
            QCOMPARE(f.t.state(), DataSet::dsInsert);
            QCOMPARE(f.t.asText(fBookTitle), QStringLiteral("Die Welle"));
            QCOMPARE(f.t.recordCount(), 0);
        }
    }

    void bookDataChecksRunInOrder()
    {
        Fixture f;
        f.data.IniReviewRecord();
        f.t.setValue(fBookNbr, 5.7);
        f.t.setTag(TDataAccess::tagBookData);
        for (int i = 0; i < 4; ++i)
            f.desktop.answer(kIgnore, kCheck);
        QVERIFY(f.t.post());
        const QStringList expected { "Sie haben noch keinen Buchtitel eingegeben.",
            "Buchreihe,ISBN enthält keine gültige ISBN10/13",
            "Sie haben noch keinen Verlag angegeben.", "Sie haben noch keinen Preis angegeben." };
        QCOMPARE(f.desktop.dialogMessages(), expected);
        QCOMPARE(f.desktop.dialogs().at(1).captions, (QStringList { "Korrigieren", "Ignorieren" }));
        QCOMPARE(f.desktop.dialogs().at(0).captions, (QStringList { "Eingeben", "Ignorieren" }));
        QVERIFY(f.data.UnsavedChanges);
        QCOMPARE(f.host.formActions, 1);
    }

    void firstButtonStopsTheChecks_data()
    {
        QTest::addColumn<int>("refusingCheck");
        QTest::newRow("title") << 0;
        QTest::newRow("isbn") << 1;
        QTest::newRow("publisher") << 2;
        QTest::newRow("price") << 3;
    }
    void firstButtonStopsTheChecks()
    {
        QFETCH(int, refusingCheck);
        Fixture f;
        f.data.IniReviewRecord();
        f.t.setValue(fBookNbr, 5.7);
        f.t.setTag(TDataAccess::tagBookData);
        for (int i = 0; i < refusingCheck; ++i)
            f.desktop.answer(kIgnore, kCheck);
        f.desktop.answer(kAnswerFirst, kCheck);
        QVERIFY(!f.t.post());
        QCOMPARE(f.desktop.dialogs().size(), refusingCheck + 1);
        QCOMPARE(f.host.bookDataShown, refusingCheck == 0 ? 1 : 0);
        QCOMPARE(f.t.state(), DataSet::dsInsert);
        QVERIFY(!f.data.UnsavedChanges);
    }

    void isbnSuffixFollowsTheLength()
    {
        Fixture f;
        f.startGoodBook();
        f.t.setValue(fBookSerie, QStringLiteral("3-473-58008-8"));
        f.t.setTag(TDataAccess::tagBookData);
        f.desktop.answer(kIgnore, kCheck);
        QVERIFY(f.t.post());
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Buchreihe,ISBN enthält keine gültige ISBN10"));
    }

    void reviewChecks()
    {
        Fixture f;
        f.data.IniReviewRecord();
        f.t.setValue(fReview, QStringLiteral("  Spannend.\r\n"));
        f.t.setTag(TDataAccess::tagReview);
        // No book-data check runs from the review page.
        f.desktop.answer(kIgnore, kCheck);
        f.desktop.answer(kIgnore, kCheck);
        QVERIFY(f.t.post());
        QCOMPARE(f.desktop.dialogMessages(),
            (QStringList { "Sie haben noch keinen Stoffkreis angegeben.",
                "Sie haben noch kein Lesealter angegeben." }));
        QCOMPARE(f.t.asText(fReview), QStringLiteral("Spannend."));

        f.desktop.answer(kAnswerFirst, kCheck);
        f.t.edit();
        f.t.setValue(fCategory, QString());
        QVERIFY(!f.t.post());
        QCOMPARE(f.t.state(), DataSet::dsEdit);
    }

    void reviewTextIsKeptWithBookDataChecks()
    {
        Fixture f;
        f.startGoodBook();
        f.t.setValue(fReview, QStringLiteral("  Spannend.\r\n"));
        f.t.setTag(TDataAccess::tagBookData);
        QVERIFY(f.t.post());
        QCOMPARE(f.t.asText(fReview), QStringLiteral("  Spannend.\r\n"));
        // Modes without checks post anything.
        for (int tag : { TDataAccess::tagNone, TDataAccess::tagMerging, TDataAccess::tagSaving }) {
            f.t.setTag(tag);
            f.t.append();
            QVERIFY(f.t.post());
        }
        QVERIFY(f.desktop.dialogs().isEmpty());
    }

    void deleteAsksFirst()
    {
        Fixture f;
        f.startGoodBook();
        QVERIFY(f.t.post());
        f.data.UnsavedChanges = false;
        f.desktop.answer(Msg::mrCancel, QStringLiteral("Datensatz löschen..."));
        QVERIFY(!f.t.deleteRecord());
        QCOMPARE(f.t.recordCount(), 1);
        QVERIFY(f.host.removedKeys.isEmpty());

        f.desktop.answer(Msg::mrOk, QStringLiteral("Datensatz löschen..."));
        QVERIFY(f.t.deleteRecord());
        QCOMPARE(f.desktop.lastDialog().message,
            QStringLiteral("Wollen Sie den aktuellen Datensatz wirklich löschen?"));
        QCOMPARE(f.desktop.lastDialog().captions, (QStringList { "Ja", "Nein" }));
        QCOMPARE(f.t.recordCount(), 0);
        QCOMPARE(f.host.removedKeys, QList<int> { 52007 });
        QVERIFY(!f.data.UnsavedChanges);
    }

    void savingDeletesWithoutAsking()
    {
        Fixture f;
        f.startGoodBook();
        QVERIFY(f.t.post());
        f.t.setTag(TDataAccess::tagSaving);
        QVERIFY(f.t.deleteRecord());
        QVERIFY(f.desktop.dialogs().isEmpty());
        QVERIFY(f.host.removedKeys.isEmpty());
    }

    void movingSelectsTheBookNode()
    {
        Fixture f;
        for (double n : { 5.7, 6.7 }) {
            f.startGoodBook(n);
            QVERIFY(f.t.post());
        }
        f.t.first();
        f.host.selectedKeys.clear();
        QVERIFY(f.t.locate(QStringLiteral("BookNbr"), QStringLiteral("6.7")));
        QCOMPARE(f.host.selectedKeys, QList<int> { 62007 });
    }

    void cancelOnEmptyTableReevaluatesActions()
    {
        Fixture f;
        f.data.IniReviewRecord();
        const int before = f.host.formActions;
        f.t.cancel();
        QCOMPARE(f.host.formActions, before + 1);
    }
};

QTEST_GUILESS_MAIN(TestReview)
#include "tst_review.moc"
