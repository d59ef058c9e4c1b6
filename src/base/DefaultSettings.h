#pragma once

#include <QString>

class IniFile;

// Values of the default settings file that readers also take as their
// defaults when a key is missing.
QString GoogleImageSearchUrl();
QString DefaultReviewerEmail();
QString DefaultWebMailUrl();
// The library catalogues' addresses (section "Catalogue") and the time a
// request may take.
QString DefaultSruUrl();
QString DefaultOpenLibraryUrl();
QString DefaultCoverUrl();
QString DefaultOpenLibraryCoverUrl();
constexpr int kDefaultCatalogueTimeoutSeconds = 15;

// Writes the complete default settings into the in-memory copy, section by
// section in file order; it does not write the file to disk. versionText is
// stored as given (with its leading blank).
void WriteDefaultSettings(IniFile &settings, const QString &versionText);

// The three default lists, each written into its section ("Languages",
// "Publishers", "Topics"); also used to restore a list on its settings page.
void WriteDefaultLanguages(IniFile &settings);
void WriteDefaultPublishers(IniFile &settings);
void WriteDefaultTopics(IniFile &settings);
