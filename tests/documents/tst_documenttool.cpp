#include "PacketTool.h"
#include "TestEnv.h"

#include "documents/PreviewText.h"
#include "store/DataSet.h"
#include "store/TableFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

// The companion tool's document commands run the program's own composing.
class TestDocumentTool : public QObject
{
    Q_OBJECT

    static int run(const QStringList &args, QByteArray *out, QByteArray *err)
    {
        return RunPacketTool(QStringLiteral(SKRIBANDO_PACKET_TOOL), args, out, err);
    }

    QString fixture() const
    {
        return QDir(TestEnv::fixtures()).filePath(QStringLiteral("EM_2007_05_12.xml"));
    }

private slots:
    void preview()
    {
        DataSet table;
        QVERIFY(LoadFromFile(table, fixture()));
        QVERIFY(table.recordCount() > 0);
        QString expected;
        for (int row = 0; row < table.recordCount(); ++row)
            expected += ComposePreview(ReviewTextsAt(table, row));
        QByteArray out, err;
        QCOMPARE(run({ QStringLiteral("preview"), fixture() }, &out, &err), 0);
        QCOMPARE(QString::fromUtf8(out), expected);
        QVERIFY(out.contains("\r\r"));
    }

    void doc()
    {
        TestEnv env;
        QVERIFY(
            env.writeFile(QStringLiteral("s.ini"), "[DocStyle]\r\nFont=Arial\r\nFontSize=14\r\n"));
        const QString out = env.path(QStringLiteral("f.doc"));
        QByteArray stdOut, err;
        QCOMPARE(run({ QStringLiteral("doc"), fixture(), out, QStringLiteral("--settings"),
                         env.path(QStringLiteral("s.ini")) },
                     &stdOut, &err),
            0);
        QByteArray rtf = env.readFile(QStringLiteral("f.doc"));
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        QVERIFY(rtf.contains("Arial;}"));
        QVERIFY(rtf.contains("\\fs28 "));

        // Without settings: the defaults of the read.
        QCOMPARE(run({ QStringLiteral("doc"), fixture(), out }, &stdOut, &err), 0);
        rtf = env.readFile(QStringLiteral("f.doc"));
        QVERIFY(rtf.contains("Times New Roman;}"));
        QVERIFY(rtf.contains("\\fs20 "));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("font size") << QStringList { "doc", "FIXTURE", "OUT", "--settings", "INI" }
                                   << QByteArray("[DocStyle]\r\nFontSize=gross\r\n");
        QTest::newRow("missing settings")
            << QStringList { "doc", "FIXTURE", "OUT", "--settings", "NONE" } << QByteArray();
        QTest::newRow("no such file") << QStringList { "preview", "NONE" } << QByteArray();
        QTest::newRow("not a packet") << QStringList { "preview", "INI" } << QByteArray("x");
        QTest::newRow("unwritable")
            << QStringList { "doc", "FIXTURE", "NONE/x.doc" } << QByteArray();
        QTest::newRow("option") << QStringList { "doc", "FIXTURE", "OUT", "--font", "INI" }
                                << QByteArray();
    }

    void badInput()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, settings);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("s.ini"), settings));
        for (QString &a : args) {
            if (a == QLatin1String("FIXTURE"))
                a = fixture();
            a.replace(QStringLiteral("OUT"), env.path(QStringLiteral("f.doc")));
            a.replace(QStringLiteral("INI"), env.path(QStringLiteral("s.ini")));
            a.replace(QStringLiteral("NONE"), env.path(QStringLiteral("fehlt")));
        }
        QByteArray out, err;
        QCOMPARE(run(args, &out, &err), 1);
        QVERIFY(!err.isEmpty());
        QVERIFY(!QFile::exists(env.path(QStringLiteral("f.doc"))));
    }
};

QTEST_GUILESS_MAIN(TestDocumentTool)
#include "tst_documenttool.moc"
