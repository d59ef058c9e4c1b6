#include "store/ISBN.h"

#include <QTest>

class TestISBN : public QObject
{
    Q_OBJECT

private slots:
    // From what the user typed to the report of "ISBN prüfen".
    void check_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("normalized");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("report");

        const QString yes = QStringLiteral(" ist eine gültige ISBN");
        const QString no = QStringLiteral(" ist  k e i n e  gültige ISBN");

        QTest::newRow("ISBN-10") << "0306406152"
                                 << "0306406152" << true << 10 << "0306406152" + yes + "10";
        QTest::newRow("last digit off by one")
            << "0306406153"
            << "0306406153" << false << 10 << "0306406153" + no + "10";
        QTest::newRow("ISBN-13") << "978-0-306-40615-7"
                                 << "9780306406157" << true << 13 << "9780306406157" + yes + "13";
        QTest::newRow("ISBN-13 off by one")
            << "9780306406158"
            << "9780306406158" << false << 13 << "9780306406158" + no + "13";
        QTest::newRow("ISBN in front, hyphens and blanks")
            << "ISBN 0-306 - 40615-2"
            << "0306406152" << true << 10 << "0306406152" + yes + "10";
        QTest::newRow("prefix ISBN-10:") << "ISBN-10: 0-306-40615-2"
                                         << "0306406152" << true << 10 << "0306406152" + yes + "10";
        QTest::newRow("prefix ISBN-13:")
            << "ISBN-13: 978-0-306-40615-7"
            << "9780306406157" << true << 13 << "9780306406157" + yes + "13";
        QTest::newRow("trailing x") << "0-8044-2957-x"
                                    << "080442957X" << true << 10 << "080442957X" + yes + "10";
        QTest::newRow("twelve digits keep the last ten")
            << "120306406152"
            << "0306406152" << true << 10 << "0306406152" + yes + "10";
        QTest::newRow("eleven characters keep the last ten")
            << "X0306406152"
            << "0306406152" << true << 10 << "0306406152" + yes + "10";
        QTest::newRow("fourteen digits keep the last thirteen")
            << "19780306406157"
            << "9780306406157" << true << 13 << "9780306406157" + yes + "13";
        QTest::newRow("fourteen with two X lose both") << "X978030640615X"
                                                       << "" << false << 0 << no + "10/13";
        QTest::newRow("long with X keeps the last thirteen digits")
            << "X12-978-0-306-40615-7"
            << "9780306406157" << true << 13 << "9780306406157" + yes + "13";
        // 40 for the inner X keeps the sum divisible by 11; 10 would not.
        QTest::newRow("inner X of an ISBN-10 counts 40")
            << "03X-640-6151"
            << "03X6406151" << true << 10 << "03X6406151" + yes + "10";
        QTest::newRow("X inside a thirteen-character text")
            << "97803064X6157"
            << "97803064X6157" << true << 13 << "97803064X6157" + yes + "13";
        QTest::newRow("X at the end of thirteen characters")
            << "978030640615X"
            << "978030640615X" << false << 13 << "978030640615X" + no + "13";
        QTest::newRow("series name") << "Reihe Hanser Taschenbuch"
                                     << "" << false << 0 << no + "10/13";
        QTest::newRow("series name with a number") << "Fischer Schatzinsel 42"
                                                   << "" << false << 0 << no + "10/13";
        QTest::newRow("nine digits") << "030640615"
                                     << "" << false << 0 << no + "10/13";
        QTest::newRow("nine digits among letters") << "Band 030640615"
                                                   << "" << false << 0 << no + "10/13";
        QTest::newRow("empty") << ""
                               << "" << false << 0 << no + "10/13";
    }
    void check()
    {
        QFETCH(QString, input);
        QFETCH(QString, normalized);
        QFETCH(bool, valid);
        QFETCH(int, kind);
        QFETCH(QString, report);

        QCOMPARE(NormalizeISBN(input), normalized);
        int gotKind = -1;
        QCOMPARE(IsValidISBN(normalized, &gotKind), valid);
        QCOMPARE(gotKind, kind);
        QCOMPARE(ISBNCheckReport(input), report);
    }

    // The check rules also serve texts that were not normalised.
    void checkDigitRules()
    {
        QVERIFY(IsValidISBN10(QStringLiteral("080442957x")));
        QVERIFY(!IsValidISBN10(QStringLiteral("0-306-40615-2")));
        QVERIFY(!IsValidISBN13(QStringLiteral("0306406152")));
        QVERIFY(!IsValidISBN10(QStringLiteral("9780306406157")));
        QVERIFY(IsValidISBN(QStringLiteral("0306406152"), nullptr));
    }

    void kindText()
    {
        QCOMPARE(ISBNKindText(QStringLiteral("0306406153")), QStringLiteral("10"));
        QCOMPARE(ISBNKindText(QStringLiteral("9780306406158")), QStringLiteral("13"));
        QCOMPARE(ISBNKindText(QString()), QStringLiteral("10/13"));
    }
};

QTEST_GUILESS_MAIN(TestISBN)
#include "tst_isbn.moc"
