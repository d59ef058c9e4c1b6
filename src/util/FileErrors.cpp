#include "FileErrors.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>

namespace {

struct GermanText
{
    int number;
    const char *text;
};

const GermanText kGermanTexts[] = {
    { ENOSPC, "Auf dem Datenträger ist kein Platz mehr frei." },
    { EDQUOT, "Der Speicherplatz, der Ihnen auf dem Datenträger zusteht, ist aufgebraucht." },
    { EFBIG, "Die Datei ist zu gross für das Dateisystem." },
    { EROFS, "Das Dateisystem ist schreibgeschützt." },
    { EACCES, "Zugriff verweigert: Die Berechtigung fehlt." },
    { EPERM, "Zugriff verweigert: Die Berechtigung fehlt." },
    { ENAMETOOLONG, "Der Name der Datei ist zu lang." },
    { EEXIST, "Die Datei oder das Verzeichnis gibt es bereits." },
    { ENOENT, "Die Datei oder das Verzeichnis gibt es nicht." },
    { EIO, "Ein- oder Ausgabefehler: Der Datenträger kann nicht gelesen oder beschrieben werden." },
};

// Qt's own names for four error numbers (qt_error_string), which its
// translations may turn into German of their own.
struct QtText
{
    int number;
    const char *text;
};

const QtText kQtTexts[] = {
    { EACCES, QT_TRANSLATE_NOOP("QIODevice", "Permission denied") },
    { ENOENT, QT_TRANSLATE_NOOP("QIODevice", "No such file or directory") },
    { ENOSPC, QT_TRANSLATE_NOOP("QIODevice", "No space left on device") },
};

QString cLibraryText(int number) { return QString::fromLocal8Bit(std::strerror(number)); }

} // namespace

QString SystemErrorText(int errorNumber)
{
    for (const GermanText &g : kGermanTexts) {
        if (g.number == errorNumber)
            return QString::fromUtf8(g.text);
    }
    return cLibraryText(errorNumber);
}

QString FileErrorText(const QString &systemText)
{
    const QString text = systemText.trimmed();
    if (text.isEmpty())
        return systemText;
    for (const QtText &q : kQtTexts) {
        if (text == QLatin1String(q.text)
            || text == QCoreApplication::translate("QIODevice", q.text))
            return SystemErrorText(q.number);
    }
    for (const GermanText &g : kGermanTexts) {
        if (text == cLibraryText(g.number))
            return QString::fromUtf8(g.text);
    }
    return systemText;
}
