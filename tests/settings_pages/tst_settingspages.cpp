#include "WindowFixture.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "app/Startup.h"
#include "base/IniFile.h"
#include "base/PersonData.h"
#include "base/UState.h"
#include "data/DDataAccess.h"
#include "forms/BookDataPage.h"
#include "forms/LetterMenus.h"
#include "settings_pages/ListSettingsPage.h"
#include "settings_pages/PersonDataPage.h"
#include "settings_pages/WebSettingsPage.h"
#include "store/DataSet.h"
#include "util/Hints.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

const QString kReviewer = QStringLiteral("Reviewer");
const QString kRecipients = QStringLiteral("Recipients");
const QString kWebPage = QStringLiteral("WEBpage");

// The settings as they are on disk right now.
IniFile diskSettings(const WindowFixture &f)
{
    return IniFile(f.env.path(QStringLiteral("Skribando.ini")));
}

void openPreferences(TMainform &w)
{
    SetState(StateEdit());
    w.ActionPreferencesExecute();
    QCOMPARE(CurrentState, static_cast<TState *>(&StateEditSettings()));
}

// Back on the work pages with "Buchdaten" active, in the state before
// "Anpassen...".
void verifyBackOnWorkPages(TMainform &w)
{
    QCOMPARE(CurrentState, static_cast<TState *>(&StateEdit()));
    for (int i = 0; i < TMainform::pgCount; ++i)
        QCOMPARE(w.PageControl1->isTabVisible(i), i < TMainform::pgSettingsPersonData);
    QCOMPARE(w.ActivePage(), int(TMainform::pgBookData));
    QVERIFY(w.Panel1->isEnabled());
}

// Types text as a person does; characters beyond ASCII go as key events
// with their text.
void typeText(QLineEdit *edit, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128)
            QTest::keyClicks(edit, QString(c));
        else
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

QPushButton *button(TMainform &w, const char *name)
{
    auto *b = w.findChild<QPushButton *>(QLatin1String(name));
    if (!b)
        qWarning("no button %s", name);
    return b;
}

// The list page of a page name ("Verlage" or "Sprachen").
ListSettingsPage *listPage(TMainform &w, const QString &page)
{
    if (page == u"Verlage")
        return w.publishersPage();
    return w.languagesPage();
}

QStringList gridKeys(const ListSettingsPage *page)
{
    QStringList keys;
    for (int row = 0; row < page->grid()->rowCount(); ++row)
        keys.append(page->grid()->item(row, 0)->text());
    return keys;
}

bool selectRow(ListSettingsPage *page, const QString &key)
{
    const int row = int(gridKeys(page).indexOf(key));
    if (row < 0)
        return false;
    page->grid()->setCurrentCell(row, 0);
    return true;
}

// The long forms the language table offers the book page.
QStringList offeredLanguages(TDataAccess &data)
{
    QStringList out;
    DataSet &t = *data.DSetLanguages;
    for (int row = 0; row < t.recordCount(); ++row)
        out.append(t.valueAt(row, t.fieldIndex(QStringLiteral("LangLong"))).toString());
    return out;
}

const QString kUnsavedCaption = QStringLiteral("Ungesicherte Änderungen...");

// Answers the question about a list's unsaved changes with "Nein".
void answerNoToUnsavedList(ScriptedDesktop &desktop) { desktop.answer(Msg::mrNo, kUnsavedCaption); }

// The captions of the publisher menu's items, group by group.
QStringList menuItems(const QMenu *menu)
{
    QStringList out;
    for (const QAction *group : menu->actions()) {
        if (!group->menu())
            continue;
        for (const QAction *item : group->menu()->actions())
            out.append(item->text());
    }
    return out;
}

} // namespace

class TestSettingsPages : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    // --- whether the person data are given ------------------------------------

    void personDataGiven_data()
    {
        QTest::addColumn<QString>("firstname"); // null: key missing
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("given");
        QTest::newRow("defaults written") << "X"
                                          << "Y" << false;
        QTest::newRow("keys missing") << QString() << QString() << false;
        QTest::newRow("only name missing") << "X" << QString() << false;
        QTest::newRow("joined name reads XY") << ""
                                              << "XY" << false;
        QTest::newRow("joined first name reads XY") << "XY"
                                                    << "" << false;
        QTest::newRow("lower case") << "x"
                                    << "y" << true;
        QTest::newRow("not trimmed") << "X "
                                     << "Y" << true;
        QTest::newRow("both empty") << ""
                                    << "" << true;
        QTest::newRow("a real name") << "Erika"
                                     << "Muster" << true;
    }
    void personDataGiven()
    {
        QFETCH(QString, firstname);
        QFETCH(QString, name);
        QFETCH(bool, given);
        QTemporaryDir dir;
        IniFile settings(dir.filePath(QStringLiteral("Skribando.ini")));
        settings.writeString(kReviewer, QStringLiteral("Initials"), QStringLiteral("XY"));
        if (!firstname.isNull())
            settings.writeString(kReviewer, QStringLiteral("Firstname"), firstname);
        if (!name.isNull())
            settings.writeString(kReviewer, QStringLiteral("Name"), name);
        QCOMPARE(IsPersonDataGiven(settings), given);
    }

    // --- page "Personendaten" ---------------------------------------------------

    void personPageFilledAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<bool>("webMail");
        // A later "[Reviewer]" is the one that is read, so its missing keys
        // give the readers' defaults.
        QTest::newRow("standard mail") << QByteArray("[Reviewer]\r\nWebMail=0\r\n") << false;
        QTest::newRow("web mail") << QByteArray("[Reviewer]\r\nWebMail=1\r\n") << true;
        QTest::newRow("key missing") << QByteArray("[Reviewer]\r\n") << false;
    }
    void personPageFilledAtStartUp()
    {
        QFETCH(QByteArray, extra);
        QFETCH(bool, webMail);
        WindowFixture f(extra);
        QVERIFY(f.start());
        PersonDataPage &p = *f.window().personDataPage();
        QCOMPARE(p.EditReviewingPersonFirstname->text(), QStringLiteral("X"));
        QCOMPARE(p.EditReviewingPersonName->text(), QStringLiteral("Y"));
        QCOMPARE(p.EditReviewingPersonInitials->text(), QStringLiteral("XY"));
        QVERIFY(p.EditReviewingPersonEmail->text().contains(u'@'));
        QVERIFY(p.EditReviewingPersonWebMailUrl->text().startsWith(QStringLiteral("http")));
        QCOMPARE(p.EditFirstnameReceiver1->text(), QString());
        QCOMPARE(p.EditEmailReceiver2->text(), QString());
        QCOMPARE(p.RadioButtonWebMail->isChecked(), webMail);
        QCOMPARE(p.RadioButtonStandardMail->isChecked(), !webMail);
        // The form panel is disabled after start-up; the page's own say counts.
        QCOMPARE(p.EditReviewingPersonWebMailUrl->isEnabledTo(&p), webMail);
        // Filling the page writes nothing.
        QVERIFY(!diskSettings(f).valueExists(kRecipients, QStringLiteral("Name1")));
    }

    void mailProgramChoiceBlocksWebMailUrl()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        PersonDataPage &p = *w.personDataPage();
        QVERIFY(!p.EditReviewingPersonWebMailUrl->isEnabled());
        QTest::mouseClick(p.RadioButtonWebMail, Qt::LeftButton);
        QCOMPARE(p.mailProgram(), int(PersonDataPage::mpWebMail));
        QVERIFY(p.EditReviewingPersonWebMailUrl->isEnabled());
        QTest::mouseClick(p.RadioButtonStandardMail, Qt::LeftButton);
        QCOMPARE(p.mailProgram(), int(PersonDataPage::mpStandard));
        QVERIFY(!p.EditReviewingPersonWebMailUrl->isEnabled());
    }

    void savePersonDataWritesFieldsAsTyped_data()
    {
        QTest::addColumn<bool>("webMail");
        QTest::newRow("standard mail, address blocked") << false;
        QTest::newRow("web mail") << true;
    }
    void savePersonDataWritesFieldsAsTyped()
    {
        QFETCH(bool, webMail);
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        PersonDataPage &p = *w.personDataPage();

        const struct
        {
            QLineEdit *edit;
            QString section;
            QString key;
            QString typed;
        } fields[] = {
            { p.EditReviewingPersonFirstname, kReviewer, QStringLiteral("Firstname"),
                QStringLiteral(" Anna ") },
            { p.EditReviewingPersonName, kReviewer, QStringLiteral("Name"), QStringLiteral("") },
            { p.EditReviewingPersonInitials, kReviewer, QStringLiteral("Initials"),
                QStringLiteral("ab ") },
            { p.EditReviewingPersonEmail, kReviewer, QStringLiteral("Email"),
                QStringLiteral("kein-at-zeichen") },
            { p.EditReviewingPersonWebMailUrl, kReviewer, QStringLiteral("WebMailUrl"),
                QStringLiteral("  https://post.example.org/ ") },
            { p.EditFirstnameReceiver1, kRecipients, QStringLiteral("Firstname1"),
                QStringLiteral("Bea") },
            { p.EditNameReceiver1, kRecipients, QStringLiteral("Name1"),
                QStringLiteral("Beispiel") },
            { p.EditEmailReceiver1, kRecipients, QStringLiteral("Email1"),
                QStringLiteral("bea@example.org") },
            { p.EditFirstnameReceiver2, kRecipients, QStringLiteral("Firstname2"), QString() },
            { p.EditNameReceiver2, kRecipients, QStringLiteral("Name2"), QStringLiteral("Cé") },
            { p.EditEmailReceiver2, kRecipients, QStringLiteral("Email2"),
                QStringLiteral("c@example.org") },
        };
        // The web-mail address is typed while it takes input; choosing the
        // standard program afterwards only blocks it.
        p.RadioButtonWebMail->click();
        for (const auto &field : fields) {
            field.edit->clear();
            typeText(field.edit, field.typed);
            QCOMPARE(field.edit->text(), field.typed);
        }
        if (!webMail)
            p.RadioButtonStandardMail->click();
        QCOMPARE(p.EditReviewingPersonWebMailUrl->isEnabled(), webMail);

        const QByteArray diskBefore = f.env.readFile(QStringLiteral("Skribando.ini"));
        button(w, "ButtonPersonDataSaveSettings")->click();

        IniFile &settings = w.SettingsFile();
        for (const auto &field : fields) {
            QVERIFY2(settings.valueExists(field.section, field.key), qPrintable(field.key));
            QCOMPARE(
                settings.readString(field.section, field.key, QStringLiteral("?")), field.typed);
        }
        QCOMPARE(settings.readString(kReviewer, QStringLiteral("WebMail"), QString()),
            webMail ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(w.context().UserInitials, QStringLiteral("ab "));
        verifyBackOnWorkPages(w);

        // Only the in-memory copy has changed; closing writes it.
        QCOMPARE(f.env.readFile(QStringLiteral("Skribando.ini")), diskBefore);
        QVERIFY(w.close());
        // Reading the file drops the blanks around a value.
        const IniFile disk = diskSettings(f);
        for (const auto &field : fields) {
            QCOMPARE(disk.readString(field.section, field.key, QStringLiteral("?")),
                field.typed.trimmed());
        }
        QCOMPARE(disk.readBool(kReviewer, QStringLiteral("WebMail"), !webMail), webMail);
    }

    void personDataGivenFollowsSavedSettings()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        PersonDataPage &p = *w.personDataPage();
        QVERIFY(IsPersonDataGiven(w.SettingsFile()));
        p.EditReviewingPersonFirstname->setText(QString());
        p.EditReviewingPersonName->setText(QStringLiteral("XY"));
        // Typing alone does not count; "Abbrechen" keeps what was typed.
        QVERIFY(IsPersonDataGiven(w.SettingsFile()));
        button(w, "ButtonAbortSettingsPersonData")->click();
        verifyBackOnWorkPages(w);
        QVERIFY(IsPersonDataGiven(w.SettingsFile()));
        openPreferences(w);
        QCOMPARE(p.EditReviewingPersonName->text(), QStringLiteral("XY"));
        button(w, "ButtonPersonDataSaveSettings")->click();
        QVERIFY(!IsPersonDataGiven(w.SettingsFile()));
    }

    void enterSavesThePage_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<int>("key");
        QTest::newRow("line edit, Return") << "EditEmailReceiver2" << int(Qt::Key_Return);
        QTest::newRow("line edit, keypad Enter") << "EditReviewingPersonName" << int(Qt::Key_Enter);
        QTest::newRow("radio button") << "RadioButtonStandardMail" << int(Qt::Key_Return);
        QTest::newRow("web page, combo box") << "ComboBoxStyleSheet" << int(Qt::Key_Return);
        QTest::newRow("web page, line edit") << "EditHomeURL" << int(Qt::Key_Return);
    }
    void enterSavesThePage()
    {
        QFETCH(QString, field);
        QFETCH(int, key);
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        auto *control = w.findChild<QWidget *>(field);
        QVERIFY(control);
        const bool webPage = w.webSettingsPage()->isAncestorOf(control);
        w.SetActivePage(webPage ? TMainform::pgSettingsWeb : TMainform::pgSettingsPersonData);
        if (webPage)
            w.webSettingsPage()->EditTitle->setText(QStringLiteral("Per Enter"));
        else
            w.personDataPage()->EditFirstnameReceiver1->setText(QStringLiteral("Per Enter"));
        const Qt::KeyboardModifiers mods
            = key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(control, Qt::Key(key), mods);
        verifyBackOnWorkPages(w);
        QCOMPARE(webPage
                ? w.SettingsFile().readString(kWebPage, QStringLiteral("Title"), {})
                : w.SettingsFile().readString(kRecipients, QStringLiteral("Firstname1"), {}),
            QStringLiteral("Per Enter"));
    }

    void editsTakeOnlyWindows1252()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        QLineEdit *edit = w.personDataPage()->EditNameReceiver1;
        edit->clear();
        // A letter the settings file cannot hold becomes its nearest one,
        // or "?" where it has none: nothing vanishes unseen.
        typeText(edit, QStringLiteral("DvořákЖ€"));
        QCOMPARE(edit->text(), QStringLiteral("Dvorák?€"));
        // Pasted text the same; the cursor stays at its end.
        edit->insert(QStringLiteral("-Ωa\U0001F600b"));
        QCOMPARE(edit->text(), QStringLiteral("Dvorák?€-?a?b"));
        QCOMPARE(edit->cursorPosition(), int(edit->text().size()));
        QLineEdit *title = w.webSettingsPage()->EditTitle;
        title->selectAll();
        title->insert(QStringLiteral("Bücher Łódź"));
        QCOMPARE(title->text(), QStringLiteral("Bücher Lódz"));
    }

    // --- page "Web-Seite" ---------------------------------------------------------

    void webPageFilledAtStartUp_data()
    {
        QTest::addColumn<QByteArray>("extra");
        QTest::addColumn<QStringList>("texts"); // relative path, title, subtitle, home link, URL
        QTest::addColumn<bool>("takeFromDirectory");
        QTest::newRow("keys missing") << QByteArray()
                                      << QStringList { "../", "Besprechungen", "Empfohlene Bücher",
                                             "Zur Startseite", "../../index.htm" }
                                      << true;
        QTest::newRow("stored, section spelled in lower case")
            << QByteArray("[webpage]\r\nRelativePath=../css/\r\nTitle=Neu\r\nSubTitle=Sachb\xfc"
                          "cher\r\ntakeFromDirectory=0\r\nHomeLink=Heim\r\nHomeURL=/\r\n")
            << QStringList { "../css/", "Neu", "Sachbücher", "Heim", "/" } << false;
        QTest::newRow("stored empty")
            << QByteArray("[WEBPage]\r\nRelativePath=\r\nTitle=\r\n")
            << QStringList { "", "", "Empfohlene Bücher", "Zur Startseite", "../../index.htm" }
            << true;
    }
    void webPageFilledAtStartUp()
    {
        QFETCH(QByteArray, extra);
        QFETCH(QStringList, texts);
        QFETCH(bool, takeFromDirectory);
        WindowFixture f(extra);
        QVERIFY(f.start());
        WebSettingsPage &p = *f.window().webSettingsPage();
        QCOMPARE(p.EditRelativePath->text(), texts[0]);
        QCOMPARE(p.EditTitle->text(), texts[1]);
        QCOMPARE(p.EditSubtitle->text(), texts[2]);
        QCOMPARE(p.EditHomeLinkText->text(), texts[3]);
        QCOMPARE(p.EditHomeURL->text(), texts[4]);
        QCOMPARE(p.CheckBoxTakeFromDirectory->isChecked(), takeFromDirectory);
        QCOMPARE(p.EditSubtitle->isEnabledTo(&p), !takeFromDirectory);
    }

    void takeFromDirectoryBlocksSubtitle()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        w.SetActivePage(TMainform::pgSettingsWeb);
        WebSettingsPage &p = *w.webSettingsPage();
        QVERIFY(p.CheckBoxTakeFromDirectory->isChecked());
        QVERIFY(!p.EditSubtitle->isEnabled());
        QTest::mouseClick(p.CheckBoxTakeFromDirectory, Qt::LeftButton);
        QVERIFY(!p.CheckBoxTakeFromDirectory->isChecked());
        QVERIFY(p.EditSubtitle->isEnabled());
        QTest::keyClick(p.CheckBoxTakeFromDirectory, Qt::Key_Space);
        QVERIFY(p.CheckBoxTakeFromDirectory->isChecked());
        QVERIFY(!p.EditSubtitle->isEnabled());
    }

    void styleSheetListFromHtmlFolder_data()
    {
        QTest::addColumn<QStringList>("files"); // a trailing "/" makes a folder
        QTest::addColumn<QString>("stored"); // null: key missing
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<QString>("selected");
        const QStringList three { "zeta.css", "Ubo-Morbel.css", "alpha.css" };
        const QStringList sortedThree { "alpha.css", "Ubo-Morbel.css", "zeta.css" };
        QTest::newRow("default name, case differs")
            << three << QString() << sortedThree << "Ubo-Morbel.css";
        QTest::newRow("stored name, case differs")
            << three << "ZETA.CSS" << sortedThree << "zeta.css";
        // A missing style sheet is written by the program under its name.
        QTest::newRow("no file of that name")
            << three << "fehlt.css"
            << QStringList { "alpha.css", "fehlt.css", "Ubo-Morbel.css", "zeta.css" }
            << "fehlt.css";
        QTest::newRow("no file of that name, in another folder")
            << three << "alt/fehlt.css" << sortedThree << "";
        QTest::newRow("stored empty") << three << "" << sortedThree << "";
        QTest::newRow("folders and other files left out")
            << QStringList { "b.css", "Ordner.css/", "notiz.txt", "alt.css.bak", "Gross.CSS",
                   "Ordner.css/innen.css" }
            << "b.css" << QStringList { "b.css", "Gross.CSS" } << "b.css";
        QTest::newRow("umlaut sorted by the locale")
            << QStringList { "zoo.css", "\u00e4rger.css", "bunt.css" } << "\u00c4RGER.css"
            << QStringList { "\u00e4rger.css", "bunt.css", "zoo.css" } << "\u00e4rger.css";
        QTest::newRow("exact case wins") << QStringList { "a.css", "A.css" } << "a.css"
                                         << QStringList { "A.css", "a.css" } << "a.css";
        QTest::newRow("no style sheets") << QStringList() << QString() << QStringList() << "";
    }
    void styleSheetListFromHtmlFolder()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, stored);
        QFETCH(QStringList, entries);
        QFETCH(QString, selected);
        QByteArray extra;
        if (!stored.isNull())
            extra = "[WEBpage]\r\nStyleSheet=" + stored.toLatin1() + "\r\n";
        WindowFixture f(extra);
        for (const QString &file : files) {
            const QString path = QStringLiteral("Zadizezerev/Html/") + file;
            if (file.endsWith(u'/'))
                QVERIFY(QDir().mkpath(f.env.path(path)));
            else
                QVERIFY(f.env.writeFile(path, "body {}\n"));
        }
        QVERIFY(f.start());
        TMainform &w = f.window();
        WebSettingsPage &p = *w.webSettingsPage();
        QComboBox *combo = p.ComboBoxStyleSheet;
        QVERIFY(!combo->isEditable());
        QStringList shown;
        for (int i = 0; i < combo->count(); ++i)
            shown << combo->itemText(i);
        QCOMPARE(shown, entries);
        QCOMPARE(combo->currentIndex() < 0, selected.isEmpty());
        QCOMPARE(p.selectedStyleSheet(), selected);

        openPreferences(w);
        button(w, "ButtonWebPageSaveSettings")->click();
        const IniFile &settings = w.SettingsFile();
        QVERIFY(settings.valueExists(kWebPage, QStringLiteral("StyleSheet")));
        QCOMPARE(settings.readString(kWebPage, QStringLiteral("StyleSheet"), QStringLiteral("?")),
            selected);
    }

    void styleSheetSelectionIgnoresListingOrder()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
        MainContext ctx;
        WebSettingsPage page(ctx);
        QStringList names { "beta.css", "Alpha.css", "gamma.css", "Delta.css" };
        const QStringList sorted { "Alpha.css", "beta.css", "Delta.css", "gamma.css" };
        std::sort(names.begin(), names.end());
        do {
            page.FillStyleSheets(names, QStringLiteral("DELTA.css"));
            QCOMPARE(page.ComboBoxStyleSheet->count(), int(sorted.size()));
            for (int i = 0; i < sorted.size(); ++i)
                QCOMPARE(page.ComboBoxStyleSheet->itemText(i), sorted[i]);
            QCOMPARE(page.selectedStyleSheet(), QStringLiteral("Delta.css"));
        } while (std::next_permutation(names.begin(), names.end()));
    }

    void saveWebPageWritesKeys_data()
    {
        QTest::addColumn<bool>("takeFromDirectory");
        QTest::newRow("subtitle blocked") << true;
        QTest::newRow("subtitle typed") << false;
    }
    void saveWebPageWritesKeys()
    {
        QFETCH(bool, takeFromDirectory);
        WindowFixture f;
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/blau.css"), "body {}\n"));
        QVERIFY(f.env.writeFile(QStringLiteral("Zadizezerev/Html/rot.css"), "body {}\n"));
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        w.SetActivePage(TMainform::pgSettingsWeb);
        WebSettingsPage &p = *w.webSettingsPage();
        p.CheckBoxTakeFromDirectory->setChecked(false);
        const struct
        {
            QLineEdit *edit;
            QString key;
            QString typed;
        } fields[] = {
            { p.EditTitle, QStringLiteral("Title"), QStringLiteral(" Kritiken ") },
            { p.EditSubtitle, QStringLiteral("SubTitle"), QStringLiteral("Sachbücher") },
            { p.EditRelativePath, QStringLiteral("RelativePath"), QStringLiteral("../../css/") },
            { p.EditHomeLinkText, QStringLiteral("HomeLink"), QString() },
            { p.EditHomeURL, QStringLiteral("HomeURL"), QStringLiteral("https://example.org/") },
        };
        for (const auto &field : fields) {
            field.edit->clear();
            field.edit->insert(field.typed);
        }
        p.CheckBoxTakeFromDirectory->setChecked(takeFromDirectory);
        p.ComboBoxStyleSheet->setCurrentIndex(
            p.ComboBoxStyleSheet->findText(QStringLiteral("rot.css")));

        const QByteArray diskBefore = f.env.readFile(QStringLiteral("Skribando.ini"));
        button(w, "ButtonWebPageSaveSettings")->click();

        const IniFile &settings = w.SettingsFile();
        for (const auto &field : fields)
            QCOMPARE(settings.readString(kWebPage, field.key, QStringLiteral("?")), field.typed);
        QCOMPARE(settings.readString(kWebPage, QStringLiteral("StyleSheet"), QString()),
            QStringLiteral("rot.css"));
        QCOMPARE(settings.readString(kWebPage, QStringLiteral("takeFromDirectory"), QString()),
            takeFromDirectory ? QStringLiteral("1") : QStringLiteral("0"));
        verifyBackOnWorkPages(w);
        // HTML output keeps the relative path it started with.
        QCOMPARE(w.context().WebRelativePath, QStringLiteral("../"));

        QCOMPARE(f.env.readFile(QStringLiteral("Skribando.ini")), diskBefore);
        QVERIFY(w.close());
        // Reading the file drops the blanks around a value.
        const IniFile disk = diskSettings(f);
        for (const auto &field : fields)
            QCOMPARE(
                disk.readString(kWebPage, field.key, QStringLiteral("?")), field.typed.trimmed());
        QCOMPARE(disk.readString(kWebPage, QStringLiteral("StyleSheet"), QString()),
            QStringLiteral("rot.css"));
    }

    void newRelativePathAppliesAfterRestart()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Switzerland));
        TestEnv env;
        ScriptedDesktop desktop;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"),
            "[Folders]\r\nAskYearFolder=0\r\n[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\n"));
        const QString programFile = env.path(QStringLiteral("Skribando"));
        {
            std::unique_ptr<Program> run = StartProgram(desktop, programFile);
            QVERIFY(run);
            TMainform &w = *run->mainform;
            openPreferences(w);
            w.webSettingsPage()->EditRelativePath->setText(QStringLiteral("../styles/"));
            button(w, "ButtonWebPageSaveSettings")->click();
            QCOMPARE(w.SettingsFile().readString(kWebPage, QStringLiteral("RelativePath"), {}),
                QStringLiteral("../styles/"));
            QCOMPARE(w.context().WebRelativePath, QStringLiteral("../"));
            QVERIFY(w.close());
        }
        std::unique_ptr<Program> again = StartProgram(desktop, programFile);
        QVERIFY(again);
        QCOMPARE(again->mainform->context().WebRelativePath, QStringLiteral("../styles/"));
        QCOMPARE(again->mainform->webSettingsPage()->EditRelativePath->text(),
            QStringLiteral("../styles/"));
    }

    // --- the publisher and language pages ----------------------------------------

    void listPageEdits_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("operation"); // add, remove or ctrl+delete
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message"); // empty: none
        QTest::addColumn<QString>("count");
        QTest::addColumn<bool>("inGrid"); // key in the grid afterwards
        QTest::addColumn<bool>("inList"); // its line in the hidden list afterwards

        const QString exists = QStringLiteral("Diese Sprache existiert schon.");
        const QString both = QStringLiteral("Beide Felder müssen ausgefüllt sein.");
        const QString protect = QStringLiteral("Dieser Eintrag darf nicht gelöscht werden.");
        QTest::newRow("new language") << "Sprachen"
                                      << "add"
                                      << "Lateinischen"
                                      << "Latein"
                                      << ""
                                      << "33" << true << true;
        QTest::newRow("language in another case") << "Sprachen"
                                                  << "add"
                                                  << "englischen"
                                                  << "Eng" << exists << "32" << false << false;
        // What would not read back from the settings file is refused.
        const QString unreadable = QStringLiteral(
            "Dieser Eintrag kann in den Einstellungen nicht gespeichert werden.\r\n");
        QTest::newRow("language with =")
            << "Sprachen"
            << "add"
            << "Alt=Griechischen"
            << "Altgr" << unreadable + "Das Zeichen \"=\" ist im Feld \"Sprache\" nicht erlaubt."
            << "32" << false << false;
        QTest::newRow("publisher with =")
            << "Verlage"
            << "add"
            << "A=B"
            << "Wien" << unreadable + "Das Zeichen \"=\" ist im Feld \"Verlag\" nicht erlaubt."
            << "126" << false << false;
        QTest::newRow("town with a line break")
            << "Verlage"
            << "add"
            << "Zwerg"
            << "Wien\nLinz" << unreadable + "Zeilenumbrüche sind nicht erlaubt."
            << "126" << false << false;
        QTest::newRow("publisher like a comment")
            << "Verlage"
            << "add"
            << ";Zwerg"
            << "Wien" << unreadable + "Ein Eintrag darf nicht mit \";\" beginnen."
            << "126" << false << false;
        QTest::newRow("language like a section") << "Sprachen"
                                                 << "add"
                                                 << "[Latein"
                                                 << "Lat]"
                                                 << unreadable
                + "Ein Eintrag darf nicht mit \"[\" beginnen und zugleich mit \"]\" enden."
                                                 << "32" << false << false;
        QTest::newRow("short form missing") << "Sprachen"
                                            << "add"
                                            << "Lateinischen"
                                            << "" << both << "32" << false << false;
        QTest::newRow("long form missing") << "Sprachen"
                                           << "add"
                                           << ""
                                           << "Lat" << both << "32" << false << false;
        QTest::newRow("remove a language") << "Sprachen"
                                           << "remove"
                                           << "Englischen"
                                           << "Engl"
                                           << ""
                                           << "31" << false << false;
        QTest::newRow("remove the untranslated entry") << "Sprachen"
                                                       << "remove"
                                                       << "- nicht übersetzt -"
                                                       << "-" << protect << "32" << true << true;
        QTest::newRow("ctrl+delete the untranslated entry") << "Sprachen"
                                                            << "ctrl+delete"
                                                            << "- nicht übersetzt -"
                                                            << "-"
                                                            << ""
                                                            << "32" << false << true;
        QTest::newRow("new publisher") << "Verlage"
                                       << "add"
                                       << "Zwerg"
                                       << "Wien"
                                       << ""
                                       << "127" << true << true;
        QTest::newRow("publisher in another case") << "Verlage"
                                                   << "add"
                                                   << "CARLSEN"
                                                   << "Hamburg"
                                                   << "Dieser Verlag existiert schon."
                                                   << "126" << false << false;
        QTest::newRow("town missing") << "Verlage"
                                      << "add"
                                      << "Zwerg"
                                      << "" << both << "126" << false << false;
        QTest::newRow("remove a publisher") << "Verlage"
                                            << "remove"
                                            << "Carlsen"
                                            << "Hamburg"
                                            << ""
                                            << "125" << false << false;
    }
    void listPageEdits()
    {
        QFETCH(QString, page);
        QFETCH(QString, operation);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QString, message);
        QFETCH(QString, count);
        QFETCH(bool, inGrid);
        QFETCH(bool, inList);
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        ListSettingsPage *p = listPage(w, page);
        // The default lists: 33 languages and 127 publishers.
        QCOMPARE(p->countEdit()->text(),
            page == u"Verlage" ? QStringLiteral("126") : QStringLiteral("32"));
        const QStringList languagesBefore = offeredLanguages(f.data());
        const QString line = key + u'=' + value;
        if (!message.isEmpty())
            f.desktop.answer(Msg::mrOk);
        if (operation == u"add") {
            p->keyEdit()->setText(key);
            p->valueEdit()->setText(value);
            w.findChild<QPushButton *>(page == u"Verlage" ? QStringLiteral("ButtonPublisherAdd")
                                                          : QStringLiteral("ButtonLanguageAdd"))
                ->click();
        } else {
            QVERIFY(selectRow(p, key));
            if (operation == u"remove") {
                w.findChild<QPushButton *>(page == u"Verlage"
                         ? QStringLiteral("ButtonPublisherRemove")
                         : QStringLiteral("ButtonLanguageRemove"))
                    ->click();
            } else {
                QTest::keyClick(p->grid(), Qt::Key_Delete, Qt::ControlModifier);
            }
        }
        QCOMPARE(f.desktop.dialogMessages(),
            message.isEmpty() ? QStringList() : QStringList { message });
        if (!message.isEmpty())
            QCOMPARE(f.desktop.lastDialog().kind, int(Msg::mtWarning));
        QCOMPARE(p->countEdit()->text(), count);
        QCOMPARE(gridKeys(p).contains(key), inGrid);
        QCOMPARE(p->sortedLines().contains(line), inList);
        QCOMPARE(gridKeys(p).size() == p->sortedLines().size(), operation != u"ctrl+delete");
        if (operation == u"add" && message.isEmpty()) {
            // Sorted in, and the fields are cleared for the next one.
            QCOMPARE(p->gridLines(), SortedListLines(p->gridLines()));
            QVERIFY(p->keyEdit()->text().isEmpty());
            QVERIFY(p->valueEdit()->text().isEmpty());
        } else {
            QCOMPARE(p->keyEdit()->text(), operation == u"add" ? key : QString());
        }
        // The book page offers a new language at once; a removal waits.
        const bool offeredNow = page == u"Sprachen" && operation == u"add" && message.isEmpty();
        QCOMPARE(offeredLanguages(f.data()).contains(key),
            offeredNow || (languagesBefore.contains(key)));
        // Nothing reaches the settings before "Speichern".
        QCOMPARE(
            w.SettingsFile().readSectionValues(
                page == u"Verlage" ? QStringLiteral("Publishers") : QStringLiteral("Languages")),
            diskSettings(f).readSectionValues(
                page == u"Verlage" ? QStringLiteral("Publishers") : QStringLiteral("Languages")));
    }

    void enterInANewRowFieldAdds()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        LanguagesPage *p = w.languagesPage();
        w.PageControl1->setCurrentIndex(TMainform::pgSettingsLanguages);
        p->keyEdit()->setText(QStringLiteral("Lateinischen"));
        p->valueEdit()->setText(QStringLiteral("Latein"));
        p->valueEdit()->setFocus();
        QTest::keyClick(p->valueEdit(), Qt::Key_Return);
        QVERIFY(gridKeys(p).contains(QStringLiteral("Lateinischen")));
        QCOMPARE(CurrentState, static_cast<TState *>(&StateEditSettings()));
    }

    void savedListIsSortedAndBuildsTheMenuAtTheNextStart()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        QVERIFY(env.writeFile(QStringLiteral("Skribando.ini"),
            "[Folders]\r\nAskYearFolder=0\r\n[Reviewer]\r\nFirstname=Erika\r\nName=Muster\r\n"
            "[Publishers]\r\nZwerg=Wien\r\nbeltz=Weinheim\r\nAmmann=Z\xfc"
            "rich\r\n"
            "[Languages]\r\n- nicht \xfc"
            "bersetzt -=-\r\nEnglischen=Engl\r\n"));
        const QString programFile = env.path(QStringLiteral("Skribando"));
        {
            std::unique_ptr<Program> run = StartProgram(desktop, programFile);
            QVERIFY(run);
            TMainform &w = *run->mainform;
            // File order for the menu, sorted order on the page.
            QCOMPARE(menuItems(w.bookDataPage()->PopupMenuPublisher),
                (QStringList { "Zwerg", "beltz", "Ammann" }));
            QCOMPARE(gridKeys(w.publishersPage()), (QStringList { "Ammann", "beltz", "Zwerg" }));
            QCOMPARE(w.publishersPage()->countEdit()->text(), QStringLiteral("2"));
            openPreferences(w);
            w.publishersPage()->keyEdit()->setText(QStringLiteral("Carlsen"));
            w.publishersPage()->valueEdit()->setText(QStringLiteral("Hamburg"));
            w.publishersPage()->ButtonPublisherAddClick();
            // A language added but never saved.
            w.languagesPage()->keyEdit()->setText(QStringLiteral("Lateinischen"));
            w.languagesPage()->valueEdit()->setText(QStringLiteral("Latein"));
            w.languagesPage()->ButtonLanguageAddClick();
            QVERIFY(offeredLanguages(*run->dataAccess).contains(QStringLiteral("Lateinischen")));
            // Leaving asks about the language; "Nein" drops it.
            answerNoToUnsavedList(desktop);
            button(w, "ButtonPublishersSave")->click();
            verifyBackOnWorkPages(w);
            QVERIFY(!offeredLanguages(*run->dataAccess).contains(QStringLiteral("Lateinischen")));
            QCOMPARE(w.SettingsFile().readSectionValues(QStringLiteral("Publishers")),
                (QStringList {
                    "Ammann=Zürich", "beltz=Weinheim", "Carlsen=Hamburg", "Zwerg=Wien" }));
            // The menu changes at the next start only.
            QCOMPARE(menuItems(w.bookDataPage()->PopupMenuPublisher),
                (QStringList { "Zwerg", "beltz", "Ammann" }));
            QVERIFY(w.close());
        }
        std::unique_ptr<Program> again = StartProgram(desktop, programFile);
        QVERIFY(again);
        QCOMPARE(menuItems(again->mainform->bookDataPage()->PopupMenuPublisher),
            (QStringList { "Ammann", "beltz", "Carlsen", "Zwerg" }));
        QVERIFY(!offeredLanguages(*again->dataAccess).contains(QStringLiteral("Lateinischen")));
        QCOMPARE(gridKeys(again->mainform->languagesPage()),
            (QStringList { "- nicht übersetzt -", "Englischen" }));
    }

    void restoreGivesTheDefaultsWithoutWriting_data()
    {
        QTest::addColumn<QString>("page");
        QTest::newRow("Verlage") << "Verlage";
        QTest::newRow("Sprachen") << "Sprachen";
    }
    void restoreGivesTheDefaultsWithoutWriting()
    {
        QFETCH(QString, page);
        WindowFixture f("[Publishers]\r\nZwerg=Wien\r\n[Languages]\r\nLateinischen=Latein\r\n");
        QVERIFY(f.start());
        TMainform &w = f.window();
        ListSettingsPage *p = listPage(w, page);
        const bool publishers = page == u"Verlage";
        const QString section
            = publishers ? QStringLiteral("Publishers") : QStringLiteral("Languages");
        const QStringList stored = w.SettingsFile().readSectionValues(section);
        // The defaults and one entry of the person's own.
        QCOMPARE(p->countEdit()->text(), publishers ? QStringLiteral("127") : QStringLiteral("33"));
        openPreferences(w);
        w.findChild<QPushButton *>(publishers ? QStringLiteral("ButtonRestoreStandardPublishers")
                                              : QStringLiteral("ButtonRestoreStandardLanguages"))
            ->click();
        QCOMPARE(p->countEdit()->text(), publishers ? QStringLiteral("126") : QStringLiteral("32"));
        QCOMPARE(w.SettingsFile().readSectionValues(section), stored);
        QCOMPARE(diskSettings(f).readSectionValues(section), stored);
        if (publishers) {
            // Every menu item still inserts the publisher its caption names.
            QMenu *menu = w.bookDataPage()->PopupMenuPublisher;
            QCOMPARE(menuItems(menu).size(), 127);
            QCOMPARE(menuItems(menu).count(QStringLiteral("Carlsen")), 1);
            QCOMPARE(w.PublisherList.size(), 127);
        } else {
            QCOMPARE(offeredLanguages(f.data()).size(), 33);
            QVERIFY(offeredLanguages(f.data()).contains(QStringLiteral("Englischen")));
        }
        // "Abbrechen" asks; "Nein" gives back the list in force.
        answerNoToUnsavedList(f.desktop);
        button(w, publishers ? "ButtonAbortSettingsPublishers" : "ButtonLanguagesAbort")->click();
        verifyBackOnWorkPages(w);
        QCOMPARE(p->countEdit()->text(), publishers ? QStringLiteral("127") : QStringLiteral("33"));
        QCOMPARE(w.SettingsFile().readSectionValues(section), stored);
        // Restored again, "Speichern" writes it.
        openPreferences(w);
        w.findChild<QPushButton *>(publishers ? QStringLiteral("ButtonRestoreStandardPublishers")
                                              : QStringLiteral("ButtonRestoreStandardLanguages"))
            ->click();
        button(w, publishers ? "ButtonPublishersSave" : "ButtonLanguagesSave")->click();
        verifyBackOnWorkPages(w);
        QCOMPARE(w.SettingsFile().readSectionValues(section), p->gridLines());
    }

    // Leaving a list page with unsaved changes, in any way, asks: "Ja" saves
    // the list, "Nein" discards it, "Abbrechen" stays.
    void leavingAChangedListAsks_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<int>("answer");
        const char *const ways[]
            = { "Register", "Abbrechen", "Speichern der anderen Seite", "Fenster schliessen" };
        const struct
        {
            const char *name;
            int result;
        } answers[]
            = { { "Ja", Msg::mrYes }, { "Nein", Msg::mrNo }, { "Abbrechen", Msg::mrCancel } };
        int n = 0;
        for (const char *way : ways) {
            for (const auto &a : answers) {
                const char *page = n++ % 2 ? "Sprachen" : "Verlage";
                QTest::addRow("%s, %s, %s", page, way, a.name)
                    << QString::fromUtf8(page) << QString::fromUtf8(way) << a.result;
            }
        }
    }
    void leavingAChangedListAsks()
    {
        QFETCH(QString, page);
        QFETCH(QString, leave);
        QFETCH(int, answer);
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        const bool publishers = page == u"Verlage";
        const int index
            = publishers ? TMainform::pgSettingsPublishers : TMainform::pgSettingsLanguages;
        const QString section
            = publishers ? QStringLiteral("Publishers") : QStringLiteral("Languages");
        ListSettingsPage *p = listPage(w, page);
        QVERIFY(w.PageControl1->userSwitchTo(index));
        p->keyEdit()->setText(QStringLiteral("Zwergen"));
        p->valueEdit()->setText(QStringLiteral("Zw"));
        button(w, publishers ? "ButtonPublisherAdd" : "ButtonLanguageAdd")->click();
        QVERIFY(p->hasUnsavedChanges());

        f.desktop.answer(answer, kUnsavedCaption);
        bool closed = false;
        if (leave == u"Register") {
            w.PageControl1->userSwitchTo(TMainform::pgSettingsPersonData);
        } else if (leave == u"Abbrechen") {
            button(w, publishers ? "ButtonAbortSettingsPublishers" : "ButtonLanguagesAbort")
                ->click();
        } else if (leave == u"Speichern der anderen Seite") {
            button(w, publishers ? "ButtonLanguagesSave" : "ButtonPublishersSave")->click();
        } else {
            closed = w.close();
        }
        QCOMPARE(f.desktop.pendingAnswers(), 0);
        const ScriptedDesktop::Dialog &q = f.desktop.lastDialog();
        QCOMPARE(q.message,
            QStringLiteral("Die Liste \"%1\" wurde geändert und noch nicht gespeichert.\r\n\r\n"
                           "Sollen die Änderungen gespeichert werden?")
                .arg(page));
        QCOMPARE(q.kind, int(Msg::mtConfirmation));
        QCOMPARE(q.buttonSet, int(Msg::mbYesNoCancel));
        QCOMPARE(q.captions, (QStringList { "Ja", "Nein", "Abbrechen" }));

        const bool stays = answer == Msg::mrCancel;
        const QString line = QStringLiteral("Zwergen=Zw");
        QCOMPARE(w.SettingsFile().readSectionValues(section).contains(line), answer == Msg::mrYes);
        QCOMPARE(p->gridLines().contains(line), answer != Msg::mrNo);
        QCOMPARE(p->hasUnsavedChanges(), stays);
        if (leave == u"Fenster schliessen") {
            QCOMPARE(closed, !stays);
            // What "Ja" saved is on disk with the rest of the settings.
            QCOMPARE(
                diskSettings(f).readSectionValues(section).contains(line), answer == Msg::mrYes);
        } else if (leave == u"Register") {
            QCOMPARE(w.ActivePage(), stays ? index : int(TMainform::pgSettingsPersonData));
        } else {
            QCOMPARE(CurrentState == &StateEditSettings(), stays);
            if (stays)
                QCOMPARE(w.ActivePage(), index);
        }
        if (!publishers)
            QCOMPARE(offeredLanguages(f.data()).contains(QStringLiteral("Zwergen")),
                answer != Msg::mrNo);
    }

    // Blanks around an entry are dropped; what is saved reads back the same.
    void savedListReadsBack()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        openPreferences(w);
        PublishersPage *p = w.publishersPage();
        p->keyEdit()->setText(QStringLiteral("  Zwerg "));
        p->valueEdit()->setText(QStringLiteral(" Wien  "));
        p->ButtonPublisherAddClick();
        QVERIFY(p->gridLines().contains(QStringLiteral("Zwerg=Wien")));
        button(w, "ButtonPublishersSave")->click();
        verifyBackOnWorkPages(w);
        IniFile again { QString() };
        again.readFromBytes(w.SettingsFile().toBytes());
        QCOMPARE(again.readSectionValues(QStringLiteral("Publishers")), p->gridLines());
    }

    void listPageLooks()
    {
        WindowFixture f;
        QVERIFY(f.start());
        TMainform &w = f.window();
        const struct
        {
            const char *grid;
            const char *keyTitle;
            const char *valueTitle;
            int keyWidth;
            int valueWidth;
        } grids[] = { { "ValueListEditPublishers", "Verlag", "Ort", 163, 128 },
            { "ValueListEditLanguages", "Übersetzt aus dem", "Abkürzung", 150, 85 } };
        for (const auto &g : grids) {
            auto *grid = w.findChild<QTableWidget *>(QLatin1String(g.grid));
            QVERIFY(grid);
            QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString::fromUtf8(g.keyTitle));
            QCOMPARE(grid->horizontalHeaderItem(1)->text(), QString::fromUtf8(g.valueTitle));
            QCOMPARE(grid->columnWidth(0), g.keyWidth);
            QCOMPARE(grid->selectionBehavior(), QAbstractItemView::SelectRows);
            QCOMPARE(grid->editTriggers(), QAbstractItemView::NoEditTriggers);
        }
        const auto labelOf = [&w](const char *buddy) -> QString {
            for (QLabel *l : w.findChildren<QLabel *>()) {
                if (l->buddy() && l->buddy()->objectName() == QLatin1String(buddy))
                    return l->text();
            }
            return QStringLiteral("(none)");
        };
        QCOMPARE(labelOf("EditNewPublisher"), QStringLiteral("Neuer\nVerlag:"));
        QCOMPARE(labelOf("EditPublishersCount"), QStringLiteral("Verfügbare \nVerlage"));
        QCOMPARE(labelOf("EditNewLanguage"), QStringLiteral("Neue Sprache:"));
        QCOMPARE(labelOf("EditLanguagesCount"), QStringLiteral("Verfügbare \nSprachen"));
        QVERIFY(w.findChild<QLineEdit *>(QStringLiteral("EditLanguagesCount"))->isReadOnly());
    }

    // --- what the person sees -------------------------------------------------------

    void captionsAndHints_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text"); // caption, or the tooltip for hints
        QTest::addColumn<bool>("hint");
        QTest::newRow("person group") << "GroupBoxReviewingPerson"
                                      << " Die Zadizezerev werden erstellt von: " << false;
        QTest::newRow("receivers group")
            << "GroupBoxReceivers"
            << " Die Zadizezerev werden an folgende Personen gesendet: " << false;
        QTest::newRow("web group") << "GroupBoxWebPage"
                                   << " Angaben für die WEB-Seite " << false;
        QTest::newRow("web-mail item")
            << "RadioButtonWebMail"
            << "WEB-Mail (hotmail, gmx, freesurf, bluemail, etc)" << false;
        QTest::newRow("style sheet hint")
            << "ComboBoxStyleSheet"
            << "Wählen Sie ein Stylesheet für die Gestaltung der Web-Seite" << true;
        QTest::newRow("check box hint")
            << "CheckBoxTakeFromDirectory"
            << "Verzeichnistitel übernehmen (Belletristik, Bilderbücher, Sachbücher)" << true;
        QTest::newRow("person save hint") << "ButtonPersonDataSaveSettings"
                                          << "Verlagstabelle permanent speichern." << true;
        QTest::newRow("web save hint") << "ButtonWebPageSaveSettings"
                                       << "Verlagstabelle permanent speichern." << true;
        const struct
        {
            const char *name;
            const char *text;
            bool hint;
        } listPages[] = {
            { "ButtonPublisherAdd", "Einfügen", false },
            { "ButtonPublisherRemove", "Entfernen", false },
            { "ButtonRestoreStandardPublishers", "Standard-Verlage wiederherstellen", false },
            { "ButtonAbortSettingsPublishers", "Abbrechen", false },
            { "ButtonPublishersSave", "Speichern", false },
            { "ButtonLanguageAdd", "Einfügen", false },
            { "ButtonLanguageRemove", "Entfernen", false },
            { "ButtonRestoreStandardLanguages", "Standard-Sprachen wiederherstellen", false },
            { "ButtonLanguagesSave", "Speichern", false },
            { "ButtonLanguagesAbort", "Abbrechen", false },
            { "EditNewPublisher", "Langform | Langform der neuen Sprache.", true },
            { "EditNewCity", "Kurzform | Kurzform der neuen Sprache.", true },
            { "ButtonPublisherAdd", "Neuer Verlag in der Tabelle einfügen.", true },
            { "ButtonPublisherRemove", "Markierter Verlag aus der Tabelle entfernen", true },
            { "EditPublishersCount", "Anzahl Sprachen | Anzahl verfügbarer Sprachen.", true },
            { "ButtonRestoreStandardPublishers", "Vordefinierte Verlage zurückrufen.", true },
            { "ButtonAbortSettingsPublishers", "Information zur Programmversion", true },
            { "ButtonPublishersSave", "Verlagstabelle permanent speichern.", true },
            { "EditNewLanguage", "Langform | Langform der neuen Sprache.", true },
            { "EditNewAbbreviation", "Kurzform | Kurzform der neuen Sprache.", true },
            { "ButtonLanguageAdd", "Neue Sprache in der Tabelle einfügen.", true },
            { "ButtonLanguageRemove", "Markierte Sprache aus der Tabelle entfernen", true },
            { "EditLanguagesCount", "Anzahl Sprachen | Anzahl verfügbarer Sprachen.", true },
            { "ButtonRestoreStandardLanguages", "Vordefinierte Sprachen zurückrufen.", true },
            { "ButtonLanguagesSave", "Sprachtabelle permanent speichern.", true },
            { "ButtonLanguagesAbort", "Seite schliessen und Änderungen verwerfen.", true },
        };
        for (const auto &row : listPages) {
            QTest::addRow("%s %s", row.name, row.hint ? "hint" : "caption")
                << QString::fromLatin1(row.name) << QString::fromUtf8(row.text) << row.hint;
        }
    }
    void captionsAndHints()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, hint);
        WindowFixture f;
        QVERIFY(f.start());
        auto *control = f.window().findChild<QWidget *>(name);
        QVERIFY(control);
        if (hint) {
            // "short | long": the short part is the tooltip, the long one the
            // status-bar text.
            QCOMPARE(control->toolTip(), GetShortHint(text).trimmed());
            QCOMPARE(control->statusTip(), GetLongHint(text).trimmed());
        } else if (auto *group = qobject_cast<QGroupBox *>(control)) {
            QCOMPARE(group->title(), text);
        } else {
            QCOMPARE(qobject_cast<QAbstractButton *>(control)->text(), text);
        }
    }

    void labelsKeepTheirBlanks()
    {
        WindowFixture f;
        QVERIFY(f.start());
        WebSettingsPage &web = *f.window().webSettingsPage();
        const auto labelOf = [](QWidget *page, QWidget *buddy) -> QString {
            for (QLabel *l : page->findChildren<QLabel *>()) {
                if (l->buddy() == buddy)
                    return l->text();
            }
            return QStringLiteral("(none)");
        };
        QCOMPARE(labelOf(&web, web.EditHomeLinkText), QStringLiteral("Text  des Home-Links"));
        QCOMPARE(labelOf(&web, web.EditHomeURL), QStringLiteral("Ziel-URL des Home-Links "));
        QVERIFY(web.GroupBoxWebPage->font().bold());
        QVERIFY(!web.EditTitle->font().bold());
        PersonDataPage &person = *f.window().personDataPage();
        QCOMPARE(labelOf(&person, person.EditFirstnameReceiver1), QStringLiteral("TO:"));
        QCOMPARE(labelOf(&person, person.EditFirstnameReceiver2), QStringLiteral("CC:"));
    }
};

QTEST_MAIN(TestSettingsPages)
#include "tst_settingspages.moc"
