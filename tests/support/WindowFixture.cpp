#include "WindowFixture.h"

#include "app/Fmain.h"
#include "data/DDataAccess.h"

#include <QDir>
#include <QLocale>

WindowFixture::WindowFixture(const QByteArray &extraSettings)
    : m_settings("[Folders]\r\nAskYearFolder=0\r\n[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\n"
                 "Initials=EM\r\n"
        + extraSettings)
{
    // Sorting and comparisons follow the German locale in every window test.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
    env.writeFile(QStringLiteral("Skribando.ini"), m_settings);
    QDir().mkpath(env.path(QStringLiteral("Zadizezerev/DB")));
}

WindowFixture::~WindowFixture() = default;

bool WindowFixture::writeDbFile(const QString &relative, const QByteArray &bytes)
{
    return env.writeFile(QStringLiteral("Zadizezerev/DB/") + relative, bytes);
}

bool WindowFixture::makeDbFolder(const QString &relative)
{
    return QDir().mkpath(env.path(QStringLiteral("Zadizezerev/DB/") + relative));
}

bool WindowFixture::start()
{
    m_program = StartProgram(desktop, env.path(QStringLiteral("Skribando")));
    return bool(m_program);
}

TMainform &WindowFixture::window() const { return *m_program->mainform; }

TDataAccess &WindowFixture::data() const { return *m_program->dataAccess; }

DataSet &WindowFixture::table() const { return *m_program->dataAccess->DSetReview; }

QString WindowFixture::dbFolder() const { return env.path(QStringLiteral("Zadizezerev/DB/")); }
