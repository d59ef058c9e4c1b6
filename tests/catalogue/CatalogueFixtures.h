#pragma once

#include "TestEnv.h"

#include <QByteArray>
#include <QFile>
#include <QString>

// The answers of the catalogues that the tests serve, written after the
// catalogues' documented formats (tests/fixtures/catalogue).
inline QString CatalogueFixture(const QString &name)
{
    return TestEnv::fixtures() + QStringLiteral("/catalogue/") + name;
}

inline QByteArray CatalogueFixtureBytes(const QString &name)
{
    QFile f(CatalogueFixture(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}
