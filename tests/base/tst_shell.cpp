#include "ScriptedDesktop.h"
#include "TestEnv.h"

#include "app/DesktopServices.h"
#include "base/VexUtils.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

// Builds files from "path=content" and folders from "path/" below folder.
void build(const QString &folder, const QStringList &entries)
{
    for (const QString &e : entries) {
        if (e.endsWith(u'/')) {
            QVERIFY(QDir().mkpath(folder + e));
            continue;
        }
        const qsizetype eq = e.indexOf(u'=');
        const QString path = folder + e.left(eq);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(e.mid(eq + 1).toUtf8());
    }
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private slots:
    void deleteToRecycleBin_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("trashWorks");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("file") << "A/x.cds" << true << true << QStringList { "A/x.cds" }
                              << QStringList { "A/", "A/Sub/", "A/Sub/s.cds=s" };
        QTest::newRow("folder with contents, trailing slash")
            << "A/Sub/" << true << true << QStringList { "A/Sub" }
            << QStringList { "A/", "A/x.cds=x" };
        QTest::newRow("missing") << "A/nichts.cds" << true << false << QStringList {}
                                 << QStringList { "A/", "A/Sub/", "A/Sub/s.cds=s", "A/x.cds=x" };
        QTest::newRow("trash refuses")
            << "A/x.cds" << false << false << QStringList { "A/x.cds" }
            << QStringList { "A/", "A/Sub/", "A/Sub/s.cds=s", "A/x.cds=x" };
    }
    void deleteToRecycleBin()
    {
        QFETCH(QString, path);
        QFETCH(bool, trashWorks);
        QFETCH(bool, expected);
        QFETCH(QStringList, asked);
        QFETCH(QStringList, after);
        TestEnv env;
        const QString top = env.path(QStringLiteral("t/"));
        build(top, { "A/x.cds=x", "A/Sub/s.cds=s" });
        ScriptedDesktop desktop;
        desktop.trashSucceeds = trashWorks;
        QCOMPARE(DeleteToRecycleBin(desktop, top + path), expected);
        QStringList expectedAsked;
        for (const QString &a : asked)
            expectedAsked.append(top + a);
        QCOMPARE(desktop.trashed, expectedAsked);
        QCOMPARE(TestEnv::listing(top), after);
        QVERIFY(desktop.dialogs().isEmpty());
    }

    // A file dialog asked to open in a missing folder opens in the nearest
    // folder that exists, with nothing of the path left for the name field.
    void existingFolder_data()
    {
        QTest::addColumn<QString>("initial");
        QTest::addColumn<QString>("opened");
        QTest::newRow("present") << "Zip/Bücher"
                                 << "Zip/Bücher";
        QTest::newRow("present, with separator") << "Zip/"
                                                 << "Zip/";
        QTest::newRow("missing folder") << "Zip/2026"
                                        << "Zip";
        QTest::newRow("missing below a file") << "Zip/a.zip/x"
                                              << "Zip";
        QTest::newRow("missing levels") << "Zip/2026/Rubrik/"
                                        << "Zip";
        QTest::newRow("nothing given") << ""
                                       << "";
    }

    void existingFolder()
    {
        QFETCH(QString, initial);
        QFETCH(QString, opened);
        TestEnv env;
        const QString top = env.path(QStringLiteral("t/"));
        build(top, { "Zip/Bücher/", "Zip/a.zip=zip" });
        const QString base = initial.isEmpty() ? QString() : top;
        QCOMPARE(DesktopServices::existingFolder(base + initial),
            opened.isEmpty() ? QString() : base + opened);
    }

    void realTrashKeepsWhatItTakes()
    {
        TestEnv env;
        const QString top = env.path(QStringLiteral("t/"));
        build(top, { "XY_2010_05_07.cds=bericht", "Alt/a.cds=a", "Alt/Tief/b.cds=b" });
        DesktopServices desktop;
        QVERIFY(DeleteToRecycleBin(desktop, top + QStringLiteral("XY_2010_05_07.cds")));
        QVERIFY(DeleteToRecycleBin(desktop, top + QStringLiteral("Alt/")));
        QCOMPARE(TestEnv::listing(top), QStringList {});

        // The trash of the user's data folder, as the file managers read it.
        const QString trash = qEnvironmentVariable("XDG_DATA_HOME") + QStringLiteral("/Trash/");
        QCOMPARE(TestEnv::listing(trash + QStringLiteral("files")),
            (QStringList { "Alt/", "Alt/Tief/", "Alt/Tief/b.cds=b", "Alt/a.cds=a",
                "XY_2010_05_07.cds=bericht" }));
        for (const char *name : { "XY_2010_05_07.cds", "Alt" }) {
            QFile info(trash + QStringLiteral("info/") + QLatin1String(name)
                + QStringLiteral(".trashinfo"));
            QVERIFY2(info.open(QIODevice::ReadOnly), name);
            const QString text = QString::fromUtf8(info.readAll());
            QVERIFY(text.startsWith(QStringLiteral("[Trash Info]")));
            QVERIFY2(text.contains(QStringLiteral("Path=") + top + QLatin1String(name)),
                qPrintable(text));
            QVERIFY(text.contains(QStringLiteral("DeletionDate=")));
        }
        QVERIFY(!DeleteToRecycleBin(desktop, top + QStringLiteral("gibt-es-nicht.cds")));
    }

    // Where the platform says it put a file: the home trash, and the trash
    // of another mount (a USB stick, a data partition) as freedesktop has it.
    void trashLocations_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("inTrash");
        QTest::newRow("home trash") << "/home/em/.local/share/Trash/files/A.cds" << true;
        QTest::newRow("mount trash with uid") << "/media/stick/.Trash-1000/files/A.cds" << true;
        QTest::newRow("shared mount trash") << "/mnt/daten/.Trash/1000/files/Alt" << true;
        QTest::newRow("stray files folder") << "/home/em/files/A.cds" << false;
        QTest::newRow("relative") << "Trash/files/A.cds" << false;
        QTest::newRow("no uid") << "/media/stick/.Trash-/files/A.cds" << false;
        QTest::newRow("the files folder itself") << "/media/stick/.Trash-1000/files/" << false;
        QTest::newRow("nothing") << "" << false;
    }
    void trashLocations()
    {
        QFETCH(QString, path);
        QFETCH(bool, inTrash);
        QCOMPARE(DesktopServices::isInTrash(path), inTrash);
    }

    void shellMove_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("destination");
        QTest::addColumn<int>("answer"); // -1: no question expected
        QTest::addColumn<bool>("expected");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("trashed");
        const QStringList base { "A/x.cds=neu", "A/Sub/s.cds=s", "A/Sub/Tief/d.cds=d", "B/" };
        QTest::newRow("file into a folder")
            << base << "A/x.cds"
            << "B/" << -1 << true
            << QStringList { "A/", "A/Sub/", "A/Sub/Tief/", "A/Sub/Tief/d.cds=d", "A/Sub/s.cds=s",
                   "B/", "B/x.cds=neu" }
            << QStringList {};
        QTest::newRow("folder with contents across folders")
            << base << "A/Sub/"
            << "B/" << -1 << true
            << QStringList { "A/", "A/x.cds=neu", "B/", "B/Sub/", "B/Sub/Tief/",
                   "B/Sub/Tief/d.cds=d", "B/Sub/s.cds=s" }
            << QStringList {};
        QTest::newRow("up into the folder above")
            << base << "A/Sub/Tief/"
            << "A/" << -1 << true
            << QStringList { "A/", "A/Sub/", "A/Sub/s.cds=s", "A/Tief/", "A/Tief/d.cds=d",
                   "A/x.cds=neu", "B/" }
            << QStringList {};
        QTest::newRow("name taken, replace")
            << (base + QStringList { "B/x.cds=alt" }) << "A/x.cds"
            << "B/" << int(Msg::mrOk) << true
            << QStringList { "A/", "A/Sub/", "A/Sub/Tief/", "A/Sub/Tief/d.cds=d", "A/Sub/s.cds=s",
                   "B/", "B/x.cds=neu" }
            << QStringList { "B/x.cds" };
        QTest::newRow("name taken, cancel")
            << (base + QStringList { "B/x.cds=alt" }) << "A/x.cds"
            << "B/" << int(Msg::mrCancel) << false
            << QStringList { "A/", "A/Sub/", "A/Sub/Tief/", "A/Sub/Tief/d.cds=d", "A/Sub/s.cds=s",
                   "A/x.cds=neu", "B/", "B/x.cds=alt" }
            << QStringList {};
        QTest::newRow("folder name taken, replace")
            << (base + QStringList { "B/Sub/anderes.cds=o" }) << "A/Sub"
            << "B" << int(Msg::mrOk) << true
            << QStringList { "A/", "A/x.cds=neu", "B/", "B/Sub/", "B/Sub/Tief/",
                   "B/Sub/Tief/d.cds=d", "B/Sub/s.cds=s" }
            << QStringList { "B/Sub" };
        const QStringList unchanged { "A/", "A/Sub/", "A/Sub/Tief/", "A/Sub/Tief/d.cds=d",
            "A/Sub/s.cds=s", "A/x.cds=neu", "B/" };
        QTest::newRow("into its own folder") << base << "A/x.cds"
                                             << "A/" << -1 << false << unchanged << QStringList {};
        QTest::newRow("folder into its own sub-folder")
            << base << "A/"
            << "A/Sub/" << -1 << false << unchanged << QStringList {};
        QTest::newRow("missing source") << base << "A/fehlt.cds"
                                        << "B/" << -1 << false << unchanged << QStringList {};
        QTest::newRow("missing destination") << base << "A/x.cds"
                                             << "C/" << -1 << false << unchanged << QStringList {};
    }
    void shellMove()
    {
        QFETCH(QStringList, before);
        QFETCH(QString, source);
        QFETCH(QString, destination);
        QFETCH(int, answer);
        QFETCH(bool, expected);
        QFETCH(QStringList, after);
        QFETCH(QStringList, trashed);
        TestEnv env;
        const QString top = env.path(QStringLiteral("t/"));
        build(top, before);
        ScriptedDesktop desktop;
        if (answer >= 0)
            desktop.answer(answer, QStringLiteral("Verschieben..."));
        QCOMPARE(ShellMove(desktop, top + source, top + destination), expected);
        QCOMPARE(TestEnv::listing(top), after);
        QStringList expectedTrash;
        for (const QString &t : trashed)
            expectedTrash.append(top + t);
        QCOMPARE(desktop.trashed, expectedTrash);
        QCOMPARE(desktop.dialogs().size(), answer >= 0 ? 1 : 0);
        if (answer >= 0) {
            QCOMPARE(desktop.lastDialog().captions,
                (QStringList { QStringLiteral("Ersetzen"), QStringLiteral("Abbrechen") }));
        }
    }

    void shellRenameFolder_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<bool>("expected");
        QTest::addColumn<QStringList>("after");
        const QStringList unchanged { "Alt/", "Alt/a.cds=a", "Andere/", "Andere/b.cds=b",
            "datei.cds=d" };
        QTest::newRow("free name")
            << "Alt/"
            << "Neu/" << true
            << QStringList { "Andere/", "Andere/b.cds=b", "Neu/", "Neu/a.cds=a", "datei.cds=d" };
        QTest::newRow("onto an existing folder") << "Alt"
                                                 << "Andere" << false << unchanged;
        QTest::newRow("onto an existing file") << "Alt/"
                                               << "datei.cds" << false << unchanged;
        QTest::newRow("not there") << "Fehlt/"
                                   << "Neu/" << false << unchanged;
        QTest::newRow("a file, not a folder") << "datei.cds"
                                              << "neu.cds" << false << unchanged;
    }
    void shellRenameFolder()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(bool, expected);
        QFETCH(QStringList, after);
        TestEnv env;
        const QString top = env.path(QStringLiteral("t/"));
        build(top, { "Alt/a.cds=a", "Andere/b.cds=b", "datei.cds=d" });
        QCOMPARE(ShellRenameFolder(top + from, top + to), expected);
        QCOMPARE(TestEnv::listing(top), after);
    }

    void copyFileIntoFindsAFreeName()
    {
        TestEnv env;
        const QString top = env.path(QStringLiteral("t/"));
        build(top, { "F/XY_2010_05_07.cds=original", "G/" });
        const QString file = top + QStringLiteral("F/XY_2010_05_07.cds");

        QString copy;
        QVERIFY(CopyFileInto(file, top + QStringLiteral("F/"), &copy));
        QCOMPARE(copy, top + QStringLiteral("F/XY_2010_05_07 - Kopie.cds"));
        QVERIFY(CopyFileInto(file, top + QStringLiteral("F"), &copy));
        QCOMPARE(copy, top + QStringLiteral("F/XY_2010_05_07 - Kopie (2).cds"));
        // A copy whose name is taken never replaces what is there.
        QFile edited(top + QStringLiteral("F/XY_2010_05_07 - Kopie.cds"));
        QVERIFY(edited.open(QIODevice::WriteOnly));
        edited.write("bearbeitet");
        edited.close();
        QVERIFY(CopyFileInto(file, top + QStringLiteral("F/"), &copy));
        QCOMPARE(copy, top + QStringLiteral("F/XY_2010_05_07 - Kopie (3).cds"));
        QVERIFY(CopyFileInto(file, top + QStringLiteral("G/"), &copy));
        QCOMPARE(copy, top + QStringLiteral("G/XY_2010_05_07.cds"));
        const QStringList copies { "F/", "F/XY_2010_05_07 - Kopie (2).cds=original",
            "F/XY_2010_05_07 - Kopie (3).cds=original", "F/XY_2010_05_07 - Kopie.cds=bearbeitet",
            "F/XY_2010_05_07.cds=original", "G/", "G/XY_2010_05_07.cds=original" };
        QCOMPARE(TestEnv::listing(top), copies);

        QVERIFY(!CopyFileInto(file, top + QStringLiteral("H/")));
        QVERIFY(!CopyFileInto(top + QStringLiteral("F/fehlt.cds"), top + QStringLiteral("G/")));
        QVERIFY(!CopyFileInto(top + QStringLiteral("F"), top + QStringLiteral("G/")));
        QCOMPARE(TestEnv::listing(top), copies);
    }
};

QTEST_GUILESS_MAIN(TestShell)
#include "tst_shell.moc"
