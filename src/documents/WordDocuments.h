#pragma once

#include "store/FieldDef.h"

#include <QLocale>
#include <QString>
#include <QStringList>

#include <optional>

class DataSet;
class IniFile;
class IProgress;
class IWordProcessor;

// How documents are set: the template, and font and size of every review.
struct DocStyle
{
    QString dotFile;
    QString font;
    int fontSize = 10;
};

// Reads DocStyle from the settings. A font size that is no whole number
// gives nothing, with the conversion's message in error.
std::optional<DocStyle> ReadDocStyle(const IniFile &settings, QString *error);

// The name with the characters that file names cannot hold replaced by "_".
QString SafeFileName(const QString &name);

// The document name of the reviews without a publisher.
QString NoPublisherDocumentName();

// Writes the review table's records into word-processor documents, each
// review in the preview's form. A failure is reported through error after
// the word processor has been quit; documents saved before it stay.
class WordDocuments
{
public:
    WordDocuments(DataSet &table, IWordProcessor &word, const QLocale &locale = QLocale::system());

    // Every record, in table order, into one document saved as path. The
    // table is left on its last record.
    bool WriteWordFile(const QString &path, const DocStyle &style, QString *error);

    // Orders the table by publisher and first author (the order stays) and
    // writes one document per publisher into folder (which ends in "/"). All
    // records with the same publisher text go into its document; names that
    // come out alike get " (2)", " (3)", ... so no document replaces another
    // one of this run. written receives the paths saved. False with no error
    // text when the table holds no record: then nothing is started.
    bool WritePublisherDocuments(
        const QString &folder, const DocStyle &style, QString *error, QStringList *written);

    // Where the documents tell their progress; the person may stop them
    // between two reviews. The document being written is then dropped, the
    // ones saved before stay, and the run ends false without an error text.
    IProgress *progress = nullptr;
    // Whether the last run was stopped so.
    bool stopped() const { return m_stopped; }

private:
    // Font, size and the preview of one posted row.
    bool insertReview(const CompactRow &row, const DocStyle &style);
    bool fail(QString *error);
    bool stop(QString *error);

    DataSet &m_table;
    IWordProcessor &m_word;
    QLocale m_locale;
    bool m_started = false;
    bool m_stopped = false;
};
