#include "documents/PreviewText.h"
#include "store/DataSet.h"
#include "store/ReviewSchema.h"

#include <QTest>

// Contributor phrases, the book number text and the preview text of one
// record, composed from field texts.
class TestPreviewText : public QObject
{
    Q_OBJECT

private:
    // Persons are written "Name,First" ("Name," a name only, ",First" a
    // first name only, "" nobody).
    static ReviewTexts contributors(const QStringList &persons, const ReviewField (*fields)[2])
    {
        ReviewTexts r;
        for (int k = 0; k < persons.size(); ++k) {
            const QStringList parts = persons[k].split(u',');
            r[fields[k][0]] = parts.value(0);
            r[fields[k][1]] = parts.value(1);
        }
        return r;
    }

    static constexpr ReviewField kAuthors[3][2] = { { fAuthor1Name, fAuthor1Firstname },
        { fAuthor2Name, fAuthor2Firstname }, { fAuthor3Name, fAuthor3Firstname } };
    static constexpr ReviewField kIllustrators[3][2]
        = { { fIllustrator1Name, fIllustrator1FirstName },
              { fIllustrator2Name, fIllustrator2Firstname },
              { fIllustrator3Name, fIllustrator3Firstname } };
    static constexpr ReviewField kTranslators[2][2] = { { fTranslator1Name, fTranslator1Firstname },
        { fTranslator2Name, fTranslator2Firstname } };

    // A bound book, one of each contributor, every field filled.
    static ReviewTexts sampleRecord()
    {
        ReviewTexts r;
        r[fBookNbr] = QStringLiteral("12.8");
        r[fBookTitle] = QStringLiteral("Der Titel");
        r[fPublisherLocation] = QStringLiteral("Zürich");
        r[fPublisher] = QStringLiteral("Verlag");
        r[fYearPublished] = QStringLiteral("2008");
        r[fPagination] = QStringLiteral("P");
        r[fPages] = QStringLiteral("123");
        r[fBinding] = QStringLiteral("geb");
        r[fCurrency] = QStringLiteral("Fr");
        r[fPrice] = QStringLiteral("24.8");
        r[fAuthor1Name] = QStringLiteral("Muster");
        r[fAuthor1Firstname] = QStringLiteral("Anna");
        r[fIllustrator1Name] = QStringLiteral("Beispiel");
        r[fIllustrator1FirstName] = QStringLiteral("Ben");
        r[fTranslator1Name] = QStringLiteral("Probe");
        r[fTranslator1Firstname] = QStringLiteral("Cara");
        r[fLanguage] = QStringLiteral("Engl");
        r[fReview] = QStringLiteral("Eine Geschichte.\rMit zwei Zeilen.");
        r[fAgegroup] = QStringLiteral("K");
        r[fCategory] = QStringLiteral("Tiere");
        r[fAge] = QStringLiteral("6");
        r[fRecommendation] = QStringLiteral("e.");
        r[fReviewerInitials] = QStringLiteral("XY");
        return r;
    }

    static QStringList lines(const QString &preview) { return preview.split(u'\r'); }

private slots:
    void contributorPhrases_data()
    {
        QTest::addColumn<QStringList>("persons");
        QTest::addColumn<QString>("authors");
        QTest::addColumn<QString>("illustrators");
        const auto row = [](const char *name, const QStringList &persons, const char16_t *authors,
                             const char16_t *illustrators) {
            QTest::newRow(name) << persons << QString::fromUtf16(authors)
                                << QString::fromUtf16(illustrators);
        };
        const QString a = QStringLiteral("Muster,Anna"), b = QStringLiteral("Probe,Ben"),
                      c = QStringLiteral("Cron,Cara");
        const QString fb = QStringLiteral(",Ben"), fc = QStringLiteral(",Cara"),
                      fa = QStringLiteral(",Anna");
        // The nineteen forms.
        row("name only", { QStringLiteral("Muster,") }, u"Muster: ", u"Muster. ");
        row("first name only", { fa }, u"Anna: ", u"Anna. ");
        row("1", { a }, u"Muster, Anna: ", u"Anna Muster. ");
        row("2", { {}, b }, u"Probe, Ben: ", u"Ben Probe. ");
        row("3", { {}, {}, c }, u"Cron, Cara: ", u"Cara Cron. ");
        row("1 2", { a, b }, u"Muster, Anna / Probe, Ben: ", u"Anna Muster und Ben Probe. ");
        row("1 3", { a, {}, c }, u"Muster, Anna / Cron, Cara: ", u"Anna Muster und Cara Cron. ");
        row("2 3", { {}, b, c }, u"Probe, Ben / Cron, Cara: ", u"Ben Probe und Cara Cron. ");
        row("1 2 3", { a, b, c }, u"Muster, Anna / Probe, Ben / Cron, Cara: ",
            u"Anna Muster, Ben Probe und Cara Cron. ");
        row("1 f2", { a, fb }, u"Muster, Anna und Ben: ", u"Anna und Ben Muster. ");
        row("f1 2", { fa, b }, u"Probe, Anna und Ben: ", u"Anna und Ben Probe. ");
        row("2 f3", { {}, b, fc }, u"Probe, Ben und Cara: ", u"Ben und Cara Probe. ");
        row("f2 3", { {}, fb, c }, u"Cron, Ben und Cara: ", u"Ben und Cara Cron. ");
        row("1 f2 f3", { a, fb, fc }, u"Muster, Anna, Ben und Cara: ",
            u"Anna, Ben und Cara Muster. ");
        row("f1 2 f3", { fa, b, fc }, u"Probe, Anna, Ben und Cara: ",
            u"Anna, Ben und Cara Probe. ");
        row("f1 f2 3", { fa, fb, c }, u"Cron, Anna, Ben und Cara: ", u"Anna, Ben und Cara Cron. ");
        row("1 2 f3", { a, b, fc }, u"Muster, Anna / Probe, Ben und Cara: ",
            u"Anna Muster und Ben und Cara Probe. ");
        row("1 f2 3", { a, fb, c }, u"Muster, Anna und Ben / Cron, Cara: ",
            u"Anna Muster und Ben und Cara Cron. ");
        row("f1 2 3", { fa, b, c }, u"Probe, Anna und Ben / Cron, Cara: ",
            u"Anna und Ben Probe und Cara Cron. ");
        // Blanks are values.
        row("blank name", { QStringLiteral(" ,Anna") }, u" , Anna: ", u"Anna  . ");
        // No form: the empty phrase.
        row("nobody", {}, u"", u"");
        row("1 name-only 2", { a, QStringLiteral("Probe,") }, u"", u"");
        row("name-only 1 and 2", { QStringLiteral("Muster,"), b }, u"", u"");
        row("name-only 3", { {}, {}, QStringLiteral("Cron,") }, u"", u"");
        row("first name 2 alone", { {}, fb }, u"", u"");
        row("first name 3 alone", { {}, {}, fc }, u"", u"");
        row("first names 1 2", { fa, fb }, u"", u"");
        row("first names 1 2 3", { fa, fb, fc }, u"", u"");
        row("first names 2 3", { {}, fb, fc }, u"", u"");
        row("1 gap f3", { a, {}, fc }, u"", u"");
        row("f1 gap 3", { fa, {}, c }, u"", u"");
        row("f1 gap f3", { fa, {}, fc }, u"", u"");
    }

    void contributorPhrases()
    {
        QFETCH(QStringList, persons);
        QFETCH(QString, authors);
        QFETCH(QString, illustrators);
        QCOMPARE(GetAuthors(contributors(persons, kAuthors)), authors);
        QCOMPARE(GetIllustrators(contributors(persons, kIllustrators)), illustrators);
        // Translators take the illustrators' forms for two persons.
        if (persons.size() < 3 || persons[2].isEmpty()) {
            const QString translators
                = illustrators.isEmpty() ? QStringLiteral(". ") : illustrators;
            QCOMPARE(GetTranslators(contributors(persons.mid(0, 2), kTranslators)), translators);
        }
    }

    // Exactly the nineteen combinations (seven for translators) have a form,
    // whatever the texts.
    void phraseCombinations()
    {
        int authorForms = 0, translatorForms = 0;
        const QString states[]
            = { QString(), QStringLiteral("N,"), QStringLiteral(",F"), QStringLiteral("N,F") };
        for (int code = 0; code < 64; ++code) {
            const QStringList persons
                = { states[code & 3], states[(code >> 2) & 3], states[(code >> 4) & 3] };
            const bool author = !GetAuthors(contributors(persons, kAuthors)).isEmpty();
            const bool illustrator
                = !GetIllustrators(contributors(persons, kIllustrators)).isEmpty();
            QCOMPARE(illustrator, author);
            authorForms += author;
            if (code < 16)
                translatorForms
                    += GetTranslators(contributors(persons.mid(0, 2), kTranslators)).size() > 2;
        }
        QCOMPARE(authorForms, 19);
        QCOMPARE(translatorForms, 7);
    }

    void bookNumberText_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("year");
        QTest::addColumn<QString>("text");
        QTest::newRow("2008") << "12.8"
                              << "2008"
                              << "12.8";
        QTest::newRow("2010") << "7.1"
                              << "2010"
                              << "7.10";
        QTest::newRow("2012") << "3.12"
                              << "2012"
                              << "3.12";
        QTest::newRow("no year") << "4.5"
                                 << ""
                                 << "4.5";
        QTest::newRow("2100") << "2.5"
                              << "2100"
                              << "2.50";
        QTest::newRow("3005") << "2.5"
                              << "3005"
                              << "2.5";
        QTest::newRow("no number") << ""
                                   << "2010"
                                   << "";
    }

    void bookNumberText()
    {
        QFETCH(QString, number);
        QFETCH(QString, year);
        QFETCH(QString, text);
        ReviewTexts r;
        r[fBookNbr] = number;
        r[fYearPublished] = year;
        QCOMPARE(BookNumberText(r), text);
    }

    void preview()
    {
        const QString t = ComposePreview(sampleRecord(), QLocale::c());
        QCOMPARE(t,
            QString::fromUtf16(u"12.8\rMuster, Anna: Der Titel. Ill. von Ben Beispiel. "
                               u"A. d. Engl. von Cara Probe. Zürich: Verlag, 2008. 123 S., "
                               u"geb., Fr. 24.80.\rEine Geschichte.\rMit zwei Zeilen.\r"
                               u"K Tiere. Ab 6, e. XY\r\r"));
    }

    // Fields changed from the sample record, and what the second line (or
    // the last) then holds.
    void previewEdges_data()
    {
        QTest::addColumn<QStringList>("changes"); // field=value
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("expected");
        const auto row
            = [](const char *name, const QStringList &changes, int line, const char16_t *expected) {
                  QTest::newRow(name) << changes << line << QString::fromUtf16(expected);
              };
        row("no author phrase", { "Author2Name=Probe" }, 1,
            u"Der Titel. Ill. von Ben Beispiel. A. d. Engl. von Cara Probe. Zürich: Verlag, 2008. "
            u"123 S., geb., Fr. 24.80.");
        row("question",
            { "BookTitle=Wer?", "Language=-", "Illustrator1Name=", "Illustrator1FirstName=" }, 1,
            u"Muster, Anna: Wer? Zürich: Verlag, 2008. 123 S., geb., Fr. 24.80.");
        row("no translators",
            { "Translator1Name=", "Translator1Firstname=", "Illustrator1Name=",
                "Illustrator1FirstName=" },
            1,
            u"Muster, Anna: Der Titel. A. d. Engl. von . Zürich: Verlag, 2008. 123 S., geb., "
            u"Fr. 24.80.");
        row("audio book, one CD", { "Binding=CD", "Pages=1", "Language=-" }, 1,
            u"Muster, Anna: Der Titel. Gel. von Ben Beispiel. Zürich: Verlag, 2008. Hörbuch, 1 "
            u"CD, Fr. 24.80.");
        row("audio book, three CDs", { "Binding=CD", "Pages= 3 ", "Language=-" }, 1,
            u"Muster, Anna: Der Titel. Gel. von Ben Beispiel. Zürich: Verlag, 2008. Hörbuch, 3 "
            u"CDs, Fr. 24.80.");
        row("unpaginated", { "Pagination=U", "Binding=brosch", "Language=-" }, 1,
            u"Muster, Anna: Der Titel. Ill. von Ben Beispiel. Zürich: Verlag, 2008. Unpag., "
            u"brosch., Fr. 24.80.");
        row("euro and series", { "Currency=€", "Price=12.9", "Language=-", "BookSerie=Reihe 3" }, 1,
            u"Muster, Anna: Der Titel. Ill. von Ben Beispiel. Zürich: Verlag, 2008. 123 S., geb., "
            u"€ 12.90. (Reihe 3).");
        row("empty place and price", { "PublisherLocation=", "Price=", "Language=-" }, 1,
            u"Muster, Anna: Der Titel. Ill. von Ben Beispiel. : Verlag, 2008. 123 S., geb., Fr. .");
        row("no age", { "Age=" }, 4, u"K Tiere, e. XY");
        row("blank age", { "Age=  " }, 4, u"K Tiere, e. XY");
        row("first line 2010", { "BookNbr=7.1", "YearPublished=2010" }, 0, u"7.10");
    }

    void previewEdges()
    {
        QFETCH(QStringList, changes);
        QFETCH(int, line);
        QFETCH(QString, expected);
        ReviewTexts r = sampleRecord();
        const QList<FieldDef> fields = ReviewFields();
        for (const QString &change : changes) {
            const int eq = change.indexOf(u'=');
            const QString name = change.left(eq);
            int f = 0;
            while (f < fields.size() && fields[f].name != name)
                ++f;
            QVERIFY2(f < fields.size(), qPrintable(name));
            r.field[f] = change.mid(eq + 1);
        }
        const QStringList got = lines(ComposePreview(r, QLocale::c()));
        // The review in the sample has two lines.
        QCOMPARE(got.value(line), expected);
        QCOMPARE(got.size(), 7);
    }

    // The regional number format gives the price's decimal separator, with
    // no thousands separator.
    void priceFollowsLocale()
    {
        ReviewTexts r = sampleRecord();
        r[fPrice] = QStringLiteral("1234.5");
        const QString t = ComposePreview(r, QLocale(QLocale::German, QLocale::Switzerland));
        QVERIFY2(t.contains(QStringLiteral("Fr. 1234.50."))
                || t.contains(QStringLiteral("Fr. 1234,50.")),
            qPrintable(t));
        QVERIFY(ComposePreview(r, QLocale(QLocale::German, QLocale::Germany))
                    .contains(QStringLiteral("Fr. 1234,50.")));
    }

    // The quick price text agrees with QLocale's exact rounding.
    void priceText()
    {
        const QLocale locales[] = { QLocale::c(), QLocale(QLocale::German, QLocale::Switzerland),
            QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Arabic, QLocale::Egypt) };
        const double values[] = { 0, 12.9, 24.8, 1234.5, 0.005, 0.015, 2.675, 1.005, 0.125, 19.995,
            -3.2, -0.001, 99999999.99, 1e15, 9.949999999, 1.0 / 3 };
        for (const QLocale &l : locales) {
            QLocale plain = l;
            plain.setNumberOptions(QLocale::OmitGroupSeparator);
            for (const double v : values)
                QCOMPARE(PriceText(v, l), plain.toString(v, 'f', 2));
        }
    }

    // Read from the table: numbers come as their plain texts, from the current
    // record and from a row alike.
    void fromTable()
    {
        DataSet table;
        table.setFields(ReviewFields());
        table.open();
        table.append();
        table.setValue(fBookNbr, 7.1);
        table.setValue(fYearPublished, 2010);
        table.setValue(fPages, 96);
        table.setValue(fPagination, QStringLiteral("P"));
        table.setValue(fBinding, QStringLiteral("geb"));
        table.setValue(fCurrency, QStringLiteral("€"));
        table.setValue(fPrice, 9.5);
        table.setValue(fBookTitle, QStringLiteral("Titel"));
        table.setValue(fLanguage, QStringLiteral("-"));
        const QString editing = ComposePreview(table, QLocale::c());
        QVERIFY(table.post());
        QCOMPARE(ComposePreview(ReviewTextsAt(table, 0), QLocale::c()), editing);
        QCOMPARE(BookNumberText(table), QStringLiteral("7.10"));
        QCOMPARE(
            lines(editing).value(1), QString::fromUtf16(u"Titel. : , 2010. 96 S., geb., € 9.50."));
    }
    // Every kind of stored value gives the text the documents show.
    void textsOfStoredValues_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << QVariant() << QString();
        QTest::newRow("text") << QVariant(QStringLiteral("Wörter")) << QStringLiteral("Wörter");
        QTest::newRow("int") << QVariant(-42) << QStringLiteral("-42");
        QTest::newRow("long long")
            << QVariant(qlonglong(1) << 40) << QStringLiteral("1099511627776");
        QTest::newRow("double") << QVariant(12.8) << QStringLiteral("12.8");
        QTest::newRow("whole double") << QVariant(96.0) << QStringLiteral("96");
        QTest::newRow("other kind") << QVariant(true) << QStringLiteral("true");
    }

    void textsOfStoredValues()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        Record values(ReviewFieldCount);
        values[fPrice] = value;
        QCOMPARE(ReviewTextsOf(values)[fPrice], text);
    }
};

QTEST_GUILESS_MAIN(TestPreviewText)
#include "tst_previewtext.moc"
