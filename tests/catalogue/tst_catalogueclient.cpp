// The requests to the catalogues, against answers a local server on
// 127.0.0.1 gives, and the companion tool's look-up.

#include "CatalogueFixtures.h"
#include "LocalHttpServer.h"

#include "catalogue/CatalogueClient.h"
#include "store/ReviewSchema.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QUrlQuery>

namespace {

const QString kIsbn = QStringLiteral("9783789142123");

QByteArray jpegBytes() { return QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(200, 'j'); }
QByteArray pngBytes() { return QByteArray("\x89PNG\r\n\x1A\n", 8) + QByteArray(200, 'p'); }

} // namespace

class TestCatalogueClient : public QObject
{
    Q_OBJECT

    LocalHttpServer *m_server = nullptr;

    CatalogueSettings settingsFor(const QString &address, int timeout = 5) const
    {
        CatalogueSettings s;
        s.sruUrl = address + QStringLiteral("/sru/dnb");
        s.openLibraryUrl = address + QStringLiteral("/api/books");
        s.coverUrl = address + QStringLiteral("/cover");
        s.openLibraryCoverUrl = address + QStringLiteral("/b/isbn");
        s.timeoutSeconds = timeout;
        return s;
    }

    CatalogueLookup lookup(int timeout = 5, const QString &isbn = kIsbn)
    {
        CatalogueClient client;
        client.setSettings(settingsFor(m_server->address(), timeout));
        CatalogueLookup result;
        bool done = false;
        connect(&client, &CatalogueClient::lookupFinished, this, [&](const CatalogueLookup &r) {
            result = r;
            done = true;
        });
        client.lookup(isbn, {});
        if (!QTest::qWaitFor([&] { return done; }, 20000))
            qWarning("no answer");
        return result;
    }

    CoverFetch cover()
    {
        CatalogueClient client;
        client.setSettings(settingsFor(m_server->address()));
        CoverFetch result;
        bool done = false;
        connect(&client, &CatalogueClient::coverFinished, this, [&](const CoverFetch &r) {
            result = r;
            done = true;
        });
        client.fetchCover(kIsbn);
        if (!QTest::qWaitFor([&] { return done; }, 20000))
            qWarning("no cover answer");
        return result;
    }

private slots:
    void init()
    {
        m_server = new LocalHttpServer(this);
        QVERIFY(m_server->listen());
    }

    void cleanup()
    {
        delete m_server;
        m_server = nullptr;
    }

    void oneRecord()
    {
        m_server->answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-one.xml")));
        const CatalogueLookup result = lookup();
        QCOMPARE(result.outcome, CatalogueLookup::Found);
        QCOMPARE(result.entries.size(), 1);
        QCOMPARE(result.entries[0].values.value(fBookTitle).toString(),
            QString::fromUtf16(u"Die Brüder Löwenherz"));
        QCOMPARE(result.entries[0].catalogue, QStringLiteral("Deutsche Nationalbibliothek"));
        QCOMPARE(m_server->requests.size(), 1);
        const QUrl asked(m_server->requests[0]);
        QCOMPARE(asked.path(), QStringLiteral("/sru/dnb"));
        const QUrlQuery query(asked);
        QCOMPARE(query.queryItemValue(QStringLiteral("query"), QUrl::FullyDecoded),
            QStringLiteral("num=") + kIsbn);
        QCOMPARE(
            query.queryItemValue(QStringLiteral("operation")), QStringLiteral("searchRetrieve"));
    }

    void severalRecordsPrintFirst()
    {
        m_server->answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-several.xml")));
        const CatalogueLookup result = lookup();
        QCOMPARE(result.outcome, CatalogueLookup::Found);
        QCOMPARE(result.entries.size(), 2);
        QCOMPARE(result.entries[0].medium, CatalogueEntry::Print);
        QCOMPARE(result.entries[1].medium, CatalogueEntry::EBook);
    }

    void noHitAsksOpenLibrary()
    {
        m_server->answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-none.xml")));
        m_server->answerFile(QStringLiteral("/api/books"),
            CatalogueFixture(QStringLiteral("ol-book.json")), 200, "application/json");
        const CatalogueLookup result = lookup(5, QStringLiteral("9780140328721"));
        QCOMPARE(result.outcome, CatalogueLookup::Found);
        QCOMPARE(result.entries[0].catalogue, QStringLiteral("Open Library"));
        QCOMPARE(result.entries[0].values.value(fAuthor1Name).toString(), QStringLiteral("Dahl"));
        QCOMPARE(m_server->requests.size(), 2);
        const QUrlQuery query { QUrl(m_server->requests[1]) };
        QCOMPARE(
            query.queryItemValue(QStringLiteral("bibkeys")), QStringLiteral("ISBN:9780140328721"));
        QCOMPARE(query.queryItemValue(QStringLiteral("jscmd")), QStringLiteral("data"));
    }

    void noHitAnywhere()
    {
        m_server->answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-none.xml")));
        m_server->answerFile(QStringLiteral("/api/books"),
            CatalogueFixture(QStringLiteral("ol-none.json")), 200, "application/json");
        const CatalogueLookup result = lookup();
        QCOMPARE(result.outcome, CatalogueLookup::NotFound);
        QCOMPARE(result.message, QStringLiteral("Kein Eintrag im Katalog für ISBN 9783789142123"));
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("sru");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("sendLength");
        QTest::addColumn<QByteArray>("openLibrary");
        QTest::addColumn<QString>("catalogue");
        QTest::addColumn<QString>("reason");
        const QString dnb = QStringLiteral("bei der Deutschen Nationalbibliothek");
        const QString ol = QStringLiteral("bei Open Library");
        const QByteArray big(20 * 1024 * 1024, 'x');
        const QByteArray none = CatalogueFixtureBytes(QStringLiteral("dnb-none.xml"));
        QTest::newRow("diagnostic")
            << CatalogueFixtureBytes(QStringLiteral("dnb-diagnostic.xml")) << 200 << 0 << true
            << QByteArray() << dnb << "Der Katalog meldet: Query syntax error";
        QTest::newRow("malformed XML")
            << CatalogueFixtureBytes(QStringLiteral("dnb-malformed.xml")) << 200 << 0 << true
            << QByteArray() << dnb << "kein gültiges XML";
        QTest::newRow("entities") << CatalogueFixtureBytes(QStringLiteral("dnb-entities.xml"))
                                  << 200 << 0 << true << QByteArray() << dnb << "(DTD)";
        QTest::newRow("server error") << QByteArray("<html/>") << 503 << 0 << true << QByteArray()
                                      << dnb << "HTTP-Fehler 503";
        QTest::newRow("20 MB with its length")
            << big << 200 << 0 << true << QByteArray() << dnb << "grösser als 8 MB";
        QTest::newRow("20 MB without a length")
            << big << 200 << 0 << false << QByteArray() << dnb << "grösser als 8 MB";
        QTest::newRow("slow") << none << 200 << 3000 << true << QByteArray() << dnb
                              << "nicht innerhalb einer Sekunde";
        QTest::newRow("malformed JSON")
            << none << 200 << 0 << true
            << CatalogueFixtureBytes(QStringLiteral("ol-malformed.json")) << ol
            << "kein gültiges JSON";
    }

    void failures()
    {
        QFETCH(QByteArray, sru);
        QFETCH(int, status);
        QFETCH(int, delayMs);
        QFETCH(bool, sendLength);
        QFETCH(QByteArray, openLibrary);
        QFETCH(QString, catalogue);
        QFETCH(QString, reason);
        LocalHttpServer::Answer answer;
        answer.body = sru;
        answer.status = status;
        answer.reason = status == 200 ? "OK" : "Service Unavailable";
        answer.delayMs = delayMs;
        answer.sendLength = sendLength;
        m_server->answer(QStringLiteral("/sru/dnb"), answer);
        if (!openLibrary.isEmpty()) {
            LocalHttpServer::Answer json;
            json.body = openLibrary;
            m_server->answer(QStringLiteral("/api/books"), json);
        }
        // Short for the slow answer, ample for the big ones.
        const int timeout = delayMs > 0 ? 1 : 10;
        QElapsedTimer clock;
        clock.start();
        const CatalogueLookup result = lookup(timeout);
        QCOMPARE(result.outcome, CatalogueLookup::Failed);
        QVERIFY2(result.message.startsWith(QStringLiteral("Die Abfrage ") + catalogue
                     + QStringLiteral(" ist fehlgeschlagen:\r\n")),
            qPrintable(result.message));
        QVERIFY2(result.message.contains(reason), qPrintable(result.message));
        QVERIFY(result.entries.isEmpty());
        // The timeout ends the request, not the server's pause.
        if (delayMs > 0)
            QVERIFY(clock.elapsed() < delayMs - 200);
    }

    void noServer()
    {
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString address = QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort());
        closed.close();
        CatalogueClient client;
        client.setSettings(settingsFor(address));
        QSignalSpy spy(&client, &CatalogueClient::lookupFinished);
        client.lookup(kIsbn, {});
        QVERIFY(spy.wait(10000));
        const auto result = spy.takeFirst().at(0).value<CatalogueLookup>();
        QCOMPARE(result.outcome, CatalogueLookup::Failed);
        QVERIFY2(result.message.contains(QStringLiteral("Keine Verbindung zum Server")),
            qPrintable(result.message));
    }

    void badAddressInTheSettings()
    {
        CatalogueClient client;
        CatalogueSettings s = settingsFor(m_server->address());
        s.sruUrl = QStringLiteral("file:///etc/passwd");
        client.setSettings(s);
        QSignalSpy spy(&client, &CatalogueClient::lookupFinished);
        client.lookup(kIsbn, {});
        QCOMPARE(spy.size(), 0); // reported later, never from inside the call
        QVERIFY(spy.wait(5000));
        const auto result = spy.takeFirst().at(0).value<CatalogueLookup>();
        QCOMPARE(result.outcome, CatalogueLookup::Failed);
        QVERIFY(result.message.contains(QStringLiteral("ist ungültig")));
        QVERIFY(m_server->requests.isEmpty());
    }

    void cancelEndsAtOnce()
    {
        LocalHttpServer::Answer slow;
        slow.body = CatalogueFixtureBytes(QStringLiteral("dnb-one.xml"));
        slow.delayMs = 5000;
        m_server->answer(QStringLiteral("/sru/dnb"), slow);
        CatalogueClient client;
        client.setSettings(settingsFor(m_server->address()));
        QSignalSpy spy(&client, &CatalogueClient::lookupFinished);
        client.lookup(kIsbn, {});
        QTRY_COMPARE(m_server->requests.size(), 1);
        QVERIFY(client.isBusy());
        client.cancel();
        QTRY_COMPARE_WITH_TIMEOUT(spy.size(), 1, 1000);
        QCOMPARE(
            spy.takeFirst().at(0).value<CatalogueLookup>().outcome, CatalogueLookup::Cancelled);
        QVERIFY(!client.isBusy());
    }

    void covers()
    {
        // The cover service's picture, byte for byte.
        LocalHttpServer::Answer jpeg;
        jpeg.body = jpegBytes();
        jpeg.contentType = "image/jpeg";
        m_server->answer(QStringLiteral("/cover"), jpeg);
        CoverFetch result = cover();
        QCOMPARE(result.outcome, CoverFetch::Found);
        QCOMPARE(result.picture, jpegBytes());
        QCOMPARE(result.url, m_server->address() + QStringLiteral("/cover?isbn=") + kIsbn);

        // None there (an HTTP error): Open Library's.
        m_server->answer(QStringLiteral("/cover"), { 404, "Not Found", "text/html", "none" });
        LocalHttpServer::Answer png;
        png.body = pngBytes();
        png.contentType = "image/png";
        m_server->answer(QStringLiteral("/b/isbn/9783789142123-L.jpg"), png);
        m_server->requests.clear();
        result = cover();
        QCOMPARE(result.outcome, CoverFetch::Found);
        QCOMPARE(result.picture, pngBytes());
        QCOMPARE(result.catalogue, QStringLiteral("Open Library"));
        QCOMPARE(
            m_server->requests.last(), QStringLiteral("/b/isbn/9783789142123-L.jpg?default=false"));

        // A page instead of a picture is no cover either.
        m_server->answer(QStringLiteral("/cover"), { 200, "OK", "text/html", "<html/>" });
        m_server->answer(
            QStringLiteral("/b/isbn/9783789142123-L.jpg"), { 404, "Not Found", "text/html", "" });
        result = cover();
        QCOMPARE(result.outcome, CoverFetch::NotFound);
        QCOMPARE(
            result.message, QStringLiteral("Kein Umschlagbild im Katalog für ISBN 9783789142123"));
    }

    void companionTool()
    {
        m_server->answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-one.xml")));
        LocalHttpServer::Answer jpeg;
        jpeg.body = jpegBytes();
        jpeg.contentType = "image/jpeg";
        m_server->answer(QStringLiteral("/cover"), jpeg);
        QTemporaryDir dir;
        const QString ini = dir.filePath(QStringLiteral("Skribando.ini"));
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const CatalogueSettings s = settingsFor(m_server->address());
        f.write(QStringLiteral("[Catalogue]\r\nSruURL=%1\r\nOpenLibraryURL=%2\r\nCoverURL=%3\r\n"
                               "OpenLibraryCoverURL=%4\r\nTimeoutSeconds=5\r\n")
                    .arg(s.sruUrl, s.openLibraryUrl, s.coverUrl, s.openLibraryCoverUrl)
                    .toLatin1());
        f.close();

        const auto run = [](const QStringList &args, QByteArray *out, QByteArray *err) {
            QProcess tool;
            tool.start(QStringLiteral(SKRIBANDO_PACKET_TOOL), args);
            // The server answers from this event loop while the tool waits.
            QSignalSpy finished(&tool, &QProcess::finished);
            if (!finished.wait(30000))
                return -1;
            *out = tool.readAllStandardOutput();
            *err = tool.readAllStandardError();
            return tool.exitCode();
        };
        QByteArray out;
        QByteArray err;
        QCOMPARE(run({ QStringLiteral("lookup"), QStringLiteral("978-3-7891-4212-3"),
                         QStringLiteral("--settings"), ini },
                     &out, &err),
            0);
        const QJsonObject json = QJsonDocument::fromJson(out).object();
        QCOMPARE(json.value(u"BookTitle").toString(), QString::fromUtf16(u"Die Brüder Löwenherz"));
        QCOMPARE(json.value(u"BookSerie").toString(), QStringLiteral("978-3-7891-4212-3"));
        QCOMPARE(json.value(u"YearPublished").toInt(), 2018);
        QCOMPARE(json.value(u"Price").toDouble(), 21.9);
        QCOMPARE(json.value(u"Language").toString(), QStringLiteral("Schwed"));
        QCOMPARE(json.value(u"CoverURL").toString(), s.coverRequest(kIsbn).toString());

        // Nothing found: the message and exit status 1.
        m_server->answerFile(
            QStringLiteral("/sru/dnb"), CatalogueFixture(QStringLiteral("dnb-none.xml")));
        m_server->answerFile(QStringLiteral("/api/books"),
            CatalogueFixture(QStringLiteral("ol-none.json")), 200, "application/json");
        QCOMPARE(
            run({ QStringLiteral("lookup"), kIsbn, QStringLiteral("--settings"), ini }, &out, &err),
            1);
        QVERIFY(out.isEmpty());
        QVERIFY2(err.contains("Kein Eintrag im Katalog für ISBN 9783789142123"), err.constData());

        // No valid ISBN: the check's message, nothing asked.
        const qsizetype asked = m_server->requests.size();
        QCOMPARE(run({ QStringLiteral("lookup"), QStringLiteral("3-7891-4212-0"),
                         QStringLiteral("--settings"), ini },
                     &out, &err),
            1);
        QVERIFY2(err.contains("k e i n e"), err.constData());
        QCOMPARE(m_server->requests.size(), asked);
    }
};

QTEST_GUILESS_MAIN(TestCatalogueClient)
#include "tst_catalogueclient.moc"
