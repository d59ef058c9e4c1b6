#include "FileSizeLimit.h"
#include "ScriptedDesktop.h"
#include "TestEnv.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
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
#include <QTabWidget>
#include <QTest>
#include <QToolBar>

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
        ScriptedDesktop desktop;
        desktop.answer(Msg::mrOk);
        const QString missing = env.path(QStringLiteral("nicht/da/Skribando"));
        QVERIFY(!StartProgram(desktop, missing));
        const ScriptedDesktop::Dialog &d = desktop.lastDialog();
        QCOMPARE(d.kind, int(Msg::mtCustom));
        QCOMPARE(d.caption, QStringLiteral("Skribando V 1.0"));
        QCOMPARE(d.message,
            QStringLiteral("Inifile \n\r") + env.path(QStringLiteral("nicht/da/Skribando.ini"))
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
        QAction *isbn = w.actions()->action(QStringLiteral("ActionCheckISBN"));
        QCOMPARE(isbn->shortcut(), QKeySequence(QStringLiteral("Ctrl+B")));
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
