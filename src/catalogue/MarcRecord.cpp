#include "MarcRecord.h"

#include <QXmlStreamReader>

namespace {

const QString kMarcNamespace = QStringLiteral("http://www.loc.gov/MARC21/slim");
constexpr qsizetype kMaxRecords = 100;

QChar indicator(const QXmlStreamAttributes &attributes, const QString &name)
{
    const QStringView value = attributes.value(name);
    return value.isEmpty() ? QChar(u' ') : value.front();
}

// The text inside the current element, whatever it holds.
QString elementText(QXmlStreamReader &xml)
{
    return CatalogueText(xml.readElementText(QXmlStreamReader::IncludeChildElements));
}

void readDataField(QXmlStreamReader &xml, MarcField &field)
{
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("subfield")) {
            const QStringView code = xml.attributes().value(QLatin1String("code"));
            MarcSubfield sub;
            sub.code = code.isEmpty() ? QChar(u' ') : code.front();
            sub.text = elementText(xml);
            field.subfields.append(sub);
        } else {
            xml.skipCurrentElement();
        }
    }
}

MarcRecord readRecord(QXmlStreamReader &xml)
{
    MarcRecord record;
    while (xml.readNextStartElement()) {
        const QStringView name = xml.name();
        if (name == QLatin1String("leader")) {
            record.leader = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (name == QLatin1String("controlfield") || name == QLatin1String("datafield")) {
            MarcField field;
            const QXmlStreamAttributes attributes = xml.attributes();
            field.tag = attributes.value(QLatin1String("tag")).toString().trimmed();
            if (name == QLatin1String("controlfield")) {
                field.data = xml.readElementText(QXmlStreamReader::IncludeChildElements);
            } else {
                field.ind1 = indicator(attributes, QStringLiteral("ind1"));
                field.ind2 = indicator(attributes, QStringLiteral("ind2"));
                readDataField(xml, field);
            }
            record.fields.append(field);
        } else {
            xml.skipCurrentElement();
        }
    }
    return record;
}

} // namespace

QString MarcField::subfield(QChar code) const
{
    for (const MarcSubfield &s : subfields) {
        if (s.code == code)
            return s.text;
    }
    return {};
}

QStringList MarcField::subfieldsOf(QChar code) const
{
    QStringList texts;
    for (const MarcSubfield &s : subfields) {
        if (s.code == code)
            texts.append(s.text);
    }
    return texts;
}

bool MarcField::has(QChar code) const
{
    return std::any_of(subfields.begin(), subfields.end(),
        [code](const MarcSubfield &s) { return s.code == code; });
}

QList<const MarcField *> MarcRecord::fieldsWithTag(QStringView tag) const
{
    QList<const MarcField *> found;
    for (const MarcField &f : fields) {
        if (f.tag == tag)
            found.append(&f);
    }
    return found;
}

const MarcField *MarcRecord::field(QStringView tag) const
{
    for (const MarcField &f : fields) {
        if (f.tag == tag)
            return &f;
    }
    return nullptr;
}

bool ParseSruAnswer(QByteArrayView bytes, SruAnswer &answer, QString *error)
{
    answer = SruAnswer();
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    // Read in place: the answer may be megabytes.
    const QByteArray data = QByteArray::fromRawData(bytes.data(), bytes.size());
    QXmlStreamReader xml(data);
    bool sawRoot = false;
    bool inDiagnostics = false;
    bool sawDiagnostic = false;
    QString details, message, uri;
    int depth = 0;
    int diagnosticsDepth = -1;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::DTD:
            return fail(QStringLiteral("Die Antwort enthält eine Dokumenttyp-Definition (DTD) "
                                       "und wird deshalb nicht gelesen."));
        case QXmlStreamReader::StartElement: {
            const QStringView name = xml.name();
            if (!sawRoot) {
                sawRoot = true;
                if (name != QLatin1String("searchRetrieveResponse"))
                    return fail(QStringLiteral("Die Antwort ist keine Antwort einer "
                                               "SRU-Schnittstelle."));
                ++depth;
                break;
            }
            if (name == QLatin1String("record") && xml.namespaceUri() == kMarcNamespace) {
                MarcRecord record = readRecord(xml);
                if (answer.records.size() < kMaxRecords)
                    answer.records.append(std::move(record));
                break; // the record's end element has been read
            }
            if (name == QLatin1String("numberOfRecords")) {
                bool ok = false;
                const qint64 n = xml.readElementText(QXmlStreamReader::IncludeChildElements)
                                     .trimmed()
                                     .toLongLong(&ok);
                if (ok && n >= 0)
                    answer.numberOfRecords = n;
                break;
            }
            if (name == QLatin1String("diagnostics")) {
                inDiagnostics = true;
                diagnosticsDepth = depth;
            } else if (inDiagnostics
                && (name == QLatin1String("details") || name == QLatin1String("message")
                    || name == QLatin1String("uri"))) {
                QString &slot = name == QLatin1String("details") ? details
                    : name == QLatin1String("message")           ? message
                                                                 : uri;
                const QString text = elementText(xml);
                if (slot.isEmpty())
                    slot = text;
                break;
            } else if (inDiagnostics && name == QLatin1String("diagnostic")) {
                sawDiagnostic = true;
            }
            ++depth;
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            if (inDiagnostics && depth == diagnosticsDepth)
                inDiagnostics = false;
            break;
        default:
            break;
        }
    }
    if (xml.hasError()) {
        return fail(QStringLiteral("Die Antwort ist kein gültiges XML (Zeile %1, Spalte %2: %3).")
                        .arg(xml.lineNumber())
                        .arg(xml.columnNumber())
                        .arg(xml.errorString()));
    }
    if (!sawRoot)
        return fail(QStringLiteral("Die Antwort ist leer."));
    // The explanation is in "details"; a diagnostic without one still is one.
    for (const QString &text : { details, message, uri }) {
        if (answer.diagnostic.isEmpty())
            answer.diagnostic = text;
    }
    if (answer.diagnostic.isEmpty() && sawDiagnostic)
        answer.diagnostic = QStringLiteral("ohne Begründung");
    return true;
}

QString CatalogueText(QStringView raw)
{
    const QString composed = raw.toString().normalized(QString::NormalizationForm_C);
    QString text;
    text.reserve(composed.size());
    bool blank = true; // drops leading blanks
    for (QChar c : composed) {
        const char16_t u = c.unicode();
        if (u >= 0x80 && u <= 0x9f)
            continue;
        if (u < 0x20 || c.isSpace()) {
            if (!blank)
                text.append(u' ');
            blank = true;
            continue;
        }
        text.append(c);
        blank = false;
    }
    if (text.endsWith(u' '))
        text.chop(1);
    return text;
}
