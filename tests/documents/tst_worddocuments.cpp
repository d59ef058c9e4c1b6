#include "ScriptedWordProcessor.h"
#include "TestEnv.h"

#include "base/IniFile.h"
#include "documents/PreviewText.h"
#include "documents/RtfWordProcessor.h"
#include "documents/WordDocuments.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTest>

namespace {

// One paragraph of an RTF file as a reader sees it.
struct Paragraph
{
    QString font;
    int halfPoints = 0;
    QString text;
};

// Just enough of an RTF reader to check what the writer puts in: the font
// table, \f, \fs, \plain, \par, \'hh, \uN with its one-character fallback
// and escaped braces and backslashes.
QList<Paragraph> readRtf(const QByteArray &rtf, QString *header = nullptr)
{
    QList<Paragraph> paragraphs { Paragraph() };
    QStringList fonts;
    int font = 0, halfPoints = 24, depth = 0, fontTableDepth = -1, skip = 0;
    QByteArray fontName;
    QStringDecoder cp1252("windows-1252");
    auto addChar = [&](const QString &s) {
        if (skip > 0) {
            --skip;
            return;
        }
        if (fontTableDepth >= 0) {
            fontName += s.toLatin1();
            return;
        }
        Paragraph &p = paragraphs.last();
        if (p.text.isEmpty()) {
            p.font = fonts.value(font);
            p.halfPoints = halfPoints;
        }
        p.text += s;
    };
    for (qsizetype i = 0; i < rtf.size(); ++i) {
        const char c = rtf[i];
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (depth == fontTableDepth)
                fontTableDepth = -1;
            --depth;
        } else if (c == '\r' || c == '\n') {
        } else if (c == '\\') {
            const char n = i + 1 < rtf.size() ? rtf[i + 1] : '\0';
            if (n == '\\' || n == '{' || n == '}') {
                addChar(QString(QChar(n)));
                ++i;
            } else if (n == '\'') {
                addChar(cp1252(QByteArray::fromHex(rtf.mid(i + 2, 2))));
                i += 3;
            } else {
                qsizetype j = i + 1;
                while (j < rtf.size() && std::isalpha(uchar(rtf[j])))
                    ++j;
                const QByteArray word = rtf.mid(i + 1, j - i - 1);
                qsizetype k = j;
                if (k < rtf.size() && (rtf[k] == '-' || std::isdigit(uchar(rtf[k]))))
                    ++k;
                while (k < rtf.size() && std::isdigit(uchar(rtf[k])))
                    ++k;
                const int arg = rtf.mid(j, k - j).toInt();
                if (k < rtf.size() && rtf[k] == ' ')
                    ++k;
                i = k - 1;
                if (word == "fonttbl")
                    fontTableDepth = depth;
                else if (word == "f" && fontTableDepth < 0)
                    font = arg;
                else if (word == "fs")
                    halfPoints = arg;
                else if (word == "plain")
                    halfPoints = 24, font = 0;
                else if (word == "par")
                    paragraphs.append(Paragraph());
                else if (word == "tab")
                    addChar(QStringLiteral("\t"));
                else if (word == "u") {
                    addChar(QString(QChar(char16_t(qint16(arg)))));
                    skip = 1;
                } else if (header && fontTableDepth < 0 && paragraphs.size() == 1)
                    *header += QString::fromLatin1(word) + u' ';
            }
        } else if (c == ';' && fontTableDepth >= 0) {
            fonts.append(QString::fromLatin1(fontName.trimmed()));
            fontName.clear();
        } else {
            addChar(QString(QChar(uchar(c))));
        }
    }
    return paragraphs;
}

} // namespace

// The word-processor documents: the commands sent for a review file and for
// the publishers, their failures, and the RTF that this platform's word
// processor writes.
class TestWordDocuments : public QObject
{
    Q_OBJECT

    DocStyle style() const
    {
        return DocStyle { QStringLiteral("normal"), QStringLiteral("Arial"), 12 };
    }

    // A table of posted records: publisher and first author's name each.
    static void fill(DataSet &table, const QList<QPair<QString, QString>> &rows)
    {
        table.setFields(ReviewFields());
        table.open();
        double nbr = 1.8;
        for (const auto &[publisher, author] : rows) {
            table.append();
            table.setValue(fBookNbr, nbr);
            nbr += 1;
            table.setValue(fYearPublished, 2008);
            table.setValue(fPublisher, publisher);
            table.setValue(fAuthor1Name, author);
            table.setValue(fBookTitle, QStringLiteral("Buch von ") + author);
            table.setValue(fLanguage, QStringLiteral("-"));
            QVERIFY(table.post());
        }
    }

    // Insert commands, shortened to the first author of each preview.
    static QStringList insertedAuthors(const ScriptedWordProcessor &word)
    {
        QStringList out;
        for (const QString &c : word.commands) {
            if (c.startsWith(QStringLiteral("Insert ")))
                out.append(c.section(u'\r', 1, 1).section(u':', 0, 0));
            else if (!c.startsWith(QStringLiteral("Font")))
                out.append(c);
        }
        return out;
    }

private slots:
    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("slash") << "Verlag A/B.doc"
                               << "Verlag A_B.doc";
        QTest::newRow("all eight") << "a\\b/c:d*e?f\"g<h>i"
                                   << "a_b_c_d_e_f_g_h_i";
        QTest::newRow("every one") << "??"
                                   << "__";
        QTest::newRow("bar and dots stay") << "A|B..C"
                                           << "A|B..C";
    }

    void safeFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(SafeFileName(name), safe);
    }

    void docStyle()
    {
        TestEnv env;
        IniFile ini(env.path(QStringLiteral("x.ini")));
        QString error;
        auto s = ReadDocStyle(ini, &error);
        QVERIFY(s);
        QCOMPARE(s->dotFile, QStringLiteral("normal"));
        QCOMPARE(s->font, QStringLiteral("Times New Roman"));
        QCOMPARE(s->fontSize, 10);
        ini.writeString(
            QStringLiteral("DocStyle"), QStringLiteral("FontSize"), QStringLiteral("12pt"));
        QVERIFY(!ReadDocStyle(ini, &error));
        QVERIFY2(error.contains(QStringLiteral("12pt")), qPrintable(error));
    }

    // All records, excluded or not, in table order; the table ends on the
    // last record and a new record being inserted is dropped.
    void reviewFileDocument()
    {
        DataSet table;
        fill(table, { { "B", "Z" }, { "A", "Y" }, { "B", "X" } });
        table.first();
        table.append();
        table.setValue(fPublisher, QStringLiteral("C"));
        ScriptedWordProcessor word;
        QString error;
        QVERIFY(WordDocuments(table, word, QLocale::c())
                    .WriteWordFile(QStringLiteral("/w/f.doc"), style(), &error));
        QCOMPARE(insertedAuthors(word),
            QStringList(
                { "Start", "FileNew normal", "Z", "Y", "X", "FileSaveAs /w/f.doc", "FileQuit" }));
        QCOMPARE(word.arguments(QStringLiteral("Font")).size(), 3);
        QCOMPARE(word.arguments(QStringLiteral("FontSize")), QStringList({ "12", "12", "12" }));
        QCOMPARE(table.recordCount(), 3);
        QCOMPARE(table.recNo(), 2);
        QCOMPARE(table.state(), DataSet::dsBrowse);
    }

    void publisherDocuments_data()
    {
        QTest::addColumn<QStringList>("publishers"); // with first authors after "="
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("B A B") << QStringList({ "B=Z", "A=Y", "B=X" })
                               << QStringList({ "Start", "FileNew normal", "Y",
                                      "FileSaveAs /w/A.doc", "FileNew normal", "X", "Z",
                                      "FileSaveAs /w/B.doc", "FileQuit" });
        // The order does not tell case apart; the documents do.
        QTest::newRow("case") << QStringList({ "Verlag=Z", "verlag=Y", "Verlag=X" })
                              << QStringList({ "Start", "FileNew normal", "X", "Z",
                                     "FileSaveAs /w/Verlag.doc", "FileNew normal", "Y",
                                     "FileSaveAs /w/verlag (2).doc", "FileQuit" });
        QTest::newRow("colliding names")
            << QStringList({ "Verlag A/B=Z", "Verlag A:B=Y", "Verlag A_B=X" })
            << QStringList({ "Start", "FileNew normal", "Z", "FileSaveAs /w/Verlag A_B.doc",
                   "FileNew normal", "Y", "FileSaveAs /w/Verlag A_B (2).doc", "FileNew normal", "X",
                   "FileSaveAs /w/Verlag A_B (3).doc", "FileQuit" });
        QTest::newRow("no publisher")
            << QStringList({ "=Z", "A=Y" })
            << QStringList({ "Start", "FileNew normal", "Z", "FileSaveAs /w/Ohne Verlag.doc",
                   "FileNew normal", "Y", "FileSaveAs /w/A.doc", "FileQuit" });
        QTest::newRow("empty table") << QStringList() << QStringList();
    }

    void publisherDocuments()
    {
        QFETCH(QStringList, publishers);
        QFETCH(QStringList, expected);
        DataSet table;
        QList<QPair<QString, QString>> rows;
        for (const QString &p : publishers)
            rows.append({ p.section(u'=', 0, 0), p.section(u'=', 1) });
        fill(table, rows);
        ScriptedWordProcessor word;
        QString error;
        QStringList written;
        const bool ok
            = WordDocuments(table, word, QLocale::c())
                  .WritePublisherDocuments(QStringLiteral("/w/"), style(), &error, &written);
        QCOMPARE(ok, !publishers.isEmpty());
        QVERIFY(error.isEmpty());
        QCOMPARE(insertedAuthors(word), expected);
        QCOMPARE(written, word.arguments(QStringLiteral("FileSaveAs")));
        QCOMPARE(table.indexFieldNames(), QStringLiteral("Publisher;Author1Name"));
    }

    // A failing command: its text comes back, the word processor is quit,
    // what was saved before stays saved.
    void failures_data()
    {
        QTest::addColumn<QString>("failOn");
        QTest::addColumn<int>("failAfter");
        QTest::addColumn<QStringList>("tail");
        QTest::newRow("no word processor") << "Start" << 0 << QStringList({ "Start" });
        QTest::newRow("second save")
            << "FileSaveAs" << 1 << QStringList({ "FileSaveAs /w/B.doc", "FileQuit" });
        QTest::newRow("insert") << "Insert" << 0 << QStringList({ "Insert", "FileQuit" });
    }

    void failures()
    {
        QFETCH(QString, failOn);
        QFETCH(int, failAfter);
        QFETCH(QStringList, tail);
        DataSet table;
        fill(table, { { "B", "Z" }, { "A", "Y" } });
        ScriptedWordProcessor word;
        word.failOn = failOn;
        word.failAfter = failAfter;
        QString error;
        QStringList written;
        QVERIFY(!WordDocuments(table, word, QLocale::c())
                     .WritePublisherDocuments(QStringLiteral("/w/"), style(), &error, &written));
        QCOMPARE(error, word.failText);
        QStringList last = word.commands.mid(word.commands.size() - tail.size());
        for (QString &c : last)
            c = c.section(u' ', 0, c.startsWith(QStringLiteral("FileSaveAs")) ? -1 : 0);
        QCOMPARE(last, tail);
        QCOMPARE(written.size(), failAfter);
        QCOMPARE(word.commands.count(QStringLiteral("FileQuit")),
            failOn == QStringLiteral("Start") ? 0 : 1);
    }

    // What the real writer saves: one paragraph per line of the previews,
    // each in the font and size set before its review.
    void rtfDocument()
    {
        TestEnv env;
        RtfWordProcessor word;
        QVERIFY(word.Start());
        QVERIFY(word.FileNew(QStringLiteral("normal")));
        QVERIFY(word.Font(QStringLiteral("Arial")));
        QVERIFY(word.FontSize(12));
        QVERIFY(word.Insert(QString::fromUtf16(u"7.10\rMüller: {Ä} \\ € – Ω\r\r")));
        QVERIFY(word.Font(QStringLiteral("Times New Roman")));
        QVERIFY(word.FontSize(9));
        QVERIFY(word.Insert(QStringLiteral("Zwei\r\r")));
        const QString path = env.path(QStringLiteral("Word/f.doc"));
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("Word"))));
        QVERIFY2(word.FileSaveAs(path), qPrintable(word.errorString()));
        word.FileQuit();

        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray rtf = f.readAll();
        QVERIFY(rtf.startsWith("{\\rtf1\\ansi\\ansicpg1252"));
        for (const char c : rtf)
            QVERIFY(uchar(c) < 0x80); // 1252 bytes go escaped
        const QList<Paragraph> p = readRtf(rtf);
        QCOMPARE(p.size(), 6);
        QCOMPARE(p[0].text, QStringLiteral("7.10"));
        QCOMPARE(p[1].text, QString::fromUtf16(u"Müller: {Ä} \\ € – Ω"));
        QCOMPARE(p[1].font, QStringLiteral("Arial"));
        QCOMPARE(p[1].halfPoints, 24);
        QCOMPARE(p[2].text, QString());
        QCOMPARE(p[3].text, QStringLiteral("Zwei"));
        QCOMPARE(p[3].font, QStringLiteral("Times New Roman"));
        QCOMPARE(p[3].halfPoints, 18);
        QVERIFY(rtf.contains("\\u937?")); // Ω has no Windows-1252 byte
        QVERIFY(rtf.contains("\\'80")); // € has

        // Saving where no folder exists fails and says where.
        QVERIFY(word.Start());
        QVERIFY(word.FileNew(QString()));
        QVERIFY(!word.FileSaveAs(env.path(QStringLiteral("nowhere/f.doc"))));
        QVERIFY(word.errorString().contains(QStringLiteral("nowhere/f.doc")));
        // Commands out of order fail rather than write half a document.
        word.FileQuit();
        QVERIFY(!word.Insert(QStringLiteral("x")));
    }
};

QTEST_GUILESS_MAIN(TestWordDocuments)
#include "tst_worddocuments.moc"
