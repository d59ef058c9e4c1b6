#include "HtmlCommand.h"

#include "app/IniFile.h"
#include "data/DataPacket.h"
#include "data/DataSet.h"
#include "data/ReviewSchema.h"
#include "documents/HtmlPages.h"

#include <QDir>
#include <QFileInfo>

#include <cstdio>

namespace {

void note(const QString &message)
{
    const QByteArray bytes = message.toLocal8Bit();
    std::fprintf(stderr, "skribando-packet: %s\n", bytes.constData());
}

} // namespace

bool LoadReviewTable(const QString &path, DataSet &table, QString *error)
{
    PacketData packet;
    if (!DataPacket::loadFromFile(path, packet, error))
        return false;
    table.setFields(ReviewFields());
    table.open();
    // The columns are matched by name, so a file whose columns lie in
    // another order (or lack some) still gives its records.
    QList<int> source(ReviewFieldCount, -1);
    bool anyColumn = false;
    for (int f = 0; f < ReviewFieldCount; ++f) {
        for (qsizetype c = 0; c < packet.fields.size(); ++c) {
            if (packet.fields[c].name.compare(table.field(f).name, Qt::CaseInsensitive) == 0) {
                source[f] = int(c);
                anyColumn = true;
                break;
            }
        }
    }
    if (!anyColumn && !packet.fields.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1 ist keine Besprechungsdatei.").arg(path);
        return false;
    }
    table.disableControls();
    for (const Record &row : packet.rows) {
        table.append();
        for (int f = 0; f < ReviewFieldCount; ++f) {
            if (source[f] >= 0 && source[f] < row.size())
                table.setValue(f, row[source[f]]);
        }
        table.post();
    }
    table.enableControls();
    table.first();
    return true;
}

int RunHtmlCommand(const QStringList &args, QString *error)
{
    // html FILE OUT [--settings INI] [--preview] [--subtitle TEXT]
    if (args.size() < 2)
        return -1;
    QString settingsPath;
    QString subtitle;
    bool preview = false;
    for (qsizetype i = 2; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--preview"))
            preview = true;
        else if (args[i] == QLatin1String("--settings") && i + 1 < args.size())
            settingsPath = args[++i];
        else if (args[i] == QLatin1String("--subtitle") && i + 1 < args.size())
            subtitle = args[++i];
        else
            return -1;
    }
    if (!settingsPath.isEmpty() && !QFileInfo(settingsPath).isFile()) {
        *error = QStringLiteral("Einstellungsdatei %1 nicht gefunden.").arg(settingsPath);
        return 1;
    }
    const IniFile settings(settingsPath);
    if (settings.readFailed()) {
        *error
            = QStringLiteral("Einstellungsdatei %1 kann nicht gelesen werden.").arg(settingsPath);
        return 1;
    }
    DataSet table;
    if (!LoadReviewTable(args[0], table, error))
        return 1;

    // The page's folder plays the HTML folder: its style sheet is looked for
    // there.
    const QString out = args[1];
    const QString folder = QFileInfo(out).absolutePath() + u'/';
    HtmlPages pages(table, settings, folder,
        settings.readString(
            QStringLiteral("WEBpage"), QStringLiteral("RelativePath"), QStringLiteral("../")));
    pages.PageSubtitle = subtitle;
    pages.warn = [](const QString &, const QString &message) {
        note(QString(message).replace(QStringLiteral("\r\n"), QStringLiteral(" ")));
    };
    QString writeError;
    if (!pages.WriteHtmlFile(out, preview, &writeError)) {
        *error = QStringLiteral("%1 kann nicht geschrieben werden: %2").arg(out, writeError);
        return 1;
    }
    return 0;
}
