#include "CatalogueClient.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

// Whether the bytes hold a picture: JPEG, PNG, GIF, WebP or BMP.
bool looksLikePicture(const QByteArray &bytes)
{
    return bytes.startsWith("\xFF\xD8\xFF") || bytes.startsWith("\x89PNG\r\n\x1A\n")
        || bytes.startsWith("GIF87a") || bytes.startsWith("GIF89a")
        || (bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WEBP") || bytes.startsWith("BM");
}

QString dative(const QString &catalogue)
{
    return catalogue == DnbCatalogueName() ? QStringLiteral("bei der Deutschen Nationalbibliothek")
                                           : QStringLiteral("bei ") + catalogue;
}

} // namespace

CatalogueClient::CatalogueClient(QObject *parent)
    : QObject(parent)
    , m_network(new QNetworkAccessManager(this))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_timedOut = true;
        if (m_reply)
            m_reply->abort();
    });
}

CatalogueClient::~CatalogueClient()
{
    // Nobody listens any more: end the request without a report.
    m_next = nullptr;
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        m_reply->abort();
        delete m_reply;
    }
}

QString CatalogueClient::failure(const QString &catalogue, const QString &reason) const
{
    return QStringLiteral("Die Abfrage %1 ist fehlgeschlagen:\r\n%2")
        .arg(dative(catalogue), reason);
}

void CatalogueClient::cancel()
{
    if (!m_busy)
        return;
    m_cancelled = true;
    if (m_reply)
        m_reply->abort();
}

void CatalogueClient::lookup(const QString &isbn, const MappingContext &mapping)
{
    cancel();
    m_busy = true;
    m_lookingUp = true;
    m_isbn = isbn;
    m_mapping = mapping;
    get(m_settings.sruRequest(isbn), [this](const Answer &a) { dnbAnswered(a); });
}

void CatalogueClient::fetchCover(const QString &isbn)
{
    cancel();
    m_busy = true;
    m_lookingUp = false;
    m_isbn = isbn;
    get(m_settings.coverRequest(isbn), [this](const Answer &a) { dnbCoverAnswered(a); });
}

void CatalogueClient::get(const QUrl &url, Continuation next)
{
    m_next = std::move(next);
    m_body.clear();
    m_tooLarge = false;
    m_timedOut = false;
    m_cancelled = false;
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        Answer answer;
        answer.reason = QStringLiteral("Die Adresse „%1“ in den Einstellungen (Abschnitt "
                                       "[Catalogue]) ist ungültig.")
                            .arg(url.toString(QUrl::RemoveQuery));
        // Reported as any answer is: after the caller has returned.
        QMetaObject::invokeMethod(
            this, [this, answer] { finishRequest(answer); }, Qt::QueuedConnection);
        return;
    }

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader,
        QStringLiteral("Skribando/1.0 (Besprechungsprogramm eines Lesekreises)"));
    request.setAttribute(
        QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply *reply = m_network->get(request);
    m_reply = reply;
    // The answer is taken as it comes, so that no more than the limit is
    // ever held.
    reply->setReadBufferSize(64 * 1024);
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > kMaxAnswerBytes) {
            m_tooLarge = true;
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (m_tooLarge)
            return;
        m_body += reply->read(kMaxAnswerBytes + 1 - m_body.size());
        if (m_body.size() > kMaxAnswerBytes) {
            m_tooLarge = true;
            m_body.clear();
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        m_timer.stop();
        Answer answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (!m_tooLarge && !m_cancelled && !m_timedOut)
            m_body += reply->read(kMaxAnswerBytes + 1 - m_body.size());
        if (m_cancelled) {
            answer.cancelled = true;
        } else if (m_tooLarge || m_body.size() > kMaxAnswerBytes) {
            answer.reason = QStringLiteral("Die Antwort ist grösser als 8 MB und wird nicht "
                                           "gelesen.");
        } else if (m_timedOut) {
            answer.reason = m_settings.timeoutSeconds == 1
                ? QStringLiteral("Der Katalog hat nicht innerhalb einer Sekunde geantwortet.")
                : QStringLiteral("Der Katalog hat nicht innerhalb von %1 Sekunden geantwortet.")
                      .arg(m_settings.timeoutSeconds);
        } else if (reply->error() != QNetworkReply::NoError || answer.status >= 400) {
            if (answer.status > 0) {
                // The server's own words, short and plain.
                const QString phrase = CatalogueText(
                    reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString())
                                           .left(80);
                answer.reason
                    = QStringLiteral("Der Server meldet den HTTP-Fehler %1%2.")
                          .arg(answer.status)
                          .arg(phrase.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(phrase));
            } else {
                answer.reason
                    = QStringLiteral("Keine Verbindung zum Server (%1).").arg(reply->errorString());
            }
        } else {
            answer.ok = true;
            answer.body = m_body;
        }
        m_body.clear();
        m_reply = nullptr;
        reply->deleteLater();
        finishRequest(answer);
    });
    m_timer.start(m_settings.timeoutSeconds * 1000);
}

void CatalogueClient::finishRequest(Answer answer)
{
    if (m_cancelled)
        answer.cancelled = true;
    Continuation next = std::move(m_next);
    m_next = nullptr;
    if (next)
        next(answer);
}

void CatalogueClient::endLookup(CatalogueLookup result)
{
    m_busy = false;
    result.isbn = m_isbn;
    emit lookupFinished(result);
}

void CatalogueClient::endCover(CoverFetch result)
{
    m_busy = false;
    result.isbn = m_isbn;
    emit coverFinished(result);
}

bool CatalogueClient::endedByRequest(const Answer &answer, const QString &catalogue)
{
    if (!answer.cancelled && answer.ok)
        return false;
    CatalogueLookup result;
    result.outcome = answer.cancelled ? CatalogueLookup::Cancelled : CatalogueLookup::Failed;
    if (!answer.cancelled)
        result.message = failure(catalogue, answer.reason);
    endLookup(result);
    return true;
}

void CatalogueClient::dnbAnswered(const Answer &answer)
{
    if (endedByRequest(answer, DnbCatalogueName()))
        return;
    CatalogueLookup result;
    result.outcome = CatalogueLookup::Failed;
    SruAnswer sru;
    QString error;
    if (!ParseSruAnswer(answer.body, sru, &error)) {
        result.message = failure(DnbCatalogueName(), error);
        return endLookup(result);
    }
    if (!sru.diagnostic.isEmpty()) {
        result.message
            = failure(DnbCatalogueName(), QStringLiteral("Der Katalog meldet: ") + sru.diagnostic);
        return endLookup(result);
    }
    if (sru.records.isEmpty()) {
        get(m_settings.openLibraryRequest(m_isbn),
            [this](const Answer &a) { openLibraryAnswered(a); });
        return;
    }
    for (const MarcRecord &record : std::as_const(sru.records))
        result.entries.append(MapMarcRecord(record, m_isbn, m_mapping));
    OrderForChoice(result.entries);
    result.outcome = CatalogueLookup::Found;
    endLookup(result);
}

void CatalogueClient::openLibraryAnswered(const Answer &answer)
{
    if (endedByRequest(answer, OpenLibraryCatalogueName()))
        return;
    CatalogueLookup result;
    result.outcome = CatalogueLookup::Failed;
    CatalogueEntry entry;
    QString error;
    switch (ParseOpenLibraryAnswer(answer.body, m_isbn, m_mapping, entry, &error)) {
    case OpenLibraryOutcome::Malformed:
        result.message = failure(OpenLibraryCatalogueName(), error);
        break;
    case OpenLibraryOutcome::NotFound:
        result.outcome = CatalogueLookup::NotFound;
        result.message = QStringLiteral("Kein Eintrag im Katalog für ISBN ") + m_isbn;
        break;
    case OpenLibraryOutcome::Found:
        result.outcome = CatalogueLookup::Found;
        result.entries.append(entry);
        break;
    }
    endLookup(result);
}

void CatalogueClient::dnbCoverAnswered(const Answer &answer)
{
    CoverFetch result;
    if (answer.cancelled) {
        result.outcome = CoverFetch::Cancelled;
        return endCover(result);
    }
    if (answer.ok && looksLikePicture(answer.body)) {
        result.outcome = CoverFetch::Found;
        result.picture = answer.body;
        result.url = m_settings.coverRequest(m_isbn).toString();
        result.catalogue = DnbCatalogueName();
        return endCover(result);
    }
    // The cover service answers a book without a cover with an HTTP error.
    if (!answer.ok && answer.status == 0) {
        result.outcome = CoverFetch::Failed;
        result.message = failure(DnbCatalogueName(), answer.reason);
        return endCover(result);
    }
    get(m_settings.openLibraryCoverRequest(m_isbn),
        [this](const Answer &a) { openLibraryCoverAnswered(a); });
}

void CatalogueClient::openLibraryCoverAnswered(const Answer &answer)
{
    CoverFetch result;
    if (answer.cancelled) {
        result.outcome = CoverFetch::Cancelled;
    } else if (answer.ok && looksLikePicture(answer.body)) {
        result.outcome = CoverFetch::Found;
        result.picture = answer.body;
        result.url = m_settings.openLibraryCoverRequest(m_isbn).toString();
        result.catalogue = OpenLibraryCatalogueName();
    } else if (answer.ok || answer.status == 404) {
        result.outcome = CoverFetch::NotFound;
        result.message = QStringLiteral("Kein Umschlagbild im Katalog für ISBN ") + m_isbn;
    } else {
        result.outcome = CoverFetch::Failed;
        result.message = failure(OpenLibraryCatalogueName(), answer.reason);
    }
    endCover(result);
}
