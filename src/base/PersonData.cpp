#include "PersonData.h"

#include "IniFile.h"

bool IsPersonDataGiven(const IniFile &settings)
{
    const QString reviewer = QStringLiteral("Reviewer");
    const QString firstname
        = settings.readString(reviewer, QStringLiteral("Firstname"), QStringLiteral("X"));
    const QString name = settings.readString(reviewer, QStringLiteral("Name"), QStringLiteral("Y"));
    return firstname + name != QLatin1String("XY");
}
