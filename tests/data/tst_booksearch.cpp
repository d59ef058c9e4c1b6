#include "data/BookSearch.h"
#include "data/BookSearchIndex.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// A book of 2012 with umlauts, an accent, "ß" and a letter Windows-1252
// cannot hold, in every kind of searchable field.
Record sampleBook()
{
    Record r(ReviewFieldCount);
    r[fBookNbr] = 5.12;
    r[fBookTitle] = QStringLiteral("Größe zählt");
    r[fBookSerie] = QStringLiteral("ISBN 3-473-58008-2");
    r[fPublisherLocation] = QStringLiteral("Zürich");
    r[fPublisher] = QStringLiteral("Thienemann");
    r[fYearPublished] = 2012;
    r[fPrice] = 19.8;
    r[fAuthor1Name] = QStringLiteral("Müller");
    r[fAuthor1Firstname] = QStringLiteral("Anna");
    r[fAuthor3Name] = QStringLiteral("Nöstlinger");
    r[fIllustrator1Name] = QStringLiteral("Café");
    r[fIllustrator1FirstName] = QStringLiteral("Jean");
    r[fTranslator2Name] = QStringLiteral("Dvořák");
    r[fLanguage] = QStringLiteral("Schwed");
    r[fReview] = QStringLiteral("Ein Buch über Freundschaft und GROSSE Gefühle.");
    r[fCategory] = QStringLiteral("Abenteuer");
    r[fAge] = 8;
    r[fRecommendation] = QStringLiteral("s.e.");
    r[fReviewerInitials] = QStringLiteral("EM");
    return r;
}

} // namespace

class TestBookSearch : public QObject
{
    Q_OBJECT

private slots:
    void folding_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folded");
        QTest::newRow("umlaut") << QStringLiteral("Müller") << QStringLiteral("muller");
        QTest::newRow("sharp s") << QStringLiteral("Größe") << QStringLiteral("grosse");
        QTest::newRow("capital sharp s") << QStringLiteral("GROẞE") << QStringLiteral("grosse");
        QTest::newRow("accent") << QStringLiteral("Café") << QStringLiteral("cafe");
        QTest::newRow("outside the code page")
            << QStringLiteral("Dvořák Łukasz") << QStringLiteral("dvorak łukasz");
        QTest::newRow("compatibility forms")
            << QStringLiteral("ﬁnden ½") << QStringLiteral("finden 1⁄2");
        QTest::newRow("quotes stay")
            << QStringLiteral("„Momo“ – Ende") << QStringLiteral("„momo“ – ende");
        QTest::newRow("outside the first plane") << QStringLiteral("𝐀bc") << QStringLiteral("abc");
        QTest::newRow("a lone surrogate")
            << QString(QChar(0xD800)) + QStringLiteral("X") << QStringLiteral("\uFFFDx");
    }
    void folding()
    {
        QFETCH(QString, text);
        QFETCH(QString, folded);
        QCOMPARE(FoldForSearch(text), folded);
    }

    void matchRule_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("matches");
        // Folding.
        QTest::newRow("umlaut typed plain") << "muller" << true;
        QTest::newRow("capitals for sharp s") << "GROSSE" << true;
        QTest::newRow("accent typed plain") << "cafe" << true;
        QTest::newRow("umlaut typed as written") << QStringLiteral("MÜLLER") << true;
        QTest::newRow("letter outside the code page") << "dvorak" << true;
        // Several words: each must match, anywhere.
        QTest::newRow("two words in two fields") << "anna thienemann" << true;
        QTest::newRow("blanks around and between") << "  zählt \t EM " << true;
        QTest::newRow("one word fails") << "muller krabat" << false;
        QTest::newRow("no word across two fields") << "zahltthienemann" << false;
        QTest::newRow("no word across two names") << "mulleranna" << false;
        QTest::newRow("no match") << "krabat" << false;
        // Blanks only filter nothing.
        QTest::newRow("empty") << "" << true;
        QTest::newRow("blanks only") << "   " << true;
        // Every searchable field.
        QTest::newRow("place") << "zurich" << true;
        QTest::newRow("year") << "2012" << true;
        QTest::newRow("language") << "schwed" << true;
        QTest::newRow("topic") << "abenteuer" << true;
        QTest::newRow("reading age") << "8" << true;
        QTest::newRow("recommendation") << "s.e." << true;
        QTest::newRow("initials") << "em" << true;
        QTest::newRow("book number as the tree shows it") << "5.12" << true;
        QTest::newRow("review text") << "freundschaft" << true;
        QTest::newRow("price is not searched") << "19.8" << false;
        // Field prefixes.
        QTest::newRow("titel") << "titel:GROSSE" << true;
        QTest::newRow("titel not the publisher") << "titel:thienemann" << false;
        QTest::newRow("autor, third author") << "autor:nostl" << true;
        QTest::newRow("autor, first name") << "Autor:anna" << true;
        QTest::newRow("autor not the illustrator") << "autor:cafe" << false;
        QTest::newRow("ill") << "ill:jean" << true;
        QTest::newRow("übers") << QStringLiteral("übers:dvořák") << true;
        QTest::newRow("ubers") << "ubers:dvorak" << true;
        QTest::newRow("übers not the author") << QStringLiteral("übers:muller") << false;
        QTest::newRow("verlag") << "verlag:thiene" << true;
        QTest::newRow("ort") << "ort:zur" << true;
        QTest::newRow("jahr exact") << "jahr:2012" << true;
        QTest::newRow("jahr part") << "jahr:201" << false;
        QTest::newRow("jahr other") << "jahr:2011" << false;
        QTest::newRow("jahr while typing") << "jahr:" << true;
        QTest::newRow("thema") << "thema:abent" << true;
        QTest::newRow("text") << "text:gefuhle" << true;
        QTest::newRow("text not the title") << "text:zahlt" << false;
        QTest::newRow("prefix and plain word") << "verlag:thienemann muller" << true;
        QTest::newRow("unknown prefix is a plain word") << "foo:bar" << false;
        QTest::newRow("colon in a plain word") << "s.e.:" << false;
        // ISBN forms of one book.
        QTest::newRow("ISBN-10 as stored") << "3-473-58008-2" << true;
        QTest::newRow("ISBN-10 without hyphens") << "3473580082" << true;
        QTest::newRow("ISBN-13") << "9783473580088" << true;
        QTest::newRow("ISBN-13 with hyphens") << "978-3-473-58008-8" << true;
        QTest::newRow("wrong check digit") << "3473580083" << false;
        QTest::newRow("other ISBN") << "3-551-55167-7" << false;
    }
    void matchRule()
    {
        QFETCH(QString, query);
        QFETCH(bool, matches);
        QCOMPARE(BookMatches(query, sampleBook()), matches);
    }

    // A word is found wherever it stands in a long text, at the start, at
    // the end and across every block the search looks at in one step.
    void wordAtEveryPlace()
    {
        for (int at = 0; at <= 100; ++at) {
            Record r(ReviewFieldCount);
            r[fReview] = QString(at, u'x') + QStringLiteral("Kräbät") + QString(100 - at, u'y');
            const SearchableBook book(r);
            for (const char *word : { "kr", "krabat", "xkrabaty", "at" }) {
                const bool fits = (QByteArray(word).startsWith('x') ? at > 0 && at < 100 : true);
                QVERIFY2(FindQuery(QString::fromLatin1(word)).matches(book) == fits,
                    qPrintable(QStringLiteral("%1 at %2").arg(QLatin1String(word)).arg(at)));
            }
            QVERIFY(!FindQuery(QStringLiteral("krabbt")).matches(book));
            QVERIFY(!FindQuery(QStringLiteral("yx")).matches(book));
        }
    }

    // The series field holds the other form, or an X as check digit.
    void isbnFormsAreOneBook_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("query");
        QTest::addColumn<bool>("matches");
        QTest::newRow("stored 13, asked 10") << "978-3-473-58008-8"
                                             << "3-473-58008-2" << true;
        QTest::newRow("stored 10 with x, asked 13") << "3-596-26569-x"
                                                    << "9783596265695" << true;
        QTest::newRow("asked 10 with X") << "9783596265695"
                                         << "359626569X" << true;
        QTest::newRow("979 has no ten-digit form") << "979-10-90636-07-1"
                                                   << "1090636071" << false;
        QTest::newRow("series name") << "Die drei ???"
                                     << "3473580082" << false;
    }
    void isbnFormsAreOneBook()
    {
        QFETCH(QString, stored);
        QFETCH(QString, query);
        QFETCH(bool, matches);
        Record r = sampleBook();
        r[fBookSerie] = stored;
        QCOMPARE(BookMatches(query, r), matches);
    }

    // A search may look only at the matches of the query before when the
    // new one cannot match anything more.
    void narrowing_data()
    {
        QTest::addColumn<QString>("older");
        QTest::addColumn<QString>("newer");
        QTest::addColumn<bool>("narrows");
        QTest::newRow("one more letter") << "mul"
                                         << "mull" << true;
        QTest::newRow("one more word") << "muller"
                                       << "muller anna" << true;
        QTest::newRow("letter in front") << "ull"
                                         << "mull" << true;
        QTest::newRow("prefix typed on") << "titel:"
                                         << "titel:gr" << true;
        QTest::newRow("letter taken away") << "mull"
                                           << "mul" << false;
        QTest::newRow("plain word becomes a prefix") << "titel"
                                                     << "titel:" << false;
        QTest::newRow("other field") << "autor:m"
                                     << "ill:m" << false;
        QTest::newRow("whole year") << "jahr:201"
                                    << "jahr:2012" << false;
        QTest::newRow("becomes an ISBN") << "347358008"
                                         << "3473580082" << false;
        QTest::newRow("stays the same ISBN") << "3473580082"
                                             << "3473580082 em" << true;
        QTest::newRow("from nothing") << ""
                                      << "m" << false;
    }
    void narrowing()
    {
        QFETCH(QString, older);
        QFETCH(QString, newer);
        QFETCH(bool, narrows);
        QCOMPARE(FindQuery(newer).narrows(FindQuery(older)), narrows);
        // Where it says so, it holds for the sample book.
        if (narrows && BookMatches(newer, sampleBook()))
            QVERIFY(BookMatches(older, sampleBook()));
    }

    void queryOfAnyText()
    {
        // Control characters, lone surrogates and long input are queries
        // like any other.
        const QString odd = QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0xDC00)
            + QStringLiteral(" autor:");
        QVERIFY(!BookMatches(odd, sampleBook()));
        QVERIFY(!BookMatches(QString(100000, u'x'), sampleBook()));
        QVERIFY(BookMatches(QStringLiteral("titel: ill:"), sampleBook()));
        QVERIFY(FindQuery(QStringLiteral(" \t\n")).isEmpty());
        QVERIFY(!FindQuery(QStringLiteral("titel:")).isEmpty());
    }

    // The index follows the table: a posted change is found, an emptied
    // table finds nothing, a load beyond the kept posts is read again.
    void indexFollowsTheTable()
    {
        DataSet table;
        table.setFields(ReviewFields());
        table.open();
        const auto add = [&table](double number, const QString &title) {
            table.append();
            table.setValue(fBookNbr, number);
            table.setValue(fBookTitle, title);
            QVERIFY(table.post());
        };
        add(5.7, QStringLiteral("Krabat"));
        add(6.7, QStringLiteral("Momo"));

        BookSearchIndex index(table);
        QSignalSpy outdated(&index, &BookSearchIndex::outdated);
        QVERIFY(!index.isUpToDate());
        QVERIFY(index.update());
        QCOMPARE(index.size(), 2);
        QCOMPARE(index.find(52007)->part(SearchableBook::Title), QByteArray("krabat"));
        QCOMPARE(index.find(62007)->part(SearchableBook::Number), QByteArray("6.7"));
        QVERIFY(!index.find(72007));

        QVERIFY(table.locate(QStringLiteral("BookNbr"), 5.7));
        table.edit();
        table.setValue(fBookTitle, QStringLiteral("Krabat und die Mühle"));
        QVERIFY(table.post());
        add(7.7, QStringLiteral("Emil"));
        QCOMPARE(outdated.count(), 1);
        QVERIFY(index.update());
        QCOMPARE(
            index.find(52007)->part(SearchableBook::Title), QByteArray("krabat und die muhle"));
        QCOMPARE(index.find(72007)->part(SearchableBook::Title), QByteArray("emil"));

        // A slice that ends at once leaves the rest for the next one.
        table.emptyTable();
        QVERIFY(index.isUpToDate());
        QVERIFY(!index.find(52007));
        table.disableControls();
        for (int i = 1; i <= 600; ++i)
            add(i + 0.7, QStringLiteral("Buch %1").arg(i));
        table.enableControls();
        QVERIFY(!index.update(QDeadlineTimer(0)));
        QVERIFY(index.update());
        QCOMPARE(index.size(), 600);
        QCOMPARE(index.find(5992007)->part(SearchableBook::Title), QByteArray("buch 599"));

        // Rows taken over whole (loading a folder) are found as well.
        DataSet other;
        other.setFields(ReviewFields());
        other.open();
        other.append();
        other.setValue(fBookNbr, 3.8);
        other.setValue(fBookTitle, QStringLiteral("Die Brüder Löwenherz"));
        QVERIFY(other.post());
        outdated.clear();
        QVERIFY(table.appendRow(other.currentRow()) != 0);
        QCOMPARE(outdated.count(), 1);
        QVERIFY(!index.isUpToDate());
        QVERIFY(index.update());
        QCOMPARE(index.size(), 601);
        QCOMPARE(index.find(32008)->part(SearchableBook::Title), QByteArray("die bruder lowenherz"));

        // A book removed and taken over again with other texts is found by
        // its new ones.
        QVERIFY(table.locate(QStringLiteral("BookNbr"), 3.8));
        QVERIFY(table.deleteRecord());
        other.edit();
        other.setValue(fBookTitle, QStringLiteral("Ronja Räubertochter"));
        QVERIFY(other.post());
        QVERIFY(table.appendRow(other.currentRow()) != 0);
        QVERIFY(index.update());
        QCOMPARE(index.find(32008)->part(SearchableBook::Title), QByteArray("ronja raubertochter"));
    }
};

QTEST_GUILESS_MAIN(TestBookSearch)
#include "tst_booksearch.moc"
