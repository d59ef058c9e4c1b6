// Writes and reads a review file of 40,000 reviews in both forms and compares
// the reading with a plain read of the same bytes (and, for XML, with a
// streaming parse that does nothing) measured in the same run.
//
// Output lines: "name value unit".

#include "store/DataPacket.h"
#include "store/ReviewSchema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdio>
#include <functional>
#include <random>

namespace {

constexpr int kRecords = 40000;
constexpr int kRuns = 5;

const char *const kTitleWords[] = {
    "Die",
    "Reise",
    "zum",
    "Mond",
    "Brüder",
    "Löwenherz",
    "Geheimnis",
    "der",
    "alten",
    "Mühle",
    "Über",
    "sieben",
    "Brücken",
    "Märchen",
    "aus",
    "Österreich",
    "Fräulein",
    "Grün",
    "Schloss",
    "im",
    "Nebel",
    "Abenteuer",
    "Fußball",
    "Sommer",
    "Träume",
    "Wölfe",
    "Nacht",
    "König",
    "Häuser",
};
const char *const kSurnames[] = {
    "Müller",
    "Schäfer",
    "Köhler",
    "Böhm",
    "Lindgren",
    "Nöstlinger",
    "Kästner",
    "Funke",
    "Preußler",
    "Härtling",
    "Weiß",
    "Jünger",
    "Özdemir",
    "Brückner",
    "Voß",
};
const char *const kFirstNames[] = {
    "Jörg",
    "Käthe",
    "Björn",
    "Sören",
    "Astrid",
    "Christine",
    "Erich",
    "Cornelia",
    "Otfried",
    "Peter",
    "Zoë",
    "Andrés",
    "Renée",
    "Hans-Jürgen",
};
const char *const kPublishers[] = {
    "Oetinger",
    "Carlsen",
    "Hanser",
    "Beltz & Gelberg",
    "dtv junior",
    "Thienemann",
    "Ravensburger",
    "Nord-Süd",
    "Diogenes",
    "Fischer Schatzinsel",
    "Loewe",
    "Arena",
};
const char *const kTowns[] = { "Hamburg", "München", "Zürich", "Wien", "Köln", "Weinheim", "Bern" };
const char *const kCategories[] = { "Abenteuer", "Fantasy", "Sachbuch", "Bilderbuch", "Krimi",
    "Freundschaft", "Geschichte", "Natur" };
const char *const kSentences[] = {
    "Die Geschichte erzählt von zwei Geschwistern, die gemeinsam über sich hinauswachsen.",
    "Besonders gelungen sind die stimmungsvollen Illustrationen, die jede Seite begleiten.",
    "Für Leserinnen und Leser ab zehn Jahren ist das Buch eine große Bereicherung.",
    "Manche Kapitel ziehen sich etwas, doch das Ende entschädigt für alles.",
    "Der Ton ist warmherzig, humorvoll und nie belehrend – genau richtig für diese Altersstufe.",
    "Die Übersetzung liest sich flüssig; nur selten stolpert man über ein ungewöhnliches Wort.",
    "Ein Buch über Mut, Verlust und die Kraft der Fantasie, das lange nachwirkt.",
    "Der Preis von 18 € ist für die schöne Ausstattung angemessen.",
    "Spannend bis zur letzten Seite, mit überraschenden Wendungen und glaubwürdigen Figuren.",
    "Sehr empfehlenswert für Schulbibliotheken und als Vorlesebuch für die ganze Familie.",
};

template<typename T, size_t N>
QString pick(std::mt19937 &rng, const T (&list)[N])
{
    return QString::fromUtf8(list[std::uniform_int_distribution<size_t>(0, N - 1)(rng)]);
}

QList<Record> makeRecords()
{
    std::mt19937 rng(20070512);
    QList<Record> rows;
    rows.reserve(kRecords);
    for (int i = 0; i < kRecords; ++i) {
        Record r(ReviewFieldCount);
        const int year = 2000 + i % 20;
        r[fBookNbr]
            = QString::number(i + 1).toDouble() + (year - 2000) / (year < 2010 ? 10.0 : 100.0);
        QString title;
        const int words = std::uniform_int_distribution<int>(2, 9)(rng);
        for (int w = 0; w < words; ++w)
            title += (w ? QStringLiteral(" ") : QString()) + pick(rng, kTitleWords);
        r[fBookTitle] = title.left(160);
        if (i % 3)
            r[fBookSerie] = QStringLiteral("978-3-%1-%2-%3")
                                .arg(1000 + i % 9000)
                                .arg(1000 + (i * 7) % 9000)
                                .arg(i % 10);
        r[fPublisherLocation] = pick(rng, kTowns);
        r[fPublisher] = pick(rng, kPublishers);
        r[fYearPublished] = year;
        r[fPagination] = QStringLiteral("P");
        r[fPages] = 32 + i % 400;
        r[fBinding] = i % 4 ? QStringLiteral("geb") : QStringLiteral("brosch");
        r[fCurrency] = i % 2 ? QStringLiteral("€") : QStringLiteral("Fr");
        r[fPrice] = 9.9 + (i % 250) / 10.0;
        r[fAuthor1Name] = pick(rng, kSurnames);
        r[fAuthor1Firstname] = pick(rng, kFirstNames);
        if (i % 5 == 0) {
            r[fAuthor2Name] = pick(rng, kSurnames);
            r[fAuthor2Firstname] = pick(rng, kFirstNames);
        }
        r[fIllustrator1Name] = pick(rng, kSurnames);
        r[fIllustrator1FirstName] = pick(rng, kFirstNames);
        if (i % 4 == 0) {
            r[fTranslator1Name] = pick(rng, kSurnames);
            r[fTranslator1Firstname] = pick(rng, kFirstNames);
        }
        r[fLanguage] = i % 4 == 0 ? QStringLiteral("en") : QStringLiteral("-");
        const int length = std::uniform_int_distribution<int>(300, 2000)(rng);
        QString review;
        while (review.size() < length) {
            review += pick(rng, kSentences);
            review += std::uniform_int_distribution<int>(0, 5)(rng) == 0 ? QStringLiteral("\r\n")
                                                                         : QStringLiteral(" ");
        }
        r[fReview] = review.left(length);
        r[fAgegroup] = QStringLiteral("KJE").mid(i % 3, 1);
        r[fCategory] = pick(rng, kCategories);
        r[fAge] = 4 + i % 12;
        r[fRecommendation] = QStringLiteral("e.");
        r[fReviewerInitials] = QStringLiteral("XY");
        rows.append(r);
    }
    return rows;
}

// The best of a few runs, in seconds. `cleanup` runs after each timed run,
// untimed (throwing away what was read is no part of reading it).
double best(const std::function<void()> &work, const std::function<void()> &cleanup = {})
{
    double bestTime = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer t;
        t.start();
        work();
        bestTime = qMin(bestTime, t.nsecsElapsed() / 1e9);
        if (cleanup)
            cleanup();
    }
    return bestTime;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

QByteArray plainRead(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return f.readAll();
}

void check(bool ok, const QString &error)
{
    if (!ok)
        qFatal("%s", qPrintable(error));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("no temporary folder");

    PacketData packet;
    packet.fields = ReviewFields();
    for (const Record &record : makeRecords())
        packet.rows.append(CompactRow(record));
    QString error;

    for (const bool xml : { false, true }) {
        const QString path
            = dir.filePath(xml ? QStringLiteral("bench.xml") : QStringLiteral("bench.cds"));
        const char *form = xml ? "xml" : "binary";

        const double write
            = best([&] { check(DataPacket::saveToFile(path, packet, &error), error); });
        const double size = double(QFile(path).size());
        const double mb = size / 1e6;

        plainRead(path); // warm the cache
        QByteArray bytes;
        const double plain = best([&] { bytes = plainRead(path); }, [&] { bytes.clear(); });

        // Every run's table is kept until the end, as the program keeps what
        // it loaded: freeing tens of thousands of rows between runs would
        // measure the allocator's clean-up instead of the reading.
        QList<PacketData> tables(kRuns);
        int run = 0;
        const double read = best([&] {
            check(DataPacket::loadFromFile(path, tables[run], &error), error);
            if (tables[run].rows.size() != kRecords)
                qFatal("read %lld rows instead of %d", qint64(tables[run].rows.size()), kRecords);
            ++run;
        });

        const QByteArray name = QByteArray("packet_") + form;
        print(name + "_size", mb, "MB");
        print(name + "_write", mb / write, "MB/s");
        print(name + "_read", mb / read, "MB/s");
        print(name + "_read_ms", read * 1000, "ms");
        print(name + "_plain_read_ms", plain * 1000, "ms");
        if (!xml) {
            print("packet_binary_read_ratio", read / plain, "x");
        } else {
            // The baseline: read the file and let the XML reader walk it.
            qint64 tokens = 0;
            const double stream = best([&] {
                const QByteArray content = plainRead(path);
                QXmlStreamReader reader(content);
                qint64 n = 0;
                while (!reader.atEnd()) {
                    reader.readNext();
                    ++n;
                }
                if (reader.hasError())
                    qFatal("%s", qPrintable(reader.errorString()));
                tokens = n;
            });
            print("packet_xml_stream_parse_ms", stream * 1000, "ms");
            print("packet_xml_stream_tokens", double(tokens), "tokens");
            print("packet_xml_read_ratio", read / stream, "x");
        }
    }
    return 0;
}
