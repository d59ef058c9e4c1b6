#include "ReviewFileWriter.h"
#include "TreeSteps.h"
#include "WindowFixture.h"
#include "ZipBytes.h"

#include "app/Fmain.h"
#include "app/XdgMailProgram.h"
#include "base/ActionList.h"
#include "base/IniFile.h"
#include "base/StatusPanel.h"
#include "exchange/FFrontImageDlg.h"
#include "exchange/MailActions.h"
#include "tree/TreeNavigation.h"
#include "tree/TreeProcedures.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

const QByteArray kRecipients
    = "[Recipients]\r\n"
      "Firstname1=Anna\r\nEmail1=anna@example.org\r\n"
      "Firstname2=Beat\r\nEmail2=beat@example.org\r\n"
      "Subject=Besprechungsbericht\r\n"
      "Body2=Hallo %s und %s,%shier kommen meine %d Besprechungen (%s).\r\n"
      "Greetings=Mit liebem Gruss\r\n";

// A review file of three books in 2008, two of them with covers.
struct MailSetup
{
    explicit MailSetup(const QByteArray &settings = kRecipients)
        : f(settings)
    { }

    bool start()
    {
        if (!WriteTestReviewFile(f.dbFolder() + QStringLiteral("2008/XY_2008_05_01.cds"),
                { { 3.8, 2008, QStringLiteral("Zwerg Nase") },
                    { 1.8, 2008, QStringLiteral("Momo") },
                    { 2.8, 2008, QStringLiteral("Krabat") } }))
            return false;
        f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/1.8.jpg"), "momo");
        f.env.writeFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/2.8.jpg"), "krabat");
        return f.start();
    }

    // The cover dialog answers with answer and notes that it was shown.
    void coverAnswer(int answer)
    {
        f.coverDialog().modalAnswer = [this, answer](TFrontImageDlg &dlg) {
            coverDialogs.append(dlg.windowTitle() + (dlg.appendMode() ? "" : " (search mode)"));
            return answer;
        };
    }

    void setZipped(bool zipped)
    {
        f.window().actions()->action(QStringLiteral("ActionSendZipped"))->setChecked(zipped);
    }

    void sendMail(const QString &path = QStringLiteral("DB/2008/XY_2008_05_01.cds"))
    {
        SelectNode(f, path);
        TriggerReviewAction(f, baSendMail);
    }

    QString cover(const QString &name) const
    {
        return f.env.path(QStringLiteral("Zadizezerev/Html/Umschlagbilder/")) + name;
    }
    QString review() const { return f.dbFolder() + QStringLiteral("2008/XY_2008_05_01.cds"); }
    QString archive() const
    {
        return f.env.path(QStringLiteral("Zadizezerev/Zip/XY_2008_05_01.zip"));
    }

    QStringList archiveNames() const
    {
        QFile file(archive());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList names;
        for (const auto &e : ZipBytes::readCentralDirectory(file.readAll()).entries)
            names.append(QString::fromLatin1(e.name));
        return names;
    }

    WindowFixture f;
    QStringList coverDialogs;
};

} // namespace

class TestMailWindow : public QObject
{
    Q_OBJECT

private slots:
    void standardMail_data()
    {
        QTest::addColumn<bool>("zipped");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QStringList>("attachments"); // below the program folder
        QTest::addColumn<QStringList>("archived");
        const QString review = QStringLiteral("Zadizezerev/DB/2008/XY_2008_05_01.cds");
        const QString covers = QStringLiteral("Zadizezerev/Html/Umschlagbilder/");
        const QString zip = QStringLiteral("Zadizezerev/Zip/XY_2008_05_01.zip");
        QTest::newRow("single files, Ja: covers in title order")
            << false << int(Msg::mrYes)
            << QStringList { review, covers + "2.8.jpg", covers + "1.8.jpg" } << QStringList {};
        QTest::newRow("single files, Nein")
            << false << int(Msg::mrNo) << QStringList { review } << QStringList {};
        QTest::newRow("zipped, Ja") << true << int(Msg::mrYes) << QStringList { zip }
                                    << QStringList { "XY_2008_05_01.cds", "2.8.jpg", "1.8.jpg" };
        QTest::newRow("zipped, Nein")
            << true << int(Msg::mrNo) << QStringList { zip } << QStringList { "XY_2008_05_01.cds" };
    }

    void standardMail()
    {
        QFETCH(bool, zipped);
        QFETCH(int, answer);
        QFETCH(QStringList, attachments);
        QFETCH(QStringList, archived);
        MailSetup s;
        QVERIFY(s.start());
        s.setZipped(zipped);
        s.coverAnswer(answer);
        if (zipped)
            s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();

        QCOMPARE(s.coverDialogs,
            QStringList { QStringLiteral("Umschlagbilder für... XY_2008_05_01.cds") });
        QCOMPARE(s.f.mail.sent.size(), 1);
        const MailMessage &mail = s.f.mail.sent.first();
        QCOMPARE(mail.subject, QStringLiteral("Besprechungsbericht"));
        QCOMPARE(mail.body,
            QStringLiteral("Hallo Anna und Beat,\r\n\r\nhier kommen meine 3 Besprechungen (2008)."
                           "\r\n\r\nMit liebem Gruss\r\nErika"));
        QCOMPARE(mail.to, QStringList { QStringLiteral("anna@example.org") });
        QCOMPARE(mail.cc, QStringList { QStringLiteral("beat@example.org") });
        QCOMPARE(mail.attachments,
            attachments.replaceInStrings(
                QRegularExpression(QStringLiteral("^")), s.f.env.programFolder()));
        QCOMPARE(s.archiveNames(), archived);
        if (zipped) {
            QCOMPARE(s.f.desktop.lastDialog().message,
                QStringLiteral("Folgendes ZIP-Archiv wird der Mail angehängt:\r\n\r\n")
                    + s.archive()
                    + QStringLiteral("\r\n\r\nSie können die Datei nach dem Versenden löschen."));
        }
        QVERIFY(s.f.desktop.systemMessages.isEmpty());
        QCOMPARE(s.f.desktop.pendingAnswers(), 0);
    }

    void mailNichtSendenSendsNothing_data()
    {
        QTest::addColumn<bool>("zipped");
        QTest::newRow("zipped") << true;
        QTest::newRow("single files") << false;
    }

    void mailNichtSendenSendsNothing()
    {
        QFETCH(bool, zipped);
        MailSetup s;
        QVERIFY(s.start());
        s.setZipped(zipped);
        s.coverAnswer(Msg::mrCancel);
        s.sendMail();
        QCOMPARE(s.coverDialogs.size(), 1);
        QVERIFY(s.f.mail.sent.isEmpty());
        QVERIFY(!QFile::exists(s.archive()));
        QVERIFY(s.f.desktop.dialogs().isEmpty());
    }

    void outlookGetsSmtpAddresses_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<QString>("prefix");
        QTest::newRow("Outlook") << "outlook.desktop"
                                 << "SMTP:";
        QTest::newRow("another mail program") << "org.gnome.Evolution.desktop"
                                              << "";
    }

    void outlookGetsSmtpAddresses()
    {
        QFETCH(QString, client);
        QFETCH(QString, prefix);
        MailSetup s;
        QVERIFY(s.start());
        s.setZipped(false);
        s.coverAnswer(Msg::mrNo);
        s.f.mail.defaultClient = client;
        s.sendMail();
        QCOMPARE(s.f.mail.sent.size(), 1);
        QCOMPARE(s.f.mail.sent[0].to, QStringList { prefix + QStringLiteral("anna@example.org") });
        QCOMPARE(s.f.mail.sent[0].cc, QStringList { prefix + QStringLiteral("beat@example.org") });
    }

    void oneRecipientOneRecord()
    {
        MailSetup s("[Recipients]\r\nFirstname1=Anna\r\nEmail1=anna@example.org\r\nFirstname2=\r\n"
                    "Email2=\r\nBody1Singular=Hallo %s,%shier kommt meine Besprechung (%s).\r\n");
        QVERIFY(WriteTestReviewFile(s.f.dbFolder() + QStringLiteral("EM_2008_05_02.cds"),
            { { 4.8, 2008, QStringLiteral("Heidi") } }));
        QVERIFY(s.start());
        s.setZipped(false);
        s.coverAnswer(Msg::mrNo);
        s.sendMail(QStringLiteral("DB/EM_2008_05_02.cds"));
        QCOMPARE(s.f.mail.sent.size(), 1);
        // The folder of a file below the root is the root's own name.
        QCOMPARE(s.f.mail.sent[0].body,
            QStringLiteral(
                "Hallo Anna,\r\n\r\nhier kommt meine Besprechung (DB).\r\n\r\nGruss, \r\nErika"));
        QCOMPARE(s.f.mail.sent[0].cc, QStringList {});
    }

    void unfitTemplateSendsNothing()
    {
        MailSetup s(
            kRecipients + "Body2=Hallo %s und %s,%shier kommen meine %d Besprechungen (%d).\r\n");
        QVERIFY(s.start());
        s.setZipped(true);
        s.coverAnswer(Msg::mrYes);
        s.sendMail();
        QVERIFY(s.f.mail.sent.isEmpty());
        QVERIFY(!QFile::exists(s.archive()));
        QCOMPARE(s.f.desktop.systemMessages.size(), 1);
        QVERIFY2(s.f.desktop.systemMessages[0].contains(QStringLiteral("Recipients/Body2")),
            qPrintable(s.f.desktop.systemMessages[0]));
    }

    void mailProgramErrorShowsItsCode()
    {
        MailSetup s;
        QVERIFY(s.start());
        s.setZipped(false);
        s.coverAnswer(Msg::mrNo);
        s.f.mail.result = 3;
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();
        QCOMPARE(s.f.mail.sent.size(), 1);
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Die Mail konnte nicht verschickt werden. Fehler: 3"));
        QCOMPARE(s.f.desktop.lastDialog().kind, int(Msg::mtInformation));
    }

    void webMailZipped()
    {
        MailSetup s(kRecipients
            + "[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\nInitials=EM\r\n"
              "WebMail=1\r\nWebMailUrl=https://mail.example.org/\r\n");
        QVERIFY(s.start());
        s.setZipped(true);
        s.coverAnswer(Msg::mrYes);
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();
        QCOMPARE(s.f.desktop.opened, QStringList { QStringLiteral("https://mail.example.org/") });
        QCOMPARE(s.coverDialogs.size(), 1);
        QVERIFY(s.f.mail.sent.isEmpty());
        QCOMPARE(s.archiveNames(),
            (QStringList { QStringLiteral("XY_2008_05_01.cds"), QStringLiteral("2.8.jpg"),
                QStringLiteral("1.8.jpg") }));
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Hängen Sie folgendes ZIP-Archiv der Mail an:\r\n\r\n") + s.archive()
                + QStringLiteral("\r\n\r\nSie können die Datei nach dem Versenden löschen."));
    }

    void webMailSingleFiles()
    {
        MailSetup s(kRecipients
            + "[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\nInitials=EM\r\n"
              "WebMail=1\r\n");
        QVERIFY(s.start());
        s.setZipped(false);
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();
        QCOMPARE(s.f.desktop.opened.size(), 1);
        QVERIFY(s.coverDialogs.isEmpty());
        QVERIFY(s.f.mail.sent.isEmpty());
        // The covers in file order.
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Versenden Sie die Besprechung\r\n") + s.review()
                + QStringLiteral("\r\nsowie die Bilder:\r\n") + s.cover(QStringLiteral("1.8.jpg"))
                + QStringLiteral("\r\n") + s.cover(QStringLiteral("2.8.jpg"))
                + QStringLiteral("\r\n"));
    }

    void notAReviewFileOrMissing()
    {
        MailSetup s;
        QVERIFY(s.start());
        s.f.window().TreeView1->setCurrentItem(TreeNode(s.f, QStringLiteral("DB/2008/")));
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.f.window().mailActions()->ActionSendMailExecute();
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Wählen Sie einen Besprechungsbericht"));
        QCOMPARE(s.f.desktop.lastDialog().kind, int(Msg::mtWarning));

        QVERIFY(QFile::remove(s.review()));
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Datei\r\n") + s.review() + QStringLiteral("\r\nnicht gefunden."));
        QVERIFY(s.coverDialogs.isEmpty());
        QVERIFY(s.f.mail.sent.isEmpty());
    }

    // A reviewer mails a saved review file with its covers through the real
    // hand-over (a stand-in "xdg-email" notes its call), and a coordinator
    // imports the archive into another folder.
    void mailedArchiveImportsElsewhere()
    {
        MailSetup s;
        QVERIFY(s.start());
        const QString bin = s.f.env.path(QStringLiteral("bin/"));
        const QString record = s.f.env.path(QStringLiteral("xdg-email.txt"));
        QVERIFY(s.f.env.writeFile(QStringLiteral("bin/xdg-email"),
            QStringLiteral("#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\" >> '%1'; done\n")
                .arg(record)
                .toUtf8()));
        QVERIFY(s.f.env.writeFile(
            QStringLiteral("bin/xdg-mime"), "#!/bin/sh\necho thunderbird.desktop\n"));
        for (const char *tool : { "bin/xdg-email", "bin/xdg-mime" })
            QFile::setPermissions(
                s.f.env.path(QLatin1String(tool)), QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + savedPath);
        XdgMailProgram real;
        s.f.window().setMailProgram(&real);
        s.setZipped(true);
        s.f.coverDialog().modalAnswer = [](TFrontImageDlg &dlg) {
            dlg.BitBtnYes->click();
            return dlg.result();
        };
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();
        qputenv("PATH", savedPath);
        QTRY_VERIFY(!QApplication::overrideCursor());
        s.f.window().setMailProgram(&s.f.mail);

        QFile call(record);
        QVERIFY(call.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(call.readAll()),
            QStringLiteral(
                "--cc\nbeat@example.org\n--subject\nBesprechungsbericht\n--body\n"
                "Hallo Anna und Beat,\r\n\r\nhier kommen meine 3 Besprechungen (2008).\r\n"
                "\r\nMit liebem Gruss\r\nErika\n--attach\n")
                + s.archive() + QStringLiteral("\nanna@example.org\n"));
        const QString unzip = QStandardPaths::findExecutable(QStringLiteral("unzip"));
        if (!unzip.isEmpty()) {
            QProcess list;
            list.start(unzip, { QStringLiteral("-Z1"), s.archive() });
            QVERIFY(list.waitForFinished());
            QCOMPARE(QString::fromUtf8(list.readAllStandardOutput()),
                QStringLiteral("XY_2008_05_01.cds\n2.8.jpg\n1.8.jpg\n"));
        }

        // On the coordinator's side.
        QVERIFY(QFile::remove(s.cover(QStringLiteral("1.8.jpg"))));
        QVERIFY(QFile::remove(s.cover(QStringLiteral("2.8.jpg"))));
        QVERIFY(QDir().mkpath(s.f.dbFolder() + QStringLiteral("Eingang")));
        s.f.window().treeNavigation()->TreeViewPopulate();
        QTreeWidgetItem *inbox = TreeNode(s.f, QStringLiteral("DB/Eingang/"));
        QVERIFY(inbox);
        s.f.window().TreeView1->setCurrentItem(inbox);
        s.f.window().TreeView1Enter();
        s.f.desktop.openFileAnswers.enqueue(s.archive());
        s.f.window().actions()->reviewAction(baImportZip)->trigger();
        QCOMPARE(s.f.env.readFile(QStringLiteral("Zadizezerev/DB/Eingang/XY_2008_05_01.cds")),
            s.f.env.readFile(QStringLiteral("Zadizezerev/DB/2008/XY_2008_05_01.cds")));
        QCOMPARE(s.f.env.readFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/1.8.jpg")),
            QByteArray("momo"));
        QCOMPARE(s.f.env.readFile(QStringLiteral("Zadizezerev/Html/Umschlagbilder/2.8.jpg")),
            QByteArray("krabat"));
        QCOMPARE(s.f.window().TreeView1->currentItem(),
            TreeNode(s.f, QStringLiteral("DB/Eingang/XY_2008_05_01.cds")));
        QCOMPARE(s.f.desktop.pendingAnswers(), 0);
    }

    // The hand-over to the mail program runs while the window stays live: a
    // busy pointer and a status text show it, and the result comes when the
    // mail program ends.
    void handOverKeepsTheWindowLive()
    {
        MailSetup s;
        QVERIFY(s.start());
        QVERIFY(
            s.f.env.writeFile(QStringLiteral("bin/xdg-email"), "#!/bin/sh\nsleep 1.5\nexit 5\n"));
        QVERIFY(s.f.env.writeFile(
            QStringLiteral("bin/xdg-mime"), "#!/bin/sh\necho thunderbird.desktop\n"));
        for (const char *tool : { "bin/xdg-email", "bin/xdg-mime" })
            QFile::setPermissions(
                s.f.env.path(QLatin1String(tool)), QFile::ReadOwner | QFile::ExeOwner);
        XdgMailProgram real;
        s.f.window().setMailProgram(&real);
        s.setZipped(false);
        s.coverAnswer(Msg::mrNo);
        int ticks = 0;
        QTimer ticker;
        ticker.setInterval(20);
        connect(&ticker, &QTimer::timeout, this, [&ticks] { ++ticks; });
        ticker.start();

        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(s.f.env.path(QStringLiteral("bin/"))) + ':' + savedPath);
        QElapsedTimer clock;
        clock.start();
        s.sendMail();
        const qint64 returnedAfter = clock.elapsed();
        qputenv("PATH", savedPath);

        QVERIFY2(returnedAfter < 1000, qPrintable(QString::number(returnedAfter)));
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        QCOMPARE(s.f.window().statusText(StatusPanel::Hint),
            QStringLiteral("Die Mail wird an das Mail-Programm übergeben ..."));
        QVERIFY(s.f.desktop.dialogs().isEmpty());

        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        QTRY_COMPARE_WITH_TIMEOUT(s.f.desktop.dialogs().size(), 1, 10000);
        QVERIFY2(ticks > 20, qPrintable(QString::number(ticks)));
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Die Mail konnte nicht verschickt werden. Fehler: 5"));
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(s.f.window().statusText(StatusPanel::Hint), QString());
        s.f.window().setMailProgram(&s.f.mail);
    }

    // While one mail is being handed over, another waits for it.
    void oneHandOverAtATime()
    {
        MailSetup s;
        QVERIFY(s.start());
        s.setZipped(false);
        s.coverAnswer(Msg::mrNo);
        s.f.mail.holdAnswer = true;
        s.sendMail();
        QCOMPARE(s.f.mail.sent.size(), 1);
        s.f.desktop.answer(Msg::mrOk, QStringLiteral("Email senden..."));
        s.sendMail();
        QCOMPARE(s.f.desktop.lastDialog().message,
            QStringLiteral("Die vorige Mail wird noch an das Mail-Programm übergeben.\r\n"
                           "Senden Sie diese, wenn das Mail-Programm sie übernommen hat."));
        QCOMPARE(s.coverDialogs.size(), 1);
        s.f.mail.finish(0);
        QVERIFY(!QApplication::overrideCursor());
        s.sendMail();
        QCOMPARE(s.f.mail.sent.size(), 2);
        s.f.mail.finish(0);
        QCOMPARE(s.f.desktop.dialogs().size(), 1);
    }

    void togglingSendZippedTwice()
    {
        WindowFixture f;
        QVERIFY(f.start());
        QAction *zipped = f.window().actions()->action(QStringLiteral("ActionSendZipped"));
        const bool before = zipped->isChecked();
        f.desktop.answer(Msg::mrOk);
        f.desktop.answer(Msg::mrOk);
        zipped->trigger();
        zipped->trigger();
        const QStringList captions { f.desktop.dialogs().value(0).caption,
            f.desktop.dialogs().value(1).caption };
        QCOMPARE(captions,
            before ? (QStringList { "Mail-Anhänge einzeln (ungezippt) verschicken...",
                "Mail-Anhang gezippt verschicken..." })
                   : (QStringList { "Mail-Anhang gezippt verschicken...",
                       "Mail-Anhänge einzeln (ungezippt) verschicken..." }));
        QCOMPARE(
            f.desktop.dialogs().value(1).message.contains(QStringLiteral("von jetzt an\n\rals ")),
            true);
        QCOMPARE(f.window().SettingsFile().readBool(
                     QStringLiteral("Reviewer"), QStringLiteral("SendMailZipped"), !before),
            before);
    }
};

QTEST_MAIN(TestMailWindow)
#include "tst_mailwindow.moc"
