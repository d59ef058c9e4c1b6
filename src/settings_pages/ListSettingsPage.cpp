#include "ListSettingsPage.h"

#include "base/DefaultSettings.h"
#include "base/IDesktop.h"
#include "base/IniFile.h"
#include "base/MainContext.h"
#include "data/DDataAccess.h"
#include "forms/LetterMenus.h"

#include <QAction>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <functional>

namespace {

QString text(const char *utf8) { return QString::fromUtf8(utf8); }

// A caption written with CR LF shows its line break as one.
QString shownCaption(const char *utf8)
{
    return text(utf8).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QPushButton *newButton(const QString &caption, const char *name, const char *hint, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    SetControlHint(button, text(hint));
    return button;
}

// A copy of the settings that holds nothing but one default list.
void withDefaultList(const QString &settingsFileName, void (*write)(IniFile &),
    const std::function<void(const IniFile &)> &use)
{
    IniFile copy(settingsFileName);
    copy.clear();
    write(copy);
    use(copy);
    // Never written: the settings and the disk file keep the old list until
    // the page is saved.
}

const ListPageTexts kPublisherTexts = {
    "ValueListEditPublishers",
    "Verlag",
    "Ort",
    163,
    128,
    "EditNewPublisher",
    "Neuer\r\nVerlag:",
    "Langform | Langform der neuen Sprache.",
    "EditNewCity",
    "Kurzform | Kurzform der neuen Sprache.",
    "ButtonPublisherAdd",
    "Neuer Verlag in der Tabelle einfügen.",
    "ButtonPublisherRemove",
    "Markierter Verlag aus der Tabelle entfernen",
    "EditPublishersCount",
    "Verfügbare \r\nVerlage",
    "Anzahl Sprachen | Anzahl verfügbarer Sprachen.",
    "ButtonRestoreStandardPublishers",
    "Standard-Verlage wiederherstellen",
    "Vordefinierte Verlage zurückrufen.",
    "Dieser Verlag existiert schon.",
    "Publishers",
    "Verlage",
    "Verlag",
    "Verlag einfügen...",
};

const ListPageTexts kLanguageTexts = {
    "ValueListEditLanguages",
    "Übersetzt aus dem",
    "Abkürzung",
    150,
    85,
    "EditNewLanguage",
    "Neue Sprache:",
    "Langform | Langform der neuen Sprache.",
    "EditNewAbbreviation",
    "Kurzform | Kurzform der neuen Sprache.",
    "ButtonLanguageAdd",
    "Neue Sprache in der Tabelle einfügen.",
    "ButtonLanguageRemove",
    "Markierte Sprache aus der Tabelle entfernen",
    "EditLanguagesCount",
    "Verfügbare \r\nSprachen",
    "Anzahl Sprachen | Anzahl verfügbarer Sprachen.",
    "ButtonRestoreStandardLanguages",
    "Standard-Sprachen wiederherstellen",
    "Vordefinierte Sprachen zurückrufen.",
    "Diese Sprache existiert schon.",
    "Languages",
    "Sprachen",
    "Sprache",
    "Sprache einfügen...",
};

const QString kPublishers = QStringLiteral("Publishers");
const QString kLanguages = QStringLiteral("Languages");

} // namespace

// --- the page both lists share ---------------------------------------------------

ListSettingsPage::ListSettingsPage(MainContext &ctx, const ListPageTexts &texts, QWidget *parent)
    : SettingsPage(parent)
    , m_ctx(ctx)
    , m_texts(texts)
{
    m_grid = new QTableWidget(0, 2, this);
    m_grid->setObjectName(QLatin1String(texts.gridName));
    m_grid->setHorizontalHeaderLabels({ text(texts.keyTitle), text(texts.valueTitle) });
    m_grid->setColumnWidth(0, texts.keyWidth);
    m_grid->setColumnWidth(1, texts.valueWidth);
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->verticalHeader()->hide();
    // One text line per row, as in a list.
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 6);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setMinimumWidth(texts.keyWidth + texts.valueWidth + 24);

    m_keyEdit = NewSettingsEdit(QLatin1String(texts.keyEditName), this);
    SetControlHint(m_keyEdit, text(texts.keyEditHint));
    m_valueEdit = NewSettingsEdit(QLatin1String(texts.valueEditName), this);
    SetControlHint(m_valueEdit, text(texts.valueEditHint));
    m_addButton = newButton(QStringLiteral("Einfügen"), texts.addName, texts.addHint, this);
    m_removeButton
        = newButton(QStringLiteral("Entfernen"), texts.removeName, texts.removeHint, this);
    m_countEdit = new QLineEdit(this);
    m_countEdit->setObjectName(QLatin1String(texts.countName));
    m_countEdit->setReadOnly(true);
    m_countEdit->setFixedWidth(56);
    SetControlHint(m_countEdit, text(texts.countHint));
    m_restoreButton
        = newButton(text(texts.restoreCaption), texts.restoreName, texts.restoreHint, this);

    auto *side = new QGridLayout;
    side->addWidget(NewFieldLabel(shownCaption(texts.keyEditLabel), m_keyEdit, this), 0, 0);
    side->addWidget(m_keyEdit, 0, 1);
    side->addWidget(m_valueEdit, 1, 1);
    auto *rowButtons = new QHBoxLayout;
    rowButtons->addWidget(m_addButton);
    rowButtons->addWidget(m_removeButton);
    rowButtons->addStretch(1);
    side->addLayout(rowButtons, 2, 1);
    side->addWidget(NewFieldLabel(shownCaption(texts.countLabel), m_countEdit, this), 3, 0);
    side->addWidget(m_countEdit, 3, 1, Qt::AlignLeft);
    side->setRowStretch(4, 1);
    side->addWidget(m_restoreButton, 5, 0, 1, 2, Qt::AlignLeft);
    side->setColumnStretch(1, 1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid, 1);
    layout->addLayout(side, 1);
    updateCount();
}

void ListSettingsPage::fillFromSection(const IniFile &settings, const QString &section)
{
    m_lines = SortedListLines(settings.readSectionValues(section));
    showLines();
    // Filled from the settings in force (not from a copy with a default
    // list), the page shows what is saved.
    if (&settings == m_ctx.settings)
        m_savedLines = gridLines();
}

void ListSettingsPage::saveChanges() { saveToSettings(QLatin1String(m_texts.section)); }

void ListSettingsPage::discardChanges() { fillFrom(*m_ctx.settings); }

QString ListSettingsPage::listName() const { return text(m_texts.listName); }

QStringList ListSettingsPage::gridLines() const
{
    QStringList lines;
    lines.reserve(m_grid->rowCount());
    for (int row = 0; row < m_grid->rowCount(); ++row)
        lines.append(m_grid->item(row, 0)->text() + u'=' + m_grid->item(row, 1)->text());
    return lines;
}

bool ListSettingsPage::keyTaken(const QString &key) const
{
    for (int row = 0; row < m_grid->rowCount(); ++row) {
        if (m_grid->item(row, 0)->text().compare(key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString ListSettingsPage::whyNotWritable(const QString &key, const QString &value) const
{
    if (IniFile::isWritable(key, value))
        return {};
    const auto breaks = [](const QString &t) { return t.contains(u'\r') || t.contains(u'\n'); };
    if (breaks(key) || breaks(value))
        return QStringLiteral("Zeilenumbrüche sind nicht erlaubt.");
    if (key.contains(u'='))
        return QStringLiteral("Das Zeichen \"=\" ist im Feld \"%1\" nicht erlaubt.")
            .arg(text(m_texts.keyName));
    if (key.startsWith(u';'))
        return QStringLiteral("Ein Eintrag darf nicht mit \";\" beginnen.");
    if (key.startsWith(u'[') && value.endsWith(u']'))
        return QStringLiteral(
            "Ein Eintrag darf nicht mit \"[\" beginnen und zugleich mit \"]\" enden.");
    return QStringLiteral("Er enthält Zeichen, die die Einstellungsdatei nicht aufnehmen kann.");
}

bool ListSettingsPage::addRow()
{
    // Blanks around a name are no part of it (the settings file drops them).
    const QString key = m_keyEdit->text().trimmed();
    const QString value = m_valueEdit->text().trimmed();
    if (key.isEmpty() || value.isEmpty()) {
        m_ctx.desktop->ShowStandardMessage(
            QStringLiteral("Beide Felder müssen ausgefüllt sein."), Msg::mtWarning);
        return false;
    }
    // What would not read back from the settings file as it was entered is
    // refused before it reaches the list.
    const QString why = whyNotWritable(key, value);
    if (!why.isEmpty()) {
        m_ctx.desktop->ShowMessageDialog(text(m_texts.addCaption),
            QStringLiteral("Dieser Eintrag kann in den Einstellungen nicht gespeichert werden.\r\n")
                + why,
            Msg::mtWarning, Msg::mbOK, { QStringLiteral("OK") });
        return false;
    }
    if (keyTaken(key)) {
        m_ctx.desktop->ShowStandardMessage(text(m_texts.existsMessage), Msg::mtWarning);
        return false;
    }
    m_lines.append(key + u'=' + value);
    m_lines = SortedListLines(m_lines);
    showLines();
    m_keyEdit->clear();
    m_valueEdit->clear();
    return true;
}

bool ListSettingsPage::mayRemove(const QString &, const QString &) { return true; }

void ListSettingsPage::keyPressEvent(QKeyEvent *event)
{
    // Enter in the fields of a new row adds the row rather than saving the
    // whole page.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    QWidget *focus = focusWidget();
    if (enter && (focus == m_keyEdit || focus == m_valueEdit)) {
        m_addButton->click();
        return;
    }
    SettingsPage::keyPressEvent(event);
}

void ListSettingsPage::removeSelectedRow()
{
    const int row = m_grid->currentRow();
    if (row < 0 || row >= m_grid->rowCount())
        return;
    const QString key = m_grid->item(row, 0)->text();
    const QString value = m_grid->item(row, 1)->text();
    if (!mayRemove(key, value))
        return;
    m_grid->removeRow(row);
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const ListEntry entry = SplitListLine(m_lines[i]);
        if (entry.key == key && entry.value == value) {
            m_lines.removeAt(i);
            break;
        }
    }
    updateCount();
}

void ListSettingsPage::saveToSettings(const QString &section)
{
    IniFile &settings = *m_ctx.settings;
    settings.eraseSection(section);
    for (int row = 0; row < m_grid->rowCount(); ++row)
        settings.writeString(section, m_grid->item(row, 0)->text(), m_grid->item(row, 1)->text());
    m_savedLines = gridLines();
}

void ListSettingsPage::showLines()
{
    m_grid->setRowCount(0);
    m_grid->setRowCount(int(m_lines.size()));
    for (int row = 0; row < m_lines.size(); ++row) {
        const ListEntry entry = SplitListLine(m_lines[row]);
        m_grid->setItem(row, 0, new QTableWidgetItem(entry.key));
        m_grid->setItem(row, 1, new QTableWidgetItem(entry.value));
    }
    if (m_grid->rowCount() > 0)
        m_grid->setCurrentCell(0, 0);
    updateCount();
}

void ListSettingsPage::updateCount()
{
    m_countEdit->setText(QString::number(qMax(0, m_grid->rowCount() - 1)));
}

// --- "Verlage" --------------------------------------------------------------------

PublishersPage::PublishersPage(
    MainContext &ctx, QStringList &publisherList, QMenu *publisherMenu, QWidget *parent)
    : ListSettingsPage(ctx, kPublisherTexts, parent)
    , m_publisherList(publisherList)
    , m_publisherMenu(publisherMenu)
{
    connect(m_addButton, &QPushButton::clicked, this, &PublishersPage::ButtonPublisherAddClick);
    connect(
        m_removeButton, &QPushButton::clicked, this, &PublishersPage::ButtonPublisherRemoveClick);
    connect(m_restoreButton, &QPushButton::clicked, this,
        &PublishersPage::ButtonRestoreStandardPublishersClick);
}

void PublishersPage::IniSettingsPublisherList(const IniFile &settings, const QString &section)
{
    fillFromSection(settings, section);
    // The letter groups are built anew, so that each item names and inserts
    // an entry of the list in force.
    if (m_publisherMenu) {
        const QList<QAction *> items = m_publisherMenu->actions();
        for (QAction *item : items) {
            if (QMenu *group = item->menu()) {
                m_publisherMenu->removeAction(item);
                delete group;
            }
        }
    }
    IniPublisherMenu(settings, section, m_publisherList, m_publisherMenu);
}

void PublishersPage::fillFrom(const IniFile &settings)
{
    IniSettingsPublisherList(settings, kPublishers);
}

void PublishersPage::ButtonPublisherAddClick() { addRow(); }

void PublishersPage::ButtonPublisherRemoveClick() { removeSelectedRow(); }

void PublishersPage::ButtonPublishersSaveClick() { saveToSettings(kPublishers); }

void PublishersPage::ButtonRestoreStandardPublishersClick()
{
    withDefaultList(m_ctx.settings->fileName(), WriteDefaultPublishers,
        [this](const IniFile &copy) { IniSettingsPublisherList(copy, kPublishers); });
}

// --- "Sprachen" -------------------------------------------------------------------

LanguagesPage::LanguagesPage(MainContext &ctx, QWidget *parent)
    : ListSettingsPage(ctx, kLanguageTexts, parent)
{
    connect(m_addButton, &QPushButton::clicked, this, &LanguagesPage::ButtonLanguageAddClick);
    connect(m_removeButton, &QPushButton::clicked, this, &LanguagesPage::ButtonLanguageRemoveClick);
    connect(m_restoreButton, &QPushButton::clicked, this,
        &LanguagesPage::ButtonRestoreStandardLanguagesClick);
    grid()->installEventFilter(this);
}

void LanguagesPage::IniSettingsLanguageList(const IniFile &settings, const QString &section)
{
    fillFromSection(settings, section);
    FillLanguageTable(*m_ctx.data->DSetLanguages, gridLines());
}

void LanguagesPage::fillFrom(const IniFile &settings)
{
    IniSettingsLanguageList(settings, kLanguages);
}

void LanguagesPage::ButtonLanguageAddClick()
{
    // The book page offers the new language at once.
    if (addRow())
        FillLanguageTable(*m_ctx.data->DSetLanguages, gridLines());
}

void LanguagesPage::ButtonLanguageRemoveClick() { removeSelectedRow(); }

void LanguagesPage::ButtonLanguagesSaveClick() { saveToSettings(kLanguages); }

void LanguagesPage::ButtonRestoreStandardLanguagesClick()
{
    withDefaultList(m_ctx.settings->fileName(), WriteDefaultLanguages,
        [this](const IniFile &copy) { IniSettingsLanguageList(copy, kLanguages); });
}

bool LanguagesPage::mayRemove(const QString &, const QString &value)
{
    if (value != u"-")
        return true;
    m_ctx.desktop->ShowStandardMessage(
        QStringLiteral("Dieser Eintrag darf nicht gelöscht werden."), Msg::mtWarning);
    return false;
}

bool LanguagesPage::eventFilter(QObject *watched, QEvent *event)
{
    // Ctrl+Delete is the grid's own deletion: the row goes, unprotected,
    // while the hidden list and the count stay as they are.
    if (watched == grid() && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Delete && mods == Qt::ControlModifier) {
            if (grid()->currentRow() >= 0)
                grid()->removeRow(grid()->currentRow());
            return true;
        }
    }
    return ListSettingsPage::eventFilter(watched, event);
}
