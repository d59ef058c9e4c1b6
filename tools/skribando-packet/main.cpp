// skribando-packet: a small companion for review files.
//
//   skribando-packet dump FILE        the packet as JSON on standard output
//   skribando-packet convert IN OUT   IN rewritten in the form OUT's name asks
//                                     for (XML when it ends in ".xml")
//   skribando-packet preview FILE     the preview text of every record in file
//                                     order, lines ended by CR, in UTF-8
//   skribando-packet doc FILE OUT [--settings INI]
//                                     the word-processor document of FILE, set
//                                     as INI's DocStyle says (else the defaults)
//   skribando-packet html FILE OUT [--settings INI] [--preview] [--subtitle TEXT]
//                                     the HTML page of all records of FILE, with
//                                     INI's web page settings (else the defaults)
//   skribando-packet lookup ISBN [--settings INI]
//                                     what "Katalogdaten holen" would fill in a new
//                                     record, as one JSON object keyed by the
//                                     record's field names (and "CoverURL" when the
//                                     catalogue has a cover); INI names the
//                                     catalogues' addresses and the languages
//   skribando-packet find QUERY FILE...
//                                     one line "FILE<tab>book number" per record
//                                     that matches QUERY, files and records in
//                                     their order; status 0 also for no match
//
// Bad input gives a message on standard error and exit status 1.

#include "base/DefaultSettings.h"
#include "base/IniFile.h"
#include "base/VexUtils.h"
#include "catalogue/CatalogueClient.h"
#include "data/BookSearch.h"
#include "documents/HtmlPages.h"
#include "documents/PreviewText.h"
#include "documents/RtfWordProcessor.h"
#include "documents/WordDocuments.h"
#include "store/DataPacket.h"
#include "store/DataSet.h"
#include "store/ISBN.h"
#include "store/ReviewSchema.h"
#include "store/TableFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

int failure(const QString &message)
{
    const QByteArray bytes = message.toLocal8Bit();
    std::fprintf(stderr, "skribando-packet: %s\n", bytes.constData());
    return 1;
}

QJsonValue jsonValue(const FieldDef &field, const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return QJsonValue::Null;
    switch (field.kind) {
    case FieldKind::Integer:
        if (v.metaType().id() == QMetaType::ULongLong)
            return double(v.toULongLong());
        return v.toLongLong();
    case FieldKind::Float: {
        const double d = v.toDouble();
        return std::isfinite(d) ? QJsonValue(d) : QJsonValue(QJsonValue::Null);
    }
    case FieldKind::Boolean:
        return v.toBool();
    case FieldKind::Date:
        return v.toDate().toString(QStringLiteral("yyyy-MM-dd"));
    case FieldKind::Time:
        return v.toTime().toString(QStringLiteral("HH:mm:ss.zzz"));
    case FieldKind::DateTime: {
        const QDateTime dt = v.toDateTime();
        return dt.date().toString(QStringLiteral("yyyy-MM-dd")) + u'T'
            + dt.time().toString(QStringLiteral("HH:mm:ss.zzz"));
    }
    case FieldKind::Bytes:
        return QString::fromLatin1(v.toByteArray().toBase64());
    case FieldKind::Other:
        // Values of types this program does not interpret: the bytes of a
        // binary packet in Base64, the text of an XML packet as it stands.
        if (field.typeWord && v.metaType().id() == QMetaType::QByteArray)
            return QString::fromLatin1(v.toByteArray().toBase64());
        return QString::fromUtf8(v.toByteArray());
    case FieldKind::Text:
    case FieldKind::WideText:
    case FieldKind::Memo:
    case FieldKind::Bcd:
        break;
    }
    return v.toString();
}

// Written row by row, so that the text of a big packet is never held whole.
bool dumpJson(const PacketData &packet, std::FILE *out)
{
    auto put = [out](const QByteArray &bytes) {
        return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out) == size_t(bytes.size());
    };
    QJsonArray columns;
    for (const FieldDef &f : packet.fields) {
        QString type = DataPacket::xmlTypeName(f);
        if (type.isEmpty())
            type = QStringLiteral("0x%1").arg(f.typeWord, 8, 16, QLatin1Char('0'));
        columns.append(QJsonObject {
            { QStringLiteral("name"), f.name },
            { QStringLiteral("type"), type },
            { QStringLiteral("width"), f.width },
        });
    }
    if (!put("{\"columns\":" + QJsonDocument(columns).toJson(QJsonDocument::Compact)
            + ",\"rows\":["))
        return false;
    for (qsizetype r = 0; r < packet.rows.size(); ++r) {
        const CompactRow &rec = packet.rows[r];
        QJsonArray row;
        for (qsizetype c = 0; c < packet.fields.size(); ++c)
            row.append(c < rec.size() ? jsonValue(packet.fields[c], rec[c]) : QJsonValue::Null);
        if ((r > 0 && !put(",")) || !put(QJsonDocument(row).toJson(QJsonDocument::Compact)))
            return false;
    }
    return put("]}\n") && std::fflush(out) == 0;
}

int usage()
{
    return failure(QStringLiteral("Aufruf: skribando-packet dump DATEI | "
                                  "skribando-packet convert EINGABE AUSGABE | "
                                  "skribando-packet preview DATEI | "
                                  "skribando-packet doc DATEI AUSGABE [--settings INI] | "
                                  "skribando-packet html DATEI SEITE [--settings INI] "
                                  "[--preview] [--subtitle TEXT] | "
                                  "skribando-packet lookup ISBN [--settings INI] | "
                                  "skribando-packet find SUCHE DATEI..."));
}

bool writeOut(const QByteArray &bytes)
{
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size())
        && std::fflush(stdout) == 0;
}

// The records of a review file in file order, every one included, composed
// by the program's own code.
int previewCommand(const QString &file)
{
    DataSet table;
    QString error;
    if (!LoadFromFile(table, file, &error))
        return failure(error);
    const QLocale locale = PriceLocale();
    QString text;
    const QList<CompactRow> rows = table.rows();
    for (const CompactRow &row : rows)
        text += ComposePreview(ReviewTextsOf(row), locale);
    if (!writeOut(text.toUtf8()))
        return failure(QStringLiteral("Die Ausgabe kann nicht geschrieben werden."));
    return 0;
}

// The settings of INI, or none (every read gives its default) when no file
// is named. Null with a message when a named file is missing or unreadable.
std::unique_ptr<IniFile> readSettings(const QString &settingsFile, QString *error)
{
    if (!settingsFile.isEmpty() && !QFileInfo::exists(settingsFile)) {
        *error = QStringLiteral("Die Einstellungsdatei %1 fehlt.").arg(settingsFile);
        return nullptr;
    }
    auto settings = std::make_unique<IniFile>(settingsFile);
    if (settings->readFailed()) {
        *error = QStringLiteral("Die Einstellungsdatei %1 kann nicht gelesen werden.")
                     .arg(settingsFile);
        return nullptr;
    }
    return settings;
}

int docCommand(const QString &file, const QString &out, const QString &settingsFile)
{
    DataSet table;
    QString error;
    if (!LoadFromFile(table, file, &error))
        return failure(error);
    const auto ini = readSettings(settingsFile, &error);
    if (!ini)
        return failure(error);
    const IniFile &settings = *ini;
    const auto style = ReadDocStyle(settings, &error);
    if (!style)
        return failure(error);
    RtfWordProcessor word;
    if (!WordDocuments(table, word).WriteWordFile(out, *style, &error))
        return failure(error);
    return 0;
}

// The page of every record of the file, as the program writes it; the
// page's own folder stands for the HTML folder that holds the style sheet.
int htmlCommand(const QString &file, const QString &out, const QString &settingsFile, bool preview,
    const QString &subtitle)
{
    DataSet table;
    QString error;
    if (!LoadFromFile(table, file, &error))
        return failure(error);
    const auto settings = readSettings(settingsFile, &error);
    if (!settings)
        return failure(error);
    HtmlPages pages(table, *settings, QFileInfo(out).absolutePath() + u'/',
        settings->readString(
            QStringLiteral("WEBpage"), QStringLiteral("RelativePath"), QStringLiteral("../")));
    pages.PageSubtitle = subtitle;
    pages.warn = [](const QString &, const QString &message) {
        const QByteArray bytes
            = QString(message).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).toLocal8Bit();
        std::fprintf(stderr, "skribando-packet: %s\n", bytes.constData());
    };
    if (!pages.WriteHtmlFile(out, preview, &error))
        return failure(QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(out, error));
    return 0;
}

// The look-up of "Katalogdaten holen" for a new record (its currency "Fr"),
// with the same code; the first entry of the choice list when there are
// several.
int lookupCommand(const QString &input, const QString &settingsFile)
{
    const QString isbn = NormalizeISBN(input);
    if (!IsValidISBN(isbn, nullptr))
        return failure(ISBNCheckReport(input));
    QString error;
    const auto settings = readSettings(settingsFile, &error);
    if (!settings)
        return failure(error);
    MappingContext mapping;
    IniFile defaults { QString() };
    WriteDefaultLanguages(defaults);
    const QString section = QStringLiteral("Languages");
    const IniFile &languages = settings->sectionExists(section) ? *settings : defaults;
    for (const QString &key : languages.readSectionKeys(section))
        mapping.languages.append({ key, languages.readString(section, key, QString()) });

    CatalogueClient client;
    client.setSettings(CatalogueSettings::read(*settings));
    QEventLoop loop;
    CatalogueLookup lookup;
    QObject::connect(
        &client, &CatalogueClient::lookupFinished, &loop, [&](const CatalogueLookup &result) {
            lookup = result;
            loop.quit();
        });
    CoverFetch cover;
    QObject::connect(
        &client, &CatalogueClient::coverFinished, &loop, [&](const CoverFetch &result) {
            cover = result;
            loop.quit();
        });
    const QString isbn13 = ToIsbn13(isbn);
    client.lookup(isbn13, mapping);
    loop.exec();
    if (lookup.outcome != CatalogueLookup::Found || lookup.entries.isEmpty())
        return failure(
            QString(lookup.message).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    QJsonObject json = CatalogueEntryJson(lookup.entries.first());
    client.fetchCover(isbn13);
    loop.exec();
    if (cover.outcome == CoverFetch::Found)
        json.insert(QStringLiteral("CoverURL"), cover.url);
    if (!writeOut(QJsonDocument(json).toJson(QJsonDocument::Compact) + '\n'))
        return failure(QStringLiteral("Die Ausgabe kann nicht geschrieben werden."));
    return 0;
}

// The records of the files that match the query, by the program's own rule.
// Each file is named as it was given; a file that cannot be read is named on
// standard error, and the others are searched all the same.
int findCommand(const QString &query, const QList<QByteArray> &files)
{
    const FindQuery find(query);
    bool failed = false;
    for (const QByteArray &given : files) {
        DataSet table;
        QString error;
        if (!LoadFromFile(table, QFile::decodeName(given), &error)) {
            failure(error);
            failed = true;
            continue;
        }
        QByteArray out;
        const QList<Record> records = table.records();
        for (const Record &values : records) {
            if (!find.matches(SearchableBook(values)))
                continue;
            const int key = values.size() > fBookNbr ? BookKeyOf(values[fBookNbr]) : 0;
            out += given + '\t' + BookKeyToText(key).toUtf8() + '\n';
        }
        if (!writeOut(out))
            return failure(QStringLiteral("Die Ausgabe kann nicht geschrieben werden."));
    }
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();

    const QString command = args.first();
    if (command == QLatin1String("dump") && args.size() == 2) {
        PacketData packet;
        QString error;
        if (!DataPacket::loadFromFile(args[1], packet, &error))
            return failure(error);
        if (!dumpJson(packet, stdout))
            return failure(QStringLiteral("Die Ausgabe kann nicht geschrieben werden."));
        return 0;
    }
    if (command == QLatin1String("convert") && args.size() == 3) {
        PacketData packet;
        QString error;
        if (!DataPacket::loadFromFile(args[1], packet, &error))
            return failure(error);
        // Reading took at most 64 bytes per input byte; the output may take a
        // few more, so that the whole run stays within that bound too.
        const qint64 inputSize = QFileInfo(args[1]).size();
        if (!DataPacket::saveToFile(args[2], packet, &error, 8 * inputSize + (qint64(16) << 20)))
            return failure(error);
        return 0;
    }
    if (command == QLatin1String("preview") && args.size() == 2)
        return previewCommand(args[1]);
    if (command == QLatin1String("doc") && (args.size() == 3 || args.size() == 5)) {
        if (args.size() == 5 && args[3] != QLatin1String("--settings"))
            return usage();
        return docCommand(args[1], args[2], args.size() == 5 ? args[4] : QString());
    }
    if (command == QLatin1String("html") && args.size() >= 3) {
        QString settingsFile;
        QString subtitle;
        bool preview = false;
        for (qsizetype i = 3; i < args.size(); ++i) {
            if (args[i] == QLatin1String("--preview"))
                preview = true;
            else if (args[i] == QLatin1String("--settings") && i + 1 < args.size())
                settingsFile = args[++i];
            else if (args[i] == QLatin1String("--subtitle") && i + 1 < args.size())
                subtitle = args[++i];
            else
                return usage();
        }
        return htmlCommand(args[1], args[2], settingsFile, preview, subtitle);
    }
    if (command == QLatin1String("lookup") && (args.size() == 2 || args.size() == 4)) {
        if (args.size() == 4 && args[2] != QLatin1String("--settings"))
            return usage();
        return lookupCommand(args[1], args.size() == 4 ? args[3] : QString());
    }
    if (command == QLatin1String("find") && args.size() >= 3) {
        // The file names exactly as given, for the output.
        QList<QByteArray> files;
        for (int i = 3; i < argc; ++i)
            files.append(QByteArray(argv[i]));
        return findCommand(args[1], files);
    }
    return usage();
}
