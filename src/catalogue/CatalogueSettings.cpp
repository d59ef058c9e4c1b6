#include "CatalogueSettings.h"

#include "base/DefaultSettings.h"
#include "base/IniFile.h"

#include <QUrlQuery>

namespace {

// An address of the settings without a trailing "/" or "?", so that the
// request's own path and query can follow.
QString base(QString address)
{
    address = address.trimmed();
    while (address.endsWith(u'/') || address.endsWith(u'?'))
        address.chop(1);
    return address;
}

QUrl withQuery(const QString &address, const QList<QPair<QString, QString>> &items)
{
    QUrl url(base(address));
    QUrlQuery query(url);
    for (const auto &item : items)
        query.addQueryItem(item.first, item.second);
    url.setQuery(query);
    return url;
}

} // namespace

CatalogueSettings CatalogueSettings::defaults()
{
    CatalogueSettings s;
    s.sruUrl = DefaultSruUrl();
    s.openLibraryUrl = DefaultOpenLibraryUrl();
    s.coverUrl = DefaultCoverUrl();
    s.openLibraryCoverUrl = DefaultOpenLibraryCoverUrl();
    s.timeoutSeconds = kDefaultCatalogueTimeoutSeconds;
    return s;
}

CatalogueSettings CatalogueSettings::read(const IniFile &settings)
{
    const QString section = QStringLiteral("Catalogue");
    CatalogueSettings s;
    s.sruUrl = settings.readString(section, QStringLiteral("SruURL"), DefaultSruUrl());
    s.openLibraryUrl
        = settings.readString(section, QStringLiteral("OpenLibraryURL"), DefaultOpenLibraryUrl());
    s.coverUrl = settings.readString(section, QStringLiteral("CoverURL"), DefaultCoverUrl());
    s.openLibraryCoverUrl = settings.readString(
        section, QStringLiteral("OpenLibraryCoverURL"), DefaultOpenLibraryCoverUrl());
    // A timeout of nothing or of hours helps nobody: one second to ten minutes.
    s.timeoutSeconds = qBound(1,
        settings.readInteger(
            section, QStringLiteral("TimeoutSeconds"), kDefaultCatalogueTimeoutSeconds),
        600);
    return s;
}

QUrl CatalogueSettings::sruRequest(const QString &isbn) const
{
    return withQuery(sruUrl,
        { { QStringLiteral("version"), QStringLiteral("1.1") },
            { QStringLiteral("operation"), QStringLiteral("searchRetrieve") },
            { QStringLiteral("query"), QStringLiteral("num=") + isbn },
            { QStringLiteral("recordSchema"), QStringLiteral("MARC21-xml") },
            { QStringLiteral("maximumRecords"), QStringLiteral("10") } });
}

QUrl CatalogueSettings::openLibraryRequest(const QString &isbn) const
{
    return withQuery(openLibraryUrl,
        { { QStringLiteral("bibkeys"), QStringLiteral("ISBN:") + isbn },
            { QStringLiteral("jscmd"), QStringLiteral("data") },
            { QStringLiteral("format"), QStringLiteral("json") } });
}

QUrl CatalogueSettings::coverRequest(const QString &isbn) const
{
    return withQuery(coverUrl, { { QStringLiteral("isbn"), isbn } });
}

QUrl CatalogueSettings::openLibraryCoverRequest(const QString &isbn) const
{
    QUrl url(base(openLibraryCoverUrl) + u'/' + isbn + QStringLiteral("-L.jpg"));
    url.setQuery(QStringLiteral("default=false"));
    return url;
}

QString ToIsbn13(const QString &normalized)
{
    if (normalized.size() != 10)
        return normalized;
    for (qsizetype i = 0; i < 9; ++i) {
        if (!normalized[i].isDigit())
            return normalized;
    }
    const QString digits = QStringLiteral("978") + normalized.left(9);
    int sum = 0;
    for (qsizetype i = 0; i < 12; ++i)
        sum += (digits[i].unicode() - u'0') * (i % 2 == 0 ? 1 : 3);
    return digits + QChar(u'0' + (10 - sum % 10) % 10);
}
