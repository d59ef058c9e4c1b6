#include "app/FAbout.h"
#include "app/Splash.h"
#include "app/VersionInfo.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

QStringList listFor(const QString &fileVersion, const QString &productVersion = {})
{
    QStringList list;
    ReadVersionInfo(list,
        { { QStringLiteral("FileVersion"), fileVersion },
            { QStringLiteral("LegalCopyright"), QStringLiteral("(c) Test") },
            { QStringLiteral("ProductVersion"), productVersion } });
    return list;
}

} // namespace

class TestVersion : public QObject
{
    Q_OBJECT

private slots:
    void listForm()
    {
        const QStringList list = listFor(QStringLiteral("3.6.1.42"), QStringLiteral("2010-05-07"));
        QCOMPARE(list.size(), 4);
        QVERIFY(list.at(0).startsWith(QLatin1String("VersionInfoSize = ")));
        QCOMPARE(list.at(1), QStringLiteral("FileVersion = 3.6.1.42"));
        // Keys look up without regard to case and keep the blank after "=".
        QCOMPARE(
            VersionValue(list, QStringLiteral("Productversion ")), QStringLiteral(" 2010-05-07"));
        QCOMPARE(
            VersionValue(list, QStringLiteral("LegalCopyRight ")), QStringLiteral(" (c) Test"));
        QCOMPARE(VersionValue(list, QStringLiteral("Comments ")), QString());
    }

    void fields_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("four parts")
            << "3.6.1.42" << QStringList { " 3", " 3.6", " 3.6.1", " 3.6.1.42" };
        QTest::newRow("no points") << "7" << QStringList { "", "", "", " 7" };
        QTest::newRow("two parts") << "2.5" << QStringList { " 2", " 2", " 2", " 2.5" };
    }
    void fields()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, fields);
        const QStringList list = listFor(version);
        for (int n = 0; n < 4; ++n)
            QCOMPARE(GetVersionField(list, n), fields.at(n));
        QCOMPARE(QStringLiteral("Skribando V") + GetVersionField(list, 1),
            QStringLiteral("Skribando V") + fields.at(1));
    }

    void emptyListWithoutResource()
    {
        QStringList list;
        ReadVersionInfo(list, {});
        QVERIFY(list.isEmpty());
        QCOMPARE(GetVersionField(list, 3), QString());
    }

    void splashAndAboutShowTheirFields()
    {
        const QStringList list = listFor(QStringLiteral("3.6.1.42"), QStringLiteral("2010-05-07"));
        TSplashForm splash(list);
        QCOMPARE(splash.size(), QSize(335, 214));
        QCOMPARE(splash.versionLabel()->text(), QStringLiteral("V 3.6.1.42"));
        QCOMPARE(splash.dateLabel()->text(), QStringLiteral("2010-05-07"));
        QCOMPARE(splash.versionLabel()->geometry(), QRect(224, 10, 73, 16));

        TAboutBox1 about;
        about.fill(list);
        QCOMPARE(about.windowTitle(), QStringLiteral("Info"));
        QCOMPARE(about.size(), QSize(335, 243));
        QCOMPARE(about.versionLabel()->text(), QStringLiteral("V 3.6.1"));
        QCOMPARE(about.dateLabel()->text(), QStringLiteral("2010-05-07"));
        QCOMPARE(about.legalLabel()->text(), QStringLiteral("(c) Test"));
        QCOMPARE(about.versionLabel()->x(), 232);
    }

    // The splash stays on top of everything; a question of the start-up
    // must not sit under it.
    void splashStepsAsideForAQuestion()
    {
        TSplashForm splash;
        splash.show();
        QVERIFY(QTest::qWaitForWindowExposed(&splash));
        bool splashShownDuringQuestion = true;
        QDialog question;
        question.setWindowTitle(QStringLiteral("Jahresverzeichnis anlegen..."));
        QTimer::singleShot(0, &question, [&] {
            splashShownDuringQuestion = splash.isVisible();
            question.reject();
        });
        question.exec();
        QVERIFY(!splashShownDuringQuestion);
        // A window that is no question leaves it where it is.
        TSplashForm other;
        other.show();
        QWidget plain;
        plain.show();
        QVERIFY(other.isVisible());
    }

    void aboutBoxShowsTheWholeLegalNotice()
    {
        QStringList list;
        ReadVersionInfo(list);
        TAboutBox1 about;
        about.fill(list);
        const QLabel *legal = about.legalLabel();
        QVERIFY(legal->text().endsWith(QStringLiteral("Freie Nutzung im Besprechungskreis.")));
        const QRect needed = legal->fontMetrics().boundingRect(
            QRect(0, 0, legal->width(), 1000), Qt::TextWordWrap, legal->text());
        QVERIFY(needed.width() <= legal->width());
        QVERIFY2(needed.height() <= legal->height(),
            qPrintable(QStringLiteral("%1 > %2").arg(needed.height()).arg(legal->height())));
        QCOMPARE(legal->pos(), QPoint(20, 172));
        // Clear of the button below and inside the box.
        const auto *ok = about.findChild<QPushButton *>(QStringLiteral("OKButton"));
        QVERIFY(legal->geometry().bottom() < ok->geometry().top());
        QVERIFY(about.rect().contains(legal->geometry()));
    }

    void programHasItsOwnVersion()
    {
        QStringList list;
        ReadVersionInfo(list);
        QVERIFY(GetVersionField(list, 3).startsWith(u' '));
        QCOMPARE(VersionValue(list, QStringLiteral("ProductName ")), QStringLiteral(" Skribando"));
        QVERIFY(!VersionValue(list, QStringLiteral("Productversion ")).trimmed().isEmpty());
    }
};

QTEST_MAIN(TestVersion)
#include "tst_version.moc"
