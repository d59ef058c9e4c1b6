#include "WindowFixture.h"

#include "app/CommandLineFiles.h"
#include "app/Fmain.h"
#include "app/InstanceLink.h"
#include "base/ActionList.h"
#include "base/UState.h"
#include "tree/TreeProcedures.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <atomic>

namespace {

const QString kImport = QStringLiteral("Importieren...");
const QString kOpen = QStringLiteral("Datei öffnen...");

QByteArray reviewFile()
{
    QFile f(TestEnv::fixtures() + QStringLiteral("/EM_2007_05_12.xml"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString currentPath(const TMainform &w) { return GetNodePath(w.TreeView1->currentItem()); }

// Outside the program folder, where another program left a review file.
QString elsewhere(const TestEnv &env, const QString &name)
{
    const QString path = env.programFolder() + QStringLiteral("../elsewhere/") + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    return QFileInfo(path).absoluteFilePath();
}

bool writeTo(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

// Review files given on the command line, and the hand-over of a second
// copy's files to the running window.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    void fileInTheDatabaseFolderIsSelected_data()
    {
        QTest::addColumn<QString>("spelling");
        QTest::newRow("plain") << QStringLiteral("Zadizezerev/DB/2007/EM_2007_05_12.cds");
        QTest::newRow("roundabout")
            << QStringLiteral("Zadizezerev/DB/../DB/./2007/EM_2007_05_12.cds");
    }
    void fileInTheDatabaseFolderIsSelected()
    {
        QFETCH(QString, spelling);
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/EM_2007_05_12.cds"), reviewFile()));
        QVERIFY(f.writeDbFile(QStringLiteral("2007/EM_2007_05_13.cds"), reviewFile()));
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.OpenFiles({ f.env.path(spelling) });
        QTRY_COMPARE(currentPath(w), QStringLiteral("DB/2007/EM_2007_05_12.cds"));
        // Selected as by a click: "Laden" may follow.
        QVERIFY(w.actions()->reviewAction(baLoad)->isEnabled());
        QCOMPARE(f.desktop.dialogs().size(), 0);
        QCOMPARE(w.commandLineFiles()->pending(), QStringList());
    }

    void fileAddedAfterStartIsFound()
    {
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2007")));
        QVERIFY(f.start());
        QVERIFY(f.writeDbFile(QStringLiteral("2007/Neu.cds"), reviewFile()));
        f.window().OpenFiles({ f.dbFolder() + QStringLiteral("2007/Neu.cds") });
        QTRY_COMPARE(currentPath(f.window()), QStringLiteral("DB/2007/Neu.cds"));
    }

    void fileOutsideIsOfferedForImport_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Ja") << int(Msg::mrOk);
        QTest::newRow("Nein") << int(Msg::mrCancel);
    }
    void fileOutsideIsOfferedForImport()
    {
        QFETCH(int, answer);
        WindowFixture f;
        QVERIFY(f.makeDbFolder(QStringLiteral("2007")));
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.TreeView1->setCurrentItem(FindNodeByPath(w.TreeView1, QStringLiteral("DB/2007/")));
        const QString file = elsewhere(f.env, QStringLiteral("Von Anna.cds"));
        QVERIFY(writeTo(file, reviewFile()));
        f.desktop.answer(answer, kImport);
        w.OpenFiles({ file });
        QTRY_COMPARE(f.desktop.dialogs().size(), 1);
        const ScriptedDesktop::Dialog &d = f.desktop.lastDialog();
        QCOMPARE(d.message,
            QStringLiteral(
                "Die Datei\r\n%1\r\nliegt nicht in den gespeicherten Zadizezerev.\r\n\r\n"
                "Soll sie in das Verzeichnis\r\n%2\r\nimportiert werden?")
                .arg(file, f.dbFolder() + QStringLiteral("2007/")));
        QCOMPARE(d.kind, int(Msg::mtConfirmation));
        QCOMPARE(d.captions, (QStringList { "Ja", "Nein" }));
        const QString copy = f.dbFolder() + QStringLiteral("2007/Von Anna.cds");
        if (answer == Msg::mrOk) {
            QCOMPARE(QFile(copy).size(), QFile(file).size());
            QCOMPARE(currentPath(w), QStringLiteral("DB/2007/Von Anna.cds"));
        } else {
            QVERIFY(!QFileInfo::exists(copy));
            QCOMPARE(currentPath(w), QStringLiteral("DB/2007/"));
        }
        QVERIFY(QFileInfo::exists(file));
    }

    void badFilesAreExplained_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("start");
        QTest::newRow("no review file")
            << QStringLiteral("Brief.cds") << QByteArray("Liebe Anna,\nanbei ...\n") << kImport
            << QStringLiteral("Die Datei kann nicht importiert werden:\r\n");
        QTest::newRow("cut off") << QStringLiteral("Kurz.cds") << reviewFile().left(600) << kImport
                                 << QStringLiteral("Die Datei kann nicht importiert werden:\r\n");
        QTest::newRow("missing") << QStringLiteral("Weg.cds") << QByteArray() << kOpen
                                 << QStringLiteral("Die Datei\r\n%1\r\nwurde nicht gefunden.");
    }
    void badFilesAreExplained()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, caption);
        QFETCH(QString, start);
        WindowFixture f;
        QVERIFY(f.start());
        const QString file = elsewhere(f.env, name);
        if (!bytes.isEmpty())
            QVERIFY(writeTo(file, bytes));
        const QStringList before = TestEnv::listing(f.dbFolder());
        f.desktop.answer(Msg::mrOk, caption);
        f.window().OpenFiles({ file });
        QTRY_COMPARE(f.desktop.dialogs().size(), 1);
        const ScriptedDesktop::Dialog &d = f.desktop.lastDialog();
        QCOMPARE(d.caption, caption);
        QVERIFY2(
            d.message.startsWith(start.contains(QLatin1String("%1")) ? start.arg(file) : start),
            qPrintable(d.message));
        if (caption == kImport)
            QVERIFY(d.message.contains(name)); // the reader names the file
        QCOMPARE(TestEnv::listing(f.dbFolder()), before);
    }

    // A file waits while the program is busy elsewhere, here on the
    // settings pages, and is shown when the person leaves them.
    void filesWaitWhileTheSettingsAreOpen()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/A.cds"), reviewFile()));
        QVERIFY(f.start());
        TMainform &w = f.window();
        w.ActionPreferencesExecute();
        QCOMPARE(CurrentState, &StateEditSettings());
        w.OpenFiles({ f.dbFolder() + QStringLiteral("2007/A.cds") });
        QTest::qWait(400);
        QCOMPARE(w.commandLineFiles()->pending().size(), 1);
        QCOMPARE(w.actions()->enabledSet(), 0);
        w.findChild<QPushButton *>(QStringLiteral("ButtonAbortSettingsPersonData"))->click();
        QTRY_COMPARE(currentPath(w), QStringLiteral("DB/2007/A.cds"));
        QCOMPARE(w.commandLineFiles()->pending(), QStringList());
    }

    void handOverReachesTheRunningWindow()
    {
        WindowFixture f;
        QVERIFY(f.writeDbFile(QStringLiteral("2007/A.cds"), reviewFile()));
        QVERIFY(f.start());
        TMainform &w = f.window();
        const QString folder = w.programPlace().folder;
        InstanceLink running(folder);
        QVERIFY(running.listen());
        connect(&running, &InstanceLink::filesReceived, &w, &TMainform::OpenFiles);

        // The second copy waits for the answer, so it runs beside this
        // thread's event loop.
        const QString file = f.dbFolder() + QStringLiteral("2007/A.cds");
        std::atomic<int> result = -1;
        QThread *second
            = QThread::create([&] { result = InstanceLink(folder).handOver({ file }); });
        second->start();
        QTRY_VERIFY_WITH_TIMEOUT(second->isFinished(), 20000);
        delete second;
        QCOMPARE(result.load(), int(InstanceLink::HandedOver));
        QTRY_COMPARE(currentPath(w), QStringLiteral("DB/2007/A.cds"));
    }

    void secondCopyGoesOnWhenNoneRuns()
    {
        TestEnv env;
        QCOMPARE(InstanceLink(env.programFolder()).handOver({}, 500), InstanceLink::NoneRunning);
    }

    void oneNamePerFolder()
    {
        TestEnv env;
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("a"))));
        QVERIFY(QDir().mkpath(env.path(QStringLiteral("b"))));
        QVERIFY(QFile::link(env.path(QStringLiteral("a")), env.path(QStringLiteral("c"))));
        const QString a = InstanceLink::serverName(env.path(QStringLiteral("a")));
        QVERIFY(
            a.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + QStringLiteral("/skribando-")));
        QCOMPARE(InstanceLink::serverName(env.path(QStringLiteral("a/"))), a);
        QCOMPARE(InstanceLink::serverName(env.path(QStringLiteral("c"))), a);
        QVERIFY(InstanceLink::serverName(env.path(QStringLiteral("b"))) != a);

        // One listener per folder.
        InstanceLink first(env.path(QStringLiteral("a")));
        QVERIFY(first.listen());
        InstanceLink second(env.path(QStringLiteral("c")));
        QVERIFY(!second.listen());
        InstanceLink other(env.path(QStringLiteral("b")));
        QVERIFY(other.listen());
    }

    void socketLeftBehindIsReplaced()
    {
        TestEnv env;
        InstanceLink link(env.programFolder());
        // What a copy that was killed leaves behind.
        QVERIFY(writeTo(link.name(), "stale"));
        QVERIFY(link.listen());
        QVERIFY(link.isListening());
    }

    void messages_data()
    {
        QTest::addColumn<QByteArray>("message");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QStringList>("files");
        const QStringList odd { QString::fromUtf8("/daten/Grün und Blau.cds"),
            QStringLiteral("/daten/zwei\nZeilen%20.cds"), QStringLiteral("/daten/#1?.cds") };
        QTest::newRow("odd names") << InstanceLink::encode(odd) << true << odd;
        QTest::newRow("none") << InstanceLink::encode({}) << true << QStringList();
        QTest::newRow("other greeting") << QByteArray("HELLO 1\n\n") << false << QStringList();
        QTest::newRow("unfinished")
            << InstanceLink::encode({ "/a.cds" }).chopped(1) << false << QStringList();
        QTest::newRow("no file address")
            << QByteArray("SKRIBANDO-OPEN 1\nhttp://example.org/a.cds\n\n") << false
            << QStringList();
        QTest::newRow("not an address")
            << QByteArray("SKRIBANDO-OPEN 1\n\x01\x02 kaputt\n\n") << false << QStringList();
        QStringList many;
        for (int i = 0; i <= InstanceLink::MaxFiles; ++i)
            many.append(QStringLiteral("/%1.cds").arg(i));
        QTest::newRow("too many") << InstanceLink::encode(many) << false << QStringList();
        QTest::newRow("too long") << InstanceLink::encode(
            { QStringLiteral("/") + QString(InstanceLink::MaxMessageBytes, u'x') })
                                  << false << QStringList();
    }
    void messages()
    {
        QFETCH(QByteArray, message);
        QFETCH(bool, valid);
        QFETCH(QStringList, files);
        QStringList decoded { QStringLiteral("vorher") };
        QCOMPARE(InstanceLink::decode(message, &decoded), valid);
        QCOMPARE(decoded, files);
    }

    // Whatever else connects is let go without a word and changes nothing.
    void strangerIsLetGo()
    {
        TestEnv env;
        InstanceLink running(env.programFolder());
        QVERIFY(running.listen());
        QSignalSpy received(&running, &InstanceLink::filesReceived);
        std::atomic<bool> dropped = false;
        QThread *stranger = QThread::create([&] {
            QLocalSocket socket;
            socket.connectToServer(running.name());
            if (!socket.waitForConnected(5000))
                return;
            socket.write(QByteArray(4096, 'x'));
            socket.waitForBytesWritten(5000);
            dropped = socket.state() == QLocalSocket::UnconnectedState
                || socket.waitForDisconnected(10000);
        });
        stranger->start();
        QTRY_VERIFY_WITH_TIMEOUT(stranger->isFinished(), 20000);
        delete stranger;
        QVERIFY(dropped.load());
        QCOMPARE(received.size(), 0);
        QVERIFY(running.isListening());
    }
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
