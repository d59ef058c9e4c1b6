#pragma once

#include "CatalogueMapping.h"
#include "CatalogueSettings.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;

// The outcome of a look-up.
struct CatalogueLookup
{
    enum Outcome { Found, NotFound, Failed, Cancelled };
    Outcome outcome = NotFound;
    QString isbn; // the ISBN-13 asked for
    // Found: the catalogue's entries in the order of the choice list.
    QList<CatalogueEntry> entries;
    // NotFound and Failed: what to tell the person (German).
    QString message;
};

// The outcome of fetching a cover.
struct CoverFetch
{
    enum Outcome { Found, NotFound, Failed, Cancelled };
    Outcome outcome = NotFound;
    QString isbn;
    QByteArray picture; // the bytes as the catalogue sent them
    QString url;
    QString catalogue;
    QString message;
};

// Asks the library catalogues, without ever blocking: the German National
// Library first, Open Library when it has nothing. One request runs at a time;
// each is limited in time (the settings' timeout) and in size (8 MB), and
// answers are read as untrusted input.
class CatalogueClient : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxAnswerBytes = 8 * 1024 * 1024;

    explicit CatalogueClient(QObject *parent = nullptr);
    ~CatalogueClient() override;

    void setSettings(const CatalogueSettings &settings) { m_settings = settings; }
    const CatalogueSettings &settings() const { return m_settings; }

    // Looks the ISBN (normalised and valid) up; lookupFinished follows once,
    // also after cancel(). A look-up or fetch still running is cancelled.
    void lookup(const QString &isbn, const MappingContext &mapping);
    // Fetches the book's cover: the German National Library's, else Open
    // Library's. coverFinished follows once.
    void fetchCover(const QString &isbn);
    // Ends the running request; its signal reports Cancelled.
    void cancel();
    bool isBusy() const { return m_busy; }

signals:
    void lookupFinished(const CatalogueLookup &result);
    void coverFinished(const CoverFetch &result);

private:
    // What one request brought.
    struct Answer
    {
        bool ok = false; // a complete answer with a success status
        int status = 0; // the HTTP status, 0 without one
        QByteArray body;
        QString reason; // why it failed (German), empty when ok
        bool cancelled = false;
    };
    using Continuation = std::function<void(const Answer &)>;

    void get(const QUrl &url, Continuation next);
    void finishRequest(Answer answer);
    // A cancelled or failed request ends the look-up the same way for every
    // catalogue; true when it did.
    bool endedByRequest(const Answer &answer, const QString &catalogue);
    void dnbAnswered(const Answer &answer);
    void openLibraryAnswered(const Answer &answer);
    void dnbCoverAnswered(const Answer &answer);
    void openLibraryCoverAnswered(const Answer &answer);
    void endLookup(CatalogueLookup result);
    void endCover(CoverFetch result);
    QString failure(const QString &catalogue, const QString &reason) const;

    CatalogueSettings m_settings = CatalogueSettings::defaults();
    QNetworkAccessManager *m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_body;
    bool m_tooLarge = false;
    bool m_timedOut = false;
    bool m_cancelled = false;
    QTimer m_timer;
    Continuation m_next;

    bool m_busy = false;
    bool m_lookingUp = false; // else fetching a cover
    QString m_isbn;
    MappingContext m_mapping;
};
