#include "ReviewFileWriter.h"
#include "TestEnv.h"

#include "exchange/CoverImages.h"
#include "exchange/WebSearch.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"

#include <QDir>
#include <QFileInfo>
#include <QTest>
#include <QUrl>

class TestCovers : public QObject
{
    Q_OBJECT

private slots:
    void coverImageName_data()
    {
        QTest::addColumn<double>("number");
        QTest::addColumn<int>("year");
        QTest::addColumn<QString>("name");
        QTest::newRow("123.7 of 2007") << 123.7 << 2007 << "123.7.jpg";
        QTest::newRow("9.0 of 2000") << 9.0 << 2000 << "9.jpg";
        QTest::newRow("45.12 of 2012") << 45.12 << 2012 << "45.12.jpg";
        QTest::newRow("8.10 of 2010") << 8.10 << 2010 << "8.10.jpg";
        QTest::newRow("8.2 of 2020 keeps its zero") << 8.2 << 2020 << "8.20.jpg";
        QTest::newRow("3.9 of 2009") << 3.9 << 2009 << "3.9.jpg";
        QTest::newRow("year 1999") << 17.99 << 1999 << "17.99.jpg";
    }
    void coverImageName()
    {
        QFETCH(double, number);
        QFETCH(int, year);
        QFETCH(QString, name);
        QCOMPARE(CoverImageFileName(number, year), name);
    }

    void coverNameOfRecordValues()
    {
        QCOMPARE(CoverImageFileNameOf(8.1, 2010), QStringLiteral("8.10.jpg"));
        // An empty year counts as 0.
        QCOMPARE(CoverImageFileNameOf(8.1, QVariant()), QStringLiteral("8.1.jpg"));
        QCOMPARE(CoverImageFileNameOf(QStringLiteral("8.10"), QStringLiteral("2010")),
            QStringLiteral("8.10.jpg"));
        QVERIFY(CoverImageFileNameOf(QVariant(), 2010).isEmpty());
        QVERIFY(CoverImageFileNameOf(QStringLiteral("acht"), 2010).isEmpty());
        QCOMPARE(CoverLineFileName(QStringLiteral("8.10.jpg=A=B")), QStringLiteral("8.10.jpg"));
        QCOMPARE(CoverLineTitle(QStringLiteral("8.10.jpg=A=B")), QStringLiteral("A=B"));
    }

    void webSearchAddress_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("publisher");
        QTest::addColumn<QString>("query");
        const QString tricky = QStringLiteral("Äpfel & Birnen / #1 +50% Spaß für Émile");
        QTest::newRow("title and publisher")
            << tricky << QStringLiteral("Beltz & Gelberg")
            << "Beltz%20%26%20Gelberg%20%C3%84pfel%20%26%20Birnen%20%2F%20%231%20%2B50%25%20"
               "Spa%C3%9F%20f%C3%BCr%20%C3%89mile";
        QTest::newRow("no publisher") << QStringLiteral("Krabat") << QString() << "Krabat";
        QTest::newRow("unreserved stay")
            << QStringLiteral("a-b_c.d~e") << QStringLiteral("X") << "X%20a-b_c.d~e";
    }
    void webSearchAddress()
    {
        QFETCH(QString, title);
        QFETCH(QString, publisher);
        QFETCH(QString, query);
        const QString address = QStringLiteral("https://images.example.org/images?hl=de&q=");
        const QString result = WebSearchAddress(address, title, publisher);
        QCOMPARE(result, address + query);
        // The browser sees one query value that decodes to the whole text.
        const QUrl url(result);
        QVERIFY(url.isValid());
        QVERIFY(url.fragment().isNull());
        const QString expected = publisher.isEmpty() ? title : publisher + u' ' + title;
        QCOMPARE(QUrl::fromPercentEncoding(query.toLatin1()), expected);
    }

    void listsAreSortedByTitle()
    {
        TestEnv env;
        const QString file = env.path(QStringLiteral("DB/2010/EM.cds"));
        const QString covers = env.path(QStringLiteral("Umschlagbilder/"));
        QVERIFY(WriteTestReviewFile(file,
            { { 8.1, 2010, QStringLiteral("Zwerg Nase") }, { 3.7, 2007, QStringLiteral("Momo") },
                { 12.1, 2010, QStringLiteral("alte Mühle") } }));
        QVERIFY(env.writeFile(QStringLiteral("Umschlagbilder/8.10.jpg"), "jpeg"));
        // The plain number text is not the cover of a book of 2010.
        QVERIFY(env.writeFile(QStringLiteral("Umschlagbilder/12.1.jpg"), "jpeg"));

        QStringList available { QStringLiteral("old=line") };
        QStringList missing;
        QString error;
        QCOMPARE(ListCoverImages(file, covers, available, missing, &error), 3);
        QVERIFY(error.isEmpty());
        QCOMPARE(available,
            (QStringList { QStringLiteral("old=line"), QStringLiteral("8.10.jpg=Zwerg Nase") }));
        QCOMPARE(missing,
            (QStringList {
                QStringLiteral("12.10.jpg=alte Mühle"), QStringLiteral("3.7.jpg=Momo") }));

        // In file order, with the cover image name, also without a trailing "/".
        QVERIFY(env.writeFile(QStringLiteral("Umschlagbilder/3.7.jpg"), "jpeg"));
        QCOMPARE(ListCoverImageFiles(file, covers.chopped(1), &error),
            covers + QStringLiteral("8.10.jpg\r\n") + covers + QStringLiteral("3.7.jpg\r\n"));
        QCOMPARE(ListCoverImageFiles(file, env.path(QStringLiteral("leer/")), &error), QString());
        QVERIFY(error.isEmpty());
    }

    void listingFailures()
    {
        TestEnv env;
        const QString covers = env.path(QStringLiteral("Umschlagbilder/"));
        const QString file = env.path(QStringLiteral("DB/EM.cds"));
        QVERIFY(WriteTestReviewFile(file,
            { { 3.7, 2007, QStringLiteral("Momo") },
                { QVariant(), 2007, QStringLiteral("Ohne") } }));
        QStringList available, missing;
        QString error;
        QCOMPARE(ListCoverImages(file, covers, available, missing, &error), -1);
        QVERIFY2(error.contains(QStringLiteral("ohne gültige Buchnummer")), qPrintable(error));
        QVERIFY(error.contains(QStringLiteral("\"Ohne\"")));
        error.clear();
        QVERIFY(ListCoverImageFiles(file, covers, &error).isEmpty());
        QVERIFY(!error.isEmpty());

        QVERIFY(env.writeFile(QStringLiteral("DB/kaputt.cds"), "kein Bericht"));
        error.clear();
        QCOMPARE(ListCoverImages(
                     env.path(QStringLiteral("DB/kaputt.cds")), covers, available, missing, &error),
            -1);
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCovers)
#include "tst_covers.moc"
