#include "ReviewFileWriter.h"
#include "TestEnv.h"

#include "app/XdgMailProgram.h"
#include "base/DefaultSettings.h"
#include "base/IniFile.h"
#include "exchange/MailComposer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

// Composing the mail and handing it to the mail program, without a window.
class TestMail : public QObject
{
    Q_OBJECT

private slots:
    void bodyTemplates_data()
    {
        QTest::addColumn<QString>("firstname2");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("body");
        const QString end = QStringLiteral("\r\n\r\nMit liebem Gruss\r\nErika");
        QTest::newRow("two recipients, one record")
            << "Beat" << 1
            << "Hallo Anna und Beat,\r\n\r\nhier kommt meine "
               "Besprechung (2008)."
                + end;
        QTest::newRow("two recipients, seven records")
            << "Beat" << 7
            << "Hallo Anna und Beat,\r\n\r\nhier kommen meine 7 Besprechungen (2008)." + end;
        QTest::newRow("one recipient, one record")
            << "" << 1 << "Hallo Anna,\r\n\r\nhier kommt meine Besprechung (2008)." + end;
        QTest::newRow("one recipient, five records")
            << "" << 5 << "Hallo Anna,\r\n\r\nhier kommen meine 5 Besprechungen (2008)." + end;
        QTest::newRow("one recipient, no record")
            << "" << 0 << "Hallo Anna,\r\n\r\nhier kommen meine 0 Besprechungen (2008)." + end;
    }

    void bodyTemplates()
    {
        QFETCH(QString, firstname2);
        QFETCH(int, count);
        QFETCH(QString, body);
        TestEnv env;
        IniFile ini(env.path(QStringLiteral("Skribando.ini")));
        WriteDefaultSettings(ini, QStringLiteral("1.0.0"));
        ini.writeString(
            QStringLiteral("Reviewer"), QStringLiteral("Firstname"), QStringLiteral("Erika"));
        ini.writeString(QStringLiteral("Recipients"), QStringLiteral("Firstname2"), firstname2);
        QString error;
        QCOMPARE(ComposeMailBody(ini, count, QStringLiteral("2008"), &error), body);
        QVERIFY(error.isEmpty());
    }

    void formatTemplate_data()
    {
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<QString>("result"); // empty: an error is expected
        QTest::addColumn<QString>("error");
        QTest::newRow("fits") << "%s hat %d (%s)"
                              << "Anna hat 7 (2008)"
                              << "";
        QTest::newRow("arguments left over are ignored") << "Hallo %s"
                                                         << "Hallo Anna"
                                                         << "";
        QTest::newRow("percent sign") << "100%% %s"
                                      << "100% Anna"
                                      << "";
        QTest::newRow("index, width and precision") << "%2:s|%1:4d|%-6.2s|"
                                                    << "2008|   7|20    |"
                                                    << "";
        QTest::newRow("too few arguments") << "%s %d %s %s"
                                           << ""
                                           << "Für den Platzhalter \"%s\" fehlt die Angabe.";
        QTest::newRow("number where a text stands") << "%d"
                                                    << ""
                                                    << "steht für eine Zahl";
        QTest::newRow("text where a number stands") << "%s %s"
                                                    << ""
                                                    << "steht für einen Text";
        QTest::newRow("unknown placeholder") << "%x"
                                             << ""
                                             << "\"%x\" ist unbekannt";
        QTest::newRow("percent at the end") << "Rabatt 5%"
                                            << ""
                                            << "am Ende";
    }

    void formatTemplate()
    {
        QFETCH(QString, pattern);
        QFETCH(QString, result);
        QFETCH(QString, error);
        QString why;
        const QString text
            = FormatTemplate(pattern, { QStringLiteral("Anna"), 7, QStringLiteral("2008") }, &why);
        QCOMPARE(text.isNull(), result.isEmpty());
        QCOMPARE(text, result.isEmpty() ? QString() : result);
        QVERIFY2(why.contains(error), qPrintable(why));
    }

    void unfitTemplateNamesItsKey()
    {
        TestEnv env;
        IniFile ini(env.path(QStringLiteral("Skribando.ini")));
        ini.writeString(
            QStringLiteral("Recipients"), QStringLiteral("Firstname2"), QStringLiteral("Beat"));
        ini.writeString(QStringLiteral("Recipients"), QStringLiteral("Body2"),
            QStringLiteral("Hallo %s und %s,%shier kommen %d (%d)."));
        QString error;
        QVERIFY(ComposeMailBody(ini, 3, QStringLiteral("2008"), &error).isNull());
        QVERIFY2(
            error.startsWith(QStringLiteral("Die Vorlage Recipients/Body2 ")), qPrintable(error));
        QVERIFY2(
            error.endsWith(QStringLiteral("Die Mail wird nicht verschickt.")), qPrintable(error));
    }

    void outlookRule_data()
    {
        QTest::addColumn<QString>("client");
        QTest::addColumn<bool>("outlook");
        QTest::newRow("outlook") << "Microsoft Outlook" << true;
        QTest::newRow("any case") << "wine-extension-OUTLOOK.desktop" << true;
        QTest::newRow("other") << "thunderbird.desktop" << false;
        QTest::newRow("none set up") << "" << false;
    }

    void outlookRule()
    {
        QFETCH(QString, client);
        QFETCH(bool, outlook);
        QCOMPARE(IsOutlookClient(client), outlook);
        QCOMPARE(MailAddress(QStringLiteral("a@b.example"), IsOutlookClient(client)),
            outlook ? QStringLiteral("SMTP:a@b.example") : QStringLiteral("a@b.example"));
    }

    // The real hand-over runs "xdg-email" and "xdg-mime" from the path; here
    // they are small scripts that note their arguments.
    void xdgEmailHandOver_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::newRow("handed over") << 0;
        QTest::newRow("no mail program") << 3;
    }

    void xdgEmailHandOver()
    {
        QFETCH(int, exitCode);
        TestEnv env;
        const QString bin = env.path(QStringLiteral("bin/"));
        const QString record = env.path(QStringLiteral("args.txt"));
        QVERIFY(env.writeFile(QStringLiteral("bin/xdg-email"),
            QStringLiteral(
                "#!/bin/sh\nfor a in \"$@\"; do printf '%s|' \"$a\" >> '%1'; done\nexit %2\n")
                .arg(record)
                .arg(exitCode)
                .toUtf8()));
        QVERIFY(env.writeFile(QStringLiteral("bin/xdg-mime"),
            "#!/bin/sh\n[ \"$*\" = \"query default x-scheme-handler/mailto\" ] && echo "
            "Outlook.desktop\n"));
        for (const char *tool : { "bin/xdg-email", "bin/xdg-mime" })
            QFile::setPermissions(
                env.path(QLatin1String(tool)), QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray savedPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ':' + savedPath);

        XdgMailProgram program;
        MailMessage mail;
        mail.subject = QStringLiteral("Besprechungsbericht");
        mail.body = QStringLiteral("Hallo Anna,\r\n\r\nhier kommt meine Besprechung (2008).");
        mail.to = { QStringLiteral("anna@example.org") };
        mail.cc = { QStringLiteral("beat@example.org") };
        mail.attachments = { QStringLiteral("/z/XY.cds"), QStringLiteral("/z/1.8.jpg") };
        QList<int> results;
        program.SendMail(mail, [&results](int result) { results.append(result); });
        const QString client = program.DefaultMailClient();
        qputenv("PATH", savedPath);

        QTRY_COMPARE(results, QList<int> { exitCode });
        QCOMPARE(client, QStringLiteral("Outlook.desktop"));
        QFile f(record);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
            QStringLiteral("--cc|beat@example.org|--subject|Besprechungsbericht|--body|")
                + mail.body
                + QStringLiteral("|--attach|/z/XY.cds|--attach|/z/1.8.jpg|anna@example.org|"));
    }

    // The hand-over answers once: with the mail program's code when it ends,
    // with 0 when it still runs after the hand-over time (its compose window
    // is open), with 3 when there is no "xdg-email".
    void handOverAnswersOnce_data()
    {
        QTest::addColumn<QByteArray>("script"); // empty: no program at all
        QTest::addColumn<int>("handOver"); // milliseconds
        QTest::addColumn<int>("result");
        QTest::newRow("the mail program ends") << QByteArray("exit 5") << 10000 << 5;
        QTest::newRow("the mail program keeps it") << QByteArray("sleep 1; exit 7") << 200 << 0;
        QTest::newRow("no xdg-email") << QByteArray() << 10000 << 3;
    }

    void handOverAnswersOnce()
    {
        QFETCH(QByteArray, script);
        QFETCH(int, handOver);
        QFETCH(int, result);
        TestEnv env;
        const QString program = env.path(QStringLiteral("bin/xdg-email"));
        if (!script.isEmpty()) {
            QVERIFY(env.writeFile(QStringLiteral("bin/xdg-email"), "#!/bin/sh\n" + script + "\n"));
            QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
        }
        XdgMailProgram mailProgram(program, handOver);
        QList<int> results;
        QElapsedTimer clock;
        clock.start();
        mailProgram.SendMail(MailMessage(), [&results](int r) { results.append(r); });
        QTRY_COMPARE_WITH_TIMEOUT(results, QList<int> { result }, 5000);
        if (handOver < 1000)
            QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
        // Also once the mail program has ended.
        QTest::qWait(1200);
        QCOMPARE(results, QList<int> { result });
    }
};

QTEST_GUILESS_MAIN(TestMail)
#include "tst_mail.moc"
