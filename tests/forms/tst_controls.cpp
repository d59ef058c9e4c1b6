#include "ScriptedDesktop.h"
#include "TestEnv.h"

#include "app/Fmain.h"
#include "app/PageControl.h"
#include "app/Startup.h"
#include "base/DefaultSettings.h"
#include "base/IniFile.h"
#include "base/StatusPanel.h"
#include "data/DDataAccess.h"
#include "forms/BookDataPage.h"
#include "forms/DBControls.h"
#include "forms/DBNavigator.h"
#include "forms/DbOverviewPage.h"
#include "forms/LetterMenus.h"
#include "forms/ReviewPage.h"
#include "store/ReviewSchema.h"
#include "util/Codec1252.h"

#include <QAbstractItemModelTester>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTest>
#include <QTextCursor>

namespace {

using Values = QList<QPair<int, QVariant>>;

// Appends a record with its starting values and the given ones and posts it
// (check mode 0: no checks).
bool addBook(TDataAccess &data, const Values &values)
{
    DataSet &t = *data.DSetReview;
    const int tag = t.tag();
    t.setTag(TDataAccess::tagNone);
    t.append();
    for (const auto &[field, value] : values)
        t.setValue(field, value);
    const bool posted = t.post();
    t.setTag(tag);
    return posted;
}

// Types text as a person does, one key at a time; non-ASCII characters too.
void typeText(QWidget *w, const QString &text)
{
    for (QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// The pages on their own, over a data module without a window.
struct Pages
{
    ScriptedDesktop desktop;
    TDataAccess data { desktop };
    QAction checkIsbn { QStringLiteral("ISBN prüfen") };
    BookDataPage book { data, &checkIsbn };
    ReviewPage review { data };
    DataSet &table() { return *data.DSetReview; }
};

QWidget *control(Pages &p, const QString &name)
{
    if (QWidget *w = p.book.findChild<QWidget *>(name))
        return w;
    return p.review.findChild<QWidget *>(name);
}

// Shows the widget in an active window so that focus changes are real.
bool showActive(QWidget *w)
{
    w->show();
    w->activateWindow();
    return QTest::qWaitForWindowActive(w);
}

QString programFile(const TestEnv &env) { return env.path(QStringLiteral("Skribando")); }

// The real window in a fresh program folder: the default settings are
// written, the year folder exists, so no question comes.
std::unique_ptr<Program> startWindow(
    TestEnv &env, ScriptedDesktop &desktop, const QString &settings = {})
{
    QDir().mkpath(env.path(QStringLiteral("Zadizezerev/DB/2007")));
    if (!settings.isEmpty())
        env.writeFile(QStringLiteral("Skribando.ini"), Codec1252::encode(settings));
    return StartProgram(desktop, programFile(env));
}

// Sets the program's regional format for one test.
class DefaultLocale
{
public:
    explicit DefaultLocale(const QString &name) { QLocale::setDefault(QLocale(name)); }
    ~DefaultLocale() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

QStringList menuCaptions(const QMenu *menu)
{
    QStringList captions;
    for (const QAction *a : menu->actions())
        captions.append(a->text());
    return captions;
}

} // namespace

class TestControls : public QObject
{
    Q_OBJECT

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(QStringLiteral("^QObject::"))); }

    // --- editing through the controls ----------------------------------------

    void typingStartsEditing_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("field");
        QTest::addColumn<QVariant>("stored");
        QTest::newRow("title") << "DBEditBookTitle"
                               << "Momo" << int(fBookTitle) << QVariant(QStringLiteral("Momo"));
        QTest::newRow("pages, a number") << "DBEditPages"
                                         << "123" << int(fPages) << QVariant(123);
        QTest::newRow("book number") << "DBEditBookNbr"
                                     << "5.7" << int(fBookNbr) << QVariant(5.7);
        QTest::newRow("review text") << "DBMemoReview"
                                     << "Gut" << int(fReview) << QVariant(QStringLiteral("Gut"));
        QTest::newRow("topic") << "DBEditCategory"
                               << "Tiere" << int(fCategory) << QVariant(QStringLiteral("Tiere"));
    }
    void typingStartsEditing()
    {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(int, field);
        QFETCH(QVariant, stored);
        Pages p;
        QVERIFY(addBook(p.data, {}));
        QCOMPARE(p.table().state(), DataSet::dsBrowse);
        QWidget *w = ::control(p, control);
        QVERIFY(w);
        QTest::keyClicks(w, typed);
        QCOMPARE(p.table().state(), DataSet::dsEdit);
        QCOMPARE(p.table().value(field), stored);
    }

    void choosingStartsEditing()
    {
        Pages p;
        FillLanguageTable(*p.data.DSetLanguages,
            { QStringLiteral("- nicht übersetzt -=-"), QStringLiteral("Englischen=Engl") });
        QVERIFY(addBook(p.data, {}));
        p.book.DBRadioGroupBinding->button(1)->click();
        QCOMPARE(p.table().state(), DataSet::dsEdit);
        QCOMPARE(p.table().asText(fBinding), QStringLiteral("brosch"));

        p.table().cancel();
        QCOMPARE(p.book.DBRadioGroupBinding->value(), QStringLiteral("geb"));
        QVERIFY(p.book.DBRadioGroupBinding->button(0)->isChecked());
        DBLookupComboBox *languages = p.book.DBLookupComboBoxLanguage;
        emit languages->activated(languages->findText(QStringLiteral("Englischen")));
        QCOMPARE(p.table().state(), DataSet::dsEdit);
        QCOMPARE(p.table().asText(fLanguage), QStringLiteral("Engl"));
    }

    void withoutRecordNothingStarts()
    {
        Pages p;
        QTest::failOnWarning(QRegularExpression(QStringLiteral("^DataSet::")));
        QTest::keyClicks(p.book.DBEditBookTitle, QStringLiteral("Momo"));
        typeText(p.review.DBMemoReview, QStringLiteral("Gut"));
        p.book.DBRadioGroupBinding->button(2)->click();
        QCOMPARE(p.table().state(), DataSet::dsBrowse);
        QCOMPARE(p.book.DBEditBookTitle->text(), QString());
        QCOMPARE(p.review.DBMemoReview->toPlainText(), QString());
        QVERIFY(!p.book.DBRadioGroupBinding->button(2)->isChecked());
        QCOMPARE(p.book.DBRadioGroupBinding->value(), QString());
    }

    void controlsFollowTheCurrentRecord()
    {
        Pages p;
        FillLanguageTable(*p.data.DSetLanguages,
            { QStringLiteral("- nicht übersetzt -=-"), QStringLiteral("Englischen=Engl") });
        QVERIFY(addBook(p.data,
            { { fAuthor1Name, QStringLiteral("A") }, { fBookTitle, QStringLiteral("Erstes") },
                { fReview, QStringLiteral("Zeile 1\r\nZeile 2") },
                { fLanguage, QStringLiteral("Engl") } }));
        QVERIFY(addBook(p.data,
            { { fAuthor1Name, QStringLiteral("B") }, { fBookTitle, QStringLiteral("Zweites") },
                { fBinding, QStringLiteral("CD") } }));
        QVERIFY(p.table().first());
        QCOMPARE(p.book.DBEditBookTitle->text(), QStringLiteral("Erstes"));
        QCOMPARE(p.review.DBMemoReview->toPlainText(), QStringLiteral("Zeile 1\nZeile 2"));
        QCOMPARE(p.book.DBLookupComboBoxLanguage->currentText(), QStringLiteral("Englischen"));
        QVERIFY(p.table().next());
        QCOMPARE(p.book.DBEditBookTitle->text(), QStringLiteral("Zweites"));
        QCOMPARE(p.book.DBRadioGroupBinding->value(), QStringLiteral("CD"));
        QCOMPARE(
            p.book.DBLookupComboBoxLanguage->currentText(), QStringLiteral("- nicht übersetzt -"));
        QCOMPARE(p.review.DBMemoReview->toPlainText(), QString());

        // Line breaks typed into the review text are stored as CR LF; a
        // cancel shows the posted values again.
        typeText(p.review.DBMemoReview, QStringLiteral("a"));
        QTest::keyClick(p.review.DBMemoReview, Qt::Key_Return);
        typeText(p.review.DBMemoReview, QStringLiteral("b"));
        QCOMPARE(p.table().asText(fReview), QStringLiteral("a\r\nb"));
        p.table().cancel();
        QCOMPARE(p.review.DBMemoReview->toPlainText(), QString());
    }

    void entryLengths_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<int>("length");
        QTest::newRow("book number") << "DBEditBookNbr" << 6;
        QTest::newRow("title") << "DBEditBookTitle" << 160;
        QTest::newRow("initials") << "DBEditReviewerInitials" << 8;
    }
    void entryLengths()
    {
        QFETCH(QString, control);
        QFETCH(int, length);
        Pages p;
        QVERIFY(addBook(p.data, {}));
        auto *edit = qobject_cast<DBEdit *>(::control(p, control));
        QVERIFY(edit);
        edit->selectAll();
        edit->del();
        const QString digits = QStringLiteral("1234567890").repeated(20);
        QTest::keyClicks(edit, digits.left(length + 5));
        QCOMPARE(edit->text(), digits.left(length));
    }

    void storedTextLongerThanTheLimitIsShownWhole()
    {
        // 1234.10 has seven characters; the edit must not cut it to 1234.1.
        Pages p;
        QVERIFY(addBook(p.data, { { fBookNbr, 1234.1 } }));
        p.data.SetBookNumberFormat(2010);
        p.book.DBEditBookNbr->refresh();
        QCOMPARE(p.book.DBEditBookNbr->text(), QStringLiteral("1234.10"));
    }

    // A letter the review files cannot hold becomes its closest one as it is
    // typed, and the edit says which, once per change.
    void lettersOutsideTheCodePageAreReplaced_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QStringList>("reports");
        const QString head
            = QStringLiteral("Ersetzt (nicht im Zeichensatz der Besprechungsdateien): ");
        QTest::newRow("edit, Czech") << "Author1Name"
                                     << "Dvořák"
                                     << "Dvorák" << QStringList { head + "ř → r" };
        QTest::newRow("edit, Polish") << "Translator1Firstname"
                                      << "Łukasz"
                                      << "Lukasz" << QStringList { head + "Ł → L" };
        QTest::newRow("edit, Hungarian") << "DBEditBookTitle"
                                         << "Szőr"
                                         << "Szor" << QStringList { head + "ő → o" };
        QTest::newRow("edit, two changes")
            << "DBEditPublisher"
            << "đı"
            << "di" << QStringList { head + "đ → d", head + "ı → i" };
        QTest::newRow("edit, no letter like it")
            << "DBEditBookTitle"
            << "Жук"
            << "???" << QStringList { head + "Ж → ?", head + "у → ?", head + "к → ?" };
        QTest::newRow("edit, what the code page holds") << "DBEditBookTitle"
                                                        << "Bär, Œuvre „ß“ – é…€"
                                                        << "Bär, Œuvre „ß“ – é…€" << QStringList();
        QTest::newRow("review text, Czech") << "DBMemoReview"
                                            << "Čapek"
                                            << "Capek" << QStringList { head + "Č → C" };
        QTest::newRow("review text, what the code page holds")
            << "DBMemoReview"
            << "Bär, Œuvre „ß“ – é…€"
            << "Bär, Œuvre „ß“ – é…€" << QStringList();
    }
    void lettersOutsideTheCodePageAreReplaced()
    {
        QFETCH(QString, control);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QFETCH(QStringList, reports);
        Pages p;
        QVERIFY(addBook(p.data, {}));
        QWidget *w = ::control(p, control);
        if (!w) // the people's edits are named for their fields
            w = p.book.findChild<DBEdit *>(QStringLiteral("DBEdit") + control);
        QVERIFY2(w, qPrintable(control));
        QSignalSpy spy(w, SIGNAL(lettersReplaced(QString)));
        typeText(w, typed);
        const auto *edit = qobject_cast<DBEdit *>(w);
        const int field = edit ? edit->link()->field() : int(fReview);
        QCOMPARE(p.table().asText(field), stored);
        QStringList said;
        for (const QList<QVariant> &signal : spy)
            said.append(signal.at(0).toString());
        QCOMPARE(said, reports);
    }

    // Pasted in the middle, the letters are replaced there and the cursor
    // stands after what was pasted; one paste is one report.
    void pastedLettersAreReplaced_data()
    {
        QTest::addColumn<QString>("control");
        QTest::newRow("edit") << "DBEditBookTitle";
        QTest::newRow("review text") << "DBMemoReview";
    }
    void pastedLettersAreReplaced()
    {
        QFETCH(QString, control);
        Pages p;
        QVERIFY(addBook(p.data, {}));
        QWidget *w = ::control(p, control);
        QSignalSpy spy(w, SIGNAL(lettersReplaced(QString)));
        typeText(w, QStringLiteral("AB"));
        QApplication::clipboard()->setText(QStringLiteral("Dvořák Čapek 𝄞"));
        const int field = control == u"DBMemoReview" ? int(fReview) : int(fBookTitle);
        if (auto *edit = qobject_cast<DBEdit *>(w)) {
            edit->setCursorPosition(1);
            edit->paste();
            QCOMPARE(edit->cursorPosition(), 15);
        } else {
            auto *memo = qobject_cast<DBMemo *>(w);
            QTextCursor c = memo->textCursor();
            c.setPosition(1);
            memo->setTextCursor(c);
            memo->paste();
            QCOMPARE(memo->textCursor().position(), 15);
        }
        QCOMPARE(p.table().asText(field), QStringLiteral("ADvorák Capek ?B"));
        QCOMPARE(spy.size(), 1);
        QCOMPARE(spy.at(0).at(0).toString(),
            QStringLiteral("Ersetzt (nicht im Zeichensatz der Besprechungsdateien): "
                           "ř → r, Č → C, 𝄞 → ?"));
    }

    // The window names the replaced letters in status panel 1.
    void windowReportsReplacedLetters()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        auto program = startWindow(env, desktop);
        QVERIFY(program);
        QVERIFY(addBook(*program->dataAccess, {}));
        TMainform &w = *program->mainform;
        w.SetEditingPanelEnabled(true);
        typeText(w.bookDataPage()->DBEditBookTitle, QStringLiteral("Čapek"));
        QCOMPARE(w.statusText(StatusPanel::Hint),
            QStringLiteral("Ersetzt (nicht im Zeichensatz der Besprechungsdateien): Č → C"));
        w.StatusMsg(StatusPanel::Hint, QString());
        typeText(w.reviewPage()->DBMemoReview, QStringLiteral("Dvořák"));
        QCOMPARE(w.statusText(StatusPanel::Hint),
            QStringLiteral("Ersetzt (nicht im Zeichensatz der Besprechungsdateien): ř → r"));
        QCOMPARE(program->dataAccess->DSetReview->asText(fReview), QStringLiteral("Dvorák"));
    }

    void reviewTextKeepsItsEntryLength()
    {
        Pages p;
        QVERIFY(addBook(p.data, {}));
        // A line break takes two characters (CR LF) of the 2048.
        QApplication::clipboard()->setText(QStringLiteral("x").repeated(2040) + QStringLiteral("\n")
            + QStringLiteral("y").repeated(20));
        p.review.DBMemoReview->paste();
        const QString stored = p.table().asText(fReview);
        QCOMPARE(stored.size(), 2048);
        QCOMPARE(p.review.DBMemoReview->storedText(), stored);
        typeText(p.review.DBMemoReview, QStringLiteral("z"));
        QCOMPARE(p.table().asText(fReview), stored);
    }

    // --- book page reactions ---------------------------------------------------

    void pagesEditFollowsPagination()
    {
        Pages p;
        QVERIFY(addBook(p.data,
            { { fAuthor1Name, QStringLiteral("A") }, { fPagination, QStringLiteral("U") } }));
        QVERIFY(addBook(p.data, { { fAuthor1Name, QStringLiteral("B") } }));
        p.book.show();
        QVERIFY(p.table().first());
        QVERIFY(!p.book.DBEditPages->isVisible());
        QVERIFY(p.table().next());
        QVERIFY(p.book.DBEditPages->isVisible());
        p.book.DBRadioGroupPagination->button(1)->click();
        QCOMPARE(p.table().asText(fPagination), QStringLiteral("U"));
        QVERIFY(!p.book.DBEditPages->isVisible());
    }

    void audioBookRule_data()
    {
        QTest::addColumn<QString>("pagination");
        QTest::addColumn<int>("binding"); // button index
        QTest::addColumn<QString>("after");
        QTest::newRow("CD turns U into P") << "U" << 2 << "P";
        QTest::newRow("CD keeps P") << "P" << 2 << "P";
        QTest::newRow("brosch keeps U") << "U" << 1 << "U";
    }
    void audioBookRule()
    {
        QFETCH(QString, pagination);
        QFETCH(int, binding);
        QFETCH(QString, after);
        Pages p;
        QVERIFY(addBook(p.data, { { fPagination, pagination } }));
        p.book.show();
        p.book.DBRadioGroupBinding->button(binding)->click();
        QCOMPARE(p.table().asText(fPagination), after);
        QCOMPARE(p.book.DBRadioGroupPagination->value(), after);
        QCOMPARE(p.book.DBEditPages->isVisible(), after == QLatin1String("P"));
    }

    void showingAnAudioBookChangesNothing()
    {
        Pages p;
        QVERIFY(addBook(
            p.data, { { fBinding, QStringLiteral("CD") }, { fPagination, QStringLiteral("U") } }));
        QVERIFY(p.table().first());
        QCOMPARE(p.table().state(), DataSet::dsBrowse);
        QCOMPARE(p.book.DBRadioGroupPagination->value(), QStringLiteral("U"));
    }

    // A price reads with "," or "." whatever the regional format, and shows
    // in the regional format.
    void priceExit_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QVariant>("price");
        QTest::addColumn<QString>("warning"); // empty: none
        QTest::newRow("German, comma") << "de_DE"
                                       << "19,90"
                                       << "19,90" << QVariant(19.9) << QString();
        QTest::newRow("German, point") << "de_DE"
                                       << "19.90"
                                       << "19,90" << QVariant(19.9) << QString();
        QTest::newRow("German, no zero before the comma") << "de_AT"
                                                          << ",5"
                                                          << ",50" << QVariant(0.5) << QString();
        QTest::newRow("Swiss German, comma") << "de_CH"
                                             << "0,5"
                                             << ".50" << QVariant(0.5) << QString();
        QTest::newRow("English, comma") << "en_US"
                                        << "19,90"
                                        << "19.90" << QVariant(19.9) << QString();
        QTest::newRow("English, point") << "en_GB"
                                        << "12.5"
                                        << "12.50" << QVariant(12.5) << QString();
        QTest::newRow("C, comma") << "C"
                                  << "7,"
                                  << "7.00" << QVariant(7.0) << QString();
        QTest::newRow("blanks") << "en_US"
                                << "1 234.5"
                                << "1234.50" << QVariant(1234.5) << QString();
        QTest::newRow("blanks, German") << "de_DE"
                                        << "1 234,5"
                                        << "1234,50" << QVariant(1234.5) << QString();
        QTest::newRow("three decimals") << "en_US"
                                        << "19,999"
                                        << "19,999" << QVariant() << "19,999";
        QTest::newRow("thousands separator") << "de_DE"
                                             << "1.234,50"
                                             << "1.234,50" << QVariant() << "1.234,50";
        QTest::newRow("no number") << "de_DE"
                                   << "25.-"
                                   << "25.-" << QVariant() << "25.-";
        QTest::newRow("blank inside a bad number") << "en_US"
                                                   << "1 2x"
                                                   << "1 2x" << QVariant() << "12x";
        QTest::newRow("empty") << "de_DE"
                               << ""
                               << "" << QVariant() << QString();
    }
    void priceExit()
    {
        QFETCH(QString, locale);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(QVariant, price);
        QFETCH(QString, warning);
        const DefaultLocale regional(locale);
        Pages p;
        QVERIFY(addBook(p.data, {}));
        QVERIFY(showActive(&p.book));
        p.book.DBEditPrice->setFocus();
        QTRY_VERIFY(p.book.DBEditPrice->hasFocus());
        QTest::keyClicks(p.book.DBEditPrice, typed);
        if (!warning.isEmpty())
            p.desktop.answer(Msg::mrOk, QStringLiteral("Ungültige Eingabe ..."));
        p.book.DBEditBookTitle->setFocus();
        QTRY_VERIFY(p.book.DBEditBookTitle->hasFocus());

        QCOMPARE(p.desktop.pendingAnswers(), 0);
        QCOMPARE(p.desktop.dialogs().size(), warning.isEmpty() ? 0 : 1);
        if (!warning.isEmpty()) {
            const ScriptedDesktop::Dialog &d = p.desktop.lastDialog();
            QCOMPARE(d.caption, QStringLiteral("Ungültige Eingabe ..."));
            QCOMPARE(d.message,
                QStringLiteral("Das Feld \"Preis\" enthält keine Zahl:\r\n\r\n") + warning);
            QCOMPARE(d.kind, int(Msg::mtWarning));
            QCOMPARE(d.buttonSet, int(Msg::mbOK));
            QCOMPARE(d.captions, QStringList { QStringLiteral("OK") });
        }
        QCOMPARE(p.book.DBEditPrice->text(), shown);
        if (price.isValid()) {
            QCOMPARE(p.table().value(fPrice).toDouble(), price.toDouble());
            QVERIFY(p.table().post());
            QCOMPARE(p.book.DBEditPrice->text(), shown);
        }
    }

    // Text that does not convert is never stored in part: the field keeps
    // what it held, the text stays, and posts are refused until it converts
    // or is emptied.
    void numberEditsKeepNoPieceOfBadText_data()
    {
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("leave"); // leave the edit before posting
        QTest::addColumn<QString>("warning");
        QTest::newRow("price with three decimals, left")
            << "DBEditPrice"
            << "12,505" << true << "Das Feld \"Preis\" enthält keine Zahl:\r\n\r\n12,505";
        QTest::newRow("price with two separators, posted")
            << "DBEditPrice"
            << "1.219,90" << false << "Das Feld \"Preis\" enthält keine Zahl:\r\n\r\n1.219,90";
        QTest::newRow("price of blanks")
            << "DBEditPrice"
            << "   " << true << "Das Feld \"Preis\" enthält keine Zahl:\r\n\r\n";
        QTest::newRow("pages with words")
            << "DBEditPages"
            << "ca. 200" << true << "Das Feld \"Seiten\" enthält keine Zahl:\r\n\r\nca. 200";
        QTest::newRow("age range")
            << "DBEditAge"
            << "8-10" << true << "Das Feld \"Lesealter\" enthält keine Zahl:\r\n\r\n8-10";
        QTest::newRow("age range, posted")
            << "DBEditAge"
            << "8-10" << false << "Das Feld \"Lesealter\" enthält keine Zahl:\r\n\r\n8-10";
    }
    void numberEditsKeepNoPieceOfBadText()
    {
        QFETCH(QString, edit);
        QFETCH(QString, typed);
        QFETCH(bool, leave);
        QFETCH(QString, warning);
        Pages p;
        QVERIFY(addBook(p.data, { { fPrice, 5.0 }, { fPages, 100 }, { fAge, 6 } }));
        const Record before = p.table().currentValues();
        auto *e = qobject_cast<DBEdit *>(control(p, edit));
        QVERIFY(e);
        QWidget *page = edit == u"DBEditAge" ? static_cast<QWidget *>(&p.review) : &p.book;
        QVERIFY(showActive(page));
        e->setFocus();
        QTRY_VERIFY(e->hasFocus());
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(e, typed);
        QCOMPARE(p.table().state(), DataSet::dsEdit);
        // Not a piece of it in the record, while typing already.
        QCOMPARE(p.table().currentValues(), before);

        p.desktop.answer(Msg::mrOk, QStringLiteral("Ungültige Eingabe ..."));
        if (leave) {
            QWidget *other = edit == u"DBEditAge" ? static_cast<QWidget *>(p.review.DBEditCategory)
                                                  : p.book.DBEditBookTitle;
            other->setFocus();
            QTRY_VERIFY(other->hasFocus());
            QCOMPARE(p.desktop.dialogMessages(), QStringList { warning });
        }
        // The post is refused and says why; a post of the same moment as the
        // leaving does not say it twice.
        if (leave) {
            QVERIFY(!p.table().post());
            QCOMPARE(p.desktop.dialogs().size(), 1);
            QCoreApplication::processEvents();
            p.desktop.answer(Msg::mrOk, QStringLiteral("Ungültige Eingabe ..."));
        }
        QVERIFY(!p.table().post());
        QCOMPARE(p.desktop.dialogMessages(), QStringList(leave ? 2 : 1, warning));
        QCOMPARE(p.desktop.lastDialog().kind, int(Msg::mtWarning));
        QCOMPARE(p.table().state(), DataSet::dsEdit);
        QCOMPARE(e->text(), typed);
        QCOMPARE(p.table().currentValues(), before);

        // Emptied, the record takes it and posts.
        e->setFocus();
        QTRY_VERIFY(e->hasFocus());
        QTest::keyClick(e, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(e, Qt::Key_Delete);
        QVERIFY(p.table().post());
        QVERIFY(p.table().isNull(p.table().fieldIndex(e->link()->fieldName())));
        QCOMPARE(p.desktop.dialogs().size(), leave ? 2 : 1);
    }

    void yearExitSetsTheBookNumberFormat_data()
    {
        QTest::addColumn<QString>("year");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("number");
        QTest::newRow("2009") << "2009" << 1 << "5.1";
        QTest::newRow("2010") << "2010" << 2 << "5.10";
        QTest::newRow("2000") << "2000" << 1 << "5.1";
    }
    void yearExitSetsTheBookNumberFormat()
    {
        QFETCH(QString, year);
        QFETCH(int, decimals);
        QFETCH(QString, number);
        Pages p;
        QVERIFY(addBook(p.data, { { fBookNbr, 5.1 } }));
        p.data.SetBookNumberFormat(year == QLatin1String("2010") ? 2009 : 2010);
        QVERIFY(showActive(&p.book));
        p.book.DBEditYear->setFocus();
        QTRY_VERIFY(p.book.DBEditYear->hasFocus());
        p.book.DBEditYear->selectAll();
        QTest::keyClicks(p.book.DBEditYear, year);
        p.book.DBEditBookTitle->setFocus();
        QTRY_VERIFY(p.book.DBEditBookTitle->hasFocus());
        QCOMPARE(p.table().value(fYearPublished).toInt(), year.toInt());
        QCOMPARE(p.data.bookNumberDecimals(), decimals);
        QCOMPARE(p.book.DBEditBookNbr->text(), number);
    }

    void tabRunsTopToBottomPastTheYear()
    {
        Pages p;
        QVERIFY(addBook(p.data, {}));
        QVERIFY(showActive(&p.book));
        p.book.DBEditBookNbr->setFocus();
        QTRY_VERIFY(p.book.DBEditBookNbr->hasFocus());
        QList<QWidget *> visited;
        for (int i = 0; i < 40 && !visited.contains(QApplication::focusWidget()); ++i) {
            visited.append(QApplication::focusWidget());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QVERIFY(!visited.contains(p.book.DBEditYear));
        const QList<QWidget *> start { p.book.DBEditBookNbr, p.book.DBEditBookTitle,
            p.book.DBEditBookSerie, p.book.DBEditPublisher, p.book.DBEditPublisherLocality };
        QCOMPARE(visited.mid(0, start.size()), start);
        const auto at = [&visited](QWidget *w) { return visited.indexOf(w); };
        QVERIFY(at(p.book.DBEditPrice) > at(p.book.DBEditPages));
        QVERIFY(at(p.book.AuthorEdits.first()) > at(p.book.DBEditPrice));
        QVERIFY(at(p.book.IllustratorEdits.first()) > at(p.book.AuthorEdits.last()));
        QVERIFY(at(p.book.TranslatorEdits.first()) > at(p.book.IllustratorEdits.last()));
        QCOMPARE(visited.last(), p.book.DBLookupComboBoxLanguage);
        // The year is still reachable with the mouse.
        QTest::mouseClick(p.book.DBEditYear, Qt::LeftButton);
        QVERIFY(p.book.DBEditYear->hasFocus());
    }

    void hintsSplitIntoTooltipAndStatus_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("statusTip");
        QTest::newRow("publisher") << "DBEditPublisher"
                                   << "Name des Verlag"
                                   << "Umsch. F10 oder rechter Mausklick zeigt die bekannten "
                                      "Verlagen an";
        QTest::newRow("binding, no blank before the bar") << "DBRadioGroupBinding"
                                                          << "Gebunden, broschiert oder CD"
                                                          << "Art des Einbandes bzw. Hörbuch.";
        QTest::newRow("review text, no short part") << "DBMemoReview"
                                                    << ""
                                                    << "Ihre Beurteilung (max 2000 Zeichen).";
        QTest::newRow("initials, no bar") << "DBEditReviewerInitials"
                                          << "Initialen der beurteilenden Person"
                                          << "Initialen der beurteilenden Person";
    }
    void hintsSplitIntoTooltipAndStatus()
    {
        QFETCH(QString, control);
        QFETCH(QString, toolTip);
        QFETCH(QString, statusTip);
        Pages p;
        QWidget *w = ::control(p, control);
        QCOMPARE(w->toolTip(), toolTip);
        QCOMPARE(w->statusTip(), statusTip);
    }

    void seriesMenuChecksTheIsbn()
    {
        Pages p;
        QVERIFY(addBook(p.data, {}));
        QSignalSpy checked(&p.checkIsbn, &QAction::triggered);
        QCOMPARE(menuCaptions(p.book.PopupMenuISBN), QStringList { QStringLiteral("ISBN prüfen") });
        QVERIFY(showActive(&p.book));
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(5, 5),
            p.book.DBEditBookSerie->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(p.book.DBEditBookSerie, &click);
        QTRY_VERIFY(p.book.PopupMenuISBN->isVisible());
        p.book.PopupMenuISBN->actions().first()->trigger();
        p.book.PopupMenuISBN->close();
        QCOMPARE(checked.size(), 1);
    }

    // --- language drop-down -----------------------------------------------------

    void languageDropDownShowsLongStoresShort()
    {
        Pages p;
        FillLanguageTable(*p.data.DSetLanguages,
            SortedListLines(
                { QStringLiteral("Englischen=Engl"), QStringLiteral("- nicht übersetzt -=-"),
                    QStringLiteral("dänischen=Dän"), QStringLiteral("Französischen=Franz") }));
        QVERIFY(addBook(p.data, { { fLanguage, QStringLiteral("Franz") } }));
        DBLookupComboBox *box = p.book.DBLookupComboBoxLanguage;
        QStringList shown;
        for (int i = 0; i < box->count(); ++i)
            shown.append(box->itemText(i));
        QCOMPARE(shown,
            (QStringList { "- nicht übersetzt -", "dänischen", "Englischen", "Französischen" }));
        QCOMPARE(box->currentText(), QStringLiteral("Französischen"));

        emit box->activated(box->findText(QStringLiteral("dänischen")));
        QCOMPARE(p.table().asText(fLanguage), QStringLiteral("Dän"));
        QVERIFY(p.table().post());

        // A language added to the table is offered at once; the choice stays.
        FillLanguageTable(*p.data.DSetLanguages,
            { QStringLiteral("dänischen=Dän"), QStringLiteral("Zulu=Zulu") });
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(1), QStringLiteral("Zulu"));
        QCOMPARE(box->currentText(), QStringLiteral("dänischen"));
    }

    // --- overview grid --------------------------------------------------------------

    void gridTitleSortsAndColours()
    {
        Pages p;
        DbOverviewPage overview(p.data);
        QAbstractItemModelTester tester(
            overview.DBGrid1->dataModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const struct
        {
            double number;
            const char *publisher;
            const char *author;
        } books[] = { { 1.7, "Zytglogge", "Ammann" }, { 2.7, "Beltz", "Zeller" },
            { 3.7, "beltz", "Auer" }, { 4.7, "Carlsen", "Meier" } };
        for (const auto &b : books)
            QVERIFY(addBook(p.data,
                { { fBookNbr, b.number }, { fPublisher, QString::fromUtf8(b.publisher) },
                    { fAuthor1Name, QString::fromUtf8(b.author) } }));
        overview.resize(900, 300);
        overview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overview));

        DBGrid *grid = overview.DBGrid1;
        QHeaderView *titles = grid->horizontalHeader();
        QCOMPARE(grid->model()->headerData(8, Qt::Horizontal).toString(), QStringLiteral("Verlag"));
        const QPoint at(titles->sectionViewportPosition(8) + 10, titles->height() / 2);
        QTest::mouseClick(titles->viewport(), Qt::LeftButton, {}, at);

        QCOMPARE(p.table().indexFieldNames(), QStringLiteral("Publisher;Author1Name;BookNbr"));
        QStringList numbers;
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            numbers.append(grid->model()->index(r, 0).data().toString());
        QCOMPARE(numbers, (QStringList { "3.7", "2.7", "4.7", "1.7" }));
        const QColor tip = grid->palette().color(QPalette::ToolTipBase);
        const QColor window = grid->palette().color(QPalette::Window);
        for (int c = 0; c < grid->model()->columnCount(); ++c) {
            const QColor colour = grid->model()
                                      ->headerData(c, Qt::Horizontal, Qt::BackgroundRole)
                                      .value<QBrush>()
                                      .color();
            QCOMPARE(colour, c == 8 ? tip : window);
        }

        // Another title takes the colour over.
        overview.DBGrid1TitleClick(2);
        QCOMPARE(p.table().indexFieldNames(), QStringLiteral("BookTitle;Author1Name;BookNbr"));
        QCOMPARE(overview.DBGrid1->dataModel()->titleColor(8), window);
        QCOMPARE(overview.DBGrid1->dataModel()->titleColor(2), tip);
    }

    void gridColumns()
    {
        Pages p;
        DbOverviewPage overview(p.data);
        QAbstractItemModelTester tester(
            overview.DBGrid1->dataModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QStringList titles { "Buch Nummer", "Initialen", "Titel", "Thema", "Empfehlung",
            "Lesealter", "Altersgruppe", "Preis", "Verlag", "Jahr", "Seiten", "Autor",
            "Illustrator", "Übersetzer", "Sprache" };
        const QList<int> widths { 40, 42, 207, 104, 61, 48, 65, 37, -1, 29, 37, 68, 72, 74, 45 };
        QAbstractItemModel *model = overview.DBGrid1->model();
        QCOMPARE(model->columnCount(), titles.size());
        QHeaderView *header = overview.DBGrid1->horizontalHeader();
        for (int c = 0; c < titles.size(); ++c) {
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), titles[c]);
            // At least the designed width, and wide enough for the title.
            if (widths[c] > 0)
                QVERIFY(overview.DBGrid1->columnWidth(c) >= widths[c]);
            QVERIFY2(overview.DBGrid1->columnWidth(c) >= header->sectionSizeHint(c),
                qPrintable(titles[c]));
        }
        // Prices and book numbers show whole.
        const QFontMetrics metrics = overview.DBGrid1->fontMetrics();
        QVERIFY(overview.DBGrid1->columnWidth(7)
            > metrics.horizontalAdvance(QStringLiteral("9999.90")));
        QVERIFY(
            overview.DBGrid1->columnWidth(0) > metrics.horizontalAdvance(QStringLiteral("999.99")));
        QVERIFY(addBook(p.data, { { fPrice, 24.8 }, { fBookNbr, 5.7 } }));
        QCOMPARE(model->index(0, 7).data().toString(), QStringLiteral("24.80"));
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("5.7"));
        // While the record is edited, the grid shows what is being typed.
        p.table().edit();
        p.table().setValue(fBookTitle, QStringLiteral("Neu"));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("Neu"));
        p.table().cancel();
        QCOMPARE(model->index(0, 2).data().toString(), QString());
    }

    void handPointerOnlyOverTitles()
    {
        Pages p;
        DbOverviewPage overview(p.data);
        QVERIFY(addBook(p.data, {}));
        overview.resize(600, 300);
        overview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overview));
        DBGrid *grid = overview.DBGrid1;
        const auto moveOver = [](QWidget *w, const QPoint &pos) {
            QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton,
                Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(w, &move);
        };
        moveOver(grid->horizontalHeader()->viewport(), QPoint(20, 5));
        QCOMPARE(grid->cursor().shape(), Qt::PointingHandCursor);
        moveOver(grid->viewport(), QPoint(20, 5));
        QCOMPARE(grid->cursor().shape(), Qt::ArrowCursor);
        moveOver(grid->horizontalHeader()->viewport(), QPoint(60, 3));
        QCOMPARE(grid->cursor().shape(), Qt::PointingHandCursor);
    }

    void gridClickMovesTheRecord()
    {
        Pages p;
        DbOverviewPage overview(p.data);
        for (const char *author : { "A", "B", "C" })
            QVERIFY(addBook(p.data, { { fAuthor1Name, QString::fromUtf8(author) } }));
        overview.resize(600, 300);
        overview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overview));
        DBGrid *grid = overview.DBGrid1;
        const auto clickRow = [grid](int row) {
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                grid->visualRect(grid->model()->index(row, 2)).center());
        };
        clickRow(1);
        QCOMPARE(p.table().recNo(), 1);
        QCOMPARE(p.table().asText(fAuthor1Name), QStringLiteral("B"));

        // The grid follows moves made elsewhere.
        QVERIFY(p.table().last());
        QCOMPARE(grid->currentIndex().row(), 2);

        // A refused post keeps the record, and the grid goes back to it.
        p.table().setTag(TDataAccess::tagBookData);
        p.table().edit();
        p.table().setValue(fBookNbr, 9.9);
        p.desktop.answer(Msg::mrOk, QStringLiteral("Konsistenzprüfung"));
        clickRow(0);
        QCOMPARE(p.desktop.pendingAnswers(), 0);
        QCOMPARE(p.table().state(), DataSet::dsEdit);
        QCOMPARE(p.table().asText(fAuthor1Name), QStringLiteral("C"));
        QCOMPARE(grid->currentIndex().row(), 2);
    }

    void gridStaysQuickWithManyRecords()
    {
        Pages p;
        DbOverviewPage overview(p.data);
        QList<Record> rows;
        const int count = 40000;
        rows.reserve(count);
        for (int i = 0; i < count; ++i) {
            Record r(ReviewFieldCount);
            r[fBookNbr] = (i + 1) + 0.7;
            r[fPublisher] = QStringLiteral("Verlag %1").arg(i % 97);
            r[fAuthor1Name] = QStringLiteral("Autor %1").arg(count - i);
            r[fBookTitle] = QStringLiteral("Titel %1").arg(i);
            rows.append(r);
        }
        QElapsedTimer clock;
        clock.start();
        p.data.DSetReview->setData(ReviewFields(), rows);
        overview.resize(800, 400);
        overview.show();
        QVERIFY(QTest::qWaitForWindowExposed(&overview));
        overview.DBGrid1TitleClick(8);
        QVERIFY(p.table().last());
        QCOMPARE(overview.DBGrid1->currentIndex().row(), count - 1);
        QVERIFY(p.table().moveTo(count / 2));
        QTest::keyClick(overview.DBGrid1, Qt::Key_Down);
        QCOMPARE(p.table().recNo(), count / 2 + 1);
        QCoreApplication::processEvents();
        // Generous: the grid reads rows on demand and never copies the table.
        QVERIFY2(clock.elapsed() < 8000, qPrintable(QString::number(clock.elapsed())));
    }

    // --- letter menus -----------------------------------------------------------------

    void defaultTopicsGiveOneGroupPerInitial()
    {
        TestEnv env;
        IniFile settings(env.path(QStringLiteral("topics.ini")));
        WriteDefaultTopics(settings);
        QMenu menu;
        QStringList topics;
        IniPopupTopics(settings, QStringLiteral("Topics"), topics, &menu);
        QCOMPARE(topics, settings.readSectionValues(QStringLiteral("Topics")));
        const QStringList groups = menuCaptions(&menu);
        QCOMPARE(groups.size(), 23);
        for (const char *missing : { "Q...", "X...", "Y..." })
            QVERIFY(!groups.contains(QLatin1String(missing)));
        QMenu *t = menu.actions().at(groups.indexOf(QStringLiteral("T...")))->menu();
        QVERIFY(t);
        QVERIFY(menuCaptions(t).contains(QStringLiteral("TV-Serie")));
    }

    void letterGroups()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Vorhanden"));
        BuildLetterMenu(&menu,
            { QStringLiteral("Beta=1"), QStringLiteral("alpha=2"), QStringLiteral("Bravo=3"),
                QStringLiteral("bingo=4"), QStringLiteral("Äpfel=5"), QStringLiteral("äh=6"),
                QStringLiteral("Müller & Söhne=Bern") });
        QCOMPARE(menuCaptions(&menu),
            (QStringList { "Vorhanden", "B...", "A...", "B...", "Ä...", "ä...", "M..." }));
        QCOMPARE(menuCaptions(menu.actions().at(3)->menu()), (QStringList { "Bravo", "bingo" }));
        // An ampersand stays part of the caption instead of marking a key.
        QAction *m = menu.actions().at(6)->menu()->actions().first();
        QCOMPARE(m->text(), QStringLiteral("Müller && Söhne"));
        ListEntry entry;
        QVERIFY(LetterMenuEntry(m, &entry));
        QCOMPARE(entry.key, QStringLiteral("Müller & Söhne"));
        QCOMPARE(entry.value, QStringLiteral("Bern"));
        QVERIFY(!LetterMenuEntry(menu.actions().first(), &entry));
    }

    void publisherAndTopicItemsFillTheRecord()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        auto program = startWindow(env, desktop);
        QVERIFY(program);
        TMainform &w = *program->mainform;
        TDataAccess &data = *program->dataAccess;
        BookDataPage *book = w.bookDataPage();
        QCOMPARE(w.PublisherList, w.SettingsFile().readSectionValues(QStringLiteral("Publishers")));

        // A posted record in browse state: the menu puts it into edit state.
        data.DSetReview->setTag(TDataAccess::tagNone);
        data.DSetReview->append();
        QVERIFY(data.DSetReview->post());
        QCOMPARE(data.DSetReview->state(), DataSet::dsBrowse);
        QMenu *z = nullptr;
        for (QAction *group : book->PopupMenuPublisher->actions())
            if (group->text() == QLatin1String("Z..."))
                z = group->menu();
        QVERIFY(z);
        QAction *item = z->actions().first();
        ListEntry entry = SplitListLine(w.PublisherList.filter(item->text()).first());
        // The item names its own publisher, whatever the list holds later.
        w.PublisherList.clear();
        item->trigger();
        QCOMPARE(data.DSetReview->state(), DataSet::dsEdit);
        QCOMPARE(data.DSetReview->asText(fPublisher), entry.key);
        QCOMPARE(data.DSetReview->asText(fPublisherLocation), entry.value);
        QCOMPARE(book->DBEditPublisher->text(), entry.key);
        QCOMPARE(book->DBEditPublisherLocality->text(), entry.value);

        QMenu *topics = w.reviewPage()->PopupMenuTopics;
        QMenu *t
            = topics->actions().at(menuCaptions(topics).indexOf(QStringLiteral("T...")))->menu();
        for (QAction *topic : t->actions())
            if (topic->text() == QLatin1String("TV-Serie"))
                topic->trigger();
        QCOMPARE(data.DSetReview->asText(fCategory), QStringLiteral("TV-Serie"));
        QCOMPARE(w.reviewPage()->DBEditCategory->text(), QStringLiteral("TV-Serie"));
    }

    void publisherMenuOpensFromTheKeyboard()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        auto program = startWindow(env, desktop);
        QVERIFY(program);
        TMainform &w = *program->mainform;
        program->dataAccess->IniReviewRecord();
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        w.SetEditingPanelEnabled(true);
        BookDataPage *book = w.bookDataPage();
        book->DBEditPublisher->setFocus();
        QTest::keyClick(book->DBEditPublisher, Qt::Key_F10, Qt::ShiftModifier);
        QTRY_VERIFY(book->PopupMenuPublisher->isVisible());
        book->PopupMenuPublisher->close();
        QCOMPARE(desktop.dialogs().size(), 0);
        // An active window going away would still report focus changes to it.
        w.hide();
    }

    // --- the window ---------------------------------------------------------------------

    void windowFillsListsAndFont()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        auto program = startWindow(env, desktop,
            QStringLiteral("[Folders]\r\nAskYearFolder=0\r\n[DocStyle]\r\nFontSize=14\r\n"
                           "[Languages]\r\nEnglischen=Engl\r\n- nicht übersetzt -=-\r\n"
                           "[Publishers]\r\nBeltz=Weinheim\r\nArena=Würzburg\r\n"
                           "[Topics]\r\nTiere=T\r\n"));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        QCOMPARE(w.reviewPage()->DBMemoReview->font().pointSize(), 14);
        QCOMPARE(w.PublisherList, (QStringList { "Beltz=Weinheim", "Arena=Würzburg" }));
        QCOMPARE(
            menuCaptions(w.bookDataPage()->PopupMenuPublisher), (QStringList { "B...", "A..." }));
        QCOMPARE(w.TopicList, QStringList { QStringLiteral("Tiere=T") });
        DBLookupComboBox *box = w.bookDataPage()->DBLookupComboBoxLanguage;
        QCOMPARE(box->itemText(0), QStringLiteral("- nicht übersetzt -"));
        QCOMPARE(box->itemData(1).toString(), QStringLiteral("Engl"));

        // The pages live in their tabs; the review page focuses the text.
        QVERIFY(w.TabSheets[TMainform::pgBookData]->isAncestorOf(w.bookDataPage()->DBEditBookNbr));
        QVERIFY(
            w.TabSheets[TMainform::pgDbOverview]->findChild<DBGrid *>(QStringLiteral("DBGrid1")));
        program->dataAccess->IniReviewRecord();
        QCOMPARE(box->currentText(), QStringLiteral("- nicht übersetzt -"));
        QCOMPARE(w.bookDataPage()->DBEditYear->text(), QStringLiteral("2007"));
    }

    void bookNumberFormatFollowsTheWindow()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        auto program
            = startWindow(env, desktop, QStringLiteral("[Folders]\r\nAskYearFolder=0\r\n"));
        QVERIFY(program);
        TMainform &w = *program->mainform;
        TDataAccess &data = *program->dataAccess;
        QVERIFY(addBook(data, { { fBookNbr, 5.1 } }));
        data.SetBookNumberFormat(2012);
        QCOMPARE(w.bookDataPage()->DBEditBookNbr->text(), QStringLiteral("5.10"));
        QCOMPARE(w.dbOverviewPage()->DBGrid1->model()->index(0, 0).data().toString(),
            QStringLiteral("5.10"));
    }

    void bookFormFitsItsDesignedSize()
    {
        TestEnv env;
        ScriptedDesktop desktop;
        auto program = startWindow(env, desktop);
        QVERIFY(program);
        TMainform &w = *program->mainform;
        TDataAccess &data = *program->dataAccess;
        data.SetBookNumberFormat(2008);
        QVERIFY(addBook(data,
            { { fBookNbr, 12.8 },
                { fBookTitle, QStringLiteral("Die Reise zum Mittelpunkt der Welt") },
                { fBookSerie, QStringLiteral("978-3-407-79925-4") },
                { fPublisher, QStringLiteral("Beltz & Gelberg") },
                { fPublisherLocation, QStringLiteral("Weinheim") }, { fYearPublished, 2008 },
                { fPages, 236 }, { fPrice, 24.8 }, { fAuthor1Name, QStringLiteral("Muster") },
                { fAuthor1Firstname, QStringLiteral("Anna") },
                { fAuthor2Name, QStringLiteral("Beispiel") },
                { fAuthor2Firstname, QStringLiteral("Ben") },
                { fIllustrator1Name, QStringLiteral("Probe") },
                { fIllustrator1FirstName, QStringLiteral("Cara") },
                { fTranslator1Name, QStringLiteral("Übersetzer") },
                { fTranslator1Firstname, QStringLiteral("Dora") },
                { fLanguage, QStringLiteral("Engl") }, { fCategory, QStringLiteral("Abenteuer") },
                { fAge, 10 },
                { fReview,
                    QStringLiteral("Ein Junge findet im Keller seines Grossvaters eine alte Karte "
                                   "und macht sich auf die Suche.\r\n\r\nSpannend erzählt, mit "
                                   "viel Witz und schönen Bildern.") } }));
        w.SetEditingPanelEnabled(true);
        // The pages fit the form's designed size; it need not grow for them.
        QCOMPARE(w.bookFormMinimumSize(), QSize(621, 474));
        w.Panel2->resize(w.bookFormMinimumSize());
        QCoreApplication::processEvents();

        const QString shots = qEnvironmentVariable("SKRIBANDO_SHOTS");
        for (int page : { int(TMainform::pgBookData), int(TMainform::pgReview),
                 int(TMainform::pgDbOverview) }) {
            w.SetActivePage(page);
            QCoreApplication::processEvents();
            QWidget *sheet = w.TabSheets[page];
            const QRect area = sheet->rect();
            const QList<QWidget *> controls = sheet->findChildren<QWidget *>();
            for (QWidget *c : controls) {
                if (!c->isVisibleTo(sheet) || !c->objectName().startsWith(QLatin1String("DB")))
                    continue;
                const QRect r(c->mapTo(sheet, QPoint(0, 0)), c->size());
                QVERIFY2(area.contains(r), qPrintable(c->objectName()));
                QVERIFY2(c->width() >= c->minimumSizeHint().width(), qPrintable(c->objectName()));
            }
            if (!shots.isEmpty())
                w.Panel2->grab().save(shots + QStringLiteral("/page_%1.png").arg(page));
        }
        w.hide();
    }
};

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
