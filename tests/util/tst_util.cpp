#include "base/VexUtils.h"
#include "util/Codec1252.h"
#include "util/FileErrors.h"
#include "util/SafeWrite.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cmath>
#include <cstring>

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

    // Letters outside the code page become their closest letter instead of
    // vanishing; letters it holds stay.
    void replacesUnencodableLetters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("replaced");
        QTest::newRow("czech") << QStringLiteral("Dvořák, Čapek") << QStringLiteral("Dvorák, Capek")
                               << QStringLiteral("řČ");
        QTest::newRow("polish") << QStringLiteral("Łukasz Żółć") << QStringLiteral("Lukasz Zólc")
                                << QStringLiteral("ŁŻł\u0107");
        QTest::newRow("hungarian") << QStringLiteral("Petőfi, Őrség") << QStringLiteral("Petofi, Orség")
                                   << QStringLiteral("őŐ");
        QTest::newRow("table") << QStringLiteral("Đuro ıđ") << QStringLiteral("Duro id")
                               << QStringLiteral("Đıđ");
        QTest::newRow("kept") << QStringLiteral("Größe Œuvre „é“ – … €")
                              << QStringLiteral("Größe Œuvre „é“ – … €") << QString();
        QTest::newRow("no letter") << QStringLiteral("a\u0416b\U0001F600c\u0416")
                                   << QStringLiteral("a?b?c?") << QStringLiteral("\u0416\U0001F600");
        QTest::newRow("lone surrogate") << QString(QChar(0xD800)) << QStringLiteral("?")
                                        << QString(QChar(0xD800));
    }
    void replacesUnencodableLetters()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QFETCH(QString, replaced);
        QString seen;
        QCOMPARE(Codec1252::replaceUnencodable(text, &seen), expected);
        QCOMPARE(seen, replaced);
        QVERIFY(Codec1252::canEncode(expected));
    }

    void bookKeys_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::newRow("5.7") << "5.7" << 52007;
        QTest::newRow("5.1") << "5.1" << 52001;
        QTest::newRow("5.10") << "5.10" << 52010;
        QTest::newRow("whole number: book of 2000") << "5" << 52000;
        QTest::newRow("book 12 of 2000") << "12" << 122000;
        QTest::newRow("book 12 of 2000, one decimal") << "12.0" << 122000;
        QTest::newRow("whole number, underscore") << "3_1" << 312000;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("blanks") << "  " << 0;
        QTest::newRow("unreadable whole number") << "12a" << 0;
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

    // One key per stored number, whatever text it was typed as.
    void bookKeysOfStoredNumbers_data()
    {
        QTest::addColumn<QVariant>("number");
        QTest::addColumn<int>("key");
        QTest::newRow("8.7") << QVariant(8.7) << 82007;
        QTest::newRow("typed as 8.70") << QVariant(QStringLiteral("8.70").toDouble()) << 82007;
        QTest::newRow("book of 2000") << QVariant(12.0) << 122000;
        QTest::newRow("null") << QVariant() << 0;
    }
    void bookKeysOfStoredNumbers()
    {
        QFETCH(QVariant, number);
        QFETCH(int, key);
        QCOMPARE(BookKeyOf(number), key);
        if (key != 0)
            QCOMPARE(BookKeyOf(QVariant(BookKeyToText(key).toDouble())), key);
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

    // Numbers with few decimals are written out directly; the text must be
    // the one of fifteen significant digits.
    void numberTextAsFifteenDigits()
    {
        QRandomGenerator rng(5);
        QList<double> values = { 0.1 + 0.2, 1e-4, 1.5e-4, 99999999999999.9, 1e14, 123456789012345.0,
            -0.0, 0.0, -12.5, 2.675, 1e300, 5e-324, 12345.07, 0.3 };
        for (int i = 0; i < 20000; ++i) {
            const double scale = std::pow(10.0, int(rng.bounded(7)));
            values.append(double(qint64(rng.bounded(2000000000)) - 1000000000) / scale);
            values.append((rng.generateDouble() - 0.5) * std::pow(10.0, int(rng.bounded(30)) - 10));
        }
        for (double v : values)
            QCOMPARE(NumberText(v), QString::number(v, 'g', 15));
    }

    // Book numbers and other plain decimals take a short way; it must give
    // exactly what the general conversion gives.
    void plainDecimalsAsTheGeneralConversion()
    {
        QRandomGenerator rng(7);
        QStringList texts = { QStringLiteral("0.1"), QStringLiteral("-0"), QStringLiteral("007.5"),
            QStringLiteral("1."), QStringLiteral(".5"), QStringLiteral("-.5"),
            QStringLiteral("123456789012345"), QStringLiteral("1234567890123456"),
            QStringLiteral("0.000000000000001"), QStringLiteral("1e3"), QStringLiteral("1.2.3"),
            QStringLiteral("-"), QStringLiteral("12345.07") };
        for (int i = 0; i < 20000; ++i) {
            const int digits = 1 + int(rng.bounded(16));
            QString t;
            for (int d = 0; d < digits; ++d)
                t += QChar(u'0' + int(rng.bounded(10)));
            t.insert(int(rng.bounded(digits)) + 1, u'.');
            if (rng.bounded(4) == 0)
                t.prepend(u'-');
            texts.append(t);
        }
        for (const QString &t : texts) {
            bool ok = false;
            const double expected = t.toDouble(&ok);
            const std::optional<double> got = ParseNumber(t);
            QCOMPARE(got.has_value(), ok);
            if (ok) {
                QVERIFY2(std::memcmp(&*got, &expected, sizeof(double)) == 0, qPrintable(t));
            }
        }
    }

    // The common reasons of the file system in German, whether they come as
    // an error number or as the C library's text.
    void fileErrorsInGerman_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("german");
        QTest::newRow("no space") << ENOSPC << "Auf dem Datenträger ist kein Platz mehr frei.";
        QTest::newRow("quota") << EDQUOT
                               << "Der Speicherplatz, der Ihnen auf dem Datenträger zusteht, ist "
                                  "aufgebraucht.";
        QTest::newRow("file too large") << EFBIG << "Die Datei ist zu gross für das Dateisystem.";
        QTest::newRow("read-only") << EROFS << "Das Dateisystem ist schreibgeschützt.";
        QTest::newRow("permission") << EACCES << "Zugriff verweigert: Die Berechtigung fehlt.";
        QTest::newRow("not permitted") << EPERM << "Zugriff verweigert: Die Berechtigung fehlt.";
        QTest::newRow("name too long") << ENAMETOOLONG << "Der Name der Datei ist zu lang.";
        QTest::newRow("exists") << EEXIST << "Die Datei oder das Verzeichnis gibt es bereits.";
        QTest::newRow("no such file") << ENOENT << "Die Datei oder das Verzeichnis gibt es nicht.";
        QTest::newRow("input/output")
            << EIO
            << "Ein- oder Ausgabefehler: Der Datenträger kann nicht gelesen oder beschrieben "
               "werden.";
    }

    void fileErrorsInGerman()
    {
        QFETCH(int, number);
        QFETCH(QString, german);
        QCOMPARE(SystemErrorText(number), german);
        QCOMPARE(FileErrorText(QString::fromLocal8Bit(std::strerror(number))), german);
    }

    void otherFileErrorTexts()
    {
        // Qt's own names of a few error numbers.
        QCOMPARE(FileErrorText(QStringLiteral("No space left on device")),
            QStringLiteral("Auf dem Datenträger ist kein Platz mehr frei."));
        QCOMPARE(FileErrorText(QStringLiteral("Permission denied")),
            QStringLiteral("Zugriff verweigert: Die Berechtigung fehlt."));
        // Anything else stays as it is.
        QCOMPARE(FileErrorText(QStringLiteral("Unbekannter Fehler")),
            QStringLiteral("Unbekannter Fehler"));
        QCOMPARE(FileErrorText(QString()), QString());
        QCOMPARE(SystemErrorText(EBADF), QString::fromLocal8Bit(std::strerror(EBADF)));
    }

    // A write that fails gives its reason in German, whole or piece by piece.
    void failedWritesGiveGermanReasons_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("german");
        QTest::newRow("name too long")
            << QString(300, u'x') + QStringLiteral(".cds") << "Der Name der Datei ist zu lang.";
        QTest::newRow("no such folder") << "fehlt/A.cds"
                                        << "Die Datei oder das Verzeichnis gibt es nicht.";
    }

    void failedWritesGiveGermanReasons()
    {
        QFETCH(QString, name);
        QFETCH(QString, german);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(name);
        QString error;
        QVERIFY(!WriteFileSafely(path, "review", &error));
        QCOMPARE(error, german);
        SafeFileWriter writer;
        if (writer.open(path)) {
            QVERIFY(writer.write("review", 6));
            QVERIFY(!writer.commit());
        }
        QCOMPARE(writer.errorString(), german);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList {});
    }
};

QTEST_GUILESS_MAIN(TestUtil)
#include "tst_util.moc"
