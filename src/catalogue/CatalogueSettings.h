#pragma once

#include <QString>
#include <QUrl>

class IniFile;

// Where the library catalogues are asked, from the section [Catalogue] of the
// settings (each key falls back to the public address, see DefaultSettings.h). The addresses are
// the services' base addresses; the program adds the ISBN and the query itself.
struct CatalogueSettings
{
    QString sruUrl; // the German National Library's SRU interface
    QString openLibraryUrl; // Open Library's book data
    QString coverUrl; // the German National Library's cover service
    QString openLibraryCoverUrl; // Open Library's covers
    int timeoutSeconds = 15;

    static CatalogueSettings defaults();
    static CatalogueSettings read(const IniFile &settings);

    // The requests for one ISBN (digits and "X" only).
    QUrl sruRequest(const QString &isbn) const;
    QUrl openLibraryRequest(const QString &isbn) const;
    QUrl coverRequest(const QString &isbn) const;
    QUrl openLibraryCoverRequest(const QString &isbn) const;
};

// The ISBN-13 of a valid normalised ISBN-10 or ISBN-13 (digits only); the text
// itself for anything else.
QString ToIsbn13(const QString &normalized);
