#include "VersionInfo.h"

#include "VersionConfig.h"

namespace {

const char *const kKeys[]
    = { "CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
          "LegalTradeMarks", "OriginalFileName", "ProductName", "ProductVersion", "Comments" };

} // namespace

QList<QPair<QString, QString>> CompiledVersionValues()
{
    return {
        { QStringLiteral("CompanyName"), QStringLiteral("Skribando-Entwicklergruppe") },
        { QStringLiteral("FileDescription"),
            QStringLiteral("Skribando - Buchbesprechungen erfassen, versenden und verwalten") },
        { QStringLiteral("FileVersion"), QStringLiteral(SKRIBANDO_FILE_VERSION) },
        { QStringLiteral("InternalName"), QStringLiteral("Skribando") },
        { QStringLiteral("LegalCopyright"),
            QStringLiteral(
                "\u00A9 2026 Skribando-Entwicklergruppe. Freie Nutzung im Besprechungskreis.") },
        { QStringLiteral("LegalTrademarks"), QString() },
        { QStringLiteral("OriginalFilename"), QStringLiteral("Skribando") },
        { QStringLiteral("ProductName"), QStringLiteral("Skribando") },
        { QStringLiteral("ProductVersion"), QStringLiteral(SKRIBANDO_RELEASE_DATE) },
        { QStringLiteral("Comments"),
            QStringLiteral(
                "Für Rezensentinnen und Rezensenten von Kinder-, Jugend- und Erwachsenenbüchern") },
    };
}

void ReadVersionInfo(QStringList &list) { ReadVersionInfo(list, CompiledVersionValues()); }

void ReadVersionInfo(QStringList &list, const QList<QPair<QString, QString>> &values)
{
    if (values.isEmpty())
        return;
    // The size of the block the values would fill as a resource: each key and
    // value as UTF-16 with a terminating zero.
    qsizetype size = 0;
    for (const auto &kv : values)
        size += (kv.first.size() + 1 + kv.second.size() + 1) * 2;
    list.append(QStringLiteral("VersionInfoSize = %1").arg(size));
    for (const char *key : kKeys) {
        const QString k = QLatin1String(key);
        for (const auto &kv : values) {
            if (kv.first.compare(k, Qt::CaseInsensitive) == 0 && !kv.second.isEmpty()) {
                list.append(k + QStringLiteral(" = ") + kv.second);
                break;
            }
        }
    }
}

QString VersionValue(const QStringList &list, const QString &key)
{
    for (const QString &line : list) {
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        if (QStringView(line).left(eq).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(eq + 1);
    }
    return {};
}

QString GetVersionField(const QStringList &list, int n)
{
    const QString value = VersionValue(list, QStringLiteral("FileVersion "));
    if (n >= 3)
        return value;
    const int wanted = n + 1;
    int points = 0;
    QString before;
    for (qsizetype i = 0; i + 1 < value.size(); ++i) {
        if (value[i] == u'.') {
            ++points;
            before = value.left(i);
            if (points == wanted)
                break;
        }
    }
    return before;
}
