#include "CatalogueActions.h"

#include "CatalogueDialogs.h"
#include "base/IDesktop.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "base/StatusPanel.h"
#include "base/WorkingFolders.h"
#include "data/DDataAccess.h"
#include "exchange/CoverDrop.h"
#include "exchange/CoverImages.h"
#include "forms/DBControls.h"
#include "store/DataSet.h"
#include "store/ISBN.h"
#include "store/ReviewSchema.h"

#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

const QString kLookupCaption = QStringLiteral("Katalogdaten holen...");
const QString kCoverCaption = QStringLiteral("Umschlagbild holen...");
// The book-data page's place in the window's page control.
constexpr int kBookDataPage = 0;

bool isEmptyValue(const QVariant &v)
{
    return !v.isValid() || v.isNull() || v.toString().trimmed().isEmpty();
}

// What the fields of a group hold together, and how they are shown.
enum class GroupKind { Plain, Person, Pages, Price };

struct Group
{
    QString label;
    QList<int> fields; // the main field first
    GroupKind kind = GroupKind::Plain;
};

QList<Group> groups(bool audio)
{
    QList<Group> list {
        { QStringLiteral("Titel"), { fBookTitle } },
        { QStringLiteral("Buchreihe, ISBN"), { fBookSerie } },
        { QStringLiteral("Verlag"), { fPublisher } },
        { QStringLiteral("Ort"), { fPublisherLocation } },
        { QStringLiteral("Jahr"), { fYearPublished } },
        { audio ? QStringLiteral("CDs") : QStringLiteral("Seiten"), { fPages, fPagination },
            GroupKind::Pages },
        { QStringLiteral("Einband"), { fBinding } },
        { QStringLiteral("Preis"), { fPrice, fCurrency }, GroupKind::Price },
    };
    const auto people = [&list](const QString &label, int firstField, int count) {
        for (int i = 0; i < count; ++i) {
            list.append({ i == 0 ? label : label + QStringLiteral(" %1").arg(i + 1),
                { firstField + 2 * i, firstField + 2 * i + 1 }, GroupKind::Person });
        }
    };
    people(QStringLiteral("Autor"), fAuthor1Name, 3);
    people(audio ? QStringLiteral("Gelesen von") : QStringLiteral("Illustrator"), fIllustrator1Name,
        3);
    people(QStringLiteral("Übersetzer"), fTranslator1Name, 2);
    list.append({ QStringLiteral("Sprache"), { fLanguage } });
    return list;
}

// The group's values as one text: "Dahl, Roald", "€ 9.95", "335".
QString groupText(const Group &group, const std::function<QVariant(int)> &value)
{
    const QVariant main = value(group.fields.first());
    switch (group.kind) {
    case GroupKind::Person: {
        const QString first = value(group.fields[1]).toString();
        return main.toString() + (first.isEmpty() ? QString() : QStringLiteral(", ") + first);
    }
    case GroupKind::Price:
        if (isEmptyValue(main))
            return value(group.fields[1]).toString();
        return value(group.fields[1]).toString() + u' ' + CatalogueValueText(fPrice, main);
    case GroupKind::Pages:
        if (!isEmptyValue(main))
            return main.toString();
        return value(group.fields[1]).toString() == QLatin1String("U")
            ? QStringLiteral("unpaginiert")
            : QString();
    case GroupKind::Plain:
        break;
    }
    return CatalogueValueText(group.fields.first(), main);
}

bool sameValue(int field, const QVariant &a, const QVariant &b)
{
    if (field == fPrice)
        return qAbs(a.toDouble() - b.toDouble()) < 0.005;
    if (field == fYearPublished || field == fPages)
        return a.toLongLong() == b.toLongLong();
    return a.toString() == b.toString();
}

// Whether the series field holds nothing but this ISBN, written another way.
bool sameIsbn(const QVariant &current, const QVariant &isbn)
{
    QString text = current.toString();
    text.remove(QStringLiteral("ISBN"), Qt::CaseInsensitive).remove(u':');
    const QString compact = QString(text).remove(u' ').remove(u'-');
    for (QChar c : compact) {
        if (!c.isDigit() && c != u'X' && c != u'x')
            return false;
    }
    const QString mine = NormalizeISBN(text);
    return !mine.isEmpty() && ToIsbn13(mine) == ToIsbn13(NormalizeISBN(isbn.toString()));
}

} // namespace

CatalogueActions::CatalogueActions(MainContext &ctx, QWidget *window)
    : QObject(window)
    , m_ctx(ctx)
    , m_window(window)
{
    connect(&m_client, &CatalogueClient::lookupFinished, this, &CatalogueActions::lookupFinished);
    connect(&m_client, &CatalogueClient::coverFinished, this, &CatalogueActions::coverFinished);
    // An answer belongs to the record it was asked for: when another record
    // becomes current, or none, the request ends.
    DataSet *table = m_ctx.data->DSetReview;
    connect(table, &DataSet::afterScroll, this, &CatalogueActions::cancel);
    connect(table, &DataSet::afterClose, this, &CatalogueActions::cancel);
}

CatalogueActions::~CatalogueActions()
{
    if (m_busy) {
        qApp->removeEventFilter(this);
        QApplication::restoreOverrideCursor();
    }
}

bool CatalogueActions::isBusy() const { return m_busy; }

void CatalogueActions::cancel()
{
    if (m_busy)
        m_client.cancel();
}

bool CatalogueActions::recordReady() const
{
    const DataSet &table = *m_ctx.data->DSetReview;
    return m_ctx.window->EditingPanelEnabled() && m_ctx.window->ActivePage() == kBookDataPage
        && table.isActive() && (table.isEditing() || !table.isEmpty());
}

void CatalogueActions::tell(const QString &caption, const QString &message, int kind)
{
    m_ctx.desktop->ShowMessageDialog(
        caption, message, Msg::Kind(kind), Msg::mbOK, { QStringLiteral("OK") });
}

QString CatalogueActions::isbnOfSeriesField()
{
    // The text as it stands in the edit, also before it is posted.
    const auto *edit
        = qobject_cast<QLineEdit *>(m_ctx.window->control(QStringLiteral("DBEditBookSerie")));
    const QString input = edit ? edit->text() : m_ctx.data->DSetReview->asText(fBookSerie);
    const QString isbn = NormalizeISBN(input);
    if (!IsValidISBN(isbn, nullptr)) {
        tell(QStringLiteral("ISBN prüfen..."), ISBNCheckReport(input), Msg::mtInformation);
        return {};
    }
    return isbn;
}

MappingContext CatalogueActions::mappingContext() const
{
    MappingContext mapping;
    const DataSet &table = *m_ctx.data->DSetReview;
    const QString currency = table.asText(fCurrency);
    if (!currency.isEmpty())
        mapping.currency = currency;
    const DataSet &languages = *m_ctx.data->DSetLanguages;
    const int shortField = languages.fieldIndex(QStringLiteral("LangShort"));
    const int longField = languages.fieldIndex(QStringLiteral("LangLong"));
    for (int row = 0; row < languages.recordCount(); ++row) {
        mapping.languages.append({ languages.valueAt(row, longField).toString(),
            languages.valueAt(row, shortField).toString() });
    }
    return mapping;
}

void CatalogueActions::begin(const QString &status)
{
    m_busy = true;
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    qApp->installEventFilter(this);
    m_ctx.window->StatusMsg(StatusPanel::Hint, status + QStringLiteral(" (Esc bricht ab)"));
}

void CatalogueActions::end(const QString &status)
{
    if (!m_busy)
        return;
    m_busy = false;
    qApp->removeEventFilter(this);
    QApplication::restoreOverrideCursor();
    m_ctx.window->StatusMsg(StatusPanel::Hint, status);
}

bool CatalogueActions::eventFilter(QObject *watched, QEvent *event)
{
    if (m_busy && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->window() == m_window) {
        cancel();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

int CatalogueActions::exec(QDialog &dialog)
{
    if (modalAnswer)
        return modalAnswer(dialog);
    return dialog.exec();
}

void CatalogueActions::ActionFetchCatalogueDataExecute()
{
    if (m_busy || !recordReady())
        return;
    const QString isbn = isbnOfSeriesField();
    if (isbn.isEmpty())
        return;
    m_client.setSettings(
        m_ctx.settings ? CatalogueSettings::read(*m_ctx.settings) : CatalogueSettings::defaults());
    const QString isbn13 = ToIsbn13(isbn);
    begin(QStringLiteral("Katalogdaten für ISBN %1 werden geholt …").arg(isbn13));
    m_client.lookup(isbn13, mappingContext());
}

void CatalogueActions::lookupFinished(const CatalogueLookup &result)
{
    switch (result.outcome) {
    case CatalogueLookup::Cancelled:
        end(QStringLiteral("Abfrage des Katalogs abgebrochen."));
        emit finished();
        return;
    case CatalogueLookup::NotFound:
    case CatalogueLookup::Failed:
        end(QString());
        tell(kLookupCaption, result.message,
            result.outcome == CatalogueLookup::NotFound ? Msg::mtInformation : Msg::mtError);
        emit finished();
        return;
    case CatalogueLookup::Found:
        break;
    }
    end(QString());
    int chosen = 0;
    if (result.entries.size() > 1) {
        CatalogueChoiceDialog dialog(result.entries, m_window);
        chosen = exec(dialog) == QDialog::Accepted ? dialog.chosen() : -1;
    }
    // The record may have gone while the person chose.
    if (chosen >= 0 && chosen < result.entries.size() && recordReady()) {
        apply(result.entries[chosen]);
        offerCover(result.isbn);
    }
    emit finished();
}

void CatalogueActions::apply(const CatalogueEntry &entry)
{
    // What the person typed and did not leave yet is part of the record.
    const QList<DBEdit *> edits = m_window->findChildren<DBEdit *>();
    for (DBEdit *edit : edits) {
        if (edit->isUserModified() && edit->link()->table() == m_ctx.data->DSetReview)
            edit->commit();
    }
    DataSet &table = *m_ctx.data->DSetReview;
    if (!table.isEditing())
        table.edit();
    if (!table.isEditing())
        return;

    // The starting values of a new record are no one's statement yet.
    const bool fresh = table.state() == DataSet::dsInsert;
    const int thisYear = m_ctx.desktop->Today().year();
    const auto blank = [&](int field) {
        const QVariant v = table.value(field);
        if (isEmptyValue(v))
            return true;
        if (!fresh)
            return false;
        const QString text = v.toString();
        switch (field) {
        case fYearPublished:
            return v.toInt() == thisYear;
        case fPagination:
            return text == QLatin1String("P");
        case fBinding:
            return text == QLatin1String("geb");
        case fCurrency:
            return text == QLatin1String("Fr");
        case fLanguage:
            return text == QLatin1String("-");
        default:
            return false;
        }
    };

    struct Pending
    {
        Group group;
        CatalogueConflict conflict;
    };
    QList<Pending> conflicts;
    const auto current = [&table](int field) { return table.value(field); };
    const auto offered = [&entry](int field) { return entry.values.value(field); };
    for (const Group &group : groups(entry.medium == CatalogueEntry::Audio)) {
        QList<int> provided;
        for (int field : group.fields) {
            if (entry.values.contains(field))
                provided.append(field);
        }
        if (provided.isEmpty())
            continue;
        // A currency without a price, or the pagination "P" without pages,
        // says nothing yet.
        const int main = group.fields.first();
        const bool groupBlank = (group.kind == GroupKind::Price && blank(main))
            || (group.kind == GroupKind::Pages && blank(main)
                && table.value(fPagination).toString() != QLatin1String("U"));
        bool differs = false;
        for (int field : provided) {
            if (!groupBlank && !blank(field) && !sameValue(field, current(field), offered(field)))
                differs = true;
        }
        if (group.fields == QList<int> { fBookSerie } && differs
            && sameIsbn(current(fBookSerie), offered(fBookSerie))) {
            // The same number: the catalogue's hyphens help, its bare digits do not.
            if (offered(fBookSerie).toString().contains(u'-'))
                table.setValue(fBookSerie, offered(fBookSerie));
            continue;
        }
        if (!differs) {
            for (int field : provided) {
                if (groupBlank || blank(field))
                    table.setValue(field, offered(field));
            }
            continue;
        }
        conflicts.append({ group,
            { group.label, groupText(group, current), groupText(group, offered), group.fields } });
    }

    if (!conflicts.isEmpty()) {
        QList<CatalogueConflict> rows;
        for (const Pending &p : conflicts)
            rows.append(p.conflict);
        CatalogueConflictDialog dialog(entry.catalogue, rows, m_window);
        exec(dialog);
        for (int row : dialog.takenRows()) {
            // The whole group follows the catalogue, also where it says nothing.
            for (int field : conflicts[row].group.fields)
                table.setValue(field, offered(field));
        }
    }

    const QVariant year = table.value(fYearPublished);
    if (year.isValid())
        m_ctx.data->SetBookNumberFormat(year.toInt());
    QString status = QStringLiteral("Katalogdaten übernommen: ") + entry.catalogue;
    if (!entry.replacedLetters.isEmpty()) {
        status += QStringLiteral(" (ersetzte Buchstaben: %1)")
                      .arg(QStringList(entry.replacedLetters.split(QString(), Qt::SkipEmptyParts))
                               .join(u' '));
    }
    m_ctx.window->StatusMsg(StatusPanel::Hint, status);
}

void CatalogueActions::offerCover(const QString &isbn13)
{
    const DataSet &table = *m_ctx.data->DSetReview;
    if (table.value(fBookNbr).toDouble() <= 0)
        return;
    const QString name = CoverImageFileNameOf(table.value(fBookNbr), table.value(fYearPublished));
    if (name.isEmpty() || QFileInfo::exists(m_ctx.folders->coverFolder + name))
        return;
    const int answer = m_ctx.desktop->ShowMessageDialog(kCoverCaption,
        QStringLiteral("Für dieses Buch gibt es noch kein Umschlagbild.\r\n"
                       "Soll es aus dem Katalog geholt werden?"),
        Msg::mtConfirmation, Msg::mbOKCancel, { QStringLiteral("Ja"), QStringLiteral("Nein") });
    if (answer == Msg::mrOk)
        startCoverFetch(isbn13);
}

void CatalogueActions::ActionFetchCoverExecute()
{
    if (m_busy || !recordReady())
        return;
    const QString isbn = isbnOfSeriesField();
    if (isbn.isEmpty())
        return;
    const QString name = CurrentCoverFileName(m_ctx, m_window);
    if (name.isEmpty())
        return;
    // Asked before the fetch, so that nobody waits for a picture to refuse.
    const bool exists = QFileInfo::exists(m_ctx.folders->coverFolder + name);
    if (exists && !AskBeforeReplacingCover(m_ctx, name))
        return;
    startCoverFetch(ToIsbn13(isbn));
    m_replaceConfirmed = exists;
}

void CatalogueActions::startCoverFetch(const QString &isbn13)
{
    m_client.setSettings(
        m_ctx.settings ? CatalogueSettings::read(*m_ctx.settings) : CatalogueSettings::defaults());
    const DataSet &table = *m_ctx.data->DSetReview;
    m_coverName = CoverImageFileNameOf(table.value(fBookNbr), table.value(fYearPublished));
    m_replaceConfirmed = false;
    begin(QStringLiteral("Umschlagbild für ISBN %1 wird geholt …").arg(isbn13));
    m_client.fetchCover(isbn13);
}

void CatalogueActions::coverFinished(const CoverFetch &result)
{
    switch (result.outcome) {
    case CoverFetch::Cancelled:
        end(QStringLiteral("Abfrage des Katalogs abgebrochen."));
        break;
    case CoverFetch::NotFound:
    case CoverFetch::Failed:
        end(QString());
        tell(kCoverCaption, result.message,
            result.outcome == CoverFetch::NotFound ? Msg::mtInformation : Msg::mtError);
        break;
    case CoverFetch::Found: {
        end(QString());
        // The name follows the record as it is now; a cover that is there
        // now is replaced only with the person's yes.
        const QString name = CurrentCoverFileName(m_ctx, m_window);
        if (!name.isEmpty()) {
            SaveCoverFile(m_ctx, name, result.picture,
                QStringLiteral("Das Umschlagbild des Katalogs (%1)").arg(result.catalogue),
                !(name == m_coverName && m_replaceConfirmed));
        }
        break;
    }
    }
    emit finished();
}
