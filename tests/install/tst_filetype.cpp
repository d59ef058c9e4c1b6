#include "TestEnv.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QTest>

// The file type of review files, as the desktop's file-type database reads
// it from the package the program installs.
class TestFileType : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The database is read once per process, from the data folders of
        // that moment: ours comes first.
        QVERIFY(m_env.isValid());
        const QString packages
            = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/mime/packages");
        QVERIFY(QDir().mkpath(packages));
        QVERIFY(QFile::copy(QStringLiteral(SKRIBANDO_DATA_DIR "/org.skribando.Skribando.mime.xml"),
            packages + QStringLiteral("/org.skribando.Skribando.xml")));
    }

    void recognisedByContent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("review");
        const QByteArray binary = QByteArray::fromHex("9619e0bd0100000018000000");
        const QByteArray xml = "<?xml version=\"1.0\" standalone=\"yes\"?>\r\n  <DATAPACKET "
                               "Version=\"2.0\"><METADATA><FIELDS></FIELDS></METADATA>"
                               "<ROWDATA></ROWDATA></DATAPACKET>\r\n";
        QTest::newRow("binary packet named .cds") << "EM_2010_05_07.cds" << binary << true;
        QTest::newRow("XML packet named .cds") << "EM_2010_05_07.cds" << xml << true;
        QTest::newRow("binary packet without extension") << "bericht" << binary << true;
        QTest::newRow("text without extension")
            << "notiz" << QByteArray("Nur ein Text.\n") << false;
    }
    void recognisedByContent()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(bool, review);
        QVERIFY(m_env.writeFile(name, bytes));
        const QMimeType type = QMimeDatabase().mimeTypeForFile(m_env.path(name));
        QCOMPARE(type.name() == QLatin1String("application/x-skribando-review"), review);
        m_env.writeFile(name, {});
    }

    void namedInGerman()
    {
        const QMimeType type
            = QMimeDatabase().mimeTypeForName(QStringLiteral("application/x-skribando-review"));
        QVERIFY(type.isValid());
        QCOMPARE(type.suffixes(), QStringList { QStringLiteral("cds") });
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(type.comment(), QStringLiteral("Skribando-Besprechungsdatei"));
    }

private:
    TestEnv m_env;
};

QTEST_GUILESS_MAIN(TestFileType)
#include "tst_filetype.moc"
