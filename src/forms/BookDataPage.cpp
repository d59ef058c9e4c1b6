#include "BookDataPage.h"

#include "DBControls.h"
#include "LetterMenus.h"
#include "base/IDesktop.h"
#include "base/VexUtils.h"
#include "data/DDataAccess.h"
#include "store/ReviewSchema.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QLabel *label(const QString &text, QWidget *buddy, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

// The column titles above the name and first-name edits of a group.
QLabel *heading(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    QFont f = l->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    l->setFont(f);
    l->setForegroundRole(QPalette::PlaceholderText);
    return l;
}

void popupOn(QWidget *w, QMenu *menu)
{
    w->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(w, &QWidget::customContextMenuRequested, menu, [w, menu](const QPoint &pos) {
        if (!menu->isEmpty())
            menu->popup(w->mapToGlobal(pos));
    });
}

} // namespace

BookDataPage::BookDataPage(TDataAccess &dataAccess, QAction *checkIsbn, QWidget *parent)
    : QWidget(parent)
    , m_data(dataAccess)
{
    setObjectName(QStringLiteral("BookDataPage"));
    build(checkIsbn);
}

DBEdit *BookDataPage::edit(const QString &field, const QString &hint)
{
    auto *e = new DBEdit(m_data.DSetReview, field, this);
    e->setObjectName(QStringLiteral("DBEdit") + field);
    if (!hint.isEmpty())
        ApplyHint(e, hint);
    return e;
}

void BookDataPage::build(QAction *checkIsbn)
{
    DataSet *t = m_data.DSetReview;

    // --- the book --------------------------------------------------------------
    DBEditBookNbr = edit(QStringLiteral("BookNbr"),
        QStringLiteral("Buchnummer | Buchnummer, die von der Koordinatorin vergeben wurde."));
    DBEditBookNbr->setObjectName(QStringLiteral("DBEditBookNbr"));
    DBEditBookNbr->setEntryLength(6);
    DBEditBookNbr->setDisplayFunction(
        [this](const QVariant &v) { return m_data.BookNumberDisplay(v); });
    DBEditBookNbr->setFixedWidth(72);

    DBEditBookTitle
        = edit(QStringLiteral("BookTitle"), QStringLiteral("Buchtitel | Titel des Buches."));
    DBEditBookSerie = edit(QStringLiteral("BookSerie"),
        QStringLiteral("Buchreihe, ISBN | Angabe zur Buchreihe, ISBN oder leer."));
    DBEditPublisher = edit(QStringLiteral("Publisher"),
        QStringLiteral("Name des Verlag | Umsch. F10 oder rechter Mausklick zeigt die bekannten "
                       "Verlagen an"));
    DBEditPublisherLocality = edit(QStringLiteral("PublisherLocation"),
        QStringLiteral("Verlagsdomizil | Domizil des Verlags."));
    DBEditPublisherLocality->setObjectName(QStringLiteral("DBEditPublisherLocality"));
    DBEditYear = edit(QStringLiteral("YearPublished"),
        QStringLiteral("Erscheinungsjahr | Jahr, in welchem das Buch erschienen ist."));
    DBEditYear->setObjectName(QStringLiteral("DBEditYear"));
    // The year starts as the current one and seldom changes: Tab passes it.
    DBEditYear->setFocusPolicy(Qt::ClickFocus);
    DBEditYear->setFixedWidth(56);
    connect(DBEditYear, &DBEdit::exited, this, &BookDataPage::DBEditYearExit);

    PopupMenuISBN = new QMenu(this);
    PopupMenuISBN->setObjectName(QStringLiteral("PopupMenuISBN"));
    if (checkIsbn)
        PopupMenuISBN->addAction(checkIsbn);
    popupOn(DBEditBookSerie, PopupMenuISBN);

    PopupMenuPublisher = new QMenu(this);
    PopupMenuPublisher->setObjectName(QStringLiteral("PopupMenuPublisher"));
    popupOn(DBEditPublisher, PopupMenuPublisher);
    connect(PopupMenuPublisher, &QMenu::triggered, this,
        [this](QAction *item) { PopupMenuPublisherClick(m_data, item); });

    auto *top = new QGridLayout;
    top->setHorizontalSpacing(8);
    top->setVerticalSpacing(3);
    top->addWidget(label(QStringLiteral("Buchnummer"), DBEditBookNbr, this), 0, 0);
    top->addWidget(DBEditBookNbr, 0, 1, Qt::AlignLeft);
    top->addWidget(label(QStringLiteral("Erscheinungsjahr"), DBEditYear, this), 0, 2);
    top->addWidget(DBEditYear, 0, 3, Qt::AlignLeft);
    top->addWidget(label(QStringLiteral("Titel"), DBEditBookTitle, this), 1, 0);
    top->addWidget(DBEditBookTitle, 1, 1, 1, 3);
    top->addWidget(label(QStringLiteral("Buchreihe, ISBN"), DBEditBookSerie, this), 2, 0);
    m_seriesRow = new QHBoxLayout;
    m_seriesRow->setSpacing(4);
    m_seriesRow->addWidget(DBEditBookSerie, 1);
    top->addLayout(m_seriesRow, 2, 1, 1, 3);
    top->addWidget(label(QStringLiteral("Verlag"), DBEditPublisher, this), 3, 0);
    top->addWidget(DBEditPublisher, 3, 1);
    top->addWidget(label(QStringLiteral("Verlagsort"), DBEditPublisherLocality, this), 3, 2);
    top->addWidget(DBEditPublisherLocality, 3, 3);
    top->setColumnStretch(1, 3);
    top->setColumnStretch(3, 2);

    // --- binding, pagination, price ---------------------------------------------
    DBRadioGroupBinding
        = new DBRadioGroup(t, QStringLiteral("Binding"), QStringLiteral("Einband / Hörbuch"),
            { { QStringLiteral("Gebunden"), QStringLiteral("geb") },
                { QStringLiteral("Broschiert"), QStringLiteral("brosch") },
                { QStringLiteral("CD"), QStringLiteral("CD") } },
            this);
    DBRadioGroupBinding->setObjectName(QStringLiteral("DBRadioGroupBinding"));
    // The audio book stands apart from the two kinds of binding.
    DBRadioGroupBinding->setColumns(2);
    ApplyHint(DBRadioGroupBinding,
        QStringLiteral("Gebunden, broschiert oder CD| Art des Einbandes bzw. Hörbuch."));

    DBRadioGroupPagination
        = new DBRadioGroup(t, QStringLiteral("Pagination"), QStringLiteral("Paginierung"),
            { { QStringLiteral("Anz. Seiten / CDs"), QStringLiteral("P") },
                { QStringLiteral("Unpaginiert"), QStringLiteral("U") } },
            this);
    DBRadioGroupPagination->setObjectName(QStringLiteral("DBRadioGroupPagination"));
    ApplyHint(DBRadioGroupPagination,
        QStringLiteral("Anzahl Seiten/CDs oder unpaginiert | Anzahl Seiten oder unpaginiert, "
                       "falls Seiten nicht nummeriert."));
    DBEditPages = new DBEdit(t, QStringLiteral("Pages"), DBRadioGroupPagination);
    DBEditPages->setObjectName(QStringLiteral("DBEditPages"));
    ApplyHint(DBEditPages, QStringLiteral("Seitenzahl | Anzahl Buchseiten"));
    DBEditPages->setFixedWidth(52);
    // The group keeps its shape while the edit is hidden.
    QSizePolicy keep = DBEditPages->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    DBEditPages->setSizePolicy(keep);
    DBRadioGroupPagination->grid()->addWidget(DBEditPages, 0, 1, Qt::AlignLeft);
    DBRadioGroupPagination->grid()->setColumnStretch(1, 1);

    DBRadioGroupCurrency = new DBRadioGroup(t, QStringLiteral("Currency"), QStringLiteral("Preis"),
        { { QStringLiteral("Fr."), QStringLiteral("Fr") },
            { QStringLiteral("€"), QStringLiteral("€") } },
        this);
    DBRadioGroupCurrency->setObjectName(QStringLiteral("DBRadioGroupCurrency"));
    ApplyHint(
        DBRadioGroupCurrency, QStringLiteral("Preis | Preisangabe in Schweizerfranken oder Euro."));
    DBEditPrice = new DBEdit(t, QStringLiteral("Price"), DBRadioGroupCurrency);
    DBEditPrice->setObjectName(QStringLiteral("DBEditPrice"));
    ApplyHint(DBEditPrice, QStringLiteral("Betrag | Preis des Buches in der gewählten Währung."));
    DBEditPrice->setDisplayFunction([](const QVariant &v) { return FormatPrice(v); });
    DBEditPrice->setAlignment(Qt::AlignRight);
    DBEditPrice->setFixedWidth(72);
    DBRadioGroupCurrency->grid()->addWidget(
        DBEditPrice, 0, 1, 2, 1, Qt::AlignLeft | Qt::AlignVCenter);
    DBRadioGroupCurrency->grid()->setColumnStretch(1, 1);
    connect(DBEditPrice, &DBEdit::exited, this, &BookDataPage::DBEditPriceExit);
    // Blanks in a price do not count; a price of blanks alone is no number.
    // "19,90" and "19.90" are the same price in any regional format.
    DBEditPrice->inputConversion = [](const QString &text) -> std::optional<QString> {
        if (text.isEmpty())
            return text;
        QString plain = text;
        plain.remove(u' ');
        const auto price = ParsePrice(plain);
        if (!price)
            return std::nullopt;
        return NumberText(*price);
    };
    WarnOnInvalidNumber(DBEditPrice, m_data.desktop(), QStringLiteral("Preis"), true);
    WarnOnInvalidNumber(DBEditPages, m_data.desktop(), QStringLiteral("Seiten"));
    WarnOnInvalidNumber(DBEditYear, m_data.desktop(), QStringLiteral("Erscheinungsjahr"));
    WarnOnInvalidNumber(DBEditBookNbr, m_data.desktop(), QStringLiteral("Buchnummer"));

    connect(DBRadioGroupPagination, &DBRadioGroup::valueChanged, this,
        &BookDataPage::DBRadioGroupPaginationChange);
    // Only the person's choice: showing a record must not change it.
    connect(
        DBRadioGroupBinding, &DBRadioGroup::chosen, this, &BookDataPage::DBRadioGroupBindingChange);
    DBRadioGroupPaginationChange();

    auto *choices = new QHBoxLayout;
    choices->setSpacing(8);
    choices->addWidget(DBRadioGroupBinding, 3);
    choices->addWidget(DBRadioGroupPagination, 4);
    choices->addWidget(DBRadioGroupCurrency, 3);

    // --- the people ---------------------------------------------------------------
    struct Person
    {
        const char *name;
        const char *firstName;
    };
    const auto personGroup = [this](const QString &title, const QList<Person> &people,
                                 QList<DBEdit *> &edits, QGridLayout **gridOut) {
        auto *group = new QGroupBox(title, this);
        auto *grid = new QGridLayout(group);
        grid->setContentsMargins(8, 0, 8, 4);
        grid->setHorizontalSpacing(6);
        grid->setVerticalSpacing(3);
        grid->addWidget(heading(QStringLiteral("Name"), group), 0, 0);
        grid->addWidget(heading(QStringLiteral("Vorname"), group), 0, 1);
        int row = 1;
        for (const Person &p : people) {
            for (const char *field : { p.name, p.firstName }) {
                DBEdit *e = edit(QLatin1String(field));
                e->setParent(group);
                grid->addWidget(e, row, field == p.name ? 0 : 1);
                edits.append(e);
            }
            ++row;
        }
        grid->setColumnStretch(0, 3);
        grid->setColumnStretch(1, 2);
        if (gridOut)
            *gridOut = grid;
        return group;
    };
    QGroupBox *authors = personGroup(QStringLiteral("Autor"),
        { { "Author1Name", "Author1Firstname" }, { "Author2Name", "Author2Firstname" },
            { "Author3Name", "Author3Firstname" } },
        AuthorEdits, nullptr);
    authors->setObjectName(QStringLiteral("GroupBoxAuthors"));
    QGroupBox *illustrators = personGroup(QStringLiteral("Illustriert / Gelesen von"),
        { { "Illustrator1Name", "Illustrator1FirstName" },
            { "Illustrator2Name", "Illustrator2Firstname" },
            { "Illustrator3Name", "Illustrator3Firstname" } },
        IllustratorEdits, nullptr);
    illustrators->setObjectName(QStringLiteral("GroupBoxIllustrators"));
    QGridLayout *translatorGrid = nullptr;
    QGroupBox *translators = personGroup(QStringLiteral("Übersetzt"),
        { { "Translator1Name", "Translator1Firstname" },
            { "Translator2Name", "Translator2Firstname" } },
        TranslatorEdits, &translatorGrid);
    translators->setObjectName(QStringLiteral("GroupBoxTranslators"));

    DBLookupComboBoxLanguage = new DBLookupComboBox(t, QStringLiteral("Language"),
        m_data.DSetLanguages, QStringLiteral("LangShort"), QStringLiteral("LangLong"), translators);
    DBLookupComboBoxLanguage->setObjectName(QStringLiteral("DBLookupComboBoxLanguage"));
    ApplyHint(DBLookupComboBoxLanguage,
        QStringLiteral("Sprache oder 'nicht übersetzt' | Sprache der Originalausgabe"));
    DBLookupComboBoxLanguage->setMaxVisibleItems(16);
    translatorGrid->addWidget(heading(QStringLiteral("Übersetzt aus dem"), translators), 0, 3);
    translatorGrid->addWidget(DBLookupComboBoxLanguage, 1, 3);
    translatorGrid->setColumnMinimumWidth(2, 10);
    translatorGrid->setColumnStretch(3, 3);

    auto *people = new QGridLayout;
    people->setHorizontalSpacing(8);
    people->setVerticalSpacing(5);
    people->addWidget(authors, 0, 0);
    people->addWidget(illustrators, 0, 1);
    people->addWidget(translators, 1, 0, 1, 2);
    people->setColumnStretch(0, 1);
    people->setColumnStretch(1, 1);

    auto *page = new QVBoxLayout(this);
    page->setContentsMargins(8, 6, 8, 4);
    page->setSpacing(5);
    page->addLayout(top);
    page->addLayout(choices);
    page->addLayout(people);
    page->addStretch(1);

    // Top to bottom, left to right; the year edit is left out on purpose.
    QList<QWidget *> order { DBEditBookNbr, DBEditBookTitle, DBEditBookSerie, DBEditPublisher,
        DBEditPublisherLocality, DBRadioGroupBinding->button(0), DBRadioGroupBinding->button(1),
        DBRadioGroupBinding->button(2), DBRadioGroupPagination->button(0),
        DBRadioGroupPagination->button(1), DBEditPages, DBRadioGroupCurrency->button(0),
        DBRadioGroupCurrency->button(1), DBEditPrice };
    for (QList<DBEdit *> *group : { &AuthorEdits, &IllustratorEdits, &TranslatorEdits })
        for (DBEdit *e : *group)
            order.append(e);
    order.append(DBLookupComboBoxLanguage);
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void BookDataPage::addSeriesActions(const QList<QAction *> &actions)
{
    for (QAction *action : actions) {
        PopupMenuISBN->addAction(action);
        auto *button = new QToolButton(this);
        button->setDefaultAction(action);
        button->setObjectName(QStringLiteral("ToolButton") + action->objectName().mid(6));
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
        // The keys reach them from anywhere; the Tab order stays as it is.
        button->setFocusPolicy(Qt::NoFocus);
        m_seriesRow->addWidget(button);
    }
}

void BookDataPage::DBEditPriceExit()
{
    const QString text = DBEditPrice->text();
    if (text.isEmpty())
        return;
    QString plain = text;
    plain.remove(u' ');
    // A text that is no number is reported by the edit itself and stays.
    if (const auto price = ParsePrice(plain)) {
        QString shown = QString::number(*price, 'f', 2);
        if (QLocale().decimalPoint() == QLatin1String(","))
            shown.replace(u'.', u',');
        DBEditPrice->setText(shown);
    }
}

void BookDataPage::DBEditYearExit()
{
    const QVariant year = m_data.DSetReview->value(fYearPublished);
    m_data.SetBookNumberFormat(year.isValid() ? year.toInt() : 0);
    DBEditBookNbr->refresh();
}

void BookDataPage::DBRadioGroupPaginationChange()
{
    DBEditPages->setVisible(DBRadioGroupPagination->value() == QLatin1String("P"));
}

void BookDataPage::DBRadioGroupBindingChange()
{
    if (DBRadioGroupBinding->value() == QLatin1String("CD"))
        DBRadioGroupPagination->choose(QStringLiteral("P"));
}
