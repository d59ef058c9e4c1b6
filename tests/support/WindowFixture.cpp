#include "WindowFixture.h"

#include "app/Fmain.h"
#include "base/DefaultSettings.h"
#include "base/IniFile.h"
#include "data/DDataAccess.h"
#include "exchange/FFrontImageDlg.h"
#include "util/Codec1252.h"

#include <QDir>
#include <QLocale>
#include <QTest>

WindowFixture::WindowFixture(const QByteArray &extraSettings)
{
    // Sorting and comparisons follow the German locale in every window test.
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
    // The three lists as a first start writes them; every other key is
    // left to the readers' defaults or the test's own values.
    IniFile ini(env.path(QStringLiteral("Skribando.ini")));
    WriteDefaultLanguages(ini);
    WriteDefaultPublishers(ini);
    WriteDefaultTopics(ini);
    ini.writeBool(QStringLiteral("Folders"), QStringLiteral("AskYearFolder"), false);
    if (extraSettings.contains("[Reviewer]")) {
        // Its own reviewer section only: the readers' defaults apply to
        // what it leaves out.
        ini.eraseSection(QStringLiteral("Reviewer"));
    } else {
        const QString reviewer = QStringLiteral("Reviewer");
        ini.writeString(reviewer, QStringLiteral("Firstname"), QStringLiteral("Erika"));
        ini.writeString(reviewer, QStringLiteral("Name"), QStringLiteral("Muster"));
        ini.writeString(reviewer, QStringLiteral("Initials"), QStringLiteral("EM"));
    }
    // The extra lines override and add, section by section.
    QString section;
    for (const QByteArray &raw : extraSettings.split('\n')) {
        const QString line = Codec1252::decode(raw).trimmed();
        if (line.startsWith(u'[') && line.endsWith(u']'))
            section = line.mid(1, line.size() - 2);
        else if (line.contains(u'=') && !section.isEmpty())
            ini.writeString(section, line.section(u'=', 0, 0), line.section(u'=', 1));
    }
    ini.UpdateFile();
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
    m_program = StartProgram(desktop, env.path(QStringLiteral("Skribando")), &mail, &printer);
    if (m_program && m_program->frontImageDlg) {
        m_program->frontImageDlg->modalAnswer = [](TFrontImageDlg &dlg) {
            QTest::qFail(("unexpected cover dialog: " + dlg.windowTitle()).toUtf8().constData(),
                __FILE__, __LINE__);
            return int(Msg::mrCancel);
        };
    }
    return bool(m_program);
}

void WindowFixture::useScriptedWordProcessor() { window().setWordProcessor(&wordProcessor); }

TMainform &WindowFixture::window() const { return *m_program->mainform; }

TDataAccess &WindowFixture::data() const { return *m_program->dataAccess; }

DataSet &WindowFixture::table() const { return *m_program->dataAccess->DSetReview; }

QString WindowFixture::dbFolder() const { return env.path(QStringLiteral("Zadizezerev/DB/")); }

TFrontImageDlg &WindowFixture::coverDialog() const { return *m_program->frontImageDlg; }
