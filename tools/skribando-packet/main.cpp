// skribando-packet: a small companion for review files.
//
//   skribando-packet dump FILE        the packet as JSON on standard output
//   skribando-packet convert IN OUT   IN rewritten in the form OUT's name asks
//                                     for (XML when it ends in ".xml")
//   skribando-packet html FILE OUT [--settings INI] [--preview] [--subtitle TEXT]
//                                     the HTML page of all records of FILE
//
// Bad input gives a message on standard error and exit status 1.

#include "HtmlCommand.h"
#include "data/DataPacket.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>

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

QByteArray dumpJson(const PacketData &packet)
{
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
    QJsonArray rows;
    for (const Record &rec : packet.rows) {
        QJsonArray row;
        for (qsizetype c = 0; c < packet.fields.size(); ++c)
            row.append(c < rec.size() ? jsonValue(packet.fields[c], rec[c]) : QJsonValue::Null);
        rows.append(row);
    }
    const QJsonObject root { { QStringLiteral("columns"), columns },
        { QStringLiteral("rows"), rows } };
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

int usage()
{
    return failure(QStringLiteral("Aufruf: skribando-packet dump DATEI | "
                                  "skribando-packet convert EINGABE AUSGABE | "
                                  "skribando-packet html DATEI SEITE [--settings INI] "
                                  "[--preview] [--subtitle TEXT]"));
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
        QByteArray json = dumpJson(packet);
        json.append('\n');
        if (std::fwrite(json.constData(), 1, size_t(json.size()), stdout) != size_t(json.size())
            || std::fflush(stdout) != 0)
            return failure(QStringLiteral("Die Ausgabe kann nicht geschrieben werden."));
        return 0;
    }
    if (command == QLatin1String("convert") && args.size() == 3) {
        PacketData packet;
        QString error;
        if (!DataPacket::loadFromFile(args[1], packet, &error))
            return failure(error);
        if (!DataPacket::saveToFile(args[2], packet, &error))
            return failure(error);
        return 0;
    }
    if (command == QLatin1String("html")) {
        QString error;
        const int code = RunHtmlCommand(args.mid(1), &error);
        if (code < 0)
            return usage();
        return code == 0 ? 0 : failure(error);
    }
    return usage();
}
