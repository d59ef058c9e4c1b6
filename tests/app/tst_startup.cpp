#include "FileSizeLimit.h"
#include "ScriptedDesktop.h"
#include "TestEnv.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "app/ProgramFolder.h"
#include "app/QtTranslations.h"
#include "app/Startup.h"
#include "app/StatusPanels.h"
#include "base/ActionList.h"
#include "base/IniFile.h"
#include "data/DDataAccess.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <unistd.h>

#include <optional>

namespace {

const QString kYearCaption = QStringLiteral("Jahresverzeichnis anlegen...");

QString programFile(const TestEnv &env) { return env.path(QStringLiteral("Skribando")); }

// Notes what the settings file holds on disk when the year question comes:
// a start may be killed while it waits for the person.
class DiskAtYearQuestion : public ScriptedDesktop
{
public:
    explicit DiskAtYearQuestion(const QString &settingsFile)
        : m_file(settingsFile)
    { }
    std::optional<QByteArray> seen;

    int ShowMessageDialog(const QString &caption, const QString &message, Msg::Kind kind,
        int buttonSet, const QStringList &captions) override
    {
        if (caption == kYearCaption) {
            QFile f(m_file);
            seen = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(keine Datei)");
        }
        return ScriptedDesktop::ShowMessageDialog(caption, message, kind, buttonSet, captions);
    }

private:
    QString m_file;
};

// Whether the settings hold every default list.
bool holdsTheDefaultLists(const QByteArray &ini)
{
    return ini.contains("[Languages]\r\n- nicht \xfc"
                        "bersetzt -=-\r\n")
        && ini.contains("\r\nRowohlt=Reinbek\r\n") && ini.contains("\r\nZweisprachig=Z\r\n");
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void firstStartCreatesEverything()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrNo, kYearCaption);
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        QCOMPARE(desktop.pauses, QList<int> { 1500 });

        for (const char *folder : { "Zadizezerev/DB", "Zadizezerev/Html/Umschlagbilder",
                 "Zadizezerev/Word", "Zadizezerev/Zip" })
            QVERIFY2(QFileInfo(env.path(QLatin1String(folder))).isDir(), folder);

        // The settings file is complete on disk before the window is used.
        const QByteArray ini = env.readFile(QStringLiteral("Skribando.ini"));
        QVERIFY(ini.startsWith("[Program Info]\r\nVersion= 1.0.0\r\n\r\n[Folders]\r\n"));
        QVERIFY(ini.contains("[Topics]\r\n"));
        QVERIFY(ini.contains("AskYearFolder=1\r\n"));

        const ScriptedDesktop::Dialog &q = desktop.lastDialog();
        QCOMPARE(q.caption, kYearCaption);
        QCOMPARE(q.message,
            QStringLiteral("Das Verzeichnis für die Zadizezerev des Jahres 2007 fehlt.\r\n\r\n"
                           "Soll es angelegt werden?"));
        QCOMPARE(q.kind, int(Msg::mtInformation));
        QCOMPARE(q.buttonSet, 11);
        QCOMPARE(q.captions, (QStringList { "Ja", "Nein", "Nie mehr" }));

        TMainform &w = *program->mainform;
        QCOMPARE(w.windowTitle(), QStringLiteral("Skribando V 1.0"));
        QCOMPARE(desktop.applicationTitle(), QStringLiteral("Skribando V 1.0"));
        QCOMPARE(w.folders().dbFolder, env.path(QStringLiteral("Zadizezerev/DB/")));
    }

    void yearQuestionAnswers_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("folderMade");
        QTest::addColumn<QByteArray>("askLine");
        QTest::newRow("Ja") << int(Msg::mrYes) << true << QByteArray("AskYearFolder=1");
        QTest::newRow("Nein") << int(Msg::mrNo) << false << QByteArray("AskYearFolder=1");
        // Escape and the close box give Cancel too.
        QTest::newRow("Nie mehr") << int(Msg::mrCancel) << false << QByteArray("AskYearFolder=0");
    }
    void yearQuestionAnswers()
    {
        QFETCH(int, answer);
        QFETCH(bool, folderMade);
        QFETCH(QByteArray, askLine);
        TestEnv env;
        ScriptedDesktop desktop;
        desktop.answer(answer, kYearCaption);
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        QCOMPARE(QFileInfo(env.path(QStringLiteral("Zadizezerev/DB/2007"))).isDir(), folderMade);
        QVERIFY(env.readFile(QStringLiteral("Skribando.ini")).contains(askLine + "\r\n"));

        // The next start asks again only after "Nein".
        program.reset();
        ScriptedDesktop again;
        if (answer == Msg::mrNo)
            again.answer(Msg::mrNo, kYearCaption);
        QVERIFY(StartProgram(again, programFile(env)));
        QCOMPARE(again.pendingAnswers(), 0);
        QCOMPARE(again.dialogs().size(), answer == Msg::mrNo ? 1 : 0);
    }

    void yearFolderThatCannotBeMadeOnlyWarns()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Zadizezerev/DB/2007"), "a file in the way"));
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrYes, kYearCaption);
        desktop.answer(Msg::mrOk, kYearCaption);
        QVERIFY(StartProgram(desktop, programFile(env)));
        QCOMPARE(desktop.lastDialog().kind, int(Msg::mtWarning));
        QCOMPARE(desktop.lastDialog().message,
            QStringLiteral("Das Jahresverzeichnis\r\n")
                + env.path(QStringLiteral("Zadizezerev/DB/2007"))
                + QStringLiteral(
                    "\r\nkann nicht angelegt werden.\r\nEs wird das Grundverzeichnis verwendet."));
    }

    void settingsFileThatCannotBeMadeEndsTheProgram()
    {
        TestEnv env;
        // Neither the program's folder nor the data folder can take it.
        QVERIFY(env.writeFile(QStringLiteral("datei"), "a file in the way"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(env.path(QStringLiteral("datei/share"))));
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrOk);
        const QString missing = env.path(QStringLiteral("nicht/da/Skribando"));
        QVERIFY(!StartProgram(desktop, missing));
        const ScriptedDesktop::Dialog &d = desktop.lastDialog();
        QCOMPARE(d.kind, int(Msg::mtCustom));
        QCOMPARE(d.caption, QStringLiteral("Skribando V 1.0"));
        QCOMPARE(d.message,
            QStringLiteral("Inifile \n\r")
                + env.path(QStringLiteral("datei/share/Skribando/Skribando.ini"))
                + QStringLiteral(
                    "\r\nkonnte nicht angelegt werden.\r\nHaben Sie Erlaubnis zum schreiben?"));
    }

    // The settings file a start creates is whole on disk before anything
    // can stop the start, or there is none.
    void settingsFileIsWholeBeforeTheYearQuestion()
    {
        TestEnv env;
        DiskAtYearQuestion desktop(env.path(QStringLiteral("Skribando.ini")));
        desktop.answer(Msg::mrNo, kYearCaption);
        QVERIFY(StartProgram(desktop, programFile(env)));
        QVERIFY(desktop.seen);
        QVERIFY2(holdsTheDefaultLists(*desktop.seen), desktop.seen->left(200).constData());
    }

    void failedFirstWriteLeavesNoSettingsFile()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrOk, QStringLiteral("Skribando"));
        {
            // The disk is full after a few bytes.
            FileSizeLimit limit(8);
            QVERIFY(!StartProgram(desktop, programFile(env)));
        }
        QCOMPARE(desktop.dialogs().size(), 1);
        QCOMPARE(desktop.lastDialog().message,
            QStringLiteral("Inifile \n\r") + env.path(QStringLiteral("Skribando.ini"))
                + QStringLiteral(
                    "\r\nkonnte nicht angelegt werden.\r\nHaben Sie Erlaubnis zum schreiben?"));
        QCOMPARE(QDir(env.programFolder())
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());

        // The next start is a first start again.
        ScriptedDesktop again;
        again.answer(Msg::mrNo, kYearCaption);
        QVERIFY(StartProgram(again, programFile(env)));
        QVERIFY(holdsTheDefaultLists(env.readFile(QStringLiteral("Skribando.ini"))));
    }

    // An earlier start that failed may have left an empty file: it holds no
    // setting, so the defaults are written as at a first start.
    void settingsFileWithoutSettingsGetsTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("blank lines and a comment") << QByteArray("\r\n\r\n; nichts\r\n");
    }
    void settingsFileWithoutSettingsGetsTheDefaults()
    {
        QFETCH(QByteArray, left);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), left));
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrNo, kYearCaption);
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        QVERIFY(holdsTheDefaultLists(env.readFile(QStringLiteral("Skribando.ini"))));
        QCOMPARE(
            program->mainform->findChild<QLineEdit *>(QStringLiteral("EditLanguagesCount"))->text(),
            QStringLiteral("32"));
    }

    void programFolderChoice_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::addColumn<bool>("installed");
        QTest::addColumn<bool>("portable");
        QTest::newRow("writable folder") << true << false << true;
        QTest::newRow("read-only folder") << false << false << false;
        // Also with the rights to write there (root), an installed program
        // stays out of the system's folders.
        QTest::newRow("installed, writable") << true << true << false;
        QTest::newRow("installed, read-only") << false << true << false;
    }
    void programFolderChoice()
    {
        QFETCH(bool, writable);
        QFETCH(bool, installed);
        QFETCH(bool, portable);
        TestEnv env;
        const QString programFile
            = env.path(installed ? QStringLiteral("bin/Skribando") : QStringLiteral("Skribando"));
        QVERIFY(QDir().mkpath(QFileInfo(programFile).absolutePath()));
        if (installed)
            QVERIFY(QDir().mkpath(env.path(QStringLiteral("share/skribando/Hilfe"))));
        QString asked;
        const ProgramPlace place = ChooseProgramFolder(
            programFile,
            [&](const QString &folder) {
                asked = folder;
                return writable;
            },
            QStringLiteral("/home/erika/.local/share"));
        QCOMPARE(place.portable, portable);
        if (portable) {
            QCOMPARE(asked, QFileInfo(programFile).absolutePath());
            QCOMPARE(place.folder, env.programFolder());
            QCOMPARE(place.settingsFile, env.path(QStringLiteral("Skribando.ini")));
        } else {
            QCOMPARE(place.folder, QStringLiteral("/home/erika/.local/share/Skribando/"));
            QCOMPARE(place.settingsFile,
                QStringLiteral("/home/erika/.local/share/Skribando/Skribando.ini"));
        }
        QCOMPARE(ManualPath(programFile),
            installed ? env.path(QStringLiteral("share/skribando/Hilfe/Skribando.html"))
                      : env.path(QStringLiteral("Hilfe/Skribando.html")));
    }

    void dataFolderFollowsTheFreedesktopRule_data()
    {
        QTest::addColumn<QByteArray>("xdgDataHome");
        QTest::addColumn<QString>("expected");
        QTest::newRow("set") << QByteArray("/srv/daten") << QStringLiteral("/srv/daten");
        QTest::newRow("unset") << QByteArray() << QStringLiteral("~/.local/share");
        // A relative value is to be ignored.
        QTest::newRow("relative") << QByteArray("daten") << QStringLiteral("~/.local/share");
    }
    void dataFolderFollowsTheFreedesktopRule()
    {
        QFETCH(QByteArray, xdgDataHome);
        QFETCH(QString, expected);
        TestEnv env;
        qputenv("XDG_DATA_HOME", xdgDataHome);
        expected.replace(QStringLiteral("~"), QDir::homePath());
        QCOMPARE(DataHomeFolder(), expected);
    }

    void installedProgramKeepsItsDataInTheDataFolder()
    {
        TestEnv env;
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("bin"))));
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("share/skribando/Hilfe"))));
        const QString data = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Skribando/");
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrYes, kYearCaption);
        auto program = StartProgram(desktop, env.path(QStringLiteral("bin/Skribando")));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        QVERIFY(!w.programPlace().portable);
        QCOMPARE(w.SettingsFileName(), data + QStringLiteral("Skribando.ini"));
        QCOMPARE(w.folders().dbFolder, data + QStringLiteral("Zadizezerev/DB/"));
        // The first start as beside the program: defaults, folders, year.
        QVERIFY(QFile(data + QStringLiteral("Skribando.ini")).size() > 0);
        QVERIFY(QFileInfo(data + QStringLiteral("Zadizezerev/DB/2007")).isDir());
        QVERIFY(QFileInfo(data + QStringLiteral("Zadizezerev/Zip")).isDir());
        // Nothing beside the program file.
        QCOMPARE(QDir(env.path(QStringLiteral("bin")))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList());
        // The manual comes with the installed program.
        program->mainform->actions()->action(QStringLiteral("ActionHelp"))->trigger();
        QCOMPARE(desktop.opened,
            QStringList { env.path(QStringLiteral("share/skribando/Hilfe/Skribando.html")) });

        // The next start finds its settings there.
        QVERIFY(w.close());
        program.reset();
        ScriptedDesktop again;
        QVERIFY(StartProgram(again, env.path(QStringLiteral("bin/Skribando"))));
        QCOMPARE(again.dialogs().size(), 0);
    }

    void readOnlyProgramFolderUsesTheDataFolder()
    {
        if (geteuid() == 0)
            QSKIP("root may write into any folder");
        TestEnv env;
        QFile::setPermissions(env.programFolder(),
            QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser
                | QFileDevice::ExeUser);
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrNo, kYearCaption);
        auto program = StartProgram(desktop, programFile(env));
        QFile::setPermissions(env.programFolder(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QVERIFY(program);
        QVERIFY(!program->mainform->programPlace().portable);
        QVERIFY(QFileInfo::exists(
            qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Skribando/Skribando.ini")));
    }

    void filesFromTheCommandLine_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("files");
        const QString cwd = QDir::currentPath();
        QTest::newRow("none") << QStringList { "skribando" } << QStringList();
        QTest::newRow("absolute") << QStringList { "skribando", "/daten/EM_2010_05_07.cds" }
                                  << QStringList { "/daten/EM_2010_05_07.cds" };
        QTest::newRow("relative") << QStringList { "skribando", "EM.cds" }
                                  << QStringList { cwd + "/EM.cds" };
        QTest::newRow("file address")
            << QStringList { "skribando", "file:///daten/Gr%C3%BCn%20und%20Blau.cds" }
            << QStringList { QString::fromUtf8("/daten/Grün und Blau.cds") };
        QTest::newRow("options skipped")
            << QStringList { "skribando", "--verbose", "/a.cds", "-x" } << QStringList { "/a.cds" };
        QTest::newRow("after --") << QStringList { "skribando", "--", "-seltsam.cds" }
                                  << QStringList { cwd + "/-seltsam.cds" };
        QTest::newRow("other addresses")
            << QStringList { "skribando", "https://example.org/a.cds" } << QStringList();
    }
    void filesFromTheCommandLine()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, files);
        QCOMPARE(FilesFromArguments(arguments), files);
    }

    void workingFolderThatCannotBeMadeEndsTheProgram()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Zadizezerev/Word"), "a file in the way"));
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrOk, QStringLiteral("Verzeichnis anlegen"));
        QVERIFY(!StartProgram(desktop, programFile(env)));
        QCOMPARE(desktop.lastDialog().kind, int(Msg::mtError));
        QCOMPARE(desktop.lastDialog().message,
            QStringLiteral("Das Verzeichnis\r\n") + env.path(QStringLiteral("Zadizezerev/Word"))
                + QStringLiteral("\r\nkann nicht angelegt werden.\r\nOhne dieses ist das Programm "
                                 "nicht lauffähig."));
    }

    void partialSettingsFileKeepsItsKeys()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"),
            "; mine\r\n[folders]\r\nAskYearFolder = 0\r\nVexRootFolder=Daten\r\n"
            "[Reviewer]\r\nCreateWordDoc=1\r\nSendMailZipped=abc\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        QVERIFY(QFileInfo(env.path(QStringLiteral("Daten/DB"))).isDir());
        ActionList &a = *program->mainform->actions();
        QVERIFY(a.action(QStringLiteral("ActionCreateWordDoc"))->isChecked());
        QVERIFY(a.action(QStringLiteral("ActionSendZipped"))->isChecked()); // malformed: default
        QVERIFY(!a.action(QStringLiteral("ActionCreateWebPage"))->isChecked());
        // Only what the program wrote is added; no defaults appear.
        const QByteArray ini = env.readFile(QStringLiteral("Skribando.ini"));
        QVERIFY(!ini.contains("[Topics]"));
        QVERIFY(!ini.contains("; mine"));
        QVERIFY(ini.contains("AskYearFolder=0\r\n"));
    }

    void windowAfterStartUp()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrNo, kYearCaption);
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        QCOMPARE(w.actions()->enabledSet(), 0);
        QCOMPARE(w.PageControl1->currentIndex(), int(TMainform::pgBookData));
        for (int i = 0; i < TMainform::pgCount; ++i)
            QCOMPARE(w.PageControl1->isTabVisible(i), i < 5);
        QVERIFY(w.Panel1->isEnabled());
        QVERIFY(!w.Panel2->isEnabled());

        const QStringList menus { "&Program", "&Einstellungen", "&Skribando", "&Hilfe" };
        QStringList titles;
        for (QAction *m : w.menuBar()->actions())
            titles.append(m->text());
        QCOMPARE(titles, menus);
        QCOMPARE(w.PageControl1->tabText(4), QStringLiteral("DB-Überblick"));
        QCOMPARE(w.StatusBar1->panelText(StatusPanel::LoadedLabel),
            QStringLiteral("Geladene Berichte:"));
        QCOMPARE(w.StatusBar1->panelText(StatusPanel::Books), QStringLiteral("0"));
        QVERIFY(w.findChild<QLabel *>(QStringLiteral("LabelTreeCaption"))->text()
            == QStringLiteral("Gespeicherte Zadizezerev"));
    }

    void shortcutsShownInTheMenus_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<bool>("mainMenu"); // else in the series field's popup
        const struct
        {
            const char *row, *action, *keys;
            bool mainMenu;
        } rows[] = {
            { "Neu", "ActionNew", "Ctrl+N", true },
            { "Laden", "ActionLoad", "Ctrl+L", true },
            { "Speichern", "ActionSave", "Ctrl+S", true },
            { "Drucken", "ActionPrint", "Ctrl+P", true },
            { "Handbuch", "ActionHelp", "F1", true },
            { "Beenden", "ActionTerminate", "Ctrl+Q", true },
            { "ISBN prüfen", "ActionCheckISBN", "Ctrl+B", false },
        };
        for (const auto &r : rows)
            QTest::newRow(r.row) << QString::fromLatin1(r.action) << QString::fromLatin1(r.keys)
                                 << r.mainMenu;
    }
    void shortcutsShownInTheMenus()
    {
        QFETCH(QString, action);
        QFETCH(QString, keys);
        QFETCH(bool, mainMenu);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), "[Folders]\r\nAskYearFolder=0\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        QAction *a = w.actions()->action(action);
        QCOMPARE(a->shortcut(), QKeySequence(keys));
        // Each key belongs to one action only.
        int holders = 0;
        for (QAction *other : w.findChildren<QAction *>())
            holders += other->shortcuts().contains(QKeySequence(keys));
        QCOMPARE(holders, 1);
        // A menu item shows its key beside its caption.
        bool inMenu = false;
        for (QMenu *menu : w.menuBar()->findChildren<QMenu *>())
            inMenu = inMenu || menu->actions().contains(a);
        QCOMPARE(inMenu, mainMenu);
    }

    // At the standard width every action of the tool bar shows, none hides
    // behind the bar's extension button, and two more would still fit.
    void toolBarFitsTheWindow()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), "[Folders]\r\nAskYearFolder=0\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        QCOMPARE(w.size(), QSize(896, 606));
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QToolBar *bar = w.ToolBar1;
        auto *extension = bar->findChild<QToolButton *>(QStringLiteral("qt_toolbar_ext_button"));
        QVERIFY(extension);
        QVERIFY(!extension->isVisible());
        int right = 0;
        int actions = 0;
        for (QAction *a : bar->actions()) {
            if (a->isSeparator())
                continue;
            QWidget *button = bar->widgetForAction(a);
            QVERIFY2(button && button->isVisible(), qPrintable(a->objectName()));
            QVERIFY2(bar->rect().contains(button->geometry()), qPrintable(a->objectName()));
            right = qMax(right, button->geometry().right());
            ++actions;
        }
        QCOMPARE(actions, 18);
        QVERIFY(bar->widgetForAction(w.actions()->action(QStringLiteral("ActionHelp"))));
        QVERIFY(bar->widgetForAction(w.actions()->action(QStringLiteral("ActionAbout"))));

        // Room for one more, even with its caption under the picture.
        int needed = 0;
        for (const char *caption : { "Katalogdaten\nholen" }) {
            QToolButton more;
            more.setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            more.setIconSize(bar->iconSize());
            more.setText(QString::fromUtf8(caption));
            more.setIcon(w.actions()->action(QStringLiteral("ActionNew"))->icon());
            more.setAutoRaise(true);
            needed += more.sizeHint().width()
                + bar->style()->pixelMetric(QStyle::PM_ToolBarItemSpacing, nullptr, bar);
        }
        const int separator
            = bar->style()->pixelMetric(QStyle::PM_ToolBarSeparatorExtent, nullptr, bar);
        QVERIFY2(bar->width() - right > needed + separator,
            qPrintable(QStringLiteral("%1 pixels free, %2 needed")
                           .arg(bar->width() - right)
                           .arg(needed + separator)));
    }

    // The three switches show their state in the menu and on the bar.
    void switchesShowTheirState()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"),
            "[Folders]\r\nAskYearFolder=0\r\n[Reviewer]\r\nCreateWordDoc=1\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        for (const char *name :
            { "ActionSendZipped", "ActionCreateWebPage", "ActionCreateWordDoc" }) {
            QAction *a = w.actions()->action(QLatin1String(name));
            QVERIFY(a->isCheckable());
            auto *button = qobject_cast<QToolButton *>(w.ToolBar1->widgetForAction(a));
            QVERIFY2(button, name);
            QCOMPARE(button->isChecked(), a->isChecked());
        }
        QAction *word = w.actions()->action(QStringLiteral("ActionCreateWordDoc"));
        auto *button = qobject_cast<QToolButton *>(w.ToolBar1->widgetForAction(word));
        QVERIFY(button->isChecked());
        desktop.answer(Msg::mrOk, QStringLiteral("Kein Word-Dokument erzeugen..."));
        button->click();
        QCOMPARE(desktop.pendingAnswers(), 0);
        QVERIFY(!word->isChecked());
        QVERIFY(!button->isChecked());
        QVERIFY(!w.SettingsFile().readBool(
            QStringLiteral("Reviewer"), QStringLiteral("CreateWordDoc"), true));
    }

    void geometryIsRestoredAndSaved()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"),
            "[Folders]\r\nAskYearFolder=0\r\n[Position]\r\nTop=40\r\nLeft=30\r\n"
            "Width=1000\r\nHeight=700\r\nSplitterLeft=300\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        QCOMPARE(w.size(), QSize(1000, 700));
        QCOMPARE(w.Panel1->width(), 300);

        w.resize(1100, 720);
        w.Splitter1->setSizes({ 250, 850 });
        QVERIFY(w.close());
        IniFile saved(env.path(QStringLiteral("Skribando.ini")));
        QCOMPARE(saved.readInteger(QStringLiteral("Position"), QStringLiteral("Width"), 0), 1100);
        QCOMPARE(saved.readInteger(QStringLiteral("Position"), QStringLiteral("Height"), 0), 720);
        QCOMPARE(
            saved.readInteger(QStringLiteral("Position"), QStringLiteral("SplitterLeft"), 0), 250);
    }

    void bookFormNeverShrinks_data()
    {
        QTest::addColumn<QSize>("area");
        QTest::addColumn<bool>("fills");
        QTest::newRow("larger") << QSize(900, 700) << true;
        QTest::newRow("smaller both") << QSize(300, 200) << false;
        QTest::newRow("narrow") << QSize(300, 900) << false;
        QTest::newRow("low") << QSize(900, 200) << false;
    }
    void bookFormNeverShrinks()
    {
        QFETCH(QSize, area);
        QFETCH(bool, fills);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), "[Folders]\r\nAskYearFolder=0\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        const QSize minimum = w.bookFormMinimumSize();
        QVERIFY(minimum.width() >= 621 && minimum.height() >= 474);
        w.ScrollBox1->resize(area);
        w.ScrollBox1Resize();
        const QSize form = w.Panel2->size();
        QVERIFY(form.width() >= minimum.width());
        QVERIFY(form.height() >= minimum.height());
        if (fills)
            QCOMPARE(form, w.ScrollBox1->maximumViewportSize());
        if (area.height() >= minimum.height())
            QCOMPARE(form.height(), area.height());
        if (area.width() >= minimum.width())
            QCOMPARE(form.width(), area.width());
    }

    void manualOpensOrExplains_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("opened") << 42 << QString();
        QTest::newRow("missing") << 2 << QStringLiteral("Hilfedatei\r\n%1\r\nnicht gefunden.");
        QTest::newRow("other failure")
            << 31 << QStringLiteral("Hilfe kann nicht angezeigt werden.\r\nFehlernummer: 31");
    }
    void manualOpensOrExplains()
    {
        QFETCH(int, code);
        QFETCH(QString, message);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), "[Folders]\r\nAskYearFolder=0\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        desktop.shellOpenResult = code;
        if (!message.isEmpty())
            desktop.answer(Msg::mrOk, QStringLiteral("Hilfe..."));
        program->mainform->actions()->action(QStringLiteral("ActionHelp"))->trigger();
        const QString manual = env.path(QStringLiteral("Hilfe/Skribando.html"));
        QCOMPARE(desktop.opened, QStringList { manual });
        if (!message.isEmpty()) {
            QCOMPARE(desktop.lastDialog().message,
                message.contains(QLatin1String("%1")) ? message.arg(manual) : message);
            QCOMPARE(desktop.lastDialog().kind, int(Msg::mtError));
        }
        QCOMPARE(desktop.pendingAnswers(), 0);
    }

    // Start-up writes nothing the file lacks (beyond the first start's
    // defaults), and leaves what the person wrote, even when malformed.
    void startUpWritesNoSwitch_data()
    {
        QTest::addColumn<QByteArray>("reviewer");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("no switches") << QByteArray() << QByteArray();
        QTest::newRow("switched off")
            << QByteArray("SendMailZipped=0\r\n") << QByteArray("SendMailZipped=0\r\n");
        QTest::newRow("malformed")
            << QByteArray("SendMailZipped=abc\r\n") << QByteArray("SendMailZipped=abc\r\n");
    }
    void startUpWritesNoSwitch()
    {
        QFETCH(QByteArray, reviewer);
        QFETCH(QByteArray, expected);
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"),
            "[Folders]\r\nAskYearFolder=0\r\n[Reviewer]\r\nInitials=EM\r\n" + reviewer));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        QVERIFY(program->mainform->close());
        const QByteArray ini = env.readFile(QStringLiteral("Skribando.ini"));
        QVERIFY(ini.contains("[Reviewer]\r\nInitials=EM\r\n" + expected + "\r\n"));
        for (const char *key : { "SendMailZipped=1", "CreateWebPage", "CreateWordDoc" })
            QVERIFY2(!ini.contains(key), key);
    }

    void unreadableSettingsFileEndsTheProgram()
    {
        TestEnv env;
        // A folder in the place of the file: it exists but cannot be read.
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("Skribando.ini"))));
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrOk, QStringLiteral("Einstellungen lesen..."));
        QVERIFY(!StartProgram(desktop, programFile(env)));
        QCOMPARE(desktop.dialogs().size(), 1); // no year question
        const ScriptedDesktop::Dialog &d = desktop.lastDialog();
        QCOMPARE(d.kind, int(Msg::mtError));
        const QString start = QStringLiteral("Die Einstellungsdatei\r\n")
            + env.path(QStringLiteral("Skribando.ini"))
            + QStringLiteral("\r\nkann nicht gelesen werden:\r\n");
        QVERIFY2(d.message.startsWith(start), qPrintable(d.message));
        // The system's reason follows.
        QVERIFY(d.message.size()
            > start.size() + QStringLiteral("\r\nDas Programm wird beendet.").size());
        QVERIFY(QFileInfo(env.path(QStringLiteral("Skribando.ini"))).isDir());
        QVERIFY(!QFileInfo::exists(env.path(QStringLiteral("Zadizezerev"))));
    }

    void failedSettingsWriteIsReported()
    {
        TestEnv env;
        const QByteArray before = "[Folders]\r\nAskYearFolder=0\r\n";
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), before));
        ScriptedDesktop desktop;
        const QString caption = QStringLiteral("Einstellungen speichern...");
        const QString message = QStringLiteral("Die Einstellungsdatei\r\n")
            + env.path(QStringLiteral("Skribando.ini"))
            + QStringLiteral("\r\nkann nicht geschrieben werden:\r\n");
        std::unique_ptr<Program> program;
        {
            // No file may grow past a few bytes.
            FileSizeLimit limit(8);
            desktop.answer(Msg::mrOk, caption);
            program = StartProgram(desktop, programFile(env));
            QVERIFY(program);
            QCOMPARE(desktop.dialogs().size(), 1);
            QVERIFY2(desktop.lastDialog().message.startsWith(message),
                qPrintable(desktop.lastDialog().message));
            QCOMPARE(desktop.lastDialog().kind, int(Msg::mtWarning));
            desktop.answer(Msg::mrOk, caption);
            QVERIFY(program->mainform->close());
            QCOMPARE(desktop.dialogs().size(), 2);
            QVERIFY(desktop.lastDialog().message.startsWith(message));
        }
        QCOMPARE(env.readFile(QStringLiteral("Skribando.ini")), before);
    }

    void qtSpeaksGerman()
    {
        QVERIFY(InstallQtGermanTranslations());
        // The edits' own context menu.
        QCOMPARE(QCoreApplication::translate("QLineEdit", "&Undo"), QStringLiteral("&Rückgängig"));
    }

    void switchesWriteTheirSetting()
    {
        TestEnv env;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"), "[Folders]\r\nAskYearFolder=0\r\n"));
        ScriptedDesktop desktop;
        auto program = StartProgram(desktop, programFile(env));
        QVERIFY(program);
        desktop.answer(Msg::mrOk, QStringLiteral("Html-Dokument erzeugen..."));
        program->mainform->actions()->action(QStringLiteral("ActionCreateWebPage"))->trigger();
        QVERIFY(program->mainform->SettingsFile().readBool(
            QStringLiteral("Reviewer"), QStringLiteral("CreateWebPage"), false));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
