#include "TestEnv.h"
#include "base/DefaultSettings.h"
#include "base/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

// A settings file as people leave it after editing it by hand: comments,
// blanks around "=", tabs, mixed line ends, a line before the first section,
// a lower-case section name, duplicate sections and keys, hex and malformed
// numbers, key-less lines and a Windows-1252 umlaut.
const QByteArray kHandMade = "; Skribando.ini, edited by hand\r\n"
                             "Orphan=before any section\r\n"
                             "[Program Info]\r\n"
                             "Version= 3.6.1\r\n"
                             "\r\n"
                             "[webpage]\n"
                             "\t Title = Meine Seite  \n"
                             "RelativePath=../\r"
                             ";Commented=1\r"
                             "Formula = a=b = c\n\r"
                             "Empty=\r\n"
                             "  Just a line \r\n"
                             "[Numbers]\r\n"
                             "Hex=0x1A\r\n"
                             "HexUpper=0XfF\r\n"
                             "Bad=abc\r\n"
                             "Short=0x\r\n"
                             "Negative=-42\r\n"
                             "Plus=+7\r\n"
                             "Spaced=1 2\r\n"
                             "Huge=99999999999\r\n"
                             "Flag=2\r\n"
                             "Off=0\r\n"
                             "Dup=first\r\n"
                             "dup=second\r\n"
                             "[ Twice ]\r\n"
                             "OnlyFirst=1\r\n"
                             "Shared=old\r\n"
                             "[twice]\r\n"
                             "Shared=new\r\n"
                             "[Umlaute]\r\n"
                             "Stadt=Z\xfcrich\r\n";

// What writing the hand-made file back gives.
const QByteArray kHandMadeWritten = "[Program Info]\r\n"
                                    "Version=3.6.1\r\n"
                                    "\r\n"
                                    "[webpage]\r\n"
                                    "Title=Meine Seite\r\n"
                                    "RelativePath=../\r\n"
                                    "Formula=a=b = c\r\n"
                                    "Empty=\r\n"
                                    "Just a line\r\n"
                                    "\r\n"
                                    "[Numbers]\r\n"
                                    "Hex=0x1A\r\n"
                                    "HexUpper=0XfF\r\n"
                                    "Bad=abc\r\n"
                                    "Short=0x\r\n"
                                    "Negative=-42\r\n"
                                    "Plus=+7\r\n"
                                    "Spaced=1 2\r\n"
                                    "Huge=99999999999\r\n"
                                    "Flag=2\r\n"
                                    "Off=0\r\n"
                                    "Dup=first\r\n"
                                    "dup=second\r\n"
                                    "\r\n"
                                    "[Twice]\r\n"
                                    "OnlyFirst=1\r\n"
                                    "Shared=old\r\n"
                                    "\r\n"
                                    "[twice]\r\n"
                                    "Shared=new\r\n"
                                    "\r\n"
                                    "[Umlaute]\r\n"
                                    "Stadt=Z\xfcrich\r\n"
                                    "\r\n";

const QString kIni = QStringLiteral("Skribando.ini");

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private:
    TestEnv m_env;

    QString handMadeFile()
    {
        if (!m_env.writeFile(kIni, kHandMade))
            qFatal("cannot write the settings fixture");
        return m_env.path(kIni);
    }

private slots:
    void readsStrings_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QString none = QStringLiteral("<default>");
        QTest::newRow("lower-case header serves WEBpage") << "WEBpage"
                                                          << "Title"
                                                          << "Meine Seite";
        QTest::newRow("and WEBPage, key in any case") << "WEBPage"
                                                      << "TITLE"
                                                      << "Meine Seite";
        QTest::newRow("line ended by CR alone") << "WEBpage"
                                                << "RelativePath"
                                                << "../";
        QTest::newRow("value holding '='") << "WEBpage"
                                           << "Formula"
                                           << "a=b = c";
        QTest::newRow("empty value is no default") << "WEBpage"
                                                   << "Empty"
                                                   << "";
        QTest::newRow("comment is skipped") << "WEBpage"
                                            << "Commented" << none;
        QTest::newRow("comment is not a key") << "WEBpage"
                                              << ";Commented" << none;
        QTest::newRow("key-less line is not a key") << "WEBpage"
                                                    << "Just a line" << none;
        QTest::newRow("line before the first section") << "Program Info"
                                                       << "Orphan" << none;
        QTest::newRow("value trimmed on loading") << "Program Info"
                                                  << "Version"
                                                  << "3.6.1";
        QTest::newRow("last of two keys") << "Numbers"
                                          << "DUP"
                                          << "second";
        QTest::newRow("last of two sections") << "Twice"
                                              << "Shared"
                                              << "new";
        QTest::newRow("earlier section is not read") << "TWICE"
                                                     << "OnlyFirst" << none;
        QTest::newRow("Windows-1252") << "Umlaute"
                                      << "Stadt"
                                      << "Zürich";
        QTest::newRow("missing section") << "Missing"
                                         << "Stadt" << none;
        QTest::newRow("missing key") << "Umlaute"
                                     << "Land" << none;
    }
    void readsStrings()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        const IniFile ini(handMadeFile());
        QVERIFY(!ini.readFailed());
        QCOMPARE(ini.readString(section, key, QStringLiteral("<default>")), expected);
        QCOMPARE(ini.valueExists(section, key), expected != QStringLiteral("<default>"));
    }

    void readsNumbers_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("expected");

        QTest::newRow("hex") << "Numbers"
                             << "Hex" << 26;
        QTest::newRow("hex 0X") << "Numbers"
                                << "HexUpper" << 255;
        QTest::newRow("abc") << "Numbers"
                             << "Bad" << -1;
        QTest::newRow("0x alone") << "Numbers"
                                  << "Short" << -1;
        QTest::newRow("negative") << "Numbers"
                                  << "Negative" << -42;
        QTest::newRow("plus sign") << "Numbers"
                                   << "Plus" << 7;
        QTest::newRow("blank inside") << "Numbers"
                                      << "Spaced" << -1;
        QTest::newRow("beyond int") << "Numbers"
                                    << "Huge" << -1;
        QTest::newRow("empty") << "WEBpage"
                               << "Empty" << -1;
        QTest::newRow("missing") << "Numbers"
                                 << "Nothing" << -1;
    }
    void readsNumbers()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(int, expected);

        const IniFile ini(handMadeFile());
        QCOMPARE(ini.readInteger(section, key, -1), expected);
    }

    void readsBooleans()
    {
        const IniFile ini(handMadeFile());
        const QString s = QStringLiteral("Numbers");
        QCOMPARE(ini.readBool(s, QStringLiteral("Flag"), false), true);
        QCOMPARE(ini.readBool(s, QStringLiteral("Off"), true), false);
        QCOMPARE(ini.readBool(s, QStringLiteral("Negative"), false), true);
        QCOMPARE(ini.readBool(s, QStringLiteral("Bad"), true), true);
        QCOMPARE(ini.readBool(s, QStringLiteral("Bad"), false), false);
        QCOMPARE(ini.readBool(s, QStringLiteral("Nothing"), true), true);
    }

    void readsSections()
    {
        const IniFile ini(handMadeFile());
        QCOMPARE(ini.sectionNames(),
            QStringList({ "Program Info", "webpage", "Numbers", "Twice", "twice", "Umlaute" }));
        QCOMPARE(ini.readSectionValues(QStringLiteral("WEBPAGE")),
            QStringList({ "Title=Meine Seite", "RelativePath=../", "Formula=a=b = c",
                "Empty=", "Just a line" }));
        QCOMPARE(ini.readSectionKeys(QStringLiteral("WEBPAGE")),
            QStringList({ "Title", "RelativePath", "Formula", "Empty" }));
        QCOMPARE(ini.readSectionValues(QStringLiteral("Twice")), QStringList({ "Shared=new" }));
        QVERIFY(ini.readSectionValues(QStringLiteral("Missing")).isEmpty());
        QVERIFY(ini.sectionExists(QStringLiteral("UMLAUTE")));
        QVERIFY(!ini.sectionExists(QStringLiteral("Missing")));
    }

    // Comments, blanks around "=" and lines before the first section go;
    // duplicates stay.
    void writesBackWhatItRead()
    {
        IniFile ini(handMadeFile());
        QVERIFY(ini.UpdateFile());
        QCOMPARE(m_env.readFile(kIni), kHandMadeWritten);
    }

    void writesInPlaceOrAppends()
    {
        IniFile ini(handMadeFile());
        ini.writeString(QStringLiteral("WEBPAGE"), QStringLiteral("Title"), QStringLiteral("Neu"));
        ini.writeString(QStringLiteral("webpage"), QStringLiteral("Added"), QStringLiteral(" x "));
        ini.writeString(QStringLiteral("Numbers"), QStringLiteral("Dup"), QStringLiteral("third"));
        ini.writeString(QStringLiteral("TWICE"), QStringLiteral("OnlyFirst"), QStringLiteral("2"));
        ini.writeString(QStringLiteral("Neu"), QStringLiteral("Wort"), QStringLiteral("Bücher"));
        ini.writeInteger(QStringLiteral("Neu"), QStringLiteral("Zahl"), -5);
        ini.writeBool(QStringLiteral("Neu"), QStringLiteral("Ja"), true);
        ini.writeBool(QStringLiteral("Neu"), QStringLiteral("Nein"), false);

        QCOMPARE(ini.readString(QStringLiteral("WEBpage"), QStringLiteral("Added"), {}),
            QStringLiteral(" x "));
        QCOMPARE(ini.readString(QStringLiteral("Numbers"), QStringLiteral("dup"), {}),
            QStringLiteral("third"));
        QCOMPARE(ini.readInteger(QStringLiteral("Neu"), QStringLiteral("Zahl"), 0), -5);
        QCOMPARE(ini.readBool(QStringLiteral("Neu"), QStringLiteral("Ja"), false), true);
        QCOMPARE(ini.readBool(QStringLiteral("Neu"), QStringLiteral("Nein"), true), false);

        QVERIFY(ini.UpdateFile());
        QByteArray expected = kHandMadeWritten;
        expected.replace("Title=Meine Seite", "Title=Neu");
        expected.replace("Just a line\r\n", "Just a line\r\nAdded= x \r\n");
        expected.replace("dup=second", "Dup=third");
        expected.replace("[twice]\r\nShared=new\r\n", "[twice]\r\nShared=new\r\nOnlyFirst=2\r\n");
        expected.append("[Neu]\r\nWort=B\xfc"
                        "cher\r\nZahl=-5\r\nJa=1\r\nNein=0\r\n\r\n");
        QCOMPARE(m_env.readFile(kIni), expected);
    }

    // What is written reads back the same; what would not is refused and
    // changes nothing.
    void writesOnlyWhatReadsBack_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("written");
        QTest::newRow("plain") << "Publishers"
                               << "Arche"
                               << "Zürich-Hamburg" << true;
        QTest::newRow("\"=\" in the value") << "Publishers"
                                            << "Formel"
                                            << "a=b" << true;
        QTest::newRow("\"[\" opening a key") << "Publishers"
                                             << "[Klammer"
                                             << "Ort" << true;
        QTest::newRow("tab inside") << "Publishers"
                                    << "A\tB"
                                    << "C\tD" << true;
        QTest::newRow("\"=\" in the key") << "Publishers"
                                          << "A=B"
                                          << "Ort" << false;
        QTest::newRow("line feed in the value") << "Publishers"
                                                << "Arche"
                                                << "Zürich\nHamburg" << false;
        QTest::newRow("carriage return in the key") << "Publishers"
                                                    << "Ar\rche"
                                                    << "Zürich" << false;
        QTest::newRow("line break in the section") << "Pub\r\nlishers"
                                                   << "Arche"
                                                   << "Zürich" << false;
        QTest::newRow("blank around the key") << "Publishers"
                                              << "Arche "
                                              << "Zürich" << false;
        QTest::newRow("tab ending the value") << "Publishers"
                                              << "Arche"
                                              << "Zürich\t" << false;
        QTest::newRow("a comment") << "Publishers"
                                   << ";Arche"
                                   << "Zürich" << false;
        QTest::newRow("a section name") << "Publishers"
                                        << "[Arche"
                                        << "Zürich] " << false;
        QTest::newRow("letter outside the code page") << "Publishers"
                                                      << "Dvořák"
                                                      << "Praha" << false;
        QTest::newRow("blank around the section") << " Publishers"
                                                  << "Arche"
                                                  << "Zürich" << false;
    }
    void writesOnlyWhatReadsBack()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(bool, written);
        IniFile ini(handMadeFile());
        const QByteArray before = ini.toBytes();
        QCOMPARE(ini.writeString(section, key, value), written);
        if (!written) {
            QCOMPARE(ini.toBytes(), before);
            return;
        }
        IniFile again { QString() };
        again.readFromBytes(ini.toBytes());
        QCOMPARE(again.readString(section, key, QStringLiteral("?")), value);
        QCOMPARE(again.readSectionKeys(section), ini.readSectionKeys(section));
    }

    void erasesAndClears()
    {
        IniFile ini(handMadeFile());
        ini.eraseSection(QStringLiteral("TWICE"));
        QCOMPARE(
            ini.sectionNames(), QStringList({ "Program Info", "webpage", "Numbers", "Umlaute" }));
        // A section written anew after erasing holds only what is written.
        ini.writeString(QStringLiteral("Twice"), QStringLiteral("Shared"), QStringLiteral("1"));
        QCOMPARE(ini.readSectionValues(QStringLiteral("twice")), QStringList({ "Shared=1" }));
        QCOMPARE(
            ini.readString(QStringLiteral("twice"), QStringLiteral("OnlyFirst"), {}), QString());

        ini.clear();
        QVERIFY(ini.sectionNames().isEmpty());
        QCOMPARE(ini.readString(QStringLiteral("Umlaute"), QStringLiteral("Stadt"), {}), QString());
        QVERIFY(ini.UpdateFile());
        QCOMPARE(m_env.readFile(kIni), QByteArray());
    }

    void missingFileStartsEmpty()
    {
        const QString file = m_env.path(QStringLiteral("new/Skribando.ini"));
        QVERIFY(!QFile::exists(file));
        IniFile ini(file);
        QVERIFY(!ini.readFailed());
        QCOMPARE(ini.fileName(), file);
        QVERIFY(ini.sectionNames().isEmpty());
        QCOMPARE(ini.readInteger(QStringLiteral("Position"), QStringLiteral("Top"), 10), 10);

        // The folder is missing too, so the write-back fails and says why.
        ini.writeInteger(QStringLiteral("Position"), QStringLiteral("Top"), 3);
        QVERIFY(!ini.UpdateFile());
        QVERIFY(!ini.errorString().isEmpty());
        QVERIFY(!QFile::exists(file));

        QVERIFY(QDir().mkpath(m_env.path(QStringLiteral("new"))));
        QVERIFY(ini.UpdateFile());
        QVERIFY(ini.errorString().isEmpty());
        QCOMPARE(m_env.readFile(QStringLiteral("new/Skribando.ini")),
            QByteArray("[Position]\r\nTop=3\r\n\r\n"));
    }

    void unreadableFileIsReported()
    {
        const QString folder = m_env.path(QStringLiteral("folder.ini"));
        QVERIFY(QDir().mkpath(folder));
        IniFile ini(folder);
        QVERIFY(ini.readFailed());
        QVERIFY(!ini.errorString().isEmpty());
        QVERIFY(!ini.UpdateFile());
        QVERIFY(QFileInfo(folder).isDir());
    }

    void defaultSettings()
    {
        IniFile ini(m_env.path(QStringLiteral("defaults.ini")));
        WriteDefaultSettings(ini, QStringLiteral(" 3.7.0"));

        QCOMPARE(ini.sectionNames(),
            QStringList({ "Program Info", "Folders", "Extensions", "Reviewer", "Recipients",
                "DocStyle", "WEBpage", "WEBsearch", "WEBsearchDefault", "Catalogue", "Position",
                "Languages", "Publishers", "Topics" }));
        QCOMPARE(ini.readString(QStringLiteral("Program Info"), QStringLiteral("Version"), {}),
            QStringLiteral(" 3.7.0"));

        const QStringList languages = ini.readSectionValues(QStringLiteral("Languages"));
        QCOMPARE(languages.size(), 33);
        QCOMPARE(languages.first(), QStringLiteral("- nicht übersetzt -=-"));
        QCOMPARE(languages.last(), QStringLiteral("Usbekischen=Usbek"));

        const QStringList publishers = ini.readSectionValues(QStringLiteral("Publishers"));
        QCOMPARE(publishers.size(), 127);
        QCOMPARE(publishers.first(), QStringLiteral("Altberliner=Berlin"));
        QCOMPARE(publishers.last(), QStringLiteral("Zytglogge=Bern"));
        const qsizetype rowohlt = publishers.indexOf(QStringLiteral("Rowohlt=Reinbek"));
        QVERIFY(rowohlt > 0);
        QCOMPARE(publishers.at(rowohlt - 1), QStringLiteral("Riki=Hamburg"));
        QVERIFY(publishers.at(rowohlt + 1).startsWith(QStringLiteral("Rowohlt Taschenbuch=")));
        QCOMPARE(publishers.filter(QRegularExpression(QStringLiteral("^Rowohlt="))).size(), 1);

        const QStringList topics = ini.readSectionKeys(QStringLiteral("Topics"));
        QCOMPARE(topics.size(), 186);
        QCOMPARE(topics.first(), QStringLiteral("Abenteuer"));
        QCOMPARE(topics.last(), QStringLiteral("Zweisprachig"));
        for (const QString &topic : topics) {
            QCOMPARE(ini.readString(QStringLiteral("Topics"), topic, {}), topic.left(1).toUpper());
        }

        const QStringList providers = ini.readSectionKeys(QStringLiteral("WEBsearch"));
        QCOMPARE(providers, QStringList({ "Amazone", "AOL", "buch.ch", "Google", "Live Search" }));
        for (const QString &provider : providers) {
            QVERIFY(ini.readString(QStringLiteral("WEBsearch"), provider, {})
                        .startsWith(QStringLiteral("http://")));
        }
    }

    // Values other parts of the program rely on, read the way they read them.
    void defaultValues_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        QTest::newRow("root folder") << "Folders"
                                     << "VexRootFolder"
                                     << "Zadizezerev";
        QTest::newRow("ask year folder") << "Folders"
                                         << "AskYearFolder"
                                         << "1";
        QTest::newRow("review files") << "Extensions"
                                      << "FormatDB"
                                      << ".cds";
        QTest::newRow("e-mail") << "Reviewer"
                                << "Email" << DefaultReviewerEmail();
        QTest::newRow("web mail") << "Reviewer"
                                  << "WebMailUrl" << DefaultWebMailUrl();
        QTest::newRow("web mail off") << "Reviewer"
                                      << "WebMail"
                                      << "0";
        QTest::newRow("zipped") << "Reviewer"
                                << "SendMailZipped"
                                << "1";
        QTest::newRow("body for two")
            << "Recipients"
            << "Body2"
            << "Hallo %s und %s,%shier kommen meine %d Besprechungen (%s).";
        QTest::newRow("body for one review") << "Recipients"
                                             << "Body1Singular"
                                             << "Hallo %s,%shier kommt meine Besprechung (%s).";
        QTest::newRow("font size") << "DocStyle"
                                   << "FontSize"
                                   << "12";
        QTest::newRow("subtitle") << "WEBPage"
                                  << "SubTitle"
                                  << "Empfohlene Bücher";
        QTest::newRow("style sheet") << "WEBpage"
                                     << "StyleSheet"
                                     << "ubo_morbel.css";
        QTest::newRow("home address") << "WEBpage"
                                      << "HomeURL"
                                      << "../../zirezudozoz.odov";
        QTest::newRow("Google") << "WEBsearch"
                                << "Google" << GoogleImageSearchUrl();
        QTest::newRow("search default") << "WEBsearchDefault"
                                        << "Default"
                                        << "Google";
        QTest::newRow("catalogue") << "Catalogue"
                                   << "SruURL"
                                   << "https://services.dnb.de/sru/dnb";
        QTest::newRow("covers") << "Catalogue"
                                << "OpenLibraryCoverURL"
                                << "https://covers.openlibrary.org/b/isbn";
        QTest::newRow("catalogue timeout") << "Catalogue"
                                           << "TimeoutSeconds"
                                           << "15";
        QTest::newRow("splitter") << "Position"
                                  << "SplitterLeft"
                                  << "264";
        QTest::newRow("language") << "Languages"
                                  << "Dänischen"
                                  << "Dän";
        QTest::newRow("two towns") << "Publishers"
                                   << "Arche"
                                   << "Zürich-Hamburg";
        QTest::newRow("abbreviated town") << "Publishers"
                                          << "Baumhaus"
                                          << "Frankfurt a. M.";
        QTest::newRow("blank and umlaut") << "Publishers"
                                          << "Nilpferd in Residenz"
                                          << "St. Pölten";
        QTest::newRow("topic") << "Topics"
                               << "TV-Serie"
                               << "T";
    }
    void defaultValues()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        IniFile ini(m_env.path(QStringLiteral("defaults.ini")));
        WriteDefaultSettings(ini, QStringLiteral(" 3.7.0"));
        QCOMPARE(ini.readString(section, key, QStringLiteral("<default>")), expected);
    }

    // The first file keeps the version's leading blank; loading trims it, so
    // the next write-back drops it and changes nothing else.
    void defaultFileOnDisk()
    {
        const QString name = QStringLiteral("first.ini");
        QVERIFY(m_env.writeFile(name, {}));
        {
            IniFile ini(m_env.path(name));
            WriteDefaultSettings(ini, QStringLiteral(" 3.7.0"));
            QVERIFY(ini.UpdateFile());
        }
        const QByteArray first = m_env.readFile(name);
        QVERIFY(first.startsWith("[Program Info]\r\nVersion= 3.7.0\r\n\r\n[Folders]\r\n"));
        QVERIFY(first.contains("\r\nSubTitle=Empfohlene B\xfc"
                               "cher\r\n"));
        QVERIFY(first.contains("\r\nNilpferd in Residenz=St. P\xf6lten\r\n"));
        QVERIFY(first.endsWith("\r\nZweisprachig=Z\r\n\r\n"));
        QCOMPARE(first.count('\n'), first.count("\r\n"));
        QCOMPARE(first.count('\r'), first.count("\r\n"));

        {
            IniFile ini(m_env.path(name));
            QCOMPARE(ini.readString(QStringLiteral("Program Info"), QStringLiteral("Version"), {}),
                QStringLiteral("3.7.0"));
            QVERIFY(ini.UpdateFile());
        }
        QByteArray expected = first;
        expected.replace("Version= 3.7.0", "Version=3.7.0");
        QCOMPARE(m_env.readFile(name), expected);
    }

    // The restore buttons fill one list into a cleared copy.
    void defaultListIntoClearedCopy()
    {
        IniFile ini(handMadeFile());
        ini.clear();
        WriteDefaultPublishers(ini);
        WriteDefaultPublishers(ini);
        QCOMPARE(ini.sectionNames(), QStringList({ "Publishers" }));
        QCOMPARE(ini.readSectionValues(QStringLiteral("Publishers")).size(), 127);
        QCOMPARE(ini.readString(QStringLiteral("Publishers"), QStringLiteral("rowohlt"), {}),
            QStringLiteral("Reinbek"));
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
