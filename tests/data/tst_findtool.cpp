#include "PacketTool.h"
#include "ReviewFileWriter.h"
#include "TestEnv.h"

#include "store/ReviewSchema.h"

#include <QDir>
#include <QProcess>
#include <QTest>

// The companion tool's "find" runs the program's own match rule over review
// files.
class TestFindTool : public QObject
{
    Q_OBJECT

    static int run(const QStringList &args, QByteArray *out, QByteArray *err)
    {
        return RunPacketTool(QStringLiteral(SKRIBANDO_PACKET_TOOL), args, out, err);
    }

    TestEnv m_env;
    QString m_first; // binary, given relative to the working folder
    QString m_second; // XML, with a blank and an umlaut in its name

private slots:
    void initTestCase()
    {
        QVERIFY(QDir::setCurrent(m_env.programFolder()));
        m_first = QStringLiteral("A.cds");
        m_second = m_env.path(QStringLiteral("Bücher 2012.xml"));
        QString error;
        QVERIFY2(WriteTestReviewFile(m_env.path(m_first),
                     { { 2.7, 2007, QStringLiteral("Momo"), QStringLiteral("Thienemann"),
                           { { fAuthor1Name, QStringLiteral("Ende") } } },
                         { 1.7, 2007, QStringLiteral("Krabat"), QStringLiteral("Thienemann"),
                             { { fAuthor1Name, QStringLiteral("Preußler") } } } },
                     &error),
            qPrintable(error));
        QVERIFY2(
            WriteTestReviewFile(m_second,
                { { 3.12, 2012, QStringLiteral("Die kleine Hexe"), QStringLiteral("Thienemann"),
                    { { fAuthor1Name, QStringLiteral("Preußler") },
                        { fBookSerie, QStringLiteral("978-3-522-18449-6") } } } },
                &error),
            qPrintable(error));
    }

    void find_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file order, then record order") << "thienemann"
                                                       << "A.cds\t2.7\nA.cds\t1.7\nFILE2\t3.12\n";
        QTest::newRow("folded, in two files") << "PREUSSLER"
                                              << "A.cds\t1.7\nFILE2\t3.12\n";
        QTest::newRow("prefix") << QStringLiteral("autor:preußler titel:hexe") << "FILE2\t3.12\n";
        QTest::newRow("ISBN-10 of a stored ISBN-13") << "3-522-18449-1"
                                                     << "FILE2\t3.12\n";
        QTest::newRow("book number") << "3.12"
                                     << "FILE2\t3.12\n";
        QTest::newRow("no match") << "krabat hexe"
                                  << "";
    }
    void find()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        QByteArray out, err;
        QCOMPARE(run({ QStringLiteral("find"), query, m_first, m_second }, &out, &err), 0);
        QCOMPARE(
            QString::fromUtf8(out), QString(expected).replace(QStringLiteral("FILE2"), m_second));
        QVERIFY(err.isEmpty());
    }

    // A file that cannot be read is named; the others are searched.
    void badFileIsReported()
    {
        QVERIFY(m_env.writeFile(QStringLiteral("kaputt.cds"), "kein Bericht"));
        QByteArray out, err;
        QCOMPARE(run({ QStringLiteral("find"), QStringLiteral("krabat"),
                         m_env.path(QStringLiteral("kaputt.cds")), m_first },
                     &out, &err),
            1);
        QCOMPARE(out, QByteArray("A.cds\t1.7\n"));
        QVERIFY(err.contains("kaputt.cds"));

        QCOMPARE(run({ QStringLiteral("find"), QStringLiteral("krabat") }, &out, &err), 1);
        QVERIFY(err.contains("find SUCHE DATEI..."));
    }
};

QTEST_GUILESS_MAIN(TestFindTool)
#include "tst_findtool.moc"
