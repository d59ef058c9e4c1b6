#include "util/Codec1252.h"
#include "util/VexUtils.h"

#include <QTest>

class TestUtil : public QObject
{
    Q_OBJECT

private slots:
    void codecRoundTripsEveryByte()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Codec1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0xFC), QChar(u'ü'));
        QCOMPARE(text.at(0x81), QChar(0x81));
        QCOMPARE(Codec1252::encode(text), all);
    }

    void codecMarksWhatItCannotHold()
    {
        QVERIFY(Codec1252::canEncode(QStringLiteral("Bücher € – „gut“")));
        QVERIFY(!Codec1252::canEncode(QChar(0x0416)));
        QCOMPARE(Codec1252::encode(QStringLiteral("a\u0416b")), QByteArray("a?b"));
        QCOMPARE(Codec1252::filterEncodable(QStringLiteral("a\u0416b\U0001F600c")), QStringLiteral("abc"));
    }

    void bookKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::newRow("5.7") << "5.7" << 52007;
        QTest::newRow("5.1") << "5.1" << 52001;
        QTest::newRow("5.10") << "5.10" << 52010;
        QTest::newRow("whole number") << "5" << 0;
        QTest::newRow("underscore") << "3_1.5" << 312005;
        QTest::newRow("leading blanks") << "  5.7" << 52007;
        QTest::newRow("not a number") << "a.7" << 0;
        QTest::newRow("nothing after point") << "5." << 0;
    }
    void bookKeys()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QCOMPARE(EncodeBookKey(text), key);
    }

    void bookKeyText()
    {
        QCOMPARE(BookKeyToText(0), QStringLiteral("---.-"));
        QCOMPARE(BookKeyToText(52001), QStringLiteral("5.1"));
        QCOMPARE(BookKeyToText(52007), QStringLiteral("5.7"));
        QCOMPARE(BookKeyToText(1232012), QStringLiteral("123.12"));
    }

    void numberTexts()
    {
        QCOMPARE(NumberText(5.7), QStringLiteral("5.7"));
        QCOMPARE(NumberText(5.10), QStringLiteral("5.1"));
        QCOMPARE(NumberText(12.0), QStringLiteral("12"));
        QCOMPARE(NumberText(0.1 + 0.2), QStringLiteral("0.3"));
        QCOMPARE(ParseNumber(QStringLiteral(" 25.5 ")), std::optional<double>(25.5));
        QVERIFY(!ParseNumber(QStringLiteral("25,5")));
        QVERIFY(!ParseNumber(QStringLiteral("")));
        QVERIFY(!ParseNumber(QStringLiteral("inf")));
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "tst_util.moc"
