#include "TestEnv.h"
#include "ZipBytes.h"

#include "exchange/MailArchive.h"
#include "exchange/ZipArchive.h"
#include "exchange/ZipImport.h"
#include "util/CodecCp850.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <optional>

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray noise(int size, quint32 seed)
{
    QByteArray out(size, Qt::Uninitialized);
    quint32 x = seed * 2654435761u + 1;
    for (char &c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = char(x);
    }
    return out;
}

// The trash of these tests: a replaced file is only removed.
bool throwAway(const QString &path) { return QFile::remove(path); }

bool isAscii(const QByteArray &bytes)
{
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return quint8(c) < 0x80; });
}

// The data of an Info-ZIP Unicode Path field for a code page 850 name.
QByteArray unicodePath(const QByteArray &cp850Name)
{
    QByteArray field(5, '\x01');
    qToLittleEndian(ZipBytes::crc32(cp850Name), field.data() + 1);
    return field + CodecCp850::decode(cp850Name).toUtf8();
}

// What unzip shows as the archive's names, or nothing without unzip.
std::optional<QStringList> unzipNames(const QString &path)
{
    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzip.isEmpty())
        return std::nullopt;
    QProcess list;
    // In a UTF-8 locale unzip writes names as they are instead of escaping.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    list.setProcessEnvironment(env);
    list.start(unzip, { QStringLiteral("-Z1"), path });
    if (!list.waitForFinished() || list.exitCode() != 0)
        return QStringList { QStringLiteral("unzip failed: ")
            + QString::fromLocal8Bit(list.readAllStandardError()) };
    return QString::fromUtf8(list.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
}

// Every entry's data as the program reads them; nothing when one fails.
QList<QByteArray> entryData(const QByteArray &archive)
{
    ZipArchive reader;
    if (!reader.OpenBytes(archive))
        return {};
    QList<QByteArray> all;
    for (int i = 0; i < reader.Count(); ++i) {
        QByteArray data;
        if (!reader.ReadEntry(i, 1 << 20, [&](const char *p, qint64 n) {
                data.append(p, n);
                return true;
            }))
            return {};
        all.append(data);
    }
    return all;
}

bool unzipTests(const QString &path)
{
    const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
    if (unzip.isEmpty())
        return true;
    QProcess test;
    test.start(unzip, { QStringLiteral("-tqq"), path });
    return test.waitForFinished() && test.exitStatus() == QProcess::NormalExit
        && test.exitCode() == 0;
}

} // namespace

class TestZip : public QObject
{
    Q_OBJECT

private slots:
    void mailArchiveAsAnotherReaderSeesIt_data();
    void mailArchiveAsAnotherReaderSeesIt();
    void mailArchiveFailureLeavesTheOldOne();
    void unicodePathsOnlyOnTheExpectedLayout_data();
    void unicodePathsOnlyOnTheExpectedLayout();
    void extractTarget_data();
    void extractTarget();
    void hostileArchives_data();
    void hostileArchives();
    void entryBeyondTheBoundIsRefused();
    void importWritesAtMostFourGigabytes();
};

void TestZip::mailArchiveAsAnotherReaderSeesIt_data()
{
    QTest::addColumn<QString>("reviewName");
    QTest::addColumn<QStringList>("covers");
    QTest::newRow("review file and two covers, list order")
        << QStringLiteral("XY_2008_05_01.cds")
        << QStringList { QStringLiteral("8.10.jpg"), QStringLiteral("123.7.jpg") };
    QTest::newRow("review file alone") << QStringLiteral("XY_2008_05_01.cds") << QStringList {};
    QTest::newRow("umlaut in code page 850")
        << QStringLiteral("Jürg_2008_05_01.cds") << QStringList { QStringLiteral("9.jpg") };
    // The code page 850 bytes of "ÃŽ" happen to read as UTF-8 as well.
    QTest::newRow("code page 850 bytes that look like UTF-8")
        << QStringLiteral("Ã\u00DC_2008.xml") << QStringList {};
    QTest::newRow("umlauts and sharp s before two covers")
        << QStringLiteral("JÖ_Grüße_2007.cds")
        << QStringList { QStringLiteral("1.7.jpg"), QStringLiteral("22.7.jpg") };
}

void TestZip::mailArchiveAsAnotherReaderSeesIt()
{
    QFETCH(QString, reviewName);
    QFETCH(QStringList, covers);
    TestEnv env;
    const QString covered = env.path(QStringLiteral("Html/Umschlagbilder/"));
    const QString review = env.path(QStringLiteral("DB/2008/")) + reviewName;
    QVERIFY(writeFile(review, QByteArray("review data ").repeated(50)));
    QList<QByteArray> contents { readFile(review) };
    for (int i = 0; i < covers.size(); ++i) {
        // A JPEG and some other picture data.
        QVERIFY(writeFile(covered + covers[i],
            (i % 2 ? QByteArray() : QByteArray("\xFF\xD8\xFF\xE0")) + noise(20000 + i, i)));
        contents.append(readFile(covered + covers[i]));
    }

    ZipArchive zip;
    QString error;
    const QString zipName = ChangeFileExt(reviewName, QStringLiteral(".zip"));
    const QString path = CreateMailArchive(
        zip, env.path(QStringLiteral("Zip/")), zipName, review, covered, covers, &error);
    QVERIFY2(!path.isEmpty(), qPrintable(error));
    QCOMPARE(path, env.path(QStringLiteral("Zip/")) + zipName);

    const ZipBytes::Directory dir = ZipBytes::readCentralDirectory(readFile(path));
    QVERIFY2(dir.error.isEmpty(), qPrintable(dir.error));
    QVERIFY(!dir.zip64);
    QStringList names { reviewName };
    names += covers;
    QCOMPARE(dir.entries.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const ZipBytes::CentralEntry &e = dir.entries[i];
        QCOMPARE(e.name, CodecCp850::encode(names[i]));
        QCOMPARE(e.flags & 0x0800, 0); // UTF-8 flag clear
        QCOMPARE(e.method, quint16(8)); // deflate
        QCOMPARE(e.crc, ZipBytes::crc32(contents[i]));
        QCOMPARE(e.size, quint32(contents[i].size()));
        // The local header where the central one says, telling the same.
        QVERIFY(e.localFound);
        QCOMPARE(e.localName, e.name);
        QCOMPARE(e.localCompressedSize, e.compressedSize);
        // Beyond ASCII the UTF-8 name goes beside the code page 850 one.
        const std::optional<QByteArray> expected
            = isAscii(e.name) ? std::nullopt : std::optional(unicodePath(e.name));
        QCOMPARE(ZipBytes::extraField(e.extra, 0x7075), expected);
        QCOMPARE(ZipBytes::extraField(e.localExtra, 0x7075), expected);
    }

    QVERIFY(unzipTests(path));
    if (const std::optional<QStringList> shown = unzipNames(path))
        QCOMPARE(*shown, names);

    // And back: the same bytes under the same names.
    QVERIFY(zip.OpenFile(path));
    const QString target = env.path(QStringLiteral("back/"));
    const QString backCovers = env.path(QStringLiteral("backCovers/"));
    QDir().mkpath(target);
    const ZipImportResult result = ExtractReviewArchive(zip, target, backCovers, throwAway);
    zip.Close();
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(QDir(target).entryList(QDir::Files), QStringList { reviewName });
    QCOMPARE(readFile(target + reviewName), contents[0]);
    for (int i = 0; i < covers.size(); ++i)
        QCOMPARE(readFile(backCovers + covers[i]), contents[i + 1]);
}

void TestZip::mailArchiveFailureLeavesTheOldOne()
{
    TestEnv env;
    const QString covers = env.path(QStringLiteral("covers/"));
    const QString review = env.path(QStringLiteral("DB/XY_2008_05_01.cds"));
    const QString zipFolder = env.path(QStringLiteral("Zip/"));
    QVERIFY(writeFile(review, "review"));
    QVERIFY(writeFile(covers + QStringLiteral("1.8.jpg"), "cover"));
    QVERIFY(writeFile(zipFolder + QStringLiteral("XY_2008_05_01.zip"), "the older archive"));

    ZipArchive zip;
    QString error;
    QVERIFY(CreateMailArchive(zip, zipFolder, QStringLiteral("XY_2008_05_01.zip"), review, covers,
        { QStringLiteral("1.8.jpg"), QStringLiteral("2.8.jpg") }, &error)
                .isEmpty());
    QVERIFY2(error.contains(QStringLiteral("2.8.jpg")), qPrintable(error));
    QCOMPARE(TestEnv::listing(zipFolder),
        QStringList { QStringLiteral("XY_2008_05_01.zip=the older archive") });

    // Complete, it takes the older one's place.
    QVERIFY(!CreateMailArchive(zip, zipFolder, QStringLiteral("XY_2008_05_01.zip"), review, covers,
        { QStringLiteral("1.8.jpg") }, &error)
                 .isEmpty());
    const ZipBytes::Directory dir
        = ZipBytes::readCentralDirectory(readFile(zipFolder + QStringLiteral("XY_2008_05_01.zip")));
    QCOMPARE(dir.entries.size(), 2);
    QCOMPARE(QDir(zipFolder).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestZip::unicodePathsOnlyOnTheExpectedLayout_data()
{
    using namespace ZipBytes;
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<bool>("changes");
    const QByteArray umlaut = CodecCp850::encode(u"Grüße_2007.cds");
    const QByteArray plain = build({ stored("1.7.jpg", "cover"), deflated(umlaut, "review"),
        stored(CodecCp850::encode(u"Ö.xml"), "") });
    QTest::newRow("stored and deflated entries") << plain << true;
    QTest::newRow("ASCII names only need nothing")
        << build({ stored("a.cds", "a"), deflated("1.7.jpg", "b") }) << false;
    QByteArray twice = plain;
    QVERIFY(AddUnicodePathFields(twice));
    QTest::newRow("the field is there already") << twice << false;
    QByteArray comment = plain;
    comment[comment.size() - 2] = 3;
    comment += "abc";
    QTest::newRow("archive comment") << comment << false;
    RawEntry huge = stored(umlaut, "x");
    huge.size = 0xFFFFFFFF;
    QTest::newRow("Zip64 size mark") << build({ huge }) << false;
    QByteArray otherLocalName = plain;
    otherLocalName[30] = 'X';
    QTest::newRow("local name differs from the central one") << otherLocalName << false;
    QTest::newRow("truncated") << plain.left(plain.size() - 30) << false;
    QTest::newRow("empty") << QByteArray() << false;
}

void TestZip::unicodePathsOnlyOnTheExpectedLayout()
{
    QFETCH(QByteArray, archive);
    QFETCH(bool, changes);
    QByteArray zip = archive;
    QCOMPARE(AddUnicodePathFields(zip), changes);
    if (!changes) {
        QCOMPARE(zip, archive);
        return;
    }
    const ZipBytes::Directory before = ZipBytes::readCentralDirectory(archive);
    const ZipBytes::Directory after = ZipBytes::readCentralDirectory(zip);
    QVERIFY2(after.error.isEmpty(), qPrintable(after.error));
    QCOMPARE(after.entries.size(), before.entries.size());
    for (int i = 0; i < after.entries.size(); ++i) {
        const ZipBytes::CentralEntry &e = after.entries[i];
        QCOMPARE(e.name, before.entries[i].name);
        QVERIFY(e.localFound);
        QCOMPARE(e.localName, e.name);
        const std::optional<QByteArray> expected
            = isAscii(e.name) ? std::nullopt : std::optional(unicodePath(e.name));
        QCOMPARE(ZipBytes::extraField(e.extra, 0x7075), expected);
        QCOMPARE(ZipBytes::extraField(e.localExtra, 0x7075), expected);
    }
    // The moved data still read, by unzip and by the program.
    TestEnv env;
    const QString path = env.path(QStringLiteral("moved.zip"));
    QVERIFY(writeFile(path, zip));
    QVERIFY(unzipTests(path));
    const QList<QByteArray> data = entryData(archive);
    QCOMPARE(data.size(), after.entries.size());
    QCOMPARE(entryData(zip), data);
}

void TestZip::extractTarget_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("target");
    QTest::newRow("cover") << "123.7.jpg"
                           << "/c/123.7.jpg";
    QTest::newRow("capital extension stays in the folder") << "123.7.JPG"
                                                           << "123.7.JPG";
    QTest::newRow("review file") << "XY_2008_05_01.cds"
                                 << "XY_2008_05_01.cds";
    QTest::newRow("folder parts dropped") << "a/b\\8.10.jpg"
                                          << "/c/8.10.jpg";
}

void TestZip::extractTarget()
{
    QFETCH(QString, name);
    QFETCH(QString, target);
    ZipForge1ExtractFile(QStringLiteral("/c/"), name);
    QCOMPARE(name, target);
}

using Entries = QList<ZipBytes::RawEntry>;

void TestZip::hostileArchives_data()
{
    using namespace ZipBytes;
    QTest::addColumn<QByteArray>("archive");
    QTest::addColumn<QStringList>("expected"); // listing of the whole scratch folder
    QTest::addColumn<QString>("error"); // part of the message; empty: success

    const QString old = QStringLiteral("Html/Umschlagbilder/5.8.jpg=good old cover");
    const QString db = QStringLiteral("DB/");
    const QString year = QStringLiteral("DB/2008/");
    const QString covers = QStringLiteral("Html/");
    const QString coverFolder = QStringLiteral("Html/Umschlagbilder/");
    const QStringList base { db, year, covers, coverFolder, old };
    const auto with = [&](QStringList more) {
        more += base;
        more.sort();
        return more;
    };

    QTest::newRow("traversal names land flat in the target")
        << build({ stored("../../evil.cds", "a"), stored("..\\..\\win.cds", "b"),
               stored("sub/dir/flat.cds", "c"), stored("../../../5.8.jpg", "d") })
        << with({ year + "evil.cds=a", year + "win.cds=b", year + "flat.cds=c" })
               .replaceInStrings(old, coverFolder + "5.8.jpg=d")
        << QString();
    QTest::newRow("absolute names")
        << build({ stored("/etc/abs.cds", "a"), stored("C:\\Windows\\abs2.xml", "b") })
        << with({ year + "abs.cds=a", year + "abs2.xml=b" }) << QString();
    QTest::newRow("empty, dot and folder names are skipped")
        << build({ stored("", "x"), stored(".", "x"), stored("..", "x"), stored("x/..", "x"),
               stored("dir.cds/", ""), stored("ok.cds", "ok") })
        << with({ year + "ok.cds=ok" }) << QString();
    RawEntry link = stored("link.cds", "/etc/passwd");
    link.mode = 0120777;
    QTest::newRow("a link is skipped") << build({ link, stored("1.8.jpg", "pic") })
                                       << with({ coverFolder + "1.8.jpg=pic" }) << QString();
    RawEntry utf8 = stored("B\xC3\xBC"
                           "cher.cds",
        "u");
    utf8.utf8 = true;
    QTest::newRow("UTF-8 name with the flag")
        << build({ utf8 }) << with({ year + QStringLiteral("Bücher.cds=u") }) << QString();
    QTest::newRow("code page 850 name without the flag") << build({ stored("B\x81"
                                                                           "cher.cds",
        "c") }) << with({ year + QStringLiteral("Bücher.cds=c") })
                                                         << QString();
    RawEntry badUtf8 = stored("B\x81"
                              "cher.cds",
        "c");
    badUtf8.utf8 = true;
    QTest::newRow("control characters are skipped") << build({ stored("a\x01"
                                                                      "b.cds",
                                                                   "x"),
        stored("tab\t.cds", "x"), stored("ok.xml", "o") })
                                                    << with({ year + "ok.xml=o" }) << QString();
    QTest::newRow("a name that is no UTF-8 though flagged so")
        << build({ stored("ok.cds", "o"), badUtf8 }) << with({}) << QStringLiteral("beschädigt");
    QTest::newRow("other files stay in the archive")
        << build({ stored("readme.txt", "t"), stored("x.jpeg", "j"), stored("5.8.JPG", "big") })
        << with({ year + "5.8.JPG=big" }) << QString();
    RawEntry damaged = deflated("5.8.jpg", QByteArray("new cover ").repeated(100));
    damaged.crc = 1234;
    QTest::newRow("a damaged entry replaces nothing and ends the import")
        << build({ stored("first.cds", "1"), damaged, stored("6.8.jpg", "never") })
        << with({ year + "first.cds=1" }) << QStringLiteral("Der Eintrag \"5.8.jpg\"");
    RawEntry liar = deflated("7.8.jpg", QByteArray(1 << 20, 'z'));
    liar.size = 10;
    QTest::newRow("an entry that inflates past its declared size")
        << build({ liar }) << with({}) << QStringLiteral("Der Eintrag \"7.8.jpg\"");
    // Headers that contradict each other, and data that two entries share:
    // the archive is damaged and nothing of it is written.
    RawEntry otherName = stored("b.cds", "b");
    otherName.localName = "c.cds";
    QTest::newRow("the local header names another file")
        << build({ stored("first.cds", "1"), otherName }) << with({})
        << QStringLiteral("Das Zip-Archiv ist beschädigt: Der Kopf des Eintrags \"b.cds\" "
                          "beschreibt ihn anders");
    RawEntry otherSize = stored("b.cds", "bbb");
    otherSize.localSize = 2;
    QTest::newRow("the local header declares another size")
        << build({ stored("first.cds", "1"), otherSize }) << with({})
        << QStringLiteral("Das Zip-Archiv ist beschädigt: Der Kopf des Eintrags \"b.cds\" "
                          "beschreibt ihn anders");
    RawEntry otherMethod = deflated("b.cds", QByteArray("b").repeated(100));
    otherMethod.localMethod = 0;
    QTest::newRow("the local header names another method")
        << build({ stored("first.cds", "1"), otherMethod }) << with({})
        << QStringLiteral("Das Zip-Archiv ist beschädigt: Der Kopf des Eintrags \"b.cds\" "
                          "beschreibt ihn anders");
    Entries shared { deflated("a.cds", QByteArray(1 << 16, 'a')) };
    for (int i = 0; i < 7; ++i) {
        RawEntry again = shared.first();
        again.sharesLocalOf = 0;
        shared.append(again);
    }
    QTest::newRow("eight central entries point at one local entry")
        << build(shared) << with({})
        << QStringLiteral("Die Daten der Einträge \"a.cds\" und \"a.cds\" überschneiden sich.");
    // The first entry's data take in the whole second entry, with the
    // checksum of what they take in.
    RawEntry swallowing = stored("a.cds", "aaaa");
    swallowing.compressedSize = 4 + 30 + 5 + 2;
    swallowing.size = 4 + 30 + 5 + 2;
    Entries overrun { swallowing, stored("b.cds", "bb") };
    overrun[0].crc = crc32(build(overrun).mid(30 + 5, 4 + 30 + 5 + 2));
    QTest::newRow("an entry's data run over the next entry")
        << build(overrun) << with({})
        << QStringLiteral("Die Daten der Einträge \"a.cds\" und \"b.cds\" überschneiden sich.");
    RawEntry intoDirectory = stored("a.cds", "aaaa");
    intoDirectory.compressedSize = 40;
    intoDirectory.size = 40;
    QTest::newRow("an entry's data run into the directory")
        << build({ intoDirectory }) << with({})
        << QStringLiteral("Die Daten des Eintrags \"a.cds\" reichen in das Inhaltsverzeichnis.");
    const QByteArray whole = build({ stored("a.cds", QByteArray("a").repeated(1000)) });
    QTest::newRow("truncated archive")
        << whole.left(whole.size() / 2) << with({}) << QStringLiteral("kein Zip-Archiv");
    QTest::newRow("no zip at all") << QByteArray("Hallo, ich bin kein Archiv.").repeated(20)
                                   << with({}) << QStringLiteral("kein Zip-Archiv");
}

void TestZip::hostileArchives()
{
    QFETCH(QByteArray, archive);
    QFETCH(QStringList, expected);
    QFETCH(QString, error);
    TestEnv env;
    // Target and cover folder lie two levels down, so a name that climbs out
    // would still show in the listing.
    const QString scratch = env.path(QStringLiteral("scratch/"));
    const QString below = scratch + QStringLiteral("x/y/");
    QVERIFY(writeFile(below + QStringLiteral("Html/Umschlagbilder/5.8.jpg"), "good old cover"));
    QDir().mkpath(below + QStringLiteral("DB/2008"));

    ZipArchive zip;
    ZipImportResult result;
    if (zip.OpenBytes(archive)) {
        result = ExtractReviewArchive(zip, below + QStringLiteral("DB/2008/"),
            below + QStringLiteral("Html/Umschlagbilder/"), throwAway);
    } else {
        result.ok = false;
        result.error = zip.ErrorString();
    }
    zip.Close();
    QVERIFY2(result.ok == error.isEmpty(), qPrintable(result.error));
    QVERIFY2(result.error.contains(error), qPrintable(result.error));
    expected.replaceInStrings(QRegularExpression(QStringLiteral("^")), QStringLiteral("x/y/"));
    expected.prepend(QStringLiteral("x/y/"));
    expected.prepend(QStringLiteral("x/"));
    expected.sort();
    QCOMPARE(TestEnv::listing(scratch), expected);
}

void TestZip::entryBeyondTheBoundIsRefused()
{
    // 300 MiB of zeros deflate to about 300 KB.
    TestEnv env;
    const QString target = env.path(QStringLiteral("t/"));
    QDir().mkpath(target);
    ZipBytes::RawEntry big = ZipBytes::stored("huge.cds", "tiny");
    big.size = 300u << 20;
    ZipArchive zip;
    QVERIFY(zip.OpenBytes(ZipBytes::build({ ZipBytes::stored("before.cds", "b"), big })));
    const ZipImportResult result = ExtractReviewArchive(zip, target, target, throwAway);
    QVERIFY(!result.ok);
    QCOMPARE(result.error,
        QStringLiteral("Der Eintrag \"huge.cds\" des Zip-Archivs ist grösser als 256 MB und wird "
                       "nicht entpackt."));
    QCOMPARE(TestEnv::listing(target), QStringList { QStringLiteral("before.cds=b") });
}

void TestZip::importWritesAtMostFourGigabytes()
{
    // Seventeen entries of 256 MiB, each within the bound of one entry and
    // of a few bytes in the archive.
    TestEnv env;
    const QString target = env.path(QStringLiteral("t/"));
    QDir().mkpath(target);
    Entries entries { ZipBytes::stored("first.cds", "1") };
    for (int i = 0; i < 17; ++i) {
        ZipBytes::RawEntry e = ZipBytes::deflated(QByteArray::number(i) + ".jpg", "x");
        e.size = 256u << 20;
        entries.append(e);
    }
    ZipArchive zip;
    QVERIFY2(zip.OpenBytes(ZipBytes::build(entries)), qPrintable(zip.ErrorString()));
    const ZipImportResult result = ExtractReviewArchive(zip, target, target, throwAway);
    QVERIFY(!result.ok);
    QCOMPARE(result.error,
        QStringLiteral("Die Einträge des Zip-Archivs sind zusammen grösser als 4 GB und werden "
                       "nicht entpackt."));
    QCOMPARE(TestEnv::listing(target), QStringList {});
}

QTEST_GUILESS_MAIN(TestZip)
#include "tst_zip.moc"
